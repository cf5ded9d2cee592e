// Printing: each chosen page of the main window is a print job of its own.
#include "satmain_print.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QLayout>
#include <QPrinter>
#include <QSignalBlocker>
#include <QScrollArea>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "canvas.h"
#include "clarkebelt.h"
#include "fileio.h"
#include "log.h"
#include "options.h"
#include "qtext.h"
#include "satgrid.h"
#include "satmain.h"
#include "sats.h"
#include "sundial.h"
#include "toolplot.h"

namespace {

// The view pages printed by the all-pages choice.
constexpr int kFirstViewPage = 3;
constexpr int kLastViewPage = 7;
const char* const kDataJobTitle = "Skyrill data";
const char* const kToolsJobTitle = "Ludicrous Data";
constexpr int kSatListFontPoints = 8;
// The least column width, and the room around a cell's text.
constexpr int kColumnPad = 20;
constexpr int kCellCut = 5;
constexpr int kTextDX = 10;
constexpr int kTextDY = 2;

}  // namespace

// ---- layout ------------------------------------------------------------------------------------

TPrintTable LayoutPrintTable(const std::vector<std::vector<std::string>>& rows, int pageWidth, int pageHeight,
                             int rowHeight, const std::function<int(const std::string&)>& textWidth) {
  TPrintTable t;
  t.MarginX = PrintMarginX(pageWidth);
  t.MarginY = PrintMarginY(pageHeight);
  // Every row moves the line on, so the pages always come to an end.
  t.RowHeight = std::max(1, rowHeight);

  size_t cols = 0;
  for (const auto& row : rows) cols = std::max(cols, row.size());
  static const std::string kEmpty;
  const auto cell = [&](size_t r, size_t c) -> const std::string& { return c < rows[r].size() ? rows[r][c] : kEmpty; };

  t.Widths.assign(cols, kColumnPad);
  for (size_t c = 0; c < cols; ++c)
    for (size_t r = 0; r < rows.size(); ++r) t.Widths[c] = std::max(t.Widths[c], kColumnPad + textWidth(cell(r, c)));

  // Columns are dropped from the right until the table fits between the margins.
  std::int64_t sum = 0;
  for (int w : t.Widths) sum += w;
  int colCount = static_cast<int>(cols);
  const std::int64_t room = static_cast<std::int64_t>(pageWidth) - 2 * t.MarginX;
  while (sum > room && colCount >= 1) {
    --colCount;
    sum -= t.Widths[static_cast<size_t>(colCount)];
  }
  t.ColCount = colCount;

  TPrintSheet page;
  int y = t.MarginY;
  const auto drawGridLines = [&] {
    int x = t.MarginX;
    for (int c = 0; c <= colCount; ++c) {
      page.Lines.push_back({x, t.MarginY, x, y});
      if (c < colCount) x += t.Widths[static_cast<size_t>(c)];
    }
    for (int ly = t.MarginY; ly <= y; ly += t.RowHeight) page.Lines.push_back({t.MarginX, ly, x, ly});
  };
  const auto printRow = [&](size_t r) {
    int x = t.MarginX;
    for (int c = 0; c < colCount; ++c) {
      const int width = t.Widths[static_cast<size_t>(c)];
      std::string text = cell(r, static_cast<size_t>(c));
      while (!text.empty() && textWidth(text) > width - kCellCut) text.pop_back();
      if (!text.empty()) page.Texts.push_back({x + kTextDX, y + kTextDY, std::move(text)});
      x += width;
    }
    y += t.RowHeight;
  };

  for (size_t r = 0; r < rows.size(); ++r) {
    // A row that would pass the bottom margin goes to a new page, under the column names. A page
    // that holds no satellite yet takes the row all the same (a sheet too small for two rows),
    // so no page is printed empty or with the column names alone.
    if (y > pageHeight - t.MarginY - t.RowHeight && y > t.MarginY + t.RowHeight) {
      drawGridLines();
      t.Pages.push_back(std::move(page));
      page = TPrintSheet();
      y = t.MarginY;
      printRow(0);
    }
    printRow(r);
  }
  drawGridLines();
  t.Pages.push_back(std::move(page));
  return t;
}

std::string PrintJobFileName(const std::string& chosen, int pageNr, bool severalPages) {
  if (!severalPages) return chosen;
  const std::string suffix = "-" + std::to_string(pageNr);
  const size_t nameStart = chosen.find_last_of('/') == std::string::npos ? 0 : chosen.find_last_of('/') + 1;
  const size_t dot = chosen.rfind('.');
  // A name without an extension (or one that is only an extension, ".pdf") takes the number at
  // its end.
  if (dot == std::string::npos || dot <= nameStart) return chosen + suffix;
  return chosen.substr(0, dot) + suffix + chosen.substr(dot);
}

QSize PictureSizeForPrinter(QSize area, int printerDpi) {
  if (printerDpi < 1) return area;
  const auto scaled = [printerDpi](int pixels) {
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(pixels) * kPictureDpi / printerDpi)));
  };
  return QSize(scaled(area.width()), scaled(area.height()));
}

double PictureScaleForPrinter(int printerDpi) {
  return std::clamp(printerDpi, 300, 600) / static_cast<double>(kPictureDpi);
}

std::string PrintedFilesText(const std::vector<std::string>& files) {
  std::string text = files.size() == 1 ? "Printed to the file " : "Printed to the files ";
  std::string folder;
  if (!files.empty()) {
    const size_t slash = files.front().find_last_of('/');
    folder = slash == std::string::npos ? std::string() : files.front().substr(0, slash + 1);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    // Names in the folder of the first file go without it.
    const std::string& f = files[i];
    const bool inFolder = !folder.empty() && f.compare(0, folder.size(), folder) == 0 &&
                          f.find('/', folder.size()) == std::string::npos;
    text += (i > 0 ? ", " : "") + (inFolder ? f.substr(folder.size()) : f);
  }
  if (!folder.empty()) text += "\rin the folder " + folder;
  return text;
}

std::string DefaultPrintFileName() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::tempPath();
  return PathStr(QDir(folder).filePath("Skyrill.pdf"));
}

namespace {

// The number of digits at `at` (at most `most`), read into `value`.
std::size_t ReadNumber(std::string_view text, std::size_t at, std::size_t most, std::size_t& value) {
  std::size_t n = 0;
  value = 0;
  while (at + n < text.size() && n < most && text[at + n] >= '0' && text[at + n] <= '9')
    value = value * 10 + static_cast<std::size_t>(text[at + n++] - '0');
  return n;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\r' || text[at] == '\n')) ++at;
  return at;
}

// Every object the cross-reference section at `at` lists as in use begins where it says.
bool ObjectsWhereListed(std::string_view pdf, std::size_t at, std::size_t end) {
  std::size_t i = SkipBlanks(pdf, at + 4);
  while (i < end && pdf.compare(i, 7, "trailer") != 0) {
    std::size_t first = 0, count = 0;
    std::size_t n = ReadNumber(pdf, i, 10, first);
    if (n == 0 || i + n >= end || pdf[i + n] != ' ') return false;
    i += n + 1;
    n = ReadNumber(pdf, i, 10, count);
    if (n == 0) return false;
    i = SkipBlanks(pdf, i + n);
    for (std::size_t k = 0; k < count; ++k) {
      // "oooooooooo ggggg n" and a line end of two characters: 20 bytes an entry.
      std::size_t offset = 0, generation = 0;
      if (i + 20 > end || ReadNumber(pdf, i, 10, offset) != 10 || ReadNumber(pdf, i + 11, 5, generation) != 5)
        return false;
      if (pdf[i + 17] == 'n') {
        const std::string head = std::to_string(first + k) + " " + std::to_string(generation) + " obj";
        if (offset >= at || pdf.compare(offset, head.size(), head) != 0) return false;
      } else if (pdf[i + 17] != 'f') {
        return false;
      }
      i += 20;
    }
    i = SkipBlanks(pdf, i);
  }
  return i < end;
}

}  // namespace

bool IsCompletePdf(std::string_view pdf) {
  if (pdf.substr(0, 5) != "%PDF-") return false;
  // The document's last line is "%%EOF" with its line end: the writer's last write is whole.
  std::size_t end = pdf.size();
  if (end > 0 && pdf[end - 1] == '\n') --end;
  if (end > 0 && pdf[end - 1] == '\r') --end;
  if (end == pdf.size() || end < 5 || pdf.substr(end - 5, 5) != "%%EOF") return false;
  // "startxref", the offset of the cross-reference section, "%%EOF": the offset must point at it,
  // and each object it lists must begin where it says, so a write lost on the way shows too.
  const std::size_t at = pdf.rfind("startxref", end);
  if (at == std::string_view::npos) return false;
  std::size_t offset = 0;
  const std::size_t digits = SkipBlanks(pdf, at + 9);
  if (ReadNumber(pdf, digits, 12, offset) == 0 || offset >= at) return false;
  if (pdf.substr(offset, 4) == "xref") return ObjectsWhereListed(pdf, offset, at);
  // A cross-reference stream: an object "<number> <generation> obj".
  std::size_t number = 0, generation = 0;
  std::size_t i = offset, n = ReadNumber(pdf, i, 10, number);
  if (n == 0 || pdf.substr(i + n, 1) != " ") return false;
  i += n + 1;
  n = ReadNumber(pdf, i, 5, generation);
  return n > 0 && pdf.substr(i + n, 4) == " obj";
}

// ---- printing ----------------------------------------------------------------------------------

namespace {

// A print job to a file is printed into a spool folder first; only a complete document replaces
// the chosen file, through the one safe way of replacing a user's file.
class TPrintSpool {
 public:
  TPrintSpool() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder to print into");
  }
  QString JobFile() const { return dir_.filePath("job.pdf"); }
  void Commit(const std::string& target) {
    QFile job(JobFile());
    if (!job.open(QIODevice::ReadOnly)) throw std::runtime_error("the printed document is missing");
    const QByteArray bytes = job.readAll();
    job.close();
    QFile::remove(JobFile());
    const std::string_view pdf(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!IsCompletePdf(pdf)) throw std::runtime_error("the document for " + target + " could not be written completely");
    std::string why;
    if (!fileio::ReplaceFile(target, pdf, &why)) throw std::runtime_error("unable to write " + target + ": " + why);
  }

 private:
  QTemporaryDir dir_;
};

// One print job on the printer: the document begins on construction and ends with Finish; a job
// left by an exception is aborted.
class TPrintJob {
 public:
  explicit TPrintJob(QPrinter& printer) : printer_(printer) {
    if (!painter_.begin(&printer_))
      throw std::runtime_error("the printer did not start the document \"" + AnsiStr(printer_.docName()) + "\"");
  }
  ~TPrintJob() {
    if (painter_.isActive()) {
      printer_.abort();
      painter_.end();
    }
  }
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  QPainter& Painter() { return painter_; }
  void NewPage() {
    if (!printer_.newPage()) throw std::runtime_error("the printer did not start a new page");
  }
  void Finish() {
    if (!painter_.end()) throw std::runtime_error("the printer did not finish the document");
  }

 private:
  QPrinter& printer_;
  QPainter painter_;
};

// The printable area of the printer's page in printer pixels, in its current orientation.
QSize SheetSize(const QPrinter& printer) {
  const QSize size = printer.pageLayout().paintRectPixels(printer.resolution()).size();
  if (size.width() < 1 || size.height() < 1) throw std::runtime_error("the printer reports no printable area");
  return size;
}

QPrinter& FormPrinter(TSatForm& form) {
  if (!form.Printer) throw std::runtime_error("no printer");
  return *form.Printer;
}

// An image of the window's pages, without the row of tabs.
QImage CaptureWindow(TSatForm& form) {
  QTabWidget* pages = form.MainPageControl;
  QTabBar* tabs = pages->tabBar();
  const auto relayout = [pages] {
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(pages, &request);
  };
  struct TTabsBack {
    QTabBar* Tabs;
    std::function<void()> Relayout;
    bool WasHidden;
    ~TTabsBack() {
      Tabs->setHidden(WasHidden);
      Relayout();
    }
  } back{tabs, relayout, tabs->isHidden()};
  tabs->hide();
  relayout();
  return pages->grab().toImage();
}

// Prints the page as an image of the window, scaled to fit the sheet. The page is turned to
// first when it is not showing, without the page-change handler (which would stop a running
// simulation), and shows the current data; it stays the active page.
void PrintWindowPage(TSatForm& form, QWidget* page) {
  QPrinter& printer = FormPrinter(form);
  printer.setDocName(kDataJobTitle);
  if (form.MainPageControl->currentWidget() != page) {
    {
      const QSignalBlocker block(form.MainPageControl);
      form.MainPageControl->setCurrentWidget(page);
    }
    if (page == form.SatInfoTabSheet || page == form.ObstacleTabSheet) {
      QWidget* dishParent = page == form.SatInfoTabSheet ? form.DishTabSheet : form.ObstDishPlotPanel;
      if (form.DishPlotScrollBox->parentWidget() != dishParent) dishParent->layout()->addWidget(form.DishPlotScrollBox);
      form.SatListBoxClick(page);
    } else if (page == form.LocationTabSheet) {
      form.ShowLocationInfo();
    }
  }
  const QImage image = CaptureWindow(form);
  const QSize sheet = SheetSize(printer);
  TPrintJob job(printer);
  if (!image.isNull()) {
    const QSize target = image.size().scaled(sheet, Qt::KeepAspectRatio);
    job.Painter().setRenderHint(QPainter::SmoothPixmapTransform);
    job.Painter().drawImage(QRect(QPoint(0, 0), target), image);
  }
  job.Finish();
}

// Prints a view (portrait for the sun dial, landscape for the others) or the tool plot
// (landscape), redrawn at the size of the sheet between its margins.
void PrintPicturePage(TSatForm& form, QWidget* page) {
  QPrinter& printer = FormPrinter(form);
  TClarkeBelt* view = form.ViewOfPage(page);
  const bool portrait = view && dynamic_cast<TSunDial*>(view);
  // The user's page setup (orientation, paper, margins) comes back, also when the page fails.
  struct TLayoutBack {
    QPrinter& Printer;
    QPageLayout Found;
    ~TLayoutBack() { Printer.setPageLayout(Found); }
  } layoutBack{printer, printer.pageLayout()};
  printer.setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
  const QSize sheet = SheetSize(printer);
  const int marginX = PrintMarginX(sheet.width());
  const int marginY = PrintMarginY(sheet.height());
  const int width = sheet.width() - 2 * marginX;
  const int height = sheet.height() - 2 * marginY;
  // The pictures take their fonts' points at 96 pixels an inch and draw lines a pixel wide: laid
  // out at that resolution and placed on the sheet at the printer's (finer or coarser), the print
  // font comes out at its point size on paper and every line stays visible. They are drawn in at
  // least 300 dots an inch, so lines and letters come out sharp.
  const QSize drawn = PictureSizeForPrinter(QSize(width, height), printer.resolution());
  if (!view && !ToolPlot) throw std::runtime_error("no tool plot");
  TCanvas& canvas = view ? view->Canvas() : ToolPlot->Canvas();
  struct TScaleBack {
    TCanvas& Canvas;
    ~TScaleBack() { Canvas.SetScale(1); }
  } scaleBack{canvas};
  canvas.SetScale(PictureScaleForPrinter(printer.resolution()));
  const QImage* picture = nullptr;
  if (view) {
    printer.setDocName(QStr(view->Title));
    form.DrawView(view, drawn.width(), drawn.height(), true);
    picture = &view->Picture();
  } else {
    printer.setDocName(kToolsJobTitle);
    picture = &form.DrawToolsAtSize(drawn.width(), drawn.height());
  }
  // One scale across and down: a view laid out in proportion (a round horizon) keeps the size it
  // chose, smaller than the area one way, and stays in proportion on paper.
  const double perPixel = std::min(static_cast<double>(width) / drawn.width(),
                                   static_cast<double>(height) / drawn.height());
  const QRectF target(marginX, marginY, canvas.Width() * perPixel, canvas.Height() * perPixel);
  TPrintJob job(printer);
  job.Painter().setRenderHint(QPainter::SmoothPixmapTransform);
  job.Painter().drawImage(target, *picture);
  job.Finish();
}

}  // namespace

void TSatForm::MenuPrintClick(QObject* Sender) {
  // The mark stays while the command runs, whatever ends it: the Tools page then leaves the
  // tool plot's size and font to printing.
  struct TCommandEnd {
    TSatForm& Form;
    QString ChosenFile;
    ~TCommandEnd() {
      Form.PrintDialog1.Tag = 0;
      if (Form.Printer) Form.Printer->setOutputFileName(ChosenFile);
    }
  } end{*this, Printer ? Printer->outputFileName() : QString()};
  PrintDialog1.Tag = 1;
  std::vector<std::string> written;  // the files printed to
  std::string failure;
  try {
    const int activePage = MainPageControl->currentIndex() + 1;
    PrintDialog1.FromPage = activePage;
    PrintDialog1.ToPage = activePage;
    PrintDialog1.MinPage = 1;
    PrintDialog1.MaxPage = MainPageControl->count();
    PrintDialog1.PrintRange = TPrintDialog::TPrintRange::PageNums;
    if (!PrintDialog1.Execute()) return;
    int from = kFirstViewPage, to = kLastViewPage;
    if (PrintDialog1.PrintRange != TPrintDialog::TPrintRange::AllPages) {
      // Only pages the window has.
      from = std::clamp(PrintDialog1.FromPage, 1, MainPageControl->count());
      to = std::clamp(PrintDialog1.ToPage, 1, MainPageControl->count());
    }
    QPrinter& printer = FormPrinter(*this);
    // Printing to files: each page gets a file of its own.
    end.ChosenFile = printer.outputFileName();
    const bool toFile = !end.ChosenFile.isEmpty() || printer.outputFormat() == QPrinter::PdfFormat;
    const std::string chosen = end.ChosenFile.isEmpty() ? DefaultPrintFileName() : PathStr(end.ChosenFile);
    std::unique_ptr<TPrintSpool> spool;
    if (toFile) spool = std::make_unique<TPrintSpool>();
    for (int nr = from; nr <= to; ++nr) {
      std::string file;
      if (toFile) {
        file = PrintJobFileName(chosen, nr, to > from);
        printer.setOutputFileName(spool->JobFile());
      }
      QWidget* page = MainPageControl->widget(nr - 1);
      if (page == SatListTabSheet) {
        printer.setDocName(kDataJobTitle);
        // The list as it is now; the grid is filled only while its page is shown.
        if (MainPageControl->currentWidget() != SatListTabSheet && Sats) FillSatGrid(Sats->GetSatNames());
        PrintSatList();
      } else if (page == ToolsTabSheet || ViewOfPage(page)) {
        PrintPicturePage(*this, page);
      } else {
        PrintWindowPage(*this, page);
      }
      if (toFile) {
        spool->Commit(file);
        WriteLog("Printed page " + std::to_string(nr) + " to " + file);
        written.push_back(file);
      }
    }
  } catch (const std::exception& e) {
    WriteLog("Error executing Print Dialog");
    WriteLog(std::string("Printing stopped: ") + e.what());
    failure = e.what();
  } catch (...) {
    WriteLog("Error executing Print Dialog");
    failure = "unknown error";
  }
  // The paths are the file system's bytes; the message shows them as characters. A failure is
  // shown as such, with the pages printed before it.
  if (!failure.empty()) {
    std::string text = "Printing stopped: " + failure;
    if (!written.empty()) text += "\r" + PrintedFilesText(written);
    MessageDlg(AnsiStr(QPath(text)), TMsgDlgType::Error, mbOK);
  } else if (!written.empty()) {
    MessageDlg(AnsiStr(QPath(PrintedFilesText(written))), TMsgDlgType::Information, mbOK);
  }
}

void TSatForm::PrintSatList() {
  QPrinter& printer = FormPrinter(*this);
  if (!SatGrid) throw std::runtime_error("no satellite list");
  const QSize sheet = SheetSize(printer);
  TPrintJob job(printer);
  QPainter& painter = job.Painter();

  const TFontSpec printFont = Options ? Options->PrintFont : TFontSpec();
  // A system colour (high bit set) is the window-text colour.
  const QColor textColor =
      printFont.Color < 0 ? QColor(Qt::black) : ColorFromToolkit(static_cast<std::uint32_t>(printFont.Color));
  QFont font(QStr(printFont.Name));
  font.setPointSize(kSatListFontPoints);
  font.setBold(printFont.Bold);
  font.setItalic(printFont.Italic);
  painter.setFont(font);
  const QFontMetrics metrics = painter.fontMetrics();

  std::vector<std::vector<std::string>> rows(static_cast<size_t>(SatGrid->RowCount()));
  for (int r = 0; r < SatGrid->RowCount(); ++r)
    for (int c = 0; c < SatGrid->ColCount(); ++c) rows[static_cast<size_t>(r)].push_back(SatGrid->Cells(c, r));
  const TPrintTable table =
      LayoutPrintTable(rows, sheet.width(), sheet.height(), metrics.height() + 5,
                       [&metrics](const std::string& text) { return metrics.horizontalAdvance(QStr(text)); });

  const QPen textPen(textColor);
  const QPen linePen(Qt::black, 1);
  for (size_t p = 0; p < table.Pages.size(); ++p) {
    if (p > 0) job.NewPage();
    const TPrintSheet& page = table.Pages[p];
    painter.setPen(textPen);
    for (const TPrintText& t : page.Texts) painter.drawText(t.X, t.Y + metrics.ascent(), QStr(t.Text));
    painter.setPen(linePen);
    for (const TPrintLine& l : page.Lines) painter.drawLine(l.X1, l.Y1, l.X2, l.Y2);
  }
  job.Finish();
}
