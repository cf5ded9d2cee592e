#include "toolplot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "anglehelpers.h"
#include "imagewidget.h"

TToolPlot* ToolPlot = nullptr;

namespace {

constexpr double kPi = 3.14159265358979323846;

int Sign(int n) { return (n > 0) - (n < 0); }

double TanDeg(double deg) { return std::tan(deg * kPi / 180.0); }
double SinDeg(double deg) { return std::sin(deg * kPi / 180.0); }
double CosDeg(double deg) { return std::cos(deg * kPi / 180.0); }

// a / b; a zero divisor ends the template being drawn.
double Div(double a, double b) {
  if (b == 0 || !std::isfinite(a) || !std::isfinite(b)) throw std::domain_error("tool plot: division by zero");
  return a / b;
}

}  // namespace

TToolPlot::TToolPlot() = default;

TToolPlot::~TToolPlot() {
  if (control_) control_->SetImage(nullptr);
}

// ---- the image control ----------------------------------------------------------------------

int TToolPlot::Width() const { return control_ ? control_->width() : width_; }

int TToolPlot::Height() const { return control_ ? control_->height() : height_; }

void TToolPlot::SetSize(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (control_) control_->resize(width_, height_);
}

void TToolPlot::SetControl(TImageWidget* control) {
  control_ = control;
  if (control_) control_->SetImage(&canvas_.Image());
}

void TToolPlot::Invalidate() {
  if (control_) control_->SetImage(&canvas_.Image());
}

// ---- drawing ----------------------------------------------------------------------------------

void TToolPlot::Clear() {
  // Never a picture of no pixels: a control that has no size yet gets one pixel.
  canvas_.SetSize(std::max(1, Width()), std::max(1, Height()));
  canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height());
  canvas_.SetFont(ToolFont);
  TopMargin = Height() / 20;
  SideMargin = std::max(6, TopMargin / 4);
  BottomMargin = SideMargin;
  DrawCount = 0;
  Invalidate();
}

TLogFont TToolPlot::GetLogFont() const {
  TLogFont lf;
  lf.Height = ToolFont.Height;
  lf.Width = 0;
  lf.Escapement = 0;
  lf.Orientation = 0;
  lf.Weight = kFontWeightNormal;
  lf.Italic = false;
  lf.Underline = false;
  lf.StrikeOut = false;
  lf.CharSet = ToolFont.CharSet;
  lf.OutPrecision = 0;
  lf.ClipPrecision = 0;
  lf.Quality = 2;
  lf.PitchAndFamily = 0;
  lf.FaceName = ToolFont.Name;
  return lf;
}

void TToolPlot::SelectLogFont(const TLogFont& lf) { canvas_.SetFont(FontFromLogFont(lf, ToolFont.Color)); }

void TToolPlot::DrawSat(const TSat& sat) {
  ToolSat = &sat;
  if (DrawCount > 1) Clear();
  const TLogFont lf = GetLogFont();
  try {
    if (ToolMode == 0)
      DrawElevationTemplate(sat, lf);
    else if (ToolMode == 1)
      DrawDegreeSquare(lf);
  } catch (...) {
    // An unfinished template is left as it is.
  }
  canvas_.Pen().Style = TPenStyle::Solid;
  ++DrawCount;
  Invalidate();
}

void TToolPlot::DrawElevationTemplate(const TSat& sat, TLogFont lf) {
  const int W = canvas_.Width();
  const int H = canvas_.Height();
  const double e = sat.SatPos.Elevation;
  const double tanE = TanDeg(e);

  const int pw = W - 2 * SideMargin;
  const int ph = H - TopMargin - BottomMargin;
  if (pw <= 0 || ph <= 0) throw std::domain_error("tool plot: no room for a template");
  int rise = Nearest(tanE * pw);
  int run = pw;
  if (rise > ph) {
    rise = ph;
    run = Nearest(Div(ph, tanE));
  }

  int x0, y0;
  if (DrawCount == 0) {
    x0 = W - SideMargin;
    y0 = H - BottomMargin;
    lf.Escapement = 0;
  } else {
    // The second template hangs upside down from the upper left corner.
    x0 = SideMargin;
    y0 = BottomMargin;
    run = -run;
    rise = -rise;
    lf.Escapement = 1800;
    lf.Orientation = 1800;
  }
  SelectLogFont(lf);

  // The name and the azimuth from south, near the right angle.
  const std::string name =
      sat.Name + "  (Azi " + DegToDirStr("##0.#", true, "EW", 180 - sat.SatPos.Azimuth) + ")";
  const QSize nameExt = canvas_.TextExtent(name);
  canvas_.TextOut(x0 - run / 10 - Sign(run / 10) * nameExt.width(),
                  y0 - rise / 10 - Sign(rise / 10) * nameExt.height(), name);

  // The elevation, beside the arc that marks the angle at the far vertex.
  const std::string elev = DegToDMSStr("#0.0#", true, e);
  const int h2 = canvas_.TextHeight(elev);
  int r = Nearest(Div(Nearest(h2 * 1.3) * Sign(rise), tanE));
  if (std::abs(r) > std::abs(run / 3)) r = run / 3;

  const int cx = x0 - run;
  const int ar = std::abs(r);
  canvas_.Arc(cx - ar, y0 - ar, cx + ar, y0 + ar, cx + r, y0 + DrawCount, cx + Nearest(CosDeg(e) * r),
              y0 - Nearest(SinDeg(e) * r) + DrawCount);
  canvas_.TextOut(cx + Nearest(r * 1.02), y0 - Nearest(h2 * 1.05) * Sign(rise), elev);

  canvas_.MoveTo(x0, y0);
  canvas_.LineTo(x0 - run, y0);
  canvas_.LineTo(x0, y0 - rise);
  canvas_.LineTo(x0, y0);

  // A mark on the base at the distance `rise` from the right angle.
  canvas_.MoveTo(x0 - rise, y0);
  canvas_.LineTo(x0 - rise, y0 - Sign(rise) * (Height() / 100));
}

void TToolPlot::DrawDegreeSquare(TLogFont lf) {
  const int W = canvas_.Width();
  const int H = canvas_.Height();
  int pw = W - 2 * SideMargin;
  const int ph = H - 2 * BottomMargin;
  int x0 = W - SideMargin;
  const int y0 = H - BottomMargin;

  canvas_.MoveTo(x0, y0);
  canvas_.LineTo(SideMargin, y0);
  canvas_.LineTo(SideMargin, BottomMargin);
  canvas_.LineTo(x0, BottomMargin);
  canvas_.LineTo(x0, y0);
  // Too small for the margins: the frame is all there is.
  if (pw <= 0 || ph <= 0) throw std::domain_error("tool plot: no room for the degree square");

  lf.Escapement = 900;
  lf.Orientation = 900;
  SelectLogFont(lf);
  double D = std::atan(static_cast<double>(ph) / pw) * 180.0 / kPi;
  int labelStep = D > 60 ? 10 : 1;

  // Dotted elevation lines from the lower left corner to the right or the top edge.
  if (GridStep > 0) {
    canvas_.Pen().Style = TPenStyle::Dot;
    for (int i = 1; i <= 89; ++i) {
      if (i % GridStep != 0) continue;
      const double tanI = TanDeg(i);
      if (ph / tanI > pw)
        canvas_.MoveTo(x0, y0 - Nearest(tanI * pw));
      else
        canvas_.MoveTo(SideMargin + Nearest(ph / tanI), BottomMargin);
      canvas_.LineTo(SideMargin, y0);
    }
    canvas_.Pen().Style = TPenStyle::Solid;
  }

  // The top scale: where the line at each angle meets the top edge, from 89 degrees down to
  // the diagonal. (0 degrees never meets it.)
  const int t = std::max(3, Width() / 150);
  if (static_cast<int>(D) < 90) {
    for (int g = 89; g >= std::max(1, static_cast<int>(D)); --g) {
      const int x = SideMargin + Nearest(ph / TanDeg(g));
      canvas_.MoveTo(x, BottomMargin);
      canvas_.LineTo(x, BottomMargin + (g % 5 == 0 ? 2 * t : t));
      if (g % 5 == 0 && g % labelStep == 0) {
        const std::string label = DegToDMSStr("#0.#", true, g);
        const QSize ext = canvas_.TextExtent(label);
        canvas_.TextOut(x - ext.height() / 2, BottomMargin + 3 * t + ext.width(), label);
      }
    }
  }

  // The side scales: the first at the right edge, each further one at half the distance from
  // the corner, carrying the steeper angles.
  lf.Escapement = 0;
  lf.Orientation = 0;
  SelectLogFont(lf);
  for (int col = 0; col < GridCols; ++col) {
    if (pw <= 0) break;  // no width left for a further scale
    D = std::atan(static_cast<double>(ph) / pw) * 180.0 / kPi;
    labelStep = D > 60 ? 10 : 1;
    for (int o = 1; o <= static_cast<int>(D); ++o) {
      const int y = y0 - Nearest(TanDeg(o) * pw);
      canvas_.MoveTo(x0, y);
      canvas_.LineTo(x0 - (o % 5 == 0 ? 2 * t : t), y);
      if (o % 5 == 0 && o % labelStep == 0 && (GridCols == 1 || 5 * BottomMargin < y)) {
        const std::string label = DegToDMSStr("#0.#", true, o);
        const QSize ext = canvas_.TextExtent(label);
        canvas_.TextOut(x0 - 3 * t - ext.width(), y - ext.height() / 2, label);
      }
    }
    canvas_.MoveTo(x0, y0);
    canvas_.LineTo(x0, BottomMargin);
    pw = Nearest(pw / 2.0);
    x0 = SideMargin + Nearest((x0 - SideMargin) / 2.0);
  }

  // The corner: cleared of the converging lines, with crop marks that extend the two sides
  // through the corner to the picture's edge.
  canvas_.FillRect(SideMargin + 1, y0 - SideMargin, 2 * SideMargin, y0);
  canvas_.MoveTo(0, y0);
  canvas_.LineTo(2 * SideMargin, y0);
  canvas_.MoveTo(SideMargin, y0);
  canvas_.LineTo(SideMargin, Height());
}
