// Shared helpers of the polar-map and sun-dial tests.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "canvas.h"
#include "sat.h"

namespace polartest {

inline void EnsureApp() {
  static int argc = 1;
  static char name[] = "polarmaps_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

// Pictures go to the test output folder for a person to look at.
inline void Save(const QImage& img, const std::string& name) {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const QString dir = QString::fromUtf8(env ? env : POLARMAPS_TEST_OUT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/" + QString::fromStdString(name)));
}

inline TSat MakeSat(const std::string& name, int nr, double az, double el, double ha = 0,
                    bool visible = true) {
  TSat s;
  s.Name = name;
  s.TwoLine.NoradNr = nr;
  s.SatPos.Azimuth = az;
  s.SatPos.Elevation = el;
  s.SatPos.HA = ha;
  s.SatPos.Visible = visible;
  return s;
}

inline std::vector<QPoint> PixelsOf(const QImage& img, QRgb colour) {
  std::vector<QPoint> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == colour) out.emplace_back(x, y);
  return out;
}

// Direction seen from the origin in degrees: 0 straight up, positive to the right.
inline double DirectionOf(double dx, double dyUp) { return std::atan2(dx, dyUp) * 180 / M_PI; }

inline const TTextCall* FindText(const std::vector<TTextCall>& rec, const std::string& text) {
  for (const auto& t : rec)
    if (t.Text == text) return &t;
  return nullptr;
}

// Centre of a w x h text cell written at (x, y) and turned counter-clockwise by its escapement.
inline QPointF CellCentre(const TTextCall& t, double w, double h) {
  const double a = t.Escapement / 10.0 * M_PI / 180;
  return QPointF(t.X + w / 2 * std::cos(a) + h / 2 * std::sin(a),
                 t.Y - w / 2 * std::sin(a) + h / 2 * std::cos(a));
}

}  // namespace polartest
