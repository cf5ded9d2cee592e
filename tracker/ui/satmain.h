// The tracker's main window `TSatForm`: the ten pages, the main menu, the clock timer, the
// dialogs, and the program-wide objects it creates and frees: the settings (`Options`), the
// satellite collection (`Sats`), the star list (`StarList`) and the views.
//
// Every widget carries its component name as its object name, so code and tests find it with
// findChild<...>("SatListBox").
//
// The handlers of the window live in several files, one per area:
//   satmain.cpp            start, creation, close and shutdown, SatListBoxClick, CheckSaveSatCsv
//   satmain_options.cpp    OptionsChanged, SetOptions, SortFilterButtonClick
//   satmain_clock.cpp      the clock: real time, simulation, step buttons, pickers, time menu
//   satmain_views.cpp      MainPageControlChange, DrawView, InfoPageControlChange, TabSheetResize,
//                          MenuViewClick, MenuPrintSetupClick
//   satmain_satinfo.cpp    ShowSatInfo                   satmain_location.cpp  ShowLocationInfo
//   satmain_satlist.cpp    FillSatGrid, MenuSelectFieldsClick, the grid's editing handlers and
//                          the editing handlers of the Sat Info fields
//   satmain_tools.cpp      DrawTools, NextPrevSatClick   satmain_print.cpp     MenuPrintClick
//   satmain_obstacle.cpp   the obstacle calculator: edits, spin buttons, double-clicks, tree
//   satmain_place.cpp      the observer's place (city, country, typed fields), BrowserExecButtonClick
//   satmain_file.cpp       MenuSaveSatCsvClick, MenuSaveAsClick, MenuExitClick, MenuOptionsClick,
//                          MenuUninstallClick, MenuAboutClick
#pragma once

#include <QImage>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "format.h"
#include "placenames.h"
#include "prompts.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;
class TClarkeBelt;
class TElevMap;
class THAMap;
class TOptionForm;
class TSatGroundMap;
class TSunDial;
class TXYPlot;
class TObstPlot;
class TAnglePlot;
class TDishPlot;
class TDateTimePicker;
class TImageWidget;
class TWorldMapFrame;
class TLocationInfoPanel;
class TSat;
class TSpinButton;
class TSatGrid;
class TSats;
class ISatsHost;
class ISatTrackSource;
namespace astro {
class TMoon;
}

// The program-wide objects of the tracker (created by the main window's creation handler, freed
// by its shutdown; nullptr before and after). `Options` and `StarList` are declared with their
// classes (options.h, stars.h).
extern TSats* Sats;
extern TClarkeBelt* ClarkeBelt;
extern TSatGroundMap* SatGroundMap;
extern THAMap* HAMap;
extern TElevMap* ElevMap;
extern TSunDial* SunDial;
// The orbit-plane plots (XY, XZ, YZ sub-pages of Sat Info), the obstacle and angle plots
// (Obstacle page) and the dish plot ("Dish" sub-page and Obstacle page); widgets owned by their
// scroll boxes or pages.
extern TXYPlot* XYPlot;
extern TXYPlot* XZPlot;
extern TXYPlot* YZPlot;
extern TObstPlot* ObstPlot;
extern TAnglePlot* AnglePlot;
extern TDishPlot* DishPlot;
// The tool plot `ToolPlot` is declared with its class (toolplot.h).

// Forces two-digit hours into a long time format: when the format does not hold "hh"
// (letter case counts), every "h" or "H" becomes "hh". "H:mm:ss" -> "hh:mm:ss",
// "hh:mm:ss" stays, "HH:mm:ss" -> "hhhh:mm:ss".
std::string ForceTwoDigitHours(const std::string& longTimeFormat);

// The value of a typed observer field (longitude, latitude or height), trimmed, empty as "0":
// degrees, minutes and seconds (DMSStrToDeg) when it holds a double quote, an apostrophe, ",",
// ":", ";", "D" or "M"; an angle with a compass letter or degree sign (StrToDeg) when it ends in
// one; otherwise a plain number. -360 when it does not parse.
double ObserverFieldValue(std::string_view text);

// The name the collection lists the satellite under: `name` when it is listed, otherwise the
// listed name of a satellite whose own name is `name` (case ignored). The element reader leaves
// a satellite that a later element file renames listed under its former name.
std::string ListedSatName(const TSats& sats, std::string_view name);

class TSatForm : public QMainWindow {
  Q_OBJECT
 public:
  // The constructor: log, log file, "CrashDebug" switch, print dialog, then the components and
  // `FormCreate`. `host` serves the satellite collection (messages, program runs); null for the
  // program's own.
  TSatForm(int argc, const char* const* argv, ISatsHost* host = nullptr, QWidget* parent = nullptr);
  // Runs `FormDestroy` when the program did not (never throws).
  ~TSatForm() override;

  // ---- start, close, shutdown (satmain.cpp) ----
  void FormCreate();
  // The close handler: settings from the window, the save offer, the log line. CanClose becomes
  // false only when saving the edited satellite information failed and the user chose to stay.
  void FormCloseQuery(bool& CanClose);
  // The shutdown step: timer off, views, stars, collection and settings freed (the settings
  // write the ini file), "Finished shutdown" logged and the log file written. Every step is
  // guarded and logged; runs once, never throws.
  void FormDestroy() noexcept;
  bool Destroyed() const { return destroyed_; }
  void SatListBoxClick(QObject* Sender);
  // Offers to save the edited satellite information; false when saving was wanted and failed.
  bool CheckSaveSatCsv();

  // ---- settings (satmain_options.cpp) ----
  void OptionsChanged(QObject* Sender);
  void SetOptions();
  void SortFilterButtonClick(QObject* Sender);

  // ---- clock (satmain_clock.cpp) ----
  void RealTimeCheckBoxClick(QObject* Sender);
  void TimerButtonClick(QObject* Sender);
  void InfoClockButtonClick(QObject* Sender);
  void ClockTimerTimer();
  void DateTimePickerClick(QObject* Sender);
  void DateTimePickerChange(QObject* Sender);
  void MenuTimeClick(QObject* Sender);

  // A page fill in progress. Filling a page may let pending messages run; while a fill is held,
  // a clock tick is skipped, and a change of the settings, of the sort and filter buttons or of
  // the time is applied once the last fill ends (queued), so data are never reloaded and no
  // second fill starts in the middle of one. Held by SatListBoxClick and the clock's refresh;
  // a fill that lets messages run holds it too.
  class TPageFill {
   public:
    explicit TPageFill(TSatForm& form) : form_(form) { ++form_.PageFillDepth; }
    ~TPageFill() { form_.EndPageFill(); }
    TPageFill(const TPageFill&) = delete;
    TPageFill& operator=(const TPageFill&) = delete;

   private:
    TSatForm& form_;
  };
  bool PageFilling() const { return PageFillDepth > 0; }

  // ---- pages and views (satmain_views.cpp) ----
  void MainPageControlChange(QObject* Sender);
  // Sizes and redraws a belt-family view; Width and Height 0 for the screen size of the View menu.
  // A picture over 1024 x 768 pixels, or one for the printer (PrintFont), takes the print font.
  void DrawView(TClarkeBelt* View, int Width, int Height, bool PrintFont = false);
  void InfoPageControlChange(QObject* Sender);
  void TabSheetResize(QObject* Sender);
  void MenuViewClick(QObject* Sender);
  void MenuPrintSetupClick(QObject* Sender);
  // The belt-family view shown on a view page, or null; and the scroll box of a view.
  TClarkeBelt* ViewOfPage(QWidget* page) const;
  QScrollArea* ScrollBoxOfView(const TClarkeBelt* view) const;

  // ---- other pages and menus (one file each, see above) ----
  // Fills the Sat Info page (or, on any other page, the Obstacle page) for the satellite, whose
  // position record is current. Lets pending messages (not user input) run once at the end.
  void ShowSatInfo(TSat& Sat);
  // Sizes the tree picture to the obstacle height and stands it at the obstacle's distance on
  // the obstacle plot.
  void PlaceTreeImage();
  void ShowLocationInfo();
  // The UTC moment of the day of Date when the sun stands in the dish's direction TargetAz
  // (degrees from south, positive east), for the observer of the settings; 0 when there is none.
  // PassElev: the sun's elevation then.
  TDateTime SolarOutageTime(double& PassElev, TDateTime Date, double TargetAz);
  void FillSatGrid(const std::string& names);
  void MenuSelectFieldsClick(QObject* Sender);

  // ---- list grid and editing of the satellite information (satmain_satlist.cpp) ----
  // The grid moved to cell (ACol, ARow): the pending cell (EditCol, EditRow) is committed first.
  void SatGridSelectCell(int ACol, int ARow, bool& CanSelect);
  void SatGridExit(QObject* Sender);               // the grid lost the focus: commit
  void SatGridKeyPress(QObject* Sender, char& Key);  // Enter (CR) commits
  // Before the data files are reloaded: commits the pending cell, then empties the grid, so it
  // holds no satellite that the reload frees. Showing the page fills it again.
  void SatGridReleaseSats();
  // The Sat Info fields: entering one stops the clock; leaving one takes its value into the
  // shown satellite (`CurrentSat`) and redraws the page (or runs one clock tick).
  void EditFieldEnter(QObject* Sender);
  void EditFieldExit(QObject* Sender);
  void DishOffsetEditKeyPress(QObject* Sender, char& Key);  // also RotorAngleEdit
  void IgnorePCCheckBoxClick(QObject* Sender);              // both check boxes of the "Rotor" page
  void DishBrandComboBoxDropDown(QObject* Sender);          // both model lists
  void DishBrandComboBoxCloseUp(QObject* Sender);
  void DrawTools();
  // Draws the tool plot for printing or saving (satmain_file.cpp): the print font of the
  // settings, Width x Height pixels, its box no longer sizing it. The caller keeps
  // PrintDialog1.Tag at 1 meanwhile. Returns the plot's picture (null picture without a plot).
  const QImage& DrawToolsAtSize(int Width, int Height);
  void NextPrevSatClick(QObject* Sender);
  void MenuPrintClick(QObject* Sender);
  // Prints the list grid as a ruled table, one job (satmain_print.cpp); throws on printer errors.
  void PrintSatList();
  void MenuSaveSatCsvClick(QObject* Sender);
  void MenuSaveAsClick(QObject* Sender);
  void MenuExitClick(QObject* Sender);
  void MenuOptionsClick(QObject* Sender);
  void MenuUninstallClick(QObject* Sender);
  void MenuAboutClick(QObject* Sender);

  // ---- obstacle calculator (satmain_obstacle.cpp) ----
  // Leaving one of the four edits: the text is read, bounded and written back; the shadow edit
  // sets the obstacle height from the sun's elevation and restarts the clock. Enter in an edit
  // (Key '\r', which is then cleared) does the same.
  void ObstEditExit(QObject* Sender);
  void ObstEditKeyPress(QObject* Sender, char& Key);
  // The spin buttons (or their arrows): half a metre down or up.
  void ObstSpinButtonDownClick(QObject* Sender);
  void ObstSpinButtonUpClick(QObject* Sender);
  // Entering the shadow edit stops the clock timer.
  void ObstShadowEditEnter(QObject* Sender);
  // Double-clicks on the captions: the largest obstacle height, the smallest distance, the
  // lowest dish height that leave the satellite visible.
  void ObstHeightDescLabelDblClick(QObject* Sender);
  void ObstDistDescLabelDblClick(QObject* Sender);
  void MinElevLabelDblClick(QObject* Sender);
  // A box of the obstacle, angle or dish plot was resized: the Obstacle page is redrawn.
  void ObstScrollBoxResize(QObject* Sender);

  // ---- tools page and value-label help (satmain_tools.cpp, satmain_help.cpp) ----
  // Either satellite box, either spin edit or the tool choice changed: redraw the templates.
  void ToolsSatComboBoxChange(QObject* Sender);
  // The box of the tool plot was resized: redraw, unless printing or saving sizes the plot.
  void ToolsPlotScrollBoxResize(QObject* Sender);
  // The mount box of the dish drawing: gives up the focus and redraws the page.
  void ViewModeComboBoxChange(QObject* Sender);
  // The pointer entered a value label: the angle and dish drawings mark the label's angle.
  void ValLabelMouseEnter(QObject* Sender);
  // A double-click on a value label puts its bare number on the clipboard.
  void ValueLabelDblClick(QObject* Sender);
  // Binds the two handlers above to the value labels that exist (found by object name); safe to
  // call again after more labels were made.
  void ConnectValueLabels();

  // ---- observer place entry on the Location page (satmain_place.cpp) ----
  // Enter of the city and country boxes: loads the place list of the home country once.
  void CityComboBoxEnter(QObject* Sender);
  void CityComboBoxChange(QObject* Sender);   // a city picked from the list
  void CityComboBoxExit(QObject* Sender);     // leaving the city box, or closing its list
  void CountryComboBoxChange(QObject* Sender);
  void CountryComboBoxExit(QObject* Sender);
  void LocObsEditExit(QObject* Sender);       // one of the three observer fields
  void ObsEditKeyPress(QObject* Sender, char& Key);
  // Bound to the click of `BrowserExecButton` (Sat Info page) by ConnectPlaceHandlers.
  void BrowserExecButtonClick(QObject* Sender);
  // Starts the browser program (program, arguments, working folder); true when it started.
  // The default runs it through the shell layer; tests replace it.
  std::function<bool(const std::string&, const std::vector<std::string>&, const std::string&)> StartBrowser;
  // The place list of the home country; null until the city or country box is first entered.
  std::unique_ptr<TGnsList> GnsList;

  // ---- fields kept by the window ----
  bool PickerGuard = false;
  double ClockStep = 1.0 / 1440;  // days
  int EditCol = 1, EditRow = 1;  // the list grid's pending cell (satmain_satlist.cpp)
  bool ListBoxGuard = false;      // set while code refills or selects in the list boxes
  int PageFillDepth = 0;          // page fills in progress (TPageFill)
  int SolarOutageDay = 0;         // whole day of the last solar-outage search; 0: search again
  TSat* CurrentSat = nullptr;     // the satellite shown (not owned)
  // The printer behind the print dialogs. Without a default printer it writes PDF files.
  std::unique_ptr<QPrinter> Printer;
  bool HasDefaultPrinter = false;
  // The options dialog (created by the program after the main window; not owned).
  TOptionForm* OptionForm = nullptr;

  // ---- components ----
  QTabWidget* MainPageControl = nullptr;
  QWidget* LocationTabSheet = nullptr;
  QWidget* SatInfoTabSheet = nullptr;
  QWidget* ClarkeTabSheet = nullptr;
  QWidget* SatGroundMapTabSheet = nullptr;
  QWidget* SunDialTabSheet = nullptr;
  QWidget* HATabSheet = nullptr;
  QWidget* ElevMapTabSheet = nullptr;
  QWidget* SatListTabSheet = nullptr;
  QWidget* ObstacleTabSheet = nullptr;
  QWidget* ToolsTabSheet = nullptr;

  // Location page: the clock controls; the place, sun and moon panel and the world map join it.
  QWidget* LocClockPanel = nullptr;
  QCheckBox* LocRealTimeCheckBox = nullptr;
  QToolButton* LocTimerButton = nullptr;
  QToolButton* LocClockDownButton = nullptr;
  QToolButton* LocClockUpButton = nullptr;
  TDateTimePicker* LocDatePicker = nullptr;
  TDateTimePicker* LocTimePicker = nullptr;
  // The place fields and the moon picture (null until the page holds them).
  QComboBox* CityComboBox = nullptr;
  QComboBox* CountryComboBox = nullptr;
  QLineEdit* LocObsLonEdit = nullptr;
  QLineEdit* LocObsLatEdit = nullptr;
  QLineEdit* LocObsHeightEdit = nullptr;
  QLabel* ProvinceLabel = nullptr;  // region of the chosen place, or a status text
  astro::TMoon* Moon1 = nullptr;
  TWorldMapFrame* LocWorldMapFrame = nullptr;
  // The time, sun and moon panel (locationpanel.h); it holds `Moon1` and the world map.
  TLocationInfoPanel* LocInfoPanel = nullptr;

  // Sat Info page.
  QGroupBox* SatSelectGroupBox = nullptr;
  QListWidget* SatListBox = nullptr;
  QLineEdit* SatNameEdit = nullptr;
  QWidget* InfoClockPanel = nullptr;
  QCheckBox* InfoRealTimeCheckBox = nullptr;
  QToolButton* InfoTimerButton = nullptr;
  QToolButton* InfoClockDownButton = nullptr;
  QToolButton* InfoClockUpButton = nullptr;
  TDateTimePicker* InfoDatePicker = nullptr;
  TDateTimePicker* InfoTimePicker = nullptr;
  QToolButton* SortNameButton = nullptr;
  QToolButton* SortLonButton = nullptr;
  QToolButton* FilterKuButton = nullptr;
  QToolButton* FilterCButton = nullptr;
  QToolButton* FilterVisButton = nullptr;
  QWidget* SatDetailsPanel = nullptr;  // the satellite's fields
  QTabWidget* InfoPageControl = nullptr;
  QWidget* WorldMapTabSheet = nullptr;
  TWorldMapFrame* WorldMapFrame = nullptr;
  QWidget* DishTabSheet = nullptr;
  QWidget* RotorTabSheet = nullptr;
  QWidget* XYTabSheet = nullptr;
  QWidget* XZTabSheet = nullptr;
  QWidget* YZTabSheet = nullptr;
  QWidget* MoreInfoTabSheet = nullptr;
  QScrollArea* DishPlotScrollBox = nullptr;
  // Dish and rotor models beside `DishOffsetEdit` and `RotorAngleEdit` (satmain_satlist.cpp makes
  // them); their tags keep the left position while the list is open.
  QComboBox* DishBrandComboBox = nullptr;
  QComboBox* RotorBrandComboBox = nullptr;
  int DishBrandComboBoxTag = 0;
  int RotorBrandComboBoxTag = 0;
  // The rows shown when the lists were opened: closing a list on the same row without picking it
  // leaves the edit as it is.
  int DishBrandComboBoxRow = -1;
  int RotorBrandComboBoxRow = -1;
  // The satellite's fields (satmain_satinfo.cpp builds them; each value has a description label
  // named like it with "DescLabel", e.g. "AltNameDescLabel" for `AltNameLabel`).
  QToolButton* BrowserExecButton = nullptr;
  QGroupBox* GeneralGroupBox = nullptr;     // "General Satellite Info"
  QLabel* AltNameLabel = nullptr;
  QLabel* CosparNameLabel = nullptr;
  QLabel* NoradNrLabel = nullptr;
  QLineEdit* BandsEdit = nullptr;
  QPlainTextEdit* RemarksMemo = nullptr;
  QGroupBox* ReportedGroupBox = nullptr;    // "Reported Data"
  QLabel* LogTimeLabel = nullptr;
  QLineEdit* RepLongitudeEdit = nullptr;
  QLabel* DriftLabel = nullptr;
  QLabel* PeriodLabel = nullptr;
  QLabel* InclinationLabel = nullptr;
  QLabel* PerigeeLabel = nullptr;
  QLabel* ApogeeLabel = nullptr;
  QLabel* EpochLabel = nullptr;
  QLabel* ElementNrLabel = nullptr;
  QLabel* KepInclinationLabel = nullptr;
  QLabel* EccentricityLabel = nullptr;
  QLabel* MeanMotionLabel = nullptr;
  QLabel* AscNodeLabel = nullptr;
  QLabel* ArgPerigeeLabel = nullptr;
  QGroupBox* DynamicGroupBox = nullptr;     // "Dynamic Data"
  QLabel* LongitudeLabel = nullptr;
  QLabel* LatitudeLabel = nullptr;
  QLabel* AltitudeLabel = nullptr;
  QLabel* RevNrLabel = nullptr;
  QLabel* OrbitPhaseLabel = nullptr;
  QLabel* AnomalyLabel = nullptr;
  QLabel* DistanceLabel = nullptr;
  QLabel* SpeedLabel = nullptr;
  QLabel* XPosLabel = nullptr;
  QLabel* YPosLabel = nullptr;
  QLabel* ZPosLabel = nullptr;
  QLabel* XdotLabel = nullptr;
  QLabel* YdotLabel = nullptr;
  QLabel* ZdotLabel = nullptr;
  QLabel* StarTimeLabel = nullptr;
  QLabel* LclStarTimeLabel = nullptr;
  QGroupBox* ObservedGroupBox = nullptr;    // "Observed Data"
  QLabel* AzimuthLabel = nullptr;
  QLabel* ElevationLabel = nullptr;
  QLabel* LHALabel = nullptr;
  QLabel* HALabel = nullptr;
  QLabel* PolAngleLabel = nullptr;
  QLabel* RangeLabel = nullptr;
  QLabel* DeclinationDescLabel = nullptr;
  QLabel* DeclinationLabel = nullptr;
  QLabel* PolAxCorrLabel = nullptr;
  QLabel* PolAxisDescLabel = nullptr;
  QLabel* PolAxisLabel = nullptr;
  QLabel* DecHorPlaneLabel = nullptr;
  QLineEdit* DishOffsetEdit = nullptr;
  QLabel* DishElevLabel = nullptr;
  QLineEdit* RotorAngleEdit = nullptr;
  QLabel* RotorDishElevLabel = nullptr;
  QLabel* SunPassLabel = nullptr;
  QLabel* PassElevLabel = nullptr;
  // "Rotor" sub-page.
  QLineEdit* StoredPosEdit = nullptr;
  QCheckBox* IgnorePCCheckBox = nullptr;
  QCheckBox* DynHACheckBox = nullptr;
  // 1 while ShowSatInfo sets the two check boxes from the satellite (not an edit), else 0.
  int IgnorePCCheckBoxTag = 0;
  QLineEdit* RotorHAEdit = nullptr;
  QLabel* CalcPulseCountLabel = nullptr;
  QLineEdit* PulseCountEdit = nullptr;
  QLabel* PCDevLabel = nullptr;
  QLabel* CalcHALabel = nullptr;            // hidden, with its description
  QLabel* DegPerPulseLabel = nullptr;
  QLabel* PulsePerDegLabel = nullptr;
  QLabel* ZeroPosLabel = nullptr;
  QLabel* PCZeroLabel = nullptr;
  QLabel* PointsLabel = nullptr;
  QLabel* CorrLabel = nullptr;
  // "X" sub-page.
  QLabel* RangeRateLabel = nullptr;
  QLabel* ObsXLabel = nullptr;
  QLabel* ObsYLabel = nullptr;
  QLabel* ObsZLabel = nullptr;
  // The dish plot's mount ("Mount:"); it stands on the dish plot's box and moves with it.
  QComboBox* ViewModeComboBox = nullptr;

  // View pages: one scroll box each, the view's image inside.
  QScrollArea* ClarkeScrollBox = nullptr;
  QScrollArea* SatGroundMapScrollBox = nullptr;
  QScrollArea* SunDialScrollBox = nullptr;
  QScrollArea* HAScrollBox = nullptr;
  QScrollArea* ElevScrollBox = nullptr;
  TImageWidget* ClarkeImage = nullptr;
  TImageWidget* SatGroundMapImage = nullptr;
  TImageWidget* SunDialImage = nullptr;
  TImageWidget* HAImage = nullptr;
  TImageWidget* ElevImage = nullptr;

  // Obstacle page.
  QGroupBox* ObstSatSelectGroupBox = nullptr;
  QListWidget* ObstSatListBox = nullptr;
  QWidget* ObstClockPanel = nullptr;
  QCheckBox* ObstRealTimeCheckBox = nullptr;
  QToolButton* ObstTimerButton = nullptr;
  QToolButton* ObstClockDownButton = nullptr;
  QToolButton* ObstClockUpButton = nullptr;
  TDateTimePicker* ObstDatePicker = nullptr;
  TDateTimePicker* ObstTimePicker = nullptr;
  QToolButton* ObstSortNameButton = nullptr;
  QToolButton* ObstSortLonButton = nullptr;
  QToolButton* ObstFilterKuButton = nullptr;
  QToolButton* ObstFilterCButton = nullptr;
  QToolButton* ObstFilterVisButton = nullptr;
  QWidget* ObstDishPlotPanel = nullptr;
  QScrollArea* ObstScrollBox = nullptr;
  QScrollArea* AngleScrollBox = nullptr;
  // The tree picture, standing over the obstacle plot at the obstacle's place (a child of
  // `ObstPlot` once placed); `TreeBitmap` is the picture it shows.
  TImageWidget* TreeImage = nullptr;
  QImage TreeBitmap;
  // The Obstacle page's fields (satmain_satinfo.cpp builds them, description labels as above).
  QGroupBox* ObstObservedGroupBox = nullptr;  // "Observed Data"
  QLabel* ObstAziLabel = nullptr;
  QLabel* ObstElevLabel = nullptr;
  QLabel* ObstHALabel = nullptr;
  QLabel* ObstPolLabel = nullptr;
  QLabel* ObstDecLabel = nullptr;
  QLabel* ObstSunPassLabel = nullptr;
  QLabel* SunElevLabel = nullptr;
  QGroupBox* ObstCalcGroupBox = nullptr;      // "Obstacle Calculator"
  QLineEdit* ObstHeightEdit = nullptr;
  QLineEdit* ObstDistEdit = nullptr;
  QLineEdit* DishHeightEdit = nullptr;
  QLineEdit* ObstShadowEdit = nullptr;
  // The edits' spin buttons (satmain_obstacle.cpp places them beside the edits).
  TSpinButton* ObstHeightSpinButton = nullptr;
  TSpinButton* ObstDistSpinButton = nullptr;
  TSpinButton* DishHeightSpinButton = nullptr;
  TSpinButton* ObstShadowSpinButton = nullptr;
  QLabel* MinElevLabel = nullptr;
  QLabel* SatVisLabel = nullptr;
  QLabel* SunPassShadowLabel = nullptr;
  QLabel* HeightDiffLabel = nullptr;
  QLabel* ElevDiffLabel = nullptr;

  // Tools page. The tool choice's item index is the checked button's id in
  // `ToolsRadioButtons` (0 "Elevation Triangles", 1 "Degrees Square").
  QGroupBox* ToolsRadioGroup = nullptr;
  QButtonGroup* ToolsRadioButtons = nullptr;
  QWidget* ToolSatPanel = nullptr;
  QComboBox* ToolsSat1ComboBox = nullptr;
  QComboBox* ToolsSat2ComboBox = nullptr;
  QWidget* ToolGridPanel = nullptr;
  QSpinBox* ToolGridSpinEdit = nullptr;
  QSpinBox* ToolColsSpinEdit = nullptr;
  QScrollArea* ToolsPlotScrollBox = nullptr;

  // Sat List page.
  TSatGrid* SatGrid = nullptr;

  // Main menu.
  QMenuBar* MainMenu1 = nullptr;
  QMenu* MenuFile = nullptr;
  QAction* MenuPrint = nullptr;
  QAction* MenuPrintSetup = nullptr;
  QAction* MenuSaveSatCsv = nullptr;
  QAction* MenuSaveAs = nullptr;
  QAction* MenuExit = nullptr;
  QMenu* MenuTools = nullptr;
  QAction* MenuOptions = nullptr;
  QAction* MenuUninstall = nullptr;
  QAction* MenuSelectFields = nullptr;
  QMenu* MenuView = nullptr;
  QActionGroup* MenuViewSizeGroup = nullptr;
  QAction* MenuViewNormal = nullptr;
  QAction* MenuViewLarge = nullptr;
  QAction* MenuViewPrint = nullptr;
  QAction* MenuViewSep = nullptr;
  QAction* MenuViewProportional = nullptr;
  QAction* MenuViewGroundMap = nullptr;
  QAction* MenuViewSunInFront = nullptr;
  QAction* MenuViewEights = nullptr;
  QMenu* MenuStars = nullptr;
  QActionGroup* MenuMagGroup = nullptr;
  QAction* MenuMagHide = nullptr;
  QAction* MenuMag3 = nullptr;
  QAction* MenuMag4 = nullptr;
  QAction* MenuMag5 = nullptr;
  QAction* MenuMagAll = nullptr;
  QAction* N1 = nullptr;
  QAction* MenuShowStarDsg = nullptr;
  QMenu* MenuHelp = nullptr;
  QAction* MenuAbout = nullptr;
  QMenu* MenuTime = nullptr;
  QAction* MonthInc = nullptr;
  QAction* MonthDec = nullptr;
  QAction* WeekInc = nullptr;
  QAction* WeekDec = nullptr;
  QAction* DayInc = nullptr;
  QAction* DayDec = nullptr;
  QAction* HoursInc = nullptr;
  QAction* HoursDec = nullptr;
  QAction* HourInc = nullptr;
  QAction* HourDec = nullptr;
  QAction* QuarterInc = nullptr;
  QAction* QuarterDec = nullptr;
  QAction* MinInc = nullptr;
  QAction* MinDec = nullptr;
  QAction* NextSat = nullptr;
  QAction* PrevSat = nullptr;

  // Non-visual components.
  QTimer* ClockTimer = nullptr;
  TSaveDialog SaveDialog1;
  TPrintDialog PrintDialog1;
  TPrinterSetupDialog PrinterSetupDialog1;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreatePrinter();
  // The first size: every page's controls and the Sat Info fields whole, within the screen.
  void FitStartSize();
  void BuildComponents();
  void BuildMenu();
  void BuildLocationPage();
  void BuildSatInfoPage();
  void BuildViewPages();
  void BuildObstaclePage();
  void BuildToolsPage();
  void BuildSatInfoFields();   // satmain_satinfo.cpp
  void BuildObstacleFields();  // satmain_satinfo.cpp
  void ConnectHandlers();
  void CreateViews();
  void FreeViews() noexcept;
  void ConnectClockHandlers();
  void ConnectObstacleHandlers();  // satmain_obstacle.cpp: spin buttons, tree picture, handlers
  // The Sat List page's grid, the model lists, and the editing handlers (satmain_satlist.cpp).
  void BuildSatListPage();
  void ConnectSatEditHandlers();
  bool CommitSatGridCell();
  // Takes a grid cell or a field still being edited (typed but not left) into its satellite or
  // the settings, so that closing, saving, reloading and every change of the shown satellite,
  // page or time decide on the user's latest text.
  void CommitPendingEdits();
  // A field that the pages rewrite when they are refreshed holds the focus with text typed into
  // it: the clock must not tick over it.
  bool FieldBeingEdited() const;
  // The list name of the satellite the Sat Info page shows (see ListedSatName).
  std::string ShownSatListName() const;
  void ConnectToolsHandlers();
  // The place entry's controls on the Location page, and their handlers (satmain_place.cpp).
  void BuildPlaceEntry();
  void ConnectPlaceHandlers();
  void EndPageFill() noexcept;
  void RunPendingChanges();
  // Unticks the three "Real Time" boxes when ticked; their handler runs once.
  void StopRealTime();

  // Changes that arrived during a page fill, applied when it ends.
  bool pendingOptions_ = false;
  bool pendingOptionsFromCity_ = false;  // only place changes from the city box
  bool pendingSortFilter_ = false;
  bool pendingClock_ = false;
  bool pendingQueued_ = false;
  bool obstRedrawQueued_ = false;  // a redraw of the Obstacle page after a resize is queued

  std::unique_ptr<ISatsHost> ownHost_;
  ISatsHost* host_ = nullptr;
  std::unique_ptr<ISatTrackSource> trackSource_;
  bool destroyed_ = false;
  bool startSized_ = false;
  bool satEditBusy_ = false;  // EditFieldExit is taking a value and redrawing
  bool committing_ = false;   // CommitPendingEdits is running
  bool satInfoMessages_ = false;  // ShowSatInfo is letting pending messages run
};
