// Applying the settings to the collection, the views and the window, and the clock.
// (A first version: the observer, the files, the sort and filter buttons, the menu ticks and
// the clock's tick and picker synchronisation.)
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "clarkebelt.h"
#include "datetimepicker.h"
#include "log.h"
#include "options.h"
#include "polarmaps.h"
#include "sundial.h"
#include "qtext.h"
#include "satmain.h"
#include "sats.h"

void TSatForm::OptionsChanged(QObject* Sender) {
  try {
    const double lat = Options->ObsLat, lon = Options->ObsLon, height = Options->ObsHeight;
    WriteLog("Setting Options, Lat: " + FormatFloat("#.###", lat) + " Lon: " + FormatFloat("#.###", lon) +
             " Height: " + FormatFloat("#.###", height) + "  " + Options->HomeCity + "  UTC Offset " +
             FormatFloat("#.###", OffsetFromUTC() * 24));
    Sats->SetObsLon(lon);
    Sats->SetObsLat(lat);
    Sats->SetObsHeight(height);
    Sats->ModifiedPolarMount = Options->ModifiedPolarMount;
    for (TClarkeBelt* view : {ClarkeBelt, static_cast<TClarkeBelt*>(SatGroundMap), static_cast<TClarkeBelt*>(HAMap),
                              static_cast<TClarkeBelt*>(SunDial), static_cast<TClarkeBelt*>(ElevMap)})
      if (view) {
        view->ObsLat = lat;
        view->ObsLon = lon;
      }

    SortLonButton->setChecked(Options->SortLongitude);
    SortNameButton->setChecked(!SortLonButton->isChecked());
    FilterKuButton->setChecked(Options->FilterKu);
    FilterCButton->setChecked(Options->FilterC);
    FilterVisButton->setChecked(Options->FilterVis);
    ObstSortLonButton->setChecked(SortLonButton->isChecked());
    ObstSortNameButton->setChecked(SortNameButton->isChecked());
    ObstFilterKuButton->setChecked(FilterKuButton->isChecked());
    ObstFilterCButton->setChecked(FilterCButton->isChecked());
    ObstFilterVisButton->setChecked(FilterVisButton->isChecked());
    WriteLog(std::string("Filters: ") + (Options->FilterKu ? "Ku " : "") + (Options->FilterC ? "C " : "") +
             (Options->FilterVis ? "Vis " : "") + (Options->SortLongitude ? " Sorted " : ""));

    MenuViewProportional->setChecked(Options->ViewProp);
    MenuViewGroundMap->setChecked(Options->ViewSats);
    MenuViewSunInFront->setChecked(Options->SunInFront);
    MenuShowStarDsg->setChecked(Options->ViewStarNames);
    const int mag = Options->StarMag;
    (mag < 3 ? MenuMagHide : mag == 3 ? MenuMag3 : mag == 4 ? MenuMag4 : mag == 5 ? MenuMag5 : MenuMagAll)
        ->setChecked(true);

    Sats->UTC = InfoDatePicker->Value() - OffsetFromUTC();
    if (Options->FilesChanged) {
      WriteLog("Setting Files");
      CheckSaveSatCsv();
      Sats->SetKepFile("");
      Sats->SetSatCsvFile(Options->SatCsvFile);
      Sats->SetGeoLogFile(Options->GeoLogFile);
      Sats->SetKepFile(Options->TwoLineFile);
      Options->FilesChanged = false;
      WriteLog("Files Set");
    }
    Sats->CalcPulseFit();
    SortFilterButtonClick(Sender);
    WriteLog("Selectable Satellites: " + IntToStr(SatListBox->count()) +
             "  Current Sat: " + AnsiStr(SatNameEdit->text()));
  } catch (...) {
    WriteLog("Something went exceptionally wrong");
  }
}

void TSatForm::SetOptions() {
  if (!Options) return;
  Options->SortLongitude = SortLonButton->isChecked();
  Options->FilterKu = FilterKuButton->isChecked();
  Options->FilterC = FilterCButton->isChecked();
  Options->FilterVis = FilterVisButton->isChecked();
  Options->ViewProp = MenuViewProportional->isChecked();
  Options->ViewSats = MenuViewGroundMap->isChecked();
  Options->SunInFront = MenuViewSunInFront->isChecked();
  Options->ViewStarNames = MenuShowStarDsg->isChecked();
  Options->StarMag = MenuMagAll->isChecked() ? 50
                     : MenuMag5->isChecked() ? 5
                     : MenuMag4->isChecked() ? 4
                     : MenuMag3->isChecked() ? 3
                                             : -30;
}

void TSatForm::SortFilterButtonClick(QObject* Sender) {
  const bool fromObstacle = MainPageControl->currentWidget() == ObstacleTabSheet;
  const std::pair<QToolButton*, QToolButton*> twins[] = {
      {SortNameButton, ObstSortNameButton}, {SortLonButton, ObstSortLonButton},
      {FilterKuButton, ObstFilterKuButton}, {FilterCButton, ObstFilterCButton},
      {FilterVisButton, ObstFilterVisButton}};
  for (const auto& [info, obst] : twins) {
    if (fromObstacle)
      info->setChecked(obst->isChecked());
    else
      obst->setChecked(info->isChecked());
  }
  if (Sats) {
    Sats->SortLongitude = SortLonButton->isChecked();
    Sats->FilterKu = FilterKuButton->isChecked();
    Sats->FilterC = FilterCButton->isChecked();
    Sats->FilterVis = FilterVisButton->isChecked();
  }
  MainPageControlChange(Sender);
}

void TSatForm::ClockTimerTimer() {
  if (InfoRealTimeCheckBox->isChecked())
    InfoDatePicker->SetValue(Now());
  else
    InfoDatePicker->SetValue(InfoDatePicker->Value() + ClockStep);
  DateTimePickerChange(InfoDatePicker);
}

void TSatForm::DateTimePickerChange(QObject* Sender) {
  if (PickerGuard) return;
  PickerGuard = true;
  auto* source = qobject_cast<TDateTimePicker*>(Sender);
  const TDateTime v = source ? source->Value() : InfoDatePicker->Value();
  for (TDateTimePicker* p : {InfoTimePicker, InfoDatePicker, LocTimePicker, LocDatePicker, ObstTimePicker,
                             ObstDatePicker})
    if (p != Sender) p->SetValue(v);
  PickerGuard = false;
  if (!Sats) return;
  Sats->UTC = v - OffsetFromUTC();
  QWidget* page = MainPageControl->currentWidget();
  if (page == LocationTabSheet)
    ShowLocationInfo();
  else if (page == SatInfoTabSheet || page == ObstacleTabSheet)
    SatListBoxClick(Sender);
  else
    MainPageControlChange(InfoDatePicker);
}

void TSatForm::MenuTimeClick(QObject* Sender) {
  // The time steps of the "Shortcuts" menu come with the clock's step operations.
}
