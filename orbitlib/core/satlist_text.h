// Text routines the element list shares with its file reading.
#pragma once

#include <string>
#include <string_view>

namespace orbit::listtext {

char UpperAscii(char c);
std::string UpperAscii(std::string_view s);
// The text without leading and trailing blanks and control characters.
std::string_view Trim(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
// A real number: optional sign, digits, optional point and digits, optional exponent; the whole
// text must be the number. `out` is left alone when the text is not one.
bool ParseReal(std::string_view s, double& out);
// `width` characters from the 1-based `column`, cut at the end of the line.
std::string_view Column(std::string_view line, int column, int width);

}  // namespace orbit::listtext

// Both files of the list call them unqualified.
namespace orbit {
using listtext::Column;
using listtext::CompareNoCase;
using listtext::EqualsNoCase;
using listtext::ParseReal;
using listtext::Trim;
using listtext::UpperAscii;
}  // namespace orbit
