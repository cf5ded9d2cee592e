// The texts of the Location page's time, sun and moon panel for one moment and one observer,
// computed with the astronomy routines, and the search for the next solar outage season (the
// days when the sun at its transit passes the geostationary arc on the observer's meridian).
//
// Everything shown is local clock time: the event times of the UTC moment plus the offset of
// local time from UTC. Angles follow the "decimal degrees" and "azimuth from south" settings.
// Nothing here throws; a block that fails leaves its own texts as described and is reported in
// `Failures`.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "format.h"

struct TLocationQuery {
  TDateTime UT = 0;            // the moment, UTC
  TDateTime Local = 0;         // the local date-time the clock shows
  double OffsetFromUTC = 0;    // local time minus UTC, days; added to every time and date shown
  double ObsLat = 0;           // degrees, north positive
  double ObsLon = 0;           // degrees, east positive
  bool DecimalDegs = true;
  bool AziRelToSouth = true;
};

struct TLocationTexts {
  // Time panel.
  std::string LclTime, LclTimeHint, UtcTime, StarTime, LclStarTime, JulianDate, MJD;
  // Sun.
  std::string SunElevation, SunAzimuth, TrueSolTime, TrueSolTimeHint, AvgSolTime;
  std::string SunDiameter, SunDistance, SunPer, SunAp;
  std::string ATStart, ATEnd, NTStart, NTEnd, CTStart, CTEnd, SunRise, SunSet, SunTransit;
  std::string Season, SeasonHint;
  // Moon.
  std::string MoonPhase, MoonIllum, MoonAge, MoonDiameter, MoonDistance, MoonElevation, MoonAzimuth;
  std::string MoonRise, MoonTransit, MoonSet, MoonPerigee, MoonApogee;
  // One line per block that failed with something other than a missing rise or set.
  std::vector<std::string> Failures;
};

TLocationTexts LocationTexts(const TLocationQuery& q);

// The angle pattern of the settings: "##0.000" for decimal degrees, "#0" for the seconds.
const char* AngleFormat(bool decimalDegs);

// An azimuth of the astronomy routines (degrees from south, positive westward) as the page
// shows it: with `aziRelToSouth` from south ("E" east of south) for a northern observer and from
// north ("E" east of north) for a southern one; otherwise from north, clockwise, 0 to 360.
std::string AzimuthText(double azimuth, double obsLat, bool decimalDegs, bool aziRelToSouth);

// ISO 8601 week number (1 to 53) and day of the year (1 on 1 January) of a date.
// Throw EConvertError outside the years 1 to 9999.
int IsoWeekNumber(TDateTime date);
int DayOfYear(TDateTime date);

// The season line of a moment: "Winter Starts" / "Winter Started" ... and the season's start
// (UTC). February to April: spring of the year; May to July: summer; August to October: autumn;
// November to January: the winter that starts in the December before the moment's 32 days ago.
// Throws (EConvertError) outside the calendar.
struct TSeasonLine {
  std::string Text;
  TDateTime Start = 0;
};
TSeasonLine SeasonLine(TDateTime UT);

// The Earth's perihelion (or aphelion) nearest to UT among those of the year of UT and its
// neighbour: within about half a year of UT. Throws (EConvertError) outside the calendar.
TDateTime ShownApsis(bool aphelion, TDateTime UT);

// Elevation (degrees) of the geostationary arc on the observer's meridian.
double BeltElevation(double obsLat);

// The next solar outage season: stepping a day at a time from UT (UT, UT + 1, ...), the first day
// whose sun at transit stands within 1 degree of the arc's elevation; nothing when none is found
// before UT + 190 days. `eachDay` runs once per day step (it lets pending messages run).
// Never throws; a day whose transit cannot be computed (polar day or night) does not match.
std::optional<TDateTime> NextSolarOutageDay(TDateTime UT, double obsLat, double obsLon,
                                            const std::function<void()>& eachDay = {});
// The outage line: the day in the short date format and the arc's elevation ("0.0" pattern,
// whatever the setting), or "-" when there is no day.
std::string SolarOutageText(const std::optional<TDateTime>& day, double obsLat, bool decimalDegs);
