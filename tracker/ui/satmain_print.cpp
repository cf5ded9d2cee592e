// Printing.
#include "satmain.h"

void TSatForm::MenuPrintClick(QObject* Sender) {
  // Printing of the pages comes here.
}
