// Widget-free pieces of the options dialog: the resolution text and the comma text of the
// element-set address list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The resolution of a text such as "150 Dpi": every "dpi" (any letter case) removed, blanks
// trimmed, read as an integer (150 when it is not one) and limited to 25..1200.
std::int32_t DpiFromText(std::string_view text);

// The resolution as the box shows it: "300 Dpi".
std::string DpiText(std::int32_t dpi);

// Items of a comma text: separated by commas or by blanks outside double quotes; a quoted item
// keeps its blanks and commas, with doubled quotes read as one; a comma at the very end adds an
// empty item.
std::vector<std::string> ReadCommaText(std::string_view text);
