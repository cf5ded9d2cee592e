// SDP4 deep-space model after Spacetrack Report No. 3 (Hoots and Roehrich, 1980),
// with the node correction of the Lyddane branch published by Vallado et al.,
// "Revisiting Spacetrack Report #3" (AIAA 2006-6753).
//
// Computations run in extended precision; the work area stores doubles. Sines and cosines
// that end up in doubles come from the fast kernels (extended-precision reduction, then
// double-precision series), small turns of a known direction from the addition theorems.

#include "sdp4.h"

#include <cmath>

#include "decay.h"
#include "fastpow.h"
#include "mathtime.h"
#include "observer.h"

namespace orbit {

namespace {

using R = long double;

// Near-Earth constants shared with SGP4.
constexpr R kCk2 = 0.0005413079L;
constexpr R kCk2x15 = 0.00081196185L;    // 1.5 CK2
constexpr R kCk2x3 = 0.0016239237L;      // 3 CK2
constexpr R kCk2x075 = 0.000405980925L;  // 0.75 CK2
constexpr R kCk2x2 = 0.0010826158L;      // 2 CK2
constexpr R kCk4x125 = 7.762359375e-07L;
constexpr R kA3ovk2 = 0.004690140306468832L;
constexpr R kS = 1.0122292801892716L;
constexpr R kTothrd = 2.0L / 3.0L;
constexpr R k134over81 = 1.654320987654321L;
constexpr R kE6a = 1e-6L;

// Sun.
constexpr R kZns = 1.19459e-5L, kC1ss = 2.9864797e-6L, kZes = 0.01675L;
constexpr R kZcosgs = 0.1945905L, kZsings = -0.98088458L, kZcosis = 0.91744867L,
            kZsinis = 0.39785416L;
// Moon.
constexpr R kZnl = 1.5835218e-4L, kC1l = 4.7968065e-7L, kZel = 0.0549L;
// Earth rotation.
constexpr R kThdt = 4.3752691e-3L;
// Twelve-hour resonance.
constexpr R kQ22 = 1.7891679e-6L, kQ31 = 2.1460748e-6L, kQ33 = 2.2123015e-7L;
constexpr R kRoot22 = 1.7891679e-6L, kRoot32 = 3.7393792e-7L, kRoot44 = 7.3636953e-9L,
            kRoot52 = 1.1428639e-7L, kRoot54 = 2.1765803e-9L;
constexpr R kG22 = 5.7686396L, kG32 = 0.95240898L, kG44 = 1.8014998L, kG52 = 1.0508330L,
            kG54 = 4.4108898L;
// Synchronous resonance.
constexpr R kFasx2 = 0.13130908L, kFasx4 = 2.8843198L, kFasx6 = 0.37448087L;

constexpr R kSmallIncl = 5.2359877e-2L;  // 3 degrees: node term SH dropped below
constexpr R kLyddaneIncl = 0.2L;
constexpr R kPeriodicReuse = 30.0L;  // minutes

// The resonance integrator walks from the epoch in 720-minute steps; this bounds the
// walk to about 190 years each way so that a wild date cannot stall the caller.
constexpr R kMaxResonanceMinutes = 1.0e8L;

R Pow(R base, R exponent) {
  return PowerOf(static_cast<double>(base), static_cast<double>(exponent));
}

[[noreturn]] void Fail(const char* what) { throw EOrbitError(what); }

// The body shared by the solar and lunar terms of DPINIT.
struct TLunarSolarTerms {
  R se, si, sl, sgh, sh;
  R ee2, e3, xi2, xi3, xl2, xl3, xl4, xgh2, xgh3, xgh4, xh2, xh3;
};

TLunarSolarTerms LunarSolarTerms(const TDeepState& st, R zcosg, R zsing, R zcosi, R zsini, R zcosh,
                                 R zsinh, R cc, R zn, R ze, R xnoi) {
  const R siniq = st.siniq, cosiq = st.cosiq, sinomo = st.sinomo, cosomo = st.cosomo;
  const R eqsq = st.eqsq, rteqsq = st.rteqsq, bsq = st.bsq, eq = st.eq;

  const R a1 = zcosg * zcosh + zsing * zcosi * zsinh;
  const R a3 = -zsing * zcosh + zcosg * zcosi * zsinh;
  const R a7 = -zcosg * zsinh + zsing * zcosi * zcosh;
  const R a8 = zsing * zsini;
  const R a9 = zsing * zsinh + zcosg * zcosi * zcosh;
  const R a10 = zcosg * zsini;
  const R a2 = cosiq * a7 + siniq * a8;
  const R a4 = cosiq * a9 + siniq * a10;
  const R a5 = -siniq * a7 + cosiq * a8;
  const R a6 = -siniq * a9 + cosiq * a10;

  const R x1 = a1 * cosomo + a2 * sinomo;
  const R x2 = a3 * cosomo + a4 * sinomo;
  const R x3 = -a1 * sinomo + a2 * cosomo;
  const R x4 = -a3 * sinomo + a4 * cosomo;
  const R x5 = a5 * sinomo;
  const R x6 = a6 * sinomo;
  const R x7 = a5 * cosomo;
  const R x8 = a6 * cosomo;

  const R z31 = 12 * x1 * x1 - 3 * x3 * x3;
  const R z32 = 24 * x1 * x2 - 6 * x3 * x4;
  const R z33 = 12 * x2 * x2 - 3 * x4 * x4;
  R z1 = 3 * (a1 * a1 + a2 * a2) + z31 * eqsq;
  R z2 = 6 * (a1 * a3 + a2 * a4) + z32 * eqsq;
  R z3 = 3 * (a3 * a3 + a4 * a4) + z33 * eqsq;
  const R z11 = -6 * a1 * a5 + eqsq * (-24 * x1 * x7 - 6 * x3 * x5);
  const R z12 =
      -6 * (a1 * a6 + a3 * a5) + eqsq * (-24 * (x2 * x7 + x1 * x8) - 6 * (x3 * x6 + x4 * x5));
  const R z13 = -6 * a3 * a6 + eqsq * (-24 * x2 * x8 - 6 * x4 * x6);
  const R z21 = 6 * a2 * a5 + eqsq * (24 * x1 * x5 - 6 * x3 * x7);
  const R z22 =
      6 * (a4 * a5 + a2 * a6) + eqsq * (24 * (x2 * x5 + x1 * x6) - 6 * (x4 * x7 + x3 * x8));
  const R z23 = 6 * a4 * a6 + eqsq * (24 * x2 * x6 - 6 * x4 * x8);
  z1 = z1 + z1 + bsq * z31;
  z2 = z2 + z2 + bsq * z32;
  z3 = z3 + z3 + bsq * z33;

  const R s3 = cc * xnoi;
  const R s2 = -0.5L * s3 / rteqsq;
  const R s4 = s3 * rteqsq;
  const R s1 = -15 * eq * s4;
  const R s5 = x1 * x3 + x2 * x4;
  const R s6 = x2 * x3 + x1 * x4;
  const R s7 = x2 * x4 - x1 * x3;

  TLunarSolarTerms t;
  t.se = s1 * zn * s5;
  t.si = s2 * zn * (z11 + z13);
  t.sl = -zn * s3 * (z1 + z3 - 14 - 6 * eqsq);
  t.sgh = s4 * zn * (z31 + z33 - 6);
  t.sh = -zn * s2 * (z21 + z23);
  if (st.xqncl < kSmallIncl) t.sh = 0;
  t.ee2 = 2 * s1 * s6;
  t.e3 = 2 * s1 * s7;
  t.xi2 = 2 * s2 * z12;
  t.xi3 = 2 * s2 * (z13 - z11);
  t.xl2 = -2 * s3 * z2;
  t.xl3 = -2 * s3 * (z3 - z1);
  t.xl4 = -2 * s3 * (-21 - 9 * eqsq) * ze;
  t.xgh2 = 2 * s4 * z32;
  t.xgh3 = 2 * s4 * (z33 - z31);
  t.xgh4 = -18 * s4 * ze;
  t.xh2 = -2 * s2 * z22;
  t.xh3 = -2 * s2 * (z23 - z21);
  return t;
}

// DPINIT.
void DpInit(TDeepState& st, const TDeepElements& el) {
  st.thgr = SiderealTimeOfEpoch(el.epochText);
  st.eq = el.eccentricity;
  st.xnq = st.xnodpArg;
  st.aqnv = static_cast<double>(CheckedDiv(1.0L, st.aoArg));
  st.xqncl = el.inclination;
  st.xmao = el.meanAnomaly;
  st.xpidot = static_cast<double>(static_cast<R>(st.omgdt) + st.xnodotArg);
  st.xnodeo = el.raan;
  st.omegao = el.argPerigee;
  st.sinq = static_cast<double>(SinL(static_cast<R>(el.raan)));
  st.cosq = static_cast<double>(CosL(static_cast<R>(el.raan)));
  st.omegaq = el.argPerigee;

  // Lunar orientation, recomputed only when the epoch day changed.
  st.day = static_cast<double>(static_cast<R>(DS50) + 18261.5L);
  if (st.day != st.preep) {
    st.preep = st.day;
    const R day = st.day;
    const R xnodce = 4.5236020L - 9.2422029e-4L * day;
    const R stem = SinL(xnodce);
    const R ctem = CosL(xnodce);
    const R zcosil = 0.91375164L - 0.03568096L * ctem;
    const R zsinil = std::sqrt(1 - zcosil * zcosil);
    const R zsinhl = 0.089683511L * stem / zsinil;
    const R zcoshl = std::sqrt(1 - zsinhl * zsinhl);
    const R c = 4.7199672L + 0.22997150L * day;
    const R gam = 5.8351514L + 0.0019443680L * day;
    st.zmol = ModTwoPi(static_cast<double>(c - gam));
    R zx = 0.39785416L * stem / zsinil;
    const R zy = zcoshl * ctem + 0.91744867L * zsinhl * stem;
    zx = ArcTanQuadrant(static_cast<double>(zx), static_cast<double>(zy));
    zx = gam + zx - xnodce;
    st.zcosgl = static_cast<double>(CosL(zx));
    st.zsingl = static_cast<double>(SinL(zx));
    st.zcosil = static_cast<double>(zcosil);
    st.zsinil = static_cast<double>(zsinil);
    st.zsinhl = static_cast<double>(zsinhl);
    st.zcoshl = static_cast<double>(zcoshl);
    st.zmos = ModTwoPi(static_cast<double>(6.2565837L + 0.017201977L * day));
  }

  // Solar terms.
  st.savtsn = 1e20;
  const R cosq = st.cosq, sinq = st.sinq, siniq = st.siniq, cosiq = st.cosiq;
  const R xnoi = CheckedDiv(1.0L, st.xnq);
  const TLunarSolarTerms sun =
      LunarSolarTerms(st, kZcosgs, kZsings, kZcosis, kZsinis, cosq, sinq, kC1ss, kZns, kZes, xnoi);
  R sse = sun.se, ssi = sun.si, ssl = sun.sl;
  // Below 3 degrees the node term is 0 and so is its rate; an inclination of exactly 0
  // would otherwise divide 0 by 0 here.
  R ssh = sun.sh != 0 ? sun.sh / siniq : 0;
  R ssg = sun.sgh - cosiq * ssh;
  st.se2 = sun.ee2;
  st.si2 = sun.xi2;
  st.sl2 = sun.xl2;
  st.sgh2 = sun.xgh2;
  st.sh2 = sun.xh2;
  st.se3 = sun.e3;
  st.si3 = sun.xi3;
  st.sl3 = sun.xl3;
  st.sgh3 = sun.xgh3;
  st.sh3 = sun.xh3;
  st.sl4 = sun.xl4;
  st.sgh4 = sun.xgh4;

  // Lunar terms.
  const R zcoshl = st.zcoshl, zsinhl = st.zsinhl;
  const TLunarSolarTerms moon =
      LunarSolarTerms(st, st.zcosgl, st.zsingl, st.zcosil, st.zsinil, zcoshl * cosq + zsinhl * sinq,
                      sinq * zcoshl - cosq * zsinhl, kC1l, kZnl, kZel, xnoi);
  sse += moon.se;
  ssi += moon.si;
  ssl += moon.sl;
  if (moon.sh != 0) {
    ssg += moon.sgh - cosiq / siniq * moon.sh;
    ssh += moon.sh / siniq;
  } else {
    ssg += moon.sgh;
  }
  st.ee2 = moon.ee2;
  st.xi2 = moon.xi2;
  st.xl2 = moon.xl2;
  st.xgh2 = moon.xgh2;
  st.xh2 = moon.xh2;
  st.e3 = moon.e3;
  st.xi3 = moon.xi3;
  st.xl3 = moon.xl3;
  st.xgh3 = moon.xgh3;
  st.xh3 = moon.xh3;
  st.xl4 = moon.xl4;
  st.xgh4 = moon.xgh4;
  st.sse = static_cast<double>(sse);
  st.ssi = static_cast<double>(ssi);
  st.ssl = static_cast<double>(ssl);
  st.ssg = static_cast<double>(ssg);
  st.ssh = static_cast<double>(ssh);

  // Geopotential resonance.
  st.iresfl = 0;
  st.isynfl = 0;
  const R xnq = st.xnq, eq = st.eq, eqsq = st.eqsq, aqnv = st.aqnv, thgr = st.thgr;
  R bfact = 0;
  if (xnq < 0.0052359877L && xnq > 0.0034906585L) {
    // Synchronous resonance.
    st.iresfl = 1;
    st.isynfl = 1;
    const R g200 = 1 + eqsq * (-2.5L + 0.8125L * eqsq);
    const R g310 = 1 + 2 * eqsq;
    const R g300 = 1 + eqsq * (-6 + 6.60937L * eqsq);
    const R f220 = 0.75L * (1 + cosiq) * (1 + cosiq);
    const R f311 = 0.9375L * siniq * siniq * (1 + 3 * cosiq) - 0.75L * (1 + cosiq);
    R f330 = 1 + cosiq;
    f330 = 1.875L * f330 * f330 * f330;
    R del1 = 3 * xnq * xnq * aqnv * aqnv;
    st.rdel2 = static_cast<double>(2 * del1 * f220 * g200 * kQ22);
    st.rdel3 = static_cast<double>(3 * del1 * f330 * g300 * kQ33 * aqnv);
    st.rdel1 = static_cast<double>(del1 * f311 * g310 * kQ31 * aqnv);
    st.xlamo = static_cast<double>(static_cast<R>(st.xmao) + st.xnodeo + st.omegao - thgr);
    bfact = static_cast<R>(st.xlldot) + st.xpidot - kThdt;
    bfact = bfact + ssl + ssg + ssh;
  } else if (xnq < 8.26e-3L || xnq > 9.24e-3L || eq < 0.5L) {
    return;
  } else {
    // Twelve-hour resonance.
    st.iresfl = 1;
    const R eoc = eq * eqsq;
    const R g201 = -0.306L - (eq - 0.64L) * 0.440L;
    R g211, g310, g322, g410, g422, g520, g533, g521, g532;
    if (eq <= 0.65L) {
      g211 = 3.616L - 13.247L * eq + 16.290L * eqsq;
      g310 = -19.302L + 117.390L * eq - 228.419L * eqsq + 156.591L * eoc;
      g322 = -18.9068L + 109.7927L * eq - 214.6334L * eqsq + 146.5816L * eoc;
      g410 = -41.122L + 242.694L * eq - 471.094L * eqsq + 313.953L * eoc;
      g422 = -146.407L + 841.880L * eq - 1629.014L * eqsq + 1083.435L * eoc;
      g520 = -532.114L + 3017.977L * eq - 5740 * eqsq + 3708.276L * eoc;
    } else {
      g211 = -72.099L + 331.819L * eq - 508.738L * eqsq + 266.724L * eoc;
      g310 = -346.844L + 1582.851L * eq - 2415.925L * eqsq + 1246.113L * eoc;
      g322 = -342.585L + 1554.908L * eq - 2366.899L * eqsq + 1215.972L * eoc;
      g410 = -1052.797L + 4758.686L * eq - 7193.992L * eqsq + 3651.957L * eoc;
      g422 = -3581.69L + 16178.11L * eq - 24462.77L * eqsq + 12422.52L * eoc;
      if (eq <= 0.715L)
        g520 = 1464.74L - 4664.75L * eq + 3763.64L * eqsq;
      else
        g520 = -5149.66L + 29936.92L * eq - 54087.36L * eqsq + 31324.56L * eoc;
    }
    if (eq < 0.7L) {
      g533 = -919.2277L + 4988.61L * eq - 9064.77L * eqsq + 5542.21L * eoc;
      g521 = -822.71072L + 4568.6173L * eq - 8491.4146L * eqsq + 5337.524L * eoc;
      g532 = -853.666L + 4690.25L * eq - 8624.77L * eqsq + 5341.4L * eoc;
    } else {
      g533 = -37995.78L + 161616.52L * eq - 229838.2L * eqsq + 109377.94L * eoc;
      g521 = -51752.104L + 218913.95L * eq - 309468.16L * eqsq + 146349.42L * eoc;
      g532 = -40023.88L + 170470.89L * eq - 242699.48L * eqsq + 115605.82L * eoc;
    }
    const R cosq2 = st.cosq2;
    const R sini2 = siniq * siniq;
    const R f220 = 0.75L * (1 + 2 * cosiq + cosq2);
    const R f221 = 1.5L * sini2;
    const R f321 = 1.875L * siniq * (1 - 2 * cosiq - 3 * cosq2);
    const R f322 = -1.875L * siniq * (1 + 2 * cosiq - 3 * cosq2);
    const R f441 = 35 * sini2 * f220;
    const R f442 = 39.3750L * sini2 * sini2;
    const R f522 =
        9.84375L * siniq *
        (sini2 * (1 - 2 * cosiq - 5 * cosq2) + 0.33333333L * (-2 + 4 * cosiq + 6 * cosq2));
    const R f523 = siniq * (4.92187512L * sini2 * (-2 - 4 * cosiq + 10 * cosq2) +
                            6.56250012L * (1 + 2 * cosiq - 3 * cosq2));
    const R f542 = 29.53125L * siniq * (2 - 8 * cosiq + cosq2 * (-12 + 8 * cosiq + 10 * cosq2));
    const R f543 = 29.53125L * siniq * (-2 - 8 * cosiq + cosq2 * (12 + 8 * cosiq - 10 * cosq2));
    const R xno2 = xnq * xnq;
    const R ainv2 = aqnv * aqnv;
    R temp1 = 3 * xno2 * ainv2;
    R temp = temp1 * kRoot22;
    st.d2201 = static_cast<double>(temp * f220 * g201);
    st.d2211 = static_cast<double>(temp * f221 * g211);
    temp1 = temp1 * aqnv;
    temp = temp1 * kRoot32;
    st.d3210 = static_cast<double>(temp * f321 * g310);
    st.d3222 = static_cast<double>(temp * f322 * g322);
    temp1 = temp1 * aqnv;
    temp = 2 * temp1 * kRoot44;
    st.d4410 = static_cast<double>(temp * f441 * g410);
    st.d4422 = static_cast<double>(temp * f442 * g422);
    temp1 = temp1 * aqnv;
    temp = temp1 * kRoot52;
    st.d5220 = static_cast<double>(temp * f522 * g520);
    st.d5232 = static_cast<double>(temp * f523 * g532);
    temp = 2 * temp1 * kRoot54;
    st.d5421 = static_cast<double>(temp * f542 * g521);
    st.d5433 = static_cast<double>(temp * f543 * g533);
    st.xlamo = static_cast<double>(static_cast<R>(st.xmao) + st.xnodeo + st.xnodeo - thgr - thgr);
    bfact = static_cast<R>(st.xlldot) + st.xnodotArg + st.xnodotArg - kThdt - kThdt;
    bfact = bfact + ssl + ssh + ssh;
  }
  st.xfact = static_cast<double>(bfact - xnq);
  st.xli = st.xlamo;
  st.xni = st.xnq;
  st.atime = 0;
  st.stepp = 720;
  st.stepn = -720;
  st.step2 = 259200;
}

// A direction as the sine and cosine of its angle; products add angles, quotients subtract them.
struct TTurn {
  double s, c;
};

inline TTurn operator*(TTurn a, TTurn b) { return {a.s * b.c + a.c * b.s, a.c * b.c - a.s * b.s}; }
inline TTurn operator/(TTurn a, TTurn b) { return {a.s * b.c - a.c * b.s, a.c * b.c + a.s * b.s}; }

TTurn TurnOf(long double angle) {
  TTurn t;
  SinCosReduced(angle, t.s, t.c);
  return t;
}

// The fixed phases of the resonance terms.
const TTurn kFasx2Turn = TurnOf(kFasx2), kFasx4x2Turn = TurnOf(2 * kFasx4), kFasx6x3Turn = TurnOf(3 * kFasx6);
const TTurn kG22Turn = TurnOf(kG22), kG32Turn = TurnOf(kG32), kG44Turn = TurnOf(kG44), kG52Turn = TurnOf(kG52),
            kG54Turn = TurnOf(kG54);

// Rate terms of the resonance at the integrator's position. The angles of the terms are whole
// multiples of the mean longitude and the argument of perigee less fixed phases: their sines
// and cosines follow from those of the two angles by the addition theorems.
void DotTerms(TDeepState& st) {
  R xndot, xnddt;
  const TTurn l = TurnOf(st.xli);
  const TTurn l2 = l * l;
  if (st.isynfl != 0) {
    const TTurn t1 = l / kFasx2Turn, t2 = l2 / kFasx4x2Turn, t3 = (l2 * l) / kFasx6x3Turn;
    xndot = st.rdel1 * static_cast<R>(t1.s) + st.rdel2 * static_cast<R>(t2.s) + st.rdel3 * static_cast<R>(t3.s);
    xnddt = st.rdel1 * static_cast<R>(t1.c) + 2 * st.rdel2 * static_cast<R>(t2.c) +
            3 * st.rdel3 * static_cast<R>(t3.c);
  } else {
    const TTurn w = TurnOf(st.omegaq + static_cast<R>(st.omgdt) * st.atime);
    const TTurn wl = w * l, lw = l / w, w2l = w * wl, wl2 = wl * l, l2w = l2 / w;
    const TTurn t2201 = w2l / kG22Turn, t2211 = l / kG22Turn, t3210 = wl / kG32Turn, t3222 = lw / kG32Turn,
                t4410 = (wl * wl) / kG44Turn, t4422 = l2 / kG44Turn, t5220 = wl / kG52Turn,
                t5232 = lw / kG52Turn, t5421 = wl2 / kG54Turn, t5433 = l2w / kG54Turn;
    auto r = [](double v) { return static_cast<R>(v); };
    xndot = st.d2201 * r(t2201.s) + st.d2211 * r(t2211.s) + st.d3210 * r(t3210.s) + st.d3222 * r(t3222.s) +
            st.d4410 * r(t4410.s) + st.d4422 * r(t4422.s) + st.d5220 * r(t5220.s) + st.d5232 * r(t5232.s) +
            st.d5421 * r(t5421.s) + st.d5433 * r(t5433.s);
    xnddt = st.d2201 * r(t2201.c) + st.d2211 * r(t2211.c) + st.d3210 * r(t3210.c) + st.d3222 * r(t3222.c) +
            st.d5220 * r(t5220.c) + st.d5232 * r(t5232.c) +
            2 * (st.d4410 * r(t4410.c) + st.d4422 * r(t4422.c) + st.d5421 * r(t5421.c) + st.d5433 * r(t5433.c));
  }
  const R xldot = st.xni + static_cast<R>(st.xfact);
  st.xndot = static_cast<double>(xndot);
  st.xldot = static_cast<double>(xldot);
  st.xnddt = static_cast<double>(xnddt * xldot);
}

// One integration step of DELT minutes.
void IntegratorStep(TDeepState& st) {
  DotTerms(st);
  st.xli = static_cast<double>(st.xli + static_cast<R>(st.xldot) * st.delt +
                               static_cast<R>(st.xndot) * st.step2);
  st.xni = static_cast<double>(st.xni + static_cast<R>(st.xndot) * st.delt +
                               static_cast<R>(st.xnddt) * st.step2);
  st.atime = static_cast<double>(static_cast<R>(st.atime) + st.delt);
}

// DPSEC.
void DpSec(TDeepState& st) {
  const R t = st.argT;
  st.argXll = static_cast<double>(st.argXll + st.ssl * t);
  st.argOmgasm = static_cast<double>(st.argOmgasm + st.ssg * t);
  st.argXnodes = static_cast<double>(st.argXnodes + st.ssh * t);
  st.argEm = static_cast<double>(st.eq + st.sse * t);
  st.argXinc = static_cast<double>(st.xqncl + st.ssi * t);
  if (st.argXinc < 0) {
    st.argXinc = -st.argXinc;
    st.argXnodes = static_cast<double>(st.argXnodes + kPiL);
    st.argOmgasm = static_cast<double>(st.argOmgasm - kPiL);
  }
  if (st.iresfl == 0) return;

  if (!std::isfinite(st.argT) || std::fabs(st.argT) > kMaxResonanceMinutes)
    Fail("Time too far from the element-set epoch for the resonance integration");

  for (;;) {
    if (st.atime == 0 || (t >= 0 && st.atime < 0) || (t < 0 && st.atime >= 0)) {
      // Restart from the epoch.
      st.delt = t >= 0 ? st.stepp : st.stepn;
      st.atime = 0;
      st.xni = st.xnq;
      st.xli = st.xlamo;
      break;
    }
    if (std::fabs(t) >= std::fabs(st.atime)) {
      st.delt = t > 0 ? st.stepp : st.stepn;
      break;
    }
    // Step back toward the epoch, then check again.
    st.delt = t >= 0 ? st.stepn : st.stepp;
    IntegratorStep(st);
  }
  while (std::fabs(t - st.atime) >= st.stepp) IntegratorStep(st);

  const R ft = t - st.atime;
  DotTerms(st);
  const R xn = st.xni + st.xndot * ft + st.xnddt * ft * ft * 0.5L;
  const R xl = st.xli + st.xldot * ft + st.xndot * ft * ft * 0.5L;
  const R temp = -static_cast<R>(st.argXnodes) + st.thgr + t * kThdt;
  st.argXn = static_cast<double>(xn);
  st.argXll = static_cast<double>(st.isynfl != 0 ? xl - st.argOmgasm + temp : xl + temp + temp);
}

// DPPER.
void DpPer(TDeepState& st) {
  const R t = st.argT;
  const R xincIn = st.argXinc;
  if (std::fabs(static_cast<R>(st.savtsn) - t) >= kPeriodicReuse) {
    st.savtsn = st.argT;
    R zm = st.zmos + kZns * t;
    R zf = zm + 2 * kZes * SinReduced(zm);
    double sinzfD, coszfD;
    SinCosReduced(zf, sinzfD, coszfD);
    R sinzf = sinzfD;
    R f2 = 0.5L * sinzf * sinzf - 0.25L;
    R f3 = -0.5L * sinzf * coszfD;
    const R ses = st.se2 * f2 + st.se3 * f3;
    const R sis = st.si2 * f2 + st.si3 * f3;
    const R sls = st.sl2 * f2 + st.sl3 * f3 + st.sl4 * sinzf;
    const R sghs = st.sgh2 * f2 + st.sgh3 * f3 + st.sgh4 * sinzf;
    const R shs = st.sh2 * f2 + st.sh3 * f3;
    zm = st.zmol + kZnl * t;
    zf = zm + 2 * kZel * SinReduced(zm);
    SinCosReduced(zf, sinzfD, coszfD);
    sinzf = sinzfD;
    f2 = 0.5L * sinzf * sinzf - 0.25L;
    f3 = -0.5L * sinzf * coszfD;
    const R sel = st.ee2 * f2 + st.e3 * f3;
    const R sil = st.xi2 * f2 + st.xi3 * f3;
    const R sll = st.xl2 * f2 + st.xl3 * f3 + st.xl4 * sinzf;
    const R sghl = st.xgh2 * f2 + st.xgh3 * f3 + st.xgh4 * sinzf;
    const R shl = st.xh2 * f2 + st.xh3 * f3;
    st.ses = static_cast<double>(ses);
    st.sis = static_cast<double>(sis);
    st.sls = static_cast<double>(sls);
    st.sghs = static_cast<double>(sghs);
    st.shs = static_cast<double>(shs);
    st.sel = static_cast<double>(sel);
    st.sil = static_cast<double>(sil);
    st.sll = static_cast<double>(sll);
    st.sghl = static_cast<double>(sghl);
    st.shl = static_cast<double>(shl);
    st.pe = static_cast<double>(ses + sel);
    st.pinc = static_cast<double>(sis + sil);
    st.pl = static_cast<double>(sls + sll);
  }
  R pgh = static_cast<R>(st.sghs) + st.sghl;
  R ph = static_cast<R>(st.shs) + st.shl;
  const R pinc = st.pinc, pl = st.pl;
  const R xinc = xincIn + pinc;
  st.argXinc = static_cast<double>(xinc);
  st.argEm = static_cast<double>(st.argEm + static_cast<R>(st.pe));

  if (st.xqncl >= kLyddaneIncl) {
    // Periodics applied directly.
    ph = ph / st.siniq;
    pgh = pgh - st.cosiq * ph;
    st.argOmgasm = static_cast<double>(st.argOmgasm + pgh);
    st.argXnodes = static_cast<double>(st.argXnodes + ph);
    st.argXll = static_cast<double>(st.argXll + pl);
  } else {
    // Lyddane modification for low inclinations.
    const R xnodes = st.argXnodes;
    // Sines and cosines in full extended precision here: the angles below are differences of
    // angles that grow by a turn a day, stored as doubles, and the double-precision series would
    // move the last bit of those often enough to be seen.
    R sinis, cosis, sinok, cosok;
    SinCosL(xincIn, sinis, cosis);
    SinCosL(xnodes, sinok, cosok);
    const R alfdp = sinis * sinok + ph * cosok + pinc * cosis * sinok;
    const R betdp = sinis * cosok - ph * sinok + pinc * cosis * cosok;
    R xls = static_cast<R>(st.argXll) + st.argOmgasm + cosis * xnodes;
    xls += pl + pgh - pinc * xnodes * sinis;
    R node = ArcTanQuadrant(static_cast<double>(alfdp), static_cast<double>(betdp));
    // The quadrant arctangent may land a whole turn away from the incoming node; keep
    // the node within pi of it, or the argument of perigee below takes the turn times
    // cos(i) and the satellite jumps along its orbit.
    if (std::fabs(node - xnodes) > kPiL && std::isfinite(node) && std::isfinite(xnodes))
      node = xnodes + std::remainder(node - xnodes, kTwoPiL);
    const R xll = static_cast<R>(st.argXll) + pl;
    st.argXnodes = static_cast<double>(node);
    st.argXll = static_cast<double>(xll);
    const R cosInc = CosL(xinc);
    st.argOmgasm = static_cast<double>(xls - xll - cosInc * node);
  }
}

}  // namespace

void DeepSpace(TDeepState& st, const TDeepElements& el, int selector) {
  switch (selector) {
    case 1:
      DpInit(st, el);
      break;
    case 2:
      DpSec(st);
      break;
    case 3:
      DpPer(st);
      break;
    default:
      break;
  }
}

void DeepSpaceInit(TDeepState& st, const TDeepElements& el, double& eosq, double& siniq,
                   double& cosiq, double& betao, double& aodp, double& theta2, double& sing,
                   double& cosg, double& betao2, double& xmdot, double& omgdot, double& xnodot,
                   double& xnodp) {
  st.eqsq = eosq;
  st.siniq = siniq;
  st.cosiq = cosiq;
  st.rteqsq = betao;
  st.aoArg = aodp;
  st.cosq2 = theta2;
  st.sinomo = sing;
  st.cosomo = cosg;
  st.bsq = betao2;
  st.xlldot = xmdot;
  st.omgdt = omgdot;
  st.xnodotArg = xnodot;
  st.xnodpArg = xnodp;
  DeepSpace(st, el, 1);
  eosq = st.eqsq;
  siniq = st.siniq;
  cosiq = st.cosiq;
  betao = st.rteqsq;
  aodp = st.aoArg;
  theta2 = st.cosq2;
  sing = st.sinomo;
  cosg = st.cosomo;
  betao2 = st.bsq;
  xmdot = st.xlldot;
  omgdot = st.omgdt;
  xnodot = st.xnodotArg;
  xnodp = st.xnodpArg;
}

void DeepSpaceSecular(TDeepState& st, const TDeepElements& el, double& xll, double& omgasm,
                      double& xnodes, double& em, double& xinc, double& xn, double t) {
  st.argXll = xll;
  st.argOmgasm = omgasm;
  st.argXnodes = xnodes;
  st.argEm = em;
  st.argXinc = xinc;
  st.argXn = xn;
  st.argT = t;
  DeepSpace(st, el, 2);
  xll = st.argXll;
  omgasm = st.argOmgasm;
  xnodes = st.argXnodes;
  em = st.argEm;
  xinc = st.argXinc;
  xn = st.argXn;
}

void DeepSpacePeriodic(TDeepState& st, const TDeepElements& el, double& em, double& xinc,
                       double& omgasm, double& xnodes, double& xll) {
  st.argEm = em;
  st.argXinc = xinc;
  st.argOmgasm = omgasm;
  st.argXnodes = xnodes;
  st.argXll = xll;
  DeepSpace(st, el, 3);
  em = st.argEm;
  xinc = st.argXinc;
  omgasm = st.argOmgasm;
  xnodes = st.argXnodes;
  xll = st.argXll;
}

namespace {

// The model constants of SDP4 (the near-Earth part of the initialisation).
void InitConstants(TDeepState& st, const TDeepElements& el) {
  const R xno = el.meanMotion, eo = el.eccentricity, xincl = el.inclination;
  const R omegao = el.argPerigee, bstar = el.bstar;

  const R a1 = Pow(CheckedDiv(XKE, xno), kTothrd);
  const R cosio = CosL(xincl);
  const R theta2 = cosio * cosio;
  const R x3thm1 = 3 * theta2 - 1;
  const R eosq = eo * eo;
  const R betao2 = 1 - eosq;
  const R betao = CheckedSqrt(betao2);
  const R del1 = CheckedDiv(kCk2x15 * x3thm1, a1 * a1 * betao * betao2);
  const R ao = a1 * (1 - del1 * (0.5L * kTothrd + del1 * (1 + k134over81 * del1)));
  const R delo = CheckedDiv(kCk2x15 * x3thm1, ao * ao * betao * betao2);
  const R xnodp = xno / (1 + delo);
  const R aodp = CheckedDiv(ao, 1 - delo);

  // Perigee below 156 km alters S and QOMS2T.
  R s4 = kS;
  R qoms24 = QOMS2T;
  const R perige = (aodp * (1 - eo) - 1) * XKMPER;
  if (perige < 156) {
    s4 = perige - 78;
    if (perige <= 98) s4 = 20;
    qoms24 = Pow((120 - s4) / XKMPER, 4);
    s4 = s4 / XKMPER + 1;
  }
  const R pinvsq = CheckedDiv(1.0L, aodp * aodp * betao2 * betao2);
  const R sing = SinL(omegao);
  const R cosg = CosL(omegao);
  const R tsi = CheckedDiv(1.0L, aodp - s4);
  const R eta = aodp * eo * tsi;
  const R etasq = eta * eta;
  const R eeta = eo * eta;
  const R psisq = std::fabs(1 - etasq);
  const R coef = qoms24 * Pow(tsi, 4);
  const R coef1 = coef / Pow(psisq, 3.5L);
  const R c2 = coef1 * xnodp *
               (aodp * (1 + 1.5L * etasq + eeta * (4 + etasq)) +
                kCk2x075 * tsi / psisq * x3thm1 * (8 + 3 * etasq * (8 + etasq)));
  const R c1 = bstar * c2;
  const R sinio = SinL(xincl);
  const R a3ovk2 = kA3ovk2 * Pow(1, 3);
  const R x1mth2 = 1 - theta2;
  const R c4 = 2 * xnodp * coef1 * aodp * betao2 *
               (eta * (2 + 0.5L * etasq) + eo * (0.5L + 2 * etasq) -
                kCk2x2 * tsi / (aodp * psisq) *
                    (-3 * x3thm1 * (1 - 2 * eeta + etasq * (1.5L - 0.5L * eeta)) +
                     0.75L * x1mth2 * (2 * etasq - eeta * (1 + etasq)) * CosL(2 * omegao)));
  const R theta4 = theta2 * theta2;
  const R temp1 = kCk2x3 * pinvsq * xnodp;
  const R temp2 = temp1 * kCk2 * pinvsq;
  const R temp3 = kCk4x125 * pinvsq * pinvsq * xnodp;
  const R xmdot = xnodp + 0.5L * temp1 * betao * x3thm1 +
                  0.0625L * temp2 * betao * (13 - 78 * theta2 + 137 * theta4);
  const R x1m5th = 1 - 5 * theta2;
  const R omgdot = -0.5L * temp1 * x1m5th + 0.0625L * temp2 * (7 - 114 * theta2 + 395 * theta4) +
                   temp3 * (3 - 36 * theta2 + 49 * theta4);
  const R xhdot1 = -temp1 * cosio;
  const R xnodot =
      xhdot1 + (0.5L * temp2 * (4 - 19 * theta2) + 2 * temp3 * (3 - 7 * theta2)) * cosio;
  const R xnodcf = 3.5L * betao2 * xhdot1 * c1;
  const R t2cof = 1.5L * c1;
  // The divisor vanishes for an inclination of exactly 180 degrees; keep it off zero.
  R onePlusCos = 1 + cosio;
  if (std::fabs(onePlusCos) < 1.5e-12L) onePlusCos = 1.5e-12L;
  const R xlcof = 0.125L * a3ovk2 * sinio * (3 + 5 * cosio) / onePlusCos;
  const R aycof = 0.25L * a3ovk2 * sinio;
  const R x7thm1 = 7 * theta2 - 1;

  auto d = [](R v) { return static_cast<double>(v); };
  st.a1 = d(a1);
  st.cosio = d(cosio);
  st.theta2 = d(theta2);
  st.x3thm1 = d(x3thm1);
  st.eosq = d(eosq);
  st.betao2 = d(betao2);
  st.betao = d(betao);
  st.del1 = d(del1);
  st.ao = d(ao);
  st.delo = d(delo);
  st.xnodp = d(xnodp);
  st.aodp = d(aodp);
  st.s4 = d(s4);
  st.qoms24 = d(qoms24);
  st.perige = d(perige);
  st.pinvsq = d(pinvsq);
  st.sing = d(sing);
  st.cosg = d(cosg);
  st.tsi = d(tsi);
  st.eta = d(eta);
  st.etasq = d(etasq);
  st.eeta = d(eeta);
  st.psisq = d(psisq);
  st.coef = d(coef);
  st.coef1 = d(coef1);
  st.c2 = d(c2);
  st.c1 = d(c1);
  st.sinio = d(sinio);
  st.a3ovk2 = d(a3ovk2);
  st.x1mth2 = d(x1mth2);
  st.c4 = d(c4);
  st.theta4 = d(theta4);
  st.temp1 = d(temp1);
  st.temp2 = d(temp2);
  st.temp3 = d(temp3);
  st.xmdot = d(xmdot);
  st.x1m5th = d(x1m5th);
  st.omgdot = d(omgdot);
  st.xhdot1 = d(xhdot1);
  st.xnodot = d(xnodot);
  st.xnodcf = d(xnodcf);
  st.t2cof = d(t2cof);
  st.xlcof = d(xlcof);
  st.aycof = d(aycof);
  st.x7thm1 = d(x7thm1);
}

}  // namespace

void SDP4(TDeepState& st, const TDeepElements& el, std::int32_t& initNeeded, double tsince,
          TDeepOutput& out, bool* down) {
  if (down) *down = false;
  if (!std::isfinite(tsince)) Fail("Propagation time is not a finite number");

  if (initNeeded != 0) {
    InitConstants(st, el);
    initNeeded = 0;
    double eosq = st.eosq, siniq = st.sinio, cosiq = st.cosio, betao = st.betao, aodp = st.aodp;
    double theta2 = st.theta2, sing = st.sing, cosg = st.cosg, betao2 = st.betao2;
    double xmdot = st.xmdot, omgdot = st.omgdot, xnodot = st.xnodot, xnodp = st.xnodp;
    DeepSpaceInit(st, el, eosq, siniq, cosiq, betao, aodp, theta2, sing, cosg, betao2, xmdot,
                  omgdot, xnodot, xnodp);
  }

  // Secular gravity and drag.
  const R t = tsince;
  double xmdf = static_cast<double>(el.meanAnomaly + st.xmdot * t);
  double omgadf = static_cast<double>(el.argPerigee + st.omgdot * t);
  const R xnoddf = el.raan + st.xnodot * t;
  const R tsq = t * t;
  double xnode = static_cast<double>(xnoddf + st.xnodcf * tsq);
  const R tempa = 1 - st.c1 * t;
  const R tempe = el.bstar * st.c4 * t;
  const R templ = st.t2cof * tsq;
  double xn = st.xnodp;
  double em = 0, xinc = 0;
  DeepSpaceSecular(st, el, xmdf, omgadf, xnode, em, xinc, xn, tsince);
  if (!(xn > 0)) Fail("Mean motion driven to zero or below in SDP4");
  const R a = TwoThirdsPowerOf(static_cast<double>(XKE / static_cast<R>(xn))) * tempa * tempa;
  double e = static_cast<double>(em - tempe);
  double xmam = static_cast<double>(xmdf + st.xnodp * templ);
  DeepSpacePeriodic(st, el, e, xinc, omgadf, xnode, xmam);
  if (down) *down = decay::DragElementsDown(tempa, e);
  const R xl = static_cast<R>(xmam) + omgadf + xnode;
  const R esq = static_cast<R>(e) * e;
  if (!(esq < 1)) Fail("Eccentricity driven to 1 or beyond in SDP4");
  const R beta = std::sqrt(1 - esq);
  const R xnk = XKE / ThreeHalvesPowerOf(static_cast<double>(a));

  // Long-period periodics.
  double sinomg, cosomg;
  SinCosReduced(omgadf, sinomg, cosomg);
  const R axn = e * cosomg;
  R temp = 1 / (a * beta * beta);
  const R xll = temp * st.xlcof * axn;
  const R aynl = temp * st.aycof;
  const R xlt = xl + xll;
  const R ayn = e * sinomg + aynl;
  // At the epoch the set stands as given; from there on a perigee inside the Earth ends it.
  if (down && t != 0 && decay::PerigeeInside(a, axn, ayn, st.x3thm1, st.x1mth2, kCk2)) *down = true;

  // Kepler's equation. After the first pass each iterate lies a small step from the one before,
  // so its sine and cosine follow from theirs by the addition theorems.
  const R capu = ModTwoPi(static_cast<double>(xlt - xnode));
  R temp2 = capu;
  double sinepw, cosepw;
  SinCosReduced(temp2, sinepw, cosepw);
  R temp3 = 0, temp4 = 0, temp5 = 0, temp6 = 0;
  for (int i = 1;; ++i) {
    temp3 = axn * sinepw;
    temp4 = ayn * cosepw;
    temp5 = axn * cosepw;
    temp6 = ayn * sinepw;
    const R epw = (capu - temp4 + temp3 - temp2) / (1 - temp5 - temp6) + temp2;
    const R step = epw - temp2;
    if (std::fabs(step) <= kE6a || i == 10) break;
    if (std::fabs(step) <= kSmallTurn)
      SinCosTurned(sinepw, cosepw, static_cast<double>(step), sinepw, cosepw);
    else
      SinCosReduced(epw, sinepw, cosepw);
    temp2 = epw;
  }

  // Short-period preliminaries.
  const R ecose = temp5 + temp6;
  const R esine = temp3 - temp4;
  const R elsq = axn * axn + ayn * ayn;
  temp = 1 - elsq;
  const R pl = a * temp;
  const R r = a * (1 - ecose);
  if (!(pl > 0) || !(r > 0)) Fail("Semi-latus rectum or radius not positive in SDP4");
  R temp1 = 1 / r;
  const R rdot = XKE * std::sqrt(a) * esine * temp1;
  const R rfdot = XKE * std::sqrt(pl) * temp1;
  temp2 = a * temp1;
  const R betal = std::sqrt(temp);
  temp3 = 1 / (1 + betal);
  const R cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
  const R sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
  const R u = ArcTanQuadrant(static_cast<double>(sinu), static_cast<double>(cosu));
  const R sin2u = 2 * sinu * cosu;
  const R cos2u = 2 * cosu * cosu - 1;
  temp = 1 / pl;
  temp1 = kCk2 * temp;
  temp2 = temp1 * temp;

  // Short-period corrections.
  const R cosio = st.cosio, sinio = st.sinio;
  const R rk = r * (1 - 1.5L * temp2 * betal * st.x3thm1) + 0.5L * temp1 * st.x1mth2 * cos2u;
  const R du = -0.25L * temp2 * st.x7thm1 * sin2u;
  const R uk = u + du;
  const R xnodek = xnode + 1.5L * temp2 * cosio * sin2u;
  const R xinck = xinc + 1.5L * temp2 * cosio * sinio * cos2u;
  const R rdotk = rdot - xnk * temp1 * st.x1mth2 * sin2u;
  const R rfdotk = rfdot + xnk * temp1 * (st.x1mth2 * cos2u + 1.5L * st.x3thm1);

  // Orientation vectors. The correction turns u by a small angle as a rule, so its sine and
  // cosine follow from those of u (sinu, cosu: a unit vector).
  double sinukD, cosukD, sinikD, cosikD, sinnokD, cosnokD;
  if (std::fabs(du) <= kSmallTurn)
    SinCosTurned(static_cast<double>(sinu), static_cast<double>(cosu), static_cast<double>(du), sinukD, cosukD);
  else
    SinCosReduced(uk, sinukD, cosukD);
  SinCosReduced(xinck, sinikD, cosikD);
  SinCosReduced(xnodek, sinnokD, cosnokD);
  const R sinuk = sinukD, cosuk = cosukD, sinik = sinikD, cosik = cosikD, sinnok = sinnokD, cosnok = cosnokD;
  const R xmx = -sinnok * cosik;
  const R xmy = cosnok * cosik;
  const R ux = xmx * sinuk + cosnok * cosuk;
  const R uy = xmy * sinuk + sinnok * cosuk;
  const R uz = sinik * sinuk;
  const R vx = xmx * cosuk - cosnok * sinuk;
  const R vy = xmy * cosuk - sinnok * sinuk;
  const R vz = sinik * cosuk;

  TDeepOutput o;
  o.x = static_cast<double>(rk * ux);
  o.y = static_cast<double>(rk * uy);
  o.z = static_cast<double>(rk * uz);
  o.xdot = static_cast<double>(rdotk * ux + rfdotk * vx);
  o.ydot = static_cast<double>(rdotk * uy + rfdotk * vy);
  o.zdot = static_cast<double>(rdotk * uz + rfdotk * vz);
  o.uk = static_cast<double>(uk);
  if (!std::isfinite(o.x) || !std::isfinite(o.y) || !std::isfinite(o.z) || !std::isfinite(o.xdot) ||
      !std::isfinite(o.ydot) || !std::isfinite(o.zdot) || !std::isfinite(o.uk))
    Fail("SDP4 produced a state vector that is not finite");
  out = o;
}

}  // namespace orbit
