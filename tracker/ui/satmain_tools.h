// Helpers of the Tools page.
#pragma once

#include <QString>

class QSpinBox;

// The number a spin edit holds as its text reads: an optional sign and decimal digits, blanks
// around them allowed. A text that is not such an integer gives the spin edit's minimum; the
// number is kept within the spin edit's range.
int SpinEditValue(const QSpinBox& spin);
// The same rule on a bare text and range (min <= max).
int SpinEditValue(const QString& text, int min, int max);
