// The Moon's apparent position (the truncated lunar theory of Astronomical Algorithms),
// phase, distance, diameter, perigee and apogee.
#pragma once

#include <cstdint>

#include "astro_transforms.h"

namespace astro {

enum TMoonPhase : uint8_t {
    mpNewMoon = 0,
    mpWaxingCrescent = 1,
    mpFirstQuarter = 2,
    mpWaxingGibbous = 3,
    mpFullMoon = 4,
    mpWaningGibbous = 5,
    mpLastQuarter = 6,
    mpWaningCrescent = 7,
};

inline constexpr Extended kSynodicMonth = 29.530589L;

// Fills EclLongitude, EclLatitude, Distance (km), RightAscension, Declination
// (geocentric, apparent).
void MoonSkyPosition(TSkyPosition& Pos, TDateTime Date);

// Geocentric elevation and azimuth (from the south, positive westward); no parallax.
void MoonHorizontal(Extended& Elevation, Extended& Azimuth, TDateTime Date, Extended LongitudeWest,
                    Extended Latitude);

// Phase angle in degrees: 0 at full moon, +-180 at new moon, positive while waxing.
Extended MoonPhaseAngle(TDateTime Date);
// Illuminated fraction, 0 to 1.
Extended MoonIllumination(TDateTime Date);
// Days since new moon, 0 to 29.530589.
Extended MoonAge(TDateTime Date);
TMoonPhase MoonPhaseIndex(TDateTime Date);

Extended MoonDistanceKm(TDateTime Date);
Extended MoonDiameterArcsec(TDateTime Date);

// The perigee (Apogee false) or apogee (true) whose number is derived from Date.
TDateTime LunarApsis(bool Apogee, TDateTime Date);
// The first perigee / apogee at or after Date.
TDateTime NextPerigee(TDateTime Date);
TDateTime NextApogee(TDateTime Date);

}  // namespace astro
