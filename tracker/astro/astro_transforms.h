// Nutation, apparent sidereal time and the coordinate transforms of the astronomy routines.
// Conventions: Date is a TDateTime in UTC (used for dynamical time too); latitudes are
// positive north; observer longitudes are positive WEST of Greenwich; azimuths are
// counted from the south, positive towards the west.
#pragma once

#include "astro_calendar.h"
#include "astro_math.h"

namespace astro {

// The position record filled step by step by the sun and moon routines. Fields that no
// step of a call chain sets stay 0.
struct TSkyPosition {
    Extended EclLongitude = 0;    // deg (apparent once EclipticToEquatorial has run)
    Extended EclLatitude = 0;     // deg
    Extended Distance = 0;        // km, geocentric
    Extended RightAscension = 0;  // deg, in (-90, 270)
    Extended Declination = 0;     // deg
    Extended Parallax = 0;        // deg, horizontal parallax (TopocentricCorrection)
    Extended Elevation = 0;       // deg above the horizon, no refraction
    Extended Azimuth = 0;         // deg from the south, positive westward, in (-90, 270)
};

// Julian centuries from J2000.0.
Extended JulianCenturies(TDateTime Date);

// DeltaPsi: nutation in longitude (deg). Epsilon: the TRUE obliquity eps0 + deltaEps (deg).
void Nutation(Extended& DeltaPsi, Extended& Epsilon, TDateTime Date);

// Apparent Greenwich sidereal time in degrees, in [0, 360).
Extended GreenwichSiderealTime(TDateTime Date);

// Adds the nutation in longitude to EclLongitude (normalised to [0, 360)) and fills
// RightAscension and Declination.
void EclipticToEquatorial(TSkyPosition& Pos, TDateTime Date);

// Fills Elevation and Azimuth from RightAscension and Declination. Longitude before latitude.
void EquatorialToHorizontal(TSkyPosition& Pos, TDateTime Date, Extended LongitudeWest, Extended Latitude);

// Moves RightAscension and Declination of a Moon position to the observer's place and fills
// Parallax. Latitude before longitude; Height in metres above the ellipsoid.
void TopocentricCorrection(TSkyPosition& Pos, TDateTime Date, Extended Latitude, Extended LongitudeWest,
                           Extended Height);

}  // namespace astro
