// What the user typed or picked in the shown main window, driven with synthesized mouse and key
// events: the model lists apply the picked item, closing and "Save Satinfo" take a cell or field
// still being edited, a data-file reload never runs over edits whose save failed, the first
// click after Enter on the Location page lands where it was aimed, a click on the selected
// satellite shows it again, and a satellite renamed by a second element file keeps its place.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "anglehelpers.h"
#include "clarkebelt.h"
#include "format.h"
#include "optionform.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satgrid.h"
#include "satlisttestutil.h"
#include "satmain.h"
#include "sats.h"
#include "texthelpers.h"

using namespace satlisttest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kSat = "SES-4";

// The fields of a satellite's line in "sats.csv" (separated by ';'); empty when it has none.
std::vector<std::string> SatCsvFields(const fs::path& file, int norad) {
  std::istringstream in(uitest::ReadFile(file));
  const std::string key = ";" + std::to_string(norad) + ";";
  for (std::string line; std::getline(in, line);) {
    if (line.find(key) == std::string::npos) continue;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string f; std::getline(parts, f, ';');) fields.push_back(f);
    return fields;
  }
  return {};
}

class PendingEditTest : public ShownWindowTest {
 protected:
  bool Asked(const std::string& part) const {
    return std::any_of(prompts.Messages.begin(), prompts.Messages.end(),
                       [&](const auto& m) { return m.Text.find(part) != std::string::npos; });
  }
  static double AngleIn(const QLineEdit* edit) {
    std::string t = AnsiStr(edit->text());
    std::replace(t.begin(), t.end(), DegreeSign, ' ');
    double v = NAN;
    EXPECT_TRUE(TryStrToFloat(Trim(t), v)) << t;
    return v;
  }
};

// ---- model lists ----------------------------------------------------------------------------

TEST_F(PendingEditTest, AModelPickedFromItsListSetsItsAngleAtOnce) {
  StartShown();
  ShowOnSatInfo(kSat);
  ASSERT_NE(form->DishBrandComboBox, nullptr);
  ASSERT_NE(form->RotorBrandComboBox, nullptr);
  enum class TBy { Keyboard, Mouse, ArrowOnClosedList };
  const struct {
    QComboBox* list;
    TBy by;
    const char* item;
    QLineEdit* edit;
    double angle;
  } cases[] = {
      {form->DishBrandComboBox, TBy::ArrowOnClosedList, "Triax Unique (26)", form->DishOffsetEdit, 26},
      {form->DishBrandComboBox, TBy::Keyboard, "Jonsa S055 (24.62)", form->DishOffsetEdit, 24.62},
      {form->DishBrandComboBox, TBy::Mouse, "Any Prime Focus (0)", form->DishOffsetEdit, 0},
      {form->RotorBrandComboBox, TBy::Mouse, "Jaeger SG99 (50)", form->RotorAngleEdit, 50},
      {form->RotorBrandComboBox, TBy::Keyboard, "Stab HH100/HH120 (30)", form->RotorAngleEdit, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    ASSERT_TRUE(WaitFor([&] { return c.list->isVisible(); }));
    QAbstractItemView* view = c.list->view();
    if (c.by == TBy::ArrowOnClosedList) {
      c.list->setFocus(Qt::TabFocusReason);
      ASSERT_EQ(QApplication::focusWidget(), c.list);
      PressAtFocus(Qt::Key_Down);  // the first item, none being shown yet
    } else if (c.by == TBy::Keyboard) {
      c.list->setFocus(Qt::TabFocusReason);
      QTest::keyClick(c.list, Qt::Key_F4);
      ASSERT_TRUE(WaitFor([view] { return view->isVisible(); }));
      QTest::keyClicks(view, QString::fromLatin1(c.item).left(10));
      QTest::keyClick(view, Qt::Key_Return);
    } else {
      QTest::mouseClick(c.list, Qt::LeftButton);
      ASSERT_TRUE(WaitFor([view] { return view->isVisible(); }));
      ClickInOpenList(c.list, QString::fromLatin1(c.item));
    }
    ASSERT_TRUE(WaitFor([view] { return !view->isVisible(); }));
    QApplication::processEvents();
    EXPECT_EQ(c.list->currentText().toStdString(), c.item);
    EXPECT_EQ(c.list->width(), 22);
    EXPECT_DOUBLE_EQ(AngleIn(c.edit), c.angle);
  }
}

// ---- closing and saving with an edit still open -----------------------------------------------

TEST_F(PendingEditTest, ClosingTakesACellOrFieldStillBeingEditedAndOffersToSaveIt) {
  enum class TWhere { GridCell, RemarksField, BandsField };
  enum class TClose { Window, ExitMenu };
  const struct {
    TWhere where;
    TClose close;
    const char* text;
    size_t field;  // of the line in "sats.csv"
  } cases[] = {
      {TWhere::GridCell, TClose::Window, "Typed in the grid", 4},
      {TWhere::RemarksField, TClose::ExitMenu, "Typed remark", 4},
      {TWhere::BandsField, TClose::Window, "Ka", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    StartShown();
    Options->SaveSatCsv = false;  // the user is asked
    Options->SatInfoEdited = false;
    const int norad = Sats->FindSat(kSat)->TwoLine.NoradNr;
    if (c.where == TWhere::GridCell) {
      ClickTab(form->SatListTabSheet);
      TSatGrid& grid = *form->SatGrid;
      int remarks = -1, row = -1;
      for (int col = 0; col < grid.ColCount(); ++col)
        if (grid.Cells(col, 0) == "Remarks") remarks = col;
      for (int r = 1; r < grid.RowCount(); ++r)
        if (grid.Objects(1, r) == Sats->FindSat(kSat)) row = r;
      ASSERT_GT(remarks, 0);
      ASSERT_GT(row, 0);
      const QModelIndex cell = grid.model()->index(row - 1, remarks);
      grid.scrollTo(cell);
      QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
      ASSERT_TRUE(WaitFor([&] { return grid.isAncestorOf(QApplication::focusWidget()); }));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(QApplication::focusWidget(), c.text);
    } else {
      ShowOnSatInfo(kSat);
      TypeInto(c.where == TWhere::RemarksField ? static_cast<QWidget*>(form->RemarksMemo) : form->BandsEdit, c.text);
    }
    QApplication::processEvents();
    prompts.Messages.clear();
    prompts.Answers = {mrYes};
    if (c.close == TClose::Window)
      form->close();  // as the window manager's close button does
    else
      ClickMenu(form->MenuFile, form->MenuExit);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(Asked("Would you like to save the file"));
    const std::vector<std::string> fields = SatCsvFields(folder->File("sats.csv"), norad);
    ASSERT_GT(fields.size(), c.field);
    EXPECT_EQ(fields[c.field], c.text);
    TearDown();
    SetUp();
  }
}

TEST_F(PendingEditTest, ClosingAfterOnlyVisitingACellAndAFieldAsksNothing) {
  StartShown();
  Options->SaveSatCsv = false;
  Options->SatInfoEdited = false;
  ShowOnSatInfo(kSat);
  QTest::mouseClick(form->BandsEdit, Qt::LeftButton);
  ClickTab(form->SatListTabSheet);
  TSatGrid& grid = *form->SatGrid;
  const QModelIndex cell = grid.model()->index(1, 2);
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
  prompts.Messages.clear();
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_FALSE(Options->SatInfoEdited);
}

TEST_F(PendingEditTest, SaveSatinfoFromTheMenuTakesTheFieldBeingEdited) {
  StartShown();
  TSat& sat = ShowOnSatInfo(kSat);
  TypeInto(form->BandsEdit, "Ka");
  TypeInto(form->RemarksMemo, "Typed, then saved");
  ClickMenu(form->MenuFile, form->MenuSaveSatCsv);
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_EQ(sat.SatInfo.Remarks, "Typed, then saved");
  const std::vector<std::string> fields = SatCsvFields(folder->File("sats.csv"), sat.TwoLine.NoradNr);
  ASSERT_GT(fields.size(), 4u);
  EXPECT_EQ(fields[3], "Ka");
  EXPECT_EQ(fields[4], "Typed, then saved");
}

// ---- reloading the data files over edits that could not be saved -------------------------------

TEST_F(PendingEditTest, AReloadOverEditsThatCouldNotBeSavedRunsOnlyWhenTheUserSaysSo) {
  const struct {
    bool left;  // the field was left before the dialog's Apply; else it is still being edited
    int answer;
    bool reloaded;
  } cases[] = {{true, mrNo, false}, {true, mrYes, true}, {false, mrNo, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    SCOPED_TRACE(c.left);
    StartShown();
    constexpr const char* kEdit = "Ku, edited";  // still passes the Ku filter
    TSat& sat = ShowOnSatInfo(kSat);
    const int norad = sat.TwoLine.NoradNr;
    TypeInto(form->BandsEdit, kEdit);
    if (c.left) {
      PressAtFocus(Qt::Key_Tab);  // the edit is taken
      ASSERT_EQ(sat.SatInfo.Bands.str(), kEdit);
      ASSERT_TRUE(Options->SatInfoEdited);
    }
    // A folder stands where "sats.csv" is written.
    fs::remove(folder->File("sats.csv"));
    fs::create_directory(folder->File("sats.csv"));
    // Saved automatically, then the new data files are applied (as after a download).
    form->OptionForm->show();
    form->OptionForm->SaveSatsCsvCheckBox->setChecked(true);
    Options->FilesChanged = true;
    prompts.Messages.clear();
    prompts.Answers = {c.answer};
    QTest::mouseClick(form->OptionForm->ApplyButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(Asked("Unable to write Sats.csv"));
    EXPECT_TRUE(Asked("Load the data files anyway and lose the edits?"));
    EXPECT_EQ(Options->FilesChanged, !c.reloaded);
    const TSat* now = Sats->SatOfNorad(norad);
    ASSERT_NE(now, nullptr);
    if (!c.reloaded) {
      // The satellite and its edit are still there, and shown.
      EXPECT_EQ(now, &sat);
      if (now == &sat) {
        EXPECT_EQ(now->SatInfo.Bands.str(), kEdit);
      }
      EXPECT_TRUE(Options->SatInfoEdited);
      EXPECT_EQ(AnsiStr(form->BandsEdit->text()), kEdit) << AnsiStr(form->SatNameEdit->text()) << " " << form->MainPageControl->currentIndex() << " " << (form->CurrentSat ? form->CurrentSat->Name : "-");
    } else {
      EXPECT_NE(now->SatInfo.Bands.str(), kEdit);
    }
    form->OptionForm->hide();
    TearDown();
    SetUp();
  }
}

// ---- Location page: the click after Enter ----------------------------------------------------

TEST_F(PendingEditTest, TheFirstClickAfterEnterOnTheLocationPageGoesWhereItWasAimed) {
  StartShown();
  ClickTab(form->LocationTabSheet);
  // Each field is clicked once and typed into; Enter, or the click on the next field, takes it.
  const struct {
    QLineEdit* edit;
    const char* typed;
    bool enter;
    double TOptions::*value;
    double expected;
  } steps[] = {
      {form->LocObsLonEdit, "10.5E", true, &TOptions::ObsLon, 10.5},
      {form->LocObsLatEdit, "45.25N", true, &TOptions::ObsLat, 45.25},
      {form->LocObsHeightEdit, "321", false, &TOptions::ObsHeight, 321},
      {form->LocObsLonEdit, "3.75W", false, &TOptions::ObsLon, -3.75},
      {form->LocObsLatEdit, "12.5S", true, &TOptions::ObsLat, -12.5},
  };
  const auto* last = &steps[0];
  for (const auto& s : steps) {
    SCOPED_TRACE(s.typed);
    TypeInto(s.edit, s.typed);
    EXPECT_EQ(AnsiStr(s.edit->text()), s.typed);
    if (!last->enter) {
      EXPECT_DOUBLE_EQ(Options->*last->value, last->expected);  // taken by the click
    }
    if (s.enter) {
      PressAtFocus(Qt::Key_Return);
      QApplication::processEvents();
      EXPECT_DOUBLE_EQ(Options->*s.value, s.expected);
    }
    last = &s;
  }
  EXPECT_DOUBLE_EQ(Options->ObsLon, -3.75);
  EXPECT_DOUBLE_EQ(Options->ObsLat, -12.5);
  EXPECT_DOUBLE_EQ(Options->ObsHeight, 321);
}

// ---- the satellite list -----------------------------------------------------------------------

TEST_F(PendingEditTest, ClickingTheSelectedSatelliteShowsItAgain) {
  StartShown();
  ClickSat(kSat);
  ASSERT_EQ(AnsiStr(form->SatNameEdit->text()), kSat);
  ASSERT_EQ(form->CurrentSat, Sats->FindSat(kSat));
  // The page was changed meanwhile.
  form->SatNameEdit->setText("scratch");
  form->AzimuthLabel->clear();
  ClickSat(kSat);
  EXPECT_EQ(AnsiStr(form->SatNameEdit->text()), kSat);
  EXPECT_FALSE(form->AzimuthLabel->text().isEmpty());
}

TEST_F(PendingEditTest, ASatelliteRenamedByASecondElementFileKeepsItsPlaceAndItsTrack) {
  // The second file of the folder, read after the first, gives catalogue number 34111 a new name;
  // its line in "sats.csv" holds no name. Its set is a day newer, or a day older; the page shows
  // the element data of the newer set, the one in use.
  constexpr const char* kListed = "TELSTAR 11N";
  constexpr const char* kRenamed = "TELSTAR 11N RENAMED";
  const struct {
    const char* epoch;  // of the second file's set; the first file's is 26335.5
    const char* shown;  // the epoch on the page
  } cases[] = {{"26336.5", "2/12/26 12:00"}, {"26334.5", "1/12/26 12:00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.epoch);
    program.reset();
    folder.reset();
    StartShown([&](const uitest::TProgramFolder& f) {
      std::istringstream keps(uitest::ReadFile(f.File("Keps/geo.txt")));
      std::vector<std::string> lines;
      for (std::string l; std::getline(keps, l);) lines.push_back(l);
      std::string second;
      for (size_t i = 1; i + 1 < lines.size(); ++i)
        if (lines[i].rfind("1 34111U", 0) == 0) {
          // The line's check digit follows the new epoch.
          std::string line1 = lines[i].substr(0, 69);
          ASSERT_EQ(line1.substr(18, 7), "26335.5");
          line1.replace(18, 7, c.epoch);
          int sum = 0;
          for (size_t k = 0; k < 68; ++k) sum += line1[k] >= '0' && line1[k] <= '9' ? line1[k] - '0' : line1[k] == '-';
          line1[68] = static_cast<char>('0' + sum % 10);
          second = std::string(kRenamed) + "\r\n" + line1 + "\r\n" + lines[i + 1] + "\n";
        }
      ASSERT_FALSE(second.empty());
      uitest::WriteFile(f.File("Keps/later.txt"), second);
      std::istringstream csv(uitest::ReadFile(f.File("sats.csv")));
      std::string kept;
      for (std::string l; std::getline(csv, l);) {
        const size_t at = l.find(";34111;");
        kept += (at == std::string::npos ? l : " " + l.substr(at)) + "\n";  // a blank name
      }
      uitest::WriteFile(f.File("sats.csv"), kept);
    });
    ASSERT_EQ(Sats->SatOfNorad(34111)->Name, kRenamed);
    ClickTab(form->SatInfoTabSheet);
    ClickSat(kListed);
    ASSERT_EQ(AnsiStr(form->SatNameEdit->text()), kRenamed);
    EXPECT_EQ(AnsiStr(form->EpochLabel->text()), c.shown);
    const int row = form->SatListBox->currentRow();
    ASSERT_GT(row, 0);

    // The track ("Eights") of the selected satellite is drawn on the Clarke belt.
    ClickTab(form->ClarkeTabSheet);
    EXPECT_EQ(form->SatListBox->currentRow(), row);
    form->MenuViewEights->setChecked(true);
    ASSERT_NE(ClarkeBelt->Sats, nullptr);
    EXPECT_EQ(ClarkeBelt->Sats->FindSat(kRenamed), Sats->SatOfNorad(34111));

    for (QWidget* page : {form->SatInfoTabSheet, form->ObstacleTabSheet, form->ToolsTabSheet, form->SatInfoTabSheet}) {
      ClickTab(page);
      EXPECT_EQ(form->SatListBox->currentItem()->text().toStdString(), kListed);
      EXPECT_EQ(AnsiStr(form->SatNameEdit->text()), kRenamed);
    }
    EXPECT_EQ(form->CurrentSat, Sats->SatOfNorad(34111));
    EXPECT_EQ(form->ToolsSat1ComboBox->currentText().toStdString(), kListed);
  }
}

// ---- hints --------------------------------------------------------------------------------------

TEST_F(PendingEditTest, EveryHintOfTheProgramStaysEightSeconds) {
  StartShown();
  // A hint of a window made after the main window, and one set later.
  QWidget* later = form->OptionForm->ApplyButton;
  later->setToolTip("Apply the settings");
  form->SatNameEdit->setToolTip("The satellite's name");
  for (QWidget* w : {later, static_cast<QWidget*>(form->SatNameEdit)}) {
    QHelpEvent hint(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &hint);
    EXPECT_EQ(w->toolTipDuration(), 8000) << w->objectName().toStdString();
  }
}

}  // namespace
