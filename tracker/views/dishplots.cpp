#include "dishplots.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "anglehelpers.h"

namespace {

constexpr double kRad = M_PI / 180.0;
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

double SinD(double d) { return std::sin(d * kRad); }
double CosD(double d) { return std::cos(d * kRad); }
double TanD(double d) { return std::tan(d * kRad); }
double ArcTanD(double x) { return std::atan(x) / kRad; }

// Nearest for the far ends of sloped lines: values beyond a billion pixels keep their sign and
// stay a billion, so the comparisons with the margins decide as with the exact value and a
// steep line still runs the right way. NaN throws like Nearest.
int NearestFar(double x) {
  constexpr double kFar = 1e9;
  if (std::isnan(x)) throw std::domain_error("NearestFar: NaN");
  if (x > kFar) return static_cast<int>(kFar);
  if (x < -kFar) return -static_cast<int>(kFar);
  return Nearest(x);
}

// A line from (x, y) running `run` pixels to the right and rising with `slope` (up positive),
// stopped at the screen row `top`: gives the run and the rise (up positive) of its far end.
// A stopped line whose slope is 0 throws (its run would be a division by zero).
QPoint UpToTop(double slope, int run, int y, int top) {
  int rise = NearestFar(slope * run);
  if (y - rise < top) {
    rise = y - top;
    if (slope == 0) throw std::domain_error("UpToTop: level line above the top");
    run = NearestFar(rise / slope);
  }
  return QPoint(run, rise);
}

// The dish symbol: reflector arc about the focus P between the rim points, closed by its chord;
// with `arms` the feed arms from the first rim point to P and on to the second first.
void DishSymbol(TCanvas& c, QPoint p, QPoint rim1, QPoint rim2, int radius, bool arms) {
  if (arms) {
    c.MoveTo(rim1.x(), rim1.y());
    c.LineTo(p.x(), p.y());
    c.LineTo(rim2.x(), rim2.y());
  }
  c.Chord(p.x() - radius, p.y() - radius, p.x() + radius, p.y() + radius, rim1.x(), rim1.y(), rim2.x(),
          rim2.y());
}

}  // namespace

// ---- obstacle plot ---------------------------------------------------------------------------

TObstPlot::TObstPlot(QWidget* parent) : TSatPlotBox(parent) {}

void TObstPlot::CalcScale() {
  const int W = Width(), H = Height();
  PlotHeight = H - TopMargin - BottomMargin;
  PlotWidth = W - static_cast<int>(std::trunc(LeftMargin * 1.5 + PlotHeight * 60.0 / 303.0));
  RangeX = ObstDist;
  RangeY = std::max(std::max(DishHeight, ObstHeight) + 1, 3.0);
  OriginX = LeftMargin;
  OriginY = H - BottomMargin;

  const double rise = ObstHeight - DishHeight;
  if (!std::isfinite(rise) || !std::isfinite(ObstDist)) {
    ObstAngle = 0;
  } else if (ObstDist == 0) {
    // The top stands at the dish: straight up, straight down or level.
    ObstAngle = rise > 0 ? 90 : rise < 0 ? -90 : 0;
  } else {
    ObstAngle = ArcTanD(rise / ObstDist);
  }

  const bool usable = std::isfinite(ObstHeight) && std::isfinite(DishHeight) && std::isfinite(RangeX) &&
                      RangeX != 0;
  const double scale = usable ? std::min(PlotWidth / RangeX, PlotHeight / RangeY) : 0;
  if (!std::isfinite(scale) || !std::isfinite(RangeX * scale) || std::fabs(RangeX * scale) > 1e9 ||
      std::fabs(RangeY * scale) > 1e9) {
    Scale = 0;
    PlotWidth = 0;
    PlotHeight = 0;
    return;
  }
  Scale = scale;
  PlotWidth = Nearest(RangeX * Scale);
  PlotHeight = Nearest(Scale * RangeY);
}

void TObstPlot::Paint(TCanvas& c) {
  if (!(ObstHeight > 0) || !(Scale > 0)) return;
  try {
    DrawPlot(c);
  } catch (...) {
    // What was drawn stays.
  }
}

void TObstPlot::DrawPlot(TCanvas& c) {
  const int W = Width();
  const double e = -Elevation;
  const double m = Scale;
  const int topY = Nearest(OriginY - DishHeight * Scale);
  const int xr = W - LeftMargin / 2;

  // Ground and mast.
  c.MoveTo(LeftMargin / 2, OriginY);
  c.LineTo(xr, OriginY);
  c.Pen().Width = 3;
  c.MoveTo(OriginX, OriginY);
  c.LineTo(OriginX, topY);
  c.Pen().Width = 1;

  // Dish, its focus one metre along the line of sight from the mast top.
  const QPoint p(Nearest(OriginX + CosD(e) * m), Nearest(topY + SinD(e) * m));
  const QPoint rim1(Nearest(p.x() - m * CosD(e + 50)), Nearest(p.y() - m * SinD(e + 50)));
  const QPoint rim2(Nearest(p.x() - m * CosD(e - 50)), Nearest(p.y() - m * SinD(e - 50)));
  DishSymbol(c, p, rim1, rim2, Nearest(m), true);

  // A line from the mast top at `angle` (screen sense: negative is up) to the right edge of the
  // ground, stopped at the top margin.
  const auto sightLine = [&](double angle) {
    const QPoint end = UpToTop(-TanD(angle), xr - OriginX, topY, TopMargin);
    c.MoveTo(OriginX, topY);
    c.LineTo(OriginX + end.x(), topY - end.y());
  };
  c.Pen().Style = TPenStyle::Dot;
  sightLine(-ObstAngle);
  c.Pen().Style = TPenStyle::Solid;

  c.Pen().Color = kRed;
  if (ObstAngle > Elevation) c.Pen().Style = TPenStyle::Dot;  // blocked
  sightLine(e);
  c.Pen().Style = TPenStyle::Solid;
  c.Pen().Color = Qt::black;

  // Distance scale: a tick per metre, long every five; the last one lies beyond the distance.
  const int xEnd = OriginX + NearestFar(ObstDist * Scale);
  for (int i = 0; i < kMaxTicks; ++i) {
    const int x = OriginX + NearestFar(i * Scale);
    c.MoveTo(x, OriginY);
    c.LineTo(x, OriginY + (i % 5 == 0 ? 5 : 2));
    if (x > xEnd) break;
  }
  // Height scale on the right, up to a tick above the higher of dish and obstacle.
  const int yEnd = OriginY - NearestFar(std::max(DishHeight, ObstHeight) * Scale);
  for (int i = 0; i < kMaxTicks; ++i) {
    const int y = OriginY - NearestFar(i * Scale);
    c.MoveTo(xr + (i % 5 == 0 ? 5 : 2), y);
    c.LineTo(xr, y);
    if (y < yEnd) break;
  }
  c.LineTo(xr, OriginY);
}

// ---- angle plot ------------------------------------------------------------------------------

TAnglePlot::TAnglePlot(QWidget* parent) : TSatPlotBox(parent) {}

void TAnglePlot::Paint(TCanvas& c) {
  const int W = Width(), H = Height();
  const int cx = Nearest(W / 2.0);
  const int y0 = H - BottomMargin;
  const bool northern = ObsLat > 0;
  const double a = northern ? Azimuth + 180 : Azimuth;
  const char* leftWord = northern ? "East" : "West";
  const char* rightWord = northern ? "West" : "East";
  const char* topWord = northern ? "South" : "North";

  c.MoveTo(cx, y0);
  c.LineTo(cx, TopMargin);
  try {
    c.TextOut(cx - c.TextWidth(topWord) / 2, TopMargin, topWord);
    c.TextOut(SideMargin, y0 + 1, leftWord);
    c.TextOut(W - SideMargin - c.TextWidth(rightWord), y0 + 1, rightWord);
    c.MoveTo(SideMargin, y0);
    c.LineTo(W - SideMargin, y0);

    // The dish, its focus L pixels along the azimuth from the base point.
    const int L = std::min(W / 6, 40);
    const QPoint p(Nearest(cx + SinD(a) * L), Nearest(y0 - CosD(a) * L));
    const QPoint rim1(Nearest(p.x() - SinD(a + 50) * L), Nearest(p.y() + CosD(a + 50) * L));
    const QPoint rim2(Nearest(p.x() - SinD(a - 50) * L), Nearest(p.y() + CosD(a - 50) * L));
    DishSymbol(c, p, rim1, rim2, L, true);

    // Direction line to the top margin, or to a side margin when it leaves the plot sideways.
    int k = CosD(a) >= 0 ? 1 : -1;
    int n = H - BottomMargin - TopMargin;
    int t = NearestFar(TanD(a) * n);
    if (std::abs(t) > cx - SideMargin) {
      k = SinD(a) >= 0 ? 1 : -1;
      t = cx - SideMargin;
      const double tanA = TanD(a);
      if (tanA == 0) throw std::domain_error("TAnglePlot: level direction");
      n = NearestFar(t / tanA);
    }
    const bool help = HelpItem == hiAzimuth;
    c.Pen().Color = help ? kBlue : kRed;
    if (help) c.Pen().Style = TPenStyle::Dot;
    c.MoveTo(cx + t * k, y0 - n * k);
    c.LineTo(cx, y0);
    if (help) c.LineTo(cx, TopMargin);
  } catch (...) {
    // What was drawn stays.
  }
  c.Pen().Style = TPenStyle::Solid;
  c.Pen().Color = Qt::black;
}

// ---- dish plot -------------------------------------------------------------------------------

TDishPlot::TDishPlot(QWidget* parent) : TSatPlotBox(parent) {}

TDishPlot::TAngles TDishPlot::Angles() const {
  TAngles g;
  if (!DishSat) return g;
  const TSatPosRecord& s = DishSat->SatPos;
  const double decl = std::fabs(s.Declination) - std::fabs(s.PolAxCorr);
  switch (MountMode) {
    case mmPolar: {
      const double S = ObsLat > 0 ? Normalize180(180 - s.Azimuth) : Normalize180(-s.Azimuth);
      g.X = ArcTanD(TanD(s.PolAxis) * CosD(S));
      g.O = ArcTanD(TanD(DishOffset) * CosD(s.PolAngle));
      g.Y = g.X - ArcTanD(TanD(decl + DishOffset) * CosD(s.PolAngle));
      break;
    }
    case mmAzimuthal:
      g.X = s.PolAxis;
      g.O = DishOffset;
      g.Y = s.Elevation - DishOffset;
      break;
    default:
      g.X = s.PolAxis;
      g.O = DishOffset;
      g.Y = s.PolAxis - (decl + DishOffset);
      break;
  }
  g.Z = 2 * g.Y - s.Elevation;
  return g;
}

void TDishPlot::Paint(TCanvas& c) {
  if (!DishSat) return;
  try {
    const TSatPosRecord& s = DishSat->SatPos;
    const int W = Width(), H = Height();
    const int cx = Nearest(W / 2.0);
    const int y0 = H - BottomMargin;
    const int R = std::min(W - 2 * SideMargin, H - TopMargin - BottomMargin) / 3;
    const int F = R / 4;
    const QPoint pivot(cx, y0 - R);
    const TAngles g = Angles();
    const double X = g.X, Y = g.Y, O = g.O, Z = g.Z;
    const bool azimuthal = MountMode == mmAzimuthal;

    TPoints& pt = points_;
    pt = TPoints();
    pt.R = R;
    pt.Pivot = pivot;
    pt.A = QPoint(Nearest(cx + F * SinD(X)), Nearest(y0 - R + F * CosD(X)));
    pt.B = QPoint(Nearest(pt.A.x() - F * SinD(Y)), Nearest(pt.A.y() - F * CosD(Y)));
    const QPoint A = pt.A, B = pt.B;
    pt.P = QPoint(Nearest(B.x() + R * CosD(Y)), Nearest(B.y() - R * SinD(Y)));
    const QPoint P = pt.P;
    pt.Rim1 = QPoint(Nearest(P.x() - R * CosD(Y - 50)), Nearest(P.y() + R * SinD(Y - 50)));
    pt.Rim2 = QPoint(Nearest(P.x() - R * CosD(Y + 50)), Nearest(P.y() + R * SinD(Y + 50)));
    pt.L = QPoint(Nearest(B.x() + R * CosD(Y - O)), Nearest(B.y() - R * SinD(Y - O)));
    const QPoint rim1 = pt.Rim1, rim2 = pt.Rim2, L = pt.L;

    // Mast, mount and the dish's back strut.
    c.MoveTo(cx, y0);
    c.LineTo(pivot.x(), pivot.y());
    if (!azimuthal) c.MoveTo(2 * cx - A.x(), 2 * pivot.y() - A.y());
    c.LineTo(A.x(), A.y());
    c.LineTo(2 * B.x() - A.x(), 2 * B.y() - A.y());

    // Reflector; the arms to the focus only for a dish without offset; the feed's support.
    DishSymbol(c, P, rim1, rim2, R, DishOffset == 0);
    c.MoveTo(rim2.x(), rim2.y());
    c.LineTo(L.x(), L.y());

    // Feed.
    const int fe = Nearest(R * CosD(Y - O) / 10), ff = Nearest(R * SinD(Y - O) / 10);
    c.Pen().Width = 3;
    c.MoveTo(L.x() + fe, L.y() - ff);
    c.LineTo(L.x() - fe, L.y() + ff);
    c.Pen().Width = 1;

    // Beam from the right margin to the reflector's centre, and reflected towards the feed.
    c.Pen().Color = kRed;
    const QPoint in = UpToTop(TanD(s.Elevation), W - SideMargin - B.x(), B.y(), TopMargin);
    c.MoveTo(B.x() + in.x(), B.y() - in.y());
    c.LineTo(B.x(), B.y());
    const QPoint out = UpToTop(TanD(Z), L.x() - B.x(), B.y(), TopMargin);
    c.LineTo(B.x() + out.x(), B.y() - out.y());

    // Help lines for the value label under the mouse pointer.
    c.Pen().Color = kBlue;
    c.Pen().Style = TPenStyle::Dot;
    // From the pivot up and to the left, v from the vertical, stopped at the side margin.
    const auto pivotLine = [&](double v) {
      int height = pivot.y() - TopMargin;
      int run = NearestFar(TanD(v) * height);
      if (run > cx - SideMargin) {
        run = cx - SideMargin;
        const double tanV = TanD(v);
        if (tanV == 0) throw std::domain_error("TDishPlot: vertical pivot line");
        height = NearestFar(run / tanV);
      }
      c.MoveTo(pivot.x(), pivot.y());
      c.LineTo(pivot.x() - run, pivot.y() - height);
    };
    // From B up and to the right, v above the horizontal, stopped at the top margin.
    const auto centreLine = [&](double v) {
      const QPoint end = UpToTop(TanD(v), W - SideMargin - B.x(), B.y(), TopMargin);
      c.MoveTo(B.x(), B.y());
      c.LineTo(B.x() + end.x(), B.y() - end.y());
    };
    const auto horizontalFromB = [&] {
      c.MoveTo(B.x(), B.y());
      c.LineTo(W - SideMargin, B.y());
    };
    const double decl = std::fabs(s.Declination) - std::fabs(s.PolAxCorr);
    switch (HelpItem) {
      case hiPolarAxis:
        c.MoveTo(cx, TopMargin);
        c.LineTo(pivot.x(), pivot.y());
        pivotLine(X);
        break;
      case hiDeclination:
        pivotLine(X);
        pivotLine(X - decl);
        centreLine(s.Elevation + std::fabs(s.Declination));
        break;
      case hiPolAxisCorr:
        pivotLine(X);
        pivotLine(X + std::fabs(s.PolAxCorr));
        break;
      case hiDishOffset:
        if (!azimuthal) {
          pivotLine(X - decl);
          pivotLine(Y);
        }
        centreLine(Y);
        centreLine(Y + O);
        centreLine(Y - O);
        break;
      case hiElevation: {
        centreLine(s.Elevation);
        // The same slope on down to the left margin, stopped at the plot's base line (or, for a
        // satellite below the horizon, at the top margin), and a level line across from there.
        const double slope = TanD(s.Elevation);
        int run = B.x() - SideMargin;
        int drop = NearestFar(slope * run);
        if (B.y() + drop > y0 || B.y() + drop < TopMargin) {
          drop = B.y() + drop > y0 ? y0 - B.y() : TopMargin - B.y();
          if (slope == 0) throw std::domain_error("TDishPlot: level elevation line");
          run = NearestFar(drop / slope);
        }
        c.MoveTo(B.x(), B.y());
        c.LineTo(B.x() - run, B.y() + drop);
        c.LineTo(W - SideMargin, B.y() + drop);
        break;
      }
      case hiDecHorPlane:
        centreLine(s.DecHorPlane);
        horizontalFromB();
        break;
      case hiDishAngle:
        centreLine(s.Elevation - O);
        horizontalFromB();
        break;
      default:
        break;
    }
  } catch (...) {
    // What was drawn stays.
  }
  c.Pen().Style = TPenStyle::Solid;
  c.Pen().Color = Qt::black;
}
