// Propagation driver: model selection and the orbit counters of the last propagation.

#include "propagate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "mathtime.h"
#include "observer.h"
#include "satlist.h"
#include "sdp4.h"
#include "sgp4.h"

namespace orbit {

namespace {

void RunDeepSpace(TSatellite& sat, double tsince, Vector& pos, Vector& vel, bool& down) {
  TDeepElements el;
  el.meanAnomaly = sat.meanAnomaly;
  el.raan = sat.raan;
  el.argPerigee = sat.argPerigee;
  el.eccentricity = sat.eccentricity;
  el.inclination = sat.inclination;
  el.meanMotion = sat.meanMotion;
  el.bstar = sat.bstar;
  el.epochText = sat.epochText;
  TDeepOutput out;
  SDP4(sat.deep.Ensure(), el, sat.initNeeded, tsince, out, &down);
  pos.x = out.x;
  pos.y = out.y;
  pos.z = out.z;
  vel.x = out.xdot;
  vel.y = out.ydot;
  vel.z = out.zdot;
  sat.orbitPhase = out.uk;
}

// Orbit position in revolutions: the mean anomaly advanced to the date.
double OrbitPosition(const TSatellite& sat, double t) {
  const double k = static_cast<double>((-kTwoPiL * sat.firstDerivative) * t / 2.0L);
  const double m = static_cast<double>(
      static_cast<long double>(sat.meanMotion) * t * (1.0L - 3.0L * k) + sat.meanAnomaly);
  return static_cast<double>(m / kTwoPiL + sat.revAtEpoch);
}

bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

double OrbitPeriodDays(const TSatellite& sat) {
  const long double perDay = static_cast<long double>(sat.meanMotion) * 1440.0L;
  return static_cast<double>(CheckedDiv(kTwoPiL, perDay));
}

void PropagateSatellite(TSatellite& sat, double jd, Vector& pos, Vector& vel) {
  if (!std::isfinite(jd)) throw EOrbitError("Propagation date is not a finite number");

  // 1. Minutes since the epoch.
  const double t = (jd - sat.epoch) * 1440.0;

  // A satellite found down stays down: no state beyond a decay already seen, counting away
  // from the epoch (the models' elements may come back into range after it).
  if (t >= sat.decayAfter || t <= sat.decayBefore) throw EDecayError(kMsgDecayed);

  // The orbit counters but for the phase depend on the date and the element set alone. The
  // near-Earth step ends on its longest chain of dependent operations, so there they are formed
  // before the model runs, to be worked out beside that chain (and stored only if the model
  // succeeds). The period is formed with the model constants, on the first propagation.
  const bool initialising = sat.initNeeded != 0;
  const bool countersFirst = !sat.deepSpace && !initialising && sat.periodDays > 0;
  double orbitPos = 0, revolutions = 0;
  if (countersFirst) {
    orbitPos = OrbitPosition(sat, t);
    revolutions = (jd - sat.epoch) / sat.periodDays + sat.revAtEpoch;
  }

  // 2. The model by the deep-space flag; it stores the argument of latitude as the phase. It
  // also tells whether its elements at t have the satellite down (drag past the end of the
  // orbit, the perigee inside the Earth): a failure of the model then is the decay too.
  Vector p = pos, v = vel;
  bool down = false;
  try {
    try {
      if (sat.deepSpace)
        RunDeepSpace(sat, t, p, v, down);
      else
        SGP4(sat, t, p, v, &down);
    } catch (const EOrbitError&) {
      if (down) throw EDecayError(kMsgDecayed);
      throw;
    }
    if (down) throw EDecayError(kMsgDecayed);
    if (!Finite(p) || !Finite(v) || !std::isfinite(sat.orbitPhase))
      throw EOrbitError("Propagation gave a state vector that is not finite");
    // A position inside the Earth (in Earth radii) is no position of a satellite.
    if (p.x * p.x + p.y * p.y + p.z * p.z < 1.0) throw EDecayError(kMsgDecayed);
  } catch (const EDecayError&) {
    if (t >= 0)
      sat.decayAfter = std::min(sat.decayAfter, t);
    else
      sat.decayBefore = std::max(sat.decayBefore, t);
    throw;
  }

  // 3. A negative phase is raised by one turn.
  if (sat.orbitPhase < 0) sat.orbitPhase = static_cast<double>(sat.orbitPhase + kTwoPiL);

  // 4.-5. Revolution number: revolutions since the epoch plus the count at the epoch,
  // with the phase counting from the ascending node.
  if (!countersFirst) {
    if (initialising || !(sat.periodDays > 0)) sat.periodDays = OrbitPeriodDays(sat);
    revolutions = (jd - sat.epoch) / sat.periodDays + sat.revAtEpoch;
    orbitPos = OrbitPosition(sat, t);
  }
  // Truncation toward zero (the conversion); a revolution number beyond +-(2^31 - 1) fails.
  const double b = static_cast<double>(0.5L - sat.orbitPhase / kTwoPiL);
  const double sum = revolutions + b;
  if (!(sum > -2147483648.0 && sum < 2147483648.0))
    throw EOrbitError("Revolution number out of range for the propagation date");
  sat.revNumber = static_cast<std::int32_t>(sum);

  // 6. Orbit position in revolutions.
  sat.orbitPos = orbitPos;

  pos.x = p.x;
  pos.y = p.y;
  pos.z = p.z;
  vel.x = v.x;
  vel.y = v.y;
  vel.z = v.z;
}

bool ObserveSatellite(TSatellite& sat, TObserver observer, double jd, double thresholdDeg,
                      bool& southbound, double& azimuth, double& elevation, double& latitude,
                      double& longitude, double& range, double& rangeRate) {
  const double threshold = static_cast<double>(thresholdDeg * 2.0L * kPiL / 360.0L);
  Vector pos, vel;
  PropagateSatellite(sat, jd, pos, vel);
  ScaleStateToKm(pos, vel);
  const TGeodetic geo = GeodeticOfState(pos, jd);
  TLookAngles look;
  bool visible = false;
  LookAngles(pos, vel, observer, jd, look, visible);
  southbound = vel.z < 0;
  azimuth = look.azimuth;
  elevation = look.elevation;
  latitude = geo.lat;
  longitude = geo.lon;
  range = look.range;
  rangeRate = look.rangeRate;
  return elevation > threshold;
}

}  // namespace orbit
