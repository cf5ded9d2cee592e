#include "clarkebelt.h"

#include <algorithm>
#include <typeinfo>
#include <cmath>
#include <cstdlib>

#include "anglehelpers.h"
#include "format.h"
#include "imagewidget.h"
#include "stars.h"
#include "texthelpers.h"

namespace {

constexpr double kPi = 3.1415926535897932385;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;

const QColor kBlack(0x00, 0x00, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kGrey(0x80, 0x80, 0x80);

// The sample name whose width sets the room for the labels.
constexpr const char* kSampleName = "Intelsat 703 NSS A";

// Geostationary look angles in degrees for a relative longitude and a latitude in degrees.
double GeoElevationDeg(double dLon, double lat) {
  return GeoElevation(dLon * kDegToRad, lat * kDegToRad) * kRadToDeg;
}
double GeoAzimuthDeg(double dLon, double lat) {
  return GeoAzimuth(dLon * kDegToRad, lat * kDegToRad) * kRadToDeg;
}

std::string Degrees(int value) { return std::to_string(value) + "\xB0"; }

// The font's style set as a whole: bold alone, or nothing.
void SetStyleBold(TFont& f, bool bold) {
  f.Weight = bold ? kFontWeightBold : kFontWeightNormal;
  f.Italic = false;
  f.Underline = false;
  f.StrikeOut = false;
}

bool Finite(double x) { return std::isfinite(x); }

}  // namespace

TClarkeBelt::TClarkeBelt() {
  ViewFont.Name = "Arial";
  SideMargin = LabelWidth / 4;
  canvas_.Brush().SetColor(kWhite);
  canvas_.Pen().Color = kBlack;
}

TClarkeBelt::~TClarkeBelt() = default;

// ---- the image control ----------------------------------------------------------------------

int TClarkeBelt::Width() const { return control_ ? control_->width() : width_; }

int TClarkeBelt::Height() const { return control_ ? control_->height() : height_; }

void TClarkeBelt::SetSize(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (control_) control_->resize(width_, height_);
}

void TClarkeBelt::SetControl(TImageWidget* control) {
  control_ = control;
  if (control_) control_->SetImage(&canvas_.Image());
}

void TClarkeBelt::Invalidate() {
  if (control_) control_->SetImage(&canvas_.Image());
}

// ---- drawing ----------------------------------------------------------------------------------

void TClarkeBelt::Clear() {
  degenerate_ = false;
  // Never a picture of no pixels: a control that has no size yet gets one pixel.
  canvas_.SetSize(std::max(1, Width()), std::max(1, Height()));
  canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height());
  canvas_.SetFont(ViewFont);
  const int w = canvas_.TextWidth(kSampleName);
  SideMargin = Title == "Clarke Belt" ? w / 3 : w;
  LabelWidth = w;
  const bool belt = typeid(*this) == typeid(TClarkeBelt);
  if (belt && ShowSats && !LabelNames.empty()) {
    // A name at the top of the arc stands upright on its leader line, below the frame's top;
    // measured in the bolder face of the selected satellite.
    SetStyleBold(canvas_.Font(), true);
    for (const std::string& name : LabelNames) LabelWidth = std::max(LabelWidth, LabelLine + canvas_.TextWidth(name));
    canvas_.SetFont(ViewFont);
  }
  // The margins suit the screen font; a larger one (the print font) needs more room for the
  // degrees and the words below the belt's axis.
  const int th = canvas_.TextHeight("0");
  wordRow_ = std::max(22, 8 + th);
  bottomRoom_ = belt ? std::max(BottomMargin, wordRow_ + th + 2) : BottomMargin;
  // Left of the frame: the upright caption, then the degrees, clear of each other.
  leftRoom_ = belt ? std::max(LeftMargin, th + canvas_.TextWidth(Degrees(90)) + 16) : LeftMargin;
}

void TClarkeBelt::GetRange(double& rangeX, double& rangeY) {
  ArcLimit = 10;
  while (ArcLimit < 90 && GeoElevationDeg(ArcLimit, ObsLat) > 0) ArcLimit += 5;
  rangeX = std::fabs(GeoAzimuthDeg(ArcLimit, ObsLat));
  rangeY = GeoElevationDeg(0, ObsLat);
}

void TClarkeBelt::DrawDegenerate() {
  degenerate_ = true;
  ScaleX = 0;
  ScaleY = 0;
  canvas_.SetFont(ViewFont);
  DrawTitle();
  DrawFrame();
}

void TClarkeBelt::Layout() {
  GetRange(RangeX, RangeY);
  int W = canvas_.Width(), H = canvas_.Height();
  ScaleX = ((W - leftRoom_) / 2 - SideMargin) / RangeX;
  ScaleY = (H - TopMargin - bottomRoom_ - LabelWidth) / RangeY;
  const bool room = Finite(RangeX) && Finite(RangeY) && RangeX > 0 && RangeY > 0 &&
                    Finite(ScaleX) && Finite(ScaleY) && ScaleX > 0 && ScaleY > 0;
  if (room && Proportional) {
    ScaleX = ScaleY = std::min(ScaleX, ScaleY);
    W = (Nearest(RangeX * ScaleX) + SideMargin) * 2 + leftRoom_;
    H = Nearest(RangeY * ScaleY) + LabelWidth + bottomRoom_ + TopMargin;
    canvas_.SetSize(std::max(1, W), std::max(1, H));
    W = canvas_.Width();
    H = canvas_.Height();
    SetSize(W, H);
  }
  OriginX = (W - leftRoom_) / 2 + leftRoom_;
  OriginY = H - bottomRoom_;
  if (!room) {
    DrawDegenerate();
    return;
  }
  DrawGrid();
}

void TClarkeBelt::DrawBelt() {
  int i = -static_cast<int>(std::trunc(ArcLimit));
  while (GeoElevationDeg(i, ObsLat) < 0 && i < ArcLimit) ++i;
  auto point = [&](int j) {
    return QPoint(XOf(GeoAzimuthDeg(j, ObsLat)), YOf(GeoElevationDeg(j, ObsLat)));
  };
  // One-degree steps of relative longitude from i to -i. Each half is drawn from its end to
  // the meridian, so that the two halves are rasterised as mirror images of each other.
  if (i <= 0) {
    QPoint p = point(i);
    canvas_.MoveTo(p.x(), p.y());
    for (int j = i + 1; j <= 0; ++j) {
      p = point(j);
      canvas_.LineTo(p.x(), p.y());
    }
    p = point(-i);
    canvas_.MoveTo(p.x(), p.y());
    for (int j = -i - 1; j >= 0; --j) {
      p = point(j);
      canvas_.LineTo(p.x(), p.y());
    }
  }
  const QPoint end = point(-i);
  canvas_.MoveTo(end.x(), end.y());
}

void TClarkeBelt::DrawGrid() {
  const int W = canvas_.Width();
  canvas_.SetFont(ViewFont);

  // Words below the axis.
  std::string word = Northern() ? SouthLabel : NorthLabel;
  int w = canvas_.TextWidth(word);
  canvas_.TextOut(OriginX - w / 2, OriginY + wordRow_, word);

  w = canvas_.TextWidth(XAxisLabel);
  SetStyleBold(canvas_.Font(), true);
  canvas_.TextOut(OriginX - w / 2 - (W - leftRoom_) / 4, OriginY + wordRow_, XAxisLabel);
  SetStyleBold(canvas_.Font(), false);

  word = Northern() ? EastLabel : WestLabel;
  canvas_.TextOut(leftRoom_, OriginY + wordRow_, word);
  word = Northern() ? WestLabel : EastLabel;
  w = canvas_.TextWidth(word);
  canvas_.TextOut(W - w - 5, OriginY + wordRow_, word);

  // Vertical grid lines with their angles.
  if (AziStep > 0) {
    const double limit = SideMargin / ScaleX + RangeX;
    double a = -std::trunc(limit / AziStep) * AziStep;
    while (a <= limit) {
      const int x = XOf(a);
      const std::string label = Degrees(std::abs(static_cast<int>(a)));
      w = canvas_.TextWidth(label);
      canvas_.TextOut(x - w / 2, OriginY + 8, label);
      canvas_.MoveTo(x, OriginY + 5);
      canvas_.LineTo(x, OriginY);
      canvas_.Pen().Style = TPenStyle::Dot;
      canvas_.LineTo(x, TopMargin);
      canvas_.Pen().Style = TPenStyle::Solid;
      a += AziStep;
    }
  }

  // Horizontal grid lines with their elevations.
  int e = 0;
  while (ElevStep > 0 && e <= LabelWidth / ScaleY + RangeY && e <= 90) {
    const int y = YOf(e);
    const std::string label = Degrees(e);
    const QSize ext = canvas_.TextExtent(label);
    if (y - ext.height() / 2 < 0) break;  // a label the picture would cut
    canvas_.TextOut(leftRoom_ - ext.width() - 8, y - ext.height() / 2, label);
    canvas_.MoveTo(leftRoom_ - 5, y);
    canvas_.LineTo(leftRoom_, y);
    if (e != 0) {
      canvas_.Pen().Style = TPenStyle::Dot;
      canvas_.LineTo(W, y);
      canvas_.Pen().Style = TPenStyle::Solid;
    }
    e += ElevStep;
  }

  DrawBelt();

  // The elevation caption, reading upward.
  TLogFont lf = GetLogFont();
  lf.Escapement = 900;
  lf.Orientation = 900;
  lf.Weight = 700;
  SelectLogFont(lf);
  w = canvas_.TextWidth(YAxisLabel);
  canvas_.TextOut(2, TopMargin + w, YAxisLabel);

  DrawTitle();
  DrawFrame();
  if (ShowStars) DrawStars();
}

void TClarkeBelt::DrawTitle() {
  const int W = canvas_.Width();
  canvas_.SetFont(ViewFont);
  SetStyleBold(canvas_.Font(), true);
  QSize ext = canvas_.TextExtent(Title);
  canvas_.TextOut(OriginX - ext.width() / 2, TopMargin / 2 - ext.height() / 2, Title);
  SetStyleBold(canvas_.Font(), false);
  std::string when;
  try {
    when = FormatDateTime("d/m/yy hh:nn", UTC + OffsetFromUTC());
  } catch (const std::exception&) {
    when.clear();  // a time outside the calendar: no date shown
  }
  ext = canvas_.TextExtent(when);
  canvas_.TextOut(W - ext.width() - 5, TopMargin / 2 - ext.height() / 2, when);
}

void TClarkeBelt::DrawFrame() {
  const int W = canvas_.Width(), H = canvas_.Height();
  canvas_.MoveTo(leftRoom_, TopMargin);
  canvas_.LineTo(W - 1, TopMargin);
  canvas_.LineTo(W - 1, H - bottomRoom_);
  canvas_.LineTo(leftRoom_, H - bottomRoom_);
  canvas_.LineTo(leftRoom_, TopMargin);
}

TLogFont TClarkeBelt::GetLogFont() const {
  TLogFont lf;
  lf.Height = ViewFont.Height;
  lf.Width = 0;
  lf.Escapement = 0;
  lf.Orientation = 0;
  lf.Weight = 400;
  lf.Italic = false;
  lf.Underline = false;
  lf.StrikeOut = false;
  lf.CharSet = ViewFont.CharSet;
  lf.OutPrecision = 0;
  lf.ClipPrecision = 0;
  lf.Quality = 2;
  lf.PitchAndFamily = 0;
  lf.FaceName = ViewFont.Name;
  return lf;
}

void TClarkeBelt::SelectLogFont(const TLogFont& lf) {
  canvas_.SetFont(FontFromLogFont(lf, canvas_.Font().Color));
}

void TClarkeBelt::SatToXY(int& x, int& y, double& angle) {
  const TSatPosRecord& p = CurSat->SatPos;
  const double a = Northern() ? p.Azimuth - 180 : Normalize180(p.Azimuth);
  x = XOf(a);
  y = YOf(p.Elevation);
  angle = p.PolAngle;
}

void TClarkeBelt::DrawSat(TSat& sat) {
  CurSat = &sat;
  if (degenerate_) return;
  const TSatPosRecord& p = sat.SatPos;
  if (p.Visible && p.Elevation > 0 && Finite(p.Azimuth) && Finite(p.Elevation))
    DrawSatMarker(sat);
}

void TClarkeBelt::DrawSatMarker(TSat& sat) {
  int X = 0, Y = 0;
  double angle = 0;
  SatToXY(X, Y, angle);
  const double r = angle * kDegToRad;
  const int nr = sat.TwoLine.NoradNr;

  if (ShowSats && nr > 0) {
    // The label's size is needed only where a label is drawn.
    const QSize ext = canvas_.TextExtent(sat.Name);
    const int w = ext.width(), h = ext.height();
    const int endX = X - Nearest(std::sin(r) * LabelLine);
    const int endY = Y - Nearest(std::cos(r) * LabelLine);
    int X2 = endX, Y2 = endY;
    TLogFont lf = GetLogFont();
    if (Selected) lf.Weight = 600;
    if (X >= OriginX) {
      X2 -= Nearest(std::cos(r) * h / 2);
      Y2 += Nearest(std::sin(r) * h / 2);
      lf.Escapement = lf.Orientation = Nearest((angle + 90) * 10);
    } else {
      X2 -= Nearest(std::sin(r) * w);
      Y2 -= Nearest(std::cos(r) * w);
      X2 += Nearest(std::cos(r) * h / 2);
      Y2 -= Nearest(std::sin(r) * h / 2);
      lf.Escapement = lf.Orientation = Nearest((angle - 90) * 10);
    }
    SelectLogFont(lf);
    // A name that would run past the picture's edge moves in whole, its leader line with it.
    const QSize cell = canvas_.TextExtent(sat.Name);
    const QPoint in = IntoPicture(X2, Y2, cell.width(), cell.height(), lf.Escapement);
    canvas_.MoveTo(X, Y);
    canvas_.LineTo(endX + in.x(), endY + in.y());
    canvas_.TextOut(X2 + in.x(), Y2 + in.y(), sat.Name);
  }

  if (ShowEights) DrawTrack();

  canvas_.Brush().Style = TBrushStyle::Solid;
  if (DrawMarkers) {
    const int R = nr > 0 ? 2 : std::max(6, Nearest(0.27 * ScaleX));
    QColor c;
    if (nr == SunNoradNr) c = kYellow;
    else if (nr == MoonNoradNr) c = kGrey;
    else c = Selected ? kRed : kBlue;
    canvas_.Pen().Color = c;
    canvas_.Brush().SetColor(c);
    canvas_.Ellipse(X - R, Y - R, X + R, Y + R);
    canvas_.Pen().Color = kBlack;
    canvas_.Brush().SetColor(kWhite);
  }
}

QPoint TClarkeBelt::IntoPicture(int x, int y, int w, int h, int escapement) const {
  const double turn = -escapement / 10.0 * kDegToRad;
  const double c = std::cos(turn), s = std::sin(turn);
  double left = x, right = x, top = y, bottom = y;
  for (const auto& [u, v] : {std::pair{w, 0}, {0, h}, {w, h}}) {
    const double px = x + u * c - v * s, py = y + u * s + v * c;
    left = std::min(left, px), right = std::max(right, px), top = std::min(top, py), bottom = std::max(bottom, py);
  }
  const auto shift = [](double low, double high, int size) {
    if (low < 0) return static_cast<int>(std::ceil(-low));
    if (high > size) return -static_cast<int>(std::ceil(high - size));
    return 0;
  };
  return QPoint(shift(left, right, canvas_.Width()), shift(top, bottom, canvas_.Height()));
}

void TClarkeBelt::DrawTrack() {
  if (!Sats || !CurSat || !Finite(UTC)) return;
  // The collection's clock is put back however the track ends.
  struct ClockGuard {
    ISatTrackSource* sats;
    TDateTime saved;
    ~ClockGuard() {
      try {
        sats->SetUTC(saved);
      } catch (...) {
      }
    }
  } guard{Sats, Sats->GetUTC()};

  const std::string name = CurSat->Name;
  // One day centred on the drawing time, every ten minutes.
  for (int k = 0; k <= 144; ++k) {
    const TDateTime t = (UTC - 0.5) + k / 144.0;
    Sats->SetUTC(t);
    TSat* s = Sats->FindSat(name);
    if (!s) break;
    CurSat = s;
    int X = 0, Y = 0;
    double angle = 0;
    SatToXY(X, Y, angle);
    canvas_.SetPixel(X, Y, kBlack);
  }
}

void TClarkeBelt::DrawStars() {
  if (!StarList) return;
  const double limitX = SideMargin / ScaleX + RangeX;
  const double limitY = LabelWidth / ScaleY + RangeY;
  canvas_.Font().SetSize(7);
  canvas_.Font().CharSet = 161;
  canvas_.Font().Name = "Verdana";
  const double phi = ObsLat * kDegToRad;
  const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
  for (int i = 0; i < StarList->Count(); ++i) {
    try {
      const TStar& star = StarList->GetStar(i);
      if (!(star.Mag < StarMagLimit)) continue;
      const double H = Normalize360(LclStarTime - star.RA) * kDegToRad;
      const double dec = star.Dec * kDegToRad;
      const double sinAlt =
          std::clamp(std::sin(dec) * sinPhi + std::cos(dec) * std::cos(H) * cosPhi, -1.0, 1.0);
      const double alt = std::asin(sinAlt) * kRadToDeg;
      const double n = -std::cos(dec) * cosPhi * std::sin(H);
      const double d = std::sin(dec) - sinAlt * sinPhi;
      double A = 0;  // azimuth from north, east positive
      if (d != 0) {
        A = std::atan(n / d) * kRadToDeg;
        if (d < 0) A += 180;
        else if (n < 0) A += 360;
      } else {
        A = n > 0 ? 90 : n < 0 ? 270 : 0;
      }
      const double a = Northern() ? Normalize180(A - 180) : Normalize180(A);
      if (!(alt > 0 && alt < limitY && -limitX < a && a < limitX)) continue;
      const int x = XOf(a), y = YOf(alt);
      std::string label;
      if (ShowStarDsg && star.StarName.empty() && !star.Designation.empty())
        label = Trim(star.Designation + " " + star.Constellation);
      else
        label = Trim(star.StarName);
      const double D = 8 - star.Mag;
      const int hi = Nearest(D / 2);  // refuses a magnitude that is not finite
      const int lo = static_cast<int>(std::trunc(D / 2));
      canvas_.TextOut(x, y, label);
      canvas_.Brush().SetColor(kBlack);
      canvas_.Ellipse(x - lo, y + hi, x + hi, y - lo);
      canvas_.Brush().SetColor(kWhite);
    } catch (const std::exception&) {
      // A star that cannot be placed is left out.
    }
  }
}
