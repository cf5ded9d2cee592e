// SGP4 near-Earth propagation model (Spacetrack Report No. 3), with its derived
// constants kept per satellite.
#pragma once

#include "orbittypes.h"

namespace orbit {

class TSatellite;

// Propagates a near-Earth satellite `tsince` minutes after its epoch (negative before it).
// Position in Earth radii and velocity in Earth radii per minute, in the model's inertial
// frame; the magnitude components are left untouched. On the first call after the element
// set was parsed (sat.initNeeded set) the model constants are computed into sat.sgp4 and
// the flag is cleared. Stores the argument of latitude after the short-period correction
// (rad, not reduced) as sat.orbitPhase.
// Throws EMathError when the model fails ("Invalid argument in Function Power!" for a power
// of a base that is not positive, division by zero, square root of a negative number, a
// non-finite result); a failure during initialisation leaves sat.initNeeded set.
// When `down` is given it tells whether the elements at that time say the satellite has come
// down (decay.h); it is set before any failure those elements cause.
void SGP4(TSatellite& sat, double tsince, Vector& pos, Vector& vel, bool* down = nullptr);

}  // namespace orbit
