// Showing, hiding, the main loop, modal popups and the close rules.
#include "tuk_fixture.h"

#include <string>

namespace {

using Log = std::vector<std::string>;

struct World {
  TukHandle main;         // main dialog
  TukHandle main_button;  // its button, ACTION "open_popup"
  TukHandle popup;        // popup dialog
  TukHandle popup_button; // its button, ACTION "close_me"
  int popup_result;
  std::string main_active_during_popup;
};
World w;

TukHandle dialog_with_button(const char* title, const char* action, TukHandle* button) {
  *button = TukButton(title, action);
  TukHandle d = TukDialog(TukVbox(*button, nullptr));
  TukStoreAttribute(d, "TITLE", title);
  return d;
}

int close_me(TukHandle) {
  calls().push_back("close_me");
  w.main_active_during_popup = attr(w.main, "ACTIVE");
  return TUK_CLOSE;
}

int open_popup(TukHandle) {
  calls().push_back("popup in");
  w.popup_result = TukPopup(w.popup, TUK_CENTER, TUK_CENTER);
  calls().push_back("popup out");
  return TUK_DEFAULT;
}

int ignore_close(TukHandle) {
  calls().push_back("close_cb ignore");
  return TUK_IGNORE;
}
int close_close(TukHandle) {
  calls().push_back("close_cb close");
  return TUK_CLOSE;
}
int default_close(TukHandle) {
  calls().push_back("close_cb default");
  return TUK_DEFAULT;
}

class LoopTest : public TukTest {
 protected:
  void SetUp() override {
    TukTest::SetUp();
    calls().clear();
    w = World{};
    w.main = dialog_with_button("Main", "open_popup", &w.main_button);
    w.popup = dialog_with_button("Popup", "close_me", &w.popup_button);
    register_cb("open_popup", open_popup);
    register_cb("close_me", close_me);
  }
};

TEST_F(LoopTest, ShowAndHideCountVisibleDialogs) {
  EXPECT_EQ(attr(w.main, "VISIBLE"), "(null)");
  ASSERT_EQ(TukShow(w.main), TUK_NOERROR);
  EXPECT_EQ(attr(w.main, "VISIBLE"), "YES");
  EXPECT_EQ(attr(w.main_button, "VISIBLE"), "YES");
  EXPECT_EQ(visible_count(), 1);
  ASSERT_EQ(TukShow(w.main), TUK_NOERROR);
  EXPECT_EQ(visible_count(), 1) << "a second show of a visible dialog counts once";
  ASSERT_EQ(TukHide(w.main), TUK_NOERROR);
  EXPECT_EQ(attr(w.main, "VISIBLE"), "NO");
  EXPECT_EQ(attr(w.main_button, "VISIBLE"), "NO") << "a control is hidden with its dialog";
  EXPECT_EQ(visible_count(), 0);
  ASSERT_EQ(TukHide(w.main), TUK_NOERROR);
  EXPECT_EQ(visible_count(), 0);
  // destroying a shown dialog takes it out of the count
  TukShow(w.main);
  TukShow(w.popup);
  TukDestroy(w.popup);
  EXPECT_EQ(visible_count(), 1);
  EXPECT_EQ(tuk_loop_state()->shown_count, 1);
}

TEST_F(LoopTest, HidingTheLastVisibleDialogEndsTheMainLoop) {
  TukShow(w.main);
  TukShow(w.popup);
  // no CLOSE_CB: the frame's close box hides the dialog; the loop goes on while one is left
  TukHeadlessCloseDialog(w.popup);
  TukHeadlessCloseDialog(w.main);
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(visible_count(), 0);
  EXPECT_EQ(TukHeadlessPendingInput(), 0);
  EXPECT_EQ(attr(w.popup, "VISIBLE"), "NO");
}

TEST_F(LoopTest, CloseCallbackDecides) {
  register_cb("ignore_close", ignore_close);
  register_cb("close_close", close_close);
  register_cb("default_close", default_close);
  TukHandle other_button;
  TukHandle other = dialog_with_button("Other", "nothing", &other_button);
  TukSetAttribute(w.main, "CLOSE_CB", "ignore_close");
  TukSetAttribute(other, "CLOSE_CB", "default_close");
  TukShow(w.main);
  TukShow(other);
  TukHeadlessCloseDialog(w.main);   // -1: stays
  TukHeadlessCloseDialog(other);    // -2: hidden, loop goes on with main visible
  TukFlush();
  EXPECT_EQ(attr(w.main, "VISIBLE"), "YES");
  EXPECT_EQ(attr(other, "VISIBLE"), "NO");
  EXPECT_EQ(visible_count(), 1);
  // -3: the close action ends the loop even though another dialog stays visible
  TukShow(other);
  TukSetAttribute(w.main, "CLOSE_CB", "close_close");
  TukHeadlessCloseDialog(w.main);
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(w.main, "VISIBLE"), "NO");
  EXPECT_EQ(attr(other, "VISIBLE"), "YES");
  EXPECT_EQ(calls(), (Log{"close_cb ignore", "close_cb default", "close_cb close"}));
}

TEST_F(LoopTest, CloseInsideAPopupEndsOnlyThePopup) {
  TukShow(w.main);
  TukHeadlessClickButton(w.main_button);  // opens the popup from inside the main loop
  TukHeadlessClickButton(w.main_button);  // the main dialog is disabled now: dropped
  TukHeadlessClickButton(w.popup_button); // TUK_CLOSE: only the popup ends
  TukHeadlessCloseDialog(w.main);         // the main loop is still running to see this
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(calls(), (Log{"popup in", "close_me", "popup out"}));
  EXPECT_EQ(w.popup_result, TUK_NOERROR);
  EXPECT_EQ(w.main_active_during_popup, "NO");
  EXPECT_EQ(TukHeadlessDroppedInput(), 1);
  EXPECT_EQ(attr(w.popup, "VISIBLE"), "NO");
  EXPECT_EQ(attr(w.main, "ACTIVE"), "YES") << "re-enabled when the popup stack empties";
  EXPECT_EQ(visible_count(), 0);
  EXPECT_EQ(tuk_loop_state()->popup_depth, 0);
}

TEST_F(LoopTest, FrameCloseOfAPopupRunsTheCloseAction) {
  TukShow(w.main);
  TukSetAttribute(w.popup, "CLOSE_CB", "default_close");
  register_cb("default_close", default_close);
  TukHeadlessCloseDialog(w.popup);
  EXPECT_EQ(TukPopup(w.popup, TUK_LEFT, TUK_RIGHT), TUK_NOERROR);
  EXPECT_EQ(w.popup->x, 0);
  EXPECT_EQ(w.popup->y, 1024 - w.popup->current_h);
  EXPECT_EQ(calls(), (Log{"close_cb default"}));
  EXPECT_EQ(visible_count(), 1);
  EXPECT_EQ(attr(w.main, "VISIBLE"), "YES");
}

// Popups nested as deep as asked, each checking who is disabled while it runs.
struct Nest {
  int depth;           // popups to open in all
  int reached;         // deepest level that ran its loop
  TukHandle dialogs[20];
  TukHandle buttons[20];
  std::string states;  // ACTIVE of the main dialog and the level below, at each level
};
Nest nest;

int nest_level(TukHandle self) {
  int level = 0;
  while (level < nest.depth && nest.buttons[level] != self) ++level;
  nest.reached = level;
  nest.states += attr(w.main, "ACTIVE") + "/" + (level > 0 ? attr(nest.dialogs[level - 1], "ACTIVE") : "-") + " ";
  if (level + 1 < nest.depth) {
    TukHeadlessClickButton(nest.buttons[level + 1]);
    TukPopup(nest.dialogs[level + 1], TUK_CENTER, TUK_CENTER);
  }
  return TUK_CLOSE;
}

void build_nest(int depth) {
  nest = Nest{};
  nest.depth = depth;
  register_cb("nest_level", nest_level);
  for (int i = 0; i < depth; ++i) nest.dialogs[i] = dialog_with_button("Nest", "nest_level", &nest.buttons[i]);
}

TEST_F(LoopTest, NestedPopupsDisableTheOneBelow) {
  TukShow(w.main);
  build_nest(3);
  TukHeadlessClickButton(nest.buttons[0]);
  TukPopup(nest.dialogs[0], TUK_CENTER, TUK_CENTER);
  EXPECT_EQ(nest.reached, 2);
  EXPECT_EQ(nest.states, "NO/- NO/NO NO/NO ");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(attr(nest.dialogs[i], "ACTIVE"), "YES") << i;
  EXPECT_EQ(attr(w.main, "ACTIVE"), "YES");
  EXPECT_EQ(visible_count(), 1);
  EXPECT_EQ(tuk_loop_state()->popup_stack_size, 0);
}

TEST_F(LoopTest, PopupsBeyondSixteenAreShownWithoutBeingPushed) {
  TukShow(w.main);
  build_nest(19);
  TukHeadlessClickButton(nest.buttons[0]);
  TukPopup(nest.dialogs[0], TUK_CENTER, TUK_CENTER);
  EXPECT_EQ(nest.reached, 18);
  EXPECT_EQ(tuk_loop_state()->popup_stack_size, 0);
  EXPECT_EQ(tuk_loop_state()->popup_depth, 0);
  for (int i = 0; i < 19; ++i) EXPECT_EQ(attr(nest.dialogs[i], "ACTIVE"), "YES") << i;
  EXPECT_EQ(attr(w.main, "ACTIVE"), "YES");
  EXPECT_EQ(visible_count(), 1);
}

int check_disabled(TukHandle) {
  int disabled = 0;
  for (int i = 0; i < tuk_loop_state()->shown_count; ++i)
    disabled += attr(tuk_shown_at(i), "ACTIVE") == "NO";
  calls().push_back("disabled " + std::to_string(disabled) + " of " +
                    std::to_string(visible_count() - 1));
  return TUK_CLOSE;
}

TEST_F(LoopTest, OnlyFiftyShownDialogsAreTracked) {
  std::vector<TukHandle> many;
  for (int i = 0; i < 55; ++i) {
    TukHandle d = TukDialog(nullptr);
    ASSERT_EQ(TukShow(d), TUK_NOERROR);
    many.push_back(d);
  }
  EXPECT_EQ(tuk_loop_state()->shown_count, 50);
  EXPECT_EQ(visible_count(), 55);
  register_cb("close_me", check_disabled);
  TukHeadlessClickButton(w.popup_button);
  TukPopup(w.popup, TUK_CENTER, TUK_CENTER);
  EXPECT_EQ(calls(), (Log{"disabled 50 of 55"}));
  EXPECT_EQ(attr(many[54], "ACTIVE"), "YES") << "the untracked extra stayed enabled";
  for (TukHandle d : many) EXPECT_EQ(attr(d, "ACTIVE"), "YES");
  // hiding one makes room in the list for another
  TukHide(many[0]);
  EXPECT_EQ(tuk_loop_state()->shown_count, 49);
}

TEST_F(LoopTest, PopupWaitingWithoutScriptAbortsNamingTheDialog) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TukStoreAttribute(w.popup, "TITLE", "Escolha de Cores");
  EXPECT_DEATH(TukPopup(w.popup, TUK_CENTER, TUK_CENTER), "Escolha de Cores");
}

int destroy_own_dialog(TukHandle self) {
  TukDestroy(tuk_element_dialog(self));
  return TUK_DEFAULT;
}

TEST_F(LoopTest, APopupDestroyedInsideItsLoopReturns) {
  TukShow(w.main);
  register_cb("close_me", destroy_own_dialog);
  TukHeadlessClickButton(w.popup_button);
  EXPECT_EQ(TukPopup(w.popup, TUK_CENTER, TUK_CENTER), TUK_NOERROR);
  EXPECT_EQ(tuk_loop_state()->popup_depth, 0);
  EXPECT_EQ(visible_count(), 1);
  EXPECT_EQ(attr(w.main, "ACTIVE"), "YES");
}

TukHandle g_third;
int hide_third(TukHandle) {
  calls().push_back("hide third");
  TukHide(g_third);
  return TUK_DEFAULT;
}

int hide_own_dialog(TukHandle self) {
  TukHide(tuk_element_dialog(self));
  return TUK_DEFAULT;
}

TEST_F(LoopTest, HidingThePopupFromItsOwnCallbackEndsIt) {
  TukShow(w.main);
  register_cb("close_me", hide_own_dialog);
  TukHeadlessClickButton(w.popup_button);  // with nothing else queued, a popup that goes on aborts
  EXPECT_EQ(TukPopup(w.popup, TUK_CENTER, TUK_CENTER), TUK_NOERROR);
  EXPECT_EQ(visible_count(), 1);
  EXPECT_EQ(attr(w.popup, "VISIBLE"), "NO");
  // hiding another dialog from inside a popup does not end the popup
  TukHandle third_button;
  TukHandle third = dialog_with_button("Third", "nothing", &third_button);
  TukShow(third);
  register_cb("close_me", close_me);
  register_cb("hide_third", hide_third);
  TukSetAttribute(w.popup_button, "ACTION", "hide_third");
  TukHandle second_button = TukButton("Fechar", "close_me");
  TukDestroy(w.popup);
  w.popup = TukDialog(TukVbox(TukButton("Hide", "hide_third"), second_button, nullptr));
  g_third = third;
  TukHeadlessClickButton(tuk_element_first_child(tuk_element_first_child(w.popup)));
  TukHeadlessClickButton(second_button);
  EXPECT_EQ(TukPopup(w.popup, TUK_CENTER, TUK_CENTER), TUK_NOERROR);
  EXPECT_EQ(calls(), (Log{"hide third", "close_me"}));
  EXPECT_EQ(attr(third, "VISIBLE"), "NO");
  EXPECT_EQ(visible_count(), 1);
}

int idle_calls;
int idle_close_second(void) { return ++idle_calls == 2 ? TUK_CLOSE : TUK_DEFAULT; }

TEST_F(LoopTest, IdleFunctionRunsWhenNothingIsPendingAndCanEndTheLoop) {
  register_cb("ignore_close", ignore_close);
  TukSetAttribute(w.main, "CLOSE_CB", "ignore_close");
  TukShow(w.main);
  idle_calls = 0;
  TukSetFunction("tuk-idle", TukCallbackOf(idle_close_second));
  TukFlush();
  EXPECT_EQ(idle_calls, 1) << "an empty queue reaches the idle function";
  TukHeadlessCloseDialog(w.main);  // dispatched first; the idle call comes when it is done
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(idle_calls, 2);
  EXPECT_EQ(calls(), (Log{"close_cb ignore"}));
  EXPECT_EQ(attr(w.main, "VISIBLE"), "YES") << "the idle function ended the loop, not a close";
}

int flush_count;
int count_flush(TukHandle) {
  ++flush_count;
  return TUK_CLOSE;
}

TEST_F(LoopTest, FlushHandlesPendingInputAndLeavesTheQuitForTheLoop) {
  TukShow(w.main);
  TukShow(w.popup);
  flush_count = 0;
  register_cb("close_me", count_flush);
  TukHeadlessClickButton(w.popup_button);
  TukFlush();  // returns at once when nothing is left; never waits
  EXPECT_EQ(flush_count, 1);
  EXPECT_TRUE(tuk_loop_state()->quit_pending);
  TukFlush();
  EXPECT_TRUE(tuk_loop_state()->quit_pending) << "TukFlush must not eat the loop's quit";
  EXPECT_EQ(TukMainLoop(), 0) << "the pending close ends the loop at once";
  EXPECT_FALSE(tuk_loop_state()->quit_pending);
}

int show_calls, map_calls;
int on_show(TukHandle, int state) {
  show_calls += state == 0;
  return TUK_DEFAULT;
}
int on_map(TukHandle) {
  ++map_calls;
  return TUK_DEFAULT;
}

TEST_F(LoopTest, MapCallbackOnceShowCallbackEachTime) {
  show_calls = map_calls = 0;
  register_cb("on_show", on_show);
  register_cb("on_map", on_map);
  TukSetAttribute(w.main, "SHOW_CB", "on_show");
  TukSetAttribute(w.main, "MAP_CB", "on_map");
  TukShow(w.main);
  TukHide(w.main);
  TukShow(w.main);
  EXPECT_EQ(map_calls, 1);
  EXPECT_EQ(show_calls, 2);
}

std::string focus_log;
int got_focus(TukHandle self, TukHandle) {
  focus_log += "get:" + attr(self, "TITLE") + " ";
  return TUK_DEFAULT;
}
int lost_focus(TukHandle self, TukHandle other) {
  focus_log += "kill:" + attr(self, "TITLE") + "->" + attr(other, "TITLE") + " ";
  return TUK_DEFAULT;
}

TEST_F(LoopTest, SetFocusReturnsThePreviousFocus) {
  TukHandle second = TukButton("Second", nullptr);
  TukHandle d = TukDialog(TukHbox(TukButton("First", nullptr), second, nullptr));
  TukShow(d);
  TukHandle first = tuk_element_first_child(tuk_element_first_child(d));
  focus_log.clear();
  register_cb("got_focus", got_focus);
  register_cb("lost_focus", lost_focus);
  TukSetAttribute(d, "GETFOCUS_CB", "got_focus");
  TukSetAttribute(d, "KILLFOCUS_CB", "lost_focus");
  EXPECT_EQ(TukSetFocus(second), first) << "showing a dialog focuses its first control";
  EXPECT_EQ(TukSetFocus(first), second);
  EXPECT_EQ(focus_log, "kill:First->Second get:Second kill:Second->First get:First ");
}

int picked_checked = -1;
int on_pick(TukHandle, int checked) {
  picked_checked = checked;
  return TUK_DEFAULT;
}
int exit_cb(TukHandle, int) { return TUK_CLOSE; }

TEST_F(LoopTest, MenuItemsCheckAndRunTheirActions) {
  TukHandle view = TukItem("Field Lines", "on_pick");
  TukHandle exit_item = TukItem("Exit", "exit_cb");
  TukHandle menu = TukMenu(TukSubmenu("View", TukMenu(view, nullptr)), TukSeparator(), exit_item, nullptr);
  TukSetHandle("menu", menu);
  TukSetAttribute(w.main, "MENU", "menu");
  register_cb("on_pick", on_pick);
  register_cb("exit_cb", exit_cb);
  TukShow(w.main);
  TukSetAttribute(view, "VALUE", "ON");
  EXPECT_EQ(attr(view, "VALUE"), "ON");
  TukSetAttribute(view, "VALUE", "yes please");
  EXPECT_EQ(attr(view, "VALUE"), "OFF") << "anything but ON shows no mark";
  TukSetAttribute(view, "VALUE", "ON");
  TukHeadlessPickItem(view);
  TukHeadlessPickItem(exit_item);  // TUK_CLOSE from a menu bar entry closes its dialog
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(picked_checked, 1);
  EXPECT_EQ(attr(w.main, "VISIBLE"), "NO");

  // a popup menu runs the picked entry's action before it returns
  picked_checked = -1;
  TukSetAttribute(view, "VALUE", "OFF");
  TukHandle context = TukMenu(TukItem("Pick", "on_pick"), nullptr);
  TukHeadlessAnswerMenu(tuk_element_first_child(context));
  EXPECT_EQ(TukPopup(context, TUK_MOUSEPOS, TUK_MOUSEPOS), TUK_NOERROR);
  EXPECT_EQ(picked_checked, 0);
  EXPECT_EQ(TukPopup(w.main_button, 0, 0), TUK_ERROR) << "a button cannot pop up";
}

}  // namespace
