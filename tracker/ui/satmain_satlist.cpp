// The satellite list page.
#include "satmain.h"

void TSatForm::FillSatGrid(const std::string& names) {}
void TSatForm::MenuSelectFieldsClick(QObject* Sender) {}
void TSatForm::SatGridSelectCell(int ACol, int ARow, bool& CanSelect) { CanSelect = true; }
void TSatForm::SatGridExit(QObject* Sender) {}
void TSatForm::SatGridKeyPress(QObject* Sender, char& Key) {}
void TSatForm::SatGridReleaseSats() {}
void TSatForm::EditFieldEnter(QObject* Sender) {}
void TSatForm::EditFieldExit(QObject* Sender) {}
void TSatForm::DishOffsetEditKeyPress(QObject* Sender, char& Key) {}
void TSatForm::IgnorePCCheckBoxClick(QObject* Sender) {}
void TSatForm::DishBrandComboBoxDropDown(QObject* Sender) {}
void TSatForm::DishBrandComboBoxCloseUp(QObject* Sender) {}
void TSatForm::BuildSatListPage() {}
void TSatForm::ConnectSatEditHandlers() {}
bool TSatForm::CommitSatGridCell() { return false; }
