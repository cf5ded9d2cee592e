// Cost of the sun and moon positions the location page computes on every clock tick.
#include <benchmark/benchmark.h>

#include "astro_moon.h"
#include "astro_sun.h"

namespace {

constexpr astro::TDateTime kStart = 45658.0;  // 2025-01-01

void BM_SunSkyPosition(benchmark::State& state) {
    astro::TDateTime date = kStart;
    for (auto _ : state) {
        astro::TSkyPosition p;
        astro::SunSkyPosition(p, date);
        benchmark::DoNotOptimize(p);
        date += 0.01;
    }
}
BENCHMARK(BM_SunSkyPosition)->Unit(benchmark::kMicrosecond);

void BM_MoonSkyPosition(benchmark::State& state) {
    astro::TDateTime date = kStart;
    for (auto _ : state) {
        astro::TSkyPosition p;
        astro::MoonSkyPosition(p, date);
        benchmark::DoNotOptimize(p);
        date += 0.01;
    }
}
BENCHMARK(BM_MoonSkyPosition)->Unit(benchmark::kMicrosecond);

void BM_SunHorizontal(benchmark::State& state) {
    astro::TDateTime date = kStart;
    for (auto _ : state) {
        astro::Extended el = 0, az = 0;
        astro::SunHorizontal(el, az, date, -5.0L, 52.0L);
        benchmark::DoNotOptimize(el);
        benchmark::DoNotOptimize(az);
        date += 0.01;
    }
}
BENCHMARK(BM_SunHorizontal)->Unit(benchmark::kMicrosecond);

void BM_GreenwichSiderealTime(benchmark::State& state) {
    astro::TDateTime date = kStart;
    for (auto _ : state) {
        benchmark::DoNotOptimize(astro::GreenwichSiderealTime(date));
        date += 0.01;
    }
}
BENCHMARK(BM_GreenwichSiderealTime)->Unit(benchmark::kMicrosecond);

}  // namespace
