// Program start, the main window's pages and menus, closing and shutdown.
#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

#include "clarkebelt.h"
#include "log.h"
#include "options.h"
#include "polarmaps.h"
#include "sundial.h"
#include "imagewidget.h"
#include "lockholder.h"
#include "prompts.h"
#include "program.h"
#include "satmain.h"
#include "sats.h"
#include "stars.h"
#include "uitestutil.h"
#include "velmarcom.h"

using namespace uitest;

namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  TSatForm* Start(const std::string& ini = "[Update]\r\nAutoUpdate=0\r\n", std::vector<std::string> args = {}) {
    folder = std::make_unique<TProgramFolder>(ini);
    std::vector<const char*> argv{"Velmar"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    program = std::make_unique<TVelmarProgram>();
    return program->Start(static_cast<int>(argv.size()), argv.data());
  }

  static int IndexOfLine(const std::string& start, int from = 0) {
    for (int i = from; i < static_cast<int>(LogList.size()); ++i)
      if (LogList[i].find("  " + start) != std::string::npos) return i;
    return -1;
  }

  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
};

TEST_F(ProgramTest, StartBuildsTheTenPagesInOrderWithTabsAtTheBottom) {
  TSatForm* form = Start();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->objectName().toStdString(), "SatForm");
  const std::pair<const char*, const char*> pages[] = {
      {"LocationTabSheet", "Location"},   {"SatInfoTabSheet", "Sat Info"}, {"ClarkeTabSheet", "Clarke Belt"},
      {"SatGroundMapTabSheet", "Ground Map"}, {"SunDialTabSheet", "Sun Dial"}, {"HATabSheet", "HA Map"},
      {"ElevMapTabSheet", "Elev Map"},    {"SatListTabSheet", "Sat List"}, {"ObstacleTabSheet", "Obstacle"},
      {"ToolsTabSheet", "Tools"}};
  QTabWidget* main = form->findChild<QTabWidget*>("MainPageControl");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->tabPosition(), QTabWidget::South);
  ASSERT_EQ(main->count(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(main->widget(i)->objectName().toStdString(), pages[i].first);
    EXPECT_EQ(main->tabText(i).toStdString(), pages[i].second);
  }
  EXPECT_EQ(main->currentWidget(), form->SatInfoTabSheet);

  const std::pair<const char*, const char*> subPages[] = {
      {"WorldMapTabSheet", "Map"}, {"DishTabSheet", "Dish"}, {"RotorTabSheet", "Rotor"}, {"XYTabSheet", "XY"},
      {"XZTabSheet", "XZ"},        {"YZTabSheet", "YZ"},     {"MoreInfoTabSheet", "X"}};
  QTabWidget* info = form->findChild<QTabWidget*>("InfoPageControl");
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->count(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(info->widget(i)->objectName().toStdString(), subPages[i].first);
    EXPECT_EQ(info->tabText(i).toStdString(), subPages[i].second);
    EXPECT_EQ(info->isTabVisible(i), i != 6) << subPages[i].first;
  }
  EXPECT_EQ(info->currentWidget(), form->WorldMapTabSheet);

  for (const char* name : {"ClarkeScrollBox", "SatGroundMapScrollBox", "HAScrollBox", "ElevScrollBox",
                           "SunDialScrollBox", "ObstScrollBox", "AngleScrollBox", "DishPlotScrollBox",
                           "ToolsPlotScrollBox", "SatListBox", "ObstSatListBox", "InfoDatePicker", "TreeImage"})
    EXPECT_NE(form->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(form->findChild<QTimer*>("ClockTimer"), form->ClockTimer);
}

// Another program holding the registry's lock while the program starts: the lock is waited for
// once (the registration tool is not run and creation is not tried again), the message names the
// lock, and the window shows.
TEST_F(ProgramTest, AHeldRegistryLockIsNamedAndTheWindowStillShows) {
  // A registry of the test's own: the other tests of this program, run beside it, use theirs.
  struct TOwnRegistry {
    std::string shared = std::getenv("VELMAR_REGISTRY");
    std::string folder = (fs::temp_directory_path() / "velmar-heldlock-XXXXXX").string();
    TOwnRegistry() {
      if (::mkdtemp(folder.data())) ::setenv("VELMAR_REGISTRY", (folder + "/registry").c_str(), 1);
    }
    ~TOwnRegistry() {
      ::setenv("VELMAR_REGISTRY", shared.c_str(), 1);
      std::error_code ec;
      fs::remove_all(folder, ec);
    }
  } registry;
  const std::string lock = fs::weakly_canonical(std::getenv("VELMAR_REGISTRY")).string() + ".lock";
  ASSERT_NE(lock, fs::weakly_canonical(registry.shared).string() + ".lock");
  TLockHolder holder(lock);
  ASSERT_TRUE(holder.Held());
  RouteRuntimeMessagesToPrompts();
  TSatForm* form = Start();
  form->show();
  const bool exposed = QTest::qWaitForWindowExposed(form, 60000);
  VcomSetMessageBoxHook(nullptr, nullptr);
  holder.Release();
  EXPECT_TRUE(exposed);
  EXPECT_NE(IndexOfLine("DLL Connect Failed: The registry lock file " + lock + " is held by another program"), -1);
  EXPECT_EQ(IndexOfLine("Registering "), -1);
  EXPECT_EQ(IndexOfLine("DLL Connect Failed, attempting"), -1);
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_NE(prompts.Messages[0].Text.find("The registry lock file " + lock + " is held by another program"),
            std::string::npos)
      << prompts.Messages[0].Text;
}

TEST_F(ProgramTest, StartCreatesTheProgramObjectsAndLoadsTheSampleData) {
  TSatForm* form = Start();
  ASSERT_NE(Options, nullptr);
  ASSERT_NE(Sats, nullptr);
  ASSERT_NE(StarList, nullptr);
  ASSERT_NE(ClarkeBelt, nullptr);
  EXPECT_TRUE(Sats->Connected());
  EXPECT_GT(StarList->Count(), 4000);
  EXPECT_EQ(ClarkeBelt->Control(), form->ClarkeImage);
  // 31 element sets, the Sun and the Moon.
  EXPECT_EQ(Sats->NameCount(), 33u);
  EXPECT_FALSE(Options->FilesChanged);
  // The default filters (Ku, visible) leave the Ku satellites above Utrecht's horizon.
  const int listed = form->SatListBox->count();
  EXPECT_GT(listed, 15);
  EXPECT_LT(listed, 33);
  EXPECT_EQ(form->ObstSatListBox->count(), listed);
  EXPECT_EQ(form->SatSelectGroupBox->title().toStdString(), "Satellites (" + std::to_string(listed) + ")");
  EXPECT_EQ(form->SatListBox->currentRow(), 0);
  EXPECT_EQ(form->SatNameEdit->text(), form->SatListBox->item(0)->text());
  ASSERT_NE(form->CurrentSat, nullptr);
  EXPECT_EQ(form->CurrentSat->Name, form->SatListBox->item(0)->text().toStdString());
  EXPECT_TRUE(prompts.Messages.empty()) << prompts.Messages.front().Text;
  // The caption: the name of the satellite shown on the Sat Info page, and the program's name
  // on the pages that show none.
  EXPECT_EQ(form->windowTitle(), form->SatListBox->item(0)->text());
  form->MainPageControl->setCurrentWidget(form->LocationTabSheet);
  EXPECT_EQ(form->windowTitle().toStdString(), "Umbrisk");
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  EXPECT_EQ(form->windowTitle(), form->SatListBox->item(0)->text());
}

TEST_F(ProgramTest, LogHoldsTheStartLinesInOrder) {
  Start();
  int at = 0;
  for (const char* line : {"Initializing ", "PrintDialog Created", "Creating main window; Free disk space ",
                           "OS Version: ", "Initializing Graphics", "Finished creating main window",
                           "Setting Options, Lat: 52.083 Lon: 5.133", "Setting Files", "Files Set",
                           "Selectable Satellites: "}) {
    const int i = IndexOfLine(line, at);
    ASSERT_GE(i, 0) << "missing or out of order: " << line;
    at = i + 1;
  }
  EXPECT_NE(LogList[IndexOfLine("Initializing ")].find(folder->File("Velmar").string()), std::string::npos);
  const std::string disk = LogList[IndexOfLine("Creating main window; Free disk space ")];
  EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(disk.back()))) << disk;
}

struct MenuItemCase {
  const char* name;
  const char* caption;
  const char* shortcut;
  bool checkable;
  bool checked;
};

TEST_F(ProgramTest, MainMenuHasItsItemsCaptionsShortcutsAndTicks) {
  TSatForm* form = Start();
  const MenuItemCase items[] = {
      {"MenuPrint", "&Print", "", false, false},
      {"MenuPrintSetup", "Print &Setup", "", false, false},
      {"MenuSaveSatCsv", "Save Satinfo", "", false, false},
      {"MenuSaveAs", "Save &As", "", false, false},
      {"MenuExit", "E&xit", "", false, false},
      {"MenuOptions", "&Options", "", false, false},
      {"MenuUninstall", "Uninstall", "", false, false},
      {"MenuSelectFields", "&Select Fields", "", false, false},
      {"MenuViewNormal", "Normal", "Ctrl+N", true, true},
      {"MenuViewLarge", "Large", "Ctrl+L", true, false},
      {"MenuViewPrint", "Print Size", "Ctrl+E", true, false},
      {"MenuViewProportional", "Proportional", "Ctrl+P", true, false},
      {"MenuViewGroundMap", "Show Satellites", "Ctrl+S", true, true},
      {"MenuViewSunInFront", "Sun in front", "", true, true},
      {"MenuViewEights", "Show 'Eights'", "", true, false},
      {"MenuMagHide", "Hide", "Ctrl+F1", true, true},
      {"MenuMag3", "+3", "Ctrl+F3", true, false},
      {"MenuMag4", "+4", "Ctrl+F4", true, false},
      {"MenuMag5", "+5", "Ctrl+F5", true, false},
      {"MenuMagAll", "All", "Ctrl+F6", true, false},
      {"MenuShowStarDsg", "Show Names", "Ctrl+T", true, false},
      {"MenuAbout", "About", "", false, false},
      {"MonthInc", "Month +", "Ctrl+M", false, false},
      {"MonthDec", "Month -", "Ctrl+Alt+M", false, false},
      {"WeekInc", "Week +", "Ctrl+W", false, false},
      {"WeekDec", "Week -", "Ctrl+Alt+W", false, false},
      {"DayInc", "Day +", "Ctrl+D", false, false},
      {"DayDec", "Day -", "Ctrl+Alt+D", false, false},
      {"HoursInc", "6 Hours +", "Ctrl+U", false, false},
      {"HoursDec", "6 Hours -", "Ctrl+Alt+U", false, false},
      {"HourInc", "Hour +", "Ctrl+H", false, false},
      {"HourDec", "Hour -", "Ctrl+Alt+H", false, false},
      {"QuarterInc", "Quarter +", "Ctrl+Q", false, false},
      {"QuarterDec", "Quarter -", "Ctrl+Alt+Q", false, false},
      {"MinInc", "Minute +", "Ctrl+I", false, false},
      {"MinDec", "Minute -", "Ctrl+Alt+I", false, false},
      {"NextSat", "Next Sat", "Ctrl+Z", false, false},
      {"PrevSat", "Previous Sat", "Ctrl+Alt+Z", false, false},
  };
  for (const MenuItemCase& c : items) {
    SCOPED_TRACE(c.name);
    QAction* a = form->findChild<QAction*>(c.name);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text().toStdString(), c.caption);
    EXPECT_EQ(a->shortcut().toString().toStdString(), c.shortcut);
    EXPECT_EQ(a->isCheckable(), c.checkable);
    EXPECT_EQ(a->isChecked(), c.checked);
    // Shortcuts also work while their menu is hidden.
    if (*c.shortcut) {
      EXPECT_TRUE(form->actions().contains(a));
    }
  }
  EXPECT_EQ(form->MenuViewSunInFront->toolTip().toStdString(), "Sun/Moon in front");
  EXPECT_EQ(form->MenuViewEights->toolTip().toStdString(), "Show apparant movement of inclined orbit satellite");
  EXPECT_EQ(form->MenuShowStarDsg->toolTip().toStdString(), "Show Star Names");
  EXPECT_TRUE(form->findChild<QAction*>("MenuViewSep")->isSeparator());
  EXPECT_TRUE(form->findChild<QAction*>("N1")->isSeparator());

  std::vector<std::string> titles;
  for (QAction* a : form->menuBar()->actions()) titles.push_back(a->text().toStdString());
  EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Tools", "&View", "Stars", "Help"}));
  EXPECT_FALSE(form->MenuView->menuAction()->isVisible());  // hidden on the Sat Info page
  EXPECT_EQ(form->MenuTime->title().toStdString(), "Shortcuts");
  EXPECT_TRUE(form->MenuHelp->actions().contains(form->MenuTime->menuAction()));

  // Radio groups: one tick per group; check items toggle themselves.
  form->MenuMag4->trigger();
  EXPECT_TRUE(form->MenuMag4->isChecked());
  EXPECT_FALSE(form->MenuMagHide->isChecked());
  form->MenuViewLarge->trigger();
  EXPECT_FALSE(form->MenuViewNormal->isChecked());
  EXPECT_TRUE(form->MenuMag4->isChecked());
  form->MenuViewEights->trigger();
  EXPECT_TRUE(form->MenuViewEights->isChecked());
  form->MenuViewEights->trigger();
  EXPECT_FALSE(form->MenuViewEights->isChecked());
}

TEST_F(ProgramTest, DialogsHaveTheirDesignSettings) {
  TSatForm* form = Start();
  EXPECT_EQ(form->SaveDialog1.DefaultExt, "bmp");
  EXPECT_EQ(form->SaveDialog1.Filter, "Bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg");
  EXPECT_TRUE(form->SaveDialog1.OverwritePrompt);
  EXPECT_EQ(form->SaveDialog1.InitialDir, folder->Path().string() + "/");
  EXPECT_TRUE(form->PrintDialog1.AllowPrintToFile);
  EXPECT_TRUE(form->PrintDialog1.AllowPageNums);
  EXPECT_EQ(form->PrintDialog1.MinPage, 1);
  EXPECT_EQ(form->PrintDialog1.MaxPage, 7);
  EXPECT_EQ(form->PrintDialog1.FromPage, 1);
  EXPECT_EQ(form->PrintDialog1.ToPage, 1);
  EXPECT_EQ(form->PrintDialog1.Copies, 1);
  EXPECT_EQ(form->PrintDialog1.Printer, form->Printer.get());
  EXPECT_FALSE(form->ClockTimer->isActive() && form->MainPageControl->currentWidget() == form->SatListTabSheet);
  // The printer set-up goes through the dialog seam.
  form->MenuPrintSetup->trigger();
  EXPECT_EQ(prompts.PrintDialogs, 1);
}

TEST_F(ProgramTest, WithoutADefaultPrinterTheProgramStartsAndPrintsToPdf) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a default printer is installed";
  TSatForm* form = Start();
  EXPECT_FALSE(form->HasDefaultPrinter);
  ASSERT_NE(form->Printer, nullptr);
  EXPECT_EQ(form->Printer->outputFormat(), QPrinter::PdfFormat);
  EXPECT_GE(IndexOfLine("PrintDialog Created"), 0);
  EXPECT_GE(IndexOfLine("No default printer installed; printing writes PDF files"), 0);
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(ProgramTest, ShutdownWritesOnlyTheSaveSettingsKeyWhenSaveSettingsIsOff) {
  TSatForm* form = Start();
  EXPECT_TRUE(form->close());
  program->Shutdown();
  EXPECT_EQ(Sats, nullptr);
  EXPECT_EQ(Options, nullptr);
  EXPECT_EQ(StarList, nullptr);
  EXPECT_EQ(ClarkeBelt, nullptr);
  EXPECT_EQ(ReadFile(folder->File("Velmar.ini")), "[Update]\r\nAutoUpdate=0\r\n\r\n[Misc]\r\nSaveSettings=0\r\n");

  const std::string log = ReadFile(folder->File("Velmar.log"));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
  const std::string last = log.substr(log.rfind("\r\n", log.size() - 3) + 2);
  EXPECT_NE(last.find("  Finished shutdown\r\n"), std::string::npos) << last;
  for (const char* line : {"  Shutting down Skyrill", "  Destroying Sats", "  Finished creating main window"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_LT(log.find("  Shutting down Skyrill"), log.find("  Destroying Sats"));
}

TEST_F(ProgramTest, ShutdownWritesEverySettingWhenSaveSettingsIsOn) {
  Start("[Misc]\r\nSaveSettings=1\r\n[Update]\r\nAutoUpdate=0\r\n");
  program->MainForm()->FilterCButton->click();  // a window state that the close stores
  EXPECT_TRUE(program->MainForm()->close());
  program->Shutdown();
  const std::string ini = ReadFile(folder->File("Velmar.ini"));
  for (const char* text : {"[Files]", "TwoLineFile=", "[Observer]", "ObsLat=52.083", "[Font]", "FontName=Verdana",
                           "SaveSettings=1", "AutoUpdate=0", "FilterC=1"})
    EXPECT_NE(ini.find(text), std::string::npos) << text;
}

TEST_F(ProgramTest, CrashDebugSwitchWritesTheLogAfterEveryLine) {
  const struct {
    const char* arg;
    bool flush;
  } cases[] = {{"-CrashDebug", true}, {"/crashdebug", true}, {"-CRASHDEBUG", true}, {"CrashDebug", false},
               {"-Crash", false}, {nullptr, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg ? c.arg : "(none)");
    std::vector<std::string> args;
    if (c.arg) args.push_back(c.arg);
    Start("[Update]\r\nAutoUpdate=0\r\n", args);
    EXPECT_EQ(CrashDebugMode, c.flush);
    const fs::path log = folder->File("Velmar.log");
    if (c.flush) {
      const std::string text = ReadFile(log);
      EXPECT_NE(text.find("  Finished creating main window\r\n"), std::string::npos);
      EXPECT_NE(text.find("  Selectable Satellites: "), std::string::npos);
    } else {
      EXPECT_FALSE(fs::exists(log));
    }
    program->Shutdown();
    EXPECT_TRUE(fs::exists(log));
    program.reset();
    folder.reset();
  }
}

TEST_F(ProgramTest, ShutdownCompletesWhenTheIniAndTheLogCannotBeWritten) {
  TSatForm* form = Start("[Misc]\r\nSaveSettings=1\r\n[Update]\r\nAutoUpdate=0\r\n");
  // Folders where the files should be: neither can be written (also when running as root).
  fs::remove(folder->File("Velmar.ini"));
  fs::create_directory(folder->File("Velmar.ini"));
  fs::create_directory(folder->File("Velmar.log"));
  EXPECT_TRUE(form->close());
  program->Shutdown();
  ASSERT_FALSE(LogList.empty());
  EXPECT_NE(LogList.back().find("  Finished shutdown"), std::string::npos);
  EXPECT_EQ(Options, nullptr);
  // The user is told that the settings were not kept.
  ASSERT_FALSE(prompts.Messages.empty());
  EXPECT_EQ(prompts.Messages.back().Text,
            "Unable to write to " + folder->File("Velmar.ini").string() + ": not a regular file");
  EXPECT_EQ(prompts.Messages.back().Type, TMsgDlgType::Error);
}

// ---- closing with edited satellite information ----

struct CloseCase {
  const char* name;
  bool saveSatCsv;
  int answer;
  bool asked;
  bool saved;
};

TEST_F(ProgramTest, ClosingWithEditedSatelliteInformationSavesOrAsks) {
  const CloseCase cases[] = {
      {"SaveSatCsv on saves without asking", true, mrNo, false, true},
      {"asked, Yes saves", false, mrYes, true, true},
      {"asked, No closes without saving", false, mrNo, true, false},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.Messages.clear();
    TSatForm* form = Start();
    Options->SaveSatCsv = c.saveSatCsv;
    Options->SatInfoEdited = true;
    TSat* astra = Sats->SatOfNorad(29055);
    ASSERT_NE(astra, nullptr);
    astra->SatInfo.Remarks = "edited remark";
    prompts.Answers = {c.answer};
    EXPECT_TRUE(form->close());
    ASSERT_EQ(prompts.Messages.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(prompts.Messages[0].Text,
                "The satellite information has been edited.\rWould you like to save the file (Sats.csv)?");
      EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Confirmation);
      EXPECT_EQ(prompts.Messages[0].Buttons, static_cast<TMsgDlgButtons>(mbYes | mbNo));
    }
    EXPECT_EQ(ReadFile(folder->File("sats.csv")).find("edited remark") != std::string::npos, c.saved);
    program->Shutdown();
    program.reset();
    folder.reset();
  }
}

TEST_F(ProgramTest, WithoutEditsClosingAsksNothing) {
  TSatForm* form = Start();
  const std::string before = ReadFile(folder->File("sats.csv"));
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_EQ(ReadFile(folder->File("sats.csv")), before);
}

TEST_F(ProgramTest, AFailedSaveWhileClosingLetsTheUserStay) {
  TSatForm* form = Start();
  // A folder where "sats.csv" should be: writing it fails.
  fs::remove(folder->File("sats.csv"));
  fs::create_directory(folder->File("sats.csv"));
  Options->SaveSatCsv = true;
  Options->SatInfoEdited = true;
  Sats->SatOfNorad(29055)->SatInfo.Remarks = "edited remark";

  prompts.Answers = {mrNo};
  EXPECT_FALSE(form->close());
  ASSERT_EQ(prompts.Messages.size(), 2u);
  EXPECT_EQ(prompts.Messages[0].Text, "Unable to write Sats.csv");
  EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(prompts.Messages[0].Buttons, static_cast<TMsgDlgButtons>(mbAbort));
  EXPECT_EQ(prompts.Messages[1].Type, TMsgDlgType::Confirmation);
  EXPECT_LT(IndexOfLine("Shutting down Skyrill"), 0);
  EXPECT_NE(Sats, nullptr);  // still running, the edits kept
  EXPECT_TRUE(Options->SatInfoEdited);

  // Once the file can be written, closing saves and ends.
  fs::remove(folder->File("sats.csv"));
  prompts.Messages.clear();
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_NE(ReadFile(folder->File("sats.csv")).find("edited remark"), std::string::npos);
  EXPECT_GE(IndexOfLine("Shutting down Skyrill"), 0);
}

TEST_F(ProgramTest, AFailedSaveWhileClosingClosesWhenTheUserSaysSo) {
  TSatForm* form = Start();
  fs::remove(folder->File("sats.csv"));
  fs::create_directory(folder->File("sats.csv"));
  Options->SatInfoEdited = true;
  Sats->SatOfNorad(29055)->SatInfo.Remarks = "edited remark";
  prompts.Answers = {mrYes, mrYes};  // save: Yes; close anyway: Yes
  EXPECT_TRUE(form->close());
  ASSERT_EQ(prompts.Messages.size(), 3u);
  EXPECT_EQ(prompts.Messages[1].Text, "Unable to write Sats.csv");
  EXPECT_GE(IndexOfLine("Shutting down Skyrill"), 0);
}

// ---- the selected satellite ----

TEST_F(ProgramTest, ListBoxClickShowsTheSatelliteAtTheClickedPosition) {
  TSatForm* form = Start();
  form->MainPageControl->setCurrentWidget(form->ObstacleTabSheet);
  ASSERT_GT(form->ObstSatListBox->count(), 4);
  form->ObstSatListBox->setCurrentRow(3);
  ASSERT_NE(form->CurrentSat, nullptr);
  EXPECT_EQ(form->CurrentSat->Name, form->ObstSatListBox->item(3)->text().toStdString());
  EXPECT_EQ(form->SatNameEdit->text(), form->ObstSatListBox->item(3)->text());

  // Nothing selected: the empty satellite.
  form->ObstSatListBox->setCurrentRow(-1);
  EXPECT_EQ(form->CurrentSat, &EmptySat);

  // On the Sat Info page the page's own list box counts.
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  form->SatListBox->setCurrentRow(1);
  EXPECT_EQ(form->CurrentSat->Name, form->SatListBox->item(1)->text().toStdString());
}

// ---- view pages ----

TEST_F(ProgramTest, EveryViewPageDrawsItsViewAndShowsItsMenus) {
  TSatForm* form = Start();
  form->resize(900, 650);
  form->show();
  const struct {
    QWidget* page;
    TClarkeBelt* view;
    bool stars;
    bool showSats;
  } cases[] = {{form->ClarkeTabSheet, ClarkeBelt, true, true},
               {form->SatGroundMapTabSheet, SatGroundMap, false, false},
               {form->SunDialTabSheet, SunDial, false, true},
               {form->HATabSheet, HAMap, false, false},
               {form->ElevMapTabSheet, ElevMap, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page->objectName().toStdString());
    ASSERT_NE(c.view, nullptr);
    EXPECT_EQ(form->ViewOfPage(c.page), c.view);
    form->MainPageControl->setCurrentWidget(c.page);
    EXPECT_TRUE(form->MenuView->menuAction()->isVisible());
    EXPECT_EQ(form->MenuStars->menuAction()->isVisible(), c.stars);
    EXPECT_EQ(form->MenuViewGroundMap->isVisible(), c.showSats);
    EXPECT_EQ(form->ClockTimer->interval(), 60000);
    EXPECT_TRUE(form->ClockTimer->isActive());
    // Drawn at the page's size (the polar maps keep their proportions) into the page's image.
    const QSize picture = c.view->Picture().size(), page = c.page->size();
    EXPECT_TRUE(picture.width() <= page.width() && picture.height() <= page.height());
    // (The proportional views halve their room to whole pixels: a pixel may be left over.)
    EXPECT_TRUE(picture.width() >= page.width() - 1 || picture.height() >= page.height() - 1)
        << picture.width() << "x" << picture.height() << " on " << page.width() << "x" << page.height();
    ASSERT_NE(c.view->Control(), nullptr);
    EXPECT_EQ(c.view->Control()->Image(), &c.view->Picture());
    EXPECT_EQ(c.view->UTC, Sats->UTC);
  }
  // The list and tools pages stop the real-time clock; the view menu goes away.
  for (QWidget* page : {form->SatListTabSheet, form->ToolsTabSheet}) {
    form->MainPageControl->setCurrentWidget(page);
    EXPECT_FALSE(form->ClockTimer->isActive());
    EXPECT_FALSE(form->MenuView->menuAction()->isVisible());
  }
  EXPECT_TRUE(form->MenuSelectFields->isVisible() == false);
  form->MainPageControl->setCurrentWidget(form->SatListTabSheet);
  EXPECT_TRUE(form->MenuSelectFields->isVisible());
  EXPECT_TRUE(form->MenuSaveSatCsv->isVisible());
}

// ---- number formats ----

TEST(ForceTwoDigitHours, Formats) {
  const std::pair<const char*, const char*> cases[] = {
      {"H:mm:ss", "hh:mm:ss"},   {"h:mm:ss", "hh:mm:ss"},     {"hh:mm:ss", "hh:mm:ss"},
      {"HH:mm:ss", "hhhh:mm:ss"}, {"h:mm:ss AMPM", "hh:mm:ss AMPM"}, {"", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(ForceTwoDigitHours(in), out) << in;
}

TEST_F(ProgramTest, NumbersUseAPointWhateverTheLocale) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_EQ(QLocale().toString(12.5).toStdString(), "12,5");
  FormatSettings.LongTimeFormat = "H:mm:ss";
  Start();
  EXPECT_EQ(QLocale().toString(12.5).toStdString(), "12.5");
  bool ok = false;
  EXPECT_EQ(QLocale().toDouble("12.5", &ok), 12.5);
  EXPECT_TRUE(ok);
  EXPECT_EQ(FormatFloat("#.###", 12.5), "12.5");
  EXPECT_EQ(FormatSettings.LongTimeFormat, "hh:mm:ss");
  FormatSettings.LongTimeFormat = "hh:nn:ss";
  QLocale::setDefault(previous);
}

}  // namespace
