#include "prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <vector>

#include "qtext.h"
#include "velmarcom.h"

namespace {

IUiPrompts*& Installed() {
  static IUiPrompts* prompts = nullptr;
  return prompts;
}

std::vector<std::string> SplitBar(const std::string& s) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (c == '|') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  parts.push_back(cur);
  return parts;
}

QString MessageText(const std::string& text) {
  QString s = QStr(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

int RunMessageBox(QWidget* parent, const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  QMessageBox box(parent);
  switch (type) {
    case TMsgDlgType::Warning: box.setIcon(QMessageBox::Warning); box.setWindowTitle("Warning"); break;
    case TMsgDlgType::Error: box.setIcon(QMessageBox::Critical); box.setWindowTitle("Error"); break;
    case TMsgDlgType::Information: box.setIcon(QMessageBox::Information); box.setWindowTitle("Information"); break;
    case TMsgDlgType::Confirmation: box.setIcon(QMessageBox::Question); box.setWindowTitle("Confirm"); break;
    case TMsgDlgType::Custom: box.setIcon(QMessageBox::NoIcon); break;
  }
  box.setText(MessageText(text));
  struct Map { unsigned bit; QMessageBox::StandardButton qt; int result; };
  static const Map kMap[] = {
      {mbYes, QMessageBox::Yes, mrYes},       {mbNo, QMessageBox::No, mrNo},
      {mbOK, QMessageBox::Ok, mrOk},          {mbCancel, QMessageBox::Cancel, mrCancel},
      {mbAbort, QMessageBox::Abort, mrAbort}, {mbRetry, QMessageBox::Retry, mrRetry},
      {mbIgnore, QMessageBox::Ignore, mrIgnore},
  };
  QMessageBox::StandardButtons qtButtons;
  for (const Map& m : kMap)
    if (buttons & m.bit) qtButtons |= m.qt;
  if (!qtButtons) qtButtons = QMessageBox::Ok;
  box.setStandardButtons(qtButtons);
  const int answer = box.exec();
  for (const Map& m : kMap)
    if (answer == m.qt) return m.result;
  return (buttons & mbNo) ? mrNo : mrCancel;
}

int RuntimeMessageHook(const char* text, const char* caption, UINT type, void*) {
  const TMsgDlgType kind = (type & MB_ICONERROR) ? TMsgDlgType::Error : TMsgDlgType::Information;
  std::string message = text ? text : "";
  if (caption && *caption && type & MB_ICONERROR) message = std::string(caption) + ": " + message;
  UiPrompts().MessageDlg(message, kind, mbOK);
  return 1;  // IDOK
}

}  // namespace

namespace {
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}
}  // namespace

std::string QtNameFilters(const std::string& filter) {
  if (filter.empty()) return {};
  const std::vector<std::string> parts = SplitBar(filter);
  std::string out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (char& c : patterns)
      if (c == ';') c = ' ';
    std::string item = parts[i];
    // "*.*" means every file there; on Linux many file names have no dot at all.
    ReplaceAll(patterns, "*.*", "*");
    ReplaceAll(item, "(*.*)", "(*)");
    if (item.find('(') == std::string::npos) item += " (" + patterns + ")";
    if (!out.empty()) out += ";;";
    out += item;
  }
  return out;
}

IUiPrompts& UiPrompts() {
  if (IUiPrompts* p = Installed()) return *p;
  static TQtPrompts fallback;
  return fallback;
}

IUiPrompts* SetUiPrompts(IUiPrompts* prompts) {
  IUiPrompts* previous = Installed();
  Installed() = prompts;
  return previous;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return UiPrompts().MessageDlg(text, type, buttons);
}

void RouteRuntimeMessagesToPrompts() { VcomSetMessageBoxHook(&RuntimeMessageHook, nullptr); }

bool TSaveDialog::Execute() {
  if (!UiPrompts().ExecuteSaveDialog(*this)) return false;
  // The next time the dialog starts in the folder of this choice.
  const size_t slash = FileName.find_last_of('/');
  if (slash != std::string::npos) InitialDir = FileName.substr(0, slash + 1);
  return true;
}
bool TOpenDialog::Execute() { return UiPrompts().ExecuteOpenDialog(*this); }
bool TPrintDialog::Execute() { return UiPrompts().ExecutePrintDialog(*this); }
bool TPrinterSetupDialog::Execute() { return UiPrompts().ExecutePrinterSetupDialog(*this); }

// ---- the Qt dialogs ------------------------------------------------------------------------

int TQtPrompts::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return RunMessageBox(Parent, text, type, buttons);
}

namespace {
// The extension of a name filter with one plain pattern: "Jpeg (*.jpg)" gives "jpg"; "" for
// none or for wildcards.
QString FilterExtension(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(QLatin1String("(*."));
  const qsizetype close = filter.indexOf(QChar(')'), open);
  if (open < 0 || close < 0) return {};
  const QString ext = filter.mid(open + 3, close - open - 3);
  if (ext.isEmpty() || ext.contains(QChar('*')) || ext.contains(QChar('?')) || ext.contains(QChar(' ')))
    return {};
  return ext;
}

template <class TDialog>
bool RunFileDialog(QWidget* parent, TDialog& d, QFileDialog::AcceptMode mode, bool mustExist, bool overwrite,
                   const std::string& defaultExt) {
  QFileDialog dlg(parent, QStr(d.Title));
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setAcceptMode(mode);
  dlg.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                  : (mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
  if (!overwrite) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = QStr(QtNameFilters(d.Filter)).split(";;", Qt::SkipEmptyParts);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    const int index = d.FilterIndex >= 1 && d.FilterIndex <= filters.size() ? d.FilterIndex - 1 : 0;
    dlg.selectNameFilter(filters[index]);
  }
  if (!defaultExt.empty()) {
    // The extension added to a bare name follows the chosen file type.
    const auto follow = [&dlg, defaultExt](const QString& filter) {
      const QString ext = FilterExtension(filter);
      dlg.setDefaultSuffix(ext.isEmpty() ? QStr(defaultExt) : ext);
    };
    follow(dlg.selectedNameFilter());
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, follow);
  }
  if (!d.InitialDir.empty()) dlg.setDirectory(QPath(d.InitialDir));
  if (!d.FileName.empty()) dlg.selectFile(QPath(d.FileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  d.FileName = PathStr(dlg.selectedFiles().front());
  const int chosen = filters.indexOf(dlg.selectedNameFilter());
  if (chosen >= 0) d.FilterIndex = chosen + 1;
  return true;
}
}  // namespace

bool TQtPrompts::ExecuteSaveDialog(TSaveDialog& dialog) {
  return RunFileDialog(Parent, dialog, QFileDialog::AcceptSave, false, dialog.OverwritePrompt, dialog.DefaultExt);
}

bool TQtPrompts::ExecuteOpenDialog(TOpenDialog& dialog) {
  return RunFileDialog(Parent, dialog, QFileDialog::AcceptOpen, dialog.FileMustExist, true, std::string());
}

bool TQtPrompts::ExecutePrintDialog(TPrintDialog& d) {
  if (!d.Printer) return false;
  QPrintDialog dlg(d.Printer, Parent);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
  if (d.AllowPrintToFile) options |= QAbstractPrintDialog::PrintToFile;
  if (d.AllowPageNums) options |= QAbstractPrintDialog::PrintPageRange;
  dlg.setOptions(options);
  dlg.setMinMax(d.MinPage, d.MaxPage);
  dlg.setFromTo(d.FromPage, d.ToPage);
  if (d.PrintRange == TPrintDialog::TPrintRange::PageNums) dlg.setPrintRange(QAbstractPrintDialog::PageRange);
  d.Printer->setCopyCount(d.Copies);
  if (dlg.exec() != QDialog::Accepted) return false;
  d.FromPage = dlg.fromPage();
  d.ToPage = dlg.toPage();
  d.Copies = d.Printer->copyCount();
  d.PrintToFile = !d.Printer->outputFileName().isEmpty();
  switch (dlg.printRange()) {
    case QAbstractPrintDialog::PageRange: d.PrintRange = TPrintDialog::TPrintRange::PageNums; break;
    case QAbstractPrintDialog::Selection: d.PrintRange = TPrintDialog::TPrintRange::Selection; break;
    default: d.PrintRange = TPrintDialog::TPrintRange::AllPages; break;
  }
  return true;
}

bool TQtPrompts::ExecutePrinterSetupDialog(TPrinterSetupDialog& d) {
  if (!d.Printer) return false;
  QPageSetupDialog dlg(d.Printer, Parent);
  return dlg.exec() == QDialog::Accepted;
}
