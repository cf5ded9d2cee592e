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
  if (k == Kind::HA) return std::make_unique<THAMap>();
  if (k == Kind::Elev) return std::make_unique<TElevMap>();
  return std::make_unique<TSatGroundMap>();
}

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  void Draw(TSatGroundMap& m, int w, int h, bool proportional, double lat) {
    m.SetSize(w, h);
    m.Proportional = proportional;
    m.ObsLat = lat;
    m.UTC = 45000.5;
    m.ViewFont.SetSize(8);
    m.Canvas().SetTextRecorder(&rec);
    rec.clear();
    m.Clear();
    m.Layout();
  }
  // Only what DrawSat or DrawBelt adds, in red, on a cleared picture.
  std::vector<QPoint> RedOnly(TSatGroundMap& m, const std::function<void()>& draw) {
    TCanvas& c = m.Canvas();
    c.Brush().SetColor(Qt::white);
    c.FillRect(0, 0, c.Width(), c.Height());
    c.Pen().Color = QColor(255, 0, 0);
    draw();
    c.Pen().Color = Qt::black;
    return PixelsOf(m.Picture(), 0xFF0000);
  }
  std::vector<TTextCall> rec;
};

TEST_F(MapTest, SemicircleLiesAtTheUnitRadiusAboveTheBottomMiddle) {
  for (bool proportional : {true, false}) {
    SCOPED_TRACE(proportional);
    TSatGroundMap m;
    m.AziStep = 0;  // no grid
    Draw(m, 900, 600, proportional, 52);
    EXPECT_EQ(m.OriginX, m.Picture().width() / 2);
    EXPECT_EQ(m.OriginY, m.Picture().height() - m.BottomMargin);
    Save(m.Picture(), proportional ? "azimuthmap-nogrid.png" : "azimuthmap-nogrid-stretched.png");
    const auto arc = RedOnly(m, [&] { m.DrawBelt(); });
    ASSERT_GT(arc.size(), 500u);
    int left = m.OriginX, right = m.OriginX, top = m.OriginY;
    for (const QPoint& p : arc) {
      const double dx = p.x() - m.OriginX, dy = m.OriginY - p.y();
      EXPECT_NEAR(std::hypot(dx / m.ScaleX, dy / m.ScaleY), 1.0, 1.5 / m.ScaleX) << p.x() << ","
                                                                                << p.y();
      EXPECT_LE(p.y(), m.OriginY);
      left = std::min(left, p.x());
      right = std::max(right, p.x());
      top = std::min(top, p.y());
    }
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
  EXPECT_NEAR(angle, 360 - pc.b, 1e-9);  // the leader line points outward
}

INSTANTIATE_TEST_SUITE_P(
    Maps, PlaceTest,
    ::testing::Values(
        // Azimuth map: south at the top for a northern observer, west (200 deg) on the right.
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

TEST_F(MapTest, DueSouthPutsTheLeaderStraightUpWithoutADisc) {
  TSatGroundMap m;
  Draw(m, 800, 600, true, 52);
  TSat s = MakeSat("Astra 1KR", 32766, 180, 28);
  rec.clear();
  const auto red = RedOnly(m, [&] { m.DrawSat(s); });
  const int top = m.OriginY - Nearest(m.ScaleY);
  ASSERT_GE(red.size(), 20u);
  for (const QPoint& p : red) {
    EXPECT_EQ(p.x(), m.OriginX);
    EXPECT_GE(p.y(), top - m.LabelLine);
    EXPECT_LE(p.y(), top);
  }
  EXPECT_TRUE(PixelsOf(m.Picture(), 0x0000FF).empty());  // no disc
  const TTextCall* name = FindText(rec, "Astra 1KR");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(((name->Escapement % 3600) + 3600) % 3600, 900);  // reads upward, outward
}

TEST_F(MapTest, ElevationThirtyWithPositiveHourAngleStandsSixtyDegreesLeft) {
  TElevMap m;
  Draw(m, 800, 600, true, 52);
  TSat s = MakeSat("Hot Bird 13B", 33459, 200, 30, 12);
  const auto red = RedOnly(m, [&] { m.DrawSat(s); });
  ASSERT_GE(red.size(), 15u);
  for (const QPoint& p : red) {
    const double dx = p.x() - m.OriginX, dy = m.OriginY - p.y();
    EXPECT_GE(std::hypot(dx, dy), m.ScaleX - 1.5);  // from the circle outward
    EXPECT_NEAR(DirectionOf(dx, dy), -60, 2.0) << p.x() << "," << p.y();
  }
}

struct LabelCase {
  Kind kind;
  std::vector<std::string> texts;  // drawing order: right at 0, then right and left per step
};

class GridLabelTest : public MapTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(GridLabelTest, RadialLinesAreLabelledOnBothSidesInsideTheCircle) {
  const LabelCase& lc = GetParam();
  auto m = MakeMap(lc.kind);
  Draw(*m, 1000, 700, true, 52);
  Save(m->Picture(), "polarmap-grid-" + m->Title.substr(0, m->Title.find(' ')) + ".png");
  std::vector<const TTextCall*> deg;
  for (const auto& t : rec)
    if (!t.Text.empty() && t.Text.back() == '\xB0') deg.push_back(&t);
  ASSERT_EQ(deg.size(), lc.texts.size());
  const QSize ext = m->Canvas().TextExtent(std::string("90\xB0"));
  for (size_t i = 0; i < deg.size(); ++i) {
    SCOPED_TRACE(lc.texts[i]);
    EXPECT_EQ(deg[i]->Text, lc.texts[i]);
    const QPointF c = CellCentre(*deg[i], ext.width(), ext.height());
    const bool left = i > 0 && i % 2 == 0;
    if (left) EXPECT_LT(c.x(), m->OriginX);
    else EXPECT_GE(c.x(), m->OriginX - ext.height());
    const double r = std::hypot(c.x() - m->OriginX, c.y() - m->OriginY);
    EXPECT_LT(r, m->ScaleX);
    EXPECT_GT(r, m->ScaleX - 3 * ext.width());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Maps, GridLabelTest,
    ::testing::Values(
        LabelCase{Kind::HA, {"0\xB0", "15\xB0", "-15\xB0", "30\xB0", "-30\xB0", "45\xB0", "-45\xB0",
                             "60\xB0", "-60\xB0", "75\xB0", "-75\xB0", "90\xB0", "-90\xB0"}},
        LabelCase{Kind::Ground, {"0\xB0", "15\xB0", "-15\xB0", "30\xB0", "-30\xB0", "45\xB0",
                                 "-45\xB0", "60\xB0", "-60\xB0", "75\xB0", "-75\xB0", "90\xB0",
                                 "-90\xB0"}},
        LabelCase{Kind::Elev, {"90\xB0", "75\xB0", "75\xB0", "60\xB0", "60\xB0", "45\xB0", "45\xB0",
                               "30\xB0", "30\xB0", "15\xB0", "15\xB0", "0\xB0", "0\xB0"}}));

TEST_F(MapTest, SunMoonHiddenAndUnusableSatellitesDrawNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<Kind, TSat> cases[] = {
      {Kind::Ground, MakeSat("Sun", SunNoradNr, 180, 40)},
      {Kind::Ground, MakeSat("Moon", MoonNoradNr, 170, 30)},
      {Kind::Ground, MakeSat("Low", 5, 180, 0)},
      {Kind::Ground, MakeSat("Hidden", 5, 180, 20, 0, false)},
      {Kind::Ground, MakeSat("NoAz", 5, nan, 20)},
      {Kind::HA, MakeSat("NoHA", 5, 180, 20, nan)},
      {Kind::Elev, MakeSat("NoHA", 5, 180, 20, std::numeric_limits<double>::infinity())},
  };
  for (const auto& [kind, sat] : cases) {
    SCOPED_TRACE(sat.Name);
    auto m = MakeMap(kind);
    Draw(*m, 800, 600, true, 52);
    const QImage before = m->Picture().copy();
    TSat s = sat;
    rec.clear();
    EXPECT_NO_THROW(m->DrawSat(s));
    EXPECT_TRUE(rec.empty());
    EXPECT_EQ(m->Picture(), before);
  }
  // A control smaller than the margins: title and frame only, and nothing drawn after.
  auto m = MakeMap(Kind::Elev);
  EXPECT_NO_THROW(Draw(*m, 120, 90, true, 52));
  EXPECT_TRUE(m->Degenerate());
  TSat s = MakeSat("Test", 7, 180, 20, 10);
  EXPECT_NO_THROW(m->DrawSat(s));
}

}  // namespace
