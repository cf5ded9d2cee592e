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
    double Cur = -360;

    const TDateTime T1 = Sun.RiseTime(Date, ObsLat, lonW);
    const TDateTime T2 = Sun.SetTime(Date, ObsLat, lonW);
    double elev = 0;
    const double A1 = SunAzimuth(Sun, elev, T1, lonW, ObsLat);
    const double A2 = SunAzimuth(Sun, elev, T2, lonW, ObsLat);

    // North of the equator the sun's azimuth grows from rise to set; south of it the dish must
    // look nearer to north than the rising and setting sun.
    const double S = ObsLat > 0 ? 1.0 : -1.0;
    if (S > 0) {
      if (!(A1 < C && C < A2)) return 0;
    } else {
      if (!(std::fabs(C) > std::fabs(A1) && std::fabs(C) > std::fabs(A2))) return 0;
    }
    if (A2 == A1) return 0;  // no slope to interpolate with

    const double slope = (T1 - T2) / (A1 - A2);  // days per degree, rise to set
    TDateTime T = T1 + (T2 - T1) * (C - A1) / (A2 - A1);
    Cur = SunAzimuth(Sun, PassElev, T, lonW, ObsLat);
    for (int step = 0; step < kMaxSteps && std::fabs(C - Cur) > kStepTolerance; ++step) {
      T = T + S * kDamping * slope * (C - Cur);
      Cur = SunAzimuth(Sun, PassElev, T, lonW, ObsLat);
    }
    return std::fabs(C - Cur) < kAcceptTolerance ? T : 0;
  } catch (...) {
    return 0;
  }
}
