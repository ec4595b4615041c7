// The broadcast camera against the DLT camera on the synthetic set (median / 95th percentile of
// the offside-gap error, printed before the timings), and the cost of the broadcast fit and of
// the 95% band. Targets: fit of 12 landmarks <= 1 ms, band of one measurement <= 50 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "geometry/broadcast_camera.h"
#include "geometry/distance_band.h"
#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

const int kTwelve[] = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46};
const int kTwelveGround[] = {0, 3, 12, 13, 14, 15, 16, 17, 18, 19, 20, 29};

double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

// One column of the table: the camera rule forced to a model, over all or ground landmarks.
struct Column {
  const char* name;
  int preference;
  bool groundOnly;
};

// The true camera's ground point of a pixel: the floor no fit can beat.
void true_ground(const SyntheticCamera& cam, int u, int v, double g[2]) {
  double f[3] = {cam.target[0] - cam.eye[0], cam.target[1] - cam.eye[1], cam.target[2] - cam.eye[2]};
  const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  for (double& x : f) x /= fl;
  double r[3] = {f[1], -f[0], 0};
  const double rl = std::hypot(r[0], r[1]);
  for (double& x : r) x /= rl;
  const double up[3] = {r[1] * f[2] - r[2] * f[1], r[2] * f[0] - r[0] * f[2], r[0] * f[1] - r[1] * f[0]};
  const double a = (u - cam.width / 2) / cam.focal, b = (v - cam.height / 2) / cam.focal;
  double d[3];
  for (int i = 0; i < 3; ++i) d[i] = f[i] + a * r[i] + b * up[i];
  const double t = -cam.eye[2] / d[2];
  g[0] = cam.eye[0] + t * d[0];
  g[1] = cam.eye[1] + t * d[1];
}

// Draws the set exactly as the synthetic-set test does (same seeds, same order of draws), so
// the table shows the numbers the test asserts on.
void print_comparison() {
  constexpr int kCameras = 40;
  const Column columns[] = {{"DLT, with crossbar ends", CAMERA_FORCE_DLT, false},
                            {"broadcast, all landmarks", CAMERA_FORCE_BROADCAST, false},
                            {"broadcast, ground only", CAMERA_FORCE_BROADCAST, true}};
  std::printf("offside-gap |error|, cm, median / p95, %d cameras x 20 pairs\n", kCameras);
  std::printf("%-6s %-11s %-26s %-26s %-26s %s\n", "noise", "player px", columns[0].name, columns[1].name,
              columns[2].name, "true camera");
  for (double noise : {0.0, 1.0, 2.0}) {
    std::vector<double> err[2][4];  // [rounded, noisy player pixels][column]
    std::mt19937 rng(2026);
    std::mt19937 clicks(static_cast<unsigned>(noise * 100) + 1);
    for (int k = 0; k < kCameras; ++k) {
      const SyntheticView view = synthetic_view(rng);
      static CalibrationState s[3];
      std::mt19937 start = clicks;
      for (int c = 0; c < 3; ++c) {
        std::mt19937 same = start;
        synthetic_mark_view(view, noise, columns[c].groundOnly, c == 0 ? clicks : same, s[c]);
        s[c].cameraPreference = columns[c].preference;
        update_calibration(s[c]);
      }
      MeasurePair m[2][20];
      for (int i = 0; i < 20; ++i) {
        const double* p = view.pairs[i];
        synthetic_click(view.camera, p[0], p[1], 0, noise, clicks, &m[1][i].ua, &m[1][i].va);
        synthetic_click(view.camera, p[2], p[3], 0, noise, clicks, &m[1][i].ub, &m[1][i].vb);
        synthetic_click(view.camera, p[0], p[1], 0, 0, clicks, &m[0][i].ua, &m[0][i].va);
        synthetic_click(view.camera, p[2], p[3], 0, 0, clicks, &m[0][i].ub, &m[0][i].vb);
      }
      for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 20; ++i) {
          const MeasurePair& q = m[row][i];
          const double truth = std::fabs(view.pairs[i][2] - view.pairs[i][0]);
          for (int c = 0; c < 3; ++c) {
            const double gap = s[c].cameraCurrent ? distance_between_parallels(s[c], q.ua, q.va, q.ub, q.vb) : INFINITY;
            err[row][c].push_back(100 * std::fabs(gap - truth));
          }
          double ga[2], gb[2];
          true_ground(view.camera, q.ua, q.va, ga);
          true_ground(view.camera, q.ub, q.vb, gb);
          err[row][3].push_back(100 * std::fabs(std::fabs(gb[0] - ga[0]) - truth));
        }
      }
    }
    for (int row = 0; row < 2; ++row) {
      std::printf("%-6.0f %-11s", noise, row ? "same noise" : "rounded");
      for (auto& e : err[row]) std::printf(" %10.1f / %-13.1f", quantile(e, 0.5), quantile(e, 0.95));
      std::printf("\n");
    }
  }
  std::fflush(stdout);
}

void BM_BroadcastFit(benchmark::State& state) {
  static CalibrationState s;
  mark_landmarks(broadcast_camera(), state.range(0) ? kTwelve : kTwelveGround, 12, 1.0, 3, s);
  CameraCalibration out;
  BroadcastSolution b;
  int status = 0;
  for (auto _ : state) {
    status = fit_broadcast_camera(12, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX, s.refImageY, s.imageWidth,
                                  s.imageHeight, nullptr, &out, &b);
    benchmark::DoNotOptimize(out);
  }
  state.counters["ok"] = status == CALIB_OK;
}
BENCHMARK(BM_BroadcastFit)->ArgName("crossbar_ends")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DistanceBand(benchmark::State& state) {
  static CalibrationState s;
  mark_landmarks(broadcast_camera(), state.range(0) == CAMERA_DLT ? kTwelve : kTwelveGround, 12, 1.0, 3, s);
  update_calibration(s);
  const MeasurePair m{300, 150, 340, 160};
  DistanceBand band;
  for (auto _ : state) benchmark::DoNotOptimize(distance_band(s, 1.0, m, &band));
  state.counters["dlt"] = s.cameraModel == CAMERA_DLT;
}
BENCHMARK(BM_DistanceBand)->ArgName("model")->Arg(CAMERA_DLT)->Arg(CAMERA_BROADCAST)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  print_comparison();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
