#include "format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FloatCase {
  const char* pattern;
  double value;
  const char* expected;
};

TEST(FormatFloat, PatternsOfTheTracker) {
  const FloatCase cases[] = {
      {"##0.000", 19.2, "19.200"},
      {"##0.000", -5, "-5.000"},
      {"#.###", 0, ""},
      {"#.###", 0.5, ".5"},
      {"#.###", 12.25, "12.25"},
      {"#", 0, ""},
      {"0", 0, "0"},
      {"00", 58.8, "59"},
      {"00", 5, "05"},
      {"00", 123, "123"},
      {"#0.0#", 3.14159, "3.14"},
      {"#0.0#", 3.1, "3.1"},
      {"#0.0#", 3, "3.0"},
      {"#0.0##", 0.5, "0.5"},
      {"####0", 12.7, "13"},
      {"###0.00", -0.125, "-0.13"},
      {"#0.000", -1234.5678, "-1234.568"},
      {"0.000000", 1e-7, "0.000000"},
      {"#,###,###.00000", 2451545.25, "2,451,545.25000"},
      {"###,###,##0", 149597869.4, "149,597,869"},
      {"###,##0", 384400.5, "384,401"},
      {"#,##0", 1234567.5, "1,234,568"},
      {"#,##0", 999.5, "1,000"},
      {"###,###", 12, "12"},
      {"0.0", 9.96, "10.0"},
      {"##.000\" %\"", 12.3456, "12.346 %"},
      {"'x='0.0", 2, "x=2.0"},
      {".00", 12.5, "12.50"},
      {"##0.00' m'", 0.004, "0.00 m"},
  };
  for (const FloatCase& c : cases)
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected) << c.pattern << " " << c.value;
}

TEST(FormatFloat, HalvesRoundAwayFromZeroOnTheDecimalDigits) {
  EXPECT_EQ(FormatFloat("0", 2.5), "3");
  EXPECT_EQ(FormatFloat("0", -2.5), "-3");
  EXPECT_EQ(FormatFloat("0", 0.5), "1");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
  // 1.005 is stored as 1.00499999999999989...: it rounds down.
  EXPECT_EQ(FormatFloat("0.00", 1.005), "1.00");
}

TEST(FormatFloat, ValueRoundingToZeroHasNoMinus) {
  EXPECT_EQ(FormatFloat("0.0", -0.04), "0.0");
  EXPECT_EQ(FormatFloat("##0.000", -0.0), "0.000");
  EXPECT_EQ(FormatFloat("#.###", -0.0001), "");
}

TEST(FormatFloat, Sections) {
  EXPECT_EQ(FormatFloat("0.0;(0.0);zero", 1.25), "1.3");
  EXPECT_EQ(FormatFloat("0.0;(0.0);zero", -1.25), "(1.3)");
  EXPECT_EQ(FormatFloat("0.0;(0.0);zero", 0), "zero");
  EXPECT_EQ(FormatFloat("0.0;(0.0);zero", 0.01), "zero");
  EXPECT_EQ(FormatFloat("0.0;;zero", -2), "-2.0");
}

TEST(FormatFloat, NonFiniteAndHugeValues) {
  EXPECT_EQ(FormatFloat("0.0", std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatFloat("0.0", -std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FormatFloat("0", 1e20), "1E20");
  EXPECT_EQ(FormatFloat("", 2.5), "2.5");
}

TEST(FloatToStr, GeneralForm) {
  const std::pair<double, const char*> cases[] = {
      {52.083, "52.083"}, {1e-6, "1E-6"},      {0.0001, "0.0001"}, {0.00001, "0.00001"},
      {-2.5, "-2.5"},     {0.1 + 0.2, "0.3"},   {1e15, "1E15"},     {123456789012345.0, "123456789012345"},
      {0, "0"},           {1.5e20, "1.5E20"},   {100, "100"},       {-89.999999, "-89.999999"},
  };
  for (const auto& [v, s] : cases) EXPECT_EQ(FloatToStr(v), s) << v;
}

TEST(StrToFloat, StrictGrammar) {
  const std::pair<const char*, double> good[] = {
      {"1.5", 1.5}, {" -2.5E3 ", -2500}, {"+4", 4}, {".5", 0.5}, {"5.", 5}, {"1e-400", 0}, {"52.083", 52.083},
  };
  for (const auto& [t, v] : good) {
    double r = -1;
    EXPECT_TRUE(TryStrToFloat(t, r)) << t;
    EXPECT_EQ(r, v) << t;
  }
  for (const char* t : {"", ".", "-", "1e", "inf", "nan", "0x10", "1,5", "1.2.3", "1e400", "12a", "1 2"}) {
    double r = 7;
    EXPECT_FALSE(TryStrToFloat(t, r)) << t;
    EXPECT_EQ(r, 7) << t;
  }
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
  EXPECT_EQ(StrToFloatDef("x", 3.5), 3.5);
}

TEST(StrToInt, DecimalAndHex) {
  const std::pair<const char*, std::int32_t> good[] = {
      {"42", 42}, {"-42", -42}, {"$FF", 255}, {"0x10", 16}, {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1},
      {" 7 ", 7},
  };
  for (const auto& [t, v] : good) {
    std::int32_t r = 0;
    EXPECT_TRUE(TryStrToInt(t, r)) << t;
    EXPECT_EQ(r, v) << t;
  }
  for (const char* t : {"", "2147483648", "12a", "1.0", "$", "0x", "$100000000", "- 1"}) {
    std::int32_t r = 0;
    EXPECT_FALSE(TryStrToInt(t, r)) << t;
  }
  EXPECT_EQ(StrToIntDef("letters", 150), 150);
}

class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings; }
  void TearDown() override { FormatSettings = saved_; }
  TFormatSettings saved_;
};

TEST_F(DateTimeTest, PatternsOfTheTracker) {
  const TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(7, 4, 9, 0);
  const std::pair<const char*, const char*> cases[] = {
      {"d/m/yy hh:nn", "5/3/24 07:04"},
      {"hh:nn", "07:04"},
      {"d/m/yy h:nn", "5/3/24 7:04"},
      {"d/m/yy", "5/3/24"},
      {"dddd d mmmm yyyy  h:nn:ss", "Tuesday 5 March 2024  7:04:09"},
      {"yyyymmddhhnnss ", "20240305070409 "},
      {"h:mm", "7:04"},            // m right after an hour means minutes
      {"hhhh:mm:ss", "07:04:09"},  // longer runs stay two digits
      {"dd/mm/yyyy", "05/03/2024"},
      {"ddd mmm", "Tue Mar"},
      {"hh:nn am/pm", "07:04 am"},
      {"'d' d \"m\"", "d 5 m"},
      {"zzz", "000"},
  };
  for (const auto& [p, s] : cases) EXPECT_EQ(FormatDateTime(p, t), s) << p;
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", EncodeDate(2024, 3, 5) + EncodeTime(19, 0, 0, 0)), "7:00 PM");
  EXPECT_EQ(FormatDateTime("h a/p", EncodeDate(2024, 3, 5)), "12 a");
}

TEST_F(DateTimeTest, SeparatorsAndGeneralForms) {
  const TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(7, 4, 9, 0);
  FormatSettings.DateSeparator = '-';
  FormatSettings.TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("d/m/yy hh:nn", t), "5-3-24 07.04");
  FormatSettings = saved_;
  EXPECT_EQ(DateTimeToStr(t), "05/03/2024 07:04:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05/03/2024");  // midnight: no time
  EXPECT_EQ(TimeToStr(t), "07:04:09");
  EXPECT_EQ(DateToStr(t), "05/03/2024");
}

TEST(Calendar, EncodeDecode) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  TDateTime dt;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, dt));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, dt));
  EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);

  TDateTimeParts p = DecodeDateTime(0);
  EXPECT_EQ(p.Year, 1899);
  EXPECT_EQ(p.DayOfWeek, 7);  // a Saturday
  // A negative value's time counts forward from its day.
  p = DecodeDateTime(-1.25);
  EXPECT_EQ(p.Day, 29);
  EXPECT_EQ(p.Hour, 6);
  // Rounding to milliseconds carries into the next day.
  p = DecodeDateTime(1.9999999999);
  EXPECT_EQ(p.Day, 1);
  EXPECT_EQ(p.Month, 1);
  EXPECT_EQ(p.Year, 1900);
  EXPECT_EQ(p.Hour, 0);
  p = DecodeDateTime(EncodeDate(2024, 3, 5) + EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(p.MilliSecond, 999);
  EXPECT_EQ(p.DayOfWeek, 3);  // a Tuesday
}

TEST(Calendar, InvalidValuesThrowInsteadOfMisbehaving) {
  EXPECT_THROW(FormatDateTime("d", std::numeric_limits<double>::quiet_NaN()), EConvertError);
  EXPECT_THROW(FormatDateTime("d", std::numeric_limits<double>::infinity()), EConvertError);
  EXPECT_THROW(FormatDateTime("d", 1e12), EConvertError);
  EXPECT_THROW(FormatDateTime("d", -700000), EConvertError);
}

TEST(Calendar, UnixAndNow) {
  EXPECT_EQ(UnixToDateTime(0), 25569);
  EXPECT_DOUBLE_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
  // The tests run with TZ=UTC0.
  // Read between two readings of the UTC clock, whatever time passes between them.
  const TDateTime before = NowUTC(), now = Now(), after = NowUTC();
  EXPECT_GE(now, before - 1e-3 / 86400 - std::fabs(OffsetFromUTC()));
  EXPECT_LE(now, after + 1e-3 / 86400 + std::fabs(OffsetFromUTC()));
  EXPECT_GT(NowUTC(), EncodeDate(2020, 1, 1));
}

}  // namespace
