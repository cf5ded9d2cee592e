// The Sat List page's grid with its cell edits, the column chooser's menu item, and the editing
// of the satellite information in the fields of the Sat Info page and its model lists.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "anglehelpers.h"
#include "fieldsform.h"
#include "format.h"
#include "log.h"
#include "optionform_text.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satgrid.h"
#include "satmain.h"
#include "sats.h"
#include "texthelpers.h"

namespace {

// What an unreadable reported longitude and rotor hour angle read as.
constexpr double kNoLongitude = -360;
constexpr double kNoHourAngle = -2147483647;

// Width of a closed model list, and of an open one with its offset from the group's right edge.
constexpr int kModelListWidth = 22;
constexpr int kModelListOpenWidth = 160;
constexpr int kModelListOpenOffset = 163;

const char* const kDishModels[] = {
    "Triax Unique (26)",         "Triax TD Serie (26)",       "Triax TD54 (26)",
    "Triax TD64 (26)",           "Triax TD78 (26)",           "Triax TD88 (26)",
    "Triax TD110 (26)",          "Raven Gemini 70 (20.1)",    "Gibertini 125er Alu (21.3)",
    "Gibertini 68er (21.3)",     "Gibertini 78er (21)",       "Gibertini 88er Alu  (21.1)",
    "Gibertini 100er Alu (21.1)", "Jonsa S055 (24.62)",       "Jonsa S060 (22.75)",
    "Jonsa S065 (24.62)",        "Jonsa S075 (22.75)",        "Jonsa S080 (24.62)",
    "Jonsa S085 (24.62)",        "Jonsa S090 (24.62)",        "Jonsa S100 (24.62)",
    "Jonsa S120 (24.62)",        "Jonsa S150 (24.62)",        "Hirschmann Perfect-90 (18.2)",
    "Schwaiger SPI621 (25)",     "Schwaiger SPI721 (25)",     "Schwaiger SPI900 (25)",
    "Schwaiger SPI1000 (25)",    "Schwaiger SPI1250 (25)",    "Any Prime Focus (0)",
};

const char* const kRotorModels[] = {"Jaeger SG99 (50)", "Moteck SG-2100 (40)", "Stab HH100/HH120 (30)"};

// A fixed list shown as a narrow button; opening and closing it run the window's handlers. The
// list closes before the picked item becomes the current one, so the close-up handler runs
// once the pick was applied. A pick with the arrow keys on the closed list runs it as well.
// `Chosen` tells the close-up handler whether the user picked a row this time.
class TModelComboBox : public QComboBox {
 public:
  explicit TModelComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this] {
      Chosen = true;
      if (!open_ && !closing_) CloseUp();
    });
  }
  std::function<void()> OnDropDown;
  std::function<void()> OnCloseUp;
  bool Chosen = false;

  void showPopup() override {
    if (OnDropDown) OnDropDown();
    open_ = true;
    Chosen = false;
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (!open_) return;
    open_ = false;
    closing_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          closing_ = false;
          CloseUp();
        },
        Qt::QueuedConnection);
  }

 private:
  void CloseUp() {
    if (OnCloseUp) OnCloseUp();
    Chosen = false;
  }
  bool open_ = false;
  bool closing_ = false;  // the list closed; its close-up handler is queued
};

// Enter, leave and key handlers of the Sat Info fields. Focus moves caused by another window or
// a context menu are not entering or leaving a field. A click into a field enters it whatever
// the window's state: the focus of a window that the click activates arrives as the window's.
class TSatEditWatcher : public QObject {
 public:
  explicit TSatEditWatcher(TSatForm* form) : QObject(form), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (!form_->Destroyed()) form_->EditFieldEnter(FieldOf(watched));
        break;
      case QEvent::FocusIn:
      case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || form_->Destroyed()) break;
        if (event->type() == QEvent::FocusIn)
          form_->EditFieldEnter(watched);
        else
          form_->EditFieldExit(watched);
        break;
      }
      case QEvent::KeyPress:
        if (!form_->Destroyed() && (watched == form_->DishOffsetEdit || watched == form_->RotorAngleEdit)) {
          const auto* key = static_cast<QKeyEvent*>(event);
          const QString text = key->text();
          char c = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ? '\r'
                   : text.size() == 1 && text[0].unicode() < 256 ? static_cast<char>(text[0].unicode())
                                                                 : '\0';
          form_->DishOffsetEditKeyPress(watched, c);
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  // The memo's clicks arrive at its viewport.
  QObject* FieldOf(QObject* watched) const {
    return form_->RemarksMemo && watched == form_->RemarksMemo->viewport() ? form_->RemarksMemo : watched;
  }
  TSatForm* form_;
};

// Puts the model list right beside the edit, in the edit's place in its layout.
void PlaceBeside(QWidget* list, QLineEdit* edit) {
  QWidget* parent = edit->parentWidget();
  auto* box = new QWidget(parent);
  box->setObjectName(edit->objectName() + "Panel");
  QLayout* layout = parent ? parent->layout() : nullptr;
  QLayoutItem* old = layout ? layout->replaceWidget(edit, box) : nullptr;
  if (!old) {
    delete box;
    list->setParent(parent);
    list->move(edit->x() + edit->width(), edit->y());
    return;
  }
  delete old;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(1);
  row->addWidget(edit, 1);
  list->setParent(box);
  row->addWidget(list, 0);
}

bool IsRotorField(const std::string& fieldName) {
  const int type = SatFieldTypeOf(fieldName);
  return type == sfPulseCount || type == sfRotorHA;
}

// The shown satellite, when it is one of the collection (the empty satellite takes no edits).
TSat* EditableSat(TSat* sat) { return sat && sat != &EmptySat && Sats && Options ? sat : nullptr; }

std::string FieldText(QObject* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return AnsiStr(edit->text());
  if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
    // All lines as one text, lines separated by CR LF.
    std::string text = AnsiStr(memo->toPlainText());
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  }
  return {};
}

// The user typed into the edit or memo since the page or the program last wrote it.
bool IsTyped(const QObject* control) {
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->isModified();
  if (auto* memo = qobject_cast<const QPlainTextEdit*>(control)) return memo->document()->isModified();
  return false;
}

void SetTyped(QObject* control, bool typed) {
  if (auto* edit = qobject_cast<QLineEdit*>(control))
    edit->setModified(typed);
  else if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
    memo->document()->setModified(typed);
}

// A reported longitude as typed: compass letters and degree signs through the angle reader,
// anything else as a plain number; 0 for an empty text, -360 when it does not read.
double ReadRepLongitude(const std::string& t) {
  if (t.empty()) return 0;
  const char last = UpCase(t.back());
  try {
    double value;
    if (std::string_view("ENOSWZ").find(last) != std::string_view::npos || last == DegreeSign)
      value = StrToDeg(t);
    else
      value = StrToFloat(t);
    return std::isfinite(value) ? value : kNoLongitude;
  } catch (const std::exception&) {
    return kNoLongitude;
  }
}

}  // namespace

// ---- the list grid ----------------------------------------------------------------------------

void TSatForm::BuildSatListPage() {
  SatGrid = new TSatGrid(SatListTabSheet);
  SatGrid->setObjectName("SatGrid");
  SatListTabSheet->layout()->addWidget(SatGrid);
  SatGrid->SetColCount(0);
  SatGrid->SetRowCount(1);
}

void TSatForm::FillSatGrid(const std::string& names) {
  if (!SatGrid) return;
  // A cell edit still pending goes into its satellite before the rows are replaced.
  CommitSatGridCell();
  EditCol = 0;
  EditRow = 0;
  const std::vector<std::string> columns = FieldsForm ? FieldsForm->DisplayedFields() : std::vector<std::string>();
  std::vector<std::string> list = ReadCommaText(names);
  if (list.empty()) list.emplace_back();

  SatGrid->setUpdatesEnabled(false);
  SatGrid->SetRowCount(1);
  SatGrid->SetColCount(0);
  SatGrid->SetColCount(static_cast<int>(columns.size()));
  SatGrid->SetRowCount(static_cast<int>(list.size()) + 1);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    SatGrid->SetCells(c, 0, columns[c]);
    SatGrid->SetColWidth(c, FieldsForm->GetFieldWidth(columns[c]));
  }
  for (int r = 1; r <= static_cast<int>(list.size()); ++r) {
    TSat* sat = Sats ? Sats->FindSat(list[r - 1]) : &EmptySat;
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
      SatGrid->SetCells(c, r, FieldsForm->GetFieldText(*sat, columns[c]));
      SatGrid->SetObjects(c, r, sat);
    }
  }
  // The design widths, widened where the fonts used need more.
  for (int c = 0; c < static_cast<int>(columns.size()); ++c)
    SatGrid->SetColWidth(c, std::max(SatGrid->ColWidth(c), SatGrid->ColTextWidth(c)));
  SatGrid->SetCurrentCell(1, 1);
  SatGrid->setUpdatesEnabled(true);
  EditCol = 1;
  EditRow = 1;
}

bool TSatForm::CommitSatGridCell() {
  if (destroyed_ || !SatGrid || !FieldsForm || !Sats || !Options) return false;
  if (EditCol <= 0 || EditRow <= 0 || EditCol >= SatGrid->ColCount() || EditRow >= SatGrid->RowCount()) return false;
  TSat* sat = SatGrid->Objects(EditCol, EditRow);
  if (!sat) return false;
  const std::string field = SatGrid->Cells(EditCol, 0);
  try {
    if (!FieldsForm->SetFieldText(*sat, field, SatGrid->Cells(EditCol, EditRow))) return false;
    SatGrid->SetCells(EditCol, EditRow, FieldsForm->GetFieldText(*sat, field));
    Options->SatInfoEdited = true;
    // A pulse count or rotor hour angle changes the rotor calibration.
    if (IsRotorField(field)) Sats->CalcPulseFit();
  } catch (const std::exception& e) {
    WriteLog("Error storing the edited cell " + field + ": " + e.what());
    return false;
  }
  return true;
}

void TSatForm::CommitPendingEdits() {
  if (destroyed_ || committing_) return;
  committing_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{committing_};
  // A grid cell whose text is not what its satellite holds.
  if (SatGrid && FieldsForm && EditCol > 0 && EditRow > 0 && EditCol < SatGrid->ColCount() &&
      EditRow < SatGrid->RowCount()) {
    const TSat* sat = SatGrid->Objects(EditCol, EditRow);
    if (sat && SatGrid->Cells(EditCol, EditRow) != FieldsForm->GetFieldText(*sat, SatGrid->Cells(EditCol, 0)))
      CommitSatGridCell();
  }
  // The field that holds the window's focus (it keeps it while a menu or another window is in
  // front), when the user typed into it.
  QWidget* field = focusWidget();
  // A city typed into the place box (one picked from its list is taken at once).
  if (field && field == CityComboBox && CityComboBox->lineEdit() && CityComboBox->lineEdit()->isModified()) {
    CityComboBox->lineEdit()->setModified(false);
    return CityComboBoxExit(field);
  }
  if (!field || !IsTyped(field)) return;
  for (QWidget* satField : std::initializer_list<QWidget*>{SatNameEdit, BandsEdit, RemarksMemo, RepLongitudeEdit,
                                                           StoredPosEdit, PulseCountEdit, RotorHAEdit, DishOffsetEdit,
                                                           RotorAngleEdit})
    if (field == satField) return EditFieldExit(field);
  for (QWidget* placeField : {LocObsLonEdit, LocObsLatEdit, LocObsHeightEdit})
    if (field == placeField) return LocObsEditExit(field);
  for (QWidget* obstacleField : {ObstHeightEdit, ObstDistEdit, DishHeightEdit, ObstShadowEdit})
    if (field == obstacleField) return ObstEditExit(field);
}

bool TSatForm::FieldBeingEdited() const {
  QWidget* field = focusWidget();
  if (!field || !IsTyped(field)) return false;
  for (QWidget* held : std::initializer_list<QWidget*>{SatNameEdit, BandsEdit, RemarksMemo, RepLongitudeEdit,
                                                       StoredPosEdit, PulseCountEdit, RotorHAEdit, DishOffsetEdit,
                                                       RotorAngleEdit, ObstShadowEdit})
    if (field == held) return true;
  return false;
}

void TSatForm::SatGridSelectCell(int ACol, int ARow, bool& CanSelect) {
  CommitSatGridCell();
  EditCol = ACol;
  EditRow = ARow;
  CanSelect = true;
}

void TSatForm::SatGridExit(QObject* Sender) { CommitSatGridCell(); }

void TSatForm::SatGridKeyPress(QObject* Sender, char& Key) {
  if (Key == '\r') CommitSatGridCell();
}

void TSatForm::SatGridReleaseSats() {
  if (!SatGrid) return;
  CommitSatGridCell();
  EditCol = 0;
  EditRow = 0;
  SatGrid->SetRowCount(1);
}

void TSatForm::MenuSelectFieldsClick(QObject* Sender) {
  if (FieldsForm) FieldsForm->exec();
  FillSatGrid(Sats ? Sats->GetSatNames() : std::string());
}

// ---- the Sat Info fields ------------------------------------------------------------------------

void TSatForm::ConnectSatEditHandlers() {
  if (SatGrid) {
    SatGrid->OnSelectCell = [this](int col, int row) {
      bool canSelect = true;
      SatGridSelectCell(col, row, canSelect);
    };
    SatGrid->OnExit = [this] {
      if (!destroyed_) SatGridExit(SatGrid);
    };
    SatGrid->OnKeyPress = [this](char& key) { SatGridKeyPress(SatGrid, key); };
  }

  const auto makeList = [this](const char* name, const char* const* items, std::size_t count, QLineEdit* beside,
                               QComboBox*& list) {
    if (!beside || list) return;
    auto* combo = new TModelComboBox(beside->parentWidget());
    combo->setObjectName(name);
    for (std::size_t i = 0; i < count; ++i) combo->addItem(QStr(items[i]));
    combo->setCurrentIndex(-1);
    combo->setEditable(false);
    combo->setFixedWidth(kModelListWidth);
    combo->view()->setMinimumWidth(kModelListOpenWidth);
    PlaceBeside(combo, beside);
    combo->OnDropDown = [this, combo] { DishBrandComboBoxDropDown(combo); };
    combo->OnCloseUp = [this, combo] { DishBrandComboBoxCloseUp(combo); };
    list = combo;
  };
  makeList("DishBrandComboBox", kDishModels, std::size(kDishModels), DishOffsetEdit, DishBrandComboBox);
  makeList("RotorBrandComboBox", kRotorModels, std::size(kRotorModels), RotorAngleEdit, RotorBrandComboBox);

  auto* watcher = new TSatEditWatcher(this);
  for (QWidget* field : std::initializer_list<QWidget*>{SatNameEdit, BandsEdit, RemarksMemo, RepLongitudeEdit,
                                                        StoredPosEdit, PulseCountEdit, RotorHAEdit, DishOffsetEdit,
                                                        RotorAngleEdit})
    if (field) field->installEventFilter(watcher);
  if (RemarksMemo) RemarksMemo->viewport()->installEventFilter(watcher);
  for (QCheckBox* box : {IgnorePCCheckBox, DynHACheckBox})
    if (box)
      connect(box, &QCheckBox::toggled, this, [this, box] {
        if (!destroyed_) IgnorePCCheckBoxClick(box);
      });
}

void TSatForm::EditFieldEnter(QObject* Sender) {
  // No refresh of the page while a field is being edited.
  ClockTimer->stop();
}

void TSatForm::DishOffsetEditKeyPress(QObject* Sender, char& Key) {
  ClockTimer->stop();
  if (Key == '\r') EditFieldExit(Sender);
}

void TSatForm::EditFieldExit(QObject* Sender) {
  if (destroyed_ || !Sender) return;
  const std::string t = Trim(FieldText(Sender));
  const bool typed = IsTyped(Sender);
  SetTyped(Sender, false);  // taken: no longer an edit in progress
  TSat* sat = EditableSat(CurrentSat);
  if (sat) {
    TSatInfoRecord& info = sat->SatInfo;
    bool edited = false;
    try {
      if (Sender == SatNameEdit) {
        if (!t.empty() && t != sat->Name) {
          Sats->RenameSat(t, sat);
          edited = sat->Name == t;
          if (edited) {
            // The page's list shows the new name, selected when the filters let it through.
            ListBoxGuard = true;
            SatListBox->clear();
            int index = -1;
            for (const std::string& name : Sats->GetSatNameList()) {
              if (index < 0 && SameText(name, t)) index = SatListBox->count();
              SatListBox->addItem(QStr(name));
            }
            SatListBox->setCurrentRow(index);
            ListBoxGuard = false;
          }
        }
      } else if (Sender == BandsEdit) {
        if (t != info.Bands.view()) {
          info.Bands = t;  // the first 20 characters
          edited = true;
        }
      } else if (Sender == RemarksMemo) {
        if (t != info.Remarks) {
          info.Remarks = t;
          edited = true;
        }
      } else if (Sender == RepLongitudeEdit) {
        // A text the user left as the page wrote it is not read back: the page shows three
        // decimals, and the log's longitude when none is reported.
        if (typed) {
          const double value = ReadRepLongitude(t);
          if (value != kNoLongitude && value != info.RepLongitude) {
            info.RepLongitude = value;
            edited = true;
          }
        }
      } else if (Sender == PulseCountEdit) {
        std::int32_t n;
        if (!TryStrToInt(t, n)) n = PulseCountUnset;
        if (n != info.PulseCount) {
          info.PulseCount = n;
          edited = true;
          Sats->CalcPulseFit();
        }
      } else if (Sender == RotorHAEdit) {
        std::string s = t;
        std::replace(s.begin(), s.end(), DegreeSign, ' ');
        double x;
        if (!TryStrToFloat(Trim(s), x) || !std::isfinite(x)) x = kNoHourAngle;
        const bool dynamic = DynHACheckBox ? DynHACheckBox->isChecked() : info.DynHA;
        if (!dynamic && typed && x != kNoHourAngle && x != -info.RotorHA) {
          info.RotorHA = -x;
          info.DynHA = false;
          edited = true;
          Sats->CalcPulseFit();
        }
      } else if (Sender == StoredPosEdit) {
        if (t != info.StoredPos) {
          info.StoredPos = t;
          edited = true;
        }
      }
      // The dish offset and the rotor angle are read by the page's drawings only.
    } catch (const std::exception& e) {
      WriteLog(std::string("Error storing the edited satellite information: ") + e.what());
    }
    if (edited) Options->SatInfoEdited = true;
  }

  // The clock runs again, or the page shows the stored values in their own form.
  if (satEditBusy_) return;  // called while the page is being redrawn: that redraw shows them
  satEditBusy_ = true;
  try {
    QWidget* page = MainPageControl->currentWidget();
    const bool run = (page == LocationTabSheet || page == SatInfoTabSheet) &&
                     (InfoRealTimeCheckBox->isChecked() || InfoTimerButton->isChecked());
    if (run) {
      ClockTimer->start();
      ClockTimerTimer();
    } else {
      ClockTimer->stop();
      if (!PageFilling()) ShowSatInfo(CurrentSat ? *CurrentSat : EmptySat);
    }
  } catch (const std::exception& e) {
    WriteLog(std::string("Error redrawing the satellite information: ") + e.what());
  }
  satEditBusy_ = false;
}

void TSatForm::IgnorePCCheckBoxClick(QObject* Sender) {
  // Set by the page while it shows the satellite's values: not an edit.
  if (IgnorePCCheckBoxTag != 0 || destroyed_) return;
  if (TSat* sat = EditableSat(CurrentSat)) {
    TSatInfoRecord& info = sat->SatInfo;
    info.IgnorePC = IgnorePCCheckBox && IgnorePCCheckBox->isChecked();
    info.DynHA = DynHACheckBox && DynHACheckBox->isChecked();
    // Leaving the dynamic hour angle: the rotor starts from where the satellite stands now.
    if (Sender != nullptr && Sender == DynHACheckBox && !info.DynHA) info.RotorHA = sat->SatPos.HA;
    Options->SatInfoEdited = true;
    Sats->CalcPulseFit();
  }
  if (ClockTimer->isActive())
    ClockTimerTimer();
  else if (!PageFilling())
    ShowSatInfo(CurrentSat ? *CurrentSat : EmptySat);
}

// ---- the model lists ----------------------------------------------------------------------------

void TSatForm::DishBrandComboBoxDropDown(QObject* Sender) {
  auto* list = qobject_cast<QComboBox*>(Sender);
  if (!list) return;
  int& tag = list == RotorBrandComboBox ? RotorBrandComboBoxTag : DishBrandComboBoxTag;
  tag = list->x();
  (list == RotorBrandComboBox ? RotorBrandComboBoxRow : DishBrandComboBoxRow) = list->currentIndex();
  // Opened wide, its right edge near the right edge of the group.
  QWidget* parent = list->parentWidget();
  QWidget* group = ObservedGroupBox ? static_cast<QWidget*>(ObservedGroupBox) : parent;
  int left = group ? group->contentsRect().width() - kModelListOpenOffset : list->x();
  if (group && parent && group != parent && group->isAncestorOf(parent)) left = parent->mapFrom(group, QPoint(left, 0)).x();
  list->setFixedWidth(kModelListOpenWidth);
  list->move(left, list->y());
  list->raise();
}

void TSatForm::DishBrandComboBoxCloseUp(QObject* Sender) {
  auto* list = qobject_cast<QComboBox*>(Sender);
  if (!list) return;
  const bool rotor = list == RotorBrandComboBox;
  const std::string text = AnsiStr(list->currentText());
  list->setFixedWidth(kModelListWidth);
  list->move(rotor ? RotorBrandComboBoxTag : DishBrandComboBoxTag, list->y());
  // A list closed without a choice leaves an angle typed meanwhile as it is.
  const auto* model = dynamic_cast<const TModelComboBox*>(list);
  const bool picked =
      list->currentIndex() != (rotor ? RotorBrandComboBoxRow : DishBrandComboBoxRow) || (model && model->Chosen);
  if (!picked) return;
  if (text.empty()) return;
  try {
    // The angle stands between the parentheses.
    const auto open = text.find('(');
    const auto close = text.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return;
    QLineEdit* edit = rotor ? RotorAngleEdit : DishOffsetEdit;
    if (!edit) return;
    edit->setText(QStr(text.substr(open + 1, close - open - 1)));
    EditFieldExit(edit);
  } catch (const std::exception& e) {
    WriteLog(std::string("Error taking the model's angle: ") + e.what());
  }
}
