#include "satfilerecords.h"

#include <cmath>
#include <vector>

#include "anglehelpers.h"
#include "datafiles.h"
#include "format.h"
#include "texthelpers.h"

namespace satfiles {

namespace {

// The date-times of the years 1..9999.
constexpr double kMinDateTime = -693593.0;
constexpr double kMaxDateTime = 2958466.0;

bool InDateRange(double dt) { return std::isfinite(dt) && dt >= kMinDateTime && dt < kMaxDateTime; }

int IntOr(std::string_view text, int def) {
  std::int32_t v;
  return TryStrToInt(Trim(text), v) ? v : def;
}

bool Real(std::string_view text, double& v) { return TryStrToFloat(Trim(text), v) && std::isfinite(v); }

// StrToDeg with a failure as 0.
double DegOrZero(std::string_view text) {
  try {
    const double v = StrToDeg(text);
    return std::isfinite(v) ? v : 0.0;
  } catch (const std::exception&) {
    return 0.0;
  }
}

}  // namespace

bool IsElementPair(std::string_view line1, std::string_view line2) {
  return line1.substr(0, 2) == "1 " && line2.substr(0, 2) == "2 ";
}

TTwoLineRecord ParseTwoLineSet(std::string_view name, std::string_view l1, std::string_view l2) {
  TTwoLineRecord r;
  r.Name = Trim(name);
  if (l1.size() > 63) {
    r.Classification = UpCase(l1[7]);
    r.EphemerisType = l1.substr(62, 1);
  }
  r.NoradNr = IntOr(Columns(l1, 3, 7), 0);

  // International designator: launch year and piece.
  const std::string_view yy = Columns(l1, 10, 11);
  const std::string century = IntOr(yy, 0) > 56 ? "19" : "20";
  std::string cospar = Cut(century + std::string(yy) + "-" + Trim(Columns(l1, 12, 17)), 12);
  while (!cospar.empty() && cospar.back() == '_') cospar.pop_back();
  r.CosparName = cospar;

  r.ElementNr = IntOr(Columns(l1, 65, 68), 0);

  // Epoch: two-digit year 57..99 in the 1900s, 00..56 in the 2000s, then the day of the year.
  const int y = IntOr(Columns(l1, 19, 20), -2000);
  const int year = y < 57 ? 2000 + y : 1900 + y;
  double day, jan1;
  if (Real(Columns(l1, 21, 32), day) && TryEncodeDate(year, 1, 1, jan1) && InDateRange(jan1 + day - 1))
    r.Epoch = jan1 + day - 1;

  double incl, node, ecc, argp, motion;
  if (Real(Columns(l2, 9, 16), incl) && Real(Columns(l2, 18, 25), node) &&
      Real("0." + Trim(Columns(l2, 27, 33)), ecc) && Real(Columns(l2, 35, 42), argp) &&
      Real(Columns(l2, 53, 63), motion)) {
    r.Inclination = incl;
    r.AscNode = node;
    r.Eccentricity = ecc;
    r.ArgPerigee = argp;
    r.MeanMotion = motion;
  }
  return r;
}

int ParseGeoLogLine(std::string_view line, TGeoLogRecord& rec) {
  rec = TGeoLogRecord();
  int nr = IntOr(Columns(line, 2, 6), 0);
  if (line.size() < 80 || (line[0] != 'S' && line[0] != 's')) nr = 0;
  rec.Designation = Trim(Columns(line, 8, 21));
  rec.Name = Trim(Columns(line, 23, 52));
  rec.AltName = Trim(Columns(line, 54, 77));

  const std::string logTime = Trim(Columns(line, 78, 88));
  if (logTime != "No Data" && nr > 0) {
    TGeoLogRecord n = rec;
    double jd;
    bool ok = Real(logTime, jd) && InDateRange(jd - 2415018.5);
    if (ok) {
      n.LogTime = jd - 2415018.5;
      n.LogCode = Trim(Columns(line, 108, 116));
      ok = Real(Columns(line, 117, 125), n.Period) && Real(Columns(line, 126, 132), n.Perigee) &&
           Real(Columns(line, 134, 141), n.Apogee) && Real(Columns(line, 143, 150), n.Inclination) &&
           Real(Columns(line, 151, 157), n.LogValue);
    }
    if (ok && !Trim(Columns(line, 160, 166)).empty()) {
      try {
        n.Longitude = StrToDeg(Columns(line, 160, 167));
        n.Drift = StrToDeg(Columns(line, 171, 179));
        ok = std::isfinite(n.Longitude) && std::isfinite(n.Drift);
      } catch (const std::exception&) {
        ok = false;
      }
    }
    if (ok) rec = n;
  }
  return nr;
}

bool ParseSatCsvLine(std::string_view line, int& norad, TSatInfoRecord& info) {
  info = TSatInfoRecord();
  norad = 0;
  const std::vector<std::string> f = SplitSatCsvLine(line);
  const size_t n = f.size();
  if (n < 3) return false;
  info.CsvName = Trim(f[0]);
  norad = IntOr(f[1], 0);
  if (f[2].size() > 1) info.RepLongitude = DegOrZero(f[2]);
  if (n > 3) info.Bands = Trim(f[3]);
  if (n > 4) info.Remarks = Trim(f[4]);
  if (n > 5) info.URL = Trim(f[5]);
  if (n > 8) {
    info.StoredPos = Trim(f[6]);
    info.PulseCount = IntOr(f[7], PulseCountUnset);
    info.IgnorePC = StrToBoolYes(Trim(f[8]));
  }
  if (n > 10) {
    if (f[9].size() > 1) info.RotorHA = DegOrZero(f[9]);
    info.DynHA = StrToBoolYes(Trim(f[10]));
  }
  return true;
}

std::string FormatSatCsvLine(int norad, const TSatInfoRecord& info) {
  // An empty first field would be dropped on reading and shift the line; a blank keeps it.
  std::string name = SatCsvFieldText(info.CsvName.view());
  if (name.empty()) name = " ";
  const std::string fields[] = {
      name,
      IntToStr(norad),
      DegToDirStr("##0.000", true, "EW", info.RepLongitude),
      SatCsvFieldText(info.Bands.view()),
      SatCsvFieldText(info.Remarks),
      SatCsvFieldText(info.URL),
      SatCsvFieldText(info.StoredPos),
      IntToStr(PulseCountIsSet(info.PulseCount) ? info.PulseCount : PulseCountUnset),
      BoolToStr01(info.IgnorePC),
      DegToDMSStr("##0.000", true, info.RotorHA),
      BoolToStr01(info.DynHA),
  };
  std::string line;
  for (size_t i = 0; i < std::size(fields); ++i) {
    if (i) line += ';';
    line += fields[i];
  }
  return line;
}

bool SatInfoIsDefault(const TSatInfoRecord& info) {
  const TSatInfoRecord d;
  return info.CsvName.empty() && info.Bands.empty() && info.RepLongitude == d.RepLongitude &&
         info.Remarks.empty() && info.URL.empty() && !PulseCountIsSet(info.PulseCount) &&
         info.StoredPos.empty() && info.IgnorePC == d.IgnorePC && info.DynHA == d.DynHA &&
         info.RotorHA == d.RotorHA;
}

}  // namespace satfiles
