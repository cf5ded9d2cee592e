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

Extended SinDeg(Extended x) { return std::sin(DegToRad(PutIn360(x))); }

Extended CosDeg(Extended x) { return std::cos(DegToRad(PutIn360(x))); }

Extended TanDeg(Extended x) { return TanRad(DegToRad(PutIn360(x))); }

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
    Extended r = x - 360.0L * RoundHalfEven(x / 360.0L);
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
