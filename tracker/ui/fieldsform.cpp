#include "fieldsform.h"

#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "anglehelpers.h"
#include "format.h"
#include "optionform_text.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "texthelpers.h"

TFieldsForm* FieldsForm = nullptr;

const char* const SatFieldNames =
    "\"Norad Nr\",Name,Rep.Long,Transp.,Remarks,URL,\"Cospar Name\",Long,Lat,HA,LHA,Pol,Dec,Azi,Elev,"
    "PulseCount,Pos,RotorHA,CalcPC,Dev";

namespace {

struct TFieldInfo {
  const char* Header;
  int Width;
};

constexpr TFieldInfo kFields[SatFieldCount] = {
    {"Norad Nr", 50}, {"Name", 150},      {"Rep.Long", 70}, {"Transp.", 80}, {"Remarks", 180},
    {"URL", 180},     {"Cospar Name", 80}, {"Long", 70},     {"Lat", 50},     {"HA", 50},
    {"LHA", 50},      {"Pol", 50},         {"Dec", 50},      {"Azi", 70},     {"Elev", 50},
    {"PulseCount", 50}, {"Pos", 50},       {"RotorHA", 50},  {"CalcPC", 50},  {"Dev", 50},
};

// The width of a grid column nobody sized.
constexpr int kDefaultColumnWidth = 64;
// What an unreadable angle or number reads as.
constexpr double kNoLongitude = -360;
constexpr double kNoNumber = -2147483647;

constexpr int kTypeRole = Qt::UserRole;

std::string Angle(double deg) { return DegToDMSStr("##0.000", true, deg); }
std::string DirAngle(const char* letters, double deg) { return DegToDirStr("##0.000", true, letters, deg); }

// A reported longitude as typed: compass letters and degree signs through the angle reader,
// other texts as plain numbers; -360 when it does not read.
double ReadLongitude(const std::string& text) {
  if (text.empty()) return 0;
  const char last = UpCase(text.back());
  try {
    if (std::string_view("ENOSWZ").find(last) != std::string_view::npos || last == DegreeSign)
      return StrToDeg(text);
    return StrToFloat(text);
  } catch (const EConvertError&) {
    return kNoLongitude;
  }
}

// Stores `text` into a text field when it differs from the old value, trimmed.
template <class TField>
bool StoreText(TField& field, const std::string& text) {
  if (text == Trim(std::string_view(field))) return false;
  field = text;
  return true;
}

}  // namespace

std::string_view SatFieldHeader(int type) {
  if (type < 0 || type >= SatFieldCount) return {};
  return kFields[type].Header;
}

int SatFieldWidth(int type) {
  if (type < 0 || type >= SatFieldCount) return kDefaultColumnWidth;
  return kFields[type].Width;
}

int SatFieldTypeOf(std::string_view header) {
  for (int i = 0; i < SatFieldCount; ++i)
    if (SameText(header, kFields[i].Header)) return i;
  return -1;
}

std::string SatFieldText(const TSat& sat, int type, double fitSlope, double fitIntercept) {
  const TSatInfoRecord& info = sat.SatInfo;
  const TSatPosRecord& pos = sat.SatPos;
  const bool pulseSet = PulseCountIsSet(info.PulseCount);
  switch (type) {
    case sfNoradNr: return IntToStr(sat.TwoLine.NoradNr);
    case sfName: return sat.Name;
    case sfRepLong:
      return DirAngle("EW", info.RepLongitude != 0 ? info.RepLongitude : sat.GeoLog.Longitude);
    case sfTransp: return info.Bands.str();
    case sfRemarks: return info.Remarks;
    case sfURL: return info.URL;
    case sfCosparName: return sat.TwoLine.CosparName.str();
    case sfLong: return DirAngle("EW", pos.Longitude);
    case sfLat: return DirAngle("NS", pos.Latitude);
    case sfHA: return Angle(Normalize180(pos.HA));
    case sfLHA: return Angle(Normalize180(pos.RelLongitude));
    case sfPol: return Angle(pos.PolAngle);
    case sfDec: return Angle(pos.Declination);
    case sfAzi: return DirAngle("EW", 180 - pos.Azimuth);
    case sfElev: return Angle(pos.Elevation);
    case sfPulseCount: return pulseSet ? IntToStr(info.PulseCount) : std::string();
    case sfPos: return info.StoredPos;
    case sfRotorHA:
      if (!pulseSet) return {};
      return Angle(Normalize180(info.DynHA ? -pos.HA : -info.RotorHA));
    case sfCalcPC: return FormatFloat("###0.##", pos.HA * fitSlope + fitIntercept);
    case sfDev:
      if (!pulseSet) return {};
      return FormatFloat("###0.##", pos.HA * fitSlope + fitIntercept - info.PulseCount);
    default: return {};
  }
}

bool SetSatFieldText(TSat& sat, int type, const std::string& newText, TSats* sats) {
  // The empty satellite stands for "no satellite": nothing is ever stored into it.
  if (&sat == &EmptySat) return false;
  const std::string text = Trim(newText);
  TSatInfoRecord& info = sat.SatInfo;
  switch (type) {
    case sfName:
      if (text == Trim(sat.Name) || !sats) return false;
      sats->RenameSat(text, &sat);
      return sat.Name == text;  // the collection refuses an empty name
    case sfRepLong: {
      const double value = ReadLongitude(text);
      if (value == kNoLongitude) return false;
      // A cell left as it shows changes nothing (the texts carry three decimals only).
      if (value == ReadLongitude(SatFieldText(sat, sfRepLong, 0, 0))) return false;
      // The cell shows the log's longitude when none is reported: typing it (or 0, or nothing)
      // means "no reported longitude".
      const double reported = value == ReadLongitude(DirAngle("EW", sat.GeoLog.Longitude)) ? 0 : value;
      if (reported == info.RepLongitude) return false;
      info.RepLongitude = reported;
      return true;
    }
    case sfTransp:
      if (text == Trim(info.Bands.view())) return false;
      info.Bands = text;  // keeps the first 20 characters
      return true;
    case sfRemarks: return StoreText(info.Remarks, text);
    case sfURL: return StoreText(info.URL, text);
    case sfPos: return StoreText(info.StoredPos, text);
    case sfPulseCount: {
      std::int32_t n;
      if (!TryStrToInt(text, n)) n = PulseCountUnset;
      if (n == info.PulseCount) return false;
      info.PulseCount = n;
      return true;
    }
    case sfRotorHA: {
      std::string t = text;
      std::replace(t.begin(), t.end(), DegreeSign, ' ');
      double x;
      if (!TryStrToFloat(Trim(t), x)) x = kNoNumber;
      if (info.DynHA || x <= kNoNumber) return false;
      // Compared with the hour angle as the cell shows it.
      if (std::fabs(x - Normalize180(-info.RotorHA)) <= 0.001) return false;
      info.RotorHA = -x;
      return true;
    }
    default: return false;
  }
}

// ---- the dialog -----------------------------------------------------------------------------

namespace {

QToolButton* MakeButton(const char* name, const QString& text, const char* hint, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(hint);
  b->setAutoRaise(true);
  b->setMinimumWidth(32);
  return b;
}

QListWidget* MakeListBox(const char* name, QWidget* parent) {
  auto* l = new QListWidget(parent);
  l->setObjectName(name);
  l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  l->setMinimumSize(140, 260);
  return l;
}

}  // namespace

TFieldsForm::TFieldsForm(QWidget* parent) : QDialog(parent) {
  setObjectName("FieldsForm");
  setWindowTitle("Select Displayed Fields");
  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);  // a fixed border

  AvailLabel = new QLabel("Available Fields", this);
  AvailLabel->setObjectName("AvailLabel");
  DispLabel = new QLabel("Displayed Fields", this);
  DispLabel->setObjectName("DispLabel");
  AvailListBox = MakeListBox("AvailListBox", this);
  DispListBox = MakeListBox("DispListBox", this);

  SelButton = MakeButton("SelButton", ">", "Display the selected fields", this);
  SelAllButton = MakeButton("SelAllButton", ">>", "Display all fields", this);
  DeselButton = MakeButton("DeselButton", "<", "Hide the selected fields", this);
  DeselAllButton = MakeButton("DeselAllButton", "<<", "Hide all fields", this);
  FieldUpButton = MakeButton("FieldUpButton", QString(), "Move the selected fields up", this);
  FieldUpButton->setArrowType(Qt::UpArrow);
  FieldDownButton = MakeButton("FieldDownButton", QString(), "Move the selected fields down", this);
  FieldDownButton->setArrowType(Qt::DownArrow);
  OKButton = MakeButton("OKButton", "OK", "Close", this);

  auto* moves = new QVBoxLayout;
  moves->addStretch(1);
  for (QToolButton* b : {SelButton, SelAllButton, DeselButton, DeselAllButton}) moves->addWidget(b);
  moves->addStretch(1);
  auto* order = new QVBoxLayout;
  order->addStretch(1);
  order->addWidget(FieldUpButton);
  order->addWidget(FieldDownButton);
  order->addStretch(1);

  grid->addWidget(AvailLabel, 0, 0);
  grid->addWidget(DispLabel, 0, 2);
  grid->addWidget(AvailListBox, 1, 0);
  grid->addLayout(moves, 1, 1);
  grid->addWidget(DispListBox, 1, 2);
  grid->addLayout(order, 1, 3);
  grid->addWidget(OKButton, 2, 2, 1, 2, Qt::AlignRight);

  connect(SelButton, &QToolButton::clicked, this, [this] { SelDeselButtonClick(SelButton); });
  connect(DeselButton, &QToolButton::clicked, this, [this] { SelDeselButtonClick(DeselButton); });
  connect(SelAllButton, &QToolButton::clicked, this, [this] { SelAllButtonClick(SelAllButton); });
  connect(DeselAllButton, &QToolButton::clicked, this, [this] { DeselAllButtonClick(DeselAllButton); });
  connect(FieldUpButton, &QToolButton::clicked, this, [this] { FieldUpButtonClick(FieldUpButton); });
  connect(FieldDownButton, &QToolButton::clicked, this, [this] { FieldDownButtonClick(FieldDownButton); });
  connect(OKButton, &QToolButton::clicked, this, [this] { OKButtonClick(OKButton); });

  FormCreate();
}

TFieldsForm::~TFieldsForm() { FormDestroy(); }

void TFieldsForm::FormCreate() { SetFields(SatFieldNames); }

void TFieldsForm::FormDestroy() { ClearFields(); }

void TFieldsForm::ClearFields() { fieldList_.clear(); }

void TFieldsForm::SetFields(const std::string& commaText) {
  AvailListBox->clear();
  DispListBox->clear();
  std::vector<std::string> names = ReadCommaText(commaText);
  ClearFields();
  if (names.size() > SatFieldCount) names.resize(SatFieldCount);
  for (size_t i = 0; i < names.size(); ++i) {
    auto field = std::make_unique<TSatField>();
    field->FieldType = static_cast<TSatFieldType>(i);
    fieldList_.emplace_back(names[i], std::move(field));
  }
  for (const auto& [name, field] : fieldList_) {
    auto* item = new QListWidgetItem(QStr(name));
    item->setData(kTypeRole, static_cast<int>(field->FieldType));
    AvailListBox->addItem(item);
  }
  // At start the grid shows the first six fields.
  for (int i = 0; i < AvailListBox->count(); ++i) {
    const int type = AvailListBox->item(i)->data(kTypeRole).toInt();
    AvailListBox->item(i)->setSelected(type <= sfURL);
  }
  MoveSelected(AvailListBox, DispListBox);
  AvailListBox->clearSelection();
}

int TFieldsForm::TypeOfName(std::string_view name) const {
  for (const auto& [fieldName, field] : fieldList_)
    if (SameText(fieldName, name)) return field->FieldType;
  return -1;
}

std::string TFieldsForm::GetFieldText(const TSat& sat, const std::string& fieldName) const {
  const int type = TypeOfName(fieldName);
  return SatFieldText(sat, type, Sats ? Sats->FitSlope : 0.0, Sats ? Sats->FitIntercept : 0.0);
}

bool TFieldsForm::SetFieldText(TSat& sat, const std::string& fieldName, const std::string& newText) {
  return SetSatFieldText(sat, TypeOfName(fieldName), newText, Sats);
}

int TFieldsForm::GetFieldWidth(const std::string& fieldName) const { return SatFieldWidth(TypeOfName(fieldName)); }

std::vector<std::string> TFieldsForm::DisplayedFields() const {
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(DispListBox->count()));
  for (int i = 0; i < DispListBox->count(); ++i) names.push_back(AnsiStr(DispListBox->item(i)->text()));
  return names;
}

// ---- moving fields ----------------------------------------------------------------------------

void TFieldsForm::MoveSelected(QListWidget* from, QListWidget* to) {
  std::vector<int> selected;
  for (int i = 0; i < from->count(); ++i)
    if (from->item(i)->isSelected()) selected.push_back(i);
  if (selected.empty()) return;
  std::vector<QListWidgetItem*> moved(selected.size());
  for (size_t k = selected.size(); k-- > 0;) moved[k] = from->takeItem(selected[k]);
  for (QListWidgetItem* item : moved) {
    to->addItem(item);
    item->setSelected(false);
  }
  // The item now standing where the first moved one stood is selected (or the last one).
  from->clearSelection();
  if (from->count() == 0) return;
  const int row = std::min(selected.front(), from->count() - 1);
  from->setCurrentRow(row, QItemSelectionModel::NoUpdate);
  from->item(row)->setSelected(true);
}

void TFieldsForm::MoveAll(QListWidget* from, QListWidget* to) {
  while (from->count() > 0) {
    QListWidgetItem* item = from->takeItem(0);
    to->addItem(item);
    item->setSelected(false);
  }
}

void TFieldsForm::SelDeselButtonClick(QObject* Sender) {
  if (Sender == SelButton)
    MoveSelected(AvailListBox, DispListBox);
  else if (Sender == DeselButton)
    MoveSelected(DispListBox, AvailListBox);
}

void TFieldsForm::SelAllButtonClick(QObject*) { MoveAll(AvailListBox, DispListBox); }

void TFieldsForm::DeselAllButtonClick(QObject*) { MoveAll(DispListBox, AvailListBox); }

namespace {

// Swaps the items at rows a and b (a < b) of the list, keeping their selection.
void SwapRows(QListWidget* list, int a, int b) {
  const bool selA = list->item(a)->isSelected();
  const bool selB = list->item(b)->isSelected();
  QListWidgetItem* itemB = list->takeItem(b);
  QListWidgetItem* itemA = list->takeItem(a);
  list->insertItem(a, itemB);
  list->insertItem(b, itemA);
  itemB->setSelected(selB);
  itemA->setSelected(selA);
}

}  // namespace

void TFieldsForm::FieldUpButtonClick(QObject*) {
  for (int i = 1; i < DispListBox->count(); ++i)
    if (DispListBox->item(i)->isSelected() && !DispListBox->item(i - 1)->isSelected()) SwapRows(DispListBox, i - 1, i);
}

void TFieldsForm::FieldDownButtonClick(QObject*) {
  for (int i = DispListBox->count() - 2; i >= 0; --i)
    if (DispListBox->item(i)->isSelected() && !DispListBox->item(i + 1)->isSelected()) SwapRows(DispListBox, i, i + 1);
}

void TFieldsForm::OKButtonClick(QObject*) { accept(); }

void TFieldsForm::FormHide() {
  // The grid always shows at least two columns.
  if (DispListBox->count() < 2) MoveAll(AvailListBox, DispListBox);
}

void TFieldsForm::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) FormHide();
  QDialog::hideEvent(event);
}
