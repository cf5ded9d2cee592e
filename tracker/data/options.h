// The settings of the tracker: every user setting, read from the ini file beside the program at
// start (a missing or unreadable key takes its default) and written back at exit: all keys when
// SaveSettings is set, otherwise only "SaveSettings". Two flags are not stored: FilesChanged
// (reload the data files on the next apply) and SatInfoEdited.
#pragma once

#include <cstdint>
#include <string>

#include "inifile.h"

// The toolkit's 32-bit colour value 0x00BBGGRR; with the high bit set a system colour.
inline constexpr std::int32_t clWindowText = static_cast<std::int32_t>(0x80000008u);  // -2147483640
inline constexpr std::int32_t clRed = 0x000000FF;

// A font as plain values; the user interface makes the toolkit's font from it.
struct TFontSpec {
  std::string Name = "Verdana";
  std::int32_t Size = 10;                // points
  std::int32_t Color = clWindowText;     // kept raw, so an untouched colour is written back as read
  bool Bold = false;
  bool Italic = false;
  bool operator==(const TFontSpec&) const = default;
};

class TOptions : public TIniFile {
 public:
  // Binds to the ini file named after the program (ChangeFileExt(ProgramFileName(), ".ini")),
  // logs "Reading Ini <file>" and reads every setting.
  TOptions();
  explicit TOptions(const std::string& iniFileName);
  // Writes the settings (see above). A write that fails is logged, never thrown.
  ~TOptions() override;

  void ReadSettings();
  // Throw EIniFileException when the file cannot be written.
  void WriteSettings();
  // Writes what is kept at exit (all settings when SaveSettings is set, otherwise only
  // "SaveSettings"); a failure is logged and its text returned ("" when written). The
  // destructor writes only when this was not called.
  std::string WriteOnExit() noexcept;
  void WriteObserver();

  // |h| < 1e-6 becomes 1e-6.
  void SetObsHeight(double h);
  // |lat| < 1e-6 becomes 1e-6, |lat| > 89.999999 becomes +-89.999999.
  void SetObsLat(double lat);

  // In declared order; keys are the field names unless noted.
  double ObsHeight = 1e-6;       // metres ("Observer"); store through SetObsHeight
  double ObsLat = 52.083;        // degrees north ("Observer"); store through SetObsLat
  double ObsLon = 5.133;         // degrees east ("Observer"); not limited
  std::string SatCsvFile;        // "Files"
  std::string GeoLogFile;        // "Files"
  std::string TwoLineFile;       // "Files"; its folder is the element folder
  std::string CountryFolder;     // "Files"
  std::string HomeCity = "Utrecht";          // "Observer"
  std::string HomeCountry = "Netherlands";   // "Observer"
  std::int32_t ImgDpi = 150;     // "Misc"; 25..1200
  TFontSpec ImgFont;             // "Font": FontName, FontSize, FontColor, FontBold, FontItalic
  bool DecimalDegs = true;       // "Misc"
  bool SaveSettings = false;     // "Misc"
  bool SatInfoEdited = false;    // not stored
  std::string BrowserExecutable = "xdg-open";  // "Files"
  bool SaveSatCsv = false;       // "Misc"
  TFontSpec PrintFont{"Verdana", 14, clWindowText, false, false};  // "Font": PrintFont...
  bool FilterKu = true;          // "Misc"
  bool SortLongitude = true;     // "Misc"
  bool FilterC = false;          // "Misc"
  bool AutoUpdate = true;        // "Update"
  std::string TwoLineUrlList;    // "Update"; addresses separated by commas
  std::string TwoLineUrl1;       // "Update"
  std::string GeoLogUrl;         // "Update"
  bool ViewSats = true;          // "Misc"
  bool ViewProp = false;         // "Misc"
  std::int32_t StarMag = -20;    // "Misc"
  std::string TwoLineUrl3;       // "Update"
  std::string TwoLineUrl2;       // "Update"
  bool FilterVis = true;         // "Misc"
  bool ViewStarNames = false;    // "Misc"
  bool AziRelToSouth = true;     // "Misc"
  bool ModifiedPolarMount = true;  // "Misc"
  bool SunInFront = true;        // "Misc"
  std::string NIMAUrl;           // "Update"
  bool FilesChanged = false;     // not stored; set by ReadSettings

  static constexpr std::int32_t MinImgDpi = 25;
  static constexpr std::int32_t MaxImgDpi = 1200;

 private:
  void ReadFont(TFontSpec& font, const char* prefix, const TFontSpec& def);
  void WriteFont(const TFontSpec& font, const char* prefix);
  bool exitWritten_ = false;
};

// The default web addresses.
extern const char* const DefaultTwoLineUrl1;
extern const char* const DefaultTwoLineUrl2;
extern const char* const DefaultTwoLineUrlList;
extern const char* const DefaultGeoLogUrl;
extern const char* const DefaultNIMAUrl;

// The one settings object, created and freed by the main window.
extern TOptions* Options;
