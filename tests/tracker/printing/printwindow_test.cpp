// "Print" in the running main window, printing to PDF files at 100 dpi on A4.
#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <unistd.h>

#include "clarkebelt.h"
#include "faultinject.h"
#include "log.h"
#include "options.h"
#include "program.h"
#include "satgrid.h"
#include "satmain.h"
#include "satmain_print.h"
#include "sats.h"
#include "toolplot.h"
#include "uitestutil.h"

namespace fs = std::filesystem;

namespace {

// Answers the print dialog with a range (From 0: all pages) and remembers what it was shown.
class TPrintPrompts : public uitest::TScriptedPrompts {
 public:
  bool ExecutePrintDialog(TPrintDialog& d) override {
    const bool pageNums = d.PrintRange == TPrintDialog::TPrintRange::PageNums;
    Shown.push_back({d.Tag, d.MinPage, d.MaxPage, d.FromPage, d.ToPage, pageNums});
    d.PrintRange = From ? TPrintDialog::TPrintRange::PageNums : TPrintDialog::TPrintRange::AllPages;
    d.FromPage = From;
    d.ToPage = To;
    return Accept;
  }
  bool Accept = true;
  int From = 0, To = 0;
  std::vector<std::vector<int>> Shown;
};

// The number after the first `key` of a PDF file, and the numbers after it.
std::vector<double> PdfNumbers(const std::string& pdf, const std::string& key, int count) {
  std::vector<double> v;
  size_t at = pdf.find(key);
  if (at == std::string::npos) return v;
  for (at += key.size(); static_cast<int>(v.size()) < count; ++at) {
    double x = 0;
    const auto [end, ec] = std::from_chars(pdf.data() + at, pdf.data() + pdf.size(), x);
    if (ec == std::errc()) v.push_back(x), at = static_cast<size_t>(end - pdf.data());
    if (at >= pdf.size()) break;
  }
  return v;
}

// The PDF with every Flate stream replaced by its inflated bytes, and other streams left empty.
std::string InflatedPdf(const std::string& pdf) {
  std::string out;
  size_t at = 0;
  while (true) {
    size_t start = pdf.find("stream\n", at);
    while (start != std::string::npos && start >= 3 && pdf.compare(start - 3, 3, "end") == 0)
      start = pdf.find("stream\n", start + 7);
    if (start == std::string::npos) break;
    const size_t data = start + 7;
    const size_t end = pdf.find("endstream", data);
    if (end == std::string::npos) break;
    out.append(pdf, at, data - at);
    // qUncompress takes the expected size first, big-endian; it grows the buffer as needed.
    QByteArray packed(4, '\0');
    const quint32 guess = 16u << 20;
    for (int i = 0; i < 4; ++i) packed[i] = static_cast<char>(guess >> (24 - 8 * i));
    packed.append(pdf.data() + data, static_cast<qsizetype>(end - data));
    // Streams that are not Flate (the pictures' JPEG data) are left out.
    out += qUncompress(packed).toStdString();
    at = end;
  }
  return out + pdf.substr(at);
}

// The matrix {a, b, c, d, e, f} in force at the first image drawn on the page ("Do"), following
// "q", "Q" and "cm" through the content streams; empty when no image is drawn. The image fills the
// unit square of that matrix, its top row at y = 1.
std::vector<double> DrawnImageMatrix(const std::string& pdf) {
  using M = std::vector<double>;
  std::istringstream in(pdf);
  std::vector<double> numbers;
  std::vector<M> saved;
  M ctm{1, 0, 0, 1, 0, 0};
  bool inContent = false;
  for (std::string word; in >> word;) {
    if (word == "stream") {
      inContent = true;
      ctm = {1, 0, 0, 1, 0, 0};
      saved.clear();
    } else if (word == "endstream") {
      inContent = false;
    } else if (!inContent) {
      continue;
    } else if (word == "q") {
      saved.push_back(ctm);
    } else if (word == "Q") {
      if (!saved.empty()) ctm = saved.back(), saved.pop_back();
    } else if (word == "cm" && numbers.size() >= 6) {
      const double* m = numbers.data() + numbers.size() - 6;
      const M c = ctm;
      ctm = {m[0] * c[0] + m[1] * c[2], m[0] * c[1] + m[1] * c[3], m[2] * c[0] + m[3] * c[2],
             m[2] * c[1] + m[3] * c[3], m[4] * c[0] + m[5] * c[2] + c[4], m[4] * c[1] + m[5] * c[3] + c[5]};
    } else if (word == "Do") {
      return ctm;
    } else {
      double x = 0;
      const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), x);
      if (ec == std::errc() && end == word.data() + word.size()) {
        numbers.push_back(x);
        continue;
      }
    }
    numbers.clear();
  }
  return {};
}

double DrawnImageWidth(const std::string& pdf) {
  const std::vector<double> m = DrawnImageMatrix(pdf);
  return m.empty() ? 0 : std::abs(m[0]);
}

// Width and height in pixels of the first image of the file.
std::vector<double> ImagePixels(const std::string& pdf) {
  const size_t image = pdf.find("/Subtype /Image");
  if (image == std::string::npos) return {};
  const size_t dict = pdf.rfind("<<", image);
  const std::string head = pdf.substr(dict, pdf.find(">>", image) - dict);
  std::vector<double> w = PdfNumbers(head, "/Width ", 1), h = PdfNumbers(head, "/Height ", 1);
  if (w.size() != 1 || h.size() != 1) return {};
  return {w[0], h[0]};
}

class PrintWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<uitest::TProgramFolder>();
    out = folder->File("printed");
    fs::create_directories(out);
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    form = program->Start(1, argv);
    form->resize(900, 650);
    form->show();
    QApplication::processEvents();
    const QSignalBlocker block(form->InfoRealTimeCheckBox);
    form->InfoRealTimeCheckBox->setChecked(false);
    form->ClockTimer->stop();
    form->Printer->setOutputFormat(QPrinter::PdfFormat);
    form->Printer->setResolution(100);
    form->Printer->setOutputFileName(QString::fromStdString((out / "print.pdf").string()));
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }
  void Print(int from, int to) {
    prompts.From = from;
    prompts.To = to;
    form->MenuPrintClick(form->MenuPrint);
  }
  std::set<std::string> Printed() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(out)) names.insert(e.path().filename().string());
    return names;
  }
  // Pages, width and height of a printed file; copied for a person to look at.
  std::vector<double> Facts(const std::string& name) const {
    const char* keep = std::getenv("VELMAR_TEST_OUT");
    std::error_code ec;
    if (keep && *keep)
      fs::copy_file(out / name, fs::path(keep) / ("print-test-" + name), fs::copy_options::overwrite_existing, ec);
    const std::string pdf = uitest::ReadFile(out / name);
    const std::vector<double> count = PdfNumbers(pdf, "/Count", 1), box = PdfNumbers(pdf, "/MediaBox", 4);
    if (count.size() != 1 || box.size() != 4) return {};
    return {count[0], box[2] - box[0], box[3] - box[1]};
  }
  // Prints the one page to "page.pdf" and returns the file with its streams inflated.
  std::string PrintedPdf(int page) {
    form->Printer->setOutputFileName(QString::fromStdString((out / "page.pdf").string()));
    Print(page, page);
    return InflatedPdf(uitest::ReadFile(out / "page.pdf"));
  }
  static int LogCount(const std::string& message) {
    int n = 0;
    for (const std::string& line : LogList) n += line.ends_with(message);
    return n;
  }

  TPrintPrompts prompts;
  std::unique_ptr<uitest::TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
  fs::path out;
};

TEST_F(PrintWindowTest, TheDialogOffersTheActivePageWhileTheCommandIsMarked) {
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  prompts.Accept = false;
  Print(3, 3);
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_EQ(prompts.Shown[0], (std::vector<int>{1, 1, 10, 3, 3, 1}));  // tag, min, max, from, to, range
  EXPECT_EQ(form->PrintDialog1.Tag, 0);
  EXPECT_TRUE(Printed().empty());
}

TEST_F(PrintWindowTest, AllPagesPrintsTheFiveViewsEachAsAJobOfItsOwnTheSunDialUpright) {
  // The user's page setup: landscape Letter. Each view takes its own orientation on it.
  form->Printer->setPageSize(QPageSize(QPageSize::Letter));
  form->Printer->setPageOrientation(QPageLayout::Landscape);
  const QPageLayout chosen = form->Printer->pageLayout();
  Print(0, 0);
  EXPECT_EQ(Printed(),
            (std::set<std::string>{"print-3.pdf", "print-4.pdf", "print-5.pdf", "print-6.pdf", "print-7.pdf"}));
  for (int nr = 3; nr <= 7; ++nr) {
    const std::vector<double> pdf = Facts("print-" + std::to_string(nr) + ".pdf");
    ASSERT_EQ(pdf.size(), 3u) << nr;
    EXPECT_EQ(pdf[0], 1) << nr;
    EXPECT_EQ(pdf[1] < pdf[2], nr == 5) << nr;
  }
  // The page setup is as the user left it.
  EXPECT_TRUE(form->Printer->pageLayout().isEquivalentTo(chosen));
  EXPECT_EQ(form->Printer->pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(form->Printer->pageLayout().pageSize().id(), QPageSize::Letter);
  // The Clarke belt was drawn for the landscape sheet between its margins.
  const QSize printed(ClarkeBelt->Canvas().Width(), ClarkeBelt->Canvas().Height());
  const QSize sheet = form->Printer->pageLayout().paintRectPixels(100).size();
  const QSize area(sheet.width() - 2 * (sheet.width() / 20), sheet.height() - 2 * (sheet.height() / 20));
  // At 96 pixels an inch, then scaled onto the sheet.
  EXPECT_NEAR(printed.width(), area.width() * 96.0 / 100, 1);
  EXPECT_NEAR(printed.height(), area.height() * 96.0 / 100, 1);
  // One message names the folder and the files.
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_EQ(prompts.Messages[0].Text, "Printed to the files print-3.pdf, print-4.pdf, print-5.pdf, print-6.pdf, "
                                      "print-7.pdf\rin the folder " + out.string() + "/");
  EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Information);
  EXPECT_EQ(form->Printer->outputFileName().toStdString(), (out / "print.pdf").string());
  EXPECT_EQ(LogCount("Error executing Print Dialog"), 0);
}

TEST_F(PrintWindowTest, TheListTheObstaclePageAndTheToolsPrintCurrentAndStayInFront) {
  const int listed = form->SatListBox->count();
  ASSERT_GT(listed, 5);
  Print(8, 10);
  EXPECT_EQ(Printed(), (std::set<std::string>{"print-8.pdf", "print-9.pdf", "print-10.pdf"}));
  // The list was filled for printing although its page was not shown.
  EXPECT_EQ(form->SatGrid->RowCount(), listed + 1);
  EXPECT_EQ(Facts("print-8.pdf").at(0), 1);
  // The Obstacle page was turned to with its current data and printed upright, with its tabs back.
  EXPECT_EQ(form->MainPageControl->currentWidget(), form->ObstacleTabSheet);
  EXPECT_EQ(form->DishPlotScrollBox->parentWidget(), form->ObstDishPlotPanel);
  EXPECT_FALSE(form->MainPageControl->tabBar()->isHidden());
  EXPECT_LT(Facts("print-9.pdf").at(1), Facts("print-9.pdf").at(2));
  EXPECT_GT(Facts("print-10.pdf").at(1), Facts("print-10.pdf").at(2));
  EXPECT_GT(ToolPlot->Picture().width(), ToolPlot->Picture().height());

  // A sheet of 4 x 6 cm without page margins holds at most 16 lines: 15 satellites a page.
  form->Printer->setPageSize(QPageSize(QSizeF(40, 60), QPageSize::Millimeter));
  form->Printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  Print(8, 8);
  EXPECT_GE(Facts("print.pdf").at(0), (listed + 14) / 15);
  EXPECT_EQ(LogCount("Error executing Print Dialog"), 0);
}

TEST_F(PrintWindowTest, PrintingTheWindowPagesLeavesARunningSimulationRunning) {
  const struct {
    QWidget* shown;
    int from, to;
  } cases[] = {{form->SatInfoTabSheet, 1, 2}, {form->SatInfoTabSheet, 9, 9}, {form->LocationTabSheet, 2, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    form->MainPageControl->setCurrentWidget(c.shown);
    QApplication::processEvents();
    QTest::mouseClick(form->InfoTimerButton, Qt::LeftButton);
    ASSERT_TRUE(form->InfoTimerButton->isChecked());
    ASSERT_TRUE(form->ClockTimer->isActive());
    Print(c.from, c.to);
    EXPECT_EQ(form->MainPageControl->currentIndex(), c.to - 1);
    EXPECT_TRUE(form->InfoTimerButton->isChecked());
    EXPECT_TRUE(form->ObstTimerButton->isChecked());
    EXPECT_TRUE(form->ClockTimer->isActive());
    QTest::mouseClick(form->InfoTimerButton, Qt::LeftButton);  // stopped again
    ASSERT_FALSE(form->ClockTimer->isActive());
  }
  EXPECT_EQ(LogCount("Error executing Print Dialog"), 0);
}

TEST_F(PrintWindowTest, TheClarkeBeltPrintsItsLabelsInThePrintFontAtItsPointSizeOnPaper) {
  // A coarse printer, a fine one, and the PDF writer's own resolution: the pictures used to be
  // drawn at it, fonts and all; on a coarse printer the fonts came out a third too large.
  for (const int dpi : {72, 600, 1200}) {
    SCOPED_TRACE(dpi);
    form->Printer->setResolution(dpi);
    // The labels' font in the picture's pixels, and the picture's width on paper in points (the
    // matrix it is drawn with).
    std::vector<TTextCall> labels;
    ClarkeBelt->Canvas().SetTextRecorder(&labels);
    const std::string pdf = PrintedPdf(3);
    ClarkeBelt->Canvas().SetTextRecorder(nullptr);
    ASSERT_FALSE(labels.empty());
    const double onPaper = DrawnImageWidth(pdf);
    // Landscape A4 less the printer's and the program's margins: between 700 and 842 pt.
    EXPECT_GT(onPaper, 700);
    EXPECT_LT(onPaper, 842);
    EXPECT_EQ(ClarkeBelt->ViewFont.Size(), Options->PrintFont.Size);
    const QFont font = ClarkeBelt->ViewFont.ToQFont();
    const QFontMetricsF metrics(font);
    const double pointsPerPixel = onPaper / ClarkeBelt->Canvas().Width();
    EXPECT_NEAR(font.pixelSize() * pointsPerPixel, Options->PrintFont.Size, 0.3);
    // Capital letters at least 1.5 mm tall (they were 0.85 mm).
    EXPECT_GE(metrics.capHeight() * pointsPerPixel * 25.4 / 72, 1.5);
    // Drawn in at least 300 dots an inch.
    const std::vector<double> pixels = ImagePixels(pdf);
    ASSERT_EQ(pixels.size(), 2u);
    EXPECT_GE(pixels[0] / (onPaper / 72), 299);
  }
}

// Printing to a file on a full disk (a child process under a file-size limit), the disk full
// halfway or only at the document's last byte: the file printed before stays byte for byte, and
// the failure is shown instead of "Printed to the file".
TEST_F(PrintWindowTest, AFullDiskLeavesTheOldFileAndShowsTheFailure) {
  const fs::path file = out / "full.pdf";
  form->Printer->setOutputFileName(QString::fromStdString(file.string()));
  Print(3, 3);
  const std::string old = uitest::ReadFile(file);
  ASSERT_TRUE(IsCompletePdf(old));
  for (const size_t limit : {old.size() / 2, old.size() - 1}) {
    prompts.Messages.clear();
    const auto r = faultinject::RunInChild(
        [&] {
          Print(3, 3);
          return prompts.Messages.size() == 1 && prompts.Messages[0].Type == TMsgDlgType::Error &&
                 prompts.Messages[0].Text.starts_with("Printing stopped: ");
        },
        limit);
    EXPECT_EQ(r, faultinject::TChildResult::Succeeded) << limit;
    EXPECT_EQ(uitest::ReadFile(file), old) << limit;
  }
  EXPECT_EQ(Printed(), std::set<std::string>{"full.pdf"});
  // A document cut anywhere, or with a piece lost in the middle, is told from a whole one.
  for (size_t cut : {old.size() / 2, old.size() - 8, old.size() - 2, old.size() - 1})
    EXPECT_FALSE(IsCompletePdf(old.substr(0, cut))) << cut;
  const size_t xref = old.rfind("\nxref");
  ASSERT_NE(xref, std::string::npos);
  EXPECT_FALSE(IsCompletePdf(old.substr(0, xref / 2) + old.substr(xref / 2 + 64)));
}

// The five views and the tool plot on paper: drawn in the printer's detail (at least 300 dots an
// inch), placed with one scale across and down inside the printable area, a proportional view's
// horizon round, and every label, satellite names included, whole and at least 6 points tall.
TEST_F(PrintWindowTest, ViewsAndTheToolPlotPrintTrueToShapeSharpAndWhole) {
  form->MainPageControl->setCurrentWidget(form->ToolsTabSheet);  // fills the tool satellites
  // The belt in both layouts on A4 and Letter, coarse and fine printers, then the maps, the sun
  // dial and the tool plot.
  const struct {
    int page;
    bool proportional;
    QPageSize::PageSizeId paper;
    int dpi;
  } cases[] = {{3, false, QPageSize::A4, 100},    {3, true, QPageSize::A4, 100},  {3, false, QPageSize::Letter, 72},
               {3, true, QPageSize::Letter, 600}, {3, true, QPageSize::A4, 1200}, {4, true, QPageSize::A4, 100},
               {5, true, QPageSize::A4, 100},     {6, true, QPageSize::A4, 100},  {7, true, QPageSize::A4, 100},
               {10, true, QPageSize::A4, 100}};
  for (const auto& [page, proportional, paper, dpi] : cases) {
    SCOPED_TRACE(std::to_string(page) + (proportional ? " proportional " : " ") + std::to_string(dpi) + " dpi");
    form->MenuViewProportional->setChecked(proportional);
    form->Printer->setPageSize(QPageSize(paper));
    form->Printer->setResolution(dpi);
    TClarkeBelt* view = form->ViewOfPage(form->MainPageControl->widget(page - 1));
    ASSERT_EQ(view == nullptr, page == 10);
    TCanvas& canvas = view ? view->Canvas() : ToolPlot->Canvas();
    std::vector<TTextCall> labels;
    canvas.SetTextRecorder(&labels);
    const std::string pdf = PrintedPdf(page);
    canvas.SetTextRecorder(nullptr);
    const std::vector<double> m = DrawnImageMatrix(pdf), pixels = ImagePixels(pdf);
    ASSERT_EQ(m.size(), 6u);
    ASSERT_EQ(pixels.size(), 2u);
    EXPECT_EQ(m[1], 0);
    EXPECT_EQ(m[2], 0);
    // Points on paper per pixel of the picture, across and down; and its dots an inch.
    const double across = std::abs(m[0]) / pixels[0], down = std::abs(m[3]) / pixels[1];
    EXPECT_NEAR(across / down, 1, 0.01);
    EXPECT_GE(72 / across, 299);
    // The horizon of the maps and the sun dial, the sun and moon discs of the belt: the view's
    // scales across and down, in drawn pixels, times the picture's on paper.
    if (view && proportional) {
      EXPECT_NEAR(view->ScaleX * across / (view->ScaleY * down), 1, 0.01);
    }

    // The picture inside the printable area (points, y up), and each label's cell, turned as
    // drawn, inside the picture.
    const std::vector<double> box = PdfNumbers(pdf, "/MediaBox", 4);
    ASSERT_EQ(box.size(), 4u);
    QPageLayout layout = form->Printer->pageLayout();
    layout.setOrientation(box[2] > box[3] ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QRectF area = layout.paintRect(QPageLayout::Point);
    const QRectF placed(m[4] + std::min(0.0, m[0]), box[3] - m[5] - std::max(0.0, m[3]), std::abs(m[0]),
                        std::abs(m[3]));
    EXPECT_TRUE(area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(placed)) << placed.x() << ", " << placed.y();
    const double perDrawn = std::abs(m[0]) / canvas.Width();  // points per drawn pixel
    ASSERT_FALSE(labels.empty());
    std::vector<std::pair<QRectF, std::string>> cells;
    double highestName = canvas.Height();  // the top of the highest satellite name
    for (const TTextCall& t : labels) {
      if (t.Text.empty()) continue;
      EXPECT_GE(t.Height * perDrawn, 6.0) << t.Text;
      // Satellite names follow their leader lines, over the grid.
      const bool name =
          !form->SatListBox->findItems(QString::fromLatin1(t.Text.c_str()), Qt::MatchFixedString).isEmpty();
      const double turn = -t.Escapement / 10.0 * M_PI / 180;
      double left = t.X, top = t.Y, right = t.X, bottom = t.Y;
      for (const auto& [u, v] : {std::pair{0, 0}, {t.Width, 0}, {0, t.Height}, {t.Width, t.Height}}) {
        const double x = t.X + u * std::cos(turn) - v * std::sin(turn);
        const double y = t.Y + u * std::sin(turn) + v * std::cos(turn);
        EXPECT_TRUE(x > -0.5 && x < canvas.Width() + 0.5 && y > -0.5 && y < canvas.Height() + 0.5)
            << "\"" << t.Text << "\" at " << x << ", " << y << " of " << canvas.Width() << " x " << canvas.Height();
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
      const QRectF cell(QPointF(left, top), QPointF(right, bottom));
      if (name) {
        highestName = std::min(highestName, top);
        continue;
      }
      // On the belt no label covers another (the upright caption covered the top degrees).
      for (const auto& [other, text] : cells)
        EXPECT_FALSE(page == 3 && cell.intersected(other).width() > 1 && cell.intersected(other).height() > 1)
            << "\"" << t.Text << "\" over \"" << text << "\"";
      cells.emplace_back(cell, t.Text);
    }
    // The belt's names reach above the top of its arc, where they were cut.
    if (page == 3) {
      EXPECT_LT(highestName, view->OriginY - view->RangeY * view->ScaleY);
    }
  }
}

TEST_F(PrintWindowTest, APrinterErrorEndsTheCommandAndIsShown) {
  form->Printer->setPageOrientation(QPageLayout::Landscape);
  const std::string missing = (out / "no such folder" / "print.pdf").string();
  form->Printer->setOutputFileName(QString::fromStdString(missing));
  Print(3, 5);
  EXPECT_EQ(LogCount("Error executing Print Dialog"), 1);
  EXPECT_TRUE(Printed().empty());
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_TRUE(prompts.Messages[0].Text.starts_with("Printing stopped: ")) << prompts.Messages[0].Text;
  EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(form->PrintDialog1.Tag, 0);
  EXPECT_EQ(form->Printer->pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(form->Printer->outputFileName().toStdString(), missing);
}

}  // namespace
