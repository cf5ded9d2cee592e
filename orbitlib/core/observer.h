// Earth model of the orbit library (WGS-72 radius, flattening and gravitational
// parameter) and the geometry between a body and an observer.
#pragma once

#include "orbittypes.h"

namespace orbit {

namespace detail {
// Square root usable in constant expressions (Newton's method in extended precision).
constexpr long double ConstSqrt(long double x) {
    if (x <= 0.0L) return 0.0L;
    long double r = x > 1.0L ? x : 1.0L;
    for (int i = 0; i < 200; ++i) {
        const long double next = 0.5L * (r + x / r);
        if (next == r) break;
        r = next;
    }
    return r;
}
}  // namespace detail

inline constexpr double XKMPER = 6378.135;                  // equatorial radius, km
inline constexpr double kOneMinusFlattening = 0.9966472205458325;  // 1 - 1/298.26
inline constexpr double kEarthEccSq = 0.006694317778266722;        // e^2 = f (2 - f)
inline constexpr double kEarthRotation = 7.292115855228083e-5;     // rad/s

// sqrt(3600 * 398600.8 / XKMPER^3): the propagators' gravity constant.
inline constexpr double XKE = static_cast<double>(
    detail::ConstSqrt(1434962880.0L / (static_cast<long double>(XKMPER) * XKMPER * XKMPER)));
// ((120 - 78) / XKMPER)^4.
inline constexpr double QOMS2T = static_cast<double>(0.006584997024992416L * 0.006584997024992416L *
                                                     0.006584997024992416L * 0.006584997024992416L);

// Position (Earth radii) and velocity (Earth radii per minute) to km and km/s; fills magnitudes.
void StateToKm(Vector& pos, Vector& vel);
// The same without the magnitudes, for callers that never read them.
void ScaleStateToKm(Vector& pos, Vector& vel);

// Sub-point of an inertial position (km) at a Julian date. A point on the polar axis gives
// latitude +-pi/2 and its height above the pole; the Earth's centre gives latitude 0 and
// altitude -XKMPER. Throws EMathError for non-finite input.
TGeodetic GeodeticOfState(const Vector& pos, double jd);

// Inertial position (km) and velocity (km/s) of the observer; stores the local sidereal
// angle in obs.theta. Throws EMathError for non-finite input.
void ObserverState(TObserver& obs, double jd, Vector& pos, Vector& vel);

// Look angles of a body (km, km/s) from an observer (the caller's record is not changed).
// `visible` is set when the refracted elevation is 0 or more. Throws EMathError when the
// body coincides with the observer or an input is not finite.
void LookAngles(const Vector& pos, const Vector& vel, const TObserver& obs, double jd, TLookAngles& look,
                bool& visible);

}  // namespace orbit
