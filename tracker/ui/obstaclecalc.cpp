#include "obstaclecalc.h"

#include <cmath>
#include <numbers>

#include "anglehelpers.h"
#include "format.h"

namespace {

// Tangents beyond this stand for an elevation of 90 degrees (tan of pi/2 in doubles is 1.6E16).
constexpr double kMaxTangent = 1e12;

std::optional<double> TangentOf(double elevationDeg) {
  if (!std::isfinite(elevationDeg)) return std::nullopt;
  const double t = std::tan(elevationDeg * std::numbers::pi / 180.0);
  if (!std::isfinite(t) || std::fabs(t) > kMaxTangent) return std::nullopt;
  return t;
}

std::optional<double> ReadStrict(std::string_view text) {
  double v = 0;
  if (!TryStrToFloat(text, v) || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<std::string> Centimetres(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return FormatFloat("##0.00", v);
}

double Bounded(TObstEdit edit, double v) {
  if (edit == TObstEdit::DishHeight) {
    if (v < -kObstMaxLength) v = -kObstMaxLength;
  } else if (v < kObstMinLength) {
    v = kObstFallbackLength;
  }
  return v > kObstMaxLength ? kObstMaxLength : v;
}

// Integer nearest to x, halves to even; nothing when x is not a small finite number.
std::optional<int> NearestPixel(double x) {
  if (!std::isfinite(x) || std::fabs(x) > kMaxTreePixels) return std::nullopt;
  return static_cast<int>(std::nearbyint(x));
}

}  // namespace

double ObstEditDefault(TObstEdit edit) {
  switch (edit) {
    case TObstEdit::Height: return 6.0;
    case TObstEdit::Distance: return 10.0;
    case TObstEdit::DishHeight: return 1.0;
    case TObstEdit::Shadow: return 0.0;
  }
  return 0.0;
}

double ObstExitValue(TObstEdit edit, std::string_view text) {
  return Bounded(edit, StrToFloatDefTrim(text, ObstEditDefault(edit)));
}

double ObstSpinValue(TObstEdit edit, std::string_view text, bool up) {
  const double v = StrToFloatDefTrim(text, kObstSpinDefault);
  if (up) {
    const double r = v + kObstSpinStep;
    return r > kObstMaxLength ? kObstMaxLength : r;
  }
  double r = v - kObstSpinStep;
  if (edit == TObstEdit::DishHeight) return r < -kObstMaxLength ? -kObstMaxLength : r;
  return r < kObstMinLength ? kObstFallbackLength : r;
}

std::string ObstEditText(double value) { return FormatFloat("##0.0##", value); }

std::optional<double> ShadowObstacleHeight(double sunElevation, double shadow) {
  if (!(sunElevation > 0)) return std::nullopt;
  const double h = MulTanDeg(sunElevation, shadow);
  if (!std::isfinite(h) || h < kObstMinLength || h > kObstMaxLength) return 0.0;
  return h;
}

std::optional<std::string> SolveObstacleHeight(std::string_view dishHeight, std::string_view distance,
                                               double elevation) {
  const auto dish = ReadStrict(dishHeight);
  const auto dist = ReadStrict(distance);
  const auto t = TangentOf(elevation);
  if (!dish || !dist || !t) return std::nullopt;
  double h = *dish + *dist * *t - 0.005;
  if (h < 0.005) h = 0.005;
  return Centimetres(h);
}

std::optional<std::string> SolveObstacleDistance(std::string_view obstHeight, std::string_view dishHeight,
                                                 double elevation) {
  const auto obst = ReadStrict(obstHeight);
  const auto dish = ReadStrict(dishHeight);
  const auto t = TangentOf(elevation);
  if (!obst || !dish || !t || *t == 0) return std::nullopt;
  double d = (*obst - *dish) / *t;
  if (!std::isfinite(d)) return std::nullopt;
  if (d < 0) d = 0;
  return Centimetres(d + 0.005);
}

std::optional<std::string> SolveDishHeight(std::string_view obstHeight, std::string_view distance,
                                           double elevation) {
  const auto obst = ReadStrict(obstHeight);
  const auto dist = ReadStrict(distance);
  const auto t = TangentOf(elevation);
  if (!obst || !dist || !t) return std::nullopt;
  double m = *obst - *dist * *t;
  if (!std::isfinite(m)) return std::nullopt;
  if (m < 0) m = 0;
  return Centimetres(m + 0.005);
}

TTreeRect TreeImageRect(double obstHeight, double obstDist, double scale, int originX, int originY,
                        int pictureWidth, int pictureHeight) {
  TTreeRect empty{originX, originY, 0, 0};
  if (pictureWidth <= 0 || pictureHeight <= 0) return empty;
  const auto h = NearestPixel(obstHeight * scale);
  if (!h || *h <= 0) return empty;
  const auto w = NearestPixel(*h * static_cast<double>(pictureWidth) / pictureHeight + 2);
  if (!w || *w <= 0) return empty;
  const auto x = NearestPixel(obstDist * scale - *w / 2.0);
  if (!x) return empty;
  return TTreeRect{*x + originX, originY - *h, *w, *h};
}
