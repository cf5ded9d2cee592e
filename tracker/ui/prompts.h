// Message dialogs and the common dialogs of the tracker's windows, behind one seam.
//
// Every modal box the windows open goes through `IUiPrompts`: the program installs the Qt
// implementation (`TQtPrompts`), tests install their own that answers at once, so nothing
// blocks on a dialog nobody can see. The dialog objects below (`TSaveDialog`, `TPrintDialog`,
// `TPrinterSetupDialog`, `TOpenDialog`) hold the settings a window gives its dialog and the
// user's answer; `Execute` asks the installed prompts.
//
// Message texts are the program's single-byte texts (Latin-1, degree sign 0xB0); lines are
// separated by a carriage return (character 13) or a line feed.
#pragma once

#include <memory>
#include <string>

class QPrinter;
class QWidget;

// Kinds of message box (the icon).
enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };

// Buttons of a message box, combinable.
enum TMsgDlgButton : unsigned {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
};
using TMsgDlgButtons = unsigned;

// The button a message box was closed with.
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
};

// Save dialog: a file name to write, with the toolkit's filter text
// ("Bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg": descriptions and patterns separated by '|').
struct TSaveDialog {
  std::string Title;
  std::string DefaultExt;        // without the dot; added when the chosen name has none
  std::string Filter;
  int FilterIndex = 1;           // 1-based; set to the chosen filter on return
  std::string InitialDir;        // where the dialog starts; a confirmed choice sets it to its folder
  std::string FileName;          // start name; the chosen path on return
  bool OverwritePrompt = true;   // ask before replacing an existing file
  bool Execute();                // true when the user confirmed
};

// Open dialog: an existing file to read.
struct TOpenDialog {
  std::string Title = "Open";
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string FileName;
  bool FileMustExist = true;
  bool Execute();
};

// Print dialog: page range and copies for the printer. `Tag` is free for the window's use
// (the main window sets 1 while printing or saving pictures).
struct TPrintDialog {
  enum class TPrintRange { AllPages, Selection, PageNums };
  QPrinter* Printer = nullptr;  // not owned
  int MinPage = 1, MaxPage = 7;
  int FromPage = 1, ToPage = 1;
  int Copies = 1;
  bool AllowPrintToFile = true;
  bool AllowPageNums = true;
  bool PrintToFile = false;
  TPrintRange PrintRange = TPrintRange::AllPages;
  int Tag = 0;
  bool Execute();
};

// Printer set-up dialog (page size and orientation of the printer).
struct TPrinterSetupDialog {
  QPrinter* Printer = nullptr;  // not owned
  bool Execute();
};

class IUiPrompts {
 public:
  virtual ~IUiPrompts() = default;
  // A message box; returns the button that closed it (mrCancel/mrNo when closed otherwise).
  virtual int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
  virtual bool ExecuteSaveDialog(TSaveDialog& dialog) = 0;
  virtual bool ExecuteOpenDialog(TOpenDialog& dialog) = 0;
  virtual bool ExecutePrintDialog(TPrintDialog& dialog) = 0;
  virtual bool ExecutePrinterSetupDialog(TPrinterSetupDialog& dialog) = 0;
};

// The real dialogs, parented to the given window (may be null).
class TQtPrompts : public IUiPrompts {
 public:
  explicit TQtPrompts(QWidget* parent = nullptr) : Parent(parent) {}
  void SetParent(QWidget* parent) { Parent = parent; }
  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
  bool ExecuteSaveDialog(TSaveDialog& dialog) override;
  bool ExecuteOpenDialog(TOpenDialog& dialog) override;
  bool ExecutePrintDialog(TPrintDialog& dialog) override;
  bool ExecutePrinterSetupDialog(TPrinterSetupDialog& dialog) override;

 private:
  QWidget* Parent;
};

// The prompts every window uses. Until one is installed, a `TQtPrompts` without parent.
IUiPrompts& UiPrompts();
// Installs the prompts (not owned; nullptr restores the default). Returns the previous one.
IUiPrompts* SetUiPrompts(IUiPrompts* prompts);

// Shorthand: UiPrompts().MessageDlg(text, type, buttons).
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);

// Routes the component-object runtime's message boxes (the orbit library's and the satellite
// collection's messages) to UiPrompts(). Call once at start.
void RouteRuntimeMessagesToPrompts();

// The toolkit's filter text as Qt name filters: "Bitmap (*.bmp)|*.bmp|Text|*.txt;*.log" gives
// "Bitmap (*.bmp)" and "Text (*.txt *.log)", joined by ";;".
std::string QtNameFilters(const std::string& filter);
