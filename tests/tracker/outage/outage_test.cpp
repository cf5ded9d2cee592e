// The solar outage search: against the sun of the astronomy routines (the found moment has the
// dish's azimuth, lies in the observer's daylight, and due south is the transit), and with
// scripted suns for the failure paths and the work limit.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "anglehelpers.h"
#include "astro_riseset.h"
#include "solaroutage.h"

namespace {

// TDateTime of a calendar date at 0h UTC, 1901 to 2099 (2000-01-01 is 36526, 2026-12-01 46357).
double Day(int y, int m, int d) {
  static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int leapDays = (y - 1901) / 4 - ((y % 4 == 0 && m <= 2) ? 1 : 0) + (y % 4 == 0 ? 1 : 0);
  return (y - 1900) * 365 + leapDays + before[m - 1] + d + 1;
}

constexpr double kMinute = 1.0 / 1440;

// The dish azimuth from south, positive east, for an azimuth from north.
double TargetOf(double azFromNorth) { return 180.0 - azFromNorth; }

struct TPlace {
  const char* name;
  double lat, lon;
};
constexpr TPlace kUtrecht{"Utrecht", 52.08, 5.13};
constexpr TPlace kNewYork{"New York", 40.71, -74.01};
constexpr TPlace kTokyo{"Tokyo", 35.68, 139.69};
constexpr TPlace kCapeTown{"Cape Town", -33.92, 18.42};
constexpr TPlace kSydney{"Sydney", -33.87, 151.21};
constexpr TPlace kLosAngeles{"Los Angeles", 34.05, -118.24};

}  // namespace

TEST(SolarOutageTest, DueSouthIsTheTransit) {
  // Northern observers, dish due south: the sun's transit of the observer's day, at its
  // culmination. The times of day are in UTC, far east and west of Greenwich included.
  const struct {
    TPlace place;
    double date;
  } cases[] = {{kUtrecht, Day(2026, 6, 21) + 0.5},  {kUtrecht, Day(2026, 12, 21) + 0.1},
               {kNewYork, Day(2026, 3, 10) + 0.4},  {kTokyo, Day(2026, 3, 10) + 0.4},
               {kLosAngeles, Day(2026, 11, 5) + 0.9}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.place.name);
    double elev = -1;
    const double t = SolarOutageTime(elev, c.date, 0, c.place.lat, c.place.lon);
    if (t == 0) {
      ADD_FAILURE() << "not found";
      continue;
    }
    const double localDay = std::floor(c.date + c.place.lon / 360);
    const double transit = astro::SunTransitTime(localDay - c.place.lon / 360 + 0.5, c.place.lat, -c.place.lon);
    EXPECT_NEAR(t, transit, 0.5 * kMinute);
    double e = 0, a = 0;
    AstroSolarEphemeris().Horizontal(e, a, transit, -c.place.lon, c.place.lat);
    EXPECT_NEAR(elev, e, 0.01);
  }
  // The culmination at Utrecht on 21 June: 90 - 52.08 + 23.44 degrees.
  double elev = 0;
  SolarOutageTime(elev, Day(2026, 6, 21), 0, kUtrecht.lat, kUtrecht.lon);
  EXPECT_NEAR(elev, 61.36, 0.05);
}

TEST(SolarOutageTest, FoundMomentHasTheDishAzimuthInDaylight) {
  const struct {
    TPlace place;
    double date;
    double azFromNorth;
  } cases[] = {
      {kUtrecht, Day(2026, 12, 1) + 0.5, 160},    {kUtrecht, Day(2026, 12, 1) + 0.5, 205},
      {kUtrecht, Day(2026, 4, 2) + 0.9, 110},     {kNewYork, Day(2026, 1, 15) + 0.1, 220},
      {kTokyo, Day(2026, 10, 20) + 0.7, 150},     {kLosAngeles, Day(2026, 2, 1) + 0.3, 200},
      // South of the equator the dish looks north; the sun crosses north at noon.
      {kCapeTown, Day(2026, 6, 15) + 0.5, 20},    {kCapeTown, Day(2026, 6, 15) + 0.5, 345},
      {kCapeTown, Day(2026, 6, 15) + 0.5, 359.5}, {kSydney, Day(2026, 7, 1) + 0.2, 2},
      {kSydney, Day(2026, 7, 1) + 0.8, 330},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.place.name) + " " + std::to_string(c.azFromNorth));
    double elev = -99;
    const double t = SolarOutageTime(elev, c.date, TargetOf(c.azFromNorth), c.place.lat, c.place.lon);
    if (t == 0) {
      ADD_FAILURE() << "not found";
      continue;
    }
    double e = 0, a = 0;
    AstroSolarEphemeris().Horizontal(e, a, t, -c.place.lon, c.place.lat);
    EXPECT_NEAR(Normalize360(a + 180), c.azFromNorth, 0.01);
    EXPECT_NEAR(elev, e, 1e-9);
    EXPECT_GT(e, 0);
    // The daylight of the UTC day or of the observer's own day.
    EXPECT_LT(std::fabs(t - c.date), 1.0);
  }
}

TEST(SolarOutageTest, NoneOutsideTheSunsPathOrWithoutSunrise) {
  const struct {
    const char* what;
    TPlace place;
    double date;
    double azFromNorth;
  } cases[] = {
      {"west of the sunset", kUtrecht, Day(2026, 12, 1) + 0.5, 260},
      {"east of the sunrise", kUtrecht, Day(2026, 12, 1) + 0.5, 100},
      {"north", kUtrecht, Day(2026, 6, 21) + 0.5, 0},
      {"south, seen from the south", kCapeTown, Day(2026, 6, 15) + 0.5, 180},
      {"east, southern winter", kCapeTown, Day(2026, 6, 15) + 0.5, 90},
      {"polar night", {"Svalbard", 78.2, 15.6}, Day(2026, 12, 21) + 0.5, 180},
      {"polar day", {"Svalbard", 78.2, 15.6}, Day(2026, 6, 21) + 0.5, 180},
      // The Sun comes up to -0.89 degrees only (PyEphem): no sunrise, however close.
      {"sun short of the horizon", {"67.7 N 150 W", 67.7, -150}, Day(2026, 12, 13) + 0.5, 180},
      // Sunsets at 23:59:06 UTC the day before and 0:00:07 the day after (PyEphem): the UTC day
      // has a sunrise but no sunset.
      {"no sunset that UTC day", kNewYork, Day(2011, 5, 9) + 0.5, 200},
  };
  for (const auto& c : cases) {
    double elev = 5;
    EXPECT_EQ(SolarOutageTime(elev, c.date, TargetOf(c.azFromNorth), c.place.lat, c.place.lon), 0) << c.what;
    EXPECT_EQ(elev, 0) << c.what;
  }
  // Three weeks earlier the place far north has a short day, and the dish due south sees the
  // Sun; New York the day after has its sunset again.
  double elev = 0;
  EXPECT_NE(SolarOutageTime(elev, Day(2026, 11, 22) + 0.5, TargetOf(180), 67.7, -150), 0);
  EXPECT_GT(elev, 0);
  EXPECT_NEAR(SolarOutageTime(elev, Day(2011, 5, 10) + 0.5, TargetOf(200), kNewYork.lat, kNewYork.lon),
              Day(2011, 5, 10) + 0.7266, 0.001);
}

namespace {

// A sun that turns evenly through the day: up at 6h, azimuth -90 (east) to +90 (west) by 18h,
// for a northern observer. Counts the calls; can be made to fail.
class TScriptedSun : public ISolarEphemeris {
 public:
  double RiseAz = -90, SetAz = 90;
  double Power = 1;                 // below 1: the azimuth turns fast around noon, slowly early and late
  double AzimuthOverride = std::nan("");
  bool NoRise = false;
  bool South = false;               // evenly from -60 through north (+-180) to +60
  mutable int RiseSetCalls = 0, PositionCalls = 0;

  TDateTime RiseTime(TDateTime Date, double, double) const override {
    ++RiseSetCalls;
    if (NoRise) throw astro::E_NoRiseSet();
    return std::floor(Date) + 0.25;
  }
  TDateTime SetTime(TDateTime Date, double, double) const override {
    ++RiseSetCalls;
    return std::floor(Date) + 0.75;
  }
  void Horizontal(double& Elevation, double& Azimuth, TDateTime Date, double, double) const override {
    ++PositionCalls;
    const double f = (Date - std::floor(Date) - 0.25) / 0.5;  // 0 at rise, 1 at set
    Elevation = 30 - 80 * (f - 0.5) * (f - 0.5);
    const double x = 2 * (f - 0.5);  // -1 at rise, 1 at set
    const double g = 0.5 + 0.5 * std::copysign(std::pow(std::fabs(x), Power), x);
    Azimuth = std::isnan(AzimuthOverride) ? RiseAz + (SetAz - RiseAz) * g : AzimuthOverride;
    if (South) Azimuth = Normalize180(-60 - 240 * f);
  }
};

}  // namespace

TEST(SolarOutageTest, ScriptedSuns) {
  const double date = 40000.3;
  const struct {
    const char* what;
    double power;
    double target;      // from south, positive east
    double expect;      // the moment, or 0
  } cases[] = {
      {"even sun, south-east", 1, 45, 40000.375},
      {"even sun, due south", 1, 0, 40000.5},
      // Turning fast at the dish's azimuth: the damped fixed-slope steps overshoot and never settle.
      {"fast sun", 0.15, 45, 0},
  };
  for (const auto& c : cases) {
    TScriptedSun sun;
    sun.Power = c.power;
    double elev = 0;
    const double t = SolarOutageTime(elev, date, c.target, 52, 0, sun);
    if (c.expect == 0) {
      EXPECT_EQ(t, 0) << c.what;
      EXPECT_NE(elev, 0) << c.what << ": the elevation of the last step stays";
    } else {
      EXPECT_NEAR(t, c.expect, 0.001 / 180 * 0.5) << c.what;
    }
    // The work of one call: two rise or set times, the two ends, the start and 100 steps.
    EXPECT_EQ(sun.RiseSetCalls, 2) << c.what;
    EXPECT_LE(sun.PositionCalls, 103) << c.what;
  }
}

TEST(SolarOutageTest, SouthernDishNearNorth) {
  // The sun's azimuth jumps from -180 to 180 as it passes north; the differences go the short
  // way round, so a dish a little west or east of north is found.
  const struct {
    double target, expect;
  } cases[] = {{-179, 40000.25 + 0.5 * 121.0 / 240}, {179, 40000.25 + 0.5 * 119.0 / 240},
               {-100, 40000.25 + 0.5 * 200.0 / 240}, {180, 40000.5}};
  for (const auto& c : cases) {
    TScriptedSun sun;
    sun.South = true;
    double elev = 0;
    EXPECT_NEAR(SolarOutageTime(elev, 40000.3, c.target, -40, 0, sun), c.expect, 0.01 / 240 * 0.5) << c.target;
    EXPECT_GT(elev, 20) << c.target;
  }
}

TEST(SolarOutageTest, FailuresGiveZero) {
  double elev = 7;
  {
    TScriptedSun sun;
    sun.NoRise = true;
    EXPECT_EQ(SolarOutageTime(elev, 40000.3, 0, 52, 0, sun), 0);
  }
  {
    TScriptedSun sun;  // rising and setting at the same azimuth: nothing to interpolate with
    sun.AzimuthOverride = 0;
    EXPECT_EQ(SolarOutageTime(elev, 40000.3, 0, -52, 0, sun), 0);
    EXPECT_EQ(SolarOutageTime(elev, 40000.3, 0, 52, 0, sun), 0);
  }
  {
    TScriptedSun sun;
    sun.AzimuthOverride = std::nan("");
    sun.RiseAz = std::nan("");
    EXPECT_EQ(SolarOutageTime(elev, 40000.3, 0, 52, 0, sun), 0);
  }
  TScriptedSun sun;
  EXPECT_EQ(SolarOutageTime(elev, std::nan(""), 0, 52, 0, sun), 0);
  EXPECT_EQ(SolarOutageTime(elev, 40000.3, std::nan(""), 52, 0, sun), 0);
  EXPECT_EQ(SolarOutageTime(elev, 40000.3, 0, std::numeric_limits<double>::infinity(), 0, sun), 0);
  EXPECT_EQ(sun.PositionCalls, 0);
  EXPECT_EQ(elev, 0);
}
