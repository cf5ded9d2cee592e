#include "solaroutage.h"

#include <cmath>

#include "anglehelpers.h"
#include "astro_riseset.h"
#include "astro_sun.h"

namespace {

class TAstroSolarEphemeris : public ISolarEphemeris {
 public:
  TDateTime RiseTime(TDateTime Date, double Latitude, double LongitudeWest) const override {
    return astro::SunRiseTime(Date, Latitude, LongitudeWest);
  }
  TDateTime SetTime(TDateTime Date, double Latitude, double LongitudeWest) const override {
    return astro::SunSetTime(Date, Latitude, LongitudeWest);
  }
  void Horizontal(double& Elevation, double& Azimuth, TDateTime Date, double LongitudeWest,
                  double Latitude) const override {
    astro::Extended e = 0, a = 0;
    astro::SunHorizontal(e, a, Date, LongitudeWest, Latitude);
    Elevation = static_cast<double>(e);
    Azimuth = static_cast<double>(a);
  }
};

constexpr int kMaxSteps = 100;
constexpr double kStepTolerance = 0.001;    // degrees: iterate while further off than this
constexpr double kAcceptTolerance = 0.01;   // degrees: a result nearer than this is accepted
constexpr double kDamping = 0.78;

// The sun's azimuth (sun convention, reduced to (-180, 180]) at T; its elevation into Elev.
// A value that is not finite ends the search.
struct TNotFinite {};
double SunAzimuth(const ISolarEphemeris& Sun, double& Elev, TDateTime T, double LonW, double Lat) {
  if (!std::isfinite(T)) throw TNotFinite{};
  double e = 0, a = 0;
  Sun.Horizontal(e, a, T, LonW, Lat);
  if (!std::isfinite(e) || !std::isfinite(a)) throw TNotFinite{};
  Elev = e;
  return Normalize180(a);
}

}  // namespace

const ISolarEphemeris& AstroSolarEphemeris() {
  static const TAstroSolarEphemeris sun;
  return sun;
}

TDateTime SolarOutageTime(double& PassElev, TDateTime Date, double TargetAz, double ObsLat, double ObsLon) {
  return SolarOutageTime(PassElev, Date, TargetAz, ObsLat, ObsLon, AstroSolarEphemeris());
}

TDateTime SolarOutageTime(double& PassElev, TDateTime Date, double TargetAz, double ObsLat, double ObsLon,
                          const ISolarEphemeris& Sun) {
  PassElev = 0;
  try {
    if (!std::isfinite(Date) || !std::isfinite(TargetAz) || !std::isfinite(ObsLat) || !std::isfinite(ObsLon))
      return 0;
    const double lonW = -ObsLon;
    const double C = Normalize180(-TargetAz);

    TDateTime T1 = Sun.RiseTime(Date, ObsLat, lonW);
    TDateTime T2 = Sun.SetTime(Date, ObsLat, lonW);
    if (!std::isfinite(T1) || !std::isfinite(T2)) return 0;
    if (T2 < T1) {
      // Far from Greenwich the UTC day holds the end of one daylight and the start of the next:
      // take the daylight of the observer's own day, the one around its local noon.
      const double localNoon = std::floor(Date + ObsLon / 360.0) + 0.5 - ObsLon / 360.0;
      if (localNoon <= T2)
        T1 = Sun.RiseTime(Date - 1, ObsLat, lonW);
      else
        T2 = Sun.SetTime(Date + 1, ObsLat, lonW);
      if (!std::isfinite(T1) || !std::isfinite(T2) || !(T1 < T2)) return 0;
    }
    double elev = 0;
    const double A1 = SunAzimuth(Sun, elev, T1, lonW, ObsLat);
    const double A2 = SunAzimuth(Sun, elev, T2, lonW, ObsLat);

    // North of the equator the sun's azimuth grows from rise to set; south of it (and on the
    // equator itself) the dish must look nearer to north than the rising and setting sun, and
    // the steps go the other way.
    const double S = ObsLat > 0 ? 1.0 : -1.0;
    if (S > 0) {
      if (!(A1 < C && C < A2)) return 0;
    } else {
      if (!(std::fabs(C) > std::fabs(A1) && std::fabs(C) > std::fabs(A2))) return 0;
    }
    if (A2 == A1) return 0;  // no slope to interpolate with

    const double slope = (T1 - T2) / (A1 - A2);  // days per degree, rise to set
    // The start: interpolated between rise and set by azimuth along the sun's path. South of
    // the equator that path runs from the rising point through north (where the azimuth jumps
    // from -180 to 180) to the setting point: measured on it, the start lies in the daylight.
    TDateTime T = T1 + (T2 - T1) * (C - A1) / (A2 - A1);
    if (S < 0 && A1 < 0 && A2 > 0) {
      const double pathEnd = A2 - 360.0;
      const double pathC = C > 0 ? C - 360.0 : C;
      T = T1 + (T2 - T1) * (pathC - A1) / (pathEnd - A1);
    }
    double Cur = SunAzimuth(Sun, PassElev, T, lonW, ObsLat);
    // Azimuth differences are taken the short way round: south of the equator the sun passes
    // north, where the azimuth jumps from -180 to 180.
    const auto off = [&] { return Normalize180(C - Cur); };
    for (int step = 0; step < kMaxSteps && std::fabs(off()) > kStepTolerance; ++step) {
      T = T + S * kDamping * slope * off();
      Cur = SunAzimuth(Sun, PassElev, T, lonW, ObsLat);
    }
    return std::fabs(off()) < kAcceptTolerance ? T : 0;
  } catch (...) {
    return 0;
  }
}
