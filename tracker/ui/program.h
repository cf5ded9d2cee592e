// The tracker program: start (the windows in their order and the first application of the
// settings), the message loop, and the shutdown.
#pragma once

#include <QApplication>

#include <memory>

class ISatsHost;
class IUiPrompts;
class TFieldsForm;
class TOptionForm;
class TSatForm;
class TSplashForm;

// The application object: an exception that reaches the message loop is logged and shown, and
// the program goes on.
class TVelmarApplication : public QApplication {
 public:
  TVelmarApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

class TVelmarProgram {
 public:
  // `host` serves the satellite collection (null: the program's own).
  explicit TVelmarProgram(ISatsHost* host = nullptr);
  ~TVelmarProgram();
  TVelmarProgram(const TVelmarProgram&) = delete;
  TVelmarProgram& operator=(const TVelmarProgram&) = delete;

  // Creates the windows in this order: the main window, the column chooser, the about box, the
  // options dialog; the options dialog's creation applies the settings for the first time
  // (loading the data files). Needs the application object and the component-object runtime.
  TSatForm* Start(int argc, const char* const* argv);
  TSatForm* MainForm() const { return form_.get(); }
  TOptionForm* OptionForm() const { return optionForm_.get(); }
  // The shutdown: the main window's shutdown step and the windows freed. Never throws.
  void Shutdown() noexcept;

 private:
  ISatsHost* host_;
  std::unique_ptr<TSatForm> form_;
  std::unique_ptr<TFieldsForm> fieldsForm_;
  std::unique_ptr<TSplashForm> splashForm_;
  std::unique_ptr<TOptionForm> optionForm_;
};

// The program entry: the application, the runtime, the windows, the message loop.
int VelmarMain(int argc, char** argv);
