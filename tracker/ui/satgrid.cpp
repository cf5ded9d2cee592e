#include "satgrid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>

#include "qtext.h"

namespace {

constexpr int kSatRole = Qt::UserRole;
constexpr int kFixedRowHeaderWidth = 10;

bool IsEnterKey(const QEvent* e) {
  if (e->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(e)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The in-place editor: its text reaches the cell with every key; Enter keeps it open and is
// reported to the grid.
class TSatGridDelegate : public QStyledItemDelegate {
 public:
  explicit TSatGridDelegate(TSatGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      auto* self = const_cast<TSatGridDelegate*>(this);
      connect(line, &QLineEdit::textEdited, self, [self, line] { emit self->commitData(line); });
    }
    return editor;
  }

  // The cell's text is put into the editor only when it differs, so the caret stays where the
  // user types.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      const QString text = index.data(Qt::EditRole).toString();
      if (line->text() != text) line->setText(text);
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (IsEnterKey(event)) {
      if (auto* editor = qobject_cast<QWidget*>(object)) emit commitData(editor);
      grid_->EditorEnterPressed();
      return true;
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  TSatGrid* grid_;
};

}  // namespace

TSatGrid::TSatGrid(QWidget* parent) : QTableWidget(parent) {
  setItemDelegate(new TSatGridDelegate(this));
  setEditTriggers(QAbstractItemView::AllEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(true);
  setSortingEnabled(false);
  setWordWrap(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setHighlightSections(false);
  // The row header only offers the rows' resizing; it shows no numbers.
  verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  verticalHeader()->setFixedWidth(kFixedRowHeaderWidth);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) { FocusChanged(old, now); });
}

TSatGrid::~TSatGrid() {
  OnSelectCell = nullptr;
  OnExit = nullptr;
  OnKeyPress = nullptr;
}

void TSatGrid::SetColCount(int count) {
  ++quiet_;
  setColumnCount(count < 0 ? 0 : count);
  StyleFixedColumn();
  --quiet_;
}

void TSatGrid::SetRowCount(int count) {
  ++quiet_;
  const int rows = count < 1 ? 0 : count - 1;
  setRowCount(rows);
  for (int r = 0; r < rows; ++r)
    if (!verticalHeaderItem(r)) setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
  StyleFixedColumn();
  --quiet_;
}

QTableWidgetItem* TSatGrid::ItemAt(int col, int row) const {
  if (col < 0 || col >= columnCount() || row < 1 || row > rowCount()) return nullptr;
  return item(row - 1, col);
}

QTableWidgetItem* TSatGrid::MakeItem(int col, int row) {
  if (col < 0 || col >= columnCount() || row < 1 || row > rowCount()) return nullptr;
  QTableWidgetItem* it = item(row - 1, col);
  if (it) return it;
  it = new QTableWidgetItem;
  if (col == 0) {
    it->setFlags(Qt::ItemIsEnabled);
    it->setBackground(palette().button());
  }
  ++quiet_;
  setItem(row - 1, col, it);
  --quiet_;
  return it;
}

void TSatGrid::StyleFixedColumn() {
  if (columnCount() == 0) return;
  for (int r = 1; r <= rowCount(); ++r) MakeItem(0, r);
}

std::string TSatGrid::Cells(int col, int row) const {
  if (row == 0) {
    const QTableWidgetItem* h = col >= 0 && col < columnCount() ? horizontalHeaderItem(col) : nullptr;
    return h ? AnsiStr(h->text()) : std::string();
  }
  const QTableWidgetItem* it = ItemAt(col, row);
  return it ? AnsiStr(it->text()) : std::string();
}

void TSatGrid::SetCells(int col, int row, const std::string& text) {
  if (row == 0) {
    if (col < 0 || col >= columnCount()) return;
    setHorizontalHeaderItem(col, new QTableWidgetItem(QStr(text)));
    return;
  }
  if (QTableWidgetItem* it = MakeItem(col, row)) it->setText(QStr(text));
}

TSat* TSatGrid::Objects(int col, int row) const {
  const QTableWidgetItem* it = ItemAt(col, row);
  return it ? reinterpret_cast<TSat*>(it->data(kSatRole).value<quintptr>()) : nullptr;
}

void TSatGrid::SetObjects(int col, int row, TSat* sat) {
  if (QTableWidgetItem* it = MakeItem(col, row)) it->setData(kSatRole, QVariant::fromValue(reinterpret_cast<quintptr>(sat)));
}

int TSatGrid::ColTextWidth(int col) const {
  if (col < 0 || col >= columnCount()) return 0;
  // The room a cell's frame and margins take beside its text, as the style draws them.
  const int cellPad = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
  const int headerPad = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 4;
  int width = 0;
  if (const QTableWidgetItem* h = horizontalHeaderItem(col))
    width = horizontalHeader()->fontMetrics().horizontalAdvance(h->text()) + headerPad;
  const QFontMetrics cells = fontMetrics();
  for (int r = 0; r < rowCount(); ++r)
    if (const QTableWidgetItem* it = item(r, col)) width = std::max(width, cells.horizontalAdvance(it->text()) + cellPad);
  return width;
}

void TSatGrid::SetColWidth(int col, int width) {
  if (col >= 0 && col < columnCount()) setColumnWidth(col, width);
}

int TSatGrid::Col() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? i.column() : 0;
}

int TSatGrid::Row() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? i.row() + 1 : 0;
}

void TSatGrid::SetCurrentCell(int col, int row) {
  if (col < 1 || col >= ColCount() || row < 1 || row >= RowCount()) return;
  ++quiet_;
  setCurrentCell(row - 1, col);
  --quiet_;
}

void TSatGrid::EditorEnterPressed() {
  char key = '\r';
  if (OnKeyPress) OnKeyPress(key);
}

void TSatGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // The base commits the text of the editor of the previous cell and opens the next one.
  QTableWidget::currentChanged(current, previous);
  if (quiet_ > 0 || !current.isValid() || !OnSelectCell) return;
  OnSelectCell(current.column(), current.row() + 1);
}

QModelIndex TSatGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
  if (!next.isValid() || next.column() != 0 || columnCount() < 2) return next;
  // The fixed column is passed over: backwards to the last cell of the row above.
  if (cursorAction == MoveLeft) return currentIndex();
  if (cursorAction == MovePrevious) {
    if (next.row() == currentIndex().row() && next.row() > 0) return model()->index(next.row() - 1, columnCount() - 1);
    if (next.row() == currentIndex().row()) return currentIndex();
    return model()->index(next.row(), columnCount() - 1);
  }
  return model()->index(next.row(), 1);
}

void TSatGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid() && at.column() == 0) {
    event->accept();  // a fixed cell cannot be chosen
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void TSatGrid::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    char key = '\r';
    if (OnKeyPress) OnKeyPress(key);
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

bool TSatGrid::Holds(const QWidget* w) const { return w && (w == this || isAncestorOf(w)); }

void TSatGrid::FocusChanged(QWidget* old, QWidget* now) {
  if (OnExit && Holds(old) && !Holds(now)) OnExit();
}
