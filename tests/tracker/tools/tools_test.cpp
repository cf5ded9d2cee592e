// The Tools page: the satellite boxes filled on the page switch, the templates of the two
// satellites or the degree square, redraws on resizes outside printing, and the keyboard steps
// to the next or previous satellite.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>

#include <set>

#include "format.h"
#include "imagewidget.h"
#include "options.h"
#include "satmain.h"
#include "satmain_tools.h"
#include "sats.h"
#include "toolplot.h"
#include "toolstestutil.h"

using namespace toolstest;

namespace {

// 12 October 2026, 10:46 UTC, as the other window tests use.
TDateTime TestTime() { return EncodeDate(2026, 10, 12) + EncodeTime(10, 46, 0, 0); }

TEST(SpinEditValueTest, ATextThatIsNotAnIntegerGivesTheMinimum) {
  const struct {
    const char* text;
    int min, max, expected;
  } cases[] = {
      {"15", 0, 90, 15},   {" 20 ", 0, 90, 20}, {"+5", 0, 90, 5},     {"abc", 0, 90, 0},  {"", 1, 5, 1},
      {"3.5", 1, 5, 1},    {"2a", 1, 5, 1},     {"95", 0, 90, 90},    {"-5", 0, 90, 0},   {"7", 1, 5, 5},
      {"99999999999", 1, 5, 1}, {"- 3", 0, 90, 0}, {"0x10", 0, 90, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SpinEditValue(QString(c.text), c.min, c.max), c.expected);
  }
}

class ToolsPageTest : public ToolsTest {
 protected:
  void StartOnTools() {
    Start();
    FreezeAt(TestTime());
    ShowPage(form->ToolsTabSheet);
  }
  // The texts of the next drawing of the tool plot.
  std::vector<TTextCall> Redraw() {
    std::vector<TTextCall> texts;
    ToolPlot->Canvas().SetTextRecorder(&texts);
    form->DrawTools();
    ToolPlot->Canvas().SetTextRecorder(nullptr);
    return texts;
  }
  static int NameLabels(const std::vector<TTextCall>& texts, const std::string& name) {
    int n = 0;
    for (const TTextCall& t : texts) n += t.Text.rfind(name + "  (Azi ", 0) == 0;
    return n;
  }
};

TEST_F(ToolsPageTest, TurningToThePageKeepsThePartnerOfTheCurrentSatellite) {
  Start();
  FreezeAt(TestTime());
  const auto names = ListedNames();
  ASSERT_GE(names.size(), 3u);
  const QString current = form->SatNameEdit->text();
  ASSERT_FALSE(current.isEmpty());
  const QString other = names[0] == current ? names[1] : names[0];
  const QString third = names[2] == current ? names[1] : names[2];
  const struct {
    const char* what;
    QString sat1, sat2;  // the boxes before the switch
    QString expected2;
  } cases[] = {
      {"first box shows the current satellite", current, other, other},
      {"first box shows another satellite", third, other, third},
      {"both empty", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ShowPage(form->SatInfoTabSheet);
    form->ToolsSat1ComboBox->setEditText(c.sat1);
    form->ToolsSat2ComboBox->setEditText(c.sat2);
    ShowPage(form->ToolsTabSheet);
    EXPECT_EQ(form->ToolsSat1ComboBox->currentText(), current);
    EXPECT_EQ(form->ToolsSat2ComboBox->currentText(), c.expected2);
    for (QComboBox* box : {form->ToolsSat1ComboBox, form->ToolsSat2ComboBox}) {
      ASSERT_EQ(box->count(), static_cast<int>(names.size()));
      EXPECT_EQ(box->itemText(box->count() - 1), names.back());
    }
  }
}

TEST_F(ToolsPageTest, EachFilledBoxDrawsOneTemplate) {
  StartOnTools();
  const auto names = ListedNames();
  const std::string sat1 = form->ToolsSat1ComboBox->currentText().toStdString();
  const std::string sat2 = names[0].toStdString() == sat1 ? names[1].toStdString() : names[0].toStdString();
  const struct {
    std::string box1, box2;
    int drawn;
    std::vector<std::string> labelled;
  } cases[] = {
      {sat1, sat2, 2, {sat1, sat2}},
      {sat1, "", 1, {sat1}},
      {"", sat2, 1, {sat2}},
      {"", "", 0, {}},
      // A name not in the collection draws the empty satellite's template (no name).
      {sat1, "NO SUCH SATELLITE", 2, {sat1, ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box1 + " / " + c.box2);
    {
      const QSignalBlocker b1(form->ToolsSat1ComboBox), b2(form->ToolsSat2ComboBox);
      form->ToolsSat1ComboBox->setEditText(QString::fromStdString(c.box1));
      form->ToolsSat2ComboBox->setEditText(QString::fromStdString(c.box2));
    }
    const auto texts = Redraw();
    EXPECT_EQ(ToolPlot->DrawCount, c.drawn);
    EXPECT_EQ(ToolPlot->ToolMode, 0);
    for (const std::string& name : c.labelled) EXPECT_EQ(NameLabels(texts, name), 1) << name;
  }
  // Typing into a box redraws at once.
  std::vector<TTextCall> texts;
  ToolPlot->Canvas().SetTextRecorder(&texts);
  form->ToolsSat2ComboBox->setEditText(QString::fromStdString(sat2));
  ToolPlot->Canvas().SetTextRecorder(nullptr);
  EXPECT_EQ(NameLabels(texts, sat2), 1);
}

TEST_F(ToolsPageTest, DegreesSquareTakesTheSpinEditsAndSwapsThePanels) {
  StartOnTools();
  EXPECT_FALSE(form->ToolSatPanel->isHidden());
  EXPECT_TRUE(form->ToolGridPanel->isHidden());
  form->ToolGridSpinEdit->setValue(15);
  form->ToolColsSpinEdit->setValue(3);
  form->ToolsRadioButtons->button(1)->click();
  EXPECT_EQ(ToolPlot->ToolMode, 1);
  EXPECT_EQ(ToolPlot->GridStep, 15);
  EXPECT_EQ(ToolPlot->GridCols, 3);
  EXPECT_EQ(ToolPlot->DrawCount, 1);
  EXPECT_TRUE(form->ToolSatPanel->isHidden());
  EXPECT_FALSE(form->ToolGridPanel->isHidden());

  // A grid text that is not a number counts as the minimum.
  form->ToolGridSpinEdit->findChild<QLineEdit*>()->setText("x");
  form->DrawTools();
  EXPECT_EQ(ToolPlot->GridStep, 0);
  // The columns take arrows only.
  EXPECT_TRUE(form->ToolColsSpinEdit->findChild<QLineEdit*>()->isReadOnly());

  form->ToolsRadioButtons->button(0)->click();
  EXPECT_EQ(ToolPlot->ToolMode, 0);
  EXPECT_FALSE(form->ToolSatPanel->isHidden());
  EXPECT_TRUE(form->ToolGridPanel->isHidden());
}

TEST_F(ToolsPageTest, ResizingRedrawsUnlessPrintingOrSavingSizesThePlot) {
  StartOnTools();
  const QSize before = ToolPlot->Picture().size();
  EXPECT_EQ(before, form->ToolsPlotScrollBox->viewport()->size());
  EXPECT_EQ(ToolPlot->ToolFont.Name, Options->ImgFont.Name);
  EXPECT_EQ(ToolPlot->ToolFont.Size(), Options->ImgFont.Size);

  form->resize(form->width() + 60, form->height() + 40);
  QApplication::processEvents();
  const QSize grown = form->ToolsPlotScrollBox->viewport()->size();
  ASSERT_NE(grown, before);
  EXPECT_EQ(ToolPlot->Picture().size(), grown);

  // Printing or saving: the sheet's size and the print font stay through resizes and redraws.
  form->PrintDialog1.Tag = 1;
  form->ToolsPlotScrollBox->setWidgetResizable(false);
  ToolPlot->ToolFont.Name = "Print Font";
  ToolPlot->SetSize(1400, 990);
  ToolPlot->Clear();
  form->resize(form->width() - 60, form->height() - 40);
  QApplication::processEvents();
  EXPECT_EQ(ToolPlot->Picture().size(), QSize(1400, 990));
  form->DrawTools();
  EXPECT_EQ(ToolPlot->Picture().size(), QSize(1400, 990));
  EXPECT_EQ(ToolPlot->ToolFont.Name, "Print Font");
  EXPECT_EQ(ToolPlot->DrawCount, 1);  // the current satellite only: the second box is empty
  form->PrintDialog1.Tag = 0;

  form->DrawTools();
  EXPECT_EQ(ToolPlot->Picture().size(), form->ToolsPlotScrollBox->maximumViewportSize());
  QApplication::processEvents();  // the scroll bars of the sheet go
  EXPECT_EQ(ToolPlot->Picture().size(), form->ToolsPlotScrollBox->viewport()->size());
  EXPECT_EQ(ToolPlot->ToolFont.Name, Options->ImgFont.Name);
}

class NextPrevTest : public ToolsTest {};

TEST_F(NextPrevTest, StepsThroughTheListAndWrapsAtBothEnds) {
  Start();
  FreezeAt(TestTime());
  const auto names = ListedNames();
  const int last = static_cast<int>(names.size()) - 1;
  ASSERT_GE(last, 2);
  const struct {
    const char* what;
    QWidget* page;
    QString current;
    bool next;
    int expected;
  } cases[] = {
      {"next in the middle", form->SatInfoTabSheet, names[1], true, 2},
      {"next on the last", form->SatInfoTabSheet, names[last], true, 0},
      {"previous on the first", form->SatInfoTabSheet, names[0], false, last},
      {"previous in the middle", form->SatInfoTabSheet, names[2], false, 1},
      {"next with an unlisted name", form->SatInfoTabSheet, "NO SUCH SATELLITE", true, 0},
      {"previous with an unlisted name", form->SatInfoTabSheet, "NO SUCH SATELLITE", false, last},
      {"name in other letter case", form->SatInfoTabSheet, names[1].toLower(), true, 2},
      {"next on the Obstacle page", form->ObstacleTabSheet, names[last], true, 0},
      {"previous on the Location page", form->LocationTabSheet, names[1], false, 0},
      {"next on the Tools page", form->ToolsTabSheet, names[0], true, 1},
      {"next on the Clarke-belt page", form->ClarkeTabSheet, names[0], true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ShowPage(c.page);
    form->SatNameEdit->setText(c.current);
    (c.next ? form->NextSat : form->PrevSat)->trigger();
    const QString expected = names[static_cast<size_t>(c.expected)];
    EXPECT_EQ(form->SatNameEdit->text(), expected);
    QListWidget* list = c.page == form->ObstacleTabSheet ? form->ObstSatListBox : form->SatListBox;
    EXPECT_EQ(list->currentRow(), c.expected);
    if (c.page == form->ToolsTabSheet) {
      EXPECT_EQ(form->ToolsSat1ComboBox->currentText(), expected);
    }
    // The step holds when the Sat Info page is shown next.
    ShowPage(form->SatInfoTabSheet);
    EXPECT_EQ(form->SatListBox->currentRow(), c.expected);
  }
}

TEST_F(NextPrevTest, AnEmptyListSelectsNothing) {
  Start();
  FreezeAt(TestTime());
  form->SatListBox->clear();
  form->ObstSatListBox->clear();
  form->SatNameEdit->setText("ASTRA 1KR");
  form->NextSat->trigger();
  form->PrevSat->trigger();
  EXPECT_EQ(form->SatListBox->currentRow(), -1);
  EXPECT_EQ(form->ObstSatListBox->currentRow(), -1);
}

TEST_F(ToolsPageTest, ScreenshotsOfTheToolsPage) {
  Start(1000, 720);
  FreezeAt(TestTime());
  ShowPage(form->ToolsTabSheet);
  const auto names = ListedNames();
  const QString partner = form->ToolsSat1ComboBox->currentText() == "ASTRA 1KR" ? "HOTBIRD 13B" : "ASTRA 1KR";
  form->ToolsSat2ComboBox->setEditText(partner);
  QApplication::processEvents();
  EXPECT_EQ(ToolPlot->DrawCount, 2);
  const struct {
    int tool;
    const char* file;
  } shots[] = {{0, "velmar-page-tools.png"}, {1, "velmar-page-tools-grid.png"}};
  for (const auto& s : shots) {
    SCOPED_TRACE(s.file);
    form->ToolGridSpinEdit->setValue(10);
    form->ToolColsSpinEdit->setValue(2);
    form->ToolsRadioButtons->button(s.tool)->click();
    QApplication::processEvents();
    const QImage shot = form->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    // The plot holds black lines on white.
    const QImage& plot = ToolPlot->Picture();
    int black = 0;
    for (int y = 0; y < plot.height(); y += 2)
      for (int x = 0; x < plot.width(); x += 2) black += (plot.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_GT(black, 50);
    EXPECT_TRUE(shot.save(QString::fromStdString(OutputFolder() + "/" + s.file)));
  }
}

}  // namespace
