// Pass search and pass list: the lines against a brute-force elevation scan, the limits of
// the search, geostationary sets that never cross the horizon, and the line format.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "commatext.h"
#include "mathtime.h"
#include "passes.h"
#include "propagate.h"
#include "satlist.h"

namespace orbit {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = 180.0 / kPi;
constexpr double kJdOfDateTimeZero = 2415018.5;

std::string DataFile(const char* name) { return std::string(ORBITPASS_DATA_DIR) + "/" + name; }

TObserver Observer(double latDeg, double lonDeg, double heightKm = 0.0) {
    TObserver o;
    o.lat = latDeg / kDeg;
    o.lon = lonDeg / kDeg;
    o.height = heightKm;
    return o;
}

double ElevationDeg(TSatellite& sat, const TObserver& obs, double jd) {
    bool south = false;
    double az = 0, el = 0, lat = 0, lon = 0, range = 0, rate = 0;
    ObserveSatellite(sat, obs, jd, 0.0, south, az, el, lat, lon, range, rate);
    return el * kDeg;
}

// A pass as the brute-force scan sees it: crossings of the minimum elevation found at
// 10-second steps and refined linearly, and the highest elevation refined by a fine scan.
struct ScanPass {
    double rise = 0, set = 0, maxElevation = -90;
};

std::vector<ScanPass> ScanPasses(TSatellite& sat, const TObserver& obs, double fromJd, double toJd,
                                 double minElevDeg) {
    const double step = 10.0 / 86400.0;
    std::vector<ScanPass> passes;
    double prevT = fromJd, prevE = ElevationDeg(sat, obs, fromJd) - minElevDeg;
    bool inPass = prevE > 0;  // a pass in progress at the start has no rise: dropped below
    ScanPass current;
    current.rise = -1;
    double peakT = fromJd, peakE = -1e9;
    for (double t = fromJd + step; t <= toJd; t += step) {
        const double e = ElevationDeg(sat, obs, t) - minElevDeg;
        if (!inPass && e > 0) {
            inPass = true;
            current = ScanPass{};
            current.rise = prevT + (t - prevT) * (-prevE) / (e - prevE);
            peakE = -1e9;
        }
        if (inPass && e > peakE) {
            peakE = e;
            peakT = t;
        }
        if (inPass && e <= 0) {
            inPass = false;
            current.set = prevT + (t - prevT) * prevE / (prevE - e);
            if (current.rise > 0) {
                for (double f = peakT - step; f <= peakT + step; f += 0.05 / 86400.0)
                    current.maxElevation = std::max(current.maxElevation, ElevationDeg(sat, obs, f));
                passes.push_back(current);
            }
            current.rise = -1;
        }
        prevT = t;
        prevE = e;
    }
    return passes;
}

class PassListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stations_ = new TSatelliteList();
        stations_->LoadFromFile(DataFile("stations_2018.tle"));
        geo_ = new TSatelliteList();
        geo_->LoadFromFile(DataFile("geo_weather_2018.tle"));
    }
    static void TearDownTestSuite() {
        delete stations_;
        delete geo_;
    }
    static TSatellite* Iss() {
        const int index = stations_->IndexOf("ISS (ZARYA)");
        return index < 0 ? nullptr : stations_->GetSat(index);
    }
    static inline TSatelliteList* stations_ = nullptr;
    static inline TSatelliteList* geo_ = nullptr;
};

const TObserver kUtrecht = Observer(52.083, 5.133);

TEST_F(PassListTest, IssPassesMatchBruteForceScan) {
    TSatellite* iss = Iss();
    ASSERT_NE(iss, nullptr);
    const double utcDate = iss->epoch - kJdOfDateTimeZero;
    const std::vector<TPass> listed = FindPasses(*iss, 0, 3, utcDate, 0.0, kUtrecht);

    const double start = std::floor(iss->epoch - 0.5) + 0.5;
    const double end = start + 3.0;
    const double period = OrbitPeriodDays(*iss);
    std::vector<ScanPass> scanned = ScanPasses(*iss, kUtrecht, start - period / 4, end + period / 2, 0.0);
    std::erase_if(scanned, [&](const ScanPass& p) { return p.rise < start || p.rise >= end; });
    ASSERT_GE(scanned.size(), 5u);

    std::size_t matched = 0;
    for (const ScanPass& s : scanned) {
        const TPass* found = nullptr;
        for (const TPass& p : listed)
            if (std::fabs(p.rise - s.rise) * 86400.0 < 30.0) found = &p;
        ASSERT_NE(found, nullptr) << "scan pass rising at JD " << s.rise << " not listed";
        ++matched;
        EXPECT_NEAR(found->set, s.set, 30.0 / 86400.0);
        EXPECT_NEAR(found->elevationDeg, s.maxElevation, 0.1) << found->line;
        EXPECT_NEAR(found->duration, (s.set - s.rise) * 86400.0, 30.0);
    }
    EXPECT_EQ(matched, listed.size()) << "the list holds passes the scan does not see";

    // The text of the list: each line quoted, joined by commas, in chronological order.
    std::string text;
    BuildPassList(*iss, 0, 3, utcDate, 0.0, kUtrecht, text);
    std::string expected;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (i > 0) expected += ',';
        expected += '"' + listed[i].line + '"';
        if (i > 0) {
            EXPECT_LT(listed[i - 1].rise, listed[i].rise);
        }
    }
    EXPECT_EQ(text, expected);
}

TEST_F(PassListTest, MinimumDurationIsExclusive) {
    TSatellite* iss = Iss();
    ASSERT_NE(iss, nullptr);
    const double utcDate = iss->epoch - kJdOfDateTimeZero;
    const std::vector<TPass> all = FindPasses(*iss, 0, 3, utcDate, 0.0, kUtrecht);
    ASSERT_GE(all.size(), 3u);
    std::int32_t shortest = all.front().duration;
    for (const TPass& p : all) shortest = std::min(shortest, p.duration);

    const std::vector<TPass> atShortest = FindPasses(*iss, shortest, 3, utcDate, 0.0, kUtrecht);
    const std::vector<TPass> belowShortest = FindPasses(*iss, shortest - 1, 3, utcDate, 0.0, kUtrecht);
    EXPECT_EQ(belowShortest.size(), all.size());
    EXPECT_LT(atShortest.size(), all.size());
    for (const TPass& p : atShortest) EXPECT_GT(p.duration, shortest);
}

TEST_F(PassListTest, MinimumElevationIsClampedAndFiltersPeaks) {
    TSatellite* iss = Iss();
    ASSERT_NE(iss, nullptr);
    const double utcDate = iss->epoch - kJdOfDateTimeZero;
    struct Case {
        double asked, used;
    } const cases[] = {{-5.0, -2.0}, {35.0, 20.0}, {7.5, 7.5}};
    for (const Case& c : cases) {
        std::string asked, used;
        BuildPassList(*iss, 0, 2, utcDate, c.asked, kUtrecht, asked);
        BuildPassList(*iss, 0, 2, utcDate, c.used, kUtrecht, used);
        EXPECT_EQ(asked, used) << c.asked;
        EXPECT_NEAR(TPassSearch(*iss, kUtrecht, 0, 2, utcDate, c.asked).MinElevation() * kDeg, c.used, 1e-12);
    }

    // With a minimum of 20 degrees, rise and set are the 20-degree crossings and only the
    // passes that climb above it are listed.
    const double start = std::floor(iss->epoch - 0.5) + 0.5;
    const double period = OrbitPeriodDays(*iss);
    std::vector<ScanPass> scanned = ScanPasses(*iss, kUtrecht, start - period / 4, start + 3 + period / 2, 20.0);
    std::erase_if(scanned, [&](const ScanPass& p) { return p.rise < start || p.rise >= start + 3; });
    const std::vector<TPass> high = FindPasses(*iss, 0, 3, utcDate, 20.0, kUtrecht);
    ASSERT_EQ(high.size(), scanned.size());
    for (std::size_t i = 0; i < high.size(); ++i) {
        EXPECT_GT(high[i].elevationDeg, 20.0);
        EXPECT_NEAR(high[i].rise, scanned[i].rise, 30.0 / 86400.0);
        EXPECT_NEAR(high[i].set, scanned[i].set, 30.0 / 86400.0);
    }
}

TEST_F(PassListTest, PeriodStartsAtMidnightOfTheDay) {
    TSatellite* iss = Iss();
    ASSERT_NE(iss, nullptr);
    const double day = std::trunc(iss->epoch - kJdOfDateTimeZero);
    std::string atMidnight, atEvening;
    BuildPassList(*iss, 0, 2, day, 0.0, kUtrecht, atMidnight);
    BuildPassList(*iss, 0, 2, day + 0.75, 0.0, kUtrecht, atEvening);
    EXPECT_FALSE(atMidnight.empty());
    EXPECT_EQ(atMidnight, atEvening);

    for (int days : {0, -1, -100}) {
        std::string text = "stale";
        BuildPassList(*iss, 0, days, day, 0.0, kUtrecht, text);
        EXPECT_EQ(text, "") << days;
    }
}

// A pass in progress at midnight: listed whole for the period that ends at that midnight,
// not listed for the period that begins there.
TEST_F(PassListTest, PassAcrossMidnight) {
    TSatellite* iss = Iss();
    ASSERT_NE(iss, nullptr);
    const double firstMidnight = std::floor(iss->epoch - 0.5) + 1.5;
    TObserver obs;
    double midnight = 0;
    bool found = false;
    for (int lon = 0; lon < 360 && !found; lon += 3) {
        for (int k = 0; k < 3 && !found; ++k) {
            const TObserver o = Observer(52.083, lon);
            const double m = firstMidnight + k;
            // Well inside the pass, so that both sides of midnight are clearly above.
            if (ElevationDeg(*iss, o, m - 60 / 86400.0) > 1 && ElevationDeg(*iss, o, m + 60 / 86400.0) > 1) {
                obs = o;
                midnight = m;
                found = true;
            }
        }
    }
    ASSERT_TRUE(found);
    const double midnightDateTime = midnight - kJdOfDateTimeZero;
    const std::vector<TPass> before = FindPasses(*iss, 0, 1, midnightDateTime - 1, 0.0, obs);
    const std::vector<TPass> after = FindPasses(*iss, 0, 1, midnightDateTime, 0.0, obs);
    ASSERT_FALSE(before.empty());
    const TPass& last = before.back();
    EXPECT_LT(last.rise, midnight);
    EXPECT_GT(last.set, midnight);
    const double period = OrbitPeriodDays(*iss);
    std::vector<ScanPass> scanned = ScanPasses(*iss, obs, midnight - period / 4, midnight + period / 4, 0.0);
    ASSERT_EQ(scanned.size(), 1u);
    EXPECT_NEAR(last.duration, (scanned[0].set - scanned[0].rise) * 86400.0, 30.0);
    for (const TPass& p : after) EXPECT_GE(p.rise, midnight);
}

// Geostationary sets never cross the horizon: the search must end, quickly, and list nothing,
// whether the body stays below the horizon or stays above it (it rose before the period, so
// it has no rise inside it).
TEST_F(PassListTest, GeostationarySetsNeverHang) {
    ASSERT_GE(geo_->Count(), 20);
    for (int i = 0; i < geo_->Count(); ++i) {
        TSatellite& sat = *geo_->GetSat(i);
        bool south = false;
        double az = 0, el = 0, lat = 0, lon = 0, range = 0, rate = 0;
        ObserveSatellite(sat, Observer(0, 0), sat.epoch, 0.0, south, az, el, lat, lon, range, rate);
        const double subLon = lon * kDeg;
        const double utcDate = sat.epoch - kJdOfDateTimeZero;

        const auto t0 = std::chrono::steady_clock::now();
        const std::vector<TPass> seen = FindPasses(sat, 0, 10, utcDate, 0.0, Observer(0, subLon));
        const auto t1 = std::chrono::steady_clock::now();
        std::string hidden = "stale";
        BuildPassList(sat, 0, 10, utcDate, 0.0, Observer(0, subLon + 180.0), hidden);
        const auto t2 = std::chrono::steady_clock::now();

        // A search that ends, not a fast one (speed is for the benchmarks): a hang never
        // returns, a search ends in milliseconds even on a busy machine.
        EXPECT_LT(std::chrono::duration<double>(t1 - t0).count(), 10.0) << sat.name;
        EXPECT_LT(std::chrono::duration<double>(t2 - t1).count(), 10.0) << sat.name;
        EXPECT_EQ(hidden, "") << sat.name;
        EXPECT_GT(ElevationDeg(sat, Observer(0, subLon), sat.epoch + 5), 45.0) << sat.name;
        for (const TPass& p : seen) ADD_FAILURE() << "always above, yet listed: " << p.line;
    }
}

// Inputs that do not make sense end the search at once instead of spinning in it.
TEST_F(PassListTest, UnusableInputsEndTheSearch) {
    TSatellite* iss = Iss();
    ASSERT_NE(iss, nullptr);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double utcDate = iss->epoch - kJdOfDateTimeZero;
    std::string text = "stale";
    BuildPassList(*iss, 0, 2, utcDate, nan, kUtrecht, text);
    EXPECT_EQ(text, "");
    text = "stale";
    EXPECT_THROW(BuildPassList(*iss, 0, 2, nan, 0.0, kUtrecht, text), EMathError);
    EXPECT_EQ(text, "");
    EXPECT_THROW(BuildPassList(*iss, 0, 2, 1e7, 0.0, kUtrecht, text), EMathError);
}

TEST(PassLineFormat, Table) {
    TDateTimeParts parts;
    parts.year = 2024;
    parts.month = 3;
    parts.day = 15;
    parts.hour = 6;
    parts.minute = 12;
    parts.second = 44;
    double t = 0;
    ASSERT_TRUE(EncodeDateTime(parts, t));
    const double ms = 1.0 / 86400000.0;
    struct Case {
        double rise;
        bool south;
        double lon, elev;
        int duration;
        const char* name;
        const char* expected;
    } const cases[] = {
        {t, false, 21.2, 37.4, 742, "ISS (ZARYA)", "20240315061244 N 21 37 742 ISS (ZARYA)"},
        {t, true, 359.6, 2.5, 10, "X", "20240315061244 S 360 3 10 X"},
        {t, false, 0.4, -0.3, 1, "X", "20240315061244 N 0 -0 1 X"},
        {t, false, 180.5, -1.5, 1, "X", "20240315061244 N 181 -2 1 X"},
        // Seconds are counted after rounding to milliseconds, and carry into the next day.
        {t + 0.9996 / 86400.0, false, 1, 1, 1, "X", "20240315061245 N 1 1 1 X"},
        {std::trunc(t) + 1.0 - 0.4 * ms, false, 1, 1, 1, "X", "20240316000000 N 1 1 1 X"},
        {std::trunc(t) + 1.0 - 0.6 * ms, false, 1, 1, 1, "X", "20240315235959 N 1 1 1 X"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PassLine(c.rise, c.south, c.lon, c.elev, c.duration, c.name), c.expected);
}

TEST(PassLineFormat, CommaText) {
    struct Case {
        std::vector<std::string> items;
        const char* expected;
    } const cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a", "b c"}, "a,\"b c\""},
        {{"say \"hi\"", "x,y", "tab\there"}, "\"say \"\"hi\"\"\",\"x,y\",\"tab\there\""},
        {{"", "a"}, ",a"},
    };
    for (const Case& c : cases) EXPECT_EQ(commatext::Join(c.items), c.expected);
}

}  // namespace
}  // namespace orbit
