// Powers the propagators take in every step, without the general exp(y log x) of PowerOf:
// cube, three halves and two thirds of a positive double, each computed in extended precision
// and rounded to a double as PowerOf rounds its result (they agree with it within a few units
// in the last place). Like PowerOf they fail on a base that is not positive and on a result
// that is not finite.
#pragma once

#include <cmath>

#include "mathtime.h"

namespace orbit {

[[gnu::always_inline]] inline double CubeOf(double base) {
    if (!(base > 0.0)) detail::ThrowMathError(kMsgPowerArgument);
    const long double b = base;
    const double r = static_cast<double>(b * b * b);
    if (!std::isfinite(r)) detail::ThrowNotFinite(r);
    return r;
}

[[gnu::always_inline]] inline double ThreeHalvesPowerOf(double base) {
    if (!(base > 0.0)) detail::ThrowMathError(kMsgPowerArgument);
    const long double b = base;
    const double r = static_cast<double>(b * std::sqrt(b));
    if (!std::isfinite(r)) detail::ThrowNotFinite(r);
    return r;
}

// The cube root of base^2: the square of the double cube root of base, then one Newton step in
// extended precision (a relative error of about 1e-16 becomes one of about 1e-32 before
// rounding). No intermediate leaves the range of a long double.
[[gnu::always_inline]] inline double TwoThirdsPowerOf(double base) {
    if (!(base > 0.0)) detail::ThrowMathError(kMsgPowerArgument);
    const long double b = base;
    const long double c = std::cbrt(base);
    const long double y = c * c;
    const long double y2 = y * y;
    const double r = static_cast<double>(y - (y2 * y - b * b) / (3.0L * y2));
    if (!std::isfinite(r)) detail::ThrowNotFinite(r);
    return r;
}

}  // namespace orbit
