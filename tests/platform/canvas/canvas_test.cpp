#include "canvas.h"

#include <QFontInfo>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "canvas_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    auto* a = new QGuiApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    c.SetSize(60, 60);
    c.Brush().SetColor(Qt::white);
    c.FillRect(0, 0, 60, 60);
  }
  QRgb At(int x, int y) { return c.Pixel(x, y).rgb() & 0xFFFFFF; }
  // Bounding box of every pixel that is not white.
  QRect Ink() {
    const QImage& img = c.Image();
    QRect r;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) r |= QRect(x, y, 1, 1);
    return r;
  }
  TCanvas c;
};

struct NearestCase {
  double x;
  int want;
};

TEST(Nearest, RoundsHalvesToEven) {
  const NearestCase cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2},
                               {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-7.6, -8}, {1e9, 1000000000}};
  for (const auto& k : cases) EXPECT_EQ(Nearest(k.x), k.want) << k.x;
}

TEST(Nearest, RefusesNonFiniteAndOutOfRange) {
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(), 3e9, -3e9};
  for (double x : bad) EXPECT_THROW(Nearest(x), std::domain_error) << x;
}

TEST(Colors, ToolkitValueIsBlueGreenRed) {
  EXPECT_EQ(ColorFromToolkit(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(ColorFromToolkit(0xFF0000), QColor(0, 0, 255));
  EXPECT_EQ(ColorToToolkit(QColor(0x12, 0x34, 0x56)), 0x563412u);
}

TEST(Fonts, PointsConvertAt96Dpi) {
  TFont f;
  const int pts[] = {7, 8, 9, 10, 12};
  const int heights[] = {-9, -11, -12, -13, -16};
  for (int i = 0; i < 5; ++i) {
    f.SetSize(pts[i]);
    EXPECT_EQ(f.Height, heights[i]);
    EXPECT_EQ(f.Size(), pts[i]);
  }
}

TEST_F(CanvasTest, SubstitutesMissingFaces) {
  if (!QFontInfo(QFont("Liberation Sans")).exactMatch()) GTEST_SKIP() << "Liberation Sans missing";
  TFont f;
  f.Name = "Arial";
  EXPECT_EQ(QFontInfo(f.ToQFont()).family(), "Liberation Sans");
  f.Name = "Verdana";
  EXPECT_EQ(QFontInfo(f.ToQFont()).family(), "DejaVu Sans");
}

TEST_F(CanvasTest, TextExtentFollowsPixelHeight) {
  c.Font().SetSize(10);  // 13 pixels
  const QSize s = c.TextExtent(std::string("Intelsat 703"));
  EXPECT_GE(s.height(), 13);
  EXPECT_LE(s.height(), 20);
  EXPECT_GT(s.width(), 40);
  EXPECT_EQ(c.TextExtent(std::string()).width(), 0);
}

TEST_F(CanvasTest, DottedPenIsThreeOnThreeOff) {
  c.Brush().Style = TBrushStyle::Clear;
  c.Pen().Style = TPenStyle::Dot;
  c.MoveTo(0, 10);
  c.LineTo(40, 10);
  std::string pattern;
  for (int x = 0; x < 12; ++x) pattern += At(x, 10) == 0 ? 'x' : '.';
  EXPECT_EQ(pattern, "xxx...xxx...");
  EXPECT_EQ(c.PenPos(), QPoint(40, 10));
}

TEST_F(CanvasTest, SolidBrushFillsGapsOfDottedLines) {
  c.Brush().SetColor(QColor(255, 255, 0));
  c.Pen().Style = TPenStyle::Dot;
  c.MoveTo(0, 10);
  c.LineTo(40, 10);
  EXPECT_EQ(At(1, 10), 0x000000u);
  EXPECT_EQ(At(4, 10), 0xFFFF00u);
}

TEST_F(CanvasTest, TextCellTopLeftAtPoint) {
  std::vector<TTextCall> rec;
  c.SetTextRecorder(&rec);
  c.Brush().Style = TBrushStyle::Clear;
  c.Font().SetSize(10);
  const QSize s = c.TextExtent(std::string("WWW"));
  c.TextOut(10, 20, std::string("WWW"));
  const QRect ink = Ink();
  ASSERT_FALSE(ink.isNull());
  EXPECT_GE(ink.left(), 10);
  EXPECT_GE(ink.top(), 20);
  EXPECT_LE(ink.right(), 10 + s.width());
  EXPECT_LE(ink.bottom(), 20 + s.height());
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].Text, "WWW");
  EXPECT_EQ(rec[0].X, 10);
  EXPECT_EQ(rec[0].Y, 20);
  EXPECT_EQ(rec[0].Escapement, 0);
}

TEST_F(CanvasTest, EscapementTurnsCounterClockwise) {
  std::vector<TTextCall> rec;
  c.SetTextRecorder(&rec);
  c.Brush().Style = TBrushStyle::Clear;
  c.Font().SetSize(10);
  c.Font().Escapement = 900;  // reads upward
  const QSize s = c.TextExtent(std::string("WWW"));
  c.TextOut(10, 50, std::string("WWW"));
  const QRect ink = Ink();
  ASSERT_FALSE(ink.isNull());
  EXPECT_GE(ink.left(), 9);
  EXPECT_LE(ink.right(), 10 + s.height());
  EXPECT_GE(ink.top(), 50 - s.width() - 1);
  EXPECT_LE(ink.bottom(), 50);
  EXPECT_GT(ink.height(), ink.width());
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].Escapement, 900);
}

TEST_F(CanvasTest, SolidBrushFillsTextCell) {
  c.Brush().SetColor(QColor(255, 255, 0));
  c.Font().SetSize(10);
  const QSize s = c.TextExtent(std::string("ii"));
  c.TextOut(5, 5, std::string("ii"));
  EXPECT_EQ(At(5, 5), 0xFFFF00u);
  EXPECT_EQ(At(5 + s.width() - 1, 5 + s.height() - 1), 0xFFFF00u);
  EXPECT_EQ(At(5 + s.width(), 5), 0xFFFFFFu);
}

TEST_F(CanvasTest, EllipseExcludesRightAndBottomEdge) {
  c.Pen().Color = Qt::black;
  c.Brush().SetColor(QColor(255, 0, 0));
  c.Ellipse(10, 10, 21, 21);
  EXPECT_EQ(At(10, 15), 0x000000u);
  EXPECT_EQ(At(20, 15), 0x000000u);
  EXPECT_EQ(At(21, 15), 0xFFFFFFu);
  EXPECT_EQ(At(15, 21), 0xFFFFFFu);
  EXPECT_EQ(At(9, 15), 0xFFFFFFu);
  EXPECT_EQ(At(15, 15), 0xFF0000u);
}

struct ArcCase {
  int x1, y1, x2, y2;
  const char* diagonals;  // ink near 45, 135, 225 and 315 degrees
};

TEST_F(CanvasTest, ArcRunsCounterClockwiseBetweenRadials) {
  const ArcCase cases[] = {
      {50, 20, 0, 20, "XX.."},  // right to left: the upper half
      {0, 20, 50, 20, "..XX"},  // left to right: the lower half
      {20, 0, 20, 50, ".XX."},  // top to bottom through the left
      {50, 20, 50, 20, "XXXX"}, // equal radials: whole ellipse
  };
  auto inked = [&](int cx, int cy) {
    for (int y = cy - 3; y <= cy + 3; ++y)
      for (int x = cx - 3; x <= cx + 3; ++x)
        if (At(x, y) == 0) return 'X';
    return '.';
  };
  for (const auto& k : cases) {
    SetUp();
    c.Arc(0, 0, 41, 41, k.x1, k.y1, k.x2, k.y2);
    const std::string got = {inked(34, 6), inked(6, 6), inked(6, 34), inked(34, 34)};
    EXPECT_EQ(got, k.diagonals) << k.x1 << "," << k.y1;
  }
}

TEST_F(CanvasTest, ChordIsFilledWithBrush) {
  c.Brush().SetColor(QColor(0, 0, 255));
  c.Chord(0, 0, 41, 41, 50, 20, 0, 20);
  EXPECT_EQ(At(20, 10), 0x0000FFu);
  EXPECT_EQ(At(20, 30), 0xFFFFFFu);
}

TEST_F(CanvasTest, PixelsAreBoundsChecked) {
  c.SetPixel(3, 4, QColor(1, 2, 3));
  EXPECT_EQ(At(3, 4), 0x010203u);
  c.SetPixel(-1, 0, Qt::black);
  c.SetPixel(60, 0, Qt::black);
  c.SetPixel(0, 60, Qt::black);
  EXPECT_FALSE(c.Pixel(-1, 0).isValid());
  EXPECT_FALSE(c.Pixel(0, 60).isValid());
}

TEST_F(CanvasTest, FillRectExcludesEdgesAndClearBrushPaintsNothing) {
  c.Brush().SetColor(QColor(0, 255, 0));
  c.FillRect(2, 2, 5, 5);
  EXPECT_EQ(At(4, 4), 0x00FF00u);
  EXPECT_EQ(At(5, 4), 0xFFFFFFu);
  c.Brush().Style = TBrushStyle::Clear;
  c.FillRect(10, 10, 20, 20);
  EXPECT_EQ(At(15, 15), 0xFFFFFFu);
}

TEST_F(CanvasTest, ResizeKeepsContentAndFillsNewPart) {
  c.SetPixel(1, 1, Qt::black);
  c.Brush().SetColor(QColor(0, 255, 0));
  c.SetSize(80, 30);
  EXPECT_EQ(c.Width(), 80);
  EXPECT_EQ(c.Height(), 30);
  EXPECT_EQ(At(1, 1), 0x000000u);
  EXPECT_EQ(At(2, 2), 0xFFFFFFu);
  EXPECT_EQ(At(70, 10), 0x00FF00u);
}

TEST_F(CanvasTest, EmptyBitmapDrawsNothing) {
  c.SetSize(0, 10);
  EXPECT_TRUE(c.Image().isNull());
  c.LineTo(5, 5);
  c.TextOut(0, 0, std::string("x"));
  c.Ellipse(0, 0, 4, 4);
  c.SetPixel(0, 0, Qt::black);
  EXPECT_THROW(c.SetSize(-1, 5), std::invalid_argument);
}

}  // namespace

namespace {

TEST_F(CanvasTest, ThinLinesIncludeBothEndsAndMirror) {
  c.Pen().Color = Qt::black;
  // Drawn towards the mirror axis x = 30 from both sides.
  c.MoveTo(3, 40);
  c.LineTo(30, 27);
  c.MoveTo(57, 40);
  c.LineTo(30, 27);
  const QImage& img = c.Image();
  EXPECT_EQ(At(3, 40), 0u);
  EXPECT_EQ(At(30, 27), 0u);
  int inked = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == 0) {
        ++inked;
        EXPECT_EQ(img.pixel(60 - x, y) & 0xFFFFFF, 0u) << x << "," << y;
      }
  EXPECT_EQ(inked, 2 * 28 - 1);
}

TEST_F(CanvasTest, LinesFarOutsideAreClippedQuickly) {
  c.Pen().Color = Qt::black;
  c.MoveTo(-2000000000, 30);
  c.LineTo(2000000000, 30);
  EXPECT_EQ(At(0, 30), 0u);
  EXPECT_EQ(At(59, 30), 0u);
}

TEST_F(CanvasTest, PictureTakenEarlierIsNotChangedByLaterDrawing) {
  const QImage before = c.Image();
  c.SetPixel(1, 1, Qt::black);
  c.MoveTo(0, 5);
  c.LineTo(10, 5);
  EXPECT_EQ(before.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(before.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(At(5, 5), 0u);
}

}  // namespace
