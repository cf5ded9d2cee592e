// Applying the settings to the collection, the views and the window; the sort and filter
// buttons; changes held back while a page is being filled.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QTabWidget>
#include <QToolButton>

#include <exception>
#include <stdexcept>
#include <utility>

#include "anglehelpers.h"
#include "clarkebelt.h"
#include "datetimepicker.h"
#include "dishplots.h"
#include "log.h"
#include "mooncomp.h"
#include "options.h"
#include "polarmaps.h"
#include "qtext.h"
#include "satmain.h"
#include "sats.h"
#include "sundial.h"
#include "worldmap.h"

void TSatForm::OptionsChanged(QObject* Sender) {
  // The place fields and the pages are written anew: a field being edited is taken first.
  CommitPendingEdits();
  if (PageFilling()) {
    // A dialog's Apply or a place change in the middle of a page fill: applied when it ends.
    const bool fromCity = Sender != nullptr && Sender == CityComboBox;
    pendingOptionsFromCity_ = pendingOptions_ ? pendingOptionsFromCity_ && fromCity : fromCity;
    pendingOptions_ = true;
    WriteLog("Settings applied after the page is filled");
    return;
  }
  try {
    if (!Options || !Sats) throw std::runtime_error("no settings or satellites");
    const double lat = Options->ObsLat, lon = Options->ObsLon, height = Options->ObsHeight;
    WriteLog("Setting Options, Lat: " + FormatFloat("#.###", lat) + " Lon: " + FormatFloat("#.###", lon) +
             " Height: " + FormatFloat("#.###", height) + "  " + Options->HomeCity + "  UTC Offset " +
             FormatFloat("#.###", OffsetFromUTC() * 24));

    // The observer: the collection, then the views.
    Sats->SetObsLon(lon);
    Sats->SetObsLat(lat);
    Sats->SetObsHeight(height);
    Sats->ModifiedPolarMount = Options->ModifiedPolarMount;
    for (TClarkeBelt* view : {ClarkeBelt, static_cast<TClarkeBelt*>(SatGroundMap), static_cast<TClarkeBelt*>(HAMap),
                              static_cast<TClarkeBelt*>(SunDial), static_cast<TClarkeBelt*>(ElevMap)})
      if (view) {
        view->ObsLon = lon;
        view->ObsLat = lat;
      }
    for (TWorldMapFrame* frame : {WorldMapFrame, LocWorldMapFrame})
      if (frame) {
        frame->ObsLat = lat;
        frame->ObsLon = lon;
      }
    if (AnglePlot) AnglePlot->ObsLat = lat;
    if (DishPlot) DishPlot->ObsLat = lat;
    if (Moon1) Moon1->SetRotation(lat > 0 ? astro::rot_none : astro::rot_180);

    // The place fields of the Location page.
    if (CityComboBox) CityComboBox->setCurrentText(QStr(Options->HomeCity));
    if (CountryComboBox) CountryComboBox->setCurrentText(QStr(Options->HomeCountry));
    if (LocObsLonEdit) LocObsLonEdit->setText(QStr(DegToDirStr("##0.000", true, "EW", lon)));
    if (LocObsLatEdit) LocObsLatEdit->setText(QStr(DegToDirStr("##0.000", true, "NS", lat)));
    if (LocObsHeightEdit) LocObsHeightEdit->setText(QStr(FormatFloat("####0", height)));

    // Sort and filter buttons of both pages.
    // The two sort buttons are an exclusive pair: pressing one releases the other.
    (Options->SortLongitude ? SortLonButton : SortNameButton)->setChecked(true);
    FilterKuButton->setChecked(Options->FilterKu);
    FilterCButton->setChecked(Options->FilterC);
    FilterVisButton->setChecked(Options->FilterVis);
    (SortLonButton->isChecked() ? ObstSortLonButton : ObstSortNameButton)->setChecked(true);
    ObstFilterKuButton->setChecked(FilterKuButton->isChecked());
    ObstFilterCButton->setChecked(FilterCButton->isChecked());
    ObstFilterVisButton->setChecked(FilterVisButton->isChecked());
    WriteLog(std::string("Filters: ") + (Options->FilterKu ? "Ku " : "") + (Options->FilterC ? "C " : "") +
             (Options->FilterVis ? "Vis " : "") + (Options->SortLongitude ? " Sorted " : ""));

    // Menu ticks.
    MenuViewProportional->setChecked(Options->ViewProp);
    MenuViewGroundMap->setChecked(Options->ViewSats);
    MenuViewSunInFront->setChecked(Options->SunInFront);
    MenuShowStarDsg->setChecked(Options->ViewStarNames);
    const int mag = Options->StarMag;
    (mag < 3 ? MenuMagHide : mag == 3 ? MenuMag3 : mag == 4 ? MenuMag4 : mag == 5 ? MenuMag5 : MenuMagAll)
        ->setChecked(true);

    Sats->UTC = InfoDatePicker->Value() - OffsetFromUTC();

    if (Options->FilesChanged) {
      // No tick or second apply may reach the collection while it is reloaded (the save offer
      // and the loaders' messages let pending messages run).
      const TPageFill fill(*this);
      WriteLog("Setting Files");
      CommitPendingEdits();
      SatGridReleaseSats();  // its pending cell edit is kept and offered for saving
      // The reload frees every satellite: edits that could not be saved go only when the user
      // says so. Kept, the files are loaded at the next apply, which offers the save again.
      if (!CheckSaveSatCsv() &&
          MessageDlg("The satellite information could not be saved.\rLoad the data files anyway and lose the edits?",
                     TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        WriteLog("Files not loaded: the satellite information is not saved");
      } else {
        CurrentSat = nullptr;  // the satellites shown so far are freed now
        Sats->SetKepFile("");
        Sats->SetSatCsvFile(Options->SatCsvFile);
        Sats->SetGeoLogFile(Options->GeoLogFile);
        try {
          Sats->SetKepFile(Options->TwoLineFile);
        } catch (const ESatLibError& e) {
          // The orbit library could not build its list: without a word the user would only see
          // an empty satellite list. The error goes on to the log below.
          MessageDlg("The satellite list could not be loaded from the element files.\r" + std::string(e.what()),
                     TMsgDlgType::Error, mbOK);
          throw;
        }
        Options->FilesChanged = false;
        WriteLog("Files Set");
      }
    }

    SolarOutageDay = 0;
    Sats->CalcPulseFit();
    if (Sender == nullptr || Sender != CityComboBox) SortFilterButtonClick(Sender);
    WriteLog("Selectable Satellites: " + IntToStr(SatListBox->count()) +
             "  Current Sat: " + AnsiStr(SatNameEdit->text()));
  } catch (const std::exception& e) {
    WriteLog("Something went exceptionally wrong");
    WriteLog(e.what());
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
                                             : -30;  // hidden
}

void TSatForm::SortFilterButtonClick(QObject* Sender) {
  // The buttons of the page in use lead; the other page's twins follow.
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
  if (PageFilling()) {
    // Clicked while a page is being filled: the list is refilled when the fill ends.
    pendingSortFilter_ = true;
    return;
  }
  if (Sats) {
    Sats->SortLongitude = SortLonButton->isChecked();
    Sats->FilterKu = FilterKuButton->isChecked();
    Sats->FilterC = FilterCButton->isChecked();
    Sats->FilterVis = FilterVisButton->isChecked();
  }
  MainPageControlChange(Sender);
}

// ---- changes held back during a page fill ----------------------------------------------------

void TSatForm::EndPageFill() noexcept {
  if (PageFillDepth > 0) --PageFillDepth;
  if (PageFillDepth > 0 || pendingQueued_ || !(pendingOptions_ || pendingSortFilter_ || pendingClock_)) return;
  try {
    pendingQueued_ = QMetaObject::invokeMethod(this, [this] { RunPendingChanges(); }, Qt::QueuedConnection);
  } catch (...) {
    pendingQueued_ = false;
  }
}

void TSatForm::RunPendingChanges() {
  pendingQueued_ = false;
  if (PageFilling() || destroyed_) return;  // the fill that holds them queues them again
  const bool options = std::exchange(pendingOptions_, false);
  const bool fromCity = std::exchange(pendingOptionsFromCity_, false);
  bool sortFilter = std::exchange(pendingSortFilter_, false);
  bool clock = std::exchange(pendingClock_, false);
  if (options) {
    OptionsChanged(fromCity ? static_cast<QObject*>(CityComboBox) : this);
    // A full apply sets the time and refills the page itself.
    if (!fromCity) sortFilter = clock = false;
  }
  if (sortFilter) {
    SortFilterButtonClick(this);
    clock = false;
  }
  if (clock) DateTimePickerChange(InfoDatePicker);
}
