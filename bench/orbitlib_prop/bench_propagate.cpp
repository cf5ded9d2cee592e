// Propagations per second through the driver, near-Earth and deep-space catalogues of
// 5,000 generated element sets each, every satellite propagated at increasing times; and a
// mixed catalogue of 10,000 sets (80 % near-Earth, 20 % deep-space), timed as a whole and by
// kind.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "mathtime.h"
#include "propagate.h"
#include "satlist.h"

namespace {

constexpr int kCatalogue = 5000;
constexpr double kTwoPi = 6.283185307179586;

orbit::TSatellite Generated(std::mt19937& rng, bool deep) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  orbit::TSatellite s;
  double revPerDay = 0;
  if (!deep) {
    revPerDay = 11.5 + 4.0 * unit(rng);  // 93 to 125 minutes
    // The perigee at least 300 km up (a semi-major axis of 6,780 km and more): ten days of drag
    // never bring such a set down, so no propagation of the run fails.
    const double semiMajorKm = std::cbrt(398600.8 * std::pow(86400 / (kTwoPi * revPerDay), 2));
    s.eccentricity = std::min(0.02, 1 - (6378.135 + 300) / semiMajorKm) * unit(rng);
    s.inclination = orbit::DegToRad(100 * unit(rng));
    s.bstar = 1e-4 * unit(rng);
  } else {
    const double kind = unit(rng);
    if (kind < 0.6) {  // geostationary: synchronous resonance
      revPerDay = 1.0027 + 0.0005 * (unit(rng) - 0.5);
      s.eccentricity = 0.001 * unit(rng);
      s.inclination = orbit::DegToRad(10 * unit(rng));
    } else if (kind < 0.8) {  // twelve-hour, eccentric: twelve-hour resonance
      revPerDay = 2.006 + 0.004 * (unit(rng) - 0.5);
      s.eccentricity = 0.6 + 0.1 * unit(rng);
      s.inclination = orbit::DegToRad(63.4);
    } else {  // other high orbits, no resonance
      revPerDay = 3 + 3 * unit(rng);
      s.eccentricity = 0.05 * unit(rng);
      s.inclination = orbit::DegToRad(60 * unit(rng));
    }
  }
  s.meanMotion = revPerDay * kTwoPi / 1440;
  s.raan = kTwoPi * unit(rng);
  s.argPerigee = kTwoPi * unit(rng);
  s.meanAnomaly = kTwoPi * unit(rng);
  s.epochText = 24001.5 + 30 * unit(rng);
  s.epoch = orbit::JulianDateOfEpoch(s.epochText);
  s.revAtEpoch = 1000;
  s.deepSpace = deep;
  s.initNeeded = 1;
  return s;
}

// Each iteration propagates every set one minute further from its epoch (after a first
// propagation at the epoch, which sets up each set's state).
void PropagateMinuteSteps(benchmark::State& state, std::vector<orbit::TSatellite>& sats) {
  orbit::Vector pos, vel;
  for (auto& s : sats) orbit::PropagateSatellite(s, s.epoch, pos, vel);
  // Ten days of minutes, then again from the epoch: the generated sets stay up that long, not
  // for ever.
  double minutes = 0;
  for (auto _ : state) {
    minutes = minutes >= 14400 ? 1 : minutes + 1;
    for (auto& s : sats) {
      orbit::PropagateSatellite(s, s.epoch + minutes / 1440, pos, vel);
      benchmark::DoNotOptimize(pos);
      benchmark::DoNotOptimize(vel);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(sats.size()));
}

void Propagations(benchmark::State& state, bool deep) {
  std::mt19937 rng(deep ? 2 : 1);
  std::vector<orbit::TSatellite> sats;
  sats.reserve(kCatalogue);
  for (int i = 0; i < kCatalogue; ++i) sats.push_back(Generated(rng, deep));
  PropagateMinuteSteps(state, sats);
}

void BM_NearEarth(benchmark::State& state) { Propagations(state, false); }
void BM_DeepSpace(benchmark::State& state) { Propagations(state, true); }

BENCHMARK(BM_NearEarth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeepSpace)->Unit(benchmark::kMillisecond);

// The mixed catalogue: every fifth set deep-space (of those 60 % geostationary, 20 % twelve-hour,
// 20 % other high orbits), the rest near-Earth. Which kinds a run propagates: 0 all, 1 the
// near-Earth sets only, 2 the deep-space sets only.
void Mixed(benchmark::State& state, int kinds) {
  constexpr int kMixed = 10000;
  std::mt19937 rng(3);
  std::vector<orbit::TSatellite> sats;
  sats.reserve(kMixed);
  for (int i = 0; i < kMixed; ++i) {
    const bool deep = i % 5 == 4;
    if (kinds == 0 || (kinds == 2) == deep) sats.push_back(Generated(rng, deep));
    else Generated(rng, deep);  // the same sets in every run
  }
  PropagateMinuteSteps(state, sats);
}

void BM_MixedAll(benchmark::State& state) { Mixed(state, 0); }
void BM_MixedNearEarth(benchmark::State& state) { Mixed(state, 1); }
void BM_MixedDeepSpace(benchmark::State& state) { Mixed(state, 2); }

BENCHMARK(BM_MixedAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedNearEarth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedDeepSpace)->Unit(benchmark::kMillisecond);

}  // namespace
