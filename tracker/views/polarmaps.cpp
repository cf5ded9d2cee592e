#include "polarmaps.h"

#include <cmath>
#include <stdexcept>

#include "anglehelpers.h"

namespace {

constexpr double kDegToRad = 3.1415926535897932385 / 180.0;

std::string Degrees(int value) { return std::to_string(value) + "\xB0"; }

}  // namespace

// ---- TSatGroundMap ----------------------------------------------------------------------------

TSatGroundMap::TSatGroundMap() {
  SideMargin = LabelWidth;
  LeftMargin = 0;
  ElevStep = 0;
  AziStep = 15;
  Title = "Azimuth Map";
  DrawMarkers = false;
}

void TSatGroundMap::GetRange(double& rangeX, double& rangeY) {
  rangeX = 1.0;
  rangeY = 1.0;
}

QPoint TSatGroundMap::CirclePoint(double b) const {
  if (!std::isfinite(b)) throw std::domain_error("circle angle is not a number");
  const double r = b * kDegToRad;
  return QPoint(OriginX + Nearest(std::sin(r) * ScaleX), OriginY - Nearest(std::cos(r) * ScaleY));
}

void TSatGroundMap::PlaceOnCircle(double b, int& x, int& y, double& angle) const {
  const QPoint p = CirclePoint(b);
  x = p.x();
  y = p.y();
  angle = 360 - b;
}

bool TSatGroundMap::PositionUsable(const TSatPosRecord& p) const {
  return std::isfinite(p.Azimuth) && std::isfinite(p.Elevation);
}

bool THAMap::PositionUsable(const TSatPosRecord& p) const {
  return TSatGroundMap::PositionUsable(p) && std::isfinite(p.HA);
}

bool TElevMap::PositionUsable(const TSatPosRecord& p) const {
  return TSatGroundMap::PositionUsable(p) && std::isfinite(p.HA);
}

void TSatGroundMap::DrawSat(TSat& sat) {
  if (sat.TwoLine.NoradNr <= 0) return;  // Sun and Moon are not drawn on the maps
  if (!PositionUsable(sat.SatPos)) {
    CurSat = &sat;
    return;
  }
  TClarkeBelt::DrawSat(sat);
}

void TSatGroundMap::SatToXY(int& x, int& y, double& angle) {
  const double az = CurSat->SatPos.Azimuth;
  const double b = Northern() ? Normalize180(az - 180) : Normalize180(az);
  PlaceOnCircle(b, x, y, angle);
}

void TSatGroundMap::DrawBelt() {
  const int rx = Nearest(ScaleX), ry = Nearest(ScaleY);
  canvas_.Arc(OriginX - rx, OriginY - ry, OriginX + rx, OriginY + ry, OriginX + rx, OriginY,
              OriginX - rx, OriginY);
}

void TSatGroundMap::DrawGrid() {
  canvas_.SetFont(ViewFont);
  DrawBelt();

  // Compass words at the ends of the baseline.
  const int reach = Nearest(RangeX * ScaleX);
  std::string word = Northern() ? EastLabel : WestLabel;
  int w = canvas_.TextWidth(word);
  canvas_.TextOut(OriginX - reach - w / 2, OriginY + 2, word);
  word = Northern() ? WestLabel : EastLabel;
  w = canvas_.TextWidth(word);
  canvas_.TextOut(OriginX + reach - w / 2, OriginY + 2, word);

  canvas_.Font().SetBold(true);
  w = canvas_.TextWidth(XAxisLabel);
  canvas_.TextOut(OriginX - w / 2, OriginY + 5, XAxisLabel);
  canvas_.Font().SetBold(false);

  // Radial grid lines every AziStep degrees from the vertical, labelled just inside the circle:
  // with the angle from the vertical (negative on the left) when ElevStep is 0, else with 90
  // minus that angle on both sides.
  canvas_.Pen().Style = TPenStyle::Dot;
  if (AziStep > 0) {
    TLogFont lf = GetLogFont();
    for (int p = 0; p <= 90; p += AziStep) {
      lf.Escapement = lf.Orientation = Nearest((90 - p) * 10);
      SelectLogFont(lf);
      const std::string t = Degrees(ElevStep == 0 ? p : 90 - p);
      const QSize ext = canvas_.TextExtent(t);
      const double tw = ext.width(), th = ext.height();
      const double s = std::sin(p * kDegToRad), c = std::cos(p * kDegToRad);
      const int Hx = Nearest(s * ScaleX), My = Nearest(c * ScaleY);
      canvas_.TextOut(OriginX + Nearest(Hx - c * th - s * (tw + th / 2)),
                      OriginY - Nearest(My + s * th - c * (tw + th / 2)), t);
      if (p > 0) {
        lf.Escapement = lf.Orientation = Nearest((p - 90) * 10);
        SelectLogFont(lf);
        canvas_.TextOut(OriginX - Nearest(Hx - c * th - s * th / 2),
                        OriginY - Nearest(My + s * th - c * th / 2), ElevStep != 0 ? t : "-" + t);
        canvas_.MoveTo(OriginX + Hx, OriginY - My);
        canvas_.LineTo(OriginX, OriginY);
        canvas_.LineTo(OriginX - Hx, OriginY - My);
      }
    }
  }
  canvas_.Pen().Style = TPenStyle::Solid;

  canvas_.SetFont(ViewFont);
  canvas_.MoveTo(OriginX, OriginY);
  canvas_.LineTo(OriginX, TopMargin);

  word = Northern() ? SouthLabel : NorthLabel;
  w = canvas_.TextWidth(word);
  canvas_.TextOut(OriginX - w / 2, TopMargin + 1, word);

  DrawTitle();
  DrawFrame();
}

// ---- THAMap -----------------------------------------------------------------------------------

THAMap::THAMap() {
  XAxisLabel = "Hour Angle";
  Title = "Hour Angle Map";
}

void THAMap::SatToXY(int& x, int& y, double& angle) {
  const double ha = Normalize180(CurSat->SatPos.HA);
  PlaceOnCircle(Northern() ? -ha : ha, x, y, angle);
}

// ---- TElevMap ---------------------------------------------------------------------------------

TElevMap::TElevMap() {
  AziStep = 15;
  ElevStep = -1;
  NorthLabel.clear();
  SouthLabel.clear();
  XAxisLabel = "Elevation";
  Title = "Elevation Map";
}

void TElevMap::SatToXY(int& x, int& y, double& angle) {
  const TSatPosRecord& p = CurSat->SatPos;
  const double z = Normalize180(90 - p.Elevation);
  double b = Normalize180(p.HA) > 0 ? -z : z;
  if (!Northern()) b = -b;
  PlaceOnCircle(b, x, y, angle);
}
