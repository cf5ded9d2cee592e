#include "polarmaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "testutil.h"

using namespace polartest;

namespace {

enum class Kind { Ground, HA, Elev };

std::unique_ptr<TSatGroundMap> MakeMap(Kind k) {
  switch (k) {
    case Kind::HA: return std::make_unique<THAMap>();
    case Kind::Elev: return std::make_unique<TElevMap>();
    default: return std::make_unique<TSatGroundMap>();
  }
}

const char* KindName(Kind k) {
  return k == Kind::HA ? "ha" : k == Kind::Elev ? "elev" : "ground";
}

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  // Clear and Layout at the given size and latitude, recording the texts.
  void Draw(TSatGroundMap& m, int w, int h, bool proportional, double lat) {
    m.SetSize(w, h);
    m.Proportional = proportional;
    m.ObsLat = lat;
    m.ObsLon = 5.0;
    m.UTC = 45000.5;
    m.ViewFont.SetSize(8);
    m.Canvas().SetTextRecorder(&rec);
    rec.clear();
    m.Clear();
    m.Layout();
  }
  std::vector<TTextCall> rec;
};

TEST_F(MapTest, ConstructorsSetMarginsStepsAndTitles) {
  TSatGroundMap g;
  EXPECT_EQ(g.LeftMargin, 0);
  EXPECT_EQ(g.SideMargin, g.LabelWidth);
  EXPECT_EQ(g.AziStep, 15);
  EXPECT_EQ(g.ElevStep, 0);
  EXPECT_FALSE(g.DrawMarkers);
  EXPECT_EQ(g.Title, "Azimuth Map");
  THAMap ha;
  EXPECT_EQ(ha.XAxisLabel, "Hour Angle");
  EXPECT_EQ(ha.Title, "Hour Angle Map");
  EXPECT_EQ(ha.ElevStep, 0);
  TElevMap el;
  EXPECT_EQ(el.ElevStep, -1);
  EXPECT_EQ(el.AziStep, 15);
  EXPECT_TRUE(el.NorthLabel.empty());
  EXPECT_TRUE(el.SouthLabel.empty());
  EXPECT_EQ(el.XAxisLabel, "Elevation");
  EXPECT_EQ(el.Title, "Elevation Map");
}

TEST_F(MapTest, LayoutPutsTheCentreAtTheBottomMiddle) {
  TSatGroundMap m;
  Draw(m, 1000, 700, false, 52);
  ASSERT_FALSE(m.Degenerate());
  EXPECT_GT(m.LabelWidth, 40);
  EXPECT_EQ(m.SideMargin, m.LabelWidth);
  EXPECT_EQ(m.RangeX, 1.0);
  EXPECT_EQ(m.RangeY, 1.0);
  EXPECT_EQ(m.OriginX, 500);
  EXPECT_EQ(m.OriginY, 700 - 40);
  EXPECT_DOUBLE_EQ(m.ScaleX, 500 - m.SideMargin);
  EXPECT_DOUBLE_EQ(m.ScaleY, 700 - 30 - 40 - m.LabelWidth);

  Draw(m, 1000, 700, true, 52);
  const double s = std::min(500 - m.SideMargin, 700 - 30 - 40 - m.LabelWidth);
  EXPECT_DOUBLE_EQ(m.ScaleX, s);
  EXPECT_DOUBLE_EQ(m.ScaleY, s);
  EXPECT_EQ(m.Picture().width(), (Nearest(s) + m.SideMargin) * 2);
  EXPECT_EQ(m.Picture().height(), Nearest(s) + m.LabelWidth + 40 + 30);
  EXPECT_EQ(m.Width(), m.Picture().width());
  EXPECT_EQ(m.OriginX, m.Picture().width() / 2);
  Save(m.Picture(), "azimuthmap-52N.png");
}

TEST_F(MapTest, SemicircleLiesAtTheUnitRadius) {
  for (bool proportional : {true, false}) {
    SCOPED_TRACE(proportional);
    TSatGroundMap m;
    m.AziStep = 0;  // no grid
    Draw(m, 900, 600, proportional, 52);
    TCanvas& c = m.Canvas();
    c.Brush().SetColor(Qt::white);
    c.FillRect(0, 0, c.Width(), c.Height());
    c.Pen().Color = QColor(255, 0, 0);
    m.DrawBelt();
    const auto arc = PixelsOf(m.Picture(), 0xFF0000);
    ASSERT_GT(arc.size(), 500u);
    int left = m.OriginX, right = m.OriginX, top = m.OriginY;
    // Within a pixel and a half of the unit radius (the box of the circle leaves out its right
    // and bottom edges, which moves the drawn centre half a pixel up and left).
    const double cx = m.OriginX, cy = m.OriginY;
    for (const QPoint& p : arc) {
      const double dx = p.x() - cx, dy = cy - p.y();
      EXPECT_NEAR(std::hypot(dx / m.ScaleX, dy / m.ScaleY), 1.0, 1.5 / m.ScaleX)
          << p.x() << "," << p.y();
      EXPECT_LE(p.y(), m.OriginY);
      left = std::min(left, p.x());
      right = std::max(right, p.x());
      top = std::min(top, p.y());
    }
    // The whole upper half: both ends of the baseline and the top.
    EXPECT_LE(std::abs(left - (m.OriginX - Nearest(m.ScaleX))), 1);
    EXPECT_LE(std::abs(right - (m.OriginX + Nearest(m.ScaleX))), 1);
    EXPECT_LE(std::abs(top - (m.OriginY - Nearest(m.ScaleY))), 1);
  }
}

struct PlaceCase {
  Kind kind;
  double lat, az, el, ha;
  double b;  // expected angle on the circle, 0 up, positive right
};

class PlaceTest : public MapTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(PlaceTest, SatelliteStandsOnTheCircleAtItsDirection) {
  const PlaceCase& pc = GetParam();
  auto m = MakeMap(pc.kind);
  Draw(*m, 1000, 700, false, pc.lat);
  TSat s = MakeSat("Test", 1, pc.az, pc.el, pc.ha);
  m->CurSat = &s;
  int x = 0, y = 0;
  double angle = 0;
  m->SatToXY(x, y, angle);
  const double r = pc.b * M_PI / 180;
  EXPECT_EQ(x, m->OriginX + Nearest(std::sin(r) * m->ScaleX));
  EXPECT_EQ(y, m->OriginY - Nearest(std::cos(r) * m->ScaleY));
  // The leader line points outward: its direction is 360 - b.
  EXPECT_NEAR(angle, 360 - pc.b, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Maps, PlaceTest,
    ::testing::Values(
        // Azimuth map: south at the top for a northern observer, west on the right.
        PlaceCase{Kind::Ground, 52, 180, 20, 0, 0}, PlaceCase{Kind::Ground, 52, 200, 20, 0, 20},
        PlaceCase{Kind::Ground, 52, 90, 20, 0, -90}, PlaceCase{Kind::Ground, 52, 350, 5, 0, 170},
        // Southern observers and the equator: north at the top, east on the right.
        PlaceCase{Kind::Ground, -30, 0, 20, 0, 0}, PlaceCase{Kind::Ground, -30, 20, 20, 0, 20},
        PlaceCase{Kind::Ground, -30, 270, 20, 0, -90}, PlaceCase{Kind::Ground, 0, 10, 20, 0, 10},
        // Hour angle map: positive hour angles (east) on the left for a northern observer.
        PlaceCase{Kind::HA, 52, 0, 20, 30, -30}, PlaceCase{Kind::HA, 52, 0, 20, -45, 45},
        PlaceCase{Kind::HA, 52, 0, 20, 190, 170}, PlaceCase{Kind::HA, -30, 0, 20, 30, 30},
        // Elevation map: zenith distance from the vertical, on the side of the hour angle.
        PlaceCase{Kind::Elev, 52, 0, 30, 10, -60}, PlaceCase{Kind::Elev, 52, 0, 30, -10, 60},
        PlaceCase{Kind::Elev, 52, 0, 30, 0, 60}, PlaceCase{Kind::Elev, 52, 0, 90, 20, 0},
        PlaceCase{Kind::Elev, 52, 0, 30, 190, 60}, PlaceCase{Kind::Elev, -30, 0, 30, 10, 60},
        PlaceCase{Kind::Elev, 0, 0, 30, -10, -60}));

// Only the satellite's own drawing, in red, on a cleared picture.
QImage DrawAlone(TSatGroundMap& m, TSat& s) {
  TCanvas& c = m.Canvas();
  c.Brush().SetColor(Qt::white);
  c.FillRect(0, 0, c.Width(), c.Height());
  c.Pen().Color = QColor(255, 0, 0);
  m.DrawSat(s);
  c.Pen().Color = Qt::black;
  return m.Picture();
}

TEST_F(MapTest, DueSouthPutsTheLeaderStraightUpWithoutADisc) {
  TSatGroundMap m;
  Draw(m, 800, 600, true, 52);
  TSat s = MakeSat("Astra 1KR", 32766, 180, 28);
  rec.clear();
  const QImage img = DrawAlone(m, s);
  const auto red = PixelsOf(img, 0xFF0000);
  const int top = m.OriginY - Nearest(m.ScaleY);
  ASSERT_GE(red.size(), 20u);
  for (const QPoint& p : red) {
    EXPECT_EQ(p.x(), m.OriginX);
    EXPECT_GE(p.y(), top - m.LabelLine);
    EXPECT_LE(p.y(), top);
  }
  EXPECT_TRUE(PixelsOf(img, 0x0000FF).empty());  // no disc
  const TTextCall* name = FindText(rec, "Astra 1KR");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(((name->Escapement % 3600) + 3600) % 3600, 900);  // reads upward, outward
  EXPECT_EQ(name->Y, top - m.LabelLine);
}

TEST_F(MapTest, ElevationThirtyWithPositiveHourAngleStandsSixtyDegreesLeft) {
  TElevMap m;
  Draw(m, 800, 600, true, 52);
  TSat s = MakeSat("Hot Bird 13B", 33459, 200, 30, 12);
  const auto red = PixelsOf(DrawAlone(m, s), 0xFF0000);
  ASSERT_GE(red.size(), 15u);
  for (const QPoint& p : red) {
    const double dx = p.x() - m.OriginX, dy = m.OriginY - p.y();
    EXPECT_GE(std::hypot(dx, dy), m.ScaleX - 1.5);  // from the circle outward
    EXPECT_NEAR(DirectionOf(dx, dy), -60, 2.0) << p.x() << "," << p.y();
  }
}

struct LabelCase {
  Kind kind;
  std::vector<std::string> texts;  // in drawing order: right at 0, then right and left per step
};

class GridLabelTest : public MapTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(GridLabelTest, RadialLinesAreLabelledOnBothSides) {
  const LabelCase& lc = GetParam();
  auto m = MakeMap(lc.kind);
  Draw(*m, 1000, 700, true, 52);
  Save(m->Picture(), std::string("polarmap-grid-") + KindName(lc.kind) + ".png");
  std::vector<const TTextCall*> deg;
  for (const auto& t : rec)
    if (!t.Text.empty() && t.Text.back() == '\xB0') deg.push_back(&t);
  ASSERT_EQ(deg.size(), lc.texts.size());
  const QSize ext = m->Canvas().TextExtent(std::string("90\xB0"));
  for (size_t i = 0; i < deg.size(); ++i) {
    SCOPED_TRACE(lc.texts[i]);
    EXPECT_EQ(deg[i]->Text, lc.texts[i]);
    const bool left = i > 0 && i % 2 == 0;
    if (left) {
      EXPECT_LT(deg[i]->X, m->OriginX);
      EXPECT_LE(deg[i]->Escapement, 0);
    } else {
      EXPECT_GE(deg[i]->X, m->OriginX - ext.height() - 1);
      EXPECT_GE(deg[i]->Escapement, 0);
    }
    // Just inside the circle.
    const QPointF c = CellCentre(*deg[i], ext.width(), ext.height());
    const double r = std::hypot(c.x() - m->OriginX, c.y() - m->OriginY);
    EXPECT_LT(r, m->ScaleX);
    EXPECT_GT(r, m->ScaleX - 3 * ext.width());
  }
}

std::vector<std::string> AngleLabels() {
  std::vector<std::string> v{"0\xB0"};
  for (int p = 15; p <= 90; p += 15) {
    v.push_back(std::to_string(p) + "\xB0");
    v.push_back("-" + std::to_string(p) + "\xB0");
  }
  return v;
}

std::vector<std::string> ElevationLabels() {
  std::vector<std::string> v{"90\xB0"};
  for (int p = 15; p <= 90; p += 15) {
    v.push_back(std::to_string(90 - p) + "\xB0");
    v.push_back(std::to_string(90 - p) + "\xB0");
  }
  return v;
}

INSTANTIATE_TEST_SUITE_P(Maps, GridLabelTest,
                         ::testing::Values(LabelCase{Kind::Ground, AngleLabels()},
                                           LabelCase{Kind::HA, AngleLabels()},
                                           LabelCase{Kind::Elev, ElevationLabels()}));

struct WordsCase {
  Kind kind;
  double lat;
  const char* left;
  const char* right;
  const char* top;
};

class WordsTest : public MapTest, public ::testing::WithParamInterface<WordsCase> {};

TEST_P(WordsTest, CompassWordsFollowTheHemisphere) {
  const WordsCase& wc = GetParam();
  auto m = MakeMap(wc.kind);
  Draw(*m, 1000, 700, false, wc.lat);
  const TTextCall* l = FindText(rec, wc.left);
  const TTextCall* r = FindText(rec, wc.right);
  ASSERT_TRUE(l && r);
  const int wl = m->Canvas().TextWidth(wc.left), wr = m->Canvas().TextWidth(wc.right);
  EXPECT_EQ(l->X + wl / 2, m->OriginX - Nearest(m->ScaleX));
  EXPECT_EQ(r->X + wr / 2, m->OriginX + Nearest(m->ScaleX));
  EXPECT_EQ(l->Y, m->OriginY + 2);
  // The top word is the last text before the title.
  bool found = false;
  for (size_t i = 0; i + 1 < rec.size(); ++i)
    if (rec[i].Y == m->TopMargin + 1 && rec[i + 1].Text == m->Title) {
      EXPECT_EQ(rec[i].Text, wc.top);
      found = true;
    }
  EXPECT_TRUE(found);
}

INSTANTIATE_TEST_SUITE_P(
    Maps, WordsTest,
    ::testing::Values(WordsCase{Kind::Ground, 52, "East", "West", "South"},
                      WordsCase{Kind::Ground, 0, "West", "East", "North"},
                      WordsCase{Kind::HA, -40, "West", "East", "North"},
                      WordsCase{Kind::Elev, 52, "East", "West", ""}));

TEST_F(MapTest, SunMoonHiddenAndUnusableSatellitesDrawNothing) {
  struct Case {
    Kind kind;
    TSat sat;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {Kind::Ground, MakeSat("Sun", SunNoradNr, 180, 40)},
      {Kind::Ground, MakeSat("Moon", MoonNoradNr, 170, 30)},
      {Kind::Ground, MakeSat("Low", 5, 180, 0)},
      {Kind::Ground, MakeSat("Hidden", 5, 180, 20, 0, false)},
      {Kind::Ground, MakeSat("NoAz", 5, nan, 20)},
      {Kind::HA, MakeSat("NoHA", 5, 180, 20, nan)},
      {Kind::Elev, MakeSat("NoHA", 5, 180, 20, std::numeric_limits<double>::infinity())},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sat.Name);
    auto m = MakeMap(c.kind);
    Draw(*m, 800, 600, true, 52);
    const QImage before = m->Picture().copy();
    TSat s = c.sat;
    rec.clear();
    EXPECT_NO_THROW(m->DrawSat(s));
    EXPECT_TRUE(rec.empty());
    EXPECT_EQ(m->Picture(), before);
  }
}

TEST_F(MapTest, TooSmallAControlDrawsTitleAndFrameOnly) {
  for (Kind k : {Kind::Ground, Kind::HA, Kind::Elev}) {
    auto m = MakeMap(k);
    EXPECT_NO_THROW(Draw(*m, 120, 90, true, 52));
    EXPECT_TRUE(m->Degenerate());
    TSat s = MakeSat("Test", 7, 180, 20, 10);
    EXPECT_NO_THROW(m->DrawSat(s));
  }
}

}  // namespace
