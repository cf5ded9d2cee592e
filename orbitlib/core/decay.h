// When the near-Earth and deep-space models have brought a satellite down: tests on the
// elements the models hold at a time, after drag and the secular and long-period terms.
// They need no earlier propagation (the deep-space model's reuse of its lunar-solar terms for
// half an hour aside), so a satellite found down at one time is found down at the times after
// it as long as its elements stay out of range. The models report the verdict; the
// propagation driver turns it into the decay failure and keeps the time.
#pragma once

#include <cmath>

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

}  // namespace orbit::decay
