// The sun dial: a horizontal sun dial for the observer and the day of `UTC`. It shows the
// shadow directions at sunrise and sunset (dotted) and at every full UTC hour between them
// (solid, labelled in local time), with five-minute marks on the rim, a tick one text height
// long at the quarter hours and half as long otherwise. For a northern observer south is at the
// top and west on the right.
//
// With `ShowSats` on, the upper half of the dial is the azimuth map of the satellites and the
// hour labels and ticks keep to the lower half; each hour line then runs through the centre
// across the whole circle.
//
// Days without sunrise or sunset (polar day or night) show the hours at which the sun is at or
// above the horizon, and no sunrise and sunset lines. A sun position that cannot be computed
// leaves out its step; no failure of the sun routines escapes a drawing.
#pragma once

#include "polarmaps.h"

class TSunDial : public TSatGroundMap {
 public:
  TSunDial();

  // Title, scale and the origin at the centre of a full circle; resizes the bitmap when
  // proportional; draws the dial.
  void Layout() override;
  // The dial: circle, axes, compass words, sunrise and sunset lines, hour lines and marks;
  // with `ShowSats` the azimuth map's grid in the upper half.
  void DrawGrid() override;

 private:
  // Circle angle of the shadow for a sun azimuth measured from the south, west positive.
  double ShadowAngle(double sunAzimuthFromSouth) const;
};
