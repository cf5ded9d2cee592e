// TSatellites: the automation object `Satellites` of MarnSatLib, implementing ISatellites.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ISatellites.h"
#include "orbittypes.h"

namespace orbit {
class TSatelliteList;
}

namespace marnsat {

// A failure that carries its own result code (other failures become E_UNEXPECTED).
class EComError : public std::runtime_error {
 public:
  EComError(HRESULT code, const std::string& message) : std::runtime_error(message), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

// Live objects and factory locks, for DllCanUnloadNow.
void ServerAddRef();
void ServerRelease();
long ServerLockCount();

// The library version text, made when the library is loaded ("" when the build embeds none).
const std::string& LibraryVersionText();

// The members of ISatellites in virtual-table order, with their dispatch identifiers, kinds,
// parameters, results and help texts: the one table the type library and the late binding
// (GetIDsOfNames, Invoke) are served from.
const VcomFuncData* SatellitesMembers();
UINT SatellitesMemberCount();
// The library's type library, built from its resource on first need and kept while the
// library is loaded (a new reference for the caller).
HRESULT GetTypeLibrary(ITypeLib** lib);
// Its type information of ISatellites (a new reference).
HRESULT GetSatellitesTypeInfo(ITypeInfo** info);

class TSatellites final : public ISatellites, public ISupportErrorInfo {
 public:
  // Builds the initial satellite list for the current folder and sets the latitude to 56
  // degrees; throws when the list cannot be built. `outer` is the controlling unknown when
  // the object is aggregated (null otherwise).
  explicit TSatellites(IUnknown* outer = nullptr);
  ~TSatellites();
  TSatellites(const TSatellites&) = delete;
  TSatellites& operator=(const TSatellites&) = delete;

  // The object's own (non-delegating) IUnknown: what an aggregating outer object holds.
  IUnknown* Inner() { return &inner_; }

  // IUnknown (delegates to the outer object when aggregated)
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ISatellites
  HRESULT get_VersionString(BSTR* Value) override;
  HRESULT get_KeplerPath(BSTR* Value) override;
  HRESULT put_KeplerPath(BSTR Value) override;
  HRESULT get_SatCount(int32_t* Value) override;
  HRESULT get_SatNames(BSTR* Value) override;
  HRESULT get_ObsLat(double* Value) override;
  HRESULT put_ObsLat(double Value) override;
  HRESULT get_ObsLon(double* Value) override;
  HRESULT put_ObsLon(double Value) override;
  HRESULT get_ObsHeight(double* Value) override;
  HRESULT put_ObsHeight(double Value) override;
  HRESULT PassListForPeriod(BSTR Name, double UTCdate, int32_t MinSeconds, int32_t NumDays, double MinElevDegrees,
                            BSTR* Value) override;
  HRESULT IsVisible(BSTR Name, double JulianTime, double ThresholdDeg, VARIANT_BOOL* Southbound, double* Azumuth,
                    double* Elevation, double* Longitude, double* Latitude, double* Range, double* RangeRate,
                    double* Altitude, double* Phase, VARIANT_BOOL* Value) override;
  HRESULT DateTimeToJT(double DateTime, double* Value) override;
  HRESULT get_RevNumber(int32_t* Value) override;
  HRESULT get_OrbitPhase(double* Value) override;
  HRESULT FindAOS(BSTR Name, double PredictTime, double* Value) override;
  HRESULT FindLOS(BSTR Name, double PredictTime, double* Value) override;
  HRESULT get_MeanAnomaly(double* Value) override;
  HRESULT SatState(double* X, double* Y, double* Z, double* Xdot, double* Ydot, double* Zdot) override;

  // ISupportErrorInfo
  HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

 private:
  // The outputs of one visibility computation.
  struct Visibility {
    VARIANT_BOOL southbound = VARIANT_FALSE;
    double azimuth = 0, elevation = 0, longitude = 0, latitude = 0, range = 0, rangeRate = 0, altitude = 0;
    double phase = 0;
    VARIANT_BOOL visible = VARIANT_FALSE;
  };

  class NonDelegating final : public IUnknown {
   public:
    explicit NonDelegating(TSatellites* owner) : owner_(owner) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

   private:
    TSatellites* owner_;
  };

  orbit::TSatelliteList& RequireList();
  // IsVisible without the automation wrapper; updates the "last" fields. Returns false, with
  // only the result, phase and range rate written, when the name is neither listed nor the
  // sun or the moon.
  bool Compute(const std::string& name, double julianTime, double thresholdDeg, Visibility& v);
  double SearchCrossing(const std::string& name, double predictTime, bool rising);

  std::atomic<ULONG> refs_{0};
  NonDelegating inner_{this};
  IUnknown* outer_ = nullptr;

  std::unique_ptr<orbit::TSatelliteList> list_;
  std::string keplerPath_;
  orbit::TObserver observer_;
  int32_t lastRevNumber_ = 0;
  double lastOrbitPhase_ = 0;
  double lastOrbitPos_ = 0;
  orbit::Vector lastPos_;
  orbit::Vector lastVel_;
};

}  // namespace marnsat
