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
#include <ctime>
#include <algorithm>
#include <unordered_map>

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

template <class F>
void ForEachLine(std::string_view bytes, F&& f) {
  std::size_t start = 0, i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      f(bytes.substr(start, i - start), start);
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) f(bytes.substr(start), start);
}

std::string_view LineAt(std::string_view bytes, std::size_t offset) {
  const std::size_t end = bytes.find_first_of("\r\n", offset);
  return bytes.substr(offset, (end == std::string_view::npos ? bytes.size() : end) - offset);
}

std::uint64_t HashName(std::string_view name, std::uint64_t h = 14695981039346656037ull) {
  for (char c : name) h = (h ^ static_cast<unsigned char>(Up(c))) * 1099511628211ull;
  return h;
}

std::uint64_t KeyHash(std::uint64_t sectionHash, std::string_view key) {
  return HashName(key, (sectionHash ^ 0x5Bu) * 1099511628211ull);
}

std::string Reason(int err) {
  char buf[256];
  const char* text = ::strerror_r(err, buf, sizeof buf);
  std::string s = text ? text : "unknown error";
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
  return s;
}

enum class TFileState { Read, Missing, Unusable };

// What tells that a file has changed since it was read.
struct TFileId {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  long long mtime = 0, ctime = 0;
  bool operator==(const TFileId&) const = default;
};

TFileId IdOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
          st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

// Reads a whole settings file, counting the bytes it reads. A missing file, or a folder standing
// where the file should be, is Missing; a file that cannot be read or exceeds the limit is
// Unusable with the reason in `problem`. `id` (when known) identifies what was read.
TFileState ReadIniFile(const std::string& name, std::string& bytes, std::string& problem, TFileId& id) {
  bytes.clear();
  problem.clear();
  id = TFileId{};
  // Not blocking: a FIFO named as the file is no settings file and must not stop the program.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return TFileState::Missing;
    problem = Reason(errno);
    return TFileState::Unusable;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return TFileState::Missing;
  }
  id = IdOf(st);
  TFileState state = TFileState::Read;
  try {
    bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), TIniFile::kMaxBytes));
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        problem = Reason(errno);
        state = TFileState::Unusable;
        break;
      }
      if (n == 0) break;
      if (bytes.size() + static_cast<std::size_t>(n) > TIniFile::kMaxBytes) {
        problem = "larger than " + std::to_string(TIniFile::kMaxBytes >> 20) + " MB";
        state = TFileState::Unusable;
        break;
      }
      bytes.append(buf, static_cast<std::size_t>(n));
    }
  } catch (const std::exception&) {
    problem = "out of memory";
    state = TFileState::Unusable;
  }
  ::close(fd);
  if (state != TFileState::Read) bytes.clear();
  return state;
}

// The first matching section's key, line by line (the index's fallback on a hash collision).
bool ScanFor(std::string_view bytes, std::string_view sec, std::string_view k, std::string& value) {
  bool inSection = false, done = false, found = false;
  ForEachLine(bytes, [&](std::string_view line, std::size_t) {
    if (done) return;
    const LineInfo info = Classify(line);
    if (info.kind == LineInfo::Section) {
      if (inSection) {
        done = true;  // only the first matching section counts
        return;
      }
      inSection = SameName(info.name, sec);
      if (inSection && k.empty()) found = done = true;
    } else if (inSection && info.kind == LineInfo::Key && SameName(info.name, k)) {
      value.assign(info.value);
      found = done = true;
    }
  });
  return found;
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

// The file as last read, with the first occurrence of each section and the keys in them indexed
// by a hash of their names (the line is checked on a hit).
struct TIniFile::TSnapshot {
  TFileState state = TFileState::Missing;
  TFileId id;
  std::string problem;
  std::string bytes;
  std::unordered_map<std::uint64_t, std::uint32_t> sections;  // name hash -> offset of the header line
  struct TKey {
    std::uint64_t hash;
    std::uint32_t line;    // offset of the key's line
    std::uint32_t header;  // offset of its section's header line
  };
  std::vector<TKey> keys;  // by hash, then in file order
  bool exact = true;       // false when two section names share a hash: lookups scan
  bool settled = false;    // unchanged for a while when read: may serve until the file changes

  void Index() {
    std::uint64_t sectionHash = 0;
    std::uint32_t header = 0;
    bool first = false;
    ForEachLine(bytes, [&](std::string_view line, std::size_t begin) {
      const LineInfo info = Classify(line);
      const auto at = static_cast<std::uint32_t>(begin);
      if (info.kind == LineInfo::Section) {
        const std::uint64_t h = HashName(info.name);
        const auto [it, fresh] = sections.try_emplace(h, at);
        first = fresh;
        if (fresh) {
          sectionHash = h;
          header = at;
        } else if (!SameName(Classify(LineAt(bytes, it->second)).name, info.name)) {
          exact = false;
        }
      } else if (first && info.kind == LineInfo::Key) {
        keys.push_back({KeyHash(sectionHash, info.name), at, header});
      }
    });
    std::stable_sort(keys.begin(), keys.end(), [](const TKey& a, const TKey& b) { return a.hash < b.hash; });
  }
};

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  // A save in place that was cut short (settings in a read-only folder) is undone first, so
  // the file reads as it was before that save.
  fileio::RecoverInterruptedSave(fileName_);
}

TIniFile::~TIniFile() = default;

const TIniFile::TSnapshot& TIniFile::Current() const {
  struct stat st {};
  if (snapshot_ && snapshot_->settled && ::stat(fileName_.c_str(), &st) == 0 && IdOf(st) == snapshot_->id)
    return *snapshot_;
  auto fresh = std::make_unique<TSnapshot>();
  {
    // Read under the lock, so a save in place by another program (a read-only folder) is never
    // seen half done; a lock not had within its bound does not stop the reading.
    const fileio::TFileLock lock(fileName_);
    fresh->state = ReadIniFile(fileName_, fresh->bytes, fresh->problem, fresh->id);
  }
  if (fresh->state == TFileState::Read) fresh->Index();
  // File times advance in steps of a few milliseconds: a file changed just now could change again
  // within the same step at the same size, so it is read again until it has been still a while.
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  fresh->settled =
      fresh->id.size >= 0 && now.tv_sec * 1000000000LL + now.tv_nsec - fresh->id.mtime > 200000000LL;
  snapshot_ = std::move(fresh);
  return *snapshot_;
}

std::string TIniFile::ReadProblem() const {
  try {
    return Current().problem;
  } catch (const std::exception&) {
    return "out of memory";
  }
}

bool TIniFile::Find(std::string_view section, std::string_view key, std::string& value) const {
  const TSnapshot& s = Current();
  if (s.state != TFileState::Read) return false;
  const std::string_view sec = TrimView(section), k = TrimView(key);
  if (!s.exact) return ScanFor(s.bytes, sec, k, value);
  const std::uint64_t sectionHash = HashName(sec);
  const auto it = s.sections.find(sectionHash);
  if (it == s.sections.end()) return false;
  if (!SameName(Classify(LineAt(s.bytes, it->second)).name, sec)) return ScanFor(s.bytes, sec, k, value);
  if (k.empty()) return true;
  const std::uint64_t h = KeyHash(sectionHash, k);
  auto e = std::lower_bound(s.keys.begin(), s.keys.end(), h,
                            [](const TSnapshot::TKey& a, std::uint64_t b) { return a.hash < b; });
  bool seen = false;
  for (; e != s.keys.end() && e->hash == h; ++e) {
    seen = true;
    if (e->header != it->second) continue;
    const LineInfo info = Classify(LineAt(s.bytes, e->line));
    if (SameName(info.name, k)) {
      value.assign(info.value);
      return true;
    }
  }
  return seen && ScanFor(s.bytes, sec, k, value);
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

  // The file is read and replaced under its lock: a key another program wrote meanwhile stays.
  const fileio::TFileLock lock(fileName_);
  if (!lock.Held()) throw EIniFileException("Unable to write to " + fileName_ + ": " + lock.Error());
  std::string bytes, problem;
  TFileId id;
  if (ReadIniFile(fileName_, bytes, problem, id) == TFileState::Unusable)
    throw EIniFileException("Unable to write to " + fileName_ + ": the file cannot be read (" + problem +
                            "), so it is left as it is");

  // Where the section begins, and the key's line or the line after the section's last key.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t header = kNone, replace = kNone, insertAfter = kNone, count = 0;
  bool inSection = false, lastBlank = true;
  ForEachLine(bytes, [&](std::string_view line, std::size_t) {
    const std::size_t i = count++;
    lastBlank = TrimView(line).empty();
    if (replace != kNone) return;
    const LineInfo info = Classify(line);
    if (info.kind == LineInfo::Section) {
      inSection = header == kNone && SameName(info.name, sec);
      if (inSection) header = insertAfter = i;
    } else if (inSection && info.kind == LineInfo::Key) {
      if (SameName(info.name, k)) replace = i;
      else insertAfter = i;
    }
  });

  std::string out;
  out.reserve(bytes.size() + count + newLine.size() + sec.size() + 16);
  std::size_t i = 0;
  ForEachLine(bytes, [&](std::string_view line, std::size_t) {
    if (i == replace) out += newLine;
    else out.append(line);
    out += "\r\n";
    if (i == insertAfter && replace == kNone) out.append(newLine).append("\r\n");
    ++i;
  });
  if (header == kNone) {
    if (!lastBlank) out += "\r\n";
    out.append("[").append(sec).append("]\r\n").append(newLine).append("\r\n");
  }
  snapshot_.reset();
  std::string why;
  if (!fileio::ReplaceFile(fileName_, out, &why))
    throw EIniFileException("Unable to write to " + fileName_ + ": " + why);
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
