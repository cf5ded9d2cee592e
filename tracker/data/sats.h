// The satellite collection `TSats`: every `TSat` of the tracker, the link to the orbit library
// (only through `ISatellites`), the observer and the current time, the data-file readers and
// the "sats.csv" writer, the selectable name list, each satellite's position record completed
// with the dish geometry, and the rotor pulse-count fit.
//
// Message boxes and program starts go through `ISatsHost`, so the collection runs headless.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ISatellites.h"
#include "sat.h"

// What the collection needs from its surroundings.
class ISatsHost {
 public:
  virtual ~ISatsHost() = default;
  // Shows a message to the user (lines separated by "\n").
  virtual void ShowMessage(const std::string& text) = 0;
  // Runs a program with its arguments in a working folder and waits for it to end (with a
  // bound). Returns above 32 when it ran and exited with success, otherwise 32 or less.
  virtual int RunProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                                const std::string& folder) = 0;
  // The folder of the installed libraries and the registration tool, without a trailing '/'.
  virtual std::string SystemFolder() = 0;
};

// The program's own surroundings: messages through the component-object runtime's message
// hook (which the windowed program turns into dialogs), programs through the shell layer, and
// the shell layer's system folder.
class TDefaultSatsHost : public ISatsHost {
 public:
  static constexpr int kWaitMs = 30000;
  void ShowMessage(const std::string& text) override;
  int RunProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                        const std::string& folder) override;
  std::string SystemFolder() override;
};

// Creates the library object; the default asks the component-object runtime for class
// `Satellites` and interface `ISatellites`.
using TSatLibCreator = std::function<HRESULT(ISatellites** out)>;
HRESULT CreateSatellitesObject(ISatellites** out);

// A failed call into the orbit library, carrying the library's message.
class ESatLibError : public std::runtime_error {
 public:
  ESatLibError(HRESULT code, const std::string& message) : std::runtime_error(message), Code(code) {}
  HRESULT Code;
};

// Compares names without regard to case (ASCII and Latin-1 letters).
struct TNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

// One entry of a name list: the name it is listed under and the satellite.
using TSatEntry = std::pair<std::string, TSat*>;

class TSats {
 public:
  // File names of the orbit library and its registration tool in the system folder.
  static constexpr const char* kLibraryFile = "MarnSatLib.so";
  static constexpr const char* kRegisterTool = "regsvr";

  // Connects to the library (registering it once when the first creation fails).
  explicit TSats(ISatsHost& host, TSatLibCreator create = CreateSatellitesObject);
  ~TSats();
  TSats(const TSats&) = delete;
  TSats& operator=(const TSats&) = delete;

  bool Connected() const { return ISat != nullptr; }
  ISatellites* Library() const { return ISat; }
  std::string LibVersion() const;  // `VersionString`, or empty when not connected

  // Uninstall step: releases the library and runs the registration tool with "/U".
  void UnregisterDll();

  void ClearSats();

  // Store the observer and put it into the library; a failed put raises ESatLibError.
  void SetObsHeight(double metres);
  void SetObsLat(double degrees);
  void SetObsLon(double degrees);

  // Selectable names as comma text (and as a list), filtered and sorted by the flags.
  std::string GetSatNames();
  std::vector<std::string> GetSatNameList();

  std::string NameOfNorad(int nr) const;
  void RenameSat(const std::string& newName, TSat* satellite);
  // The satellite listed under the name (case ignored), its position computed for `UTC`;
  // &EmptySat (sat.h) for an unknown name, nothing computed.
  TSat* FindSat(std::string_view name);
  // The satellite with the catalogue number, or null (nothing computed).
  TSat* SatOfNorad(int nr) const;

  void SetGeoLogFile(const std::string& fileName);
  void SetSatCsvFile(const std::string& fileName);
  void SetKepFile(const std::string& fileName);

  // Position record of the named satellite (its element-set name) at `UTC`; all zeros
  // without the library, for a body the library does not hold, or on any failure.
  TSatPosRecord CalcSatPos(std::string_view name);
  void CalcPulseFit();

  // Data files.
  bool LoadTwoLineFile(const std::string& fileName);
  bool LoadGeoLog(const std::string& fileName);
  bool LoadSatCsv(const std::string& fileName);
  bool SaveSatCsv();
  bool SaveSatCsvAs(const std::string& fileName);

  // Read access to the lists: display names in order, and every satellite by number.
  const std::map<std::string, TSat*, TNameLess>& NameList() const { return NameList_; }
  const std::map<int, std::unique_ptr<TSat>>& NoradList() const { return NoradList_; }
  size_t NameCount() const { return NameList_.size(); }

  const std::string& KepFile() const { return KepFile_; }
  const std::string& GeoLogFile() const { return GeoLogFile_; }
  const std::string& SatCsvFile() const { return SatCsvFile_; }

  // Observer (read; set through the setters) and the time of every computation.
  double ObsHeight = 1.0;
  double ObsLat = 52.0;
  double ObsLon = 5.0;
  double UTC = 0;

  bool SortLongitude = false;
  bool FilterKu = false;
  bool FilterC = false;
  bool FilterVis = false;
  bool ModifiedPolarMount = false;

  double FitCorrelation = 0;
  double FitSlope = 0;
  double FitIntercept = 0;
  int FitCount = 0;

 private:
  void Connect();
  void RegisterDll();
  // Creates the library's object into ISat. On failure `result` gets the runtime's answer and
  // `reason` its explanation (which names the registry file or its lock).
  bool TryCreate(HRESULT* result = nullptr, std::string* reason = nullptr);
  // Connecting failed because the registry could not be read (another program holds its lock,
  // or the file is damaged): registering cannot help, the user is told why.
  void ReportUnreadableRegistry(const std::string& reason);
  void ReleaseLibrary();
  void Check(HRESULT hr) const;  // raises ESatLibError for a failed result
  TSat* AddSat(std::unique_ptr<TSat> sat, const std::string& name, int nr);
  void RemoveNameEntryOf(TSat* sat);
  // The name the library holds the satellite's elements under (see ElementNames_); the
  // satellite's element record becomes the set of that name.
  std::string_view LibraryName(TSat& sat);
  bool LibraryHolds(const std::string& name);
  // IsVisible for a name (cut to 15 characters, trailing blanks removed) at UTC; throws on a
  // failed call. Held is false when the library does not hold the name.
  struct TVisibleAnswer {
    bool Held = false, Visible = false;
    std::int16_t Southbound = 0;  // as the library gives it

    double Az = 0, El = 0, Lon = 0, Lat = 0, Range = 0, RangeRate = 0, Alt = 0, Phase = 0;
  };
  TVisibleAnswer AskVisible(std::string_view name);
  // Notes the sets of a satellite read under another name; the satellite keeps the set the
  // library keeps by the same rule.
  void NoteElementName(TSat& known, const TTwoLineRecord& next);
  std::vector<TSat*> SatsToSave();
  double StarTimeOf(TDateTime utc);

  ISatsHost& Host;
  TSatLibCreator Create;
  ISatellites* ISat = nullptr;
  std::string KepFile_, GeoLogFile_, SatCsvFile_;
  std::map<std::string, TSat*, TNameLess> NameList_;
  std::map<int, std::unique_ptr<TSat>> NoradList_;
  // Catalogue numbers read under more than one name. The satellite takes the name of the last
  // set read, while the library keeps the set with the later epoch (of equal epochs, the one it
  // read first) under that set's name; which name it holds is asked once per element folder,
  // and the satellite's element record is the set held.
  struct TElementNames {
    std::vector<TTwoLineRecord> Sets;  // per element-set name, as read: the later epoch, else the first
    std::string Held;
    bool Resolved = false;
  };
  std::map<int, TElementNames> ElementNames_;
  bool StarTimeValid = false;
  TDateTime StarTimeUTC = 0;
  double StarTimeValue = 0;
};
