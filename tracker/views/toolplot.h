// The aiming-template plot of the Tools page: printable templates to aim a dish with.
//
// Mode 0 draws the elevation triangle of up to two satellites: a right triangle whose
// hypotenuse rises at the satellite's elevation, labelled with the satellite's name, its azimuth
// (from south, with an E or W letter) and its elevation. The first template of a picture stands
// in the lower right corner and runs left and up; the second hangs upside down from the upper
// left corner, so two templates share one sheet. Mode 1 draws a degree square: a frame with
// dotted elevation lines from the lower left corner, a degree scale along the top and
// `GridCols` degree scales, the first at the right edge and each further one at half the
// distance from the corner.
//
// All lengths follow from the picture's size, so the same drawing serves the screen, a printed
// sheet and a saved picture. Per drawing the caller sizes the control, sets `ToolFont`, calls
// `Clear`, then `DrawSat` once per satellite (mode 0) or once (mode 1).
#pragma once

#include <cstdint>

#include "canvas.h"
#include "sat.h"

class TImageWidget;

class TToolPlot {
 public:
  TToolPlot();
  ~TToolPlot();
  TToolPlot(const TToolPlot&) = delete;
  TToolPlot& operator=(const TToolPlot&) = delete;

  // Sizes the bitmap to the control, fills it with the brush, takes `ToolFont` and sets the
  // margins from the control's height; `DrawCount` := 0.
  void Clear();
  // The font description of `ToolFont` (normal weight, escapement 0).
  TLogFont GetLogFont() const;
  // Draws one template on top of the picture (a third one after a Clear starts a new
  // picture). A failure inside the drawing (elevation 0, a picture too small for its margins)
  // leaves the template unfinished and is not reported; `DrawCount` advances all the same.
  void DrawSat(const TSat& sat);

  // ---- fields, with their values at creation ----
  int TopMargin = 0;     // control height div 20
  int SideMargin = 0;    // TopMargin div 4, at least 6
  int BottomMargin = 0;  // equal to SideMargin
  int DrawCount = 0;     // templates drawn since the last Clear
  const TSat* ToolSat = nullptr;  // the satellite of the template being drawn (not owned)
  std::uint8_t ToolMode = 0;      // 0 elevation templates, 1 degree square
  TFont ToolFont;                 // "Arial"
  int GridStep = 0;               // degrees between the dotted elevation lines; 0 draws none
  int GridCols = 1;               // number of vertical degree scales

  // ---- the image control ----
  // Size of the control; with a widget attached, the widget's size.
  int Width() const;
  int Height() const;
  void SetSize(int width, int height);
  // The widget showing the picture (not owned; may be nullptr).
  void SetControl(TImageWidget* control);
  TImageWidget* Control() const { return control_; }
  // Hands the picture to the widget and repaints it.
  void Invalidate();

  TCanvas& Canvas() { return canvas_; }
  const QImage& Picture() const { return canvas_.Image(); }

 private:
  void DrawElevationTemplate(const TSat& sat, TLogFont lf);
  void DrawDegreeSquare(TLogFont lf);
  void SelectLogFont(const TLogFont& lf);

  TCanvas canvas_;
  TImageWidget* control_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The program's tool plot, created and freed by the main window (nullptr before and after).
extern TToolPlot* ToolPlot;
