#include "xyplot.h"

#include <algorithm>

TXYPlot::TXYPlot(QWidget* parent) : TSatPlotBox(parent) {}

void TXYPlot::SetData(TSat* sat) {
  PlotSat = sat;
  Invalidate();
}

void TXYPlot::Paint(TCanvas& c) {
  if (!PlotSat) return;
  const TSatPosRecord& pos = PlotSat->SatPos;
  const int pair = AxisPair == 1 || AxisPair == 2 ? AxisPair : 0;
  double u = pos.X, v = pos.Y, uObs = pos.ObsX, vObs = pos.ObsY;
  if (pair == 1) {
    v = pos.Z;
    vObs = pos.ObsZ;
  } else if (pair == 2) {
    u = pos.Y;
    v = pos.Z;
    uObs = pos.ObsY;
    vObs = pos.ObsZ;
  }

  const int W = Width(), H = Height();
  c.Pen().Color = Qt::black;
  c.Brush().Color = ButtonFace();
  c.Brush().Style = TBrushStyle::Clear;
  const int cx = W / 2, cy = H / 2;
  const double k = std::min(W, H) / kSpanKm;

  if (pair == 0) {
    const int r = Nearest(kGeoRadiusKm * k);
    c.Ellipse(cx - r, cy - r, cx + r, cy + r);
  }
  c.Brush().SetColor(QColor(0, 255, 255));
  const int e = Nearest(kEarthRadiusKm * k);
  c.Ellipse(cx - e, cy - e, cx + e, cy + e);
  // Solid, so the axis letters stand on the button face.
  c.Brush().SetColor(ButtonFace());

  c.MoveTo(cx, 0);
  c.LineTo(cx, H - 2);
  c.TextOut(cx + 6, 5, pair == 0 ? "Y" : "Z");
  c.MoveTo(0, cy);
  c.LineTo(W, cy);
  c.TextOut(W - 15, cy + 3, pair == 2 ? "Y" : "X");

  const auto dot = [&](double du, double dv, const QColor& colour) {
    c.Pen().Color = colour;
    c.Brush().SetColor(colour);
    const int x = cx + Nearest(du * k), y = cy - Nearest(dv * k);
    c.Ellipse(x - 2, y - 2, x + 2, y + 2);
  };
  dot(uObs, vObs, QColor(0, 0, 255));
  dot(u, v, QColor(255, 0, 0));
}
