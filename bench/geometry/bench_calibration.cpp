// Cost of a calibration (the compass search dominates) and of mapping a pixel to the ground.
// The calibration runs up to three times per redraw of the image view, which must stay well
// under 16 ms; a repeated calibration of unchanged points reuses the last result.
#include <benchmark/benchmark.h>

#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

const int kSix[] = {0, 6, 13, 33, 25, 26};
const int kTwelve[] = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46};

// The first `count` landmarks of a set for that count: 6 and 12 hand-picked, 24 every other
// landmark, 47 all of them.
void mark(int count, double noise, CalibrationState& s) {
  int landmarks[FIELD_LANDMARK_COUNT];
  for (int i = 0; i < count; ++i) {
    if (count == 6) landmarks[i] = kSix[i];
    else if (count == 12) landmarks[i] = kTwelve[i];
    else if (count == 24) landmarks[i] = 2 * i;
    else landmarks[i] = i;
  }
  mark_landmarks(broadcast_camera(), landmarks, count, noise, 3, s);
}

void BM_UpdateCalibration(benchmark::State& state) {
  static CalibrationState s;
  mark(static_cast<int>(state.range(0)), static_cast<double>(state.range(1)), s);
  for (auto _ : state) {
    s.calibrationCache.valid = 0;  // measure the full calibration, not the reuse
    benchmark::DoNotOptimize(update_calibration(s));
  }
  state.counters["passes"] = s.calibrationReport.searchPasses;
  state.counters["ok"] = s.calibrationReport.status == CALIB_OK;
}
BENCHMARK(BM_UpdateCalibration)
    ->ArgNames({"points", "noise_px"})
    ->ArgsProduct({{6, 12, 24, 47}, {0, 1, 2}})
    ->Unit(benchmark::kMicrosecond);

void BM_UpdateCalibrationUnchangedPoints(benchmark::State& state) {
  static CalibrationState s;
  mark(47, 2, s);
  s.teamACount = 11;
  for (auto _ : state) benchmark::DoNotOptimize(update_calibration(s));
}
BENCHMARK(BM_UpdateCalibrationUnchangedPoints)->Unit(benchmark::kMicrosecond);

// 1000 passes that all move (the eye starts 160 m from where the residual is least): times one
// pass, and so the worst calibration, which stops at SEARCH_MAX_PASSES = 100 x 1000 passes.
void BM_CompassSearchThousandPasses(benchmark::State& state) {
  static CalibrationState s;
  const int n = static_cast<int>(state.range(0));
  mark(n, 2, s);
  update_calibration(s);
  int capped = 0;
  for (auto _ : state) {
    double eye[3] = {s.cameraEye[0], s.cameraEye[1] - 150, s.cameraEye[2] + 60};
    double up[3], dir[3];
    const SearchOutcome out = compass_search(eye, s.cameraTarget, 320, 240, n, s.refWorldX, s.refWorldY, s.refWorldZ,
                                             s.refImageX, s.refImageY, 1000, up, dir);
    capped = out.capped;
  }
  state.counters["capped"] = capped;
}
BENCHMARK(BM_CompassSearchThousandPasses)->ArgName("points")->Arg(6)->Arg(47)->Unit(benchmark::kMillisecond);

void BM_BackProjectToGround(benchmark::State& state) {
  static CalibrationState s;
  mark(47, 0, s);
  update_calibration(s);
  int u = 0;
  double out[3];
  for (auto _ : state) {
    u = (u + 7) % 640;
    benchmark::DoNotOptimize(back_project_to_ground(s.cameraMatrix, u, 200, out));
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_BackProjectToGround);

}  // namespace

BENCHMARK_MAIN();
