#include "dishplots.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "plotstestutil.h"

using namespace plotstest;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- obstacle plot ---------------------------------------------------------------------------

class ObstPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    // Plot area 200 pixels high; 316 wide before scaling.
    plot.resize(400, 225);
    Set(6, 10, 1, 20);
  }
  void Set(double obstHeight, double dist, double dishHeight, double elevation) {
    plot.ObstHeight = obstHeight;
    plot.ObstDist = dist;
    plot.DishHeight = dishHeight;
    plot.Elevation = elevation;
    plot.CalcScale();
  }
  // Red pixels of the line of sight and how many columns they span.
  static std::pair<size_t, int> RedLine(const QImage& img) {
    const auto red = PixelsOf(img, kRed);
    int lo = img.width(), hi = -1;
    for (const QPoint& p : red) {
      lo = std::min(lo, p.x());
      hi = std::max(hi, p.x());
    }
    return {red.size(), hi - lo + 1};
  }
  TAppFirst app_;
  TObstPlot plot;
};

TEST_F(ObstPlotTest, LayoutOfTheWorkedExample) {
  EXPECT_DOUBLE_EQ(plot.RangeX, 10);
  EXPECT_DOUBLE_EQ(plot.RangeY, 7);
  EXPECT_NEAR(plot.ObstAngle, 26.56505117707799, 1e-12);
  EXPECT_DOUBLE_EQ(plot.Scale, 200.0 / 7);  // the height decides: 316 / 10 is more
  EXPECT_EQ(plot.PlotWidth, 286);
  EXPECT_EQ(plot.PlotHeight, 200);
  EXPECT_EQ(plot.OriginX, 30);
  EXPECT_EQ(plot.OriginY, 210);
}

TEST_F(ObstPlotTest, RangeUpIsOneMetreAboveTheHigherAndAtLeastThree) {
  const struct {
    double dish, obst, rangeY;
  } cases[] = {{1, 1, 3}, {1.9, 0.5, 3}, {0.5, 1.99, 3}, {0.5, 2.5, 3.5}, {4, 1, 5}, {-3, 0.5, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.obst);
    Set(c.obst, 10, c.dish, 20);
    EXPECT_DOUBLE_EQ(plot.RangeY, c.rangeY);
    EXPECT_NEAR(plot.ObstAngle, std::atan((c.obst - c.dish) / 10) * 180 / M_PI, 1e-12);
  }
}

TEST_F(ObstPlotTest, BlockedSatelliteIsDrawnDotted) {
  const struct {
    double elevation;
    bool blocked;
    QPoint end;  // far end of the line of sight
  } cases[] = {
      {20, true, {384, 52}},   // 129 pixels up over 355 across (the height scale covers x = 385)
      {30, false, {326, 10}},  // stopped at the top margin
      {90, false, {30, 10}},   // straight up
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.elevation);
    Set(6, 10, 1, c.elevation);
    const QImage& img = plot.Render();
    Save(img, "obstplot-elev" + std::to_string(int(c.elevation)) + ".png");
    EXPECT_TRUE(Is(img, c.end.x(), c.end.y(), kRed));
    const auto [count, span] = RedLine(img);
    if (c.elevation == 90) continue;
    if (c.blocked)
      EXPECT_LT(count, span * 6 / 10);
    else
      EXPECT_GT(count, span * 9 / 10);
  }
}

TEST_F(ObstPlotTest, ScalesEndOneTickBeyondDistanceAndHeight) {
  const QImage& img = plot.Render();
  // Ground line from 15 to 385, the mast 3 pixels wide up to its top at 181.
  EXPECT_TRUE(Is(img, 15, 210, kBlack));
  EXPECT_TRUE(Is(img, 385, 210, kBlack));
  EXPECT_TRUE(Is(img, 31, 182, kBlack));
  // The obstacle's top angle, dotted, stopped at the top margin.
  EXPECT_TRUE(Is(img, 372, 10, kBlack));
  // Distance ticks every 28.6 pixels; long at 0, 5 and 10 m, the last at 11 m.
  for (int x : {30, 173, 316}) EXPECT_TRUE(Is(img, x, 215, kBlack)) << x;
  EXPECT_TRUE(Is(img, 344, 212, kBlack));
  EXPECT_FALSE(Is(img, 344, 215, kBlack));
  for (int x = 345; x < 400; ++x) EXPECT_FALSE(Is(img, x, 212, kBlack)) << x;
  // Height ticks on the right; long at 5 m, the last at 7 m, joined down to the ground.
  EXPECT_TRUE(Is(img, 390, 67, kBlack));
  EXPECT_TRUE(Is(img, 387, 10, kBlack));
  for (int y = 0; y < 10; ++y) EXPECT_FALSE(Is(img, 387, y, kBlack)) << y;
  for (int y = 10; y <= 210; ++y) EXPECT_TRUE(Is(img, 385, y, kBlack)) << y;
}

TEST_F(ObstPlotTest, NothingIsDrawnWithoutObstacleOrRoom) {
  const QRgb bg = plot.Background().rgb() & 0xFFFFFF;
  const auto blank = [&] { return PixelsOf(plot.Render(), bg).size() == 400u * 225u; };
  TObstPlot fresh;
  fresh.resize(400, 225);
  fresh.ObstHeight = 6;  // no scale yet
  EXPECT_EQ(PixelsOf(fresh.Render(), bg).size(), 400u * 225u);
  Set(0, 10, 1, 20);
  EXPECT_TRUE(blank());
  Set(6, -10, 1, 20);  // scale below 0
  EXPECT_TRUE(blank());
  plot.resize(40, 20);  // smaller than the margins
  Set(6, 10, 1, 20);
  EXPECT_LE(plot.Scale, 0);
  EXPECT_EQ(PixelsOf(plot.Render(), bg).size(), 40u * 20u);
}

TEST_F(ObstPlotTest, ZeroDistanceGivesTheLimitAngleAndNoDrawing) {
  const struct {
    double obst, dish, angle;
  } cases[] = {{6, 1, 90}, {1, 6, -90}, {2, 2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.angle);
    Set(6, 10, 1, 20);  // a usable layout first: nothing of it may stay
    ASSERT_GT(plot.Scale, 0);
    Set(c.obst, 0, c.dish, 20);
    EXPECT_EQ(plot.ObstAngle, c.angle);
    EXPECT_EQ(plot.Scale, 0);
    EXPECT_TRUE(PixelsOf(plot.Render(), kRed).empty());
  }
  Set(kNaN, 10, 1, 20);
  EXPECT_EQ(plot.ObstAngle, 0);
  EXPECT_EQ(plot.Scale, 0);
}

TEST_F(ObstPlotTest, FarDistancesAndUnusableElevationsEndTheDrawingQuickly) {
  const auto start = std::chrono::steady_clock::now();
  Set(6, 1e300, 1, 20);  // far below a pixel per metre: the ticks are capped
  ASSERT_GT(plot.Scale, 0);
  EXPECT_TRUE(Is(plot.Render(), 200, 210, kBlack));
  Set(6, 10, 1, kNaN);
  const QImage& img = plot.Render();
  EXPECT_TRUE(Is(img, 200, 210, kBlack));  // ground and mast stay
  EXPECT_TRUE(PixelsOf(img, kRed).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// ---- angle plot ------------------------------------------------------------------------------

class AnglePlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    plot.resize(300, 200);  // centre 150, base line 180, dish 40 pixels
  }
  const QImage& Draw(double lat, double azimuth, int help = hiNone) {
    plot.ObsLat = lat;
    plot.Azimuth = azimuth;
    plot.HelpItem = help;
    rec.clear();
    plot.Canvas().SetTextRecorder(&rec);
    const QImage& img = plot.Render();
    plot.Canvas().SetTextRecorder(nullptr);
    return img;
  }
  TAppFirst app_;
  TAnglePlot plot;
  std::vector<TTextCall> rec;
};

TEST_F(AnglePlotTest, WordsFollowTheHemisphere) {
  const struct {
    double lat;
    const char *top, *left, *right;
  } cases[] = {{52, "South", "East", "West"}, {0, "North", "West", "East"}, {-33, "North", "West", "East"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lat);
    Draw(c.lat, 180);
    ASSERT_EQ(rec.size(), 3u);
    const int topWidth = plot.Canvas().TextWidth(c.top);
    EXPECT_EQ(rec[0].Text, c.top);
    EXPECT_EQ(QPoint(rec[0].X, rec[0].Y), QPoint(150 - topWidth / 2, 5));
    EXPECT_EQ(rec[1].Text, c.left);
    EXPECT_EQ(QPoint(rec[1].X, rec[1].Y), QPoint(5, 181));
    EXPECT_EQ(rec[2].Text, c.right);
    EXPECT_EQ(QPoint(rec[2].X, rec[2].Y), QPoint(295 - plot.Canvas().TextWidth(c.right), 181));
  }
}

TEST_F(AnglePlotTest, DishPointsAlongTheAzimuth) {
  const struct {
    double lat, azimuth;
    QPoint far;       // start of the direction line
    QPoint armMid;    // a point on a feed arm
    bool symmetric;   // the picture mirrors about the centre line
    const char* file;
  } cases[] = {
      // Due south from the north: straight up towards "South".
      {52, 180, {150, 5}, {135, 153}, true, "angleplot-south.png"},
      // South-east from the north: up and to the left, towards "East", ending at the side margin.
      {52, 135, {5, 35}, {142, 150}, false, "angleplot-southeast.png"},
      // Due north from the south: straight up towards "North".
      {-33, 0, {150, 5}, {166, 153}, true, "angleplot-north.png"},
      // Due east from the south: flat to the right.
      {-33, 90, {295, 180}, {176, 166}, false, "angleplot-east.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QImage& img = Draw(c.lat, c.azimuth);
    Save(img, c.file);
    EXPECT_TRUE(Is(img, c.far.x(), c.far.y(), kRed));
    EXPECT_TRUE(Near(img, c.armMid.x(), c.armMid.y(), kBlack));
    if (c.symmetric) {
      for (const QPoint& p : PixelsOf(img, kRed)) EXPECT_EQ(p.x(), 150);
      // The dish (the texts below the base line aside) is about as wide on either side.
      int left = 0, right = 0;
      for (int y = 100; y < 180; ++y)
        for (int x = 100; x < 150; ++x) {
          left += Is(img, x, y, kBlack);
          right += Is(img, 300 - x, y, kBlack);
        }
      EXPECT_GT(left, 40);
      EXPECT_NEAR(left, right, left / 10);
    }
  }
}

TEST_F(AnglePlotTest, AzimuthHelpDrawsBothLegsDottedBlue) {
  const QImage& img = Draw(52, 135, hiAzimuth);
  Save(img, "angleplot-help.png");
  EXPECT_TRUE(PixelsOf(img, kRed).empty());
  EXPECT_TRUE(Is(img, 5, 35, kBlue));
  EXPECT_TRUE(Is(img, 150, 6, kBlue));
  // Dotted: three on, three off along the diagonal.
  int blue = 0;
  for (int i = 0; i <= 145; ++i) blue += Is(img, 5 + i, 35 + i, kBlue);
  EXPECT_NEAR(blue, 73, 3);
}

TEST_F(AnglePlotTest, UnusableAzimuthLeavesTheFrame) {
  const QImage& img = Draw(52, kNaN);
  EXPECT_EQ(rec.size(), 3u);
  EXPECT_TRUE(Is(img, 150, 100, kBlack));
  EXPECT_TRUE(Is(img, 10, 180, kBlack));
  EXPECT_TRUE(PixelsOf(img, kRed).empty());
  plot.resize(6, 30);  // narrower than the margins: a level direction cannot be fitted
  Draw(52, 180);
  plot.resize(0, 0);
  EXPECT_TRUE(Draw(52, 180).isNull());
}

// ---- dish plot -------------------------------------------------------------------------------

class DishPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    plot.resize(300, 220);  // centre 150, base 200, R 65, pivot (150, 135)
    plot.ObsLat = 52;
    TSatPosRecord& s = sat.SatPos;
    s.PolAxis = 38;
    s.Declination = -6.5;
    s.PolAxCorr = 0.5;
    s.Elevation = 30;
    s.Azimuth = 170;
    s.PolAngle = 10;
    s.DecHorPlane = 31.5;
    plot.SetData(&sat);
  }
  TAppFirst app_;
  TDishPlot plot;
  TSat sat;
};

TEST_F(DishPlotTest, AnglesPerMount) {
  const struct {
    int mode;
    double lat, azimuth, polAngle, offset;
    double x, y, o, z;
  } cases[] = {
      {mmSimplifiedPolar, 52, 170, 10, 0, 38, 32, 0, 34},
      {mmSimplifiedPolar, 52, 170, 10, 20, 38, 12, 20, -6},
      {mmAzimuthal, 52, 170, 10, 20, 38, 10, 20, -10},
      // Due south with no polarisation the polar mount equals the simplified one.
      {mmPolar, 52, 180, 0, 20, 38, 12, 20, -6},
      {mmPolar, 52, 150, 12, 20, 34.08280069392244, 8.578183221300801, 19.596574201005296,
       -10.843633557398398},
      {mmPolar, -33, 20, 0, 0, 36.28493663460694, 30.28493663460694, 0, 30.56987326921388},
      // A mount index the combo box does not hold draws as the simplified polar mount.
      {-1, 52, 170, 10, 20, 38, 12, 20, -6},
      {255, 52, 170, 10, 20, 38, 12, 20, -6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.azimuth);
    plot.MountMode = c.mode;
    plot.ObsLat = c.lat;
    plot.DishOffset = c.offset;
    sat.SatPos.Azimuth = c.azimuth;
    sat.SatPos.PolAngle = c.polAngle;
    sat.SatPos.Elevation = c.mode == mmPolar && c.lat == 52 && c.azimuth == 150 ? 28 : 30;
    const TDishPlot::TAngles g = plot.Angles();
    EXPECT_NEAR(g.X, c.x, 1e-9);
    EXPECT_NEAR(g.Y, c.y, 1e-9);
    EXPECT_NEAR(g.O, c.o, 1e-9);
    EXPECT_NEAR(g.Z, c.z, 1e-9);
  }
}

TEST_F(DishPlotTest, FeedSitsAtTheFocusOnlyWithoutOffset) {
  for (double offset : {0.0, 20.0}) {
    SCOPED_TRACE(offset);
    plot.DishOffset = offset;
    const QImage& img = plot.Render();
    Save(img, offset == 0 ? "dishplot-nooffset.png" : "dishplot-offset.png");
    const TDishPlot::TPoints& p = plot.LastPoints();
    EXPECT_EQ(p.Pivot, QPoint(150, 135));
    EXPECT_EQ(p.R, 65);
    EXPECT_EQ(p.A, QPoint(160, 148));
    // The feed lies R from the reflector's centre at the offset angle below the dish's axis.
    const TDishPlot::TAngles g = plot.Angles();
    const double dx = p.L.x() - p.B.x(), dy = p.B.y() - p.L.y();
    EXPECT_NEAR(std::hypot(dx, dy), 65, 1);
    EXPECT_NEAR(std::atan2(dy, dx) * 180 / M_PI, g.Y - g.O, 1.5);
    // The arm from the first rim point to the focus.
    const QPoint mid((p.Rim1.x() + 2 * p.P.x()) / 3, (p.Rim1.y() + 2 * p.P.y()) / 3);
    if (offset == 0) {
      EXPECT_EQ(p.L, p.P);
      EXPECT_TRUE(Near(img, mid.x(), mid.y(), kBlack));
    } else {
      EXPECT_NE(p.L, p.P);
      EXPECT_FALSE(Near(img, mid.x(), mid.y(), kBlack));
    }
    // Mast from the base up to the pivot.
    for (int y = 136; y <= 200; ++y) EXPECT_TRUE(Is(img, 150, y, kBlack)) << y;
  }
}

TEST_F(DishPlotTest, BeamComesFromTheRightMarginOrTheTop) {
  const struct {
    double elevation;
    bool toTop;
  } cases[] = {{30, false}, {60, true}, {90, true}, {0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.elevation);
    sat.SatPos.Elevation = c.elevation;
    const QImage& img = plot.Render();
    const QPoint b = plot.LastPoints().B;
    if (c.toTop) {
      const int x = b.x() + Nearest((b.y() - 5) / std::tan(c.elevation * M_PI / 180));
      EXPECT_TRUE(Is(img, x, 5, kRed)) << x;
    } else {
      const int y = b.y() - Nearest(std::tan(c.elevation * M_PI / 180) * (295 - b.x()));
      EXPECT_TRUE(Is(img, 295, y, kRed)) << y;
    }
    EXPECT_TRUE(Is(img, b.x(), b.y(), kRed));
  }
}

TEST_F(DishPlotTest, HelpLinesForEachValueLabel) {
  for (int mode : {mmSimplifiedPolar, mmPolar, mmAzimuthal}) {
    for (int help = hiNone; help <= hiAzimuth; ++help) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " help " << help);
      plot.MountMode = mode;
      plot.HelpItem = help;
      plot.DishOffset = 20;
      const QImage& img = plot.Render();
      if (mode == mmSimplifiedPolar) Save(img, "dishplot-help" + std::to_string(help) + ".png");
      const auto blue = PixelsOf(img, kBlue);
      if (help == hiNone || help == hiAzimuth) {
        EXPECT_TRUE(blue.empty());
        continue;
      }
      EXPECT_GT(blue.size(), 20u);
      for (const QPoint& p : blue) EXPECT_LE(p.y(), 200);  // nothing below the base line
      const QPoint b = plot.LastPoints().B;
      switch (help) {
        case hiPolarAxis:  // the vertical above the pivot, dotted from the top margin
          EXPECT_TRUE(Is(img, 150, 5, kBlue));
          EXPECT_TRUE(Is(img, 150, 7, kBlue));
          EXPECT_FALSE(Is(img, 150, 8, kBlue));
          break;
        case hiDecHorPlane:
        case hiDishAngle:  // a level line from the reflector's centre to the right margin
          EXPECT_TRUE(Near(img, 295, b.y(), kBlue, 3));
          break;
        default:
          break;
      }
    }
  }
}

TEST_F(DishPlotTest, SteepElevationHelpStaysInsideThePlot) {
  plot.HelpItem = hiElevation;
  for (double elevation : {80.0, 30.0, -20.0, 0.0}) {
    SCOPED_TRACE(elevation);
    sat.SatPos.Elevation = elevation;
    const QImage& img = plot.Render();
    if (elevation == 80) Save(img, "dishplot-help5-steep.png");
    const auto blue = PixelsOf(img, kBlue);
    ASSERT_FALSE(blue.empty());
    int lowest = 0;
    for (const QPoint& p : blue) {
      EXPECT_GE(p.y(), 5);
      EXPECT_LE(p.y(), 200);
      lowest = std::max(lowest, p.y());
    }
    if (elevation == 80) {
      EXPECT_EQ(lowest, 200);  // the level line lies on the base line
    }
  }
}

TEST_F(DishPlotTest, NothingWithoutSatelliteAndNoEscapeOnUnusableData) {
  const QRgb bg = plot.Background().rgb() & 0xFFFFFF;
  plot.SetData(nullptr);
  EXPECT_EQ(PixelsOf(plot.Render(), bg).size(), 300u * 220u);
  plot.SetData(&sat);
  sat.SatPos.Elevation = kNaN;
  plot.HelpItem = hiElevation;
  const QImage& img = plot.Render();
  EXPECT_TRUE(Is(img, 150, 170, kBlack));  // the mast stands
  EXPECT_TRUE(PixelsOf(img, kRed).empty());
  sat.SatPos.Elevation = 30;
  plot.resize(4, 4);
  plot.Render();
  plot.resize(0, 0);
  EXPECT_TRUE(plot.Render().isNull());
}

}  // namespace
