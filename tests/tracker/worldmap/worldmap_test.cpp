// The world-map frame: Mercator scale, where the marks land in boxes of several shapes, which
// marks show, and what the frame looks like (pictures saved to $VELMAR_TEST_OUT).
#include <QApplication>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "canvas.h"
#include "programpath.h"
#include "sat.h"
#include "worldmap.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "worldmap_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

const std::string kMapFile = std::string(WORLDMAP_TEST_DIST_DIR) + "/WorldMap.png";

void Save(const QImage& img, const std::string& name) {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const QString dir = QString::fromUtf8(env ? env : WORLDMAP_TEST_OUT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/" + QString::fromStdString(name)));
}

TSat Body(const char* element, const std::string& name, int nr, double lon, double lat) {
  TSat s;
  s.TwoLine.Name = element;
  s.Name = name;
  s.TwoLine.NoradNr = nr;
  s.SatPos.Longitude = lon;
  s.SatPos.Latitude = lat;
  return s;
}

// The centre of a mark.
QPoint Centre(const QWidget* mark) { return mark->pos() + QPoint(mark->width() / 2, mark->height() / 2); }

class WorldMapFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  // A shown frame of the given size with the shipped picture.
  std::unique_ptr<TWorldMapFrame> Frame(int w, int h) {
    auto f = std::make_unique<TWorldMapFrame>(nullptr, kMapFile);
    f->resize(w, h);
    f->show();
    return f;
  }
};

}  // namespace

TEST(WorldMapScaleTest, MercatorOrdinate) {
  const struct {
    double lat, y;
  } cases[] = {{0, 0}, {70, 0.7536812}, {-70, -0.7536812}, {45, 0.3827757}, {-30, -0.2385606}};
  for (const auto& c : cases) EXPECT_NEAR(MercatorY(c.lat), c.y, 1e-6) << c.lat;
}

TEST(WorldMapScaleTest, BoxShapes) {
  const QSize picture(1024, 566);
  const struct {
    QRect box;
    double kx, ky;
    int cx, cy;
  } cases[] = {
      {QRect(0, 0, 1024, 566), 1024 / 360.0, 283 / 0.7536812, 512, 283},
      // Relatively wider: the map width follows the box height, centred.
      {QRect(0, 0, 2048, 566), 1024 / 360.0, 283 / 0.7536812, 1024, 283},
      {QRect(0, 0, 1000, 283), 512 / 360.0, 141.5 / 0.7536812, 500, 141},
      // Relatively taller: the box width rules; odd sizes centre with integer division.
      {QRect(10, 20, 720, 1001), 2.0, 720.0 / 1024 * 283 / 0.7536812, 370, 520},
  };
  for (const auto& c : cases) {
    const auto s = WorldMapScale(c.box, picture);
    ASSERT_TRUE(s);
    EXPECT_NEAR(s->Kx, c.kx, 1e-9);
    EXPECT_NEAR(s->Ky, c.ky, 1e-4);
    EXPECT_EQ(s->Cx, c.cx);
    EXPECT_EQ(s->Cy, c.cy);
  }
  EXPECT_FALSE(WorldMapScale(QRect(0, 0, 0, 566), picture));
  EXPECT_FALSE(WorldMapScale(QRect(0, 0, 1024, 0), picture));
  EXPECT_FALSE(WorldMapScale(QRect(0, 0, 1024, 566), QSize()));
}

TEST(WorldMapScaleTest, PointsRoundHalvesToEvenAndStayFinite) {
  const TWorldMapScale s{2.0, 100.0, 360, 199};
  const struct {
    double lon, lat;
    int x, y;
  } cases[] = {{0.25, 0, 360, 199}, {0.75, 0, 362, 199}, {1.25, 0, 362, 199}, {-1.25, 0, 358, 199},
               {180, 70, 720, 199 - 75}, {-180, -70, 0, 199 + 75}};
  for (const auto& c : cases) {
    const auto p = WorldMapPoint(s, c.lon, c.lat);
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, QPoint(c.x, c.y)) << c.lon << " " << c.lat;
  }
  // The poles and beyond: held far off the map, never an undefined conversion.
  const auto pole = WorldMapPoint(s, 0, 90);
  ASSERT_TRUE(pole);
  EXPECT_LT(pole->y(), -1000);
  EXPECT_FALSE(WorldMapPoint(s, std::nan(""), 0));
  EXPECT_FALSE(WorldMapPoint(s, 0, std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(WorldMapPoint(s, 0, -90));  // log of zero
}

TEST_F(WorldMapFrameTest, MarksAtTheirPlaces) {
  // Frame of the picture's own size: centre (512, 283), 1024/360 pixels per degree, 70 N/S at
  // the top and bottom edges.
  auto f = Frame(1024, 566);
  ASSERT_FALSE(f->Map().isNull());
  EXPECT_EQ(f->Map().size(), QSize(1024, 566));
  f->ObsLat = 0;
  f->ObsLon = 190;  // used as stored: beyond the right edge
  const TSat sun = Body("SUN", "Sun", -1, 0, 70);
  const TSat moon = Body("MOON", "Moon", -2, 350, -70);
  const TSat sat = Body("ASTRA 1KR", "Astra 1KR", 29055, 190, 0);  // drawn at 170 W
  f->ShowSat(sun);
  f->ShowSat(moon);
  f->ShowSat(sat);
  EXPECT_EQ(f->ObserverShape->pos(), QPoint(512 + 540 - 2, 283 - 2));
  EXPECT_EQ(Centre(f->SunShape), QPoint(512, 0));
  EXPECT_EQ(Centre(f->MoonShape), QPoint(512 - 28, 566));
  EXPECT_EQ(Centre(f->SatShape), QPoint(512 - 484, 283));
  EXPECT_EQ(f->SatShape->size(), QSize(5, 5));
  EXPECT_EQ(f->SunShape->size(), QSize(10, 10));
  EXPECT_EQ(f->SatShape->toolTip(), "Astra 1KR");
  EXPECT_EQ(f->Sat(), &sat);

  // A box twice as wide as the picture's proportion: same scale, around the box centre.
  f->resize(2048, 566);
  f->ObsLon = -45;
  f->ObsLat = 35;
  f->ShowSat(Body("X", "X", 1, 90, 0));
  EXPECT_EQ(Centre(f->SatShape), QPoint(1024 + 256, 283));
  EXPECT_EQ(f->ObserverShape->pos(), QPoint(1024 - 128 - 2, 283 - 106 - 2));
}

TEST_F(WorldMapFrameTest, WhichMarksShow) {
  auto f = Frame(600, 400);
  for (QWidget* m : {f->ObserverShape, f->SatShape, f->SunShape, f->MoonShape}) EXPECT_TRUE(m->isHidden());
  const TSat sat = Body("NSS 7", "NSS 7", 26695, 338, 0);
  const TSat sun = Body("SUN", "Sun", -1, 10, 5);
  const struct {
    const TSat* body;
    bool sat, sunMark;
  } steps[] = {{&sat, true, false}, {&sun, false, true}, {&EmptySat, false, true}, {&sat, true, true}};
  for (const auto& s : steps) {
    f->ShowSat(*s.body);
    EXPECT_FALSE(f->ObserverShape->isHidden());
    EXPECT_EQ(!f->SatShape->isHidden(), s.sat) << s.body->Name;
    EXPECT_EQ(!f->SunShape->isHidden(), s.sunMark) << s.body->Name;
  }
  // An element name only counts when it is exactly "SUN".
  const TSat sunsat = Body("SUNSAT", "Sunsat", 25636, 0, 0);
  f->ShowSat(sunsat);
  EXPECT_FALSE(f->SatShape->isHidden());

  // Resizing does not move the marks; the next placement does.
  const QPoint before = f->SatShape->pos();
  f->resize(300, 200);
  QApplication::processEvents();
  EXPECT_EQ(f->SatShape->pos(), before);
  f->ShowSat(*f->Sat());
  EXPECT_NE(f->SatShape->pos(), before);
}

TEST_F(WorldMapFrameTest, UnusableInputsHideMarks) {
  auto f = Frame(0, 0);
  f->ShowSat(Body("X", "X", 1, 0, 0));
  for (QWidget* m : {f->ObserverShape, f->SatShape}) EXPECT_TRUE(m->isHidden());

  f->resize(500, 300);
  f->ObsLat = std::nan("");
  f->ShowSat(Body("X", "X", 1, std::nan(""), 0));
  EXPECT_TRUE(f->ObserverShape->isHidden());
  EXPECT_TRUE(f->SatShape->isHidden());
  f->ObsLat = 90;  // the pole lies far above the map
  f->ShowSat(Body("X", "X", 1, 10, 10));
  EXPECT_FALSE(f->ObserverShape->isHidden());
  EXPECT_LT(f->ObserverShape->y(), -1000);
  EXPECT_FALSE(f->SatShape->isHidden());
}

TEST_F(WorldMapFrameTest, WithoutPictureTheNominalProportionsHold) {
  auto f = std::make_unique<TWorldMapFrame>(nullptr, "/nonexistent/WorldMap.png");
  EXPECT_TRUE(f->Map().isNull());
  f->resize(1024, 1000);
  f->ShowSat(Body("X", "X", 1, 0, 70));
  EXPECT_EQ(Centre(f->SatShape), QPoint(512, 500 - 283));
  EXPECT_TRUE(f->LoadMap(kMapFile));
  EXPECT_FALSE(f->LoadMap("/nonexistent/WorldMap.png"));
  EXPECT_TRUE(f->Map().isNull());
}

TEST_F(WorldMapFrameTest, DefaultPictureFromTheProgramFolder) {
  SetProgramFileName(std::string(WORLDMAP_TEST_DIST_DIR) + "/Velmar");
  EXPECT_EQ(TWorldMapFrame::DefaultMapFile(), kMapFile);
  TWorldMapFrame f;
  SetProgramFileName("");
  EXPECT_EQ(f.Map().size(), QSize(1024, 566));
}

TEST_F(WorldMapFrameTest, Picture) {
  // Observer at 52 N 5 E, Sun and Moon, a geostationary satellite at 19.2 E.
  auto f = Frame(800, 500);
  f->ObsLat = 52.08;
  f->ObsLon = 5.13;
  const TSat sun = Body("SUN", "Sun", -1, 110, -22);
  const TSat moon = Body("MOON", "Moon", -2, 250, 18);
  const TSat sat = Body("ASTRA 1M", "Astra 1M", 33436, 19.2, 0);
  for (const TSat* b : {&sun, &moon, &sat}) f->ShowSat(*b);
  const QImage img = f->grab().toImage();
  Save(img, "worldmap-frame.png");
  const struct {
    QWidget* mark;
    QRgb colour;
  } marks[] = {{f->ObserverShape, 0x0000FF}, {f->SatShape, 0xFF0000}, {f->SunShape, 0xFFFF00},
               {f->MoonShape, 0xA0A0A4}};
  for (const auto& m : marks) {
    const QPoint c = Centre(m.mark);
    EXPECT_EQ(img.pixel(c) & 0xFFFFFF, m.colour) << m.mark->objectName().toStdString();
    // The rim is black.
    EXPECT_EQ(img.pixel(m.mark->x() + m.mark->width() / 2, m.mark->y()) & 0xFFFFFF, 0u);
  }
  // The map lies under the marks: away from them the picture is not the empty background.
  EXPECT_NE(img.pixel(10, 250), img.pixel(799, 0));
}
