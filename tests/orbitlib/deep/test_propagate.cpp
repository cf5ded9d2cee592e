// The propagation driver with the deep-space model: the report's sample case, the
// geostationary sets against an independent implementation, and the orbit counters.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "test_util.h"

namespace orbit {
namespace {

using test::AngleDiffDeg;
using test::DataPath;
using test::LongitudeDeg;
using test::Number;
using test::ParseSat;
using test::ReadLines;
using test::SplitFields;

constexpr double kPi = 3.14159265358979323846;

const std::string k11801Line1 =
    "1 11801U          80230.29629788  .01431103  00000-0  14311-1      13";
const std::string k11801Line2 =
    "2 11801  46.7916 230.4354 7318036  47.4722  10.4117  2.28537848    13";

// A near-Earth set with a low perigee and high drag: down between 3.5 and 4 days after its epoch.
const std::string kLowDragLine1 = "1 90401U 18002A   18020.50000000  .05000000  00000-0  30000-2 0  9991";
const std::string kLowDragLine2 = "2 90401  51.6000 100.0000 0015000  90.0000 270.0000 16.25000000  1008";

// The sample set with another revolution number at epoch (columns 64-68).
std::string Line2WithRev(const char* rev5) {
  std::string line = k11801Line2;
  line.replace(63, 5, rev5);
  return line;
}

TEST(Propagate, ReportSampleCase11801) {
  struct {
    double minutes, x, y, z;
  } const expected[] = {
      {0, 7473.37066650, 428.95261765, 5828.74786377},
      {360, -3305.22537232, 32410.86328125, -24697.17675781},
      {720, 14271.28759766, 24110.46411133, -4725.76837158},
      {1080, -9990.05883789, 22717.35522461, -23616.89062501},
      {1440, 9787.86975097, 33753.34667969, -15030.81176758},
  };
  TSatellite sat = ParseSat(k11801Line1, k11801Line2);
  ASSERT_TRUE(sat.deepSpace);
  for (const auto& e : expected) {
    SCOPED_TRACE(e.minutes);
    Vector pos, vel;
    PropagateSatellite(sat, sat.epoch + e.minutes / 1440.0, pos, vel);
    StateToKm(pos, vel);
    EXPECT_NEAR(pos.x, e.x, 0.05);
    EXPECT_NEAR(pos.y, e.y, 0.05);
    EXPECT_NEAR(pos.z, e.z, 0.05);
    if (e.minutes == 0) {
      EXPECT_NEAR(vel.x, 5.10715413, 1e-5);
      EXPECT_NEAR(vel.y, 6.44468284, 1e-5);
      EXPECT_NEAR(vel.z, -0.18613096, 1e-5);
    }
  }
}

// Longitudes at the epoch and 30 days later against python3-sgp4 (see data/README.md).
TEST(Propagate, GeostationaryWeatherSatellitesMatchIndependentModel) {
  TSatelliteList list;
  list.LoadFromFile(DataPath("geo_weather_2018.tle"));
  int checked = 0;
  for (const std::string& line : ReadLines(DataPath("geo_weather_2018_expected.csv"))) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = SplitFields(line);
    ASSERT_EQ(f.size(), 3u) << line;
    SCOPED_TRACE(f[0]);
    const int index = list.IndexOfCatNr(f[0]);
    ASSERT_GE(index, 0);
    TSatellite& sat = *list.GetSat(index);
    EXPECT_TRUE(sat.deepSpace);
    EXPECT_LT(AngleDiffDeg(LongitudeDeg(sat, sat.epoch), Number(f[1])), 0.05);
    EXPECT_LT(AngleDiffDeg(LongitudeDeg(sat, sat.epoch + 30), Number(f[2])), 0.05);
    ++checked;
  }
  EXPECT_EQ(checked, 20);
}

// The twelve-hour resonance integrated over 30 days against python3-sgp4.
TEST(Propagate, TwelveHourResonanceMatchesIndependentModel) {
  const auto tle = ReadLines(DataPath("twelve_hour.tle"));
  ASSERT_EQ(tle.size(), 3u);
  TSatellite sat = ParseSat(tle[1], tle[2]);
  ASSERT_TRUE(sat.deepSpace);
  int checked = 0;
  for (const std::string& line : ReadLines(DataPath("twelve_hour_expected.csv"))) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = SplitFields(line);
    ASSERT_EQ(f.size(), 4u);
    const double minutes = Number(f[0]);
    Vector pos, vel;
    PropagateSatellite(sat, sat.epoch + minutes / 1440, pos, vel);
    StateToKm(pos, vel);
    const double miss =
        std::hypot(pos.x - Number(f[1]), pos.y - Number(f[2]), pos.z - Number(f[3]));
    EXPECT_LT(miss, minutes <= 1440 ? 0.05 : 1.0) << line;
    ++checked;
  }
  EXPECT_EQ(checked, 6);
  EXPECT_EQ(sat.deep->iresfl, 1);
  EXPECT_EQ(sat.deep->isynfl, 0);
}

// Sets with inclination and eccentricity exactly 0 stay at the longitude of their name.
TEST(Propagate, IdealGeostationarySetsSitAtTheirNominalLongitudes) {
  const auto lines = ReadLines(DataPath("geo_ideal_2025.tle"));
  ASSERT_EQ(lines.size(), 30u);
  for (std::size_t i = 0; i + 2 < lines.size(); i += 3) {
    const std::string name = lines[i].substr(0, lines[i].find_last_not_of(' ') + 1);
    SCOPED_TRACE(name);
    // "GEO 75.0W" / "GEO 9.0E"
    const std::string value = name.substr(4, name.size() - 5);
    double nominal = Number(value);
    if (name.back() == 'W') nominal = 360 - nominal;
    TSatellite sat = ParseSat(lines[i + 1], lines[i + 2]);
    ASSERT_TRUE(sat.deepSpace);
    EXPECT_LT(AngleDiffDeg(LongitudeDeg(sat, sat.epoch), nominal), 0.05);
    for (double day = 0.25; day <= 30; day += 0.25) {
      Vector pos, vel;
      PropagateSatellite(sat, sat.epoch + day, pos, vel);
      StateToKm(pos, vel);
      ASSERT_NEAR(pos.mag, 42164, 30) << day;
      ASSERT_NEAR(vel.mag, 3.0747, 0.005) << day;
      ASSERT_LT(AngleDiffDeg(RadToDeg(GeodeticOfState(pos, sat.epoch + day).lon), nominal), 2.0);
    }
  }
}

// Inclined geostationary sets whose node lies where the quadrant arctangent of the
// low-inclination branch returns a value a turn away from the incoming node.
TEST(Propagate, InclinedGeostationaryLongitudeIsContinuousAndMatches) {
  const auto tle = ReadLines(DataPath("inclined_geo.tle"));
  ASSERT_EQ(tle.size(), 6u);
  std::map<std::string, TSatellite> sats;
  for (std::size_t i = 0; i + 2 < tle.size(); i += 3)
    sats.emplace(tle[i + 1].substr(2, 5), ParseSat(tle[i + 1], tle[i + 2]));

  int checked = 0;
  for (const std::string& line : ReadLines(DataPath("inclined_geo_expected.csv"))) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = SplitFields(line);
    ASSERT_EQ(f.size(), 3u);
    TSatellite& sat = sats.at(f[0]);
    EXPECT_LT(AngleDiffDeg(LongitudeDeg(sat, sat.epoch + Number(f[1]) / 1440), Number(f[2])), 0.02)
        << line;
    ++checked;
  }
  EXPECT_EQ(checked, 26);

  for (auto& [catNr, sat] : sats) {
    SCOPED_TRACE(catNr);
    double previous = LongitudeDeg(sat, sat.epoch);
    for (int step = 1; step <= 144; ++step) {
      const double lon = LongitudeDeg(sat, sat.epoch + step * 10 / 1440.0);
      ASSERT_LT(AngleDiffDeg(lon, previous), 0.02) << "step " << step;
      previous = lon;
    }
  }
}

TEST(Propagate, NearEarthSatelliteTakesTheNearEarthModel) {
  TSatellite sat =
      ParseSat("1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87",
               "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058");
  ASSERT_FALSE(sat.deepSpace);
  Vector pos, vel;
  PropagateSatellite(sat, sat.epoch + 0.25, pos, vel);
  EXPECT_EQ(sat.initNeeded, 0);
  EXPECT_NE(sat.sgp4.xnodp, 0);
  EXPECT_FALSE(sat.deep);  // no deep-space work area at all
  StateToKm(pos, vel);
  EXPECT_NEAR(pos.x, 2456.10705566, 0.05);
  EXPECT_NEAR(pos.y, -6071.93853760, 0.05);
  EXPECT_NEAR(pos.z, 1222.89727783, 0.05);
  EXPECT_GE(sat.orbitPhase, 0);
  EXPECT_EQ(sat.revNumber, 105 + 4);  // a quarter day at 16 revolutions a day
}

TEST(Propagate, OrbitPositionAtEpochIsMeanAnomalyPlusRevolutions) {
  TSatellite sat = ParseSat(k11801Line1, Line2WithRev("   13"));
  Vector pos, vel;
  PropagateSatellite(sat, sat.epoch, pos, vel);
  EXPECT_DOUBLE_EQ(sat.orbitPos, sat.meanAnomaly / (2 * kPi) + 13);
  EXPECT_EQ(sat.revNumber, 13);  // northbound at the epoch
  EXPECT_NEAR(OrbitPeriodDays(sat), 1 / 2.28537848, 1e-12);
  // A day later: about 2.285 revolutions on (the drag term bends it slightly).
  PropagateSatellite(sat, sat.epoch + 1, pos, vel);
  EXPECT_NEAR(sat.orbitPos - 13 - sat.meanAnomaly / (2 * kPi), 2.28537848, 0.01);
}

TEST(Propagate, SouthboundAtEpochCountsTheRunningRevolution) {
  // Mean anomaly 180 deg puts the satellite south of the equator at the epoch.
  std::string line2 = Line2WithRev("   13");
  line2.replace(43, 8, "180.0000");
  TSatellite sat = ParseSat(k11801Line1, line2);
  Vector pos, vel;
  PropagateSatellite(sat, sat.epoch, pos, vel);
  ASSERT_LT(std::sin(sat.orbitPhase), 0);
  EXPECT_LT(pos.z, 0);
  EXPECT_EQ(sat.revNumber, 12);  // the count at epoch belongs to the next ascending node
}

TEST(Propagate, RevolutionNumberStepsAtTheAscendingNode) {
  TSatellite sat = ParseSat(k11801Line1, Line2WithRev("   13"));
  Vector pos, vel;
  PropagateSatellite(sat, sat.epoch - 2, pos, vel);
  int rev = sat.revNumber;
  double phase = sat.orbitPhase;
  double z = pos.z;
  int steps = 0;
  for (double minute = 1; minute <= 4 * 1440; minute += 1) {
    PropagateSatellite(sat, sat.epoch - 2 + minute / 1440, pos, vel);
    ASSERT_GE(sat.orbitPhase, 0);
    ASSERT_LT(sat.orbitPhase, 2 * kPi + 0.01);
    if (z < 0 && pos.z >= 0) {
      // Crossed the ascending node: the phase wrapped from just below 2 pi.
      EXPECT_GT(phase, 6.0);
      EXPECT_EQ(sat.revNumber, rev + 1) << minute;
      ++steps;
    } else {
      EXPECT_EQ(sat.revNumber, rev) << minute;
    }
    rev = sat.revNumber;
    phase = sat.orbitPhase;
    z = pos.z;
  }
  EXPECT_EQ(steps, 9);  // 2.285 revolutions a day over four days
  EXPECT_EQ(rev, 13 + 4);
}

TEST(Propagate, RevolutionNumberTruncatesTowardZeroBeforeTheEpoch) {
  TSatellite sat = ParseSat(k11801Line1, Line2WithRev("    0"));
  std::map<int, int> samples;  // revolution number -> minutes seen
  Vector pos, vel;
  for (double minute = -1512; minute <= 0; minute += 1) {  // 2.4 revolutions
    PropagateSatellite(sat, sat.epoch + minute / 1440, pos, vel);
    ++samples[sat.revNumber];
  }
  // From 2.4 revolutions before to the epoch: -2, -1 and then 0 for both the sums in
  // (-1, 0] and those in (0, 1).
  ASSERT_EQ(samples.size(), 3u);
  EXPECT_EQ(samples.begin()->first, -2);
  EXPECT_GT(samples[0], samples[-1]);
}

TEST(Propagate, SatellitesKeepTheirOwnModelState) {
  const auto geo = ReadLines(DataPath("geo_weather_2018.tle"));
  TSatellite a = ParseSat(k11801Line1, k11801Line2);
  TSatellite b = ParseSat(geo[1], geo[2]);
  TSatellite aAlone = a, bAlone = b;
  for (double day = 0; day <= 3; day += 0.37) {
    Vector pa, va, pb, vb, pa1, va1, pb1, vb1;
    PropagateSatellite(a, a.epoch + day, pa, va);
    PropagateSatellite(b, b.epoch + day, pb, vb);
    PropagateSatellite(aAlone, aAlone.epoch + day, pa1, va1);
    PropagateSatellite(bAlone, bAlone.epoch + day, pb1, vb1);
    EXPECT_EQ(pa.x, pa1.x);
    EXPECT_EQ(pb.y, pb1.y);
    EXPECT_EQ(vb.z, vb1.z);
  }
}

// A failed propagation leaves the revolution number and the orbit position of the last one (for
// near-Earth sets they are formed before the model runs and kept only when it succeeds); a date
// that is no number fails before the model, which leaves its phase too.
TEST(Propagate, FailedPropagationLeavesTheCounters) {
  const struct {
    const char* name;
    std::string line1, line2;
    double days;  // after the epoch
    bool modelRuns;
  } cases[] = {
      {"not a number", k11801Line1, k11801Line2, std::numeric_limits<double>::quiet_NaN(), false},
      {"infinite", k11801Line1, k11801Line2, std::numeric_limits<double>::infinity(), false},
      {"decayed", kLowDragLine1, kLowDragLine2, 5.0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSatellite sat = ParseSat(c.line1, c.line2);
    Vector pos, vel;
    PropagateSatellite(sat, sat.epoch + 0.3, pos, vel);
    const TSatellite before = sat;
    EXPECT_THROW(PropagateSatellite(sat, sat.epoch + c.days, pos, vel), EOrbitError);
    EXPECT_EQ(sat.revNumber, before.revNumber);
    EXPECT_EQ(sat.orbitPos, before.orbitPos);
    if (!c.modelRuns) {
      EXPECT_EQ(sat.orbitPhase, before.orbitPhase);
    }
  }
}

TEST(Propagate, StateThatLeavesTheModelFailsClearly) {
  // Six-hour orbit with its perigee below the surface: the drag terms drive the
  // eccentricity out of range within minutes; the driver fails instead of giving NaN.
  TSatellite sat = ParseSat(k11801Line1, k11801Line2);
  sat.meanMotion = 6 * 2 * kPi / 1440;
  sat.eccentricity = 0.5;
  sat.bstar = 0.5;
  Vector pos, vel;
  PropagateSatellite(sat, sat.epoch, pos, vel);
  EXPECT_THROW(PropagateSatellite(sat, sat.epoch + 10 / 1440.0, pos, vel), EOrbitError);
}

// Sets whose drag brings them down: the driver gives their states while they are above the Earth
// and, from the first failure found at one-minute steps (narrowed to a millisecond) on, fails with
// the decay message at every later time, both for the satellite that saw the decay and for a
// fresh copy of the set that did not (the models' elements then say the satellite is down).
TEST(Propagate, DecayedStateFailsBelowOneEarthRadius) {
  struct Case {
    const char* name;
    std::string line1, line2;
    double fromDays, toDays;  // the first failure lies between these days after the epoch
  } const cases[] = {
      {"near-Earth, low perigee and high drag", kLowDragLine1, kLowDragLine2, 3.5, 4.0},
      {"near-Earth, eccentric, the perigee dips into the Earth",
       "1 90402U 18002B   18020.50000000  .00500000  00000-0  60000-1 0  9992",
       "2 90402  63.0000 100.0000 3000000 270.0000  90.0000  9.60000000  1008", 7.0, 8.0},
      {"deep-space, eccentric with high drag", k11801Line1, k11801Line2, 40.0, 50.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSatellite sat = ParseSat(c.line1, c.line2);
    const TSatellite fresh = sat;
    Vector pos, vel;
    auto radiusKm = [&](TSatellite& s, double jd) {
      PropagateSatellite(s, jd, pos, vel);
      return std::sqrt(pos.x * pos.x + pos.y * pos.y + pos.z * pos.z) * XKMPER;
    };
    double good = sat.epoch, bad = 0;
    for (double jd = sat.epoch; jd < sat.epoch + c.toDays + 1; jd += 1 / 1440.0) {
      try {
        EXPECT_GE(radiusKm(sat, jd), XKMPER);
        good = jd;
      } catch (const EDecayError& e) {
        EXPECT_STREQ(e.what(), "Satellite has decayed");
        bad = jd;
        break;
      }
    }
    ASSERT_GT(bad, sat.epoch + c.fromDays);
    ASSERT_LT(bad, sat.epoch + c.toDays);
    const double seen = bad;
    while (bad - good > 0.001 / 86400) {
      const double mid = (good + bad) / 2;
      TSatellite probe = fresh;
      try {
        EXPECT_GE(radiusKm(probe, mid), XKMPER);
        good = mid;
      } catch (const EDecayError&) {
        bad = mid;
      }
    }
    // Later times, up to a year on, at steps that fall on every part of the orbit. (The deep-space
    // model reuses its lunar-solar terms for half an hour, so a copy that propagated on and a
    // fresh one may differ in the decay's last millisecond; each fails from its own first one.)
    for (double later = bad; later < bad + 400; later += 0.0137 + (later - bad) / 7) {
      TSatellite again = fresh;
      EXPECT_THROW(PropagateSatellite(again, later, pos, vel), EDecayError) << later - sat.epoch;
      if (later >= seen) {
        EXPECT_THROW(PropagateSatellite(sat, later, pos, vel), EDecayError) << later - sat.epoch;
      }
    }
  }
}

// Deep-space sets that come down: the first minute with the decay failure is the same whether
// one satellite scans forward minute by minute, another scans backward, or each minute is asked
// of a fresh copy; and no copy gives a state after it.
TEST(Propagate, DeepSpaceDecayDoesNotDependOnTheOrderOfCalls) {
  struct Case {
    const char* name;
    std::string line1, line2;
    double aroundMinutes;  // near the decay
  } const cases[] = {
      {"published sample set, high drag", k11801Line1, k11801Line2, 63110},
      {"transfer orbit, synchronous period far off",
       "1 70226U 20001A   20278.14307755  .00000000  00000-0  13337-2 0  9990",
       "2 70226  27.1524  83.3950 7322371 279.9511 331.2229  2.28199801 1000", 422913},
      {"twelve-hour resonance",
       "1 70241U 20001A   20263.23952580  .00000000  00000-0  10962-1 0  9990",
       "2 70241  63.4000  91.9581 7451253  77.5458 169.2653  2.00722774 1000", 404181},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TSatellite fresh = ParseSat(c.line1, c.line2);
    Vector pos, vel;
    auto down = [&](TSatellite& s, double minutes) {
      try {
        PropagateSatellite(s, s.epoch + minutes / 1440, pos, vel);
        return false;
      } catch (const EDecayError&) {
        return true;
      }
    };
    const double from = c.aroundMinutes - 45, to = c.aroundMinutes + 45;
    TSatellite forward = fresh, backward = fresh;
    double firstForward = NAN, firstBackward = NAN, firstFresh = NAN;
    for (double m = from; m <= to && std::isnan(firstForward); m += 1)
      if (down(forward, m)) firstForward = m;
    for (double m = to; m >= from; m -= 1)
      if (down(backward, m)) firstBackward = m;
    for (double m = from; m <= to; m += 1) {
      TSatellite probe = fresh;
      const bool isDown = down(probe, m);
      if (isDown && std::isnan(firstFresh)) firstFresh = m;
      EXPECT_EQ(isDown, !std::isnan(firstFresh)) << m;  // down once, down after
    }
    ASSERT_FALSE(std::isnan(firstFresh));
    EXPECT_GT(firstFresh, from);
    EXPECT_EQ(firstForward, firstFresh);
    EXPECT_EQ(firstBackward, firstFresh);
  }
}

// Near-Earth satellites hold no deep-space work area (most sets of a catalogue), so each record
// with the text it owns stays small; deep-space ones get theirs, and a copy gets its own.
TEST(Propagate, DeepSpaceWorkAreaOnlyForDeepSpaceSets) {
  auto heapBytes = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
  struct Case {
    std::string line1, line2;
    bool deep;
  } const cases[] = {
      {"1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87",
       "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058", false},
      {k11801Line1, k11801Line2, true},
  };
  for (const Case& c : cases) {
    TSatellite sat = ParseSat(c.line1, c.line2);
    sat.sourceFile = "/home/someone/elements/weather.txt";
    sat.name = "SOME SATELLITE";
    Vector pos, vel;
    PropagateSatellite(sat, sat.epoch + 0.5, pos, vel);
    EXPECT_EQ(static_cast<bool>(sat.deep), c.deep) << c.line1;
    if (c.deep) {
      TSatellite copy = sat;
      ASSERT_TRUE(copy.deep);
      EXPECT_NE(copy.deep.operator->(), sat.deep.operator->());
      Vector p2, v2;
      PropagateSatellite(copy, sat.epoch + 0.5, p2, v2);
      EXPECT_EQ(p2.x, pos.x);
    } else {
      const std::size_t bytes = sizeof(TSatellite) + heapBytes(sat.catNr) + heapBytes(sat.elementSetNr) +
                                heapBytes(sat.sourceFile) + heapBytes(sat.name) + heapBytes(sat.notes);
      EXPECT_LE(bytes, 900u);
    }
  }
  // A set parsed anew as near-Earth lets its work area go.
  TSatellite sat = ParseSat(k11801Line1, k11801Line2);
  sat.ParseElements(cases[0].line1, cases[0].line2);
  EXPECT_FALSE(sat.deep);
}

TEST(Propagate, ObserveGeostationarySatellite) {
  const auto lines = ReadLines(DataPath("geo_ideal_2025.tle"));
  TSatellite sat = ParseSat(lines[10], lines[11]);  // GEO 9.0E
  TObserver obs;
  obs.lat = DegToRad(45);
  obs.lon = DegToRad(9);
  obs.height = 0.1;
  bool south = false;
  double az = 0, el = 0, lat = 0, lon = 0, range = 0, rate = 0;
  const double jd = sat.epoch + 0.5;
  EXPECT_TRUE(ObserveSatellite(sat, obs, jd, 30, south, az, el, lat, lon, range, rate));
  EXPECT_NEAR(RadToDeg(az), 180, 1);
  EXPECT_NEAR(RadToDeg(el), 38.2, 0.5);
  EXPECT_NEAR(RadToDeg(lat), 0, 0.1);
  EXPECT_NEAR(RadToDeg(lon), 9, 1);
  EXPECT_NEAR(range, 37920, 100);
  EXPECT_LT(std::fabs(rate), 0.05);
  Vector pos, vel;
  PropagateSatellite(sat, jd, pos, vel);
  EXPECT_EQ(south, vel.z < 0);
  // The threshold is in degrees.
  EXPECT_FALSE(ObserveSatellite(sat, obs, jd, 45, south, az, el, lat, lon, range, rate));
}

}  // namespace
}  // namespace orbit
