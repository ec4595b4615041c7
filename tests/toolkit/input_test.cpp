// Keys and mouse buttons: translation, lookup order, status texts, capture; lists, paints.
#include "tuk_fixture.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>

namespace {

using Log = std::vector<std::string>;

TEST(KeyTable, CodesFollowTheModifiersAltFirst) {
  EXPECT_EQ(tuk_key_code('a', 0), 97);
  EXPECT_EQ(tuk_key_code('z', 0), 122);
  EXPECT_EQ(tuk_key_code('a', TUK_MOD_SHIFT), 65);
  EXPECT_EQ(tuk_key_code('z', TUK_MOD_SHIFT), 90);
  EXPECT_EQ(tuk_key_code('a', TUK_MOD_CONTROL), 1);
  EXPECT_EQ(tuk_key_code('z', TUK_MOD_CONTROL), 26);
  EXPECT_EQ(tuk_key_code('c', TUK_MOD_CONTROL | TUK_MOD_SHIFT), 3) << "control before shift";
  EXPECT_EQ(tuk_key_code('c', TUK_MOD_ALT | TUK_MOD_CONTROL | TUK_MOD_SHIFT), K_mC) << "alt first";
  EXPECT_EQ(tuk_key_code('0', 0), 48);
  EXPECT_EQ(tuk_key_code('9', 0), 57);
  EXPECT_EQ(tuk_key_code('1', TUK_MOD_SHIFT), '!');
  EXPECT_EQ(tuk_key_code('0', TUK_MOD_ALT), 385);
  EXPECT_EQ(tuk_key_code(TUK_KS_ENTER, 0), 13);
  EXPECT_EQ(tuk_key_code(TUK_KS_ESCAPE, 0), 27);
  EXPECT_EQ(tuk_key_code(TUK_KS_TAB, 0), 9);
  EXPECT_EQ(tuk_key_code(TUK_KS_BACKSPACE, 0), 8);
  EXPECT_EQ(tuk_key_code(' ', 0), 32);
  const std::pair<int, int> block[] = {
      {TUK_KS_HOME, 327}, {TUK_KS_UP, 328},   {TUK_KS_PAGEUP, 329},   {TUK_KS_LEFT, 331},
      {TUK_KS_RIGHT, 333}, {TUK_KS_END, 335}, {TUK_KS_DOWN, 336},     {TUK_KS_PAGEDOWN, 337},
      {TUK_KS_INSERT, 338}, {TUK_KS_DELETE, 339}, {TUK_KS_F1, 315}, {TUK_KS_F10, 324},
      {TUK_KS_F11, 389},  {TUK_KS_F12, 390}};
  for (auto [sym, code] : block) EXPECT_EQ(tuk_key_code(sym, 0), code) << sym;
  EXPECT_EQ(tuk_key_code(TUK_KS_UP, TUK_MOD_SHIFT), 328);
  EXPECT_EQ(tuk_key_code(0x7F, 0), 0) << "a key outside the table gives no event";
  EXPECT_EQ(tuk_key_code(TUK_KS_KP_ENTER + 1, 0), 0);
  EXPECT_EQ(tuk_key_code('1', TUK_MOD_CONTROL), 0);
}

TEST(KeyTable, NamesAreUniqueAndMatchTheirCodes) {
  const std::map<int, const char*> known = {
      {13, "K_CR"}, {67, "K_C"}, {99, "K_c"}, {82, "K_R"},  {114, "K_r"}, {88, "K_X"},
      {120, "K_x"}, {89, "K_Y"}, {121, "K_y"}, {90, "K_Z"}, {122, "K_z"}, {33, "K_exclam"},
      {385, "K_m0"}, {327, "K_HOME"}, {390, "K_F12"}, {27, "K_ESC"}, {32, "K_SP"}};
  for (auto [code, name] : known) EXPECT_STREQ(tuk_key_name(code), name) << code;
  EXPECT_EQ(tuk_key_name(0), nullptr);
  EXPECT_EQ(tuk_key_name(1000), nullptr);
  // every code the table can give has a name, and names do not repeat
  std::set<std::string> names;
  int count = 0;
#define TUK_KEY(name, code) \
  names.insert(#name);      \
  ++count;                  \
  EXPECT_STREQ(tuk_key_name(code), #name);
#include "toolkit/tuk_keys.h"
#undef TUK_KEY
  EXPECT_EQ(names.size(), static_cast<std::size_t>(count));
  const int syms[] = {'a', 'q', '5', '-', '/', TUK_KS_ENTER, TUK_KS_TAB, TUK_KS_F7, TUK_KS_DELETE,
                      TUK_KS_KP3, TUK_KS_KP_MULTIPLY};
  const int mods[] = {0, TUK_MOD_SHIFT, TUK_MOD_CONTROL, TUK_MOD_ALT};
  for (int sym : syms) {
    for (int mod : mods) {
      const int code = tuk_key_code(sym, mod);
      if (code) {
        EXPECT_NE(tuk_key_name(code), nullptr) << sym << " " << mod;
      }
    }
  }
}

TEST(MouseStatus, FiveCharactersAndADoubleClickMark) {
  char status[7];
  tuk_mouse_status(1, TUK_MOD_SHIFT | TUK_MOD_CONTROL, 0, status);
  EXPECT_STREQ(status, "SC1  ");
  tuk_mouse_status(3, TUK_MOD_BUTTON1, 0, status);
  EXPECT_STREQ(status, "  1 3");
  tuk_mouse_status(2, 0, 1, status);
  EXPECT_STREQ(status, "   2 D");
  tuk_mouse_status(0, TUK_MOD_BUTTON3, 0, status);
  EXPECT_STREQ(status, "    3");
}

Log& log() { return calls(); }

int key_cb(TukHandle self, int code, const char* tag) {
  log().push_back(std::string(tag) + " " + attr(self, "TITLE") + " " + std::to_string(code));
  return TUK_DEFAULT;
}
int focused_k_c(TukHandle self, int code) { return key_cb(self, code, "focused:K_c"); }
int dialog_k_c(TukHandle self, int code) { return key_cb(self, code, "dialog:K_c"); }
int focused_any(TukHandle self, int code) { return key_cb(self, code, "focused:K_ANY"); }
int dialog_any(TukHandle self, int code) { return key_cb(self, code, "dialog:K_ANY"); }
int swallow(TukHandle self, int code) {
  key_cb(self, code, "swallow");
  return TUK_IGNORE;
}
int close_key(TukHandle self, int code) {
  key_cb(self, code, "close");
  return TUK_CLOSE;
}
int keep_open(TukHandle) {
  log().push_back("CLOSE_CB");
  return TUK_IGNORE;
}

class InputTest : public TukTest {
 protected:
  TukHandle dialog, box, canvas, other;
  void SetUp() override {
    TukTest::SetUp();
    log().clear();
    canvas = TukCanvas(nullptr);
    other = TukCanvas(nullptr);
    TukSetAttribute(canvas, "TITLE", "canvas");
    TukSetAttribute(canvas, "RASTERSIZE", "100x50");
    TukSetAttribute(other, "RASTERSIZE", "30x50");
    box = TukHbox(canvas, other, nullptr);
    dialog = TukDialog(box);
    register_cb("focused_k_c", focused_k_c);
    register_cb("dialog_k_c", dialog_k_c);
    register_cb("focused_any", focused_any);
    register_cb("dialog_any", dialog_any);
    register_cb("swallow", swallow);
    register_cb("close_key", close_key);
    register_cb("keep_open", keep_open);
    ASSERT_EQ(TukShow(dialog), TUK_NOERROR);
    TukSetFocus(canvas);
  }
};

TEST_F(InputTest, KeyLookupOwnKeyThenAncestorsThenAnyKey) {
  TukSetAttribute(dialog, "K_ANY", "dialog_any");
  TukHeadlessKey('x', 0);  // nothing but the dialog's K_ANY: called with the focused element
  TukFlush();
  TukSetAttribute(canvas, "K_ANY", "focused_any");
  TukSetAttribute(dialog, "K_c", "dialog_k_c");
  TukHeadlessKey('c', 0);  // the dialog's K_c comes before any K_ANY
  TukHeadlessKey('c', TUK_MOD_SHIFT);  // K_C is set nowhere: the focused element's K_ANY
  TukFlush();
  TukSetAttribute(canvas, "K_c", "focused_k_c");
  TukHeadlessKey('c', 0);
  TukFlush();
  EXPECT_EQ(log(), (Log{"dialog:K_ANY canvas 120", "dialog:K_c canvas 99",
                        "focused:K_ANY canvas 67", "focused:K_c canvas 99"}));
}

TEST_F(InputTest, AnyKeyReturningCloseAsksTheDialogLikeItsCloseBox) {
  TukSetAttribute(dialog, "K_ANY", "close_key");
  TukSetAttribute(dialog, "CLOSE_CB", "keep_open");
  TukHeadlessKey(TUK_KS_ESCAPE, 0);
  TukFlush();
  EXPECT_EQ(log(), (Log{"close canvas 27", "CLOSE_CB"}));
  EXPECT_EQ(attr(dialog, "VISIBLE"), "YES");
  TukSetAttribute(dialog, "CLOSE_CB", nullptr);
  TukHeadlessKey(TUK_KS_ESCAPE, 0);
  EXPECT_EQ(TukMainLoop(), 0) << "hiding the only dialog ends the loop";
  EXPECT_EQ(attr(dialog, "VISIBLE"), "NO");
  // keys with no focused element go nowhere
  TukHeadlessKey('a', 0);
  TukFlush();
  EXPECT_EQ(TukHeadlessDroppedInput(), 1);
}

TEST_F(InputTest, SwallowedKeyStopsThere) {
  TukSetAttribute(canvas, "K_UP", "swallow");
  TukSetAttribute(dialog, "K_ANY", "dialog_any");
  TukHeadlessKey(TUK_KS_UP, 0);
  TukFlush();
  EXPECT_EQ(log(), (Log{"swallow canvas 328"}));
}

struct ButtonCall {
  TukHandle self;
  int button, pressed, x, y;
  std::string status;
};
std::vector<ButtonCall> button_calls;
int record_button(TukHandle self, int button, int pressed, int x, int y, char* status) {
  button_calls.push_back({self, button, pressed, x, y, status});
  return TUK_DEFAULT;
}
int close_on_release(TukHandle, int, int pressed, int, int, char*) {
  return pressed ? TUK_DEFAULT : TUK_CLOSE;
}

TEST_F(InputTest, PressAndReleaseGiveTheSameButtonCode) {
  button_calls.clear();
  register_cb("record_button", record_button);
  // set on the dialog only: the canvas inherits it and is the callback's element
  TukSetAttribute(dialog, "BUTTON_CB", "record_button");
  TukHeadlessMousePress(canvas, 1, 10, 20, TUK_MOD_SHIFT);
  TukHeadlessMouseRelease(canvas, 1, 11, 21, TUK_MOD_SHIFT);
  TukHeadlessMousePress(canvas, 2, 1, 2, 0);
  TukHeadlessMouseRelease(canvas, 2, 1, 2, 0);
  TukHeadlessMousePress(canvas, 3, 5, 5, TUK_MOD_CONTROL | TUK_MOD_BUTTON1);
  TukHeadlessMouseRelease(canvas, 3, 5, 5, TUK_MOD_CONTROL | TUK_MOD_BUTTON1);
  TukHeadlessMouseDoubleClick(canvas, 1, 7, 7, 0);
  TukHeadlessMouseRelease(canvas, 1, 7, 7, 0);
  TukFlush();
  ASSERT_EQ(button_calls.size(), 8u);
  const int codes[] = {49, 49, 50, 50, 51, 51, 49, 49};
  const char* statuses[] = {"S 1  ", "S 1  ", "   2 ", "   2 ", " C1 3", " C1 3", "  1  D", "  1  "};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(button_calls[i].self, canvas) << i;
    EXPECT_EQ(button_calls[i].button, codes[i]) << i;
    EXPECT_EQ(button_calls[i].pressed, i % 2 == 0 ? 1 : 0) << i;
    EXPECT_EQ(button_calls[i].status, statuses[i]) << i;
  }
  EXPECT_EQ(button_calls[1].x, 11);
  EXPECT_EQ(button_calls[1].y, 21);
}

TEST_F(InputTest, ReleaseOutsideTheCanvasStillReachesIt) {
  button_calls.clear();
  register_cb("record_button", record_button);
  TukSetAttribute(dialog, "BUTTON_CB", "record_button");
  // pressed on the left canvas, released over the right one (which starts at x = 100)
  TukHeadlessMousePress(canvas, 1, 90, 10, 0);
  TukHeadlessMouseRelease(other, 1, 15, 60, 0);
  TukHeadlessMouseRelease(canvas, 3, -4, 70, 0);  // no press first: no capture to follow
  TukFlush();
  ASSERT_EQ(button_calls.size(), 3u);
  EXPECT_EQ(button_calls[1].self, canvas);
  EXPECT_EQ(button_calls[1].pressed, 0);
  EXPECT_EQ(button_calls[1].x, 115) << "in the pressed canvas's own coordinates";
  EXPECT_EQ(button_calls[1].y, 60);
  EXPECT_EQ(button_calls[2].self, canvas);
  EXPECT_EQ(button_calls[2].x, -4);
}

TEST_F(InputTest, ButtonCallbackCanClose) {
  register_cb("close_on_release", close_on_release);
  TukSetAttribute(canvas, "BUTTON_CB", "close_on_release");
  TukHeadlessMousePress(canvas, 1, 1, 1, 0);
  TukHeadlessMouseRelease(canvas, 1, 1, 1, 0);
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(dialog, "VISIBLE"), "NO");
}

int paint_count;
double paint_pos[2];
int on_paint(TukHandle, double x, double y) {
  ++paint_count;
  paint_pos[0] = x;
  paint_pos[1] = y;
  return TUK_DEFAULT;
}
std::vector<std::pair<int, int>> resizes;
int on_resize(TukHandle, int w, int h) {
  resizes.push_back({w, h});
  return TUK_DEFAULT;
}

TEST_F(TukTest, CanvasPaintsWhenShownAndHearsItsSize) {
  paint_count = 0;
  resizes.clear();
  register_cb("on_paint", on_paint);
  register_cb("on_resize", on_resize);
  TukHandle canvas = TukCanvas("on_paint");
  TukSetAttribute(canvas, "RASTERSIZE", "64x48");
  TukSetAttribute(canvas, "RESIZE_CB", "on_resize");
  TukSetAttribute(canvas, "POSX", "0.25");
  TukHandle dialog = TukDialog(canvas);
  TukShow(dialog);
  EXPECT_EQ(paint_count, 1) << "showing repaints at once";
  EXPECT_EQ(paint_pos[0], 0.25);
  EXPECT_EQ(paint_pos[1], 0.0);
  TukShow(dialog);
  EXPECT_EQ(resizes, (std::vector<std::pair<int, int>>{{64, 48}})) << "same size: no second call";
  TukSetAttribute(canvas, "RASTERSIZE", "80x40");
  TukShow(dialog);
  EXPECT_EQ(resizes.back(), (std::pair<int, int>{80, 40}));
}

std::vector<std::string> list_calls;
int on_list(TukHandle, char* text, int item, int state) {
  list_calls.push_back(std::string(text) + ":" + std::to_string(item) + ":" + std::to_string(state));
  return TUK_DEFAULT;
}

TEST_F(TukTest, ListChoicesDeselectThenSelect) {
  list_calls.clear();
  register_cb("on_list", on_list);
  TukHandle list = TukList("on_list");
  TukSetAttribute(list, "1", "Red");
  TukSetAttribute(list, "2", "Green");
  TukSetAttribute(list, "3", "Blue");
  TukSetAttribute(list, "VALUE", "1");
  TukHandle multi = TukList("on_list");
  TukSetAttribute(multi, "1", "A");
  TukSetAttribute(multi, "2", "B");
  TukSetAttribute(multi, "MULTIPLE", "YES");
  TukSetAttribute(multi, "VALUE", "-+");
  TukShow(TukDialog(TukVbox(list, multi, nullptr)));
  EXPECT_EQ(attr(list, "VALUE"), "1");
  TukHeadlessChooseListEntry(list, 3);
  TukHeadlessChooseListEntry(multi, 1);
  TukHeadlessChooseListEntry(multi, 2);
  TukFlush();
  EXPECT_EQ(list_calls, (std::vector<std::string>{"Red:1:0", "Blue:3:1", "A:1:1", "B:2:0"}));
  EXPECT_EQ(attr(list, "VALUE"), "3");
  EXPECT_EQ(attr(multi, "VALUE"), "+-");
}

TEST_F(TukTest, InputForGoneOrHiddenElementsIsDropped) {
  TukHandle button = TukButton("b", "nothing");
  TukHandle dialog = TukDialog(button);
  TukHeadlessClickButton(button);  // not mapped yet when delivered
  TukFlush();
  TukShow(dialog);
  TukHeadlessClickButton(button);
  TukDestroy(dialog);              // gone before delivery: its id no longer resolves
  TukFlush();
  EXPECT_EQ(TukHeadlessDroppedInput(), 2);
  EXPECT_EQ(TukHeadlessPendingInput(), 0);
}

int clicks;
int count_click(TukHandle) {
  ++clicks;
  return TUK_DEFAULT;
}

TEST_F(TukTest, TabMovesTheFocusAndEnterPressesAButton) {
  clicks = 0;
  register_cb("count_click", count_click);
  TukHandle one = TukButton("One", "count_click");
  TukHandle two = TukButton("Two", "count_click");
  TukHandle canvas = TukCanvas(nullptr);
  TukHandle dialog = TukDialog(TukHbox(one, two, canvas, nullptr));
  TukShow(dialog);
  TukHeadlessKey(TUK_KS_TAB, 0);
  TukFlush();
  EXPECT_EQ(TukSetFocus(two), two) << "Tab moved the focus from One to Two";
  TukHeadlessKey(TUK_KS_ENTER, 0);
  TukHeadlessKey(TUK_KS_TAB, 0);  // to the canvas, which keeps Tab and the rest for itself
  TukHeadlessKey(TUK_KS_TAB, 0);
  TukHeadlessKey(TUK_KS_TAB, TUK_MOD_SHIFT);
  TukFlush();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(TukSetFocus(one), canvas);
  TukHeadlessKey(TUK_KS_TAB, TUK_MOD_SHIFT);  // backwards from the first wraps to the last
  TukFlush();
  EXPECT_EQ(TukSetFocus(one), canvas);
  EXPECT_EQ(TukHeadlessDroppedInput(), 0);
}

std::vector<std::pair<int, int>> canvas_sizes;
int note_size(TukHandle, int w, int h) {
  canvas_sizes.push_back({w, h});
  return TUK_DEFAULT;
}

TEST_F(TukTest, ResizedDialogLaysOutAgainAndTellsItsCanvases) {
  canvas_sizes.clear();
  register_cb("note_size", note_size);
  TukHandle canvas = TukCanvas(nullptr);
  TukSetAttribute(canvas, "RASTERSIZE", "100x80");
  TukSetAttribute(canvas, "RESIZE_CB", "note_size");
  TukHandle dialog = TukDialog(canvas);
  TukShow(dialog);
  TukEvent ev{};
  ev.type = TUK_EVENT_RESIZE;
  ev.element = dialog;
  ev.x = 308;  // 300 x 200 of client area after the 8 x 28 decoration
  ev.y = 228;
  tuk_dispatch(&ev);
  ev.x = 10;  // smaller than the contents: the natural size holds
  ev.y = 10;
  tuk_dispatch(&ev);
  EXPECT_EQ(canvas_sizes, (std::vector<std::pair<int, int>>{{100, 80}, {300, 200}, {100, 80}}));
}

TEST_F(TukTest, EventsFromAnotherThreadAreIgnored) {
  clicks = 0;
  register_cb("count_click", count_click);
  TukHandle button = TukButton("b", "count_click");
  TukShow(TukDialog(button));
  TukEvent ev{};
  ev.type = TUK_EVENT_ACTIVATE;
  ev.element = button;
  std::thread other([&ev] { tuk_dispatch(&ev); });
  other.join();
  EXPECT_EQ(clicks, 0);
  tuk_dispatch(&ev);
  EXPECT_EQ(clicks, 1);
}

std::string window_log;
int entered(TukHandle) {
  window_log += "enter ";
  return TUK_DEFAULT;
}
int left(TukHandle) {
  window_log += "leave ";
  return TUK_DEFAULT;
}
int show_state(TukHandle, int state) {
  window_log += "show " + std::to_string(state) + " ";
  return TUK_DEFAULT;
}

TEST_F(TukTest, PointerCrossingAndWindowStatesReachTheirCallbacks) {
  window_log.clear();
  register_cb("entered", entered);
  register_cb("left", left);
  register_cb("show_state", show_state);
  TukHandle canvas = TukCanvas(nullptr);
  TukHandle dialog = TukDialog(canvas);
  TukSetAttribute(dialog, "ENTERWINDOW_CB", "entered");
  TukSetAttribute(canvas, "LEAVEWINDOW_CB", "left");
  TukSetAttribute(dialog, "SHOW_CB", "show_state");
  TukShow(dialog);
  const int types[] = {TUK_EVENT_ENTER, TUK_EVENT_LEAVE, TUK_EVENT_SHOW_STATE};
  for (int type : types) {
    TukEvent ev{};
    ev.type = type;
    ev.element = type == TUK_EVENT_SHOW_STATE ? dialog : canvas;
    ev.state = 2;
    tuk_dispatch(&ev);
  }
  EXPECT_EQ(window_log, "show 0 enter leave show 2 ");
}

}  // namespace
