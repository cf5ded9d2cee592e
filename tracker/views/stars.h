// The star catalogue behind the Clarke-belt view: "Stars.csv", read once at start.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStar {
 public:
  double RA = 0;    // right ascension, degrees (the file's hours times 15)
  double Dec = 0;   // declination, degrees
  double Mag = 100; // visual magnitude; 100 marks a star that could not be read
  int Nr = 0;       // catalogue number
  std::string Designation;    // e.g. "Alp", "Bet1", or "N.A."
  std::string Constellation;  // constellation abbreviation
  std::string StarName;       // proper name, for some designations followed by " (Constellation)"
};

// A star at its creation values, returned for indexes out of range.
extern const TStar DefaultStar;

class TStarList {
 public:
  struct TItem {
    std::string Text;  // the star's index in decimal
    std::unique_ptr<TStar> Star;
  };

  TStarList() = default;
  ~TStarList() { Clear(); }
  TStarList(const TStarList&) = delete;
  TStarList& operator=(const TStarList&) = delete;

  // Catalogue files above this size are not read (the bright-star catalogue is well under 1 MB).
  static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{16} << 20;

  // Adds the stars of the file (the list is not emptied first). A missing or unreadable file
  // adds nothing; a line that does not parse is passed over; nothing is reported, except a file
  // larger than kMaxFileBytes (logged). When the exact name does not exist, a file whose name
  // differs only in case is read instead.
  void LoadFromFile(const std::string& fileName);
  // Adds the stars of a file's text (lines separated by CR LF, LF or CR).
  void LoadFromText(const std::string& text);

  // The star at Index, or DefaultStar when Index is below 0 or not below Count.
  const TStar& GetStar(int index) const;
  int Count() const { return static_cast<int>(Stars.size()); }
  void Clear() { Stars.clear(); }

  std::vector<TItem> Stars;
  std::string FileName;  // the file last loaded
};

// The program's star list, created and loaded by the main window; nullptr until then.
extern TStarList* StarList;

// Helpers of the star reader, exposed for the tests.
namespace stars_detail {
// Splits a line at ';' as the reader does: a field starting with '"' runs to the closing quote
// (doubled quotes stand for one) and may hold ';'; an empty field at the very start or end of
// the line is lost.
std::vector<std::string> SplitFields(const std::string& line);
// Strict '.'-decimal number (blanks around it allowed); false when it does not parse or is not
// finite.
bool ParseNumber(const std::string& text, double& value);
bool ParseInt(const std::string& text, int& value);
}  // namespace stars_detail
