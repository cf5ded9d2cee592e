#include "xyplot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plotstestutil.h"

using namespace plotstest;

namespace {

class XYPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    plot.resize(400, 300);  // centre (200, 150), 0.003 pixels per km
    sat.SatPos.X = 20000;
    sat.SatPos.Y = -10000;
    sat.SatPos.Z = 30000;
    sat.SatPos.ObsX = 3000;
    sat.SatPos.ObsY = 4000;
    sat.SatPos.ObsZ = -5000;
  }
  TAppFirst app_;
  TXYPlot plot;
  TSat sat;
};

TEST_F(XYPlotTest, StaysEmptyWithoutSatellite) {
  const QImage& img = plot.Render();
  ASSERT_EQ(img.size(), QSize(400, 300));
  const QRgb bg = plot.Background().rgb() & 0xFFFFFF;
  EXPECT_EQ(PixelsOf(img, bg).size(), 400u * 300u);
}

struct PairCase {
  int pair;
  int satX, satY, obsX, obsY;  // expected dot centres
  bool geoCircle;
  const char* upLetter;
  const char* acrossLetter;
};

TEST_F(XYPlotTest, EachPairProjectsOnItsPlane) {
  const PairCase cases[] = {
      // X across, Y up: satellite (20000, -10000) km -> (260, 180); observer (3000, 4000) -> (209, 138).
      {0, 260, 180, 209, 138, true, "Y", "X"},
      // X across, Z up: (20000, 30000) -> (260, 60); observer (3000, -5000) -> (209, 165).
      {1, 260, 60, 209, 165, false, "Z", "X"},
      // Y across, Z up: (-10000, 30000) -> (170, 60); observer (4000, -5000) -> (212, 165).
      {2, 170, 60, 212, 165, false, "Z", "Y"},
  };
  for (const PairCase& c : cases) {
    SCOPED_TRACE(c.pair);
    plot.AxisPair = c.pair;
    plot.SetData(&sat);
    std::vector<TTextCall> rec;
    plot.Canvas().SetTextRecorder(&rec);
    const QImage& img = plot.Render();
    plot.Canvas().SetTextRecorder(nullptr);
    Save(img, "xyplot-pair" + std::to_string(c.pair) + ".png");

    EXPECT_TRUE(Is(img, c.satX, c.satY, kRed));
    EXPECT_TRUE(Is(img, c.obsX, c.obsY, kBlue));
    // Dots are 4 pixels across.
    EXPECT_EQ(PixelsOf(img, kRed).size(), PixelsOf(img, kBlue).size());
    EXPECT_LE(PixelsOf(img, kRed).size(), 16u);
    // The Earth (radius 19 pixels) is filled in every plane.
    EXPECT_TRUE(Is(img, 190, 140, kAqua));
    EXPECT_FALSE(Is(img, 200 + 21, 150 - 21, kAqua));
    // The geostationary circle (radius 126 pixels) only in the equatorial plane.
    EXPECT_EQ(Near(img, 200 + 89, 150 - 89, kBlack), c.geoCircle);
    EXPECT_EQ(Near(img, 200 - 89, 150 + 89, kBlack), c.geoCircle);
    // Axes through the centre and their letters.
    EXPECT_TRUE(Is(img, 200, 0, kBlack));
    EXPECT_TRUE(Is(img, 200, 297, kBlack));
    EXPECT_FALSE(Is(img, 200, 299, kBlack));
    EXPECT_TRUE(Is(img, 0, 150, kBlack));
    EXPECT_TRUE(Is(img, 399, 150, kBlack));
    ASSERT_EQ(rec.size(), 2u);
    EXPECT_EQ(rec[0].Text, c.upLetter);
    EXPECT_EQ(QPoint(rec[0].X, rec[0].Y), QPoint(206, 5));
    EXPECT_EQ(rec[1].Text, c.acrossLetter);
    EXPECT_EQ(QPoint(rec[1].X, rec[1].Y), QPoint(385, 153));
  }
}

TEST_F(XYPlotTest, FarSatelliteIsClippedWhileTheGeostationaryCircleFits) {
  // 60000 km up is 180 pixels above the centre of a 300 pixel high plot.
  sat.SatPos.X = 0;
  sat.SatPos.Y = 60000;
  plot.SetData(&sat);
  const QImage& img = plot.Render();
  EXPECT_TRUE(PixelsOf(img, kRed).empty());
  EXPECT_TRUE(Near(img, 200, 150 - 126, kBlack));
  EXPECT_TRUE(Near(img, 200, 150 + 126, kBlack));
}

TEST_F(XYPlotTest, UnusablePositionsAndSizesDoNotEscape) {
  sat.SatPos.X = std::numeric_limits<double>::quiet_NaN();
  plot.SetData(&sat);
  const QImage& img = plot.Render();
  EXPECT_FALSE(PixelsOf(img, kAqua).empty());  // drawn up to the satellite
  EXPECT_FALSE(PixelsOf(img, kBlue).empty());
  EXPECT_TRUE(PixelsOf(img, kRed).empty());
  plot.resize(0, 0);
  EXPECT_TRUE(plot.Render().isNull());
  plot.resize(1, 3);
  EXPECT_EQ(plot.Render().size(), QSize(1, 3));
}

TEST_F(XYPlotTest, PaintsAsAWidget) {
  plot.AxisPair = 7;  // draws as the equatorial plane
  plot.SetData(&sat);
  const QImage shown = plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(400, 300));
  EXPECT_TRUE(Is(shown, 260, 180, kRed));
  EXPECT_TRUE(Near(shown, 200 + 89, 150 - 89, kBlack));
}

}  // namespace
