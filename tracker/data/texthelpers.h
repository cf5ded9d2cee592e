// Small text helpers of the tracker. The model's texts are single-byte: Windows-1252 (which is
// Latin-1 apart from 0x80..0x9F), the degree sign being the byte 0xB0. The conversions to and
// from UTF-8 are for the Qt boundary and for reading data files.
#pragma once

#include <string>
#include <string_view>

inline constexpr char DegreeSign = '\xB0';
inline constexpr std::string_view DegreeSignStr = "\xB0";

// Leading and trailing characters with codes up to 32 removed.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII letters only.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
char UpCase(char c);
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0, case ignored

// Single-byte (Windows-1252) text to UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to single-byte text; characters without a single-byte form become '?', bytes that are
// not valid UTF-8 are taken as single-byte characters.
std::string Utf8ToAnsi(std::string_view utf8);
bool IsValidUtf8(std::string_view bytes);
// File contents to the model's single-byte form: valid UTF-8 with multi-byte sequences (or a
// UTF-8 byte-order mark) is decoded; anything else is returned byte for byte.
std::string FileTextToAnsi(std::string_view bytes);
