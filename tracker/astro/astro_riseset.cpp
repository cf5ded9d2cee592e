// Rise, set, transit and twilight after the method of Astronomical Algorithms (chapter on
// rising, transit and setting): positions tabulated at 0h of the day before, the day itself
// and the day after, approximate times from the hour angle at the standard altitude, then
// corrections from the interpolated positions, repeated until they change the time by less
// than 1e-5 day (at most ten passes). The Moon uses geocentric positions: its standard
// altitude 0.7275 * parallax - 34' already allows for the parallax.
//
// Only an event on the UTC day asked for is reported; when the corrections from the approximate
// time settle on another day, they are started again from the same time of the day before and
// of the day after, which may settle on this day. A solution that does not settle is no event.
//
// For the Sun whether an event happens is decided at the solution, not from the declination
// at 0h: the approximate time is first refined with the declination at that time (near a
// grazing event the declination of 0h can be a few tenths of a degree off), and a rise, set or
// twilight is reported only when the Sun's altitude at the solution lies within 0.01 degree
// of the event's altitude. Where the Sun only grazes the altitude the corrections do not
// settle on it and the day has no such event.
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

constexpr Extended kConvergence = 1e-5L;  // day
constexpr int kMaxPasses = 10;
// How near the Sun's altitude at a solution must be to the event's altitude, deg.
constexpr Extended kAltitudeTolerance = 0.01L;
constexpr Extended kSiderealPerDay = 360.985647L;  // deg

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

// The tabulation of one call: positions at T0 - 1, T0, T0 + 1 and the quantities the
// corrections read.
struct TTabulation {
    Extended Alpha[3] = {0, 0, 0};
    Extended Delta[3] = {0, 0, 0};
    Extended Theta0 = 0;  // apparent sidereal time at T0, deg
    Extended Phi = 0;     // latitude
    Extended L = 0;       // longitude, positive west
    Extended H0 = 0;      // standard altitude

    // The interpolated declination, the hour angle in (-180, 180] and the altitude at m
    // (fraction of the day from T0).
    void At(Extended m, Extended& delta, Extended& H, Extended& h) const {
        const Extended theta = Theta0 + kSiderealPerDay * m;
        const Extended alpha = InterpolateAngle(Alpha[0], Alpha[1], Alpha[2], m);
        delta = InterpolateAngle(Delta[0], Delta[1], Delta[2], m);
        H = PutIn360(theta - L - alpha);
        if (H > 180.0L) H -= 360.0L;
        h = ArcSinDeg(SinDeg(Phi) * SinDeg(delta) + CosDeg(Phi) * CosDeg(delta) * CosDeg(H));
    }

    // The correction of one approximate time m: Which 0 transit, 1 rise, 2 set; NaN where
    // there is none.
    Extended Correction(int Which, Extended m) const {
        Extended delta, H, h;
        At(m, delta, H, h);
        switch (Which) {
            case 0: return -H / 360.0L;
            case 1:
            case 2: {
                const Extended den = 360.0L * CosDeg(delta) * CosDeg(Phi) * SinDeg(H);
                // An event exactly at the meridian (the body just grazes h0): no defined step.
                if (den == 0.0L) return std::numeric_limits<Extended>::quiet_NaN();
                return (h - H0) / den;
            }
            default: return 0.0L;
        }
    }

    // The cosine of the hour angle at which a body of declination delta stands at H0; not
    // finite at the poles.
    Extended CosHourAngle(Extended delta) const {
        return (SinDeg(H0) - SinDeg(Phi) * SinDeg(delta)) / (CosDeg(Phi) * CosDeg(delta));
    }

    // The approximate time nearest m of a rise (Which 1) or set (2) with the position at m:
    // when the body does not reach H0 with that declination, the time of its nearest
    // approach (the culmination on that side).
    Extended Approximate(int Which, Extended m) const {
        Extended delta, H, h;
        At(m, delta, H, h);
        const Extended c = CosHourAngle(delta);
        if (!std::isfinite(c)) throw E_NoRiseSet();
        const Extended Hs = ArcCosDeg(std::clamp(c, -1.0L, 1.0L));
        return m + AngleDiff(H, Which == 1 ? -Hs : Hs) / kSiderealPerDay;
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

    // 1. The standard altitude.
    if (Kind == rsRise || Kind == rsSet) {
        if (IsSun) {
            tab.H0 = kSunStandardAltitude;
        } else {
            TSkyPosition p;
            MoonSkyPosition(p, Date);
            TopocentricCorrection(p, Date, Latitude, LongitudeWest, 0.0L);
            tab.H0 = kMoonParallaxFactor * p.Parallax - kRefractionAndSemidiameter;
        }
    } else {
        tab.H0 = TwilightAltitude(Kind);
    }

    // 2. 0h UTC of the day and its sidereal time.
    const TDateTime T0 = std::trunc(Date);
    tab.Theta0 = GreenwichSiderealTime(T0);

    // 3. Positions at 0h of the day before, the day and the day after.
    for (int i = 0; i < 3; ++i) {
        TSkyPosition p;
        const TDateTime t = T0 + (i - 1);
        if (IsSun)
            SunSkyPosition(p, t);
        else
            MoonSkyPosition(p, t);
        tab.Alpha[i] = p.RightAscension;
        tab.Delta[i] = p.Declination;
    }

    int which;
    if (Kind == rsTransit)
        which = 0;
    else if (IsRising(Kind))
        which = 1;
    else if (IsSetting(Kind))
        which = 2;
    else
        which = -1;
    // The Sun's rises, sets and twilights are decided at the solution.
    const bool sunEvent = IsSun && which > 0;

    // 4. Does the body reach h0 today? A non-finite cosine (latitude +-90, a non-finite date)
    // counts as no.
    Extended cosH0 = tab.CosHourAngle(tab.Delta[1]);
    if (!std::isfinite(cosH0)) throw E_NoRiseSet();
    if (!(cosH0 >= -1.0L && cosH0 <= 1.0L)) {
        if (!sunEvent) throw E_NoRiseSet();
        cosH0 = std::clamp(cosH0, -1.0L, 1.0L);
    }
    if (which < 0) return 0.0;

    // 5., 6. Approximate times.
    const Extended H0 = ArcCosDeg(cosH0);
    const Extended m0 = (tab.Alpha[1] + tab.L - tab.Theta0) / 360.0L;
    const Extended start = DayFraction(which == 0 ? m0 : which == 1 ? m0 - H0 / 360.0L : m0 + H0 / 360.0L);

    // 7. Corrections, from the approximate time and, when that does not give an event of
    // this day, from the same time of the day before and the day after: a day can hold the
    // end of one event's daily cycle and the start of the next.
    const Extended starts[3] = {start, start - 1.0L, start + 1.0L};
    for (const Extended from : starts) {
        Extended m = from;
        if (sunEvent) {
            for (int pass = 0; pass < kMaxPasses; ++pass) {
                const Extended next = tab.Approximate(which, m);
                const bool settled = std::fabs(next - m) < kConvergence;
                m = next;
                if (settled) break;
            }
        }
        // 8. The result: settled, on the day asked for and, for the Sun's events, at their
        // altitude.
        if (!tab.Iterate(which, m) || !(m >= 0.0L && m < 1.0L)) continue;
        if (sunEvent) {
            Extended delta, H, h;
            tab.At(m, delta, H, h);
            if (!(std::fabs(h - tab.H0) <= kAltitudeTolerance)) continue;
        }
        return static_cast<TDateTime>(T0 + m);
    }
    throw E_NoRiseSet();
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
