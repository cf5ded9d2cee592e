// Number and date-time texts of the tracker, with the rules of the original platform and
// independent of the process locale: '.' is the decimal point and ',' the thousands separator.
//
// Number patterns (FormatFloat):
//   '0'  a digit, always shown          '#'  a digit, shown only when significant
//   '.'  the decimal point (the first)  ','  anywhere: group the integer digits by thousands
//   "x" or 'x'  literal text            any other character: itself
//   "pos;neg;zero" sections: the negative section is given the absolute value (no minus sign),
//   the zero section is used for a value that rounds to zero; an empty section means the first.
// Values are rounded half away from zero at the last placeholder. "#.###" gives "" for 0 and
// ".5" for 0.5; "##0.000" gives "19.200" for 19.2; "#,##0" gives "1,234,568" for 1234567.5.
// A value that rounds to zero has no minus sign. NaN and infinities give "NAN", "INF", "-INF".
//
// Date-time patterns (FormatDateTime), letters in either case:
//   d dd ddd dddd   day, two-digit day, short and long day name; ddddd short date, dddddd long date
//   m mm mmm mmmm   month, two-digit month, short and long month name (minutes right after an hour)
//   yy yyyy         two- and four-digit year        h hh   hour (12-hour with am/pm, a/p, ampm)
//   n nn            minute                          s ss   second
//   z zzz           milliseconds                    t tt   short and long time format
//   c               short date, and the long time unless the time is exactly midnight
//   /  :            the date and time separators    "x" 'x'  literal text
// Example: FormatDateTime("d/m/yy hh:nn", EncodeDate(2024, 3, 5) + EncodeTime(7, 4, 0, 0))
// gives "5/3/24 07:04".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

using TDateTime = double;

// A text that is not a number or a date, or a date outside the years 1..9999.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---- numbers ----

std::string FormatFloat(std::string_view pattern, double value);

// General form with up to 15 significant digits: "52.083", "0.5", "1E-6", "1.5E20".
// (Fixed notation for magnitudes from 1E-5 up to below 1E15, scientific otherwise.)
std::string FloatToStr(double value);

std::string IntToStr(std::int64_t value);

// Strict reading: blanks around the text allowed, an optional sign, digits with an optional
// '.', an optional exponent ("E-6"); no thousands separators, "inf", "nan" or hex. Integers also
// accept "$FF" and "0xFF" hex and must fit 32 bits.
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToInt(std::string_view text, std::int32_t& value);
double StrToFloat(std::string_view text);                      // throws EConvertError
std::int32_t StrToInt(std::string_view text);                  // throws EConvertError
double StrToFloatDef(std::string_view text, double def);
std::int32_t StrToIntDef(std::string_view text, std::int32_t def);

// ---- date and time ----

// The process-wide date and time formats (the original took them from the locale; the main
// window forces two-digit hours at start). Defaults: "dd/mm/yyyy", "hh:nn:ss", '/' and ':'.
struct TFormatSettings {
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongDateFormat = "dddd, d mmmm yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};
extern TFormatSettings FormatSettings;

std::string FormatDateTime(std::string_view pattern, TDateTime dt);  // throws EConvertError
std::string DateTimeToStr(TDateTime dt);  // "c"
std::string DateToStr(TDateTime dt);      // short date
std::string TimeToStr(TDateTime dt);      // long time

// Calendar conversions. Decoding takes the day from the whole part (truncated toward zero) and
// the time from the fraction's magnitude rounded to milliseconds, so a negative value's time
// counts forward from its day. Years 1..9999.
bool TryEncodeDate(int year, int month, int day, TDateTime& dt);
TDateTime EncodeDate(int year, int month, int day);  // throws EConvertError
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& dt);
TDateTime EncodeTime(int hour, int min, int sec, int msec);  // throws EConvertError

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
  int DayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
};
bool TryDecodeDateTime(TDateTime dt, TDateTimeParts& parts);
TDateTimeParts DecodeDateTime(TDateTime dt);  // throws EConvertError
bool IsLeapYear(int year);

// Unix time (seconds since 1970-01-01 UTC) to a date-time, and back.
TDateTime UnixToDateTime(double unixSeconds);
double DateTimeToUnix(TDateTime dt);

// The current time: local (UTC plus the offset in force now) and UTC.
TDateTime Now();
TDateTime NowUTC();
// The local time's offset from UTC in force now, in days (daylight saving included).
double OffsetFromUTC();
