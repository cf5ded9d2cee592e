#include "format.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "inifile.h"

TFormatSettings FormatSettings;

// ---------------------------------------------------------------- numbers

namespace {

constexpr std::string_view kShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::string_view kLongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
constexpr std::string_view kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::string_view kLongMonthNames[12] = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// Splits a number pattern into its sections at ';' outside quotes.
std::vector<std::string_view> Sections(std::string_view pattern) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';' && out.size() < 2) {
      out.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(pattern.substr(start));
  return out;
}

struct PatternShape {
  int intPlaces = 0;  // digit placeholders before the decimal point
  int decPlaces = 0;  // after it
  int minInt = 0;     // integer digits always shown
  int minDec = 0;     // decimals always shown
  bool thousands = false;
};

PatternShape Scan(std::string_view sec) {
  PatternShape s;
  bool afterPoint = false;
  int firstZero = -1;  // index among the integer placeholders
  char quote = 0;
  for (char c : sec) {
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    switch (c) {
      case '"':
      case '\'':
        quote = c;
        break;
      case '0':
        if (afterPoint) {
          ++s.decPlaces;
          s.minDec = s.decPlaces;
        } else {
          if (firstZero < 0) firstZero = s.intPlaces;
          ++s.intPlaces;
        }
        break;
      case '#':
        if (afterPoint) ++s.decPlaces; else ++s.intPlaces;
        break;
      case '.':
        afterPoint = true;
        break;
      case ',':
        s.thousands = true;
        break;
      default:
        break;
    }
  }
  if (firstZero >= 0) s.minInt = s.intPlaces - firstZero;
  return s;
}

// |value| rounded half away from zero to `decimals` decimals, from its first 18 significant
// digits: the integer digits (no leading zeros, empty for 0) and exactly `decimals` decimals.
void RoundDigits(double value, int decimals, std::string& intDigits, std::string& decDigits) {
  intDigits.clear();
  decDigits.assign(static_cast<std::size_t>(decimals), '0');
  const double a = std::fabs(value);
  if (a == 0) return;
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 17);
  const std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t epos = s.find('e');
  std::string digits;
  for (char c : s.substr(0, epos))
    if (c != '.') digits += c;
  int exp10 = 0;
  std::from_chars(s.data() + epos + 1 + (s[epos + 1] == '+' ? 1 : 0), s.data() + s.size(), exp10);
  // value = 0.d1d2... x 10^e; keep the first e + decimals digits.
  int e = exp10 + 1;
  const int keep = e + decimals;
  if (keep < 0) return;
  bool up = static_cast<std::size_t>(keep) < digits.size() && digits[static_cast<std::size_t>(keep)] >= '5';
  if (static_cast<std::size_t>(keep) < digits.size()) digits.resize(static_cast<std::size_t>(keep));
  else digits.append(static_cast<std::size_t>(keep) - digits.size(), '0');
  if (up) {
    int i = keep - 1;
    while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++digits[static_cast<std::size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      ++e;
    }
  }
  // digits now holds e integer digits (e may be <= 0) and `decimals` decimals.
  if (e > 0) {
    intDigits = digits.substr(0, static_cast<std::size_t>(e));
    decDigits = digits.substr(static_cast<std::size_t>(e));
  } else {
    decDigits = std::string(static_cast<std::size_t>(-e), '0') + digits;
    decDigits.resize(static_cast<std::size_t>(decimals), '0');
  }
  std::size_t z = 0;
  while (z < intDigits.size() && intDigits[z] == '0') ++z;
  intDigits.erase(0, z);
}

bool AllZero(const std::string& a, const std::string& b) {
  for (char c : a) if (c != '0') return false;
  for (char c : b) if (c != '0') return false;
  return true;
}

// Lays out the rounded digits along one pattern section.
std::string Layout(std::string_view sec, const PatternShape& shape, std::string intDigits,
                   std::string decDigits, bool minus) {
  while (static_cast<int>(intDigits.size()) < shape.minInt) intDigits.insert(intDigits.begin(), '0');
  while (static_cast<int>(decDigits.size()) > shape.minDec && decDigits.back() == '0') decDigits.pop_back();
  const int n = static_cast<int>(intDigits.size());

  std::string out = minus ? "-" : "";
  // Emits the integer digit at position p (counted from the decimal point, 1-based).
  auto emitDigit = [&](int p) {
    out += intDigits[static_cast<std::size_t>(n - p)];
    if (shape.thousands && p > 1 && (p - 1) % 3 == 0) out += ',';
  };
  bool leadingDone = false;
  auto emitLeading = [&]() {
    if (leadingDone) return;
    leadingDone = true;
    for (int p = n; p > shape.intPlaces; --p) emitDigit(p);
  };
  int intIndex = 0, decIndex = 0;
  bool afterPoint = false;
  for (std::size_t i = 0; i < sec.size(); ++i) {
    const char c = sec[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = sec.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? sec.size() : close;
      out.append(sec.substr(i + 1, end - i - 1));
      i = end;
      continue;
    }
    if ((c == '0' || c == '#') && !afterPoint) {
      emitLeading();
      const int p = shape.intPlaces - intIndex++;
      if (p <= n) emitDigit(p);
    } else if ((c == '0' || c == '#') && afterPoint) {
      emitLeading();
      if (decIndex < static_cast<int>(decDigits.size())) out += decDigits[static_cast<std::size_t>(decIndex)];
      ++decIndex;
    } else if (c == '.') {
      if (!afterPoint) {
        emitLeading();
        afterPoint = true;
        if (!decDigits.empty()) out += '.';
      }
    } else if (c == ',') {
      // grouping marker only
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  const std::vector<std::string_view> secs = Sections(pattern);
  if (secs[0].empty() || std::fabs(value) >= 1e18) return FloatToStr(value);

  auto has = [&](std::size_t k) { return secs.size() > k && !secs[k].empty(); };
  std::size_t index = value > 0 ? 0 : value < 0 ? 1 : 2;
  if (!has(index)) index = 0;
  std::string_view sec = secs[index];
  PatternShape shape = Scan(sec);
  std::string intDigits, decDigits;
  RoundDigits(value, shape.decPlaces, intDigits, decDigits);
  const bool zero = AllZero(intDigits, decDigits);
  if (zero && index != 2 && has(2)) {
    sec = secs[2];
    shape = Scan(sec);
    RoundDigits(0, shape.decPlaces, intDigits, decDigits);
    index = 2;
  }
  const bool minus = value < 0 && index == 0 && !zero;
  return Layout(sec, shape, intDigits, decDigits, minus);
}

std::string FloatToStr(double value) { return ini::FormatGeneral(value, 15); }

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

bool TryStrToFloat(std::string_view text, double& value) { return ini::ParseFloat(text, value); }

bool TryStrToInt(std::string_view text, std::int32_t& value) { return ini::ParseInt(text, value); }

double StrToFloat(std::string_view text) {
  double v;
  if (!TryStrToFloat(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return v;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t v;
  if (!TryStrToInt(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return v;
}

double StrToFloatDef(std::string_view text, double def) {
  double v;
  return TryStrToFloat(text, v) ? v : def;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t def) {
  std::int32_t v;
  return TryStrToInt(text, v) ? v : def;
}

// ---------------------------------------------------------------- calendar

namespace {

constexpr long long kMinDay = -693593;   // 1 January 0001
constexpr long long kMaxDay = 2958465;   // 31 December 9999
constexpr long long kUnixDay = 25569;    // 1 January 1970
constexpr double kMsPerDay = 86400000.0;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool TryEncodeDate(int year, int month, int day, TDateTime& dt) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  dt = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime dt;
  if (!TryEncodeDate(year, month, day, dt)) throw EConvertError("Invalid argument to date encode");
  return dt;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& dt) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    return false;
  dt = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / kMsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime dt;
  if (!TryEncodeTime(hour, min, sec, msec, dt)) throw EConvertError("Invalid argument to time encode");
  return dt;
}

bool TryDecodeDateTime(TDateTime dt, TDateTimeParts& parts) {
  if (!std::isfinite(dt) || dt < kMinDay - 1 || dt > kMaxDay + 1) return false;
  long long days = static_cast<long long>(std::trunc(dt));
  long long ms = static_cast<long long>(std::nearbyint(std::fabs(dt - std::trunc(dt)) * kMsPerDay));
  if (ms >= static_cast<long long>(kMsPerDay)) {
    ms -= static_cast<long long>(kMsPerDay);
    ++days;
  }
  if (days < kMinDay || days > kMaxDay) return false;
  CivilFromDays(days - kUnixDay, parts.Year, parts.Month, parts.Day);
  parts.Hour = static_cast<int>(ms / 3600000);
  parts.Minute = static_cast<int>(ms / 60000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.MilliSecond = static_cast<int>(ms % 1000);
  parts.DayOfWeek = static_cast<int>(1 + ((days % 7 + 7) % 7 + 6) % 7);
  return true;
}

TDateTimeParts DecodeDateTime(TDateTime dt) {
  TDateTimeParts p;
  if (!TryDecodeDateTime(dt, p)) throw EConvertError("Invalid date/time value");
  return p;
}

TDateTime UnixToDateTime(double unixSeconds) { return unixSeconds / 86400.0 + kUnixDay; }

double DateTimeToUnix(TDateTime dt) { return (dt - kUnixDay) * 86400.0; }

namespace {

double UnixNow() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() / 1000.0;
}

long LocalOffsetSeconds(double unixSeconds) {
  const std::time_t t = static_cast<std::time_t>(std::floor(unixSeconds));
  std::tm tm {};
  if (!localtime_r(&t, &tm)) return 0;
  return tm.tm_gmtoff;
}

}  // namespace

TDateTime NowUTC() { return UnixToDateTime(UnixNow()); }

TDateTime Now() {
  const double u = UnixNow();
  return UnixToDateTime(u + static_cast<double>(LocalOffsetSeconds(u)));
}

double OffsetFromUTC() { return static_cast<double>(LocalOffsetSeconds(UnixNow())) / 86400.0; }

// ---------------------------------------------------------------- date-time texts

namespace {

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

void AppendNumber(std::string& out, int value, int digits) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
  out += s;
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view what) {
  if (at + what.size() > s.size()) return false;
  for (std::size_t i = 0; i < what.size(); ++i)
    if (Up(s[at + i]) != Up(what[i])) return false;
  return true;
}

// Whether an am/pm specifier follows in the pattern (outside quotes), making hours 12-hour.
bool HasAmPm(std::string_view f, std::size_t from) {
  char quote = 0;
  for (std::size_t i = from; i < f.size(); ++i) {
    const char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") ||
               StartsWithNoCase(f, i, "ampm")) {
      return true;
    }
  }
  return false;
}

void Format(std::string& out, std::string_view f, const TDateTimeParts& p, bool hasTime, int depth) {
  const TFormatSettings& fs = FormatSettings;
  char lastToken = ' ';
  std::size_t i = 0;
  while (i < f.size()) {
    const char raw = f[i];
    char token = Up(raw);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && lastToken == 'H') token = 'N';
      lastToken = token;
    }
    std::size_t count = 1;
    auto countRun = [&]() {
      while (i + count < f.size() && Up(f[i + count]) == Up(raw)) ++count;
    };
    switch (token) {
      case 'Y':
        countRun();
        if (count <= 2) AppendNumber(out, p.Year % 100, 2);
        else AppendNumber(out, p.Year, 4);
        break;
      case 'M':
        countRun();
        if (count == 1) AppendNumber(out, p.Month, 1);
        else if (count == 2) AppendNumber(out, p.Month, 2);
        else if (count == 3) out += kShortMonthNames[p.Month - 1];
        else out += kLongMonthNames[p.Month - 1];
        break;
      case 'D':
        countRun();
        if (count == 1) AppendNumber(out, p.Day, 1);
        else if (count == 2) AppendNumber(out, p.Day, 2);
        else if (count == 3) out += kShortDayNames[p.DayOfWeek - 1];
        else if (count == 4) out += kLongDayNames[p.DayOfWeek - 1];
        else if (depth < 2) Format(out, count == 5 ? fs.ShortDateFormat : fs.LongDateFormat, p, hasTime, depth + 1);
        break;
      case 'H': {
        countRun();
        int h = p.Hour;
        if (HasAmPm(f, i + count)) {
          h %= 12;
          if (h == 0) h = 12;
        }
        AppendNumber(out, h, count >= 2 ? 2 : 1);
        break;
      }
      case 'N':
        countRun();
        AppendNumber(out, p.Minute, count >= 2 ? 2 : 1);
        break;
      case 'S':
        countRun();
        AppendNumber(out, p.Second, count >= 2 ? 2 : 1);
        break;
      case 'Z':
        countRun();
        AppendNumber(out, p.MilliSecond, count >= 2 ? 3 : 1);
        break;
      case 'T':
        countRun();
        if (depth < 2) Format(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, hasTime, depth + 1);
        break;
      case 'C':
        countRun();
        if (depth < 2) {
          Format(out, fs.ShortDateFormat, p, hasTime, depth + 1);
          if (hasTime) {
            out += ' ';
            Format(out, fs.LongTimeFormat, p, hasTime, depth + 1);
          }
        }
        break;
      case 'A':
        if (StartsWithNoCase(f, i, "am/pm")) {
          const bool pm = p.Hour >= 12;
          std::string_view src = f.substr(i + (pm ? 3 : 0), 2);
          out += src;
          count = 5;
        } else if (StartsWithNoCase(f, i, "a/p")) {
          out += f[i + (p.Hour >= 12 ? 2 : 0)];
          count = 3;
        } else if (StartsWithNoCase(f, i, "ampm")) {
          out += p.Hour >= 12 ? fs.TimePMString : fs.TimeAMString;
          count = 4;
        } else {
          out += raw;
        }
        break;
      case '/':
        if (fs.DateSeparator) out += fs.DateSeparator;
        break;
      case ':':
        if (fs.TimeSeparator) out += fs.TimeSeparator;
        break;
      case '"':
      case '\'': {
        const std::size_t close = f.find(raw, i + 1);
        const std::size_t end = close == std::string_view::npos ? f.size() : close;
        out.append(f.substr(i + 1, end - i - 1));
        count = end + 1 - i;
        if (end == f.size()) count = end - i;
        break;
      }
      default:
        out += raw;
        break;
    }
    i += count;
  }
}

}  // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime dt) {
  const TDateTimeParts p = DecodeDateTime(dt);
  const bool hasTime = p.Hour != 0 || p.Minute != 0 || p.Second != 0 || p.MilliSecond != 0;
  std::string out;
  if (pattern.empty()) Format(out, "c", p, hasTime, 0);
  else Format(out, pattern, p, hasTime, 0);
  return out;
}

std::string DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }

std::string DateToStr(TDateTime dt) { return FormatDateTime("ddddd", dt); }

std::string TimeToStr(TDateTime dt) { return FormatDateTime("tt", dt); }
