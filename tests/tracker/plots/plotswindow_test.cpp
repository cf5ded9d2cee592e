// The main window creates the plots in their pages and frees them at shutdown.
#include <QScrollArea>
#include <QTabWidget>

#include <memory>

#include "dishplots.h"
#include "program.h"
#include "satmain.h"
#include "uitestutil.h"
#include "xyplot.h"

using namespace uitest;

namespace {

TEST(PlotsWindowTest, PlotsStandInTheirPagesUntilShutdown) {
  if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  TScriptedPrompts prompts;
  SetUiPrompts(&prompts);
  auto folder = std::make_unique<TProgramFolder>();
  const char* argv[] = {"Velmar"};
  auto program = std::make_unique<TVelmarProgram>();
  TSatForm* form = program->Start(1, argv);
  ASSERT_NE(form, nullptr);

  const struct {
    TXYPlot* plot;
    QWidget* page;
    int pair;
  } orbit[] = {{XYPlot, form->XYTabSheet, 0}, {XZPlot, form->XZTabSheet, 1}, {YZPlot, form->YZTabSheet, 2}};
  for (const auto& o : orbit) {
    ASSERT_NE(o.plot, nullptr);
    EXPECT_EQ(o.plot->parentWidget(), o.page);
    EXPECT_EQ(o.plot->AxisPair, o.pair);
  }
  ASSERT_NE(ObstPlot, nullptr);
  ASSERT_NE(AnglePlot, nullptr);
  ASSERT_NE(DishPlot, nullptr);
  EXPECT_EQ(form->ObstScrollBox->widget(), ObstPlot);
  EXPECT_EQ(form->AngleScrollBox->widget(), AnglePlot);
  EXPECT_EQ(form->DishPlotScrollBox->widget(), DishPlot);
  EXPECT_EQ(ObstPlot->TopMargin, 10);
  EXPECT_EQ(DishPlot->MountMode, mmSimplifiedPolar);

  // The sub-page's plot fills it and paints the satellite handed to it.
  form->resize(900, 700);
  form->InfoPageControl->setCurrentWidget(form->XYTabSheet);
  form->show();
  TSat sat;
  sat.SatPos.X = 20000;
  XYPlot->SetData(&sat);
  EXPECT_EQ(XYPlot->size(), form->XYTabSheet->size());
  const QImage shown = XYPlot->grab().toImage();
  EXPECT_FALSE(shown.isNull());
  XYPlot->SetData(nullptr);

  form->FormDestroy();
  EXPECT_EQ(XYPlot, nullptr);
  EXPECT_EQ(XZPlot, nullptr);
  EXPECT_EQ(YZPlot, nullptr);
  EXPECT_EQ(ObstPlot, nullptr);
  EXPECT_EQ(AnglePlot, nullptr);
  EXPECT_EQ(DishPlot, nullptr);
  EXPECT_EQ(form->ObstScrollBox->widget(), nullptr);
  program.reset();
  folder.reset();
  SetUiPrompts(nullptr);
}

}  // namespace
