#include "sats.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cmath>
#include <sys/stat.h>

#include "anglehelpers.h"
#include "commatext.h"
#include "astro_transforms.h"
#include "datafiles.h"
#include "dishgeometry.h"
#include "format.h"
#include "log.h"
#include "satfilerecords.h"
#include "shell.h"
#include "texthelpers.h"

namespace {

constexpr double kPi = 3.1415926535897932385;
constexpr double kDeg = 180.0 / kPi;

unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  // Latin-1 small letters except the division sign, and y with diaeresis left alone.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  return c;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The library's message for a failed call, or a generic one.
std::string LibraryMessage(HRESULT hr) {
  IErrorInfo* info = nullptr;
  std::string text;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    Bstr d;
    if (SUCCEEDED(info->GetDescription(d.out()))) text = d.str();
    info->Release();
  }
  if (text.empty()) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "Library call failed (0x%08X)", static_cast<unsigned>(hr));
    text = buffer;
  }
  return text;
}

}  // namespace

bool TNameLess::operator()(std::string_view a, std::string_view b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = FoldCase(static_cast<unsigned char>(a[i]));
    const unsigned char cb = FoldCase(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

void TDefaultSatsHost::ShowMessage(const std::string& text) {
  VcomMessageBox(text.c_str(), "Velmar", MB_OK | MB_ICONINFORMATION);
}

int TDefaultSatsHost::RunProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                                        const std::string& folder) {
  const shell::ProgramRun run = shell::RunProgram(program, args, folder, kWaitMs);
  if (!run.Started()) return 2;  // the file could not be started
  if (!run.Exited) return 0;     // still running after the wait
  return run.ExitCode == 0 ? 33 : 32;
}

std::string TDefaultSatsHost::SystemFolder() { return shell::SystemFolder(); }

HRESULT CreateSatellitesObject(ISatellites** out) {
  *out = nullptr;
  return CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites,
                          reinterpret_cast<void**>(out));
}

// ---------------------------------------------------------------------------------------------
// Connecting

TSats::TSats(ISatsHost& host, TSatLibCreator create) : Host(host), Create(std::move(create)) {
  WriteLog("Initialising Sats");
  EmptySat = TSat();
  UTC = Now();
  Connect();
}

TSats::~TSats() {
  WriteLog("Destroying Sats");
  ClearSats();
  EmptySat = TSat();
  ReleaseLibrary();
}

void TSats::ReleaseLibrary() {
  if (!ISat) return;
  Bstr empty("");
  ISat->put_KeplerPath(empty.get());
  ISat->Release();
  ISat = nullptr;
}

bool TSats::TryCreate(HRESULT* result, std::string* reason) {
  ISatellites* s = nullptr;
  HRESULT hr;
  try {
    hr = Create(&s);
  } catch (...) {
    hr = E_FAIL;
  }
  if (FAILED(hr) || !s) {
    if (s) s->Release();
    ISat = nullptr;
    const std::string why = LibraryMessage(FAILED(hr) ? hr : E_POINTER);  // also clears the error information
    if (result) *result = FAILED(hr) ? hr : E_POINTER;
    if (reason) *reason = why;
    return false;
  }
  ISat = s;
  return true;
}

void TSats::Connect() {
  WriteLog("Connect to DLL");
  HRESULT hr = S_OK;
  std::string why;
  if (!TryCreate(&hr, &why)) {
    if (hr == REGDB_E_READREGDB) {
      // Registering and creating again would each wait on the same file: the user is told now.
      WriteLog("DLL Connect Failed: " + why);
      ReportUnreadableRegistry(why);
      return;
    }
    WriteLog("DLL Connect Failed, attempting to register DLL");
    RegisterDll();
  }
  if (ISat) {
    WriteLog("DLL Connected successfully, version " + LibVersion());
    try {
      Check(ISat->put_ObsLon(ObsLon));
      Check(ISat->put_ObsLat(ObsLat));
      Check(ISat->put_ObsHeight(ObsHeight));
    } catch (const ESatLibError& e) {
      WriteLog(std::string("Setting the observer failed: ") + e.what());
    }
  } else {
    WriteLog("DLL Registration failed");
  }
}

std::string TSats::LibVersion() const {
  if (!ISat) return {};
  Bstr v;
  if (FAILED(ISat->get_VersionString(v.out()))) return {};
  return v.str();
}

void TSats::RegisterDll() {
  if (ISat) return;
  const std::string sys = Host.SystemFolder();
  const std::string lib = sys + "/" + kLibraryFile;
  const std::string tool = sys + "/" + kRegisterTool;
  WriteLog("Registering " + lib);
  if (FileExists(lib)) {
    int result;
    try {
      result = Host.RunProgramAndWait(tool, {lib}, sys);
    } catch (...) {
      result = -1000;
    }
    if (result <= 32) {
      WriteLog("Could not execute " + std::string(kRegisterTool) + ", Error " + IntToStr(result));
      if (FileExists(tool))
        Host.ShowMessage("Unknown error installing " + std::string(kLibraryFile));
      else
        Host.ShowMessage("Could not find " + std::string(kRegisterTool) + " in " + sys + ".\n" +
                         "Without this file the library cannot be registered.\n" +
                         "The registration tool is installed with the program.");
    }
  } else {
    Host.ShowMessage("Could not find " + std::string(kLibraryFile) + " in " + sys + ".\n" +
                     "Without this file the program will not work correctly.\n" +
                     "The library is installed with the program.");
    WriteLog("Could not find " + std::string(kLibraryFile) + " in " + sys);
  }
  HRESULT hr = S_OK;
  std::string why;
  if (!TryCreate(&hr, &why)) {
    if (hr == REGDB_E_READREGDB) {
      ReportUnreadableRegistry(why);
      return;
    }
    WriteLog("Error connecting " + std::string(kLibraryFile));
    Host.ShowMessage("Error connecting to in-process COM server " + std::string(kLibraryFile) + "\n\n" +
                     "Try using the command \"" + kRegisterTool + " " + kLibraryFile +
                     "\" from a terminal in the folder containing the file " + kLibraryFile + ".\n\n" +
                     "The " + kRegisterTool + " command is installed beside the program.");
  }
}

void TSats::ReportUnreadableRegistry(const std::string& reason) {
  WriteLog("Error connecting " + std::string(kLibraryFile) + ": " + reason);
  Host.ShowMessage("Error connecting to in-process COM server " + std::string(kLibraryFile) + "\n\n" + reason + ".");
}

void TSats::UnregisterDll() {
  ReleaseLibrary();
  const std::string sys = Host.SystemFolder();
  const std::string lib = sys + "/" + kLibraryFile;
  const std::string tool = sys + "/" + kRegisterTool;
  if (FileExists(lib)) {
    int result;
    try {
      result = Host.RunProgramAndWait(tool, {"/U", lib}, sys);
    } catch (...) {
      result = 0;
    }
    if (result <= 32) {
      if (FileExists(tool))
        Host.ShowMessage("Unknown error uninstalling " + std::string(kLibraryFile));
      else
        Host.ShowMessage("Could not find " + std::string(kRegisterTool) + " in " + sys + ".\n" +
                         "Without this file the library cannot be unregistered.\n" +
                         "The registration tool is installed with the program.");
    }
  } else {
    Host.ShowMessage("Could not find " + std::string(kLibraryFile) + " in " + sys + ".\n" +
                     "Without this file the program cannot be uninstalled.");
  }
}

void TSats::Check(HRESULT hr) const {
  if (FAILED(hr)) throw ESatLibError(hr, LibraryMessage(hr));
}

// ---------------------------------------------------------------------------------------------
// Lists

void TSats::ClearSats() {
  NameList_.clear();
  NoradList_.clear();
  ElementNames_.clear();
}

TSat* TSats::AddSat(std::unique_ptr<TSat> sat, const std::string& name, int nr) {
  TSat* p = sat.get();
  if (!NoradList_.emplace(nr, std::move(sat)).second) return nullptr;
  NameList_.emplace(name, p);
  return p;
}

void TSats::RemoveNameEntryOf(TSat* sat) {
  for (auto it = NameList_.begin(); it != NameList_.end(); ++it)
    if (it->second == sat) {
      NameList_.erase(it);
      return;
    }
}

TSat* TSats::SatOfNorad(int nr) const {
  auto it = NoradList_.find(nr);
  return it == NoradList_.end() ? nullptr : it->second.get();
}

std::string TSats::NameOfNorad(int nr) const {
  const TSat* s = SatOfNorad(nr);
  return s ? s->Name : std::string();
}

void TSats::RenameSat(const std::string& newName, TSat* sat) {
  if (!sat || newName.empty() || newName == sat->Name) return;
  RemoveNameEntryOf(sat);
  NameList_.erase(newName);  // the satellite listed there stays in the collection
  sat->SatInfo.CsvName = newName;
  sat->Name = newName;
  NameList_.emplace(newName, sat);
}

TSat* TSats::FindSat(std::string_view name) {
  auto it = NameList_.find(name);
  if (it == NameList_.end()) return &EmptySat;
  TSat* s = it->second;
  s->SatPos = CalcSatPos(LibraryName(*s));
  return s;
}

void TSats::NoteElementName(TSat& known, const TTwoLineRecord& next) {
  TElementNames& e = ElementNames_[known.TwoLine.NoradNr];
  e.Resolved = false;
  const auto note = [&e](const TTwoLineRecord& set) {
    const TNameLess less;
    for (auto& n : e.Sets)
      if (!less(n.Name.view(), set.Name.view()) && !less(set.Name.view(), n.Name.view())) {
        if (set.Epoch > n.Epoch) n = set;
        return;
      }
    e.Sets.push_back(set);
  };
  note(known.TwoLine);
  note(next);
  if (next.Epoch > known.TwoLine.Epoch) known.TwoLine = next;
}

bool TSats::LibraryHolds(const std::string& name) {
  try {
    return AskVisible(name).Held;
  } catch (const std::exception&) {
    return false;
  }
}

TSats::TVisibleAnswer TSats::AskVisible(std::string_view name) {
  std::string n(name.substr(0, 15));
  while (!n.empty() && static_cast<unsigned char>(n.back()) <= 32) n.pop_back();
  double jt = 0;
  Check(ISat->DateTimeToJT(UTC, &jt));
  // The library leaves the angles alone for a body it does not hold; NaN marks them.
  TVisibleAnswer a;
  a.Az = a.El = std::nan("");
  VARIANT_BOOL south = VARIANT_FALSE, visible = VARIANT_FALSE;
  Bstr bn(n);
  Check(ISat->IsVisible(bn.get(), jt, 0.5, &south, &a.Az, &a.El, &a.Lon, &a.Lat, &a.Range, &a.RangeRate, &a.Alt,
                        &a.Phase, &visible));
  a.Held = !std::isnan(a.Az) && !std::isnan(a.El);
  a.Southbound = south;
  a.Visible = visible != VARIANT_FALSE;
  return a;
}

std::string_view TSats::LibraryName(TSat& sat) {
  auto it = ElementNames_.find(sat.TwoLine.NoradNr);
  if (it == ElementNames_.end() || !ISat) return sat.TwoLine.Name.view();
  TElementNames& e = it->second;
  if (!e.Resolved) {
    // The later epoch first, as the library keeps it; of equal epochs the earlier read.
    std::vector<const TTwoLineRecord*> order;
    for (const TTwoLineRecord& set : e.Sets) order.push_back(&set);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) { return a->Epoch > b->Epoch; });
    e.Held = sat.TwoLine.Name.str();
    for (const TTwoLineRecord* set : order)
      if (LibraryHolds(set->Name.str())) {
        e.Held = set->Name.str();
        sat.TwoLine = *set;
        break;
      }
    e.Resolved = true;
  }
  return e.Held;
}

std::vector<std::string> TSats::GetSatNameList() {
  std::vector<std::string> names;
  if (!SortLongitude && !FilterKu && !FilterC && !FilterVis) {
    names.reserve(NameList_.size());
    for (const auto& e : NameList_) names.push_back(e.first);
    return names;
  }
  std::vector<TSatEntry> copy(NameList_.begin(), NameList_.end());
  std::vector<TSatEntry> kept;
  kept.reserve(copy.size());
  for (auto it = copy.rbegin(); it != copy.rend(); ++it) {
    TSat* s = it->second;
    s->SatPos = CalcSatPos(LibraryName(*s));
    if (FilterVis && !s->SatPos.Visible) continue;
    const std::string_view bands = s->SatInfo.Bands.view();
    const bool ku = bands.find("Ku") != std::string_view::npos;
    const bool c = bands.find('C') != std::string_view::npos;
    if (FilterKu && FilterC ? !(ku || c) : FilterKu ? !ku : FilterC ? !c : false) continue;
    kept.push_back(*it);
  }
  std::reverse(kept.begin(), kept.end());
  if (SortLongitude)
    std::stable_sort(kept.begin(), kept.end(),
                     [](const TSatEntry& a, const TSatEntry& b) { return a.second->SatPos.HA < b.second->SatPos.HA; });
  names.reserve(kept.size());
  for (const auto& e : kept) names.push_back(e.first);
  return names;
}

std::string TSats::GetSatNames() { return commatext::Join(GetSatNameList()); }

// ---------------------------------------------------------------------------------------------
// Observer

void TSats::SetObsHeight(double metres) {
  ObsHeight = metres;
  if (ISat) Check(ISat->put_ObsHeight(metres));
}

void TSats::SetObsLat(double degrees) {
  ObsLat = degrees;
  if (ISat) Check(ISat->put_ObsLat(degrees));
}

void TSats::SetObsLon(double degrees) {
  ObsLon = degrees;
  if (ISat) Check(ISat->put_ObsLon(degrees));
}

// ---------------------------------------------------------------------------------------------
// Position record

TSatPosRecord TSats::CalcSatPos(std::string_view name) {
  TSatPosRecord r;
  if (!ISat) return r;
  try {
    const TVisibleAnswer v = AskVisible(name);
    if (!v.Held) return TSatPosRecord();
    const double az = v.Az, el = v.El, lon = v.Lon, lat = v.Lat, range = v.Range, rangeRate = v.RangeRate,
                 alt = v.Alt, phase = v.Phase;

    int32_t rev = 0;
    double orbitPhase = 0, meanAnomaly = 0;
    Check(ISat->get_RevNumber(&rev));
    Check(ISat->get_OrbitPhase(&orbitPhase));
    Check(ISat->SatState(&r.X, &r.Y, &r.Z, &r.XDot, &r.YDot, &r.ZDot));
    Check(ISat->get_MeanAnomaly(&meanAnomaly));

    r.Visible = v.Visible;
    r.Southbound = v.Southbound;
    r.Range = range;
    r.RangeRate = rangeRate;
    r.Altitude = alt;
    r.Phase = phase;
    r.RevNr = rev;
    r.OrbitPhase = orbitPhase * kDeg;
    r.Anomaly = (meanAnomaly - std::trunc(meanAnomaly)) * 360.0;
    r.Longitude = lon * kDeg;
    r.Radius = std::sqrt(r.X * r.X + r.Y * r.Y + r.Z * r.Z);
    r.Speed = std::sqrt(r.XDot * r.XDot + r.YDot * r.YDot + r.ZDot * r.ZDot);
    r.StarTime = StarTimeOf(UTC);

    TDishInput in;
    in.ObsLat = ObsLat;
    in.ObsLon = ObsLon;
    in.ObsHeight = ObsHeight;
    in.ModifiedPolarMount = ModifiedPolarMount;
    in.AzimuthRad = az;
    in.ElevationRad = el;
    in.LatitudeRad = lat;
    in.Longitude = r.Longitude;
    in.Altitude = alt;
    in.X = r.X;
    in.Y = r.Y;
    in.Z = r.Z;
    in.StarTime = r.StarTime;
    TDishGeometry g;
    if (!CalcDishGeometry(in, g)) return TSatPosRecord();
    r.Azimuth = g.Azimuth;
    r.Elevation = g.Elevation;
    r.Latitude = g.Latitude;
    r.RelLongitude = g.RelLongitude;
    r.TheoDeclination = g.TheoDeclination;
    r.Declination = g.Declination;
    r.PolAngle = g.PolAngle;
    r.PolAxCorr = g.PolAxCorr;
    r.PolAxis = g.PolAxis;
    r.DecHorPlane = g.DecHorPlane;
    r.LclStarTime = g.LclStarTime;
    r.ObsX = g.ObsX;
    r.ObsY = g.ObsY;
    r.ObsZ = g.ObsZ;
    r.HA = g.HA;
    r.HA2 = g.HA;
    r.UTC = UTC;

    const double all[] = {r.Range, r.RangeRate, r.Altitude, r.Phase, r.X,         r.Y,         r.Z,
                          r.XDot,  r.YDot,      r.ZDot,     r.Radius, r.Speed,    r.OrbitPhase, r.Anomaly,
                          r.Longitude, r.StarTime, r.UTC};
    for (double v : all)
      if (!std::isfinite(v)) return TSatPosRecord();
    return r;
  } catch (const std::exception&) {
    return TSatPosRecord();
  }
}

double TSats::StarTimeOf(TDateTime utc) {
  // The sidereal time depends on the time alone; a list computed for one time needs it once.
  if (!StarTimeValid || utc != StarTimeUTC) {
    StarTimeUTC = utc;
    StarTimeValue = static_cast<double>(astro::GreenwichSiderealTime(utc));
    StarTimeValid = true;
  }
  return StarTimeValue;
}

void TSats::CalcPulseFit() {
  std::vector<TPulsePoint> points;
  for (const auto& e : NameList_) {
    TSat* s = e.second;
    if (!PulseCountIsSet(s->SatInfo.PulseCount) || s->SatInfo.IgnorePC) continue;
    s->SatPos = CalcSatPos(LibraryName(*s));
    points.push_back({s->SatInfo.DynHA ? s->SatPos.HA : s->SatInfo.RotorHA,
                      static_cast<double>(s->SatInfo.PulseCount)});
  }
  const TPulseFit fit = FitPulseCounts(points);
  FitCount = fit.Count;
  FitSlope = fit.Slope;
  FitIntercept = fit.Intercept;
  FitCorrelation = fit.Correlation;
}
