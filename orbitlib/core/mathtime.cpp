#include "mathtime.h"

#include <bit>
#include <cmath>
#include <limits>

namespace orbit {

double DS50 = 0.0;

namespace {

constexpr std::int16_t kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Date-time range of years 1 to 9999.
constexpr long double kMinDateTime = -693593.0L;
constexpr long double kMaxDateTime = 2958466.0L;
// Day count of 30 December 1899 relative to 1 January 1970.
constexpr long long kDateTimeEpochShift = -25569;
constexpr long long kMsecPerDay = 86400000;

bool IsLeapYear(long long y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil algorithms).
long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

long double SiderealSeconds(long double jd0, long double ut) {
    const long double t = (jd0 - 2451545.0L) / 36525.0L;
    return 24110.54841L + t * (8640184.812866L + t * (0.093104L - t * 6.2e-6L)) + ut * 86636.555366976L;
}

}  // namespace

namespace detail {

void ThrowMathError(const char* message) { throw EMathError(message); }

void ThrowNotFinite(long double x) { throw EMathError(std::isnan(x) ? kMsgInvalidOp : kMsgOverflow); }

}  // namespace detail

std::int8_t SignOf(double x) {
    if (x > 0.0) return 1;
    if (x == 0.0) return 0;
    return -1;
}

double Cube(double x) {
    const long double v = x;
    return static_cast<double>(v * (v * v));
}

double PowerOf(double base, double exponent) {
    if (!(base > 0.0)) throw EMathError(kMsgPowerArgument);
    const long double r = std::exp(static_cast<long double>(exponent) * std::log(static_cast<long double>(base)));
    const double d = static_cast<double>(r);
    CheckFinite(d);
    return d;
}

double DegToRad(double degrees) { return static_cast<double>(degrees * kPiL / 180.0L); }

double RadToDeg(double radians) { return static_cast<double>(radians * 180.0L / kPiL); }

double TanOf(double x) {
    const long double v = x;
    long double s, c;
    SinCosL(v, s, c);
    return static_cast<double>(CheckedDiv(s, c));
}

double ArcSine(double x) {
    if (std::fabs(x) >= 1.0) return static_cast<double>(SignOf(x) * kPiL / 2.0L);
    const long double v = x;
    return static_cast<double>(AtanRatio(v, std::sqrt(1.0L - v * v)));
}

using detail::ModuloPositiveL;
using detail::TruncL;

double ModuloPositive(double value, double modulus) {
    return static_cast<double>(ModuloPositiveL(value, modulus));
}

void VectorMagnitude(Vector& v) {
    const long double x = v.x, y = v.y, z = v.z;
    v.mag = static_cast<double>(std::sqrt(x * x + y * y + z * z));
}

double DotProduct(const Vector& a, const Vector& b) {
    const long double r = static_cast<long double>(a.x) * b.x + static_cast<long double>(a.y) * b.y +
                          static_cast<long double>(a.z) * b.z;
    return static_cast<double>(r);
}

static long double JulianDateYearStartL(long double year) {
    const long double a = year - 1.0L;
    const long double A = std::trunc(a / 100.0L);
    const long double B = std::trunc(A / 4.0L);
    return std::trunc(365.25L * a) + 428.0L + 1720994.5L + (B - A + 2.0L);
}

double JulianDateYearStart(double year) { return static_cast<double>(JulianDateYearStartL(year)); }

// Splits an epoch YYDDD.DDDDDDDD into its full year and its day of the year with fraction.
static void SplitEpoch(long double epoch, long double& year, long double& day) {
    const long double e = epoch * 0.001L;
    const long double yy = std::trunc(e);
    day = (e - yy) * 1000.0L;
    year = yy < 57.0L ? 2000.0L + yy : 1900.0L + yy;
}

double JulianDateOfEpoch(double epoch) {
    long double year, day;
    SplitEpoch(epoch, year, day);
    return static_cast<double>(JulianDateYearStartL(year) + day);
}

std::int16_t DayOfYear(std::int16_t year, std::int16_t month, std::int16_t day) {
    int sum = 0;
    for (int m = 1; m < month && m <= 12; ++m) sum += kMonthDays[m - 1];
    sum += day;
    if (month > 2 && IsLeapYear(year)) sum += 1;
    return static_cast<std::int16_t>(sum);
}

double FractionOfDay(std::int16_t hours, std::int16_t minutes, std::int16_t seconds, std::int16_t hundredths) {
    const long double r = ((((seconds + hundredths / 100.0L) / 60.0L + minutes) / 60.0L) + hours) / 24.0L;
    return static_cast<double>(r);
}

double SiderealTimeOfEpoch(double epoch) {
    long double year, day;
    SplitEpoch(epoch, year, day);
    const long double wholeDay = std::trunc(day);
    const long double ut = day - wholeDay;
    const long double jd0 = JulianDateYearStartL(year) + wholeDay;
    const long double gmst = ModuloPositiveL(SiderealSeconds(jd0, ut), 86400.0L);
    DS50 = static_cast<double>(ut + (jd0 - 2433281.5L));
    return static_cast<double>(gmst * kTwoPiL / 86400.0L);
}

double SiderealTimeOfJD(double jd) {
    // A position and its look angles ask for the same date one after the other.
    thread_local double lastJd = std::numeric_limits<double>::quiet_NaN();
    thread_local double lastAngle = 0.0;
    if (jd == lastJd) return lastAngle;
    const long double j = jd;
    const long double s = j + 0.5L;
    const long double ut = s - TruncL(s);
    const long double jd0 = j - ut;
    const long double gmst = ModuloPositiveL(SiderealSeconds(jd0, ut), 86400.0L);
    const double angle = static_cast<double>(gmst * kTwoPiL / 86400.0L);
    lastJd = jd;
    lastAngle = angle;
    return angle;
}

TDateTimeParts DecodeDateTime(double dateTime) {
    if (!std::isfinite(dateTime)) throw EMathError(kMsgInvalidOp);
    if (dateTime < kMinDateTime || dateTime >= kMaxDateTime) throw EMathError(kMsgInvalidOp);
    const long double t = dateTime;
    long long days = static_cast<long long>(std::trunc(t));
    long long ms = static_cast<long long>(std::nearbyint(std::fabs(t - std::trunc(t)) * kMsecPerDay));
    if (ms >= kMsecPerDay) {  // the fraction rounded up to a whole day
        ms -= kMsecPerDay;
        days += 1;
    }
    TDateTimeParts p;
    CivilFromDays(days + kDateTimeEpochShift, p.year, p.month, p.day);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    return p;
}

bool EncodeDateTime(const TDateTimeParts& p, double& dateTime) {
    if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1) return false;
    int monthDays = kMonthDays[p.month - 1] + (p.month == 2 && IsLeapYear(p.year) ? 1 : 0);
    if (p.day > monthDays) return false;
    if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59 ||
        p.msec < 0 || p.msec > 999)
        return false;
    const long long days = DaysFromCivil(p.year, p.month, p.day) - kDateTimeEpochShift;
    const long double frac =
        static_cast<long double>(((p.hour * 60LL + p.minute) * 60LL + p.second) * 1000LL + p.msec) / kMsecPerDay;
    // Before the base date the fraction still counts forward from the day.
    dateTime = static_cast<double>(days >= 0 ? days + frac : days - frac);
    return true;
}

double DateTimeToJulian(double dateTime) {
    // A list of satellites computed for one time converts that time once for each of them.
    thread_local std::uint64_t lastBits = 0;
    thread_local bool lastValid = false;
    thread_local double lastJd = 0.0;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(dateTime);
    if (lastValid && bits == lastBits) return lastJd;
    const TDateTimeParts p = DecodeDateTime(dateTime);
    const long double r =
        JulianDateYearStartL(p.year) +
        DayOfYear(static_cast<std::int16_t>(p.year), static_cast<std::int16_t>(p.month), static_cast<std::int16_t>(p.day)) +
        static_cast<long double>(FractionOfDay(static_cast<std::int16_t>(p.hour), static_cast<std::int16_t>(p.minute),
                                               static_cast<std::int16_t>(p.second),
                                               static_cast<std::int16_t>(p.msec / 10)));
    lastJd = static_cast<double>(r);
    lastBits = bits;
    lastValid = true;
    return lastJd;
}

}  // namespace orbit
