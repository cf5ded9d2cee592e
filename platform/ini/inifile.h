// Profile (ini) files with the semantics of the original platform's profile functions:
// - section and key names are found without regard to case; the first match wins;
// - a value is trimmed and one pair of surrounding quotes (" or ') is removed; a key that is
//   present but empty reads as an empty text, not as the default;
// - every write goes to the file at once (through fileio::ReplaceFile, so a failed write leaves
//   the old file as it was): the key's line is replaced, a missing key is
//   appended after the last key of its section, a missing section at the end of the file; other
//   lines (comments, unknown keys, their order) are kept; lines end in CR LF;
// - each read looks at the file as it is now: the file is read again when it has changed since
//   the last read (its identity, size or times differ; a file changed just before that read is
//   read every time until it has been still for a moment), each time whole and in time linear in
//   its size, into an index of its sections and keys;
// - a file larger than kMaxBytes, or one that exists but cannot be read, gives the defaults and
//   is never written (a write throws): ReadProblem() says why;
// - a write holds the file's lock (fileio::TFileLock) while it reads the file as it is now and
//   replaces it, so two programs writing keys into one file lose none of them; a read takes the
//   lock too, so it never sees another program's save in place half done.
// Texts are passed through byte for byte.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A write that did not reach the file: "Unable to write to <file>".
class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
 public:
  // Far above any settings file (a full one is a few KB); read in milliseconds.
  static constexpr std::size_t kMaxBytes = std::size_t{8} << 20;

  explicit TIniFile(std::string fileName);
  virtual ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // The value must be a whole 32-bit integer (decimal, "$FF" or "0xFF"); otherwise def.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // An integer other than 0 is true; a value that is not an integer gives def.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // A number with '.' (see ini::ParseFloat); a value that does not convert gives def.
  double ReadFloat(std::string_view section, std::string_view key, double def) const;

  // Why the file as it is now cannot be used ("" when it was read or does not exist), for
  // example "permission denied" or "larger than 8 MB".
  std::string ReadProblem() const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Throw EIniFileException when the file cannot be written. Line breaks in a value are
  // written as blanks, so a value cannot add lines to the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
  void WriteFloat(std::string_view section, std::string_view key, double value);

 private:
  struct TSnapshot;
  const TSnapshot& Current() const;
  bool Find(std::string_view section, std::string_view key, std::string& value) const;
  std::string fileName_;
  mutable std::unique_ptr<TSnapshot> snapshot_;
};

namespace ini {

// The platform's number texts, independent of the process locale.
// Reals: blanks around allowed, optional sign, digits with an optional '.', optional exponent
// ("1E-6", "2.5e+3"); at least one digit; finite; no "inf", "nan", hex or separators.
bool ParseFloat(std::string_view text, double& value);
// Integers: blanks around allowed, optional sign and decimal digits, or "$"/"0x" and up to 8 hex
// digits (taken as the 32-bit pattern); must fit 32 bits.
bool ParseInt(std::string_view text, std::int32_t& value);
// General decimal form: fixed notation for magnitudes from 1E-5 to below 1E15, otherwise
// "d.dddE-x". precision = significant digits (1..17); 0 gives the shortest text that reads back
// to the same double. NaN and infinities give "NAN", "INF", "-INF".
std::string FormatGeneral(double value, int precision);

// The lines of a file's bytes (CR LF, LF or CR ends a line).
std::vector<std::string> SplitLines(std::string_view bytes);

}  // namespace ini
