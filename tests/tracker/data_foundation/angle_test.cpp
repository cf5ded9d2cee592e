#include "anglehelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "format.h"

namespace {

constexpr double kRad = 3.14159265358979323846 / 180;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(StrToDeg, CompassLettersAndDegreeSign) {
  const std::pair<const char*, double> cases[] = {
      {"19.2E", 19.2},      {"5.0W", -5},          {"12.5\xB0", 12.5},   {"  19.2\xB0 E ", 19.2},
      {"19.2W", -19.2},     {"0.000\xB0", 0},      {"10S", -10},         {"3.5Z", -3.5},
      {"52.083N", 52.083},  {"4.5O", 4.5},         {"170.000\xB0 W", -170},
      // A last digit is part of the number (the original dropped it: "12.5" read as 12).
      {"12.5", 12.5},       {"-7", -7},
  };
  for (const auto& [t, v] : cases) EXPECT_DOUBLE_EQ(StrToDeg(t), v) << t;
  for (const char* t : {"", "E", "abcW", "\xB0", "1,5E"}) EXPECT_THROW(StrToDeg(t), EConvertError) << t;
}

TEST(DegToDMSStr, DecimalAndSexagesimal) {
  struct Case {
    const char* fmt;
    bool decimal;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"##0.000", true, 19.2, "19.200\xB0"},
      {"00", false, 52.083, "52\xB0 04' 59''"},
      // Seconds that round to 60 carry into the minutes, 60 minutes into the degrees.
      {"00", false, 10.99999, "11\xB0 00' 00''"},
      {"00", false, -(10 + 38 / 60.0 + 59.6 / 3600), "-10\xB0 39' 00''"},
      {"00", false, -(59 + 33 / 60.0 + 59.7 / 3600), "-59\xB0 34' 00''"},
      {"00", false, 23 + 59 / 60.0 + 59.7 / 3600, "24\xB0 00' 00''"},
      {"00", false, -(59 / 60.0 + 59.9 / 3600), "-1\xB0 00' 00''"},
      {"00", false, 59 / 60.0 + 59.4 / 3600, "0\xB0 59' 59''"},
      {"#0.0", false, 5 + 7 / 60.0 + 59.96 / 3600, "5\xB0 08' 0.0''"},
      {"#0.0", false, 5 + 59 / 60.0 + 59.94 / 3600, "5\xB0 59' 59.9''"},
      {"00", false, -0.5, "-0\xB0 30' 00''"},
      {"00", false, -0.25, "-0\xB0 15' 00''"},
      {"00", false, -12.5, "-12\xB0 30' 00''"},
      {"", false, 12.5, "12\xB0 30' 00''"},
      {"#0.0", false, 5.133, "5\xB0 07' 58.8''"},
      {"00", false, 0, "0\xB0 00' 00''"},
  };
  for (const Case& c : cases) EXPECT_EQ(DegToDMSStr(c.fmt, c.decimal, c.value), c.expected) << c.value;
  EXPECT_EQ(DegToDMSStr("00", false, kNaN), "NAN\xB0");
}

TEST(DegToDirStr, ReducedWithCompassLetter) {
  struct Case {
    const char* letters;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"EW", 19.2, "19.200\xB0 E"}, {"EW", -5, "5.000\xB0 W"},   {"EW", 190, "170.000\xB0 W"},
      {"EW", 0, "0.000\xB0"},       {"EW", 185, "175.000\xB0 W"}, {"NS", -5, "5.000\xB0 S"},
      {"NS", 52.083, "52.083\xB0 N"}, {"EW", 180, "180.000\xB0 E"}, {"EW", -180, "180.000\xB0 E"},
      {"EW", 360, "0.000\xB0"},
  };
  for (const Case& c : cases) EXPECT_EQ(DegToDirStr("##0.000", true, c.letters, c.value), c.expected) << c.value;
  EXPECT_EQ(DegToDirStr("00", false, "NS", -0.5), "0\xB0 30' 00'' S");
}

TEST(DMSStrToDeg, GroupsLettersAndPlainNumbers) {
  const std::pair<const char*, double> cases[] = {
      {"52 05 00 N", 52 + 5.0 / 60},
      {"5 7 58.8 E", 5 + 7.0 / 60 + 58.8 / 3600},
      {"4 54 W", -4.9},
      {"12.5 E", 12 + 5.0 / 60},
      {"12.5", 12.5},
      {"-4.9", -4.9},
      {"", 0},
      {"abc", 0},
      {"52\xB0 04' 59'' N", 52 + 4.0 / 60 + 59.0 / 3600},
      {"1 2 3 4 5 S", -(1 + 2.0 / 60 + (3 + 0.45) / 3600)},  // further digits join the fraction
      // Groups without a letter (sound behaviour; the original read 0).
      {"52:05:00", 52 + 5.0 / 60},
      {"-4 54", -4.9},
  };
  for (const auto& [t, v] : cases) EXPECT_NEAR(DMSStrToDeg(t), v, 1e-12) << t;
}

TEST(Normalize, HalvesAndRanges) {
  const std::pair<double, double> n360[] = {{-180, 180}, {360, 0}, {720.5, 0.5}, {-0.5, 359.5}, {540, 180},
                                            {0, 0},      {-360, 0}, {1e300, std::fmod(1e300, 360.0)}};
  for (const auto& [x, r] : n360) EXPECT_DOUBLE_EQ(Normalize360(x), r) << x;
  const std::pair<double, double> n180[] = {{180, 180}, {-180, 180}, {540, 180}, {-190, 170},
                                            {190, -170}, {0, 0},     {-540, 180}, {359, -1}};
  for (const auto& [x, r] : n180) EXPECT_DOUBLE_EQ(Normalize180(x), r) << x;
  EXPECT_FALSE(std::signbit(Normalize360(-360)));
}

TEST(Normalize, NonFiniteReturnsNaNAtOnce) {
  for (double x : {kNaN, kInf, -kInf}) {
    EXPECT_TRUE(std::isnan(Normalize360(x)));
    EXPECT_TRUE(std::isnan(Normalize180(x)));
  }
}

TEST(GeoLookAngles, ReferenceObserver) {
  const double lat = 52.083 * kRad, dLon = 14.067 * kRad;
  EXPECT_NEAR(GeoElevation(dLon, lat) / kRad, 28.987, 0.001);
  EXPECT_NEAR(GeoAzimuth(dLon, lat) / kRad, 17.621, 0.001);
  // At the equator the latitude becomes 1e-6: nearly a quarter turn.
  EXPECT_NEAR(std::fabs(GeoAzimuth(10 * kRad, 0)), 3.14159265358979 / 2, 1e-4);
  // Straight overhead at the equator, straight down from the far side.
  EXPECT_NEAR(GeoElevation(0, 0) / kRad, 90, 1e-9);
  EXPECT_NEAR(GeoElevation(180 * kRad, 0) / kRad, -90, 1e-4);  // no NaN from rounding past -1
}

TEST(SmallConversions, BooleansNumbersTangents) {
  EXPECT_EQ(BoolToStr01(true), "1");
  EXPECT_EQ(BoolToStr01(false), "0");
  for (const char* t : {"yes", "Ja", "1", "true", "T"}) EXPECT_TRUE(StrToBoolYes(t)) << t;
  for (const char* t : {"0", "no", "", " yes", "false"}) EXPECT_FALSE(StrToBoolYes(t)) << t;
  EXPECT_EQ(StrToFloatDefTrim("  12.5\t", 1), 12.5);
  EXPECT_EQ(StrToFloatDefTrim("   ", 1), 1);
  EXPECT_EQ(StrToFloatDefTrim("12,5", 1), 1);
  EXPECT_EQ(DivTanDeg(0, 5), 0);
  EXPECT_NEAR(DivTanDeg(45, 5), 5, 1e-12);
  EXPECT_NEAR(MulTanDeg(45, 5), 5, 1e-12);
  EXPECT_EQ(MulTanDeg(kNaN, 5), 0);
  EXPECT_EQ(DivTanDeg(kInf, 5), 0);
}

TEST(VersionText, TableOfTheOriginalPlatform) {
  struct Case {
    int platform, major, minor, build;
    const char* sp;
    const char* expected;
  };
  const Case cases[] = {
      {VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 2", "Microsoft Windows XP Version 5.1 Build 2600 Service Pack 2"},
      {VER_PLATFORM_WIN32_NT, 5, 0, 2195, "", "Microsoft Windows 2000 Version 5.0 Build 2195 "},
      {VER_PLATFORM_WIN32_NT, 5, 2, 3790, "", "Microsoft Windows Server 2003 Version 5.2 Build 3790 "},
      {VER_PLATFORM_WIN32_NT, 4, 0, 1381, "Service Pack 6", "Microsoft Windows NT Version 4.0 Build 1381 Service Pack 6"},
      {VER_PLATFORM_WIN32_NT, 6, 0, 6000, "", "Microsoft Windows Future Windows version (unknown) Version 6.0 Build 6000 "},
      {VER_PLATFORM_WIN32_NT, 5, 3, 1, "", "Microsoft Windows Future Windows version (unknown) Version 5.3 Build 1 "},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, "B", "Microsoft Windows 95 OSR2 Version 4.0 Build 950 "},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, "", "Microsoft Windows 95 Version 4.0 Build 950 "},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222, "A", "Microsoft Windows 98 SE Version 4.10 Build 2222 "},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, "", "Microsoft Windows ME Version 4.90 Build 3000 "},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 20, 1, "", "Microsoft Windows  Version 4.20 Build 1 "},
      {VER_PLATFORM_WIN32_WINDOWS, 5, 0, 1, "", "Microsoft Windows 9x version (unknown) Version 5.0 Build 1 "},
      {VER_PLATFORM_WIN32s, 3, 1, 1, "x", "Microsoft Windows  Version 3.1 Build 1 "},
  };
  for (const Case& c : cases) {
    TOsVersionInfo info;
    info.PlatformId = c.platform;
    info.MajorVersion = c.major;
    info.MinorVersion = c.minor;
    info.BuildNumber = c.build;
    info.CSDVersion = c.sp;
    EXPECT_EQ(WindowsVersionText(info), c.expected);
  }
  EXPECT_FALSE(GetWindowsVersionText().empty());
}

}  // namespace
