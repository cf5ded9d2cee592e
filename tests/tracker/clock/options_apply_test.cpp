// Applying the settings to the window and the collection, copying the window back into the
// settings, the sort and filter buttons, and the reload of the data files.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QToolButton>

#include <filesystem>

#include "clarkebelt.h"
#include "clocktestutil.h"
#include "datetimepicker.h"
#include "dishplots.h"
#include "log.h"
#include "mooncomp.h"
#include "optionform.h"
#include "options.h"
#include "polarmaps.h"
#include "sats.h"
#include "sundial.h"
#include "worldmap.h"

using namespace clocktest;

namespace {

QObject* Dialog(TVelmarProgram& program) { return program.OptionForm(); }

struct StarMagCase {
  int stored;
  const char* ticked;
  int written;
};

TEST_F(ClockTest, StarMagnitudeTicksAStarsItemAndIsWrittenBack) {
  Start();
  const StarMagCase cases[] = {{-20, "MenuMagHide", -30}, {2, "MenuMagHide", -30}, {3, "MenuMag3", 3},
                               {4, "MenuMag4", 4},        {5, "MenuMag5", 5},      {6, "MenuMagAll", 50},
                               {50, "MenuMagAll", 50},    {-30, "MenuMagHide", -30}};
  for (const StarMagCase& c : cases) {
    SCOPED_TRACE(c.stored);
    Options->StarMag = c.stored;
    form->OptionsChanged(Dialog(*program));
    for (QAction* a : form->MenuMagGroup->actions())
      EXPECT_EQ(a->isChecked(), a->objectName() == c.ticked) << a->objectName().toStdString();
    form->SetOptions();
    EXPECT_EQ(Options->StarMag, c.written);
  }
}

TEST_F(ClockTest, ViewTicksGoBothWays) {
  Start();
  for (bool on : {true, false}) {
    Options->ViewProp = on;
    Options->ViewSats = !on;
    Options->SunInFront = on;
    Options->ViewStarNames = !on;
    form->OptionsChanged(Dialog(*program));
    EXPECT_EQ(form->MenuViewProportional->isChecked(), on);
    EXPECT_EQ(form->MenuViewGroundMap->isChecked(), !on);
    EXPECT_EQ(form->MenuViewSunInFront->isChecked(), on);
    EXPECT_EQ(form->MenuShowStarDsg->isChecked(), !on);
    // The user toggles each; the settings follow.
    for (QAction* a : {form->MenuViewProportional, form->MenuViewGroundMap, form->MenuViewSunInFront,
                       form->MenuShowStarDsg})
      a->trigger();
    form->SetOptions();
    EXPECT_EQ(Options->ViewProp, !on);
    EXPECT_EQ(Options->ViewSats, on);
    EXPECT_EQ(Options->SunInFront, !on);
    EXPECT_EQ(Options->ViewStarNames, on);
  }
}

struct FilterCase {
  bool ku, c, vis, sorted;
  const char* line;
};

TEST_F(ClockTest, FiltersSetBothPagesAndTheCollectionAndAreLogged) {
  Start();
  const FilterCase cases[] = {{true, false, true, true, "Filters: Ku Vis  Sorted "},
                              {false, true, false, false, "Filters: C "},
                              {false, false, false, false, "Filters: "},
                              {true, true, true, true, "Filters: Ku C Vis  Sorted "}};
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.line);
    Options->FilterKu = c.ku;
    Options->FilterC = c.c;
    Options->FilterVis = c.vis;
    Options->SortLongitude = c.sorted;
    const int from = static_cast<int>(LogList.size());
    form->OptionsChanged(Dialog(*program));
    const int at = IndexOfLine("Filters:", from);
    ASSERT_GE(at, 0);
    EXPECT_EQ(Message(at), c.line);
    const bool expected[] = {!c.sorted, c.sorted, c.ku, c.c, c.vis};
    QToolButton* const info[] = {form->SortNameButton, form->SortLonButton, form->FilterKuButton, form->FilterCButton,
                                 form->FilterVisButton};
    QToolButton* const obst[] = {form->ObstSortNameButton, form->ObstSortLonButton, form->ObstFilterKuButton,
                                 form->ObstFilterCButton, form->ObstFilterVisButton};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(info[i]->isChecked(), expected[i]) << info[i]->objectName().toStdString();
      EXPECT_EQ(obst[i]->isChecked(), expected[i]) << obst[i]->objectName().toStdString();
    }
    EXPECT_EQ(Sats->SortLongitude, c.sorted);
    EXPECT_EQ(Sats->FilterKu, c.ku);
    EXPECT_EQ(Sats->FilterC, c.c);
    EXPECT_EQ(Sats->FilterVis, c.vis);
    // The list shows what the collection selects.
    EXPECT_EQ(static_cast<size_t>(form->SatListBox->count()), Sats->GetSatNameList().size());
    form->SetOptions();
    EXPECT_EQ(Options->FilterKu, c.ku);
    EXPECT_EQ(Options->FilterC, c.c);
    EXPECT_EQ(Options->FilterVis, c.vis);
    EXPECT_EQ(Options->SortLongitude, c.sorted);
  }
  const int end = IndexOfLine("Selectable Satellites: ", static_cast<int>(LogList.size()) - 1);
  ASSERT_GE(end, 0);
  EXPECT_EQ(Message(end), "Selectable Satellites: " + std::to_string(form->SatListBox->count()) +
                              "  Current Sat: " + form->SatNameEdit->text().toStdString());
}

TEST_F(ClockTest, TheButtonsOfThePageInUseLead) {
  Start();
  Options->FilterKu = Options->FilterC = Options->FilterVis = Options->SortLongitude = false;
  form->OptionsChanged(Dialog(*program));
  const int all = form->SatListBox->count();

  // On the Sat Info page its buttons lead and the Obstacle page follows.
  form->FilterVisButton->click();
  EXPECT_TRUE(form->ObstFilterVisButton->isChecked());
  EXPECT_TRUE(Sats->FilterVis);
  EXPECT_LT(form->SatListBox->count(), all);
  EXPECT_EQ(form->ObstSatListBox->count(), form->SatListBox->count());
  form->SortLonButton->click();
  EXPECT_FALSE(form->SortNameButton->isChecked());
  EXPECT_TRUE(form->ObstSortLonButton->isChecked());
  EXPECT_FALSE(form->ObstSortNameButton->isChecked());
  EXPECT_TRUE(Sats->SortLongitude);

  // On the Obstacle page the other way round.
  form->MainPageControl->setCurrentWidget(form->ObstacleTabSheet);
  form->ObstFilterVisButton->click();
  form->ObstSortNameButton->click();
  form->ObstFilterKuButton->click();
  EXPECT_FALSE(form->FilterVisButton->isChecked());
  EXPECT_TRUE(form->SortNameButton->isChecked());
  EXPECT_FALSE(form->SortLonButton->isChecked());
  EXPECT_TRUE(form->FilterKuButton->isChecked());
  EXPECT_FALSE(Sats->FilterVis);
  EXPECT_FALSE(Sats->SortLongitude);
  EXPECT_TRUE(Sats->FilterKu);
  EXPECT_EQ(static_cast<size_t>(form->ObstSatListBox->count()), Sats->GetSatNameList().size());
}

TEST_F(ClockTest, ObserverReachesTheCollectionViewsMoonAndPlaceFields) {
  const TTimeZone zone("CET-1");
  Start();
  // The place fields and the moon picture are created with the Location page's panels.
  if (!form->CityComboBox) form->CityComboBox = new QComboBox(form->LocationTabSheet);
  if (!form->CountryComboBox) form->CountryComboBox = new QComboBox(form->LocationTabSheet);
  form->CityComboBox->setEditable(true);
  form->CountryComboBox->setEditable(true);
  if (!form->LocObsLonEdit) form->LocObsLonEdit = new QLineEdit(form->LocationTabSheet);
  if (!form->LocObsLatEdit) form->LocObsLatEdit = new QLineEdit(form->LocationTabSheet);
  if (!form->LocObsHeightEdit) form->LocObsHeightEdit = new QLineEdit(form->LocationTabSheet);
  if (!form->Moon1) form->Moon1 = new astro::TMoon(form->LocationTabSheet);
  form->InfoRealTimeCheckBox->setChecked(false);  // the shown time stays where it is put

  const struct {
    double lat, lon, height;
    const char* city;
    const char* lonText;
    const char* latText;
    const char* heightText;
    astro::TRotate rotation;
  } cases[] = {
      {52.083, 5.133, 1e-6, "Utrecht", "5.133\xB0 E", "52.083\xB0 N", "0", astro::rot_none},
      {-33.925, 18.4239, 12.5, "Cape Town", "18.424\xB0 E", "33.925\xB0 S", "13", astro::rot_180},
      {0, -78.5, 2850, "Quito", "78.500\xB0 W", "0.000\xB0", "2850", astro::rot_180},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.city);
    Options->ObsLat = c.lat;
    Options->ObsLon = c.lon;
    Options->ObsHeight = c.height;
    Options->HomeCity = c.city;
    form->SolarOutageDay = 45000;
    form->InfoDatePicker->SetValue(At(2024, 6, 1, 12, 0));
    const int from = static_cast<int>(LogList.size());
    form->OptionsChanged(Dialog(*program));
    const int at = IndexOfLine("Setting Options, Lat: ", from);
    ASSERT_GE(at, 0);
    EXPECT_EQ(Message(at), "Setting Options, Lat: " + FormatFloat("#.###", c.lat) + " Lon: " +
                               FormatFloat("#.###", c.lon) + " Height: " + FormatFloat("#.###", c.height) + "  " +
                               c.city + "  UTC Offset 1");
    EXPECT_DOUBLE_EQ(Sats->ObsLat, c.lat);
    EXPECT_DOUBLE_EQ(Sats->ObsLon, c.lon);
    for (TClarkeBelt* view : {ClarkeBelt, static_cast<TClarkeBelt*>(SatGroundMap), static_cast<TClarkeBelt*>(HAMap),
                              static_cast<TClarkeBelt*>(SunDial), static_cast<TClarkeBelt*>(ElevMap)}) {
      EXPECT_EQ(view->ObsLat, c.lat);
      EXPECT_EQ(view->ObsLon, c.lon);
    }
    for (TWorldMapFrame* frame : {form->WorldMapFrame, form->LocWorldMapFrame})
      if (frame) {
        EXPECT_EQ(frame->ObsLat, c.lat);
        EXPECT_EQ(frame->ObsLon, c.lon);
      }
    if (AnglePlot) EXPECT_EQ(AnglePlot->ObsLat, c.lat);
    if (DishPlot) EXPECT_EQ(DishPlot->ObsLat, c.lat);
    EXPECT_EQ(form->Moon1->Rotation(), c.rotation);
    EXPECT_EQ(form->CityComboBox->currentText().toStdString(), c.city);
    EXPECT_EQ(form->CountryComboBox->currentText().toStdString(), "Netherlands");
    EXPECT_EQ(form->LocObsLonEdit->text(), QString::fromLatin1(c.lonText));
    EXPECT_EQ(form->LocObsLatEdit->text(), QString::fromLatin1(c.latText));
    EXPECT_EQ(form->LocObsHeightEdit->text().toStdString(), c.heightText);
    EXPECT_EQ(form->SolarOutageDay, 0);
    // The collection computes in UTC: the shown local time minus one hour.
    EXPECT_NEAR(Sats->UTC, At(2024, 6, 1, 11, 0), 1e-9);
  }
}

TEST_F(ClockTest, ACityFromTheListAppliesTheObserverWithoutRefillingTheList) {
  Start();
  form->CityComboBox = new QComboBox(form->LocationTabSheet);
  Options->FilterVis = false;
  const int before = form->SatListBox->count();
  const int from = static_cast<int>(LogList.size());
  Options->ObsLon = 10.0;
  form->OptionsChanged(form->CityComboBox);
  EXPECT_DOUBLE_EQ(Sats->ObsLon, 10.0);
  EXPECT_TRUE(Sats->FilterVis);
  EXPECT_EQ(form->SatListBox->count(), before);
  EXPECT_GE(IndexOfLine("Selectable Satellites: ", from), 0);

  form->OptionsChanged(form);
  EXPECT_FALSE(Sats->FilterVis);
  EXPECT_GT(form->SatListBox->count(), before);
}

TEST_F(ClockTest, AReloadOffersToSaveTheEditedSatelliteInformationFirst) {
  Start();
  const auto csv = folder->File("sats.csv");
  // With "SaveSatCsv" on, the edits are saved without asking.
  std::filesystem::resize_file(csv, 0);
  Options->SatInfoEdited = true;
  Options->SaveSatCsv = true;
  Options->FilesChanged = true;
  form->OptionsChanged(Dialog(*program));
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_GT(std::filesystem::file_size(csv), 0u);

  // Otherwise the user is asked, and only Yes saves.
  for (int answer : {mrYes, mrNo}) {
    SCOPED_TRACE(answer == mrYes ? "Yes" : "No");
    std::filesystem::resize_file(csv, 0);
    Options->SatInfoEdited = true;
    Options->SaveSatCsv = false;
    Options->FilesChanged = true;
    prompts.Messages.clear();
    prompts.Answers = {answer};
    const int from = static_cast<int>(LogList.size());
    form->OptionsChanged(Dialog(*program));
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text,
              "The satellite information has been edited.\rWould you like to save the file (Sats.csv)?");
    EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Confirmation);
    // Saving comes before the files are read again.
    const int setting = IndexOfLine("Setting Files", from);
    const int set = IndexOfLine("Files Set", from);
    ASSERT_GE(setting, 0);
    ASSERT_GT(set, setting);
    EXPECT_FALSE(Options->FilesChanged);
    EXPECT_EQ(std::filesystem::file_size(csv) > 0, answer == mrYes);
    EXPECT_EQ(Sats->NameCount(), 33u);
  }
}

TEST_F(ClockTest, ChangedFileNamesAreReadAndTheCurrentSatelliteShownAgain) {
  Start();
  ASSERT_NE(form->CurrentSat, nullptr);
  // A log name that does not exist: the collection reads the rest and the window goes on.
  Options->GeoLogFile = folder->File("missing.log").string();
  Options->FilesChanged = true;
  form->OptionsChanged(Dialog(*program));
  EXPECT_FALSE(Options->FilesChanged);
  EXPECT_EQ(Sats->NameCount(), 33u);
  ASSERT_NE(form->CurrentSat, nullptr);
  EXPECT_EQ(form->CurrentSat, Sats->FindSat(form->SatNameEdit->text().toStdString()));
}

}  // namespace
