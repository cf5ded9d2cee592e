#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "astro_moon.h"
#include "astro_sun.h"
#include "astro_tables.h"

using namespace astro;

namespace {

TDateTime At(uint16_t y, uint16_t m, uint16_t d, double hours = 0) { return DateToDateTime(y, m, d) + hours / 24.0; }

double D(Extended x) { return static_cast<double>(x); }

TEST(AstroMoonTables, RowsAndSpotChecks) {
    using namespace astro::tables;
    static_assert(kMoonLRRows == 60 && kMoonBRows == 60 && kPerigeeRows == 60 && kApogeeRows == 32);
    const auto& lr0 = kMoonLR[0];
    EXPECT_EQ((std::vector<int>{lr0.D, lr0.M, lr0.Mp, lr0.F, lr0.L, lr0.R}),
              (std::vector<int>{0, 0, 1, 0, 6288774, -20905355}));
    const auto& lr59 = kMoonLR[59];
    EXPECT_EQ((std::vector<int>{lr59.D, lr59.M, lr59.Mp, lr59.F, lr59.L, lr59.R}),
              (std::vector<int>{2, 0, -1, -2, 0, 8752}));
    const auto& b0 = kMoonB[0];
    EXPECT_EQ((std::vector<int>{b0.D, b0.M, b0.Mp, b0.F, b0.B}), (std::vector<int>{0, 0, 0, 1, 5128122}));
    const auto& b59 = kMoonB[59];
    EXPECT_EQ((std::vector<int>{b59.D, b59.M, b59.Mp, b59.F, b59.B}), (std::vector<int>{2, -2, 0, 1, 107}));

    auto row = [](const TApsisRow& r) { return std::vector<int>{r.D, r.F, r.M, r.A, r.B}; };
    EXPECT_EQ(row(kPerigee[0]), (std::vector<int>{2, 0, 0, -16769, 0}));
    EXPECT_EQ(row(kPerigee[59]), (std::vector<int>{1, 0, -1, -4, 0}));
    EXPECT_EQ(row(kApogee[0]), (std::vector<int>{2, 0, 0, 4392, 0}));
    EXPECT_EQ(row(kApogee[31]), (std::vector<int>{1, 0, -1, -3, 0}));
    std::vector<std::vector<int>> perigeeB, apogeeB;
    for (const auto& r : kPerigee) if (r.B != 0) perigeeB.push_back(row(r));
    for (const auto& r : kApogee) if (r.B != 0) apogeeB.push_back(row(r));
    std::sort(perigeeB.begin(), perigeeB.end());
    std::sort(apogeeB.begin(), apogeeB.end());
    EXPECT_EQ(perigeeB, (std::vector<std::vector<int>>{{0, 0, 1, 502, -13}, {2, 0, -1, -773, 19}, {4, 0, -1, 422, -11}}));
    EXPECT_EQ(apogeeB, (std::vector<std::vector<int>>{{0, 0, 1, 456, -11}, {2, 0, -1, 426, -11}}));

    const auto& n0 = kNutation[0];
    EXPECT_EQ((std::vector<int>{n0.D, n0.M, n0.Mp, n0.F, n0.Om, n0.Ppsi, n0.Qpsi, n0.Peps, n0.Qeps}),
              (std::vector<int>{0, 0, 0, 0, 1, -171996, -1742, 92025, 89}));
    const auto& n30 = kNutation[30];
    EXPECT_EQ((std::vector<int>{n30.D, n30.M, n30.Mp, n30.F, n30.Om, n30.Ppsi, n30.Qpsi, n30.Peps, n30.Qeps}),
              (std::vector<int>{0, 1, 0, 0, 1, -15, 0, 9, 0}));
}

TEST(AstroMoon, PublishedExample1992April12) {
    const TDateTime date = JDToDateTime(2448724.5L);
    TSkyPosition p;
    MoonSkyPosition(p, date);
    EXPECT_NEAR(D(p.EclLongitude), 133.16726, 1e-4);
    EXPECT_NEAR(D(p.EclLatitude), -3.229126, 1e-4);
    EXPECT_NEAR(D(p.RightAscension), 134.688470, 1e-4);
    EXPECT_NEAR(D(p.Declination), 13.768368, 1e-4);
    EXPECT_NEAR(D(p.Distance), 368409.7, 1.0);
    EXPECT_NEAR(D(MoonDistanceKm(date)), 368409.7, 1.0);
    EXPECT_NEAR(D(MoonDiameterArcsec(date)), 2 * 358473400.0 / 368409.7, 0.01);
    EXPECT_NEAR(D(MoonPhaseAngle(date)), 69.0756, 1e-4);
    EXPECT_NEAR(D(MoonIllumination(date)), 0.6786, 1e-4);
    EXPECT_EQ(MoonPhaseIndex(date), mpFirstQuarter);
}

TEST(AstroMoon, ApogeeOctober1988) {
    EXPECT_NEAR(D(DateTimeToJD(LunarApsis(true, At(1988, 10, 1)))), 2447442.3543, 0.001);
    EXPECT_NEAR(D(DateTimeToJD(NextApogee(At(1988, 10, 1)))), 2447442.3543, 0.001);
}

// New moon 2024-01-11 11:57 UTC, full moon 2024-01-25 17:54 UTC, first quarter 2024-01-18 03:53.
TEST(AstroMoon, PhasesAroundKnownLunations) {
    struct Case {
        TDateTime date;
        TMoonPhase index;
        double angle, angleTol, age, ageTol, illum, illumTol;
    } cases[] = {
        {At(2024, 1, 11, 6), mpNewMoon, -180, 8, 29.3, 0.3, 0.0, 0.01},
        {At(2024, 1, 11, 18), mpNewMoon, 180, 8, 0.25, 0.3, 0.0, 0.01},
        {At(2024, 1, 18, 3.9), mpFirstQuarter, 90, 2, 7.4, 0.3, 0.5, 0.03},
        {At(2024, 1, 25, 17.9), mpFullMoon, 0, 5, 14.77, 0.3, 1.0, 0.01},
        {At(2024, 1, 15), mpWaxingCrescent, 130, 20, 3.5, 0.8, 0.18, 0.1},
        {At(2024, 1, 29), mpWaningGibbous, -36, 10, 17.8, 0.8, 0.85, 0.1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MoonPhaseIndex(c.date), c.index) << c.date;
        Extended angle = MoonPhaseAngle(c.date);
        if (c.angle == 0) EXPECT_NEAR(D(angle), 0, c.angleTol);
        else EXPECT_NEAR(D(angle), c.angle, c.angleTol) << c.date;
        EXPECT_NEAR(D(MoonAge(c.date)), c.age, c.ageTol) << c.date;
        EXPECT_NEAR(D(MoonIllumination(c.date)), c.illum, c.illumTol) << c.date;
    }
}

TEST(AstroMoon, DistanceAndDiameterStayInRange) {
    for (TDateTime d = At(2025, 1, 1); d < At(2026, 1, 1); d += 0.5) {
        const Extended km = MoonDistanceKm(d);
        ASSERT_GT(km, 356000.0L);
        ASSERT_LT(km, 407000.0L);
        const Extended arcsec = MoonDiameterArcsec(d);
        ASSERT_GT(arcsec, 1760.0L);
        ASSERT_LT(arcsec, 2015.0L);
    }
}

TEST(AstroMoon, HorizontalUsesGeocentricPosition) {
    const TDateTime date = At(2024, 3, 1, 22);
    TSkyPosition p;
    MoonSkyPosition(p, date);
    EquatorialToHorizontal(p, date, -4.9L, 52.4L);
    Extended el = 0, az = 0;
    MoonHorizontal(el, az, date, -4.9L, 52.4L);
    EXPECT_EQ(el, p.Elevation);
    EXPECT_EQ(az, p.Azimuth);
}

TEST(AstroMoon, NextPerigeeFrom2020IsNotSkipped) {
    // Perigee 2020-01-13 20:21 UTC; a 28-day epoch step would jump to 2020-02-10.
    EXPECT_NEAR(NextPerigee(At(2020, 1, 1)), At(2020, 1, 13, 20.35), 5.0 / 1440);
}

// Dense scan against the sorted list of every event of the period.
TEST(AstroMoon, NextApsisIsFirstEventAtOrAfter) {
    for (bool apogee : {false, true}) {
        std::vector<TDateTime> events;
        for (TDateTime d = At(2019, 10, 1); d < At(2021, 4, 1); d += 1) events.push_back(LunarApsis(apogee, d));
        std::sort(events.begin(), events.end());
        events.erase(std::unique(events.begin(), events.end()), events.end());
        for (size_t i = 1; i < events.size(); ++i) {
            ASSERT_GT(events[i] - events[i - 1], 24.0);
            ASSERT_LT(events[i] - events[i - 1], 31.0);
        }
        for (TDateTime d = At(2020, 1, 1); d < At(2021, 1, 1); d += 0.0625) {
            const TDateTime expected = *std::lower_bound(events.begin(), events.end(), d);
            const TDateTime got = apogee ? NextApogee(d) : NextPerigee(d);
            ASSERT_EQ(got, expected) << (apogee ? "apogee " : "perigee ") << d;
        }
        EXPECT_EQ(apogee ? NextApogee(events[4]) : NextPerigee(events[4]), events[4]);
    }
}

TEST(AstroMoon, NonFiniteDatesStayDefined) {
    const double nan = std::nan("");
    EXPECT_EQ(MoonPhaseIndex(nan), mpNewMoon);
    EXPECT_TRUE(std::isnan(NextPerigee(nan)));
    EXPECT_TRUE(std::isnan(NextPerihelion(nan)));
}

}  // namespace
