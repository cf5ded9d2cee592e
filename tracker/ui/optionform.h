// The options dialog `TOptionForm`: edits the settings of `Options` that the main window does not
// keep (data-file paths, download addresses, automatic update, exit saving, angle formats,
// modified polar mount, fonts, picture resolution) and downloads element files and the
// geostationary log.
//
// Created once at start, after the main window: the constructor runs the creation step, which
// downloads due files when "AutoUpdate" is set (the element file missing or older than 7 days:
// all three element addresses; the geostationary log missing or older than 120 days), binds the
// change handler and fires it once, which loads the data files. Shown without being modal; "OK",
// "Apply", "Default" and the font dialog's Apply fire the handler again.
//
// Message boxes go through UiPrompts() (prompts.h); the folder browser and the font dialog
// through SetDialogs. Every widget carries its component name as object name.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "options.h"
#include "optionform_dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

class TOptionForm : public QDialog {
  Q_OBJECT
 public:
  // The change handler: the main window's `OptionsChanged`, called with the dialog as sender.
  using TChangeHandler = std::function<void(QObject* Sender)>;

  // Builds the controls and runs `FormCreate` with the handler. `Options` must exist.
  explicit TOptionForm(TChangeHandler onChange, QWidget* parent = nullptr);
  // `FormDestroy`: unbinds the handler.
  ~TOptionForm() override;

  void SetOnChange(TChangeHandler handler);
  bool HasOnChange() const { return static_cast<bool>(OnChange); }
  void DoChange();
  void OptionsToControls();
  void ControlsToOptions();

  // One download for Kep1WebButton, Kep2WebButton, Kep3WebButton or GeoLogWebButton.
  void WebButtonClick(QObject* Sender);

  void OKButtonClick();
  void CancelButtonClick();
  void ApplyButtonClick();
  void DefaultButtonClick();
  void TwoLineButtonClick();
  void GeoLogButtonClick();
  void SatCsvButtonClick();
  void CountryFileButtonClick();
  void BrowserExecButtonClick();
  void DpiComboBoxExit();
  // ImgFontButton, ImgFontLabel, PrintFontButton or PrintFontLabel.
  void ImgFontButtonClick(QObject* Sender);
  // The font dialog's Apply (image font only).
  void FontDialog1Apply(const TFontSpec& font);

  // The folder browser and font dialog (not owned; nullptr restores the Qt dialogs).
  void SetDialogs(IOptionFormDialogs* dialogs);

  // The fonts the two labels hold (what "OK" stores).
  const TFontSpec& ImgFontLabelFont() const { return ImgLabelFont; }
  const TFontSpec& PrintFontLabelFont() const { return PrintLabelFont; }

  // ---- components ----
  QTabWidget* PageControl = nullptr;
  QLineEdit* TwoLineEdit = nullptr;
  QToolButton* TwoLineButton = nullptr;
  QLineEdit* GeoLogEdit = nullptr;
  QToolButton* GeoLogButton = nullptr;
  QLineEdit* SatCsvEdit = nullptr;
  QToolButton* SatCsvButton = nullptr;
  QLineEdit* CountryFileEdit = nullptr;
  QToolButton* CountryFileButton = nullptr;
  QLineEdit* BrowserExecEdit = nullptr;
  QToolButton* BrowserExecButton = nullptr;

  QComboBox* Kep1WebComboBox = nullptr;
  QToolButton* Kep1WebButton = nullptr;
  QComboBox* Kep2WebComboBox = nullptr;
  QToolButton* Kep2WebButton = nullptr;
  QComboBox* Kep3WebComboBox = nullptr;
  QToolButton* Kep3WebButton = nullptr;
  QLineEdit* GeoLogWebEdit = nullptr;
  QToolButton* GeoLogWebButton = nullptr;
  QCheckBox* AutoUpdateCheckBox = nullptr;

  QCheckBox* SaveSettingsCheckBox = nullptr;
  QCheckBox* SaveSatsCsvCheckBox = nullptr;
  QRadioButton* DDegRadioButton = nullptr;
  QRadioButton* DMSRadioButton = nullptr;
  QRadioButton* Azi180RadioButton = nullptr;
  QRadioButton* Azi360RadioButton = nullptr;
  QCheckBox* ModPolMntCheckBox = nullptr;
  QLabel* ImgFontLabel = nullptr;
  QPushButton* ImgFontButton = nullptr;
  QLabel* PrintFontLabel = nullptr;
  QPushButton* PrintFontButton = nullptr;
  QComboBox* DpiComboBox = nullptr;

  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* ApplyButton = nullptr;
  QPushButton* DefaultButton = nullptr;

  // File filters of the pickers.
  static constexpr const char* TwoLineFilter = "Text files (*.txt)|*.TXT|Keps files (*.tle)|*.tle|All Files (*.*)|*.*";
  static constexpr const char* GeoLogFilter = "Log files (*.log)|*.log|All Files (*.*)|*.*";
  static constexpr const char* SatCsvFilter = "Csv files (*.csv)|*.csv|All Files (*.*)|*.*";
  // Programs carry no extension here, so the first filter takes any file.
  static constexpr const char* BrowserExecFilter = "Program Files|*|All Files (*.*)|*.*";

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;  // Escape and the window's close box act as "Cancel"

 private:
  void BuildControls();
  void FormCreate(TChangeHandler onChange);
  void PickFile(QLineEdit* edit, const char* filter);
  void ShowLabelFont(QLabel* label, const TFontSpec& font);

  TChangeHandler OnChange;
  bool downloading_ = false;  // a download is running: another one waits its turn
  TFontSpec ImgLabelFont;
  TFontSpec PrintLabelFont;
  IOptionFormDialogs* Dialogs = nullptr;
  std::unique_ptr<TQtOptionFormDialogs> QtDialogs;
};
