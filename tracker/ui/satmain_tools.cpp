// The tools page.
#include "satmain.h"

void TSatForm::DrawTools() {
  // The aiming templates are drawn here once they are added.
}

void TSatForm::NextPrevSatClick(QObject* Sender) {
  // Steps through the satellite list once the tools page is added.
}
