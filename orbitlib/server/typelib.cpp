// The type library of MarnSatLib: one table of the members of ISatellites, from which the
// type information and the late binding (GetIDsOfNames, Invoke) are both served, and the
// library's description, exported as its type-library resource.
#include <iterator>
#include <mutex>

#include "satellites.h"

namespace marnsat {
namespace {

using namespace marnsatlib;

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOut = PARAMFLAG_FOUT;

constexpr VcomParamData kPutBstr[] = {{nullptr, VT_BSTR, kIn}};
constexpr VcomParamData kPutR8[] = {{nullptr, VT_R8, kIn}};
constexpr VcomParamData kPassList[] = {{"Name", VT_BSTR, kIn},
                                       {"UTCdate", VT_R8, kIn},
                                       {"MinSeconds", VT_I4, kIn},
                                       {"NumDays", VT_I4, kIn},
                                       {"MinElevDegrees", VT_R8, kIn}};
constexpr VcomParamData kIsVisible[] = {
    {"Name", VT_BSTR, kIn},         {"JulianTime", VT_R8, kIn}, {"ThresholdDeg", VT_R8, kIn},
    {"Southbound", VT_BOOL, kOut},  {"Azumuth", VT_R8, kOut},   {"Elevation", VT_R8, kOut},
    {"Longitude", VT_R8, kOut},     {"Latitude", VT_R8, kOut},  {"Range", VT_R8, kOut},
    {"RangeRate", VT_R8, kOut},     {"Altitude", VT_R8, kOut},  {"Phase", VT_R8, kOut}};
constexpr VcomParamData kDateTime[] = {{"DateTime", VT_R8, kIn}};
constexpr VcomParamData kPredict[] = {{"Name", VT_BSTR, kIn}, {"PredictTime", VT_R8, kIn}};
constexpr VcomParamData kState[] = {{"X", VT_R8, kOut},    {"Y", VT_R8, kOut},    {"Z", VT_R8, kOut},
                                    {"Xdot", VT_R8, kOut}, {"Ydot", VT_R8, kOut}, {"Zdot", VT_R8, kOut}};

constexpr const char* kKeplerPathHelp =
    "The folder where two-line Kepler data is stored, setting causes the satellite list to be created from that data";
constexpr const char* kFindHelp = "Determine next AOS for satellite, -1 if > 2days away";

constexpr INVOKEKIND kGet = INVOKE_PROPERTYGET;
constexpr INVOKEKIND kPut = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND kFunc = INVOKE_FUNC;

template <size_t N>
constexpr UINT Count(const VcomParamData (&)[N]) {
  return static_cast<UINT>(N);
}

// In virtual-table order; a property's get comes before its put.
constexpr VcomFuncData kMembers[] = {
    {"VersionString", DISPID_VersionString, kGet, nullptr, 0, VT_BSTR, "Returns the library version information"},
    {"KeplerPath", DISPID_KeplerPath, kGet, nullptr, 0, VT_BSTR, kKeplerPathHelp},
    {"KeplerPath", DISPID_KeplerPath, kPut, kPutBstr, 1, VT_VOID, kKeplerPathHelp},
    {"SatCount", DISPID_SatCount, kGet, nullptr, 0, VT_I4, nullptr},
    {"SatNames", DISPID_SatNames, kGet, nullptr, 0, VT_BSTR, "Comma-separated list of satellite names"},
    {"ObsLat", DISPID_ObsLat, kGet, nullptr, 0, VT_R8, "Observer latitude in degrees"},
    {"ObsLat", DISPID_ObsLat, kPut, kPutR8, 1, VT_VOID, "Observer latitude in degrees"},
    {"ObsLon", DISPID_ObsLon, kGet, nullptr, 0, VT_R8, "Observer longitude in degrees"},
    {"ObsLon", DISPID_ObsLon, kPut, kPutR8, 1, VT_VOID, "Observer longitude in degrees"},
    {"ObsHeight", DISPID_ObsHeight, kGet, nullptr, 0, VT_R8, "Observer height in metres"},
    {"ObsHeight", DISPID_ObsHeight, kPut, kPutR8, 1, VT_VOID, "Observer height in metres"},
    {"PassListForPeriod", DISPID_PassListForPeriod, kFunc, kPassList, Count(kPassList), VT_BSTR,
     "Comma-separated list of the passes of a satellite; UTCdate is a UTC date-time"},
    {"IsVisible", DISPID_IsVisible, kFunc, kIsVisible, Count(kIsVisible), VT_BOOL,
     "True if the named satellite visible, time in Julian, angular results in radians"},
    {"DateTimeToJT", DISPID_DateTimeToJT, kFunc, kDateTime, Count(kDateTime), VT_R8,
     "Converts a date-time to a Julian date"},
    {"RevNumber", DISPID_RevNumber, kGet, nullptr, 0, VT_I4,
     "Revolution number for a satellite (immediately after IsVisible call)"},
    {"OrbitPhase", DISPID_OrbitPhase, kGet, nullptr, 0, VT_R8,
     "Radians past ascending node for a satellite (immediately after IsVisible call)"},
    {"FindAOS", DISPID_FindAOS, kFunc, kPredict, Count(kPredict), VT_R8, kFindHelp},
    {"FindLOS", DISPID_FindLOS, kFunc, kPredict, Count(kPredict), VT_R8, kFindHelp},
    {"MeanAnomaly", DISPID_MeanAnomaly, kGet, nullptr, 0, VT_R8, "Revolutions (immediately after IsVisible call)"},
    {"SatState", DISPID_SatState, kFunc, kState, Count(kState), VT_VOID,
     "Returns satellite position and velocity in km and km/sec"},
};

constexpr UINT kImplemented[] = {0};  // ISatellites, the default interface

constexpr VcomTypeData kTypes[] = {
    {TKIND_DISPATCH, "ISatellites", IID_ISatellites, 3, 0,
     TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, "Dispatch interface for Satellites Object",
     kMembers, static_cast<UINT>(std::size(kMembers)), nullptr, 0},
    {TKIND_COCLASS, "Satellites", CLSID_Satellites, 3, 0, TYPEFLAG_FCANCREATE, "Satellites - a satellite list",
     nullptr, 0, kImplemented, 1},
};

}  // namespace
}  // namespace marnsat

// The type-library resource that LoadTypeLib reads from the module.
extern "C" __attribute__((visibility("default"))) const VcomTypeLibData VcomTypeLibResource = {
    "MarnSatLib", LIBID_MarnSatLib, 0x409, marnsatlib::kTypeLibMajor, marnsatlib::kTypeLibMinor, 0,
    "MarnSatLib Library: satellite orbits and look angles (Velmar)", marnsat::kTypes,
    static_cast<UINT>(std::size(marnsat::kTypes))};

namespace marnsat {

const VcomFuncData* SatellitesMembers() { return kMembers; }
UINT SatellitesMemberCount() { return static_cast<UINT>(std::size(kMembers)); }

HRESULT GetTypeLibrary(ITypeLib** lib) {
  if (!lib) return E_POINTER;
  *lib = nullptr;
  static std::mutex mutex;
  static ITypeLib* loaded = nullptr;  // kept for the library's lifetime
  try {
    std::lock_guard<std::mutex> lock(mutex);
    if (!loaded) {
      HRESULT hr = VcomCreateTypeLib(&VcomTypeLibResource, &loaded);
      if (FAILED(hr)) return hr;
    }
    loaded->AddRef();
    *lib = loaded;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT GetSatellitesTypeInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* lib = nullptr;
  HRESULT hr = GetTypeLibrary(&lib);
  if (FAILED(hr)) return hr;
  hr = lib->GetTypeInfoOfGuid(IID_ISatellites, info);
  lib->Release();
  return hr;
}

}  // namespace marnsat
