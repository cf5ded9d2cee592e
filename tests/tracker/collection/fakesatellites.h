// An in-memory stand-in for the orbit library's `Satellites` object. It answers from a table
// of bodies (or a callback), keeps the library's "last computation" semantics, records every
// call in order, and can be told to fail.
#pragma once

#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ISatellites.h"

struct FakeBody {
  bool southbound = false;
  double az = 0, el = 0, lon = 0, lat = 0, range = 0, rangeRate = 0, alt = 0, phase = 0;
  int rev = 0;
  double orbitPhase = 0, meanAnomaly = 0;
  double x = 0, y = 0, z = 0, xd = 0, yd = 0, zd = 0;
};

class FakeSatellites final : public ISatellites {
 public:
  // Bodies by key: the name cut to 15 characters, trimmed and upper-cased.
  std::map<std::string, FakeBody> bodies;
  // When set, answers every known name at a Julian date instead of the table entry.
  std::function<FakeBody(const std::string& key, double jd)> compute;
  std::vector<std::string> calls;     // "IsVisible NAME", "RevNumber", "KeplerPath=..." ...
  std::vector<std::string> keplerPuts;
  bool hasList = true;                // false after an empty KeplerPath put
  bool failObserverPuts = false;
  bool failKeplerPut = false;
  bool failIsVisible = false;
  std::string version = "3.2.0.20";
  double obsLat = 56, obsLon = 0, obsHeight = 0;
  int refs = 1;
  bool recordCalls = true;

  static std::string Key(std::string_view name) {
    std::string k(name.substr(0, 15));
    while (!k.empty() && static_cast<unsigned char>(k.back()) <= 32) k.pop_back();
    size_t b = 0;
    while (b < k.size() && static_cast<unsigned char>(k[b]) <= 32) ++b;
    k.erase(0, b);
    for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return k;
  }

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ISatellites) {
      *ppv = static_cast<ISatellites*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG Release() override { return static_cast<ULONG>(--refs); }  // owned by the test

  // IDispatch: not used by the tracker
  HRESULT GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT get_VersionString(BSTR* v) override {
    Note("VersionString");
    *v = StringToBstr(version);
    return S_OK;
  }
  HRESULT get_KeplerPath(BSTR* v) override {
    *v = StringToBstr(path_);
    return S_OK;
  }
  HRESULT put_KeplerPath(BSTR v) override {
    path_ = BstrToString(v);
    Note("KeplerPath=" + path_);
    keplerPuts.push_back(path_);
    if (failKeplerPut) {
      hasList = false;
      return Fail("Cannot open the element folder");
    }
    hasList = !path_.empty();
    return S_OK;
  }
  HRESULT get_SatCount(int32_t* v) override {
    Note("SatCount");
    *v = static_cast<int32_t>(bodies.size());
    return S_OK;
  }
  HRESULT get_SatNames(BSTR* v) override {
    Note("SatNames");
    *v = nullptr;
    return S_OK;
  }
  HRESULT get_ObsLat(double* v) override {
    *v = obsLat;
    return S_OK;
  }
  HRESULT put_ObsLat(double v) override {
    Note("ObsLat");
    if (failObserverPuts) return Fail("Observer rejected");
    obsLat = v;
    return S_OK;
  }
  HRESULT get_ObsLon(double* v) override {
    *v = obsLon;
    return S_OK;
  }
  HRESULT put_ObsLon(double v) override {
    Note("ObsLon");
    if (failObserverPuts) return Fail("Observer rejected");
    obsLon = v;
    return S_OK;
  }
  HRESULT get_ObsHeight(double* v) override {
    *v = obsHeight;
    return S_OK;
  }
  HRESULT put_ObsHeight(double v) override {
    Note("ObsHeight");
    if (failObserverPuts) return Fail("Observer rejected");
    obsHeight = v;
    return S_OK;
  }
  HRESULT PassListForPeriod(BSTR, double, int32_t, int32_t, double, BSTR* v) override {
    Note("PassListForPeriod");
    *v = nullptr;
    return S_OK;
  }
  HRESULT IsVisible(BSTR Name, double jd, double thresholdDeg, VARIANT_BOOL* southbound, double* az,
                    double* el, double* lon, double* lat, double* range, double* rangeRate, double* alt,
                    double* phase, VARIANT_BOOL* result) override {
    const std::string name = BstrToString(Name);
    Note("IsVisible " + name);
    lastThreshold = thresholdDeg;
    lastJd = jd;
    *result = VARIANT_FALSE;
    *phase = 0;
    *rangeRate = 0;
    rev_ = 0;
    orbitPhase_ = 0;
    meanAnomaly_ = 0;
    if (!hasList || failIsVisible) return Fail("No satellite list");
    // The library keys by the name cut, trimmed and upper-cased, but looks a name up as given
    // (case aside): a name with surrounding blanks is not found.
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto it = bodies.find(upper);
    if (it == bodies.end()) {
      xd_ = yd_ = zd_ = 0;
      return S_OK;
    }
    const FakeBody b = compute ? compute(it->first, jd) : it->second;
    *southbound = b.southbound ? VARIANT_TRUE : VARIANT_FALSE;
    *az = b.az;
    *el = b.el;
    *lon = b.lon;
    *lat = b.lat;
    *range = b.range;
    *rangeRate = b.rangeRate;
    *alt = b.alt;
    *phase = b.phase;
    rev_ = b.rev;
    orbitPhase_ = b.orbitPhase;
    meanAnomaly_ = b.meanAnomaly;
    x_ = b.x, y_ = b.y, z_ = b.z, xd_ = b.xd, yd_ = b.yd, zd_ = b.zd;
    *result = b.el > thresholdDeg * 2 * 3.14159265358979323846 / 360 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT DateTimeToJT(double dt, double* v) override {
    Note("DateTimeToJT");
    *v = dt + 2415018.5;
    return S_OK;
  }
  HRESULT get_RevNumber(int32_t* v) override {
    Note("RevNumber");
    *v = rev_;
    return S_OK;
  }
  HRESULT get_OrbitPhase(double* v) override {
    Note("OrbitPhase");
    *v = orbitPhase_;
    return S_OK;
  }
  HRESULT FindAOS(BSTR, double, double* v) override {
    Note("FindAOS");
    *v = -1;
    return S_OK;
  }
  HRESULT FindLOS(BSTR, double, double* v) override {
    Note("FindLOS");
    *v = -1;
    return S_OK;
  }
  HRESULT get_MeanAnomaly(double* v) override {
    Note("MeanAnomaly");
    *v = meanAnomaly_;
    return S_OK;
  }
  HRESULT SatState(double* x, double* y, double* z, double* xd, double* yd, double* zd) override {
    Note("SatState");
    *x = x_, *y = y_, *z = z_, *xd = xd_, *yd = yd_, *zd = zd_;
    return S_OK;
  }

  double lastThreshold = 0;
  double lastJd = 0;

 private:
  void Note(std::string s) {
    if (recordCalls) calls.push_back(std::move(s));
  }
  static HRESULT Fail(const char* message) {
    VcomSetErrorInfo(&IID_ISatellites, "MarnSatLib.Satellites", message, nullptr, 0);
    return E_UNEXPECTED;
  }

  std::string path_;
  int rev_ = 0;
  double orbitPhase_ = 0, meanAnomaly_ = 0;
  double x_ = 0, y_ = 0, z_ = 0, xd_ = 0, yd_ = 0, zd_ = 0;
};
