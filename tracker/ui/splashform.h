// The about box `TSplashForm` ("About Umbrisk"): the program's name and version, a word of thanks
// with credit labels that explain themselves when the pointer rests on them and open their web
// page when clicked, a picture and a "Close" button.
#pragma once

#include <QDialog>
#include <QImage>

#include <functional>
#include <string>
#include <vector>

class QEvent;
class QLabel;
class QPushButton;
class TImageWidget;

class TSplashForm : public QDialog {
  Q_OBJECT
 public:
  // Starts a program with its arguments in a working folder, without waiting; returns whether it
  // started. The default goes through the shell layer (never through a command interpreter).
  using TProgramStarter =
      std::function<bool(const std::string& program, const std::vector<std::string>& args, const std::string& folder)>;

  explicit TSplashForm(QWidget* parent = nullptr);
  ~TSplashForm() override;

  // ---- handlers ----
  void FormCreate();
  void LabelMouseEnter(QObject* Sender);
  void LabelMouseLeave(QObject* Sender);
  void NameLabelClick(QObject* Sender);

  // The web address a click on the label opens ("" for a label without one).
  std::string ClickAddressOf(const QObject* label) const;

  // How the browser is started (tests replace it).
  TProgramStarter StartProgram;

  // ---- components ----
  QLabel* TitleLabel = nullptr;
  QLabel* VersionLabel = nullptr;
  QLabel* AuthorLabel = nullptr;
  QLabel* FreewareLabel = nullptr;
  QLabel* ThanksLabel = nullptr;
  QLabel* OrbitCoreLabel = nullptr;   // the orbit models and the element sets
  QLabel* OrbitLibLabel = nullptr;    // the orbit library component
  QLabel* AstroLabel = nullptr;       // the astronomy routines and the moon picture
  QLabel* GeoLogLabel = nullptr;      // the geostationary satellite log
  QLabel* InfoLabel = nullptr;
  TImageWidget* AboutImage = nullptr;
  QPushButton* CloseButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QImage picture_;
};

// The program's about box, created after the column chooser (nullptr before and after).
extern TSplashForm* SplashForm;
