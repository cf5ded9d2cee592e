// The obstacle calculator's arithmetic: bounds of the edits, spin steps, the height from a
// shadow, the three solving double-clicks and the tree's place on the plot.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "obstaclecalc.h"

namespace {

using E = TObstEdit;

struct TTextCase {
  E Edit;
  const char* Text;
  const char* Expected;
};

TEST(ObstacleCalc, LeavingAnEditBoundsItsValue) {
  const TTextCase cases[] = {
      {E::Height, "0", "0.5"},          {E::Height, "5000", "1000.0"},     {E::Height, "abc", "6.0"},
      {E::Height, "", "6.0"},           {E::Height, " 12.25 ", "12.25"},   {E::Height, "-3", "0.5"},
      {E::Height, "0.0001", "0.0"},     // exactly the bound stays (shown with three decimals at most)
      {E::Height, "12,5", "6.0"},       // only '.' is a decimal point
      {E::Distance, "xyz", "10.0"},     {E::Distance, "0.00009", "0.5"},   {E::Distance, "1000.4", "1000.0"},
      {E::DishHeight, "0", "0.0"},      {E::DishHeight, "-2.5", "-2.5"},   {E::DishHeight, "?", "1.0"},
      {E::DishHeight, "1e300", "1000.0"},
      {E::DishHeight, "-1e300", "-1000.0"},  // an unbounded depth is cut at 1000 m
      {E::Shadow, "letters", "0.5"},    {E::Shadow, "7.1234", "7.123"},    {E::Shadow, "2000", "1000.0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ObstEditText(ObstExitValue(c.Edit, c.Text)), c.Expected) << static_cast<int>(c.Edit) << " " << c.Text;
}

struct TSpinCase {
  E Edit;
  const char* Text;
  bool Up;
  const char* Expected;
};

TEST(ObstacleCalc, SpinStepsHalfAMetre) {
  const TSpinCase cases[] = {
      {E::DishHeight, "0.5", false, "0.0"},  {E::DishHeight, "0.0", false, "-0.5"},
      {E::Distance, "0.5", false, "0.5"},    {E::Height, "0.3", false, "0.5"},
      {E::Height, "11.0", true, "11.5"},     {E::Shadow, "999.8", true, "1000.0"},
      {E::Distance, "bad", true, "6.5"},     {E::DishHeight, "bad", false, "5.5"},  // 6.0 for every edit
      {E::DishHeight, "-1000", false, "-1000.0"},
      {E::Height, "5000", false, "4999.5"},  // the step down alone does not bound from above
  };
  for (const auto& c : cases)
    EXPECT_EQ(ObstEditText(ObstSpinValue(c.Edit, c.Text, c.Up)), c.Expected)
        << static_cast<int>(c.Edit) << " " << c.Text << (c.Up ? " up" : " down");
}

TEST(ObstacleCalc, HeightFromAShadow) {
  // 10 m of shadow at 45 degrees: 10 m high.
  ASSERT_TRUE(ShadowObstacleHeight(45, 10).has_value());
  EXPECT_NEAR(*ShadowObstacleHeight(45, 10), 10.0, 1e-9);
  EXPECT_NEAR(*ShadowObstacleHeight(30, 10), 10 * std::tan(M_PI / 6), 1e-9);
  // The sun down or on the horizon: no height.
  EXPECT_FALSE(ShadowObstacleHeight(0, 10).has_value());
  EXPECT_FALSE(ShadowObstacleHeight(-12, 10).has_value());
  EXPECT_FALSE(ShadowObstacleHeight(std::numeric_limits<double>::quiet_NaN(), 10).has_value());
  // Out of 0.0001 .. 1000 m: 0.
  EXPECT_EQ(*ShadowObstacleHeight(80, 500), 0.0);
  EXPECT_EQ(*ShadowObstacleHeight(89.9999999, 1), 0.0);
  EXPECT_EQ(*ShadowObstacleHeight(1e-9, 0.5), 0.0);
}

struct TSolveCase {
  const char* A;  // first edit read
  const char* B;  // second edit read
  double Elevation;
  const char* Expected;  // nullptr: nothing changes
};

TEST(ObstacleCalc, LargestObstacleHeight) {
  // dish height, distance
  const TSolveCase cases[] = {
      {"1", "20", 30, "12.54"},   // 1 + 20 tan 30 - 0.005 = 12.542
      {"2", "8", 20, "4.91"},      // 2 + 8 tan 20 - 0.005 = 4.907
      {"0", "5", -10, "0.01"},     // below the horizon: the least height, 0.005
      {"1", "abc", 30, nullptr},   {"", "20", 30, nullptr},
      {"1", "20", 90, nullptr},    // the tangent of 90 degrees
      {"1", "20", std::numeric_limits<double>::quiet_NaN(), nullptr},
      {"1,0", "20", 30, nullptr},  // a comma is no decimal point
  };
  for (const auto& c : cases) {
    const auto r = SolveObstacleHeight(c.A, c.B, c.Elevation);
    if (c.Expected) {
      ASSERT_TRUE(r.has_value()) << c.A << " " << c.B << " " << c.Elevation;
      EXPECT_EQ(*r, c.Expected);
    } else {
      EXPECT_FALSE(r.has_value()) << c.A << " " << c.B << " " << c.Elevation;
    }
  }
}

TEST(ObstacleCalc, SmallestObstacleDistance) {
  // obstacle height, dish height
  const TSolveCase cases[] = {
      {"11", "1", 45, "10.01"},   // 10 m, to the next centimetre
      {"12.54", "1", 30, "19.99"},
      {"0.5", "1", 30, "0.01"},   // an obstacle lower than the dish
      {"11", "1", 0, nullptr},    // the satellite on the horizon: a division by a zero tangent
      {"11", "1", 90, nullptr},   {"x", "1", 30, nullptr},
  };
  for (const auto& c : cases) {
    const auto r = SolveObstacleDistance(c.A, c.B, c.Elevation);
    if (c.Expected) {
      ASSERT_TRUE(r.has_value()) << c.A << " " << c.B << " " << c.Elevation;
      EXPECT_EQ(*r, c.Expected);
    } else {
      EXPECT_FALSE(r.has_value()) << c.A << " " << c.B << " " << c.Elevation;
    }
  }
}

TEST(ObstacleCalc, LowestDishHeight) {
  // obstacle height, distance
  const TSolveCase cases[] = {
      {"15", "20", 30, "3.46"},   // 15 - 11.547 = 3.453, to the next centimetre
      {"11", "20", 30, "0.01"},   // below the line from the ground at the satellite's elevation
      {"11", "10", 0, "11.01"},   // on the horizon the dish must clear the top
      {"11", "20", 90, nullptr},  {"11", "", 30, nullptr},
  };
  for (const auto& c : cases) {
    const auto r = SolveDishHeight(c.A, c.B, c.Elevation);
    if (c.Expected) {
      ASSERT_TRUE(r.has_value()) << c.A << " " << c.B << " " << c.Elevation;
      EXPECT_EQ(*r, c.Expected);
    } else {
      EXPECT_FALSE(r.has_value()) << c.A << " " << c.B << " " << c.Elevation;
    }
  }
}

struct TTreeCase {
  double Height, Dist, Scale;
  int OriginX, OriginY;
  TTreeRect Expected;
};

TEST(ObstacleCalc, TreeStandsAtTheObstacle) {
  const TTreeCase cases[] = {
      // 10 m at 10 px/m: 100 high, 100 x 120 / 303 + 2 = 41.6 -> 42 wide, centred at 20 m.
      {10, 20, 10, 30, 285, {30 + 200 - 21, 185, 42, 100}},
      // 11 m at 9.5 px/m: 104.5 -> 104 (half to even); 104 x 120 / 303 + 2 = 43.19 -> 43;
      // 190 - 21.5 = 168.5 -> 168.
      {11, 20, 9.5, 30, 300, {30 + 168, 300 - 104, 43, 104}},
      // No scale, no height, or values that are no numbers: nothing to show.
      {10, 20, 0, 30, 285, {30, 285, 0, 0}},
      {0, 20, 10, 30, 285, {30, 285, 0, 0}},
      {-5, 20, 10, 30, 285, {30, 285, 0, 0}},
      {std::nan(""), 20, 10, 30, 285, {30, 285, 0, 0}},
      {10, std::numeric_limits<double>::infinity(), 10, 30, 285, {30, 285, 0, 0}},
      {1e300, 20, 1e10, 30, 285, {30, 285, 0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TreeImageRect(c.Height, c.Dist, c.Scale, c.OriginX, c.OriginY), c.Expected)
        << c.Height << " " << c.Dist << " " << c.Scale;
  // A picture of other proportions sets the width: 128 x 128 gives a square tree plus 2 pixels.
  EXPECT_EQ(TreeImageRect(10, 20, 10, 30, 285, 128, 128), (TTreeRect{30 + 200 - 51, 185, 102, 100}));
  EXPECT_EQ(TreeImageRect(10, 20, 10, 30, 285, 0, 128).Width, 0);
}

}  // namespace
