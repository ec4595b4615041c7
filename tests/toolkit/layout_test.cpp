// Layout on the headless metrics: characters 7 x 13 pixels, screen 1280 x 1024, dialog
// decoration 8 x 28 (48 high with a menu bar), button border 8 x 8.
#include "tuk_fixture.h"

namespace {

TEST_F(TukTest, SizeUnitsRoundedOrMalformedSizesTrusted) {
  const struct {
    TukKind kind;
    const char* size;
    const char* raster;
    int w, h;
  } cases[] = {
      {TUK_KIND_BUTTON, "40x0", nullptr, 70, 21},  // 40 quarters of 7: the height stays natural
      {TUK_KIND_BUTTON, nullptr, nullptr, 8 * 7 + 8, 21},
      {TUK_KIND_LABEL, "40x40", "0x50", 28, 50},  // RASTERSIZE wins; its 0 leaves the width
      {TUK_KIND_CANVAS, nullptr, nullptr, 14, 26},  // two characters each way
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size ? c.size : "(none)");
    TukHandle e = c.kind == TUK_KIND_BUTTON  ? TukButton("Confirma", nullptr)
                  : c.kind == TUK_KIND_LABEL ? TukLabel("abcd")
                                             : TukCanvas(nullptr);
    TukSetAttribute(e, "SIZE", c.size);
    TukSetAttribute(e, "RASTERSIZE", c.raster);
    tuk_natural_size(e, TUK_KIND_UNKNOWN);
    EXPECT_EQ(e->natural_w, c.w);
    EXPECT_EQ(e->natural_h, c.h);
  }
  TukHandle label = TukLabel("abcd");
  for (const char* size : {"abc", "12x", "x7", "-5x3", "", "1x2x3", "12 x 3", "99999999999"}) {
    TukSetAttribute(label, "SIZE", size);
    tuk_natural_size(label, TUK_KIND_UNKNOWN);
    EXPECT_EQ(label->natural_w * 100 + label->natural_h, 2813) << "natural size kept for " << size;
  }
}

TEST_F(TukTest, DialogSizeLeavesOutTheDecorationOrMisplacesTheWindow) {
  TukSetHandle("main_menu", TukMenu(TukItem("Exit", "exit_cb"), nullptr));
  TukHandle dialog = TukDialog(TukCanvas(nullptr));
  const struct {
    const char* size;
    const char* raster;
    const char* menu;
    int w, h;
  } cases[] = {
      {"100x60", nullptr, nullptr, 25 * 7 + 8, 97 + 28},  // 7.5 x 13 = 97.5, truncated
      {nullptr, "halfxQuarter", nullptr, 640, 256},      // the whole window is the fraction
      {nullptr, "EIGHTH", nullptr, 160, 26 + 28},        // the height from the child
      {nullptr, "100x100", "main_menu", 108, 100 + 48},
      {nullptr, "100x100", "no_such_menu", 108, 100 + 28},
      {nullptr, "301x101", nullptr, 309, 129},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size ? c.size : c.raster);
    TukSetAttribute(dialog, "SIZE", c.size);
    TukSetAttribute(dialog, "RASTERSIZE", c.raster);
    TukSetAttribute(dialog, "MENU", c.menu);
    tuk_layout_dialog(dialog);
    EXPECT_EQ(dialog->natural_w, c.w);
    EXPECT_EQ(dialog->natural_h, c.h);
  }
  const int w = 309, h = 129;
  const struct {
    int x, y, sx, sy;
  } places[] = {{TUK_CENTER, TUK_CENTER, (1280 - w) / 2, (1024 - h) / 2},
                {TUK_LEFT, TUK_RIGHT, 0, 1024 - h},
                {TUK_RIGHT, 33, 1280 - w, 33}};
  for (const auto& p : places) {
    int x = 0, y = 0;
    tuk_place_dialog(dialog, p.x, p.y, &x, &y);
    EXPECT_EQ(x, p.sx) << p.x;
    EXPECT_EQ(y, p.sy) << p.y;
  }
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
  EXPECT_EQ(attr(dialog, "X"), std::to_string((1280 - w) / 2)) << "TukShow always centres";
}

TEST_F(TukTest, LeftoverRoomGoesToTheWrongChildren) {
  // RASTERSIZE on the box makes 101 pixels of room for three canvases of 10: 71 left over
  // for the two that grow sideways, 35 each (one pixel lost); a fill without size gets
  // nothing while something else grows
  TukHandle a = TukCanvas(nullptr), b = TukCanvas(nullptr), c = TukCanvas(nullptr);
  TukHandle lazy = TukFill();
  for (TukHandle e : {a, b, c}) TukSetAttribute(e, "RASTERSIZE", "10x10");
  TukSetAttribute(b, "EXPAND", "VERTICAL");  // any value but YES, NO, HORIZONTAL: up and down
  TukHandle box = TukHbox(a, lazy, b, c, nullptr);
  TukSetAttribute(box, "RASTERSIZE", "101x40");
  TukHandle dialog = TukDialog(box);
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
  EXPECT_EQ(box_of(box), (std::vector<int>{0, 0, 101, 40}));
  EXPECT_EQ(box_of(a), (std::vector<int>{0, 0, 45, 40}));
  EXPECT_EQ(box_of(lazy), (std::vector<int>{45, 0, 0, 0}));
  EXPECT_EQ(box_of(b), (std::vector<int>{45, 0, 10, 40})) << "b grows only up and down";
  EXPECT_EQ(box_of(c), (std::vector<int>{55, 0, 45, 40}));
  // nothing else grows sideways now: the fill takes the room
  TukSetAttribute(a, "EXPAND", "NO");
  TukSetAttribute(c, "EXPAND", "NO");
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
  EXPECT_EQ(box_of(a), (std::vector<int>{0, 0, 10, 10}));
  EXPECT_EQ(box_of(lazy), (std::vector<int>{10, 0, 71, 0}));
  EXPECT_EQ(box_of(b), (std::vector<int>{81, 0, 10, 40}));
  EXPECT_EQ(box_of(c), (std::vector<int>{91, 0, 10, 10}));
  // a box grows only when a child does, and EXPAND NO on it wins
  TukHandle fixed = TukHbox(TukLabel("x"), nullptr);
  TukHandle canvas = TukCanvas(nullptr);
  TukSetAttribute(canvas, "EXPAND", "HORIZONTAL");
  TukHandle growing = TukVbox(canvas, nullptr);
  tuk_natural_size(fixed, TUK_KIND_UNKNOWN);
  tuk_natural_size(growing, TUK_KIND_UNKNOWN);
  EXPECT_EQ(fixed->expand, 0);
  EXPECT_EQ(growing->expand, TUK_EXPAND_HORIZONTAL);
  TukSetAttribute(growing, "EXPAND", "NO");
  tuk_natural_size(growing, TUK_KIND_UNKNOWN);
  EXPECT_EQ(growing->expand, 0);
}

}  // namespace
