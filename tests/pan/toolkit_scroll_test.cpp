// The toolkit's part of panning, on the headless driver: a canvas resized while its dialog is
// on screen, canvas scroll bars (room in the layout, client size, the SCROLL event) and the
// mouse wheel. (A dialog as wide as its menu bar is checked on the main window, tests/zoom.)
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
  int wheels = 0, wheel_x = -1, wheel_y = -1;
  double wheel_delta = 0;
  std::string wheel_status;
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
int on_wheel(TukHandle, double delta, int x, int y, char* status) {
  ++g_seen.wheels;
  g_seen.wheel_delta = delta;
  g_seen.wheel_x = x;
  g_seen.wheel_y = y;
  g_seen.wheel_status = status;
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

TEST_F(CanvasScrollTest, refresh_of_the_same_size_leaves_the_window_where_it_is) {
  TukShow(dialog_);
  // the user moved the window; bars that take their room from the drawing area keep its size
  tuk_driver()->show(dialog_, 10, 20);
  TukElement* d = dialog_;
  d->x = 10;
  d->y = 20;
  TukSetAttribute(canvas_, "SCROLLBAR", "YES");
  TukSetAttribute(canvas_, "RASTERSIZE", "184x84");
  EXPECT_EQ(TukRefresh(canvas_), TUK_NOERROR);
  int x = 0, y = 0, w = 0, h = 0;
  tuk_element_geometry(dialog_, &x, &y, &w, &h);
  EXPECT_EQ(w, 208);
  EXPECT_EQ(h, 128);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
  int cw = 0, ch = 0;
  client(&cw, &ch);
  EXPECT_EQ(cw, 184);
  EXPECT_EQ(ch, 84);
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

TEST_F(CanvasScrollTest, wheel_without_a_callback_moves_the_bars_a_tenth_of_the_part_shown) {
  for (const char* a : {"SCROLLBAR=YES", "XMAX=1000", "DX=200", "YMAX=500", "DY=100"}) {
    const std::string kv = a;
    TukStoreAttribute(canvas_, kv.substr(0, kv.find('=')).c_str(), kv.substr(kv.find('=') + 1).c_str());
  }
  TukSetFunction("on_scroll", TukCallbackOf(on_scroll));
  TukSetAttribute(canvas_, "SCROLL_CB", "on_scroll");
  TukShow(dialog_);
  struct Turn {
    int notches_x, notches_y, modifiers;
    int posx, posy;  // where the bars are afterwards
  };
  const Turn turns[] = {
      {0, -2, 0, 0, 20},               // towards the user: down, 10 rows a notch
      {0, 5, 0, 0, 0},                 // away, stopped at the top
      {0, -1, TUK_MOD_SHIFT, 20, 0},   // with shift: right
      {100, 0, 0, 800, 0},             // a horizontal wheel, stopped at the right end
      {0, -1000000, 0, 800, 400},      // no overflow, stopped at the bottom
  };
  for (const Turn& t : turns) {
    TukHeadlessWheel(canvas_, t.notches_x, t.notches_y, 10, 10, t.modifiers);
    TukFlush();
    EXPECT_EQ(TukGetInt(canvas_, "POSX"), t.posx) << t.notches_x << "," << t.notches_y;
    EXPECT_EQ(TukGetInt(canvas_, "POSY"), t.posy) << t.notches_x << "," << t.notches_y;
    EXPECT_EQ(g_seen.scroll_x, t.posx);
    EXPECT_EQ(g_seen.scroll_y, t.posy);
  }
  EXPECT_EQ(g_seen.scrolls, 5);
  // at the bottom already: nothing moves, nothing is reported
  TukHeadlessWheel(canvas_, 0, -1, 10, 10, 0);
  TukFlush();
  EXPECT_EQ(g_seen.scrolls, 5);
}

TEST_F(CanvasScrollTest, wheel_callback_takes_the_vertical_wheel_with_pointer_and_modifiers) {
  TukStoreAttribute(canvas_, "SCROLLBAR", "YES");
  TukStoreAttribute(canvas_, "YMAX", "500");
  TukStoreAttribute(canvas_, "DY", "100");
  TukSetFunction("on_wheel", TukCallbackOf(on_wheel));
  TukSetAttribute(canvas_, "WHEEL_CB", "on_wheel");
  TukShow(dialog_);
  TukHeadlessWheel(canvas_, 0, 3, 40, 50, TUK_MOD_CONTROL);
  TukFlush();
  EXPECT_EQ(g_seen.wheels, 1);
  EXPECT_EQ(g_seen.wheel_delta, 3.0);
  EXPECT_EQ(g_seen.wheel_x, 40);
  EXPECT_EQ(g_seen.wheel_y, 50);
  EXPECT_EQ(g_seen.wheel_status.substr(0, 2), " C");
  EXPECT_EQ(TukGetInt(canvas_, "POSY"), 0) << "the callback took the turn: the bars stay";
  EXPECT_EQ(g_seen.scrolls, 0);
}

}  // namespace
