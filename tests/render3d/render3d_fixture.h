#pragma once
// Plan and 3D-scene tests on the headless driver: real OpenGL contexts whose frames are read
// back, bottom row first.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../render/render_fixture.h"
#include "app/app_state.h"
#include "app/landmark_dialog.h"
#include "app/scene_commands.h"
#include "render/field_diagram.h"
#include "render/scene3d.h"
#include "scene/scene_load.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

inline bool close_to(Pixel p, int r, int g, int b, int tolerance = 3) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}
inline bool is_white(Pixel p) { return p.r > 200 && p.g > 200 && p.b > 200; }
inline bool is_skin(Pixel p) { return close_to(p, 227, 190, 131); }
inline bool is_background(Pixel p) { return close_to(p, 0, 178, 0, 1); }  // clear colour 0.7
inline bool is_grass(Pixel p) { return close_to(p, 0, 153, 0, 1); }       // pitch colour 0.6

// A frame read back from a canvas; rows counted from the bottom.
struct Frame {
  std::vector<unsigned char> rgb;
  int w = 0, h = 0;

  bool grab(TukHandle canvas) {
    const unsigned char* f = TukHeadlessFrame(canvas, &w, &h);
    if (!f) return false;
    rgb.assign(f, f + static_cast<size_t>(w) * h * 3);
    return true;
  }
  Pixel at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return {-1, -1, -1};
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
    return {p[0], p[1], p[2]};
  }
  // Plan pixels are given as the landmark table gives them: y from the top.
  Pixel at_top(int x, int y) const { return at(x, h - 1 - y); }
  template <typename Test>
  int count(Test test) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += test(at(x, y)) ? 1 : 0;
    return n;
  }
  // Whether a pixel within `radius` (square) of (x, y from the top) passes the test.
  template <typename Test>
  bool near_top(int x, int y, int radius, Test test) const {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (test(at_top(x + dx, y + dy))) return true;
    return false;
  }
  // Pixels of the frame `other` that differ by more than `tolerance` in a channel (every pixel
  // when the sizes differ).
  int differing(const Frame& other, int tolerance = 0) const {
    if (other.w != w || other.h != h) return w * h;
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += close_to(at(x, y), other.at(x, y).r, other.at(x, y).g, other.at(x, y).b, tolerance) ? 0 : 1;
    return n;
  }
  // Bounding box (x0, y0, x1, y1; rows from the bottom) of the pixels passing the test; false
  // when there are none.
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

// The image-view fixture (headless toolkit with GL canvases, fresh appState) with the plan's and
// the scene's callbacks registered.
class GLSceneTest : public ImageViewTest {
 protected:
  void SetUp() override {
    ImageViewTest::SetUp();
    TukSetFunction("redraw_refpto_cb", TukCallbackOf(redraw_refpto_cb));
    TukSetFunction("button_refpto_cb", TukCallbackOf(button_refpto_cb));
    TukSetFunction("redraw_3D_cb", TukCallbackOf(redraw_3D_cb));
    TukSetFunction("kany_cb", TukCallbackOf(kany_cb));
  }

  // The plan's canvas, 560 x 350, shown in a dialog of its own.
  TukHandle open_plan() {
    TukHandle canvas = TukGLCanvas("redraw_refpto_cb");
    TukSetAttribute(canvas, "RASTERSIZE", "560x350");
    TukSetAttribute(canvas, "BUFFER", "DOUBLE");
    TukHandle dialog = TukDialog(canvas);
    TukSetAttribute(dialog, "BUTTON_CB", "button_refpto_cb");
    TukShow(dialog);
    TukFlush();
    appState.fieldCanvas = canvas;
    return canvas;
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
};
