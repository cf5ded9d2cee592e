#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "astro_calendar.h"
#include "astro_math.h"

using namespace astro;

namespace {

struct AngleCase {
    Extended in, out;
};

TEST(AstroMath, PutIn360) {
    const AngleCase cases[] = {{-0.5L, 359.5L}, {720, 0}, {540, 180}, {180, 180}, {-180, 180}, {359.75L, 359.75L},
                               {-720.25L, 359.75L}, {1e6L, 280}, {0, 0}, {-1e-20L, 0}};
    for (const auto& c : cases) {
        Extended r = PutIn360(c.in);
        EXPECT_NEAR(static_cast<double>(r), static_cast<double>(c.out), 1e-12) << static_cast<double>(c.in);
        EXPECT_GE(r, 0.0L);
        EXPECT_LT(r, 360.0L);
    }
    EXPECT_TRUE(std::isnan(PutIn360(std::numeric_limits<Extended>::quiet_NaN())));
    EXPECT_TRUE(std::isinf(PutIn360(std::numeric_limits<Extended>::infinity())));
}

TEST(AstroMath, ArcTan2DegQuadrants) {
    struct Case {
        Extended y, x, deg;
    } cases[] = {{1, -1, 135}, {-1, -1, 225}, {-1, 1, -45}, {1, 1, 45}, {0, -1, 180},
                 {1, 0, 90},   {-1, 0, -90},  {0, 0, 0},    {0, 5, 0}};
    for (const auto& c : cases)
        EXPECT_NEAR(static_cast<double>(ArcTan2Deg(c.y, c.x)), static_cast<double>(c.deg), 1e-12)
            << static_cast<double>(c.y) << "," << static_cast<double>(c.x);
}

TEST(AstroMath, InverseFunctionsClampRoundingOverflow) {
    const Extended above = 1.0L + 4 * std::numeric_limits<Extended>::epsilon();
    EXPECT_EQ(ArcSinDeg(above), 90.0L);
    EXPECT_EQ(ArcSinDeg(-above), -90.0L);
    EXPECT_NEAR(static_cast<double>(ArcCosDeg(above)), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(ArcCosDeg(-above)), 180.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(ArcSinDeg(0.5L)), 30.0, 1e-13);
    EXPECT_NEAR(static_cast<double>(ArcCosDeg(0.5L)), 60.0, 1e-13);
    EXPECT_NEAR(static_cast<double>(ArcTanDeg(-1)), -45.0, 1e-13);
    EXPECT_EQ(ArcTanQuotDeg(0, 0), 0.0L);
    EXPECT_EQ(ArcTanQuotDeg(-3, 0), -90.0L);
}

TEST(AstroMath, DegreeTrigReducesLargeAngles) {
    EXPECT_NEAR(static_cast<double>(SinDeg(30 + 360 * 1000)), 0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(CosDeg(-60)), 0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(TanDeg(225)), 1.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(RadToDeg(DegToRad(123.456L))), 123.456, 1e-13);
}

TEST(AstroMath, RoundHalfEven) {
    EXPECT_EQ(RoundHalfEven(0.5L), 0.0L);
    EXPECT_EQ(RoundHalfEven(1.5L), 2.0L);
    EXPECT_EQ(RoundHalfEven(2.5L), 2.0L);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2.0L);
}

struct JDCase {
    uint16_t y, m, d;
    Extended jd;
};

TEST(AstroCalendar, PublishedJulianDates) {
    const JDCase cases[] = {
        {1987, 1, 27, 2446822.5L}, {1988, 1, 27, 2447187.5L}, {1900, 1, 1, 2415020.5L},
        {1600, 1, 1, 2305447.5L},  {1600, 12, 31, 2305812.5L}, {1999, 1, 1, 2451179.5L},
        {2000, 1, 1, 2451544.5L},  {333, 1, 27, 1842712.5L},  {1582, 10, 4, 2299159.5L},
        {1582, 10, 15, 2299160.5L}, {1957, 10, 4, 2436115.5L}, {1, 1, 1, 1721423.5L},
    };
    for (const auto& c : cases) EXPECT_EQ(DateToJD(c.y, c.m, c.d), c.jd) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_NEAR(static_cast<double>(DateToJD(1957, 10, 4) + 0.81L), 2436116.31, 1e-9);
    EXPECT_EQ(JulianCalendarJD(333, 1, 27), 1842712.5L);
    EXPECT_EQ(GregorianCalendarJD(2000, 2, 29), 2451603.5L);
    EXPECT_EQ(JulianCalendarJD(1900, 2, 29), JulianCalendarJD(1900, 3, 1) - 1);
    // 29 February 1500 exists in the Julian calendar, in force at that date.
    EXPECT_EQ(DateToJD(1500, 2, 29), DateToJD(1500, 3, 1) - 1);
}

TEST(AstroCalendar, DateTimeRoundTrip) {
    EXPECT_EQ(DateTimeToJD(36526.0), 2451544.5L);
    EXPECT_EQ(JDToDateTime(2415018.5L), 0.0);
    EXPECT_EQ(DateToDateTime(2000, 1, 1), Year2000Start);
    EXPECT_EQ(DateToDateTime(1999, 1, 1), Year1999Start);
    EXPECT_EQ(DateToDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(DateToDateTime(2024, 2, 29), 45351.0);
    EXPECT_DOUBLE_EQ(JDToDateTime(DateTimeToJD(45351.75)), 45351.75);
}

std::string ErrorOf(uint16_t y, uint16_t m, uint16_t d, int calendar) {
    try {
        if (calendar == 0) JulianCalendarJD(y, m, d);
        else if (calendar == 1) GregorianCalendarJD(y, m, d);
        else DateToJD(y, m, d);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "";
}

TEST(AstroCalendar, InvalidDates) {
    struct Case {
        uint16_t y, m, d;
        int calendar;  // 0 Julian, 1 Gregorian, 2 switching
        const char* message;
    } cases[] = {
        {0, 1, 1, 2, "Invalid year"},     {10000, 1, 1, 1, "Invalid year"},  {2000, 0, 1, 0, "Invalid month"},
        {2000, 13, 1, 2, "Invalid month"}, {2000, 4, 31, 2, "Invalid day"},   {2000, 1, 0, 1, "Invalid day"},
        {1900, 2, 29, 1, "Invalid day"},  {1900, 2, 29, 2, "Invalid day"},   {2001, 2, 29, 0, "Invalid day"},
        {0, 13, 0, 0, "Invalid year"},    {2000, 13, 40, 1, "Invalid month"},
        {1582, 10, 5, 2, "Date invalid due to calendar change"},
        {1582, 10, 10, 2, "Date invalid due to calendar change"},
        {1582, 10, 14, 2, "Date invalid due to calendar change"},
        {9999, 12, 31, 2, ""}, {1, 1, 1, 0, ""}, {2000, 2, 29, 2, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.y, c.m, c.d, c.calendar), c.message) << c.y << "-" << c.m << "-" << c.d;
}

TEST(AstroCalendar, CustomChangeDate) {
    // With the switch moved to 1752-09-14 (Gregorian) the eleven days before it are refused.
    const Extended change = GregorianCalendarJD(1752, 9, 14);
    EXPECT_EQ(CalendarJD(1752, 9, 2, change), JulianCalendarJD(1752, 9, 2));
    EXPECT_EQ(CalendarJD(1752, 9, 14, change), change);
    EXPECT_EQ(CalendarJD(1752, 9, 14, change) - CalendarJD(1752, 9, 2, change), 1);
    EXPECT_THROW(CalendarJD(1752, 9, 8, change), EConvertError);
}

}  // namespace
