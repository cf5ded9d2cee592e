// The members of TSatellites. Each interface member runs under Guarded: whatever is thrown
// inside becomes a failed result with the thread's error information set; nothing leaves
// the library as an exception.
#include "satellites.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <new>

#include "commatext.h"
#include "mathtime.h"
#include "observer.h"
#include "propagate.h"
#include "passes.h"
#include "satlist.h"
#include "sunmoon.h"

namespace marnsat {
namespace {

constexpr const char* kErrorSource = "MarnSatLib.Satellites";
constexpr const char* kNoList =
    "No satellite list: KeplerPath is empty or its element files could not be read";
constexpr double kJulianDateOfDateTimeZero = 2415018.5;  // 30 December 1899 0h
constexpr double kSearchLimitDays = 2.0;
constexpr double kMinSearchStepDays = 6.0 / 86400.0;
// A pass list covers at most ten years; longer periods would run for minutes.
constexpr int32_t kMaxPassListDays = 3660;

void Report(HRESULT code, const char* message) {
  VcomSetErrorInfo(&IID_ISatellites, kErrorSource, message, nullptr, 0);
  (void)code;
}

template <class F>
HRESULT Guarded(F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const EComError& e) {
    Report(e.code(), e.what());
    return e.code();
  } catch (const std::bad_alloc&) {
    Report(E_OUTOFMEMORY, "Out of memory");
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    Report(E_UNEXPECTED, e.what());
    return E_UNEXPECTED;
  } catch (...) {
    Report(E_UNEXPECTED, "Unknown failure");
    return E_UNEXPECTED;
  }
}

template <class... P>
void RequirePointers(const P*... p) {
  if (((p == nullptr) || ...)) throw EComError(E_POINTER, "Invalid pointer: an output argument is missing");
}

void RequireFinite(double v, const char* what) {
  if (!std::isfinite(v)) throw EComError(E_INVALIDARG, std::string("Invalid value for ") + what);
}

BSTR MakeBstr(const std::string& s) {
  BSTR b = StringToBstr(s);
  if (!b) throw std::bad_alloc();
  return b;
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

// ---- lifetime ----------------------------------------------------------------------------

TSatellites::TSatellites(IUnknown* outer) : outer_(outer) {
  list_ = std::make_unique<orbit::TSatelliteList>(std::string());  // the current folder; the path reads empty
  observer_.lat = orbit::DegToRad(56.0);
  ServerAddRef();
}

TSatellites::~TSatellites() { ServerRelease(); }

HRESULT TSatellites::NonDelegating::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  if (riid == IID_IDispatch || riid == IID_ISatellites)
    *ppv = static_cast<ISatellites*>(owner_);
  else if (riid == IID_ISupportErrorInfo)
    *ppv = static_cast<ISupportErrorInfo*>(owner_);
  else
    return E_NOINTERFACE;
  owner_->AddRef();
  return S_OK;
}

ULONG TSatellites::NonDelegating::AddRef() { return ++owner_->refs_; }

ULONG TSatellites::NonDelegating::Release() {
  ULONG n = --owner_->refs_;
  if (n == 0) delete owner_;
  return n;
}

HRESULT TSatellites::QueryInterface(REFIID riid, void** ppv) {
  return outer_ ? outer_->QueryInterface(riid, ppv) : inner_.QueryInterface(riid, ppv);
}
ULONG TSatellites::AddRef() { return outer_ ? outer_->AddRef() : inner_.AddRef(); }
ULONG TSatellites::Release() { return outer_ ? outer_->Release() : inner_.Release(); }

HRESULT TSatellites::InterfaceSupportsErrorInfo(REFIID riid) { return riid == IID_ISatellites ? S_OK : S_FALSE; }

// ---- helpers -----------------------------------------------------------------------------

orbit::TSatelliteList& TSatellites::RequireList() {
  if (!list_) throw EComError(E_UNEXPECTED, kNoList);
  return *list_;
}

bool TSatellites::Compute(const std::string& name, double julianTime, double thresholdDeg, Visibility& v) {
  v.visible = VARIANT_FALSE;
  v.phase = 0;
  v.rangeRate = 0;
  lastRevNumber_ = 0;
  lastOrbitPhase_ = 0;
  lastOrbitPos_ = 0;
  const double threshold = thresholdDeg * 2.0 * std::numbers::pi / 360.0;

  orbit::TSatelliteList& list = RequireList();
  orbit::TGeodetic geo;
  const int index = list.IndexOf(name);
  if (index >= 0) {
    orbit::TSatellite& sat = *list.GetSat(index);
    orbit::PropagateSatellite(sat, julianTime, lastPos_, lastVel_);
    lastRevNumber_ = sat.revNumber;
    lastOrbitPhase_ = sat.orbitPhase;
    lastOrbitPos_ = sat.orbitPos;
    orbit::ScaleStateToKm(lastPos_, lastVel_);
    geo = orbit::GeodeticOfState(lastPos_, julianTime);
  } else {
    lastVel_ = orbit::Vector{};
    const double t = julianTime - kJulianDateOfDateTimeZero;
    const std::string upper = AsciiUpper(name);
    if (upper == "SUN") {
      orbit::SunPosition(t, lastPos_, geo);
    } else if (upper == "MOON") {
      orbit::MoonPosition(t, lastPos_, geo, v.phase);
    } else {
      return false;
    }
  }
  orbit::TLookAngles look;
  bool lookVisible = false;
  orbit::LookAngles(lastPos_, lastVel_, observer_, julianTime, look, lookVisible);
  v.azimuth = look.azimuth;
  v.elevation = look.elevation;
  v.range = look.range;
  v.rangeRate = look.rangeRate;
  v.latitude = geo.lat;
  v.longitude = geo.lon;
  v.altitude = geo.alt;
  v.southbound = lastVel_.z < 0 ? VARIANT_TRUE : VARIANT_FALSE;
  v.visible = look.elevation > threshold ? VARIANT_TRUE : VARIANT_FALSE;
  return true;
}

// The next time at or after predictTime at which the elevation reaches 0 (rising) or falls to
// 0 (setting); -1 when the coarse search runs past 2 days or the name is unknown.
double TSatellites::SearchCrossing(const std::string& name, double predictTime, bool rising) {
  auto elevationAt = [&](double t, bool& known) {
    Visibility v;
    known = Compute(name, orbit::DateTimeToJulian(t), 0.5, v);
    if (known && !std::isfinite(v.elevation)) throw EComError(E_UNEXPECTED, "The elevation could not be computed");
    return v.elevation;
  };
  // Before the crossing: below the horizon for a rise, above it for a set.
  auto before = [rising](double e) { return rising ? e < 0 : e > 0; };
  auto nextStep = [](double e) { return std::max(std::fabs(e * e) / 96.0, kMinSearchStepDays); };

  bool known = false;
  double t = predictTime;
  double e = elevationAt(t, known);
  if (!known) return -1;
  if (!before(e)) return t;

  double step = std::fabs(e * e) / 96.0;
  double elapsed = 0;
  double t0 = t, e0 = e;
  while (before(e)) {
    t0 = t;
    e0 = e;
    t += step;
    elapsed += step;
    if (elapsed > kSearchLimitDays) return -1;
    e = elevationAt(t, known);
    step = nextStep(e);
  }
  // The coarse search proved the crossing by `proven`; the fine search never goes past it.
  const double proven = t;
  t = t0;
  e = e0;
  step /= 10.0;
  while (before(e)) {
    t += step;
    if (t >= proven) return proven;
    e = elevationAt(t, known);
    step = nextStep(e);
  }
  return t;
}

// ---- ISatellites -------------------------------------------------------------------------

HRESULT TSatellites::get_VersionString(BSTR* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = nullptr;
    *Value = MakeBstr(LibraryVersionText());
  });
}

HRESULT TSatellites::get_KeplerPath(BSTR* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = nullptr;
    *Value = MakeBstr(keplerPath_);
  });
}

HRESULT TSatellites::put_KeplerPath(BSTR Value) {
  return Guarded([&] {
    std::string path = BstrToString(Value);
    keplerPath_ = path;
    list_.reset();
    if (!path.empty()) list_ = std::make_unique<orbit::TSatelliteList>(path);
  });
}

HRESULT TSatellites::get_SatCount(int32_t* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = RequireList().Count();
  });
}

HRESULT TSatellites::get_SatNames(BSTR* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = nullptr;
    const orbit::TSatelliteList& list = RequireList();
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
    *Value = MakeBstr(commatext::Join(names));
  });
}

HRESULT TSatellites::get_ObsLat(double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = orbit::RadToDeg(observer_.lat);
  });
}

HRESULT TSatellites::put_ObsLat(double Value) {
  return Guarded([&] {
    RequireFinite(Value, "ObsLat");
    observer_.lat = orbit::DegToRad(Value);
  });
}

HRESULT TSatellites::get_ObsLon(double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = orbit::RadToDeg(observer_.lon);
  });
}

HRESULT TSatellites::put_ObsLon(double Value) {
  return Guarded([&] {
    RequireFinite(Value, "ObsLon");
    observer_.lon = orbit::DegToRad(orbit::ModuloPositive(Value, 360.0));
  });
}

HRESULT TSatellites::get_ObsHeight(double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = observer_.height * 1000.0;
  });
}

HRESULT TSatellites::put_ObsHeight(double Value) {
  return Guarded([&] {
    RequireFinite(Value, "ObsHeight");
    observer_.height = Value * 0.001;
  });
}

HRESULT TSatellites::PassListForPeriod(BSTR Name, double UTCdate, int32_t MinSeconds, int32_t NumDays,
                                       double MinElevDegrees, BSTR* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = nullptr;
    if (NumDays < 0 || NumDays > kMaxPassListDays)
      throw EComError(E_INVALIDARG, "Invalid value for NumDays: " + std::to_string(NumDays) + " (0 to " +
                                        std::to_string(kMaxPassListDays) + " days)");
    orbit::TSatelliteList& list = RequireList();
    std::string result;
    const int index = list.IndexOf(BstrToString(Name));
    if (index >= 0) {
      orbit::BuildPassList(*list.GetSat(index), MinSeconds, NumDays, UTCdate, MinElevDegrees, observer_, result);
    }
    *Value = MakeBstr(result);
  });
}

HRESULT TSatellites::IsVisible(BSTR Name, double JulianTime, double ThresholdDeg, VARIANT_BOOL* Southbound,
                               double* Azumuth, double* Elevation, double* Longitude, double* Latitude, double* Range,
                               double* RangeRate, double* Altitude, double* Phase, VARIANT_BOOL* Value) {
  return Guarded([&] {
    RequirePointers(Southbound, Azumuth, Elevation, Longitude, Latitude, Range, RangeRate, Altitude, Phase, Value);
    // Start from what the caller passed: outputs the computation does not reach stay as they were.
    Visibility v;
    v.southbound = *Southbound;
    v.azimuth = *Azumuth;
    v.elevation = *Elevation;
    v.longitude = *Longitude;
    v.latitude = *Latitude;
    v.range = *Range;
    v.rangeRate = *RangeRate;
    v.altitude = *Altitude;
    v.phase = *Phase;
    v.visible = *Value;
    auto copyBack = [&] {
      *Southbound = v.southbound;
      *Azumuth = v.azimuth;
      *Elevation = v.elevation;
      *Longitude = v.longitude;
      *Latitude = v.latitude;
      *Range = v.range;
      *RangeRate = v.rangeRate;
      *Altitude = v.altitude;
      *Phase = v.phase;
      *Value = v.visible;
    };
    try {
      Compute(BstrToString(Name), JulianTime, ThresholdDeg, v);
    } catch (...) {
      copyBack();
      throw;
    }
    copyBack();
  });
}

HRESULT TSatellites::DateTimeToJT(double DateTime, double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = orbit::DateTimeToJulian(DateTime);
  });
}

HRESULT TSatellites::get_RevNumber(int32_t* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = lastRevNumber_;
  });
}

HRESULT TSatellites::get_OrbitPhase(double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = lastOrbitPhase_;
  });
}

HRESULT TSatellites::FindAOS(BSTR Name, double PredictTime, double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = SearchCrossing(BstrToString(Name), PredictTime, true);
  });
}

HRESULT TSatellites::FindLOS(BSTR Name, double PredictTime, double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = SearchCrossing(BstrToString(Name), PredictTime, false);
  });
}

HRESULT TSatellites::get_MeanAnomaly(double* Value) {
  return Guarded([&] {
    RequirePointers(Value);
    *Value = lastOrbitPos_;
  });
}

HRESULT TSatellites::SatState(double* X, double* Y, double* Z, double* Xdot, double* Ydot, double* Zdot) {
  return Guarded([&] {
    RequirePointers(X, Y, Z, Xdot, Ydot, Zdot);
    *X = lastPos_.x;
    *Y = lastPos_.y;
    *Z = lastPos_.z;
    *Xdot = lastVel_.x;
    *Ydot = lastVel_.y;
    *Zdot = lastVel_.z;
  });
}

}  // namespace marnsat
