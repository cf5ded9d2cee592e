// The deep-space model on its own: branch selection, the resonance integrator, the
// periodic cache, the inclination thresholds and its failures.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mathtime.h"
#include "observer.h"
#include "orbittypes.h"
#include "sdp4.h"

namespace orbit {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Elements of a satellite; angles in degrees, mean motion in revolutions per day.
TDeepElements Elements(double revPerDay, double ecc, double inclDeg, double nodeDeg = 40,
                       double argpDeg = 90, double meanAnomDeg = 100, double bstar = 0) {
  TDeepElements el;
  el.meanMotion = revPerDay * 2 * kPi / 1440;
  el.eccentricity = ecc;
  el.inclination = inclDeg * kPi / 180;
  el.raan = nodeDeg * kPi / 180;
  el.argPerigee = argpDeg * kPi / 180;
  el.meanAnomaly = meanAnomDeg * kPi / 180;
  el.bstar = bstar;
  el.epochText = 18020.5;
  return el;
}

struct TRun {
  TDeepElements el;
  TDeepState st;
  std::int32_t init = 1;
  TDeepOutput out;
  void At(double t) { SDP4(st, el, init, t, out); }
};

TRun Started(const TDeepElements& el) {
  TRun r;
  r.el = el;
  r.At(0);
  return r;
}

double DistanceKm(const TDeepOutput& a, const TDeepOutput& b) {
  return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) * XKMPER;
}

struct TResonanceCase {
  const char* what;
  double revPerDay, ecc;
  int iresfl, isynfl;
};

TEST(Sdp4Resonance, BranchByMeanMotionAndEccentricity) {
  const TResonanceCase cases[] = {
      {"geostationary", 1.0027, 0.0001, 1, 1},
      {"period about 1735 minutes", 0.83, 0.001, 1, 1},
      {"twelve hours, eccentricity 0.7", 2.006, 0.7, 1, 0},
      {"twelve hours, eccentricity 0.4", 2.006, 0.4, 0, 0},
      {"six hours", 4.0, 0.01, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TRun r = Started(Elements(c.revPerDay, c.ecc, 30));
    EXPECT_EQ(r.init, 0);
    EXPECT_EQ(r.st.iresfl, c.iresfl);
    EXPECT_EQ(r.st.isynfl, c.isynfl);
  }
}

// The synchronous band is open at both ends of the model mean motion.
TEST(Sdp4Resonance, SynchronousBandLimits) {
  const TRun base = Started(Elements(1.0027, 0.0001, 30));
  struct {
    double xnodp;
    int isynfl;
  } cases[] = {
      {0.0052359878, 0},    // just above the upper end
      {2 * kPi / 1200, 0},  // 1200 minutes
      {0.0052359876, 1},    // just inside
      {0.0034906586, 1},    // just inside the lower end
      {0.0034906584, 0},    // just below it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xnodp);
    TDeepState st = base.st;
    double eosq = st.eosq, siniq = st.sinio, cosiq = st.cosio, betao = st.betao, aodp = st.aodp;
    double theta2 = st.theta2, sing = st.sing, cosg = st.cosg, betao2 = st.betao2;
    double xmdot = st.xmdot, omgdot = st.omgdot, xnodot = st.xnodot, xnodp = c.xnodp;
    DeepSpaceInit(st, base.el, eosq, siniq, cosiq, betao, aodp, theta2, sing, cosg, betao2, xmdot,
                  omgdot, xnodot, xnodp);
    EXPECT_EQ(st.isynfl, c.isynfl);
    EXPECT_EQ(st.iresfl, c.isynfl);
  }
}

TEST(Sdp4Resonance, IntegratorMovesOnTheEpochGrid) {
  TRun r = Started(Elements(1.0027, 0.0002, 0.05));
  r.At(10000);
  EXPECT_EQ(r.st.atime, 9360);  // 13 steps; the last 640 minutes by the Taylor terms
  const TDeepOutput at10000 = r.out;

  // Back to 5000: whole steps toward the epoch.
  r.At(5000);
  EXPECT_EQ(r.st.atime, 4320);
  TRun fresh = Started(r.el);
  fresh.At(5000);
  EXPECT_EQ(fresh.st.atime, 4320);
  EXPECT_LT(DistanceKm(r.out, fresh.out), 0.01);

  // Across the epoch: restart from it.
  r.At(-100);
  EXPECT_EQ(r.st.atime, 0);
  TRun before = Started(r.el);
  before.At(-100);
  EXPECT_EQ(DistanceKm(r.out, before.out), 0);

  // Increasing times integrate on from where the integrator stands.
  r.At(10000);
  EXPECT_EQ(r.st.atime, 9360);
  EXPECT_LT(DistanceKm(r.out, at10000), 0.01);
  r.At(-10000);
  EXPECT_EQ(r.st.atime, -9360);
}

TEST(Sdp4Resonance, FarTimesFailInsteadOfStalling) {
  TRun r = Started(Elements(1.0027, 0.0002, 0.05));
  EXPECT_THROW(r.At(2e8), EOrbitError);
  EXPECT_THROW(r.At(std::numeric_limits<double>::quiet_NaN()), EOrbitError);
  EXPECT_THROW(r.At(std::numeric_limits<double>::infinity()), EOrbitError);
  r.At(1440);  // still usable
  EXPECT_TRUE(std::isfinite(r.out.x));
}

TEST(Sdp4Periodics, ReusedWithinThirtyMinutes) {
  TRun r = Started(Elements(2.28537848, 0.7318036, 46.7916));
  EXPECT_EQ(r.st.savtsn, 0);
  const double pl = r.st.pl;
  r.At(20);
  EXPECT_EQ(r.st.savtsn, 0);
  EXPECT_EQ(r.st.pl, pl);
  r.At(30);
  EXPECT_EQ(r.st.savtsn, 30);
  EXPECT_NE(r.st.pl, pl);
  r.At(0.5);  // 29.5 minutes from the last computation
  EXPECT_EQ(r.st.savtsn, 30);
  r.At(-0.5);
  EXPECT_EQ(r.st.savtsn, -0.5);
}

TEST(Sdp4Init, NodeTermDroppedBelowThreeDegrees) {
  EXPECT_EQ(Started(Elements(1.0027, 0.0002, 2.0)).st.ssh, 0);
  EXPECT_NE(Started(Elements(1.0027, 0.0002, 10.0)).st.ssh, 0);
  EXPECT_NE(Started(Elements(1.0027, 0.0002, 12.0)).st.ssh, 0);
}

// An inclination of exactly 0 divides 0 by 0 in the published initialisation; here the
// node rates stay 0 and the state is finite.
TEST(Sdp4Init, ZeroInclinationAndEccentricityAreFinite) {
  TRun r = Started(Elements(1.00273791, 0, 0, 0, 0, 25.8996));
  EXPECT_EQ(r.st.ssh, 0);
  EXPECT_TRUE(std::isfinite(r.st.ssg));
  for (double t = 0; t <= 30 * 1440; t += 97) {
    r.At(t);
    const double radius = std::hypot(r.out.x, r.out.y, r.out.z) * XKMPER;
    ASSERT_NEAR(radius, 42164, 30) << t;
    ASSERT_LT(std::fabs(r.out.z) * XKMPER, 0.002 * radius) << t;  // within about 0.1 deg
  }
}

TEST(Sdp4Failure, EccentricityDrivenOutOfRangeFailsClearly) {
  // Perigee below the surface (eta near 1): the drag terms explode within minutes and drive
  // the eccentricity far out of (-1, 1). Without the check the state would be NaN.
  TRun r = Started(Elements(6, 0.5, 50, 40, 270, 0, 0.5));
  EXPECT_THROW(r.At(10), EOrbitError);
}

TEST(Sdp4Failure, NonPositiveMeanMotionFailsDuringInitialisation) {
  TDeepElements el = Elements(1.0027, 0.0002, 5);
  el.meanMotion = 0;
  TRun r;
  r.el = el;
  EXPECT_THROW(r.At(0), EMathError);
  EXPECT_EQ(r.init, 1);
}

}  // namespace
}  // namespace orbit
