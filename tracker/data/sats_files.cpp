// The collection's data files: the element files, the geo log and the satellite table (Sats.csv).
#include "sats.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <set>
#include <sys/stat.h>

#include "datafiles.h"
#include "format.h"
#include "log.h"
#include "satfilerecords.h"
#include "texthelpers.h"

namespace {

bool FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string LocalFileTime(time_t t) {
  struct tm lt {};
  localtime_r(&t, &lt);
  try {
    return DateTimeToStr(UnixToDateTime(static_cast<double>(t) + static_cast<double>(lt.tm_gmtoff)));
  } catch (const std::exception&) {
    return "?";
  }
}

std::string DateTimeText(TDateTime dt) {
  try {
    return DateTimeToStr(dt);
  } catch (const std::exception&) {
    return "?";
  }
}

}  // namespace

void TSats::SetGeoLogFile(const std::string& fileName) {
  WriteLog("Setting Geo.log File " + fileName);
  GeoLogFile_ = fileName;
  if (!KepFile_.empty() && !fileName.empty() && !LoadGeoLog(fileName)) GeoLogFile_.clear();
}

void TSats::SetSatCsvFile(const std::string& fileName) {
  WriteLog("Setting SatInfo File " + fileName);
  SatCsvFile_ = fileName;
  if (KepFile_.empty() || fileName.empty()) return;
  // A missing file holds no information yet; keep its name so that saving creates it.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0 && errno == ENOENT) {
    WriteLog("Reading sats.csv from " + fileName);
    WriteLog("No file " + fileName + ", starting without satellite information");
    return;
  }
  if (!LoadSatCsv(fileName)) SatCsvFile_.clear();
}

void TSats::SetKepFile(const std::string& fileName) {
  WriteLog("Setting Kep File " + fileName);
  KepFile_ = fileName;
  std::string folder;
  if (!fileName.empty()) {
    const size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string::npos) folder = fileName.substr(0, slash) + "/";
    WriteLog("Kep Dir " + folder);
    if (!FolderExists(folder)) folder.clear();
  }
  if (ISat) {
    Bstr path(folder);
    Check(ISat->put_KeplerPath(path.get()));
    for (auto& e : ElementNames_) e.second.Resolved = false;
  }
  WriteLog("ISat.KeplerPath " + folder);

  if (fileName.empty()) {
    ClearSats();
    WriteLog("Sats Cleared");
    return;
  }

  WriteLog("Loading kep files from " + folder);
  bool anyRead = false;
  if (!folder.empty()) {
    std::vector<std::string> entries;
    if (DIR* d = ::opendir(folder.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") entries.push_back(n);
      }
      ::closedir(d);
    }
    std::sort(entries.begin(), entries.end());
    for (const std::string& n : entries) {
      const std::string path = folder + n;
      const std::string ext = n.size() >= 4 ? LowerCase(n.substr(n.size() - 4)) : std::string();
      if (ext == ".txt" || ext == ".tle" || ext == ".2li") anyRead = LoadTwoLineFile(path) || anyRead;
      struct stat st {};
      const bool known = ::stat(path.c_str(), &st) == 0;
      WriteLog("Found kep file " + n + "  Size: " + IntToStr(known ? st.st_size : 0) +
               "  Time: " + (known ? LocalFileTime(st.st_mtime) : std::string("?")));
    }
  }
  if (!anyRead) KepFile_.clear();

  if (!SatCsvFile_.empty()) SetSatCsvFile(SatCsvFile_);
  if (!GeoLogFile_.empty()) SetGeoLogFile(GeoLogFile_);
}

bool TSats::LoadTwoLineFile(const std::string& fileName) {
  WriteLog("Reading two-line data from " + fileName);
  const std::string version = LibVersion();
  std::string last = "No Sats";
  TSat* lastSat = nullptr;
  // The last three lines not yet taken: a name line and the two element lines.
  std::string window[3];
  size_t held = 0, lineCount = 0;
  auto take = [&] {
    const TTwoLineRecord rec = satfiles::ParseTwoLineSet(window[0], window[1], window[2]);
    const std::string name = rec.Name.str();
    if (rec.NoradNr <= 0 || name.empty()) return;
    TSat* known = SatOfNorad(rec.NoradNr);
    if (!known && NameList_.find(name) == NameList_.end()) {
      auto s = std::make_unique<TSat>();
      s->Name = name;
      s->TwoLine = rec;
      if (ISat) s->TwoLine.LibVersion = version;
      lastSat = AddSat(std::move(s), name, rec.NoradNr);
      last = name;
    } else if (known) {
      // The satellite keeps its name-list entry under its former name, and takes the new name;
      // its element record stays the set the library keeps.
      NoteElementName(*known, rec);
      known->Name = name;
      last = name;
      lastSat = known;
    }
  };
  const satfiles::TReadResult read =
      satfiles::ForEachTextLine(fileName, satfiles::kMaxDataFileBytes, [&](std::string_view line) {
        ++lineCount;
        if (held == 3) {
          std::swap(window[0], window[1]);
          std::swap(window[1], window[2]);
          held = 2;
        }
        window[held++].assign(line);
        if (held == 3 && satfiles::IsElementPair(window[1], window[2])) {
          take();
          held = 0;
        }
      });
  const bool ok = read == satfiles::TReadResult::Ok;
  if (read == satfiles::TReadResult::TooLarge)
    WriteLog("Skipping " + fileName + " : larger than " +
             IntToStr(static_cast<int64_t>(satfiles::kMaxDataFileBytes >> 20)) + " MB");
  else if (!ok)
    WriteLog("Loading " + fileName + " Failed");

  auto addBody = [this](const char* name, const char* libName, int nr) {
    if (NameList_.find(std::string_view(name)) != NameList_.end() || SatOfNorad(nr)) return;
    auto s = std::make_unique<TSat>();
    s->Name = name;
    s->TwoLine.Name = libName;
    s->TwoLine.NoradNr = nr;
    AddSat(std::move(s), name, nr);
  };
  addBody("Moon", "MOON", MoonNoradNr);
  addBody("Sun", "SUN", SunNoradNr);

  WriteLog("Finished loading file, " + IntToStr(static_cast<int64_t>(lineCount)) +
           " lines, new satcount is " + IntToStr(static_cast<int64_t>(NameList_.size())) +
           "  UTC: " + DateTimeText(UTC));
  // The satellite itself: one renamed by this file is still listed under its former name.
  const TSat* s = &EmptySat;
  if (lastSat) {
    lastSat->SatPos = CalcSatPos(LibraryName(*lastSat));
    s = lastSat;
  }
  WriteLog("Last Sat: " + last + "  Lon: " + FormatFloat("#.###", s->SatPos.Longitude) +
           "  El: " + IntToStr(s->TwoLine.ElementNr) + "  Epoch: " + DateTimeText(s->TwoLine.Epoch));
  return ok;
}

bool TSats::LoadGeoLog(const std::string& fileName) {
  WriteLog("Reading geo.log data from " + fileName);
  size_t lineCount = 0;
  const satfiles::TReadResult read =
      satfiles::ForEachTextLine(fileName, satfiles::kMaxDataFileBytes, [&](std::string_view line) {
        ++lineCount;
        TGeoLogRecord rec;
        const int nr = satfiles::ParseGeoLogLine(line, rec);
        if (nr <= 0 || rec.Name.empty()) return;
        if (TSat* s = SatOfNorad(nr)) s->GeoLog = rec;
      });
  const bool ok = read == satfiles::TReadResult::Ok;
  if (read == satfiles::TReadResult::TooLarge)
    WriteLog("Skipping " + fileName + " : larger than " +
             IntToStr(static_cast<int64_t>(satfiles::kMaxDataFileBytes >> 20)) + " MB");
  else if (!ok)
    WriteLog("Error Reading " + fileName);
  WriteLog("Finished loading file, " + IntToStr(static_cast<int64_t>(lineCount)) + " lines, satcount is " +
           IntToStr(static_cast<int64_t>(NameList_.size())));
  return ok;
}

bool TSats::LoadSatCsv(const std::string& fileName) {
  WriteLog("Reading sats.csv from " + fileName);
  std::vector<std::string> lines;
  const satfiles::TReadResult read = satfiles::ReadTextLines(fileName, satfiles::kMaxDataFileBytes, lines);
  const bool ok = read == satfiles::TReadResult::Ok;
  if (read == satfiles::TReadResult::TooLarge)
    WriteLog("Error Reading " + fileName + " : " + satfiles::ReadFailureText(read, satfiles::kMaxDataFileBytes));
  else if (!ok)
    WriteLog("Error Reading " + fileName);
  const std::string version = LibVersion();
  for (const std::string& line : lines) {
    int nr = 0;
    TSatInfoRecord info;
    if (!satfiles::ParseSatCsvLine(line, nr, info) || nr <= 0) continue;
    const std::string csvName = info.CsvName.str();
    if (TSat* s = SatOfNorad(nr)) {
      s->SatInfo = info;
      if (!csvName.empty() && csvName != s->Name) {
        RemoveNameEntryOf(s);
        NameList_.emplace(csvName, s);
        s->Name = csvName;
      }
    } else {
      auto n = std::make_unique<TSat>();
      n->Name = csvName;
      n->TwoLine.Name = csvName;
      n->TwoLine.NoradNr = nr;
      n->SatInfo = info;
      if (ISat) n->TwoLine.LibVersion = version;
      AddSat(std::move(n), csvName, nr);
    }
  }
  WriteLog("Finished loading file, " + IntToStr(static_cast<int64_t>(lines.size())) +
           " lines, new satcount is " + IntToStr(static_cast<int64_t>(NameList_.size())));
  return ok;
}

std::vector<TSat*> TSats::SatsToSave() {
  // Name-list order first, then satellites that lost their name entry, by number.
  std::vector<TSat*> order;
  std::set<const TSat*> seen;
  for (const auto& e : NameList_)
    if (seen.insert(e.second).second) order.push_back(e.second);
  for (const auto& e : NoradList_)
    if (seen.insert(e.second.get()).second) order.push_back(e.second.get());
  std::vector<TSat*> out;
  for (TSat* s : order)
    if (!satfiles::SatInfoIsDefault(s->SatInfo)) out.push_back(s);
  return out;
}

bool TSats::SaveSatCsvAs(const std::string& fileName) {
  std::vector<std::string> lines;
  for (TSat* s : SatsToSave()) {
    if (s->SatInfo.CsvName.empty()) s->SatInfo.CsvName = s->Name;
    lines.push_back(satfiles::FormatSatCsvLine(s->TwoLine.NoradNr, s->SatInfo));
  }
  if (lines.empty()) return true;
  return satfiles::WriteTextLinesAtomically(fileName, lines);
}

bool TSats::SaveSatCsv() { return SaveSatCsvAs(SatCsvFile_); }
