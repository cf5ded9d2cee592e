// The deep-space model on its own: branch selection, the resonance integrator, the
// periodic cache, the inclination thresholds and its failures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "mathtime.h"
#include "observer.h"
#include "orbittypes.h"
#include "propagate.h"
#include "satlist.h"
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

// The low-inclination branch turns its sines and cosines from those of the call before: a
// satellite propagated on in steps that each recompute the lunar-solar terms (more than 30
// minutes) lands within a micrometre of a fresh one asked the same time, also after jumps far
// enough for the angles to leave the last starting point.
TEST(Sdp4Periodics, LowInclinationStatesDoNotDependOnTheCallsBefore) {
  const struct {
    double inclDeg, nodeDeg;
  } cases[] = {{0.0145, 44.6}, {0.5, 300}, {3.0, 269.76}, {11.0, 40}};
  for (const auto& c : cases) {
    const TDeepElements el = Elements(1.0027, 0.0004, c.inclDeg, c.nodeDeg);
    TRun walked = Started(el);
    double worstKm = 0;
    auto compare = [&](double t) {
      walked.At(t);
      TRun fresh;
      fresh.el = el;
      fresh.At(t);
      worstKm = std::max(worstKm, DistanceKm(walked.out, fresh.out));
    };
    for (double t = 37; t < 3 * 1440; t += 37) compare(t);
    for (double t = 400 * 1440; t < 3000 * 1440; t += 400 * 1440 + 37) compare(t);
    EXPECT_LT(worstKm, 1e-9) << c.inclDeg;
  }
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

// States of five deep-space element sets (the report's sample case, geostationary at zero and
// three degrees of inclination, twelve-hour) as this model gave them with the C library's
// extended-precision trigonometry throughout, each propagated afresh from the epoch. The fast
// kernels keep every position within a micrometre and every velocity within a micrometre per
// second of these.
TEST(Sdp4Regression, StatesStayWithinAMicrometreOfTheExtendedPrecisionModel) {
  const struct {
    const char* line1;
    const char* line2;
  } sets[] = {
      {"1 11801U          80230.29629788  .01431103  00000-0  14311-1      13",
       "2 11801  46.7916 230.4354 7318036  47.4722  10.4117  2.28537848    13"},
      {"1 41882U 16077A   18020.54120315 -.00000327  00000-0  00000-0 0  9999",
       "2 41882   0.0145  44.5627 0009553  80.5691 294.1905  1.00275283  4208"},
      {"1 90101U 18001A   18020.50000000 -.00000100  00000-0  00000-0 0  9999",
       "2 90101   3.0000 300.0000 0002000  90.0000 100.0000  1.00271000    13"},
      {"1 90201U 18001A   18020.50000000  .00000000  00000-0  00000-0 0  9998",
       "2 90201  63.4000 120.0000 7000000 270.0000  10.0000  2.00600000    16"},
      {"1 90001U 99999A   25001.00000000  .00000000  00000-0  00000-0 0  9993",
       "2 90001   0.0000   0.0000 0000000   0.0000  25.8996  1.00273791    12"},
  };
  // Set, minutes after the epoch, position (km), velocity (km/s).
  const struct {
    int set;
    double minutes;
    double pos[3], vel[3];
  } states[] = {
    {0, 0.0, {7473.372133507627, 428.95462548915538, 5828.7478667746636}, {5.1071528909727295, 6.4446828923129589, -0.1861318150991792}},
    {0, 4337.0, {5865.4242332601316, -1438.0509159814803, 5730.5317248974752}, {6.2241824888725832, 6.3111554383048096, 0.67090334185857969}},
    {0, -6192.0, {5383.8907075813631, 37563.514101394452, -20298.063071407527}, {-1.20673218051249, 0.11449037321633518, -1.0814904165430457}},
    {0, 86400.5, {-9258.900506514794, 8904.5475856658832, -12819.723866817463}, {-1.5052165892303586, -3.1710570472290112, 2.285662229983199}},
    {1, 0.0, {21557.570727800288, 36216.18301609937, 1.8719309797817913}, {-2.6445182790307817, 1.5710065317397623, 0.0019527100589637975}},
    {1, 4337.0, {16812.010020502676, 38643.947968282242, 4.9561574924746825}, {-2.8218866668697169, 1.224911477861206, 0.0019149392486581046}},
    {1, -6192.0, {25415.465683299364, -33692.090812320421, -25.057965454521447}, {2.4522698221431605, 1.8499942502709514, -0.00020331250862652646}},
    {1, 86400.5, {-18602.833258784456, 37802.293560375976, 47.044206126774029}, {-2.7608888532434799, -1.3592376274524378, 0.001934049500030893}},
    {1, 1440000.0, {21209.048010428676, -36492.038366434266, -947.6846545697814}, {2.6560378074799385, 1.5424550001578108, -0.0011434526055734769}},
    {2, 0.0, {-27115.104941922433, 32289.391536142863, -368.48208842621148}, {-2.3509197220097318, -1.975172732284721, -0.15816103236259368}},
    {2, 4337.0, {-30948.207555355428, 28632.687273680389, -639.80305418769876}, {-2.0841058216896635, -2.2551680430752423, -0.15316921280785689}},
    {2, -6192.0, {40090.118048544085, 12856.417756299119, 2156.7803615197467}, {-0.94090242048710648, 2.9276309373475904, 0.035391976987267426}},
    {2, 86400.5, {-41256.851717096935, -8474.0923435557906, -2010.5792434307996}, {0.62047217603735394, -3.0107110863865247, -0.047087398584229757}},
    {2, 1440000.0, {-10389.858966203752, 40889.214148676379, 156.55433836533069}, {-2.9790322788152426, -0.756200718906756, -0.055053891600934254}},
    {3, 0.0, {-3074.6892115118867, 9244.6904967710725, -3930.7374625296311}, {-4.9373023654120818, 4.1407681894854935, 4.3997917666296882}},
    {3, 4337.0, {-10122.079948232969, 13096.906128579909, 4615.722795572231}, {-3.0799601060935244, 0.73435680100964518, 4.6216687585692791}},
    {3, -6192.0, {-20166.152898353852, -4012.1668116054825, 38779.592047725477}, {0.47295246616681236, -1.5387615552093672, 0.74896459651334524}},
    {3, 86400.5, {-20365.148547900957, -2413.6431730039412, 39359.147232031319}, {0.32831637513716594, -1.5705110378228966, 0.61073791675369093}},
    {3, 1440000.0, {-3306.9448817383914, 20051.159680170334, 40351.219005149389}, {-1.4862774713505937, -0.27790743200530743, -0.57352789767473555}},
    {4, 0.0, {37928.908426636845, 18416.626449438703, 1.9967177484759573}, {-1.3430115651940782, 2.7659224177549526, 0.0013603520594260325}},
    {4, 4337.0, {35305.088830510882, 23050.978562630469, -0.278380886326135}, {-1.6809503498849412, 2.5745588622909188, -0.001003904888539656}},
    {4, -6192.0, {2654.7986278904673, -42079.609936518755, -18.419467402683452}, {3.068650111696102, 0.19360080203823898, 0.00010167723192553208}},
    {4, 86400.5, {4709.4341535224121, 41905.159201053604, -14.127870177940414}, {-3.0553101036196675, 0.34336557928991102, 0.00053176572692992859}},
    {4, 1440000.0, {15239.385152352443, -39316.240411155755, 10.273551371601675}, {2.8668124394851735, 1.1112063809032722, -0.00016614179548855176}},
  };
  for (const auto& s : states) {
    TSatellite sat;
    sat.ParseElements(sets[s.set].line1, sets[s.set].line2);
    ASSERT_TRUE(sat.deepSpace);
    Vector pos, vel;
    if (s.set == 0 && s.minutes > 44 * 1440) {
      // The report's sample set comes down about 44 days after its epoch: the driver gives no
      // state after that, the model itself still computes one.
      EXPECT_THROW(PropagateSatellite(sat, sat.epoch + s.minutes / 1440, pos, vel), EDecayError);
      TSatellite raw;
      raw.ParseElements(sets[s.set].line1, sets[s.set].line2);
      const TDeepElements el{raw.meanAnomaly, raw.raan,       raw.argPerigee, raw.eccentricity,
                             raw.inclination, raw.meanMotion, raw.bstar,      raw.epochText};
      TDeepOutput out;
      const double jd = raw.epoch + s.minutes / 1440;
      SDP4(raw.deep.Ensure(), el, raw.initNeeded, (jd - raw.epoch) * 1440.0, out);
      pos = Vector{out.x, out.y, out.z};
      vel = Vector{out.xdot, out.ydot, out.zdot};
    } else {
      PropagateSatellite(sat, sat.epoch + s.minutes / 1440, pos, vel);
    }
    StateToKm(pos, vel);
    const double p[3] = {pos.x, pos.y, pos.z}, v[3] = {vel.x, vel.y, vel.z};
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(p[k], s.pos[k], 1e-9) << "set " << s.set << " at " << s.minutes << " min";
      EXPECT_NEAR(v[k], s.vel[k], 1e-9) << "set " << s.set << " at " << s.minutes << " min";
    }
  }
}

}  // namespace
}  // namespace orbit
