// IsVisible through ISatellites: 1,000 near-Earth and 1,000 geostationary satellites, one call
// per satellite in turn at successive times (one second apart).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ISatellites.h"

namespace {

constexpr int kPerKind = 1000;
constexpr double kJulianStart = 2458139.5;  // 21 January 2018

std::string Fixed(double v, int width, int decimals) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  return std::string(static_cast<size_t>(width) - std::min<size_t>(s.size(), width), ' ') + s;
}

std::string Number5(int n) {
  std::string s = std::to_string(n);
  return std::string(5 - s.size(), '0') + s;
}

// Element sets spread over the node and the mean anomaly (near-Earth: ISS-like orbits;
// geostationary: spread around the belt).
void WriteElements(const std::string& file) {
  std::ofstream out(file);
  for (int i = 0; i < kPerKind; ++i) {
    const std::string nr = Number5(50000 + i);
    out << "LEO " << i << "\n";
    out << "1 " << nr << "U 98067A   18020.89808844  .00002078  00000-0  38550-4 0  9992\n";
    out << "2 " << nr << "  51.6424 " << Fixed(i * 0.36, 8, 4) << " 0003646  28.7227 " << Fixed(i * 0.7 - 360 * (i * 0.7 >= 360), 8, 4)
        << " 15.54190080 95614\n";
  }
  for (int i = 0; i < kPerKind; ++i) {
    const std::string nr = Number5(60000 + i);
    out << "GEO " << i << "\n";
    out << "1 " << nr << "U 16071A   18019.87773469 -.00000245  00000-0  00000-0 0  9992\n";
    out << "2 " << nr << "   0.0069 115.0916 0001074 269.6956 " << Fixed(i * 0.36, 8, 4) << "  1.00271237  4322\n";
  }
}

struct Fixture {
  ISatellites* sats = nullptr;
  std::vector<BSTR> leo, geo;
  std::string error;

  Fixture() {
    const char* bin = std::getenv("VELMAR_BIN");
    std::string lib = std::string(bin && *bin ? bin : VELMAR_DEFAULT_BIN) + "/" + marnsatlib::kLibraryFileName;
    void* handle = dlopen(lib.c_str(), RTLD_NOW);
    if (!handle) {
      error = dlerror();
      return;
    }
    auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    if (!getClassObject || FAILED(getClassObject(CLSID_Satellites, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
      error = "no class factory";
      return;
    }
    factory->CreateInstance(nullptr, IID_ISatellites, reinterpret_cast<void**>(&sats));
    factory->Release();
    if (!sats) {
      error = "no object";
      return;
    }
    char pattern[] = "/tmp/velmar-server-bench-XXXXXX";
    std::string dir = mkdtemp(pattern);
    WriteElements(dir + "/bench.tle");
    Bstr path(dir);
    sats->put_KeplerPath(path.get());
    std::filesystem::remove_all(dir);
    sats->put_ObsLat(52.0);
    sats->put_ObsLon(5.0);
    int32_t count = 0;
    sats->get_SatCount(&count);
    if (count != 2 * kPerKind) error = "expected 2000 satellites, got " + std::to_string(count);
    for (int i = 0; i < kPerKind; ++i) {
      leo.push_back(SysAllocString(("LEO " + std::to_string(i)).c_str()));
      geo.push_back(SysAllocString(("GEO " + std::to_string(i)).c_str()));
    }
  }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void Run(benchmark::State& state, const std::vector<BSTR>& names) {
  Fixture& f = Shared();
  if (!f.error.empty()) {
    state.SkipWithError(f.error.c_str());
    return;
  }
  double jd = kJulianStart;
  size_t i = 0;
  VARIANT_BOOL south = 0, visible = 0;
  double az, el, lon, lat, range, rate, alt, phase;
  for (auto _ : state) {
    HRESULT hr = f.sats->IsVisible(names[i], jd, 0.5, &south, &az, &el, &lon, &lat, &range, &rate, &alt, &phase,
                                   &visible);
    benchmark::DoNotOptimize(hr);
    benchmark::DoNotOptimize(el);
    if (++i == names.size()) i = 0;
    jd += 1.0 / 86400.0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_IsVisibleNearEarth(benchmark::State& state) { Run(state, Shared().leo); }
void BM_IsVisibleGeostationary(benchmark::State& state) { Run(state, Shared().geo); }

}  // namespace

BENCHMARK(BM_IsVisibleNearEarth);
BENCHMARK(BM_IsVisibleGeostationary);
