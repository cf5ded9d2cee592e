// The list fields of the satellite list and the column chooser `TFieldsForm` ("Select Displayed
// Fields").
//
// Twenty list fields render a satellite as the texts of the list grid, its printout and its
// saved file; a few of them take an edited cell back into the satellite. A column is addressed
// by its header name, without regard to letter case. The chooser holds every field in one of its
// two lists; the order of "Displayed Fields" is the order of the grid's columns.
//
// The field texts are plain functions as well (`SatFieldText`, `SetSatFieldText`), so they can be
// used and tested without the dialog.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QHideEvent;
class QLabel;
class QListWidget;
class QToolButton;
class TSat;
class TSats;

enum TSatFieldType : std::uint8_t {
  sfNoradNr,
  sfName,
  sfRepLong,
  sfTransp,
  sfRemarks,
  sfURL,
  sfCosparName,
  sfLong,
  sfLat,
  sfHA,
  sfLHA,
  sfPol,
  sfDec,
  sfAzi,
  sfElev,
  sfPulseCount,
  sfPos,
  sfRotorHA,
  sfCalcPC,
  sfDev,
};
inline constexpr int SatFieldCount = 20;

// The column names in the order of the field types, as comma text.
extern const char* const SatFieldNames;

// The header of a field type ("" outside the table), its default column width in pixels, and the
// type of a header name (case ignored; -1 for an unknown name).
std::string_view SatFieldHeader(int type);
int SatFieldWidth(int type);
int SatFieldTypeOf(std::string_view header);

// The cell text of a satellite; `fitSlope` and `fitIntercept` are the collection's pulse-count
// fit. A type outside the table gives an empty text.
std::string SatFieldText(const TSat& sat, int type, double fitSlope, double fitIntercept);

// Writes an edited cell back into the satellite; true when a stored value changed. `sats` renames
// a satellite (no rename without it). The empty satellite (`EmptySat`) is never changed.
bool SetSatFieldText(TSat& sat, int type, const std::string& text, TSats* sats);

// One list field.
struct TSatField {
  TSatFieldType FieldType = sfNoradNr;
};

class TFieldsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFieldsForm(QWidget* parent = nullptr);
  ~TFieldsForm() override;

  // Cell text, edit and default width by header name, with the program's collection (`Sats`)
  // for the pulse-count fit and renaming. An unknown name gives an empty text, no change, and
  // the grid's default width of 64 pixels.
  std::string GetFieldText(const TSat& sat, const std::string& fieldName) const;
  bool SetFieldText(TSat& sat, const std::string& fieldName, const std::string& newText);
  int GetFieldWidth(const std::string& fieldName) const;

  // Rebuilds the field list from the names (at most 20 taken; the type of a field is its
  // position) and shows the first six fields.
  void SetFields(const std::string& commaText);
  void ClearFields();

  // The displayed column names, in order.
  std::vector<std::string> DisplayedFields() const;

  // ---- handlers ----
  void FormCreate();
  void FormDestroy();
  void FormHide();
  void SelDeselButtonClick(QObject* Sender);
  void SelAllButtonClick(QObject* Sender);
  void DeselAllButtonClick(QObject* Sender);
  void FieldUpButtonClick(QObject* Sender);
  void FieldDownButtonClick(QObject* Sender);
  void OKButtonClick(QObject* Sender);

  // ---- components ----
  QLabel* AvailLabel = nullptr;
  QLabel* DispLabel = nullptr;
  QListWidget* AvailListBox = nullptr;
  QListWidget* DispListBox = nullptr;
  QToolButton* SelButton = nullptr;
  QToolButton* DeselButton = nullptr;
  QToolButton* SelAllButton = nullptr;
  QToolButton* DeselAllButton = nullptr;
  QToolButton* FieldUpButton = nullptr;
  QToolButton* FieldDownButton = nullptr;
  QToolButton* OKButton = nullptr;

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  int TypeOfName(std::string_view name) const;
  void MoveSelected(QListWidget* from, QListWidget* to);
  void MoveAll(QListWidget* from, QListWidget* to);

  // The field list: every column name with its field, in the order of the names given.
  std::vector<std::pair<std::string, std::unique_ptr<TSatField>>> fieldList_;
};

// The program's column chooser, created after the main window (nullptr before and after).
extern TFieldsForm* FieldsForm;
