// The records of the tracker's data files, one line or group at a time: element sets with the
// tracker's own acceptance rules, "geo.log" fixed columns, and "sats.csv" lines read and written.
// Column numbers count from 1. Numbers use '.' whatever the locale.
#pragma once

#include <string>
#include <string_view>

#include "sat.h"

namespace satfiles {

// True when lines line1 and line2 are element lines ("1 " and "2 " at their starts).
bool IsElementPair(std::string_view line1, std::string_view line2);

// One element set: the name line and the two element lines. Classification and ephemeris type
// only from a line 1 longer than 63 characters; a designator "19"/"20" + YY + "-" + piece;
// the epoch year 1957..2056; the five line-2 numbers all 0 when any does not parse.
TTwoLineRecord ParseTwoLineSet(std::string_view name, std::string_view line1, std::string_view line2);

// One "geo.log" line. Returns the catalogue number, 0 when the line does not count (shorter
// than 80 characters, not starting with "S" or "s", or no number). The names are filled for
// any line; the numbers only when columns 78-88 are not "No Data" and the catalogue number is
// above 0, and all of them stay 0 when any does not parse.
int ParseGeoLogLine(std::string_view line, TGeoLogRecord& rec);

// One "sats.csv" line. Returns false when it has fewer than 3 fields; otherwise the record
// (fields the line lacks at their defaults) and the catalogue number (0 when it does not parse).
bool ParseSatCsvLine(std::string_view line, int& norad, TSatInfoRecord& info);

// The 11 fields of one "sats.csv" line, joined by ";".
std::string FormatSatCsvLine(int norad, const TSatInfoRecord& info);

// True when every field of the information record is at its default.
bool SatInfoIsDefault(const TSatInfoRecord& info);

}  // namespace satfiles
