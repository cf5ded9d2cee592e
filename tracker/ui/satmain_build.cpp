// The main window's pages, panels and menu, built in code: every widget the handlers work on.
#include "satmain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "datetimepicker.h"
#include "imagewidget.h"
#include "locationpanel.h"
#include "worldmap.h"

namespace {

QWidget* MakePage(QTabWidget* pages, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  pages->addTab(page, caption);
  return page;
}

QScrollArea* MakeScrollBox(const char* name, QWidget* parent) {
  auto* box = new QScrollArea(parent);
  box->setObjectName(name);
  box->setFrameShape(QFrame::NoFrame);
  box->setWidgetResizable(true);
  return box;
}

QToolButton* MakeToggle(const char* name, const char* text, const char* hint, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(hint);
  b->setCheckable(true);
  return b;
}

QAction* MakeAction(QMenu* menu, const char* name, const char* caption, const char* shortcut = nullptr) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  if (shortcut) a->setShortcut(QKeySequence(shortcut));
  return a;
}

// The main menu's shortcuts act from inside every field of the window as they do elsewhere; the
// item's handler takes the field's text first. A field's own keys would take some of them: Ctrl+Z
// is the undo of every edit, memo, spin box, picker and editable list box, and with X11 key
// bindings Ctrl+E (end of line) and Ctrl+U (delete the line) are a line edit's too. Watching the
// whole program also reaches the editors that the list grid makes for its cells.
class TMenuKeysFirst : public QObject {
 public:
  explicit TMenuKeysFirst(QWidget* window) : QObject(window), window_(window) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The focus field is asked first whether it wants the key for itself (and its parents after
    // it): none of them does when the key is a shortcut of a menu item that can run now.
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType()) return false;
    if (static_cast<QWidget*>(watched)->window() != window_) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
    for (const QAction* a : window_->actions()) {
      if (!a->isEnabled() || !a->isVisible()) continue;
      for (const QKeySequence& shortcut : a->shortcuts())
        if (shortcut == pressed) {
          key->ignore();
          return true;
        }
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

void TSatForm::BuildComponents() {
  setObjectName("SatForm");
  setWindowTitle("Umbrisk");
  resize(723, 513);

  MainPageControl = new QTabWidget(this);
  MainPageControl->setObjectName("MainPageControl");
  MainPageControl->setTabPosition(QTabWidget::South);
  MainPageControl->setUsesScrollButtons(false);
  setCentralWidget(MainPageControl);
  LocationTabSheet = MakePage(MainPageControl, "LocationTabSheet", "Location");
  SatInfoTabSheet = MakePage(MainPageControl, "SatInfoTabSheet", "Sat Info");
  ClarkeTabSheet = MakePage(MainPageControl, "ClarkeTabSheet", "Clarke Belt");
  SatGroundMapTabSheet = MakePage(MainPageControl, "SatGroundMapTabSheet", "Ground Map");
  SunDialTabSheet = MakePage(MainPageControl, "SunDialTabSheet", "Sun Dial");
  HATabSheet = MakePage(MainPageControl, "HATabSheet", "HA Map");
  ElevMapTabSheet = MakePage(MainPageControl, "ElevMapTabSheet", "Elev Map");
  SatListTabSheet = MakePage(MainPageControl, "SatListTabSheet", "Sat List");
  ObstacleTabSheet = MakePage(MainPageControl, "ObstacleTabSheet", "Obstacle");
  ToolsTabSheet = MakePage(MainPageControl, "ToolsTabSheet", "Tools");

  BuildLocationPage();
  BuildSatInfoPage();
  BuildViewPages();
  BuildObstaclePage();
  BuildToolsPage();
  BuildPlaceEntry();
  (new QVBoxLayout(SatListTabSheet))->setContentsMargins(2, 2, 2, 2);
  BuildSatListPage();

  ClockTimer = new QTimer(this);
  ClockTimer->setObjectName("ClockTimer");
  ClockTimer->setInterval(1000);

  BuildMenu();
  ConnectHandlers();
}

namespace {

struct TClockControls {
  QWidget* Panel;
  QCheckBox* RealTime;
  QToolButton* Timer;
  QToolButton* Down;
  QToolButton* Up;
  TDateTimePicker* Date;
  TDateTimePicker* Time;
};

TClockControls MakeClockPanel(const QString& prefix, QWidget* parent) {
  TClockControls c{};
  c.Panel = new QWidget(parent);
  c.Panel->setObjectName(prefix + "ClockPanel");
  auto* row = new QHBoxLayout(c.Panel);
  row->setContentsMargins(0, 0, 0, 0);
  c.RealTime = new QCheckBox("Real Time", c.Panel);
  c.RealTime->setObjectName(prefix + "RealTimeCheckBox");
  c.RealTime->setChecked(true);
  c.Timer = new QToolButton(c.Panel);
  c.Timer->setObjectName(prefix + "TimerButton");
  c.Timer->setText(QString::fromUtf8("\u25B6"));
  c.Timer->setCheckable(true);
  c.Timer->setToolTip("Start / Stop Timer");
  c.Down = new QToolButton(c.Panel);
  c.Down->setObjectName(prefix + "ClockDownButton");
  c.Down->setArrowType(Qt::LeftArrow);
  c.Down->setToolTip("Decrease time or clock speed");
  c.Date = new TDateTimePicker(TDateTimePicker::TKind::Date, c.Panel);
  c.Date->setObjectName(prefix + "DatePicker");
  c.Time = new TDateTimePicker(TDateTimePicker::TKind::Time, c.Panel);
  c.Time->setObjectName(prefix + "TimePicker");
  c.Up = new QToolButton(c.Panel);
  c.Up->setObjectName(prefix + "ClockUpButton");
  c.Up->setArrowType(Qt::RightArrow);
  c.Up->setToolTip("Increase time or clock speed");
  row->addWidget(c.RealTime);
  row->addWidget(c.Timer);
  row->addWidget(c.Down);
  row->addWidget(c.Date);
  row->addWidget(c.Time);
  row->addWidget(c.Up);
  row->addStretch(1);
  return c;
}

// The sort and filter buttons of a page: sort on name / longitude (one exclusive pair), and the
// Ku, C and visible filters.
QWidget* MakeSortFilterRow(const QString& prefix, QToolButton** name, QToolButton** lon, QToolButton** ku,
                           QToolButton** c, QToolButton** vis, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* lay = new QHBoxLayout(row);
  lay->setContentsMargins(0, 0, 0, 0);
  const auto make = [&](const QString& n, const char* text, const char* hint) {
    auto* b = MakeToggle(n.toLatin1().constData(), text, hint, row);
    lay->addWidget(b);
    return b;
  };
  *name = make(prefix + "SortNameButton", "Name", "Sort on Name");
  *lon = make(prefix + "SortLonButton", "Lon", "Sort on Longitude");
  *ku = make(prefix + "FilterKuButton", "Ku", "Show sats with Ku-band tansponder only");
  *c = make(prefix + "FilterCButton", "C", "Show sats with C-band tansponder only");
  *vis = make(prefix + "FilterVisButton", "Vis", "Show visible sats only");
  auto* group = new QButtonGroup(row);
  group->setExclusive(true);
  group->addButton(*name);
  group->addButton(*lon);
  (*name)->setChecked(true);
  lay->addStretch(1);
  return row;
}

}  // namespace

void TSatForm::BuildLocationPage() {
  auto* lay = new QVBoxLayout(LocationTabSheet);
  lay->setContentsMargins(4, 4, 4, 4);
  const TClockControls c = MakeClockPanel("Loc", LocationTabSheet);
  LocClockPanel = c.Panel;
  LocRealTimeCheckBox = c.RealTime;
  LocTimerButton = c.Timer;
  LocClockDownButton = c.Down;
  LocClockUpButton = c.Up;
  LocDatePicker = c.Date;
  LocTimePicker = c.Time;
  lay->addWidget(LocClockPanel);
  LocWorldMapFrame = new TWorldMapFrame(LocationTabSheet);
  LocWorldMapFrame->setObjectName("LocWorldMapFrame");
  // The time panel with the world map below it, the sun and the moon beside them.
  LocInfoPanel = new TLocationInfoPanel(LocWorldMapFrame, LocationTabSheet);
  LocInfoPanel->setObjectName("LocInfoPanel");
  Moon1 = LocInfoPanel->Moon1;
  lay->addWidget(LocInfoPanel, 1);
}

void TSatForm::BuildSatInfoPage() {
  auto* lay = new QHBoxLayout(SatInfoTabSheet);
  lay->setContentsMargins(4, 4, 4, 4);

  auto* left = new QVBoxLayout;
  SatSelectGroupBox = new QGroupBox("Satellites", SatInfoTabSheet);
  SatSelectGroupBox->setObjectName("SatSelectGroupBox");
  auto* boxLay = new QVBoxLayout(SatSelectGroupBox);
  SatListBox = new QListWidget(SatSelectGroupBox);
  SatListBox->setObjectName("SatListBox");
  boxLay->addWidget(SatListBox);
  left->addWidget(SatSelectGroupBox, 1);
  left->addWidget(MakeSortFilterRow("", &SortNameButton, &SortLonButton, &FilterKuButton, &FilterCButton,
                                    &FilterVisButton, SatInfoTabSheet));
  lay->addLayout(left, 0);

  auto* right = new QVBoxLayout;
  const TClockControls c = MakeClockPanel("Info", SatInfoTabSheet);
  InfoClockPanel = c.Panel;
  InfoRealTimeCheckBox = c.RealTime;
  InfoTimerButton = c.Timer;
  InfoClockDownButton = c.Down;
  InfoClockUpButton = c.Up;
  InfoDatePicker = c.Date;
  InfoTimePicker = c.Time;
  right->addWidget(InfoClockPanel);
  SatNameEdit = new QLineEdit(SatInfoTabSheet);
  SatNameEdit->setObjectName("SatNameEdit");
  right->addWidget(SatNameEdit);
  SatDetailsPanel = new QWidget(SatInfoTabSheet);
  SatDetailsPanel->setObjectName("SatDetailsPanel");
  (new QVBoxLayout(SatDetailsPanel))->setContentsMargins(0, 0, 0, 0);
  right->addWidget(SatDetailsPanel);

  InfoPageControl = new QTabWidget(SatInfoTabSheet);
  InfoPageControl->setObjectName("InfoPageControl");
  WorldMapTabSheet = MakePage(InfoPageControl, "WorldMapTabSheet", "Map");
  DishTabSheet = MakePage(InfoPageControl, "DishTabSheet", "Dish");
  RotorTabSheet = MakePage(InfoPageControl, "RotorTabSheet", "Rotor");
  XYTabSheet = MakePage(InfoPageControl, "XYTabSheet", "XY");
  XZTabSheet = MakePage(InfoPageControl, "XZTabSheet", "XZ");
  YZTabSheet = MakePage(InfoPageControl, "YZTabSheet", "YZ");
  MoreInfoTabSheet = MakePage(InfoPageControl, "MoreInfoTabSheet", "X");
  InfoPageControl->setTabVisible(InfoPageControl->indexOf(MoreInfoTabSheet), false);
  for (QWidget* sub : {WorldMapTabSheet, DishTabSheet, RotorTabSheet, XYTabSheet, XZTabSheet, YZTabSheet,
                       MoreInfoTabSheet})
    (new QVBoxLayout(sub))->setContentsMargins(0, 0, 0, 0);
  WorldMapFrame = new TWorldMapFrame(WorldMapTabSheet);
  WorldMapTabSheet->layout()->addWidget(WorldMapFrame);
  DishPlotScrollBox = MakeScrollBox("DishPlotScrollBox", DishTabSheet);
  DishTabSheet->layout()->addWidget(DishPlotScrollBox);
  right->addWidget(InfoPageControl, 1);
  lay->addLayout(right, 1);
  BuildSatInfoFields();
}

void TSatForm::BuildViewPages() {
  const struct {
    QWidget* page;
    QScrollArea** box;
    const char* name;
  } pages[] = {
      {ClarkeTabSheet, &ClarkeScrollBox, "ClarkeScrollBox"},
      {SatGroundMapTabSheet, &SatGroundMapScrollBox, "SatGroundMapScrollBox"},
      {SunDialTabSheet, &SunDialScrollBox, "SunDialScrollBox"},
      {HATabSheet, &HAScrollBox, "HAScrollBox"},
      {ElevMapTabSheet, &ElevScrollBox, "ElevScrollBox"},
  };
  for (const auto& p : pages) {
    auto* lay = new QVBoxLayout(p.page);
    lay->setContentsMargins(0, 0, 0, 0);
    *p.box = MakeScrollBox(p.name, p.page);
    lay->addWidget(*p.box);
  }
  const struct {
    TImageWidget** image;
    QScrollArea* box;
    const char* name;
  } images[] = {{&ClarkeImage, ClarkeScrollBox, "ClarkeImage"},
                {&SatGroundMapImage, SatGroundMapScrollBox, "SatGroundMapImage"},
                {&SunDialImage, SunDialScrollBox, "SunDialImage"},
                {&HAImage, HAScrollBox, "HAImage"},
                {&ElevImage, ElevScrollBox, "ElevImage"}};
  for (const auto& i : images) {
    *i.image = new TImageWidget;
    (*i.image)->setObjectName(i.name);
    i.box->setWidget(*i.image);
  }
}

void TSatForm::BuildObstaclePage() {
  auto* lay = new QHBoxLayout(ObstacleTabSheet);
  lay->setContentsMargins(4, 4, 4, 4);
  auto* left = new QVBoxLayout;
  ObstSatSelectGroupBox = new QGroupBox("Satellites", ObstacleTabSheet);
  ObstSatSelectGroupBox->setObjectName("ObstSatSelectGroupBox");
  auto* boxLay = new QVBoxLayout(ObstSatSelectGroupBox);
  ObstSatListBox = new QListWidget(ObstSatSelectGroupBox);
  ObstSatListBox->setObjectName("ObstSatListBox");
  boxLay->addWidget(ObstSatListBox);
  left->addWidget(ObstSatSelectGroupBox, 1);
  left->addWidget(MakeSortFilterRow("Obst", &ObstSortNameButton, &ObstSortLonButton, &ObstFilterKuButton,
                                    &ObstFilterCButton, &ObstFilterVisButton, ObstacleTabSheet));
  lay->addLayout(left, 0);

  auto* right = new QVBoxLayout;
  const TClockControls c = MakeClockPanel("Obst", ObstacleTabSheet);
  ObstClockPanel = c.Panel;
  ObstRealTimeCheckBox = c.RealTime;
  ObstTimerButton = c.Timer;
  ObstClockDownButton = c.Down;
  ObstClockUpButton = c.Up;
  ObstDatePicker = c.Date;
  ObstTimePicker = c.Time;
  right->addWidget(ObstClockPanel);
  auto* plots = new QHBoxLayout;
  ObstScrollBox = MakeScrollBox("ObstScrollBox", ObstacleTabSheet);
  AngleScrollBox = MakeScrollBox("AngleScrollBox", ObstacleTabSheet);
  plots->addWidget(ObstScrollBox, 1);
  plots->addWidget(AngleScrollBox, 1);
  right->addLayout(plots, 1);
  auto* bottom = new QHBoxLayout;
  ObstDishPlotPanel = new QWidget(ObstacleTabSheet);
  ObstDishPlotPanel->setObjectName("ObstDishPlotPanel");
  (new QVBoxLayout(ObstDishPlotPanel))->setContentsMargins(0, 0, 0, 0);
  TreeImage = new TImageWidget(ObstacleTabSheet);
  TreeImage->setObjectName("TreeImage");
  bottom->addWidget(ObstDishPlotPanel, 1);
  bottom->addWidget(TreeImage, 0);
  right->addLayout(bottom, 1);
  lay->addLayout(right, 1);
  BuildObstacleFields();
}

void TSatForm::BuildToolsPage() {
  auto* lay = new QVBoxLayout(ToolsTabSheet);
  lay->setContentsMargins(0, 0, 0, 0);
  auto* top = new QHBoxLayout;
  top->setContentsMargins(4, 4, 4, 0);

  ToolsRadioGroup = new QGroupBox("Select Tool", ToolsTabSheet);
  ToolsRadioGroup->setObjectName("ToolsRadioGroup");
  auto* radioLay = new QVBoxLayout(ToolsRadioGroup);
  ToolsRadioButtons = new QButtonGroup(ToolsRadioGroup);
  ToolsRadioButtons->setObjectName("ToolsRadioButtons");
  ToolsRadioButtons->setExclusive(true);
  const char* const toolItems[] = {"Elevation Triangles", "Degrees Square"};
  for (int i = 0; i < 2; ++i) {
    auto* b = new QRadioButton(toolItems[i], ToolsRadioGroup);
    b->setObjectName(QString("ToolsRadioGroupItem%1").arg(i));
    ToolsRadioButtons->addButton(b, i);
    radioLay->addWidget(b);
  }
  ToolsRadioButtons->button(0)->setChecked(true);
  top->addWidget(ToolsRadioGroup);

  ToolSatPanel = new QWidget(ToolsTabSheet);
  ToolSatPanel->setObjectName("ToolSatPanel");
  auto* satLay = new QGridLayout(ToolSatPanel);
  const auto satBox = [this, satLay](const char* name, const char* caption, int row) {
    auto* label = new QLabel(caption, ToolSatPanel);
    auto* box = new QComboBox(ToolSatPanel);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(16);
    label->setBuddy(box);
    satLay->addWidget(label, row, 0);
    satLay->addWidget(box, row, 1);
    return box;
  };
  ToolsSat1ComboBox = satBox("ToolsSat1ComboBox", "Satellite 1:", 0);
  ToolsSat2ComboBox = satBox("ToolsSat2ComboBox", "Satellite 2:", 1);
  top->addWidget(ToolSatPanel);

  ToolGridPanel = new QWidget(ToolsTabSheet);
  ToolGridPanel->setObjectName("ToolGridPanel");
  auto* gridLay = new QGridLayout(ToolGridPanel);
  ToolGridSpinEdit = new QSpinBox(ToolGridPanel);
  ToolGridSpinEdit->setObjectName("ToolGridSpinEdit");
  ToolGridSpinEdit->setRange(0, 90);
  ToolGridSpinEdit->setSingleStep(5);
  ToolGridSpinEdit->setValue(0);
  ToolColsSpinEdit = new QSpinBox(ToolGridPanel);
  ToolColsSpinEdit->setObjectName("ToolColsSpinEdit");
  ToolColsSpinEdit->setRange(1, 5);
  ToolColsSpinEdit->setValue(1);
  // Arrows only: the number is not typed.
  if (auto* edit = ToolColsSpinEdit->findChild<QLineEdit*>()) edit->setReadOnly(true);
  gridLay->addWidget(new QLabel("Grid:", ToolGridPanel), 0, 0);
  gridLay->addWidget(ToolGridSpinEdit, 0, 1);
  gridLay->addWidget(new QLabel("Columns:", ToolGridPanel), 1, 0);
  gridLay->addWidget(ToolColsSpinEdit, 1, 1);
  ToolGridPanel->setVisible(false);
  top->addWidget(ToolGridPanel);
  top->addStretch(1);
  lay->addLayout(top);

  ToolsPlotScrollBox = MakeScrollBox("ToolsPlotScrollBox", ToolsTabSheet);
  lay->addWidget(ToolsPlotScrollBox, 1);
}

void TSatForm::BuildMenu() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName("MainMenu1");

  MenuFile = MainMenu1->addMenu("&File");
  MenuFile->setObjectName("MenuFile");
  MenuPrint = MakeAction(MenuFile, "MenuPrint", "&Print");
  MenuPrintSetup = MakeAction(MenuFile, "MenuPrintSetup", "Print &Setup");
  MenuSaveSatCsv = MakeAction(MenuFile, "MenuSaveSatCsv", "Save Satinfo");
  MenuSaveAs = MakeAction(MenuFile, "MenuSaveAs", "Save &As");
  MenuExit = MakeAction(MenuFile, "MenuExit", "E&xit");

  MenuTools = MainMenu1->addMenu("&Tools");
  MenuTools->setObjectName("MenuTools");
  MenuOptions = MakeAction(MenuTools, "MenuOptions", "&Options");
  MenuUninstall = MakeAction(MenuTools, "MenuUninstall", "Uninstall");
  MenuSelectFields = MakeAction(MenuTools, "MenuSelectFields", "&Select Fields");

  MenuView = MainMenu1->addMenu("&View");
  MenuView->setObjectName("MenuView");
  MenuView->setToolTipsVisible(true);
  MenuViewSizeGroup = new QActionGroup(this);
  MenuViewSizeGroup->setExclusive(true);
  MenuViewNormal = MakeAction(MenuView, "MenuViewNormal", "Normal", "Ctrl+N");
  MenuViewLarge = MakeAction(MenuView, "MenuViewLarge", "Large", "Ctrl+L");
  MenuViewPrint = MakeAction(MenuView, "MenuViewPrint", "Print Size", "Ctrl+E");
  for (QAction* a : {MenuViewNormal, MenuViewLarge, MenuViewPrint}) {
    a->setCheckable(true);
    MenuViewSizeGroup->addAction(a);
  }
  MenuViewNormal->setChecked(true);
  MenuViewSep = MenuView->addSeparator();
  MenuViewSep->setObjectName("MenuViewSep");
  MenuViewProportional = MakeAction(MenuView, "MenuViewProportional", "Proportional", "Ctrl+P");
  MenuViewGroundMap = MakeAction(MenuView, "MenuViewGroundMap", "Show Satellites", "Ctrl+S");
  MenuViewSunInFront = MakeAction(MenuView, "MenuViewSunInFront", "Sun in front");
  MenuViewSunInFront->setToolTip("Sun/Moon in front");
  MenuViewEights = MakeAction(MenuView, "MenuViewEights", "Show 'Eights'");
  MenuViewEights->setToolTip("Show apparant movement of inclined orbit satellite");
  for (QAction* a : {MenuViewProportional, MenuViewGroundMap, MenuViewSunInFront, MenuViewEights})
    a->setCheckable(true);
  MenuViewGroundMap->setChecked(true);
  MenuViewSunInFront->setChecked(true);

  MenuStars = MainMenu1->addMenu("Stars");
  MenuStars->setObjectName("MenuStars");
  MenuStars->setToolTipsVisible(true);
  MenuMagGroup = new QActionGroup(this);
  MenuMagGroup->setExclusive(true);
  MenuMagHide = MakeAction(MenuStars, "MenuMagHide", "Hide", "Ctrl+F1");
  MenuMag3 = MakeAction(MenuStars, "MenuMag3", "+3", "Ctrl+F3");
  MenuMag4 = MakeAction(MenuStars, "MenuMag4", "+4", "Ctrl+F4");
  MenuMag5 = MakeAction(MenuStars, "MenuMag5", "+5", "Ctrl+F5");
  MenuMagAll = MakeAction(MenuStars, "MenuMagAll", "All", "Ctrl+F6");
  for (QAction* a : {MenuMagHide, MenuMag3, MenuMag4, MenuMag5, MenuMagAll}) {
    a->setCheckable(true);
    MenuMagGroup->addAction(a);
  }
  MenuMagHide->setChecked(true);
  N1 = MenuStars->addSeparator();
  N1->setObjectName("N1");
  MenuShowStarDsg = MakeAction(MenuStars, "MenuShowStarDsg", "Show Names", "Ctrl+T");
  MenuShowStarDsg->setToolTip("Show Star Names");
  MenuShowStarDsg->setCheckable(true);

  MenuHelp = MainMenu1->addMenu("Help");
  MenuHelp->setObjectName("MenuHelp");
  MenuAbout = MakeAction(MenuHelp, "MenuAbout", "About");
  MenuTime = MenuHelp->addMenu("Shortcuts");
  MenuTime->setObjectName("MenuTime");
  MenuTime->menuAction()->setObjectName("MenuTimeItem");
  MonthInc = MakeAction(MenuTime, "MonthInc", "Month +", "Ctrl+M");
  MonthDec = MakeAction(MenuTime, "MonthDec", "Month -", "Ctrl+Alt+M");
  WeekInc = MakeAction(MenuTime, "WeekInc", "Week +", "Ctrl+W");
  WeekDec = MakeAction(MenuTime, "WeekDec", "Week -", "Ctrl+Alt+W");
  DayInc = MakeAction(MenuTime, "DayInc", "Day +", "Ctrl+D");
  DayDec = MakeAction(MenuTime, "DayDec", "Day -", "Ctrl+Alt+D");
  HoursInc = MakeAction(MenuTime, "HoursInc", "6 Hours +", "Ctrl+U");
  HoursDec = MakeAction(MenuTime, "HoursDec", "6 Hours -", "Ctrl+Alt+U");
  HourInc = MakeAction(MenuTime, "HourInc", "Hour +", "Ctrl+H");
  HourDec = MakeAction(MenuTime, "HourDec", "Hour -", "Ctrl+Alt+H");
  QuarterInc = MakeAction(MenuTime, "QuarterInc", "Quarter +", "Ctrl+Q");
  QuarterDec = MakeAction(MenuTime, "QuarterDec", "Quarter -", "Ctrl+Alt+Q");
  MinInc = MakeAction(MenuTime, "MinInc", "Minute +", "Ctrl+I");
  MinDec = MakeAction(MenuTime, "MinDec", "Minute -", "Ctrl+Alt+I");
  NextSat = MakeAction(MenuTime, "NextSat", "Next Sat", "Ctrl+Z");
  PrevSat = MakeAction(MenuTime, "PrevSat", "Previous Sat", "Ctrl+Alt+Z");

  // Shortcuts work whether or not their menu is shown: the window holds every item too.
  for (QAction* a : findChildren<QAction*>())
    if (!a->shortcut().isEmpty()) addAction(a);
  new TMenuKeysFirst(this);
}
