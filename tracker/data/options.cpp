#include "options.h"

#include <cmath>

#include "log.h"
#include "programpath.h"

TOptions* Options = nullptr;

const char* const DefaultTwoLineUrl1 = "http://celestrak.org/NORAD/elements/geo.txt";
const char* const DefaultTwoLineUrl2 = "http://celestrak.org/NORAD/elements/stations.txt";
const char* const DefaultTwoLineUrlList =
    "http://celestrak.org/NORAD/elements/geo.txt,"
    "http://celestrak.org/NORAD/elements/stations.txt,"
    "http://celestrak.org/NORAD/elements/amateur.txt,"
    "http://celestrak.org/NORAD/elements/weather.txt,"
    "http://www.amsat.org/pub/keps.tle";
const char* const DefaultGeoLogUrl = "http://www.planet4589.org/space/logs/geo.log";
const char* const DefaultNIMAUrl = "http://earth-info.nga.mil/gns/html/cntry_files.html";

namespace {
constexpr const char* kFiles = "Files";
constexpr const char* kObserver = "Observer";
constexpr const char* kUpdate = "Update";
constexpr const char* kMisc = "Misc";
constexpr const char* kFont = "Font";
}  // namespace

TOptions::TOptions() : TOptions(ChangeFileExt(ProgramFileName(), ".ini")) {}

TOptions::TOptions(const std::string& iniFileName) : TIniFile(iniFileName) {
  WriteLog("Reading Ini " + FileName());
  // A file that is there but cannot be read keeps its settings: the program runs on the
  // defaults, and saving them is refused rather than replacing the file.
  if (const std::string why = ReadProblem(); !why.empty())
    WriteLog("The settings file " + FileName() + " cannot be read (" + why +
             "); the built-in settings are used and the file is left as it is");
  SatInfoEdited = false;
  ReadSettings();
}

TOptions::~TOptions() {
  if (!exitWritten_) WriteOnExit();
}

std::string TOptions::WriteOnExit() noexcept {
  exitWritten_ = true;
  try {
    try {
      if (SaveSettings) WriteSettings();
      else WriteBool(kMisc, "SaveSettings", false);
      return std::string();
    } catch (const std::exception& e) {
      WriteLog(e.what());
      return e.what();
    } catch (...) {
      const std::string text = "Unable to write to " + FileName();
      WriteLog(text);
      return text;
    }
  } catch (...) {
    return "Unable to write the settings";  // the log itself failed
  }
}

void TOptions::SetObsHeight(double h) {
  if (std::isnan(h) || std::fabs(h) < 1e-6) h = 1e-6;
  ObsHeight = h;
}

void TOptions::SetObsLat(double lat) {
  if (std::isnan(lat) || std::fabs(lat) < 1e-6) lat = 1e-6;
  if (std::fabs(lat) > 89.999999) lat = lat < 0 ? -89.999999 : 89.999999;
  ObsLat = lat;
}

void TOptions::ReadFont(TFontSpec& font, const char* prefix, const TFontSpec& def) {
  const std::string p = prefix;
  font.Bold = false;
  font.Italic = false;
  font.Name = ReadString(kFont, p + "Name", def.Name);
  font.Size = ReadInteger(kFont, p + "Size", def.Size);
  font.Color = ReadInteger(kFont, p + "Color", def.Color);
  if (ReadBool(kFont, p + "Bold", def.Bold)) font.Bold = true;
  if (ReadBool(kFont, p + "Italic", def.Italic)) font.Italic = true;
}

void TOptions::WriteFont(const TFontSpec& font, const char* prefix) {
  const std::string p = prefix;
  WriteString(kFont, p + "Name", font.Name);
  WriteInteger(kFont, p + "Size", font.Size);
  WriteInteger(kFont, p + "Color", font.Color);
  WriteBool(kFont, p + "Bold", font.Bold);
  WriteBool(kFont, p + "Italic", font.Italic);
}

void TOptions::ReadSettings() {
  const std::string folder = ProgramFolder();
  SatCsvFile = ReadString(kFiles, "SatCsvFile", folder + "sats.csv");
  TwoLineFile = ReadString(kFiles, "TwoLineFile", folder + "Keps/geo.txt");
  GeoLogFile = ReadString(kFiles, "GeoLogFile", folder + "geo.log");
  CountryFolder = ReadString(kFiles, "CountryFolder", folder + "Countries");
  // Paths in an ini file written on Windows use backslashes.
  for (std::string* path : {&SatCsvFile, &TwoLineFile, &GeoLogFile, &CountryFolder})
    for (char& c : *path)
      if (c == '\\') c = '/';
  FilesChanged = true;
  BrowserExecutable = ReadString(kFiles, "BrowserExecutable", "xdg-open");

  HomeCity = ReadString(kObserver, "HomeCity", "Utrecht");
  HomeCountry = ReadString(kObserver, "HomeCountry", "Netherlands");
  SetObsHeight(ReadFloat(kObserver, "ObsHeight", 1e-6));
  SetObsLat(ReadFloat(kObserver, "ObsLat", 52.083));
  ObsLon = ReadFloat(kObserver, "ObsLon", 5.133);

  TwoLineUrl1 = ReadString(kUpdate, "TwoLineUrl1", DefaultTwoLineUrl1);
  TwoLineUrl2 = ReadString(kUpdate, "TwoLineUrl2", DefaultTwoLineUrl2);
  TwoLineUrl3 = ReadString(kUpdate, "TwoLineUrl3", "");
  TwoLineUrlList = ReadString(kUpdate, "TwoLineUrlList", DefaultTwoLineUrlList);
  GeoLogUrl = ReadString(kUpdate, "GeoLogUrl", DefaultGeoLogUrl);
  NIMAUrl = ReadString(kUpdate, "NIMAUrl", DefaultNIMAUrl);
  AutoUpdate = ReadBool(kUpdate, "AutoUpdate", true);

  ModifiedPolarMount = ReadBool(kMisc, "ModifiedPolarMount", true);
  FilterKu = ReadBool(kMisc, "FilterKu", true);
  FilterC = ReadBool(kMisc, "FilterC", false);
  FilterVis = ReadBool(kMisc, "FilterVis", true);
  SortLongitude = ReadBool(kMisc, "SortLongitude", true);
  ViewProp = ReadBool(kMisc, "ViewProp", false);
  ViewSats = ReadBool(kMisc, "ViewSats", true);
  SunInFront = ReadBool(kMisc, "SunInFront", true);
  ViewStarNames = ReadBool(kMisc, "ViewStarNames", false);
  StarMag = ReadInteger(kMisc, "StarMag", -20);
  ImgDpi = ReadInteger(kMisc, "ImgDpi", 150);
  // Limited like the options dialog's entry: an edited 100000 would make every saved picture
  // allocate gigabytes.
  if (ImgDpi < MinImgDpi) ImgDpi = MinImgDpi;
  if (ImgDpi > MaxImgDpi) ImgDpi = MaxImgDpi;
  DecimalDegs = ReadBool(kMisc, "DecimalDegs", true);
  AziRelToSouth = ReadBool(kMisc, "AziRelToSouth", true);
  SaveSettings = ReadBool(kMisc, "SaveSettings", false);
  SaveSatCsv = ReadBool(kMisc, "SaveSatCsv", false);

  ReadFont(ImgFont, "Font", TFontSpec{"Verdana", 10, clWindowText, false, false});
  ReadFont(PrintFont, "PrintFont", TFontSpec{"Verdana", 14, clWindowText, false, false});
}

void TOptions::WriteObserver() {
  WriteString(kObserver, "HomeCity", HomeCity);
  WriteString(kObserver, "HomeCountry", HomeCountry);
  WriteFloat(kObserver, "ObsHeight", ObsHeight);
  WriteFloat(kObserver, "ObsLat", ObsLat);
  WriteFloat(kObserver, "ObsLon", ObsLon);
}

void TOptions::WriteSettings() {
  WriteString(kFiles, "SatCsvFile", SatCsvFile);
  WriteString(kFiles, "TwoLineFile", TwoLineFile);
  WriteString(kFiles, "GeoLogFile", GeoLogFile);
  WriteString(kFiles, "CountryFolder", CountryFolder);
  WriteObserver();
  WriteString(kFiles, "BrowserExecutable", BrowserExecutable);

  WriteString(kUpdate, "TwoLineUrl1", TwoLineUrl1);
  WriteString(kUpdate, "TwoLineUrl2", TwoLineUrl2);
  WriteString(kUpdate, "TwoLineUrl3", TwoLineUrl3);
  WriteString(kUpdate, "TwoLineUrlList", TwoLineUrlList);
  WriteString(kUpdate, "GeoLogUrl", GeoLogUrl);
  WriteString(kUpdate, "NIMAUrl", NIMAUrl);
  WriteBool(kUpdate, "AutoUpdate", AutoUpdate);

  WriteBool(kMisc, "ModifiedPolarMount", ModifiedPolarMount);
  WriteBool(kMisc, "FilterKu", FilterKu);
  WriteBool(kMisc, "FilterC", FilterC);
  WriteBool(kMisc, "FilterVis", FilterVis);
  WriteBool(kMisc, "SortLongitude", SortLongitude);
  WriteBool(kMisc, "ViewProp", ViewProp);
  WriteBool(kMisc, "ViewSats", ViewSats);
  WriteBool(kMisc, "SunInFront", SunInFront);
  WriteBool(kMisc, "ViewStarNames", ViewStarNames);
  WriteInteger(kMisc, "StarMag", StarMag);
  WriteInteger(kMisc, "ImgDpi", ImgDpi);
  WriteBool(kMisc, "DecimalDegs", DecimalDegs);
  WriteBool(kMisc, "AziRelToSouth", AziRelToSouth);
  WriteBool(kMisc, "SaveSettings", SaveSettings);
  WriteBool(kMisc, "SaveSatCsv", SaveSatCsv);

  WriteFont(ImgFont, "Font");
  WriteFont(PrintFont, "PrintFont");
}
