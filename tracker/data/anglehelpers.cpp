#include "anglehelpers.h"

#include <charconv>
#include <cmath>

#include "format.h"
#include "shell.h"
#include "texthelpers.h"

namespace {

constexpr long double kPi = 3.1415926535897932385L;
constexpr long double kRad = kPi / 180.0L;
constexpr double kGeoK = 0.15126;  // Earth radius over the geostationary radius

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int CompassSign(char c) {
  switch (UpCase(c)) {
    case 'E': case 'N': case 'O': return 1;
    case 'S': case 'W': case 'Z': return -1;
    default: return 0;
  }
}

double DigitsValue(const std::string& digits) {
  if (digits.empty()) return 0;
  double v = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), v);
  return v;
}

}  // namespace

double StrToDeg(std::string_view text) {
  std::string t = Trim(text);
  for (char& c : t)
    if (c == DegreeSign) c = ' ';
  if (t.empty()) throw EConvertError("'' is not a valid floating point value");
  const char last = t.back();
  std::string number = t;
  if (!IsDigit(last)) number = Trim(std::string_view(t).substr(0, t.size() - 1));
  const double v = StrToFloat(number);
  return CompassSign(last) < 0 ? -v : v;
}

std::string DegToDMSStr(std::string_view fmt, bool decimal, double value) {
  if (decimal || !std::isfinite(value)) return FormatFloat(fmt, value) + std::string(DegreeSignStr);
  const std::string_view f = fmt.empty() ? std::string_view("00") : fmt;
  double d = std::trunc(value);
  const double a = std::fabs(value - d) * 60.0;
  double m = std::trunc(a);
  std::string seconds = FormatFloat(f, (a - m) * 60.0);
  // Seconds that round up to 60 carry into the minutes, and 60 minutes into the degrees, so a
  // text never shows 60.
  double shown = 0;
  if (TryStrToFloat(seconds, shown) && shown >= 60.0) {
    seconds = FormatFloat(f, 0.0);
    if (++m >= 60.0) {
      m = 0;
      d += value < 0 ? -1.0 : 1.0;
    }
  }
  std::string out;
  if (value < 0 && d == 0) out += '-';
  out += FormatFloat("0", d);
  out += DegreeSign;
  out += ' ';
  out += FormatFloat("00", m);
  out += "' ";
  out += seconds;
  out += "''";
  return out;
}

std::string DegToDirStr(std::string_view fmt, bool decimal, std::string_view letters, double value) {
  const double v = Normalize180(value);
  std::string l = v == 0 ? std::string() : std::string(letters);
  l += "  ";
  std::string t = DegToDMSStr(fmt, decimal, v) + " ";
  if (!t.empty() && t[0] == '-') {
    t[0] = ' ';
    t += l[1];
  } else {
    t += l[0];
  }
  return Trim(t);
}

double DMSStrToDeg(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty()) return 0;
  std::string groups[4];
  int index = 0, sign = 0;
  for (char raw : t) {
    const char c = UpCase(raw);
    if (IsDigit(c)) {
      groups[index] += c;
      continue;
    }
    if (const int s = CompassSign(c)) sign = s;
    if (!groups[index].empty() && index < 3) ++index;
  }
  const bool anyDigits = !groups[0].empty();
  auto groupValue = [&]() {
    double frac = 0;
    if (!groups[3].empty()) {
      const std::string f = "0." + groups[3];
      std::from_chars(f.data(), f.data() + f.size(), frac);
    }
    return DigitsValue(groups[0]) + DigitsValue(groups[1]) / 60.0 + DigitsValue(groups[2]) / 3600.0 +
           frac / 3600.0;
  };
  if (sign != 0) return sign * groupValue();
  double v;
  if (TryStrToFloat(t, v)) return v;
  // Digit groups without a compass letter ("52:05:00") count as positive, negative after "-".
  if (anyDigits) return t[0] == '-' ? -groupValue() : groupValue();
  return 0;
}

double Normalize360(double x) {
  if (!std::isfinite(x)) return std::nan("");
  double r = std::remainder(x, 360.0);  // x - 360 n, n the nearest integer, halves to even
  if (r < 0) r += 360.0;
  if (r >= 360.0) r = 0;
  return r + 0.0;
}

double Normalize180(double x) {
  if (!std::isfinite(x)) return std::nan("");
  double r = std::remainder(x, 360.0) - 360.0;
  while (r <= -180.0) r += 360.0;
  return r + 0.0;
}

double GeoElevation(double dLon, double lat) {
  const double c = std::cos(dLon) * std::cos(lat);
  const double den = std::sqrt(1.0 + kGeoK * kGeoK - 2.0 * kGeoK * c);
  double q = (c - kGeoK) / den;
  if (q > 1.0) q = 1.0;
  if (q < -1.0) q = -1.0;
  return std::asin(q);
}

double GeoAzimuth(double dLon, double lat) {
  if (lat == 0) lat = 1e-6;
  return std::atan(std::tan(dLon) / std::sin(lat));
}

std::string BoolToStr01(bool b) { return b ? "1" : "0"; }

bool StrToBoolYes(std::string_view text) {
  if (text.empty()) return false;
  const char c = UpCase(text[0]);
  return c == '1' || c == 'T' || c == 'Y' || c == 'J';
}

double StrToFloatDefTrim(std::string_view text, double def) {
  const std::string t = Trim(text);
  double v;
  if (t.empty() || !TryStrToFloat(t, v)) return def;
  return v;
}

double DivTanDeg(double angleDeg, double value) {
  const double t = static_cast<double>(std::tan(static_cast<long double>(angleDeg) * kRad));
  if (!std::isfinite(t) || t == 0) return 0;
  const double r = value / t;
  return std::isfinite(r) ? r : 0;
}

double MulTanDeg(double angleDeg, double value) {
  const double t = static_cast<double>(std::tan(static_cast<long double>(angleDeg) * kRad));
  const double r = t * value;
  return std::isfinite(t) && std::isfinite(r) ? r : 0;
}

std::string WindowsVersionText(const TOsVersionInfo& info) {
  std::string release;
  const int major = info.MajorVersion, minor = info.MinorVersion;
  const std::string& sp = info.CSDVersion;
  if (info.PlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (major == 4) {
      if (minor == 0) release = !sp.empty() && (sp[0] == 'B' || sp[0] == 'C') ? "95 OSR2" : "95";
      else if (minor == 10) release = !sp.empty() && sp[0] == 'A' ? "98 SE" : "98";
      else if (minor == 90) release = "ME";
    } else {
      release = "9x version (unknown)";
    }
  } else if (info.PlatformId == VER_PLATFORM_WIN32_NT) {
    if (major <= 4) release = "NT";
    else if (major == 5 && minor == 0) release = "2000";
    else if (major == 5 && minor == 1) release = "XP";
    else if (major == 5 && minor == 2) release = "Server 2003";
    else release = "Future Windows version (unknown)";
  }
  const std::string spText = info.PlatformId == VER_PLATFORM_WIN32_NT ? sp : std::string();
  return "Microsoft Windows " + release + " Version " + std::to_string(major) + "." +
         std::to_string(minor) + " Build " + std::to_string(info.BuildNumber) + " " + spText;
}

std::string GetWindowsVersionText() { return shell::OsVersionText(); }
