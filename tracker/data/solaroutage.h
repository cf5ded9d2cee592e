// The solar outage search: the moment of the day when the sun stands in the compass direction of
// the dish, that is when it passes straight above or below the satellite. The search works on
// azimuth only; the sun's elevation at that moment is handed back so that the caller can warn
// when the sun is close to the satellite's elevation.
#pragma once

// Days since 30 December 1899 0:00, the time of day as the fraction.
using TDateTime = double;

// The sun as the search sees it. Longitudes are positive WEST here, as in the astronomy
// routines; azimuths from south, positive westward.
class ISolarEphemeris {
 public:
  virtual ~ISolarEphemeris() = default;
  // Sunrise and sunset of the UTC day containing Date; throw when the day has none.
  virtual TDateTime RiseTime(TDateTime Date, double Latitude, double LongitudeWest) const = 0;
  virtual TDateTime SetTime(TDateTime Date, double Latitude, double LongitudeWest) const = 0;
  virtual void Horizontal(double& Elevation, double& Azimuth, TDateTime Date, double LongitudeWest,
                          double Latitude) const = 0;
};

// The astronomy routines' sun (astro::SunRiseTime, SunSetTime, SunHorizontal).
const ISolarEphemeris& AstroSolarEphemeris();

// The UTC moment of the day of Date when the sun's azimuth equals the dish's, or 0 when
// the dish direction lies outside the sun's daily path, the day has no sunrise or sunset, or the
// search does not converge. TargetAz: the dish azimuth from south, positive towards east
// (180 - azimuth from north). ObsLat and ObsLon: the observer, degrees north and east.
// The day is the daylight between a sunrise and the following sunset: that of the UTC day of
// Date, or, where the UTC day holds a sunset before its sunrise (observers far east or west of
// Greenwich), the one around the local noon of Date.
// PassElev receives the sun's elevation (degrees) at the last moment evaluated; it is 0 when
// no moment was evaluated. Never throws.
TDateTime SolarOutageTime(double& PassElev, TDateTime Date, double TargetAz, double ObsLat, double ObsLon);
TDateTime SolarOutageTime(double& PassElev, TDateTime Date, double TargetAz, double ObsLat, double ObsLon,
                          const ISolarEphemeris& Sun);
