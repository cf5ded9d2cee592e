// The File, Tools and Help menu commands in the running main window: "Save As" on every kind of
// page (the list as separated text, the views as A4 pictures, the Tools page, the other pages as
// they show), "Save Satinfo", uninstalling, the about box, the options dialog and exit.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImageReader>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "clarkebelt.h"
#include "fieldsform.h"
#include "log.h"
#include "optionform.h"
#include "options.h"
#include "program.h"
#include "satgrid.h"
#include "satmain.h"
#include "satmain_file.h"
#include "sats.h"
#include "savingtestutil.h"
#include "splashform.h"
#include "toolplot.h"

using namespace savetest;

namespace {

const std::string kFontIni =
    "[Update]\r\nAutoUpdate=0\r\n[Font]\r\nFontName=DejaVu Sans\r\nFontSize=9\r\n"
    "PrintFontName=Verdana\r\nPrintFontSize=15\r\n";

// The program's own surroundings, except that unregistering the library is only recorded.
class TRecordingHost : public ISatsHost {
 public:
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  int RunProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                        const std::string& folder) override {
    if (!args.empty() && args.front() == "/U") {
      Unregistered.push_back(args);
      return 33;
    }
    return real_.RunProgramAndWait(program, args, folder);
  }
  std::string SystemFolder() override { return real_.SystemFolder(); }

  std::vector<std::string> Messages;
  std::vector<std::vector<std::string>> Unregistered;

 private:
  TDefaultSatsHost real_;
};

class FileMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  // Starts the program on the sample data, shows the window and stops the real-time clock, so
  // that nothing is redrawn behind the test's back.
  void Start(const std::string& ini = kFontIni) {
    folder = std::make_unique<uitest::TProgramFolder>(ini);
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>(&host);
    form = program->Start(1, argv);
    form->resize(900, 650);
    form->show();
    QApplication::processEvents();
    for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
      const QSignalBlocker block(box);
      box->setChecked(false);
    }
    form->ClockTimer->stop();
  }
  void ShowPage(QWidget* page) {
    if (form->MainPageControl->currentWidget() == page)
      form->MainPageControlChange(form->MainPageControl);
    else
      form->MainPageControl->setCurrentWidget(page);
    QApplication::processEvents();
  }
  // Answers the next save dialog with the file and filter entry, then runs "Save As".
  void SaveAs(const fs::path& file, int filterIndex = 1) {
    prompts.SaveAnswers.push_back({file.string(), filterIndex});
    form->MenuSaveAsClick(form->MenuSaveAs);
  }
  static bool Logged(const std::string& message) {
    return std::any_of(LogList.begin(), LogList.end(), [&](const std::string& line) {
      return line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0;
    });
  }
  static QImage ReadPicture(const fs::path& file, const char* format) {
    QImageReader reader(QString::fromStdString(file.string()));
    EXPECT_EQ(reader.format(), format) << file;
    return reader.read();
  }

  TSavePrompts prompts;
  TRecordingHost host;
  TTempFolder out;
  std::unique_ptr<uitest::TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// ---- the satellite list ---------------------------------------------------------------------

TEST_F(FileMenuTest, TheListIsWrittenRowByRowInTheChosenForm) {
  Start();
  ShowPage(form->SatListTabSheet);
  TSatGrid& grid = *form->SatGrid;
  ASSERT_GT(grid.RowCount(), 10);
  const struct {
    int filter;
    char separator;
    const char* name;
  } cases[] = {{1, ',', "list.csv"}, {2, ';', "list-dot.csv"}, {3, '\t', "list.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SaveAs(out.File(c.name), c.filter);
    ASSERT_EQ(prompts.SaveDialogsSeen.back().FileName, "Sat List");
    EXPECT_EQ(prompts.SaveDialogsSeen.back().Filter, kSatListFilter);
    const std::string text = uitest::ReadFile(out.File(c.name));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = SplitLines(text);
    // Every row but the column names, each column with the separator between.
    ASSERT_EQ(static_cast<int>(lines.size()), grid.RowCount() - 1);
    for (int row = 1; row < grid.RowCount(); ++row) {
      std::string expected;
      for (int col = 0; col < grid.ColCount(); ++col) {
        if (col > 0) expected += c.separator;
        // The file is UTF-8; the grid holds Latin-1.
        const std::string cell = grid.item(row - 1, col)->text().toUtf8().toStdString();
        const bool quote = cell.find_first_of(" ,;") != std::string::npos;
        expected += quote ? "\"" + cell + "\"" : cell;
      }
      EXPECT_EQ(lines[static_cast<size_t>(row - 1)], expected) << "row " << row;
    }
    // A name with a blank is quoted, whatever the separator.
    EXPECT_NE(text.find(std::string("\"ASTRA 1KR\"") + c.separator), std::string::npos);
  }
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FileMenuTest, TheListIsUtf8WithTheDegreeSignAsTwoBytes) {
  Start();
  ShowPage(form->SatListTabSheet);
  SaveAs(out.File("list.csv"), 1);
  const std::string text = uitest::ReadFile(out.File("list.csv"));
  // The sample longitudes carry degree signs: each is C2 B0, and no byte stands alone above 7F.
  EXPECT_NE(text.find("\xC2\xB0"), std::string::npos);
  EXPECT_TRUE(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8().toStdString() == text);
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == 0xB0) {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(static_cast<unsigned char>(text[i - 1]), 0xC2) << "at " << i;
    }
  }
}

TEST_F(FileMenuTest, SaveDialogsStartInTheLastFolderUsedElseTheProgramsFolder) {
  Start();
  ShowPage(form->SatListTabSheet);
  const std::string programFolder = folder->Path().string() + "/";
  SaveAs(out.File("list.csv"), 1);
  ASSERT_EQ(prompts.SaveDialogsSeen.size(), 1u);
  EXPECT_EQ(prompts.SaveDialogsSeen[0].InitialDir, programFolder);
  // The next dialog, for any page, starts where the last file went.
  ShowPage(form->ClarkeTabSheet);
  SaveAs(out.File("belt.bmp"), 1);
  ASSERT_EQ(prompts.SaveDialogsSeen.size(), 2u);
  EXPECT_EQ(prompts.SaveDialogsSeen[1].InitialDir, out.File("").string());
  // A cancelled dialog leaves the folder as it was.
  form->MenuSaveAsClick(form->MenuSaveAs);
  ASSERT_EQ(prompts.SaveDialogsSeen.size(), 3u);
  fs::create_directory(out.File("sub"));
  SaveAs(out.File("sub/belt.bmp"), 1);
  EXPECT_EQ(prompts.SaveDialogsSeen[3].InitialDir, out.File("").string());
  SaveAs(out.File("belt2.bmp"), 1);
  EXPECT_EQ(prompts.SaveDialogsSeen[4].InitialDir, out.File("sub/").string());
}

TEST(DefaultSaveFolder, TheProgramsFolderWhenWritableElseHome) {
  const std::string home = QDir::homePath().toStdString() + "/";
  TTempFolder writable;
  const struct {
    std::string programFolder;
    std::string expected;
  } cases[] = {
      {writable.File("").string(), writable.File("").string()},
      {"/no-such-folder-of-velmar/", home},
      {"", home},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultSaveFolder(c.programFolder), c.expected) << c.programFolder;
}

// The resolution a bitmap or JPEG file states, in dots per inch, read from its header bytes.
double StoredDpi(const std::string& bytes) {
  const auto u8 = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes.at(i))); };
  if (bytes.rfind("BM", 0) == 0) {  // BITMAPINFOHEADER: horizontal pixels per metre at 38
    const unsigned ppm = u8(38) | u8(39) << 8 | u8(40) << 16 | u8(41) << 24;
    return ppm * 0.0254;
  }
  // JPEG: the JFIF segment (FF E0) with its density unit and horizontal density.
  const size_t app0 = bytes.find("\xFF\xE0");
  if (app0 == std::string::npos || bytes.compare(app0 + 4, 5, std::string("JFIF\0", 5)) != 0) return -1;
  const unsigned unit = u8(app0 + 11), density = u8(app0 + 12) << 8 | u8(app0 + 13);
  return unit == 1 ? density : unit == 2 ? density * 2.54 : -1;
}

TEST_F(FileMenuTest, SavedPicturesStateTheResolutionTheyAreDrawnAt) {
  Start();
  for (const int dpi : {150, 300}) {
    Options->ImgDpi = dpi;
    for (QWidget* page : {form->ClarkeTabSheet, form->ToolsTabSheet})
      for (const char* name : {"picture.bmp", "picture.jpg"}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi " + name + " " + page->objectName().toStdString());
        ShowPage(page);
        SaveAs(out.File(name), 1);
        const std::string bytes = uitest::ReadFile(out.File(name));
        EXPECT_NEAR(StoredDpi(bytes), dpi, 0.5);
        // Drawn for A4: the long side is 29.7 cm at that resolution.
        const QImage back(QString::fromStdString(out.File(name).string()));
        EXPECT_NEAR(std::max(back.width(), back.height()), dpi * 29.7 / 2.54, 1);
      }
  }
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FileMenuTest, AListOfTheColumnNamesOnlyWritesAnEmptyFile) {
  Start();
  ShowPage(form->SatListTabSheet);
  const fs::path file = out.File("empty.csv");
  uitest::WriteFile(file, "what was there before\r\n");
  form->SatGrid->SetRowCount(1);
  SaveAs(file);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FileMenuTest, CancellingTheDialogWritesNothing) {
  Start();
  for (QWidget* page : {form->SatListTabSheet, form->ClarkeTabSheet, form->LocationTabSheet}) {
    ShowPage(page);
    const int before = prompts.FileDialogs;
    form->MenuSaveAsClick(form->MenuSaveAs);
    EXPECT_EQ(prompts.FileDialogs, before + 1);
  }
  EXPECT_TRUE(fs::is_empty(out.File("")));
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FileMenuTest, AFileThatCannotBeCreatedIsReportedAndLoggedPerKindOfPage) {
  Start();
  const struct {
    QWidget* TSatForm::*page;
    const char* name;
    const char* log;
  } cases[] = {
      {&TSatForm::SatListTabSheet, "list.csv", "Error saving SatList, unable to create "},
      {&TSatForm::ClarkeTabSheet, "view.bmp", "Error saving bmp, unable to create "},
      {&TSatForm::HATabSheet, "view.jpg", "Error saving jpg, unable to create "},
      {&TSatForm::ToolsTabSheet, "tools.bmp", "Error saving, unable to create "},
      {&TSatForm::LocationTabSheet, "loc.jpg", "Error saving, unable to create "},
  };
  Options->ImgDpi = 25;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A folder stands where the file should be.
    const fs::path file = out.File(c.name);
    fs::create_directory(file);
    ShowPage(form->*c.page);
    prompts.Messages.clear();
    SaveAs(file);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "Unable to create \r" + file.string());
    EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(prompts.Messages[0].Buttons, static_cast<TMsgDlgButtons>(mbAbort));
    EXPECT_TRUE(Logged(c.log + file.string()));
    EXPECT_TRUE(fs::is_directory(file));
  }
  EXPECT_EQ(form->PrintDialog1.Tag, 0);
}

// ---- the views ------------------------------------------------------------------------------

TEST_F(FileMenuTest, TheClarkeBeltAsJpegIsAnA4SheetWithThePrintFont) {
  Start();
  ShowPage(form->ClarkeTabSheet);
  form->MenuViewProportional->setChecked(false);
  ASSERT_EQ(Options->ImgDpi, 150);
  // The extension decides the kind of file, in either letter case.
  for (const char* name : {"belt.jpg", "BELT2.JPG"}) {
    SCOPED_TRACE(name);
    const fs::path file = out.File(name);
    SaveAs(file, 1);
    EXPECT_EQ(prompts.SaveDialogsSeen.back().FileName, "Clarke Belt");
    EXPECT_EQ(prompts.SaveDialogsSeen.back().Filter, kPictureFilter);
    const TJpegInfo info = ReadJpegInfo(uitest::ReadFile(file));
    EXPECT_TRUE(info.Baseline);
    EXPECT_EQ(info.Components, 3);
    EXPECT_EQ(QSize(info.Width, info.Height), QSize(1754, 1240));
    EXPECT_EQ(ClarkeBelt->ViewFont.Name, "Verdana");
    EXPECT_EQ(ClarkeBelt->ViewFont.Size(), 15);
    const QImage back = ReadPicture(file, "jpeg");
    EXPECT_LT(MeanChannelDifference(back, ClarkeBelt->Picture()), 2.0);
  }
  fs::copy_file(out.File("belt.jpg"), fs::path(OutputFolder()) / "saving-clarke-belt-150dpi.jpg",
                fs::copy_options::overwrite_existing);
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FileMenuTest, EveryViewIsSavedUnderItsTitleLandscapeButTheSunDial) {
  Start();
  form->MenuViewProportional->setChecked(false);
  Options->ImgDpi = 25;
  const struct {
    QWidget* TSatForm::*page;
    const char* title;
    QSize size;
  } cases[] = {
      {&TSatForm::ClarkeTabSheet, "Clarke Belt", {292, 207}},  {&TSatForm::SatGroundMapTabSheet, "Azimuth Map", {292, 207}},
      {&TSatForm::SunDialTabSheet, "Sun Dial", {207, 292}},    {&TSatForm::HATabSheet, "Hour Angle Map", {292, 207}},
      {&TSatForm::ElevMapTabSheet, "Elevation Map", {292, 207}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    ShowPage(form->*c.page);
    TClarkeBelt* view = form->ViewOfPage(form->*c.page);
    ASSERT_NE(view, nullptr);
    const fs::path file = out.File(std::string(c.title) + ".bmp");
    SaveAs(file, 2);
    EXPECT_EQ(prompts.SaveDialogsSeen.back().FileName, c.title);
    // A bitmap holds exactly what the view drew, at 25 dpi with the screen font.
    // (The polar maps keep their round layout: they may take less than the sheet's width.)
    const QImage back = ReadPicture(file, "bmp");
    EXPECT_EQ(back.height(), c.size.height());
    EXPECT_LE(back.width(), c.size.width());
    EXPECT_GT(back.width(), c.size.width() * 9 / 10);
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), view->Picture());
    EXPECT_EQ(view->ViewFont.Name, "DejaVu Sans");
  }
  EXPECT_TRUE(prompts.Messages.empty());
}

// ---- the Tools page and the other pages --------------------------------------------------------

TEST_F(FileMenuTest, TheToolsPageIsTheToolPlotOnAnA4SheetWithThePrintFont) {
  Start();
  Options->ImgDpi = 25;
  ShowPage(form->ToolsTabSheet);
  const fs::path file = out.File("tools.bmp");
  SaveAs(file);
  EXPECT_EQ(prompts.SaveDialogsSeen.back().FileName, "Tools");
  EXPECT_EQ(prompts.SaveDialogsSeen.back().Filter, kPictureFilter);
  const QImage back = ReadPicture(file, "bmp");
  EXPECT_EQ(back.size(), QSize(292, 207));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), ToolPlot->Picture());
  EXPECT_EQ(ToolPlot->ToolFont.Name, "Verdana");
  EXPECT_EQ(form->PrintDialog1.Tag, 0);
  // The templates were drawn: the sheet is not blank.
  EXPECT_GT(MeanChannelDifference(back, QImage(back.size(), QImage::Format_RGB32)), 0.0);

  // At 150 dpi as a JPEG, kept for a person to look at.
  Options->ImgDpi = 150;
  const fs::path jpeg = out.File("tools.jpg");
  SaveAs(jpeg);
  const TJpegInfo info = ReadJpegInfo(uitest::ReadFile(jpeg));
  EXPECT_EQ(QSize(info.Width, info.Height), QSize(1754, 1240));
  fs::copy_file(jpeg, fs::path(OutputFolder()) / "saving-tools-150dpi.jpg", fs::copy_options::overwrite_existing);
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FileMenuTest, OtherPagesAreSavedAsTheyShowUnderTheirCaption) {
  Start();
  const std::pair<QWidget* TSatForm::*, const char*> cases[] = {
      {&TSatForm::LocationTabSheet, "Location"},
      {&TSatForm::SatInfoTabSheet, "Sat Info"},
      {&TSatForm::ObstacleTabSheet, "Obstacle"},
  };
  for (const auto& [member, caption] : cases) {
    SCOPED_TRACE(caption);
    QWidget* page = form->*member;
    ShowPage(page);
    const fs::path file = out.File(std::string(caption) + ".bmp");
    SaveAs(file);
    EXPECT_EQ(prompts.SaveDialogsSeen.back().FileName, caption);
    const QImage back = ReadPicture(file, "bmp").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(back.size(), page->size());
    EXPECT_EQ(back, page->grab().toImage().convertToFormat(QImage::Format_RGB32));
    fs::copy_file(file, fs::path(OutputFolder()) / ("saving-page-" + std::string(caption) + ".bmp"),
                  fs::copy_options::overwrite_existing);
  }
  EXPECT_TRUE(prompts.Messages.empty());
}

// ---- Save Satinfo ---------------------------------------------------------------------------

TEST_F(FileMenuTest, SaveSatinfoWritesTheFileWithACellStillBeingEdited) {
  Start();
  ShowPage(form->SatListTabSheet);
  TSatGrid& grid = *form->SatGrid;
  int remarks = -1;
  for (int c = 0; c < grid.ColCount(); ++c)
    if (grid.Cells(c, 0) == "Remarks") remarks = c;
  ASSERT_GT(remarks, 0);
  // The user typed into a cell and went to the menu without leaving it.
  grid.SetCells(remarks, 2, "Typed and saved");
  form->EditCol = remarks;
  form->EditRow = 2;
  form->MenuSaveSatCsvClick(form->MenuSaveSatCsv);
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_NE(uitest::ReadFile(folder->File("sats.csv")).find(";Typed and saved;"), std::string::npos);
  EXPECT_TRUE(Options->SatInfoEdited);
}

TEST_F(FileMenuTest, SaveSatinfoThatFailsSaysSo) {
  Start();
  // A folder stands where "sats.csv" should be written.
  fs::remove(folder->File("sats.csv"));
  fs::create_directory(folder->File("sats.csv"));
  form->MenuSaveSatCsvClick(form->MenuSaveSatCsv);
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_EQ(prompts.Messages[0].Text, "Unable to write Sats.csv");
  EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(prompts.Messages[0].Buttons, static_cast<TMsgDlgButtons>(mbAbort));
}

// ---- Tools and Help menus, exit ---------------------------------------------------------------

TEST_F(FileMenuTest, UninstallCancelledLeavesClockAndLibrary) {
  Start();
  form->ClockTimer->start(60000);
  prompts.Answers.push_back(mrCancel);
  form->MenuUninstallClick(form->MenuUninstall);
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_EQ(prompts.Messages[0].Text,
            "You are about to unregister the file MarnSatLib.so.\r"
            "If you are using programs like DishLog which also use\r"
            "this file press Cancel and exit the program. Otherwise\r"
            "press OK to unregister MarnSatLib.so and close Skyrill.\r"
            "\r"
            "To completely remove this program from your system, close it\r"
            "and delete the folder it was installed in:\r" +
                folder->Path().string() + "/");
  EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Confirmation);
  EXPECT_EQ(prompts.Messages[0].Buttons, static_cast<TMsgDlgButtons>(mbOK | mbCancel));
  EXPECT_TRUE(form->ClockTimer->isActive());
  EXPECT_TRUE(Sats->Connected());
  EXPECT_TRUE(host.Unregistered.empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(Logged("DLL Unregistered"));
}

TEST_F(FileMenuTest, UninstallConfirmedUnregistersTheLibraryAndCloses) {
  Start();
  form->ClockTimer->start(60000);
  ASSERT_TRUE(Sats->Connected());
  prompts.Answers.push_back(mrOk);
  form->MenuUninstallClick(form->MenuUninstall);
  EXPECT_FALSE(form->ClockTimer->isActive());
  EXPECT_FALSE(Sats->Connected());
  ASSERT_EQ(host.Unregistered.size(), 1u);
  EXPECT_EQ(host.Unregistered[0], (std::vector<std::string>{"/U", host.SystemFolder() + "/MarnSatLib.so"}));
  EXPECT_TRUE(Logged("DLL Unregistered"));
  EXPECT_TRUE(Logged("Shutting down Skyrill"));
  EXPECT_FALSE(form->isVisible());
}

TEST_F(FileMenuTest, AboutShowsTheBoxModally) {
  Start();
  ASSERT_NE(SplashForm, nullptr);
  bool shownModal = false;
  QTimer::singleShot(0, [&] {
    shownModal = SplashForm->isVisible() && SplashForm->isModal();
    SplashForm->accept();
  });
  form->MenuAboutClick(form->MenuAbout);
  EXPECT_TRUE(shownModal);
  EXPECT_FALSE(SplashForm->isVisible());
}

}  // namespace
