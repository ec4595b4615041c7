// Layout on the headless metrics: characters 7 x 13 pixels, screen 1280 x 1024, dialog
// decoration 8 x 28 (48 high with a menu bar), button border 8 x 8.
#include "tuk_fixture.h"

namespace {

struct Box {
  int x, y, w, h;
};

Box geometry(TukHandle e) { return Box{e->x, e->y, e->current_w, e->current_h}; }

void expect_box(TukHandle e, Box want, const char* what) {
  const Box got = geometry(e);
  EXPECT_EQ(got.x, want.x) << what;
  EXPECT_EQ(got.y, want.y) << what;
  EXPECT_EQ(got.w, want.w) << what;
  EXPECT_EQ(got.h, want.h) << what;
}

TukHandle sized_fill(const char* size) {
  TukHandle f = TukFill();
  TukStoreAttribute(f, "SIZE", size);
  return f;
}

TEST_F(TukTest, SizeInCharacterUnitsTruncates) {
  // "100x60" on a dialog: 25 average widths by 7.5 character heights, truncated
  TukHandle dialog = TukDialog(nullptr);
  TukSetAttribute(dialog, "SIZE", "100x60");
  tuk_layout_dialog(dialog);
  EXPECT_EQ(dialog->natural_w, 25 * 7 + 8);
  EXPECT_EQ(dialog->natural_h, 97 + 28);  // 7.5 x 13 = 97.5

  // "40x0" on a button fixes the width only: the height is the text's plus the border
  TukHandle ok = TukButton("Confirma", nullptr);
  TukSetAttribute(ok, "SIZE", "40x0");
  tuk_natural_size(ok, TUK_KIND_UNKNOWN);
  EXPECT_EQ(ok->natural_w, 70);
  EXPECT_EQ(ok->natural_h, 13 + 8);
  TukSetAttribute(ok, "SIZE", nullptr);
  tuk_natural_size(ok, TUK_KIND_UNKNOWN);
  EXPECT_EQ(ok->natural_w, 8 * 7 + 8);
}

TEST_F(TukTest, MalformedSizesFallBackToNaturalSize) {
  TukHandle label = TukLabel("abcd");
  const char* bad[] = {"abc", "12x", "x7", "-5x3", "", "1x2x3", "12 x 3", "99999999999"};
  for (const char* size : bad) {
    TukSetAttribute(label, "SIZE", size);
    tuk_natural_size(label, TUK_KIND_UNKNOWN);
    EXPECT_EQ(label->natural_w, 28) << size;
    EXPECT_EQ(label->natural_h, 13) << size;
  }
  TukSetAttribute(label, "SIZE", nullptr);
  // RASTERSIZE wins over SIZE; a 0 part leaves that dimension natural
  TukSetAttribute(label, "SIZE", "40x40");
  TukSetAttribute(label, "RASTERSIZE", "0x50");
  tuk_natural_size(label, TUK_KIND_UNKNOWN);
  EXPECT_EQ(label->natural_w, 28);
  EXPECT_EQ(label->natural_h, 50);
  // a canvas without a size gets two characters each way
  TukHandle canvas = TukCanvas(nullptr);
  tuk_natural_size(canvas, TUK_KIND_UNKNOWN);
  EXPECT_EQ(canvas->natural_w, 14);
  EXPECT_EQ(canvas->natural_h, 26);
}

TEST_F(TukTest, DialogScreenFractionsAndPlacement) {
  TukHandle dialog = TukDialog(TukCanvas(nullptr));
  TukSetAttribute(dialog, "RASTERSIZE", "halfxQuarter");
  tuk_layout_dialog(dialog);
  // the whole window, decoration included, is the fraction of the screen
  EXPECT_EQ(dialog->natural_w, 640);
  EXPECT_EQ(dialog->natural_h, 256);
  TukSetAttribute(dialog, "RASTERSIZE", "EIGHTH");
  tuk_layout_dialog(dialog);
  EXPECT_EQ(dialog->natural_w, 160);
  EXPECT_EQ(dialog->natural_h, 26 + 28);  // height from the child

  TukSetAttribute(dialog, "RASTERSIZE", "301x101");
  tuk_layout_dialog(dialog);
  const int w = 309, h = 129;
  int x = 0, y = 0;
  tuk_place_dialog(dialog, TUK_CENTER, TUK_CENTER, &x, &y);
  EXPECT_EQ(x, (1280 - w) / 2);
  EXPECT_EQ(y, (1024 - h) / 2);
  tuk_place_dialog(dialog, TUK_LEFT, TUK_RIGHT, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 1024 - h);
  tuk_place_dialog(dialog, TUK_RIGHT, 33, &x, &y);
  EXPECT_EQ(x, 1280 - w);
  EXPECT_EQ(y, 33);
  // TukShow always centres
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
  EXPECT_EQ(dialog->x, (1280 - w) / 2);
  EXPECT_EQ(attr(dialog, "X"), std::to_string((1280 - w) / 2));
}

TEST_F(TukTest, MenuBarAddsToTheDialog) {
  TukHandle menu = TukMenu(TukItem("Exit", "exit_cb"), nullptr);
  TukSetHandle("main_menu", menu);
  TukHandle dialog = TukDialog(nullptr);
  TukSetAttribute(dialog, "RASTERSIZE", "100x100");
  TukSetAttribute(dialog, "MENU", "main_menu");
  tuk_layout_dialog(dialog);
  EXPECT_EQ(dialog->natural_h, 100 + 48);
  TukSetAttribute(dialog, "MENU", "no_such_menu");
  tuk_layout_dialog(dialog);
  EXPECT_EQ(dialog->natural_h, 100 + 28);
}

TEST_F(TukTest, BoxSharesLeftoverRoomEquallyAmongGrowers) {
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
  expect_box(box, {0, 0, 101, 40}, "box");
  expect_box(a, {0, 0, 45, 40}, "a");
  expect_box(lazy, {45, 0, 0, 0}, "fill");
  expect_box(b, {45, 0, 10, 40}, "b grows only up and down");
  expect_box(c, {55, 0, 45, 40}, "c");

  TukSetAttribute(a, "EXPAND", "NO");
  TukSetAttribute(c, "EXPAND", "NO");
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
  // nothing else grows sideways now: the fill takes the room
  expect_box(a, {0, 0, 10, 10}, "a fixed");
  expect_box(lazy, {10, 0, 71, 0}, "fill grows");
  expect_box(b, {81, 0, 10, 40}, "b");
  expect_box(c, {91, 0, 10, 10}, "c fixed");
}

TEST_F(TukTest, MarginGapAndFrameTitle) {
  TukHandle one = TukLabel("ab");
  TukHandle two = TukLabel("abcd");
  TukHandle box = TukVbox(one, two, nullptr);
  TukSetAttribute(box, "MARGIN", "5x3");
  TukSetAttribute(box, "GAP", "4");
  TukHandle frame = TukFrame(box);
  TukSetAttribute(frame, "TITLE", "Frame");
  tuk_natural_size(frame, TUK_KIND_UNKNOWN);
  EXPECT_EQ(box->natural_w, 28 + 10);
  EXPECT_EQ(box->natural_h, 13 + 4 + 13 + 6);
  EXPECT_EQ(frame->natural_w, 38 + 4);
  EXPECT_EQ(frame->natural_h, 36 + 4 + 13);
  TukHandle dialog = TukDialog(frame);
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
  expect_box(box, {2, 2 + 13, 38, 36}, "box inside the titled frame");
  expect_box(one, {7, 18, 14, 13}, "first label");
  expect_box(two, {7, 18 + 13 + 4, 28, 13}, "second label");
}

TEST_F(TukTest, ABoxGrowsOnlyWhenAChildDoes) {
  TukHandle label = TukLabel("x");
  TukHandle box = TukHbox(label, nullptr);
  tuk_natural_size(box, TUK_KIND_UNKNOWN);
  EXPECT_EQ(box->expand, 0) << "a box of fixed-size children stays put";
  TukHandle canvas = TukCanvas(nullptr);
  TukSetAttribute(canvas, "EXPAND", "HORIZONTAL");
  TukHandle box2 = TukVbox(canvas, nullptr);
  tuk_natural_size(box2, TUK_KIND_UNKNOWN);
  EXPECT_EQ(box2->expand, TUK_EXPAND_HORIZONTAL);
  TukSetAttribute(box2, "EXPAND", "NO");
  tuk_natural_size(box2, TUK_KIND_UNKNOWN);
  EXPECT_EQ(box2->expand, 0);
}

// The list dialog's tree, built as the list dialog builds it for the title
// "Escolha a cor do time A" (23 characters), five items, 10 columns and 5 lines.
TEST_F(TukTest, ListDialogTreeLaysOutAsDerivedByHand) {
  TukHandle list = TukList("tuk_cb_lista");
  const char* items[] = {"Red", "Green", "Blue", "Yellow", "Gray"};
  char names[5][2] = {"1", "2", "3", "4", "5"};
  for (int i = 0; i < 5; ++i) TukSetAttribute(list, names[i], items[i]);
  TukSetAttribute(list, "SIZE", "50x49");  // 10 x 5 by 5 x 9 + 4
  TukHandle ok = TukButton("Confirma", "tuk_cb_ok");
  TukHandle cancel = TukButton("Cancela", "tuk_cb_cancela");
  TukSetAttribute(ok, "SIZE", "40x0");
  TukSetAttribute(cancel, "SIZE", "40x0");
  TukHandle f[6];
  TukHandle row_fill[5];
  for (TukHandle& e : row_fill) e = TukFill();
  TukHandle row1 = TukHbox(row_fill[0], sized_fill("10"), list, row_fill[1], sized_fill("10"), nullptr);
  TukHandle row2 = TukHbox(row_fill[2], ok, row_fill[3], cancel, row_fill[4], nullptr);
  for (int i = 0; i < 6; i += 2) {
    f[i] = TukFill();
    f[i + 1] = sized_fill("10");
  }
  TukHandle column = TukVbox(f[0], f[1], row1, f[2], f[3], row2, f[4], f[5], nullptr);
  TukHandle frame = TukFrame(column);
  TukHandle dialog = TukDialog(frame);
  TukSetAttribute(dialog, "SIZE", "112");  // (23 + 1) x 4 + 16, width only
  TukSetAttribute(dialog, "TITLE", "Escolha a cor do time A");
  ASSERT_EQ(TukShow(dialog), TUK_NOERROR);

  // natural sizes: list 50x49 -> 87 x 79 (87.5, 79.625); buttons 70 x 21; fill "10" is
  // 17 wide in a row (17.5) and 16 high in the column (16.25)
  EXPECT_EQ(list->natural_w, 87);
  EXPECT_EQ(list->natural_h, 79);
  EXPECT_EQ(row1->natural_w, 17 + 87 + 17);
  EXPECT_EQ(row2->natural_w, 70 + 70);
  EXPECT_EQ(column->natural_w, 140);
  EXPECT_EQ(column->natural_h, 16 + 79 + 16 + 21 + 16);  // 148
  EXPECT_EQ(frame->natural_w, 144);
  // the dialog's own width, 112 x 7 / 4 = 196, beats the frame's 144
  EXPECT_EQ(dialog->natural_w, 196 + 8);
  EXPECT_EQ(dialog->natural_h, 152 + 28);
  EXPECT_EQ(dialog->x, (1280 - 204) / 2);
  EXPECT_EQ(dialog->y, (1024 - 180) / 2);

  expect_box(frame, {0, 0, 196, 152}, "frame fills the client area");
  expect_box(column, {2, 2, 192, 148}, "column inside the frame");
  // no height is left over in the column; the rows take its full width
  expect_box(f[0], {2, 2, 0, 0}, "top fill");
  expect_box(f[1], {2, 2, 0, 16}, "top fill 10");
  expect_box(row1, {2, 18, 192, 79}, "list row");
  expect_box(f[3], {2, 97, 0, 16}, "middle fill 10");
  expect_box(row2, {2, 113, 192, 21}, "button row");
  expect_box(f[5], {2, 134, 0, 16}, "bottom fill 10");
  // list row: 192 - 121 = 71 over the two fills without size, 35 each
  expect_box(row_fill[0], {2, 18, 35, 0}, "left fill");
  expect_box(list, {54, 18, 87, 79}, "list");
  expect_box(row_fill[1], {141, 18, 35, 0}, "right fill");
  // button row: 192 - 140 = 52 over three fills, 17 each
  expect_box(ok, {19, 113, 70, 21}, "ok");
  expect_box(row_fill[3], {89, 113, 17, 0}, "fill between the buttons");
  expect_box(cancel, {106, 113, 70, 21}, "cancel");
  expect_box(row_fill[4], {176, 113, 17, 0}, "right fill of the buttons");
}

}  // namespace
