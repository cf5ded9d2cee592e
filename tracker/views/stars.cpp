#include "stars.h"

#include "datafiles.h"
#include "log.h"

#include <charconv>
#include <cmath>
#include <climits>
#include <filesystem>
#include <sstream>
#include <system_error>

const TStar DefaultStar{};
TStarList* StarList = nullptr;

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

// True for a valid UTF-8 text that holds characters beyond ASCII.
bool IsMultiByteUtf8(const std::string& s) {
  bool multi = false;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int n = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 1;
    else if ((c & 0xF0) == 0xE0) n = 2;
    else if (c >= 0xF0 && c <= 0xF4) n = 3;
    else return false;
    for (int k = 1; k <= n; ++k)
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    multi = true;
    i += static_cast<size_t>(n) + 1;
  }
  return multi;
}

// A UTF-8 file is turned into the model's single-byte text; anything else is taken as
// single-byte already.
std::string ToSingleByte(const std::string& s) {
  if (!IsMultiByteUtf8(s)) return s;
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const int n = c <= 0xDF ? 1 : c <= 0xEF ? 2 : 3;
    unsigned cp = c & (n == 1 ? 0x1Fu : n == 2 ? 0x0Fu : 0x07u);
    for (int k = 1; k <= n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    out += cp <= 0xFF ? static_cast<char>(cp) : '?';
    i += static_cast<size_t>(n) + 1;
  }
  return out;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  size_t pos = 0;
  while ((pos = s.find(from, pos)) != std::string::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
  return s;
}

}  // namespace

namespace stars_detail {

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t i = 0;
  const size_t n = line.size();
  if (n == 0) return fields;
  while (true) {
    std::string f;
    if (i < n && line[i] == '"') {
      ++i;
      while (i < n) {
        if (line[i] == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            f += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        f += line[i++];
      }
    }
    while (i < n && line[i] != ';') f += line[i++];
    fields.push_back(std::move(f));
    if (i >= n) break;
    ++i;  // past ';'
    if (i >= n) {
      fields.emplace_back();  // the line ends with ';'
      break;
    }
  }
  if (!line.empty() && line.back() == ';' && !fields.empty() && fields.back().empty())
    fields.pop_back();
  if (!line.empty() && line.front() == ';' && !fields.empty() && fields.front().empty())
    fields.erase(fields.begin());
  return fields;
}

bool ParseNumber(const std::string& text, double& value) {
  const std::string t = Trim(text);
  size_t i = 0;
  const size_t n = t.size();
  bool neg = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  const size_t start = i;
  size_t digits = 0;
  while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t ed = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++ed;
    if (ed == 0) return false;
  }
  if (i != n) return false;
  double v = 0;
  const auto r = std::from_chars(t.data() + start, t.data() + n, v);
  if (r.ec != std::errc() || r.ptr != t.data() + n || !std::isfinite(v)) return false;
  value = neg ? -v : v;
  return true;
}

bool ParseInt(const std::string& text, int& value) {
  const std::string t = Trim(text);
  size_t start = 0;
  bool neg = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    neg = t[0] == '-';
    start = 1;
  }
  if (start >= t.size()) return false;
  long long v = 0;
  const auto r = std::from_chars(t.data() + start, t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
  if (neg) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

}  // namespace stars_detail

void TStarList::LoadFromText(const std::string& raw) {
  std::string text = raw;
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  text = ToSingleByte(text);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;

    for (char& c : line)
      if (c == '\'') c = ' ';
    while (line.find(";;") != std::string::npos) line = ReplaceAll(line, ";;", "; ;");
    const std::vector<std::string> f = stars_detail::SplitFields(line);
    if (f.size() < 7 || f[0] == "RA") continue;

    auto star = std::make_unique<TStar>();
    double ra = 0, dec = 0, mag = 0;
    const bool ok = stars_detail::ParseNumber(f[0], ra) && stars_detail::ParseNumber(f[1], dec) &&
                    stars_detail::ParseNumber(f[2], mag);
    star->RA = ra / 24.0 * 360.0;
    star->Dec = dec;
    star->Mag = ok ? mag : 100;
    int nr = 0;
    star->Nr = stars_detail::ParseInt(f[3], nr) ? nr : 0;
    star->Designation = Trim(f[4]);
    star->Constellation = Trim(f[5]);
    star->StarName = Trim(f[6]);
    if (star->Designation == "N.A." || star->Designation == "Alp" || star->Designation == "Alp1")
      star->StarName = Trim(star->StarName + " (" + star->Constellation + ")");
    if (!(star->Mag < 100)) continue;
    Stars.push_back(TItem{std::to_string(Stars.size()), std::move(star)});
  }
}

void TStarList::LoadFromFile(const std::string& fileName) {
  namespace fs = std::filesystem;
  FileName = fileName;
  fs::path path(fileName);
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    // Fall back to a name that differs only in case.
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string want = path.filename().string();
    auto lower = [](std::string s) {
      for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      return s;
    };
    bool found = false;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (lower(it->path().filename().string()) == lower(want)) {
        path = it->path();
        found = true;
        break;
      }
    }
    if (!found) return;
  }
  std::string text;
  const satfiles::TReadResult read = satfiles::ReadFileBytes(path.string(), kMaxFileBytes, text);
  if (read == satfiles::TReadResult::TooLarge)
    WriteLog("Error Reading " + path.string() + " : " + satfiles::ReadFailureText(read, kMaxFileBytes));
  if (read != satfiles::TReadResult::Ok) return;
  LoadFromText(text);
}

const TStar& TStarList::GetStar(int index) const {
  if (index < 0 || index >= Count()) return DefaultStar;
  return *Stars[static_cast<size_t>(index)].Star;
}
