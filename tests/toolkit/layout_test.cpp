// Layout on the headless metrics: characters 7 x 13 pixels, screen 1280 x 1024, dialog
// decoration 8 x 28 (48 high with a menu bar), button border 8 x 8.
#include "tuk_fixture.h"

namespace {

TEST_F(TukTest, SizeUnitsRoundedMenuBarLeftOutOrMalformedSizesTrusted) {
  const struct { TukKind kind; const char* size; const char* raster; int w, h; } cases[] = {
      {TUK_KIND_BUTTON, "40x0", nullptr, 70, 21},     // 40 quarters of 7; the height stays natural
      {TUK_KIND_LABEL, "40x40", "0x50", 28, 50},      // RASTERSIZE wins; its 0 leaves the width
      {TUK_KIND_CANVAS, nullptr, nullptr, 14, 26},    // two characters each way
      {TUK_KIND_DIALOG, "100x60", nullptr, 183, 145},  // 25 x 7 + 8 by 97.5, truncated, + 48
      {TUK_KIND_DIALOG, nullptr, "halfxQuarter", 640, 256},  // of the screen, decoration included
  };
  TukSetHandle("main_menu", TukMenu(TukItem("Exit", "exit_cb"), nullptr));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    TukHandle e = c.kind == TUK_KIND_BUTTON  ? TukButton("Confirma", nullptr)
                  : c.kind == TUK_KIND_LABEL ? TukLabel("abcd")
                  : c.kind == TUK_KIND_CANVAS ? TukCanvas(nullptr)
                                              : TukDialog(nullptr);
    TukSetAttribute(e, "SIZE", c.size);
    TukSetAttribute(e, "RASTERSIZE", c.raster);
    TukSetAttribute(e, "MENU", c.kind == TUK_KIND_DIALOG ? "main_menu" : nullptr);  // a menu bar: 20 more
    if (c.kind == TUK_KIND_DIALOG) tuk_layout_dialog(e);
    else tuk_natural_size(e, TUK_KIND_UNKNOWN);
    EXPECT_EQ(std::to_string(e->natural_w) + "x" + std::to_string(e->natural_h), std::to_string(c.w) + "x" + std::to_string(c.h));
  }
  TukHandle label = TukLabel("abcd");
  for (const char* size : {"abc", "12x", "x7", "-5x3", "", "1x2x3", "12 x 3", "99999999999"}) {
    TukSetAttribute(label, "SIZE", size);
    tuk_natural_size(label, TUK_KIND_UNKNOWN);
    EXPECT_EQ(label->natural_w * 100 + label->natural_h, 2813) << "natural size kept for " << size;
  }
}

}  // namespace
