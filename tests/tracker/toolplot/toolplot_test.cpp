#include "toolplot.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "anglehelpers.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "toolplot_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

void Save(const QImage& img, const char* name) {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const QString dir = QString::fromUtf8(env ? env : TOOLPLOT_TEST_OUT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/" + name));
}

double TanDeg(double d) { return std::tan(d * M_PI / 180); }

bool Black(const QImage& img, int x, int y) {
  return x >= 0 && y >= 0 && x < img.width() && y < img.height() && (img.pixel(x, y) & 0xFFFFFF) == 0;
}

// Some black pixel among (x, y) and its neighbours within d.
bool BlackNear(const QImage& img, int x, int y, int d = 1) {
  for (int dy = -d; dy <= d; ++dy)
    for (int dx = -d; dx <= d; ++dx)
      if (Black(img, x + dx, y + dy)) return true;
  return false;
}

int BlackCount(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += Black(img, x, y);
  return n;
}

TSat MakeSat(const std::string& name, double az, double el) {
  TSat s;
  s.Name = name;
  s.SatPos.Azimuth = az;
  s.SatPos.Elevation = el;
  return s;
}

const TTextCall* FindText(const std::vector<TTextCall>& rec, const std::string& text) {
  for (const auto& t : rec)
    if (t.Text == text) return &t;
  return nullptr;
}

class ToolPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    plot.ToolFont.SetSize(10);
    plot.Canvas().SetTextRecorder(&rec);
  }
  void Start(int w, int h, int mode = 0) {
    plot.SetSize(w, h);
    plot.ToolMode = static_cast<std::uint8_t>(mode);
    plot.Clear();
    rec.clear();
  }
  TToolPlot plot;
  std::vector<TTextCall> rec;
};

TEST_F(ToolPlotTest, MarginsFollowTheHeightWithAFloorOfSixPixels) {
  struct Case {
    int w, h, top, side;
  } const cases[] = {
      {1754, 1240, 62, 15},  // A4 landscape at 150 dpi
      {800, 600, 30, 7},
      {200, 100, 5, 6},
      {0, 0, 0, 6},  // no size yet: a picture of one pixel
  };
  for (const auto& c : cases) {
    Start(c.w, c.h);
    EXPECT_EQ(plot.TopMargin, c.top) << c.h;
    EXPECT_EQ(plot.SideMargin, c.side) << c.h;
    EXPECT_EQ(plot.BottomMargin, c.side) << c.h;
    EXPECT_EQ(plot.DrawCount, 0);
    EXPECT_EQ(plot.Picture().width(), std::max(1, c.w));
    EXPECT_EQ(plot.Picture().height(), std::max(1, c.h));
  }
}

// The first template: corner in the lower right, the triangle running left and up; the rise
// is cut at the plot height for steep elevations.
TEST_F(ToolPlotTest, FirstTemplateGeometry) {
  struct Case {
    double el;
    bool cut;
  } const cases[] = {{20, false}, {45, true}, {60, true}};
  for (const auto& c : cases) {
    Start(1754, 1240);
    const TSat sat = MakeSat("Astra 1KR", 160.5, c.el);
    plot.DrawSat(sat);
    const int sm = plot.SideMargin, W = 1754, H = 1240;
    const int pw = W - 2 * sm, ph = H - plot.TopMargin - plot.BottomMargin;
    int rise = Nearest(TanDeg(c.el) * pw), run = pw;
    if (rise > ph) {
      rise = ph;
      run = Nearest(ph / TanDeg(c.el));
    }
    EXPECT_EQ(rise == ph, c.cut) << c.el;
    const int x0 = W - sm, y0 = H - sm;
    const QImage& img = plot.Picture();
    EXPECT_TRUE(Black(img, x0 - run / 2, y0)) << "base " << c.el;
    EXPECT_TRUE(Black(img, x0, y0 - rise / 2)) << "upright " << c.el;
    EXPECT_TRUE(BlackNear(img, x0 - run / 2, y0 - rise / 2)) << "hypotenuse " << c.el;
    EXPECT_TRUE(Black(img, x0 - rise, y0 - 1)) << "mark " << c.el;
    if (c.el > 45) {  // the mark falls beyond the far vertex, where the base has ended
      EXPECT_LT(x0 - rise, x0 - run);
      EXPECT_FALSE(Black(img, x0 - rise - 3, y0));
    }

    // The name with the azimuth from south, and the elevation label.
    const std::string name = "Astra 1KR  (Azi 19.5\xB0 E)";
    const TTextCall* n = FindText(rec, name);
    ASSERT_NE(n, nullptr) << c.el;
    const QSize ext = plot.Canvas().TextExtent(name);
    EXPECT_EQ(n->X, x0 - run / 10 - ext.width());
    EXPECT_EQ(n->Y, y0 - rise / 10 - ext.height());
    EXPECT_EQ(n->Escapement, 0);
    const std::string elev = DegToDMSStr("#0.0#", true, c.el);
    const TTextCall* e = FindText(rec, elev);
    ASSERT_NE(e, nullptr) << c.el;
    const int h2 = plot.Canvas().TextHeight(elev);
    int r = Nearest(Nearest(h2 * 1.3) / TanDeg(c.el));
    if (std::abs(r) > std::abs(run / 3)) r = run / 3;
    EXPECT_EQ(e->X, x0 - run + Nearest(r * 1.02));
    EXPECT_EQ(e->Y, y0 - Nearest(h2 * 1.05));
    EXPECT_EQ(plot.DrawCount, 1);
    EXPECT_EQ(plot.ToolSat, &sat);
  }
}

TEST_F(ToolPlotTest, SecondTemplateHangsUpsideDownFromTheUpperLeft) {
  Start(1754, 1240);
  plot.DrawSat(MakeSat("First", 180, 30));
  rec.clear();
  plot.DrawSat(MakeSat("Second", 200, 25));
  const int sm = plot.SideMargin;
  const int run = 1754 - 2 * sm, rise = Nearest(TanDeg(25) * run);
  const QImage& img = plot.Picture();
  EXPECT_TRUE(Black(img, sm + run / 2, sm));         // base along the top
  EXPECT_TRUE(Black(img, sm, sm + rise / 2));        // upright on the left
  EXPECT_TRUE(Black(img, sm + rise, sm + 1));        // the mark, below the base
  const std::string name = "Second  (Azi 20\xB0 W)";
  const TTextCall* n = FindText(rec, name);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Escapement, 1800);
  const QSize ext = plot.Canvas().TextExtent(name);
  EXPECT_EQ(n->X, sm + run / 10 + ext.width());
  EXPECT_EQ(n->Y, sm + rise / 10 + ext.height());
  EXPECT_EQ(plot.DrawCount, 2);
  Save(img, "toolplot-two-templates.png");
}

TEST_F(ToolPlotTest, ThirdTemplateStartsAFreshPicture) {
  Start(800, 600);
  plot.DrawSat(MakeSat("A", 180, 30));
  plot.DrawSat(MakeSat("B", 180, 30));
  const int sm = plot.SideMargin;
  ASSERT_TRUE(Black(plot.Picture(), sm + 100, sm));  // the second template's base
  plot.DrawSat(MakeSat("C", 180, 30));
  EXPECT_EQ(plot.DrawCount, 1);
  EXPECT_FALSE(Black(plot.Picture(), sm + 100, sm));
  EXPECT_TRUE(Black(plot.Picture(), 800 - sm - 100, 600 - sm));  // drawn as a first template
}

// Templates that cannot be finished: what was drawn stays, the count advances, nothing throws.
TEST_F(ToolPlotTest, UnfinishedTemplates) {
  struct Case {
    const char* what;
    int w, h, mode;
    double el;
    bool nameDrawn;
  } const cases[] = {
      {"elevation 0 (zero tangent)", 800, 600, 0, 0.0, true},
      {"NaN elevation", 800, 600, 0, std::numeric_limits<double>::quiet_NaN(), false},
      {"elevation 90", 800, 600, 0, 90.0, false},
      {"picture narrower than its margins", 10, 200, 0, 30.0, false},
      {"one pixel", 0, 0, 0, 30.0, false},
      {"grid on one pixel", 0, 0, 1, 0.0, false},
      {"unknown mode", 800, 600, 2, 30.0, false},
  };
  for (const auto& c : cases) {
    Start(c.w, c.h, c.mode);
    const int before = BlackCount(plot.Picture());
    EXPECT_NO_THROW(plot.DrawSat(MakeSat("Sat", 180, c.el))) << c.what;
    EXPECT_EQ(plot.DrawCount, 1) << c.what;
    EXPECT_EQ(FindText(rec, "Sat  (Azi 0\xB0)") != nullptr, c.nameDrawn) << c.what;
    if (c.mode == 2) {
      EXPECT_EQ(BlackCount(plot.Picture()), before);
    }
  }
  // Elevation 0 draws the name only: no triangle along the base.
  Start(800, 600);
  plot.DrawSat(MakeSat("Sat", 180, 0));
  EXPECT_FALSE(Black(plot.Picture(), 400, 600 - plot.SideMargin));
}

// ---- degree square -------------------------------------------------------------------------

TEST_F(ToolPlotTest, GridLinesOnlyWithAGridStep) {
  for (int step : {0, 15}) {
    Start(1754, 1240, 1);
    plot.GridStep = step;
    plot.GridCols = 1;
    plot.DrawSat(EmptySat);
    const int sm = plot.SideMargin, y0 = 1240 - sm;
    const int pw = 1754 - 2 * sm;
    // The 30 degree line ends on the right edge, the 60 degree line on the top edge.
    int onLine = 0;
    for (int k = 200; k < 230; ++k) {
      onLine += BlackNear(plot.Picture(), sm + k, y0 - Nearest(TanDeg(30) * k), 0);
      onLine += BlackNear(plot.Picture(), sm + Nearest(k / TanDeg(60)), y0 - k, 0);
    }
    if (step == 0)
      EXPECT_EQ(onLine, 0);
    else
      EXPECT_GT(onLine, 20);  // dotted: about half the pixels
    EXPECT_TRUE(Black(plot.Picture(), sm + pw / 2, y0));  // the frame
    Save(plot.Picture(), step ? "toolplot-grid-step15.png" : "toolplot-grid-step0.png");
  }
}

TEST_F(ToolPlotTest, SideScalesStandAtTheEdgeHalfAndQuarter) {
  Start(1754, 1240, 1);
  plot.GridStep = 10;
  plot.GridCols = 3;
  plot.DrawSat(EmptySat);
  const int sm = plot.SideMargin, W = 1754, y0 = 1240 - sm, ymid = 620;
  int x0 = W - sm;
  const QImage& img = plot.Picture();
  for (int col = 0; col < 3; ++col) {
    EXPECT_TRUE(Black(img, x0, ymid)) << col;
    x0 = sm + Nearest((x0 - sm) / 2.0);
  }
  // Side labels read across; top labels read upward. Tick length never below 3.
  const int t = std::max(3, W / 150);
  const int pw = W - 2 * sm;
  const std::string ten = DegToDMSStr("#0.#", true, 10);
  std::vector<TTextCall> tens;
  for (const auto& r : rec)
    if (r.Text == ten && r.Escapement == 0) tens.push_back(r);
  ASSERT_EQ(tens.size(), 3u);  // every scale starts at 1 degree
  EXPECT_EQ(tens[0].X, W - sm - 3 * t - plot.Canvas().TextWidth(ten));
  EXPECT_EQ(tens[0].Y, y0 - Nearest(TanDeg(10) * pw) - plot.Canvas().TextHeight(ten) / 2);
  EXPECT_LT(tens[1].X, tens[0].X);
  EXPECT_LT(tens[2].X, tens[1].X);
  const TTextCall* top = FindText(rec, DegToDMSStr("#0.#", true, 85));
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->Escapement, 900);
  EXPECT_TRUE(Black(img, sm + Nearest((1240 - 2 * sm) / TanDeg(85)), sm + 2 * t - 1));  // long tick
  // The corner's crop marks reach the picture's edges.
  EXPECT_TRUE(Black(img, 0, y0));
  EXPECT_TRUE(Black(img, sm, 1239));
  Save(img, "toolplot-grid-3cols.png");
}

TEST_F(ToolPlotTest, SteepSquaresLabelEveryTenDegrees) {
  // Diagonal steeper than 60 degrees (portrait): only multiples of 10 carry a label.
  Start(600, 1754, 1);
  plot.DrawSat(EmptySat);
  EXPECT_EQ(FindText(rec, DegToDMSStr("#0.#", true, 65)), nullptr);
  EXPECT_EQ(FindText(rec, DegToDMSStr("#0.#", true, 5)), nullptr);
  EXPECT_NE(FindText(rec, DegToDMSStr("#0.#", true, 70)), nullptr);
  // Landscape: every multiple of 5.
  Start(1754, 600, 1);
  plot.DrawSat(EmptySat);
  EXPECT_NE(FindText(rec, DegToDMSStr("#0.#", true, 5)), nullptr);
  EXPECT_NE(FindText(rec, DegToDMSStr("#0.#", true, 15)), nullptr);
}

TEST_F(ToolPlotTest, ManyColumnsStopWhenNoWidthIsLeft) {
  Start(300, 200, 1);
  plot.GridCols = 1000;
  EXPECT_NO_THROW(plot.DrawSat(EmptySat));
  EXPECT_TRUE(Black(plot.Picture(), 0, 200 - plot.SideMargin));  // the corner was reached
}

}  // namespace
