// The Location page's time, sun and moon panel: a value label beside a caption for every field,
// the moon-phase picture, and the page's world map placed below the time panel.
//
// Each value label carries its component name as object name ("SunRiseLabel", ...); its caption
// is named like it with "DescLabel" ("SunRiseDescLabel").
#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
namespace astro {
class TMoon;
}

class TLocationInfoPanel : public QWidget {
  Q_OBJECT
 public:
  // Takes `map` (the page's world map) into its left column, below the time panel.
  explicit TLocationInfoPanel(QWidget* map, QWidget* parent = nullptr);

  // Set while the panel is being filled; a fill that arrives meanwhile (pending messages run
  // during the solar outage search) is dropped.
  bool Filling = false;

  QGroupBox* TimeGroupBox = nullptr;
  QGroupBox* SunGroupBox = nullptr;
  QGroupBox* MoonGroupBox = nullptr;

  // Time panel.
  QLabel* LclTimeLabel = nullptr;
  QLabel* UtcTimeLabel = nullptr;
  QLabel* LocStarTimeLabel = nullptr;
  QLabel* LocLclStarTimeLabel = nullptr;
  QLabel* JulianDateLabel = nullptr;
  QLabel* MJDLabel = nullptr;
  // Sun.
  QLabel* SunElevationLabel = nullptr;
  QLabel* SunAzimuthLabel = nullptr;
  QLabel* TrueSolTimeLabel = nullptr;
  QLabel* AvgSolTimeLabel = nullptr;
  QLabel* SunDiameterLabel = nullptr;
  QLabel* SunDistanceLabel = nullptr;
  QLabel* SunPerLabel = nullptr;
  QLabel* SunApLabel = nullptr;
  QLabel* ATStartLabel = nullptr;
  QLabel* ATEndLabel = nullptr;
  QLabel* NTStartLabel = nullptr;
  QLabel* NTEndLabel = nullptr;
  QLabel* CTStartLabel = nullptr;
  QLabel* CTEndLabel = nullptr;
  QLabel* SunRiseLabel = nullptr;
  QLabel* SunSetLabel = nullptr;
  QLabel* SunTransitLabel = nullptr;
  QLabel* SeasonLabel = nullptr;
  QLabel* SolarOutageLabel = nullptr;
  // Moon.
  astro::TMoon* Moon1 = nullptr;
  QLabel* MoonPhaseLabel = nullptr;
  QLabel* MoonIllumLabel = nullptr;
  QLabel* MoonAgeLabel = nullptr;
  QLabel* MoonDiameterLabel = nullptr;
  QLabel* MoonDistanceLabel = nullptr;
  QLabel* MoonElevationLabel = nullptr;
  QLabel* MoonAzimuthLabel = nullptr;
  QLabel* MoonRiseLabel = nullptr;
  QLabel* MoonTransitLabel = nullptr;
  QLabel* MoonSetLabel = nullptr;
  QLabel* MoonPerigeeLabel = nullptr;
  QLabel* MoonApogeeLabel = nullptr;
};
