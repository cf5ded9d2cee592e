// Low-precision sun and moon: osculating elements that vary linearly with time, Kepler's
// equation, and for the moon short perturbation series in longitude, latitude and distance.
// Positions are Earth-centred, referred to the equator and equinox of date, in km.
#pragma once

#include <cstdint>

#include "orbittypes.h"

namespace orbit {

inline constexpr std::uint8_t kSelectSun = 0;
inline constexpr std::uint8_t kSelectMoon = 1;

// Days since 31 December 1999 0h UT of a date-time (days since 30 December 1899):
// 0 at 31 December 1999 0h, 1 at 1 January 2000 0h. The time of day counts forward from
// the calendar day also before the base date. Throws EMathError for non-finite values and
// values outside years 1..9999.
double DayNumber2000(double dateTime);

// Ecliptic position of the sun (selector 0) or the moon (selector 1) at day number d:
// mean anomaly (rad), mean longitude (rad), phase (rad; 0 for the sun; for the moon 0 at
// full moon, +-pi at new moon, negative while it waxes) and x, y, z (km, ecliptic and
// equinox of date). Any other selector writes nothing. Throws EMathError for a non-finite d.
void SunMoonEcliptic(std::uint8_t selector, double d, double& meanAnomaly, double& meanLongitude,
                     double& phase, double& x, double& y, double& z);

// Inertial position (km, equator and equinox of date, magnitude filled), the sub-point and
// the phase of the sun or the moon at a date-time. Any other selector gives the zero
// position, its sub-point and phase 0.
void SunMoonState(std::uint8_t selector, double dateTime, Vector& pos, TGeodetic& geo, double& phase);

// SunMoonState for the sun (the phase is discarded) and for the moon.
void SunPosition(double dateTime, Vector& pos, TGeodetic& geo);
void MoonPosition(double dateTime, Vector& pos, TGeodetic& geo, double& phase);

}  // namespace orbit
