// When the near-Earth and deep-space models have brought a satellite down: tests on the
// elements the models hold at a time, after drag and the secular and long-period terms.
// They need no earlier propagation (the deep-space model decides them with its lunar-solar terms
// evaluated at the time itself, not the ones it reuses for half an hour), so a satellite found
// down at one time is found down at the times after it as long as its elements stay out of
// range. The models report the verdict; the propagation driver turns it into the decay failure
// and keeps the time. Near the epoch neither test can hold: SafeMinutes bounds that span once
// per element set, and the models test only beyond it.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace orbit::decay {

// The drag factor of the semi-major axis (1 at the epoch) has fallen to zero, past which the
// model's squared axis would grow again, or the mean eccentricity has left (-1, 1). (Drag may
// take a near-circular orbit's eccentricity below zero: the model then holds the same orbit
// with its perigee turned half a turn, so only the size of the eccentricity counts.)
inline bool DragElementsDown(long double tempa, long double e) {
    return !(tempa > 0.0L) || !(std::fabs(e) < 1.0L);
}

// The least radius (Earth radii) of the revolution the elements describe lies inside the Earth:
// a semi-major axis a and the long-period eccentricity vector (axn, ayn) give radii of at least
// a (1 - e); the short-period terms scale them by 1 - 1.5 ck2 / p^2 sqrt(1 - e^2) (3 cos^2 i - 1)
// and add at most 0.5 ck2 / p sin^2 i (x3thm1 = 3 cos^2 i - 1, x1mth2 = sin^2 i, ck2 = J2 / 2).
// A perigee inside the Earth ends the orbit even when the time asked for falls elsewhere on it.
inline bool PerigeeInside(long double a, long double axn, long double ayn, long double x3thm1,
                          long double x1mth2, long double ck2) {
    const long double elsq = axn * axn + ayn * ayn;
    if (!(elsq < 1.0L) || !(a > 0.0L)) return true;
    const long double pl = a * (1.0L - elsq);
    const long double temp1 = ck2 / pl;
    const long double scale = 1.0L - 1.5L * temp1 / pl * std::sqrt(1.0L - elsq) * x3thm1;
    const long double lowest = scale * a * (1.0L - std::sqrt(elsq)) - 0.5L * temp1 * std::fabs(x1mth2);
    return !(scale > 0.0L) || !(lowest >= 1.0L);
}

// What the models' elements can do within |t| minutes of the epoch, from quantities fixed at
// initialisation: the semi-major axis is a0 tempa^2 with tempa at least
// 1 - (c1 + d2 |t| + d3 |t|^2 + d4 |t|^3) |t| (magnitudes), the eccentricity at most
// e0 + eRate |t| + eSwing, and the long-period term adds at most aycof / (a (1 - e^2)) to the
// eccentricity vector. x3thm1, x1mth2 and ck2 as for PerigeeInside.
struct TDriftBounds {
    long double a0 = 0, c1 = 0, d2 = 0, d3 = 0, d4 = 0;
    long double e0 = 0, eRate = 0, eSwing = 0;
    long double aycof = 0, x3thm1 = 0, x1mth2 = 0, ck2 = 0;
};

// True when within |t| <= minutes neither DragElementsDown nor PerigeeInside can hold, with a
// margin far above the rounding of the models. Every bound grows with |t|, so a span that is
// safe is safe throughout.
inline bool SafeWithin(const TDriftBounds& b, long double minutes) {
    constexpr long double kMargin = 1e-9L;
    const long double t = minutes;
    const long double tmin = 1.0L - (std::fabs(b.c1) + (std::fabs(b.d2) + (std::fabs(b.d3) + std::fabs(b.d4) * t) * t) * t) * t;
    const long double emax = std::fabs(b.e0) + std::fabs(b.eRate) * t + std::fabs(b.eSwing);
    if (!(tmin > kMargin) || !(emax < 1.0L - kMargin) || !(b.a0 > 0.0L)) return false;
    const long double amin = b.a0 * tmin * tmin;
    const long double eps = emax + std::fabs(b.aycof) / (amin * (1.0L - emax * emax));
    if (!(eps < 1.0L - kMargin)) return false;
    const long double plmin = amin * (1.0L - eps * eps);
    const long double temp1max = b.ck2 / plmin;
    const long double scalemin = 1.0L - 1.5L * temp1max / plmin * std::max(b.x3thm1, 0.0L);
    if (!(scalemin > 0.0L)) return false;
    const long double lowest = scalemin * amin * (1.0L - eps) - 0.5L * temp1max * std::fabs(b.x1mth2);
    return lowest >= 1.0L + kMargin;
}

// The span (minutes either side of the epoch) within which the decay tests cannot hold: 0 when
// they may hold at once, infinity when never (no drag, no drift of the eccentricity).
inline double SafeMinutes(const TDriftBounds& b) {
    if (!SafeWithin(b, 0.0L)) return 0.0;
    // Coarse steps out, then eight halvings: the span found lies within a few per cent below the
    // largest safe one (the tests merely start a little early), in at most 17 evaluations.
    constexpr long double kNever = 1e12L;  // about two million years
    long double lo = 0.0L, hi = 1024.0L;
    while (SafeWithin(b, hi)) {
        lo = hi;
        hi *= 16.0L;
        if (hi > kNever) return std::numeric_limits<double>::infinity();
    }
    for (int i = 0; i < 8; ++i) {
        const long double mid = 0.5L * (lo + hi);
        (SafeWithin(b, mid) ? lo : hi) = mid;
    }
    // Rounded down to a double, so that the span stays inside what was found safe.
    double r = static_cast<double>(lo);
    if (r > lo) r = std::nextafter(r, 0.0);
    return r;
}

}  // namespace orbit::decay
