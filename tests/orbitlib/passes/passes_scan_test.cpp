// The pass list of every kind of orbit against a brute-force scan of the elevation at 1-second
// steps: near-Earth, twelve-hour (navigation and highly eccentric), inclined geosynchronous and
// drifting geostationary sets, each seen from observers in the north, the south and the far north.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "passes.h"
#include "propagate.h"
#include "satlist.h"

namespace orbit {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = 180.0 / kPi;
constexpr double kSecond = 1.0 / 86400.0;
constexpr double kJdOfDateTimeZero = 2415018.5;

std::string DataFile(const char* name) { return std::string(ORBITPASS_DATA_DIR) + "/" + name; }

// Invented element sets of each kind, epoch 2018 January 20.5, with the elements such sets
// have: a navigation satellite (55 degrees, two revolutions a day, nearly circular), two
// highly eccentric twelve-hour orbits (63 degrees, apogee over the north), an inclined
// geosynchronous set and a geostationary set drifting east by about 2.6 degrees a day.
struct ElementSet {
    const char* name;
    const char* line1;
    const char* line2;
};
const ElementSet kNavigation = {
    "NAV 12H", "1 90301U 18001B   18020.50000000 -.00000040  00000-0  00000-0 0  9994",
    "2 90301  55.0000 150.0000 0080000  30.0000 200.0000  2.00563000 12340"};
const ElementSet kEccentricA = {
    "HEO 12H A", "1 90302U 18001C   18020.50000000  .00000000  00000-0  00000-0 0  9990",
    "2 90302  63.4000 240.0000 7200000 270.0000  30.0000  2.00610000 23459"};
const ElementSet kEccentricB = {
    "HEO 12H B", "1 90303U 18001D   18020.50000000  .00000120  00000-0  00000-0 0  9994",
    "2 90303  62.8000  60.0000 6800000 285.0000 300.0000  2.00420000 34567"};
const ElementSet kInclinedGeo = {
    "IGSO 15", "1 90304U 18001E   18020.50000000  .00000000  00000-0  00000-0 0  9992",
    "2 90304  15.0000  80.0000 0010000  90.0000 150.0000  1.00270000  4563"};
const ElementSet kDriftingGeo = {
    "GEO DRIFT", "1 90305U 18001F   18020.50000000  .00000000  00000-0  00000-0 0  9993",
    "2 90305   0.8000 300.0000 0005000  10.0000  50.0000  1.01000000  5671"};

struct Place {
    const char* name;
    double latDeg, lonDeg, heightKm;
};
const Place kNorth = {"Utrecht", 52.083, 5.133, 0.0};
const Place kSouth = {"Cape Town", -33.93, 18.42, 0.0};
const Place kFarNorth = {"Tromso", 69.65, 18.96, 0.1};
const Place kSouthEast = {"Canberra", -35.3, 149.1, 0.6};
const Place kEquator = {"Quito", -0.2, -78.5, 2.8};

TObserver ObserverAt(const Place& p) {
    TObserver o;
    o.lat = p.latDeg / kDeg;
    o.lon = p.lonDeg / kDeg;
    o.height = p.heightKm;
    return o;
}

double ElevationDeg(TSatellite& sat, const TObserver& obs, double jd) {
    bool south = false;
    double az = 0, el = 0, lat = 0, lon = 0, range = 0, rate = 0;
    ObserveSatellite(sat, obs, jd, 0.0, south, az, el, lat, lon, range, rate);
    return el * kDeg;
}

// A pass as the scan sees it: the crossings from a 0.01-second scan of the second in which
// the 1-second samples change sign (the refraction makes the elevation jump at the horizon, so
// no interpolation), and the highest elevation from a 0.01-second scan around the highest
// sample.
struct ScanPass {
    double rise = 0, set = 0, highest = -90;
    bool setSeen = false;
};

// Every pass rising in [from, to), followed up to `tail` for its set. The scan ends at the first
// second at which the satellite is found decayed (`decayed` is then that time, else 0); a pass
// in progress then sets at that second.
std::vector<ScanPass> ScanPasses(TSatellite& sat, const TObserver& obs, double from, double to, double tail,
                                 double minElevDeg, double* decayed = nullptr) {
    std::vector<ScanPass> passes;
    if (decayed) *decayed = 0;
    auto margin = [&](double t) { return ElevationDeg(sat, obs, t) - minElevDeg; };
    // The first 0.01-second sample after `low` on the other side of the minimum.
    auto crossing = [&](double low, bool rising) {
        for (int k = 1; k < 100; ++k) {
            const double t = low + k * 0.01 * kSecond;
            if ((margin(t) > 0) == rising) return t;
        }
        return low + kSecond;
    };
    const long steps = std::lround((tail - from) * 86400.0);
    double prevT = from, prevM = margin(from);
    bool inPass = prevM > 0;  // up at the start: rose before it, not a pass of the period
    bool counted = false;
    ScanPass current;
    double peakT = from, peakM = -1e9;
    for (long k = 1; k <= steps; ++k) {
        const double t = from + k * kSecond;
        double m = 0;
        try {
            m = margin(t);
        } catch (const EDecayError&) {
            if (decayed) *decayed = t;
            if (inPass && counted) {
                current.set = t;
                current.setSeen = true;
                current.highest = peakM + minElevDeg;
                passes.push_back(current);
            }
            return passes;
        }
        if (!inPass && m > 0) {
            if (prevT >= to) break;
            inPass = true;
            counted = true;
            current = ScanPass{};
            current.rise = crossing(prevT, true);
            peakM = -1e9;
        }
        if (inPass && m > peakM) {
            peakM = m;
            peakT = t;
        }
        if (inPass && m <= 0) {
            inPass = false;
            if (counted) {
                current.set = crossing(prevT, false);
                current.setSeen = true;
                for (double f = peakT - kSecond; f <= peakT + kSecond; f += 0.01 * kSecond)
                    current.highest = std::max(current.highest, ElevationDeg(sat, obs, f));
                passes.push_back(current);
            }
            counted = false;
        }
        prevT = t;
        prevM = m;
    }
    if (inPass && counted) {
        current.highest = peakM + minElevDeg;
        passes.push_back(current);
    }
    return passes;
}

struct ScanCase {
    const ElementSet* set;  // null: the space station of the stations file
    Place place;
    double minElevDeg;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << (c.set ? c.set->name : "ISS") << " from " << c.place.name << ", minimum " << c.minElevDeg;
}

class PassScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(PassScanTest, EveryPassOfTheScanIsListedWithItsTimes) {
    const ScanCase& c = GetParam();
    TSatellite sat;
    if (c.set != nullptr) {
        sat.ParseElements(c.set->line1, c.set->line2);
        sat.name = c.set->name;
    } else {
        TSatelliteList stations;
        stations.LoadFromFile(DataFile("stations_2018.tle"));
        const int index = stations.IndexOf("ISS (ZARYA)");
        ASSERT_GE(index, 0);
        sat = *stations.GetSat(index);
    }
    const TObserver obs = ObserverAt(c.place);
    const double utcDate = sat.epoch - kJdOfDateTimeZero;
    const std::vector<TPass> listed = FindPasses(sat, 0, 3, utcDate, c.minElevDeg, obs);

    const double start = std::floor(sat.epoch - 0.5) + 0.5;
    const double end = start + 3.0;
    const std::vector<ScanPass> scanned = ScanPasses(sat, obs, start, end, end + 0.6, c.minElevDeg);

    for (const ScanPass& s : scanned) {
        const TPass* found = nullptr;
        const TPass* nearest = nullptr;
        for (const TPass& p : listed) {
            if (std::fabs(p.rise - s.rise) <= kSecond) found = &p;
            if (!nearest || std::fabs(p.rise - s.rise) < std::fabs(nearest->rise - s.rise)) nearest = &p;
        }
        ASSERT_NE(found, nullptr) << sat.name << " from " << c.place.name << ": the pass rising at JD "
                                  << std::fixed << s.rise << " (highest " << s.highest << " deg, "
                                  << (s.set - s.rise) * 86400.0 << " s) is not listed; nearest: "
                                  << (nearest ? nearest->line : std::string("none")) << " rising "
                                  << (nearest ? (nearest->rise - s.rise) * 86400.0 : 0.0) << " s later";
        if (s.setSeen) {
            EXPECT_NEAR(found->set, s.set, kSecond) << found->line;
            EXPECT_NEAR(found->elevationDeg, s.highest, 0.05) << found->line;
        } else {
            EXPECT_GE(found->set, end + 0.6 - kSecond) << found->line;
        }
    }
    for (const TPass& p : listed) {
        const bool seen = std::any_of(scanned.begin(), scanned.end(),
                                      [&](const ScanPass& s) { return std::fabs(p.rise - s.rise) <= kSecond; });
        EXPECT_TRUE(seen) << sat.name << " from " << c.place.name << ": listed but not in the scan: " << p.line;
        EXPECT_GE(p.rise, start);
        EXPECT_LT(p.rise, end);
    }
}

// Every set gives passes over at least one of its observers, so no row checks an empty list only.
const ScanCase kScanCases[] = {
    {nullptr, kNorth, 0.0},
    {nullptr, kSouth, 0.0},
    {nullptr, kFarNorth, 0.0},
    {nullptr, kNorth, 10.0},
    {&kNavigation, kNorth, 0.0},
    {&kNavigation, kSouth, 0.0},
    {&kNavigation, kFarNorth, 0.0},
    {&kNavigation, kSouthEast, 5.0},
    {&kEccentricA, kNorth, 0.0},
    {&kEccentricA, kSouth, 0.0},
    {&kEccentricA, kFarNorth, 0.0},
    {&kEccentricA, kSouthEast, 0.0},
    {&kEccentricB, kNorth, 0.0},
    {&kEccentricB, kSouth, 0.0},
    {&kEccentricB, kFarNorth, 0.0},
    {&kEccentricB, kNorth, 15.0},
    {&kInclinedGeo, kNorth, 0.0},
    {&kInclinedGeo, kSouth, 0.0},
    {&kInclinedGeo, kFarNorth, 0.0},
    {&kInclinedGeo, kSouthEast, 0.0},
    {&kDriftingGeo, kNorth, 0.0},
    {&kDriftingGeo, kSouth, 0.0},
    {&kDriftingGeo, kFarNorth, 0.0},
    {&kDriftingGeo, kEquator, 0.0},
};
INSTANTIATE_TEST_SUITE_P(AllOrbits, PassScanTest, ::testing::ValuesIn(kScanCases),
                         [](const ::testing::TestParamInfo<ScanCase>& info) {
                             std::string name = info.param.set ? info.param.set->name : "ISS";
                             name += std::string("_") + info.param.place.name + "_" +
                                     std::to_string(static_cast<int>(info.param.minElevDeg));
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// Sets that drag brings down: a near-circular one with a low perigee, about 3.8 days after its
// epoch, and an eccentric one whose perigee sinks into the Earth about 7.7 days after it. Their
// passes are listed up to then and none after, as the scan of a fresh copy sees them; the search
// too starts from a fresh copy at each place, with nothing remembered.
TEST(PassScan, DecayingSatelliteIsNeverUpAfterItsDecay) {
    const struct {
        const char *name, *line1, *line2;
        double fromDay, decayFrom, decayTo;  // days after the epoch's day; the decay's window
        std::size_t minPasses;
    } cases[] = {
        {"DECAYING", "1 90401U 18002A   18020.50000000  .05000000  00000-0  30000-2 0  9991",
         "2 90401  51.6000 100.0000 0015000  90.0000 270.0000 16.25000000  1008", 0, 3.5, 4.0, 5},
        {"ECCENTRIC", "1 90402U 18002B   18020.50000000  .00500000  00000-0  60000-1 0  9992",
         "2 90402  63.0000 100.0000 3000000 270.0000  90.0000  9.60000000  1008", 6, 7.0, 8.0, 1},
    };
    for (const auto& c : cases) {
        TSatellite fresh;
        fresh.ParseElements(c.line1, c.line2);
        fresh.name = c.name;
        const double start = std::floor(fresh.epoch - 0.5) + 0.5 + c.fromDay;
        for (const Place& place : {kNorth, kSouth}) {
            const TObserver obs = ObserverAt(place);
            TSatellite searched = fresh, scan = fresh;
            const std::vector<TPass> listed = FindPasses(searched, 0, 6, start - kJdOfDateTimeZero, 0.0, obs);
            double decayed = 0;
            const std::vector<ScanPass> scanned = ScanPasses(scan, obs, start, start + 6, start + 6, 0.0, &decayed);
            ASSERT_GT(decayed, fresh.epoch + c.decayFrom) << place.name;
            ASSERT_LT(decayed, fresh.epoch + c.decayTo) << place.name;
            ASSERT_GE(scanned.size(), c.minPasses) << place.name;
            ASSERT_EQ(listed.size(), scanned.size()) << place.name;
            for (std::size_t i = 0; i < listed.size(); ++i) {
                EXPECT_NEAR(listed[i].rise, scanned[i].rise, kSecond) << listed[i].line;
                EXPECT_NEAR(listed[i].set, scanned[i].set, kSecond) << listed[i].line;
                EXPECT_LE(listed[i].set, decayed) << listed[i].line;
            }
        }
    }
}

}  // namespace
}  // namespace orbit
