#pragma once
// Image-view tests run on the headless driver: real OpenGL contexts whose frames are read back.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/headless_fixture.h"
#include "render/image_view.h"

struct Pixel {
  int r, g, b;
};

inline bool close_to(Pixel p, int r, int g, int b, int tolerance = 3) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

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
  // Whether a pixel within `radius` (square) of (x, y) passes the test.
  template <typename Test>
  bool near(int x, int y, int radius, Test test) const {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (test(at(x + dx, y + dy))) return true;
    return false;
  }
  // The same with y from the top.
  template <typename Test>
  bool near_top(int x, int y, int radius, Test test) const {
    return near(x, h - 1 - y, radius, test);
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


class ImageViewTest : public HeadlessTest {
 protected:
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
    SceneLoadReport report;
    int loaded = 0;
    ASSERT_NO_FATAL_FAILURE(load_demo_scene(&report, &loaded));
    ASSERT_EQ(loaded, 1);
    ASSERT_EQ(report.calibrated, 1);
    canvas = open_image_canvas(appState.imageWidth, appState.imageHeight);
  }

  // Replaces the photograph by a plain dark picture of its size, so that colours can be counted.
  void blank_photo() { std::fill(appState.imageRgb.begin(), appState.imageRgb.end(), 40); }

  // Redraws and keeps the frame; pixels are addressed with the row from the bottom.
  void redraw() {
    redraw_image_view();
    ASSERT_TRUE(frame.grab(canvas));
  }
  Pixel at(int x, int y) const { return frame.at(x, y); }
  template <typename Test>
  bool near(int x, int y, int radius, Test test) const {
    return frame.near(x, y, radius, test);
  }
  template <typename Test>
  int count(Test test) const {
    return frame.count(test);
  }

  TukHandle canvas = nullptr;
  Frame frame;
};

inline bool is_red(Pixel p) { return p.r > 170 && p.g < 100 && p.b < 100; }
inline bool is_yellow(Pixel p) { return p.r > 200 && p.g > 200 && p.b < 110; }
inline bool is_cyan(Pixel p) { return p.r > 90 && p.r < 170 && p.g > 200 && p.b > 200; }       // (0.5, 1, 1)
inline bool is_light_yellow(Pixel p) { return p.r > 200 && p.g > 200 && p.b > 90 && p.b < 170; }  // (1, 1, 0.5)
inline bool is_exactly(Pixel p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }
