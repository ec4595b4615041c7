// Showing, hiding, the main loop, modal popups and the close rules.
#include "tuk_fixture.h"

namespace {

TukHandle g_main, g_main_button;    // the button opens g_popup
TukHandle g_popup, g_popup_button;  // the button logs the main dialog's ACTIVE and closes

TukHandle dialog_with_button(const char* action, TukHandle* button) {
  *button = TukButton("button", action);
  return TukDialog(TukVbox(*button, nullptr));
}

int log_and(const std::string& what, int result) {
  calls().push_back(what);
  return result;
}

class LoopTest : public TukTest {
 protected:
  void SetUp() override {
    TukTest::SetUp();
    g_main = dialog_with_button("open_popup", &g_main_button);
    g_popup = dialog_with_button("close_me", &g_popup_button);
    register_cb("open_popup", [](TukHandle) {
      calls().push_back("popup in");
      return log_and("popup out " + std::to_string(TukPopup(g_popup, TUK_CENTER, TUK_CENTER)), TUK_DEFAULT);
    });
    register_cb("close_me", [](TukHandle) { return log_and("close_me main " + attr(g_main, "ACTIVE"), TUK_CLOSE); });
    register_cb("ignore_close", [](TukHandle) { return log_and("close_cb ignore", TUK_IGNORE); });
    register_cb("default_close", [](TukHandle) { return log_and("close_cb default", TUK_DEFAULT); });
  }
};

TEST_F(LoopTest, CloseCallbackResultIgnoredOrVisibleCountDrifts) {
  TukHandle other_button;
  TukHandle other = dialog_with_button("nothing", &other_button);
  TukSetAttribute(g_main, "CLOSE_CB", "ignore_close");
  TukSetAttribute(other, "CLOSE_CB", "default_close");
  for (TukHandle d : {g_main, g_main, other, g_popup}) ASSERT_EQ(TukShow(d), TUK_NOERROR);
  EXPECT_EQ(visible_count(), 3) << "a second show of a visible dialog counts once";
  TukHeadlessCloseDialog(g_main);   // IGNORE: stays
  TukHeadlessCloseDialog(other);    // DEFAULT: hidden, the loop goes on
  TukHeadlessCloseDialog(g_popup);  // no CLOSE_CB: hidden like DEFAULT
  TukFlush();
  EXPECT_EQ(attr(g_main, "VISIBLE") + attr(other, "VISIBLE") + attr(g_popup_button, "VISIBLE"), "YESNONO");
  EXPECT_EQ(visible_count(), 1);
  // CLOSE: the close action ends the loop even though another dialog stays visible
  TukShow(other);
  TukSetAttribute(g_main, "CLOSE_CB", "close_me");
  TukHeadlessCloseDialog(g_main);
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(g_main, "VISIBLE") + attr(other, "VISIBLE"), "NOYES");
  EXPECT_EQ(calls(), (Log{"close_cb ignore", "close_cb default", "close_me main YES"}));
  TukShow(g_popup);
  TukDestroy(g_popup);
  EXPECT_EQ(visible_count() * 10 + tuk_loop_state()->shown_count, 11) << "destroyed while shown";
  TukHeadlessCloseDialog(other);
  EXPECT_EQ(TukMainLoop(), 0) << "the last visible dialog hidden ends the loop";
}

TEST_F(LoopTest, CloseInsideAPopupEndsTheMainLoopOrLeavesMainDisabled) {
  TukShow(g_main);
  TukHeadlessClickButton(g_main_button);   // opens the popup from inside the main loop
  TukHeadlessClickButton(g_main_button);   // the main dialog is disabled now: dropped
  TukHeadlessClickButton(g_popup_button);  // TUK_CLOSE: only the popup ends
  TukHeadlessCloseDialog(g_main);          // the main loop is still running to see this
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(calls(), (Log{"popup in", "close_me main NO", "popup out 0"}));
  EXPECT_EQ(TukHeadlessDroppedInput(), 1);
  EXPECT_EQ(attr(g_main, "ACTIVE"), "YES") << "re-enabled when the popup stack empties";
  EXPECT_EQ(visible_count() + tuk_loop_state()->popup_depth, 0);
  // the frame's close box of a popup runs the close action after a DEFAULT from CLOSE_CB
  TukSetAttribute(g_popup, "CLOSE_CB", "default_close");
  TukHeadlessCloseDialog(g_popup);
  EXPECT_EQ(TukPopup(g_popup, TUK_LEFT, TUK_RIGHT), TUK_NOERROR);
  EXPECT_EQ(std::to_string(g_popup->x) + "," + std::to_string(g_popup->y), "0," + std::to_string(1024 - g_popup->current_h));
}

// Popups nested 19 deep, each noting who is disabled while it runs: the ACTIVE of the main
// dialog and of the level below, at each level.
constexpr int kDepth = 19;
TukHandle nest_dialogs[kDepth], nest_buttons[kDepth];

int nest_level(TukHandle self) {
  int level = 0;
  while (level < kDepth && nest_buttons[level] != self) ++level;
  calls().push_back(attr(g_main, "ACTIVE") + "/" + (level > 0 ? attr(nest_dialogs[level - 1], "ACTIVE") : "-"));
  if (level + 1 < kDepth) {
    TukHeadlessClickButton(nest_buttons[level + 1]);
    TukPopup(nest_dialogs[level + 1], TUK_CENTER, TUK_CENTER);
  }
  return TUK_CLOSE;
}

TEST_F(LoopTest, NestedPopupsOrShownDialogsOverflowTheirTablesOrStayDisabled) {
  register_cb("nest_level", nest_level);
  std::vector<TukHandle> shown = {g_main};
  for (int i = 0; i < 54; ++i) shown.push_back(TukDialog(nullptr));
  for (TukHandle d : shown) ASSERT_EQ(TukShow(d), TUK_NOERROR);
  EXPECT_EQ(tuk_loop_state()->shown_count, TUK_SHOWN_MAX);
  for (int i = 0; i < kDepth; ++i) nest_dialogs[i] = dialog_with_button("nest_level", &nest_buttons[i]);
  TukHeadlessClickButton(nest_buttons[0]);
  TukPopup(nest_dialogs[0], TUK_CENTER, TUK_CENTER);
  // the 17th popup and deeper are shown without being pushed: the one below stays enabled
  Log want = {"NO/-"};
  for (int level = 1; level < kDepth; ++level) want.push_back(level < TUK_POPUP_STACK_MAX ? "NO/NO" : "NO/YES");
  EXPECT_EQ(calls(), want);
  for (TukHandle d : nest_dialogs) EXPECT_EQ(attr(d, "ACTIVE"), "YES");
  // the dialogs shown beyond the list's 50 were never disabled; the others are enabled again
  for (TukHandle d : shown) EXPECT_EQ(attr(d, "ACTIVE"), "YES");
  EXPECT_EQ(visible_count(), 55);
  EXPECT_EQ(tuk_loop_state()->popup_stack_size + tuk_loop_state()->popup_depth, 0);
  TukHide(shown[0]);
  EXPECT_EQ(tuk_loop_state()->shown_count, TUK_SHOWN_MAX - 1) << "hiding one makes room in the list";
}

TEST_F(LoopTest, PopupWaitingWithoutScriptHangsInsteadOfNamingTheDialog) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TukStoreAttribute(g_popup, "TITLE", "Escolha de Cores");
  EXPECT_DEATH(TukPopup(g_popup, TUK_CENTER, TUK_CENTER), "Escolha de Cores");
}

TEST_F(LoopTest, PopupKeepsRunningWhenItsOwnOrAnotherDialogGoes) {
  TukShow(g_main);
  TukShow(g_popup);
  // a popup that went on would abort: nothing else is queued
  register_cb("destroy_own", [](TukHandle self) { return log_and("destroy", (TukDestroy(tuk_element_dialog(self)), TUK_DEFAULT)); });
  register_cb("hide_own", [](TukHandle self) { return log_and("hide", (TukHide(tuk_element_dialog(self)), TUK_DEFAULT)); });
  register_cb("hide_other", [](TukHandle) { return log_and("hide other", (TukHide(g_popup), TUK_DEFAULT)); });
  for (const char* action : {"destroy_own", "hide_own", "hide_other"}) {
    TukHandle first = TukButton("1", action), second = TukButton("2", "close_me");
    TukHeadlessClickButton(first);
    if (std::string(action) == "hide_other") TukHeadlessClickButton(second);  // hiding another dialog does not end it
    EXPECT_EQ(TukPopup(TukDialog(TukVbox(first, second, nullptr)), TUK_CENTER, TUK_CENTER), TUK_NOERROR) << action;
  }
  EXPECT_EQ(calls(), (Log{"destroy", "hide", "hide other", "close_me main NO"}));
  EXPECT_EQ(visible_count() + tuk_loop_state()->popup_depth, 1);
  EXPECT_EQ(attr(g_main, "ACTIVE"), "YES");
}

TEST_F(LoopTest, FlushEatsTheLoopsQuit) {
  TukShow(g_main);
  TukShow(g_popup);
  TukHeadlessClickButton(g_popup_button);
  TukFlush();  // returns at once when nothing is left; never waits
  TukFlush();
  EXPECT_EQ(calls(), (Log{"close_me main YES"}));
  EXPECT_TRUE(tuk_loop_state()->quit_pending) << "TukFlush must not eat the loop's quit";
  EXPECT_EQ(TukMainLoop(), 0) << "the pending close ends the loop at once";
  EXPECT_FALSE(tuk_loop_state()->quit_pending);
}

TEST_F(LoopTest, MenuEntryLosesItsMarkOrItsAction) {
  register_cb("on_pick", [](TukHandle, int checked) { return log_and(checked ? "checked" : "unchecked", TUK_DEFAULT); });
  register_cb("exit_cb", [](TukHandle, int) -> int { return TUK_CLOSE; });
  TukHandle view = TukItem("Field Lines", "on_pick");
  TukHandle exit_item = TukItem("Exit", "exit_cb");
  TukSetHandle("menu", TukMenu(TukSubmenu("View", TukMenu(view, nullptr)), TukSeparator(), exit_item, nullptr));
  TukSetAttribute(g_main, "MENU", "menu");
  TukShow(g_main);
  TukSetAttribute(view, "VALUE", "ON");
  TukHeadlessPickItem(view);
  TukHeadlessPickItem(exit_item);  // TUK_CLOSE from a menu bar entry closes its dialog
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(g_main, "VISIBLE"), "NO");
  EXPECT_EQ(calls(), (Log{"checked"}));
}

}  // namespace
