// The value labels of the Location, Sat Info and Obstacle pages: the pointer help that makes the
// angle and dish drawings mark the angle a label stands for, and the double-click that puts a
// label's bare number on the clipboard. Labels are known by their object names.
#pragma once

#include <QString>

#include <span>
#include <string_view>

// The help code (`THelpItem`, dishplots.h) of a label the pointer may enter; -1 for a label
// without pointer help. A value's description label is named like the value label with "Desc"
// before "Label" (`PolAxisDescLabel` for `PolAxisLabel`).
int HelpItemOfLabel(std::string_view objectName);
// The names of the labels with pointer help (44).
std::span<const std::string_view> HelpLabelNames();
// The names of the value labels whose number a double-click copies (108).
std::span<const std::string_view> ValueLabelNames();
bool IsValueLabel(std::string_view objectName);

// The text a double-click puts on the clipboard: the caption without every "/s", then every
// "Km", then every degree sign (letter case counts), and without leading and trailing blanks
// and control characters. "3.07 Km/s" gives "3.07", "12.5°" gives "12.5".
QString ClipboardNumber(const QString& caption);
