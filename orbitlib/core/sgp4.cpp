// SGP4 after the equations of Spacetrack Report No. 3 (Hoots and Roehrich, 1980),
// in the report's order of operations, with its constants and its simplified drag
// branch for perigees below 220 km. Computation is in extended precision; the derived
// constants are stored as doubles in the satellite's record.
#include "sgp4.h"

#include <cmath>

#include "decay.h"
#include "fastpow.h"
#include "mathtime.h"
#include "observer.h"
#include "satlist.h"

namespace orbit {

namespace {

using LD = long double;

constexpr LD CK2 = 0.0005413079L;            // J2 / 2
constexpr LD CK2_1_5 = 0.00081196185L;       // 1.5 CK2
constexpr LD CK2_3 = 0.0016239237L;          // 3 CK2
constexpr LD CK2_0_75 = 0.000405980925L;     // 0.75 CK2
constexpr LD CK2_2 = 0.0010826158L;          // 2 CK2
constexpr LD CK4_1_25 = 7.762359375e-07L;    // 1.25 CK4, CK4 = -0.375 J4
constexpr double A3OVK2_BASE = 0.004690140306468832;  // -J3 / CK2
constexpr LD S_CONST = 1.0122292801892716L;  // 1 + 78 / XKMPER
constexpr LD TOTHRD = 2.0L / 3.0L;
constexpr LD SIMPLE_BOUND = 1.034492841559484L;  // 1 + 220 / XKMPER
constexpr int KEPLER_PASSES = 10;
constexpr LD KEPLER_TOLERANCE = 1e-6L;
// Below 2^20 in magnitude an iterate's rounding moves a step by less than 2^-43; steps up to
// KEPLER_SETTLED are then certainly within the tolerance.
constexpr LD KEPLER_SETTLED = 1e-6L - 1e-12L;
constexpr LD KEPLER_SETTLED_ANGLE = 0x1p20L;

// Every double of the derived constants, for the finiteness check after initialisation.
constexpr double TSgp4State::*kStateDoubles[] = {
    &TSgp4State::a1,     &TSgp4State::cosio,  &TSgp4State::theta2, &TSgp4State::x3thm1, &TSgp4State::eosq,
    &TSgp4State::betao2, &TSgp4State::betao,  &TSgp4State::del1,   &TSgp4State::ao,     &TSgp4State::delo,
    &TSgp4State::xnodp,  &TSgp4State::aodp,   &TSgp4State::s4,     &TSgp4State::qoms24, &TSgp4State::perige,
    &TSgp4State::pinvsq, &TSgp4State::tsi,    &TSgp4State::eta,    &TSgp4State::etasq,  &TSgp4State::eeta,
    &TSgp4State::psisq,  &TSgp4State::coef,   &TSgp4State::coef1,  &TSgp4State::c2,     &TSgp4State::c1,
    &TSgp4State::sinio,  &TSgp4State::a3ovk2, &TSgp4State::c3,     &TSgp4State::x1mth2, &TSgp4State::c4,
    &TSgp4State::c5,     &TSgp4State::theta4, &TSgp4State::temp1,  &TSgp4State::temp2,  &TSgp4State::temp3,
    &TSgp4State::xmdot,  &TSgp4State::x1m5th, &TSgp4State::omgdot, &TSgp4State::xhdot1, &TSgp4State::xnodot,
    &TSgp4State::omgcof, &TSgp4State::xmcof,  &TSgp4State::xnodcf, &TSgp4State::t2cof,  &TSgp4State::xlcof,
    &TSgp4State::aycof,  &TSgp4State::delmo,  &TSgp4State::sinmo,  &TSgp4State::x7thm1, &TSgp4State::c1sq,
    &TSgp4State::d2,     &TSgp4State::d3,     &TSgp4State::d4,     &TSgp4State::t3cof,  &TSgp4State::t4cof,
    &TSgp4State::t5cof};

double D(LD x) { return static_cast<double>(x); }

[[gnu::always_inline]] inline LD ArgumentOfLatitude(LD sinu, LD cosu) {
    const LD u = ArcTanQuadrant(D(sinu), D(cosu));
    return u < 0.0L ? u + kTwoPiL : u;
}

void Initialise(const TSatellite& sat, TSgp4State& s) {
    const LD xno = sat.meanMotion, eo = sat.eccentricity, xincl = sat.inclination;
    const LD omegao = sat.argPerigee, xmo = sat.meanAnomaly, bstar = sat.bstar;

    // Recover the original mean motion and semi-major axis from the element set.
    s.a1 = PowerOf(D(CheckedDiv(XKE, xno)), D(TOTHRD));
    s.cosio = D(std::cos(xincl));
    s.theta2 = D(static_cast<LD>(s.cosio) * s.cosio);
    s.x3thm1 = D(3.0L * s.theta2 - 1.0L);
    s.eosq = D(eo * eo);
    s.betao2 = D(1.0L - s.eosq);
    s.betao = D(CheckedSqrt(s.betao2));
    s.del1 = D(CheckedDiv(CK2_1_5 * s.x3thm1, static_cast<LD>(s.a1) * s.a1 * s.betao * s.betao2));
    s.ao = D(s.a1 * (1.0L - s.del1 * (0.5L * TOTHRD + s.del1 * (1.0L + 134.0L / 81.0L * s.del1))));
    s.delo = D(CheckedDiv(CK2_1_5 * s.x3thm1, static_cast<LD>(s.ao) * s.ao * s.betao * s.betao2));
    s.xnodp = D(CheckedDiv(xno, 1.0L + s.delo));
    s.aodp = D(CheckedDiv(s.ao, 1.0L - s.delo));

    // Perigee below 220 km: the simplified drag model.
    s.isimp = (s.aodp * (1.0L - eo) / 1.0L) < SIMPLE_BOUND ? 1 : 0;

    // Perigee below 156 km: adjust the atmosphere's reference height.
    LD s4 = S_CONST;
    s.qoms24 = QOMS2T;
    s.perige = D((s.aodp * (1.0L - eo) - 1.0L) * XKMPER);
    if (s.perige < 156.0) {
        s4 = s.perige - 78.0L;
        if (s.perige <= 98.0) s4 = 20.0L;
        s.qoms24 = PowerOf(D((120.0L - s4) * 1.0L / XKMPER), 4.0);
        s4 = s4 / XKMPER + 1.0L;
    }
    s.s4 = D(s4);

    s.pinvsq = D(CheckedDiv(1.0L, static_cast<LD>(s.aodp) * s.aodp * s.betao2 * s.betao2));
    s.tsi = D(CheckedDiv(1.0L, static_cast<LD>(s.aodp) - s.s4));
    s.eta = D(s.aodp * eo * s.tsi);
    s.etasq = D(static_cast<LD>(s.eta) * s.eta);
    s.eeta = D(eo * s.eta);
    s.psisq = D(std::fabs(1.0L - s.etasq));
    s.coef = D(s.qoms24 * static_cast<LD>(PowerOf(s.tsi, 4.0)));
    s.coef1 = D(s.coef / static_cast<LD>(PowerOf(s.psisq, 3.5)));
    s.c2 = D(s.coef1 * static_cast<LD>(s.xnodp) *
             (s.aodp * (1.0L + 1.5L * s.etasq + s.eeta * (4.0L + s.etasq)) +
              CK2_0_75 * s.tsi / s.psisq * s.x3thm1 * (8.0L + 3.0L * s.etasq * (8.0L + s.etasq))));
    s.c1 = D(bstar * s.c2);
    s.sinio = D(std::sin(xincl));
    s.a3ovk2 = D(A3OVK2_BASE * static_cast<LD>(PowerOf(1.0, 3.0)));
    // A circular orbit has no perigee to rotate: the eccentricity divisor is left out.
    s.c3 = eo == 0.0L ? 0.0 : D(s.coef * static_cast<LD>(s.tsi) * s.a3ovk2 * s.xnodp * 1.0L * s.sinio / eo);
    s.x1mth2 = D(1.0L - s.theta2);
    s.c4 = D(2.0L * s.xnodp * static_cast<LD>(s.coef1) * s.aodp * s.betao2 *
             (s.eta * (2.0L + 0.5L * s.etasq) + eo * (0.5L + 2.0L * s.etasq) -
              CK2_2 * s.tsi / (static_cast<LD>(s.aodp) * s.psisq) *
                  (-3.0L * s.x3thm1 * (1.0L - 2.0L * s.eeta + s.etasq * (1.5L - 0.5L * s.eeta)) +
                   0.75L * s.x1mth2 * (2.0L * s.etasq - s.eeta * (1.0L + s.etasq)) * std::cos(2.0L * omegao))));
    s.c5 = D(2.0L * s.coef1 * static_cast<LD>(s.aodp) * s.betao2 *
             (1.0L + 2.75L * (s.etasq + static_cast<LD>(s.eeta)) + static_cast<LD>(s.eeta) * s.etasq));
    s.theta4 = D(static_cast<LD>(s.theta2) * s.theta2);
    s.temp1 = D(CK2_3 * s.pinvsq * s.xnodp);
    s.temp2 = D(s.temp1 * CK2 * s.pinvsq);
    s.temp3 = D(CK4_1_25 * s.pinvsq * s.pinvsq * s.xnodp);
    s.xmdot = D(s.xnodp + 0.5L * s.temp1 * s.betao * s.x3thm1 +
                0.0625L * s.temp2 * s.betao * (13.0L - 78.0L * s.theta2 + 137.0L * s.theta4));
    s.x1m5th = D(1.0L - 5.0L * s.theta2);
    s.omgdot = D(-0.5L * s.temp1 * s.x1m5th + 0.0625L * s.temp2 * (7.0L - 114.0L * s.theta2 + 395.0L * s.theta4) +
                 s.temp3 * (3.0L - 36.0L * s.theta2 + 49.0L * s.theta4));
    s.xhdot1 = D(-static_cast<LD>(s.temp1) * s.cosio);
    s.xnodot = D(s.xhdot1 + (0.5L * s.temp2 * (4.0L - 19.0L * s.theta2) + 2.0L * s.temp3 * (3.0L - 7.0L * s.theta2)) *
                                s.cosio);
    s.omgcof = D(bstar * s.c3 * std::cos(omegao));
    s.xmcof = s.eeta == 0.0 ? 0.0 : D(-TOTHRD * s.coef * bstar * 1.0L / s.eeta);
    s.xnodcf = D(3.5L * s.betao2 * s.xhdot1 * s.c1);
    s.t2cof = D(1.5L * s.c1);
    s.xlcof = D(CheckedDiv(0.125L * s.a3ovk2 * s.sinio * (3.0L + 5.0L * s.cosio), 1.0L + s.cosio));
    s.aycof = D(0.25L * s.a3ovk2 * s.sinio);
    // As the propagation computes them, so that the terms vanish at the epoch.
    s.delmo = CubeOf(D(1.0L + s.eta * CosReduced(xmo)));
    s.sinmo = SinReduced(xmo);
    s.x7thm1 = D(7.0L * s.theta2 - 1.0L);
    if (s.isimp == 0) {
        s.c1sq = D(static_cast<LD>(s.c1) * s.c1);
        s.d2 = D(4.0L * s.aodp * s.tsi * s.c1sq);
        const LD temp = static_cast<LD>(s.d2) * s.tsi * s.c1 / 3.0L;
        s.d3 = D((17.0L * s.aodp + s.s4) * temp);
        s.d4 = D(0.5L * temp * s.aodp * s.tsi * (221.0L * s.aodp + 31.0L * s.s4) * s.c1);
        s.t3cof = D(s.d2 + 2.0L * s.c1sq);
        s.t4cof = D(0.25L * (3.0L * s.d3 + s.c1 * (12.0L * s.d2 + 10.0L * s.c1sq)));
        s.t5cof = D(0.2L * (3.0L * s.d4 + 12.0L * s.c1 * s.d3 + 6.0L * static_cast<LD>(s.d2) * s.d2 +
                            15.0L * s.c1sq * (2.0L * s.d2 + s.c1sq)));
    }
    for (auto member : kStateDoubles) CheckFinite(s.*member);
}


// The span near the epoch where the decay tests cannot hold: the drag polynomial of TEMPA, the
// drift of the eccentricity by the C4 term and its swing by the C5 term (whose sines differ by
// at most 2).
double DecayTestFrom(const TSatellite& sat, const TSgp4State& s) {
    const LD eo = sat.eccentricity, bstar = sat.bstar;
    decay::TDriftBounds b;
    b.a0 = s.aodp;
    b.c1 = s.c1;
    b.e0 = eo;
    b.eRate = bstar * s.c4;
    if (s.isimp == 0) {
        b.d2 = s.d2;
        b.d3 = s.d3;
        b.d4 = s.d4;
        b.eSwing = 2.000001L * bstar * s.c5;
    }
    b.aycof = s.aycof;
    b.x3thm1 = s.x3thm1;
    b.x1mth2 = s.x1mth2;
    b.ck2 = CK2;
    return decay::SafeMinutes(b);
}

}  // namespace

void SGP4(TSatellite& sat, double tsince, Vector& pos, Vector& vel, bool* down) {
    if (down) *down = false;
    if (!std::isfinite(tsince)) throw EMathError(kMsgInvalidOp);
    if (sat.initNeeded != 0) {
        TSgp4State fresh;
        Initialise(sat, fresh);
        sat.sgp4 = fresh;
        sat.initNeeded = 0;
    }
    const TSgp4State& s = sat.sgp4;
    const LD t = tsince;
    // Doubles of the element set, widened where used: kept as doubles they cost no
    // extended-precision stores and loads when the registers run short.
    const double eo = sat.eccentricity, xincl = sat.inclination, bstar = sat.bstar;

    // Secular gravity and atmospheric drag.
    const LD xmdf = sat.meanAnomaly + s.xmdot * t;
    const LD omgadf = sat.argPerigee + s.omgdot * t;
    const LD xnoddf = sat.raan + s.xnodot * t;
    LD omega = omgadf;
    LD xmp = xmdf;
    const LD tsq = t * t;
    const LD xnode = xnoddf + s.xnodcf * tsq;
    LD tempa = 1.0L - s.c1 * t;
    LD tempe = LD(bstar) * s.c4 * t;
    LD templ = s.t2cof * tsq;
    // The sine and cosine of XMP where the drag branch forms them anyway.
    double sinmp = 0.0, cosmp = 1.0;
    bool turnedMp = false;
    if (s.isimp == 0) {
        double sinmdf, cosmdf;
        SinCosReduced(xmdf, sinmdf, cosmdf);
        const LD delomg = s.omgcof * t;
        const LD delm = s.xmcof * (CubeOf(D(1.0L + s.eta * cosmdf)) - static_cast<LD>(s.delmo));
        const LD temp = delomg + delm;
        xmp = xmdf + temp;
        omega = omgadf - temp;
        const LD tcube = tsq * t;
        const LD tfour = t * tcube;
        tempa = tempa - s.d2 * tsq - s.d3 * tcube - s.d4 * tfour;
        // The drag terms move the mean anomaly by a small angle as a rule.
        turnedMp = std::fabs(temp) <= kSmallTurn;
        if (turnedMp)
            SinCosTurned(sinmdf, cosmdf, D(temp), sinmp, cosmp);
        else
            sinmp = SinReduced(xmp);
        tempe = tempe + LD(bstar) * s.c5 * (sinmp - s.sinmo);
        templ = templ + s.t3cof * tcube + tfour * (s.t4cof + t * s.t5cof);
    }
    const LD a = s.aodp * tempa * tempa;
    const LD e = eo - tempe;
    // The span is formed at the first time away from the epoch that needs it (loading a list
    // propagates every set at its epoch only).
    bool test = false;
    if (down && !(std::fabs(t) < s.decayTestFrom)) {
        if (s.decayTestFrom < 0 && t != 0.0L) sat.sgp4.decayTestFrom = DecayTestFrom(sat, s);
        test = !(std::fabs(t) < s.decayTestFrom);
    }
    if (test) *down = decay::DragElementsDown(tempa, e);
    const LD xl = xmp + omega + xnode + s.xnodp * templ;
    // BETA = sqrt(1 - E^2) enters only squared; its check of E stays.
    const LD betasq = 1.0L - e * e;
    if (!(betasq >= 0.0L)) detail::ThrowMathError(kMsgInvalidOp);
    const LD xn = CheckedDiv(XKE, ThreeHalvesPowerOf(D(a)));

    // Long-period periodics.
    double sinomg, cosomg;
    SinCosReduced(omega, sinomg, cosomg);
    const LD axn = e * cosomg;
    LD temp = CheckedDiv(1.0L, a * betasq);
    const LD xll = temp * s.xlcof * axn;
    const LD aynl = temp * s.aycof;
    const LD xlt = xl + xll;
    const LD ayn = e * sinomg + aynl;
    // At the epoch the set stands as given; from there on a perigee inside the Earth ends it.
    if (test && t != 0.0L && decay::PerigeeInside(a, axn, ayn, s.x3thm1, s.x1mth2, CK2)) *down = true;

    // Kepler's equation for E + omega, from CAPU = XLT - XNODE. The published routine first
    // reduces CAPU to [0, 2 pi); the iteration moves only by differences and the sines and
    // cosines reduce their arguments themselves, so the whole turns stay in here: the results
    // differ by the rounding of that reduction only.
    const double capu = D(xlt - xnode);
    // The quantities after Kepler's equation that do not depend on it are formed before it, so
    // that their square roots and divisions run while it iterates. Their checks stay where the
    // published routine makes them.
    const LD elsq = axn * axn + ayn * ayn;
    const LD betal2 = 1.0L - elsq;
    const LD pl = a * betal2;
    const LD betal = std::sqrt(betal2);  // NaN for a negative PL, which fails below before use
    const LD sqrta = std::sqrt(a);
    const LD rbetal = 1.0L / (1.0L + betal);
    const LD rpl = 1.0L / pl;
    // After the first pass each iterate lies a small step from the one before, so its sine and
    // cosine follow from theirs by the addition theorems.
    LD temp2 = capu;
    double sinepw, cosepw;
    // CAPU is XMP + OMEGA turned by the small periodic and drag terms of the mean longitude, so
    // its sine and cosine follow from those of XMP and OMEGA where both are at hand.
    const LD capuTurn = capu - (xmp + omega);
    if (turnedMp && std::fabs(capuTurn) <= kSmallTurn)
        SinCosTurned(sinmp * cosomg + cosmp * sinomg, cosmp * cosomg - sinmp * sinomg, D(capuTurn), sinepw,
                     cosepw);
    else
        SinCosReduced(temp2, sinepw, cosepw);
    for (int pass = 1;; ++pass) {
        const LD num = capu - ayn * cosepw + axn * sinepw - temp2;
        const LD den = 1.0L - axn * cosepw - ayn * sinepw;
        if (den == 0.0L) detail::ThrowMathError(kMsgZeroDivide);
        // Only the sine and cosine of the last iterate are used below: the pass that ends the
        // iteration needs no division when its step lies below the tolerance by more than the
        // roundings of the quotient and of the sum with the iterate could move it.
        const bool settled = std::fabs(num) <= KEPLER_SETTLED * den && std::fabs(temp2) < KEPLER_SETTLED_ANGLE;
        if (settled || pass == KEPLER_PASSES) break;
        const LD epw = num / den + temp2;
        const LD step = epw - temp2;
        if (std::fabs(step) <= KEPLER_TOLERANCE) break;
        if (std::fabs(step) <= kSmallTurn)
            SinCosTurned(sinepw, cosepw, D(step), sinepw, cosepw);
        else
            SinCosReduced(epw, sinepw, cosepw);
        temp2 = epw;
    }
    // The products of the last pass, for the quantities below. They are formed anew here: the
    // empty statement hides that the sine and cosine are those of the loop, because products
    // kept from the loop would be stored and loaded again in extended precision on every pass.
    asm("" : "+x"(sinepw), "+x"(cosepw));
    LD temp3 = axn * sinepw;
    LD temp4 = ayn * cosepw;
    const LD temp5 = axn * cosepw;
    const LD temp6 = ayn * sinepw;

    // Short-period preliminary quantities.
    const LD ecose = temp5 + temp6;
    const LD esine = temp3 - temp4;
    const LD r = a * (1.0L - ecose);
    LD temp1 = CheckedDiv(1.0L, r);
    // A is positive (its power above was checked); sqrt(PL) = sqrt(A) BETAL, with the check of PL.
    if (!(pl >= 0.0L)) detail::ThrowMathError(kMsgInvalidOp);
    const LD rdot = XKE * sqrta * esine * temp1;
    const LD rfdot = XKE * (sqrta * betal) * temp1;
    temp2 = a * temp1;
    temp3 = rbetal;
    const LD cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
    const LD sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
    const LD sin2u = 2.0L * sinu * cosu;
    const LD cos2u = 2.0L * cosu * cosu - 1.0L;
    if (pl == 0.0L) detail::ThrowMathError(kMsgZeroDivide);
    temp = rpl;
    temp1 = CK2 * temp;
    temp2 = temp1 * temp;

    // Short-period periodics.
    const LD rk = r * (1.0L - 1.5L * temp2 * betal * s.x3thm1) + 0.5L * temp1 * s.x1mth2 * cos2u;
    const LD du = -0.25L * temp2 * s.x7thm1 * sin2u;
    const LD xnodek = xnode + 1.5L * temp2 * s.cosio * sin2u;
    const LD di = 1.5L * temp2 * s.cosio * s.sinio * cos2u;
    const LD xinck = xincl + di;
    const LD rdotk = rdot - xn * temp1 * s.x1mth2 * sin2u;
    const LD rfdotk = rfdot + xn * temp1 * (s.x1mth2 * cos2u + 1.5L * s.x3thm1);

    // Orientation vectors. The corrections turn u and the inclination by small angles, so their
    // sines and cosines follow from those of u (sinu, cosu: a unit vector) and of the inclination
    // at epoch.
    double sinuk, cosuk, sinik, cosik, sinnok, cosnok;
    if (std::fabs(du) <= kSmallTurn)
        SinCosTurned(D(sinu), D(cosu), D(du), sinuk, cosuk);
    else
        SinCosReduced(ArgumentOfLatitude(sinu, cosu) + du, sinuk, cosuk);
    if (std::fabs(di) <= kSmallTurn)
        SinCosTurned(s.sinio, s.cosio, D(di), sinik, cosik);
    else
        SinCosReduced(xinck, sinik, cosik);
    SinCosReduced(xnodek, sinnok, cosnok);
    // The argument of latitude last: only the phase depends on it, and the positions need not
    // wait for its arctangent.
    const LD uk = ArgumentOfLatitude(sinu, cosu) + du;
    const LD xmx = -LD(sinnok) * cosik;
    const LD xmy = LD(cosnok) * cosik;
    const LD ux = xmx * sinuk + LD(cosnok) * cosuk;
    const LD uy = xmy * sinuk + LD(sinnok) * cosuk;
    const LD uz = LD(sinik) * sinuk;
    const LD vx = xmx * cosuk - LD(cosnok) * sinuk;
    const LD vy = xmy * cosuk - LD(sinnok) * sinuk;
    const LD vz = LD(sinik) * cosuk;

    const double out[7] = {D(rk * ux), D(rk * uy), D(rk * uz), D(rdotk * ux + rfdotk * vx),
                           D(rdotk * uy + rfdotk * vy), D(rdotk * uz + rfdotk * vz), D(uk)};
    for (double v : out)
        if (!std::isfinite(v)) detail::ThrowNotFinite(v);
    pos.x = out[0];
    pos.y = out[1];
    pos.z = out[2];
    vel.x = out[3];
    vel.y = out[4];
    vel.z = out[5];
    sat.orbitPhase = out[6];
}

}  // namespace orbit
