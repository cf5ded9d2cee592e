// Place names for the observer's place: the country list "Countries.txt" of the place folder
// and the populated places and first-order regions of one country's gazetteer file.
//
// "Countries.txt": one line per country, "<country name>=<file base name>"; the country's file
// is "<file base name>.txt" in the same folder. A country file is tab-separated, one place or
// region per line, with at least 24 fields (counted from 0): 3 latitude, 4 longitude (decimal
// degrees, '.' as decimal point), 10 feature designation ("ADM1" a first-order region, "PPL..."
// a populated place), 13 first-order region code, 17 name type ("N" approved, "V" variant),
// 22 full name, 23 full name without diacritics. Header lines and shorter lines are passed over.
//
// Texts are the model's single-byte texts (a UTF-8 file is decoded). Names are found and
// ordered without regard to letter case (ASCII letters).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One place: latitude and longitude in degrees (north and east positive), height in metres
// (the country files give none: 0), the code of its first-order region.
struct TGnsData {
  double Lat = 0;
  double Lon = 0;
  double Height = 0;
  int Adm1 = 0;
};

// The places of one country, sorted by name (case ignored). Equal names are all kept; among
// them the one read last comes first.
class TGnsList {
 public:
  struct TItem {
    std::string Name;
    TGnsData Data;
  };

  // Country files above this size are not read (the largest are far smaller); they are read
  // line by line. The country list is held whole and is much smaller still.
  static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;
  static constexpr std::uint64_t kMaxListBytes = std::uint64_t{4} << 20;

  // Reads "Countries.txt" of folder and the places of country. A missing folder, list or
  // country file gives empty lists; never throws for a file that cannot be read. A file larger
  // than kMaxFileBytes is logged and read as empty.
  TGnsList(std::string_view folder, std::string_view country);

  std::size_t Count() const { return items_.size(); }
  const std::vector<TItem>& Items() const { return items_; }
  const std::string& Strings(std::size_t index) const { return items_.at(index).Name; }
  const TGnsData& Objects(std::size_t index) const { return items_.at(index).Data; }
  // Index of the place (case ignored; of equal names the one read last), -1 when absent.
  long IndexOf(std::string_view name) const;

  // Every country name of "Countries.txt" (the part before "=" of each line, in file order),
  // each enclosed in double quotes (inner double quotes doubled), joined by commas; "" for none.
  std::string GetCountryList() const;
  // The country names themselves, in file order.
  std::vector<std::string> CountryNames() const;
  // The file base name of the first line whose name equals country (case ignored); "" for none.
  std::string GetCountryFile(std::string_view country) const;
  // The region name of the place: "" when the place or its region code is not found.
  std::string GetProvince(std::string_view place) const;

  // Lines "<region code in decimal>=<region name>" of the country's first-order regions.
  std::vector<std::string> Provinces;
  // The lines of "Countries.txt".
  std::vector<std::string> CountryList;

  // The fields of one country-file line: every tab becomes a blank and a tab (no field is
  // empty) and every apostrophe a grave accent; then the line is split at tabs, a field that
  // begins with a double quote running to the closing quote (so it may hold tabs; a doubled
  // quote inside reads as one; the rest up to the next tab is kept). Blanks are kept.
  static std::vector<std::string> SplitLine(std::string_view line);

 private:
  // Takes the place or region of one country-file line.
  void ReadCountryLine(std::string_view line, std::vector<TItem>& read);

  std::vector<TItem> items_;
};

// The folder with a trailing '/' (an empty folder stays empty: the working folder).
std::string IncludeTrailingSlash(std::string_view folder);

// The path of the file name in folder: the exact name when it exists as a file, otherwise a
// file of the folder whose name differs only in the letter case of ASCII letters; "" when
// there is none.
std::string FindPlaceFile(std::string_view folder, std::string_view name);
