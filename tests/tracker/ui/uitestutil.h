// Shared set-up of the window tests: the application object, scripted dialogs, and a program
// folder of its own with the bundled sample data.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "prompts.h"

namespace uitest {

namespace fs = std::filesystem;

// Answers every dialog at once. Message boxes with one button take it; with more, the next
// queued answer (or `DefaultAnswer`). File and print dialogs are cancelled.
class TScriptedPrompts : public IUiPrompts {
 public:
  struct TMessage {
    std::string Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
  };
  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
  bool ExecuteSaveDialog(TSaveDialog&) override { ++FileDialogs; return false; }
  bool ExecuteOpenDialog(TOpenDialog&) override { ++FileDialogs; return false; }
  bool ExecutePrintDialog(TPrintDialog&) override { ++PrintDialogs; return false; }
  bool ExecutePrinterSetupDialog(TPrinterSetupDialog&) override { ++PrintDialogs; return false; }

  std::vector<TMessage> Messages;
  std::deque<int> Answers;
  int DefaultAnswer = mrNo;
  int FileDialogs = 0;
  int PrintDialogs = 0;
};

// The folder of the built program and its data (VELMAR_BIN).
std::string BinFolder();
// True when the program's library, registration tool and sample data are built.
bool ProgramBuilt();

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& text);

// A fresh program folder with the sample data and an ini that turns the downloads off.
class TProgramFolder {
 public:
  explicit TProgramFolder(const std::string& ini = "[Update]\r\nAutoUpdate=0\r\n");
  ~TProgramFolder();
  const fs::path& Path() const { return path_; }
  fs::path File(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

}  // namespace uitest
