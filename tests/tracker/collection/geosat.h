// Geometric look angles of a geostationary satellite on a spherical Earth, for feeding the
// dish geometry and the fake library with known answers.
#pragma once

#include <cmath>

#include "dishgeometry.h"

namespace geosat {

inline constexpr double kObsLat = 52.083;
inline constexpr double kObsLon = 5.133;
inline constexpr double kPi = 3.1415926535897932385;
inline constexpr double kRad = kPi / 180;

struct Look {
  double az, el, range, alt;  // radians, radians, km, km
  double x, y, z;             // inertial position, km
};

// The satellite at east longitude satLon, the observer at (lat, lon) on the sphere, with the
// Greenwich sidereal time starTime (degrees).
inline Look Compute(double lat, double lon, double satLon, double starTime) {
  const double lst = (starTime + lon) * kRad, phi = lat * kRad;
  const double ox = kEarthRadiusKm * std::cos(phi) * std::cos(lst);
  const double oy = kEarthRadiusKm * std::cos(phi) * std::sin(lst);
  const double oz = kEarthRadiusKm * std::sin(phi);
  const double sa = (starTime + satLon) * kRad;
  Look l;
  l.x = kGeoRadiusKm * std::cos(sa);
  l.y = kGeoRadiusKm * std::sin(sa);
  l.z = 0;
  const double rx = l.x - ox, ry = l.y - oy, rz = l.z - oz;
  const double s = std::sin(phi) * std::cos(lst) * rx + std::sin(phi) * std::sin(lst) * ry - std::cos(phi) * rz;
  const double e = -std::sin(lst) * rx + std::cos(lst) * ry;
  const double z = std::cos(phi) * std::cos(lst) * rx + std::cos(phi) * std::sin(lst) * ry + std::sin(phi) * rz;
  l.range = std::sqrt(rx * rx + ry * ry + rz * rz);
  l.az = std::atan2(e, -s);
  if (l.az < 0) l.az += 2 * kPi;
  l.el = std::asin(z / l.range);
  l.alt = kGeoRadiusKm - kEarthRadiusKm;
  return l;
}

inline TDishInput Input(double lat, double lon, double satLon, double starTime, bool modified) {
  const Look l = Compute(lat, lon, satLon, starTime);
  TDishInput in;
  in.ObsLat = lat;
  in.ObsLon = lon;
  in.ObsHeight = 0;
  in.ModifiedPolarMount = modified;
  in.AzimuthRad = l.az;
  in.ElevationRad = l.el;
  in.LatitudeRad = 0;
  in.Longitude = satLon;
  in.Altitude = l.alt;
  in.X = l.x;
  in.Y = l.y;
  in.Z = l.z;
  in.StarTime = starTime;
  return in;
}

}  // namespace geosat
