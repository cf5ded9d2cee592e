// Loading a folder of 20,000 generated element sets (80 % near-Earth, 20 % deep-space)
// into the satellite list, first propagation of every set included.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "satlist.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSets = 20000;
constexpr int kFiles = 4;

// printf-style field; the attribute makes the compiler check each argument against its
// conversion (a mismatch fails the build).
[[gnu::format(printf, 1, 2)]] std::string Field(const char* format, ...) {
    char buf[32];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

// Writes the generated folder once and removes it at exit.
class Folder {
public:
    Folder() {
        path_ = fs::temp_directory_path() / ("orbitcore-load-bench-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
        std::mt19937 rng(2024);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        std::ofstream out[kFiles];
        const char* names[kFiles] = {"a.txt", "b.tle", "c.2li", "d.TXT"};
        for (int f = 0; f < kFiles; ++f) out[f].open(path_ / names[f], std::ios::binary);
        for (int i = 0; i < kSets; ++i) {
            char cat[8];
            std::snprintf(cat, sizeof cat, "%05d", i + 1);
            const bool deep = i % 5 == 4;
            double mm, ecc;
            if (!deep) {
                mm = 13.5 + 2.4 * u(rng);
                ecc = 0.0001 + 0.02 * u(rng);
            } else if (i % 10 == 4) {
                mm = 1.0027 + 0.0005 * (u(rng) - 0.5);  // geostationary
                ecc = 0.0001 + 0.0005 * u(rng);
            } else {
                mm = 2.0056;  // twelve-hour, eccentric
                ecc = 0.6 + 0.1 * u(rng);
            }
            std::string l1 = "1 " + std::string(cat) + "U 98067A   23" + Field("%03d", 1 + i % 365) +
                             Field("%.8f", u(rng)).substr(1) + "  .00000000  00000-0  10000-3 0  9990";
            std::string l2 = "2 " + std::string(cat) + " " + Field("%8.4f", (deep ? 5.0 : 98.0) * u(rng) + 0.5) + " " +
                             Field("%8.4f", 359.9 * u(rng)) + " " + Field("%07.0f", ecc * 1e7) + " " +
                             Field("%8.4f", 359.9 * u(rng)) + " " + Field("%8.4f", 359.9 * u(rng)) + " " +
                             Field("%11.8f", mm) + Field("%5d", 1000 + i % 9000) + "0";
            out[i % kFiles] << "SAT " << cat << "\r\n" << l1 << "\r\n" << l2 << "\r\n";
        }
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Path() const { return path_.string(); }

private:
    fs::path path_;
};

void BM_LoadFolder(benchmark::State& state) {
    static Folder folder;
    int count = 0;
    for (auto _ : state) {
        orbit::TSatelliteList list(folder.Path());
        count = list.Count();
        benchmark::DoNotOptimize(count);
    }
    state.counters["sets"] = count;
    state.counters["sets_per_second"] =
        benchmark::Counter(static_cast<double>(kSets) * state.iterations(), benchmark::Counter::kIsRate);
    if (count != kSets) state.SkipWithError("not every generated set was loaded");
}
BENCHMARK(BM_LoadFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
