#include "datafiles.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace satfiles {

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
  lines.clear();
  struct stat st {};
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) return false;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return false;
  lines = SplitLines(DecodeText(bytes));
  return true;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

std::string DecodeText(std::string_view bytes) {
  bool bom = bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
             static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
  std::string_view body = bom ? bytes.substr(3) : bytes;
  // First pass: is it valid UTF-8, and does it need decoding at all?
  bool multi = false;
  for (size_t i = 0; i < body.size();) {
    const unsigned char c = static_cast<unsigned char>(body[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return std::string(bytes);
    }
    if (i + static_cast<size_t>(len) > body.size()) return std::string(bytes);
    for (int k = 1; k < len; ++k) {
      const unsigned char cc = static_cast<unsigned char>(body[i + static_cast<size_t>(k)]);
      if ((cc & 0xC0) != 0x80) return std::string(bytes);
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return std::string(bytes);
    multi = true;
    i += static_cast<size_t>(len);
  }
  if (!multi && !bom) return std::string(bytes);
  std::string out;
  out.reserve(body.size());
  for (size_t i = 0; i < body.size();) {
    const unsigned char c = static_cast<unsigned char>(body[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    uint32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(body[i + static_cast<size_t>(k)]) & 0x3F);
    out += cp <= 0xFF ? static_cast<char>(cp) : '?';
    i += static_cast<size_t>(len);
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

std::string_view Columns(std::string_view line, size_t from, size_t to) {
  if (from < 1 || to < from || from > line.size()) return {};
  return line.substr(from - 1, to - from + 1);
}

std::string Cut(std::string_view s, size_t n) { return std::string(s.substr(0, n)); }

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseInt(std::string_view s, int& value) {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  for (size_t k = i; k < s.size(); ++k)
    if (!IsDigit(s[k])) return false;
  int v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return false;
  value = v;
  return true;
}

bool ParseReal(std::string_view s, double& value) {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  size_t i = 0;
  if (i < s.size() && s[i] == '-') ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  // from_chars takes no leading '+' in the exponent-free part but does take one in the exponent.
  double v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::vector<std::string> SplitSatCsvLine(std::string_view line) {
  std::string t(line);
  for (char& c : t)
    if (c == '\'') c = ' ';
  // A blank goes between every two adjacent separators, so empty fields keep their places.
  if (t.find(";;") != std::string::npos) {
    std::string r;
    r.reserve(t.size() + 8);
    for (size_t i = 0; i < t.size(); ++i) {
      r += t[i];
      if (t[i] == ';' && i + 1 < t.size() && t[i + 1] == ';') r += ' ';
    }
    t.swap(r);
  }
  std::vector<std::string> fields;
  std::string cur;
  bool quoted = false;
  for (char c : t) {
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) {
      fields.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  fields.push_back(std::move(cur));
  if (!fields.empty() && fields.back().empty()) fields.pop_back();
  if (!fields.empty() && fields.front().empty()) fields.erase(fields.begin());
  return fields;
}

std::string SatCsvFieldText(std::string_view text) {
  size_t quotes = 0;
  for (char c : text)
    if (c == '"') ++quotes;
  std::string out(text);
  for (char& c : out) {
    if (c == ';')
      c = ',';
    else if (static_cast<unsigned char>(c) < 32)
      c = ' ';
    else if (c == '"' && quotes % 2 != 0)
      c = '\'';
  }
  return out;
}

bool WriteTextLinesAtomically(const std::string& fileName, const std::vector<std::string>& lines) {
  if (fileName.empty()) return false;
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  std::string tmpl = fileName + ".XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return false;
  std::string text;
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0)
      ok = false;
    else
      done += static_cast<size_t>(w);
  }
  if (ok) ok = ::fsync(fd) == 0;
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  if (ok) {
    mode_t mode = 0644;
    if (::stat(fileName.c_str(), &st) == 0) mode = st.st_mode & 07777;
    ::fchmod(fd, mode);
  }
  if (::close(fd) != 0) ok = false;
  if (ok) ok = std::rename(tmpl.c_str(), fileName.c_str()) == 0;
  if (!ok) ::unlink(tmpl.c_str());
  return ok;
}

bool EncodeDate(int year, int month, int day, double& dateTime) {
  static constexpr int kDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                       {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day < 1 || day > kDays[leap][month - 1]) return false;
  // Days from civil (proleptic Gregorian), shifted so that 30 December 1899 is day 0.
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days1970 = static_cast<long>(era) * 146097 + doe - 719468;
  dateTime = static_cast<double>(days1970 + 25569);
  return true;
}

}  // namespace satfiles
