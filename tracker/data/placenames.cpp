#include "placenames.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "commatext.h"
#include "datafiles.h"
#include "format.h"
#include "log.h"
#include "texthelpers.h"

namespace {

constexpr char kGrave = '`';
constexpr std::size_t kMinFields = 24;  // fields 0..23 are read

// Name and value of a "name=value" line; a line without "=" has an empty name.
std::string_view NamePart(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}
std::string_view ValuePart(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

void GraveToApostrophe(std::string& s) { std::replace(s.begin(), s.end(), kGrave, '\''); }

// The name suffix of a populated-place designation other than "PPL".
const char* PlaceSuffix(std::string_view dsg) {
  static const struct {
    const char* Dsg;
    const char* Suffix;
  } kSuffixes[] = {{"PPLX", " (Section of place)"}, {"PPLL", " (Locality)"}, {"PPLR", " (Religious)"},
                   {"PPLW", " (Destroyed)"},         {"PPLQ", " (Abandoned)"}, {"PPLA", " (Province Seat)"},
                   {"PPLC", " (Capital)"}};
  for (const auto& s : kSuffixes)
    if (dsg == s.Dsg) return s.Suffix;
  return "";
}

bool IsRegularFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::string IncludeTrailingSlash(std::string_view folder) {
  std::string f(folder);
  if (!f.empty() && f.back() != '/') f += '/';
  return f;
}

std::string FindPlaceFile(std::string_view folder, std::string_view name) {
  namespace fs = std::filesystem;
  if (name.empty()) return {};
  const std::string dir = IncludeTrailingSlash(folder);
  const std::string exact = dir + std::string(name);
  if (IsRegularFile(exact)) return exact;
  // A name that differs only in letter case (the files come from systems that ignore case).
  if (name.find('/') != std::string_view::npos) return {};
  std::error_code ec;
  std::vector<std::string> matches;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (SameText(file, name) && IsRegularFile(it->path())) matches.push_back(dir + file);
  }
  if (matches.empty()) return {};
  std::sort(matches.begin(), matches.end());  // the same choice whatever the folder's order
  return matches.front();
}

std::vector<std::string> TGnsList::SplitLine(std::string_view line) {
  std::string t;
  t.reserve(line.size() + line.size() / 8);
  for (char c : line) {
    if (c == '\t')
      t += " \t";
    else
      t += c == '\'' ? kGrave : c;
  }
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = t.size();
  while (true) {
    std::string field;
    if (i < n && t[i] == '"') {
      // A quoted stretch: up to the closing quote, a doubled quote standing for one.
      ++i;
      while (i < n) {
        if (t[i] == '"') {
          if (i + 1 < n && t[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += t[i++];
      }
    }
    while (i < n && t[i] != '\t') field += t[i++];
    fields.push_back(std::move(field));
    if (i >= n) break;
    ++i;  // the tab
  }
  return fields;
}

TGnsList::TGnsList(std::string_view folder, std::string_view country) {
  const std::string dir = IncludeTrailingSlash(folder);
  const std::string listFile = FindPlaceFile(dir, "Countries.txt");
  const satfiles::TReadResult list = satfiles::ReadTextLines(listFile, kMaxListBytes, CountryList);
  if (list == satfiles::TReadResult::TooLarge)
    WriteLog("Error Reading " + listFile + " : " + satfiles::ReadFailureText(list, kMaxListBytes));
  if (list != satfiles::TReadResult::Ok) CountryList.clear();

  const std::string base = GetCountryFile(country);
  if (base.empty()) return;
  // The country file is read line by line: only the places and regions it holds are kept.
  const std::string fileName = FindPlaceFile(dir, base + ".txt");
  std::vector<TItem> read;
  const satfiles::TReadResult places = satfiles::ForEachTextLine(
      fileName, kMaxFileBytes, [&](std::string_view line) { ReadCountryLine(line, read); });
  if (places == satfiles::TReadResult::TooLarge)
    WriteLog("Error Reading " + fileName + " : " + satfiles::ReadFailureText(places, kMaxFileBytes));
  if (places != satfiles::TReadResult::Ok) {
    Provinces.clear();
    return;
  }
  // Each name goes before the equal names already listed: equal names in reverse reading order.
  std::reverse(read.begin(), read.end());
  std::stable_sort(read.begin(), read.end(),
                   [](const TItem& a, const TItem& b) { return CompareText(a.Name, b.Name) < 0; });
  items_ = std::move(read);
}

void TGnsList::ReadCountryLine(std::string_view line, std::vector<TItem>& read) {
  const std::vector<std::string> f = SplitLine(line);
  if (f.size() < kMinFields) return;
  const std::string dsg = Trim(f[10]);
  std::int32_t adm1 = -1;
  if (!TryStrToInt(Trim(f[13]), adm1)) adm1 = -1;
  if (adm1 < 0) return;
  const std::string nameType = Trim(f[17]);

  if (dsg == "ADM1" && nameType == "N") {
    std::string name = Trim(f[23]);
    if (name.empty()) name = Trim(f[22]);
    GraveToApostrophe(name);
    Provinces.push_back(IntToStr(adm1) + "=" + name);
  }

  if (dsg.compare(0, 3, "PPL") == 0) {
    TItem item;
    item.Data.Adm1 = adm1;
    std::string name = Trim(f[23]);
    if (!TryStrToFloat(Trim(f[3]), item.Data.Lat) || !TryStrToFloat(Trim(f[4]), item.Data.Lon)) name.clear();
    GraveToApostrophe(name);
    if (name.empty()) return;
    if (dsg != "PPL") name += PlaceSuffix(dsg);
    if (nameType == "V") name += " (Alt. spelling)";
    item.Name = std::move(name);
    read.push_back(std::move(item));
  }
}

long TGnsList::IndexOf(std::string_view name) const {
  const auto it = std::lower_bound(items_.begin(), items_.end(), name,
                                   [](const TItem& a, std::string_view n) { return CompareText(a.Name, n) < 0; });
  if (it == items_.end() || CompareText(it->Name, name) != 0) return -1;
  return static_cast<long>(it - items_.begin());
}

std::vector<std::string> TGnsList::CountryNames() const {
  std::vector<std::string> names;
  names.reserve(CountryList.size());
  for (const std::string& line : CountryList) names.emplace_back(NamePart(line));
  return names;
}

std::string TGnsList::GetCountryList() const { return commatext::Join(CountryNames(), true); }

std::string TGnsList::GetCountryFile(std::string_view country) const {
  for (const std::string& line : CountryList)
    if (SameText(NamePart(line), country)) return std::string(ValuePart(line));
  return {};
}

std::string TGnsList::GetProvince(std::string_view place) const {
  const long index = IndexOf(place);
  if (index < 0) return {};
  const std::string code = IntToStr(items_[static_cast<std::size_t>(index)].Data.Adm1);
  for (const std::string& line : Provinces)
    if (SameText(NamePart(line), code)) return std::string(ValuePart(line));
  return {};
}
