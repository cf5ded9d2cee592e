// Applying the settings to the window and the collection, copying the window back into the
// settings, the sort and filter buttons, and the reload of the data files.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

#include <filesystem>

#include "clarkebelt.h"
#include "clocktestutil.h"
#include "datetimepicker.h"
#include "dishplots.h"
#include "log.h"
#include "mooncomp.h"
#include "optionform.h"
#include "options.h"
#include "sat.h"
#include "sats.h"
#include "worldmap.h"

using namespace clocktest;

namespace {

TEST_F(ClockTest, StarMagnitudeTicksAStarsItemAndIsWrittenBack) {
  Start();
  const struct {
    int stored;
    const char* ticked;
    int written;
  } cases[] = {{-20, "MenuMagHide", -30}, {2, "MenuMagHide", -30}, {3, "MenuMag3", 3}, {4, "MenuMag4", 4},
               {5, "MenuMag5", 5},        {6, "MenuMagAll", 50},   {50, "MenuMagAll", 50}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    Options->StarMag = c.stored;
    form->OptionsChanged(program->OptionForm());
    for (QAction* a : form->MenuMagGroup->actions())
      EXPECT_EQ(a->isChecked(), a->objectName() == c.ticked) << a->objectName().toStdString();
    form->SetOptions();
    EXPECT_EQ(Options->StarMag, c.written);
  }
}

TEST_F(ClockTest, FiltersSetBothPagesAndTheCollectionAndAreLogged) {
  Start();
  const struct {
    bool ku, c, vis, sorted;
    const char* line;
  } cases[] = {{true, false, true, true, "Filters: Ku Vis  Sorted "},
               {false, true, false, false, "Filters: C "},
               {true, true, true, true, "Filters: Ku C Vis  Sorted "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Options->FilterKu = c.ku;
    Options->FilterC = c.c;
    Options->FilterVis = c.vis;
    Options->SortLongitude = c.sorted;
    const int from = static_cast<int>(LogList.size());
    form->OptionsChanged(program->OptionForm());
    const int at = IndexOfLine("Filters:", from);
    ASSERT_GE(at, 0);
    EXPECT_EQ(Message(at), c.line);
    const bool down[] = {!c.sorted, c.sorted, c.ku, c.c, c.vis};
    QToolButton* const info[] = {form->SortNameButton, form->SortLonButton, form->FilterKuButton,
                                 form->FilterCButton, form->FilterVisButton};
    QToolButton* const obst[] = {form->ObstSortNameButton, form->ObstSortLonButton, form->ObstFilterKuButton,
                                 form->ObstFilterCButton, form->ObstFilterVisButton};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(info[i]->isChecked(), down[i]) << i;
      EXPECT_EQ(obst[i]->isChecked(), down[i]) << i;
    }
    EXPECT_EQ(Sats->SortLongitude, c.sorted);
    EXPECT_EQ(Sats->FilterC, c.c);
    EXPECT_EQ(static_cast<size_t>(form->SatListBox->count()), Sats->GetSatNameList().size());
  }
}

TEST_F(ClockTest, TheButtonsOfThePageInUseLead) {
  Start();
  Options->FilterKu = Options->FilterC = Options->FilterVis = Options->SortLongitude = false;
  form->OptionsChanged(program->OptionForm());
  const int all = form->SatListBox->count();
  form->FilterVisButton->click();
  form->SortLonButton->click();
  EXPECT_TRUE(form->ObstFilterVisButton->isChecked());
  EXPECT_TRUE(form->ObstSortLonButton->isChecked());
  EXPECT_TRUE(Sats->FilterVis && Sats->SortLongitude);
  EXPECT_LT(form->SatListBox->count(), all);
  EXPECT_EQ(form->ObstSatListBox->count(), form->SatListBox->count());

  form->MainPageControl->setCurrentWidget(form->ObstacleTabSheet);
  form->ObstFilterVisButton->click();
  form->ObstSortNameButton->click();
  EXPECT_FALSE(form->FilterVisButton->isChecked());
  EXPECT_TRUE(form->SortNameButton->isChecked());
  EXPECT_FALSE(Sats->FilterVis || Sats->SortLongitude);
  EXPECT_EQ(form->ObstSatListBox->count(), all);
  form->SetOptions();
  EXPECT_FALSE(Options->FilterVis || Options->SortLongitude);
}

TEST_F(ClockTest, ObserverReachesTheCollectionViewsMoonAndPlaceFields) {
  const TTimeZone zone("CET-1");
  Start();
  // The place fields and the moon picture belong to the Location page's panels.
  if (!form->CityComboBox) form->CityComboBox = new QComboBox(form->LocationTabSheet);
  if (!form->LocObsLonEdit) form->LocObsLonEdit = new QLineEdit(form->LocationTabSheet);
  if (!form->LocObsLatEdit) form->LocObsLatEdit = new QLineEdit(form->LocationTabSheet);
  if (!form->LocObsHeightEdit) form->LocObsHeightEdit = new QLineEdit(form->LocationTabSheet);
  if (!form->Moon1) form->Moon1 = new astro::TMoon(form->LocationTabSheet);
  form->CityComboBox->setEditable(true);
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
    form->OptionsChanged(program->OptionForm());
    const int at = IndexOfLine("Setting Options, Lat: ", from);
    ASSERT_GE(at, 0);
    EXPECT_EQ(Message(at), "Setting Options, Lat: " + FormatFloat("#.###", c.lat) + " Lon: " +
                               FormatFloat("#.###", c.lon) + " Height: " + FormatFloat("#.###", c.height) + "  " +
                               c.city + "  UTC Offset 1");
    EXPECT_DOUBLE_EQ(Sats->ObsLat, c.lat);
    EXPECT_EQ(ClarkeBelt->ObsLon, c.lon);
    for (TWorldMapFrame* frame : {form->WorldMapFrame, form->LocWorldMapFrame})
      if (frame) {
        EXPECT_EQ(frame->ObsLat, c.lat);
      }
    if (DishPlot) {
      EXPECT_EQ(DishPlot->ObsLat, c.lat);
    }
    EXPECT_EQ(form->Moon1->Rotation(), c.rotation);
    EXPECT_EQ(form->CityComboBox->currentText().toStdString(), c.city);
    EXPECT_EQ(form->LocObsLonEdit->text(), QString::fromLatin1(c.lonText));
    EXPECT_EQ(form->LocObsLatEdit->text(), QString::fromLatin1(c.latText));
    EXPECT_EQ(form->LocObsHeightEdit->text().toStdString(), c.heightText);
    EXPECT_EQ(form->SolarOutageDay, 0);
    EXPECT_NEAR(Sats->UTC, At(2024, 6, 1, 11, 0), 1e-9);  // shown local time minus one hour
  }
}

TEST_F(ClockTest, ACityFromTheListAppliesTheObserverWithoutRefillingTheList) {
  Start();
  if (!form->CityComboBox) form->CityComboBox = new QComboBox(form->LocationTabSheet);
  Options->FilterVis = false;
  const int before = form->SatListBox->count();
  Options->ObsLon = 10.0;
  form->OptionsChanged(form->CityComboBox);
  EXPECT_DOUBLE_EQ(Sats->ObsLon, 10.0);
  EXPECT_TRUE(Sats->FilterVis);
  EXPECT_EQ(form->SatListBox->count(), before);
  form->OptionsChanged(form);
  EXPECT_GT(form->SatListBox->count(), before);
}

TEST_F(ClockTest, AReloadOffersToSaveTheEditedSatelliteInformationFirst) {
  Start();
  const auto csv = folder->File("sats.csv");
  const auto reload = [&](bool saveSilently) {
    std::filesystem::resize_file(csv, 0);
    Options->SatInfoEdited = true;
    Options->SaveSatCsv = saveSilently;
    Options->FilesChanged = true;
    prompts.Messages.clear();
    form->OptionsChanged(program->OptionForm());
    EXPECT_FALSE(Options->FilesChanged);
    EXPECT_EQ(Sats->NameCount(), 33u);
    // The satellite shown is one of the new collection (none when the filters leave none).
    QListWidgetItem* item = form->SatListBox->currentItem();
    EXPECT_EQ(form->CurrentSat, item ? Sats->FindSat(item->text().toStdString()) : &EmptySat);
  };
  // With "SaveSatCsv" on, the edits are saved without asking.
  reload(true);
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_GT(std::filesystem::file_size(csv), 0u);
  // Otherwise the user is asked, and only Yes saves; saving comes before the files are read.
  for (int answer : {mrYes, mrNo}) {
    SCOPED_TRACE(answer);
    prompts.Answers = {answer};
    const int from = static_cast<int>(LogList.size());
    reload(false);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text,
              "The satellite information has been edited.\rWould you like to save the file (Sats.csv)?");
    EXPECT_GT(IndexOfLine("Files Set", from), IndexOfLine("Setting Files", from));
    EXPECT_EQ(std::filesystem::file_size(csv) > 0, answer == mrYes);
  }
}

// When the orbit library cannot build its list from the element folder (an entry that cannot be
// opened as a file, or that would never end), the user is told why, and the log keeps the reason.
TEST_F(ClockTest, AFailedElementListIsShownWithItsReason) {
  Start();
  const struct {
    const char* entry;
    const char* reason;
  } cases[] = {{"folder.txt", "Cannot open element file"},
               {"pipe.tle", "Cannot open element file"},
               {"proc.2li", "is larger than 64 MB"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    const std::string entry = folder->File("Keps/" + std::string(c.entry)).string();
    if (std::string(c.entry) == "folder.txt") std::filesystem::create_directory(entry);
    if (std::string(c.entry) == "pipe.tle") {
      ASSERT_EQ(::mkfifo(entry.c_str(), 0644), 0);
    }
    if (std::string(c.entry) == "proc.2li") std::filesystem::create_symlink("/proc/self/pagemap", entry);
    prompts.Messages.clear();
    const int from = static_cast<int>(LogList.size());
    form->OptionForm->show();
    Options->FilesChanged = true;
    QTest::mouseClick(form->OptionForm->ApplyButton, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    const std::string& text = prompts.Messages[0].Text;
    EXPECT_EQ(text.rfind("The satellite list could not be loaded from the element files.\r", 0), 0u) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    EXPECT_NE(text.find(entry), std::string::npos) << text;
    EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Error);
    EXPECT_GE(IndexOfLine(text.substr(text.find('\r') + 1), from), from);  // the log line stays
    std::filesystem::remove(entry);
  }
}

}  // namespace
