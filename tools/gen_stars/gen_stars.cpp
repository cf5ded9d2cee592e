// gen_stars: turns the tab-separated star table (Hipparcos number, proper name, designation,
// right ascension in hours, declination in degrees, visual magnitude; UTF-8 Greek letters)
// into the program's "Stars.csv":
//   RA;Dec;Mag;Nr;Designation;Constellation;Name
// with Greek letters written as their usual abbreviations ("Alp", "Bet", ... followed by the
// index digit), a Latin Bayer letter or a Flamsteed number when the star has no Greek letter,
// and "N.A." when it has no designation at all. The Hipparcos number is the catalogue number.
// A star whose table entry names no constellation gets the one that holds its position, found
// in the boundary table of Roman (1987) after precessing the position to B1875.0.
//
//   gen_stars <stars.tsv> <Stars.csv> [constellation_bounds_roman1987.dat]
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The Greek lower-case letters U+03B1 .. U+03C9 (U+03C2, final sigma, maps to "Sig").
constexpr std::array<const char*, 25> kGreek = {
    "Alp", "Bet", "Gam", "Del", "Eps", "Zet", "Eta", "The", "Iot", "Kap", "Lam", "Mu", "Nu",
    "Xi",  "Omi", "Pi",  "Rho", "Sig", "Sig", "Tau", "Ups", "Phi", "Chi", "Psi", "Ome"};

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "α" / "ψ1" -> "Alp" / "Psi1"; empty when the token is not a Greek letter.
std::string GreekAbbreviation(const std::string& tok) {
  if (tok.size() < 2) return {};
  const unsigned char a = static_cast<unsigned char>(tok[0]);
  const unsigned char b = static_cast<unsigned char>(tok[1]);
  if (a != 0xCE && a != 0xCF) return {};
  const unsigned cp = ((a & 0x1Fu) << 6) | (b & 0x3Fu);
  if (cp < 0x3B1 || cp > 0x3C9) return {};
  const std::string rest = tok.substr(2);
  if (!rest.empty() && !IsDigits(rest)) return {};
  return std::string(kGreek[cp - 0x3B1]) + rest;
}

// A Latin Bayer letter, possibly with its index digits ("c", "L2").
bool IsLatinLetter(const std::string& tok) {
  return !tok.empty() && ((tok[0] >= 'a' && tok[0] <= 'z') || (tok[0] >= 'A' && tok[0] <= 'Z')) &&
         (tok.size() == 1 || IsDigits(std::string_view(tok).substr(1)));
}

// Designation and constellation from texts such as "9 α CMa", "α Car", "51  And", "41 c Ari".
void Designate(const std::string& text, std::string& designation, std::string& constellation) {
  designation = "N.A.";
  constellation.clear();
  std::vector<std::string> toks;
  for (const auto& t : Split(text, ' '))
    if (!t.empty()) toks.push_back(t);
  if (toks.size() < 2) return;
  constellation = toks.back();
  toks.pop_back();
  std::string greek, latin, flamsteed;
  for (const auto& t : toks) {
    if (const std::string g = GreekAbbreviation(t); !g.empty()) greek = g;
    else if (IsLatinLetter(t)) latin = t;
    else if (IsDigits(t)) flamsteed = t;
  }
  if (!greek.empty()) designation = greek;
  else if (!latin.empty()) designation = latin;
  else if (!flamsteed.empty()) designation = flamsteed;
}

bool ParseDouble(std::string_view text, double& v) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(v);
}

struct TBound {
  double raLow, raHigh, decLow;  // hours, hours, degrees (B1875.0)
  std::string name;
};

std::vector<TBound> ReadBounds(const char* path) {
  std::vector<TBound> bounds;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> t;
    for (const auto& w : Split(line, ' '))
      if (!w.empty() && w != "\r") t.push_back(w);
    if (!t.empty() && !t.back().empty() && t.back().back() == '\r') t.back().pop_back();
    TBound b;
    if (t.size() != 4 || !ParseDouble(t[0], b.raLow) || !ParseDouble(t[1], b.raHigh) ||
        !ParseDouble(t[2], b.decLow))
      return {};
    b.name = t[3];
    bounds.push_back(b);
  }
  return bounds;
}

// J2000.0 position (hours, degrees) precessed to B1875.0 with the IAU 1976 precession angles.
void PrecessToB1875(double raHours, double decDeg, double& ra1875, double& dec1875) {
  const double pi = 3.14159265358979323846, as = pi / (180.0 * 3600.0);
  const double t = (2405889.258550475 - 2451545.0) / 36525.0;
  const double zeta = (2306.2181 * t + 0.30188 * t * t + 0.017998 * t * t * t) * as;
  const double z = (2306.2181 * t + 1.09468 * t * t + 0.018203 * t * t * t) * as;
  const double theta = (2004.3109 * t - 0.42665 * t * t - 0.041833 * t * t * t) * as;
  const double a0 = raHours * 15 * pi / 180, d0 = decDeg * pi / 180;
  const double A = std::cos(d0) * std::sin(a0 + zeta);
  const double B = std::cos(theta) * std::cos(d0) * std::cos(a0 + zeta) - std::sin(theta) * std::sin(d0);
  const double C = std::sin(theta) * std::cos(d0) * std::cos(a0 + zeta) + std::cos(theta) * std::sin(d0);
  double a = std::atan2(A, B) + z;
  a = std::fmod(a, 2 * pi);
  if (a < 0) a += 2 * pi;
  ra1875 = a * 12 / pi;
  dec1875 = std::asin(std::fmax(-1.0, std::fmin(1.0, C))) * 180 / pi;
}

std::string ConstellationAt(const std::vector<TBound>& bounds, double raHours, double decDeg) {
  double ra = 0, dec = 0;
  PrecessToB1875(raHours, decDeg, ra, dec);
  for (const auto& b : bounds)
    if (dec >= b.decLow && ra >= b.raLow && ra < b.raHigh) return b.name;
  return {};
}

// Field text safe for the reader: no separator, no quote, no apostrophe; an empty last field
// is written as a blank so that the reader keeps it.
std::string Clean(std::string s) {
  for (char& c : s)
    if (c == ';' || c == '"' || c == '\t') c = ' ';
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: gen_stars <stars.tsv> <Stars.csv> [constellation bounds]\n";
    return 2;
  }
  std::vector<TBound> bounds;
  if (argc == 4) {
    bounds = ReadBounds(argv[3]);
    if (bounds.empty()) {
      std::cerr << "gen_stars: cannot read the boundaries " << argv[3] << "\n";
      return 1;
    }
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "gen_stars: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream out;
  out << "RA;Dec;Mag;Nr;Designation;Constellation;Name\r\n";
  std::string line;
  int written = 0, lineNr = 0, located = 0, checked = 0, disagree = 0;
  while (std::getline(in, line)) {
    ++lineNr;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto f = Split(line, '\t');
    if (f.size() < 6 || f[0] == "hip") continue;
    if (!IsDigits(f[0])) {
      std::cerr << "gen_stars: line " << lineNr << ": bad catalogue number\n";
      return 1;
    }
    std::string designation, constellation;
    Designate(f[2], designation, constellation);
    double ra = 0, dec = 0;
    if (!bounds.empty() && ParseDouble(f[3], ra) && ParseDouble(f[4], dec)) {
      const std::string at = ConstellationAt(bounds, ra, dec);
      if (constellation.empty()) {
        constellation = at;
        ++located;
      } else {
        ++checked;
        if (at != constellation) {
          ++disagree;
          std::cerr << "gen_stars: HIP " << f[0] << " " << constellation << " lies in " << at << "\n";
        }
      }
    }
    std::string name = Clean(f[1]);
    if (name.empty()) name = " ";
    out << f[3] << ';' << f[4] << ';' << f[5] << ';' << f[0] << ';' << designation << ';'
        << constellation << ';' << name << "\r\n";
    ++written;
  }
  std::ofstream o(argv[2], std::ios::binary);
  o << out.str();
  if (!o) {
    std::cerr << "gen_stars: cannot write " << argv[2] << "\n";
    return 1;
  }
  std::cerr << "gen_stars: " << written << " stars, " << located
            << " constellations from the boundaries; " << disagree << " of " << checked
            << " given constellations differ from the boundaries\n";
  return 0;
}
