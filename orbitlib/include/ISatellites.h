// The automation interface of the orbit library MarnSatLib: the creatable class `Satellites`
// behind the dual interface `ISatellites`.
//
// Create the object through the component-object runtime (velmarcom.h):
//
//   CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
//   ISatellites* sats = nullptr;
//   HRESULT hr = CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites,
//                                 reinterpret_cast<void**>(&sats));
//   // REGDB_E_CLASSNOTREG: run the registration tool `regsvr` on MarnSatLib.so and try again.
//
// The members, their parameters and help texts can be read without creating the object, from
// the registered type library (library MarnSatLib 3.1, locale 0x409):
//
//   ITypeLib* lib = nullptr;
//   hr = LoadRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, &lib);  // TYPE_E_LIBNOTREGISTERED: run regsvr
//
// and from a live object through IDispatch::GetTypeInfo(0, ...).
//
// Every member returns an HRESULT; a failure sets the thread's error information (GetErrorInfo)
// with source "MarnSatLib.Satellites" and the failure's message as description. Texts are
// BSTRs: the caller keeps what it passes and frees (SysFreeString) what it receives.
// Booleans are VARIANT_BOOL (true = -1). Units: observer angles in degrees, observer height in
// metres; IsVisible angles in radians; times are Julian dates or date-times (days since
// 30 December 1899, UTC) as named.
#pragma once

#include "velmarcom.h"

// Library, interface and class identifiers.
inline constexpr GUID LIBID_MarnSatLib = MakeGuid("{5D2E8C40-71A3-4B9F-9E16-3A8C0F4D7B21}");
inline constexpr IID IID_ISatellites = MakeGuid("{5D2E8C42-71A3-4B9F-9E16-3A8C0F4D7B21}");
inline constexpr CLSID CLSID_Satellites = MakeGuid("{A947C1E6-0B58-4D2A-83F5-6E1B9D07C3A8}");

namespace marnsatlib {

inline constexpr const char* kProgId = "MarnSatLib.Satellites";
inline constexpr const char* kLibraryFileName = "MarnSatLib.so";
inline constexpr const char* kServerName = "MarnSatLib";
inline constexpr const char* kClassName = "Satellites";
inline constexpr const char* kClassDescription = "Satellites - a satellite list";
inline constexpr int kTypeLibMajor = 3;
inline constexpr int kTypeLibMinor = 1;

// Dispatch identifiers of the members (a property's get and put share one).
enum DispId : DISPID {
  DISPID_VersionString = 1,
  DISPID_KeplerPath = 2,
  DISPID_SatCount = 3,
  DISPID_SatNames = 4,
  DISPID_ObsLat = 5,
  DISPID_ObsLon = 6,
  DISPID_ObsHeight = 7,
  DISPID_PassListForPeriod = 8,
  DISPID_IsVisible = 9,
  DISPID_DateTimeToJT = 10,
  DISPID_RevNumber = 11,
  DISPID_OrbitPhase = 12,
  DISPID_FindAOS = 13,
  DISPID_FindLOS = 14,
  DISPID_MeanAnomaly = 15,
  DISPID_SatState = 16,
};

}  // namespace marnsatlib

// The 20 members, in virtual-table order after IUnknown (3) and IDispatch (4).
struct ISatellites : IDispatch {
  // 1 "Returns the library version information"
  virtual HRESULT get_VersionString(BSTR* Value) = 0;
  // 2, 3: the element folder; a put discards the satellite list and, for a non-empty text,
  // builds a new one from that folder. After an empty put the object has no list.
  virtual HRESULT get_KeplerPath(BSTR* Value) = 0;
  virtual HRESULT put_KeplerPath(BSTR Value) = 0;
  // 4
  virtual HRESULT get_SatCount(int32_t* Value) = 0;
  // 5 "Comma-separated list of satellite names"
  virtual HRESULT get_SatNames(BSTR* Value) = 0;
  // 6-11 observer: latitude and east longitude in degrees (longitude reduced to [0, 360)),
  // height in metres
  virtual HRESULT get_ObsLat(double* Value) = 0;
  virtual HRESULT put_ObsLat(double Value) = 0;
  virtual HRESULT get_ObsLon(double* Value) = 0;
  virtual HRESULT put_ObsLon(double Value) = 0;
  virtual HRESULT get_ObsHeight(double* Value) = 0;
  virtual HRESULT put_ObsHeight(double Value) = 0;
  // 12 comma text of pass lines; UTCdate is a UTC date-time
  virtual HRESULT PassListForPeriod(BSTR Name, double UTCdate, int32_t MinSeconds, int32_t NumDays,
                                    double MinElevDegrees, BSTR* Value) = 0;
  // 13 "True if the named satellite visible, time in Julian, angular results in radians"
  virtual HRESULT IsVisible(BSTR Name, double JulianTime, double ThresholdDeg, VARIANT_BOOL* Southbound,
                            double* Azumuth, double* Elevation, double* Longitude, double* Latitude,
                            double* Range, double* RangeRate, double* Altitude, double* Phase,
                            VARIANT_BOOL* Value) = 0;
  // 14 date-time to Julian date
  virtual HRESULT DateTimeToJT(double DateTime, double* Value) = 0;
  // 15, 16 as the last IsVisible left them
  virtual HRESULT get_RevNumber(int32_t* Value) = 0;
  virtual HRESULT get_OrbitPhase(double* Value) = 0;
  // 17, 18 "Determine next AOS for satellite, -1 if > 2days away" (date-times)
  virtual HRESULT FindAOS(BSTR Name, double PredictTime, double* Value) = 0;
  virtual HRESULT FindLOS(BSTR Name, double PredictTime, double* Value) = 0;
  // 19 "Revolutions (immediately after IsVisible call)"
  virtual HRESULT get_MeanAnomaly(double* Value) = 0;
  // 20 "Returns satellite position and velocity in km and km/sec"
  virtual HRESULT SatState(double* X, double* Y, double* Z, double* Xdot, double* Ydot, double* Zdot) = 0;
};
