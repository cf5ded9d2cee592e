#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "astro_sun.h"
#include "astro_tables.h"
#include "astro_vsop.h"

using namespace astro;

namespace {

TDateTime At(uint16_t y, uint16_t m, uint16_t d, double hours = 0) { return DateToDateTime(y, m, d) + hours / 24.0; }

double D(Extended x) { return static_cast<double>(x); }

int CountTerms(const TVSOP& v, TVSOP::TTermGetter g, int series) {
    TVSOPTerm t;
    int n = 0;
    for (;; ++n) {
        (v.*g)(n, series, t);
        if (t.A == 0 && t.B == 0 && t.C == 0) return n;
    }
}

TEST(AstroVsop, RowCounts) {
    TVSOPEarth e;
    struct Case {
        TVSOP::TTermGetter getter;
        const char* name;
        int counts[6];
    } cases[] = {
        {&TVSOP::LongitudeTerm, "L", {559, 341, 142, 22, 11, 5}},
        {&TVSOP::LatitudeTerm, "B", {184, 99, 49, 11, 5, 0}},
        {&TVSOP::RadiusTerm, "R", {526, 292, 139, 27, 10, 3}},
    };
    int total = 0;
    for (const auto& c : cases)
        for (int s = 0; s < 6; ++s) {
            EXPECT_EQ(CountTerms(e, c.getter, s), c.counts[s]) << c.name << s;
            total += c.counts[s];
        }
    EXPECT_EQ(total, 2425);
}

TEST(AstroVsop, SpotChecksAndEndTerms) {
    TVSOPEarth e;
    struct Case {
        TVSOP::TTermGetter getter;
        int index, series;
        double a, b, c;  // the published decimals, held in double
    } cases[] = {
        {&TVSOP::LongitudeTerm, 0, 0, 175347045.673, 0, 0},
        {&TVSOP::LongitudeTerm, 558, 0, 0.049, 2.44790934886, 13613.804277336},
        {&TVSOP::LongitudeTerm, 0, 1, 628331966747.491, 0, 0},
        {&TVSOP::LatitudeTerm, 0, 0, 279.62, 3.19870156017, 84334.66158130829},
        {&TVSOP::LatitudeTerm, 183, 0, 0.039, 3.1123991069, 96900.81328129109},
        {&TVSOP::RadiusTerm, 0, 0, 100013988.799, 0, 0},
        {&TVSOP::RadiusTerm, 525, 0, 0.05, 6.15760345261, 78051.34191383338},
        // Past the end, a missing series and a negative index give the all-zero term.
        {&TVSOP::LatitudeTerm, 0, 5, 0, 0, 0},
        {&TVSOP::RadiusTerm, 3, 5, 0, 0, 0},
        {&TVSOP::LongitudeTerm, -1, 0, 0, 0, 0},
        {&TVSOP::LongitudeTerm, 0, 6, 0, 0, 0},
        {&TVSOP::RadiusTerm, 0, -1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        TVSOPTerm t{1, 1, 1};
        (e.*c.getter)(c.index, c.series, t);
        EXPECT_EQ(t.A, static_cast<Extended>(c.a)) << c.index << "/" << c.series;
        EXPECT_EQ(t.B, static_cast<Extended>(c.b)) << c.index << "/" << c.series;
        EXPECT_EQ(t.C, static_cast<Extended>(c.c)) << c.index << "/" << c.series;
    }
}

// A two-term evaluator: series n holds the single constant term (n + 1) * 1e8.
class TPolynomial : public TVSOP {
public:
    void LongitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const override {
        Term = (Index == 0 && Series <= 5) ? TVSOPTerm{(Series + 1) * 1e8L, 0, 0} : TVSOPTerm{};
    }
    void LatitudeTerm(int32_t, int32_t, TVSOPTerm& Term) const override { Term = TVSOPTerm{}; }
    void RadiusTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const override {
        // Series 0 only, two terms: 1e8 cos(0) and 1e8 cos(pi/2 + 0 tau).
        if (Series == 0 && Index == 0) Term = TVSOPTerm{1e8L, 0, 0};
        else if (Series == 0 && Index == 1) Term = TVSOPTerm{1e8L, 0, 1000};
        else Term = TVSOPTerm{};
    }
};

TEST(AstroVsop, SumSeriesIsPolynomialInTau) {
    TPolynomial p;
    p.SetDate(J2000Day + 0.5 + 36525.0);  // tau = 0.1
    EXPECT_NEAR(D(p.Tau()), 0.1, 1e-15);
    const Extended tau = 0.1L;
    const Extended expected = 1 + 2 * tau + 3 * tau * tau + 4 * tau * tau * tau + 5 * std::pow(tau, 4) +
                              6 * std::pow(tau, 5);
    EXPECT_NEAR(D(p.Longitude()), D(expected), 1e-14);
    EXPECT_EQ(p.Latitude(), 0.0L);
    EXPECT_NEAR(D(p.Radius()), D(1 + std::cos(100.0L)), 1e-13);
}

TEST(AstroVsop, SeriesCosineMatchesLibrary) {
    double worst = 0;
    for (int i = -200000; i <= 200000; ++i) {
        const double x = i * 0.3731 + double(i) * i * 1e-6;  // up to about 1.2e5 rad, every quadrant
        worst = std::max(worst, std::fabs(VsopCos(x) - std::cos(x)));
    }
    EXPECT_LT(worst, 5e-16);
    EXPECT_EQ(VsopCos(0.0), 1.0);
    EXPECT_TRUE(std::isnan(VsopCos(std::nan(""))));
}

// The Earth evaluator without its direct table access sums through the getters.
class TEarthThroughGetters : public TVSOPEarth {
protected:
    bool DirectSeries(int, int32_t, TSeriesRows&) const override { return false; }
};

TEST(AstroVsop, DirectSumEqualsGetterSum) {
    for (TDateTime d : {-36500.0, 0.0, 36526.5, 45658.25, 80000.0}) {
        TVSOPEarth fast;
        TEarthThroughGetters slow;
        fast.SetDate(d);
        slow.SetDate(d);
        EXPECT_NEAR(D(fast.Longitude()), D(slow.Longitude()), 1e-14) << d;
        EXPECT_NEAR(D(fast.Latitude()), D(slow.Latitude()), 1e-14) << d;
        EXPECT_NEAR(D(fast.Radius()), D(slow.Radius()), 1e-14) << d;
    }
}

TEST(AstroVsop, FK5CorrectionAtJ2000) {
    TVSOPEarth e;
    e.SetDate(J2000Day + 0.5);
    Extended L = 0, B = 0;
    e.FK5Correction(L, B);
    EXPECT_NEAR(D(RadToDeg(L) * 3600), -0.09033, 1e-9);
    EXPECT_NEAR(D(RadToDeg(B) * 3600), 0.03916, 1e-9);
}

TEST(AstroSun, PublishedExample1992October13) {
    TSkyPosition p;
    const TDateTime date = JDToDateTime(2448908.5L);
    SunSkyPosition(p, date);
    EXPECT_NEAR(D(p.Distance / kKmPerAU), 0.99760852, 1e-7);
    EXPECT_NEAR(D(SunDistanceAU(date)), 0.99760852, 1e-7);
    const Extended ra = (13.0L + 13.0L / 60 + 30.749L / 3600) * 15;
    const Extended dec = -(7.0L + 47.0L / 60 + 1.74L / 3600);
    EXPECT_NEAR(D((p.RightAscension - ra) / 15 * 3600), 0.0, 0.02);  // seconds of time
    EXPECT_NEAR(D((p.Declination - dec) * 3600), 0.0, 0.1);          // arcseconds
    // Apparent longitude 199deg54'21.56" and latitude +0.72" of the same example.
    EXPECT_NEAR(D((p.EclLongitude - (199.0L + 54.0L / 60 + 21.56L / 3600)) * 3600), 0.0, 0.1);
    EXPECT_NEAR(D(p.EclLatitude * 3600), 0.72, 0.01);
}

TEST(AstroSun, DistanceAndDiameterAtApsides) {
    struct Case {
        TDateTime date;
        double au, arcsec;
    } cases[] = {{At(2024, 1, 4), 0.98331, 1951.8}, {At(2024, 7, 4), 1.01672, 1887.7}};
    for (const auto& c : cases) {
        EXPECT_NEAR(D(SunDistanceAU(c.date)), c.au, 1e-5);
        EXPECT_NEAR(D(SunDiameterArcsec(c.date)), c.arcsec, 0.1);
    }
}

TEST(AstroSun, PositionRecordIsFreshSkyPosition) {
    TSkyPosition expected, rec;
    rec.Parallax = rec.Elevation = rec.Azimuth = 42;
    rec.EclLongitude = 100;
    SunSkyPosition(expected, At(2021, 3, 20, 9.5));
    SunPositionRecord(rec, At(2021, 3, 20, 9.5));
    EXPECT_EQ(rec.EclLongitude, expected.EclLongitude);
    EXPECT_EQ(rec.RightAscension, expected.RightAscension);
    EXPECT_EQ(rec.Declination, expected.Declination);
    EXPECT_EQ(rec.Distance, expected.Distance);
    EXPECT_EQ(rec.Parallax, 0.0L);
    EXPECT_EQ(rec.Elevation, 0.0L);
    EXPECT_EQ(rec.Azimuth, 0.0L);
}

// At local apparent noon the Sun stands due south (azimuth 0) or due north (180).
TEST(AstroSun, HorizontalAtLocalApparentNoon) {
    struct Case {
        TDateTime day;
        Extended eastLongitude, latitude, azimuth;
    } cases[] = {
        {At(2024, 6, 21), 5.0L, 52.0L, 0},      {At(2024, 6, 21), 5.0L, 10.0L, 180},
        {At(2024, 12, 21), -70.0L, -45.0L, 180}, {At(2024, 12, 21), 151.0L, -10.0L, 0},
    };
    for (const auto& c : cases) {
        const Extended west = -c.eastLongitude;
        TDateTime t = c.day + 0.5 - static_cast<double>(c.eastLongitude / 360);
        for (int i = 0; i < 4; ++i) {
            TSkyPosition p;
            SunSkyPosition(p, t);
            Extended H = PutIn360(GreenwichSiderealTime(t) - p.RightAscension - west);
            if (H > 180) H -= 360;
            t -= static_cast<double>(H / 360.985647L);
        }
        Extended el = 0, az = 0;
        SunHorizontal(el, az, t, west, c.latitude);
        EXPECT_NEAR(D(az), D(c.azimuth), 1e-4) << D(c.latitude);
        TSkyPosition p;
        SunSkyPosition(p, t);
        EXPECT_NEAR(D(el), D(90 - std::fabs(c.latitude - p.Declination)), 1e-6);
    }
}

TEST(AstroSun, EarthApsidesNearPublishedDates) {
    // Perihelion 2024-01-02 00:38 UTC, aphelion 2024-07-05 05:06 UTC; the series without
    // periodic terms (the Moon's pull) is good to two or three days.
    EXPECT_NEAR(NextPerihelion(At(2024, 1, 1)), At(2024, 1, 2, 0.63), 3.0);
    EXPECT_NEAR(NextAphelion(At(2024, 1, 1)), At(2024, 7, 5, 5.1), 3.0);
    EXPECT_NEAR(EarthApsis(false, At(2024, 6, 1)), At(2024, 1, 2, 0.63), 3.0);
    EXPECT_NEAR(NextPerihelion(At(2024, 1, 5)), At(2025, 1, 4, 13.5), 3.0);
}

// NextPerihelion/NextAphelion against the sorted list of all events.
TEST(AstroSun, NextEarthApsisIsFirstAtOrAfter) {
    for (bool aphelion : {false, true}) {
        std::vector<TDateTime> events;
        for (TDateTime d = At(2015, 1, 1); d < At(2035, 1, 1); d += 5) events.push_back(EarthApsis(aphelion, d));
        std::sort(events.begin(), events.end());
        events.erase(std::unique(events.begin(), events.end()), events.end());
        for (TDateTime d = At(2018, 1, 1); d < At(2030, 1, 1); d += 1.7) {
            const TDateTime expected = *std::lower_bound(events.begin(), events.end(), d);
            const TDateTime got = aphelion ? NextAphelion(d) : NextPerihelion(d);
            ASSERT_EQ(got, expected) << aphelion << " " << d;
        }
        // A date exactly on an event returns that event.
        EXPECT_EQ(aphelion ? NextAphelion(events[5]) : NextPerihelion(events[5]), events[5]);
    }
}

}  // namespace
