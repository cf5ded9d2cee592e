// The Sat List page's grid: its fill, cell edits committed by Enter, by another cell and by
// leaving the grid, the column chooser's menu item, a reload with an edit pending, and a
// screenshot of the page.
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <string>
#include <vector>

#include "fieldsform.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satgrid.h"
#include "satlisttestutil.h"
#include "satmain.h"
#include "sats.h"

using namespace satlisttest;

namespace {

class SatGridTest : public SatListTest {
 protected:
  void ShowSatList() {
    form->MainPageControl->setCurrentWidget(form->SatListTabSheet);
    grid = form->SatGrid;
    ASSERT_NE(grid, nullptr);
  }
  int ColumnOf(const std::string& name) const {
    for (int c = 0; c < grid->ColCount(); ++c)
      if (grid->Cells(c, 0) == name) return c;
    return -1;
  }
  int RowOf(const std::string& satName) const {
    for (int r = 1; r < grid->RowCount(); ++r)
      if (grid->Cells(ColumnOf("Name"), r) == satName) return r;
    return -1;
  }
  // Moves the grid to the cell as the user does (the grid reports the move).
  void Select(int col, int row) { grid->setCurrentCell(row - 1, col); }
  // Types the text into the open editor of the current cell, key by key.
  void Type(const std::string& text) {
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "no editor has the focus";
    editor->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(editor, &del);
    for (char c : text) {
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(static_cast<unsigned char>(c))));
      QApplication::sendEvent(editor, &key);
    }
  }
  void PressEnter() {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(QApplication::focusWidget(), &key);
  }

  TSatGrid* grid = nullptr;
};

TEST_F(SatGridTest, ShowingThePageFillsOneRowPerSelectableSatellite) {
  Start();
  ShowSatList();
  const std::vector<std::string> names = Sats->GetSatNameList();
  ASSERT_GT(names.size(), 5u);
  const std::vector<std::string> columns = {"Norad Nr", "Name", "Rep.Long", "Transp.", "Remarks", "URL"};
  const int widths[] = {50, 150, 70, 80, 180, 180};
  ASSERT_EQ(grid->ColCount(), 6);
  ASSERT_EQ(grid->RowCount(), static_cast<int>(names.size()) + 1);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(grid->Cells(c, 0), columns[c]);
    // The design widths, or more where the font used needs it.
    EXPECT_GE(grid->ColWidth(c), widths[c]);
  }
  for (int r = 1; r < grid->RowCount(); ++r) {
    TSat* sat = Sats->NameList().at(names[r - 1]);
    for (int c = 0; c < 6; ++c) {
      EXPECT_EQ(grid->Objects(c, r), sat);
      EXPECT_EQ(grid->Cells(c, r), FieldsForm->GetFieldText(*sat, columns[c])) << r << "," << c;
    }
  }
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(form->EditCol, 1);
  EXPECT_EQ(form->EditRow, 1);
  // The fixed column takes no edit.
  EXPECT_FALSE(grid->item(0, 0)->flags() & Qt::ItemIsEditable);
  EXPECT_TRUE(grid->item(0, 1)->flags() & Qt::ItemIsEditable);
}

TEST_F(SatGridTest, ColumnsAreAsWideAsTheirNamesAndWidestValuesInTheFontsUsed) {
  Start();
  const int sizes[] = {0, 11, 16};  // points; 0: the font the grid starts with
  for (int points : sizes) {
    SCOPED_TRACE(points);
    form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
    if (points > 0) {
      QFont f = form->SatGrid->font();
      f.setPointSize(points);
      form->SatGrid->setFont(f);
      form->SatGrid->horizontalHeader()->setFont(f);
    }
    ShowSatList();
    const QFontMetrics cells(grid->font());
    const QFontMetrics names(grid->horizontalHeader()->font());
    ASSERT_GT(grid->RowCount(), 5);
    for (int c = 0; c < grid->ColCount(); ++c) {
      SCOPED_TRACE(grid->Cells(c, 0));
      int widest = names.horizontalAdvance(QString::fromStdString(grid->Cells(c, 0)));
      for (int r = 1; r < grid->RowCount(); ++r)
        widest = std::max(widest, cells.horizontalAdvance(QStr(grid->Cells(c, r))));
      // Some room for the cell's frame beside the text.
      EXPECT_GE(grid->ColWidth(c), widest + 4);
      EXPECT_EQ(grid->horizontalHeader()->sectionSize(c), grid->ColWidth(c));
    }
  }
}

TEST_F(SatGridTest, AnEmptyListShowsOneRowOfTheEmptySatellite) {
  Start();
  ShowSatList();
  form->FillSatGrid("");
  ASSERT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->Objects(1, 1), &EmptySat);
  EXPECT_EQ(grid->Cells(0, 1), "0");
  EXPECT_EQ(grid->Cells(1, 1), "");
  // Nothing is ever stored into the empty satellite.
  Options->SatInfoEdited = false;
  grid->SetCells(3, 1, "Ku");
  char key = '\r';
  form->EditCol = 3;
  form->SatGridKeyPress(grid, key);
  EXPECT_TRUE(EmptySat.SatInfo.Bands.empty());
  EXPECT_FALSE(Options->SatInfoEdited);
}

// A cell typed and committed: the stored value, the cell rewritten in the stored form, the flag.
TEST_F(SatGridTest, TypedCellsAreStoredAndRewrittenInTheirStoredForm) {
  Start();
  ShowSatList();
  const std::string satName = "SES-4";
  const int row = RowOf(satName);
  ASSERT_GT(row, 0);
  TSat& sat = *grid->Objects(1, row);
  const struct {
    const char* column;
    std::string typed;
    std::string cell;  // after the commit
    bool edited;
  } cases[] = {
      {"Transp.", "Ku C Ka L S X 1234567890", "Ku C Ka L S X 123456", true},
      {"Transp.", "Ku C Ka L S X 123456", "Ku C Ka L S X 123456", false},
      {"Rep.Long", "19.2E", "19.200\xB0 E", true},
      {"Rep.Long", "5W", "5.000\xB0 W", true},
      {"Rep.Long", "west", "west", false},  // kept until the next fill
      {"Remarks", "  new remark  ", "new remark", true},
      {"URL", "http://example.org/ses4", "http://example.org/ses4", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.column) + " <- " + c.typed);
    const int col = ColumnOf(c.column);
    ASSERT_GT(col, 0);
    Select(col, row);
    Options->SatInfoEdited = false;
    Type(c.typed);
    EXPECT_EQ(grid->Cells(col, row), c.typed);  // the editor's text is the cell's
    PressEnter();
    EXPECT_EQ(grid->Cells(col, row), c.cell);
    EXPECT_EQ(Options->SatInfoEdited, c.edited);
  }
  EXPECT_EQ(sat.SatInfo.Bands.str(), "Ku C Ka L S X 123456");
  EXPECT_EQ(sat.SatInfo.RepLongitude, -5);
  EXPECT_EQ(sat.SatInfo.Remarks, "new remark");
  EXPECT_EQ(sat.SatInfo.URL, "http://example.org/ses4");
}

TEST_F(SatGridTest, MovingToAnotherCellOrLeavingTheGridCommitsThePendingCell) {
  Start();
  ShowSatList();
  const int row = RowOf("SES-4");
  ASSERT_GT(row, 1);
  TSat& sat = *grid->Objects(1, row);
  const int transp = ColumnOf("Transp.");
  const int remarks = ColumnOf("Remarks");

  // Tab to the next cell.
  Select(transp, row);
  Type("C");
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(QApplication::focusWidget(), &tab);
  EXPECT_EQ(grid->Col(), transp + 1);
  EXPECT_EQ(sat.SatInfo.Bands.str(), "C");
  EXPECT_EQ(form->EditCol, transp + 1);
  EXPECT_EQ(form->EditRow, row);

  // Another row chosen.
  Select(remarks, row);
  Type("moved");
  Select(remarks, row - 1);
  EXPECT_EQ(sat.SatInfo.Remarks, "moved");

  // Leaving the page takes the focus from the grid.
  Select(remarks, row);
  Type("left");
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  EXPECT_EQ(sat.SatInfo.Remarks, "left");
}

TEST_F(SatGridTest, ComputedColumnsKeepTheirTextUntilTheNextFill) {
  Start();
  ShowSatList();
  // Show the rotor columns too.
  FieldsForm->DispListBox->clear();
  for (const char* f : {"Norad Nr", "Name", "Long", "PulseCount", "RotorHA", "CalcPC"})
    FieldsForm->DispListBox->addItem(f);
  form->FillSatGrid(Sats->GetSatNames());
  const int row = RowOf("SES-4");
  TSat& sat = *grid->Objects(1, row);
  const std::string shownLong = grid->Cells(2, row);

  Select(2, row);
  Type("12.5E");
  Options->SatInfoEdited = false;
  PressEnter();
  EXPECT_FALSE(Options->SatInfoEdited);
  EXPECT_EQ(grid->Cells(2, row), "12.5E");

  // A pulse count recomputes the rotor calibration.
  const int before = Sats->FitCount;
  Select(3, row);
  Type("1500");
  PressEnter();
  EXPECT_EQ(sat.SatInfo.PulseCount, 1500);
  EXPECT_TRUE(Options->SatInfoEdited);
  EXPECT_EQ(Sats->FitCount, sat.SatInfo.IgnorePC ? before : before + 1);

  form->FillSatGrid(Sats->GetSatNames());
  EXPECT_EQ(grid->Cells(2, RowOf("SES-4")), shownLong);
  EXPECT_EQ(grid->Cells(3, RowOf("SES-4")), "1500");
}

TEST_F(SatGridTest, SelectFieldsShowsTheChooserAndRefillsWithItsColumns) {
  Start();
  ShowSatList();
  // The chooser is closed by OK after "Elev" was moved to the displayed fields.
  QTimer::singleShot(0, [] {
    const auto found = FieldsForm->AvailListBox->findItems("Elev", Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty());
    found.front()->setSelected(true);
    FieldsForm->SelDeselButtonClick(FieldsForm->SelButton);
    FieldsForm->OKButtonClick(FieldsForm->OKButton);
  });
  form->MenuSelectFields->trigger();
  ASSERT_EQ(grid->ColCount(), 7);
  EXPECT_EQ(grid->Cells(6, 0), "Elev");
  EXPECT_GE(grid->ColWidth(6), 50);  // the design width, or more for the font used
  // Closed without a choice: the grid is refilled all the same.
  grid->SetCells(3, 1, "scratch");
  form->EditCol = 0;
  QTimer::singleShot(0, [] { FieldsForm->reject(); });
  form->MenuSelectFieldsClick(form->MenuSelectFields);
  EXPECT_NE(grid->Cells(3, 1), "scratch");
}

// The options dialog is not modal: the data files can be reloaded while an edit is pending.
TEST_F(SatGridTest, AReloadCommitsThePendingEditAndLeavesNoFreedSatelliteInTheGrid) {
  Start();
  ShowSatList();
  Options->SaveSatCsv = true;  // the edited information is saved without asking
  const int row = RowOf("SES-4");
  Select(ColumnOf("Remarks"), row);
  grid->SetCells(ColumnOf("Remarks"), row, "before reload");  // typed, not yet committed
  Options->FilesChanged = true;
  form->OptionsChanged(nullptr);
  // The page is shown again: refilled from the reloaded satellites.
  const int newRow = RowOf("SES-4");
  ASSERT_GT(newRow, 0);
  EXPECT_EQ(grid->Cells(ColumnOf("Remarks"), newRow), "before reload");
  TSat* fresh = Sats->FindSat("SES-4");
  for (int r = 1; r < grid->RowCount(); ++r) EXPECT_NE(grid->Objects(1, r), nullptr);
  EXPECT_EQ(grid->Objects(1, newRow), fresh);
  EXPECT_EQ(fresh->SatInfo.Remarks, "before reload");

  // Reloaded while another page is shown: the grid keeps no satellite.
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  Options->FilesChanged = true;
  form->OptionsChanged(nullptr);
  EXPECT_EQ(grid->RowCount(), 1);
  bool canSelect = false;
  form->SatGridSelectCell(1, 1, canSelect);  // nothing to commit into
  EXPECT_TRUE(canSelect);
}

TEST_F(SatGridTest, Screenshot) {
  Start();
  ShowSatList();
  QApplication::processEvents();
  const std::string file = TestOutFolder() + "/satlist_page.png";
  EXPECT_TRUE(form->grab().save(QString::fromStdString(file)));
}

}  // namespace
