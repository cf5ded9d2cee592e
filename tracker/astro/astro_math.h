// Degree trigonometry for the astronomy routines. Everything is extended precision
// (long double); angles are degrees unless the name ends in Rad.
#pragma once

namespace astro {

using Extended = long double;

inline constexpr Extended kPi = 3.1415926535897932385L;
inline constexpr Extended kPiHalf = 1.5707963267948966193L;

Extended DegToRad(Extended x);
Extended RadToDeg(Extended x);

Extended TanRad(Extended x);
// arctan(Y / X), plus pi when X < 0: the result lies in (-pi/2, 3pi/2].
// X = 0 gives pi/2 with the sign of Y, and 0 for (0, 0).
Extended ArcTan2Rad(Extended Y, Extended X);
// Arguments slightly outside [-1, 1] (rounding) are clamped; the result is never NaN
// for a finite argument.
Extended ArcSinRad(Extended x);
Extended ArcCosRad(Extended x);

Extended SinDeg(Extended x);
Extended CosDeg(Extended x);
Extended TanDeg(Extended x);
Extended ArcTan2Deg(Extended Y, Extended X);  // in (-90, 270]
Extended ArcSinDeg(Extended x);
Extended ArcCosDeg(Extended x);
Extended ArcTanDeg(Extended x);  // in [-90, 90]

// Brings an angle into [0, 360). A non-finite value is returned unchanged.
Extended PutIn360(Extended x);

// Rounds halves to even (the rounding the whole subsystem uses).
Extended RoundHalfEven(Extended x);

// arctan(num / den) in degrees with an explicit answer for den = 0:
// +-90 with the sign of num, 0 when both are 0.
Extended ArcTanQuotDeg(Extended num, Extended den);

}  // namespace astro
