// The three small plots that explain the dish geometry of the current satellite:
//   TObstPlot   side view: ground, the dish on its mast, an obstacle's top angle and the line of
//               sight to the satellite (red, dotted when the obstacle blocks it);
//   TAnglePlot  compass half-plane seen from above, the dish pointing along the azimuth;
//   TDishPlot   side view of the dish on a polar or azimuthal mount with the polar axis, the
//               reflector, the feed and the beam; the angle of the value label under the mouse
//               pointer (`HelpItem`) drawn in as dotted blue lines.
// The main window sets their data and invalidates them; every paint recomputes the picture.
#pragma once

#include <QPoint>

#include "satplotbox.h"
#include "sat.h"

// Which value label of the page the mouse pointer rests on.
enum THelpItem : int {
  hiNone = 0,
  hiPolarAxis = 1,     // "Polar Axis:"
  hiDishOffset = 2,    // "Dish Offset:" and its edit
  hiDeclination = 3,   // "Declination:"
  hiPolAxisCorr = 4,   // "Pol. Axis Corr.:"
  hiElevation = 5,     // "Elevation:"
  hiDecHorPlane = 6,   // "Dec. H. Plane:"
  hiDishAngle = 7,     // "Dish Angle:"
  hiAzimuth = 8,       // "Azimuth:" of the Obstacle page
};

// Mount of the dish plot: the item index of the page's mount combo box.
enum TMountMode : int { mmSimplifiedPolar = 0, mmPolar = 1, mmAzimuthal = 2 };

class TObstPlot : public TSatPlotBox {
 public:
  explicit TObstPlot(QWidget* parent = nullptr);

  // Scale and layout from the control's size and the data; sets `ObstAngle`. A distance of 0
  // gives the obstacle angle of a top right at the dish (90 degrees when the obstacle is higher
  // than the dish, -90 when lower, 0 when level) and a scale of 0, so nothing is drawn; so do
  // values that are not finite. Never throws.
  void CalcScale();
  // The drawing, called by the paint when `ObstHeight` > 0 and `Scale` > 0.
  void DrawPlot(TCanvas& c);

  int TopMargin = 10;
  int LeftMargin = 30;
  int BottomMargin = 15;
  int PlotWidth = 0, PlotHeight = 0;
  double RangeX = 0;       // metres across (= ObstDist)
  double RangeY = 0;       // metres up
  double ObstHeight = 0;   // m
  double ObstDist = 0;     // m, from the dish to the obstacle
  double DishHeight = 0;   // m above the ground
  double Scale = 0;        // pixels per metre
  double Elevation = 0;    // satellite elevation, degrees
  double ObstAngle = 0;    // elevation of the obstacle's top seen from the dish, degrees
  int OriginX = 0, OriginY = 0;  // pixel of the dish's foot

  // Ticks drawn on either scale at most (a guard for scales of far below a pixel per metre).
  static constexpr int kMaxTicks = 10000;

 protected:
  void Paint(TCanvas& c) override;
};

class TAnglePlot : public TSatPlotBox {
 public:
  explicit TAnglePlot(QWidget* parent = nullptr);

  int TopMargin = 5;
  int SideMargin = 5;
  int BottomMargin = 20;
  double ObsLat = 0;     // degrees; above 0 is northern
  int HelpItem = hiNone;
  double Azimuth = 0;    // degrees from north

 protected:
  void Paint(TCanvas& c) override;
};

class TDishPlot : public TSatPlotBox {
 public:
  explicit TDishPlot(QWidget* parent = nullptr);

  // The satellite whose position record is drawn (not owned); no repaint of its own.
  void SetData(TSat* sat) { DishSat = sat; }

  int TopMargin = 5;
  int SideMargin = 5;
  int BottomMargin = 20;
  double ObsLat = 0;       // degrees; above 0 is northern
  TSat* DishSat = nullptr;
  double DishOffset = 0;   // offset angle of the dish, degrees
  int MountMode = mmSimplifiedPolar;  // values other than 1 and 2 draw as 0
  int HelpItem = hiNone;

  // The angles of one drawing (degrees): tilt of the polar axis from the vertical, elevation of
  // the dish's axis, offset angle and direction of the reflected beam.
  struct TAngles {
    double X = 0, Y = 0, O = 0, Z = 0;
  };
  TAngles Angles() const;  // all 0 without DishSat

  // Points of the last drawing: pivot, point on the polar axis, reflector centre, focus, rim
  // points and feed.
  struct TPoints {
    QPoint Pivot, A, B, P, Rim1, Rim2, L;
    int R = 0;
  };
  const TPoints& LastPoints() const { return points_; }

 protected:
  void Paint(TCanvas& c) override;

 private:
  TPoints points_;
};
