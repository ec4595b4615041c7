#pragma once
// Image-view tests run on the headless driver: real OpenGL contexts whose frames are read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <algorithm>
#include <string>

#include "app/app_state.h"
#include "render/image_view.h"
#include "scene/scene_load.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

struct Pixel {
  int r, g, b;
};

class ImageViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState = AppState{};
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
    TukGLCanvasOpen();
  }
  void TearDown() override {
    TukClose();
    appState = AppState{};
  }

  // A canvas of the given size and a plain image of the same size filled with one colour.
  void plain_image(int w, int h, Pixel fill, int canvasW = 0, int canvasH = 0) {
    canvas = open_image_canvas(canvasW ? canvasW : w, canvasH ? canvasH : h);
    appState.imageWidth = w;
    appState.imageHeight = h;
    appState.imageRgb.assign(static_cast<size_t>(w) * h * 3, 0);
    for (size_t i = 0; i < appState.imageRgb.size(); i += 3) {
      appState.imageRgb[i] = static_cast<unsigned char>(fill.r);
      appState.imageRgb[i + 1] = static_cast<unsigned char>(fill.g);
      appState.imageRgb[i + 2] = static_cast<unsigned char>(fill.b);
    }
    appState.imageLoaded = 1;
  }

  // The demo scene of data/demo, loaded as "Load Scene" does, on a canvas of its size.
  void demo_scene() {
    const std::string dir = std::string(VARNESK_SOURCE_DIR) + "/data/demo";
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    SceneLoadReport report;
    const int loaded = load_scene_quiet("demo.cen", appState, &report);
    ASSERT_EQ(chdir(old), 0);
    ASSERT_EQ(loaded, 1);
    ASSERT_EQ(report.calibrated, 1);
    canvas = open_image_canvas(appState.imageWidth, appState.imageHeight);
  }

  // Replaces the photograph by a plain dark picture of its size, so that colours can be counted.
  void blank_photo() { std::fill(appState.imageRgb.begin(), appState.imageRgb.end(), 40); }

  // Redraws and keeps the frame; pixels are addressed with the row from the bottom.
  void redraw() {
    redraw_image_view();
    const unsigned char* f = TukHeadlessFrame(canvas, &fw, &fh);
    ASSERT_NE(f, nullptr);
    frame.assign(f, f + static_cast<size_t>(fw) * fh * 3);
  }
  Pixel at(int x, int y) const {
    if (x < 0 || y < 0 || x >= fw || y >= fh) return {-1, -1, -1};
    const unsigned char* p = &frame[(static_cast<size_t>(y) * fw + x) * 3];
    return {p[0], p[1], p[2]};
  }
  // Whether a pixel within `radius` (square) of (x, y) satisfies the test.
  template <typename Test>
  bool near(int x, int y, int radius, Test test) const {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (test(at(x + dx, y + dy))) return true;
    return false;
  }
  template <typename Test>
  int count(Test test) const {
    int n = 0;
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x) n += test(at(x, y)) ? 1 : 0;
    return n;
  }

  TukHandle canvas = nullptr;
  std::vector<unsigned char> frame;
  int fw = 0, fh = 0;
};

inline bool is_red(Pixel p) { return p.r > 170 && p.g < 100 && p.b < 100; }
inline bool is_yellow(Pixel p) { return p.r > 200 && p.g > 200 && p.b < 110; }
inline bool is_cyan(Pixel p) { return p.r > 90 && p.r < 170 && p.g > 200 && p.b > 200; }       // (0.5, 1, 1)
inline bool is_light_yellow(Pixel p) { return p.r > 200 && p.g > 200 && p.b > 90 && p.b < 170; }  // (1, 1, 0.5)
inline bool is_exactly(Pixel p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }
