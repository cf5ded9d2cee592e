#include "dishgeometry.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "geosat.h"

namespace {

TEST(DishGeometry, GeostationarySatelliteSeenFromUtrecht) {
  for (bool modified : {true, false}) {
    SCOPED_TRACE(modified);
    const TDishInput in = geosat::Input(geosat::kObsLat, geosat::kObsLon, 19.2, 123.4, modified);
    TDishGeometry g;
    ASSERT_TRUE(CalcDishGeometry(in, g));
    EXPECT_NEAR(g.Elevation, 28.987, 1e-3);
    EXPECT_NEAR(g.Azimuth, 162.379, 1e-3);
    EXPECT_NEAR(g.PolAngle, 10.721, 1e-3);
    EXPECT_NEAR(g.HA, 15.49, 5e-3);
    EXPECT_NEAR(g.Declination, -7.47, 5e-3);
    EXPECT_NEAR(g.RelLongitude, 19.2 - 5.133, 1e-12);
    EXPECT_NEAR(g.LclStarTime, 123.4 + 5.133, 1e-9);
    EXPECT_NEAR(std::hypot(g.ObsX, g.ObsY), kEarthRadiusKm * std::cos(52.083 * M_PI / 180), 1e-6);
    EXPECT_NEAR(g.DecHorPlane, 90 - 52.083 - std::fabs(g.Declination), 1e-9);
    EXPECT_NEAR(g.PolAxCorr, modified ? 0.6605 : 0.0, 1e-4);
    EXPECT_NEAR(g.PolAxis, modified ? 37.2564 : 37.917, 1e-3);
  }
}

TEST(DishGeometry, SatelliteOnTheMeridian) {
  const TDishInput in = geosat::Input(geosat::kObsLat, geosat::kObsLon, geosat::kObsLon, 10.0, true);
  TDishGeometry g;
  ASSERT_TRUE(CalcDishGeometry(in, g));
  EXPECT_NEAR(g.TheoDeclination, 7.4951, 1e-4);
  EXPECT_NEAR(g.PolAxCorr, 0.6605, 1e-4);
  EXPECT_NEAR(g.PolAxis, 37.2564, 1e-3);
  EXPECT_NEAR(g.HA, 0.0, 1e-9);
  EXPECT_NEAR(g.Azimuth, 180.0, 1e-9);
  EXPECT_NEAR(g.PolAngle, 0.0, 1e-12);
  // In the meridian the look direction's declination is the dish's declination.
  EXPECT_NEAR(g.Declination, -g.TheoDeclination, 2e-3);
}

TEST(DishGeometry, HourAngleStaysInHalfOpenRange) {
  // Local sidereal time near 0 and the satellite west: the difference wraps.
  for (double st : {0.0, 359.9, 180.0, 725.0, -30.0}) {
    for (double lon : {-170.0, -30.0, 5.133, 100.0, 179.0}) {
      TDishGeometry g;
      ASSERT_TRUE(CalcDishGeometry(geosat::Input(45.0, 5.133, lon, st, false), g));
      EXPECT_GT(g.HA, -180.0);
      EXPECT_LE(g.HA, 180.0);
      EXPECT_GE(g.LclStarTime, 0.0);
      EXPECT_LT(g.LclStarTime, 360.0);
    }
  }
}

TEST(DishGeometry, MathsFailuresAreReported) {
  struct Case {
    const char* what;
    void (*change)(TDishInput&);
  };
  const Case cases[] = {
      {"latitude 0: tan of the latitude is 0", [](TDishInput& in) { in.ObsLat = 0; }},
      {"non-finite elevation", [](TDishInput& in) { in.ElevationRad = std::numeric_limits<double>::infinity(); }},
      {"NaN position", [](TDishInput& in) { in.X = std::numeric_limits<double>::quiet_NaN(); }},
      {"NaN star time", [](TDishInput& in) { in.StarTime = std::numeric_limits<double>::quiet_NaN(); }},
      {"altitude cancelling the divisor",
       [](TDishInput& in) { in.Altitude = -kEarthRadiusKm * (1 - std::cos(in.ObsLat * M_PI / 180)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDishInput in = geosat::Input(52.083, 5.133, 19.2, 50.0, true);
    c.change(in);
    TDishGeometry g;
    EXPECT_FALSE(CalcDishGeometry(in, g));
  }
}

TEST(DishGeometry, SouthernObserverUsesMagnitudes) {
  TDishGeometry g;
  ASSERT_TRUE(CalcDishGeometry(geosat::Input(-33.9, 18.4, 19.2, 40.0, true), g));
  EXPECT_LT(g.TheoDeclination, 0);
  double north;
  ASSERT_TRUE(ModifiedPolarMountCorrection(33.9, north));
  EXPECT_GT(north, 0);
  EXPECT_NEAR(g.PolAxCorr, -north, 1e-12);
  EXPECT_NEAR(g.PolAxis, 90 - 33.9 - std::fabs(g.PolAxCorr), 1e-12);
}

struct FitCase {
  const char* what;
  std::vector<TPulsePoint> points;
  int count;
  double slope, intercept, correlation;
};

TEST(PulseFit, Table) {
  const FitCase cases[] = {
      {"two points", {{10, 1000}, {20, 2000}}, 2, 100, 0, 1},
      {"three points", {{-10, 500}, {0, 1000}, {10, 1600}}, 3, 55, 1033.3333333, 0.9986254},
      {"falling line", {{-20, 3000}, {20, 1000}}, 2, -50, 2000, -1},
      {"no points", {}, 0, 1e-9, 0, 0},
      {"one point", {{12, 345}}, 1, 1e-9, 0, 0},
      {"all hour angles equal", {{7.5, 100}, {7.5, 200}, {7.5, 300}}, -1, 1e-9, 0, 0},
      {"hour angles equal but not exact in binary", {{0.1, 100}, {0.1, 200}, {0.1, 900}}, -1, 1e-9, 0, 0},
      {"all pulse counts equal", {{1, 500}, {2, 500}}, -1, 1e-9, 0, 0},
      {"flat fit: slope 0 becomes 1e-9", {{-1, 0}, {0, 1}, {1, 0}}, 3, 1e-9, 1.0 / 3, 0},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TPulseFit f = FitPulseCounts(c.points);
    EXPECT_EQ(f.Count, c.count);
    EXPECT_NEAR(f.Slope, c.slope, 1e-9 + std::fabs(c.slope) * 1e-12);
    EXPECT_NEAR(f.Intercept, c.intercept, 1e-6);
    EXPECT_NEAR(f.Correlation, c.correlation, 1e-7);
    EXPECT_NE(f.Slope, 0.0);
  }
}

}  // namespace
