#include "locationpanel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "mooncomp.h"

namespace {

// A caption and its value label in a form row.
QLabel* AddRow(QFormLayout* form, QWidget* owner, const char* name, const char* caption, const char* hint = nullptr) {
  auto* value = new QLabel(owner);
  value->setObjectName(name);
  value->setTextInteractionFlags(Qt::NoTextInteraction);
  auto* label = new QLabel(caption, owner);
  QString desc(name);
  desc.insert(desc.size() - 5, "Desc");  // "SunRiseLabel" -> "SunRiseDescLabel"
  label->setObjectName(desc);
  if (hint) label->setToolTip(hint);
  form->addRow(label, value);
  return value;
}

QFormLayout* MakeForm(QGroupBox* box) {
  auto* form = new QFormLayout(box);
  form->setContentsMargins(6, 4, 6, 4);
  form->setHorizontalSpacing(8);
  form->setVerticalSpacing(1);
  form->setLabelAlignment(Qt::AlignRight);
  return form;
}

}  // namespace

TLocationInfoPanel::TLocationInfoPanel(QWidget* map, QWidget* parent) : QWidget(parent) {
  auto* lay = new QHBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);

  // Left: the time panel above the world map.
  auto* left = new QVBoxLayout;
  TimeGroupBox = new QGroupBox("Time", this);
  TimeGroupBox->setObjectName("TimeGroupBox");
  QFormLayout* time = MakeForm(TimeGroupBox);
  LclTimeLabel = AddRow(time, TimeGroupBox, "LclTimeLabel", "Local Time:");
  UtcTimeLabel = AddRow(time, TimeGroupBox, "UtcTimeLabel", "UTC Time:");
  LocStarTimeLabel = AddRow(time, TimeGroupBox, "LocStarTimeLabel", "Star Time:");
  LocLclStarTimeLabel = AddRow(time, TimeGroupBox, "LocLclStarTimeLabel", "Local Star Time:");
  JulianDateLabel = AddRow(time, TimeGroupBox, "JulianDateLabel", "Julian Date:");
  MJDLabel = AddRow(time, TimeGroupBox, "MJDLabel", "Modified JD:");
  left->addWidget(TimeGroupBox);
  if (map) {
    map->setParent(this);
    left->addWidget(map, 1);
  } else {
    left->addStretch(1);
  }
  lay->addLayout(left, 1);

  // Middle: the sun.
  SunGroupBox = new QGroupBox("Sun", this);
  SunGroupBox->setObjectName("SunGroupBox");
  QFormLayout* sun = MakeForm(SunGroupBox);
  SunElevationLabel = AddRow(sun, SunGroupBox, "SunElevationLabel", "Elevation:");
  SunAzimuthLabel = AddRow(sun, SunGroupBox, "SunAzimuthLabel", "Azimuth:");
  TrueSolTimeLabel = AddRow(sun, SunGroupBox, "TrueSolTimeLabel", "True Solar Time:");
  AvgSolTimeLabel = AddRow(sun, SunGroupBox, "AvgSolTimeLabel", "Avg. Solar Time:");
  SunDiameterLabel = AddRow(sun, SunGroupBox, "SunDiameterLabel", "Diameter:");
  SunDistanceLabel = AddRow(sun, SunGroupBox, "SunDistanceLabel", "Distance:");
  SunPerLabel = AddRow(sun, SunGroupBox, "SunPerLabel", "Perihelion:");
  SunApLabel = AddRow(sun, SunGroupBox, "SunApLabel", "Aphelion:");
  ATStartLabel = AddRow(sun, SunGroupBox, "ATStartLabel", "Start AT:");
  NTStartLabel = AddRow(sun, SunGroupBox, "NTStartLabel", "Start NT:");
  CTStartLabel = AddRow(sun, SunGroupBox, "CTStartLabel", "Start CT:");
  SunRiseLabel = AddRow(sun, SunGroupBox, "SunRiseLabel", "Sun Rise:");
  SunTransitLabel = AddRow(sun, SunGroupBox, "SunTransitLabel", "Transit:");
  SunSetLabel = AddRow(sun, SunGroupBox, "SunSetLabel", "Sun Set:");
  CTEndLabel = AddRow(sun, SunGroupBox, "CTEndLabel", "End CT:");
  NTEndLabel = AddRow(sun, SunGroupBox, "NTEndLabel", "End NT:");
  ATEndLabel = AddRow(sun, SunGroupBox, "ATEndLabel", "End AT:");
  SeasonLabel = AddRow(sun, SunGroupBox, "SeasonLabel", "Season:");
  SolarOutageLabel = AddRow(sun, SunGroupBox, "SolarOutageLabel", "Sol.Outage:");
  lay->addWidget(SunGroupBox, 0, Qt::AlignTop);

  // Right: the moon, its picture on top.
  MoonGroupBox = new QGroupBox("Moon", this);
  MoonGroupBox->setObjectName("MoonGroupBox");
  auto* moonLay = new QVBoxLayout(MoonGroupBox);
  moonLay->setContentsMargins(0, 4, 0, 0);
  Moon1 = new astro::TMoon(MoonGroupBox);
  Moon1->setObjectName("Moon1");
  // The colour picture, without the landing-site mark.
  Moon1->SetMoonSize(astro::ms64);
  Moon1->SetRotation(astro::rot_none);
  Moon1->SetShowApollo11(false);
  Moon1->SetMoonStyle(astro::msColor);
  moonLay->addWidget(Moon1, 0, Qt::AlignHCenter);
  auto* moonFormBox = new QWidget(MoonGroupBox);
  QFormLayout* moon = new QFormLayout(moonFormBox);
  moon->setContentsMargins(6, 0, 6, 4);
  moon->setHorizontalSpacing(8);
  moon->setVerticalSpacing(1);
  moon->setLabelAlignment(Qt::AlignRight);
  MoonPhaseLabel = AddRow(moon, moonFormBox, "MoonPhaseLabel", "Moon Phase:");
  MoonIllumLabel = AddRow(moon, moonFormBox, "MoonIllumLabel", "Illumination:");
  MoonAgeLabel = AddRow(moon, moonFormBox, "MoonAgeLabel", "Moon Age:");
  MoonDiameterLabel = AddRow(moon, moonFormBox, "MoonDiameterLabel", "Diameter:");
  MoonDistanceLabel = AddRow(moon, moonFormBox, "MoonDistanceLabel", "Distance:");
  MoonElevationLabel = AddRow(moon, moonFormBox, "MoonElevationLabel", "Elevation:");
  MoonAzimuthLabel = AddRow(moon, moonFormBox, "MoonAzimuthLabel", "Azimuth:");
  MoonRiseLabel = AddRow(moon, moonFormBox, "MoonRiseLabel", "Moon Rise:");
  MoonTransitLabel = AddRow(moon, moonFormBox, "MoonTransitLabel", "Transit:");
  MoonSetLabel = AddRow(moon, moonFormBox, "MoonSetLabel", "Moon Set:");
  MoonPerigeeLabel = AddRow(moon, moonFormBox, "MoonPerigeeLabel", "Perigee:");
  MoonApogeeLabel = AddRow(moon, moonFormBox, "MoonApogeeLabel", "Apogee:");
  moonLay->addWidget(moonFormBox);
  lay->addWidget(MoonGroupBox, 0, Qt::AlignTop);
}
