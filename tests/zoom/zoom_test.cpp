// Precise clicks on the headless driver, checked on the pixels the canvas's real GL frame holds:
// Ctrl + wheel zooms about the pointer, a click at any zoom stores the image pixel drawn under
// it, the demo's field lines stay on its landmarks at every zoom, the magnifier shows the pixel
// under the pointer, and a picture narrower than the menu bar leaves the rest of the canvas
// inert.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "state/app_state.h"
#include "app/canvas_input.h"
#include "app/interface.h"
#include "coded_bmp.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "app/file_commands.h"
#include "shown_interface.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"

namespace {

const std::string kDemo = std::string(VARNESK_SOURCE_DIR) + "/data/demo/";

class ZoomTest : public ShownInterfaceTest {
 protected:
  void load_coded(int w, int h) {
    const std::string path = std::string(VARNESK_BINARY_DIR) + "/zoom_" + std::to_string(w) + "x" +
                             std::to_string(h) + ".bmp";
    write_bmp(path, w, h, true);
    TukHeadlessAnswerFile(path.c_str());
    load_imag_cb(nullptr, 0);
    ASSERT_EQ(appState.imageWidth, w);
  }

  const unsigned char* frame(int* w, int* h) {
    redraw_image_view();
    const unsigned char* f = TukHeadlessFrame(appState.imageCanvas, w, h);
    EXPECT_NE(f, nullptr);
    return f;
  }
  // the pixel at canvas (x, y from the top) of a frame stored bottom row first
  static const unsigned char* at(const unsigned char* f, int fw, int fh, int x, int y) {
    return f + 3 * ((fh - 1 - y) * fw + x);
  }

  void wheel(int notches, int x, int y, int modifiers) {
    TukHeadlessWheel(appState.imageCanvas, 0, notches, x, y, modifiers);
    TukFlush();
  }
  // Ctrl + wheel up or down to the zoom wanted, about (x, y)
  void zoom_to(int zoom, int x, int y) {
    while (appState.zoom < zoom) wheel(1, x, y, TUK_MOD_CONTROL);
    while (appState.zoom > zoom) wheel(-1, x, y, TUK_MOD_CONTROL);
  }

  void click(int x, int y) {
    TukHeadlessMousePress(appState.imageCanvas, 1, x, y, 0);
    TukHeadlessMouseRelease(appState.imageCanvas, 1, x, y, 0);
    TukFlush();
  }

  // A measurement's first click at canvas positions spread over the part the picture covers
  // stores the pixel the frame shows there.
  void expect_clicks_in_register(const std::string& when) {
    int fw = 0, fh = 0;
    const unsigned char* f = frame(&fw, &fh);
    ASSERT_NE(f, nullptr);
    const int z = appState.zoom;
    const int right = std::min(fw, z * (appState.imageWidth - appState.panX));
    const int top = std::min(fh, z * (appState.imageHeight - appState.panY));
    // both sides of the first and last block edges, and somewhere in the middle
    const int xs[] = {0, z - 1, z, right / 2 + 1, right - z, right - 1};
    const int ys[] = {0, z - 1, z, top / 2 + 3, top - z, top - 1};
    for (int x : xs) {
      for (int y : ys) {
        int col = -1, row = -1;
        decode(at(f, fw, fh, x, fh - top + y), &col, &row);
        appState.interactionMode = MODE_POINT_DISTANCE;
        appState.measureClicks = 0;
        click(x, fh - top + y);
        ASSERT_EQ(appState.measureClicks, 1) << when;
        EXPECT_EQ(appState.measureX1, col) << when << " canvas " << x << "," << y;
        EXPECT_EQ(appState.measureY1, row) << when << " canvas " << x << "," << y;
        f = frame(&fw, &fh);
      }
    }
    appState.interactionMode = MODE_NONE;
  }
};

struct Size {
  int w, h;
};

class ZoomClickTest : public ZoomTest, public ::testing::WithParamInterface<Size> {};

TEST_P(ZoomClickTest, click_at_every_zoom_stores_the_pixel_drawn_under_the_mouse) {
  const Size s = GetParam();
  load_coded(s.w, s.h);
  int fw = 0, fh = 0;
  ASSERT_NE(frame(&fw, &fh), nullptr);
  // a pointer where the picture has room to keep it in place at every zoom
  const int px = s.w / 4, py = fh / 2;
  int window_w = 0, window_h = 0;
  TukNaturalSize(appState.mainDialog, &window_w, &window_h);
  const bool large = TukGetBool(appState.imageCanvas, "SCROLLBAR") == 1;
  for (int zoom : {1, 2, 4, 8}) {
    // the pixel under the pointer stays there as the zoom changes
    int before_col = -1, before_row = -1, after_col = -2, after_row = -2;
    const unsigned char* f = frame(&fw, &fh);
    decode(at(f, fw, fh, px, py), &before_col, &before_row);
    zoom_to(zoom, px, py);
    ASSERT_EQ(appState.zoom, zoom);
    // zoomed in, the picture pans with scroll bars as a large one does, in a window of the
    // same size
    EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), large || zoom > 1 ? 1 : 0) << "x" << zoom;
    int now_w = 0, now_h = 0;
    TukNaturalSize(appState.mainDialog, &now_w, &now_h);
    EXPECT_EQ(now_w, window_w);
    EXPECT_EQ(now_h, window_h);
    f = frame(&fw, &fh);
    decode(at(f, fw, fh, px, py), &after_col, &after_row);
    EXPECT_LE(std::abs(after_col - before_col), 1) << "x" << zoom;
    EXPECT_LE(std::abs(after_row - before_row), 1) << "x" << zoom;
    // one image pixel is a block of zoom x zoom canvas pixels
    int col = -1, row = -1;
    decode(at(f, fw, fh, zoom * 3 + zoom - 1, fh - 1 - zoom * 2), &col, &row);
    EXPECT_EQ(col, appState.panX + 3) << "x" << zoom;
    EXPECT_EQ(row, appState.panY + 2) << "x" << zoom;
    expect_clicks_in_register("x" + std::to_string(zoom));
  }
  // panned at x8 with the wheel (down, and sideways with shift) and with the keys
  const int x0 = appState.panX, y0 = appState.panY;
  wheel(-2, px, py, 0);
  wheel(-1, px, py, TUK_MOD_SHIFT);
  EXPECT_EQ(appState.panY, std::max(0, y0 - 2 * std::max(1, visible_rows() / 10)));
  EXPECT_EQ(appState.panX, std::min(s.w - visible_columns(), x0 + std::max(1, visible_columns() / 10)));
  expect_clicks_in_register("x8 wheel-panned");
  const int below = appState.panY;
  TukHeadlessKey(TUK_KS_END, 0);
  TukHeadlessKey(TUK_KS_PAGEUP, 0);
  TukFlush();
  EXPECT_EQ(appState.panX, s.w - visible_columns());
  EXPECT_EQ(appState.panY, std::min(below + visible_rows(), s.h - visible_rows())) << "a page up";
  expect_clicks_in_register("x8 right edge");
  // with the bars, counted in image pixels from the top-left
  TukHeadlessScroll(appState.imageCanvas, 7, 5);
  TukFlush();
  EXPECT_EQ(appState.panX, 7);
  EXPECT_EQ(appState.panY, s.h - visible_rows() - 5);
  expect_clicks_in_register("x8 scrolled");
  // and back at x1 a picture that fits drops its bars again
  zoom_to(1, 0, 0);
  EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), large ? 1 : 0);
  expect_clicks_in_register("x1 again");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ZoomClickTest,
                         ::testing::Values(Size{640, 480}, Size{160, 120}, Size{1920, 1080}),
                         [](const ::testing::TestParamInfo<Size>& i) {
                           return std::to_string(i.param.w) + "x" + std::to_string(i.param.h);
                         });

// Canvas position of the middle of an image pixel's block, y from the top.
void canvas_of(double col, double row, int fh, double* x, double* y) {
  const int z = appState.zoom;
  *x = z * (col - appState.panX) + 0.5 * z;
  *y = fh - (z * (row - appState.panY) + 0.5 * z);
}

int red_within(const unsigned char* f, int fw, int fh, double x, double y, int reach) {
  int red = 0;
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx) {
      const int cx = static_cast<int>(std::floor(x)) + dx, cy = static_cast<int>(std::floor(y)) + dy;
      if (cx < 0 || cy < 0 || cx >= fw || cy >= fh) continue;
      const unsigned char* p = f + 3 * ((fh - 1 - cy) * fw + cx);
      red += p[0] >= 150 && p[1] <= 100 && p[2] <= 100;
    }
  return red;
}

TEST_F(ZoomTest, field_lines_stay_on_the_demo_landmarks_at_every_zoom) {
  // the scene names its files relative to its folder, where run.sh starts the program
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(kDemo.c_str()), 0);
  TukHeadlessAnswerFile((kDemo + "demo.cen").c_str());
  load_cena_cb(nullptr, 0);
  ASSERT_EQ(chdir(cwd), 0);
  ASSERT_EQ(appState.imageLoaded, 1);
  ASSERT_EQ(update_calibration(appState), 1);
  int fw = 0, fh = 0;
  int checked = 0;
  for (int i = 0; i < appState.refCount; ++i) {
    if (appState.refWorldZ[i] != 0) continue;
    // where the calibrated camera puts the landmark, against the pixel blocks of the image
    double u = 0, v = 0;
    project_world_point(appState.cameraMatrix, appState.refWorldX[i], appState.refWorldY[i], 0, &u, &v);
    for (int zoom : {1, 2, 4, 8}) {
      double x = 0, y = 0;
      frame(&fw, &fh);
      canvas_of(u, v, fh, &x, &y);
      zoom_to(zoom, static_cast<int>(x), static_cast<int>(y));
      frame(&fw, &fh);  // zoomed in, the scroll bars take some of the canvas
      canvas_of(u, v, fh, &x, &y);
      ASSERT_TRUE(x >= 0 && y >= 0 && x < fw && y < fh) << "landmark " << i << " left the view";
      appState.showFieldLines = 0;
      const unsigned char* f = frame(&fw, &fh);
      const int red_before = red_within(f, fw, fh, x, y, 2 * zoom);
      appState.showFieldLines = 1;
      f = frame(&fw, &fh);
      EXPECT_GT(red_within(f, fw, fh, x, y, 2 * zoom), red_before)
          << "no red line within " << 2 * zoom << " px of landmark " << i << " at x" << zoom;
      appState.showFieldLines = 0;
    }
    zoom_to(1, 0, 0);
    ++checked;
  }
  EXPECT_GE(checked, 8);
}

TEST_F(ZoomTest, magnifier_shows_the_pointer_pixel_in_the_corner_away_from_it) {
  load_coded(640, 480);
  int fw = 0, fh = 0;
  for (int zoom : {1, 4}) {
    zoom_to(zoom, 320, 240);
    for (int mode : {MODE_ADD_REFERENCE, MODE_POINT_DISTANCE, MODE_PARALLEL_DISTANCE}) {
      appState.interactionMode = mode;
      // within the drawing area that the bars of the zoom leave
      const int pointers[][2] = {{50, 60}, {600, 40}, {30, 440}, {610, 455}, {0, 0}};
      for (const auto& p : pointers) {
        TukHeadlessMouseMove(appState.imageCanvas, p[0], p[1], 0);
        TukFlush();
        const unsigned char* f = frame(&fw, &fh);
        int col = -1, row = -1;
        decode(at(f, fw, fh, p[0], p[1]), &col, &row);
        MagnifierPlace m;
        ASSERT_EQ(magnifier_place(p[0], p[1], fw, fh, &m), 1);
        EXPECT_EQ(m.scale, 8) << "a 640 x 480 canvas has room for the larger magnifier";
        // the square lies in the half away from the pointer each way
        const int top = fh - (m.y + m.side);  // from the top
        EXPECT_TRUE(p[0] < fw / 2 ? m.x >= fw / 2 : m.x + m.side <= fw / 2);
        EXPECT_TRUE(p[1] < fh / 2 ? top >= fh / 2 : m.y >= fh / 2);
        // its middle block, inside the outline, is the pointer's pixel; its neighbours follow
        // (their edges next to it are under the outline)
        const int half = MAGNIFIER_SPAN / 2;
        for (int dx : {-1, 0, 1}) {
          if (col + dx < 0) continue;  // beyond the picture's edge the square is dark
          const int bx = m.x + (half + dx) * m.scale;
          const int by = fh - 1 - (m.y + half * m.scale);  // the block's bottom row, from the top
          for (int k = dx == 0 ? 0 : 2; k < m.scale - (dx == 0 ? 0 : 2); ++k) {
            int c = -1, r = -1;
            decode(at(f, fw, fh, bx + k, by - k), &c, &r);
            EXPECT_EQ(c, col + dx) << "x" << zoom << " pointer " << p[0] << "," << p[1];
            EXPECT_EQ(r, row);
          }
        }
        // the outline: white then black around the block
        const unsigned char* white = at(f, fw, fh, m.x + half * m.scale - 1, fh - 1 - (m.y + half * m.scale));
        const unsigned char* black = at(f, fw, fh, m.x + half * m.scale - 2, fh - 1 - (m.y + half * m.scale));
        EXPECT_EQ(white[0] + white[1] + white[2], 3 * 255);
        EXPECT_EQ(black[0] + black[1] + black[2], 0);
      }
    }
    // elsewhere, and once the pointer has left, the canvas is the picture alone
    appState.interactionMode = MODE_NONE;
    int pw = 0, ph = 0;
    const unsigned char* plain = frame(&pw, &ph);
    const std::vector<unsigned char> picture(plain, plain + 3 * pw * ph);
    for (int mode : {MODE_ADD_OBJECT, MODE_ADD_REFERENCE}) {
      appState.interactionMode = mode;
      TukHeadlessMouseMove(appState.imageCanvas, 50, 60, 0);
      TukFlush();
      if (mode == MODE_ADD_REFERENCE) leave_cb(appState.imageCanvas);
      const unsigned char* f = frame(&fw, &fh);
      EXPECT_TRUE(std::equal(picture.begin(), picture.end(), f)) << "mode " << mode << " x" << zoom;
    }
  }
}

TEST_F(ZoomTest, narrow_picture_leaves_the_menus_in_reach_and_the_rest_of_the_canvas_inert) {
  load_coded(160, 120);
  int dw = 0, dh = 0;
  TukNaturalSize(appState.mainDialog, &dw, &dh);
  // the five titles at 7 pixels a character, 16 around each, 6 at each end; the frame 8
  const int menu_w = 12 + 7 * (4 + 4 + 4 + 8 + 4) + 5 * 16;
  EXPECT_EQ(dw, menu_w + 8);
  EXPECT_EQ(appState.viewWidth, menu_w) << "the canvas takes the window's width";
  int fw = 0, fh = 0;
  const unsigned char* f = frame(&fw, &fh);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fw, menu_w);
  EXPECT_EQ(fh, 120);
  // the picture at the left, the dialogs' grey right of it
  int col = -1, row = -1;
  decode(at(f, fw, fh, 159, 0), &col, &row);
  EXPECT_EQ(col, 159);
  EXPECT_EQ(row, 119);
  for (int x : {160, 200, fw - 1}) {
    const unsigned char* p = at(f, fw, fh, x, 60);
    EXPECT_EQ(p[0], 192);
    EXPECT_EQ(p[1], 192);
    EXPECT_EQ(p[2], 192);
  }
  // a click there, in every mode, stores nothing and opens nothing (a dialog with no scripted
  // answer would abort the test)
  for (int mode : {MODE_ADD_REFERENCE, MODE_ADD_OBJECT, MODE_POINT_DISTANCE, MODE_PARALLEL_DISTANCE}) {
    appState.interactionMode = mode;
    for (int x : {160, 230, fw - 1}) click(x, 60);
    EXPECT_EQ(appState.refCount, 0);
    EXPECT_EQ(appState.teamACount + appState.teamBCount, 0);
    EXPECT_EQ(appState.refereePresent + appState.ballPresent, 0);
    EXPECT_EQ(appState.measureClicks, 0);
  }
  // the picture's last column still counts
  appState.interactionMode = MODE_POINT_DISTANCE;
  click(159, 119);
  EXPECT_EQ(appState.measureClicks, 1);
  EXPECT_EQ(appState.measureX1, 159);
  EXPECT_EQ(appState.measureY1, 0);
  // the magnifier has no pixel to show beside the picture
  appState.interactionMode = MODE_NONE;
  f = frame(&fw, &fh);
  const std::vector<unsigned char> picture(f, f + 3 * fw * fh);
  appState.interactionMode = MODE_ADD_REFERENCE;
  TukHeadlessMouseMove(appState.imageCanvas, 200, 60, 0);
  TukFlush();
  f = frame(&fw, &fh);
  EXPECT_TRUE(std::equal(picture.begin(), picture.end(), f));
  // over the picture it shows, at the smaller magnification the 120 rows leave room for
  TukHeadlessMouseMove(appState.imageCanvas, 150, 60, 0);
  TukFlush();
  f = frame(&fw, &fh);
  EXPECT_FALSE(std::equal(picture.begin(), picture.end(), f));
  MagnifierPlace m;
  ASSERT_EQ(magnifier_place(150, 60, fw, fh, &m), 1);
  EXPECT_EQ(m.scale, 4);
}

}  // namespace

namespace {

using ZoomStartTest = InterfaceTest;

// As a picture named on the command line loads: before the window is first shown.
TEST_F(ZoomStartTest, picture_loaded_before_the_window_shows_takes_the_laid_out_canvas) {
  register_callbacks();
  const std::string path = std::string(VARNESK_BINARY_DIR) + "/zoom_start_160x120.bmp";
  write_bmp(path, 160, 120, true);
  TukHeadlessAnswerFile(path.c_str());
  load_imag_cb(nullptr, 0);
  TukShow(appState.mainDialog);
  const int menu_w = 12 + 7 * (4 + 4 + 4 + 8 + 4) + 5 * 16;
  EXPECT_EQ(appState.viewWidth, menu_w);
  EXPECT_EQ(appState.viewHeight, 120);
  appState.zoom = 2;
  clamp_pan();
  EXPECT_EQ(visible_columns(), menu_w / 2) << "the pan may not run past the picture's right edge";
}

}  // namespace
