// The location page's time, sun and moon panel for the collection's moment, and the Sun and the
// Moon on the page's world map.
#include <QApplication>
#include <QLabel>
#include <QToolButton>

#include <cmath>
#include <exception>

#include "datetimepicker.h"
#include "locationinfo.h"
#include "locationpanel.h"
#include "log.h"
#include "mooncomp.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "worldmap.h"

namespace {

// Marks the panel as being filled for the lifetime of the object.
class TFillingMark {
 public:
  explicit TFillingMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFillingMark() { flag_ = false; }
  TFillingMark(const TFillingMark&) = delete;
  TFillingMark& operator=(const TFillingMark&) = delete;

 private:
  bool& flag_;
};

void SetText(QLabel* label, const std::string& text) {
  if (label) label->setText(QStr(text));
}

}  // namespace

void TSatForm::ShowLocationInfo() {
  if (!Sats || !Options || !LocInfoPanel) return;
  TLocationInfoPanel& p = *LocInfoPanel;
  // The outage search below lets pending messages run; a refresh that arrives through them is
  // dropped here (a time change is held back by the page fill and shown when it ends).
  if (p.Filling) return;
  const TFillingMark filling(p.Filling);
  const TPageFill fill(*this);
  const TDateTime ut = Sats->UTC;
  try {
    // The Sun and the Moon on the world map.
    if (LocWorldMapFrame) {
      for (int nr : {SunNoradNr, MoonNoradNr}) {
        const std::string name = Sats->NameOfNorad(nr);
        TSat* body = Sats->FindSat(name);
        LocWorldMapFrame->ShowSat(body ? *body : EmptySat);
      }
    }
  } catch (const std::exception& e) {
    WriteLog(std::string("Error showing Sun and Moon on the map: ") + e.what());
  } catch (...) {
    WriteLog("Error showing Sun and Moon on the map");
  }

  TLocationQuery q;
  q.UT = ut;
  q.Local = LocTimePicker ? LocTimePicker->Value() : ut + OffsetFromUTC();
  q.OffsetFromUTC = OffsetFromUTC();
  q.ObsLat = Options->ObsLat;
  q.ObsLon = Options->ObsLon;
  q.DecimalDegs = Options->DecimalDegs;
  q.AziRelToSouth = Options->AziRelToSouth;
  const TLocationTexts t = LocationTexts(q);
  for (const std::string& failure : t.Failures) WriteLog("Location info: " + failure);

  SetText(p.LclTimeLabel, t.LclTime);
  if (p.LclTimeLabel) p.LclTimeLabel->setToolTip(QStr(t.LclTimeHint));
  SetText(p.UtcTimeLabel, t.UtcTime);
  SetText(p.LocStarTimeLabel, t.StarTime);
  SetText(p.LocLclStarTimeLabel, t.LclStarTime);
  SetText(p.JulianDateLabel, t.JulianDate);
  SetText(p.MJDLabel, t.MJD);

  SetText(p.SunElevationLabel, t.SunElevation);
  SetText(p.SunAzimuthLabel, t.SunAzimuth);
  SetText(p.TrueSolTimeLabel, t.TrueSolTime);
  if (p.TrueSolTimeLabel) p.TrueSolTimeLabel->setToolTip(QStr(t.TrueSolTimeHint));
  SetText(p.AvgSolTimeLabel, t.AvgSolTime);
  SetText(p.SunDiameterLabel, t.SunDiameter);
  SetText(p.SunDistanceLabel, t.SunDistance);
  SetText(p.SunPerLabel, t.SunPer);
  SetText(p.SunApLabel, t.SunAp);
  SetText(p.ATStartLabel, t.ATStart);
  SetText(p.ATEndLabel, t.ATEnd);
  SetText(p.NTStartLabel, t.NTStart);
  SetText(p.NTEndLabel, t.NTEnd);
  SetText(p.CTStartLabel, t.CTStart);
  SetText(p.CTEndLabel, t.CTEnd);
  SetText(p.SunRiseLabel, t.SunRise);
  SetText(p.SunSetLabel, t.SunSet);
  SetText(p.SunTransitLabel, t.SunTransit);
  SetText(p.SeasonLabel, t.Season);
  if (p.SeasonLabel) p.SeasonLabel->setToolTip(QStr(t.SeasonHint));

  try {
    if (Moon1) Moon1->SetDate(ut);
  } catch (...) {
    WriteLog("Error drawing the moon picture");
  }
  SetText(p.MoonPhaseLabel, t.MoonPhase);
  SetText(p.MoonIllumLabel, t.MoonIllum);
  SetText(p.MoonAgeLabel, t.MoonAge);
  SetText(p.MoonDiameterLabel, t.MoonDiameter);
  SetText(p.MoonDistanceLabel, t.MoonDistance);
  SetText(p.MoonElevationLabel, t.MoonElevation);
  SetText(p.MoonAzimuthLabel, t.MoonAzimuth);
  SetText(p.MoonRiseLabel, t.MoonRise);
  SetText(p.MoonTransitLabel, t.MoonTransit);
  SetText(p.MoonSetLabel, t.MoonSet);
  SetText(p.MoonPerigeeLabel, t.MoonPerigee);
  SetText(p.MoonApogeeLabel, t.MoonApogee);

  // The next solar outage season: once per UT day, and not while the simulated clock runs. The
  // search lets pending messages run once a day step; the page fill held above keeps ticks and
  // settings changes out meanwhile. The day is remembered only once the search is done.
  if (!std::isfinite(ut) || std::fabs(ut) > 1e9) return;
  const int day = static_cast<int>(std::trunc(ut));
  const bool simulating = LocTimerButton && LocTimerButton->isChecked();
  if (day == SolarOutageDay || simulating) return;
  const double lat = Options->ObsLat, lon = Options->ObsLon;
  const bool decimal = Options->DecimalDegs;
  const std::optional<TDateTime> found = NextSolarOutageDay(
      ut, lat, lon, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  if (destroyed_) return;
  SetText(p.SolarOutageLabel, SolarOutageText(found, lat, decimal));
  SolarOutageDay = day;
}
