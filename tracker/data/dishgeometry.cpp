#include "dishgeometry.h"

#include <cmath>

namespace {

constexpr double kPi = 3.1415926535897932385;
constexpr double kDeg = 180.0 / kPi;
constexpr double kRad = kPi / 180.0;

bool Finite(double v) { return std::isfinite(v); }

// Reduces into [0, 360) the way the rest of the tracker does: subtract the nearest multiple of
// 360 (halves to even), then add 360 while negative.
double Reduce360(double x) {
  if (!Finite(x)) return x;
  double r = x - 360.0 * std::nearbyint(x / 360.0);
  while (r < 0) r += 360.0;
  return r;
}

// Reduces into (-180, 180].
double Reduce180(double x) {
  if (!Finite(x)) return x;
  double r = x - 360.0 * (std::nearbyint(x / 360.0) + 1.0);
  while (r <= -180.0) r += 360.0;
  return r;
}

// arcsin that accepts arguments a rounding step outside [-1, 1] and fails on anything further.
bool SafeAsin(double v, double& out) {
  if (!Finite(v)) return false;
  if (v > 1.0) {
    if (v > 1.0 + 1e-12) return false;
    v = 1.0;
  } else if (v < -1.0) {
    if (v < -1.0 - 1e-12) return false;
    v = -1.0;
  }
  out = std::asin(v);
  return true;
}

}  // namespace

bool ModifiedPolarMountCorrection(double obsLatDeg, double& corr) {
  const double phi = obsLatDeg * kRad;
  const double rg = kGeoRadiusKm / kEarthRadiusKm;
  const double s = std::sin(phi), c = std::cos(phi);
  // rg is about 6.6, so neither divisor can reach zero for a real latitude.
  const double under = rg * rg - c * c;
  if (!Finite(under) || under <= 0 || rg - c == 0) return false;
  corr = std::atan(s / (rg - c)) * kDeg - std::atan(s / std::sqrt(under)) * kDeg;
  return Finite(corr);
}

bool CalcDishGeometry(const TDishInput& in, TDishGeometry& g) {
  const double phi = in.ObsLat * kRad;
  const double el = in.ElevationRad, az = in.AzimuthRad;

  g.RelLongitude = in.Longitude - in.ObsLon;
  const double d = g.RelLongitude * kRad;

  // Declination a dish must have in the meridian to see the orbit at this altitude.
  const double theoDen = kEarthRadiusKm * (1.0 - std::cos(phi)) + in.Altitude;
  if (!Finite(theoDen) || theoDen == 0) return false;
  const double theo = std::atan(kEarthRadiusKm * std::sin(phi) / theoDen);

  double decl;
  if (!SafeAsin(std::sin(el) * std::sin(phi) + std::cos(el) * std::cos(phi) * std::cos(az), decl))
    return false;

  const double tanPhi = std::tan(phi);
  if (!Finite(tanPhi) || tanPhi == 0) return false;
  g.PolAngle = std::atan(std::sin(d) / tanPhi) * kDeg;

  g.PolAxCorr = 0;
  if (in.ModifiedPolarMount && !ModifiedPolarMountCorrection(in.ObsLat, g.PolAxCorr)) return false;
  g.PolAxis = 90.0 - std::fabs(in.ObsLat) - std::fabs(g.PolAxCorr);

  g.Azimuth = az * kDeg;
  g.Elevation = el * kDeg;
  g.Latitude = in.LatitudeRad * kDeg;
  g.TheoDeclination = theo * kDeg;
  g.Declination = decl * kDeg;
  g.DecHorPlane = 90.0 - std::fabs(in.ObsLat) - std::fabs(g.Declination);

  g.LclStarTime = Reduce360(in.StarTime + in.ObsLon);

  const double rho = kEarthRadiusKm + in.ObsHeight / 1000.0;
  const double l = g.LclStarTime * kRad;
  g.ObsX = rho * std::cos(phi) * std::cos(l);
  g.ObsY = rho * std::cos(phi) * std::sin(l);
  g.ObsZ = rho * std::sin(phi);

  const double ha = std::atan2(in.Y - g.ObsY, in.X - g.ObsX) * kDeg;
  g.HA = Reduce180(ha - g.LclStarTime);

  const double all[] = {g.Azimuth,    g.Elevation,   g.Latitude, g.RelLongitude, g.TheoDeclination,
                        g.Declination, g.PolAngle,   g.PolAxCorr, g.PolAxis,    g.DecHorPlane,
                        g.LclStarTime, g.ObsX,       g.ObsY,      g.ObsZ,       g.HA};
  for (double v : all)
    if (!Finite(v)) return false;
  return true;
}

TPulseFit FitPulseCounts(std::span<const TPulsePoint> points) {
  TPulseFit fit;
  fit.Count = static_cast<int>(points.size());
  if (fit.Count >= 2) {
    long double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    bool xsEqual = true, ysEqual = true;
    for (const TPulsePoint& p : points) {
      const long double x = p.HA, y = p.Pulses;
      sx += x;
      sy += y;
      sxx += x * x;
      syy += y * y;
      sxy += x * y;
      xsEqual = xsEqual && p.HA == points[0].HA;
      ysEqual = ysEqual && p.Pulses == points[0].Pulses;
    }
    const long double n = fit.Count;
    const long double dx = n * sxx - sx * sx;
    const long double dy = n * syy - sy * sy;
    bool ok = !xsEqual && !ysEqual && dx > 0 && dy > 0;
    if (ok) {
      const double slope = static_cast<double>((n * sxy - sx * sy) / dx);
      const double intercept = static_cast<double>((sxx * sy - sx * sxy) / dx);
      const double corr = static_cast<double>((n * sxy - sx * sy) / (std::sqrt(dx) * std::sqrt(dy)));
      ok = std::isfinite(slope) && std::isfinite(intercept) && std::isfinite(corr);
      if (ok) {
        fit.Slope = slope;
        fit.Intercept = intercept;
        fit.Correlation = corr;
      }
    }
    if (!ok) fit.Count = -1;
  }
  if (fit.Count < 2) {
    fit.Correlation = 0;
    fit.Slope = 1e-9;
    fit.Intercept = 0;
  }
  if (fit.Slope == 0) fit.Slope = 1e-9;
  return fit;
}
