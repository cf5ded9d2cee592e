// Pass lists over 10 days for an observer at 52.083 N, 5.133 E: a near-Earth satellite (the
// space station, January 2018) and a highly eccentric twelve-hour set (invented, e 0.72,
// inclination 63.4 degrees, epoch January 2018).
#include <benchmark/benchmark.h>

#include <string>

#include "passes.h"
#include "satlist.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

void PassList10Days(benchmark::State& state, const char* name, const char* line1, const char* line2) {
    orbit::TSatellite sat;
    sat.ParseElements(line1, line2);
    sat.name = name;
    orbit::TObserver observer;
    observer.lat = 52.083 * kDeg;
    observer.lon = 5.133 * kDeg;
    const double utcDate = sat.epoch - 2415018.5;
    std::size_t lines = 0;
    for (auto _ : state) {
        std::string text;
        orbit::BuildPassList(sat, 0, 10, utcDate, 0.0, observer, text);
        benchmark::DoNotOptimize(text);
        lines = text.size();
    }
    state.counters["chars"] = static_cast<double>(lines);
}

void BM_PassList10Days(benchmark::State& state) {
    PassList10Days(state, "ISS (ZARYA)", "1 25544U 98067A   18020.89808844  .00002078  00000-0  38550-4 0  9992",
                   "2 25544  51.6424  32.9776 0003646  28.7227  39.5332 15.54190080 95614");
}
BENCHMARK(BM_PassList10Days)->Unit(benchmark::kMillisecond);

void BM_PassList10DaysEccentric12h(benchmark::State& state) {
    PassList10Days(state, "HEO 12H A", "1 90302U 18001C   18020.50000000  .00000000  00000-0  00000-0 0  9990",
                   "2 90302  63.4000 240.0000 7200000 270.0000  30.0000  2.00610000 23459");
}
BENCHMARK(BM_PassList10DaysEccentric12h)->Unit(benchmark::kMillisecond);

}  // namespace
