// Rise, set, transit and twilight after the method of Astronomical Algorithms (chapter on
// rising, transit and setting): positions tabulated at 0h of the day before, the day itself
// and the day after, approximate times from the hour angle at the standard altitude, then
// corrections from the interpolated positions, repeated until they change the time by less
// than 1e-5 day (at most ten passes). The Moon uses geocentric positions: its standard
// altitude 0.7275 * parallax - 34' already allows for the parallax (the upper limb, seen from
// the ground, then stands 34' below the horizon). The parallax is taken at the event, from the
// interpolated distance, since it changes by up to 0.85' a day.
//
// Only an event on the UTC day asked for is reported; when the corrections from the approximate
// time settle on another day, they are started again from the same time of the day before and
// of the day after, which may settle on this day. A solution that does not settle is no event.
//
// Whether a rise, set or twilight happens is decided at the solution, not from the declination
// at 0h (near a grazing event the declination of 0h can be a few tenths of a degree off for the
// Sun, degrees for the Moon): the approximate time is first refined with the declination at that
// time, and the event is reported only when the body's altitude at the solution lies within
// 0.01 degree of the event's altitude and is rising for a rise, setting for a set. Where the
// body only grazes the altitude the corrections do not settle on it and the day has no such
// event. The Moon's transit is reported when the Moon crosses the horizon at some time of the
// day, from its altitudes at the day's ends and at its culminations that day.
#include "astro_riseset.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "astro_moon.h"
#include "astro_sun.h"
#include "astro_transforms.h"

namespace astro {

namespace {

constexpr Extended kSunStandardAltitude = -0.8333L;
constexpr Extended kRefractionAndSemidiameter = 0.56666666666666666666L;  // 34'
constexpr Extended kMoonParallaxFactor = 0.7275L;
constexpr Extended kKmPerAU = 149597869.0L;
constexpr Extended kSolarParallax = 8.794L / 3600.0L;  // deg, at 1 AU

constexpr Extended kConvergence = 1e-5L;  // day
constexpr int kMaxPasses = 10;
// How near the body's altitude at a solution must be to the event's altitude, deg.
constexpr Extended kAltitudeTolerance = 0.01L;
// Half the interval over which a rise must climb and a set sink, day.
constexpr Extended kDirectionStep = 1e-3L;
constexpr Extended kSiderealPerDay = 360.985647L;  // deg

// The kinds of solution the corrections look for.
enum TWhich { wTransit = 0, wRise = 1, wSet = 2, wLowerTransit = 3 };

bool IsRising(TRiseSetKind Kind) {
    return Kind == rsRise || Kind == rsCivilBegin || Kind == rsNauticalBegin || Kind == rsAstroBegin;
}

bool IsSetting(TRiseSetKind Kind) {
    return Kind == rsSet || Kind == rsCivilEnd || Kind == rsNauticalEnd || Kind == rsAstroEnd;
}

Extended TwilightAltitude(TRiseSetKind Kind) {
    switch (Kind) {
        case rsCivilBegin:
        case rsCivilEnd: return -6.0L;
        case rsNauticalBegin:
        case rsNauticalEnd: return -12.0L;
        case rsAstroBegin:
        case rsAstroEnd: return -18.0L;
        default: return 0.0L;
    }
}

// x reduced to [0, 1): the fractional part, plus 1 when negative.
Extended DayFraction(Extended x) {
    Extended f = x - std::trunc(x);
    if (f < 0.0L) f += 1.0L;
    return f;
}

// Three-point interpolation of a quantity tabulated at equal steps (Y1 at n = 0).
Extended Interpolate(Extended Y1, Extended Y2, Extended Y3, Extended n) {
    const Extended a = Y2 - Y1, b = Y3 - Y2;
    return Y2 + n / 2.0L * (a + b + n * (b - a));
}

// The Sun's positions are tabulated at 0h of the day before, the day and the day after. The
// Moon's change too fast for that (three points a day apart put its right ascension up to
// 0.07 degree off, a quarter of a minute): they are tabulated every quarter day from 0h of the
// day before to 0h of the day after next, the span the corrections may visit.
constexpr int kSunPoints = 3;
constexpr int kMoonPoints = 13;
constexpr Extended kMoonStep = 0.25L;  // day
constexpr int kMaxPoints = kMoonPoints;

// The tabulation of one call: the positions and the quantities the corrections read.
struct TTabulation {
    int Points = kSunPoints;
    Extended Step = 1.0L;  // day
    Extended Alpha[kMaxPoints] = {};
    Extended Delta[kMaxPoints] = {};
    Extended Distance[kMaxPoints] = {};  // km, the Moon's
    Extended Theta0 = 0;  // apparent sidereal time at T0, deg
    Extended Phi = 0;     // latitude
    Extended L = 0;       // longitude, positive west
    Extended H0 = 0;      // standard altitude, unless it follows the Moon's parallax
    bool MoonParallax = false;

    // The standard altitude at m: for the Moon's rise and set 0.7275 * parallax - 34', with the
    // parallax of the interpolated distance.
    Extended StandardAltitude(Extended m) const {
        if (!MoonParallax) return H0;
        int i;
        const Extended n = Node(m, i);
        const Extended au = Interpolate(Distance[i - 1], Distance[i], Distance[i + 1], n) / kKmPerAU;
        const Extended P = au > 0.0L ? ArcSinDeg(SinDeg(kSolarParallax) / au) : 0.0L;
        return kMoonParallaxFactor * P - kRefractionAndSemidiameter;
    }

    // The tabulated time (0 is T0 - 1) the nearest to m that has neighbours on both sides, and
    // m in steps from it.
    Extended Node(Extended m, int& i) const {
        const Extended x = (m + 1.0L) / Step;
        const Extended r = std::isfinite(x) ? std::round(x) : 1.0L;
        i = static_cast<int>(std::clamp(r, 1.0L, static_cast<Extended>(Points - 2)));
        return x - i;
    }

    // The interpolated declination, the hour angle in (-180, 180] and the altitude at m
    // (fraction of the day from T0).
    void At(Extended m, Extended& delta, Extended& H, Extended& h) const {
        const Extended theta = Theta0 + kSiderealPerDay * m;
        int i;
        const Extended n = Node(m, i);
        const Extended alpha = InterpolateAngle(Alpha[i - 1], Alpha[i], Alpha[i + 1], n);
        delta = InterpolateAngle(Delta[i - 1], Delta[i], Delta[i + 1], n);
        H = PutIn360(theta - L - alpha);
        if (H > 180.0L) H -= 360.0L;
        h = ArcSinDeg(SinDeg(Phi) * SinDeg(delta) + CosDeg(Phi) * CosDeg(delta) * CosDeg(H));
    }

    // The altitude at m above the standard altitude.
    Extended AboveStandard(Extended m) const {
        Extended delta, H, h;
        At(m, delta, H, h);
        return h - StandardAltitude(m);
    }

    // The correction of one approximate time m; NaN where there is none.
    Extended Correction(int Which, Extended m) const {
        Extended delta, H, h;
        At(m, delta, H, h);
        switch (Which) {
            case wTransit: return -H / 360.0L;
            case wLowerTransit: return -AngleDiff(180.0L, H) / 360.0L;
            case wRise:
            case wSet: {
                const Extended den = 360.0L * CosDeg(delta) * CosDeg(Phi) * SinDeg(H);
                // An event exactly at the meridian (the body just grazes h0): no defined step.
                if (den == 0.0L) return std::numeric_limits<Extended>::quiet_NaN();
                return (h - StandardAltitude(m)) / den;
            }
            default: return 0.0L;
        }
    }

    // The cosine of the hour angle at which a body of declination delta stands at h0; not
    // finite at the poles.
    Extended CosHourAngle(Extended delta, Extended h0) const {
        return (SinDeg(h0) - SinDeg(Phi) * SinDeg(delta)) / (CosDeg(Phi) * CosDeg(delta));
    }

    // The approximate time nearest m of a rise or set with the position at m: when the body
    // does not reach h0 with that declination, the time of its nearest approach (the
    // culmination on that side).
    Extended Approximate(int Which, Extended m) const {
        Extended delta, H, h;
        At(m, delta, H, h);
        const Extended c = CosHourAngle(delta, StandardAltitude(m));
        if (!std::isfinite(c)) throw E_NoRiseSet();
        const Extended Hs = ArcCosDeg(std::clamp(c, -1.0L, 1.0L));
        return m + AngleDiff(H, Which == wRise ? -Hs : Hs) / kSiderealPerDay;
    }

    // Corrections from m until they change it by less than kConvergence, at most kMaxPasses;
    // false when they do not settle.
    bool Iterate(int Which, Extended& m) const {
        for (int pass = 0; pass < kMaxPasses; ++pass) {
            const Extended dm = Correction(Which, m);
            m += dm;
            if (!std::isfinite(m)) return false;
            if (std::fabs(dm) < kConvergence) return true;
        }
        return false;
    }

    // The settled solution of Which on the day (0 <= m < 1) from the approximate time m0 or
    // the same time of the day before or after; false when there is none. Rises and sets are
    // first refined with the declination at their time and must stand at the standard
    // altitude, climbing for a rise and sinking for a set.
    bool Solve(int Which, Extended m0, Extended& result) const {
        const Extended starts[3] = {m0, m0 - 1.0L, m0 + 1.0L};
        const bool event = Which == wRise || Which == wSet;
        for (const Extended from : starts) {
            Extended m = from;
            if (event) {
                for (int pass = 0; pass < kMaxPasses; ++pass) {
                    const Extended next = Approximate(Which, m);
                    const bool settled = std::fabs(next - m) < kConvergence;
                    m = next;
                    if (settled) break;
                }
            }
            if (!Iterate(Which, m) || !(m >= 0.0L && m < 1.0L)) continue;
            if (event) {
                if (!(std::fabs(AboveStandard(m)) <= kAltitudeTolerance)) continue;
                const Extended climb = AboveStandard(m + kDirectionStep) - AboveStandard(m - kDirectionStep);
                if (!(Which == wRise ? climb > 0.0L : climb < 0.0L)) continue;
            }
            result = m;
            return true;
        }
        return false;
    }

    // Whether the body stands above the standard altitude at some time of the day and below
    // it at another: its altitude is highest and lowest at the day's ends or at a culmination.
    bool CrossesDuringDay(Extended m0) const {
        Extended lowest = AboveStandard(0.0L), highest = AboveStandard(1.0L);
        if (lowest > highest) std::swap(lowest, highest);
        for (const int which : {wTransit, wLowerTransit}) {
            const Extended from = which == wTransit ? m0 : DayFraction(m0 + 0.5L);
            for (const Extended start : {from, from - 1.0L, from + 1.0L}) {
                Extended m = start;
                if (!Iterate(which, m) || !(m > 0.0L && m < 1.0L)) continue;
                const Extended h = AboveStandard(m);
                lowest = std::min(lowest, h);
                highest = std::max(highest, h);
            }
        }
        return lowest < 0.0L && highest > 0.0L;
    }
};

}  // namespace

Extended InterpolateAngle(Extended Y1, Extended Y2, Extended Y3, Extended N) {
    Extended a = Y2 - Y1;
    Extended b = Y3 - Y2;
    if (a > 100.0L) a -= 360.0L;
    if (a < -100.0L) a += 360.0L;
    if (b > 100.0L) b -= 360.0L;
    if (b < -100.0L) b += 360.0L;
    const Extended c = b - a;
    return Y2 + N / 2.0L * (a + b + N * c);
}

Extended AngleDiff(Extended A, Extended B) {
    Extended d = PutIn360(B - A);
    if (d > 180.0L) d -= 360.0L;
    return d;
}

TDateTime RiseSetCore(bool IsSun, TRiseSetKind Kind, TDateTime Date, Extended Latitude,
                      Extended LongitudeWest) {
    TTabulation tab;
    tab.Phi = Latitude;
    tab.L = LongitudeWest;

    // 1. The standard altitude; the Moon's follows its parallax.
    if (Kind == rsRise || Kind == rsSet) {
        tab.H0 = kSunStandardAltitude;
        tab.MoonParallax = !IsSun;
    } else {
        tab.H0 = TwilightAltitude(Kind);
    }

    // 2. 0h UTC of the day and its sidereal time.
    const TDateTime T0 = std::trunc(Date);
    tab.Theta0 = GreenwichSiderealTime(T0);

    // 3. Positions from 0h of the day before.
    if (!IsSun) {
        tab.Points = kMoonPoints;
        tab.Step = kMoonStep;
    }
    for (int i = 0; i < tab.Points; ++i) {
        TSkyPosition p;
        const TDateTime t = static_cast<TDateTime>(T0 - 1.0L + i * tab.Step);
        if (IsSun)
            SunSkyPosition(p, t);
        else
            MoonSkyPosition(p, t);
        tab.Alpha[i] = p.RightAscension;
        tab.Delta[i] = p.Declination;
        tab.Distance[i] = p.Distance;
    }

    int which;
    if (Kind == rsTransit)
        which = wTransit;
    else if (IsRising(Kind))
        which = wRise;
    else if (IsSetting(Kind))
        which = wSet;
    else
        which = -1;

    // 4. Does the body reach h0 today? A non-finite cosine (latitude +-90, a non-finite date)
    // counts as no. Rises, sets and twilights are decided at the solution, the Moon's transit
    // from its altitude over the day; the Sun's transit by its declination at 0h.
    Extended delta0, hourAngle0, altitude0;
    tab.At(0.0L, delta0, hourAngle0, altitude0);
    Extended cosH0 = tab.CosHourAngle(delta0, tab.StandardAltitude(0.0L));
    if (!std::isfinite(cosH0)) throw E_NoRiseSet();
    const bool decidedLater = which == wRise || which == wSet || (which == wTransit && !IsSun);
    if (!(cosH0 >= -1.0L && cosH0 <= 1.0L)) {
        if (!decidedLater) throw E_NoRiseSet();
        cosH0 = std::clamp(cosH0, -1.0L, 1.0L);
    }
    if (which < 0) return 0.0;

    // 5., 6. Approximate times.
    const Extended H0 = ArcCosDeg(cosH0);
    const Extended m0 = -hourAngle0 / 360.0L;
    const Extended start =
        DayFraction(which == wTransit ? m0 : which == wRise ? m0 - H0 / 360.0L : m0 + H0 / 360.0L);
    if (which == wTransit && !IsSun && !tab.CrossesDuringDay(DayFraction(m0))) throw E_NoRiseSet();

    // 7., 8. Corrections to a settled solution on the day asked for.
    Extended m = 0;
    if (!tab.Solve(which, start, m)) throw E_NoRiseSet();
    return static_cast<TDateTime>(T0 + m);
}

TDateTime SunRiseTime(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsRise, Date, Latitude, LongitudeWest);
}

TDateTime SunSetTime(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsSet, Date, Latitude, LongitudeWest);
}

TDateTime SunTransitTime(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsTransit, Date, Latitude, LongitudeWest);
}

TDateTime MoonRiseTime(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(false, rsRise, Date, Latitude, LongitudeWest);
}

TDateTime MoonSetTime(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(false, rsSet, Date, Latitude, LongitudeWest);
}

TDateTime MoonTransitTime(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(false, rsTransit, Date, Latitude, LongitudeWest);
}

TDateTime CivilTwilightBegin(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsCivilBegin, Date, Latitude, LongitudeWest);
}

TDateTime CivilTwilightEnd(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsCivilEnd, Date, Latitude, LongitudeWest);
}

TDateTime NauticalTwilightBegin(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsNauticalBegin, Date, Latitude, LongitudeWest);
}

TDateTime NauticalTwilightEnd(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsNauticalEnd, Date, Latitude, LongitudeWest);
}

TDateTime AstroTwilightBegin(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsAstroBegin, Date, Latitude, LongitudeWest);
}

TDateTime AstroTwilightEnd(TDateTime Date, Extended Latitude, Extended LongitudeWest) {
    return RiseSetCore(true, rsAstroEnd, Date, Latitude, LongitudeWest);
}

namespace {

// 1 January of a year of the proleptic Gregorian calendar as a TDateTime.
TDateTime NewYear(uint16_t Year) { return static_cast<TDateTime>(GregorianCalendarJD(Year, 1, 1) - JDOffset); }

// Each step removes all but a few thousandths of the error, so a handful suffice; the cap
// only guards against a longitude that never settles.
constexpr int kSolarLongitudeMaxSteps = 50;

}  // namespace

TDateTime SolarLongitudeTime(uint16_t Year, uint8_t K) {
    const Extended e = static_cast<int8_t>(K) * 15.218424583333333333L + 31 + 28 + 21;
    Extended t = e > 365.0L ? NewYear(static_cast<uint16_t>(Year - 1)) + e : NewYear(Year) + e;
    const Extended target = 15.0L * K;
    TSkyPosition p;
    SunSkyPosition(p, static_cast<TDateTime>(t));
    Extended lambda = p.EclLongitude;
    for (int step = 0; step < kSolarLongitudeMaxSteps && std::fabs(AngleDiff(lambda, target)) > 3e-10L; ++step) {
        t += 58.0L * SinDeg(target - lambda);
        TSkyPosition q;
        SunSkyPosition(q, static_cast<TDateTime>(t));
        lambda = q.EclLongitude;
    }
    return static_cast<TDateTime>(t);
}

TDateTime SeasonStart(uint16_t Year, TSeason Season) {
    switch (Season) {
        case snWinter: return SolarLongitudeTime(Year, 18);
        case snSpring: return SolarLongitudeTime(Year, 0);
        case snSummer: return SolarLongitudeTime(Year, 6);
        case snAutumn: return SolarLongitudeTime(Year, 12);
        default: return 0.0;
    }
}

}  // namespace astro
