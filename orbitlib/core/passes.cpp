// Pass search on the elevation seen from the observer: a walk in steps bounded by the motion of
// the line of sight, highest points by golden-section search, rise and set by bisection, and the
// pass list lines.
#include "passes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "commatext.h"
#include "mathtime.h"
#include "observer.h"
#include "propagate.h"
#include "satlist.h"

namespace orbit {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The propagators' gravitational parameter, km^3/s^2.
constexpr double kEarthMu = 398600.8;
// Every bisection halves its bracket; far more steps than any bracket of a real period needs.
constexpr int kMaxBisectionSteps = 200;
// The refraction lifts an elevation by between 0 and 0.75 degrees: a change of the refracted
// elevation exceeds that of the geometric one by at most this span (rad).
constexpr double kRefractionSpan = 0.75 * kPi / 180.0;
// Turns of the line of sight per step (rad): the floor near the minimum elevation, and the
// largest inside a pass.
constexpr double kFloorTurn = 0.05;
constexpr double kMaxTurnUp = 0.25;
// Longest step inside a pass, as a fraction of the period.
constexpr double kPassStepOfPeriod = 1.0 / 40.0;
// Angle between the geodetic and the geocentric vertical, at most 0.19 degrees (rad).
constexpr double kVerticalTilt = 0.2 * kPi / 180.0;
// Radial speed the model's short-period terms may add to that of the orbit (km/s).
constexpr double kShortPeriodClimb = 0.03;
// Shortest step, for a satellite passing within a few kilometres of the observer.
constexpr double kMinStepSeconds = 0.5;

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
    decayJD_ = std::numeric_limits<double>::infinity();

    // Bounds of the motion relative to the ground from the element set's orbit: the speed at
    // perigee plus the ground's speed at apogee, and gravity at perigee (the surface at the
    // lowest) plus the centrifugal and Coriolis terms of the turning Earth. The margins cover
    // the model's perturbations and drag over the days of a list.
    const double a = std::cbrt(kEarthMu * period_ * 86400.0 * period_ * 86400.0 / (4.0 * kPi * kPi));
    const double e = std::clamp(sat.eccentricity, 0.0, 0.999);
    const double apogee = 1.1 * a * (1.0 + e);
    const double perigee = std::max(XKMPER, 0.9 * a * (1.0 - e));
    const double perigeeSpeed = std::sqrt(kEarthMu / a * (1.0 + e) / (1.0 - e));
    maxSpeed_ = 1.1 * (perigeeSpeed + kEarthRotation * apogee);
    maxAccel_ = 1.2 * (kEarthMu / (perigee * perigee) + kEarthRotation * kEarthRotation * apogee +
                       2.0 * kEarthRotation * maxSpeed_);
    // The radial speed of the orbit, e sqrt(mu / p), and room for the model's short-period
    // terms (a few km in radius over a revolution).
    maxClimb_ = 1.1 * e * std::sqrt(kEarthMu / (a * (1.0 - e * e))) + kShortPeriodClimb;
    if (!std::isfinite(maxSpeed_) || !std::isfinite(maxAccel_) || !std::isfinite(maxClimb_) ||
        !(maxSpeed_ > 0.0))
        throw EMathError(kMsgInvalidOp);
    TObserver o = observer_;
    Vector obsPos, obsVel;
    ObserverState(o, startJD_, obsPos, obsVel);
    observerRadius_ = std::sqrt(obsPos.x * obsPos.x + obsPos.y * obsPos.y + obsPos.z * obsPos.z);
    // The refraction and the tilt of the geodetic vertical against the geocentric one lower the
    // geometric elevation at which the margin may be zero.
    lowestSeen_ = minElev_ - kRefractionSpan - kVerticalTilt;
}

TPassSearch::TSample TPassSearch::Sample(double jd) {
    TSample s;
    s.t = jd;
    if (jd >= decayJD_) {
        s.margin = -std::numeric_limits<double>::infinity();
        return s;
    }
    ++evaluations_;
    // The elevation ObserveSatellite gives, without the sub-point it also computes.
    Vector pos, vel;
    try {
        PropagateSatellite(sat_, jd, pos, vel);
    } catch (const EDecayError&) {
        // Down from here on, whatever the model gives for later times.
        decayJD_ = jd;
        s.margin = -std::numeric_limits<double>::infinity();
        return s;
    }
    ScaleStateToKm(pos, vel);
    TLookAngles look;
    bool visible = false;
    LookAngles(pos, vel, observer_, jd, look, visible);
    s.margin = look.elevation - minElev_;
    s.range = look.range;
    const double vx = vel.x + kEarthRotation * pos.y;
    const double vy = vel.y - kEarthRotation * pos.x;
    s.speed = std::sqrt(vx * vx + vy * vy + vel.z * vel.z);
    s.radius = std::sqrt(pos.x * pos.x + pos.y * pos.y + pos.z * pos.z);
    const double ro = observerRadius_;
    s.arc = std::acos(std::clamp((ro * ro + s.radius * s.radius - s.range * s.range) / (2.0 * ro * s.radius),
                                 -1.0, 1.0));
    return s;
}

double TPassSearch::ElevationMargin(double jd) { return Sample(jd).margin; }

double TPassSearch::StepDays(const TSample& s) const {
    // The turn of the line of sight the step may allow: what the margin needs to reach zero
    // (the refraction can add its whole span on top of the geometric elevation), bounded
    // inside a pass so that the samples follow its shape, and never below the floor.
    double turn = std::fabs(s.margin) - kRefractionSpan;
    if (s.margin > 0.0) turn = std::min(turn, kMaxTurnUp);
    turn = std::max(turn, kFloorTurn);
    // Over a time s the satellite moves at most D(s) = v s + A s^2 / 2 and at most V s; the
    // line of sight then turns at most -ln(1 - D / range). The step is the longest time whose
    // D stays within range (1 - exp(-turn)).
    const double reach = -s.range * std::expm1(-turn);
    const double byAccel = 2.0 * reach / (s.speed + std::sqrt(s.speed * s.speed + 2.0 * maxAccel_ * reach));
    const double bySpeed = reach / maxSpeed_;
    double seconds = std::max(byAccel, bySpeed);
    // Seen from the Earth's centre: at radius r the geocentric elevation reaches the lowest that
    // can count only within the arc acos(ro cos(h) / r) - h of the observer, an arc that grows
    // with r; the satellite's direction turns at most at the speed bound over the least radius.
    const double longest = period_ / 4.0 * 86400.0;
    const double highest = s.radius + maxClimb_ * longest;
    const double lowest = std::max(XKMPER, s.radius - maxClimb_ * longest);
    const double circle =
        std::acos(std::clamp(observerRadius_ * std::cos(lowestSeen_) / highest, -1.0, 1.0)) - lowestSeen_;
    if (s.arc > circle) seconds = std::max(seconds, (s.arc - circle) * lowest / maxSpeed_);
    if (s.margin > 0.0) {
        // Inside a pass: the geometric elevation stays above the minimum (refraction only
        // lifts it) within the arc of the minimum plus the tilt, at the least radius. The
        // samples stay close enough to follow the shape of the pass.
        const double highSeen = minElev_ + kVerticalTilt;
        const double inner =
            std::acos(std::clamp(observerRadius_ * std::cos(highSeen) / lowest, -1.0, 1.0)) - highSeen;
        if (s.arc < inner) seconds = std::max(seconds, (inner - s.arc) * lowest / maxSpeed_);
        seconds = std::min(seconds, period_ * 86400.0 * kPassStepOfPeriod);
    }
    if (!(seconds >= kMinStepSeconds)) seconds = kMinStepSeconds;
    return std::min(seconds / 86400.0, period_ / 4.0);
}

void TPassSearch::FindPeak(double low, double high, double& peakTime, double& peakMargin) {
    const double tolerance = FractionOfDay(0, 0, 0, 1);
    const double r = 0.6180339887498949;
    double a = low, b = high;
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
    peakTime = fc >= fd ? c : d;
    peakMargin = fc >= fd ? fc : fd;
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

void TPassSearch::AddPass(std::vector<TPass>& list, double rise, double set, double peak) {
    if (rise < startJD_ || rise >= endJD_) return;

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

    pass.line = PassLine(DateTimeOfDayCount(DayCountOfDateTime(dayStart_) + (rise - startJD_)), southbound,
                         pass.longitudeDeg, pass.elevationDeg, duration, sat_.name);
    list.push_back(std::move(pass));
}

std::vector<TPass> TPassSearch::Run() {
    std::vector<TPass> list;
    // No days, or a minimum elevation that no elevation exceeds (not a number).
    if (!(endJD_ > startJD_) || std::isnan(minElev_)) return list;
    const double tolerance = FractionOfDay(0, 0, 0, 33);
    // A pass that rises in the period is followed past its end for as long again (at least one
    // revolution); one still up then is listed as setting there.
    const double followLimit = endJD_ + std::max(endJD_ - startJD_, period_);
    // A highest sample this close to the minimum may hide a pass between its neighbours (only
    // steps of the floor's length can hold one).
    const double hiddenReach = -(kFloorTurn + kRefractionSpan);

    // The pass in progress: up while the current sample is above the minimum; listable when
    // it rose inside the period (not before its start).
    bool listable = false;
    double rise = 0.0, peakTime = 0.0, peakMargin = 0.0;
    TSample prev, cur = Sample(startJD_);
    bool havePrev = false;
    while (!std::isinf(cur.margin)) {
        const bool up = cur.margin > 0.0;
        // Two samples past the end: nothing later can rise inside the period.
        if (havePrev && prev.t >= endJD_ && !(up && listable)) break;
        if (cur.t >= followLimit) {
            if (up && listable) AddPass(list, rise, cur.t, peakTime);
            break;
        }
        const TSample next = Sample(cur.t + StepDays(cur));
        const double left = havePrev ? prev.t : cur.t;
        const bool highest = (!havePrev || cur.margin >= prev.margin) && cur.margin >= next.margin;
        if (highest && up && listable) {
            double t = 0.0, m = 0.0;
            FindPeak(left, next.t, t, m);
            if (m > peakMargin) {
                peakTime = t;
                peakMargin = m;
            }
        } else if (highest && !up && cur.margin > hiddenReach) {
            double t = 0.0, m = 0.0;
            FindPeak(left, next.t, t, m);
            if (m > 0.0) AddPass(list, FindRiseTime(left, t, tolerance), FindSetTime(t, next.t, tolerance), t);
        }
        if (!up && next.margin > 0.0) {
            rise = FindRiseTime(cur.t, next.t, tolerance);
            listable = rise < endJD_;
            peakTime = next.t;
            peakMargin = next.margin;
        } else if (up && !(next.margin > 0.0)) {
            if (listable) AddPass(list, rise, FindSetTime(cur.t, next.t, tolerance), peakTime);
            listable = false;
        }
        prev = cur;
        havePrev = true;
        cur = next;
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
    result = commatext::Join(lines);
}

}  // namespace orbit
