// The time, sun and moon panel in the running main window: its labels, the moon picture and the
// world map after a refresh, when the solar outage search runs again, a clock tick arriving in
// the middle of that search, and a screenshot of the page ($VELMAR_TEST_OUT).
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "datetimepicker.h"
#include "format.h"
#include "locationinfo.h"
#include "locationpanel.h"
#include "mooncomp.h"
#include "options.h"
#include "program.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "uitestutil.h"
#include "worldmap.h"

using namespace uitest;

namespace {

namespace fs = std::filesystem;

class LocationWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<TProgramFolder>();
    if (fs::exists(fs::path(BinFolder()) / "WorldMap.png"))
      fs::copy_file(fs::path(BinFolder()) / "WorldMap.png", folder->File("WorldMap.png"));
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    form = program->Start(1, argv);
    ASSERT_NE(form, nullptr);
    ASSERT_NE(form->LocInfoPanel, nullptr);
    panel = form->LocInfoPanel;
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  // Stops the real-time clock and sets the time of every picker and of the collection.
  void FreezeAt(TDateTime utc) {
    for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
      const QSignalBlocker block(box);
      box->setChecked(false);
    }
    form->ClockTimer->stop();
    SetTime(utc);
  }
  void SetTime(TDateTime utc) {
    for (TDateTimePicker* p : {form->InfoDatePicker, form->InfoTimePicker, form->LocDatePicker,
                               form->LocTimePicker, form->ObstDatePicker, form->ObstTimePicker})
      p->SetValue(utc + OffsetFromUTC());
    Sats->UTC = utc;
  }
  // Turns to the Location page (which fills it) with the clock frozen at utc.
  void ShowLocationAt(TDateTime utc) {
    FreezeAt(utc);
    form->MainPageControl->setCurrentWidget(form->LocationTabSheet);
    form->MainPageControlChange(form->MainPageControl);
  }
  std::string Text(const char* name) {
    auto* label = form->findChild<QLabel*>(name);
    return label ? label->text().toLatin1().toStdString() : "<missing " + std::string(name) + ">";
  }

  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
  TLocationInfoPanel* panel = nullptr;
};

const TDateTime kMoment = EncodeDate(2026, 8, 1) + EncodeTime(10, 0, 0, 0);

// A left click at p in w, as the mouse gives it.
void Click(QWidget* w, QPoint p) {
  const QPointF local(p), global(w->mapToGlobal(p));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

}  // namespace

TEST_F(LocationWindowTest, PanelOnTheLocationPageWithItsCaptions) {
  EXPECT_TRUE(form->LocationTabSheet->isAncestorOf(panel));
  EXPECT_TRUE(panel->isAncestorOf(form->LocWorldMapFrame));
  EXPECT_TRUE(panel->isAncestorOf(form->Moon1));
  EXPECT_EQ(form->Moon1, panel->Moon1);
  // The colour picture without the landing-site mark: some pixels are not grey, none is the
  // mark's pure red.
  EXPECT_EQ(form->Moon1->MoonStyle(), astro::msColor);
  EXPECT_FALSE(form->Moon1->ShowApollo11());
  const QImage moon = form->Moon1->Picture();
  ASSERT_FALSE(moon.isNull());
  int coloured = 0, marks = 0;
  for (int y = 0; y < moon.height(); ++y)
    for (int x = 0; x < moon.width(); ++x) {
      const QColor c = moon.pixelColor(x, y);
      coloured += c.red() != c.green() || c.green() != c.blue();
      marks += c.red() == 255 && c.green() == 0 && c.blue() == 0;
    }
  EXPECT_GT(coloured, 0);
  EXPECT_EQ(marks, 0);
  const struct {
    const char* name;
    const char* caption;
  } labels[] = {
      {"LclTimeLabel", "Local Time:"},         {"UtcTimeLabel", "UTC Time:"},
      {"LocStarTimeLabel", "Star Time:"},      {"LocLclStarTimeLabel", "Local Star Time:"},
      {"JulianDateLabel", "Julian Date:"},     {"MJDLabel", "Modified JD:"},
      {"SunElevationLabel", "Elevation:"},     {"SunAzimuthLabel", "Azimuth:"},
      {"TrueSolTimeLabel", "True Solar Time:"}, {"AvgSolTimeLabel", "Avg. Solar Time:"},
      {"SunDiameterLabel", "Diameter:"},       {"SunDistanceLabel", "Distance:"},
      {"SunPerLabel", "Perihelion:"},          {"SunApLabel", "Aphelion:"},
      {"ATStartLabel", "Start AT:"},           {"ATEndLabel", "End AT:"},
      {"NTStartLabel", "Start NT:"},           {"NTEndLabel", "End NT:"},
      {"CTStartLabel", "Start CT:"},           {"CTEndLabel", "End CT:"},
      {"SunRiseLabel", "Sun Rise:"},           {"SunSetLabel", "Sun Set:"},
      {"SunTransitLabel", "Transit:"},         {"SeasonLabel", "Season:"},
      {"SolarOutageLabel", "Sol.Outage:"},     {"MoonPhaseLabel", "Moon Phase:"},
      {"MoonIllumLabel", "Illumination:"},     {"MoonAgeLabel", "Moon Age:"},
      {"MoonDiameterLabel", "Diameter:"},      {"MoonDistanceLabel", "Distance:"},
      {"MoonElevationLabel", "Elevation:"},    {"MoonAzimuthLabel", "Azimuth:"},
      {"MoonRiseLabel", "Moon Rise:"},         {"MoonTransitLabel", "Transit:"},
      {"MoonSetLabel", "Moon Set:"},           {"MoonPerigeeLabel", "Perigee:"},
      {"MoonApogeeLabel", "Apogee:"},
  };
  for (const auto& l : labels) {
    SCOPED_TRACE(l.name);
    auto* value = panel->findChild<QLabel*>(l.name);
    ASSERT_NE(value, nullptr);
    QString desc(l.name);
    desc.insert(desc.size() - 5, "Desc");
    auto* caption = panel->findChild<QLabel*>(desc);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text().toStdString(), l.caption);
  }
}

TEST_F(LocationWindowTest, RefreshFillsThePanelForTheCollectionsMoment) {
  ShowLocationAt(kMoment);
  TLocationQuery q;
  q.UT = kMoment;
  q.Local = kMoment + OffsetFromUTC();
  q.OffsetFromUTC = OffsetFromUTC();
  q.ObsLat = Options->ObsLat;
  q.ObsLon = Options->ObsLon;
  q.DecimalDegs = Options->DecimalDegs;
  q.AziRelToSouth = Options->AziRelToSouth;
  const TLocationTexts t = LocationTexts(q);
  EXPECT_EQ(Text("LclTimeLabel"), "Saturday 1 August 2026  10:00:00");
  EXPECT_EQ(panel->LclTimeLabel->toolTip().toStdString(), "Week: 31  Day of year: 213");
  EXPECT_EQ(Text("SunRiseLabel"), t.SunRise);
  EXPECT_EQ(Text("SeasonLabel"), "Autumn Starts 23/9/26");
  EXPECT_EQ(Text("MoonPhaseLabel"), t.MoonPhase);
  EXPECT_EQ(Text("MoonApogeeLabel"), t.MoonApogee);
  EXPECT_FALSE(t.SunRise.empty());
  // The moon picture shows the moment; the map shows the Sun, then the Moon (the last placed).
  EXPECT_DOUBLE_EQ(form->Moon1->Date(), kMoment);
  ASSERT_NE(form->LocWorldMapFrame->Sat(), nullptr);
  EXPECT_EQ(form->LocWorldMapFrame->Sat()->TwoLine.NoradNr, MoonNoradNr);
  EXPECT_TRUE(form->LocWorldMapFrame->SatShape->isHidden());
  // The outage season of the default observer (Utrecht) from 1 August: early October.
  EXPECT_EQ(Text("SolarOutageLabel").substr(2), "/10/2026 (30.4" + std::string("\xB0") + ")");
  EXPECT_EQ(form->SolarOutageDay, static_cast<int>(kMoment));
}

TEST_F(LocationWindowTest, OutageSearchOncePerDayAndAfterTheSettings) {
  ShowLocationAt(kMoment);
  const auto mark = [&] { panel->SolarOutageLabel->setText("unchanged"); };
  mark();
  // Another tick of the same UT day: the line stays.
  SetTime(kMoment + 0.3);
  form->ShowLocationInfo();
  EXPECT_EQ(Text("SolarOutageLabel"), "unchanged");
  // While the simulated clock runs the search is skipped, even on a new day.
  form->LocTimerButton->setChecked(true);
  SetTime(kMoment + 1);
  form->ShowLocationInfo();
  EXPECT_EQ(Text("SolarOutageLabel"), "unchanged");
  form->LocTimerButton->setChecked(false);
  // After midnight UT it is searched again.
  form->ShowLocationInfo();
  EXPECT_NE(Text("SolarOutageLabel"), "unchanged");
  EXPECT_EQ(form->SolarOutageDay, static_cast<int>(kMoment) + 1);
  // Applying the settings (a new observer among them) searches again.
  mark();
  Options->SetObsLat(-33.9);
  Options->ObsLon = 151.2;
  form->OptionsChanged(nullptr);
  EXPECT_EQ(form->SolarOutageDay, static_cast<int>(kMoment) + 1);  // the apply refreshed the page
  const std::string sydney = Text("SolarOutageLabel");
  EXPECT_NE(sydney, "unchanged");
  EXPECT_NE(sydney.find("(50."), std::string::npos) << sydney;
}

TEST_F(LocationWindowTest, ClockTickDuringTheOutageSearchWaits) {
  ShowLocationAt(kMoment);
  const double shownBefore = form->Moon1->Date();
  SetTime(kMoment + 1);  // a new day: the next refresh searches
  int ticks = 0;
  bool filling = false, holding = false;
  // Runs inside the search, when it lets pending messages run: a clock tick and a second fill.
  QTimer::singleShot(0, form, [&] {
    ++ticks;
    filling = panel->Filling;
    holding = form->PageFilling();
    form->InfoDatePicker->SetValue(kMoment + 2 + OffsetFromUTC());
    form->DateTimePickerChange(form->InfoDatePicker);  // held back until the fill ends
    form->ShowLocationInfo();                          // dropped: the panel is being filled
  });
  form->ShowLocationInfo();
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(filling);
  EXPECT_TRUE(holding);
  EXPECT_FALSE(panel->Filling);
  EXPECT_NE(form->Moon1->Date(), shownBefore);
  EXPECT_DOUBLE_EQ(Sats->UTC, kMoment + 1);  // the held-back time is not applied yet
  EXPECT_EQ(form->SolarOutageDay, static_cast<int>(kMoment) + 1);
  // Once the fill is over the held-back time change is applied and the page shows it.
  for (int i = 0; i < 20 && Sats->UTC != kMoment + 2; ++i) QApplication::processEvents();
  EXPECT_DOUBLE_EQ(Sats->UTC, kMoment + 2);
  EXPECT_DOUBLE_EQ(form->Moon1->Date(), kMoment + 2);
  EXPECT_EQ(form->SolarOutageDay, static_cast<int>(kMoment) + 2);
}

TEST_F(LocationWindowTest, ClickedPageShowsDashesForEventsThatDoNotHappen) {
  // 67.7 N, 150 W on 13 December 2026: the Sun comes up to -0.89 degrees only, so the day has no
  // sunrise, sunset or transit, but both ends of civil twilight.
  form->resize(1100, 720);
  form->show();
  form->MainPageControl->setCurrentIndex(form->MainPageControl->indexOf(form->LocationTabSheet) == 0 ? 1 : 0);
  Options->SetObsLat(67.7);
  Options->ObsLon = -150;
  form->OptionsChanged(nullptr);
  const TDateTime utc = EncodeDate(2026, 12, 13) + EncodeTime(12, 0, 0, 0);
  FreezeAt(utc);
  QTabBar* bar = form->MainPageControl->tabBar();
  Click(bar, bar->tabRect(form->MainPageControl->indexOf(form->LocationTabSheet)).center());
  ASSERT_EQ(form->MainPageControl->currentWidget(), form->LocationTabSheet);
  for (const char* name : {"SunRiseLabel", "SunSetLabel", "SunTransitLabel"}) EXPECT_EQ(Text(name), "-") << name;
  TLocationQuery q;
  q.UT = utc;
  q.Local = utc + OffsetFromUTC();
  q.OffsetFromUTC = OffsetFromUTC();
  q.ObsLat = 67.7;
  q.ObsLon = -150;
  const TLocationTexts t = LocationTexts(q);
  EXPECT_NE(t.CTStart, "-");
  EXPECT_EQ(Text("CTStartLabel"), t.CTStart);
  EXPECT_EQ(Text("CTEndLabel"), t.CTEnd);
}

TEST_F(LocationWindowTest, MoonWithoutTransitStillShowsItsRiseAndSet) {
  // Utrecht on 24 December 2026: the moon sets at 8:39:02 and rises at 15:41:37 UTC, but
  // transits only at 0:40:43 on the 25th (PyEphem).
  form->resize(1100, 720);
  form->show();
  form->MainPageControl->setCurrentIndex(form->MainPageControl->indexOf(form->LocationTabSheet) == 0 ? 1 : 0);
  Options->SetObsLat(52.0833);
  Options->ObsLon = 5.1333;
  form->OptionsChanged(nullptr);
  const TDateTime day = EncodeDate(2026, 12, 24);
  FreezeAt(day + EncodeTime(12, 0, 0, 0));
  QTabBar* bar = form->MainPageControl->tabBar();
  Click(bar, bar->tabRect(form->MainPageControl->indexOf(form->LocationTabSheet)).center());
  ASSERT_EQ(form->MainPageControl->currentWidget(), form->LocationTabSheet);
  // The local clock time of the event, either side of its minute.
  const auto shows = [&](const char* label, TDateTime utc) {
    const std::string text = Text(label);
    const double halfMinute = 30.0 / 86400;
    return text == FormatDateTime("hh:nn", utc - halfMinute + OffsetFromUTC()) ||
           text == FormatDateTime("hh:nn", utc + halfMinute + OffsetFromUTC());
  };
  EXPECT_TRUE(shows("MoonRiseLabel", day + EncodeTime(15, 41, 37, 0))) << Text("MoonRiseLabel");
  EXPECT_TRUE(shows("MoonSetLabel", day + EncodeTime(8, 39, 2, 0))) << Text("MoonSetLabel");
  EXPECT_EQ(Text("MoonTransitLabel"), "");
}

TEST_F(LocationWindowTest, ScreenshotOfTheLocationPage) {
  form->resize(1100, 720);
  form->show();
  QApplication::processEvents();
  ShowLocationAt(EncodeDate(2026, 10, 12) + EncodeTime(10, 46, 0, 0));
  QApplication::processEvents();
  const QImage shot = form->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  // The moon picture is painted: not all of its pixels are the panel's background.
  const QImage moon = form->Moon1->grab().toImage();
  ASSERT_FALSE(moon.isNull());
  const QRgb corner = moon.pixel(0, 0);
  int other = 0;
  for (int y = 0; y < moon.height(); ++y)
    for (int x = 0; x < moon.width(); ++x) other += moon.pixel(x, y) != corner;
  EXPECT_GT(other, moon.width() * moon.height() / 10);
  const char* out = std::getenv("VELMAR_TEST_OUT");
  const fs::path dir = out && *out ? fs::path(out) : fs::temp_directory_path();
  fs::create_directories(dir);
  EXPECT_TRUE(shot.save(QString::fromStdString((dir / "velmar-page-location.png").string())));
}
