// Pass search on the elevation seen from the observer: peaks by bracket shrinking, rise and
// set by bisection, and the pass list lines.
#include "passes.h"

#include <charconv>
#include <cmath>

#include "mathtime.h"
#include "observer.h"
#include "propagate.h"
#include "satlist.h"

namespace orbit {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
// Every bisection halves its bracket; far more steps than any bracket of a real period needs.
constexpr int kMaxBisectionSteps = 200;
constexpr int kMaxPeakSteps = 15;
// Peaks this far below the minimum elevation (rad, 1 degree) cannot rise above it within the
// 20 seconds of the peak tolerance, so they are not refined.
constexpr double kRefineFloor = -0.017453292519943295;

// A count of days from 30 December 1899 on a continuous scale turned into a date-time,
// whose time of day counts forward from its day also before that base date.
double DateTimeOfDayCount(double days) {
    if (days >= 0.0) return days;
    const double whole = std::floor(days);
    const double frac = days - whole;
    return frac == 0.0 ? whole : whole - frac;
}

// The continuous day count of a date-time (the inverse of DateTimeOfDayCount).
double DayCountOfDateTime(double dateTime) {
    if (dateTime >= 0.0) return dateTime;
    const double whole = std::trunc(dateTime);
    return whole + std::fabs(dateTime - whole);
}

void AppendInt(std::string& out, long long value, int width = 0) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value < 0 ? -value : value);
    const int len = static_cast<int>(res.ptr - buf);
    if (value < 0) out += '-';
    for (int i = len; i < width; ++i) out += '0';
    out.append(buf, res.ptr);
}

// A number as whole units the way "%.0f" prints it in the pass list: halves away from zero,
// a minus sign for every negative value (so -0.3 prints as "-0").
void AppendWhole(std::string& out, double value) {
    CheckFinite(value);
    const double magnitude = std::floor(std::fabs(value) + 0.5);
    if (value < 0.0) out += '-';
    AppendInt(out, static_cast<long long>(magnitude));
}

// "yyyymmddhhnnss" of a date-time.
void AppendTimeStamp(std::string& out, double dateTime) {
    const TDateTimeParts p = DecodeDateTime(dateTime);
    AppendInt(out, p.year, 4);
    AppendInt(out, p.month, 2);
    AppendInt(out, p.day, 2);
    AppendInt(out, p.hour, 2);
    AppendInt(out, p.minute, 2);
    AppendInt(out, p.second, 2);
}

}  // namespace

TPassSearch::TPassSearch(TSatellite& sat, const TObserver& observer, std::int32_t minSeconds,
                         std::int32_t numDays, double utcDate, double minElevDegrees)
    : sat_(sat), observer_(observer), minSeconds_(minSeconds) {
    dayStart_ = std::trunc(utcDate);
    const TDateTimeParts p = DecodeDateTime(dayStart_);
    if (minElevDegrees < -2.0) minElevDegrees = -2.0;
    if (minElevDegrees > 20.0) minElevDegrees = 20.0;
    minElev_ = minElevDegrees * 2.0 * 3.141592653589793 / 360.0;
    startJD_ = JulianDateYearStart(p.year) +
               DayOfYear(static_cast<std::int16_t>(p.year), static_cast<std::int16_t>(p.month),
                         static_cast<std::int16_t>(p.day));
    endJD_ = startJD_ + numDays;
    period_ = OrbitPeriodDays(sat);
    if (!std::isfinite(period_) || !(period_ > 0.0)) throw EMathError(kMsgInvalidOp);
}

double TPassSearch::ElevationMargin(double jd) {
    // The elevation ObserveSatellite gives, without the sub-point it also computes: the
    // search evaluates this thousands of times per list.
    Vector pos, vel;
    PropagateSatellite(sat_, jd, pos, vel);
    StateToKm(pos, vel);
    TLookAngles look;
    bool visible = false;
    LookAngles(pos, vel, observer_, jd, look, visible);
    return look.elevation - minElev_;
}

bool TPassSearch::FindElevationPeak(double& peakTime, double& peakMargin, double tolerance, double width,
                                    double start) {
    if (width < 0.0) return false;
    double lo = start;
    double hi = start + width;
    double fLo = ElevationMargin(lo);
    double fHi = ElevationMargin(hi);
    int count = 0;
    while (width > tolerance && count < kMaxPeakSteps) {
        ++count;
        const double m = fHi > fLo ? 0.62 * hi + 0.38 * lo : 0.62 * lo + 0.38 * hi;
        const double fM = ElevationMargin(m);
        // A first probe below either end: the bracket holds no interior maximum.
        if (count == 1 && (fM < fLo || fM < fHi)) break;
        const double mid = (lo + m) / 2.0;
        const double fMid = ElevationMargin(mid);
        // The new bracket end lies where the margin was just evaluated: reuse the value.
        if (fMid >= fM) {
            hi = m;
            fHi = fM;
        } else {
            lo = mid;
            fLo = fMid;
        }
        width = hi - lo;
        peakTime = lo;
        peakMargin = fLo;
    }
    return width <= tolerance;
}

double TPassSearch::NextPeak(double start) {
    const double q = period_ / 4.0;
    const double tolerance = FractionOfDay(0, 1, 0, 0);
    double x = start;
    double peakTime = x, peakMargin = 0.0;
    while (!FindElevationPeak(peakTime, peakMargin, tolerance, q, x)) {
        x += 2.0 * q / 3.0;
        peakTime = x;
        // An elevation that hardly changes can keep every bracket failing: give up past the
        // search limit, where no pass could be listed any more.
        if (!(x <= Limit())) return x;
    }
    return peakTime;
}

void TPassSearch::RefinePeak(double& peakTime, double& peakMargin) {
    // Golden-section search over the tolerance of the bracket search on either side.
    const double halfWidth = FractionOfDay(0, 0, 20, 0);
    const double tolerance = FractionOfDay(0, 0, 0, 1);
    const double r = 0.6180339887498949;
    double a = peakTime - halfWidth, b = peakTime + halfWidth;
    double c = b - r * (b - a), d = a + r * (b - a);
    double fc = ElevationMargin(c), fd = ElevationMargin(d);
    for (int step = 0; step < kMaxBisectionSteps && b - a > tolerance; ++step) {
        if (fc >= fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - r * (b - a);
            fc = ElevationMargin(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + r * (b - a);
            fd = ElevationMargin(d);
        }
    }
    const double best = fc >= fd ? c : d;
    const double bestMargin = fc >= fd ? fc : fd;
    if (bestMargin > peakMargin) {
        peakTime = best;
        peakMargin = bestMargin;
    }
}

double TPassSearch::FindRiseTime(double low, double high, double tolerance) {
    double mid = (low + high) / 2.0;
    for (int step = 0; step < kMaxBisectionSteps; ++step) {
        mid = (low + high) / 2.0;
        if (ElevationMargin(mid) >= 0.0)
            high = mid;
        else
            low = mid;
        if (high - low <= tolerance) break;
    }
    return mid;
}

double TPassSearch::FindSetTime(double low, double high, double tolerance) {
    double mid = (low + high) / 2.0;
    for (int step = 0; step < kMaxBisectionSteps; ++step) {
        mid = (low + high) / 2.0;
        if (ElevationMargin(mid) > 0.0)
            low = mid;
        else
            high = mid;
        if (high - low <= tolerance) break;
    }
    return mid;
}

void TPassSearch::AddPass(std::vector<TPass>& list, double peak, double endJD, double startJD) {
    if (peak < startJD) return;
    const double tolerance = FractionOfDay(0, 0, 0, 33);
    const double quarter = period_ / 4.0;
    const double rise = FindRiseTime(peak - quarter, peak, tolerance);
    const double set = FindSetTime(peak, peak + quarter, tolerance);
    if (rise < startJD || rise >= endJD) return;

    bool southbound = false;
    double azimuth = 0, elevation = 0, latitude = 0, longitude = 0, range = 0, rangeRate = 0;
    ObserveSatellite(sat_, observer_, peak, 0.0, southbound, azimuth, elevation, latitude, longitude, range,
                     rangeRate);
    const double seconds = std::nearbyint((set - rise) * 86400.0);
    CheckFinite(seconds);
    if (seconds > 2147483647.0 || seconds < -2147483648.0) throw EMathError(kMsgOverflow);
    const auto duration = static_cast<std::int32_t>(seconds);
    if (duration <= minSeconds_) return;

    TPass pass;
    pass.rise = rise;
    pass.set = set;
    pass.peak = peak;
    pass.southbound = southbound;
    pass.longitudeDeg = RadToDeg(longitude);
    pass.elevationDeg = RadToDeg(elevation);
    pass.duration = duration;

    pass.line = PassLine(DateTimeOfDayCount(DayCountOfDateTime(dayStart_) + (rise - startJD)), southbound,
                         pass.longitudeDeg, pass.elevationDeg, duration, sat_.name);
    list.push_back(std::move(pass));
}

std::vector<TPass> TPassSearch::Run() {
    std::vector<TPass> list;
    const double step = 0.4 * period_;
    const double width = 0.4 * period_;
    const double tolerance = FractionOfDay(0, 0, 20, 0);
    // A period too short to move the search forward at the magnitude of the dates.
    if (!(Limit() + period_ / 6.0 > Limit())) return list;
    double t = NextPeak(startJD_ - 2.0 * period_);
    while (Limit() >= t) {
        // The next peak is looked for about one period on; when that bracket holds none,
        // the search walks on from the last peak in steps of 0.4 period. A peak time is
        // never before its bracket, so every round moves forward.
        double peakTime = t + 2.0 * step, peakMargin = 0.0;
        bool found = FindElevationPeak(peakTime, peakMargin, tolerance, width, t + 2.0 * step);
        while (!found) {
            t += step;
            if (!(t <= Limit())) return list;
            peakTime = t;
            found = FindElevationPeak(peakTime, peakMargin, tolerance, width, t);
        }
        t = peakTime;
        // The bracket search leaves the peak anywhere within its 20-second tolerance, which
        // near the zenith is worth more than a degree: the listed pass takes the highest
        // point itself. The search goes on from its own peak.
        if (peakMargin > kRefineFloor) RefinePeak(peakTime, peakMargin);
        if (peakMargin > 0.0 && Limit() >= t) AddPass(list, peakTime, endJD_, startJD_);
    }
    return list;
}

std::string PassLine(double riseDateTime, bool southbound, double longitudeDeg, double elevationDeg,
                     std::int32_t duration, const std::string& name) {
    std::string line;
    AppendTimeStamp(line, riseDateTime);
    line += ' ';
    line += southbound ? "S " : "N ";
    AppendWhole(line, longitudeDeg);
    line += ' ';
    AppendWhole(line, elevationDeg);
    line += ' ';
    AppendInt(line, duration);
    line += ' ';
    line += name;
    return line;
}

std::vector<TPass> FindPasses(TSatellite& sat, std::int32_t minSeconds, std::int32_t numDays, double utcDate,
                              double minElevDegrees, TObserver observer) {
    TPassSearch search(sat, observer, minSeconds, numDays, utcDate, minElevDegrees);
    return search.Run();
}

void BuildPassList(TSatellite& sat, std::int32_t minSeconds, std::int32_t numDays, double utcDate,
                   double minElevDegrees, TObserver observer, std::string& result) {
    result.clear();
    const std::vector<TPass> passes = FindPasses(sat, minSeconds, numDays, utcDate, minElevDegrees, observer);
    std::vector<std::string> lines;
    lines.reserve(passes.size());
    for (const TPass& pass : passes) lines.push_back(pass.line);
    result = CommaText(lines);
}

std::string CommaText(const std::vector<std::string>& items) {
    std::string out;
    if (items.size() == 1 && items.front().empty()) return "\"\"";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        const std::string& item = items[i];
        bool quote = false;
        for (unsigned char c : item)
            if (c <= ' ' || c == ',' || c == '"') quote = true;
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

}  // namespace orbit
