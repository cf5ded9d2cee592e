// The string grid of the Sat List page (`SatGrid`).
//
// Cells are addressed as in a string grid with one fixed row and one fixed column: cell
// (col, row); row 0 holds the column names and is shown as the header; column 0 is fixed (shown
// in the button colour, never edited or made current). Every other cell is edited in place: the
// editor opens on the current cell, Tab moves between cells, and the editor's text is written
// into its cell with every key, so `Cells` always shows what the user typed. Each cell of a data
// row can carry a satellite (not owned).
//
// The grid reports three events, each through a function the owner sets:
//   OnSelectCell(col, row)  the current cell moved (after the editor's text reached its cell);
//   OnExit()                the focus left the grid and its editor;
//   OnKeyPress(key)         Enter (key '\r') in the grid or its editor, after the editor's text
//                           reached its cell.
// Moves made by `SetCurrentCell` and by resizing the grid report nothing.
#pragma once

#include <QTableWidget>

#include <functional>
#include <string>

class TSat;

class TSatGrid : public QTableWidget {
 public:
  explicit TSatGrid(QWidget* parent = nullptr);
  ~TSatGrid() override;

  // Sizes, counting the fixed row and column: RowCount is at least 1 (the names row).
  int ColCount() const { return columnCount(); }
  int RowCount() const { return rowCount() + 1; }
  void SetColCount(int count);
  void SetRowCount(int count);

  // Texts and attached satellites; a cell outside the grid reads as "" and null, and writing
  // it does nothing. Row 0 carries no satellite.
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  TSat* Objects(int col, int row) const;
  void SetObjects(int col, int row, TSat* sat);

  void SetColWidth(int col, int width);
  int ColWidth(int col) const { return columnWidth(col); }
  // The least width that shows the column's name and every cell of it whole, in the fonts used.
  int ColTextWidth(int col) const;

  // The current cell; (0, 0) when there is none.
  int Col() const;
  int Row() const;
  // Makes a data cell current without reporting it; a fixed or missing cell is ignored.
  void SetCurrentCell(int col, int row);

  std::function<void(int col, int row)> OnSelectCell;
  std::function<void()> OnExit;
  std::function<void(char& key)> OnKeyPress;

  // Called by the editor when Enter was pressed in it.
  void EditorEnterPressed();

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FocusChanged(QWidget* old, QWidget* now);
  bool Holds(const QWidget* w) const;
  QTableWidgetItem* ItemAt(int col, int row) const;
  QTableWidgetItem* MakeItem(int col, int row);
  void StyleFixedColumn();

  int quiet_ = 0;  // moves made by the grid itself: not reported
};
