// The photograph's canvas on the headless driver (screen 1280 x 1024), checked on the pixels its
// real GL frame holds: the canvas's size, clicks storing the pixel drawn under the pointer at
// every pan and zoom, overlays in register, the magnifier, and a picture narrower than the menus.
#include <algorithm>
#include <cmath>

#include "app_fixture.h"
#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

const int kMenuWidth = 12 + 7 * (4 + 4 + 4 + 8 + 4) + 5 * 16;  // five titles, 16 around each, 6 at each end

// The pixel at canvas (x, y from the top) of a frame stored bottom row first.
const unsigned char* at(const unsigned char* f, int fw, int fh, int x, int y) {
  return f + 3 * ((fh - 1 - y) * fw + x);
}

void wheel(int notches, int x, int y, int modifiers) {
  TukHeadlessWheel(appState.imageCanvas, 0, notches, x, y, modifiers);
  TukFlush();
}
void zoom_to(int zoom, int x, int y) {
  for (int k = 0; k < 4 && appState.zoom != zoom; ++k) wheel(appState.zoom < zoom ? 1 : -1, x, y, TUK_MOD_CONTROL);
}
// Canvas position (y from the top) of the middle of image point (col, row from the bottom).
void canvas_of(double col, double row, int fh, double* x, double* y) {
  const int z = appState.zoom;
  *x = z * (col - appState.panX) + 0.5 * z;
  *y = fh - (z * (row - appState.panY) + 0.5 * z);
}
// Pixels within `reach` of canvas (x, y) passing the test.
int around(const unsigned char* f, int fw, int fh, double x, double y, int reach, bool (*test)(const unsigned char*)) {
  int n = 0;
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx) {
      const int cx = static_cast<int>(std::floor(x)) + dx, cy = static_cast<int>(std::floor(y)) + dy;
      if (cx >= 0 && cy >= 0 && cx < fw && cy < fh) n += test(at(f, fw, fh, cx, cy));
    }
  return n;
}

// A measurement's first click, at canvas positions spread over the part the picture covers
// (both sides of the first and last block edges, and the middle), stores the pixel drawn there.
void expect_clicks_in_register(const std::string& when) {
  int fw = 0, fh = 0;
  const unsigned char* f = frame(&fw, &fh);
  ASSERT_NE(f, nullptr);
  const int z = appState.zoom;
  const int right = std::min(fw, z * (appState.imageWidth - appState.panX));
  const int top = std::min(fh, z * (appState.imageHeight - appState.panY));
  for (int x : {0, z - 1, z, right / 2 + 1, right - z, right - 1})
    for (int y : {0, z - 1, z, top / 2 + 3, top - z, top - 1}) {
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
  appState.interactionMode = MODE_NONE;
}

struct Size {
  int w, h;
};
class ViewTest : public AppTest, public ::testing::WithParamInterface<Size> {};

TEST_P(ViewTest, ClickStoresAPixelOtherThanTheOneDrawnUnderThePointer) {
  const Size s = GetParam();
  load_picture(s.w, s.h, true);
  // the image's size (at least the menu bar's width) or, larger than the screen less the
  // window's frame and menu (8 x 48), the largest that fits beside the bars (16 x 16)
  const bool large = s.w > 1272 || s.h > 976;
  int fw = 0, fh = 0;
  ASSERT_NE(frame(&fw, &fh), nullptr);
  EXPECT_EQ(fw, large ? std::min(s.w, 1256) : std::max(s.w, kMenuWidth));
  EXPECT_EQ(fh, large ? std::min(s.h, 960) : s.h);
  EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), large ? 1 : 0);
  EXPECT_EQ(appState.panX * 10000 + appState.panY, s.h - fh) << "a new image shows its top-left corner";
  int window_w = 0, window_h = 0;
  TukNaturalSize(appState.mainDialog, &window_w, &window_h);
  const int px = s.w / 4, py = fh / 2;  // where the picture has room to keep it at every zoom
  for (int zoom : {1, 2, 4, 8}) {
    SCOPED_TRACE("x" + std::to_string(zoom));
    int before_col = -1, before_row = -1, col = -2, row = -2;
    const unsigned char* f = frame(&fw, &fh);
    decode(at(f, fw, fh, px, py), &before_col, &before_row);
    zoom_to(zoom, px, py);
    // zoomed in, the picture pans with scroll bars, in a window of the same size
    EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), large || zoom > 1 ? 1 : 0);
    int now_w = 0, now_h = 0;
    TukNaturalSize(appState.mainDialog, &now_w, &now_h);
    EXPECT_EQ(now_w * 10000 + now_h, window_w * 10000 + window_h);
    f = frame(&fw, &fh);
    decode(at(f, fw, fh, px, py), &col, &row);
    EXPECT_LE(std::abs(col - before_col) + std::abs(row - before_row), 2) << "the pointer's pixel moved";
    // one image pixel is a block of zoom x zoom canvas pixels
    decode(at(f, fw, fh, zoom * 4 - 1, fh - 1 - zoom * 2), &col, &row);
    EXPECT_EQ(col * 10000 + row, (appState.panX + 3) * 10000 + appState.panY + 2);
    expect_clicks_in_register("zoomed");
  }
  // panned at x8 with the wheel (down, and sideways with shift), the keys and the bars
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
  TukHeadlessScroll(appState.imageCanvas, 7, 5);  // image pixels from the top-left
  TukFlush();
  EXPECT_EQ(appState.panX * 10000 + appState.panY, 7 * 10000 + s.h - visible_rows() - 5);
  expect_clicks_in_register("x8 scrolled");
  zoom_to(1, 0, 0);
  EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR"), large ? 1 : 0) << "a picture that fits drops its bars";
  zoom_to(2, 0, 0);
  load_picture(160, 120, true);  // a new picture drops the bars, the pan and the zoom of the last
  EXPECT_EQ(TukGetBool(appState.imageCanvas, "SCROLLBAR") + appState.panX + appState.panY + appState.zoom, 1);
  expect_clicks_in_register("a new picture");
}

bool red(const unsigned char* p) { return p[0] >= 150 && p[1] <= 100 && p[2] <= 100; }
bool yellow(const unsigned char* p) { return p[0] >= 180 && p[1] >= 180 && p[2] <= 100; }

// A camera of the picture's size looking at the left penalty area, its exact landmarks (rounded)
// the reference points: the field lines pass over the landmarks and the crosses sit on them.
TEST_F(AppTest, OverlaysDriftOffTheLandmarksWhenPannedOrZoomed) {
  for (const Size s : {Size{641, 481}, Size{1920, 1080}}) {
    SCOPED_TRACE(s.w);
    load_picture(s.w, s.h, false);
    const SyntheticCamera camera{{28, -22, 20}, {12, 34, 0}, 0.9 * s.w, s.w, s.h};
    int chosen[FIELD_LANDMARK_COUNT], n = 0;
    for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
      double u, v;
      synthetic_project(camera, FieldLandmarkTable[i].x, FieldLandmarkTable[i].y, FieldLandmarkTable[i].z, &u, &v);
      if (u >= 3 && v >= 3 && u <= s.w - 4 && v <= s.h - 4) chosen[n++] = i;
    }
    mark_landmarks(camera, chosen, n, 0.0, 1, appState);
    ASSERT_EQ(update_calibration(appState), 1);
    int inView = -1;  // a reference point the view shows
    auto expect_in_register = [&](const char* when) {
      int checked = 0, fw = 0, fh = 0;
      inView = -1;
      for (int i = 0; i < appState.refCount; ++i) {
        double x, y;
        canvas_of(appState.refImageX[i], appState.refImageY[i], appState.viewHeight, &x, &y);
        const int z = appState.zoom;
        if (x < 2 * z || y < 2 * z || x > appState.viewWidth - 2 * z || y > appState.viewHeight - 2 * z) continue;
        appState.showFieldLines = 1, appState.showRefPoints = 0;
        const unsigned char* f = frame(&fw, &fh);
        if (appState.refWorldZ[i] == 0) {
          EXPECT_GT(around(f, fw, fh, x, y, 2 * z, red), 0) << when << ": no line on landmark " << i;
        }
        appState.showFieldLines = 0, appState.showRefPoints = 1;
        f = frame(&fw, &fh);
        EXPECT_GE(around(f, fw, fh, x, y, z, yellow), 3) << when << ": no cross on reference " << i;
        ++checked;
        inView = i;
      }
      EXPECT_GE(checked, 1) << when;
    };
    expect_in_register("first view");
    for (int zoom : {2, 4, 8}) {
      ASSERT_GE(inView, 0);
      double x, y;
      canvas_of(appState.refImageX[inView], appState.refImageY[inView], appState.viewHeight, &x, &y);
      zoom_to(zoom, static_cast<int>(x), static_cast<int>(y));
      expect_in_register(("x" + std::to_string(zoom)).c_str());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ViewTest, ::testing::Values(Size{641, 481}, Size{160, 120}, Size{1920, 1080}));

TEST_F(AppTest, MagnifierShowsAnotherPixelOrCoversThePointer) {
  load_picture(640, 480, true);
  int fw = 0, fh = 0;
  for (int zoom : {1, 4}) {
    zoom_to(zoom, 320, 240);
    for (int mode : {MODE_ADD_REFERENCE, MODE_POINT_DISTANCE, MODE_PARALLEL_DISTANCE}) {
      appState.interactionMode = mode;
      for (const auto& p : {std::pair<int, int>{50, 60}, {600, 40}, {30, 440}, {610, 455}, {0, 0}}) {
        SCOPED_TRACE("x" + std::to_string(zoom) + " mode " + std::to_string(mode) + " pointer " +
                     std::to_string(p.first) + "," + std::to_string(p.second));
        TukHeadlessMouseMove(appState.imageCanvas, p.first, p.second, 0);
        TukFlush();
        const unsigned char* f = frame(&fw, &fh);
        int col = -1, row = -1;
        decode(at(f, fw, fh, p.first, p.second), &col, &row);
        MagnifierPlace m;
        ASSERT_EQ(magnifier_place(p.first, p.second, fw, fh, &m), 1);
        EXPECT_EQ(m.scale, 8) << "a 640 x 480 canvas has room for the larger magnifier";
        // the square lies in the half away from the pointer each way
        EXPECT_TRUE(p.first < fw / 2 ? m.x >= fw / 2 : m.x + m.side <= fw / 2);
        EXPECT_TRUE(p.second < fh / 2 ? fh - (m.y + m.side) >= fh / 2 : m.y >= fh / 2);
        // its middle block, inside the outline, is the pointer's pixel
        const int half = MAGNIFIER_SPAN / 2;
        for (int k = 0; k < m.scale; ++k) {
          int c = -1, r = -1;
          decode(at(f, fw, fh, m.x + half * m.scale + k, fh - 1 - (m.y + half * m.scale) - k), &c, &r);
          EXPECT_EQ(c * 10000 + r, col * 10000 + row);
        }
      }
    }
    // in the other modes, and once the pointer has left, the canvas is the picture alone
    appState.interactionMode = MODE_NONE;
    const unsigned char* plain = frame(&fw, &fh);
    const std::vector<unsigned char> picture(plain, plain + 3 * fw * fh);
    for (int mode : {MODE_ADD_OBJECT, MODE_ADD_REFERENCE}) {
      appState.interactionMode = mode;
      TukHeadlessMouseMove(appState.imageCanvas, 50, 60, 0);
      TukFlush();
      if (mode == MODE_ADD_REFERENCE) leave_cb(appState.imageCanvas);
      EXPECT_TRUE(std::equal(picture.begin(), picture.end(), frame(&fw, &fh))) << "mode " << mode << " x" << zoom;
    }
  }
}

TEST_F(AppTest, ClickBesideANarrowPictureStoresAPixelItDoesNotHave) {
  load_picture(160, 120, true);
  int dw = 0, dh = 0, fw = 0, fh = 0;
  TukNaturalSize(appState.mainDialog, &dw, &dh);
  EXPECT_EQ(dw, kMenuWidth + 8) << "the window keeps the menu bar's width";
  const unsigned char* f = frame(&fw, &fh);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fw * 10000 + fh, kMenuWidth * 10000 + 120);
  int col = -1, row = -1;  // the picture at the left
  decode(at(f, fw, fh, 159, 0), &col, &row);
  EXPECT_EQ(col * 10000 + row, 159 * 10000 + 119);
  // a click there, in every mode, stores nothing and opens nothing
  for (int mode : {MODE_ADD_REFERENCE, MODE_ADD_OBJECT, MODE_POINT_DISTANCE, MODE_PARALLEL_DISTANCE}) {
    appState.interactionMode = mode;
    for (int x : {160, 230, fw - 1}) click(x, 60);
  }
  EXPECT_EQ(g_landmarkPopups + g_listsSeen + appState.measureClicks, 0);
  appState.interactionMode = MODE_POINT_DISTANCE;  // the picture's last column still counts
  click(159, 119);
  EXPECT_EQ(appState.measureClicks, 1);
  EXPECT_EQ(appState.measureX1 * 10000 + appState.measureY1, 1590000);
}

// As a picture named on the command line loads: before the window is first shown.
TEST_F(HeadlessTest, PictureLoadedBeforeTheWindowShowsMissesTheLaidOutCanvas) {
  build_interface();
  register_callbacks();
  const std::string path = std::string(VARNESK_BINARY_DIR) + "/app_start_160x120.bmp";
  write_bmp(path, 160, 120, true);
  TukHeadlessAnswerFile(path.c_str());
  load_imag_cb(nullptr, 0);
  TukShow(appState.mainDialog);
  EXPECT_EQ(appState.viewWidth * 10000 + appState.viewHeight, kMenuWidth * 10000 + 120);
  appState.zoom = 2;
  clamp_pan();
  EXPECT_EQ(visible_columns(), kMenuWidth / 2) << "the pan may not run past the picture's right edge";
}

}  // namespace
