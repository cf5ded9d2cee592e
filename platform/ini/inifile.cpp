#include "inifile.h"

#include "fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view TrimView(std::string_view s) {
  std::size_t a = 0, e = s.size();
  while (a < e && IsBlank(s[a])) ++a;
  while (e > a && IsBlank(s[e - 1])) --e;
  return s.substr(a, e - a);
}

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Up(a[i]) != Up(b[i])) return false;
  return true;
}

// The parsed form of one line.
struct LineInfo {
  enum Kind { Other, Section, Key } kind = Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes removed
};

LineInfo Classify(std::string_view line) {
  LineInfo info;
  const std::string_view t = TrimView(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return info;
  if (t[0] == '[') {
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) close = t.size();
    info.kind = LineInfo::Section;
    info.name = TrimView(t.substr(1, close - 1));
    return info;
  }
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return info;
  info.name = TrimView(t.substr(0, eq));
  if (info.name.empty()) return info;
  info.kind = LineInfo::Key;
  std::string_view v = TrimView(t.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  info.value = v;
  return info;
}

// A missing file, a folder standing where the file should be, or a read error all read as
// "no file", so every key takes its default.
bool ReadFileBytes(const std::string& name, std::string& bytes) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  try {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
  } catch (const std::exception&) {
    bytes.clear();
    return false;
  }
}

}  // namespace

namespace ini {

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0, i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

bool ParseFloat(std::string_view text, double& value) {
  const std::string_view t = TrimView(text);
  std::size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  const std::size_t numStart = i;
  std::size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  // from_chars takes no '+' in the exponent's place either way; it accepts "1e+5".
  double v = 0;
  const char* first = t.data() + numStart;
  const char* last = t.data() + t.size();
  const auto res = std::from_chars(first, last, v, std::chars_format::general);
  if (res.ptr != last) return false;
  if (res.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as 0; too large is refused. The decimal exponent of the
    // first significant digit tells which.
    const std::string_view num(first, static_cast<std::size_t>(last - first));
    const std::size_t e = num.find_first_of("eE");
    const std::string_view mant = num.substr(0, e);
    long long mag = 0;
    const std::size_t point = std::min(mant.find('.'), mant.size());
    const std::size_t sig = mant.find_first_of("123456789");
    if (sig == std::string_view::npos) {
      mag = -1;
    } else if (sig < point) {
      mag = static_cast<long long>(point - sig) - 1;
    } else {
      mag = -static_cast<long long>(sig - point);
    }
    if (e != std::string_view::npos) {
      std::string_view ex = num.substr(e + 1);
      const bool exNeg = !ex.empty() && ex[0] == '-';
      if (!ex.empty() && (ex[0] == '-' || ex[0] == '+')) ex.remove_prefix(1);
      long long x = 0;
      for (char c : ex) x = std::min(x * 10 + (c - '0'), 100000LL);
      mag += exNeg ? -x : x;
    }
    if (mag >= 0) return false;
    v = 0;
  } else if (res.ec != std::errc()) {
    return false;
  }
  if (!std::isfinite(v)) return false;
  value = neg ? -v : v;
  return true;
}

bool ParseInt(std::string_view text, std::int32_t& value) {
  const std::string_view t = TrimView(text);
  std::size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  std::string_view rest = t.substr(i);
  int base = 10;
  if (!rest.empty() && rest[0] == '$') {
    base = 16;
    rest.remove_prefix(1);
  } else if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.remove_prefix(2);
  }
  if (rest.empty()) return false;
  for (char c : rest) {
    const bool dec = c >= '0' && c <= '9';
    const bool hex = dec || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (base == 10 ? !dec : !hex) return false;
  }
  if (base == 16) {
    std::size_t k = 0;
    while (k + 1 < rest.size() && rest[k] == '0') ++k;
    rest.remove_prefix(k);
    if (rest.size() > 8) return false;
    std::uint32_t u = 0;
    std::from_chars(rest.data(), rest.data() + rest.size(), u, 16);
    std::int32_t s = static_cast<std::int32_t>(u);
    if (neg) s = static_cast<std::int32_t>(0u - u);
    value = s;
    return true;
  }
  std::int64_t v = 0;
  for (char c : rest) {
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  if (neg) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

std::string FormatGeneral(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  if (precision > 17) precision = 17;
  char buf[64];
  std::to_chars_result res;
  if (precision <= 0)
    res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  else
    res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                        precision - 1);
  const std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t epos = s.find('e');
  std::string digits;
  for (char c : s.substr(0, epos))
    if (c != '.') digits += c;
  int exp10 = 0;
  std::from_chars(s.data() + epos + 1 + (s[epos + 1] == '+' ? 1 : 0), s.data() + s.size(), exp10);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  // The value is 0.d1d2... x 10^(exp10 + 1).
  const int e = exp10 + 1;
  std::string out = value < 0 ? "-" : "";
  if (e >= -4 && e <= 15) {
    if (e <= 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-e), '0');
      out += digits;
    } else if (static_cast<std::size_t>(e) >= digits.size()) {
      out += digits;
      out.append(static_cast<std::size_t>(e) - digits.size(), '0');
    } else {
      out += digits.substr(0, static_cast<std::size_t>(e));
      out += '.';
      out += digits.substr(static_cast<std::size_t>(e));
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exp10);
  }
  return out;
}

}  // namespace ini

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  // A save in place that was cut short (settings in a read-only folder) is undone first, so
  // the file reads as it was before that save.
  fileio::RecoverInterruptedSave(fileName_);
}

bool TIniFile::Find(std::string_view section, std::string_view key, std::string& value) const {
  std::string bytes;
  if (!ReadFileBytes(fileName_, bytes)) return false;
  const std::vector<std::string> lines = ini::SplitLines(bytes);
  const std::string_view sec = TrimView(section), k = TrimView(key);
  bool inSection = false;
  for (const std::string& line : lines) {
    const LineInfo info = Classify(line);
    if (info.kind == LineInfo::Section) {
      if (inSection) return false;  // only the first matching section counts
      inSection = SameName(info.name, sec);
      if (inSection && k.empty()) return true;
    } else if (inSection && info.kind == LineInfo::Key && SameName(info.name, k)) {
      value.assign(info.value);
      return true;
    }
  }
  return false;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  std::string value;
  if (TrimView(key).empty() || !Find(section, key, value)) return std::string(def);
  return value;
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t def) const {
  std::string text;
  if (TrimView(key).empty() || !Find(section, key, text)) return def;
  std::int32_t v;
  return ini::ParseInt(text, v) ? v : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
  std::string text;
  if (TrimView(key).empty() || !Find(section, key, text)) return def;
  double v;
  return ini::ParseFloat(text, v) ? v : def;
}

bool TIniFile::SectionExists(std::string_view section) const {
  std::string dummy;
  return Find(section, {}, dummy);
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  std::string dummy;
  return !TrimView(key).empty() && Find(section, key, dummy);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view sec = TrimView(section), k = TrimView(key);
  if (sec.empty() || k.empty())
    throw EIniFileException("Unable to write to " + fileName_);
  std::string val(value);
  for (char& c : val)
    if (c == '\r' || c == '\n') c = ' ';
  const std::string newLine = std::string(k) + "=" + val;

  std::string bytes;
  ReadFileBytes(fileName_, bytes);  // a missing file is created
  std::vector<std::string> lines = ini::SplitLines(bytes);

  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const LineInfo info = Classify(lines[i]);
    if (info.kind == LineInfo::Section && SameName(info.name, sec)) {
      header = i;
      break;
    }
  }
  if (header == lines.size()) {
    if (!lines.empty() && !TrimView(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + std::string(sec) + "]");
    lines.push_back(newLine);
  } else {
    std::size_t insertAt = header + 1;
    bool replaced = false;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
      const LineInfo info = Classify(lines[i]);
      if (info.kind == LineInfo::Section) break;
      if (info.kind == LineInfo::Key) {
        if (SameName(info.name, k)) {
          lines[i] = newLine;
          replaced = true;
          break;
        }
        insertAt = i + 1;
      }
    }
    if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
  }

  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  if (!fileio::ReplaceFile(fileName_, out)) throw EIniFileException("Unable to write to " + fileName_);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  WriteString(section, key, ini::FormatGeneral(value, 0));
}
