// Dish-pointing geometry of one satellite and the rotor pulse-count fit.
//
// The orbit library gives look angles and an inertial state vector; the tracker completes them
// with its own geometry of a dish on a polar mount: hour angle and declination of the look
// direction, the polar-mount angle, the elevation of the polar axis with the optional correction
// of a modified polar mount, and the observer's own inertial position.
#pragma once

#include <span>

// What the library answered for one body, and the observer and mount it is seen from.
struct TDishInput {
  double ObsLat = 0;        // degrees, north positive
  double ObsLon = 0;        // degrees, east positive
  double ObsHeight = 0;     // metres
  bool ModifiedPolarMount = false;
  double AzimuthRad = 0;    // library azimuth, radians from north through east
  double ElevationRad = 0;  // library elevation, radians
  double LatitudeRad = 0;   // sub-satellite latitude, radians
  double Longitude = 0;     // sub-satellite longitude, degrees east
  double Altitude = 0;      // km above the reference ellipsoid
  double X = 0, Y = 0, Z = 0;  // inertial position, km
  double StarTime = 0;      // Greenwich sidereal time, degrees
};

// The completed geometry; all angles in degrees.
struct TDishGeometry {
  double Azimuth = 0;
  double Elevation = 0;
  double Latitude = 0;
  double RelLongitude = 0;
  double TheoDeclination = 0;
  double Declination = 0;
  double PolAngle = 0;
  double PolAxCorr = 0;
  double PolAxis = 0;
  double DecHorPlane = 0;
  double LclStarTime = 0;
  double ObsX = 0, ObsY = 0, ObsZ = 0;  // km
  double HA = 0;
};

inline constexpr double kEarthRadiusKm = 6378.14;
inline constexpr double kGeoRadiusKm = 42164.57;

// Computes the dish geometry. Returns false when the maths fails (a zero divisor, an argument
// out of its domain, a non-finite result); `out` is then unspecified.
bool CalcDishGeometry(const TDishInput& in, TDishGeometry& out);

// Correction of a modified polar mount at a latitude (degrees): the difference between the
// declination a dish needs towards the belt in the meridian seen from the Earth's surface and
// from the Earth's axis. Returns false for a non-finite result.
bool ModifiedPolarMountCorrection(double obsLatDeg, double& corr);

// One point of the pulse-count fit: hour angle (degrees) and the rotor's pulse count.
struct TPulsePoint {
  double HA = 0;
  double Pulses = 0;
};

struct TPulseFit {
  int Count = 0;            // points used; -1 after a failed fit
  double Slope = 1e-9;      // pulses per degree, never exactly 0
  double Intercept = 0;     // pulses at hour angle 0
  double Correlation = 0;
};

// Least-squares line Pulses = Slope * HA + Intercept over the points. With fewer than two points,
// or when the fit fails (all hour angles equal, all pulse counts equal), Slope is 1e-9 and
// Intercept and Correlation 0; a failed fit has Count -1.
TPulseFit FitPulseCounts(std::span<const TPulsePoint> points);
