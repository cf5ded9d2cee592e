// The Sat Info page and the Obstacle page's fields in the running main window: the texts and
// warning colours ShowSatInfo gives a satellite record, the rotor calibration fields, the dish
// offset edit, the sun pass, the obstacle calculator, the drawings it feeds, the guard of its
// message processing, and a screenshot of the page with a sample satellite.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "anglehelpers.h"
#include "astro_sun.h"
#include "datetimepicker.h"
#include "dishplots.h"
#include "format.h"
#include "options.h"
#include "program.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "uitestutil.h"
#include "worldmap.h"
#include "xyplot.h"

using namespace uitest;

namespace {

const std::string kDeg = "\xB0";

std::string Text(const QLabel* l) { return AnsiStr(l->text()); }
std::string Text(const QLineEdit* e) { return AnsiStr(e->text()); }
bool IsRed(const QWidget* w, QPalette::ColorRole role = QPalette::WindowText) {
  return w->palette().color(role) == QColor(Qt::red);
}

class SatInfoTest : public ::testing::Test {
 protected:
  // 2 December 2026, 12:00 UTC: a day after the sample element sets' epoch.
  static double Utc() { return EncodeDate(2026, 12, 2) + 0.5; }

  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<TProgramFolder>();
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    form = program->Start(1, argv);
    ASSERT_NE(form, nullptr);
    form->resize(1100, 760);
    form->show();
    QApplication::processEvents();
    Freeze(Utc());
    sat = MakeSat();
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  // Stops the clock at utc and refills the Sat Info page for that moment.
  void Freeze(double utc) {
    for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
      const QSignalBlocker block(box);
      box->setChecked(false);
    }
    form->ClockTimer->stop();
    for (TDateTimePicker* p : {form->InfoDatePicker, form->InfoTimePicker, form->LocDatePicker,
                               form->LocTimePicker, form->ObstDatePicker, form->ObstTimePicker}) {
      const QSignalBlocker block(p);
      p->SetValue(utc + OffsetFromUTC());
    }
    Sats->UTC = utc;
    form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
    form->MainPageControlChange(form->MainPageControl);
  }

  // Turns to a main page and an inner page without their change handlers.
  void Pages(QWidget* mainPage, QWidget* innerPage) {
    const QSignalBlocker b1(form->MainPageControl);
    const QSignalBlocker b2(form->InfoPageControl);
    form->MainPageControl->setCurrentWidget(mainPage);
    if (innerPage) form->InfoPageControl->setCurrentWidget(innerPage);
  }

  void Show(QWidget* mainPage = nullptr, QWidget* innerPage = nullptr) {
    Pages(mainPage ? mainPage : form->SatInfoTabSheet, innerPage);
    form->ShowSatInfo(sat);
  }

  // A geostationary satellite at 19 E seen from the settings' observer.
  static TSat MakeSat() {
    TSat s;
    s.Name = "TESTSAT 1";
    s.TwoLine.Name = "TESTSAT 1";
    s.TwoLine.NoradNr = 12345;
    s.TwoLine.Classification = 'U';
    s.TwoLine.CosparName = "2001-001A";
    s.TwoLine.Epoch = Utc() - 2;
    s.TwoLine.ElementNr = 999;
    s.TwoLine.Inclination = 0.05;
    s.TwoLine.MeanMotion = 1.00273791;
    s.TwoLine.AscNode = 85;
    s.TwoLine.Eccentricity = 0.00021;
    s.TwoLine.ArgPerigee = 123.4;
    s.GeoLog.AltName = "ALTNAME";
    s.GeoLog.LogTime = EncodeDate(2024, 3, 5) + EncodeTime(7, 4, 0, 0);
    s.GeoLog.Period = 1436.1;
    s.GeoLog.Perigee = 35780;
    s.GeoLog.Apogee = 35794.5;
    s.GeoLog.Inclination = 0.04;
    s.GeoLog.Longitude = 19.2;
    s.GeoLog.Drift = -0.003;
    s.SatInfo.Bands = "Ku";
    s.SatInfo.Remarks = "Europe";
    TSatPosRecord& p = s.SatPos;
    p.Longitude = 19.0;
    p.Latitude = -0.5;
    p.Altitude = 35786.04;
    p.RevNr = 1234;
    p.OrbitPhase = 12.5;
    p.Anomaly = 300;
    p.Radius = 42164.57;
    p.Speed = 3.0747;
    p.X = 12345.6;
    p.Y = -7000.4;
    p.Z = 123.46;
    p.XDot = 1.2346;
    p.YDot = -0.5;
    p.ZDot = 0;
    p.StarTime = 100.25;
    p.LclStarTime = 105.25;
    p.RangeRate = 0.0123;
    p.ObsX = 3900.04;
    p.ObsY = -120.26;
    p.ObsZ = 5000;
    p.Azimuth = 170;
    p.Elevation = 30;
    p.RelLongitude = 14;
    p.HA = 10;
    p.PolAngle = 5;
    p.Range = 37000.06;
    p.Declination = -6.5;
    p.PolAxCorr = 0.5;
    p.TheoDeclination = 6.8;
    p.PolAxis = 37.417;
    p.DecHorPlane = 1.2;
    p.Visible = true;
    return s;
  }

  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
  TSat sat;
};

// ---- the fields ------------------------------------------------------------------------------

TEST_F(SatInfoTest, FieldsCarryTheirNamesAndCaptions) {
  const struct {
    const char* value;
    const char* caption;
  } fields[] = {
      {"AltNameLabel", "Alternate Name:"}, {"NoradNrLabel", "Norad Nr:"},     {"BandsEdit", "Transponders:"},
      {"RemarksMemo", "Remarks:"},         {"LogTimeLabel", "Log Date:"},     {"EpochLabel", "2-Line data:"},
      {"ArgPerigeeLabel", "Arg.Perigee:"}, {"LclStarTimeLabel", "Lcl Startime:"}, {"LHALabel", "Local Hour:"},
      {"PolAxCorrLabel", "Pol. Axis Corr.:"}, {"DishOffsetEdit", "Dish Offset:"}, {"DishElevLabel", "Dish Angle:"},
      {"RotorDishElevLabel", "Dish Elevation:"}, {"RangeRateLabel", "Range Rate:"}, {"ObsZLabel", "Observer Z:"},
      {"CalcPulseCountLabel", "Calc. Pulse Count:"}, {"PCZeroLabel", "Pulses from zero:"},
      {"ObstPolLabel", "Pol. Angle:"},     {"ObstShadowEdit", "Obstacle Shadow (m):"},
      {"HeightDiffLabel", "Heigt Difference (m):"}, {"SunPassShadowLabel", "Shadow at Sun Pass:"},
  };
  for (const auto& f : fields) {
    SCOPED_TRACE(f.value);
    const QString base = QString(f.value).replace(QRegularExpression("(Label|Edit|Memo)$"), "");
    EXPECT_NE(form->findChild<QWidget*>(f.value), nullptr);
    const auto* desc = form->findChild<QLabel*>(base + "DescLabel");
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->text().toStdString(), f.caption);
  }
  // The inner page "X" has no tab; the hour angle from the pulse count is hidden.
  EXPECT_FALSE(form->InfoPageControl->isTabVisible(form->InfoPageControl->indexOf(form->MoreInfoTabSheet)));
  EXPECT_TRUE(form->CalcHALabel->isHidden());
  EXPECT_EQ(form->ViewModeComboBox->currentText(), "Azimuthal");
  EXPECT_TRUE(form->DishPlotScrollBox->isAncestorOf(form->ViewModeComboBox));
  EXPECT_EQ(Text(form->ObstHeightEdit), "11.0");
  EXPECT_EQ(Text(form->ObstDistEdit), "20.0");
}

// ---- texts of one record ---------------------------------------------------------------------

TEST_F(SatInfoTest, TextsOfTheRecordInDecimalDegrees) {
  Options->DecimalDegs = true;
  form->DishOffsetEdit->setText(QStr("26" + kDeg));
  form->RotorAngleEdit->setText("40");
  Show(form->SatInfoTabSheet, form->WorldMapTabSheet);
  EXPECT_EQ(form->CurrentSat, &sat);
  EXPECT_EQ(Text(form->SatNameEdit), "TESTSAT 1");
  EXPECT_EQ(form->windowTitle(), "TESTSAT 1");
  const struct {
    QWidget* w;
    std::string text;
  } cases[] = {
      {form->AltNameLabel, "ALTNAME"},
      {form->CosparNameLabel, "2001-001A"},
      {form->NoradNrLabel, "12345"},
      {form->BandsEdit, "Ku"},
      {form->LogTimeLabel, "5/3/24 7:04"},
      {form->RepLongitudeEdit, "19.200" + kDeg + " E"},
      {form->DriftLabel, "0.003" + kDeg + " W"},
      {form->PeriodLabel, "1436.10 Min"},
      {form->InclinationLabel, "0.040" + kDeg},
      {form->PerigeeLabel, "35780 Km"},
      {form->ApogeeLabel, "35794.5 Km"},
      {form->ElementNrLabel, "999"},
      {form->KepInclinationLabel, "0.050" + kDeg},
      {form->EccentricityLabel, "0.000210"},
      {form->MeanMotionLabel, "1.002738 rev/d"},
      {form->AscNodeLabel, "85.000" + kDeg},
      {form->ArgPerigeeLabel, "123.400" + kDeg},
      {form->LongitudeLabel, "19.000" + kDeg + " E"},
      {form->LatitudeLabel, "0.500" + kDeg + " S"},
      {form->AltitudeLabel, "35786.0 Km"},
      {form->RevNrLabel, "1234"},
      {form->OrbitPhaseLabel, "12.500" + kDeg},
      {form->AnomalyLabel, "300.000" + kDeg},
      {form->DistanceLabel, "42164.6 Km"},
      {form->SpeedLabel, "3.075 Km/s"},
      {form->XPosLabel, "12346 Km"},
      {form->YPosLabel, "-7000 Km"},
      {form->ZPosLabel, "123.5 Km"},
      {form->XdotLabel, "1.235 Km/s"},
      {form->YdotLabel, "-0.500 Km/s"},
      {form->ZdotLabel, "0.000 Km/s"},
      {form->StarTimeLabel, "100.250" + kDeg},
      {form->LclStarTimeLabel, "105.250" + kDeg},
      {form->RangeRateLabel, "0.012 Km/s"},
      {form->ObsXLabel, "3900.0 Km"},
      {form->ObsYLabel, "-120.3 Km"},
      {form->ObsZLabel, "5000.0 Km"},
      {form->ElevationLabel, "30.000" + kDeg},
      {form->LHALabel, "-14.000" + kDeg},
      {form->HALabel, "-10.000" + kDeg},
      {form->PolAngleLabel, "5.000" + kDeg},
      {form->RangeLabel, "37000.1 Km"},
      {form->DeclinationLabel, "-6.500" + kDeg},
      {form->PolAxCorrLabel, "0.500" + kDeg},
      {form->PolAxisLabel, "37.417" + kDeg},
      {form->DecHorPlaneLabel, "1.200" + kDeg},
      {form->DishOffsetEdit, "26.0" + kDeg},
      {form->DishElevLabel, "4.000" + kDeg},
      {form->RotorAngleEdit, "40.0" + kDeg},
      {form->RotorDishElevLabel, "33.700" + kDeg},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.w->objectName().toStdString());
    if (auto* l = qobject_cast<QLabel*>(c.w))
      EXPECT_EQ(Text(l), c.text);
    else
      EXPECT_EQ(Text(qobject_cast<QLineEdit*>(c.w)), c.text);
  }
  EXPECT_EQ(form->RemarksMemo->toPlainText(), "Europe");
  EXPECT_EQ(AnsiStr(form->DeclinationDescLabel->toolTip()),
            "Declination (Corrected Declination: -6.000" + kDeg + " Theo. Declination: -6.800" + kDeg + ")");
  EXPECT_EQ(AnsiStr(form->PolAxisDescLabel->toolTip()), "Corrected Polar Axis (Axis Elevation 52.583" + kDeg + ")");
  EXPECT_FALSE(IsRed(form->EpochLabel));
  EXPECT_FALSE(IsRed(form->RepLongitudeEdit, QPalette::Text));
}

TEST_F(SatInfoTest, AnglesInDegreesMinutesAndSeconds) {
  Options->DecimalDegs = false;
  sat.SatPos.Elevation = 12.5;
  sat.SatPos.Longitude = 19.25;
  Show();
  EXPECT_EQ(Text(form->ElevationLabel), "12" + kDeg + " 30' 00''");
  EXPECT_EQ(Text(form->LongitudeLabel), "19" + kDeg + " 15' 00'' E");
}

TEST_F(SatInfoTest, NoradNumberAndClassification) {
  const struct {
    int nr;
    char cls;
    const char* text;
  } cases[] = {{12345, 'U', "12345"}, {12345, 'S', "12345  Classification: S"}, {0, 'U', ""}, {-1, 'U', ""}};
  for (const auto& c : cases) {
    sat.TwoLine.NoradNr = c.nr;
    sat.TwoLine.Classification = c.cls;
    Show();
    EXPECT_EQ(Text(form->NoradNrLabel), c.text) << c.nr << c.cls;
  }
}

TEST_F(SatInfoTest, EpochAgeMarksOldElementsRed) {
  const struct {
    int nr;
    double age;  // days before the collection's time; NaN: no epoch
    const char* text;
    bool red;
  } cases[] = {
      {12345, 15, nullptr, true},  {12345, 13, nullptr, false}, {SunNoradNr, 15, nullptr, false},
      {MoonNoradNr, 400, nullptr, false}, {12345, NAN, "N.A.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.nr) + " " + std::to_string(c.age));
    sat.TwoLine.NoradNr = c.nr;
    sat.TwoLine.Epoch = std::isnan(c.age) ? 0 : Utc() - c.age;
    Show();
    if (c.text) {
      EXPECT_EQ(Text(form->EpochLabel), c.text);
    }
    EXPECT_EQ(IsRed(form->EpochLabel), c.red);
  }
}

TEST_F(SatInfoTest, DatesOutsideTheCalendarShowNotAvailable) {
  sat.GeoLog.LogTime = 3e6;  // beyond the year 9999
  sat.TwoLine.Epoch = -5;
  Show();
  EXPECT_EQ(Text(form->LogTimeLabel), "N.A.");
  EXPECT_EQ(Text(form->EpochLabel), "N.A.");
  EXPECT_EQ(Text(form->ArgPerigeeLabel), "123.400" + kDeg);  // the rest is filled
}

TEST_F(SatInfoTest, ReportedLongitudeAndItsWarning) {
  const struct {
    double rep, logged, computed;
    std::string text;
    bool red;
  } cases[] = {
      {0, 19.2, 19.2, "19.200" + kDeg + " E", false},
      {0, 0, 0, "0.000" + kDeg, false},
      {0, 0, 7.0, "0.000" + kDeg, false},
      {19.2, 5.0, 19.0, "19.200" + kDeg + " E", false},
      {20.3, 0, 19.0, "20.300" + kDeg + " E", true},
      {19.2, 0, 0, "19.200" + kDeg + " E", true},
      {-5, 0, 355, "5.000" + kDeg + " W", false},
      // Either side of the date line: compared the short way round.
      {179.8, 0, 180.1, "179.800" + kDeg + " E", false},
      {-179.5, 0, 178.0, "179.500" + kDeg + " W", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    sat.SatInfo.RepLongitude = c.rep;
    sat.GeoLog.Longitude = c.logged;
    sat.SatPos.Longitude = c.computed;
    Show();
    EXPECT_EQ(Text(form->RepLongitudeEdit), c.text);
    EXPECT_EQ(IsRed(form->RepLongitudeEdit, QPalette::Text), c.red);
  }
}

TEST_F(SatInfoTest, AzimuthFromSouthOrNorth) {
  const struct {
    double lat;
    bool relToSouth;
    double azimuth;
    std::string info, obstacle;
  } cases[] = {
      {52, true, 135, "45.000" + kDeg + " E", "45.000" + kDeg + " E"},
      {52, false, 135, "135.000" + kDeg, "45.000" + kDeg + " E"},
      {52, true, 225, "45.000" + kDeg + " W", "45.000" + kDeg + " W"},
      {52, true, 180, "0.000" + kDeg, "0.000" + kDeg},
      {-33.9, true, 20, "20.000" + kDeg + " E", "20.000" + kDeg + " E"},
      {-33.9, false, 20, "20.000" + kDeg, "20.000" + kDeg + " E"},
      {-33.9, true, 340, "20.000" + kDeg + " W", "20.000" + kDeg + " W"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.info);
    Options->SetObsLat(c.lat);
    Options->AziRelToSouth = c.relToSouth;
    sat.SatPos.Azimuth = c.azimuth;
    Show(form->SatInfoTabSheet);
    EXPECT_EQ(Text(form->AzimuthLabel), c.info);
    Show(form->ObstacleTabSheet);
    EXPECT_EQ(Text(form->ObstAziLabel), c.obstacle);
  }
}

// ---- the web button and the drawings ---------------------------------------------------------

TEST_F(SatInfoTest, WebButtonFollowsTheAddress) {
  sat.SatInfo.URL = "https://example.org/sat";
  Show();
  EXPECT_FALSE(form->BrowserExecButton->isHidden());
  EXPECT_EQ(form->BrowserExecButton->toolTip(), "Open https://example.org/sat");
  sat.SatInfo.URL.clear();
  Show();
  EXPECT_TRUE(form->BrowserExecButton->isHidden());
}

TEST_F(SatInfoTest, InnerPagesGetTheSatellite) {
  Show(form->SatInfoTabSheet, form->WorldMapTabSheet);
  EXPECT_EQ(form->WorldMapFrame->Sat(), &sat);
  EXPECT_FALSE(form->WorldMapFrame->SunShape->isHidden());
  for (auto [page, plot] : {std::pair{form->XYTabSheet, XYPlot}, std::pair{form->XZTabSheet, XZPlot},
                            std::pair{form->YZTabSheet, YZPlot}}) {
    Show(form->SatInfoTabSheet, page);
    EXPECT_EQ(plot->PlotSat, &sat) << page->objectName().toStdString();
  }
  form->ViewModeComboBox->setCurrentIndex(1);
  form->DishOffsetEdit->setText("21.1");
  Show(form->SatInfoTabSheet, form->DishTabSheet);
  EXPECT_EQ(DishPlot->DishSat, &sat);
  EXPECT_EQ(DishPlot->MountMode, 1);
  EXPECT_DOUBLE_EQ(DishPlot->DishOffset, 21.1);
}

// ---- rotor calibration -----------------------------------------------------------------------

TEST_F(SatInfoTest, RotorCalibrationFields) {
  struct Case {
    double slope, intercept, corr;
    int count;
    std::int32_t pulses;
    bool dynHA;
    double rotorHA;
    const char *calcPC, *pc, *dev, *calcHA, *degPerPulse, *pulsePerDeg, *zero, *fromZero, *points, *corrText;
    std::string rotorHAText;
  };
  const Case cases[] = {
      // No pulse count, one point, a zero slope (taken as 1e-9): nothing divides by zero.
      {0, 100, 0, 1, PulseCountUnset, true, 0, "100.00", "", "", "", "", "", "100.00", "0.00", "1", "0.000000",
       "-10.000" + kDeg},
      {100, 50, -0.99, 3, 1000, true, 0, "1050.00", "1000", "50.00", "9.50", "-0.0100", "-100.00", "50.00", "1000.00",
       "3", "0.990000", "-10.000" + kDeg},
      {100, 50, -0.99, 3, 1000, false, -7, "1050.00", "1000", "50.00", "9.50", "-0.0100", "-100.00", "50.00",
       "1000.00", "3", "0.990000", "7.000" + kDeg},
  };
  Pages(form->SatInfoTabSheet, form->RotorTabSheet);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.calcPC);
    Sats->FitSlope = c.slope;
    Sats->FitIntercept = c.intercept;
    Sats->FitCorrelation = c.corr;
    Sats->FitCount = c.count;
    sat.SatInfo.PulseCount = c.pulses;
    sat.SatInfo.DynHA = c.dynHA;
    sat.SatInfo.RotorHA = c.rotorHA;
    sat.SatInfo.StoredPos = "17";
    form->ShowSatInfo(sat);
    EXPECT_EQ(Text(form->CalcPulseCountLabel), c.calcPC);
    EXPECT_EQ(Text(form->PulseCountEdit), c.pc);
    EXPECT_EQ(Text(form->PCDevLabel), c.dev);
    EXPECT_EQ(Text(form->CalcHALabel), c.calcHA);
    EXPECT_EQ(Text(form->DegPerPulseLabel), c.degPerPulse);
    EXPECT_EQ(Text(form->PulsePerDegLabel), c.pulsePerDeg);
    EXPECT_EQ(Text(form->ZeroPosLabel), c.zero);
    EXPECT_EQ(Text(form->PCZeroLabel), c.fromZero);
    EXPECT_EQ(Text(form->PointsLabel), c.points);
    EXPECT_EQ(Text(form->CorrLabel), c.corrText);
    EXPECT_EQ(Text(form->RotorHAEdit), c.rotorHAText);
    EXPECT_EQ(Text(form->StoredPosEdit), "17");
    EXPECT_EQ(form->DynHACheckBox->isChecked(), c.dynHA);
  }
}

TEST_F(SatInfoTest, SettingTheCheckBoxesIsNotAnEdit) {
  Pages(form->SatInfoTabSheet, form->RotorTabSheet);
  std::vector<int> tags;
  for (QCheckBox* box : {form->IgnorePCCheckBox, form->DynHACheckBox})
    QObject::connect(box, &QCheckBox::toggled, form, [&] { tags.push_back(form->IgnorePCCheckBoxTag); });
  Options->SatInfoEdited = false;
  sat.SatInfo.IgnorePC = !form->IgnorePCCheckBox->isChecked();
  sat.SatInfo.DynHA = !form->DynHACheckBox->isChecked();
  form->ShowSatInfo(sat);
  EXPECT_EQ(tags, (std::vector<int>{1, 1}));
  EXPECT_EQ(form->IgnorePCCheckBoxTag, 0);
  EXPECT_FALSE(Options->SatInfoEdited);
}

// ---- dish offset and rotor angle -------------------------------------------------------------

TEST_F(SatInfoTest, DishOffsetIsReadAndWrittenBack) {
  Options->DecimalDegs = true;
  const struct {
    std::string typed, shown;
  } cases[] = {
      {"26" + kDeg, "26.0" + kDeg}, {" 21.1 ", "21.1" + kDeg}, {"24.625", "24.625" + kDeg},
      {"1.23456", "1.235" + kDeg},  {"abc", "0.0" + kDeg},      {"", "0.0" + kDeg},
      {"-3", "-3.0" + kDeg},        {"1e999", "0.0" + kDeg},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    form->DishOffsetEdit->setText(QStr(c.typed));
    form->RotorAngleEdit->setText(QStr(c.typed));
    Show();
    EXPECT_EQ(Text(form->DishOffsetEdit), c.shown);
    EXPECT_EQ(Text(form->RotorAngleEdit), c.shown);
  }
}

TEST_F(SatInfoTest, DishOffsetInDegreesMinutesAndSecondsKeepsItsValue) {
  Options->DecimalDegs = false;
  form->DishOffsetEdit->setText("26.5");
  form->RotorAngleEdit->setText("-40.25");
  Show(form->SatInfoTabSheet, form->DishTabSheet);
  const std::string offset = "26" + kDeg + " 30' 0.0''";
  const std::string rotor = "-40" + kDeg + " 15' 0.0''";
  EXPECT_EQ(Text(form->DishOffsetEdit), offset);
  EXPECT_EQ(Text(form->RotorAngleEdit), rotor);
  // The next redraw reads the text it wrote.
  Show(form->SatInfoTabSheet, form->DishTabSheet);
  EXPECT_EQ(Text(form->DishOffsetEdit), offset);
  EXPECT_EQ(Text(form->RotorAngleEdit), rotor);
  EXPECT_DOUBLE_EQ(DishPlot->DishOffset, 26.5);
}

// ---- sun pass --------------------------------------------------------------------------------

TEST_F(SatInfoTest, SunPassOfTheDay) {
  Options->DecimalDegs = true;
  sat.SatPos.Azimuth = 180;  // due south of a northern observer
  double elev = 0;
  const double t = form->SolarOutageTime(elev, Utc(), 0);
  ASSERT_GT(t, 0);
  ASSERT_GT(elev, 0);
  const struct {
    double satElev;
    bool red;
  } cases[] = {{elev + 1.5, true}, {elev - 1.5, true}, {elev + 2.5, false}};
  for (const auto& c : cases) {
    sat.SatPos.Elevation = c.satElev;
    Show();
    EXPECT_EQ(Text(form->SunPassLabel), TimeToStr(t + OffsetFromUTC()));
    EXPECT_EQ(Text(form->PassElevLabel), DegToDMSStr("##0.000", true, elev));
    EXPECT_EQ(IsRed(form->PassElevLabel), c.red) << c.satElev;
  }
  // While the simulation runs no search is made.
  {
    const QSignalBlocker block(form->InfoTimerButton);
    form->InfoTimerButton->setChecked(true);
  }
  Show();
  EXPECT_EQ(Text(form->SunPassLabel), "-");
  EXPECT_EQ(Text(form->PassElevLabel), "");
  EXPECT_FALSE(IsRed(form->PassElevLabel));
  // Nor is one found north of a northern observer.
  {
    const QSignalBlocker block(form->InfoTimerButton);
    form->InfoTimerButton->setChecked(false);
  }
  sat.SatPos.Azimuth = 0;
  Show();
  EXPECT_EQ(Text(form->SunPassLabel), "-");
}

// ---- obstacle page ---------------------------------------------------------------------------

TEST_F(SatInfoTest, ObstacleCalculator) {
  Options->DecimalDegs = true;
  const struct {
    const char *height, *dist, *dish;
    double elevation;
    bool visible;
    std::string minElev, satVis, elevDiff, heightDiff;
  } cases[] = {
      {"6", "10", "1", 30, true, "26.565" + kDeg, "Yes", "3.435" + kDeg, "5.0"},
      {"6", "10", "1", 20, true, "26.565" + kDeg, "No", "-6.565" + kDeg, "5.0"},
      {"6", "10", "1", 30, false, "26.565" + kDeg, "No", "3.435" + kDeg, "5.0"},
      {"abc", "", " x ", 30, true, "26.565" + kDeg, "Yes", "3.435" + kDeg, "5.0"},  // defaults 6, 10, 1
      {"11.0", "20.0", "1.0", 30, true, "26.565" + kDeg, "Yes", "3.435" + kDeg, "10.0"},
      {"1", "10", "1.5", 30, true, "-2.862" + kDeg, "Yes", "32.862" + kDeg, "0.5"},
      {"6", "0", "1", 30, true, "90.000" + kDeg, "No", "-60.000" + kDeg, "5.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.height) + "/" + c.dist + "/" + c.dish);
    form->ObstHeightEdit->setText(c.height);
    form->ObstDistEdit->setText(c.dist);
    form->DishHeightEdit->setText(c.dish);
    sat.SatPos.Elevation = c.elevation;
    sat.SatPos.Visible = c.visible;
    Show(form->ObstacleTabSheet);
    EXPECT_EQ(Text(form->MinElevLabel), c.minElev);
    EXPECT_EQ(Text(form->SatVisLabel), c.satVis);
    EXPECT_EQ(Text(form->ElevDiffLabel), c.elevDiff);
    EXPECT_EQ(Text(form->HeightDiffLabel), c.heightDiff);
    EXPECT_EQ(Text(form->ObstElevLabel), DegToDMSStr("##0.000", true, c.elevation));
    EXPECT_DOUBLE_EQ(AnglePlot->Azimuth, sat.SatPos.Azimuth);
    EXPECT_DOUBLE_EQ(ObstPlot->Elevation, c.elevation);
  }
}

TEST_F(SatInfoTest, SunAndShadowsOnTheObstaclePage) {
  Options->DecimalDegs = true;
  form->ObstHeightEdit->setText("10");
  sat.SatPos.Azimuth = 180;
  const double noon = EncodeDate(2026, 6, 21) + 0.5;
  const double midnight = EncodeDate(2026, 6, 21);
  for (double utc : {noon, midnight}) {
    Sats->UTC = utc;
    Show(form->ObstacleTabSheet);
    astro::Extended e = 0, az = 0;
    astro::SunHorizontal(e, az, utc, -Options->ObsLon, Options->ObsLat);
    const double sun = Normalize180(static_cast<double>(e));
    EXPECT_EQ(Text(form->SunElevLabel), DegToDMSStr("##0.000", true, sun));
    if (utc == noon) {
      ASSERT_GT(sun, 50);
      EXPECT_EQ(Text(form->ObstShadowEdit), FormatFloat("##0.00", 10 / std::tan(sun * M_PI / 180)));
      double elev = 0;
      const double t = form->SolarOutageTime(elev, utc, 0);
      ASSERT_GT(t, 0);
      EXPECT_EQ(Text(form->ObstSunPassLabel), TimeToStr(t + OffsetFromUTC()));
      EXPECT_EQ(Text(form->SunPassShadowLabel), FormatFloat("##0.00", 10 / std::tan(elev * M_PI / 180)) + " m");
    } else {
      ASSERT_LT(sun, 0);
      EXPECT_EQ(Text(form->ObstShadowEdit), "");
    }
  }
}

// ---- message processing ----------------------------------------------------------------------

TEST_F(SatInfoTest, ClockTickDuringTheMessagesIsSkipped) {
  const double shown = form->InfoDatePicker->Value();
  bool ran = false, filling = false;
  QMetaObject::invokeMethod(
      form,
      [&] {
        ran = true;
        filling = form->PageFilling();
        form->ClockTimerTimer();
      },
      Qt::QueuedConnection);
  Show();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(filling);
  EXPECT_EQ(form->InfoDatePicker->Value(), shown);
  EXPECT_EQ(Sats->UTC, Utc());
  EXPECT_EQ(form->CurrentSat, &sat);
  EXPECT_FALSE(form->PageFilling());
}

TEST_F(SatInfoTest, NestedShowLetsNoMessagesRun) {
  TSat other = MakeSat();
  other.Name = "OTHER";
  int depth = 0;
  bool secondRanInsideFirst = false;
  QMetaObject::invokeMethod(
      form,
      [&] {
        ++depth;
        form->ShowSatInfo(other);  // a redraw started while the messages run
        --depth;
      },
      Qt::QueuedConnection);
  QMetaObject::invokeMethod(form, [&] { secondRanInsideFirst = depth > 0; }, Qt::QueuedConnection);
  Show();
  EXPECT_FALSE(secondRanInsideFirst);
  EXPECT_EQ(form->CurrentSat, &other);
  EXPECT_EQ(Text(form->SatNameEdit), "OTHER");
  form->ShowSatInfo(sat);  // no pointer to the local record is left behind
}

// ---- a sample satellite ----------------------------------------------------------------------

TEST_F(SatInfoTest, ScreenshotWithASampleSatellite) {
  // The map picture the program ships, so the picture shows the marks on it.
  form->WorldMapFrame->LoadMap((std::filesystem::path(BinFolder()) / "WorldMap.png").string());
  Freeze(Utc());
  const auto found = form->SatListBox->findItems("ASTRA 1KR", Qt::MatchFixedString);
  ASSERT_FALSE(found.isEmpty());
  form->SatListBox->setCurrentItem(found.front());  // the click handler shows it
  QApplication::processEvents();
  ASSERT_NE(form->CurrentSat, nullptr);
  EXPECT_EQ(form->CurrentSat->Name, "ASTRA 1KR");
  EXPECT_EQ(Text(form->SatNameEdit), "ASTRA 1KR");
  EXPECT_EQ(Text(form->RepLongitudeEdit), "19.200" + kDeg + " E");
  EXPECT_FALSE(IsRed(form->RepLongitudeEdit, QPalette::Text));  // computed near 19.2 E
  EXPECT_FALSE(IsRed(form->EpochLabel));
  EXPECT_EQ(Text(form->NoradNrLabel), "29055");
  EXPECT_GT(form->CurrentSat->SatPos.Elevation, 20);
  EXPECT_EQ(Text(form->ElevationLabel), DegToDMSStr(Options->DecimalDegs ? "##0.000" : "00", Options->DecimalDegs,
                                                    form->CurrentSat->SatPos.Elevation));
  EXPECT_EQ(form->WorldMapFrame->Sat(), form->CurrentSat);

  const char* out = std::getenv("VELMAR_TEST_OUT");
  const std::filesystem::path dir = out && *out ? std::filesystem::path(out) : std::filesystem::temp_directory_path();
  std::filesystem::create_directories(dir);
  const QImage shot = form->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(shot.save(QString::fromStdString((dir / "velmar-page-sat-info.png").string())));
}

}  // namespace
