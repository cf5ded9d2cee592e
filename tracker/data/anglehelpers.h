// The tracker's free functions for angles and short texts: reading and writing angles with
// compass letters or as degrees, minutes and seconds, reducing angles, the look angles of a
// geostationary satellite, forgiving number and Boolean conversions, and the operating-system
// line of the log.
//
// Angles in degrees unless noted; east and north positive. Texts are single-byte with the
// degree sign 0xB0. Compass letters: "E", "N", "O" positive; "S", "W", "Z" negative.
#pragma once

#include <string>
#include <string_view>

// "19.2E" -> 19.2, "5.0W" -> -5, "12.5\xB0" -> 12.5, "12.5" -> 12.5. The last character is
// dropped when it is not a digit and negates the value when it is "S", "W" or "Z".
// Throws EConvertError (format.h) when the number does not parse (also for an empty text).
double StrToDeg(std::string_view text);

// Decimal: FormatFloat(fmt, value) and the degree sign ("##0.000": 19.2 -> "19.200\xB0").
// Otherwise degrees, minutes, seconds with fmt for the seconds ("00" when fmt is empty):
// 12.5 -> "12\xB0 30' 00''", -0.5 -> "-0\xB0 30' 00''".
std::string DegToDMSStr(std::string_view fmt, bool decimal, double value);

// The angle reduced to (-180, 180] with a compass letter from letters ("EW" or "NS", positive
// first): 19.2 -> "19.200\xB0 E", -5 -> "5.000\xB0 W", 190 -> "170.000\xB0 W", 0 -> "0.000\xB0".
std::string DegToDirStr(std::string_view fmt, bool decimal, std::string_view letters, double value);

// Degrees, minutes, seconds and a fraction of seconds as digit groups with a compass letter
// ("52 05 00 N", "5 7 58.8 E", "4 54 W"; "12.5 E" is 12 degrees 5 minutes), or a plain number
// ("12.5", "-4.9"). Digit groups without a letter count as positive, negative when the text
// begins with "-" ("52:05:00"). 0 when nothing parses. Never throws.
double DMSStrToDeg(std::string_view text);

// [0, 360) and (-180, 180]; NaN for NaN or an infinity.
double Normalize360(double x);
double Normalize180(double x);

// Look angles of a geostationary satellite dLon (radians) east of the observer's meridian seen
// from latitude lat (radians): the elevation, and the azimuth offset from south.
double GeoElevation(double dLon, double lat);
double GeoAzimuth(double dLon, double lat);

std::string BoolToStr01(bool b);                        // "1" / "0"
bool StrToBoolYes(std::string_view text);               // first letter 1, T, Y or J
double StrToFloatDefTrim(std::string_view text, double def);
double DivTanDeg(double angleDeg, double value);        // value / tan(angle); 0 when that fails
double MulTanDeg(double angleDeg, double value);        // tan(angle) * value; 0 when that fails

// The operating system's line of the log ("OS Version: " + this).
std::string GetWindowsVersionText();

// The original platform's version line, a pure function of the version query's answer.
inline constexpr int VER_PLATFORM_WIN32s = 0;
inline constexpr int VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr int VER_PLATFORM_WIN32_NT = 2;
struct TOsVersionInfo {
  int PlatformId = VER_PLATFORM_WIN32_NT;
  int MajorVersion = 0;
  int MinorVersion = 0;
  int BuildNumber = 0;
  std::string CSDVersion;  // service-pack text
};
std::string WindowsVersionText(const TOsVersionInfo& info);
