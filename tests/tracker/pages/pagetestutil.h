// Set-up shared by the page tests: the program started on the sample data in a folder of its
// own, scripted dialogs, and helpers to read the drawn pictures.
#pragma once

#include <QImage>

#include <memory>
#include <string>

#include "program.h"
#include "uitestutil.h"

class TClarkeBelt;
class TSat;
class TSatForm;

namespace pagetest {

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program with the ini text (downloads off by default), shows the main window at
  // the given size and lets the first layout run.
  TSatForm* Start(const std::string& ini = "[Update]\r\nAutoUpdate=0\r\n", int width = 900, int height = 650);
  // Sets the collection's time (UTC) and stops the real-time clock, so that every drawing of
  // the test is made for that moment; the satellite lists are refilled on the Sat Info page.
  void FreezeAt(double utc);
  // Selects the satellite in the Sat Info list box without the click handler running.
  void SelectInList(const std::string& name);

  uitest::TScriptedPrompts prompts;
  std::unique_ptr<uitest::TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

// The pixel of a satellite on a view as the view places it (after a drawing).
QPoint PixelOf(TClarkeBelt& view, TSat& sat);
// Number of pixels of exactly this colour inside the picture.
int CountColour(const QImage& image, QRgb colour);
// Number of pixels of this colour within radius r of the point.
int CountColourNear(const QImage& image, QPoint p, int r, QRgb colour);

constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kBlue = 0xFF0000FFu;
constexpr QRgb kYellow = 0xFFFFFF00u;
constexpr QRgb kGrey = 0xFF808080u;

}  // namespace pagetest
