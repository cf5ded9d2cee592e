// The Satellites object through ISatellites, created by class identifier from the registered
// MarnSatLib.so.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "server_fixture.h"

using namespace servertest;

namespace {

constexpr double kDateTime2018Jan21 = 43121.0;  // 21 January 2018 0h UTC as a date-time
constexpr double kJulian2018Jan21 = 2458139.5;
constexpr double kSecond = 1.0 / 86400.0;

struct Look {
  HRESULT hr = E_FAIL;
  VARIANT_BOOL south = 7, visible = 7;
  double az = -1, el = -1, lon = -1, lat = -1, range = -1, rate = -1, alt = -1, phase = -1;
};

Look IsVisible(ISatellites* s, const char* name, double jd, double threshold = 0.0) {
  Look l;
  Bstr n(name);
  l.hr = s->IsVisible(n.get(), jd, threshold, &l.south, &l.az, &l.el, &l.lon, &l.lat, &l.range, &l.rate, &l.alt,
                      &l.phase, &l.visible);
  return l;
}

}  // namespace

TEST_F(SatellitesTest, InitialStateAndVersion) {
  Bstr version, path;
  ASSERT_EQ(sats->get_VersionString(version.out()), S_OK);
  EXPECT_EQ(version.str(), "3.2.0.20");
  EXPECT_EQ(version.str(), VELMAR_PROJECT_VERSION);
  ASSERT_EQ(sats->get_KeplerPath(path.out()), S_OK);
  EXPECT_EQ(path.str(), "");
  double v = 0;
  ASSERT_EQ(sats->get_ObsLat(&v), S_OK);
  EXPECT_NEAR(v, 56.0, 1e-12);
  ASSERT_EQ(sats->get_ObsLon(&v), S_OK);
  EXPECT_EQ(v, 0.0);
  ASSERT_EQ(sats->get_ObsHeight(&v), S_OK);
  EXPECT_EQ(v, 0.0);
  int32_t count = -1;
  ASSERT_EQ(sats->get_SatCount(&count), S_OK);  // the empty working folder
  EXPECT_EQ(count, 0);
}

TEST_F(SatellitesTest, ObserverLongitudeIsReducedIntoOneTurn) {
  const struct {
    double put, get;
  } cases[] = {{-10, 350}, {360, 0}, {725, 5}, {0, 0}, {359.5, 359.5}, {-360, 0}, {-725, 355}};
  for (const auto& c : cases) {
    ASSERT_EQ(sats->put_ObsLon(c.put), S_OK);
    double v = -1;
    ASSERT_EQ(sats->get_ObsLon(&v), S_OK);
    EXPECT_NEAR(v, c.get, 1e-9) << "put " << c.put;
  }
}

TEST_F(SatellitesTest, ObserverHeightIsHeldInKilometres) {
  // The height enters the geometry in km: 100 m raise the observer by 0.1 km, which shortens
  // the range to a body straight overhead by about 0.1 km.
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  ASSERT_EQ(sats->put_ObsHeight(100.0), S_OK);
  double h = 0;
  ASSERT_EQ(sats->get_ObsHeight(&h), S_OK);
  EXPECT_DOUBLE_EQ(h, 100.0);
  const double jd = kJulian2018Jan21;
  Look high = IsVisible(sats, "ISS", jd);
  ASSERT_EQ(sats->put_ObsHeight(0.0), S_OK);
  Look low = IsVisible(sats, "ISS", jd);
  ASSERT_EQ(high.hr, S_OK);
  ASSERT_EQ(low.hr, S_OK);
  EXPECT_LT(std::fabs(low.range - high.range), 0.1 + 1e-6);
  EXPECT_GT(std::fabs(low.range - high.range), 0.0);
}

TEST_F(SatellitesTest, ObserverValuesMustBeFinite) {
  EXPECT_EQ(sats->put_ObsLat(std::nan("")), E_INVALIDARG);
  EXPECT_NE(TakeErrorDescription(), "");
  EXPECT_EQ(sats->put_ObsLon(INFINITY), E_INVALIDARG);
  EXPECT_EQ(sats->put_ObsHeight(-INFINITY), E_INVALIDARG);
  double v = 0;
  ASSERT_EQ(sats->get_ObsLat(&v), S_OK);
  EXPECT_NEAR(v, 56.0, 1e-12);
}

TEST_F(SatellitesTest, EmptyKeplerPathLeavesNoListUntilTheNextPath) {
  SetPath("");
  int32_t count = 5;
  EXPECT_EQ(sats->get_SatCount(&count), E_UNEXPECTED);
  std::string source;
  GUID guid{};
  EXPECT_NE(TakeErrorDescription(&source, &guid), "");
  EXPECT_EQ(source, "MarnSatLib.Satellites");
  EXPECT_EQ(guid, IID_ISatellites);
  // Without a list even the sun is not computed; the observer members still work.
  EXPECT_EQ(IsVisible(sats, "SUN", kJulian2018Jan21).hr, E_UNEXPECTED);
  Bstr names;
  EXPECT_EQ(sats->get_SatNames(names.out()), E_UNEXPECTED);
  double v;
  EXPECT_EQ(sats->get_ObsLat(&v), S_OK);
  EXPECT_EQ(sats->DateTimeToJT(kDateTime2018Jan21, &v), S_OK);
  EXPECT_DOUBLE_EQ(v, kJulian2018Jan21);

  const std::string folder = ServerEnvironment::CopyDataFolder("names");
  SetPath(folder);
  ASSERT_EQ(sats->get_SatCount(&count), S_OK);
  EXPECT_EQ(count, 2);
  Bstr path;
  ASSERT_EQ(sats->get_KeplerPath(path.out()), S_OK);
  EXPECT_EQ(path.str(), folder);
}

TEST_F(SatellitesTest, SatNamesIsCommaText) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  Bstr names;
  ASSERT_EQ(sats->get_SatNames(names.out()), S_OK);
  EXPECT_EQ(names.str(), "ISS,\"NOAA 16\"");
}

TEST_F(SatellitesTest, UnknownNameWritesOnlyResultPhaseAndRangeRate) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  Look iss = IsVisible(sats, "ISS", kJulian2018Jan21);
  ASSERT_EQ(iss.hr, S_OK);
  double before[6];
  ASSERT_EQ(sats->SatState(&before[0], &before[1], &before[2], &before[3], &before[4], &before[5]), S_OK);
  int32_t rev = 0;
  ASSERT_EQ(sats->get_RevNumber(&rev), S_OK);
  EXPECT_GT(rev, 9561);  // the revolution number at epoch

  Look l = IsVisible(sats, "NO SUCH SAT", kJulian2018Jan21);
  ASSERT_EQ(l.hr, S_OK);
  EXPECT_EQ(l.visible, VARIANT_FALSE);
  EXPECT_EQ(l.phase, 0.0);
  EXPECT_EQ(l.rate, 0.0);
  EXPECT_EQ(l.south, 7);
  for (double v : {l.az, l.el, l.lon, l.lat, l.range, l.alt}) EXPECT_EQ(v, -1.0);

  double after[6];
  ASSERT_EQ(sats->SatState(&after[0], &after[1], &after[2], &after[3], &after[4], &after[5]), S_OK);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(after[i], before[i]);
  for (int i = 3; i < 6; ++i) EXPECT_EQ(after[i], 0.0);
  ASSERT_EQ(sats->get_RevNumber(&rev), S_OK);
  EXPECT_EQ(rev, 0);
  double phase = 1, orbitPos = 1;
  ASSERT_EQ(sats->get_OrbitPhase(&phase), S_OK);
  ASSERT_EQ(sats->get_MeanAnomaly(&orbitPos), S_OK);
  EXPECT_EQ(phase, 0.0);
  EXPECT_EQ(orbitPos, 0.0);
}

TEST_F(SatellitesTest, SunAndMoonByNameInAnyCase) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  const struct {
    const char* name;
    bool computed;
    double minRange, maxRange;
  } cases[] = {
      {"SUN", true, 1.4e8, 1.6e8}, {"sun", true, 1.4e8, 1.6e8},   {"Sun", true, 1.4e8, 1.6e8},
      {"moon", true, 3.4e5, 4.1e5}, {"MoOn", true, 3.4e5, 4.1e5}, {"SUN ", false, 0, 0},
      {" MOON", false, 0, 0},      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    Look l = IsVisible(sats, c.name, kJulian2018Jan21 + 0.5);
    ASSERT_EQ(l.hr, S_OK) << c.name;
    if (c.computed) {
      EXPECT_GT(l.range, c.minRange) << c.name;
      EXPECT_LT(l.range, c.maxRange) << c.name;
      EXPECT_EQ(l.south, VARIANT_FALSE) << c.name;  // no velocity
    } else {
      EXPECT_EQ(l.range, -1.0) << c.name;
      EXPECT_EQ(l.el, -1.0) << c.name;
    }
  }
  // The moon carries its phase angle, the sun none.
  Look moon = IsVisible(sats, "MOON", kJulian2018Jan21);
  Look sun = IsVisible(sats, "SUN", kJulian2018Jan21);
  EXPECT_NE(moon.phase, 0.0);
  EXPECT_LE(std::fabs(moon.phase), std::numbers::pi);
  EXPECT_EQ(sun.phase, 0.0);
}

TEST_F(SatellitesTest, ListedSatelliteNamedSunWins) {
  SetPath(ServerEnvironment::CopyDataFolder("sunsat"));
  Look l = IsVisible(sats, "Sun", kJulian2018Jan21);
  ASSERT_EQ(l.hr, S_OK);
  EXPECT_LT(l.range, 20000.0);  // the satellite, not the sun
  EXPECT_GT(l.alt, 300.0);
  EXPECT_LT(l.alt, 500.0);
  int32_t rev = 0;
  ASSERT_EQ(sats->get_RevNumber(&rev), S_OK);
  EXPECT_GT(rev, 0);
}

TEST_F(SatellitesTest, ThresholdMustBeStrictlyExceeded) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  // A time and a threshold in degrees whose radians equal the elevation exactly.
  auto toRad = [](double deg) { return deg * 2.0 * std::numbers::pi / 360.0; };
  double jd = 0, deg = 0;
  bool exact = false;
  for (int k = 0; k < 50 && !exact; ++k) {
    jd = kJulian2018Jan21 + 0.123 + 0.01 * k;
    const double e = Elevation("ISS", jd);
    double d = e * 360.0 / (2.0 * std::numbers::pi);
    for (int i = 0; i < 16; ++i) d = std::nextafter(d, -INFINITY);
    for (int i = 0; i < 32 && !exact; ++i, d = std::nextafter(d, INFINITY))
      if (toRad(d) == e) exact = true, deg = d;
  }
  ASSERT_TRUE(exact);
  EXPECT_EQ(IsVisible(sats, "ISS", jd, deg).visible, VARIANT_FALSE);
  EXPECT_EQ(IsVisible(sats, "ISS", jd, deg - 1e-6).visible, VARIANT_TRUE);
  EXPECT_EQ(IsVisible(sats, "ISS", jd, deg + 1e-6).visible, VARIANT_FALSE);
}

TEST_F(SatellitesTest, IsVisibleReportsTheSatellitesState) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  ASSERT_EQ(sats->put_ObsLat(52.0), S_OK);
  ASSERT_EQ(sats->put_ObsLon(5.0), S_OK);
  Look l = IsVisible(sats, "iss", kJulian2018Jan21);
  ASSERT_EQ(l.hr, S_OK);
  EXPECT_GT(l.alt, 350.0);
  EXPECT_LT(l.alt, 450.0);
  EXPECT_LE(std::fabs(l.lat), 51.7 * std::numbers::pi / 180.0);
  EXPECT_GE(l.lon, 0.0);
  EXPECT_LT(l.lon, 2 * std::numbers::pi);
  EXPECT_GE(l.az, 0.0);
  EXPECT_LT(l.az, 2 * std::numbers::pi);
  double x, y, z, vx, vy, vz;
  ASSERT_EQ(sats->SatState(&x, &y, &z, &vx, &vy, &vz), S_OK);
  const double r = std::sqrt(x * x + y * y + z * z), v = std::sqrt(vx * vx + vy * vy + vz * vz);
  EXPECT_NEAR(r, 6378.135 + l.alt, 25.0);
  EXPECT_NEAR(v, 7.66, 0.1);
  EXPECT_EQ(l.south, vz < 0 ? VARIANT_TRUE : VARIANT_FALSE);
  double orbitPos = 0, phase = -1;
  ASSERT_EQ(sats->get_MeanAnomaly(&orbitPos), S_OK);
  ASSERT_EQ(sats->get_OrbitPhase(&phase), S_OK);
  EXPECT_GT(orbitPos, 9561.0);
  EXPECT_GE(phase, 0.0);
}

TEST_F(SatellitesTest, FindAosAndLosOfALowSatellite) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  ASSERT_EQ(sats->put_ObsLat(52.0), S_OK);
  ASSERT_EQ(sats->put_ObsLon(5.0), S_OK);
  auto el = [&](double dateTime) { return Elevation("ISS", kJulian2018Jan21 + (dateTime - kDateTime2018Jan21)); };
  double t = kDateTime2018Jan21;
  while (el(t) >= 0) t += 60 * kSecond;

  Bstr iss("ISS");
  double aos = 0, los = 0;
  ASSERT_EQ(sats->FindAOS(iss.get(), t, &aos), S_OK);
  ASSERT_GT(aos, t);
  ASSERT_LT(aos - t, 1.0);
  EXPECT_GE(el(aos), 0.0);
  EXPECT_LT(el(aos - 20 * kSecond), 0.0);
  // Already up: the time itself.
  double again = 0;
  ASSERT_EQ(sats->FindAOS(iss.get(), aos, &again), S_OK);
  EXPECT_EQ(again, aos);

  // Near the end of the pass the steps are short and the set is found to within seconds.
  double late = aos;
  while (el(late + 10 * kSecond) > 0) late += 10 * kSecond;
  late -= 30 * kSecond;
  ASSERT_EQ(sats->FindLOS(iss.get(), late, &los), S_OK);
  EXPECT_GT(los, late);
  EXPECT_LE(el(los), 0.0);
  EXPECT_GT(el(los - 20 * kSecond), 0.0);
  // From high in the pass the steps, which grow with the square of the elevation, may overshoot
  // the set; the result is still a time below the horizon after the start.
  ASSERT_EQ(sats->FindLOS(iss.get(), aos + 60 * kSecond, &los), S_OK);
  EXPECT_GT(los, aos);
  EXPECT_LE(el(los), 0.0);
  // Already down: the time itself.
  ASSERT_EQ(sats->FindLOS(iss.get(), t, &again), S_OK);
  EXPECT_EQ(again, t);
}

// Twelve-hour orbits, near-circular and highly eccentric: from start times across a day, the
// next rise and set agree with a scan of the elevation at 1-second steps (the fine search
// ends at most one short step after the crossing).
TEST_F(SatellitesTest, FindAosAndLosOfTwelveHourOrbits) {
  SetPath(ServerEnvironment::CopyDataFolder("twelvehour"));
  struct Case {
    const char* name;
    double lat, lon;
  } const cases[] = {
      {"NAV 12H", 52.0, 5.0}, {"NAV 12H", -33.9, 18.4}, {"HEO 12H A", 52.0, 5.0}, {"HEO 12H A", -33.9, 18.4}};
  const double from = kDateTime2018Jan21, scanDays = 1.5;
  int rises = 0, sets = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " from " + std::to_string(c.lat));
    ASSERT_EQ(sats->put_ObsLat(c.lat), S_OK);
    ASSERT_EQ(sats->put_ObsLon(c.lon), S_OK);
    std::vector<double> el;
    for (long k = 0; k <= std::lround(scanDays * 86400); ++k)
      el.push_back(Elevation(c.name, kJulian2018Jan21 + k * kSecond));
    // The first scanned second at or after t on the other side of the horizon.
    auto next = [&](double t, bool rising) {
      for (auto k = static_cast<std::size_t>(std::ceil((t - from) / kSecond - 1e-6)); k < el.size(); ++k)
        if (rising ? el[k] >= 0 : el[k] <= 0) return from + k * kSecond;
      return -1.0;
    };
    Bstr name(c.name);
    for (double start = from; start < from + 0.75; start += 0.0625) {
      double aos = 0, los = 0;
      ASSERT_EQ(sats->FindAOS(name.get(), start, &aos), S_OK);
      ASSERT_EQ(sats->FindLOS(name.get(), start, &los), S_OK);
      const double rise = next(start, true), set = next(start, false);
      ASSERT_GT(rise, 0.0);
      ASSERT_GT(set, 0.0);
      if (rise > start) ++rises;
      if (set > start) ++sets;
      EXPECT_GE(aos, rise - kSecond) << start;
      EXPECT_LE(aos, rise + 20 * kSecond) << start;
      EXPECT_GE(los, set - kSecond) << start;
      EXPECT_LE(los, set + 20 * kSecond) << start;
    }
  }
  // Searches that had to step to the crossing, both ways.
  EXPECT_GE(rises, 10);
  EXPECT_GE(sets, 10);
}

TEST_F(SatellitesTest, FindAosOfTheSunWhenUp) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  ASSERT_EQ(sats->put_ObsLat(0.0), S_OK);
  ASSERT_EQ(sats->put_ObsLon(0.0), S_OK);
  Bstr sun("sun");
  const double noon = kDateTime2018Jan21 + 0.5;
  double r = 0;
  ASSERT_EQ(sats->FindAOS(sun.get(), noon, &r), S_OK);
  EXPECT_EQ(r, noon);
  ASSERT_EQ(sats->FindAOS(sun.get(), noon + 0.5, &r), S_OK);  // midnight: the next sunrise
  EXPECT_GT(r, noon + 0.7);
  EXPECT_LT(r, noon + 0.8);
}

TEST_F(SatellitesTest, FindAosAndLosGiveMinusOneBeyondTwoDays) {
  SetPath(ServerEnvironment::CopyDataFolder("mixed"));
  Bstr goes("GOES 16");  // near 75.2 degrees west
  const double t = kDateTime2018Jan21;
  double r = 0;
  // From the other side of the Earth it never rises.
  ASSERT_EQ(sats->put_ObsLat(0.0), S_OK);
  ASSERT_EQ(sats->put_ObsLon(105.0), S_OK);
  ASSERT_EQ(sats->FindAOS(goes.get(), t, &r), S_OK);
  EXPECT_EQ(r, -1.0);
  ASSERT_EQ(sats->FindLOS(goes.get(), t, &r), S_OK);
  EXPECT_EQ(r, t);
  // Below it, it never sets.
  ASSERT_EQ(sats->put_ObsLon(-75.0), S_OK);
  ASSERT_EQ(sats->FindLOS(goes.get(), t, &r), S_OK);
  EXPECT_EQ(r, -1.0);
  ASSERT_EQ(sats->FindAOS(goes.get(), t, &r), S_OK);
  EXPECT_EQ(r, t);
}

TEST_F(SatellitesTest, FindAosAndLosOfAnUnknownNameGiveMinusOne) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  Bstr name("NOBODY");
  double r = 0;
  ASSERT_EQ(sats->FindAOS(name.get(), kDateTime2018Jan21, &r), S_OK);
  EXPECT_EQ(r, -1.0);
  ASSERT_EQ(sats->FindLOS(name.get(), kDateTime2018Jan21, &r), S_OK);
  EXPECT_EQ(r, -1.0);
}

TEST_F(SatellitesTest, PassList) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  ASSERT_EQ(sats->put_ObsLat(52.0), S_OK);
  ASSERT_EQ(sats->put_ObsLon(5.0), S_OK);
  Bstr unknown("NOBODY"), iss("ISS"), list;
  ASSERT_EQ(sats->PassListForPeriod(unknown.get(), kDateTime2018Jan21, 0, 1, 0.0, list.out()), S_OK);
  EXPECT_EQ(list.str(), "");
  ASSERT_EQ(sats->PassListForPeriod(iss.get(), kDateTime2018Jan21, 0, 1, 0.0, list.out()), S_OK);
  const std::string text = list.str();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.substr(0, 9), "\"20180121");
  EXPECT_EQ(text.substr(text.size() - 5), " ISS\"");
}

TEST_F(SatellitesTest, NullOutPointersGiveEPointer) {
  const std::vector<std::pair<const char*, std::function<HRESULT()>>> calls = {
      {"VersionString", [&] { return sats->get_VersionString(nullptr); }},
      {"KeplerPath", [&] { return sats->get_KeplerPath(nullptr); }},
      {"SatCount", [&] { return sats->get_SatCount(nullptr); }},
      {"SatNames", [&] { return sats->get_SatNames(nullptr); }},
      {"ObsLat", [&] { return sats->get_ObsLat(nullptr); }},
      {"ObsLon", [&] { return sats->get_ObsLon(nullptr); }},
      {"ObsHeight", [&] { return sats->get_ObsHeight(nullptr); }},
      {"PassListForPeriod", [&] { return sats->PassListForPeriod(nullptr, 0, 0, 1, 0, nullptr); }},
      {"IsVisible",
       [&] {
         double d = 0;
         return sats->IsVisible(nullptr, kJulian2018Jan21, 0, nullptr, &d, &d, &d, &d, &d, &d, &d, &d, nullptr);
       }},
      {"DateTimeToJT", [&] { return sats->DateTimeToJT(0, nullptr); }},
      {"RevNumber", [&] { return sats->get_RevNumber(nullptr); }},
      {"OrbitPhase", [&] { return sats->get_OrbitPhase(nullptr); }},
      {"FindAOS", [&] { return sats->FindAOS(nullptr, 0, nullptr); }},
      {"FindLOS", [&] { return sats->FindLOS(nullptr, 0, nullptr); }},
      {"MeanAnomaly", [&] { return sats->get_MeanAnomaly(nullptr); }},
      {"SatState",
       [&] {
         double d = 0;
         return sats->SatState(&d, &d, nullptr, &d, &d, &d);
       }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_EQ(call(), E_POINTER) << name;
    EXPECT_NE(TakeErrorDescription(), "") << name;
  }
}

TEST_F(SatellitesTest, FailuresInsideMembersBecomeResultCodes) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  double jd = 0;
  // A date-time outside the calendar fails inside the core; the failure comes back as a code.
  EXPECT_TRUE(FAILED(sats->DateTimeToJT(1e300, &jd)));
  EXPECT_NE(TakeErrorDescription(), "");
  EXPECT_TRUE(FAILED(sats->DateTimeToJT(std::nan(""), &jd)));
  Bstr iss("ISS");
  double r = 0;
  EXPECT_TRUE(FAILED(sats->FindAOS(iss.get(), std::nan(""), &r)));
  EXPECT_NE(TakeErrorDescription(), "");
  EXPECT_TRUE(FAILED(IsVisible(sats, "ISS", std::nan("")).hr));
}

// A set whose drag brings it down about 3.8 days after its epoch (2018 January 20.5): its
// states are given until it is less than one Earth radius from the centre; from then on
// IsVisible fails with the decay message, and so do the searches that step through it.
TEST_F(SatellitesTest, DecayedSatelliteFailsWithItsMessage) {
  SetPath(ServerEnvironment::CopyDataFolder("decay"));
  ASSERT_EQ(sats->put_ObsLat(52.0), S_OK);
  ASSERT_EQ(sats->put_ObsLon(5.0), S_OK);
  const double epoch = kJulian2018Jan21 - 0.5;
  EXPECT_EQ(IsVisible(sats, "DECAYING", epoch + 1).hr, S_OK);
  double decayed = 0;
  for (double jd = epoch + 3.5; jd < epoch + 4.0 && decayed == 0; jd += 60 * kSecond) {
    const Look l = IsVisible(sats, "DECAYING", jd);
    if (FAILED(l.hr)) {
      EXPECT_EQ(l.hr, E_UNEXPECTED);
      EXPECT_EQ(TakeErrorDescription(), "Satellite has decayed");
      decayed = jd;
    } else {
      EXPECT_GT(l.alt, 0.0);
    }
  }
  ASSERT_GT(decayed, 0.0);

  Bstr name("DECAYING");
  double r = 0;
  const double decayedDateTime = kDateTime2018Jan21 + (decayed - kJulian2018Jan21);
  EXPECT_TRUE(FAILED(sats->FindAOS(name.get(), decayedDateTime, &r)));
  EXPECT_EQ(TakeErrorDescription(), "Satellite has decayed");
}

TEST_F(SatellitesTest, SupportsErrorInfoForISatellitesOnly) {
  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(sats->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ISatellites), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  support->Release();
  IUnknown* unk = nullptr;
  EXPECT_EQ(sats->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&unk)), E_NOINTERFACE);
  EXPECT_EQ(unk, nullptr);
}

// An element folder holding an entry that cannot be read as a file: the put fails, names the
// entry, and leaves the object without a list.
TEST_F(SatellitesTest, AnUnreadableElementFileFailsTheListNamingIt) {
  struct TCase {
    std::string entry;
    bool folder;
  };
  std::vector<TCase> cases = {{"x.txt", true}};
  if (::geteuid() != 0) cases.push_back({"locked.tle", false});  // root reads a file of mode 000
  for (const TCase& c : cases) {
    const std::string dir = ServerEnvironment::CopyDataFolder("names");
    const std::string path = dir + "/" + c.entry;
    if (c.folder) {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    } else {
      std::ofstream(path) << "LOCKED\n";
      ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    }
    Bstr p(dir);
    EXPECT_EQ(sats->put_KeplerPath(p.get()), E_UNEXPECTED) << c.entry;
    const std::string text = TakeErrorDescription();
    EXPECT_NE(text.find(c.entry), std::string::npos) << text;
    int32_t count = 5;
    EXPECT_EQ(sats->get_SatCount(&count), E_UNEXPECTED) << c.entry;
    TakeErrorDescription();
    ::chmod(path.c_str(), 0644);
  }
}

TEST_F(SatellitesTest, PassListPeriodsBeyondTenYearsAreRefused) {
  SetPath(ServerEnvironment::CopyDataFolder("names"));
  Bstr iss("ISS");
  const struct {
    int32_t days;
    HRESULT hr;
  } cases[] = {{-1, E_INVALIDARG}, {INT32_MIN, E_INVALIDARG}, {3661, E_INVALIDARG}, {INT32_MAX, E_INVALIDARG},
               {0, S_OK}, {2, S_OK}};
  for (const auto& c : cases) {
    Bstr list;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sats->PassListForPeriod(iss.get(), kDateTime2018Jan21, 0, c.days, 0.0, list.out()), c.hr) << c.days;
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0) << c.days;
    if (c.hr != S_OK) {
      EXPECT_NE(TakeErrorDescription().find("NumDays"), std::string::npos) << c.days;
    }
  }
}
