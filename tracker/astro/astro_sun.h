// The Sun's apparent position from the VSOP87D Earth series, its distance and diameter,
// and the Earth's perihelion and aphelion.
#pragma once

#include "astro_transforms.h"

namespace astro {

inline constexpr Extended kKmPerAU = 149597869.0L;

// Heliocentric longitude (deg, [0, 360)), latitude (deg) and radius vector (AU) of the
// Earth, FK5-corrected.
void EarthHeliocentric(Extended& L, Extended& B, Extended& R, TDateTime Date);

// Fills EclLongitude, EclLatitude, Distance (km), RightAscension, Declination with the
// Sun's apparent geocentric position.
void SunSkyPosition(TSkyPosition& Pos, TDateTime Date);

Extended SunDistanceAU(TDateTime Date);
Extended SunDiameterArcsec(TDateTime Date);

// The perihelion (Aphelion false) or aphelion (true) nearest to the epoch counter of Date.
TDateTime EarthApsis(bool Aphelion, TDateTime Date);
// The first perihelion / aphelion at or after Date.
TDateTime NextPerihelion(TDateTime Date);
TDateTime NextAphelion(TDateTime Date);

// The Sun's elevation and azimuth (from the south, positive westward, in (-90, 270)).
void SunHorizontal(Extended& Elevation, Extended& Azimuth, TDateTime Date, Extended LongitudeWest,
                   Extended Latitude);

// SunSkyPosition into a fresh record, copied whole into Pos (Parallax, Elevation and
// Azimuth are 0).
void SunPositionRecord(TSkyPosition& Pos, TDateTime Date);

}  // namespace astro
