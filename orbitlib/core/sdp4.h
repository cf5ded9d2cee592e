// SDP4 deep-space propagation model (Spacetrack Report No. 3: SDP4 with DEEP and
// its entries DPINIT, DPSEC and DPPER).
//
// Every quantity the model keeps between calls lives in one TDeepState, so each
// satellite owns its own deep-space work area: the lunar-solar coefficients, the
// resonance integrator (720-minute steps from the epoch) and the cache of the
// lunar-solar periodics (reused while the time moves by less than 30 minutes).
//
// Units: Earth radii (6378.135 km) and minutes; angles in radians.
#pragma once

#include <cstdint>

#include "orbittypes.h"

namespace orbit {

// The element values the deep-space model reads (all as parsed from the element set).
struct TDeepElements {
  double meanAnomaly = 0;  // rad
  double raan = 0;         // right ascension of the ascending node, rad
  double argPerigee = 0;   // rad
  double eccentricity = 0;
  double inclination = 0;  // rad
  double meanMotion = 0;   // rad/min, as read (not the model mean motion)
  double bstar = 0;        // per Earth radius
  double epochText = 0;    // YYDDD.DDDDDDDD as read
};

// Position (Earth radii), velocity (Earth radii per minute) and the argument of
// latitude after the short-period correction (rad, not reduced).
struct TDeepOutput {
  double x = 0, y = 0, z = 0;
  double xdot = 0, ydot = 0, zdot = 0;
  double uk = 0;
};

// Per-satellite work area. Zero-filled at creation; filled by the first SDP4 call. Each
// deep-space satellite holds one of its own (the near-Earth ones none).
struct TDeepState {
  // Initialisation shared in form with the near-Earth model.
  double a1 = 0, cosio = 0, theta2 = 0, x3thm1 = 0, eosq = 0, betao2 = 0, betao = 0, del1 = 0,
         ao = 0, delo = 0, xnodp = 0, aodp = 0;
  double s4 = 0, qoms24 = 0, perige = 0, pinvsq = 0, sing = 0, cosg = 0, tsi = 0, eta = 0,
         etasq = 0, eeta = 0, psisq = 0;
  double coef = 0, coef1 = 0, c2 = 0, c1 = 0, sinio = 0, a3ovk2 = 0, x1mth2 = 0, c4 = 0, theta4 = 0,
         temp1 = 0, temp2 = 0, temp3 = 0;
  double xmdot = 0, x1m5th = 0, omgdot = 0, xhdot1 = 0, xnodot = 0, xnodcf = 0, t2cof = 0,
         xlcof = 0, aycof = 0, x7thm1 = 0;

  // Epoch copies made by DPINIT.
  double thgr = 0, eq = 0, xnq = 0, aqnv = 0, xqncl = 0, xmao = 0, xpidot = 0, sinq = 0, cosq = 0,
         omegaq = 0, day = 0;
  double xnodeo = 0, omegao = 0;
  // The arguments handed to DPINIT.
  double eqsq = 0, siniq = 0, cosiq = 0, rteqsq = 0, aoArg = 0, cosq2 = 0, sinomo = 0, cosomo = 0,
         bsq = 0, xlldot = 0, omgdt = 0, xnodotArg = 0, xnodpArg = 0;

  // Lunar orientation for the epoch day PREEP.
  double preep = 0, zcosil = 0, zsinil = 0, zsinhl = 0, zcoshl = 0, zcosgl = 0, zsingl = 0,
         zmol = 0, zmos = 0;

  // Solar (S..) and lunar (..) periodic coefficients and the secular rates.
  double se2 = 0, se3 = 0, si2 = 0, si3 = 0, sl2 = 0, sl3 = 0, sl4 = 0, sgh2 = 0, sgh3 = 0,
         sgh4 = 0, sh2 = 0, sh3 = 0;
  double ee2 = 0, e3 = 0, xi2 = 0, xi3 = 0, xl2 = 0, xl3 = 0, xl4 = 0, xgh2 = 0, xgh3 = 0, xgh4 = 0,
         xh2 = 0, xh3 = 0;
  double sse = 0, ssi = 0, ssl = 0, ssg = 0, ssh = 0;

  // Resonance: flags, coefficients and the integrator.
  std::int32_t iresfl = 0, isynfl = 0;
  double rdel1 = 0, rdel2 = 0, rdel3 = 0;
  double d2201 = 0, d2211 = 0, d3210 = 0, d3222 = 0, d4410 = 0, d4422 = 0, d5220 = 0, d5232 = 0,
         d5421 = 0, d5433 = 0;
  double xfact = 0, xlamo = 0, atime = 0, xli = 0, xni = 0, delt = 0, stepp = 0, stepn = 0,
         step2 = 0;
  double xndot = 0, xnddt = 0, xldot = 0;

  // Periodic cache: time of the last computation and its components.
  double savtsn = 0;
  double ses = 0, sis = 0, sls = 0, sghs = 0, shs = 0, sel = 0, sil = 0, sll = 0, sghl = 0, shl = 0;
  double pe = 0, pinc = 0, pl = 0, pgh = 0, ph = 0;

  // Argument area of the DPSEC / DPPER entries.
  double argXll = 0, argOmgasm = 0, argXnodes = 0, argEm = 0, argXinc = 0, argXn = 0, argT = 0;

  // Kept by SDP4 beyond the published work area:
  // (XKE / XNODP)^(2/3), the semi-major axis factor of a set without resonance, whose mean
  // motion the secular terms leave alone (0 until formed).
  double aNoResonance = 0;
  // The decay tests (decay.h) run only beyond decayTestFrom minutes either side of the epoch
  // (negative until formed), or when the resonance raised the mean motion above decayXnBound,
  // the most that span assumed.
  double decayTestFrom = -1, decayXnBound = 0;
  // An angle of the Lyddane branch with its sine and cosine in extended precision, from which
  // the next call turns its own.
  struct TAngleCache {
    long double x = 0, s = 0, c = 1;
    bool set = false;
  };
  TAngleCache inclinationAngle, nodeAngle, periodicInclinationAngle;
};

// Runs SDP4 for `tsince` minutes after the epoch. When `initNeeded` is non-zero the
// model constants are computed first and `initNeeded` is cleared (before the
// deep-space initialisation, as the model prescribes; a failure during the constants
// leaves it set). Throws EMathError on a non-positive power base or an invalid
// operation, and EOrbitError when the time is not finite or too far from the epoch for
// the resonance integrator, or when the resulting state is not finite.
// When `down` is given it tells whether the elements at that time say the satellite has come
// down (decay.h); it is set before any failure those elements cause.
void SDP4(TDeepState& st, const TDeepElements& el, std::int32_t& initNeeded, double tsince,
          TDeepOutput& out, bool* down = nullptr);

// DEEP with its selector: 1 runs DPINIT, 2 DPSEC, 3 DPPER on the work area; any other
// selector does nothing.
void DeepSpace(TDeepState& st, const TDeepElements& el, int selector);

// The three entries: copy the arguments into the work area, run DeepSpace and copy
// the results back.
void DeepSpaceInit(TDeepState& st, const TDeepElements& el, double& eosq, double& siniq,
                   double& cosiq, double& betao, double& aodp, double& theta2, double& sing,
                   double& cosg, double& betao2, double& xmdot, double& omgdot, double& xnodot,
                   double& xnodp);
void DeepSpaceSecular(TDeepState& st, const TDeepElements& el, double& xll, double& omgasm,
                      double& xnodes, double& em, double& xinc, double& xn, double t);
void DeepSpacePeriodic(TDeepState& st, const TDeepElements& el, double& em, double& xinc,
                       double& omgasm, double& xnodes, double& xll);

}  // namespace orbit
