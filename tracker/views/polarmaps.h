// The polar maps: directions on a semicircle instead of the Clarke-belt graph.
//
//   TSatGroundMap  "Azimuth Map"     every satellite on the semicircle at its azimuth
//   THAMap         "Hour Angle Map"  every satellite at its hour angle
//   TElevMap       "Elevation Map"   every satellite at its zenith distance, on the side of its
//                                    hour angle
//
// The satellites stand on the circle itself (radius one unit): the circle shows directions
// only. For a northern observer (latitude above 0) south is at the top and west on the right;
// otherwise north is at the top and east on the right. Satellites get a leader line pointing
// radially outward and a name, but no disc; the Sun and the Moon are never drawn here.
//
// The caller works as with the Clarke-belt view: `Clear`, `Layout`, then `DrawSat` per
// satellite, the selected one last with `Selected` set.
#pragma once

#include "clarkebelt.h"

class TSatGroundMap : public TClarkeBelt {
 public:
  TSatGroundMap();

  // Only real satellites (catalogue number above 0) that are visible and above the horizon.
  void DrawSat(TSat& sat) override;
  // Pixel on the circle at the azimuth of `CurSat`; the leader line points radially outward.
  void SatToXY(int& x, int& y, double& angle) override;
  // The semicircle, the radial grid with its labels, the compass words, title and frame.
  void DrawGrid() override;
  // The unit circle: (1, 1).
  void GetRange(double& rangeX, double& rangeY) override;
  // The upper half circle.
  void DrawBelt() override;

  // Pixel of the circle at angle b (degrees; 0 straight up, positive to the right).
  // Throws std::domain_error when b is not finite.
  QPoint CirclePoint(double b) const;

 protected:
  // Places `CurSat` at circle angle b: the pixel, and a leader line continuing outward.
  void PlaceOnCircle(double b, int& x, int& y, double& angle) const;
  // Whether the position fields this map reads are usable numbers.
  virtual bool PositionUsable(const TSatPosRecord& p) const;
};

class THAMap : public TSatGroundMap {
 public:
  THAMap();
  // Pixel on the circle at the hour angle of `CurSat`.
  void SatToXY(int& x, int& y, double& angle) override;

 protected:
  bool PositionUsable(const TSatPosRecord& p) const override;
};

class TElevMap : public TSatGroundMap {
 public:
  TElevMap();
  // Pixel on the circle at the zenith distance of `CurSat`, on the side of its hour angle.
  void SatToXY(int& x, int& y, double& angle) override;

 protected:
  bool PositionUsable(const TSatPosRecord& p) const override;
};
