// Cost of the sun and moon positions the location page computes on every clock tick, and of
// the day's sun and moon events it shows.
#include <benchmark/benchmark.h>

#include "astro_moon.h"
#include "astro_riseset.h"
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

// The Location panel's events of one day: the three twilights' begin and end, sunrise, sunset
// and transit, moonrise, moon transit and moonset; a day further each iteration. Argument: the
// latitude (52: Utrecht; 65: nights with grazing twilight and days without some events).
void BM_LocationPanelDayEvents(benchmark::State& state) {
    using TEvent = astro::TDateTime (*)(astro::TDateTime, astro::Extended, astro::Extended);
    static constexpr TEvent kEvents[] = {
        astro::AstroTwilightBegin, astro::AstroTwilightEnd, astro::NauticalTwilightBegin,
        astro::NauticalTwilightEnd, astro::CivilTwilightBegin, astro::CivilTwilightEnd,
        astro::SunRiseTime,        astro::SunSetTime,       astro::SunTransitTime,
        astro::MoonRiseTime,       astro::MoonTransitTime,  astro::MoonSetTime};
    const astro::Extended lat = static_cast<astro::Extended>(state.range(0)), lonW = -5.13L;
    astro::TDateTime date = kStart + 0.5;
    int none = 0;
    for (auto _ : state) {
        for (TEvent event : kEvents) {
            try {
                benchmark::DoNotOptimize(event(date, lat, lonW));
            } catch (const astro::E_NoRiseSet&) {
                ++none;
            }
        }
        date += 1;
    }
    state.counters["none_per_day"] = benchmark::Counter(none, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LocationPanelDayEvents)->Arg(52)->Arg(65)->Unit(benchmark::kMicrosecond);

}  // namespace
