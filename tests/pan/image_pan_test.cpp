// Photographs of any size stay in register on the headless driver (screen 1280 x 1024): the
// canvas takes the image's size or, for a frame larger than the screen, the largest size that
// fits with scroll bars; clicks store the image pixel under the mouse and the field lines of a
// known camera pass over its landmarks, before and after panning. Pixels are read back from the
// canvas's real GL frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "state/app_state.h"
#include "app/canvas_input.h"
#include "app/interface.h"
#include "app_fixture.h"
#include "coded_bmp.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "app/file_commands.h"
#include "shown_interface.h"
#include "synthetic_camera.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_gl.h"

namespace {

struct Size {
  int w, h;
};

// Pictures of each size on the shown interface.
class ImagePanTest : public ShownInterfaceTest, public ::testing::WithParamInterface<Size> {
 protected:
  void load(bool coded) {
    const Size s = GetParam();
    path_ = std::string(VARNESK_BINARY_DIR) + "/pan_" + std::to_string(s.w) + "x" +
            std::to_string(s.h) + (coded ? "_coded" : "_grey") + ".bmp";
    write_bmp(path_, s.w, s.h, coded);
    TukHeadlessAnswerFile(path_.c_str());
    load_imag_cb(nullptr, 0);
    ASSERT_EQ(appState.imageWidth, s.w);
    ASSERT_EQ(appState.imageHeight, s.h);
  }

  // The canvas's shown frame, bottom row first.
  const unsigned char* frame(int* w, int* h) {
    redraw_image_view();
    const unsigned char* f = TukHeadlessFrame(appState.imageCanvas, w, h);
    EXPECT_NE(f, nullptr);
    return f;
  }

  void press(int keysym) {
    TukHeadlessKey(keysym, 0);
    TukFlush();
  }

  // A click at canvas positions spread over the view stores the pixel drawn there.
  void expect_clicks_in_register(const char* when) {
    int fw = 0, fh = 0;
    const unsigned char* f = frame(&fw, &fh);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fw, appState.viewWidth);
    ASSERT_EQ(fh, appState.viewHeight);
    const int xs[] = {0, 1, fw / 3, fw / 2, fw - 2, fw - 1};
    const int ys[] = {0, 1, fh / 4, fh / 2, fh - 2, fh - 1};
    for (int x : xs) {
      for (int y : ys) {
        // y from the top, as the mouse reports it; the frame is bottom row first
        const unsigned char* p = f + 3 * ((fh - 1 - y) * fw + x);
        int col = -1, row = -1;
        decode(p, &col, &row);
        appState.interactionMode = MODE_POINT_DISTANCE;
        appState.measureClicks = 0;
        TukHeadlessMousePress(appState.imageCanvas, 1, x, y, 0);
        TukHeadlessMouseRelease(appState.imageCanvas, 1, x, y, 0);
        TukFlush();
        ASSERT_EQ(appState.measureClicks, 1) << when;
        EXPECT_EQ(appState.measureX1, col) << when << " canvas " << x << "," << y;
        EXPECT_EQ(appState.measureY1, row) << when << " canvas " << x << "," << y;
        f = frame(&fw, &fh);  // the click redrew the view
      }
    }
  }

  // A camera of the image's own size looking at the left penalty area; its exact landmarks as
  // the reference points, and the field lines on.
  void calibrate_synthetic() {
    const Size s = GetParam();
    camera_ = SyntheticCamera{{28, -22, 20}, {12, 34, 0}, 0.9 * s.w, s.w, s.h};
    int chosen[FIELD_LANDMARK_COUNT];
    int n = 0, off_ground = 0;
    for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
      const FieldLandmark& L = FieldLandmarkTable[i];
      double u, v;
      synthetic_project(camera_, L.x, L.y, L.z, &u, &v);
      if (u < 3 || v < 3 || u > s.w - 4 || v > s.h - 4) continue;
      chosen[n++] = i;
      if (L.z > 0) ++off_ground;
    }
    ASSERT_GE(n, 8);
    ASSERT_GE(off_ground, 2);
    mark_landmarks(camera_, chosen, n, 0.0, 1, appState);
    appState.showFieldLines = 1;
    ASSERT_EQ(update_calibration(appState), 1);
  }

  // Every ground landmark in the view has a red line pixel within 2 pixels of where it shows.
  void expect_lines_on_landmarks(const char* when) {
    int fw = 0, fh = 0;
    const unsigned char* f = frame(&fw, &fh);
    ASSERT_NE(f, nullptr);
    int checked = 0;
    for (int i = 0; i < appState.refCount; ++i) {
      if (appState.refWorldZ[i] != 0) continue;
      double u, v;
      synthetic_project(camera_, appState.refWorldX[i], appState.refWorldY[i], 0, &u, &v);
      const int cx = static_cast<int>(std::lround(u)) - appState.panX;
      const int cy = static_cast<int>(std::lround(v)) - appState.panY;  // from the bottom
      if (cx < 2 || cy < 2 || cx > fw - 3 || cy > fh - 3) continue;
      bool red = false;
      for (int dy = -2; dy <= 2 && !red; ++dy) {
        for (int dx = -2; dx <= 2 && !red; ++dx) {
          const unsigned char* p = f + 3 * ((cy + dy) * fw + cx + dx);
          red = p[0] >= 150 && p[1] <= 100 && p[2] <= 100;
        }
      }
      EXPECT_TRUE(red) << when << ": no red line near landmark " << i << " at canvas " << cx << ","
                       << cy;
      ++checked;
    }
    EXPECT_GE(checked, 3) << when;
  }

  // Every reference point in the view has its yellow cross centred on its stored pixel.
  void expect_marks_on_references(const char* when) {
    appState.showRefPoints = 1;
    int fw = 0, fh = 0;
    const unsigned char* f = frame(&fw, &fh);
    ASSERT_NE(f, nullptr);
    int checked = 0;
    for (int i = 0; i < appState.refCount; ++i) {
      const int cx = appState.refImageX[i] - appState.panX;
      const int cy = appState.refImageY[i] - appState.panY;
      if (cx < 1 || cy < 1 || cx > fw - 2 || cy > fh - 2) continue;
      int yellow = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const unsigned char* p = f + 3 * ((cy + dy) * fw + cx + dx);
          yellow += p[0] >= 180 && p[1] >= 180 && p[2] <= 100;
        }
      EXPECT_GE(yellow, 3) << when << ": no yellow cross on reference " << i << " at canvas "
                           << cx << "," << cy;
      ++checked;
    }
    EXPECT_GE(checked, 3) << when;
    appState.showRefPoints = 0;
  }

  std::string path_;
  SyntheticCamera camera_{};
};

bool pans(const Size& s) { return s.w > 1272 || s.h > 976; }

TEST_P(ImagePanTest, canvas_takes_the_image_size_or_the_largest_that_fits) {
  const Size s = GetParam();
  load(true);
  int fw = 0, fh = 0;
  ASSERT_NE(frame(&fw, &fh), nullptr);
  if (!pans(s)) {
    EXPECT_EQ(fw, s.w);
    EXPECT_EQ(fh, s.h);
    EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), 0);
  } else {
    // 1280 x 1024 less the frame, title and menu bar (8 x 48) and the bars (16 x 16)
    EXPECT_EQ(fw, std::min(s.w, 1256));
    EXPECT_EQ(fh, std::min(s.h, 960));
    EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), 1);
  }
  // a new image shows its top-left corner
  EXPECT_EQ(appState.panX, 0);
  EXPECT_EQ(appState.panY, s.h - fh);
}

TEST_P(ImagePanTest, click_stores_the_pixel_drawn_under_the_mouse) {
  const Size s = GetParam();
  load(true);
  expect_clicks_in_register("first view");
  // to the top-right corner with the keys, then a place in the middle with the scroll bars
  press(TUK_KS_END);
  press(TUK_KS_PAGEUP);
  EXPECT_EQ(appState.panX, s.w - appState.viewWidth);
  EXPECT_EQ(appState.panY, s.h - appState.viewHeight);
  expect_clicks_in_register("top-right");
  press(TUK_KS_PAGEDOWN);
  press(TUK_KS_LEFT);
  EXPECT_EQ(appState.panY, 0);
  expect_clicks_in_register("bottom, one step left");
  TukHeadlessScroll(appState.imageCanvas, 100, 50);
  TukFlush();
  // within the part of the picture that the view does not show; nothing when it shows it all
  EXPECT_EQ(appState.panX, std::min(100, s.w - appState.viewWidth));
  EXPECT_EQ(appState.panY, std::max(0, s.h - appState.viewHeight - 50));
  if (!pans(s)) {
    EXPECT_EQ(appState.panX, 0);
  }
  expect_clicks_in_register("scrolled");
}

TEST_P(ImagePanTest, field_lines_and_marks_stay_on_the_landmarks_before_and_after_panning) {
  load(false);
  calibrate_synthetic();
  expect_lines_on_landmarks("first view");
  press(TUK_KS_PAGEDOWN);
  press(TUK_KS_HOME);
  expect_lines_on_landmarks("bottom-left");
  expect_marks_on_references("bottom-left");
  TukHeadlessScroll(appState.imageCanvas, 300, 40);
  TukFlush();
  expect_lines_on_landmarks("scrolled");
  expect_marks_on_references("scrolled");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImagePanTest,
                         ::testing::Values(Size{640, 480}, Size{641, 481}, Size{320, 240},
                                           Size{1280, 720}, Size{1920, 1080}),
                         [](const ::testing::TestParamInfo<Size>& i) {
                           return std::to_string(i.param.w) + "x" + std::to_string(i.param.h);
                         });

using ImagePanStart = InterfaceTest;

TEST_F(ImagePanStart, first_canvas_is_640_by_480_until_an_image_loads) {
  TukShow(appState.mainDialog);
  EXPECT_STREQ(TukGetAttribute(appState.imageCanvas, "RASTERSIZE"), "640x480");
  EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), 0);
  int w = 0, h = 0;
  TukNaturalSize(appState.mainDialog, &w, &h);
  EXPECT_EQ(w, 640 + 8);
  EXPECT_EQ(h, 480 + 48);
}

TEST_F(ImagePanStart, a_smaller_image_after_a_larger_one_drops_the_scroll_bars) {
  register_callbacks();
  TukShow(appState.mainDialog);
  const std::string big = std::string(VARNESK_BINARY_DIR) + "/pan_then_small_big.bmp";
  const std::string small = std::string(VARNESK_BINARY_DIR) + "/pan_then_small_small.bmp";
  write_bmp(big, 1920, 1080, false);
  write_bmp(small, 640, 480, true);
  TukHeadlessAnswerFile(big.c_str());
  load_imag_cb(nullptr, 0);
  ASSERT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), 1);
  TukHeadlessAnswerFile(small.c_str());
  load_imag_cb(nullptr, 0);
  EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), 0);
  EXPECT_STREQ(TukGetAttribute(appState.imageCanvas, "RASTERSIZE"), "640x480");
  EXPECT_EQ(appState.panX, 0);
  EXPECT_EQ(appState.panY, 0);
  redraw_image_view();
  int w = 0, h = 0;
  const unsigned char* f = TukHeadlessFrame(appState.imageCanvas, &w, &h);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  // the picture fills the canvas from its lower-left corner again
  int col = -1, row = -1;
  decode(f + 3 * (479 * 640 + 639), &col, &row);
  EXPECT_EQ(col, 639);
  EXPECT_EQ(row, 479);
}

}  // namespace
