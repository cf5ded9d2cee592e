#include "program.h"

#include <clocale>
#include <exception>
#include <iostream>

#include "canvas.h"
#include "fieldsform.h"
#include "log.h"
#include "optionform.h"
#include "prompts.h"
#include "satmain.h"
#include "splashform.h"
#include "velmarcom.h"

TVelmarApplication::TVelmarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TVelmarApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    WriteLog(std::string("Unhandled error: ") + e.what());
    MessageDlg(e.what(), TMsgDlgType::Error, mbOK);
  } catch (...) {
    WriteLog("Unhandled error");
    MessageDlg("Unknown error", TMsgDlgType::Error, mbOK);
  }
  return false;
}

TVelmarProgram::TVelmarProgram(ISatsHost* host) : host_(host) {}

TVelmarProgram::~TVelmarProgram() { Shutdown(); }

TSatForm* TVelmarProgram::Start(int argc, const char* const* argv) {
  form_ = std::make_unique<TSatForm>(argc, argv, host_);
  TSatForm* form = form_.get();
  fieldsForm_ = std::make_unique<TFieldsForm>(form);
  FieldsForm = fieldsForm_.get();
  splashForm_ = std::make_unique<TSplashForm>(form);
  SplashForm = splashForm_.get();
  // The options dialog comes last: it runs the automatic downloads, then binds and fires the
  // main window's OptionsChanged, which loads the data files.
  optionForm_ = std::make_unique<TOptionForm>([form](QObject* sender) { form->OptionsChanged(sender); }, form);
  form->OptionForm = optionForm_.get();
  return form;
}

void TVelmarProgram::Shutdown() noexcept {
  if (!form_) return;
  // The windows go in the reverse order of their creation; the main window's shutdown step
  // ends with the log file.
  try {
    form_->OptionForm = nullptr;
    optionForm_.reset();
  } catch (...) {
  }
  try {
    SplashForm = nullptr;
    splashForm_.reset();
    FieldsForm = nullptr;
    fieldsForm_.reset();
  } catch (...) {
  }
  form_->FormDestroy();
  try {
    form_.reset();
  } catch (...) {
  }
}

int VelmarMain(int argc, char** argv) {
  TVelmarApplication app(argc, argv);
  // Numbers in data files and on screen use '.', whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  InstallFontSubstitutions();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  TQtPrompts prompts;
  SetUiPrompts(&prompts);
  RouteRuntimeMessagesToPrompts();

  int result = 0;
  {
    TVelmarProgram program;
    try {
      TSatForm* form = program.Start(argc, argv);
      prompts.SetParent(form);
      form->show();
      result = app.exec();
    } catch (const std::exception& e) {
      WriteLog(std::string("Unhandled error: ") + e.what());
      std::cerr << e.what() << '\n';
      result = 1;
    }
    prompts.SetParent(nullptr);
    program.Shutdown();
  }
  SetUiPrompts(nullptr);
  CoUninitialize();
  return result;
}
