// The outlier rule on broadcast-like cameras: the rate at which one mislabelled ground landmark
// is named (goal: at least 95%) and the rate at which a clean set stays quiet (at least 99%),
// and the cost of one analysis (it runs once per change of the points, not per redraw).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "synthetic_broadcast.h"

namespace {

void BM_OutlierRates(benchmark::State& state) {
  const int trials = static_cast<int>(state.range(0));
  OutlierRates r;
  for (auto _ : state) r = outlier_rates(1u, trials);
  state.counters["named_pct"] = 100.0 * r.named / r.trials;
  state.counters["quiet_pct"] = 100.0 * r.quiet / r.trials;
  std::printf("outlier rule over %d trials of each kind: named %.1f%%, clean sets quiet %.1f%%\n",
              r.trials, 100.0 * r.named / r.trials, 100.0 * r.quiet / r.trials);
}
BENCHMARK(BM_OutlierRates)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_AnalyseResiduals(benchmark::State& state) {
  std::mt19937 rng(5);
  const OutlierTrial t = make_outlier_trial(rng, true);
  ResidualReport r;
  for (auto _ : state) benchmark::DoNotOptimize(analyse_residuals(t.points, &r));
  state.counters["points"] = t.points.refCount;
}
BENCHMARK(BM_AnalyseResiduals)->Unit(benchmark::kMicrosecond);

}  // namespace
