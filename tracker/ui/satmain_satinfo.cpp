// The satellite information page.
#include <QLineEdit>

#include "qtext.h"
#include "satmain.h"
#include "sat.h"

void TSatForm::ShowSatInfo(TSat& Sat) {
  // A first version: remembers the satellite and shows its name; the page's fields, the world
  // map and the plots are filled here as they are added.
  CurrentSat = &Sat;
  if (&Sat != &EmptySat) SatNameEdit->setText(QStr(Sat.Name));
}
