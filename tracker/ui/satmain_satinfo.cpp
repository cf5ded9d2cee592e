// The satellite information page: the fields of the "Sat Info" page and of the Obstacle page's
// observed data and calculator, and ShowSatInfo, which fills them for one satellite.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "anglehelpers.h"
#include "astro_sun.h"
#include "canvas.h"
#include "dishplots.h"
#include "format.h"
#include "imagewidget.h"
#include "log.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "texthelpers.h"
#include "worldmap.h"
#include "xyplot.h"

namespace {

// ---- building the fields --------------------------------------------------------------------

// The description label's name of a value control: "AltNameLabel" -> "AltNameDescLabel",
// "BandsEdit" -> "BandsDescLabel", "RemarksMemo" -> "RemarksDescLabel".
QString DescName(const QString& valueName) {
  for (const char* suffix : {"Label", "Edit", "Memo"})
    if (valueName.endsWith(suffix)) return valueName.left(valueName.size() - qsizetype(strlen(suffix))) + "DescLabel";
  return valueName + "DescLabel";
}

// A form of caption / value rows in a group box.
class TFieldGrid {
 public:
  TFieldGrid(QGroupBox* box) : box_(box), grid_(new QGridLayout(box)) {
    grid_->setContentsMargins(6, 2, 6, 4);
    grid_->setHorizontalSpacing(8);
    grid_->setVerticalSpacing(1);
    grid_->setColumnStretch(1, 1);
  }
  QWidget* Parent() const { return box_; }
  QGridLayout* Grid() const { return grid_; }

  // A row: the description label with the caption, then the value control (given its name).
  template <class W>
  W* Add(W* value, const char* name, const char* caption, const char* hint = nullptr) {
    value->setObjectName(name);
    auto* desc = new QLabel(caption, box_);
    desc->setObjectName(DescName(name));
    if (hint) {
      desc->setToolTip(hint);
      value->setToolTip(hint);
    }
    grid_->addWidget(desc, row_, 0);
    grid_->addWidget(value, row_, 1);
    ++row_;
    return value;
  }
  QLabel* Label(const char* name, const char* caption, const char* hint = nullptr) {
    auto* l = new QLabel(box_);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    return Add(l, name, caption, hint);
  }
  QLineEdit* Edit(const char* name, const char* caption, const char* hint = nullptr, const char* text = "") {
    auto* e = new QLineEdit(QString::fromLatin1(text), box_);
    return Add(e, name, caption, hint);
  }
  // A control across both columns.
  void AddWide(QWidget* w) {
    grid_->addWidget(w, row_, 0, 1, 2);
    ++row_;
  }
  void Stretch() { grid_->setRowStretch(row_, 1); }

 private:
  QGroupBox* box_;
  QGridLayout* grid_;
  int row_ = 0;
};

QGroupBox* MakeGroup(const char* name, const char* caption, QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(name);
  return box;
}

// The box layout of `root`'s tree that holds `w` directly, or null.
QBoxLayout* BoxLayoutHolding(QWidget* root, QWidget* w) {
  for (QBoxLayout* l : root->findChildren<QBoxLayout*>())
    if (l->indexOf(w) >= 0) return l;
  return nullptr;
}

// ---- texts ----------------------------------------------------------------------------------

// Warning colour: red, or the window-text colour of the toolkit.
void SetRed(QWidget* w, bool red) {
  const QPalette::ColorRole role = w->foregroundRole() == QPalette::Text || qobject_cast<QLineEdit*>(w)
                                       ? QPalette::Text
                                       : QPalette::WindowText;
  QPalette p = w->palette();
  const QColor colour = red ? QColor(Qt::red) : QApplication::palette(w).color(role);
  if (p.color(role) == colour) return;
  p.setColor(role, colour);
  w->setPalette(p);
}

void SetText(QLabel* l, const std::string& text) {
  if (l) l->setText(QStr(text));
}
void SetText(QLineEdit* e, const std::string& text) {
  if (e) e->setText(QStr(text));
}

// A date as "d/m/yy h:nn"; "N.A." for none (0 or less) and for a value outside the calendar.
std::string DateText(TDateTime t) {
  if (!(t > 0)) return "N.A.";
  try {
    return FormatDateTime("d/m/yy h:nn", t);
  } catch (const EConvertError&) {
    return "N.A.";
  }
}

// A time of day of a UTC moment, shown in local time.
std::string LocalTimeText(TDateTime utc) {
  try {
    return TimeToStr(utc + OffsetFromUTC());
  } catch (const EConvertError&) {
    return "-";
  }
}

int Sign(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

// An angle edit of the page: the degree signs taken out, read as a plain number with '.'; a
// text in degrees, minutes and seconds (as the page writes it when angles are not decimal) is
// read as such. 0 for anything else.
double ReadAngleEdit(const QLineEdit* edit) {
  if (!edit) return 0;
  std::string t = AnsiStr(edit->text());
  for (char& c : t)
    if (c == DegreeSign) c = ' ';
  t = Trim(t);
  double v = 0;
  if (TryStrToFloat(t, v) && std::isfinite(v)) return v;
  if (t.find('\'') != std::string::npos) {
    v = DMSStrToDeg(t);
    if (std::isfinite(v)) return v;
  }
  return 0;
}

// Holds a flag for the lifetime of the object.
class TFlagHolder {
 public:
  explicit TFlagHolder(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagHolder() { flag_ = false; }
  TFlagHolder(const TFlagHolder&) = delete;
  TFlagHolder& operator=(const TFlagHolder&) = delete;

 private:
  bool& flag_;
};

class TTagHolder {
 public:
  explicit TTagHolder(int& tag) : tag_(tag) { tag_ = 1; }
  ~TTagHolder() { tag_ = 0; }
  TTagHolder(const TTagHolder&) = delete;
  TTagHolder& operator=(const TTagHolder&) = delete;

 private:
  int& tag_;
};

}  // namespace

// ---- the page's controls --------------------------------------------------------------------

void TSatForm::BuildSatInfoFields() {
  // The fields and the sub-pages scroll when the window is smaller than they need.
  auto* scroll = new QScrollArea(SatDetailsPanel);
  scroll->setObjectName("SatDetailsScrollBox");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* panel = new QWidget;
  panel->setObjectName("SatDetailsContent");
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(4);

  // General satellite info, with the web-page button.
  GeneralGroupBox = MakeGroup("GeneralGroupBox", "General Satellite Info", panel);
  {
    TFieldGrid g(GeneralGroupBox);
    AltNameLabel = g.Label("AltNameLabel", "Alternate Name:");
    CosparNameLabel = g.Label("CosparNameLabel", "COSPAR Name:");
    NoradNrLabel = g.Label("NoradNrLabel", "Norad Nr:");
    BandsEdit = g.Edit("BandsEdit", "Transponders:", "Transponders (this field can be edited)");
    RemarksMemo = g.Add(new QPlainTextEdit(GeneralGroupBox), "RemarksMemo", "Remarks:",
                        "Remarks (this field can be edited)");
    RemarksMemo->setFixedHeight(RemarksMemo->fontMetrics().lineSpacing() * 2 + 10);
    BrowserExecButton = new QToolButton(GeneralGroupBox);
    BrowserExecButton->setObjectName("BrowserExecButton");
    BrowserExecButton->setText("Web");
    BrowserExecButton->setToolTip("Open Web Page");
    BrowserExecButton->setVisible(false);
    g.Grid()->addWidget(BrowserExecButton, 0, 2);
    g.Stretch();
  }

  ReportedGroupBox = MakeGroup("ReportedGroupBox", "Reported Data", panel);
  {
    TFieldGrid g(ReportedGroupBox);
    LogTimeLabel = g.Label("LogTimeLabel", "Log Date:");
    RepLongitudeEdit = g.Edit("RepLongitudeEdit", "Longitude:", "The Longitude from Geo.Log");
    DriftLabel = g.Label("DriftLabel", "Drift:");
    PeriodLabel = g.Label("PeriodLabel", "Period:");
    InclinationLabel = g.Label("InclinationLabel", "Inclination:");
    PerigeeLabel = g.Label("PerigeeLabel", "Perigee:");
    ApogeeLabel = g.Label("ApogeeLabel", "Apogee:");
    EpochLabel = g.Label("EpochLabel", "2-Line data:");
    ElementNrLabel = g.Label("ElementNrLabel", "Element Set:");
    KepInclinationLabel = g.Label("KepInclinationLabel", "Inclination:");
    EccentricityLabel = g.Label("EccentricityLabel", "Eccentricity:");
    MeanMotionLabel = g.Label("MeanMotionLabel", "Mean Motion:");
    AscNodeLabel = g.Label("AscNodeLabel", "Asc. Node:");
    ArgPerigeeLabel = g.Label("ArgPerigeeLabel", "Arg.Perigee:");
    g.Stretch();
  }

  DynamicGroupBox = MakeGroup("DynamicGroupBox", "Dynamic Data", panel);
  {
    TFieldGrid g(DynamicGroupBox);
    LongitudeLabel = g.Label("LongitudeLabel", "Longitude:");
    LatitudeLabel = g.Label("LatitudeLabel", "Latitude:");
    AltitudeLabel = g.Label("AltitudeLabel", "Altitude:");
    RevNrLabel = g.Label("RevNrLabel", "Revolution:");
    OrbitPhaseLabel = g.Label("OrbitPhaseLabel", "Orbit Phase:");
    AnomalyLabel = g.Label("AnomalyLabel", "Anomaly:");
    DistanceLabel = g.Label("DistanceLabel", "Distance:");
    SpeedLabel = g.Label("SpeedLabel", "Speed:");
    XPosLabel = g.Label("XPosLabel", "X:");
    YPosLabel = g.Label("YPosLabel", "Y:");
    ZPosLabel = g.Label("ZPosLabel", "Z:");
    XdotLabel = g.Label("XdotLabel", "Xdot:");
    YdotLabel = g.Label("YdotLabel", "Ydot:");
    ZdotLabel = g.Label("ZdotLabel", "Zdot:");
    StarTimeLabel = g.Label("StarTimeLabel", "Star Time:");
    LclStarTimeLabel = g.Label("LclStarTimeLabel", "Lcl Startime:");
    g.Stretch();
  }

  ObservedGroupBox = MakeGroup("ObservedGroupBox", "Observed Data", panel);
  {
    TFieldGrid g(ObservedGroupBox);
    AzimuthLabel = g.Label("AzimuthLabel", "Azimuth:");
    ElevationLabel = g.Label("ElevationLabel", "Elevation:");
    LHALabel = g.Label("LHALabel", "Local Hour:");
    HALabel = g.Label("HALabel", "Hour Angle:");
    PolAngleLabel = g.Label("PolAngleLabel", "Polarization:");
    RangeLabel = g.Label("RangeLabel", "Range:");
    DeclinationLabel = g.Label("DeclinationLabel", "Declination:");
    PolAxCorrLabel = g.Label("PolAxCorrLabel", "Pol. Axis Corr.:");
    PolAxisLabel = g.Label("PolAxisLabel", "Polar Axis:");
    DecHorPlaneLabel = g.Label("DecHorPlaneLabel", "Dec. H. Plane:");
    DishOffsetEdit = g.Edit("DishOffsetEdit", "Dish Offset:", "Offset angle for offset dish", "0");
    DishElevLabel = g.Label("DishElevLabel", "Dish Angle:");
    RotorAngleEdit = g.Edit("RotorAngleEdit", "Rotor Angle:", "Angle of the dish support pole on the rotor", "0");
    RotorDishElevLabel = g.Label("RotorDishElevLabel", "Dish Elevation:");
    SunPassLabel = g.Label("SunPassLabel", "Sun Pass:", "Sun passes straight above or below the satellite");
    PassElevLabel = g.Label("PassElevLabel", "Pass Elev:");
    g.Stretch();
    PolAxisDescLabel = ObservedGroupBox->findChild<QLabel*>("PolAxisDescLabel");
    DeclinationDescLabel = ObservedGroupBox->findChild<QLabel*>("DeclinationDescLabel");
  }

  // Rotor sub-page.
  {
    auto* box = MakeGroup("RotorGroupBox", "", RotorTabSheet);
    box->setFlat(true);
    TFieldGrid g(box);
    StoredPosEdit = g.Edit("StoredPosEdit", "Stored Position:", "Position in receiver or motor control unit");
    IgnorePCCheckBox = new QCheckBox("Ignore in calc.", box);
    IgnorePCCheckBox->setObjectName("IgnorePCCheckBox");
    IgnorePCCheckBox->setToolTip("Ignore this value in calibration curve");
    g.AddWide(IgnorePCCheckBox);
    DynHACheckBox = new QCheckBox("Dynamic", box);
    DynHACheckBox->setObjectName("DynHACheckBox");
    DynHACheckBox->setToolTip("Use dynamic hour angle in calibration curve");
    g.AddWide(DynHACheckBox);
    RotorHAEdit = g.Edit("RotorHAEdit", "Hour Angle:",
                         "Hour angle for current position (equal to satellite HA when dynamic checkbox is checked)");
    CalcPulseCountLabel = g.Label("CalcPulseCountLabel", "Calc. Pulse Count:");
    PulseCountEdit = g.Edit("PulseCountEdit", "Pulse Count:", "Pulse count stored in receiver or motor control unit");
    PCDevLabel = g.Label("PCDevLabel", "Deviation:");
    CalcHALabel = g.Label("CalcHALabel", "Calc. hour angle:");
    CalcHALabel->hide();
    box->findChild<QLabel*>("CalcHADescLabel")->hide();
    DegPerPulseLabel = g.Label("DegPerPulseLabel", "Degrees/Pulse:");
    PulsePerDegLabel = g.Label("PulsePerDegLabel", "Pulses/Degree:");
    ZeroPosLabel = g.Label("ZeroPosLabel", "Zero Position:");
    PCZeroLabel = g.Label("PCZeroLabel", "Pulses from zero:");
    PointsLabel = g.Label("PointsLabel", "Points:");
    CorrLabel = g.Label("CorrLabel", "Correlation:");
    g.Stretch();
    RotorTabSheet->layout()->addWidget(box);
  }

  // "X" sub-page.
  {
    auto* box = MakeGroup("MoreInfoGroupBox", "", MoreInfoTabSheet);
    box->setFlat(true);
    TFieldGrid g(box);
    RangeRateLabel = g.Label("RangeRateLabel", "Range Rate:");
    ObsXLabel = g.Label("ObsXLabel", "Observer X:");
    ObsYLabel = g.Label("ObsYLabel", "Observer Y:");
    ObsZLabel = g.Label("ObsZLabel", "Observer Z:");
    g.Stretch();
    MoreInfoTabSheet->layout()->addWidget(box);
  }

  // The mount of the dish drawing stands on the drawing's box, so it moves along with it
  // between the "Dish" sub-page and the Obstacle page.
  {
    auto* mount = new QWidget(DishPlotScrollBox);
    mount->setObjectName("ViewModePanel");
    auto* row = new QHBoxLayout(mount);
    row->setContentsMargins(2, 2, 2, 2);
    auto* label = new QLabel("Mount:", mount);
    label->setObjectName("ViewModeLabel");
    ViewModeComboBox = new QComboBox(mount);
    ViewModeComboBox->setObjectName("ViewModeComboBox");
    ViewModeComboBox->addItems({"Simplified Polar", "Polar", "Azimuthal"});
    ViewModeComboBox->setCurrentIndex(2);
    row->addWidget(label);
    row->addWidget(ViewModeComboBox);
    mount->adjustSize();
    mount->move(0, 0);
    mount->raise();
  }

  // Columns: general and reported data; dynamic data; observed data. The sub-pages below the
  // last two.
  grid->addWidget(GeneralGroupBox, 0, 0);
  grid->addWidget(ReportedGroupBox, 1, 0, 2, 1);
  grid->addWidget(DynamicGroupBox, 0, 1, 2, 1);
  grid->addWidget(ObservedGroupBox, 0, 2, 2, 1);
  grid->addWidget(InfoPageControl, 2, 1, 1, 2);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  scroll->setWidget(panel);
  SatDetailsPanel->layout()->addWidget(scroll);
  if (QBoxLayout* holder = BoxLayoutHolding(SatInfoTabSheet, SatDetailsPanel))
    holder->setStretchFactor(SatDetailsPanel, 1);
}

void TSatForm::BuildObstacleFields() {
  auto* panel = new QWidget(ObstacleTabSheet);
  panel->setObjectName("ObstDetailsPanel");
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);

  ObstObservedGroupBox = MakeGroup("ObstObservedGroupBox", "Observed Data", panel);
  {
    TFieldGrid g(ObstObservedGroupBox);
    ObstAziLabel = g.Label("ObstAziLabel", "Azimuth:");
    ObstElevLabel = g.Label("ObstElevLabel", "Elevation:");
    ObstHALabel = g.Label("ObstHALabel", "Hour Angle:");
    ObstPolLabel = g.Label("ObstPolLabel", "Pol. Angle:");
    ObstDecLabel = g.Label("ObstDecLabel", "Declination:");
    ObstSunPassLabel = g.Label("ObstSunPassLabel", "Sun Pass:", "Sun passes straight above or below the satellite");
    SunElevLabel = g.Label("SunElevLabel", "Sun Elev:");
    g.Stretch();
  }
  ObstCalcGroupBox = MakeGroup("ObstCalcGroupBox", "Obstacle Calculator", panel);
  {
    TFieldGrid g(ObstCalcGroupBox);
    ObstHeightEdit = g.Edit("ObstHeightEdit", "Obstacle Height (m):", "Double-click to set maximum height", "11.0");
    ObstDistEdit = g.Edit("ObstDistEdit", "Obstacle Distance (m):", "Double-click to set minimum distance", "20.0");
    DishHeightEdit = g.Edit("DishHeightEdit", "Dish Height (m):", "Double-click to set minimum dish height", "1.0");
    ObstShadowEdit =
        g.Edit("ObstShadowEdit", "Obstacle Shadow (m):", "Set obstacle shadow length to calculate height", "1.0");
    MinElevLabel = g.Label("MinElevLabel", "Lowest Elevation:");
    SatVisLabel = g.Label("SatVisLabel", "Satellite Visible:");
    SunPassShadowLabel = g.Label("SunPassShadowLabel", "Shadow at Sun Pass:");
    HeightDiffLabel = g.Label("HeightDiffLabel", "Heigt Difference (m):");
    ElevDiffLabel = g.Label("ElevDiffLabel", "Elevation Difference:");
    g.Stretch();
  }
  row->addWidget(ObstObservedGroupBox, 1);
  row->addWidget(ObstCalcGroupBox, 1);

  // Below the clock, scrolling when the window is smaller than the fields need.
  auto* scroll = new QScrollArea(ObstacleTabSheet);
  scroll->setObjectName("ObstDetailsScrollBox");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(panel);
  if (QBoxLayout* holder = BoxLayoutHolding(ObstacleTabSheet, ObstClockPanel))
    holder->insertWidget(holder->indexOf(ObstClockPanel) + 1, scroll);
}

// ---- filling the page -----------------------------------------------------------------------

void TSatForm::ShowSatInfo(TSat& Sat) {
  if (destroyed_ || !SatNameEdit) return;
  // The page fill is held while the page is filled and while pending messages run at the end:
  // a clock tick is skipped, a change of the settings or the time waits until the fill is over.
  const TPageFill fill(*this);

  CurrentSat = &Sat;
  const TSatPosRecord& pos = Sat.SatPos;
  const TSatInfoRecord& info = Sat.SatInfo;
  const TTwoLineRecord& two = Sat.TwoLine;
  const bool decimal = Options ? Options->DecimalDegs : true;
  const bool aziRelToSouth = Options ? Options->AziRelToSouth : true;
  const double obsLat = Options ? Options->ObsLat : 0.0;
  const double obsLon = Options ? Options->ObsLon : 0.0;
  const TDateTime utc = Sats ? Sats->UTC : 0.0;
  const std::string angleFmt = decimal ? "##0.000" : "00";
  const auto dms = [&](double x) { return DegToDMSStr(angleFmt, decimal, x); };
  const auto dir = [&](std::string_view letters, double x) { return DegToDirStr(angleFmt, decimal, letters, x); };

  try {
    // 1. The satellite and its name.
    setWindowTitle(QStr(Sat.Name));
    SatNameEdit->setText(QStr(Sat.Name));

    // 2. The sun pass of today (not searched while the simulation runs).
    TDateTime outageTime = 0;
    double passElev = 0;
    if (!InfoTimerButton->isChecked()) outageTime = SolarOutageTime(passElev, utc, 180 - pos.Azimuth);
    const bool outage = outageTime > 0;

    // 3. The dish offset and the rotor angle.
    const double dishOffset = ReadAngleEdit(DishOffsetEdit);
    const double rotorAngle = ReadAngleEdit(RotorAngleEdit);

    QWidget* mainPage = MainPageControl->currentWidget();
    if (mainPage == SatInfoTabSheet) {
      // 5. The web page.
      BrowserExecButton->setVisible(!info.URL.empty());
      BrowserExecButton->setToolTip(QStr("Open " + info.URL));

      // 6. The inner page's drawing.
      QWidget* inner = InfoPageControl->currentWidget();
      if (inner == WorldMapTabSheet && WorldMapFrame) {
        if (Sats) {
          WorldMapFrame->ShowSat(*Sats->FindSat(Sats->NameOfNorad(SunNoradNr)));
          WorldMapFrame->ShowSat(*Sats->FindSat(Sats->NameOfNorad(MoonNoradNr)));
        }
        WorldMapFrame->ShowSat(Sat);
      } else if (inner == XYTabSheet && XYPlot) {
        XYPlot->SetData(&Sat);
      } else if (inner == XZTabSheet && XZPlot) {
        XZPlot->SetData(&Sat);
      } else if (inner == YZTabSheet && YZPlot) {
        YZPlot->SetData(&Sat);
      }

      // 7. General satellite info.
      SetText(AltNameLabel, Sat.GeoLog.AltName.str());
      SetText(CosparNameLabel, two.CosparName.str());
      std::string norad = two.NoradNr < 1 ? std::string() : IntToStr(two.NoradNr);
      if (two.Classification != 'U') norad = Trim(norad + "  Classification: " + two.Classification);
      SetText(NoradNrLabel, norad);
      SetText(BandsEdit, info.Bands.str());
      RemarksMemo->setPlainText(QStr(info.Remarks));

      // 8. Reported data.
      SetText(LogTimeLabel, DateText(Sat.GeoLog.LogTime));
      const double repLon = info.RepLongitude != 0 ? info.RepLongitude : Sat.GeoLog.Longitude;
      SetText(RepLongitudeEdit, dir("EW", repLon));
      // The reported and the computed longitude compared the short way round the globe.
      SetRed(RepLongitudeEdit, repLon != 0 && std::fabs(Normalize180(repLon - pos.Longitude)) > 1);
      SetText(DriftLabel, dir("EW", Sat.GeoLog.Drift));
      SetText(PeriodLabel, FormatFloat("###0.00", Sat.GeoLog.Period) + " Min");
      SetText(InclinationLabel, dms(Sat.GeoLog.Inclination));
      SetText(PerigeeLabel, FormatFloat("####0.###", Sat.GeoLog.Perigee) + " Km");
      SetText(ApogeeLabel, FormatFloat("####0.###", Sat.GeoLog.Apogee) + " Km");
      SetText(EpochLabel, DateText(two.Epoch));
      SetRed(EpochLabel, two.NoradNr > 0 && utc - two.Epoch > 14);
      SetText(ElementNrLabel, IntToStr(two.ElementNr));
      SetText(KepInclinationLabel, dms(two.Inclination));
      SetText(EccentricityLabel, FormatFloat("0.000000", two.Eccentricity));
      SetText(MeanMotionLabel, FormatFloat("0.000000", two.MeanMotion) + " rev/d");
      SetText(AscNodeLabel, dms(two.AscNode));
      SetText(ArgPerigeeLabel, dms(two.ArgPerigee));

      // 9. Dynamic data.
      SetText(LongitudeLabel, dir("EW", pos.Longitude));
      SetText(LatitudeLabel, dir("NS", pos.Latitude));
      SetText(AltitudeLabel, FormatFloat("####0.0", pos.Altitude) + " Km");
      SetText(RevNrLabel, FormatFloat("####0", pos.RevNr));
      SetText(OrbitPhaseLabel, dms(pos.OrbitPhase));
      SetText(AnomalyLabel, dms(pos.Anomaly));
      SetText(DistanceLabel, FormatFloat("#####0.0", pos.Radius) + " Km");
      SetText(SpeedLabel, FormatFloat("#0.000", pos.Speed) + " Km/s");
      SetText(XPosLabel, FormatFloat("#####0", pos.X) + " Km");
      SetText(YPosLabel, FormatFloat("#####0", pos.Y) + " Km");
      SetText(ZPosLabel, FormatFloat("#####0.0", pos.Z) + " Km");
      SetText(XdotLabel, FormatFloat("#0.000", pos.XDot) + " Km/s");
      SetText(YdotLabel, FormatFloat("#0.000", pos.YDot) + " Km/s");
      SetText(ZdotLabel, FormatFloat("#0.000", pos.ZDot) + " Km/s");
      SetText(StarTimeLabel, dms(pos.StarTime));
      SetText(LclStarTimeLabel, dms(pos.LclStarTime));
      SetText(RangeRateLabel, FormatFloat("##0.000", pos.RangeRate) + " Km/s");
      SetText(ObsXLabel, FormatFloat("###0.0", pos.ObsX) + " Km");
      SetText(ObsYLabel, FormatFloat("###0.0", pos.ObsY) + " Km");
      SetText(ObsZLabel, FormatFloat("###0.0", pos.ObsZ) + " Km");

      // 10. Observed data. Azimuth from south ("E" east of south) for a northern observer, from
      // north ("E" east of north) for a southern one, or the plain azimuth from north.
      const double a = aziRelToSouth && !(obsLat > 0) ? pos.Azimuth : 180 - pos.Azimuth;
      SetText(AzimuthLabel, aziRelToSouth ? dir("EW", a) : dms(Normalize360(180 - a)));
      SetText(ElevationLabel, dms(pos.Elevation));
      SetText(LHALabel, dms(Normalize180(-pos.RelLongitude)));
      SetText(HALabel, dms(Normalize180(-pos.HA)));
      SetText(PolAngleLabel, dms(pos.PolAngle));
      SetText(RangeLabel, FormatFloat("#####0.0", pos.Range) + " Km");
      SetText(DeclinationLabel, dms(pos.Declination));
      DeclinationDescLabel->setToolTip(
          QStr("Declination (Corrected Declination: " +
               dms(Sign(pos.Declination) * (std::fabs(pos.Declination) - std::fabs(pos.PolAxCorr))) +
               " Theo. Declination: " + dms(-pos.TheoDeclination) + ")"));
      SetText(PolAxCorrLabel, dms(pos.PolAxCorr));
      SetText(PolAxisLabel, dms(pos.PolAxis));
      PolAxisDescLabel->setToolTip(QStr("Corrected Polar Axis (Axis Elevation " + dms(90 - pos.PolAxis) + ")"));
      SetText(DecHorPlaneLabel, dms(pos.DecHorPlane));
      SetText(DishOffsetEdit, DegToDMSStr("#0.0##", decimal, dishOffset));
      SetText(DishElevLabel, dms(pos.Elevation - dishOffset));
      SetText(RotorAngleEdit, DegToDMSStr("#0.0##", decimal, rotorAngle));
      SetText(RotorDishElevLabel,
              dms(std::fabs(pos.PolAxCorr) + (rotorAngle - std::fabs(pos.TheoDeclination))));

      // 11. The rotor calibration.
      if (inner == RotorTabSheet && Sats) {
        double slope = Sats->FitSlope;
        if (slope == 0) slope = 1e-9;
        const double intercept = Sats->FitIntercept;
        const double calcPC = slope * pos.HA + intercept;
        SetText(StoredPosEdit, info.StoredPos);
        {
          // Setting the boxes from the satellite is not an edit.
          const TTagHolder tag(IgnorePCCheckBoxTag);
          IgnorePCCheckBox->setChecked(info.IgnorePC);
          DynHACheckBox->setChecked(info.DynHA);
        }
        SetText(RotorHAEdit, dms(Normalize180(info.DynHA ? -pos.HA : -info.RotorHA)));
        SetText(CalcPulseCountLabel, FormatFloat("###0.00", calcPC));
        if (PulseCountIsSet(info.PulseCount)) {
          SetText(PulseCountEdit, FormatFloat("###0", info.PulseCount));
          SetText(PCDevLabel, FormatFloat("###0.00", calcPC - info.PulseCount));
          SetText(CalcHALabel, FormatFloat("##0.00", (info.PulseCount - intercept) / slope));
        } else {
          PulseCountEdit->clear();
          PCDevLabel->clear();
          CalcHALabel->clear();
        }
        if (Sats->FitCount < 2) {
          DegPerPulseLabel->clear();
          PulsePerDegLabel->clear();
        } else {
          SetText(DegPerPulseLabel, FormatFloat("#0.0000", -1 / slope));
          SetText(PulsePerDegLabel, FormatFloat("###0.00", -slope));
        }
        SetText(ZeroPosLabel, FormatFloat("###0.00", intercept));
        SetText(PCZeroLabel, FormatFloat("###0.00", calcPC - intercept));
        SetText(PointsLabel, IntToStr(Sats->FitCount));
        SetText(CorrLabel, FormatFloat("0.000000", -Sats->FitCorrelation));
      }

      // 12. The sun pass; red when the sun then stands within 2 degrees of the satellite's elevation.
      SetText(SunPassLabel, outage ? LocalTimeText(outageTime) : "-");
      SetText(PassElevLabel, outage ? dms(passElev) : "");
      SetRed(PassElevLabel, outage && passElev > 0 && std::fabs(passElev - pos.Elevation) < 2);
    } else {
      // 13. Observed data of the Obstacle page.
      SetText(ObstAziLabel, obsLat > 0 ? dir("EW", 180 - pos.Azimuth) : dir("EW", pos.Azimuth));
      SetText(ObstElevLabel, dms(pos.Elevation));
      SetText(ObstHALabel, dms(Normalize180(-pos.HA)));
      SetText(ObstPolLabel, dms(pos.PolAngle));
      SetText(ObstDecLabel, dms(pos.Declination));

      // 14. The obstacle calculator.
      if (ObstPlot && AnglePlot) {
        ObstPlot->ObstHeight = StrToFloatDefTrim(AnsiStr(ObstHeightEdit->text()), 6.0);
        ObstPlot->ObstDist = StrToFloatDefTrim(AnsiStr(ObstDistEdit->text()), 10.0);
        ObstPlot->DishHeight = StrToFloatDefTrim(AnsiStr(DishHeightEdit->text()), 1.0);
        ObstPlot->Elevation = pos.Elevation;
        AnglePlot->Azimuth = pos.Azimuth;
        AnglePlot->Invalidate();
        try {
          ObstPlot->CalcScale();
          PlaceTreeImage();
        } catch (...) {
          // The labels below show what the plot holds.
        }
        ObstPlot->Invalidate();
        SetText(MinElevLabel, dms(ObstPlot->ObstAngle));
        SetText(SatVisLabel, pos.Visible && !(ObstPlot->ObstAngle > ObstPlot->Elevation) ? "Yes" : "No");
        SetText(ElevDiffLabel, dms(pos.Elevation - ObstPlot->ObstAngle));
        SetText(HeightDiffLabel, FormatFloat("##0.0##", std::fabs(ObstPlot->ObstHeight - ObstPlot->DishHeight)));

        // 15. The sun pass and the obstacle's shadow then.
        SetText(ObstSunPassLabel, outage ? LocalTimeText(outageTime) : "-");
        SetText(SunPassShadowLabel,
                outage ? FormatFloat("##0.00", DivTanDeg(passElev, ObstPlot->ObstHeight)) + " m" : "");

        // 16. The sun now, and the obstacle's shadow now.
        astro::Extended e = 0, az = 0;
        try {
          astro::SunHorizontal(e, az, utc, -obsLon, obsLat);
        } catch (const std::exception& ex) {
          WriteLog(std::string("Sun position failed: ") + ex.what());
          e = 0;
        }
        const double sunElev = Normalize180(static_cast<double>(e));
        SetText(SunElevLabel, dms(sunElev));
        SetText(ObstShadowEdit, sunElev > 0 ? FormatFloat("##0.00", DivTanDeg(sunElev, ObstPlot->ObstHeight)) : "");
      }
    }

    // 17. The dish drawing.
    if (DishPlot && (mainPage == ObstacleTabSheet || InfoPageControl->currentWidget() == DishTabSheet)) {
      DishPlot->MountMode = ViewModeComboBox->currentIndex();
      DishPlot->DishOffset = dishOffset;
      DishPlot->SetData(CurrentSat);
      DishPlot->Invalidate();
    }
  } catch (const std::exception& e) {
    WriteLog(std::string("Error showing satellite info: ") + e.what());
  }

  // Let the labels repaint while the clock runs; once, not again from a fill that starts while
  // the messages run.
  if (!satInfoMessages_) {
    const TFlagHolder hold(satInfoMessages_);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

// PlaceTreeImage: satmain_obstacle.cpp.
