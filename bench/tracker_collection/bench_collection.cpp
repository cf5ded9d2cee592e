// CalcSatPos for every satellite of a collection of 1,000 or 10,000 element sets, through the
// real orbit library (registered into a registry file in a temporary folder).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "format.h"
#include "sats.h"

namespace {

namespace fs = std::filesystem;

class BenchHost : public TDefaultSatsHost {
 public:
  explicit BenchHost(std::string bin) : bin_(std::move(bin)) {}
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::string SystemFolder() override { return bin_; }

 private:
  std::string bin_;
};

char Checksum(const std::string& s) {
  int sum = 0;
  for (char c : s) sum += c >= '0' && c <= '9' ? c - '0' : c == '-' ? 1 : 0;
  return static_cast<char>('0' + sum % 10);
}

// n element sets: every fourth geostationary (deep-space model), the others in low orbits.
void WriteElements(const std::string& file, int n) {
  std::ofstream f(file, std::ios::binary);
  for (int i = 1; i <= n; ++i) {
    const bool geo = i % 4 == 0;
    char l1[80], l2[80], name[32];
    std::snprintf(name, sizeof name, "BENCH %05d", i);
    std::snprintf(l1, sizeof l1, "1 %05dU 24001A   24100.50000000  .00000000  00000-0  00000-0 0  999", i);
    std::snprintf(l2, sizeof l2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f    1", i, geo ? 0.05 : 20 + (i % 70),
                  (i * 7.3) - 360.0 * static_cast<int>(i * 7.3 / 360.0), geo ? 200 : 1000 + i % 9000,
                  (i * 13.1) - 360.0 * static_cast<int>(i * 13.1 / 360.0),
                  (i * 29.7) - 360.0 * static_cast<int>(i * 29.7 / 360.0), geo ? 1.00273791 : 14.0 + (i % 20) * 0.1);
    std::string a(l1), b(l2);
    a.resize(68, ' ');
    b.resize(68, ' ');
    f << name << "\r\n" << a << Checksum(a) << "\r\n" << b << Checksum(b) << "\r\n";
  }
}

struct Setup {
  std::string dir;
  std::unique_ptr<BenchHost> host;
  std::unique_ptr<TSats> sats;
  ~Setup() {
    sats.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

TSats* Collection(int n) {
  static std::map<int, std::unique_ptr<Setup>> setups;
  auto& s = setups[n];
  if (s) return s->sats.get();
  s = std::make_unique<Setup>();
  std::string tmpl = (fs::temp_directory_path() / "velmar-bench-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return nullptr;
  s->dir = tmpl;
  static bool once = [] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return true;
  }();
  (void)once;
  setenv("VELMAR_REGISTRY", (s->dir + "/registry.reg").c_str(), 1);
  const char* env = std::getenv("VELMAR_BIN");
  std::error_code ec;
  const std::string bin =
      env ? env : (fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "bin").string();
  s->host = std::make_unique<BenchHost>(bin);
  s->sats = std::make_unique<TSats>(*s->host);
  if (!s->sats->Connected()) return nullptr;
  WriteElements(s->dir + "/bench.txt", n);
  s->sats->SetObsLat(52.083);
  s->sats->SetObsLon(5.133);
  s->sats->SetObsHeight(0);
  s->sats->ModifiedPolarMount = true;
  s->sats->UTC = EncodeDate(2024, 4, 12);
  s->sats->SetKepFile(s->dir + "/bench.txt");
  return s->sats.get();
}

void BM_CalcSatPosAll(benchmark::State& state) {
  TSats* sats = Collection(static_cast<int>(state.range(0)));
  if (!sats) {
    state.SkipWithError("the orbit library could not be connected");
    return;
  }
  size_t computed = 0;
  for (auto _ : state) {
    for (const auto& [name, sat] : sats->NameList()) {
      sat->SatPos = sats->CalcSatPos(sat->TwoLine.Name.view());
      computed += sat->SatPos.Radius > 0;
    }
    sats->UTC += 1.0 / 1440;  // a minute later each round
  }
  state.counters["satellites"] = static_cast<double>(sats->NameList().size());
  state.counters["computed"] = benchmark::Counter(static_cast<double>(computed), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CalcSatPosAll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
