// Sine and cosine of the orbit library, inline for the propagators' inner loops.
//
// SinCosL, SinL, CosL: extended precision throughout. The argument is reduced by pi/2 here
// (Cody-Waite: pi/2 carried in four parts to about 160 bits, the products with the quadrant
// count exact below 2^30), then series on [-pi/4, pi/4] give results within about 2 units in
// the last place of a long double. The C library's extended-precision routines reduce every
// argument beyond pi/4 the slow, general way; these do not. Magnitudes of 2^30 and more go to
// the C library; NaN and infinities give NaN.
//
// AtanL, AtanRatio: arctangent in extended precision (table of arctan(k/8) and a series on the remainder
// (x - k/8) / (1 + x k/8), |remainder| <= 1/16; within about 2 units in the last place).
//
// SinCosReduced, SinReduced, CosReduced: the same extended-precision reduction, then the series
// in double precision (error below 2e-16, as that of a double). For inner loops whose results
// are stored as doubles anyway.
#pragma once

#include <cmath>

namespace orbit {

namespace trig_detail {

// pi/2 = kHalfPi1 + kHalfPi2 + kHalfPi3 + kHalfPi4 + (2.2e-51). The first three parts carry at
// most 32 significant bits, so their products with a quadrant count below 2^32 are exact.
inline constexpr long double kHalfPi1 = 0xC90FDAA2p-31L;
inline constexpr long double kHalfPi2 = 0x85A308D3p-65L;
inline constexpr long double kHalfPi3 = 0x98CC5170p-100L;
inline constexpr long double kHalfPi4 = 0xDC1CD129024E088Ap-167L;
inline constexpr long double kTwoOverPi = 0xA2F9836E4E44152Ap-64L;
inline constexpr long double kQuarterPi = 0.785398163397448309615660845819875721L;
// Below this magnitude the quadrant count stays under 2^30.
inline constexpr long double kReduceLimit = 0x1p30L;

constexpr long double InverseFactorial(int n) {
    long double f = 1.0L;
    for (int i = 2; i <= n; ++i) f *= i;
    return 1.0L / f;
}

// Taylor series of sine (to r^19) and cosine (to r^18). On |r| <= pi/4 the first left-out
// terms are below 1.2e-22 and 3.2e-21, well under the rounding of a long double near 1.
inline constexpr long double kS3 = -InverseFactorial(3), kS5 = InverseFactorial(5), kS7 = -InverseFactorial(7),
                             kS9 = InverseFactorial(9), kS11 = -InverseFactorial(11), kS13 = InverseFactorial(13),
                             kS15 = -InverseFactorial(15), kS17 = InverseFactorial(17),
                             kS19 = -InverseFactorial(19);
inline constexpr long double kC4 = InverseFactorial(4), kC6 = -InverseFactorial(6), kC8 = InverseFactorial(8),
                             kC10 = -InverseFactorial(10), kC12 = InverseFactorial(12),
                             kC14 = -InverseFactorial(14), kC16 = InverseFactorial(16),
                             kC18 = -InverseFactorial(18);

// The terms from r^7 (sine) and r^8 (cosine) on stay below 8e-5 and 1e-5 of the result on
// |r| <= pi/4, so they are summed in double precision without losing extended precision.
inline long double SinKernel(long double r) {
    if (r == 0.0L) return r;  // keeps the sign of zero
    constexpr double s7 = kS7, s9 = kS9, s11 = kS11, s13 = kS13, s15 = kS15, s17 = kS17, s19 = kS19;
    const long double z = r * r;
    const double zd = static_cast<double>(z), z2 = zd * zd, z4 = z2 * z2;
    const double tail = (s7 + zd * s9) + z2 * (s11 + zd * s13) + z4 * ((s15 + zd * s17) + z2 * s19);
    return r + r * z * (kS3 + z * (kS5 + z * static_cast<long double>(tail)));
}

inline long double CosKernel(long double r) {
    constexpr double c8 = kC8, c10 = kC10, c12 = kC12, c14 = kC14, c16 = kC16, c18 = kC18;
    const long double z = r * r;
    const double zd = static_cast<double>(z), z2 = zd * zd, z4 = z2 * z2;
    const double tail = (c8 + zd * c10) + z2 * (c12 + zd * c14) + z4 * (c16 + zd * c18);
    const long double q = kC4 + z * (kC6 + z * static_cast<long double>(tail));
    const long double hz = 0.5L * z;
    const long double w = 1.0L - hz;
    return w + (((1.0L - w) - hz) + z * z * q);
}

// Double-precision series (sine to r^15, cosine to r^16: left-out terms below 1.3e-17 and
// 3e-18 on |r| <= pi/4).
inline constexpr double kDS3 = static_cast<double>(kS3), kDS5 = static_cast<double>(kS5),
                        kDS7 = static_cast<double>(kS7), kDS9 = static_cast<double>(kS9),
                        kDS11 = static_cast<double>(kS11), kDS13 = static_cast<double>(kS13),
                        kDS15 = static_cast<double>(kS15);
inline constexpr double kDC4 = static_cast<double>(kC4), kDC6 = static_cast<double>(kC6),
                        kDC8 = static_cast<double>(kC8), kDC10 = static_cast<double>(kC10),
                        kDC12 = static_cast<double>(kC12), kDC14 = static_cast<double>(kC14),
                        kDC16 = static_cast<double>(kC16);

inline double SinKernelD(double r) {
    if (r == 0.0) return r;
    const double z = r * r, z2 = z * z;
    const double p = (kDS3 + z * kDS5) + z2 * ((kDS7 + z * kDS9) + z2 * ((kDS11 + z * kDS13) + z2 * kDS15));
    return r + r * z * p;
}

inline double CosKernelD(double r) {
    const double z = r * r, z2 = z * z;
    const double q = (kDC4 + z * kDC6) + z2 * ((kDC8 + z * kDC10) + z2 * ((kDC12 + z * kDC14) + z2 * kDC16));
    const double hz = 0.5 * z;
    const double w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + z * z * q);
}

// x = r + q pi/2 (mod 2 pi) with |r| <= pi/4 (a rounding beyond it does no harm) and q in 0..3.
// False for NaN, infinities and magnitudes of 2^30 or more.
inline bool ReduceQuadrant(long double x, long double& r, int& q) {
    const long double ax = std::fabs(x);
    if (ax <= kQuarterPi) {
        r = x;
        q = 0;
        return true;
    }
    if (!(ax < kReduceLimit)) return false;
    // The nearest whole number of quarter turns: adding and removing 1.5 * 2^63 leaves no bits
    // below the units of a 64-bit significand (round to nearest, the mode the library runs in).
    // This avoids the rounding-mode switches of the C library's integer conversions.
    constexpr long double kRoundShift = 0x1.8p63L;
    const long double k = (x * kTwoOverPi + kRoundShift) - kRoundShift;
    r = (((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3) - k * kHalfPi4;
    // |k| < 2^30 is exact as a double, whose conversion to an integer needs no mode switch.
    q = static_cast<int>(static_cast<double>(k)) & 3;
    return true;
}

template <typename T>
inline void PlaceQuadrant(int q, T sr, T cr, T& s, T& c) {
    switch (q) {
        case 0: s = sr; c = cr; break;
        case 1: s = cr; c = -sr; break;
        case 2: s = -sr; c = -cr; break;
        default: s = -cr; c = sr; break;
    }
}

// arctan(k / 8), k = 0..8.
inline constexpr long double kAtanEighths[9] = {
    0.0L,
    0xFEADD4D5617B6E33p-67L,
    0xFADBAFC96406EB15p-66L,
    0xB7B0CA0F26F78474p-65L,
    0xED63382B0DDA7B45p-65L,
    0x8F005D5EF7F59F9Bp-64L,
    0xA4BC7D1934F70924p-64L,
    0xB8053E2BC2319E74p-64L,
    0xC90FDAA22168C235p-64L};
// pi/2 = kHalfPiHigh + kHalfPiLow.
inline constexpr long double kHalfPiHigh = 0xC90FDAA22168C235p-63L;
inline constexpr long double kHalfPiLow = -0xECE675D1FC8F8CBBp-129L;

// arctan u for |u| <= 1/16: series to u^17 (the first left-out term is below 2^-72 |u|). The
// terms from u^5 on stay below |u| / 1280 together, so they are summed in double precision
// without losing the extended precision of the whole.
inline long double AtanKernel(long double u) {
    constexpr double a2 = 1.0 / 5, a3 = -1.0 / 7, a4 = 1.0 / 9, a5 = -1.0 / 11, a6 = 1.0 / 13, a7 = -1.0 / 15,
                     a8 = 1.0 / 17;
    const long double z = u * u;
    const double zd = static_cast<double>(z), z2 = zd * zd, z4 = z2 * z2;
    const double p = zd * a2 + z2 * (a3 + zd * a4) + z4 * ((a5 + zd * a6) + z2 * (a7 + zd * a8));
    return u + u * (z * (-1.0L / 3.0L + static_cast<long double>(p)));
}

}  // namespace trig_detail

inline void SinCosL(long double x, long double& s, long double& c) {
    using namespace trig_detail;
    long double r;
    int q;
    if (!ReduceQuadrant(x, r, q)) {
        s = std::sin(x);
        c = std::cos(x);
        return;
    }
    PlaceQuadrant(q, SinKernel(r), CosKernel(r), s, c);
}

inline long double SinL(long double x) {
    using namespace trig_detail;
    long double r;
    int q;
    if (!ReduceQuadrant(x, r, q)) return std::sin(x);
    switch (q) {
        case 0: return SinKernel(r);
        case 1: return CosKernel(r);
        case 2: return -SinKernel(r);
        default: return -CosKernel(r);
    }
}

inline long double CosL(long double x) {
    using namespace trig_detail;
    long double r;
    int q;
    if (!ReduceQuadrant(x, r, q)) return std::cos(x);
    switch (q) {
        case 0: return CosKernel(r);
        case 1: return -SinKernel(r);
        case 2: return -CosKernel(r);
        default: return SinKernel(r);
    }
}

// Inline in every caller: the propagators call it several times per step.
[[gnu::always_inline]] inline void SinCosReduced(long double x, double& s, double& c) {
    using namespace trig_detail;
    long double r;
    int q;
    if (!ReduceQuadrant(x, r, q)) {
        s = static_cast<double>(std::sin(x));
        c = static_cast<double>(std::cos(x));
        return;
    }
    const double rd = static_cast<double>(r);
    PlaceQuadrant(q, SinKernelD(rd), CosKernelD(rd), s, c);
}

namespace trig_detail {

// arctan t for t in [0, 1]: the nearest table point k/8 and the series on the remainder.
inline long double AtanUnit(long double t) {
    // The conversion of a number in [0.5, 8.5] cannot leave the table.
    const int k = static_cast<int>(static_cast<double>(t * 8.0L + 0.5L));
    const long double c = k * 0.125L;
    return kAtanEighths[k] + AtanKernel((t - c) / (1.0L + t * c));
}

}  // namespace trig_detail

inline long double AtanL(long double x) {
    using namespace trig_detail;
    if (std::isnan(x) || x == 0.0L) return x;
    const bool negative = x < 0.0L;
    const long double t = negative ? -x : x;
    // Beyond 1: pi/2 - arctan(1/t) (infinity gives pi/2).
    const long double r = t > 1.0L ? (kHalfPiHigh - AtanUnit(1.0L / t)) + kHalfPiLow : AtanUnit(t);
    return negative ? -r : r;
}

// arctan(y / x) for x != 0 with one division: y/x or, beyond 1 in magnitude, x/y.
// NaN when an argument is NaN or both are infinite, as arctan(y / x).
inline long double AtanRatio(long double y, long double x) {
    using namespace trig_detail;
    const long double ay = std::fabs(y), ax = std::fabs(x);
    if (ay > ax) {
        const long double r = (kHalfPiHigh - AtanUnit(ax / ay)) + kHalfPiLow;
        return (y < 0.0L) != (x < 0.0L) ? -r : r;
    }
    return AtanL(y / x);
}

// AtanRatio for arguments that are doubles, with one extended-precision division: the table
// point comes from the double quotient, and the remainder (t - k/8) / (1 + t k/8), t = n / d, is
// formed as (n - d k/8) / (d + n k/8), whose products with k/8 are exact for doubles. A table
// point one off at a rounding boundary leaves the remainder a hair beyond 1/16, where the series
// is as accurate. Zeros, infinities and NaN take AtanRatio's way.
inline long double AtanRatioOfDoubles(double y, double x) {
    using namespace trig_detail;
    const double ay = std::fabs(y), ax = std::fabs(x);
    if (!(ay > 0.0 && ax > 0.0 && ay <= 0x1.fffffffffffffp1023 && ax <= 0x1.fffffffffffffp1023))
        return AtanRatio(y, x);
    const bool swap = ay > ax;
    const double n = swap ? ax : ay, d = swap ? ay : ax;
    const int k = static_cast<int>(n / d * 8.0 + 0.5);
    const long double c = k * 0.125L;
    const long double nl = n, dl = d;
    const long double base = kAtanEighths[k] + AtanKernel((nl - c * dl) / (dl + c * nl));
    const long double r = swap ? (kHalfPiHigh - base) + kHalfPiLow : base;
    return (y < 0.0) != (x < 0.0) ? -r : r;
}

// Inline in every caller: the propagators call it several times per step.
[[gnu::always_inline]] inline double SinReduced(long double x) {
    using namespace trig_detail;
    long double r;
    int q;
    if (!ReduceQuadrant(x, r, q)) return static_cast<double>(std::sin(x));
    const double rd = static_cast<double>(r);
    switch (q) {
        case 0: return SinKernelD(rd);
        case 1: return CosKernelD(rd);
        case 2: return -SinKernelD(rd);
        default: return -CosKernelD(rd);
    }
}

// Inline in every caller: the propagators call it several times per step.
[[gnu::always_inline]] inline double CosReduced(long double x) {
    using namespace trig_detail;
    long double r;
    int q;
    if (!ReduceQuadrant(x, r, q)) return static_cast<double>(std::cos(x));
    const double rd = static_cast<double>(r);
    switch (q) {
        case 0: return CosKernelD(rd);
        case 1: return -SinKernelD(rd);
        case 2: return -CosKernelD(rd);
        default: return SinKernelD(rd);
    }
}

// sin(x + d) and cos(x + d) from s = sin x and c = cos x for a small turn |d| <= kSmallTurn, in
// double precision like SinCosReduced (series to d^7 and d^8, left-out terms below 1e-19; no
// argument reduction). For iterations whose next angle lies a small step from the last one: the
// series are split in two halves evaluated side by side, which shortens the chain of dependent
// operations.
inline constexpr double kSmallTurn = 1.0 / 32.0;

[[gnu::always_inline]] inline void SinCosTurned(double s, double c, double d, double& sd, double& cd) {
    using namespace trig_detail;
    const double z = d * d, z2 = z * z, dz = d * z;
    const double sn = d + dz * ((kDS3 + z * kDS5) + z2 * kDS7);
    const double cm = z * ((-0.5 + z * kDC4) + z2 * (kDC6 + z * kDC8));  // cos d - 1
    sd = s + (s * cm + c * sn);
    cd = c + (c * cm - s * sn);
}

}  // namespace orbit
