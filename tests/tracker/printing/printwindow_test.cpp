// "Print" in the running main window, printing to PDF files at 100 dpi on A4.
#include <QApplication>
#include <QCheckBox>
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
#include <cstdlib>
#include <set>
#include <unistd.h>

#include "clarkebelt.h"
#include "log.h"
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
  Print(0, 0);
  EXPECT_EQ(Printed(),
            (std::set<std::string>{"print-3.pdf", "print-4.pdf", "print-5.pdf", "print-6.pdf", "print-7.pdf"}));
  for (int nr = 3; nr <= 7; ++nr) {
    const std::vector<double> pdf = Facts("print-" + std::to_string(nr) + ".pdf");
    ASSERT_EQ(pdf.size(), 3u) << nr;
    EXPECT_EQ(pdf[0], 1) << nr;
    EXPECT_EQ(pdf[1] < pdf[2], nr == 5) << nr;
  }
  EXPECT_EQ(form->Printer->pageLayout().orientation(), QPageLayout::Portrait);
  // The Clarke belt was drawn for the landscape sheet between its margins.
  const QSize printed = ClarkeBelt->Picture().size();
  form->Printer->setPageOrientation(QPageLayout::Landscape);
  const QSize sheet = form->Printer->pageLayout().paintRectPixels(100).size();
  form->Printer->setPageOrientation(QPageLayout::Portrait);
  EXPECT_EQ(printed, QSize(sheet.width() - 2 * (sheet.width() / 20), sheet.height() - 2 * (sheet.height() / 20)));
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

TEST_F(PrintWindowTest, APrinterErrorEndsTheCommandAndIsOnlyLogged) {
  const std::string missing = (out / "no such folder" / "print.pdf").string();
  form->Printer->setOutputFileName(QString::fromStdString(missing));
  Print(3, 5);
  EXPECT_EQ(LogCount("Error executing Print Dialog"), 1);
  EXPECT_TRUE(Printed().empty());
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_EQ(form->PrintDialog1.Tag, 0);
  EXPECT_EQ(form->Printer->pageLayout().orientation(), QPageLayout::Portrait);
  EXPECT_EQ(form->Printer->outputFileName().toStdString(), missing);
}

}  // namespace
