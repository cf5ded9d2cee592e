#include "optionform_text.h"

#include "format.h"
#include "options.h"
#include "texthelpers.h"

std::int32_t DpiFromText(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (i + 3 <= text.size() && SameText(text.substr(i, 3), "dpi")) {
      i += 3;
    } else {
      s.push_back(text[i]);
      ++i;
    }
  }
  std::int32_t dpi = StrToIntDef(Trim(s), 150);
  if (dpi < TOptions::MinImgDpi) dpi = TOptions::MinImgDpi;
  if (dpi > TOptions::MaxImgDpi) dpi = TOptions::MaxImgDpi;
  return dpi;
}

std::string DpiText(std::int32_t dpi) { return IntToStr(dpi) + " Dpi"; }

namespace {
bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::vector<std::string> ReadCommaText(std::string_view text) {
  std::vector<std::string> items;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto skipBlanks = [&] {
    while (i < n && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item.push_back(text[i++]);
      }
    } else {
      const std::size_t start = i;
      while (i < n && !IsBlank(text[i]) && text[i] != ',') ++i;
      item.assign(text.substr(start, i - start));
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (i < n && text[i] == ',') {
      if (i + 1 == n) items.emplace_back();
      ++i;
      skipBlanks();
    }
  }
  return items;
}
