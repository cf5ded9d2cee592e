// Sine, cosine and arctangent of the orbit core against reference values (computed with
// 400-bit arithmetic for the exact long double arguments), and against the C library.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "fastpow.h"
#include "fasttrig.h"
#include "mathtime.h"

namespace {

using orbit::AtanL;
using orbit::CosL;
using orbit::SinCosL;
using orbit::SinCosReduced;
using orbit::SinL;

// One unit in the last place of a long double of this magnitude.
long double Ulp(long double v) {
    int e = 0;
    std::frexp(v, &e);
    return std::ldexp(1.0L, e - 64);
}

struct TrigCase {
    long double x, sin, cos;
};

// Arguments: small, negative, beyond 2^30 (left to the C library), the long doubles nearest
// to multiples of pi/2 (results near 0 must keep their relative accuracy) and 2^-40 beside them.
const TrigCase kTrigCases[] = {
    {0.0L, 0.0L, 1.0L},  // 0
    {0xA2425FF75E14FC32p-163L, 1.00000000000000000003169e-30L, 1.0L},  // tiny
    {0x8000000000000000p-64L, 4.794255386042030002732879e-1L, 8.775825618903727161162816e-1L},  // 0.5
    {-0xC000000000000000p-64L, -6.81638760023334166733242e-1L, 7.316888688738208863118388e-1L},  // -0.75
    {0xC90FDAA22168C235p-64L, 7.071067811865475244097125e-1L, 7.071067811865475243919763e-1L},  // pi/4
    {-0xC90FDAA22168C235p-64L, -7.071067811865475244097125e-1L, 7.071067811865475243919763e-1L},  // -pi/4
    {0x8000000000000000p-63L, 8.414709848078965066525023e-1L, 5.403023058681397174009366e-1L},  // 1
    {0x8000000000000000p-62L, 9.092974268256816953960199e-1L, -4.161468365471423869975682e-1L},  // 2
    {-0xC000000000000000p-62L, -1.411200080598672221007448e-1L, -9.899924966004454572715728e-1L},  // -3
    {0xA800000000000000p-60L, -8.796957599716700980185087e-1L, -4.755369279959925355238115e-1L},  // 10.5
    {0xC800000000000000p-57L, -5.063656411097587936565576e-1L, 8.623188722876839341019385e-1L},  // 100
    {-0xC0E6B645A1CAC083p-50L, 7.040813137532989620521997e-1L, 7.101193587161446944762613e-1L},  // -12345.678
    {0xF42401999999999Ap-44L, -2.547258270378391099002623e-1L, 9.670133158544865011211581e-1L},  // 1e6+0.1
    {0xEE6B280000000000p-35L, -2.847040732375440265455651e-1L, -9.586154550610746163022991e-1L},  // 5e8
    {-0xFF1B9E0000000000p-34L, -6.29294393564773832735112e-1L, 7.771670130853107291927102e-1L},  // -1.07e9
    {0xE8D4A51000000000p-24L, -6.112387023768894981920204e-1L, 7.914463018528902700537662e-1L},  // 1e12 (C library)
    {0x878678326EAC9000p10L, -8.522008497671888017727059e-1L, 5.232147853951389454975945e-1L},  // 1e22 (C library)
    {0xC90FDAA22168C235p-63L, 1.0L, -2.508278806334166011778664e-20L},  // nearest to 1 pi/2
    {0xC90FDAA221E8C235p-63L, 9.999999999999999999999996e-1L, -9.094947268557163012566991e-13L},  // 1 pi/2 + 2^-40
    {0xC90FDAA22168C235p-62L, -5.016557612668332023557327e-20L, -1.0L},  // nearest to 2 pi/2
    {0xC90FDAA221A8C235p-62L, -9.094947519385043645983592e-13L, -9.999999999999999999999996e-1L},  // 2 pi/2 + 2^-40
    {0x96CBE3F9990E91A8p-61L, -1.0L, 1.836685814385754237541052e-19L},  // nearest to 3 pi/2
    {0x96CBE3F9992E91A8p-61L, -9.999999999999999999999996e-1L, 9.094948854415096764904627e-13L},  // 3 pi/2 + 2^-40
    {0xC90FDAA22168C235p-61L, 1.003311522533666404711465e-19L, 1.0L},  // nearest to 4 pi/2
    {0xC90FDAA22188C235p-61L, 9.094948021040804912816794e-13L, 9.999999999999999999999996e-1L},  // 4 pi/2 + 2^-40
    {-0xC90FDAA22168C235p-63L, -1.0L, -2.508278806334166011778664e-20L},  // nearest to -1 pi/2
    {-0xC90FDAA221E8C235p-63L, -9.999999999999999999999996e-1L, -9.094947268557163012566991e-13L},  // -1 pi/2 + 2^-40
    {-0xC90FDAA22168C235p-62L, 5.016557612668332023557327e-20L, -1.0L},  // nearest to -2 pi/2
    {-0xC90FDAA221A8C235p-62L, 9.094947519385043645983592e-13L, -9.999999999999999999999996e-1L},  // -2 pi/2 + 2^-40
    {0xAFEDDF4DDD3BA9EEp-60L, -1.0L, -1.496811353022597093777294e-19L},  // nearest to 7 pi/2
    {0xAFEDDF4DDD4BA9EEp-60L, -9.999999999999999999999996e-1L, 9.094945520917929356553296e-13L},  // 7 pi/2 + 2^-40
    {0xC4597B8254A04DA8p-53L, 5.197100194098217008117146e-17L, 1.0L},  // nearest to 1000 pi/2
    {0xC4597B8254A06DA8p-53L, 9.095466727748692200851201e-13L, 9.999999999999999999999996e-1L},  // 1000 pi/2 + 2^-40
    {-0x996583F5E4CC2BF7p-46L, 1.0L, 7.03468937345583513165626e-15L},  // nearest to -99999 pi/2
    {-0x996583F5E4CC2C37p-46L, 9.999999999999999999999996e-1L, 9.165293911463840730466952e-13L},  // -99999 pi/2 + 2^-40
    {0xB8F115EADD903343p-36L, 9.999999999999999999999825e-1L, 5.908582417695599254688779e-12L},  // nearest to 123456789 pi/2
    {0xE0B447904EC8D3DEp-34L, -1.855539033861771096227476e-11L, 9.999999999999999999998278e-1L},  // nearest to 600000000 pi/2
};

TEST(FastTrig, SineAndCosineMatchReferenceValues) {
    for (const TrigCase& c : kTrigCases) {
        SCOPED_TRACE(static_cast<double>(c.x));
        long double s = 0, co = 0;
        SinCosL(c.x, s, co);
        EXPECT_LE(std::fabs(s - c.sin), 3 * Ulp(c.sin));
        EXPECT_LE(std::fabs(co - c.cos), 3 * Ulp(c.cos));
        EXPECT_EQ(SinL(c.x), s);
        EXPECT_EQ(CosL(c.x), co);
        // The double-precision series after the same reduction: relative accuracy of a double.
        double sd = 0, cd = 0;
        SinCosReduced(c.x, sd, cd);
        EXPECT_LE(std::fabs(sd - c.sin), 3e-16L * std::fabs(c.sin) + 1e-300L);
        EXPECT_LE(std::fabs(cd - c.cos), 3e-16L * std::fabs(c.cos) + 1e-300L);
        EXPECT_EQ(orbit::SinReduced(c.x), sd);
        EXPECT_EQ(orbit::CosReduced(c.x), cd);
    }
}

TEST(FastTrig, NonFiniteArgumentsGiveNaNAndZeroKeepsItsSign) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    for (long double x : {nan, inf, -inf}) {
        long double s = 0, c = 0;
        SinCosL(x, s, c);
        EXPECT_TRUE(std::isnan(s) && std::isnan(c));
        EXPECT_TRUE(std::isnan(SinL(x)) && std::isnan(CosL(x)));
        double sd = 0, cd = 0;
        SinCosReduced(x, sd, cd);
        EXPECT_TRUE(std::isnan(sd) && std::isnan(cd));
    }
    EXPECT_TRUE(std::signbit(SinL(-0.0L)));
    EXPECT_TRUE(std::signbit(orbit::SinReduced(-0.0L)));
    EXPECT_EQ(CosL(-0.0L), 1.0L);
    EXPECT_TRUE(std::isnan(AtanL(nan)));
    EXPECT_TRUE(std::signbit(AtanL(-0.0L)));
    EXPECT_EQ(AtanL(inf), orbit::kPiL / 2);
    EXPECT_EQ(AtanL(-inf), -orbit::kPiL / 2);
}

// Random arguments over growing ranges against the C library's extended-precision routines.
TEST(FastTrig, AgreesWithTheCLibraryOverManyArguments) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (long double range : {1.0L, 100.0L, 1e5L, 1e9L}) {
        for (int i = 0; i < 20000; ++i) {
            const long double x = unit(rng) * range + unit(rng) * 1e-9L;
            long double s = 0, c = 0;
            SinCosL(x, s, c);
            const long double rs = std::sin(x), rc = std::cos(x);
            ASSERT_LE(std::fabs(s - rs), 3 * Ulp(rs)) << static_cast<double>(x);
            ASSERT_LE(std::fabs(c - rc), 3 * Ulp(rc)) << static_cast<double>(x);
            const long double t = x / range * 40;  // arctangent arguments in [-40, 40]
            ASSERT_LE(std::fabs(AtanL(t) - std::atan(t)), 3 * Ulp(std::atan(t))) << static_cast<double>(t);
        }
    }
}

struct AtanCase {
    long double x, atan;
};

// Table points (multiples of 1/8), their neighbours, 1 and beyond, huge magnitudes.
const AtanCase kAtanCases[] = {
    {0.0L, 0.0L},  // 0
    {0xF79687AED3EEC551p-147L, 9.999999999999999999871879e-26L},  // tiny
    {0xF5C28F5C28F5C28Fp-69L, 2.999100485687789967590314e-2L},  // 0.03
    {-0x8000000000000000p-67L, -6.241880999595734847397911e-2L},  // -1/16
    {0xC000000000000000p-66L, 1.85347949995694764886026e-1L},  // 3/16
    {0x8000000000000000p-64L, 4.636476090008061162142562e-1L},  // 0.5
    {0xFFF972474538EF35p-64L, 7.853481608973649762869581e-1L},  // 0.9999
    {0x8000000000000000p-63L, 7.853981633974483096156608e-1L},  // 1
    {-0x8000000000000000p-63L, -7.853981633974483096156608e-1L},  // -1
    {0x800346DC5D638866p-63L, 7.854481608975316429714668e-1L},  // 1.0001
    {0xC000000000000000p-62L, 1.249045772398254425829917L},  // 3
    {-0x8A00000000000000p-59L, -1.512890121546789367842848L},  // -17.25
    {0x9502F90000000000p-30L, 1.570796326694896619231322L},  // 1e10
    {-0xBF21E44003ACDD2Dp933L, -1.570796326794896619231322L},  // -1e300
};

TEST(FastTrig, ArctangentMatchesReferenceValues) {
    for (const AtanCase& c : kAtanCases) {
        SCOPED_TRACE(static_cast<double>(c.x));
        EXPECT_LE(std::fabs(AtanL(c.x) - c.atan), 3 * Ulp(c.atan));
    }
}

TEST(FastTrig, ArctangentOfARatioInEveryQuadrant) {
    struct Case {
        long double y, x;
    };
    const Case cases[] = {{1, 3}, {3, 1}, {-3, 1}, {3, -1}, {-3, -1}, {-1, -3}, {1e-30L, 2}, {2, 1e-30L},
                          {5, 5}, {-5, 5}, {0, -1}, {1e300L, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.y));
        const long double expected = std::atan(c.y / c.x);
        EXPECT_LE(std::fabs(orbit::AtanRatio(c.y, c.x) - expected), 3 * Ulp(expected) + 1e-4000L);
    }
    const long double inf = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(orbit::AtanRatio(-inf, 2), -orbit::kPiL / 2);
    EXPECT_EQ(orbit::AtanRatio(3, inf), 0.0L);
    EXPECT_TRUE(std::isnan(orbit::AtanRatio(inf, inf)));
    EXPECT_TRUE(std::isnan(orbit::AtanRatio(std::nanl(""), 1)));
    EXPECT_TRUE(std::isnan(orbit::AtanRatio(1, std::nanl(""))));
}

// The one-division form for doubles: ratios on either side of the table's rounding boundaries
// (k + 1/2) / 8, where the double quotient may pick the neighbouring table point, equal and
// extreme magnitudes, every quadrant; zeros, infinities and NaN as the general form.
TEST(FastTrig, ArctangentOfARatioOfDoublesNearTheTableBoundaries) {
    std::vector<std::pair<double, double>> cases = {{1, 1}, {-1, 1}, {1, -1}, {0x1p-1074, 1}, {1, 0x1p-1074},
                                                    {0x1.fffffffffffffp1023, 3}, {7, 0x1.fffffffffffffp1023}};
    for (int k = 0; k < 8; ++k) {
        const double t = (k + 0.5) / 8.0;
        for (double d : {1.0, 3.0, 1e-200, 7e250})
            for (int step = -2; step <= 2; ++step) {
                double y = t * d;
                for (int i = 0; i < std::abs(step); ++i) y = std::nextafter(y, step < 0 ? 0.0 : 2 * d);
                cases.push_back({y, d});
                cases.push_back({-d, y});
                cases.push_back({d, -y});
            }
    }
    for (const auto& [y, x] : cases) {
        SCOPED_TRACE(y);
        SCOPED_TRACE(x);
        const long double expected = std::atan2(static_cast<long double>(y), static_cast<long double>(x));
        const long double got = orbit::AtanRatioOfDoubles(y, x) + (x < 0 ? (y < 0 ? -orbit::kPiL : orbit::kPiL) : 0);
        EXPECT_LE(std::fabs(got - expected), 3 * Ulp(expected));
    }
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    for (const auto& [y, x] : std::vector<std::pair<double, double>>{
             {0.0, 2}, {-0.0, 2}, {0.0, -2}, {3, inf}, {-inf, 2}, {inf, inf}, {nan, 1}, {1, nan}}) {
        const long double a = orbit::AtanRatioOfDoubles(y, x), b = orbit::AtanRatio(y, x);
        EXPECT_TRUE(std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b));
    }
}

// A small turn of a known sine and cosine agrees with the sine and cosine of the sum to about a
// unit of a double, over the whole range of turns, the signs and the four quadrants.
TEST(FastTrig, SmallTurnOfSineAndCosine) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = 7.0 * unit(rng);
        const double d = i % 3 == 0 ? orbit::kSmallTurn * unit(rng) : i % 3 == 1 ? 1e-7 * unit(rng) : 0.0;
        double sd = 0, cd = 0;
        orbit::SinCosTurned(static_cast<double>(std::sin(static_cast<long double>(x))),
                            static_cast<double>(std::cos(static_cast<long double>(x))), d, sd, cd);
        const long double xs = static_cast<long double>(x) + d;
        ASSERT_NEAR(sd, static_cast<double>(std::sin(xs)), 4e-16) << x << " + " << d;
        ASSERT_NEAR(cd, static_cast<double>(std::cos(xs)), 4e-16) << x << " + " << d;
    }
}

// The routines built on these keep their conventions.
TEST(FastTrig, QuadrantArctangentAndModuloKeepTheirResults) {
    EXPECT_DOUBLE_EQ(orbit::ArcTanQuadrant(1.0, 1.0), std::atan(1.0));
    EXPECT_DOUBLE_EQ(orbit::ArcTanQuadrant(1.0, -1.0), 3 * std::atan(1.0));
    EXPECT_DOUBLE_EQ(orbit::ArcTanQuadrant(-1.0, -1.0), 5 * std::atan(1.0));
    EXPECT_DOUBLE_EQ(orbit::ModuloPositive(-7.5, 2.0), 0.5);
    EXPECT_DOUBLE_EQ(orbit::ModuloPositive(7.5, -2.0), 1.5);
    EXPECT_DOUBLE_EQ(orbit::ModuloPositive(-4.0, 2.0), 0.0);
    EXPECT_DOUBLE_EQ(orbit::ModuloPositive(1e30, 3.0), static_cast<double>(std::fmod(1e30L, 3.0L)));
    EXPECT_DOUBLE_EQ(orbit::TanOf(0.5), std::tan(0.5));
}

}  // namespace

// The propagators' cube, three-halves and two-thirds powers against the C library's
// extended-precision pow, over the range of orbit sizes and beyond; and their failures, which
// are those of PowerOf.
TEST(FastPow, PowersAgreeWithTheCLibraryWithinAUnitInTheLastPlace) {
    struct PowerCase {
        const char* name;
        double (*fn)(double);
        long double exponent;
    };
    const PowerCase powers[] = {{"cube", orbit::CubeOf, 3.0L},
                                {"three halves", orbit::ThreeHalvesPowerOf, 1.5L},
                                {"two thirds", orbit::TwoThirdsPowerOf, 2.0L / 3.0L}};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> exponent(-60.0, 60.0);
    for (const auto& p : powers) {
        for (int i = 0; i < 20000; ++i) {
            const double base = i == 0 ? 1.0 : i == 1 ? 8.0 : std::exp2(exponent(rng));
            const double expected = static_cast<double>(std::pow(static_cast<long double>(base), p.exponent));
            const double got = p.fn(base);
            ASSERT_LE(std::fabs(got - expected), std::fabs(expected) * 0x1p-52) << p.name << " of " << base;
        }
        EXPECT_THROW(p.fn(0.0), orbit::EMathError) << p.name;
        EXPECT_THROW(p.fn(-2.0), orbit::EMathError) << p.name;
        EXPECT_THROW(p.fn(std::numeric_limits<double>::quiet_NaN()), orbit::EMathError) << p.name;
    }
    EXPECT_EQ(orbit::TwoThirdsPowerOf(8.0), 4.0);
    EXPECT_EQ(orbit::TwoThirdsPowerOf(std::numeric_limits<double>::max()),
              static_cast<double>(std::pow(static_cast<long double>(std::numeric_limits<double>::max()), 2.0L / 3.0L)));
    EXPECT_GT(orbit::TwoThirdsPowerOf(std::numeric_limits<double>::denorm_min()), 0.0);
    EXPECT_THROW(orbit::CubeOf(1e200), orbit::EMathError);  // not finite as a double
}
