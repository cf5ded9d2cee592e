// Pass list of a near-Earth satellite (the space station, January 2018) over 10 days for
// an observer at 52.083 N, 5.133 E.
#include <benchmark/benchmark.h>

#include <string>

#include "passes.h"
#include "satlist.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

void BM_PassList10Days(benchmark::State& state) {
    orbit::TSatellite sat;
    sat.ParseElements("1 25544U 98067A   18020.89808844  .00002078  00000-0  38550-4 0  9992",
                      "2 25544  51.6424  32.9776 0003646  28.7227  39.5332 15.54190080 95614");
    sat.name = "ISS (ZARYA)";
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
BENCHMARK(BM_PassList10Days)->Unit(benchmark::kMillisecond);

}  // namespace
