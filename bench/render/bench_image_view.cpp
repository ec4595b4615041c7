// A full redraw of the image view on the demo scene, every overlay on: the photograph, the field
// lines, both kinds of marks, the offside lines and the point distance, each camera overlay
// recalibrating first. Headless driver (Mesa llvmpipe), 640 x 480, the frame read back at the swap.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "state/app_state.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "scene/scene_load.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

// Every C++ allocation of the process, counted: the drawing paths must make none. (GCC takes
// the replaced operators' malloc and free for a mismatch with new and delete.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
long g_allocations = 0;

void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Loads the demo scene once, opens its canvas and switches every overlay on.
bool demo_view() {
  static bool ready = false;
  if (ready) return true;
  const std::string dir = std::string(VARNESK_SOURCE_DIR) + "/data/demo";
  if (chdir(dir.c_str()) != 0) return false;
  SceneLoadReport report;
  if (!load_scene_quiet("demo.cen", appState, &report) || !report.calibrated) return false;
  if (TukSetDriver("headless") != TUK_NOERROR || TukOpen() != TUK_NOERROR) return false;
  TukGLCanvasOpen();
  open_image_canvas(appState.imageWidth, appState.imageHeight);
  appState.showFieldLines = appState.showRefPoints = appState.showObjPoints = 1;
  appState.showParallels = appState.showPointDistance = 1;
  appState.measureX1 = appState.teamAImageX[0];
  appState.measureY1 = appState.teamAImageY[0];
  appState.measureX2 = appState.teamBImageX[0];
  appState.measureY2 = appState.teamBImageY[0];
  appState.measureClicks = 2;
  ready = true;
  return true;
}

// As the program runs: the three calibrations of one redraw see unchanged points and reuse the
// last result.
void BM_RedrawAllOverlays(benchmark::State& state) {
  if (!demo_view()) {
    state.SkipWithError("demo scene or headless canvas not available");
    return;
  }
  for (auto _ : state) redraw_image_view();
}
BENCHMARK(BM_RedrawAllOverlays)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The points changed since the last redraw: the first camera overlay runs the whole calibration.
void BM_RedrawAllOverlaysAfterAnEdit(benchmark::State& state) {
  if (!demo_view()) {
    state.SkipWithError("demo scene or headless canvas not available");
    return;
  }
  for (auto _ : state) {
    appState.calibrationCache.valid = 0;
    redraw_image_view();
  }
}
BENCHMARK(BM_RedrawAllOverlaysAfterAnEdit)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// One whole calibration of the demo's 15 reference points: a redraw that recomputed all three
// would cost BM_RedrawAllOverlaysAfterAnEdit plus two of these.
void BM_DemoCalibration(benchmark::State& state) {
  if (!demo_view()) {
    state.SkipWithError("demo scene or headless canvas not available");
    return;
  }
  for (auto _ : state) {
    appState.calibrationCache.valid = 0;
    benchmark::DoNotOptimize(update_calibration(appState));
  }
}
BENCHMARK(BM_DemoCalibration)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// What one pointer motion costs in a marking mode: the redraw at a zoom (the argument) with the
// magnifier, every overlay on. The counter is the C++ allocations a redraw makes.
void BM_RedrawWithMagnifier(benchmark::State& state) {
  if (!demo_view()) {
    state.SkipWithError("demo scene or headless canvas not available");
    return;
  }
  appState.interactionMode = MODE_ADD_REFERENCE;
  appState.zoom = static_cast<int>(state.range(0));
  appState.pointerX = 320;
  appState.pointerY = 240;
  set_image_pan(appState.imageWidth / 2 - 40, appState.imageHeight / 2 - 30);
  redraw_image_view();  // the GL state a redraw needs is made once
  const long before = g_allocations;
  for (auto _ : state) redraw_image_view();
  state.counters["allocations_per_redraw"] =
      static_cast<double>(g_allocations - before) / static_cast<double>(state.iterations());
  appState.interactionMode = MODE_NONE;
  appState.zoom = 1;
  set_image_pan(0, 0);
}
BENCHMARK(BM_RedrawWithMagnifier)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
