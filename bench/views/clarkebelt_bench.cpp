// Drawing the Clarke-belt view at 1024 x 768 with many satellites at fake positions.
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "clarkebelt.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "views_bench";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QGuiApplication(argc, argv);
    InstallFontSubstitutions();
    return a;
  }();
  (void)app;
}

std::vector<TSat> FakeSats(int count) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> az(100, 260), el(-5, 31), pol(-40, 40);
  std::vector<TSat> sats(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    TSat& s = sats[static_cast<size_t>(i)];
    s.Name = "Satellite " + std::to_string(i);
    s.TwoLine.NoradNr = 10000 + i;
    s.SatPos.Azimuth = az(rng);
    s.SatPos.Elevation = el(rng);
    s.SatPos.PolAngle = pol(rng);
    s.SatPos.Visible = s.SatPos.Elevation > 0.5;
  }
  return sats;
}

void BM_DrawClarkeBelt(benchmark::State& state) {
  EnsureApp();
  std::vector<TSat> sats = FakeSats(static_cast<int>(state.range(0)));
  TClarkeBelt belt;
  belt.SetSize(1024, 768);
  belt.Proportional = false;
  belt.ObsLat = 52.083;
  belt.ObsLon = 5;
  belt.UTC = 46000.5;
  for (auto _ : state) {
    belt.Clear();
    belt.Layout();
    for (size_t i = 0; i + 1 < sats.size(); ++i) belt.DrawSat(sats[i]);
    belt.Selected = true;
    belt.DrawSat(sats.back());
    belt.Selected = false;
    benchmark::DoNotOptimize(belt.Picture().constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawClarkeBelt)->Arg(1)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
