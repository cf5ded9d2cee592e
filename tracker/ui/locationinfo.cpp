#include "locationinfo.h"

#include <cmath>
#include <exception>

#include "anglehelpers.h"
#include "astro_calendar.h"
#include "astro_moon.h"
#include "astro_riseset.h"
#include "astro_sun.h"
#include "astro_transforms.h"

namespace {

constexpr double kKmPerAU = 149597869.0;
constexpr double kJulianDateOfZero = 2415018.5;  // Julian date of date-time 0
constexpr double kMjdOffset = 2400000.5;
constexpr double kHalfYear = 182.625;            // days
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
constexpr int kOutageSearchDays = 190;

// Runs one block of the panel. A missing rise or set and any other failure both end the block;
// the other failures are reported. Returns true when the block ran through.
template <class F>
bool Block(TLocationTexts& t, const char* name, F&& body) {
  try {
    body();
    return true;
  } catch (const astro::E_NoRiseSet&) {
    return false;
  } catch (const std::exception& e) {
    t.Failures.push_back(std::string(name) + ": " + e.what());
  } catch (...) {
    t.Failures.push_back(std::string(name) + ": unknown error");
  }
  return false;
}

// A value the astronomy routines gave; NaN or an infinity counts as a failure of the routine.
double Finite(long double v) {
  if (!std::isfinite(v)) throw EConvertError("not a number");
  return static_cast<double>(v);
}

std::string ClockTime(TDateTime utc, double offset) { return FormatDateTime("hh:nn", Finite(utc) + offset); }

std::string ApsisDate(TDateTime when, double offset) { return FormatDateTime("d/m/yy", when + offset); }

int YearOf(TDateTime t) { return DecodeDateTime(t).Year; }

}  // namespace

const char* AngleFormat(bool decimalDegs) { return decimalDegs ? "##0.000" : "#0"; }

std::string AzimuthText(double azimuth, double obsLat, bool decimalDegs, bool aziRelToSouth) {
  const char* fmt = AngleFormat(decimalDegs);
  if (!aziRelToSouth) return DegToDMSStr(fmt, decimalDegs, Normalize360(azimuth - 180));
  if (obsLat > 0) return DegToDirStr(fmt, decimalDegs, "EW", -azimuth);
  return DegToDirStr(fmt, decimalDegs, "EW", azimuth - 180);
}

int DayOfYear(TDateTime date) {
  const TDateTimeParts p = DecodeDateTime(date);
  return static_cast<int>(std::trunc(date) - EncodeDate(p.Year, 1, 1)) + 1;
}

int IsoWeekNumber(TDateTime date) {
  const TDateTimeParts p = DecodeDateTime(date);
  // Monday 1 .. Sunday 7.
  const auto isoDay = [](const TDateTimeParts& d) { return d.DayOfWeek == 1 ? 7 : d.DayOfWeek - 1; };
  const auto weeksIn = [&](int year) {
    // A year has 53 weeks when it starts on a Thursday, or on a Wednesday in a leap year.
    TDateTime jan1 = 0;
    if (!TryEncodeDate(year, 1, 1, jan1)) return 52;
    const int d = isoDay(DecodeDateTime(jan1));
    return d == 4 || (d == 3 && IsLeapYear(year)) ? 53 : 52;
  };
  const int week = (DayOfYear(date) - isoDay(p) + 10) / 7;
  if (week < 1) return weeksIn(p.Year - 1);
  if (week > weeksIn(p.Year)) return 1;
  return week;
}

TSeasonLine SeasonLine(TDateTime UT) {
  static const struct {
    astro::TSeason season;
    const char* name;
  } kSeasons[] = {{astro::snWinter, "Winter"}, {astro::snSpring, "Spring"}, {astro::snSummer, "Summer"},
                  {astro::snAutumn, "Autumn"}};
  const int month = DecodeDateTime(UT).Month;
  int index = 0;  // November to January: winter
  int year = YearOf(UT);
  if (month >= 2 && month <= 4)
    index = 1;
  else if (month >= 5 && month <= 7)
    index = 2;
  else if (month >= 8 && month <= 10)
    index = 3;
  else
    year = YearOf(UT - 32);  // January still belongs to the winter of the December before
  const TDateTime start = Finite(astro::SeasonStart(static_cast<uint16_t>(year), kSeasons[index].season));
  if (start == 0) throw EConvertError("no season start");
  return {std::string(kSeasons[index].name) + (start >= UT ? " Starts" : " Started"), start};
}

TDateTime ShownApsis(bool aphelion, TDateTime UT) {
  const auto next = [aphelion](int year) {
    const TDateTime jan1 = EncodeDate(year, 1, 1);
    return Finite(aphelion ? astro::NextAphelion(jan1) : astro::NextPerihelion(jan1));
  };
  const int year = YearOf(UT);
  TDateTime p = next(year);
  if (std::fabs(UT - p) > kHalfYear) p = next(year + (UT > p ? 1 : -1));
  return p;
}

double BeltElevation(double obsLat) { return GeoElevation(0, obsLat * kDegToRad) / kDegToRad; }

std::optional<TDateTime> NextSolarOutageDay(TDateTime UT, double obsLat, double obsLon,
                                            const std::function<void()>& eachDay) {
  if (!std::isfinite(UT) || !std::isfinite(obsLat) || !std::isfinite(obsLon)) return std::nullopt;
  const double lonW = -obsLon;
  const double belt = BeltElevation(obsLat);
  if (!std::isfinite(belt)) return std::nullopt;
  // Days UT, UT + 1, ... UT + 191 at most; a match counts before UT + 190.
  for (int k = 0; k <= kOutageSearchDays + 1; ++k) {
    const TDateTime d = UT + k;
    double e = -360;
    try {
      const TDateTime transit = Finite(astro::SunTransitTime(d, obsLat, lonW));
      astro::Extended elev = 0, azi = 0;
      astro::SunHorizontal(elev, azi, transit, lonW, obsLat);
      if (std::isfinite(elev)) e = static_cast<double>(elev);
    } catch (...) {
      e = -360;
    }
    if (eachDay) {
      try {
        eachDay();
      } catch (...) {
      }
    }
    if (std::fabs(e - belt) < 1) {
      if (d < UT + kOutageSearchDays) return d;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::string SolarOutageText(const std::optional<TDateTime>& day, double obsLat, bool decimalDegs) {
  if (!day) return "-";
  try {
    return DateToStr(*day) + " (" + DegToDMSStr("0.0", decimalDegs, BeltElevation(obsLat)) + ")";
  } catch (...) {
    return "-";
  }
}

TLocationTexts LocationTexts(const TLocationQuery& q) {
  TLocationTexts t;
  const TDateTime ut = q.UT;
  const double off = q.OffsetFromUTC;
  const double lonW = -q.ObsLon;
  const double lat = q.ObsLat;
  const bool dec = q.DecimalDegs;
  const char* fmt = AngleFormat(dec);
  const auto dms = [&](double x) { return DegToDMSStr(fmt, dec, x); };

  // Time panel.
  double lst = 0;
  Block(t, "Time", [&] {
    const double gst = Finite(astro::GreenwichSiderealTime(ut));
    lst = Normalize360(gst + q.ObsLon);
    std::string lcl = FormatDateTime("dddd d mmmm yyyy  h:nn:ss", q.Local);
    std::string hint =
        "Week: " + IntToStr(IsoWeekNumber(q.Local)) + "  Day of year: " + IntToStr(DayOfYear(q.Local));
    std::string utc = FormatDateTime("dddd d mmmm yyyy  h:nn:ss", ut);
    t.StarTime = TimeToStr(gst / 360);
    t.LclStarTime = TimeToStr(lst / 360);
    const double jd = ut + kJulianDateOfZero;
    t.JulianDate = FormatFloat("#,###,###.00000", jd);
    t.MJD = FormatFloat("#,###,###.00000", jd - kMjdOffset);
    t.LclTime = std::move(lcl);
    t.LclTimeHint = std::move(hint);
    t.UtcTime = std::move(utc);
  });

  // Sun position.
  Block(t, "Sun position", [&] {
    double e = 0, a = 0;
    try {
      astro::Extended le = 0, la = 0;
      astro::SunHorizontal(le, la, ut, lonW, lat);
      e = Finite(le);
      a = Finite(la);
    } catch (...) {
      e = a = 0;
    }
    t.SunElevation = dms(Normalize180(e));
    t.SunAzimuth = AzimuthText(a, lat, dec, q.AziRelToSouth);
  });

  // Solar times.
  Block(t, "Solar time", [&] {
    double ra = 0;
    try {
      astro::TSkyPosition pos;
      astro::SunPositionRecord(pos, ut);
      ra = Finite(pos.RightAscension);
    } catch (...) {
      ra = 0;
    }
    const double h = Normalize360(lst - ra + 180);
    t.TrueSolTime = TimeToStr(h / 360);
    t.TrueSolTimeHint = dms(h);
    t.AvgSolTime = TimeToStr(ut + q.ObsLon / 360);
  });

  // Sun size and distance.
  Block(t, "Sun size", [&] {
    t.SunDiameter = dms(Finite(astro::SunDiameterArcsec(ut)) / 3600);
    t.SunDistance = FormatFloat("###,###,##0", Finite(astro::SunDistanceAU(ut)) * kKmPerAU) + " Km";
  });

  // Perihelion and aphelion.
  Block(t, "Perihelion", [&] {
    const TDateTime p = ShownApsis(false, ut);
    t.SunPer = ApsisDate(p, off) + " " + FormatFloat("###,###,##0", Finite(astro::SunDistanceAU(p)) * kKmPerAU) + " Km";
  });
  Block(t, "Aphelion", [&] {
    const TDateTime p = ShownApsis(true, ut);
    t.SunAp = ApsisDate(p, off) + " " + FormatFloat("###,###,##0", Finite(astro::SunDistanceAU(p)) * kKmPerAU) + " Km";
  });

  // Twilights and the sun's events: a pair shows "-" twice when its first routine fails.
  using TEvent = TDateTime (*)(TDateTime, astro::Extended, astro::Extended);
  const struct {
    const char* name;
    TEvent first;
    TEvent second;
    std::string* firstText;
    std::string* secondText;
  } pairs[] = {
      {"Astronomical twilight", astro::AstroTwilightBegin, astro::AstroTwilightEnd, &t.ATStart, &t.ATEnd},
      {"Nautical twilight", astro::NauticalTwilightBegin, astro::NauticalTwilightEnd, &t.NTStart, &t.NTEnd},
      {"Civil twilight", astro::CivilTwilightBegin, astro::CivilTwilightEnd, &t.CTStart, &t.CTEnd},
      {"Sun rise and set", astro::SunRiseTime, astro::SunSetTime, &t.SunRise, &t.SunSet},
      {"Sun transit", astro::SunTransitTime, nullptr, &t.SunTransit, nullptr},
  };
  for (const auto& p : pairs) {
    std::string first, second;
    const bool ok = Block(t, p.name, [&] {
      first = ClockTime(p.first(ut, lat, lonW), off);
      if (p.second) second = ClockTime(p.second(ut, lat, lonW), off);
    });
    *p.firstText = ok ? first : "-";
    if (p.secondText) *p.secondText = ok ? second : "-";
  }

  // Season.
  Block(t, "Season", [&] {
    const TSeasonLine s = SeasonLine(ut);
    std::string line = s.Text + " " + FormatDateTime("d/m/yy", s.Start + off);
    t.SeasonHint = s.Text + " " + DateTimeToStr(s.Start + off);
    t.Season = std::move(line);
  });

  // Moon phase.
  Block(t, "Moon phase", [&] {
    static const char* const kPhases[] = {"New Moon",  "Waxing Crescent", "First Quarter", "Waxing Gibbous",
                                          "Full Moon", "Waning Gibbous",  "Last Quarter",  "Waning Crescent"};
    const unsigned index = astro::MoonPhaseIndex(ut);
    t.MoonPhase = index < 8 ? kPhases[index] : "";
  });

  // Moon data.
  Block(t, "Moon data", [&] {
    t.MoonIllum = FormatFloat("##.000\" %\"", Finite(astro::MoonIllumination(ut)) * 100);
    t.MoonAge = FormatFloat("##.000", Finite(astro::MoonAge(ut))) + " Days";
    t.MoonDiameter = dms(Finite(astro::MoonDiameterArcsec(ut)) / 3600);
    t.MoonDistance = FormatFloat("###,###", Finite(astro::MoonDistanceKm(ut))) + " Km";
  });
  Block(t, "Moon position", [&] {
    double e = 0, a = 0;
    try {
      astro::Extended le = 0, la = 0;
      astro::MoonHorizontal(le, la, ut, lonW, lat);
      e = Finite(le);
      a = Finite(la);
    } catch (...) {
      e = a = 0;
    }
    t.MoonElevation = dms(Normalize180(e));
    t.MoonAzimuth = AzimuthText(a, lat, dec, q.AziRelToSouth);
  });

  // Moon events, each on its own: one that does not happen that day leaves its label empty.
  Block(t, "Moon rise", [&] { t.MoonRise = ClockTime(astro::MoonRiseTime(ut, lat, lonW), off); });
  Block(t, "Moon transit", [&] { t.MoonTransit = ClockTime(astro::MoonTransitTime(ut, lat, lonW), off); });
  Block(t, "Moon set", [&] { t.MoonSet = ClockTime(astro::MoonSetTime(ut, lat, lonW), off); });

  // Perigee and apogee.
  Block(t, "Perigee", [&] {
    const TDateTime p = Finite(astro::NextPerigee(ut));
    t.MoonPerigee = ApsisDate(p, off) + " " + FormatFloat("###,##0", Finite(astro::MoonDistanceKm(p))) + " Km";
  });
  Block(t, "Apogee", [&] {
    const TDateTime p = Finite(astro::NextApogee(ut));
    t.MoonApogee = ApsisDate(p, off) + " " + FormatFloat("###,##0", Finite(astro::MoonDistanceKm(p))) + " Km";
  });
  return t;
}
