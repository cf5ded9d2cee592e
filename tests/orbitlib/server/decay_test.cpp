// Satellites that drag brings down, through ISatellites. The first decay is found from the
// library's own states at 10-second steps from the epoch; after it, with the list read afresh
// (nothing the library saw before is remembered), IsVisible fails with the decay message, the
// next rise and set are never later than it, and a pass list holds no pass that ends after it.
#include <cmath>
#include <functional>
#include <string>

#include "server_fixture.h"

using namespace servertest;

namespace {

constexpr double kJulianOfDateTimeZero = 2415018.5;
constexpr double kJulian2018Jan21 = 2458139.5;
constexpr double kEpoch = kJulian2018Jan21 - 0.5;  // both sets: 2018 January 20.5
constexpr double kSecond = 1.0 / 86400.0;
constexpr const char* kDecayed = "Satellite has decayed";

const struct {
  double lat, lon;
} kObservers[] = {{52.0, 5.0}, {-33.9, 18.4}, {1.3, 103.8}};

class DecayTest : public SatellitesTest {
 protected:
  void Reload() { SetPath(folder); }
  void PlaceObserver(double lat, double lon) {
    ASSERT_EQ(sats->put_ObsLat(lat), S_OK);
    ASSERT_EQ(sats->put_ObsLon(lon), S_OK);
    Reload();
  }
  HRESULT Visible(const char* name, double jd) {
    Bstr n(name);
    VARIANT_BOOL south = 0, visible = 0;
    double az = 0, el = 0, lon = 0, lat = 0, range = 0, rate = 0, alt = 0, phase = 0;
    return sats->IsVisible(n.get(), jd, 0.0, &south, &az, &el, &lon, &lat, &range, &rate, &alt, &phase, &visible);
  }
  std::string folder;
};

TEST_F(DecayTest, NoStateRiseOrPassAfterTheFirstDecay) {
  folder = ServerEnvironment::CopyDataFolder("decay");
  struct Set {
    const char* name;
    double fromDays, toDays;  // the first decay lies between these days after the epoch
  } const sets[] = {{"DECAYING", 3.5, 4.0}, {"ECCENTRIC", 7.0, 8.0}};

  using Check = std::function<void(const char* name, double decayed)>;
  const struct {
    const char* what;
    Check check;
  } entryPoints[] = {
      {"IsVisible",
       [&](const char* name, double decayed) {
         for (double later : {0.0, kSecond, 0.01, 0.04, 0.2, 1.0, 7.0, 30.0, 365.0}) {
           Reload();
           EXPECT_TRUE(FAILED(Visible(name, decayed + later))) << later;
           EXPECT_EQ(TakeErrorDescription(), kDecayed) << later;
         }
       }},
      {"FindAOS and FindLOS",
       [&](const char* name, double decayed) {
         Bstr n(name);
         for (const auto& o : kObservers)
           for (double start = decayed - 0.5; start < decayed + 1.0; start += 0.05)
             for (bool rising : {true, false}) {
               PlaceObserver(o.lat, o.lon);
               double t = 0;
               const double from = start - kJulianOfDateTimeZero;
               const HRESULT hr = rising ? sats->FindAOS(n.get(), from, &t) : sats->FindLOS(n.get(), from, &t);
               if (FAILED(hr))
                 EXPECT_EQ(TakeErrorDescription(), kDecayed) << start - kEpoch;
               else
                 EXPECT_LT(t + kJulianOfDateTimeZero, decayed) << start - kEpoch << (rising ? " rise" : " set");
             }
       }},
      {"PassListForPeriod",
       [&](const char* name, double decayed) {
         Bstr n(name);
         int passes = 0;
         for (const auto& o : kObservers) {
           PlaceObserver(o.lat, o.lon);
           Bstr list;
           const double firstDay = std::floor(decayed - kJulianOfDateTimeZero) - 1;
           ASSERT_EQ(sats->PassListForPeriod(n.get(), firstDay, 0, 4, 0.0, list.out()), S_OK);
           // Lines read "yyyymmddhhnnss N|S lon elev duration name", all in January 2018.
           const std::string text = list.str();
           for (auto at = text.find("\"2018"); at != std::string::npos; at = text.find("\"2018", at + 1)) {
             ++passes;
             const std::string line = text.substr(at + 1, text.find('"', at + 1) - at - 1);
             ASSERT_EQ(line.substr(0, 6), "201801") << line;
             const double rise = kJulian2018Jan21 + (std::stod(line.substr(6, 2)) - 21) +
                                 std::stod(line.substr(8, 2)) / 24 + std::stod(line.substr(10, 2)) / 1440 +
                                 std::stod(line.substr(12, 2)) * kSecond;
             const double duration = std::stod(line.substr(line.find(' ', line.find(' ', 17) + 1) + 1));
             EXPECT_LE(rise + (duration - 1) * kSecond, decayed) << line;
           }
         }
         EXPECT_GE(passes, 1);  // the day before the decay has passes
       }},
  };

  for (const Set& set : sets) {
    SCOPED_TRACE(set.name);
    Reload();
    double decayed = 0;
    for (double jd = kEpoch; jd < kEpoch + set.toDays && decayed == 0; jd += 10 * kSecond) {
      if (FAILED(Visible(set.name, jd))) {
        ASSERT_EQ(TakeErrorDescription(), kDecayed) << jd - kEpoch;
        decayed = jd;
      }
    }
    ASSERT_GT(decayed, kEpoch + set.fromDays);
    for (const auto& entry : entryPoints) {
      SCOPED_TRACE(entry.what);
      entry.check(set.name, decayed);
    }
  }
}

}  // namespace
