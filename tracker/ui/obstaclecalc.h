// The arithmetic of the obstacle calculator on the Obstacle page: reading and bounding the four
// lengths, the half-metre spin steps, the obstacle height from a measured shadow, the three
// solving double-clicks, and where the tree picture stands on the obstacle plot.
//
// All lengths are metres and all texts use '.' as the decimal point. Nothing here throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The four edits of the calculator.
enum class TObstEdit { Height, Distance, DishHeight, Shadow };

// Bounds of the lengths. Every edit is at most kObstMaxLength; the obstacle height, its distance
// and the shadow are at least kObstMinLength (below it they become kObstFallbackLength); the
// dish height may be zero or negative, down to -kObstMaxLength.
inline constexpr double kObstMaxLength = 1000;
inline constexpr double kObstMinLength = 0.0001;
inline constexpr double kObstFallbackLength = 0.5;
inline constexpr double kObstSpinStep = 0.5;
inline constexpr double kObstSpinDefault = 6.0;  // an unreadable text before a spin step

// The value for an unreadable text on leaving an edit: 6.0, 10.0, 1.0 and 0.0.
double ObstEditDefault(TObstEdit edit);

// The value an edit holds after it is left: its text read forgivingly (blanks trimmed, the
// default when unreadable), then bounded as above.
double ObstExitValue(TObstEdit edit, std::string_view text);

// The value after a click on the spin button's lower (up = false) or upper arrow: the text read
// with 6.0 for an unreadable one, half a metre less or more, then bounded.
double ObstSpinValue(TObstEdit edit, std::string_view text, bool up);

// An edit's text for a value: "##0.0##" (6 -> "6.0", 0.125 -> "0.125", 1000 -> "1000.0").
std::string ObstEditText(double value);

// The height of an obstacle whose shadow is `shadow` metres long while the sun stands
// `sunElevation` degrees high: nothing while the sun is not above the horizon; 0 when the height
// comes out below 0.0001 m or above 1000 m.
std::optional<double> ShadowObstacleHeight(double sunElevation, double shadow);

// The three solving double-clicks, for a satellite at `elevation` degrees. Each reads its two
// edits strictly as decimal numbers and gives the text for the third edit ("##0.00"), or nothing
// when a text does not convert or the geometry has no answer (tangent of 90 degrees, a division
// by a zero tangent, a result that is not finite).
//   largest obstacle height: dish + distance x tan(el) - 0.005, at least 0.005
//   smallest distance:       (obstacle - dish) / tan(el), at least 0, plus 0.005
//   lowest dish height:      obstacle - distance x tan(el), at least 0, plus 0.005
std::optional<std::string> SolveObstacleHeight(std::string_view dishHeight, std::string_view distance,
                                               double elevation);
std::optional<std::string> SolveObstacleDistance(std::string_view obstHeight, std::string_view dishHeight,
                                                 double elevation);
std::optional<std::string> SolveDishHeight(std::string_view obstHeight, std::string_view distance,
                                           double elevation);

// Where the tree picture stands on the obstacle plot (pixels of the plot).
struct TTreeRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TTreeRect&) const = default;
};

// The tree for an obstacle `obstHeight` metres high at `obstDist` metres from the dish, on a plot
// of `scale` pixels per metre whose dish foot is at (originX, originY): as high as the obstacle,
// as wide as the picture's proportions (pictureWidth x pictureHeight) allow plus two pixels,
// standing on the ground line and centred at the obstacle's distance. Sizes round to the nearest
// integer, halves to even. Values that are not finite, negative sizes, or sizes beyond
// kMaxTreePixels give an empty rectangle at the dish foot.
inline constexpr int kMaxTreePixels = 1000000;
TTreeRect TreeImageRect(double obstHeight, double obstDist, double scale, int originX, int originY,
                        int pictureWidth = 120, int pictureHeight = 303);
