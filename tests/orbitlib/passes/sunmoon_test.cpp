// Sun and moon positions against published worked examples and their physical bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mathtime.h"
#include "sunmoon.h"

namespace orbit {
namespace {

constexpr double kDeg = 180.0 / 3.14159265358979323846;
constexpr double kAuKm = 149597870.0;

double DateTimeOf(int year, int month, int day, int hour = 0, int minute = 0) {
    TDateTimeParts p;
    p.year = year;
    p.month = month;
    p.day = day;
    p.hour = hour;
    p.minute = minute;
    double t = 0;
    EXPECT_TRUE(EncodeDateTime(p, t));
    return t;
}

double AngleDiffDeg(double a, double b) { return std::remainder(a - b, 360.0); }

TEST(DayNumber2000, Table) {
    struct Case {
        double dateTime;
        double expected;
    } const cases[] = {
        {DateTimeOf(2000, 1, 1), 1.0},
        {DateTimeOf(2000, 1, 1, 12), 1.5},
        {DateTimeOf(1999, 12, 31), 0.0},
        {DateTimeOf(1992, 10, 13), -2635.0},
        {DateTimeOf(2024, 3, 1, 6), 8827.25},
        // Just before midnight the day must not round into the next one.
        {DateTimeOf(2000, 1, 1) + 0.9999999999, 1.9999999999},
        // Before the base date the time of day still counts forward: 29 Dec 1899 06:00
        // (the day formula itself holds the 1900 leap-day offset of its 1900..2100 range).
        {-1.25, -36527.0 + 0.25},
    };
    for (const auto& c : cases) EXPECT_NEAR(DayNumber2000(c.dateTime), c.expected, 1e-9) << c.dateTime;
}

TEST(DayNumber2000, RejectsNonFinite) {
    EXPECT_THROW(DayNumber2000(std::numeric_limits<double>::quiet_NaN()), EMathError);
    EXPECT_THROW(DayNumber2000(std::numeric_limits<double>::infinity()), EMathError);
}

// Astronomical Algorithms, example 25.a: the sun on 1992 October 13.0.
TEST(SunMoon, SunWorkedExample) {
    Vector pos;
    TGeodetic geo;
    double phase = 1;
    SunMoonState(kSelectSun, DateTimeOf(1992, 10, 13), pos, geo, phase);
    const double ra = std::atan2(pos.y, pos.x) * kDeg + 360.0;
    const double dec = std::asin(pos.z / pos.mag) * kDeg;
    EXPECT_NEAR(AngleDiffDeg(ra, 198.381), 0.0, 0.02);
    EXPECT_NEAR(dec, -7.785, 0.02);
    EXPECT_NEAR(pos.mag / kAuKm, 0.99766, 0.0001);
    EXPECT_EQ(phase, 0.0);
}

// Astronomical Algorithms, example 47.a: the moon on 1992 April 12.0.
TEST(SunMoon, MoonWorkedExample) {
    double M = 0, L = 0, phase = 0, x = 0, y = 0, z = 0;
    SunMoonEcliptic(kSelectMoon, DayNumber2000(DateTimeOf(1992, 4, 12)), M, L, phase, x, y, z);
    EXPECT_NEAR(AngleDiffDeg(std::atan2(y, x) * kDeg, 133.163), 0.0, 0.1);
    EXPECT_NEAR(std::atan2(z, std::hypot(x, y)) * kDeg, -3.229, 0.1);
    EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 368409.7, 1000.0);
}

TEST(SunMoon, SunStaysInEclipticAndWithinOrbitBounds) {
    const double start = DateTimeOf(2018, 1, 1);
    double minR = 1e300, maxR = 0;
    for (int day = 0; day < 366; day += 3) {
        double M = 0, L = 0, phase = 0, x = 0, y = 0, z = 1;
        SunMoonEcliptic(kSelectSun, DayNumber2000(start + day), M, L, phase, x, y, z);
        EXPECT_EQ(z, 0.0);
        const double r = std::hypot(x, y);
        minR = std::min(minR, r);
        maxR = std::max(maxR, r);
    }
    EXPECT_NEAR(minR, 147.1e6, 0.05e6);
    EXPECT_NEAR(maxR, 152.1e6, 0.05e6);
}

// Lunar phases of January 2000 (UTC): full moon 21st 04:40, new moon 6th 18:14,
// first quarter 14th 13:34, last quarter 28th 07:57.
TEST(SunMoon, MoonPhaseFollowsLunation) {
    struct Case {
        double dateTime;
        double phaseDeg;
    } const cases[] = {
        {DateTimeOf(2000, 1, 21, 4, 40), 0.0},
        {DateTimeOf(2000, 1, 6, 18, 14), -180.0},
        {DateTimeOf(2000, 1, 14, 13, 34), -90.0},
        {DateTimeOf(2000, 1, 28, 7, 57), 90.0},
    };
    for (const auto& c : cases) {
        Vector pos;
        TGeodetic geo;
        double phase = 0;
        MoonPosition(c.dateTime, pos, geo, phase);
        EXPECT_NEAR(AngleDiffDeg(phase * kDeg, c.phaseDeg), 0.0, 2.5) << c.phaseDeg;
        EXPECT_GT(pos.mag, 356000.0);
        EXPECT_LT(pos.mag, 407000.0);
    }
}

TEST(SunMoon, SubSolarPointAtEquinoxNoon) {
    Vector pos;
    TGeodetic geo;
    SunPosition(DateTimeOf(2000, 3, 20, 12), pos, geo);
    EXPECT_NEAR(geo.lat * kDeg, 0.0, 0.5);
    // Noon UTC: the sun stands near the Greenwich meridian (equation of time about -7.5 minutes).
    EXPECT_NEAR(AngleDiffDeg(geo.lon * kDeg, 0.0), 1.9, 0.3);
    EXPECT_NEAR(geo.alt, pos.mag - 6378.135, 30.0);
}

TEST(SunMoon, OtherSelectorsWriteNothing) {
    double M = 7, L = 7, phase = 7, x = 7, y = 7, z = 7;
    SunMoonEcliptic(2, 100.0, M, L, phase, x, y, z);
    EXPECT_EQ(M + L + phase + x + y + z, 42.0);

    Vector pos;
    pos.x = 5;
    TGeodetic geo;
    double statePhase = 7;
    SunMoonState(9, DateTimeOf(2000, 1, 1), pos, geo, statePhase);
    EXPECT_EQ(pos.mag, 0.0);
    EXPECT_EQ(statePhase, 0.0);
}

TEST(SunMoon, NonFiniteInputsFail) {
    double M = 0, L = 0, phase = 0, x = 0, y = 0, z = 0;
    EXPECT_THROW(SunMoonEcliptic(kSelectMoon, std::numeric_limits<double>::quiet_NaN(), M, L, phase, x, y, z),
                 EMathError);
    Vector pos;
    TGeodetic geo;
    EXPECT_THROW(SunPosition(std::numeric_limits<double>::infinity(), pos, geo), EMathError);
}

}  // namespace
}  // namespace orbit
