#include "satmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <set>
#include <functional>
#include <iostream>

#include "anglehelpers.h"
#include "fileio.h"
#include "clarkebelt.h"
#include "datetimepicker.h"
#include "imagewidget.h"
#include "locationpanel.h"
#include "log.h"
#include "options.h"
#include "polarmaps.h"
#include "programpath.h"
#include "satmain_file.h"
#include "qtext.h"
#include "sats.h"
#include "solaroutage.h"
#include "stars.h"
#include "texthelpers.h"
#include "sundial.h"
#include "worldmap.h"
#include "xyplot.h"
#include "dishplots.h"
#include "toolplot.h"

TSats* Sats = nullptr;
TClarkeBelt* ClarkeBelt = nullptr;
TSatGroundMap* SatGroundMap = nullptr;
THAMap* HAMap = nullptr;
TElevMap* ElevMap = nullptr;
TSunDial* SunDial = nullptr;
TXYPlot* XYPlot = nullptr;
TXYPlot* XZPlot = nullptr;
TXYPlot* YZPlot = nullptr;
TObstPlot* ObstPlot = nullptr;
TAnglePlot* AnglePlot = nullptr;
TDishPlot* DishPlot = nullptr;

namespace {

constexpr int kHintHidePauseMs = 8000;

// Runs one step of the shutdown; a failure is logged and the next step runs.
template <class F>
void ShutdownStep(const char* what, F&& step) noexcept {
  try {
    step();
  } catch (const std::exception& e) {
    WriteLog(std::string("Error during shutdown (") + what + "): " + e.what());
  } catch (...) {
    WriteLog(std::string("Error during shutdown (") + what + ")");
  }
}

// Gives every hint of the program the program's pause, also those of windows made later and
// hints set after the start: a widget still on the toolkit's default gets it before its hint shows.
class THintPause : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->toolTipDuration() < 0) widget->setToolTipDuration(kHintHidePauseMs);
    }
    return false;
  }
};

}  // namespace

std::string ListedSatName(const TSats& sats, std::string_view name) {
  const auto& list = sats.NameList();
  if (list.find(name) != list.end()) return std::string(name);
  for (const auto& [listed, sat] : list)
    if (sat && SameText(sat->Name, name)) return listed;
  return std::string(name);
}

namespace {

// The views' track source: a satellite found by the name it is listed under, or by its own name
// when a later element file renamed it.
class TListedTrackSource : public ISatTrackSource {
 public:
  explicit TListedTrackSource(TSats& sats) : sats_(sats) {}
  TDateTime GetUTC() const override { return sats_.UTC; }
  void SetUTC(TDateTime utc) override { sats_.UTC = utc; }
  TSat* FindSat(std::string_view name) override {
    TSat* sat = sats_.FindSat(name);
    return sat != &EmptySat ? sat : sats_.FindSat(ListedSatName(sats_, name));
  }

 private:
  TSats& sats_;
};

// Notes a list's current row when a mouse button goes down on it, before the press moves it.
class TPressRowWatcher : public QObject {
 public:
  explicit TPressRowWatcher(QListWidget* list) : QObject(list), list_(list) { list->viewport()->installEventFilter(this); }
  int RowAtPress = -1;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) RowAtPress = list_->currentRow();
    return false;
  }

 private:
  QListWidget* list_;
};

}  // namespace

std::string TSatForm::ShownSatListName() const {
  const std::string shown = AnsiStr(SatNameEdit->text());
  return Sats ? ListedSatName(*Sats, shown) : shown;
}

std::string ForceTwoDigitHours(const std::string& format) {
  if (format.find("hh") != std::string::npos) return format;
  std::string out;
  for (char c : format) {
    if (c == 'h' || c == 'H')
      out += "hh";
    else
      out.push_back(c);
  }
  return out;
}

// ---- construction ---------------------------------------------------------------------------

TSatForm::TSatForm(int argc, const char* const* argv, ISatsHost* host, QWidget* parent) : QMainWindow(parent) {
  if (!host) {
    ownHost_ = std::make_unique<TDefaultSatsHost>();
    host = ownHost_.get();
  }
  host_ = host;
  InitProgramLog(argc, argv);
  WriteLog("Initializing " + ProgramFileName());
  CreatePrinter();
  BuildComponents();
  FormCreate();
}

TSatForm::~TSatForm() { FormDestroy(); }

void TSatForm::CreatePrinter() {
  // Without a default printer the printer writes PDF files, so the program starts all the same.
  try {
    HasDefaultPrinter = !QPrinterInfo::defaultPrinter().isNull();
    Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!HasDefaultPrinter) {
      Printer->setOutputFormat(QPrinter::PdfFormat);
      Printer->setResolution(600);
      Printer->setPageSize(QPageSize(QPageSize::A4));
    }
    Printer->setCopyCount(1);
    WriteLog("PrintDialog Created");
    if (!HasDefaultPrinter) WriteLog("No default printer installed; printing writes PDF files");
  } catch (const std::exception& e) {
    WriteLog(std::string("No printer available: ") + e.what());
  }
  PrintDialog1.Printer = Printer.get();
  PrintDialog1.MinPage = 1;
  PrintDialog1.MaxPage = 7;
  PrintDialog1.FromPage = 1;
  PrintDialog1.ToPage = 1;
  PrintDialog1.Copies = 1;
  PrintDialog1.AllowPrintToFile = true;
  PrintDialog1.AllowPageNums = true;
  PrinterSetupDialog1.Printer = Printer.get();
  SaveDialog1.DefaultExt = "bmp";
  SaveDialog1.Filter = "Bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg";
  SaveDialog1.OverwritePrompt = true;
}

void TSatForm::FormCreate() {
  std::error_code ec;
  const auto space = std::filesystem::space(std::filesystem::current_path(ec), ec);
  const std::int64_t freeBytes = ec ? 0 : static_cast<std::int64_t>(space.available);
  WriteLog("Creating main window; Free disk space " + IntToStr(freeBytes));
  WriteLog("OS Version: " + GetWindowsVersionText());

  // Hints stay 8 seconds; the program's title.
  for (QWidget* w : findChildren<QWidget*>())
    if (!w->toolTip().isEmpty()) w->setToolTipDuration(kHintHidePauseMs);
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(new THintPause(this));
  QCoreApplication::setApplicationName("Skyrill");

  // Numbers: '.' as decimal point and ',' for thousands, whatever the user's locale; two-digit hours.
  FormatSettings.LongTimeFormat = ForceTwoDigitHours(FormatSettings.LongTimeFormat);
  QLocale::setDefault(QLocale::c());
  std::setlocale(LC_NUMERIC, "C");

  PickerGuard = false;
  ClockStep = 1.0 / 1440;
  InfoDatePicker->SetValue(Now());
  EditCol = 1;
  EditRow = 1;

  // A save cut short by a killed run is undone before the files are read, and temporary files
  // left beside the files this program writes are cleared once they are a day old.
  if (const int restored = fileio::RecoverInterruptedSaves(); restored > 0)
    WriteLog("Restored " + IntToStr(restored) + " file(s) whose saving had been cut short");
  Options = new TOptions();
  {
    std::set<std::string> folders;
    for (const std::string& file : {Options->FileName(), Options->SatCsvFile, Options->TwoLineFile, Options->GeoLogFile})
      if (!file.empty()) folders.insert(fileio::FolderOf(file));
    for (const std::string& folder : folders)
      if (const int removed = fileio::RemoveStaleTemporaries(folder); removed > 0)
        WriteLog("Removed " + IntToStr(removed) + " stale temporary file(s) in " + folder);
  }
  Sats = new TSats(*host_);
  StarList = new TStarList();
  StarList->LoadFromFile(ProgramFolder() + "Stars.csv");

  SaveDialog1.InitialDir = DefaultSaveFolder(ProgramFolder());
  MenuView->menuAction()->setVisible(false);
  {
    const QSignalBlocker block1(MainPageControl);
    const QSignalBlocker block2(InfoPageControl);
    MainPageControl->setCurrentWidget(SatInfoTabSheet);
    InfoPageControl->setCurrentWidget(WorldMapTabSheet);
  }

  WriteLog("Initializing Graphics");
  CreateViews();
  WriteLog("Finished creating main window");
}

void TSatForm::CreateViews() {
  // The orbit-plane plots (XY, XZ, YZ sub-pages), the obstacle, angle and dish plots, the tool
  // plot and the Location page's world map are placed here as they are added, in this order,
  // before the belt-family views.
  const auto orbitPlot = [](QWidget* page, int axisPair, const char* name) {
    auto* plot = new TXYPlot(page);
    plot->setObjectName(name);
    plot->AxisPair = axisPair;
    page->layout()->addWidget(plot);
    return plot;
  };
  XYPlot = orbitPlot(XYTabSheet, 0, "XYPlot");
  XZPlot = orbitPlot(XZTabSheet, 1, "XZPlot");
  YZPlot = orbitPlot(YZTabSheet, 2, "YZPlot");
  const auto boxedPlot = [](auto* plot, QScrollArea* box, const char* name) {
    plot->setObjectName(name);
    box->setWidget(plot);
    return plot;
  };
  ObstPlot = boxedPlot(new TObstPlot, ObstScrollBox, "ObstPlot");
  AnglePlot = boxedPlot(new TAnglePlot, AngleScrollBox, "AnglePlot");
  DishPlot = boxedPlot(new TDishPlot, DishPlotScrollBox, "DishPlot");
  {
    // The tool plot fills its box; printing and saving size it themselves.
    auto* toolImage = new TImageWidget;
    toolImage->setObjectName("ToolPlot");
    ToolsPlotScrollBox->setWidget(toolImage);
    ToolPlot = new TToolPlot();
    ToolPlot->SetControl(toolImage);
  }
  trackSource_ = std::make_unique<TListedTrackSource>(*Sats);
  const auto place = [this](auto* view, TImageWidget* image) {
    view->Sats = trackSource_.get();
    view->SetControl(image);
    return view;
  };
  LocWorldMapFrame->ShowSat(EmptySat);
  ClarkeBelt = place(new TClarkeBelt(), ClarkeImage);
  SatGroundMap = place(new TSatGroundMap(), SatGroundMapImage);
  HAMap = place(new THAMap(), HAImage);
  ElevMap = place(new TElevMap(), ElevImage);
  SunDial = place(new TSunDial(), SunDialImage);
}

void TSatForm::FreeViews() noexcept {
  // Obstacle, dish, angle and tool plots, the orbit-plane plots, then the belt family.
  const auto free = [](const char* what, auto*& view) noexcept {
    ShutdownStep(what, [&] {
      if (view && view->Control()) view->Control()->SetImage(nullptr);
      delete view;
      view = nullptr;
    });
  };
  const auto freePlot = [](const char* what, auto*& plot) noexcept {
    ShutdownStep(what, [&] {
      delete plot;
      plot = nullptr;
    });
  };
  freePlot("obstacle plot", ObstPlot);
  freePlot("dish plot", DishPlot);
  freePlot("angle plot", AnglePlot);
  free("tool plot", ToolPlot);
  freePlot("XY plot", XYPlot);
  freePlot("XZ plot", XZPlot);
  freePlot("YZ plot", YZPlot);
  free("Clarke belt", ClarkeBelt);
  free("azimuth map", SatGroundMap);
  free("hour-angle map", HAMap);
  free("elevation map", ElevMap);
  free("sun dial", SunDial);
  trackSource_.reset();
}

// ---- the first size -------------------------------------------------------------------------

void TSatForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (startSized_) return;
  startSized_ = true;
  FitStartSize();
}

void TSatForm::FitStartSize() {
  // A page's controls take the style and fonts used when first polished; polished now, the window
  // makes room for all of them at once and keeps its size when a page is first shown.
  for (QWidget* w : MainPageControl->findChildren<QWidget*>()) w->ensurePolished();
  for (QLayout* l : MainPageControl->findChildren<QLayout*>()) l->invalidate();
  if (layout()) layout()->activate();
  QSize want = size().expandedTo(minimumSizeHint());

  // The Sat Info fields and sub-pages scroll only when the window is made smaller than they need:
  // the window grows by what the scroll box lacks, with room for a few more digits in the values.
  if (auto* box = SatInfoTabSheet->findChild<QScrollArea*>("SatDetailsScrollBox"); box && box->widget()) {
    const QSize content = box->widget()->sizeHint();
    const QSize view = box->viewport()->size();
    const int slack = fontMetrics().horizontalAdvance(QStringLiteral("0000"));
    // At the start the box shows in the window: its viewport grows with the window.
    if (SatInfoTabSheet->isVisible() && view.isValid())
      want += QSize(std::max(0, content.width() + slack - view.width()), std::max(0, content.height() - view.height()));
  }

  // Within the screen, window frame included.
  if (const QScreen* s = screen()) {
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize room = s->availableGeometry().size() - frame.expandedTo(QSize(0, 0));
    want = want.boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room));
  }
  if (want == size()) return;
  resize(want);
  // The pages take the new size now, before anything draws at the old one.
  if (layout()) layout()->activate();
}

// ---- closing --------------------------------------------------------------------------------

void TSatForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (canClose)
    event->accept();
  else
    event->ignore();
}

void TSatForm::FormCloseQuery(bool& CanClose) {
  if (destroyed_) return;
  try {
    CommitPendingEdits();
    SetOptions();
  } catch (const std::exception& e) {
    WriteLog(std::string("Storing the window's settings failed: ") + e.what());
  }
  if (!CheckSaveSatCsv()) {
    // The edits would be lost: closing is the user's choice.
    if (MessageDlg("The satellite information could not be saved.\rClose anyway and lose the edits?",
                   TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
      WriteLog("Close cancelled: the satellite information is not saved");
      CanClose = false;
      return;
    }
  }
  WriteLog("Shutting down Skyrill");
}

void TSatForm::FormDestroy() noexcept {
  if (destroyed_) return;
  destroyed_ = true;
  ShutdownStep("clock", [&] {
    if (ClockTimer) ClockTimer->stop();
  });
  ShutdownStep("pages", [&] {
    if (MainPageControl) {
      const QSignalBlocker block(MainPageControl);
      MainPageControl->setCurrentWidget(SatInfoTabSheet);
    }
  });
  FreeViews();
  ShutdownStep("stars", [&] {
    delete StarList;
    StarList = nullptr;
  });
  ShutdownStep("satellites", [&] {
    CurrentSat = nullptr;
    TSats* s = Sats;
    Sats = nullptr;
    delete s;
  });
  ShutdownStep("settings", [&] {
    TOptions* o = Options;
    Options = nullptr;
    // The ini file is written; a failure is logged there and shown, so the user learns that
    // the settings were not kept (the file itself is left as it was).
    const std::string failure = o ? o->WriteOnExit() : std::string();
    delete o;
    if (!failure.empty()) MessageDlg(failure, TMsgDlgType::Error, mbOK);
  });
  WriteLog("Finished shutdown");
  if (!SaveLogFile()) std::cerr << "Unable to write the log file " << LogFileName << '\n';
}

// ---- showing the selected satellite ----------------------------------------------------------

void TSatForm::SatListBoxClick(QObject* Sender) {
  CommitPendingEdits();  // the page is filled anew
  const TPageFill fill(*this);
  QListWidget* list = MainPageControl->currentWidget() == SatInfoTabSheet ? SatListBox : ObstSatListBox;
  const int index = list->currentRow();
  if (index < 0 || !Sats) {
    ShowSatInfo(EmptySat);
    return;
  }
  const std::string name = AnsiStr(list->item(index)->text());
  ShowSatInfo(*Sats->FindSat(name));
}

bool TSatForm::CheckSaveSatCsv() {
  if (!Options || !Options->SatInfoEdited) return true;
  const bool save = Options->SaveSatCsv ||
                    MessageDlg("The satellite information has been edited.\rWould you like to save the file (Sats.csv)?",
                               TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes;
  if (!save) return true;
  bool saved = false;
  try {
    saved = Sats && Sats->SaveSatCsv();
  } catch (const std::exception& e) {
    WriteLog(std::string("Saving the satellite information failed: ") + e.what());
  }
  if (!saved) {
    MessageDlg("Unable to write Sats.csv", TMsgDlgType::Error, mbAbort);
    return false;
  }
  return true;
}

TDateTime TSatForm::SolarOutageTime(double& PassElev, TDateTime Date, double TargetAz) {
  PassElev = 0;
  if (!Options) return 0;
  return ::SolarOutageTime(PassElev, Date, TargetAz, Options->ObsLat, Options->ObsLon);
}

namespace {
// Calls the handler when one of the watched widgets is resized.
class TResizeWatcher : public QObject {
 public:
  TResizeWatcher(QObject* parent, std::function<void(QObject*)> onResize)
      : QObject(parent), onResize_(std::move(onResize)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) onResize_(watched);
    return false;
  }

 private:
  std::function<void(QObject*)> onResize_;
};
}  // namespace

void TSatForm::ConnectHandlers() {
  connect(MainPageControl, &QTabWidget::currentChanged, this, [this] { MainPageControlChange(MainPageControl); });
  connect(InfoPageControl, &QTabWidget::currentChanged, this, [this] { InfoPageControlChange(InfoPageControl); });
  auto* watcher = new TResizeWatcher(this, [this](QObject* sheet) { TabSheetResize(sheet); });
  for (QWidget* sheet : {ClarkeTabSheet, SatGroundMapTabSheet, SunDialTabSheet, HATabSheet, ElevMapTabSheet,
                         ObstacleTabSheet})
    sheet->installEventFilter(watcher);

  for (QListWidget* list : {SatListBox, ObstSatListBox}) {
    connect(list, &QListWidget::currentRowChanged, this, [this, list] {
      if (!ListBoxGuard) SatListBoxClick(list);
    });
    // A click on the satellite already selected moves no row: it shows that satellite again.
    auto* press = new TPressRowWatcher(list);
    connect(list, &QListWidget::itemClicked, this, [this, list, press](QListWidgetItem* item) {
      if (!ListBoxGuard && !destroyed_ && list->row(item) == press->RowAtPress && list->currentRow() == press->RowAtPress)
        SatListBoxClick(list);
    });
  }
  for (QToolButton* b : {SortNameButton, SortLonButton, FilterKuButton, FilterCButton, FilterVisButton,
                         ObstSortNameButton, ObstSortLonButton, ObstFilterKuButton, ObstFilterCButton,
                         ObstFilterVisButton})
    connect(b, &QToolButton::clicked, this, [this, b] { SortFilterButtonClick(b); });
  for (TDateTimePicker* p : {InfoDatePicker, InfoTimePicker, LocDatePicker, LocTimePicker, ObstDatePicker,
                             ObstTimePicker})
    connect(p, &TDateTimePicker::Changed, this, [this, p] { DateTimePickerChange(p); });
  connect(ClockTimer, &QTimer::timeout, this, [this] { ClockTimerTimer(); });

  const auto bind = [this](QAction* a, void (TSatForm::*handler)(QObject*)) {
    connect(a, &QAction::triggered, this, [this, a, handler] { (this->*handler)(a); });
  };
  bind(MenuPrint, &TSatForm::MenuPrintClick);
  bind(MenuPrintSetup, &TSatForm::MenuPrintSetupClick);
  bind(MenuSaveSatCsv, &TSatForm::MenuSaveSatCsvClick);
  bind(MenuSaveAs, &TSatForm::MenuSaveAsClick);
  bind(MenuExit, &TSatForm::MenuExitClick);
  bind(MenuOptions, &TSatForm::MenuOptionsClick);
  bind(MenuUninstall, &TSatForm::MenuUninstallClick);
  bind(MenuSelectFields, &TSatForm::MenuSelectFieldsClick);
  for (QAction* a : {MenuViewNormal, MenuViewLarge, MenuViewPrint, MenuViewProportional, MenuViewGroundMap,
                     MenuViewSunInFront, MenuMagHide, MenuMag3, MenuMag4, MenuMag5, MenuMagAll, MenuShowStarDsg})
    bind(a, &TSatForm::MenuViewClick);
  bind(MenuAbout, &TSatForm::MenuAboutClick);
  for (QAction* a : {MonthInc, MonthDec, WeekInc, WeekDec, DayInc, DayDec, HoursInc, HoursDec, HourInc, HourDec,
                     QuarterInc, QuarterDec, MinInc, MinDec})
    bind(a, &TSatForm::MenuTimeClick);
  bind(NextSat, &TSatForm::NextPrevSatClick);
  bind(PrevSat, &TSatForm::NextPrevSatClick);
  ConnectClockHandlers();
  ConnectObstacleHandlers();
  ConnectSatEditHandlers();
  ConnectToolsHandlers();
  ConnectValueLabels();
  ConnectPlaceHandlers();
}
