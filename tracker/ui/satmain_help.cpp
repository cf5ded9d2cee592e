// Pointer help and clipboard copies of the value labels.
#include "satmain_help.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>

#include <algorithm>
#include <array>
#include <exception>
#include <string>

#include "dishplots.h"
#include "log.h"
#include "satmain.h"

namespace {

struct THelpLabel {
  std::string_view Name;
  int Item;
};

constexpr std::array<THelpLabel, 44> kHelpLabels{{
    {"PolAxisDescLabel", hiPolarAxis},
    {"PolAxisLabel", hiPolarAxis},
    {"DishOffsetDescLabel", hiDishOffset},
    {"DeclinationDescLabel", hiDeclination},
    {"DeclinationLabel", hiDeclination},
    {"ObstDecDescLabel", hiDeclination},
    {"ObstDecLabel", hiDeclination},
    {"PolAxCorrDescLabel", hiPolAxisCorr},
    {"PolAxCorrLabel", hiPolAxisCorr},
    {"ElevationDescLabel", hiElevation},
    {"ElevationLabel", hiElevation},
    {"ObstElevDescLabel", hiElevation},
    {"ObstElevLabel", hiElevation},
    {"DecHorPlaneDescLabel", hiDecHorPlane},
    {"DecHorPlaneLabel", hiDecHorPlane},
    {"DishElevDescLabel", hiDishAngle},
    {"ObstAziDescLabel", hiAzimuth},
    {"ObstAziLabel", hiAzimuth},
    // Labels that clear the mark.
    {"AzimuthDescLabel", hiNone},
    {"AzimuthLabel", hiNone},
    {"LHADescLabel", hiNone},
    {"LHALabel", hiNone},
    {"RangeDescLabel", hiNone},
    {"RangeLabel", hiNone},
    {"PolAngleDescLabel", hiNone},
    {"PolAngleLabel", hiNone},
    {"HADescLabel", hiNone},
    {"HALabel", hiNone},
    {"SunPassDescLabel", hiNone},
    {"SunPassLabel", hiNone},
    {"PassElevDescLabel", hiNone},
    {"PassElevLabel", hiNone},
    {"RotorDishElevDescLabel", hiNone},
    {"RotorDishElevLabel", hiNone},
    {"ObstSunPassDescLabel", hiNone},
    {"ObstSunPassLabel", hiNone},
    {"ObstPolDescLabel", hiNone},
    {"ObstPolLabel", hiNone},
    {"ObstHADescLabel", hiNone},
    {"ObstHALabel", hiNone},
    {"SunElevDescLabel", hiNone},
    {"SunElevLabel", hiNone},
    {"RotorAngleDescLabel", hiNone},
    {"DishElevLabel", hiNone},
}};

constexpr auto kHelpLabelNames = [] {
  std::array<std::string_view, kHelpLabels.size()> names{};
  for (size_t i = 0; i < kHelpLabels.size(); ++i) names[i] = kHelpLabels[i].Name;
  return names;
}();

constexpr std::array<std::string_view, 108> kValueLabels{{
    // Location page: time, sun and moon.
    "LclTimeLabel", "UtcTimeLabel", "LocStarTimeLabel", "LocLclStarTimeLabel", "JulianDateLabel", "MJDLabel",
    "SunElevationLabel", "SunAzimuthLabel", "TrueSolTimeLabel", "AvgSolTimeLabel", "SunDiameterLabel",
    "SunDistanceLabel", "SunPerLabel", "SunApLabel", "ATStartLabel", "ATEndLabel", "NTStartLabel", "NTEndLabel",
    "CTStartLabel", "CTEndLabel", "SunRiseLabel", "SunSetLabel", "SunTransitLabel", "SeasonLabel",
    "SolarOutageLabel", "MoonPhaseLabel", "MoonIllumLabel", "MoonAgeLabel", "MoonDiameterLabel",
    "MoonDistanceLabel", "MoonElevationLabel", "MoonAzimuthLabel", "MoonRiseLabel", "MoonTransitLabel",
    "MoonSetLabel", "MoonPerigeeLabel", "MoonApogeeLabel",
    // Sat Info page: general and reported data.
    "AltNameLabel", "CosparNameLabel", "NoradNrLabel", "LogTimeLabel", "DriftLabel", "PeriodLabel",
    "InclinationLabel", "PerigeeLabel", "ApogeeLabel", "EpochLabel", "ElementNrLabel", "KepInclinationLabel",
    "EccentricityLabel", "MeanMotionLabel", "AscNodeLabel", "ArgPerigeeLabel",
    // Dynamic data, with the "X" sub-page.
    "LongitudeLabel", "LatitudeLabel", "AltitudeLabel", "RevNrLabel", "OrbitPhaseLabel", "AnomalyLabel",
    "DistanceLabel", "SpeedLabel", "XPosLabel", "YPosLabel", "ZPosLabel", "XdotLabel", "YdotLabel", "ZdotLabel",
    "StarTimeLabel", "LclStarTimeLabel", "RangeRateLabel", "ObsXLabel", "ObsYLabel", "ObsZLabel",
    // Observed data and the sun pass.
    "AzimuthLabel", "ElevationLabel", "LHALabel", "HALabel", "PolAngleLabel", "RangeLabel", "DeclinationLabel",
    "PolAxCorrLabel", "PolAxisLabel", "DecHorPlaneLabel", "DishElevLabel", "RotorDishElevLabel", "SunPassLabel",
    "PassElevLabel",
    // "Rotor" sub-page.
    "CalcPulseCountLabel", "PCDevLabel", "CalcHALabel", "DegPerPulseLabel", "PulsePerDegLabel", "ZeroPosLabel",
    "PCZeroLabel", "PointsLabel", "CorrLabel",
    // Obstacle page.
    "ObstAziLabel", "ObstElevLabel", "ObstHALabel", "ObstPolLabel", "ObstDecLabel", "MinElevLabel", "SatVisLabel",
    "ElevDiffLabel", "HeightDiffLabel", "ObstSunPassLabel", "SunPassShadowLabel", "SunElevLabel",
}};

// Passes the pointer's entering and the double-clicks of the bound labels to the window.
class TValueLabelFilter : public QObject {
 public:
  explicit TValueLabelFilter(TSatForm* form) : QObject(form), form_(form) {
    setObjectName("ValueLabelFilter");
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    try {
      if (event->type() == QEvent::Enter) {
        if (HelpItemOfLabel(watched->objectName().toStdString()) >= 0) form_->ValLabelMouseEnter(watched);
      } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (IsValueLabel(watched->objectName().toStdString())) form_->ValueLabelDblClick(watched);
      }
    } catch (const std::exception& e) {
      WriteLog(std::string("Error in the value-label help: ") + e.what());
    } catch (...) {
      WriteLog("Error in the value-label help");
    }
    return false;
  }

 private:
  TSatForm* form_;
};

}  // namespace

int HelpItemOfLabel(std::string_view objectName) {
  for (const THelpLabel& l : kHelpLabels)
    if (l.Name == objectName) return l.Item;
  return -1;
}

std::span<const std::string_view> HelpLabelNames() { return kHelpLabelNames; }

std::span<const std::string_view> ValueLabelNames() { return kValueLabels; }

bool IsValueLabel(std::string_view objectName) {
  return std::find(kValueLabels.begin(), kValueLabels.end(), objectName) != kValueLabels.end();
}

QString ClipboardNumber(const QString& caption) {
  QString t = caption;
  t.remove(QStringLiteral("/s"), Qt::CaseSensitive);
  t.remove(QStringLiteral("Km"), Qt::CaseSensitive);
  t.remove(QChar(0x00B0));
  qsizetype first = 0;
  qsizetype last = t.size();
  while (first < last && t.at(first).unicode() <= ' ') ++first;
  while (last > first && t.at(last - 1).unicode() <= ' ') --last;
  return t.mid(first, last - first);
}

void TSatForm::ValLabelMouseEnter(QObject* Sender) {
  if (!Sender) return;
  const int item = HelpItemOfLabel(Sender->objectName().toStdString());
  if (item < 0) return;
  if (AnglePlot) {
    AnglePlot->HelpItem = item;
    AnglePlot->Invalidate();
  }
  if (DishPlot) {
    DishPlot->HelpItem = item;
    DishPlot->Invalidate();
  }
}

void TSatForm::ValueLabelDblClick(QObject* Sender) {
  const auto* label = qobject_cast<const QLabel*>(Sender);
  if (!label) return;
  const QString number = ClipboardNumber(label->text());
  // Like cutting an empty selection, an empty text leaves the clipboard as it was.
  if (number.isEmpty()) return;
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(number);
}

void TSatForm::ConnectValueLabels() {
  QObject* filter = findChild<QObject*>("ValueLabelFilter", Qt::FindDirectChildrenOnly);
  if (!filter) filter = new TValueLabelFilter(this);
  for (QLabel* label : findChildren<QLabel*>()) {
    const std::string name = label->objectName().toStdString();
    // Installing the filter again on a bound label changes nothing.
    if (HelpItemOfLabel(name) >= 0 || IsValueLabel(name)) label->installEventFilter(filter);
  }
}
