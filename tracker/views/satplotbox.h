// Base of the small plots of the Sat Info and Obstacle pages (orbit-plane, obstacle, angle and
// dish plots): a control that draws itself through a `TCanvas` whenever it is painted and keeps
// no picture of its own between paints. It stands transparently on its parent: each paint starts
// from the window's background colour.
//
// The drawing of a plot is callable on any canvas (`PaintOn`), so tests can record its texts and
// read its pixels without showing a window.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "canvas.h"

class TSatPlotBox : public QWidget {
 public:
  explicit TSatPlotBox(QWidget* parent = nullptr);
  ~TSatPlotBox() override;

  // Size of the control in pixels.
  int Width() const { return width(); }
  int Height() const { return height(); }
  // Asks for a repaint.
  void Invalidate() { update(); }

  // Draws the control's picture on `canvas`: gives it the control's size, fills it with the
  // background colour, sets a black solid pen of width 1, a clear brush of the button-face colour
  // and the default font, then runs the plot's drawing. A control of no size gives an empty
  // picture. False when the picture could not be made (out of memory); never throws.
  bool PaintOn(TCanvas& canvas) noexcept;
  // The picture a paint of the control shows now (drawn on the control's own canvas).
  const QImage& Render();
  // The control's own canvas (to attach a text recorder in tests).
  TCanvas& Canvas() { return canvas_; }

  // The toolkit's button-face colour and the background the plot stands on.
  QColor ButtonFace() const;
  QColor Background() const;

 protected:
  // The plot's drawing on a canvas of the control's size. Exceptions are dropped by the caller,
  // leaving what was drawn so far.
  virtual void Paint(TCanvas& canvas) = 0;
  void paintEvent(QPaintEvent* event) override;

 private:
  TCanvas canvas_;
};
