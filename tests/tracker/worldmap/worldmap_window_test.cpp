// The world-map frames in the main window: where they sit, the observer they get from the
// settings, the Location page's frame after start, and the window's solar outage search.
#include <QTabWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "options.h"
#include "program.h"
#include "sat.h"
#include "satmain.h"
#include "solaroutage.h"
#include "uitestutil.h"
#include "worldmap.h"

using namespace uitest;

namespace {

class WorldMapWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<TProgramFolder>("[Update]\r\nAutoUpdate=0\r\n[Observer]\r\nObsLat=-33.9\r\n"
                                              "ObsLon=151.2\r\n");
    std::filesystem::copy_file(std::filesystem::path(BinFolder()) / "WorldMap.png", folder->File("WorldMap.png"));
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    form = program->Start(1, argv);
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

}  // namespace

TEST_F(WorldMapWindowTest, FramesOnTheirPagesWithTheObserver) {
  ASSERT_NE(form, nullptr);
  ASSERT_NE(form->LocWorldMapFrame, nullptr);
  ASSERT_NE(form->WorldMapFrame, nullptr);
  EXPECT_TRUE(form->LocationTabSheet->isAncestorOf(form->LocWorldMapFrame));
  EXPECT_TRUE(form->WorldMapTabSheet->isAncestorOf(form->WorldMapFrame));
  EXPECT_EQ(form->findChild<TWorldMapFrame*>("LocWorldMapFrame"), form->LocWorldMapFrame);
  for (TWorldMapFrame* f : {form->LocWorldMapFrame, form->WorldMapFrame}) {
    EXPECT_EQ(f->Map().size(), QSize(1024, 566));
    EXPECT_DOUBLE_EQ(f->ObsLat, Options->ObsLat);
    EXPECT_DOUBLE_EQ(f->ObsLon, Options->ObsLon);
  }
  EXPECT_NEAR(Options->ObsLat, -33.9, 1e-9);
  // The Location page's map was given the empty satellite at start: no satellite mark.
  EXPECT_EQ(form->LocWorldMapFrame->Sat(), &EmptySat);
  EXPECT_TRUE(form->LocWorldMapFrame->SatShape->isHidden());
  EXPECT_FALSE(form->LocWorldMapFrame->ObserverShape->isHidden());
}

TEST_F(WorldMapWindowTest, SolarOutageForTheObserverOfTheSettings) {
  ASSERT_NE(form, nullptr);
  const double date = 46188.1;  // 15 June 2026, 2:24 UTC: midday in Sydney
  double elev = 0, expectElev = 0;
  // Dish a little west of north.
  const double t = form->SolarOutageTime(elev, date, 180 - 350);
  EXPECT_NE(t, 0);
  EXPECT_EQ(t, SolarOutageTime(expectElev, date, 180 - 350, Options->ObsLat, Options->ObsLon));
  EXPECT_EQ(elev, expectElev);
  EXPECT_GT(elev, 25);
}
