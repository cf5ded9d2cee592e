// Propagation driver: runs the near-Earth (SGP4) or deep-space (SDP4) model of a
// satellite by its deep-space flag and keeps the orbit counters of the last
// propagation (orbit phase, revolution number, orbit position in revolutions).
#pragma once

#include "orbittypes.h"

namespace orbit {

class TSatellite;

// Propagates the satellite to a Julian date. Position in Earth radii, velocity in Earth
// radii per minute (inertial frame of the model); the magnitude components are left
// untouched (StateToKm fills them). Updates the satellite's model state, orbit phase,
// revolution number and orbit position in revolutions.
// Throws EMathError / EOrbitError when the model fails (the init-needed flag then stays
// set when the failure came during initialisation) and EOrbitError when the date is not
// finite or the resulting state vector is not finite, and EDecayError ("Satellite has
// decayed") when the satellite has come down: the position lies less than one Earth radius
// from the Earth's centre, or the model's elements at that time do (decay.h), or a decay was
// found before at a time between the epoch and this one (the satellite keeps the nearest
// such time on each side of the epoch until its elements are parsed again).
void PropagateSatellite(TSatellite& sat, double jd, Vector& pos, Vector& vel);

// 2 pi / (mean motion * 1440): the period in days from the element set's mean motion.
// Throws EMathError for a mean motion of 0.
double OrbitPeriodDays(const TSatellite& sat);

// Propagates, converts to km, locates the sub-point and looks from the observer.
// Angles in radians, range in km, range rate in km/s; southbound when the inertial
// velocity's z component is negative. Returns true when the elevation (refraction
// included) is strictly above the threshold (degrees).
bool ObserveSatellite(TSatellite& sat, TObserver observer, double jd, double thresholdDeg,
                      bool& southbound, double& azimuth, double& elevation, double& latitude,
                      double& longitude, double& range, double& rangeRate);

}  // namespace orbit
