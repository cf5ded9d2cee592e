#include "sundial.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "anglehelpers.h"
#include "astro_riseset.h"
#include "astro_sun.h"
#include "format.h"

namespace {

constexpr double kDegToRad = 3.1415926535897932385 / 180.0;

// The UTC hour of a date-time; false when it is no date the calendar knows.
bool HourOf(TDateTime dt, int& hour) {
  TDateTimeParts parts;
  if (!TryDecodeDateTime(dt, parts)) return false;
  hour = parts.Hour;
  return true;
}

// The sun's elevation and azimuth (from the south, west positive) in degrees; false when they
// cannot be computed.
bool SunAt(TDateTime t, double lonWest, double lat, double& elevation, double& azimuth) {
  try {
    astro::Extended e = 0, a = 0;
    astro::SunHorizontal(e, a, t, lonWest, lat);
    elevation = static_cast<double>(e);
    azimuth = static_cast<double>(a);
    return std::isfinite(elevation) && std::isfinite(azimuth);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

TSunDial::TSunDial() {
  ShowSats = false;
  BottomMargin = 1;
  XAxisLabel.clear();
  AziStep = 0;
}

double TSunDial::ShadowAngle(double az) const {
  return Northern() ? Normalize180(az - 180) : Normalize180(az);
}

void TSunDial::Layout() {
  Title = "Sun Dial";
  GetRange(RangeX, RangeY);
  int W = canvas_.Width(), H = canvas_.Height();
  ScaleX = ((W - LeftMargin) / 2 - SideMargin) / RangeX;
  ScaleY = ((H - TopMargin - BottomMargin) / 2 - LabelWidth) / RangeY;
  const bool room = ScaleX > 0 && ScaleY > 0;
  if (room && Proportional) {
    ScaleX = ScaleY = std::min(ScaleX, ScaleY);
    W = (Nearest(RangeX * ScaleX) + SideMargin) * 2 + LeftMargin;
    H = (Nearest(RangeY * ScaleY) + LabelWidth) * 2 + TopMargin + BottomMargin;
    canvas_.SetSize(std::max(1, W), std::max(1, H));
    W = canvas_.Width();
    H = canvas_.Height();
    SetSize(W, H);
  }
  OriginX = Nearest((W - LeftMargin) / 2.0 + LeftMargin);
  OriginY = Nearest((H - TopMargin - BottomMargin) / 2.0 + TopMargin);
  if (!room) {
    DrawDegenerate();
    return;
  }
  DrawGrid();
}

void TSunDial::DrawGrid() {
  const int W = canvas_.Width(), H = canvas_.Height();

  // Upper half: the azimuth map, or only its half circle.
  if (ShowSats) {
    TSatGroundMap::DrawGrid();
    canvas_.FillRect(0, OriginY + 1, W, H);
  } else {
    DrawBelt();
  }
  canvas_.SetFont(ViewFont);
  DrawTitle();

  // Lower half circle.
  const int rx = Nearest(ScaleX), ry = Nearest(ScaleY);
  canvas_.Arc(OriginX - rx, OriginY - ry, OriginX + rx, OriginY + ry, OriginX - rx, OriginY,
              OriginX + rx, OriginY);

  // Axes.
  canvas_.MoveTo(OriginX, H - BottomMargin);
  canvas_.LineTo(OriginX, TopMargin);
  canvas_.MoveTo(LeftMargin, OriginY);
  canvas_.LineTo(W, OriginY);

  // Compass words.
  std::string word = " " + (Northern() ? EastLabel : WestLabel) + " ";
  QSize ext = canvas_.TextExtent(word);
  canvas_.TextOut(LeftMargin + ext.height(), OriginY - ext.height() / 2, word);
  word = " " + (Northern() ? WestLabel : EastLabel) + " ";
  ext = canvas_.TextExtent(word);
  canvas_.TextOut(W - ext.width() - ext.height(), OriginY - ext.height() / 2, word);
  ext = canvas_.TextExtent(XAxisLabel);
  canvas_.TextOut(OriginX - ext.width() / 2, H - BottomMargin / 2 - ext.height() / 2, XAxisLabel);
  word = Northern() ? SouthLabel : NorthLabel;
  ext = canvas_.TextExtent(word);
  canvas_.TextOut(OriginX - ext.width() / 2, TopMargin + 1, word);
  word = Northern() ? NorthLabel : SouthLabel;
  ext = canvas_.TextExtent(word);
  canvas_.TextOut(OriginX - ext.width() / 2, H - BottomMargin - ext.height(), word);

  // Sunrise and sunset of the UTC day; a day without them runs over its 24 hours.
  const double lonWest = -ObsLon;
  TDateTime rise = 0, set = 23.0 / 24.0;
  int first = 0, last = 23;
  try {
    if (!std::isfinite(UTC)) throw std::domain_error("no drawing time");
    const TDateTime r = astro::SunRiseTime(UTC, ObsLat, lonWest);
    const TDateTime s = astro::SunSetTime(UTC, ObsLat, lonWest);
    int hr = 0, hs = 0;
    if (HourOf(r, hr) && HourOf(s, hs)) {
      rise = r;
      set = s;
      first = hr;
      last = hs;
    }
  } catch (const std::exception&) {
    // No sunrise or sunset that day: no lines for them.
  }

  if (rise > 1) {
    canvas_.Pen().Style = TPenStyle::Dot;
    for (const TDateTime when : {rise, set}) {
      double elevation = 0, azimuth = 0;
      if (!SunAt(when, lonWest, ObsLat, elevation, azimuth)) continue;
      const double b = ShadowAngle(azimuth);
      const QPoint p = CirclePoint(b);
      canvas_.MoveTo(p.x(), p.y());
      if (!ShowSats || b > 90 || b < -90) canvas_.LineTo(OriginX, OriginY);
    }
    canvas_.Pen().Style = TPenStyle::Solid;
  }

  // Full hours and five-minute marks, labelled in local time.
  const double day = std::trunc(UTC);
  TLogFont lf = GetLogFont();
  lf.Weight = 700;
  SelectLogFont(lf);
  ext = canvas_.TextExtent("29:00");
  double w = ext.width(), h = ext.height();
  if (first > last) last += 24;
  const double localOffset = OffsetFromUTC();
  ElevStep = 5;
  int hour = first, minute = 0;
  while (hour <= last) {
    const TDateTime t = hour >= 24 ? (day + 1) + ((hour - 24) * 60 + minute) / 1440.0
                                   : day + (hour * 60 + minute) / 1440.0;
    double elevation = -200, azimuth = 0;
    if (!SunAt(t, lonWest, ObsLat, elevation, azimuth)) elevation = -200;
    const double b = ShadowAngle(azimuth);
    if (elevation >= 0 && std::isfinite(b) && (!ShowSats || b >= 90 || b <= -90)) {
      const double r = b * kDegToRad;
      const double sr = std::sin(r), cr = std::cos(r);
      const int X = Nearest(sr * ScaleX), Y = Nearest(cr * ScaleY);
      if (minute == 0) {
        const int k = b <= 0 ? 1 : 0;
        lf.Escapement = lf.Orientation = Nearest((90 - b - 180 * k) * 10);
        SelectLogFont(lf);
        std::string text;
        try {
          text = FormatDateTime("hh:nn", t + localOffset);
        } catch (const std::exception&) {
          text.clear();  // a time outside the calendar: no label
        }
        if (!text.empty()) {
          ext = canvas_.TextExtent(text);
          w = ext.width();
          h = ext.height();
        }
        int dx = 0, dy = 0;
        if (k == 0) {
          dx = Nearest(X - cr * h / 2 + sr * h / 2);
          dy = Nearest(Y + sr * h / 2 + cr * h / 2);
        } else {
          dx = Nearest(X + cr * h / 2 + sr * (w + h / 2));
          dy = Nearest(Y - sr * h / 2 + cr * (w + h / 2));
        }
        if (!text.empty()) canvas_.TextOut(OriginX + dx, OriginY - dy, text);
        if (ShowSats) canvas_.MoveTo(OriginX - X, OriginY + Y);
        else canvas_.MoveTo(OriginX, OriginY);
        canvas_.LineTo(OriginX + X, OriginY - Y);
      } else {
        const int L = minute % 15 == 0 ? 1 : 2;
        canvas_.MoveTo(OriginX + X, OriginY - Y);
        canvas_.LineTo(OriginX + Nearest(X - sr * h / L), OriginY - Nearest(Y - cr * h / L));
      }
    }
    minute += ElevStep;
    if (minute >= 60 || ElevStep <= 0) {
      minute = 0;
      ++hour;
    }
  }

  DrawFrame();
}
