// The Obstacle page of the running main window: the calculator's edits, spin buttons and
// double-clicks, the height from a shadow, the clock around the shadow edit, and the tree picture
// standing on the obstacle plot. A picture of the page is saved for a person to look at
// ($VELMAR_TEST_OUT/velmar-obstacle.png).
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>
#include <memory>

#include "anglehelpers.h"
#include "astro_sun.h"
#include "datetimepicker.h"
#include "dishplots.h"
#include "format.h"
#include "imagewidget.h"
#include "obstaclecalc.h"
#include "options.h"
#include "program.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "spinbutton.h"
#include "uitestutil.h"

using namespace uitest;

namespace {

class ObstaclePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<TProgramFolder>();
    fs::copy_file(fs::path(BinFolder()) / "Tree.png", folder->File("Tree.png"));
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    form = program->Start(1, argv);
    ASSERT_NE(form, nullptr);
    form->InfoRealTimeCheckBox->setChecked(false);  // a clock that stands still
    form->resize(1000, 700);
    form->show();
    form->MainPageControl->setCurrentWidget(form->ObstacleTabSheet);
    Settle();
  }
  void TearDown() override {
    if (form) form->close();
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  static void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  // The shown time (UTC here) set as by the pickers.
  void SetTime(TDateTime t) {
    form->InfoDatePicker->SetValue(t);
    form->DateTimePickerChange(form->InfoDatePicker);
  }
  static void Focus(QWidget* w, QEvent::Type type, Qt::FocusReason reason) {
    QFocusEvent e(type, reason);
    QApplication::sendEvent(w, &e);
  }
  static void DoubleClick(QWidget* w) {
    const QPointF p(2, 2);
    QMouseEvent e(QEvent::MouseButtonDblClick, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  QLabel* Label(const char* name) const { return form->findChild<QLabel*>(name); }

  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

TEST_F(ObstaclePageTest, SpinButtonsBesideTheEditsStepHalfAMetre) {
  EXPECT_EQ(form->ObstHeightEdit->text().toStdString(), "11.0");
  EXPECT_EQ(form->ObstDistEdit->text().toStdString(), "20.0");
  auto* grid = qobject_cast<QGridLayout*>(form->ObstCalcGroupBox->layout());
  ASSERT_NE(grid, nullptr);
  for (auto [edit, spin] : {std::pair{form->ObstHeightEdit, form->ObstHeightSpinButton},
                            {form->ObstDistEdit, form->ObstDistSpinButton},
                            {form->DishHeightEdit, form->DishHeightSpinButton},
                            {form->ObstShadowEdit, form->ObstShadowSpinButton}}) {
    ASSERT_NE(spin, nullptr);
    int er, ec, sr, sc, span;
    grid->getItemPosition(grid->indexOf(edit), &er, &ec, &span, &span);
    grid->getItemPosition(grid->indexOf(spin), &sr, &sc, &span, &span);
    EXPECT_EQ(std::pair(sr, sc), std::pair(er, ec + 1)) << spin->objectName().toStdString();
  }
  const struct {
    TSpinButton* spin;
    QLineEdit* edit;
    const char* before;
    bool up;
    const char* after;
  } clicks[] = {{form->DishHeightSpinButton, form->DishHeightEdit, "0.5", false, "0.0"},
                {form->DishHeightSpinButton, form->DishHeightEdit, "0.0", false, "-0.5"},
                {form->ObstDistSpinButton, form->ObstDistEdit, "0.5", false, "0.5"},
                {form->ObstHeightSpinButton, form->ObstHeightEdit, "999.9", true, "1000.0"}};
  for (const auto& c : clicks) {
    c.edit->setText(c.before);
    (c.up ? c.spin->UpButton : c.spin->DownButton)->click();
    EXPECT_EQ(c.edit->text().toStdString(), c.after) << c.before;
  }
  // The page was redrawn from the edits.
  EXPECT_DOUBLE_EQ(ObstPlot->DishHeight, -0.5);
  EXPECT_DOUBLE_EQ(ObstPlot->ObstHeight, 1000.0);
}

TEST_F(ObstaclePageTest, LeavingAnEditBoundsItsText) {
  const struct {
    QLineEdit* edit;
    const char* typed;
    const char* shown;
  } cases[] = {{form->ObstHeightEdit, "0", "0.5"},   {form->ObstHeightEdit, "5000", "1000.0"},
               {form->ObstHeightEdit, "abc", "6.0"}, {form->DishHeightEdit, "0", "0.0"},
               {form->ObstDistEdit, " 7.25", "7.25"}};
  for (const auto& c : cases) {
    c.edit->setText(c.typed);
    Focus(c.edit, QEvent::FocusOut, Qt::TabFocusReason);
    EXPECT_EQ(c.edit->text().toStdString(), c.shown) << c.typed;
  }
  EXPECT_DOUBLE_EQ(ObstPlot->ObstDist, 7.25);  // the page was redrawn from the edits

  // Switching to another window is no leaving; Enter is.
  form->ObstHeightEdit->setText("0");
  Focus(form->ObstHeightEdit, QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  EXPECT_EQ(form->ObstHeightEdit->text().toStdString(), "0");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(form->ObstHeightEdit, &enter);
  EXPECT_EQ(form->ObstHeightEdit->text().toStdString(), "0.5");
}

TEST_F(ObstaclePageTest, DoubleClicksSolveForOneLength) {
  TSat sat;
  sat.SatPos.Elevation = 30;
  const struct {
    const char* label;
    const char* height;  // obstacle height, distance, dish height typed before
    const char* dist;
    const char* dish;
    double elevation;
    QLineEdit* result;
    const char* shown;
  } cases[] = {
      {"ObstHeightDescLabel", "11.0", "20", "1", 30, form->ObstHeightEdit, "12.54"},
      {"ObstDistDescLabel", "0.5", "20", "1", 30, form->ObstDistEdit, "0.01"},
      {"DishHeightDescLabel", "15", "20", "9", 30, form->DishHeightEdit, "3.46"},
      {"MinElevDescLabel", "15", "20", "9", 30, form->DishHeightEdit, "3.46"},
      {"ElevDiffDescLabel", "15", "20", "9", 30, form->DishHeightEdit, "3.46"},
      {"ObstHeightDescLabel", "11.0", "20", "1", 90, form->ObstHeightEdit, "11.0"},      // no answer
      {"ObstHeightDescLabel", "11.0", "twenty", "1", 30, form->ObstHeightEdit, "11.0"},  // unreadable
  };
  for (const auto& c : cases) {
    form->ObstHeightEdit->setText(c.height);
    form->ObstDistEdit->setText(c.dist);
    form->DishHeightEdit->setText(c.dish);
    sat.SatPos.Elevation = c.elevation;
    form->CurrentSat = &sat;
    DoubleClick(Label(c.label));
    EXPECT_EQ(c.result->text().toStdString(), c.shown) << c.label << " " << c.elevation;
    EXPECT_NE(form->CurrentSat, &sat);  // the page was redrawn with the selected satellite
  }
  // A double-click elsewhere (the plot's box) solves nothing.
  form->CurrentSat = &sat;
  form->DishHeightEdit->setText("9");
  DoubleClick(form->ObstScrollBox);
  EXPECT_EQ(form->DishHeightEdit->text().toStdString(), "9");
}

TEST_F(ObstaclePageTest, ShadowSetsTheHeightWhileTheSunIsUpAndStopsTheClockWhileEdited) {
  const auto sunElevation = [&] {
    astro::Extended e = 0, a = 0;
    astro::SunHorizontal(e, a, Sats->UTC, -Options->ObsLon, Options->ObsLat);
    return Normalize180(static_cast<double>(e));
  };
  // Noon in June: the sun is high.
  SetTime(EncodeDate(2024, 6, 21) + EncodeTime(11, 40, 0, 0));
  const double e = sunElevation();
  ASSERT_GT(e, 40);
  form->ObstShadowEdit->setText("10");
  Focus(form->ObstShadowEdit, QEvent::FocusOut, Qt::TabFocusReason);
  EXPECT_EQ(form->ObstHeightEdit->text().toStdString(), FormatFloat("##0.00", 10 * std::tan(e * M_PI / 180)));
  EXPECT_FALSE(form->ClockTimer->isActive());  // neither real time nor the simulation runs
  // The redraw wrote back the shadow that the new height casts.
  EXPECT_NEAR(StrToFloatDefTrim(form->ObstShadowEdit->text().toStdString(), 0), 10.0, 0.006);

  // At night the height stays and the shadow edit is empty after the redraw.
  SetTime(EncodeDate(2024, 6, 21) + EncodeTime(23, 40, 0, 0));
  ASSERT_LT(sunElevation(), 0);
  form->ObstHeightEdit->setText("8.0");
  form->ObstShadowEdit->setText("25");
  form->ObstShadowSpinButton->UpButton->click();
  EXPECT_EQ(form->ObstHeightEdit->text().toStdString(), "8.0");
  EXPECT_EQ(form->ObstShadowEdit->text().toStdString(), "");

  // In real time the clock stops while the shadow is typed (not when the window comes back to
  // the front) and runs again on leaving.
  form->InfoRealTimeCheckBox->setChecked(true);
  ASSERT_TRUE(form->ClockTimer->isActive());
  Focus(form->ObstShadowEdit, QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  EXPECT_TRUE(form->ClockTimer->isActive());
  Focus(form->ObstShadowEdit, QEvent::FocusIn, Qt::MouseFocusReason);
  EXPECT_FALSE(form->ClockTimer->isActive());
  Focus(form->ObstShadowEdit, QEvent::FocusOut, Qt::TabFocusReason);
  EXPECT_TRUE(form->ClockTimer->isActive());
}

TEST_F(ObstaclePageTest, TreeStandsOnThePlotAndFollowsItsSize) {
  ASSERT_NE(form->TreeImage, nullptr);
  ASSERT_FALSE(form->TreeBitmap.isNull());
  EXPECT_EQ(form->TreeImage->parentWidget(), ObstPlot);
  EXPECT_TRUE(form->TreeImage->isVisible());
  const auto expected = [&] {
    return TreeImageRect(ObstPlot->ObstHeight, ObstPlot->ObstDist, ObstPlot->Scale, ObstPlot->OriginX,
                         ObstPlot->OriginY, form->TreeBitmap.width(), form->TreeBitmap.height());
  };
  const auto shown = [&] {
    const QRect g = form->TreeImage->geometry();
    return TTreeRect{g.x(), g.y(), g.width(), g.height()};
  };
  ASSERT_GT(ObstPlot->Scale, 0);
  EXPECT_EQ(shown(), expected());
  EXPECT_EQ(form->TreeImage->geometry().bottom() + 1, ObstPlot->OriginY);  // on the ground line
  // The tree's picture fills its height: green leaves near the top, the trunk at the foot.
  const QImage plot = ObstPlot->grab().toImage();
  const QRect g = form->TreeImage->geometry();
  bool green = false;
  for (int y = g.top(); y < g.top() + g.height() / 3 && !green; ++y)
    for (int x = g.left(); x <= g.right() && !green; ++x) {
      const QColor c = plot.pixelColor(x, y);
      green = c.green() > 150 && c.red() < 150 && c.blue() < 100;
    }
  EXPECT_TRUE(green);

  // A higher obstacle makes a taller tree; a smaller box a smaller scale, after the resize.
  const int before = form->TreeImage->height();
  form->ObstHeightEdit->setText("14");
  Focus(form->ObstHeightEdit, QEvent::FocusOut, Qt::TabFocusReason);
  EXPECT_GT(form->TreeImage->height(), before);
  EXPECT_EQ(shown(), expected());
  const double scale = ObstPlot->Scale;
  form->resize(800, 560);
  Settle();
  EXPECT_LT(ObstPlot->Scale, scale);
  EXPECT_EQ(shown(), expected());

  // No obstacle to draw: no tree.
  form->ObstDistEdit->setText("0");
  ObstPlot->ObstDist = 0;
  ObstPlot->CalcScale();
  form->PlaceTreeImage();
  EXPECT_FALSE(form->TreeImage->isVisible());
}

TEST_F(ObstaclePageTest, PictureOfThePage) {
  if (form->ObstSatListBox->count() > 1) form->ObstSatListBox->setCurrentRow(1);
  Settle();
  const QImage shot = form->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  EXPECT_FALSE(form->MinElevLabel->text().isEmpty());
  const char* out = std::getenv("VELMAR_TEST_OUT");
  const fs::path dir = out && *out ? fs::path(out) : fs::temp_directory_path();
  fs::create_directories(dir);
  EXPECT_TRUE(shot.save(QString::fromStdString((dir / "velmar-obstacle.png").string())));
}

}  // namespace
