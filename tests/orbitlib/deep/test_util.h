// Helpers of the deep-space and propagation tests.
#pragma once

#include <charconv>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "mathtime.h"
#include "observer.h"
#include "propagate.h"
#include "satlist.h"

namespace orbit::test {

inline std::string DataPath(const std::string& name) {
  return std::string(ORBITDEEP_DATA_DIR) + "/" + name;
}

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Fields of a ';'-separated line (no quoting).
inline std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = line.find(';', start);
    fields.push_back(line.substr(start, end - start));
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

inline double Number(const std::string& text) {
  double v = 0;
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size())
    throw std::runtime_error("not a number: " + text);
  return v;
}

// A satellite parsed from two element lines.
inline TSatellite ParseSat(const std::string& line1, const std::string& line2) {
  TSatellite sat;
  sat.ParseElements(line1, line2);
  return sat;
}

// Sub-satellite east longitude in degrees, [0, 360), at a Julian date.
inline double LongitudeDeg(TSatellite& sat, double jd) {
  Vector pos, vel;
  PropagateSatellite(sat, jd, pos, vel);
  StateToKm(pos, vel);
  return RadToDeg(GeodeticOfState(pos, jd).lon);
}

// Smallest difference of two angles in degrees.
inline double AngleDiffDeg(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

}  // namespace orbit::test
