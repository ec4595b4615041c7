// The main window's commands, driven through the headless toolkit's event loop.
#include "app/help_viewer.h"
#include "app_fixture.h"
#include "../common/list_answers.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class CommandTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    register_callbacks();
    ASSERT_EQ(TukShow(appState.mainDialog), 0);
  }
  // Picks a menu entry and lets the loop deliver it.
  void pick(TukHandle item) {
    TukHeadlessPickItem(item);
    TukFlush();
  }
  TukHandle entry(int submenu, int index) {
    return children(children(children(TukGetHandle("mainMenu"))[submenu])[0])[index];
  }
};

int g_redraws;
int counting_redraw(TukHandle, double, double) {
  ++g_redraws;
  return TUK_DEFAULT;
}

}  // namespace

TEST_F(CommandTest, view_toggles_switch_and_mark_their_entry_and_redraw) {
  TukSetFunction("redraw_cb", TukCallbackOf(counting_redraw));
  struct Toggle {
    TukHandle item;
    int* flag;
  } toggles[] = {{appState.visRefPointsItem, &appState.showRefPoints},
                 {appState.visObjPointsItem, &appState.showObjPoints},
                 {appState.visFieldLinesItem, &appState.showFieldLines}};
  for (const Toggle& t : toggles) {
    SCOPED_TRACE(attr(t.item, "TITLE"));
    g_redraws = 0;
    pick(t.item);
    EXPECT_EQ(*t.flag, 1);
    EXPECT_EQ(attr(t.item, "VALUE"), "ON");
    pick(t.item);
    EXPECT_EQ(*t.flag, 0);
    EXPECT_EQ(attr(t.item, "VALUE"), "OFF");
    EXPECT_EQ(g_redraws, 2);
  }
  // each toggle touches its own switch only
  pick(appState.visObjPointsItem);
  EXPECT_EQ(appState.showRefPoints, 0);
  EXPECT_EQ(appState.showObjPoints, 1);
  EXPECT_EQ(appState.showFieldLines, 0);
}

TEST_F(CommandTest, edit_and_measure_commands_set_the_mode) {
  pick(entry(1, 0));
  EXPECT_EQ(appState.interactionMode, MODE_ADD_REFERENCE);
  pick(entry(1, 1));
  EXPECT_EQ(appState.interactionMode, MODE_ADD_OBJECT);
  appState.measureClicks = 1;
  pick(entry(3, 0));
  EXPECT_EQ(appState.interactionMode, MODE_POINT_DISTANCE);
  EXPECT_EQ(appState.measureClicks, 0);  // a measurement in progress starts again
  appState.measureClicks = 2;
  pick(entry(3, 1));
  EXPECT_EQ(appState.interactionMode, MODE_PARALLEL_DISTANCE);
  EXPECT_EQ(appState.measureClicks, 0);
}

TEST_F(CommandTest, remove_commands_clear_points_and_keep_the_model) {
  appState.refCount = 7;
  appState.landmarkMarked = 1;
  appState.modelReady = 1;
  appState.teamACount = 2;
  appState.teamBCount = 3;
  appState.refereePresent = 1;
  appState.ballPresent = 1;
  TukSetFunction("tuk-idle", TukCallbackOf(answer_lists));
  g_listAnswers.clear();
  pick(entry(1, 3));  // "Não" is offered first: nothing goes
  EXPECT_EQ(appState.refCount, 7);
  g_listAnswers = {1};
  pick(entry(1, 3));
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_EQ(appState.landmarkMarked, 0);
  EXPECT_EQ(appState.modelReady, 1);
  EXPECT_EQ(appState.teamACount, 2);
  pick(entry(1, 4));
  EXPECT_EQ(appState.teamACount, 0);
  EXPECT_EQ(appState.teamBCount, 0);
  EXPECT_EQ(appState.refereePresent, 0);
  EXPECT_EQ(appState.ballPresent, 0);
}

TEST_F(CommandTest, exit_ends_the_main_loop) {
  TukHeadlessPickItem(entry(0, 9));
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(appState.mainDialog, "VISIBLE"), "NO");
}

TEST_F(CommandTest, close_box_ends_the_main_loop) {
  TukHeadlessCloseDialog(appState.mainDialog);
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(appState.mainDialog, "VISIBLE"), "NO");
}

TEST_F(CommandTest, about_pops_up_at_the_top_left_and_closes) {
  TukHeadlessPickItem(entry(4, 1));
  TukHeadlessCloseDialog(nullptr);  // the close box of the innermost popup
  TukHeadlessPickItem(entry(0, 9));
  EXPECT_EQ(TukMainLoop(), 0);
  int x = -1, y = -1;
  tuk_element_geometry(appState.aboutDialog, &x, &y, nullptr, nullptr);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(attr(appState.aboutDialog, "VISIBLE"), "NO");
  EXPECT_EQ(TukHeadlessPendingInput(), 0);
}

TEST_F(CommandTest, help_without_the_file_says_so) {
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  char dir[] = "/tmp/varnesk_help_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(chdir(dir), 0);
  char found[4096];
  const bool installed = *help_find_file(HELP_FILE_NAME, found, sizeof found) != '\0';
  if (!installed) {
    TukHeadlessAnswerMessage();
    pick(entry(4, 0));
    const char* title = nullptr;
    const char* text = nullptr;
    TukHeadlessLastMessage(&title, &text);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Erro");
    EXPECT_NE(std::string(text).find("Varnesk.hlp"), std::string::npos);
  }
  // with the file in the current folder it is found there and no message is shown
  { std::ofstream(std::string(dir) + "/" + HELP_FILE_NAME) << "<html></html>\n"; }
  ASSERT_NE(*help_find_file(HELP_FILE_NAME, found, sizeof found), '\0');
  if (!installed) {
    EXPECT_EQ(std::string(found), std::string("./") + HELP_FILE_NAME);
  }
  pick(entry(4, 0));  // a message now would abort the headless run: none is queued
  std::remove((std::string(dir) + "/" + HELP_FILE_NAME).c_str());
  ASSERT_EQ(chdir(here), 0);
  rmdir(dir);
}
