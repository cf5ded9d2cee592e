// Text handling of the tracker's data files: whole-file reading as single-byte lines, fixed
// columns, the ";"-separated lines of "sats.csv", and atomic writing.
//
// The model keeps texts single-byte (degree sign 0xB0). A file that is valid UTF-8 and holds
// non-ASCII characters is decoded as UTF-8 into that single-byte form (FileTextToAnsi); anything
// else is taken byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "inifile.h"

namespace satfiles {

enum class TReadResult { Ok, CannotRead, TooLarge };

// Element files and the other downloaded files above this size are not read.
inline constexpr std::uint64_t kMaxDataFileBytes = std::uint64_t{64} << 20;

// Only regular files are read (a folder, a pipe, a device or a missing file cannot be read), and
// never more bytes than the limit: the bytes actually read are counted, whatever size the file
// states.

// The bytes of a whole file of at most maxBytes, as they are; `bytes` is empty unless Ok.
TReadResult ReadFileBytes(const std::string& fileName, std::uint64_t maxBytes, std::string& bytes);

// Reads a whole file of at most maxBytes and splits it into lines (CR LF, LF or CR). `lines` is
// empty unless Ok.
TReadResult ReadTextLines(const std::string& fileName, std::uint64_t maxBytes, std::vector<std::string>& lines);
// The same with the limit kMaxDataFileBytes; false when the file cannot be read or is larger.
bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines);

// Why a read failed, for a message: "cannot be read", "larger than 64 MB" ("" for Ok).
std::string ReadFailureText(TReadResult result, std::uint64_t maxBytes);

// The longest line ForEachTextLine passes on; the rest of a longer line is dropped.
inline constexpr size_t kMaxLineBytes = size_t{1} << 20;

// Calls `line` for each line of a file (split and decoded as ReadTextLines does), reading it
// twice in blocks (first to learn whether it is UTF-8): only a block and the current line are
// held. A file larger than maxBytes is not read (TooLarge); lines seen before the read stopped
// at the limit have been passed on.
TReadResult ForEachTextLine(const std::string& fileName, std::uint64_t maxBytes,
                            const std::function<void(std::string_view)>& line);

// Splits bytes into lines at CR LF, LF or CR. A final line end does not start a further line.
using ini::SplitLines;

// Characters of the columns from..to (counted from 1, inclusive); fewer when the line is
// shorter, empty when it ends before `from`.
std::string_view Columns(std::string_view line, size_t from, size_t to);

// The first n characters of s.
std::string Cut(std::string_view s, size_t n);

// Splits one "sats.csv" line into its fields: apostrophes become blanks, ";;" becomes "; ;"
// until none is left, then the line is split at ";" outside double-quoted stretches (the quotes
// stay in the field); an empty field at the very start or end of the line does not count.
std::vector<std::string> SplitSatCsvLine(std::string_view line);

// Makes a text safe for one "sats.csv" field: ";" is written as ",", and control characters,
// apostrophes (which read back as blanks anyway) and the double quotes of a text holding an odd
// number of them as blanks, so that reading splits the line where it was joined and gives back
// what was written.
std::string SatCsvFieldText(std::string_view text);

// Writes the lines, each ended by CR LF, to a temporary file beside `fileName` and renames it
// over `fileName`. On failure the old file is left as it was and false is returned.
bool WriteTextLinesAtomically(const std::string& fileName, const std::vector<std::string>& lines);

}  // namespace satfiles
