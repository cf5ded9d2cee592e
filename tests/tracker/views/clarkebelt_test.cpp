#include "clarkebelt.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "imagewidget.h"
#include "stars.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "views_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

void Save(const QImage& img, const char* name) {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const QString dir = QString::fromUtf8(env ? env : VIEWS_TEST_OUT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/" + name));
}

TSat MakeSat(const std::string& name, int nr, double az, double el, double polAngle = 0,
             bool visible = true) {
  TSat s;
  s.Name = name;
  s.TwoLine.NoradNr = nr;
  s.SatPos.Azimuth = az;
  s.SatPos.Elevation = el;
  s.SatPos.PolAngle = polAngle;
  s.SatPos.Visible = visible;
  return s;
}

// Pixels of one exact colour.
std::vector<QPoint> PixelsOf(const QImage& img, QRgb colour) {
  std::vector<QPoint> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == colour) out.emplace_back(x, y);
  return out;
}

double GeoElevationDeg(double dLon) {
  const double k = 0.15126, c = std::cos(dLon * M_PI / 180) * std::cos(52.083 * M_PI / 180);
  return std::asin((c - k) / std::sqrt(1 + k * k - 2 * k * c)) * 180 / M_PI;
}
double GeoAzimuthDeg(double dLon) {
  return -std::atan(std::tan(dLon * M_PI / 180) / std::sin(52.083 * M_PI / 180)) * 180 / M_PI;
}

const TTextCall* FindText(const std::vector<TTextCall>& rec, const std::string& text) {
  for (const auto& t : rec)
    if (t.Text == text) return &t;
  return nullptr;
}

class BeltTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    belt.SetSize(1024, 768);
    belt.Proportional = false;
    belt.ObsLat = 52.083;
    belt.ObsLon = 5.0;
    belt.UTC = 46000.5;
    belt.ViewFont.SetSize(8);
    belt.Canvas().SetTextRecorder(&rec);
  }
  void Draw() {
    rec.clear();
    belt.Clear();
    belt.Layout();
  }
  TClarkeBelt belt;
  std::vector<TTextCall> rec;
};

TEST_F(BeltTest, RangeAt52North) {
  Draw();
  EXPECT_NEAR(belt.RangeY, 30.5, 0.1);
  EXPECT_DOUBLE_EQ(belt.ArcLimit, 80);
  EXPECT_NEAR(belt.RangeX, 82.1, 0.05);
  EXPECT_FALSE(belt.Degenerate());
  EXPECT_EQ(belt.OriginX, (1024 - 55) / 2 + 55);
  EXPECT_EQ(belt.OriginY, 768 - 40);
  EXPECT_NEAR(belt.ScaleX, ((1024 - 55) / 2 - belt.SideMargin) / belt.RangeX, 1e-12);
  Save(belt.Picture(), "clarkebelt-grid-52N.png");
}

TEST_F(BeltTest, ArcApexAndMirrorSymmetry) {
  Draw();
  // Only the arc, in its own colour, on a cleared picture.
  TCanvas& c = belt.Canvas();
  c.Brush().SetColor(Qt::white);
  c.FillRect(0, 0, c.Width(), c.Height());
  c.Pen().Color = QColor(255, 0, 0);
  belt.DrawBelt();
  const QImage img = belt.Picture();
  const auto arc = PixelsOf(img, 0xFF0000);
  ASSERT_FALSE(arc.empty());
  int top = img.height();
  for (const auto& p : arc) top = std::min(top, p.y());
  const int apexY = belt.OriginY - Nearest(belt.RangeY * belt.ScaleY);
  EXPECT_LE(std::abs(top - apexY), 1);
  bool apexAtOrigin = false;
  for (const auto& p : arc)
    if (p.y() == top && std::abs(p.x() - belt.OriginX) <= 1) apexAtOrigin = true;
  EXPECT_TRUE(apexAtOrigin);
  // Every pixel has its mirror image about OriginX.
  int missing = 0;
  for (const auto& p : arc) {
    const int mx = 2 * belt.OriginX - p.x();
    bool found = false;
    for (int dy = -1; dy <= 1 && !found; ++dy)
      found = mx >= 0 && mx < img.width() && p.y() + dy >= 0 && p.y() + dy < img.height() &&
              (img.pixel(mx, p.y() + dy) & 0xFFFFFF) == 0xFF0000;
    if (!found) ++missing;
  }
  EXPECT_EQ(missing, 0);
  Save(img, "clarkebelt-arc-only.png");
}

TEST_F(BeltTest, SatelliteAt200DegreesStandsOnTheWestSide) {
  Draw();
  TSat sat = MakeSat("Astra 1KR", 29055, 200, 25, -10);
  belt.DrawSat(sat);
  const int X = belt.OriginX + Nearest(20 * belt.ScaleX);
  const int Y = belt.OriginY - Nearest(25 * belt.ScaleY);
  const auto blue = PixelsOf(belt.Picture(), 0x0000FF);
  ASSERT_FALSE(blue.empty());
  double cx = 0, cy = 0;
  for (const auto& p : blue) cx += p.x(), cy += p.y();
  cx /= blue.size();
  cy /= blue.size();
  // The disc's box runs from X - 2 to X + 1.
  EXPECT_LE(std::abs(cx - (X - 0.5)), 1.0);
  EXPECT_LE(std::abs(cy - (Y - 0.5)), 1.0);
  const TTextCall* west = FindText(rec, "West");
  ASSERT_NE(west, nullptr);
  EXPECT_GT(west->X, belt.OriginX);
  EXPECT_GT(X, belt.OriginX);
  const TTextCall* name = FindText(rec, "Astra 1KR");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Escapement, 800);  // right half: (angle + 90) x 10
}

// The box a text cell covers as drawn, turned about its top-left corner.
QRectF TurnedCell(const TTextCall& t) {
  const double turn = -t.Escapement / 10.0 * M_PI / 180;
  double left = t.X, top = t.Y, right = t.X, bottom = t.Y;
  for (const auto& [u, v] : {std::pair{t.Width, 0}, {0, t.Height}, {t.Width, t.Height}}) {
    const double x = t.X + u * std::cos(turn) - v * std::sin(turn), y = t.Y + u * std::sin(turn) + v * std::cos(turn);
    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
  }
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// A name wider than the sample at the top of the arc, and names at the ends of the arc turned far
// over (a low latitude), in both layouts: each stays whole inside the picture. The names the view
// is told of get their room above the arc, below the frame.
TEST_F(BeltTest, SatelliteNamesStayWholeInsideThePicture) {
  const std::string longName = "EUTELSAT 5 WEST B NAME";
  const struct {
    double lat;
    double azFromMeridian;  // degrees from the meridian, east negative; 0: the apex
    double el;              // -1: the apex's elevation
    double polAngle;
    bool told;  // the name is among LabelNames
  } cases[] = {
      {52.083, 0, -1, 0, true},    {52.083, 0, -1, 3, true},     {52.083, 0, -1, 0, false},
      {52.083, 0.5, -1, -3, false}, {10, -1, 1, 75, true},       {10, 1, 1, -75, true},
      {10, -0.2, 1, 89, false},    {-30, 1, 1, 60, true},
  };
  for (const bool proportional : {false, true})
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.azFromMeridian) + " " + std::to_string(c.polAngle) +
                   (proportional ? " proportional" : ""));
      belt.SetSize(1024, 768);
      belt.Proportional = proportional;
      belt.ObsLat = c.lat;
      belt.LabelNames = c.told ? std::vector<std::string>{"Astra 1KR", longName} : std::vector<std::string>{};
      Draw();
      ASSERT_FALSE(belt.Degenerate());
      // At the apex, or a degree inside an end of the arc.
      const double a = c.azFromMeridian == 0 ? 0 : c.azFromMeridian * (belt.RangeX - 1) / std::abs(c.azFromMeridian);
      const double az = c.lat > 0 ? 180 + a : std::fmod(a + 360, 360);
      TSat sat = MakeSat(longName, 12345, az, c.el < 0 ? belt.RangeY : c.el, c.polAngle);
      belt.DrawSat(sat);
      const TTextCall* name = FindText(rec, longName);
      ASSERT_NE(name, nullptr);
      const QRectF cell = TurnedCell(*name);
      EXPECT_GT(cell.left(), -0.5);
      EXPECT_GT(cell.top(), -0.5);
      EXPECT_LT(cell.right(), belt.Picture().width() + 0.5);
      EXPECT_LT(cell.bottom(), belt.Picture().height() + 0.5);
      if (c.told && c.azFromMeridian == 0) {
        EXPECT_GE(cell.top(), belt.TopMargin - 0.5);
      }
    }
}

struct HemisphereCase {
  double lat;
  const char* centre;
  const char* left;
  const char* right;
};

TEST_F(BeltTest, CompassWordsFollowTheHemisphere) {
  const HemisphereCase cases[] = {
      {52.083, "South", "East", "West"},
      {0.0, "North", "West", "East"},  // the equator uses the southern arrangement
      {-33.9, "North", "West", "East"},
  };
  for (const auto& k : cases) {
    belt.ObsLat = k.lat;
    Draw();
    const int y = belt.OriginY + 22;
    const TTextCall* centre = FindText(rec, k.centre);
    const TTextCall* left = FindText(rec, k.left);
    const TTextCall* right = FindText(rec, k.right);
    ASSERT_TRUE(centre && left && right) << k.lat;
    EXPECT_EQ(left->X, belt.LeftMargin) << k.lat;
    EXPECT_EQ(left->Y, y);
    EXPECT_GT(right->X, belt.OriginX) << k.lat;
    EXPECT_NEAR(centre->X, belt.OriginX - belt.Canvas().TextWidth(k.centre) / 2, 1) << k.lat;
    EXPECT_EQ(FindText(rec, "Elevation")->Escapement, 900);
  }
}

TEST_F(BeltTest, SouthernObserverMeasuresAzimuthFromNorth) {
  belt.ObsLat = -33.9;
  Draw();
  TSat sat = MakeSat("Optus D1", 29495, 20, 40);  // 20 degrees east of north
  belt.DrawSat(sat);
  const auto blue = PixelsOf(belt.Picture(), 0x0000FF);
  ASSERT_FALSE(blue.empty());
  EXPECT_GT(blue.front().x(), belt.OriginX);  // east is on the right
  Save(belt.Picture(), "clarkebelt-south.png");
}

TEST_F(BeltTest, ColoursOfSatellitesSunAndMoon) {
  Draw();
  TSat other = MakeSat("Hot Bird 13E", 33459, 170, 30);
  TSat moon = MakeSat("Moon", MoonNoradNr, 150, 20);
  TSat sun = MakeSat("Sun", SunNoradNr, 220, 15);
  TSat sel = MakeSat("Astra 2F", 38778, 200, 28);
  belt.DrawSat(moon);
  belt.DrawSat(sun);
  belt.DrawSat(other);
  belt.Selected = true;
  belt.DrawSat(sel);
  belt.Selected = false;
  const QImage img = belt.Picture();
  Save(img, "clarkebelt-colours.png");

  EXPECT_FALSE(PixelsOf(img, 0x0000FF).empty());
  EXPECT_FALSE(PixelsOf(img, 0xFF0000).empty());
  const auto grey = PixelsOf(img, 0x808080);
  EXPECT_FALSE(grey.empty());
  // The sun: a yellow disc of radius Nearest(0.27 x ScaleX), at least 6.
  const int R = std::max(6, Nearest(0.27 * belt.ScaleX));
  const auto yellow = PixelsOf(img, 0xFFFF00);
  ASSERT_FALSE(yellow.empty());
  QRect box;
  for (const auto& p : yellow) box |= QRect(p, QSize(1, 1));
  EXPECT_NEAR(box.width(), 2 * R, 1);
  EXPECT_NEAR(box.height(), 2 * R, 1);
  EXPECT_NEAR(box.center().x(), belt.OriginX + Nearest(40 * belt.ScaleX), 1);
  // Names for satellites only.
  EXPECT_NE(FindText(rec, "Astra 2F"), nullptr);
  EXPECT_NE(FindText(rec, "Hot Bird 13E"), nullptr);
  EXPECT_EQ(FindText(rec, "Sun"), nullptr);
  EXPECT_EQ(FindText(rec, "Moon"), nullptr);
}

struct HiddenCase {
  double el;
  bool visible;
};

TEST_F(BeltTest, SatelliteAtOrBelowHorizonLeavesNoMark) {
  const HiddenCase cases[] = {{0.0, true}, {-5.0, true}, {20.0, false},
                              {std::numeric_limits<double>::quiet_NaN(), true}};
  for (const auto& k : cases) {
    Draw();
    TSat sat = MakeSat("Low", 12345, 180, k.el);
    sat.SatPos.Visible = k.visible;
    belt.Selected = true;
    belt.ShowEights = true;
    belt.DrawSat(sat);
    belt.Selected = belt.ShowEights = false;
    const QImage img = belt.Picture();
    EXPECT_TRUE(PixelsOf(img, 0xFF0000).empty()) << k.el;
    EXPECT_TRUE(PixelsOf(img, 0x0000FF).empty()) << k.el;
    EXPECT_EQ(FindText(rec, "Low"), nullptr) << k.el;
  }
}

TEST_F(BeltTest, StarsStandAtTheirAltitudeAndFaintOnesAreLeftOut) {
  belt.SetSize(800, 500);  // leaves label room above the arc up to beyond 38 degrees
  belt.ShowStars = true;
  belt.StarMagLimit = 4.0;
  belt.LclStarTime = 100;
  TStarList list;
  list.LoadFromText(
      "RA;Dec;Mag;Nr;Designation;Constellation;Name\n"
      "6.6666666666666667;0;1.0;1;Del;Mon;Equator\n"   // RA 100 degrees: hour angle 0
      "6.8;2;4.5;2;Eps;Mon;Faint\n"
      "18.6666666666666667;0;1.0;3;Alp;Oph;Below\n");  // hour angle 180: under the horizon
  TStarList* saved = StarList;
  StarList = &list;
  Draw();
  StarList = saved;
  ASSERT_GT(belt.LabelWidth / belt.ScaleY + belt.RangeY, 38.0);
  const TTextCall* star = FindText(rec, "Equator");
  ASSERT_NE(star, nullptr);
  const double alt = 90 - 52.083;  // 38 degrees
  EXPECT_EQ(star->X, belt.OriginX);
  EXPECT_NEAR(star->Y, belt.OriginY - alt * belt.ScaleY, 1);
  EXPECT_EQ(FindText(rec, "Faint"), nullptr);
  EXPECT_EQ(FindText(rec, "Below (Oph)"), nullptr);
  Save(belt.Picture(), "clarkebelt-stars.png");
}

TEST_F(BeltTest, StarDesignationsOnRequest) {
  belt.SetSize(800, 500);
  belt.ShowStars = true;
  belt.ShowStarDsg = true;
  belt.LclStarTime = 100;
  TStarList list;
  list.LoadFromText("RA;Dec;Mag;Nr;Designation;Constellation;Name\n"
                    "6.6666666666666667;0;1.0;1;Gam;Mon; \n");
  TStarList* saved = StarList;
  StarList = &list;
  Draw();
  StarList = saved;
  EXPECT_NE(FindText(rec, "Gam Mon"), nullptr);
}

// A collection that moves one satellite along a small figure eight.
class FakeSats : public ISatTrackSource {
 public:
  TDateTime GetUTC() const override { return utc; }
  void SetUTC(TDateTime t) override { utc = t; }
  TSat* FindSat(std::string_view name) override {
    ++calls;
    if (failAt > 0 && calls == failAt) throw std::runtime_error("library failure");
    if (name != sat.Name) return nullptr;
    const double phase = (utc - base) * 2 * M_PI;
    sat.SatPos.Azimuth = 190 + 2 * std::sin(phase);
    sat.SatPos.Elevation = 28 + 1.5 * std::sin(2 * phase);
    return &sat;
  }
  TDateTime utc = 0;
  TDateTime base = 0;
  TSat sat;
  int calls = 0;
  int failAt = 0;
};

TEST_F(BeltTest, TrackLeavesTheCollectionClockAlone) {
  FakeSats sats;
  sats.base = belt.UTC;
  sats.utc = belt.UTC + 0.01;  // the collection's own clock, not the drawing's
  sats.sat = MakeSat("Inclined 1", 20001, 190, 28);
  belt.Sats = &sats;
  Draw();
  TSat shown = sats.sat;
  belt.Selected = true;
  belt.ShowEights = true;
  belt.DrawSat(shown);
  EXPECT_EQ(sats.calls, 145);
  EXPECT_DOUBLE_EQ(sats.utc, belt.UTC + 0.01);
  Save(belt.Picture(), "clarkebelt-track.png");

  // A failing step ends the drawing with the failure, and the clock is back all the same.
  sats.calls = 0;
  sats.failAt = 10;
  Draw();
  EXPECT_THROW(belt.DrawSat(shown), std::runtime_error);
  EXPECT_DOUBLE_EQ(sats.utc, belt.UTC + 0.01);
  belt.Sats = nullptr;
}

struct DegenerateCase {
  double lat;
  int w, h;
};

TEST_F(BeltTest, DegenerateViewsDrawTitleAndFrameOnly) {
  const DegenerateCase cases[] = {
      {85.0, 1024, 768}, {-89.0, 1024, 768}, {52.0, 60, 60}, {52.0, 0, 0},
      {std::numeric_limits<double>::quiet_NaN(), 800, 600}};
  for (const auto& k : cases) {
    for (bool prop : {false, true}) {
      belt.ObsLat = k.lat;
      belt.SetSize(k.w, k.h);
      belt.Proportional = prop;
      for (int round = 0; round < 2; ++round) {
        ASSERT_NO_THROW(Draw()) << k.lat << " " << k.w;
        EXPECT_TRUE(belt.Degenerate()) << k.lat << " " << k.w;
        EXPECT_EQ(belt.Picture().width(), std::max(1, k.w));
        EXPECT_EQ(belt.Picture().height(), std::max(1, k.h));
        EXPECT_NE(FindText(rec, "Clarke Belt"), nullptr);
        TSat sat = MakeSat("Any", 1, 180, 10);
        belt.Selected = true;
        EXPECT_NO_THROW(belt.DrawSat(sat));
        belt.Selected = false;
        EXPECT_TRUE(PixelsOf(belt.Picture(), 0xFF0000).empty());
      }
    }
  }
}

TEST_F(BeltTest, ProportionalLayoutShrinksToTheDrawing) {
  belt.Proportional = true;
  Draw();
  EXPECT_DOUBLE_EQ(belt.ScaleX, belt.ScaleY);
  const int w = (Nearest(belt.RangeX * belt.ScaleX) + belt.SideMargin) * 2 + belt.LeftMargin;
  const int h = Nearest(belt.RangeY * belt.ScaleY) + belt.LabelWidth + belt.BottomMargin +
                belt.TopMargin;
  EXPECT_EQ(belt.Picture().width(), w);
  EXPECT_EQ(belt.Picture().height(), h);
  EXPECT_EQ(belt.Width(), w);
  EXPECT_EQ(belt.Height(), h);
  EXPECT_EQ(belt.OriginY, h - belt.BottomMargin);
  Save(belt.Picture(), "clarkebelt-proportional.png");
}

TEST_F(BeltTest, SideMarginDependsOnTheTitle) {
  Draw();
  const int w = belt.LabelWidth;
  EXPECT_GT(w, 50);
  EXPECT_EQ(belt.SideMargin, w / 3);
  belt.Title = "Azimuth Map";
  Draw();
  EXPECT_EQ(belt.SideMargin, w);
  EXPECT_NE(FindText(rec, "Azimuth Map"), nullptr);
}

// A whole picture for a person to look at: the shipped catalogue to magnitude 5 with names,
// satellites along the arc, the Sun, the Moon and a track.
TEST_F(BeltTest, FullPictureWithShippedStars) {
  const char* bin = std::getenv("VELMAR_BIN");
  TStarList list;
  list.LoadFromFile(std::string(bin ? bin : VIEWS_TEST_DIST_DIR) + "/Stars.csv");
  ASSERT_GT(list.Count(), 1000);
  TStarList* saved = StarList;
  StarList = &list;
  belt.ShowStars = true;
  belt.ShowStarDsg = true;
  belt.StarMagLimit = 5;
  belt.LclStarTime = 80;
  Draw();
  StarList = saved;
  const size_t texts = rec.size();
  std::vector<TSat> sats;
  for (int lon = -60; lon <= 60; lon += 15) {
    const double az = 180 + GeoAzimuthDeg(lon), el = GeoElevationDeg(lon);
    sats.push_back(MakeSat("Geo " + std::to_string(lon), 30000 + lon, az, el, -lon * 0.8));
  }
  sats.push_back(MakeSat("Sun", SunNoradNr, 230, 12));
  sats.push_back(MakeSat("Moon", MoonNoradNr, 140, 25));
  for (auto& s : sats) belt.DrawSat(s);
  belt.Selected = true;
  belt.DrawSat(sats[4]);
  belt.Selected = false;
  EXPECT_GT(texts, 40u);  // grid words and star names
  EXPECT_FALSE(PixelsOf(belt.Picture(), 0xFF0000).empty());
  Save(belt.Picture(), "clarkebelt-full.png");
}

TEST_F(BeltTest, WidgetShowsTheFinishedPicture) {
  TImageWidget widget;
  widget.resize(400, 300);
  belt.SetControl(&widget);
  belt.Proportional = false;
  Draw();
  EXPECT_EQ(belt.Picture().size(), QSize(400, 300));
  belt.Invalidate();
  EXPECT_EQ(widget.Image(), &belt.Picture());
  const QImage shot = widget.grab().toImage();
  EXPECT_EQ(shot.size(), QSize(400, 300));
  belt.SetControl(nullptr);
}

struct TargetCase {
  QSize picture, widget;
  QRect want;
};

TEST(ImageWidget, StretchesProportionallyAndCentres) {
  const TargetCase cases[] = {
      {{200, 100}, {400, 400}, {0, 100, 400, 200}},
      {{200, 100}, {100, 100}, {0, 25, 100, 50}},
      {{100, 200}, {400, 200}, {150, 0, 100, 200}},
      {{0, 0}, {100, 100}, {}},
  };
  for (const auto& k : cases) EXPECT_EQ(TImageWidget::TargetRect(k.picture, k.widget), k.want);
}

}  // namespace
