// Comma text: the form in which the orbit library and the tracker hand lists of names over (the
// automation object's SatNames and pass list, the collection's names, the place list's
// countries). The one writer of it; no Qt.
#pragma once

#include <string>
#include <vector>

namespace commatext {

// The items in order, separated by ",". An item holding a blank, a comma, a double quote or a
// control character (below 32, or 127) is enclosed in double quotes, each inner double quote
// doubled; with quoteEvery every item is. A list of one empty item gives two double quotes; no
// items give the empty text.
inline std::string Join(const std::vector<std::string>& items, bool quoteEvery = false) {
  std::string out;
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& item = items[i];
    bool quote = quoteEvery;
    for (const char ch : item) {
      const auto c = static_cast<unsigned char>(ch);
      quote = quote || c <= ' ' || c == ',' || c == '"' || c == 0x7F;
    }
    if (!quote) {
      out += item;
      continue;
    }
    out += '"';
    for (const char c : item) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

}  // namespace commatext
