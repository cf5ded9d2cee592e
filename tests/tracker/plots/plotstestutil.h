// Shared helpers of the plot tests.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "canvas.h"

namespace plotstest {

inline void EnsureApp() {
  static int argc = 1;
  static char name[] = "plots_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

// A fixture's first member: the application exists before the widgets are made.
struct TAppFirst {
  TAppFirst() { EnsureApp(); }
};

// Pictures go to the test output folder for a person to look at.
inline void Save(const QImage& img, const std::string& name) {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const QString dir = QString::fromUtf8(env ? env : PLOTS_TEST_OUT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/" + QString::fromStdString(name)));
}

inline std::vector<QPoint> PixelsOf(const QImage& img, QRgb colour) {
  std::vector<QPoint> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == colour) out.emplace_back(x, y);
  return out;
}

inline bool Is(const QImage& img, int x, int y, QRgb colour) {
  return img.valid(x, y) && (img.pixel(x, y) & 0xFFFFFF) == colour;
}

// True when a pixel of the colour lies within `d` pixels of (x, y).
inline bool Near(const QImage& img, int x, int y, QRgb colour, int d = 1) {
  for (int dy = -d; dy <= d; ++dy)
    for (int dx = -d; dx <= d; ++dx)
      if (Is(img, x + dx, y + dy, colour)) return true;
  return false;
}

constexpr QRgb kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF, kAqua = 0x00FFFF;

}  // namespace plotstest
