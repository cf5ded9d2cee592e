// The satellite list page.
#include "satmain.h"

void TSatForm::FillSatGrid(const std::string& names) {
  // The list grid is filled here once it is added.
}

void TSatForm::MenuSelectFieldsClick(QObject* Sender) {
  // Opens the column chooser once it is added.
}
