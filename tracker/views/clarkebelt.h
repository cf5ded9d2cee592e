// The Clarke-belt view: the geostationary arc as the observer sees it, azimuth across and
// elevation up, with a degree grid and compass words, every satellite of the drawing list as a
// disc with a leader line and a rotated name, the Sun and the Moon as discs of their apparent
// size, on request the one-day track of the selected satellite and the brighter stars.
//
// The view draws one bitmap that serves the screen, printing and saving. It computes no
// positions: it reads the position record of each `TSat` it is given, and for the track asks
// the satellite collection (through `ISatTrackSource`) for positions at other times.
//
// It is also the base of the polar maps and the sun dial, which replace some of its virtual
// operations. Per drawing the caller sets the options and `UTC`, then calls `Clear`, `Layout`
// and `DrawSat` once per satellite (the selected one last, with `Selected` set), then
// `Invalidate`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "sat.h"

class TImageWidget;

// What the view needs of the satellite collection to draw a track: its clock and a satellite
// with its position record recomputed at the clock's time.
class ISatTrackSource {
 public:
  virtual ~ISatTrackSource() = default;
  virtual TDateTime GetUTC() const = 0;
  virtual void SetUTC(TDateTime utc) = 0;
  // The satellite listed under the name, its position computed for the current time; nullptr
  // ends the track.
  virtual TSat* FindSat(std::string_view name) = 0;
};

// Adapter for a collection with a public `UTC` field and `FindSat(name)` returning `TSat*`
// (the tracker's `TSats`): TSatsTrackSource<TSats> source(Sats); belt.Sats = &source;
template <class TCollection>
class TSatsTrackSource : public ISatTrackSource {
 public:
  explicit TSatsTrackSource(TCollection& sats) : sats_(sats) {}
  TDateTime GetUTC() const override { return sats_.UTC; }
  void SetUTC(TDateTime utc) override { sats_.UTC = utc; }
  TSat* FindSat(std::string_view name) override { return sats_.FindSat(name); }

 private:
  TCollection& sats_;
};

class TClarkeBelt {
 public:
  TClarkeBelt();
  virtual ~TClarkeBelt();
  TClarkeBelt(const TClarkeBelt&) = delete;
  TClarkeBelt& operator=(const TClarkeBelt&) = delete;

  // ---- virtual operations, in this order ----
  // Draws one satellite on the grid already drawn.
  virtual void DrawSat(TSat& sat);
  // Pixel of `CurSat` and the direction of its leader line in degrees (0 = up, positive turning
  // left).
  virtual void SatToXY(int& x, int& y, double& angle);
  virtual void DrawGrid();
  virtual void GetRange(double& rangeX, double& rangeY);
  virtual void DrawBelt();
  // Range, scale and origin; resizes the bitmap when proportional; draws the grid.
  virtual void Layout();

  // ---- non-virtual operations ----
  // Sizes the bitmap to the control, clears it and measures the label room.
  void Clear();
  void DrawTitle();
  void DrawFrame();
  TLogFont GetLogFont() const;
  void DrawSatMarker(TSat& sat);
  void DrawTrack();
  void DrawStars();

  // ---- fields, with their values at creation ----
  int TopMargin = 30;
  int LeftMargin = 55;
  int BottomMargin = 40;
  int SideMargin = 25;   // reset by Clear
  int LabelWidth = 100;  // reset by Clear
  int LabelLine = 20;
  int AziStep = 10;  // 0 or less: no vertical grid lines
  int ElevStep = 5;  // 0 or less: no horizontal grid lines
  TSat* CurSat = nullptr;
  bool DrawMarkers = true;
  int OriginX = 0, OriginY = 0;
  double ScaleX = 0, ScaleY = 0;
  double RangeX = 0, RangeY = 0;
  double ArcLimit = 0;
  double ObsLat = 0, ObsLon = 0;
  TFont ViewFont;  // "Arial"
  double LclStarTime = 0;
  double StarMagLimit = 4.0;
  TDateTime UTC = 0;
  bool ShowSats = true;
  bool ShowStars = false;
  bool ShowStarDsg = false;
  std::string EastLabel = "East", WestLabel = "West", NorthLabel = "North", SouthLabel = "South";
  std::string XAxisLabel = "Azimuth", YAxisLabel = "Elevation";
  std::string Title = "Clarke Belt";
  bool Selected = false;
  bool ShowEights = false;
  // The names DrawSat will write beside their satellites: the belt keeps the room above its arc
  // for the leader line and the widest of them (never less than for a sample name).
  std::vector<std::string> LabelNames;

  // ---- the image control ----
  // Show the picture stretched, proportional and centred; a proportional layout also gives the
  // control the picture's size.
  bool Proportional = true;
  // Size of the control; with a widget attached, the widget's size.
  int Width() const;
  int Height() const;
  void SetSize(int width, int height);
  // The widget showing the picture (not owned; may be nullptr).
  void SetControl(TImageWidget* control);
  TImageWidget* Control() const { return control_; }
  // Hands the finished picture to the widget and repaints it.
  void Invalidate();

  TCanvas& Canvas() { return canvas_; }
  const QImage& Picture() const { return canvas_.Image(); }

  // The collection the track is computed with (not owned; no track without it).
  ISatTrackSource* Sats = nullptr;

  // True after a Layout that found no room to draw in (an observer whose arc does not rise
  // above the horizon, a control smaller than its margins): the picture then holds the
  // cleared background, the title and the frame, and DrawSat draws nothing.
  bool Degenerate() const { return degenerate_; }

 protected:
  // Northern arrangement: latitude above 0.
  bool Northern() const { return ObsLat > 0; }
  // Pixel of a horizontal angle and an elevation (degrees).
  int XOf(double a) const { return OriginX + Nearest(a * ScaleX); }
  int YOf(double e) const { return OriginY - Nearest(e * ScaleY); }
  // Makes a font from the description and puts it on the canvas (keeping the font colour).
  void SelectLogFont(const TLogFont& lf);
  // For derived layouts: marks the drawing as degenerate and draws title and frame.
  void DrawDegenerate();
  // How far a text cell of w x h, placed at (x, y) and turned by the escapement (tenths of a
  // degree), must move to lie whole inside the picture.
  QPoint IntoPicture(int x, int y, int w, int h, int escapement) const;

  TCanvas canvas_;
  bool degenerate_ = false;
  // Below the axis of the belt: where its row of words goes, and the room the layout keeps for
  // the two rows of labels, in the view's font (set by Clear; BottomMargin for the other views).
  int wordRow_ = 22;
  int bottomRoom_ = 40;
  int leftRoom_ = 55;  // likewise left of the frame, for the caption and the degrees

 private:
  TImageWidget* control_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};
