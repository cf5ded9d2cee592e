// Helpers of the collection tests: temporary folders, files, element sets and geo.log lines.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testutil {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "velmar-coll-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline std::string Join(const std::vector<std::string>& lines, const char* eol = "\r\n") {
  std::string s;
  for (const auto& l : lines) s += l + eol;
  return s;
}

// Checksum digit of an element line: digits count their value, "-" counts 1, modulo 10.
inline char TleChecksum(const std::string& line68) {
  int sum = 0;
  for (char c : line68) {
    if (c >= '0' && c <= '9') sum += c - '0';
    if (c == '-') sum += 1;
  }
  return static_cast<char>('0' + sum % 10);
}

inline std::string Fmt(const char* fmt, double v) {
  char b[64];
  std::snprintf(b, sizeof b, fmt, v);
  return b;
}

struct Elements {
  int norad = 99999;
  std::string cosparYear = "98";
  std::string cosparPiece = "067A";  // launch number and piece, up to 6 characters
  int epochYear = 24;      // two digits
  double epochDay = 100.5;
  double incl = 51.6, raan = 200.0, ecc = 0.0005, argp = 90.0, meanAnom = 270.0, meanMotion = 15.5;
  int elementNr = 999;
  char classification = 'U';
};

// Line 1 and line 2 of an element set, 69 characters each with checksums.
inline std::pair<std::string, std::string> MakeTle(const Elements& e) {
  char l1[80], l2[80];
  std::snprintf(l1, sizeof l1, "1 %05d%c %2s%-6s %02d%012.8f  .00000000  00000-0  00000-0 0 %4d",
                e.norad, e.classification, e.cosparYear.c_str(), e.cosparPiece.c_str(), e.epochYear,
                e.epochDay, e.elementNr);
  const long ecc7 = std::lround(e.ecc * 1e7);
  std::snprintf(l2, sizeof l2, "2 %05d %8.4f %8.4f %07ld %8.4f %8.4f %11.8f%5d", e.norad, e.incl, e.raan, ecc7,
                e.argp, e.meanAnom, e.meanMotion, 1);
  std::string a(l1), b(l2);
  a.resize(68, ' ');
  b.resize(68, ' ');
  return {a + TleChecksum(a), b + TleChecksum(b)};
}

inline std::string ThreeLines(const std::string& name, const Elements& e) {
  auto [a, b] = MakeTle(e);
  return name + "\r\n" + a + "\r\n" + b + "\r\n";
}

// Puts text into columns from..to (1-based) of a line, padding with blanks.
inline void PutColumns(std::string& line, size_t from, const std::string& text) {
  if (line.size() < from - 1 + text.size()) line.resize(from - 1 + text.size(), ' ');
  line.replace(from - 1, text.size(), text);
}

struct GeoLogFields {
  std::string lead = "S";
  std::string nr = "25049";
  std::string designation = "1997-076A";
  std::string name = "EUTELSAT W2";
  std::string altName = "HOT BIRD 5";
  std::string logTime = "2460400.5";
  std::string code = "A1";
  std::string period = "1436.10";
  std::string perigee = "35780";
  std::string apogee = "35793";
  std::string incl = "0.05";
  std::string value = "1.5";
  std::string lon = "19.20E";
  std::string drift = "0.001W";
};

inline std::string MakeGeoLogLine(const GeoLogFields& f) {
  std::string line(180, ' ');
  PutColumns(line, 1, f.lead);
  PutColumns(line, 2, f.nr);
  PutColumns(line, 8, f.designation);
  PutColumns(line, 23, f.name);
  PutColumns(line, 54, f.altName);
  PutColumns(line, 78, f.logTime);
  PutColumns(line, 108, f.code);
  PutColumns(line, 117, f.period);
  PutColumns(line, 126, f.perigee);
  PutColumns(line, 134, f.apogee);
  PutColumns(line, 143, f.incl);
  PutColumns(line, 151, f.value);
  PutColumns(line, 160, f.lon);
  PutColumns(line, 171, f.drift);
  return line;
}

}  // namespace testutil
