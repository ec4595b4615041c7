#pragma once
// Drawing tests on the headless driver: real OpenGL contexts whose frames are read back, rows
// counted from the bottom unless a name says "top".
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/headless_fixture.h"
#include "app/landmark_dialog.h"
#include "app/scene_commands.h"
#include "render/field_diagram.h"
#include "render/image_view.h"
#include "render/scene3d.h"

struct Pixel {
  int r, g, b;
};

inline bool close_to(Pixel p, int r, int g, int b, int tolerance = 3) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

struct Frame {
  std::vector<unsigned char> rgb;
  int w = 0, h = 0;

  bool grab(TukHandle canvas) {
    const unsigned char* f = TukHeadlessFrame(canvas, &w, &h);
    if (f) rgb.assign(f, f + static_cast<size_t>(w) * h * 3);
    return f != nullptr;
  }
  Pixel at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return {-1, -1, -1};
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
    return {p[0], p[1], p[2]};
  }
  template <typename Test>
  int count(Test test) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += test(at(x, y)) ? 1 : 0;
    return n;
  }
  // Whether a pixel within `radius` (square) of (x, y) passes the test.
  template <typename Test>
  bool near(int x, int y, int radius, Test test) const {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (test(at(x + dx, y + dy))) return true;
    return false;
  }
  // Plan pixels as the landmark table gives them: y from the top.
  template <typename Test>
  bool near_top(int x, int y, int radius, Test test) const {
    return near(x, h - 1 - y, radius, test);
  }
  // Bounding box (x0, y0, x1, y1) of the pixels passing the test; false when there are none.
  template <typename Test>
  bool bounds(Test test, int box[4]) const {
    box[0] = w, box[1] = h, box[2] = -1, box[3] = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (test(at(x, y))) {
          box[0] = std::min(box[0], x), box[1] = std::min(box[1], y);
          box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
        }
    return box[2] >= 0;
  }
};

inline bool is_red(Pixel p) { return p.r > 170 && p.g < 100 && p.b < 100; }
inline bool is_yellow(Pixel p) { return p.r > 200 && p.g > 200 && p.b < 110; }
inline bool is_cyan(Pixel p) { return p.r > 90 && p.r < 170 && p.g > 200 && p.b > 200; }       // (0.5, 1, 1)
inline bool is_light_yellow(Pixel p) { return p.r > 200 && p.g > 200 && p.b > 90 && p.b < 170; }  // (1, 1, 0.5)
inline bool is_white(Pixel p) { return p.r > 200 && p.g > 200 && p.b > 200; }
inline bool is_skin(Pixel p) { return close_to(p, 227, 190, 131); }
inline bool is_background(Pixel p) { return close_to(p, 0, 178, 0, 1); }  // clear colour 0.7
inline bool is_grass(Pixel p) { return close_to(p, 0, 153, 0, 1); }       // pitch colour 0.6
inline bool is_exactly(Pixel p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }

// A fresh headless toolkit and appState with the plan's and the scene's callbacks registered.
class GLSceneTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    TukSetFunction("redraw_refpto_cb", TukCallbackOf(redraw_refpto_cb));
    TukSetFunction("button_refpto_cb", TukCallbackOf(button_refpto_cb));
    TukSetFunction("redraw_3D_cb", TukCallbackOf(redraw_3D_cb));
    TukSetFunction("kany_cb", TukCallbackOf(kany_cb));
  }

  // An image canvas (of the image's size unless given) showing a plain image of one colour.
  void plain_image(int w, int h, Pixel fill, int canvasW = 0, int canvasH = 0) {
    canvas = open_image_canvas(canvasW ? canvasW : w, canvasH ? canvasH : h);
    appState.imageWidth = w;
    appState.imageHeight = h;
    appState.imageRgb.resize(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < appState.imageRgb.size(); i += 3) {
      appState.imageRgb[i] = static_cast<unsigned char>(fill.r);
      appState.imageRgb[i + 1] = static_cast<unsigned char>(fill.g);
      appState.imageRgb[i + 2] = static_cast<unsigned char>(fill.b);
    }
    appState.imageLoaded = 1;
  }

  // The demo scene of data/demo, loaded as "Load Scene" does, on an image canvas of its size.
  void demo_scene() {
    SceneLoadReport report;
    int loaded = 0;
    ASSERT_NO_FATAL_FAILURE(load_demo_scene(&report, &loaded));
    ASSERT_EQ(loaded, 1);
    ASSERT_EQ(report.calibrated, 1);
    canvas = open_image_canvas(appState.imageWidth, appState.imageHeight);
  }

  // The photograph replaced by a plain dark picture, so that colours can be counted.
  void blank_photo() { std::fill(appState.imageRgb.begin(), appState.imageRgb.end(), 40); }

  void redraw() {
    redraw_image_view();
    ASSERT_TRUE(frame.grab(canvas));
  }

  // The plan's canvas, 560 x 350, in a dialog of its own.
  void open_plan() {
    TukHandle plan = TukGLCanvas("redraw_refpto_cb");
    TukSetAttribute(plan, "RASTERSIZE", "560x350");
    TukSetAttribute(plan, "BUFFER", "DOUBLE");
    TukHandle dialog = TukDialog(plan);
    TukSetAttribute(dialog, "BUTTON_CB", "button_refpto_cb");
    TukShow(dialog);
    TukFlush();
    appState.fieldCanvas = plan;
  }

  // The demo scene on a 640 x 480 3D canvas, as "Make 3D Model" leaves it.
  void demo_model() {
    demo_scene();
    open_scene_canvas(640, 480);
    TukFlush();
    gerarmod_cb(nullptr, 0);
    ASSERT_EQ(appState.modelReady, 1);
  }

  Frame scene_frame() {
    redraw_scene_view();
    Frame f;
    EXPECT_TRUE(f.grab(appState.sceneCanvas));
    return f;
  }
  Frame plan_frame() {
    redraw_field_view();
    Frame f;
    EXPECT_TRUE(f.grab(appState.fieldCanvas));
    return f;
  }

  TukHandle canvas = nullptr;
  Frame frame;
};
