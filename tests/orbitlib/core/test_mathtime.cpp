#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mathtime.h"
#include "observer.h"

using namespace orbit;

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(EarthConstants, GravityAndDensityConstants) {
    EXPECT_NEAR(XKE, 0.07436691613317341, 0.07436691613317341 * 1e-12);
    EXPECT_NEAR(XKE, std::sqrt(3600.0 * 398600.8 / (6378.135 * 6378.135 * 6378.135)), 1e-15);
    const double q = std::pow(42.0 / 6378.135, 4.0);
    EXPECT_NEAR(QOMS2T, q, q * 1e-12);
    EXPECT_NEAR(QOMS2T, 1.880279159e-9, 1.880279159e-9 * 1e-9);
}

struct ModCase { double value, modulus, expected; };
TEST(MathRoutines, ModuloPositive) {
    const ModCase cases[] = {{-10, 360, 350}, {725, 360, 5}, {360, 360, 0}, {0, 360, 0}, {-360, 360, 0},
                             {-0.5, 1, 0.5}, {7.5, -2, 1.5}};
    for (const auto& c : cases)
        EXPECT_NEAR(ModuloPositive(c.value, c.modulus), c.expected, 1e-12) << c.value << " mod " << c.modulus;
}

TEST(MathRoutines, ModuloPositiveRejectsZeroModulusAndNonFinite) {
    EXPECT_THROW(ModuloPositive(5, 0), EMathError);
    EXPECT_THROW(ModuloPositive(kNaN, 360), EMathError);
    EXPECT_THROW(ModuloPositive(INFINITY, 360), EMathError);
    EXPECT_THROW(ModTwoPi(kNaN), EMathError);
}

TEST(MathRoutines, ModTwoPiStaysBelowTwoPi) {
    const double cases[] = {-1e-18, -2 * kPi, 2 * kPi, 4 * kPi - 1e-17, 1e6};
    for (double a : cases) {
        const double r = ModTwoPi(a);
        EXPECT_GE(r, 0.0) << a;
        EXPECT_LT(r, 2 * kPi) << a;
    }
}

// The turns are counted without a division: the result must still be that of the truncated
// quotient, also for angles a few units of a double from whole turns (where the product with
// 1 / 2 pi and the quotient may truncate differently) and beyond 2^20 turns.
TEST(MathRoutines, ModTwoPiCountsTurnsAsTheTruncatedQuotient) {
    auto reference = [](double a) {
        const long double x = a;
        long double r = x - kTwoPiL * std::trunc(x / kTwoPiL);
        if (r < 0) r += kTwoPiL;
        const double d = static_cast<double>(r);
        return d >= static_cast<double>(kTwoPiL) ? 0.0 : d;
    };
    for (double turns : {1.0, 2.0, 3.0, 7.0, 16.0, 1000.0, 123457.0, 1048575.0, 1048577.0, 3e9}) {
        for (double sign : {1.0, -1.0}) {
            double a = sign * static_cast<double>(turns * kTwoPiL);
            for (int k = 0; k < 4; ++k) a = std::nextafter(a, 0.0);
            for (int k = 0; k < 9; ++k, a = std::nextafter(a, sign * INFINITY)) {
                EXPECT_EQ(ModTwoPi(a), reference(a)) << a;
                EXPECT_EQ(ModTwoPi(a + sign * 2.5), reference(a + sign * 2.5)) << a;
            }
        }
    }
    // Angles whose product with 1 / 2 pi truncates to a different whole number than the quotient.
    for (double a : {44327.872342151983, -88655.744684303965, 179629.9847469572, -356941.47411556513})
        EXPECT_EQ(ModTwoPi(a), reference(a)) << a;
    EXPECT_THROW(ModTwoPi(INFINITY), EMathError);
    EXPECT_THROW(ModTwoPi(-INFINITY), EMathError);
}

struct AtanCase { double s, c, expected; };
TEST(MathRoutines, ArcTanQuadrant) {
    const AtanCase cases[] = {{-1, 1, -kPi / 4}, {0, 0, 3 * kPi / 2}, {1, -1, 3 * kPi / 4}, {1, 0, kPi / 2},
                              {-1, 0, 3 * kPi / 2}, {-1, -1, 5 * kPi / 4}, {0, 1, 0}};
    for (const auto& c : cases) EXPECT_NEAR(ArcTanQuadrant(c.s, c.c), c.expected, 1e-15) << c.s << "," << c.c;
}

TEST(MathRoutines, ArcSineAndSign) {
    EXPECT_DOUBLE_EQ(ArcSine(1.5), kPi / 2);
    EXPECT_DOUBLE_EQ(ArcSine(-1), -kPi / 2);
    EXPECT_DOUBLE_EQ(ArcSine(0), 0.0);
    EXPECT_NEAR(ArcSine(0.5), kPi / 6, 1e-15);
    EXPECT_EQ(SignOf(2.0), 1);
    EXPECT_EQ(SignOf(0.0), 0);
    EXPECT_EQ(SignOf(-0.0), 0);
    EXPECT_EQ(SignOf(-3.0), -1);
    EXPECT_EQ(SignOf(kNaN), -1);
    EXPECT_DOUBLE_EQ(Cube(-3.0), -27.0);
}

TEST(MathRoutines, PowerOf) {
    EXPECT_NEAR(PowerOf(10, -3), 0.001, 1e-18);
    EXPECT_NEAR(PowerOf(2, 0.5), std::sqrt(2.0), 1e-15);
    const double bad[][2] = {{0, 2}, {-8, 1.0 / 3}, {kNaN, 1}, {-0.0, 1}};
    for (const auto& b : bad) {
        try {
            PowerOf(b[0], b[1]);
            ADD_FAILURE() << "no failure for base " << b[0];
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), "Invalid argument in Function Power!");
        }
    }
    EXPECT_THROW(PowerOf(10, 400), EMathError);  // overflow
    EXPECT_THROW(PowerOf(2, kNaN), EMathError);
}

TEST(MathRoutines, TanOfAndDegrees) {
    EXPECT_NEAR(TanOf(kPi / 4), 1.0, 1e-15);
    EXPECT_NEAR(DegToRad(180), kPi, 1e-15);
    EXPECT_NEAR(RadToDeg(kPi / 2), 90.0, 1e-13);
}

TEST(MathRoutines, VectorsAndDotProduct) {
    Vector a{3, 4, 12, 0};
    VectorMagnitude(a);
    EXPECT_DOUBLE_EQ(a.mag, 13.0);
    Vector b{1, -1, 2, 99};
    EXPECT_DOUBLE_EQ(DotProduct(a, b), 3 - 4 + 24);
    EXPECT_DOUBLE_EQ(b.mag, 99.0);  // magnitude is only filled by VectorMagnitude
}

struct EpochCase { double epoch, jd; };
TEST(TimeRoutines, JulianDateOfEpoch) {
    const EpochCase cases[] = {
        {1.0, 2451544.5},          // 1 January 2000 0h
        {57001.0, 2435839.5},      // 1 January 1957 0h
        {56366.5, 2472364.0},      // 31 December 2056 12h (2056 is a leap year)
        {80275.98708465, 2444514.48708465},
        {99365.0, 2451543.5},      // 31 December 1999
    };
    for (const auto& c : cases) EXPECT_NEAR(JulianDateOfEpoch(c.epoch), c.jd, 1e-9) << c.epoch;
    EXPECT_DOUBLE_EQ(JulianDateYearStart(2000), 2451543.5);
}

struct DoyCase { int y, m, d, expected; };
TEST(TimeRoutines, DayOfYear) {
    const DoyCase cases[] = {{2000, 3, 1, 61}, {1900, 3, 1, 60}, {2001, 12, 31, 365}, {2000, 12, 31, 366},
                             {2004, 2, 29, 60}, {2023, 1, 1, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(DayOfYear(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
    // Months outside the table are defined: no month lengths beyond December.
    EXPECT_EQ(DayOfYear(2001, 14, 1), 366);
    EXPECT_EQ(DayOfYear(2001, -3, 5), 5);
}

TEST(TimeRoutines, FractionOfDay) {
    EXPECT_NEAR(FractionOfDay(12, 0, 0, 0), 0.5, 1e-16);
    EXPECT_NEAR(FractionOfDay(6, 30, 15, 50), (6 * 3600 + 30 * 60 + 15.5) / 86400.0, 1e-15);
}

TEST(TimeRoutines, SiderealTime) {
    EXPECT_NEAR(SiderealTimeOfJD(2451545.0), 4.894961213, 1e-9);
    // The same instant given as an element epoch, which also leaves the days since 1950.
    EXPECT_NEAR(SiderealTimeOfEpoch(1.5), SiderealTimeOfJD(2451545.0), 1e-12);
    EXPECT_NEAR(DS50, 18263.5, 1e-9);
    SiderealTimeOfEpoch(80275.98708465);
    EXPECT_NEAR(DS50, 2444514.48708465 - 2433281.5, 1e-8);
    // One solar day advances the sidereal angle by about 0.9856 degrees.
    const double d = ModTwoPi(SiderealTimeOfJD(2460000.75) - SiderealTimeOfJD(2459999.75));
    EXPECT_NEAR(d, 0.0172027914, 1e-8);
}

TEST(TimeRoutines, DateTimeToJulian) {
    EXPECT_NEAR(DateTimeToJulian(0.0), 2415018.5, 1e-9);
    // 1 January 2000 12:00:00.999: milliseconds enter as whole hundredths.
    EXPECT_NEAR(DateTimeToJulian(36526.0 + 0.5 + 0.999 / 86400.0), 2451545.0 + 0.99 / 86400.0, 1e-10);
    // 29 December 1899 6:00: a negative value's fraction counts forward from its day.
    EXPECT_NEAR(DateTimeToJulian(-1.25), 2415017.5 + 0.25, 1e-9);
    EXPECT_THROW(DateTimeToJulian(kNaN), EMathError);
    EXPECT_THROW(DateTimeToJulian(1e12), EMathError);
}

TEST(TimeRoutines, DateTimeEncodeDecodeRoundTrip) {
    TDateTimeParts p;
    p.year = 1998; p.month = 11; p.day = 20; p.hour = 6; p.minute = 40;
    double t = 0;
    ASSERT_TRUE(EncodeDateTime(p, t));
    EXPECT_NEAR(t, 36119.0 + 6.0 / 24 + 40.0 / 1440, 1e-12);
    const TDateTimeParts q = DecodeDateTime(t);
    EXPECT_EQ(q.year, 1998); EXPECT_EQ(q.month, 11); EXPECT_EQ(q.day, 20);
    EXPECT_EQ(q.hour, 6); EXPECT_EQ(q.minute, 40); EXPECT_EQ(q.second, 0); EXPECT_EQ(q.msec, 0);
    p.month = 2; p.day = 29; p.year = 1900;
    EXPECT_FALSE(EncodeDateTime(p, t));
    // A fraction that rounds up to a whole day carries into the next day.
    const TDateTimeParts r = DecodeDateTime(36526.0 - 1e-10);
    EXPECT_EQ(r.year, 2000); EXPECT_EQ(r.month, 1); EXPECT_EQ(r.day, 1); EXPECT_EQ(r.hour, 0);
}

TEST(CheckedArithmetic, FailsInsteadOfProducingNaN) {
    EXPECT_THROW(CheckedDiv(1, 0), EMathError);
    EXPECT_THROW(CheckedSqrt(-1), EMathError);
    EXPECT_THROW(CheckedSqrt(kNaN), EMathError);
    EXPECT_THROW(CheckFinite(INFINITY), EMathError);
    EXPECT_EQ(CheckedSqrt(4), 2.0L);
}
