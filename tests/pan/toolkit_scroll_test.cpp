// The toolkit's part of panning, on the headless driver: a canvas resized while its dialog is
// on screen, and canvas scroll bars (room in the layout, client size, the SCROLL event).
#include <gtest/gtest.h>

#include <string>

#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_gl.h"
#include "toolkit/tuk_internal.h"

namespace {

struct Seen {
  int resize_w = -1, resize_h = -1;
  double scroll_x = -1, scroll_y = -1;
  int scrolls = 0, paints = 0;
} g_seen;

int on_resize(TukHandle, int w, int h) {
  g_seen.resize_w = w;
  g_seen.resize_h = h;
  return TUK_DEFAULT;
}
int on_scroll(TukHandle, double x, double y) {
  g_seen.scroll_x = x;
  g_seen.scroll_y = y;
  ++g_seen.scrolls;
  return TUK_DEFAULT;
}
int on_paint(TukHandle, double, double) {
  ++g_seen.paints;
  return TUK_DEFAULT;
}

class CanvasScrollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = Seen{};
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
    TukGLCanvasOpen();
    TukSetFunction("on_paint", TukCallbackOf(on_paint));
    canvas_ = TukGLCanvas("on_paint");
    TukSetAttribute(canvas_, "RASTERSIZE", "200x100");
    dialog_ = TukDialog(TukVbox(canvas_, nullptr));
  }
  void TearDown() override { TukClose(); }

  void client(int* w, int* h) { tuk_canvas_client_size(canvas_, w, h); }

  TukHandle canvas_ = nullptr;
  TukHandle dialog_ = nullptr;
};

TEST_F(CanvasScrollTest, refresh_gives_a_shown_dialog_the_canvas_new_size) {
  TukShow(dialog_);
  int w = 0, h = 0;
  tuk_element_geometry(dialog_, nullptr, nullptr, &w, &h);
  EXPECT_EQ(w, 200 + 8);
  EXPECT_EQ(h, 100 + 28);
  TukSetFunction("on_resize", TukCallbackOf(on_resize));
  TukSetAttribute(canvas_, "RESIZE_CB", "on_resize");
  TukSetAttribute(canvas_, "RASTERSIZE", "300x150");
  // nothing moves until the layout runs again
  tuk_element_geometry(dialog_, nullptr, nullptr, &w, &h);
  EXPECT_EQ(w, 208);
  EXPECT_EQ(TukRefresh(canvas_), TUK_NOERROR);
  tuk_element_geometry(dialog_, nullptr, nullptr, &w, &h);
  EXPECT_EQ(w, 300 + 8);
  EXPECT_EQ(h, 150 + 28);
  EXPECT_EQ(g_seen.resize_w, 300);
  EXPECT_EQ(g_seen.resize_h, 150);
  // a shown dialog is centred again on the 1280 x 1024 screen
  int x = 0, y = 0;
  tuk_element_geometry(dialog_, &x, &y, nullptr, nullptr);
  EXPECT_EQ(x, (1280 - 308) / 2);
  EXPECT_EQ(y, (1024 - 178) / 2);
  // the drawable follows: the frame has the new size
  TukGLMakeCurrent(canvas_);
  TukGLSwapBuffers(canvas_);
  int fw = 0, fh = 0;
  ASSERT_NE(TukHeadlessFrame(canvas_, &fw, &fh), nullptr);
  EXPECT_EQ(fw, 300);
  EXPECT_EQ(fh, 150);
}

TEST_F(CanvasScrollTest, refresh_refuses_what_is_not_mapped) {
  EXPECT_EQ(TukRefresh(nullptr), TUK_ERROR);
  EXPECT_EQ(TukRefresh(canvas_), TUK_ERROR);  // its dialog was never shown
}

TEST_F(CanvasScrollTest, scroll_bars_take_room_beside_the_drawing_area) {
  int nw = 0, nh = 0;
  TukNaturalSize(canvas_, &nw, &nh);
  EXPECT_EQ(nw, 200);
  EXPECT_EQ(nh, 100);
  TukSetAttribute(canvas_, "SCROLLBAR", "yes");
  TukNaturalSize(canvas_, &nw, &nh);
  EXPECT_EQ(nw, 200 + 16);
  EXPECT_EQ(nh, 100 + 16);
  TukNaturalSize(dialog_, &nw, &nh);
  EXPECT_EQ(nw, 216 + 8);
  EXPECT_EQ(nh, 116 + 28);
  TukShow(dialog_);
  int w = 0, h = 0;
  client(&w, &h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 100);
  TukGLMakeCurrent(canvas_);
  TukGLSwapBuffers(canvas_);
  int fw = 0, fh = 0;
  ASSERT_NE(TukHeadlessFrame(canvas_, &fw, &fh), nullptr);
  EXPECT_EQ(fw, 200) << "the GL drawable excludes the bars";
  EXPECT_EQ(fh, 100);
}

TEST_F(CanvasScrollTest, a_moved_bar_stores_the_position_and_calls_scroll_cb) {
  TukSetAttribute(canvas_, "SCROLLBAR", "YES");
  TukShow(dialog_);
  TukFlush();
  const int paints = g_seen.paints;
  // without SCROLL_CB the canvas is repainted with the new position
  TukHeadlessScroll(canvas_, 30, 7);
  TukFlush();
  EXPECT_EQ(std::string(TukGetAttribute(canvas_, "POSX")), "30");
  EXPECT_EQ(std::string(TukGetAttribute(canvas_, "POSY")), "7");
  EXPECT_EQ(g_seen.paints, paints + 1);
  TukSetFunction("on_scroll", TukCallbackOf(on_scroll));
  TukSetAttribute(canvas_, "SCROLL_CB", "on_scroll");
  TukHeadlessScroll(canvas_, 12, 40);
  TukFlush();
  EXPECT_EQ(g_seen.scrolls, 1);
  EXPECT_EQ(g_seen.scroll_x, 12.0);
  EXPECT_EQ(g_seen.scroll_y, 40.0);
  EXPECT_EQ(std::string(TukGetAttribute(canvas_, "POSX")), "12");
}

}  // namespace
