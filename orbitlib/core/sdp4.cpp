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
#include "sdp4_detail.h"

namespace orbit {

namespace {

using namespace sdp4_detail;

[[noreturn]] void Fail(const char* what) { throw EOrbitError(what); }

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

// The lunar-solar periodic components at time t, rounded to doubles as the work area keeps them.
struct TPeriodics {
  double ses, sis, sls, sghs, shs, sel, sil, sll, sghl, shl, pe, pinc, pl;
};

TPeriodics PeriodicsAt(const TDeepState& st, R t) {
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
  auto d = [](R v) { return static_cast<double>(v); };
  return {d(ses), d(sis), d(sls), d(sghs), d(shs), d(sel), d(sil), d(sll), d(sghl), d(shl),
          d(ses + sel), d(sis + sil), d(sls + sll)};
}

void Keep(TDeepState& st, const TPeriodics& p) {
  st.ses = p.ses;
  st.sis = p.sis;
  st.sls = p.sls;
  st.sghs = p.sghs;
  st.shs = p.shs;
  st.sel = p.sel;
  st.sil = p.sil;
  st.sll = p.sll;
  st.sghl = p.sghl;
  st.shl = p.shl;
  st.pe = p.pe;
  st.pinc = p.pinc;
  st.pl = p.pl;
}

TPeriodics Kept(const TDeepState& st) {
  return {st.ses, st.sis, st.sls, st.sghs, st.shs, st.sel, st.sil, st.sll, st.sghl, st.shl, st.pe, st.pinc, st.pl};
}

// The elements DPPER adjusts.
struct TPeriodicArgs {
  double em, xinc, omgasm, xnodes, xll;
};

// Sine and cosine in extended precision of an angle near the one last taken from `from`: turned
// from it by the addition theorems, or computed afresh and kept as the new starting point. Each
// result is turned from a directly computed one, so errors do not add up. The series of the turn
// d: below 2^-16 (the usual step) d - d^3/6 and -d^2/2 + d^4/24, whose left-out terms stay below
// 1e-21 of the result; up to kSmallTurn to the 11th and 12th power (below 1e-27).
[[gnu::always_inline]] inline void SinCosFrom(TDeepState::TAngleCache& from, R x, R& s, R& c) {
  const R d = x - from.x;
  const R ad = std::fabs(d);
  if (from.set && ad <= kSmallTurn) {
    const R z = d * d;
    R sd, cm;
    if (ad <= 0x1p-16L) {
      sd = d - d * z * (1.0L / 6);
      cm = z * (-0.5L + z * (1.0L / 24));
    } else {
      sd = d + d * z * (-1.0L / 6 + z * (1.0L / 120 + z * (-1.0L / 5040 + z * (1.0L / 362880 +
                                                                             z * (-1.0L / 39916800)))));
      cm = z * (-0.5L + z * (1.0L / 24 + z * (-1.0L / 720 + z * (1.0L / 40320 +
                                                                z * (-1.0L / 3628800 + z / 479001600)))));
    }
    s = from.s + (from.s * cm + from.c * sd);
    c = from.c + (from.c * cm - from.s * sd);
    return;
  }
  SinCosL(x, s, c);
  from.x = x;
  from.s = s;
  from.c = c;
  from.set = true;
}

// Steps 3-5 of DPPER with the given periodic components. With `turned` the Lyddane branch's
// sines and cosines are turned from those of its previous call (SinCosFrom); without, computed
// directly, and the work area is only read.
void ApplyPeriodics(TDeepState& st, const TPeriodics& p, TPeriodicArgs& a, bool turned) {
  const R xincIn = a.xinc;
  R pgh = static_cast<R>(p.sghs) + p.sghl;
  R ph = static_cast<R>(p.shs) + p.shl;
  const R pinc = p.pinc, pl = p.pl;
  const R xinc = xincIn + pinc;
  a.xinc = static_cast<double>(xinc);
  a.em = static_cast<double>(a.em + static_cast<R>(p.pe));

  if (st.xqncl >= kLyddaneIncl) {
    // Periodics applied directly.
    ph = ph / st.siniq;
    pgh = pgh - st.cosiq * ph;
    a.omgasm = static_cast<double>(a.omgasm + pgh);
    a.xnodes = static_cast<double>(a.xnodes + ph);
    a.xll = static_cast<double>(a.xll + pl);
  } else {
    // Lyddane modification for low inclinations.
    const R xnodes = a.xnodes;
    // Sines and cosines in full extended precision here: the angles below are differences of
    // angles that grow by a turn a day, stored as doubles, and the double-precision series would
    // move the last bit of those often enough to be seen. The angles move slowly, so each is
    // turned from its value of the previous call.
    R sinis, cosis, sinok, cosok, sinInc, cosInc;
    if (turned) {
      SinCosFrom(st.inclinationAngle, xincIn, sinis, cosis);
      SinCosFrom(st.nodeAngle, xnodes, sinok, cosok);
      SinCosFrom(st.periodicInclinationAngle, xinc, sinInc, cosInc);
    } else {
      SinCosL(xincIn, sinis, cosis);
      SinCosL(xnodes, sinok, cosok);
      cosInc = CosL(xinc);
    }
    const R alfdp = sinis * sinok + ph * cosok + pinc * cosis * sinok;
    const R betdp = sinis * cosok - ph * sinok + pinc * cosis * cosok;
    R xls = static_cast<R>(a.xll) + a.omgasm + cosis * xnodes;
    xls += pl + pgh - pinc * xnodes * sinis;
    R node = ArcTanQuadrant(static_cast<double>(alfdp), static_cast<double>(betdp));
    // The quadrant arctangent may land a whole turn away from the incoming node; keep
    // the node within pi of it, or the argument of perigee below takes the turn times
    // cos(i) and the satellite jumps along its orbit.
    if (std::fabs(node - xnodes) > kPiL && std::isfinite(node) && std::isfinite(xnodes))
      node = xnodes + std::remainder(node - xnodes, kTwoPiL);
    const R xll = static_cast<R>(a.xll) + pl;
    a.xnodes = static_cast<double>(node);
    a.xll = static_cast<double>(xll);
    a.omgasm = static_cast<double>(xls - xll - cosInc * node);
  }
}

// DPPER.
void DpPer(TDeepState& st) {
  const R t = st.argT;
  if (std::fabs(static_cast<R>(st.savtsn) - t) >= kPeriodicReuse) {
    st.savtsn = st.argT;
    Keep(st, PeriodicsAt(st, t));
  }
  TPeriodicArgs a{st.argEm, st.argXinc, st.argOmgasm, st.argXnodes, st.argXll};
  ApplyPeriodics(st, Kept(st), a, true);
  st.argEm = a.em;
  st.argXinc = a.xinc;
  st.argOmgasm = a.omgasm;
  st.argXnodes = a.xnodes;
  st.argXll = a.xll;
}

// The decay verdict (decay.h) at time t from the secular elements, with the lunar-solar periodics
// of t itself rather than those the work area reuses for half an hour: the answer at a time is
// then the same whatever times were asked before. Reads the work area only.
bool ElementsDown(TDeepState& st, R t, R a, R tempa, TPeriodicArgs el) {
  ApplyPeriodics(st, PeriodicsAt(st, t), el, false);
  const double e = el.em;
  if (decay::DragElementsDown(tempa, e)) return true;
  if (t == 0) return false;  // the set stands as given at its epoch
  double sinomg, cosomg;
  SinCosReduced(el.omgasm, sinomg, cosomg);
  const R esq = static_cast<R>(e) * e;
  const R beta = std::sqrt(1 - esq);
  const R temp = 1 / (a * beta * beta);
  const R axn = e * cosomg;
  const R ayn = e * sinomg + temp * st.aycof;
  return decay::PerigeeInside(a, axn, ayn, st.x3thm1, st.x1mth2, kCk2);
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

// The span near the epoch where the decay tests cannot hold (decay.h): the drag factor
// 1 - C1 t, the eccentricity drifting by the solar-lunar rate and the drag term and swinging by
// at most a quarter of each periodic coefficient (F2 and F3 stay within +-1/4), and for a
// resonance a mean motion up to 5 % above its epoch value (beyond it the tests run anyway).
void DecayBounds(TDeepState& st, const TDeepElements& el) {
  st.decayTestFrom = 0;
  st.decayXnBound = st.iresfl != 0 ? st.xnodp * 1.05 : st.xnodp;
  const R ratio = XKE / static_cast<R>(st.decayXnBound);
  if (!(st.decayXnBound > 0) || !std::isfinite(static_cast<double>(ratio))) return;
  decay::TDriftBounds b;
  b.a0 = TwoThirdsPowerOf(static_cast<double>(ratio));
  b.c1 = st.c1;
  b.e0 = el.eccentricity;
  b.eRate = std::fabs(static_cast<R>(st.sse)) + std::fabs(static_cast<R>(el.bstar) * st.c4);
  b.eSwing = 0.250001L * (std::fabs(static_cast<R>(st.se2)) + std::fabs(static_cast<R>(st.se3)) +
                          std::fabs(static_cast<R>(st.ee2)) + std::fabs(static_cast<R>(st.e3)));
  b.aycof = st.aycof;
  b.x3thm1 = st.x3thm1;
  b.x1mth2 = st.x1mth2;
  b.ck2 = kCk2;
  st.decayTestFrom = decay::SafeMinutes(b);
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
    st.aNoResonance = 0;
    st.inclinationAngle = st.nodeAngle = st.periodicInclinationAngle = TDeepState::TAngleCache{};
    st.decayTestFrom = -1;  // formed at the first time away from the epoch that needs it
    st.decayXnBound = 0;
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
  // Without resonance XN stays XNODP: its power is formed once.
  R a23;
  if (st.iresfl == 0 && st.aNoResonance > 0) {
    a23 = st.aNoResonance;
  } else {
    const double power = TwoThirdsPowerOf(static_cast<double>(XKE / static_cast<R>(xn)));
    if (st.iresfl == 0) st.aNoResonance = power;
    a23 = power;
  }
  const R a = a23 * tempa * tempa;
  double e = static_cast<double>(em - tempe);
  double xmam = static_cast<double>(xmdf + st.xnodp * templ);
  if (down && (!(std::fabs(t) < st.decayTestFrom) || !(xn <= st.decayXnBound))) {
    if (st.decayTestFrom < 0 && t != 0) DecayBounds(st, el);
    if (!(std::fabs(t) < st.decayTestFrom) || !(xn <= st.decayXnBound))
      *down = ElementsDown(st, t, a, tempa, {e, xinc, omgadf, xnode, xmam});
  }
  DeepSpacePeriodic(st, el, e, xinc, omgadf, xnode, xmam);
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

  // Kepler's equation. The published routine first reduces CAPU to [0, 2 pi); the iteration moves
  // only by differences and the sines and cosines reduce their arguments themselves, so the whole
  // turns stay in here: the results differ by the rounding of that reduction only. After the
  // first pass each iterate lies a small step from the one before, so its sine and cosine follow
  // from theirs by the addition theorems.
  const R capu = static_cast<double>(xlt - xnode);
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
