#include "astro_math.h"

#include <cfenv>
#include <cmath>

namespace astro {

Extended DegToRad(Extended x) { return x / 180.0L * kPi; }

Extended RadToDeg(Extended x) { return x * 180.0L / kPi; }

Extended TanRad(Extended x) { return std::sin(x) / std::cos(x); }

Extended ArcTan2Rad(Extended Y, Extended X) {
    if (X == 0.0L) {
        if (Y > 0.0L) return kPiHalf;
        if (Y < 0.0L) return -kPiHalf;
        return Y == 0.0L ? 0.0L : Y;  // (0, 0) gives 0; NaN stays NaN
    }
    Extended r = std::atan(Y / X);
    if (X < 0.0L) r += kPi;
    return r;
}

Extended ArcSinRad(Extended x) {
    if (x >= 1.0L) return kPiHalf;
    if (x <= -1.0L) return -kPiHalf;
    return std::asin(x);
}

Extended ArcCosRad(Extended x) { return kPiHalf - ArcSinRad(x); }

// The angle is reduced and converted in extended precision; the sine and cosine of the
// reduced angle are taken in double. The extended-precision library functions cost about
// twenty times as much, and the double result (relative error 1e-16) is far more precise
// than any series this subsystem evaluates.
namespace {

constexpr double kRadPerDeg = static_cast<double>(kPi / 180.0L);

// The angle reduced into [-180, 180] in extended precision, then in radians as a double.
double ReducedRad(Extended x) {
    Extended r = PutIn360(x);
    if (r > 180.0L) r -= 360.0L;
    return static_cast<double>(r) * kRadPerDeg;
}

}  // namespace

Extended SinDeg(Extended x) { return std::sin(ReducedRad(x)); }

Extended CosDeg(Extended x) { return std::cos(ReducedRad(x)); }

Extended TanDeg(Extended x) {
    const double r = ReducedRad(x);
    return static_cast<Extended>(std::sin(r)) / static_cast<Extended>(std::cos(r));
}

Extended ArcTan2Deg(Extended Y, Extended X) { return RadToDeg(ArcTan2Rad(Y, X)); }

Extended ArcSinDeg(Extended x) { return RadToDeg(ArcSinRad(x)); }

Extended ArcCosDeg(Extended x) { return RadToDeg(ArcCosRad(x)); }

Extended ArcTanDeg(Extended x) { return RadToDeg(std::atan(x)); }

Extended RoundHalfEven(Extended x) {
    // nearbyint follows the current rounding mode, which is to-nearest-even here;
    // set it explicitly in case a caller changed it.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    Extended r = std::nearbyint(x);
    if (saved != FE_TONEAREST) std::fesetround(saved);
    return r;
}

Extended PutIn360(Extended x) {
    if (!std::isfinite(x)) return x;
    // x minus a whole number of turns. Which whole number (rounded or truncated quotient)
    // makes no difference to the result once it is brought into [0, 360) below; the
    // truncating conversion is much cheaper than a rounding call on extended values.
    const Extended q = x / 360.0L;
    Extended r;
    if (std::fabs(q) < 9.0e18L)
        r = x - 360.0L * static_cast<Extended>(static_cast<long long>(q));
    else
        r = x - 360.0L * RoundHalfEven(q);
    if (r < 0.0L) r += 360.0L;
    // A tiny negative remainder can round up to exactly 360 when 360 is added.
    if (r >= 360.0L) r -= 360.0L;
    return r;
}

Extended ArcTanQuotDeg(Extended num, Extended den) {
    if (den == 0.0L) {
        if (num > 0.0L) return 90.0L;
        if (num < 0.0L) return -90.0L;
        return num == 0.0L ? 0.0L : num;
    }
    return ArcTanDeg(num / den);
}

}  // namespace astro
