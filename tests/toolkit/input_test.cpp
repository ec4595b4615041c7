// Keys and mouse buttons: translation, lookup order, capture; lists, paints, focus, resizes.
#include "tuk_fixture.h"

#include <cstdio>
#include <thread>

namespace {

TEST(KeyTable, ModifierOrderOrShiftedRowsGiveTheWrongCode) {
  enum { S = TUK_MOD_SHIFT, C = TUK_MOD_CONTROL, A = TUK_MOD_ALT };
  const struct { int sym, mods, code; const char* name; } cases[] = {
      {'a', 0, 97, "K_a"}, {'z', S, 90, "K_Z"}, {'c', S, 67, "K_C"}, {'a', C, 1, "K_cA"}, {'z', C, 26, "K_cZ"},
      {'c', C | S, 3, "K_cC"}, {'c', A | C | S, K_mC, "K_mC"},  // alt before control before shift
      {'1', S, '!', "K_exclam"}, {'0', A, 385, "K_m0"}, {'9', 0, 57, "K_9"}, {' ', 0, 32, "K_SP"},
      {TUK_KS_ENTER, 0, 13, "K_CR"}, {TUK_KS_ESCAPE, 0, 27, "K_ESC"}, {TUK_KS_TAB, 0, 9, "K_TAB"},
      {TUK_KS_HOME, 0, 327, "K_HOME"}, {TUK_KS_UP, S, 328, "K_UP"}, {TUK_KS_PAGEDOWN, 0, 337, "K_PGDN"},
      {TUK_KS_F1, 0, 315, "K_F1"}, {TUK_KS_F10, 0, 324, "K_F10"}, {TUK_KS_F11, 0, 389, "K_F11"},
      {TUK_KS_F12, 0, 390, "K_F12"}, {TUK_KS_KP3, 0, '3', "K_3"},
      // no event: no control digit, a key outside the table
      {'1', C, 0, nullptr}, {0x7F, 0, 0, nullptr}, {TUK_KS_KP_ENTER + 1, 0, 0, nullptr}};
  for (const auto& c : cases) {
    EXPECT_EQ(tuk_key_code(c.sym, c.mods), c.code) << c.sym << " " << c.mods;
    EXPECT_STREQ(tuk_key_name(c.code), c.name) << c.code;
  }
}

int log_key(TukHandle self, int code, const char* tag, int result) {
  calls().push_back(std::string(tag) + " " + attr(self, "TITLE") + " " + std::to_string(code));
  return result;
}

class InputTest : public TukTest {
 protected:
  TukHandle dialog, canvas, other;
  void SetUp() override {
    TukTest::SetUp();
    canvas = TukCanvas(nullptr);
    other = TukCanvas(nullptr);
    TukSetAttribute(canvas, "TITLE", "canvas");
    TukSetAttribute(canvas, "RASTERSIZE", "100x50");
    TukSetAttribute(other, "RASTERSIZE", "30x50");
    dialog = TukDialog(TukHbox(canvas, other, nullptr));
    register_cb("own_c", [](TukHandle s, int k) { return log_key(s, k, "own:K_c", TUK_DEFAULT); });
    register_cb("dialog_c", [](TukHandle s, int k) { return log_key(s, k, "dialog:K_c", TUK_DEFAULT); });
    register_cb("own_any", [](TukHandle s, int k) { return log_key(s, k, "own:K_ANY", TUK_DEFAULT); });
    register_cb("dialog_any", [](TukHandle s, int k) { return log_key(s, k, "dialog:K_ANY", TUK_DEFAULT); });
    register_cb("swallow", [](TukHandle s, int k) { return log_key(s, k, "swallow", TUK_IGNORE); });
    register_cb("close_key", [](TukHandle s, int k) { return log_key(s, k, "close", TUK_CLOSE); });
    register_cb("keep_open", [](TukHandle s) { return log_key(s, 0, "CLOSE_CB", TUK_IGNORE); });
    ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
    TukSetFocus(canvas);
  }
};

TEST_F(InputTest, KeyLookupOrderWrongOrCloseKeyOverridesTheCloseCallback) {
  TukSetAttribute(dialog, "K_ANY", "dialog_any");
  TukHeadlessKey('x', 0);  // only the dialog's K_ANY: called with the focused element
  TukFlush();
  TukSetAttribute(canvas, "K_ANY", "own_any");
  TukSetAttribute(dialog, "K_c", "dialog_c");
  TukHeadlessKey('c', 0);              // the dialog's K_c comes before any K_ANY
  TukHeadlessKey('c', TUK_MOD_SHIFT);  // K_C is set nowhere: the focused element's K_ANY
  TukFlush();
  TukSetAttribute(canvas, "K_c", "own_c");
  TukSetAttribute(canvas, "K_UP", "swallow");
  TukHeadlessKey('c', 0);
  TukHeadlessKey(TUK_KS_UP, 0);
  TukFlush();
  // a key's TUK_CLOSE asks the dialog as its close box does: CLOSE_CB's IGNORE keeps it open
  TukSetAttribute(canvas, "K_ANY", "close_key");
  TukSetAttribute(dialog, "CLOSE_CB", "keep_open");
  TukHeadlessKey(TUK_KS_ESCAPE, 0);
  TukFlush();
  EXPECT_EQ(calls(), (Log{"dialog:K_ANY canvas 120", "dialog:K_c canvas 99", "own:K_ANY canvas 67",
                          "own:K_c canvas 99", "swallow canvas 328", "close canvas 27", "CLOSE_CB (null) 0"}));
  EXPECT_EQ(attr(dialog, "VISIBLE"), "YES");
  TukSetAttribute(dialog, "CLOSE_CB", nullptr);
  TukHeadlessKey(TUK_KS_ESCAPE, 0);
  EXPECT_EQ(TukMainLoop(), 0) << "hiding the only dialog ends the loop";
  EXPECT_EQ(attr(dialog, "VISIBLE"), "NO");
}

TEST_F(InputTest, ButtonCodeStatusOrCaptureWrong) {
  register_cb("record", [](TukHandle self, int button, int pressed, int x, int y, char* status) -> int {
    char text[64];
    std::snprintf(text, sizeof text, "%s %c%d %d,%d '%s'", attr(self, "TITLE").c_str(),
                  button, pressed, x, y, status);
    calls().push_back(text);
    return pressed || x < 100 ? TUK_DEFAULT : TUK_CLOSE;
  });
  TukSetAttribute(dialog, "BUTTON_CB", "record");  // inherited: the canvas is the element
  TukHeadlessMousePress(canvas, 1, 10, 20, TUK_MOD_SHIFT);
  TukHeadlessMouseRelease(canvas, 1, 11, 21, TUK_MOD_SHIFT);
  TukHeadlessMousePress(canvas, 2, 1, 2, 0);
  TukHeadlessMouseRelease(canvas, 3, -4, 70, TUK_MOD_CONTROL | TUK_MOD_BUTTON1);  // no capture left
  TukHeadlessMouseDoubleClick(canvas, 1, 7, 7, 0);
  // released over the right canvas (which starts at x = 100): reported to the pressed one,
  // in its coordinates; the callback's TUK_CLOSE then closes the dialog
  TukHeadlessMouseRelease(other, 1, 15, 60, 0);
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(dialog, "VISIBLE"), "NO");
  EXPECT_EQ(calls(), (Log{"canvas 11 10,20 'S 1  '", "canvas 10 11,21 'S 1  '", "canvas 21 1,2 '   2 '",
                          "canvas 30 -4,70 ' C1 3'", "canvas 11 7,7 '  1  D'", "canvas 10 115,60 '  1  '"}));
}

TEST_F(InputTest, WindowResizeLeavesTheCanvasOrRepeatsItsSize) {
  register_cb("on_resize", [](TukHandle self, int w, int h) -> int {
    calls().push_back(std::to_string(w) + "x" + std::to_string(h) + " " + attr(self, "DRAWSIZE"));
    return TUK_DEFAULT;
  });
  TukSetAttribute(canvas, "RESIZE_CB", "on_resize");
  // 300 x 200 of client area after the 8 x 28 decoration: both canvases grow by half the 170
  // pixels left over; then smaller than the contents, where the natural size holds, twice
  TukEvent ev{};
  ev.type = TUK_EVENT_RESIZE;
  ev.element = dialog;
  ev.x = 308;
  ev.y = 228;
  tuk_dispatch(&ev);
  ev.x = ev.y = 10;
  tuk_dispatch(&ev);
  tuk_dispatch(&ev);
  EXPECT_EQ(calls(), (Log{"185x200 185x200", "100x50 100x50"}));
}

TEST_F(TukTest, InputReachesGoneOrForeignThreadElements) {
  register_cb("click", [](TukHandle) { return log_key(nullptr, 0, "click", TUK_DEFAULT); });
  TukHandle button = TukButton("b", "click");
  TukHandle dialog = TukDialog(button);
  TukShow(dialog);
  TukEvent ev{};
  ev.type = TUK_EVENT_ACTIVATE;
  ev.element = button;
  std::thread([&ev] { tuk_dispatch(&ev); }).join();  // from another thread: ignored
  tuk_dispatch(&ev);
  EXPECT_EQ(calls(), Log{"click (null) 0"});
  TukHeadlessClickButton(button);
  TukDestroy(dialog);  // gone before delivery: its id no longer resolves
  TukFlush();
  EXPECT_EQ(TukHeadlessDroppedInput() * 10 + TukHeadlessPendingInput(), 10);
}

}  // namespace
