// The location page: observer place, time, sun and moon panel.
#include "satmain.h"

void TSatForm::ShowLocationInfo() {
  // The time, sun and moon panel is filled here once it is added.
}
