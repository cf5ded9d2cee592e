// Time and math routines of the orbit library: angle conversion and reduction,
// quadrant-correct arctangent, checked power, vectors, Julian dates and sidereal time.
// Every routine computes in extended precision and returns doubles.
#pragma once

#include <cmath>
#include <cstdint>

#include "fasttrig.h"
#include "orbittypes.h"

namespace orbit {

inline constexpr long double kPiL = 3.141592653589793238462643383279502884L;
inline constexpr long double kTwoPiL = 2.0L * kPiL;

// Days since 1950 January 0.0 of the last epoch given to SiderealTimeOfEpoch
// (UT fraction included); read by the deep-space model.
extern double DS50;

// 1 when x > 0, 0 when x == 0, -1 otherwise (NaN included).
std::int8_t SignOf(double x);
double Cube(double x);
// e^(exponent * ln base). Throws EMathError "Invalid argument in Function Power!" when the
// base is not greater than 0 (NaN included), and an overflow error when the result is not finite.
double PowerOf(double base, double exponent);
double DegToRad(double degrees);
double RadToDeg(double radians);
// sin x / cos x; throws EMathError on a zero cosine.
double TanOf(double x);
// |x| >= 1: SignOf(x) * pi/2, else arctan(x / sqrt(1 - x^2)).
double ArcSine(double x);
// value - modulus * trunc(value / modulus), raised by modulus when negative.
// Throws EMathError for a zero modulus or non-finite arguments.
double ModuloPositive(double value, double modulus);
// ModuloPositive(angle, 2 pi), in [0, 2 pi) (inline below).
inline double ModTwoPi(double angle);
// c == 0: pi/2 when s > 0 else 3pi/2; c > 0: arctan(s/c); c < 0: arctan(s/c) + pi (inline below).
inline double ArcTanQuadrant(double s, double c);
void VectorMagnitude(Vector& v);
double DotProduct(const Vector& a, const Vector& b);

// Julian date of 0 January of the year, 0h UT.
double JulianDateYearStart(double year);
// Julian date of a two-line element epoch YYDDD.DDDDDDDD (YY below 57 is 20YY).
double JulianDateOfEpoch(double epoch);
// Day number within the year, 1 January = 1. Months outside 1..12 add no month lengths
// beyond the twelve of the table.
std::int16_t DayOfYear(std::int16_t year, std::int16_t month, std::int16_t day);
double FractionOfDay(std::int16_t hours, std::int16_t minutes, std::int16_t seconds, std::int16_t hundredths);
// Greenwich mean sidereal angle (rad) at an element epoch; sets DS50.
double SiderealTimeOfEpoch(double epoch);
// Greenwich mean sidereal angle (rad) at a Julian date.
double SiderealTimeOfJD(double jd);
// Julian date of a date-time (days since 30 December 1899); milliseconds enter as
// whole hundredths of a second. Throws EMathError for values outside years 1..9999 or non-finite.
double DateTimeToJulian(double dateTime);

// Calendar decoding and encoding of date-times (days since 30 December 1899). Decoding
// rounds to milliseconds; a negative value's fraction counts forward from its day.
struct TDateTimeParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
};
// Throws EMathError for non-finite values and values outside years 1..9999.
TDateTimeParts DecodeDateTime(double dateTime);
// False when a part is out of range (invalid date or time).
bool EncodeDateTime(const TDateTimeParts& parts, double& dateTime);

namespace detail {
[[noreturn]] void ThrowMathError(const char* message);
[[noreturn]] void ThrowNotFinite(long double x);
}  // namespace detail

// Checked arithmetic for formulas whose failures the hardware does not report (inline: the
// propagators use them in every step).
// EMathError on b == 0.
inline long double CheckedDiv(long double a, long double b) {
    if (b == 0.0L) detail::ThrowMathError(kMsgZeroDivide);
    return a / b;
}
// EMathError on x < 0 or NaN.
inline long double CheckedSqrt(long double x) {
    if (!(x >= 0.0L)) detail::ThrowMathError(kMsgInvalidOp);
    return std::sqrt(x);
}
// EMathError on NaN or infinity.
inline void CheckFinite(long double x) {
    if (!std::isfinite(x)) detail::ThrowNotFinite(x);
}

namespace detail {

// std::trunc without the C library call: below 2^62 the nearest whole number comes from adding
// and removing 1.5 * 2^63 (round to nearest), then steps one towards zero when it overshot.
inline long double TruncL(long double q) {
    constexpr long double kShift = 0x1.8p63L;
    if (!(std::fabs(q) < 0x1p62L)) return std::trunc(q);
    long double t = (q + kShift) - kShift;
    if (std::fabs(t) > std::fabs(q)) t += q < 0.0L ? 1.0L : -1.0L;
    return t;
}

inline long double ModuloPositiveL(long double value, long double modulus) {
    if (!std::isfinite(value) || !std::isfinite(modulus)) ThrowMathError(kMsgInvalidOp);
    if (modulus == 0.0L) ThrowMathError(kMsgZeroDivide);
    const long double r = value - modulus * TruncL(value / modulus);
    return r >= 0.0L ? r : r + modulus;
}

}  // namespace detail

// Inline: the propagators reduce an angle and take a quadrant-correct arctangent in every step.
inline double ModTwoPi(double angle) {
    // The number of turns is that of ModuloPositiveL, trunc(angle / 2 pi), found without the
    // division: the product with 1 / (2 pi) differs from the quotient by less than 2^-61 of it,
    // so its truncation is the same unless it lies that close to a whole number.
    constexpr long double kInvTwoPi = 1.0L / kTwoPiL;
    const long double x = angle;
    const long double q = x * kInvTwoPi;
    long double turns;
    if (std::fabs(q) < 0x1p20L) {
        turns = detail::TruncL(q);
        const long double f = std::fabs(q - turns);
        if (!(f > 0x1p-40L && f < 1.0L - 0x1p-40L)) turns = detail::TruncL(x / kTwoPiL);
    } else {
        if (!std::isfinite(x)) detail::ThrowMathError(kMsgInvalidOp);
        turns = detail::TruncL(x / kTwoPiL);
    }
    long double r = x - kTwoPiL * turns;
    if (r < 0.0L) r += kTwoPiL;
    // The result is rounded to double; an angle just below 2 pi may round up to it.
    double d = static_cast<double>(r);
    if (d >= static_cast<double>(kTwoPiL)) d = 0.0;
    return d;
}

inline double ArcTanQuadrant(double s, double c) {
    if (c == 0.0) return static_cast<double>(s > 0.0 ? kPiL / 2.0L : 3.0L * kPiL / 2.0L);
    const long double a = AtanRatioOfDoubles(s, c);
    if (c > 0.0) return static_cast<double>(a);
    return static_cast<double>(a + kPiL);
}

}  // namespace orbit
