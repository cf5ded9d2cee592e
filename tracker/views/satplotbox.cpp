#include "satplotbox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>

TSatPlotBox::TSatPlotBox(QWidget* parent) : QWidget(parent) {}

TSatPlotBox::~TSatPlotBox() = default;

QColor TSatPlotBox::ButtonFace() const { return palette().color(QPalette::Button); }

QColor TSatPlotBox::Background() const { return palette().color(QPalette::Window); }

bool TSatPlotBox::PaintOn(TCanvas& canvas) noexcept {
  try {
    canvas.Brush().SetColor(Background());
    canvas.SetSize(std::max(0, Width()), std::max(0, Height()));
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height());
    canvas.Pen() = TPen();
    canvas.Brush().Color = ButtonFace();
    canvas.Brush().Style = TBrushStyle::Clear;
    canvas.SetFont(TFont());
  } catch (...) {
    return false;
  }
  try {
    Paint(canvas);
  } catch (...) {
    // The plots guard their own drawing; whatever still escapes ends the drawing here.
  }
  return true;
}

const QImage& TSatPlotBox::Render() {
  PaintOn(canvas_);
  return canvas_.Image();
}

void TSatPlotBox::paintEvent(QPaintEvent* /*event*/) {
  if (!PaintOn(canvas_) || canvas_.Image().isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, canvas_.Image());
}
