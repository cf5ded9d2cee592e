// Per-satellite state of the SGP4 near-Earth model: the derived constants of its
// initialisation (names as in Spacetrack Report No. 3).
#pragma once

#include <cstdint>

namespace orbit {

struct TSgp4State {
    double a1 = 0, cosio = 0, theta2 = 0, x3thm1 = 0, eosq = 0, betao2 = 0, betao = 0, del1 = 0, ao = 0,
           delo = 0, xnodp = 0, aodp = 0;
    std::int32_t isimp = 0;  // 1: simplified drag model (perigee below 220 km)
    double s4 = 0, qoms24 = 0, perige = 0, pinvsq = 0, tsi = 0, eta = 0, etasq = 0, eeta = 0, psisq = 0,
           coef = 0, coef1 = 0, c2 = 0, c1 = 0, sinio = 0, a3ovk2 = 0, c3 = 0, x1mth2 = 0, c4 = 0, c5 = 0,
           theta4 = 0, temp1 = 0, temp2 = 0, temp3 = 0, xmdot = 0, x1m5th = 0, omgdot = 0, xhdot1 = 0,
           xnodot = 0, omgcof = 0, xmcof = 0, xnodcf = 0, t2cof = 0, xlcof = 0, aycof = 0, delmo = 0,
           sinmo = 0, x7thm1 = 0;
    // Full model only.
    double c1sq = 0, d2 = 0, d3 = 0, d4 = 0, t3cof = 0, t4cof = 0, t5cof = 0;
    // Minutes either side of the epoch within which the elements cannot have the satellite
    // down (decay.h): the decay tests run only beyond. Negative until the first propagation
    // away from the epoch forms it.
    double decayTestFrom = -1;
};

}  // namespace orbit
