// The value labels: the pointer help that marks a label's angle in the angle and dish drawings,
// and the double-click that puts the bare number on the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>

#include <set>
#include <string>

#include "dishplots.h"
#include "format.h"
#include "satmain.h"
#include "satmain_help.h"
#include "toolstestutil.h"

using namespace toolstest;

namespace {

TEST(ClipboardNumberTest, UnitsAndDegreeSignsAreDropped) {
  const struct {
    const char* caption;  // UTF-8
    const char* expected;
  } cases[] = {
      {"3.07 Km/s", "3.07"},
      {"35786.1 Km", "35786.1"},
      {"12.5\u00B0", "12.5"},
      {"  -0.125\u00B0 ", "-0.125"},
      {"19.200\u00B0 E", "19.200 E"},
      {"45\u00B030'15\"", "4530'15\""},  // degrees, minutes and seconds keep their other signs
      {"5 km", "5 km"},                   // letter case counts
      {"1.5 KM/S", "1.5 KM/S"},
      {"Kms", "s"},                       // "/s" first, then "Km"
      {"K/sm", ""},                       // "/s" goes first, so the "Km" it leaves goes too
      {"Yes", "Yes"},
      {"-", "-"},
      {"", ""},
      {"\t12:34:56\r\n", "12:34:56"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(ClipboardNumber(QString::fromUtf8(c.caption)), QString::fromUtf8(c.expected));
  }
}

TEST(HelpLabelTest, CodesOfTheLabels) {
  const struct {
    const char* name;
    int item;
  } cases[] = {
      {"PolAxisDescLabel", hiPolarAxis},     {"PolAxisLabel", hiPolarAxis},
      {"DishOffsetDescLabel", hiDishOffset}, {"ObstDecLabel", hiDeclination},
      {"PolAxCorrLabel", hiPolAxisCorr},     {"ObstElevDescLabel", hiElevation},
      {"DecHorPlaneLabel", hiDecHorPlane},   {"DishElevDescLabel", hiDishAngle},
      {"DishElevLabel", hiNone},             {"ObstAziLabel", hiAzimuth},
      {"AzimuthLabel", hiNone},              {"RotorAngleDescLabel", hiNone},
      {"LclTimeLabel", -1},                  {"DishOffsetEdit", -1},
      {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(HelpItemOfLabel(c.name), c.item) << c.name;

  const std::set<std::string_view> help(HelpLabelNames().begin(), HelpLabelNames().end());
  const std::set<std::string_view> values(ValueLabelNames().begin(), ValueLabelNames().end());
  EXPECT_EQ(help.size(), 44u);
  EXPECT_EQ(values.size(), 108u);
  // Every label with help that is not a description shows a value.
  for (std::string_view name : help) {
    if (name.find("DescLabel") == std::string_view::npos) {
      EXPECT_TRUE(values.count(name)) << name;
    }
  }
}

class ValueLabelTest : public ToolsTest {
 protected:
  QLabel* Label(const char* name) { return form->findChild<QLabel*>(name); }
  static void Enter(QLabel* label) {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(label, &e);
  }
  static void DoubleClick(QLabel* label) {
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &e);
  }
};

TEST_F(ValueLabelTest, EveryLabelOfTheTablesIsInTheWindow) {
  Start();
  std::string missing;
  for (std::string_view name : HelpLabelNames())
    if (!Label(std::string(name).c_str())) missing += std::string(name) + " ";
  for (std::string_view name : ValueLabelNames())
    if (!Label(std::string(name).c_str())) missing += std::string(name) + " ";
  EXPECT_TRUE(missing.empty()) << "not in the window: " << missing;
}

TEST_F(ValueLabelTest, EnteringALabelMarksItsAngleUntilAnotherLabelIsEntered) {
  Start();
  const struct {
    const char* label;
    int expected;
  } steps[] = {
      {"ElevationLabel", hiElevation},
      {"RangeLabel", hiNone},  // from "Elevation:" to "Range:" clears the mark
      {"ObstAziDescLabel", hiAzimuth},
      {"LclTimeLabel", hiAzimuth},  // a label without pointer help leaves the mark
      {"DishOffsetDescLabel", hiDishOffset},
      {"DishElevDescLabel", hiDishAngle},
      {"DishElevLabel", hiNone},
      {"PolAxisLabel", hiPolarAxis},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.label);
    QLabel* label = Label(s.label);
    if (!label) {
      ADD_FAILURE() << "no label " << s.label;
      continue;
    }
    Enter(label);
    EXPECT_EQ(AnglePlot->HelpItem, s.expected);
    EXPECT_EQ(DishPlot->HelpItem, s.expected);
  }
}

TEST_F(ValueLabelTest, DoubleClickPutsTheBareNumberOnTheClipboard) {
  Start();
  QClipboard* clipboard = QGuiApplication::clipboard();
  ASSERT_NE(clipboard, nullptr);
  clipboard->setText("before");
  const struct {
    const char* label;
    const char* caption;  // UTF-8
    const char* expected;
  } cases[] = {
      {"RangeLabel", "35786.1 Km", "35786.1"},
      {"SpeedLabel", "3.070 Km/s", "3.070"},
      {"ElevationLabel", "29.413\u00B0", "29.413"},
      {"LclTimeLabel", "Monday 12 October 2026  12:46:00", "Monday 12 October 2026  12:46:00"},
      {"SatVisLabel", "Yes", "Yes"},
      {"PassElevLabel", "", "Yes"},        // an empty label leaves the clipboard
      {"ElevationDescLabel", "Elevation:", "Yes"},  // description labels copy nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    QLabel* label = Label(c.label);
    if (!label) {
      ADD_FAILURE() << "no label " << c.label;
      continue;
    }
    label->setText(QString::fromUtf8(c.caption));
    DoubleClick(label);
    EXPECT_EQ(clipboard->text(), QString::fromUtf8(c.expected));
  }
}

TEST_F(ValueLabelTest, MountBoxRedrawsTheDishAndGivesUpTheFocus) {
  Start();
  ASSERT_NE(form->ViewModeComboBox, nullptr);
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  form->InfoPageControl->setCurrentWidget(form->DishTabSheet);
  QApplication::processEvents();
  form->ViewModeComboBox->setFocus();
  for (int mode : {1, 2, 0}) {
    SCOPED_TRACE(mode);
    form->ViewModeComboBox->setCurrentIndex(mode);
    EXPECT_EQ(DishPlot->MountMode, mode);
    EXPECT_FALSE(form->ViewModeComboBox->hasFocus());
  }
}

}  // namespace
