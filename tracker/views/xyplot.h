// The orbit-plane plot: one satellite and the observer in the Earth-centred inertial frame,
// projected on one coordinate plane, with the Earth to scale and, in the equatorial plane, the
// geostationary circle. 100000 km span the shorter side of the control.
#pragma once

#include "satplotbox.h"
#include "sat.h"

class TXYPlot : public TSatPlotBox {
 public:
  explicit TXYPlot(QWidget* parent = nullptr);

  // Shows the satellite (not owned; nullptr shows nothing) and asks for a repaint. Its position
  // record is read at paint time.
  void SetData(TSat* sat);

  TSat* PlotSat = nullptr;
  // 0: X across, Y up; 1: X across, Z up; 2: Y across, Z up. Other values draw as 0.
  int AxisPair = 0;

  // Radius of the geostationary orbit and equatorial radius of the Earth, km.
  static constexpr double kGeoRadiusKm = 42164;
  static constexpr double kEarthRadiusKm = 6378.14;
  // Kilometres across the shorter side of the control.
  static constexpr double kSpanKm = 100000;

 protected:
  void Paint(TCanvas& c) override;
};
