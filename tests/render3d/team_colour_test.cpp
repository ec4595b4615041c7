// The team colour commands with the real list dialog, answered from the toolkit's idle hook
// once the dialog is up (its list does not exist before).
#include "render3d_fixture.h"
#include "toolkit/driver.h"

namespace {

int g_item = 0;          // list entry to choose (from 1), or 0 to cancel
bool g_answered = false;
std::string g_title;     // title of the list dialog that was answered

TukHandle find_kind(TukHandle e, int kind) {
  if (tuk_element_kind(e) == kind) return e;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c))
    if (TukHandle found = find_kind(c, kind)) return found;
  return nullptr;
}

int answer_list() {
  TukHandle popup = tuk_innermost_popup();
  if (!popup || g_answered) return TUK_DEFAULT;
  g_answered = true;
  const char* title = TukGetAttribute(popup, "TITLE");
  g_title = title ? title : "";
  if (g_item > 0) {
    TukHeadlessChooseListEntry(find_kind(popup, TUK_KIND_LIST), g_item);
    TukHeadlessClickButton(TukGetHandle("TukListOkButton"));
  } else {
    TukHeadlessClickButton(TukGetHandle("TukListCancelButton"));
  }
  return TUK_DEFAULT;
}

class TeamColourTest : public GLSceneTest {
 protected:
  void choose(int (*command)(TukHandle, int), int item) {
    g_item = item;
    g_answered = false;
    TukSetFunction("tuk-idle", TukCallbackOf(answer_list));
    command(nullptr, 0);
    TukSetFunction("tuk-idle", nullptr);
    ASSERT_TRUE(g_answered);
  }
};

bool is_blue(Pixel p) { return close_to(p, 0, 0, 255, 2); }
bool is_green_shirt(Pixel p) { return close_to(p, 0, 255, 0, 2); }
bool is_red_shirt(Pixel p) { return close_to(p, 255, 0, 0, 2); }

TEST_F(TeamColourTest, team_b_colour_while_the_scene_is_open_redraws_team_b_only) {
  demo_model();
  const Frame before = scene_frame();
  ASSERT_GT(before.count(is_blue), 0);
  const int teamAList = appState.teamAList;
  const int refereeList = appState.refereeList;

  choose(cortimeb_cb, 2);  // "Green"
  EXPECT_EQ(g_title, "Cor do Time B");
  EXPECT_EQ(appState.teamBColor, 1);
  EXPECT_EQ(appState.teamAColor, 0);
  // the command itself redrew the open scene
  Frame after;
  ASSERT_TRUE(after.grab(appState.sceneCanvas));
  EXPECT_EQ(after.count(is_blue), 0);
  int changed = 0;
  for (int y = 0; y < after.h; ++y)
    for (int x = 0; x < after.w; ++x) {
      const Pixel a = before.at(x, y), b = after.at(x, y);
      if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
      ++changed;
      // only team B's shirts changed, from blue to green
      EXPECT_TRUE(is_blue(a) && is_green_shirt(b)) << x << "," << y;
    }
  EXPECT_EQ(changed, before.count(is_blue));
  EXPECT_EQ(appState.teamAList, teamAList);
  EXPECT_EQ(appState.refereeList, refereeList);
}

TEST_F(TeamColourTest, a_cancelled_list_changes_nothing) {
  demo_model();
  const Frame before = scene_frame();
  const int teamAList = appState.teamAList;
  choose(cortimea_cb, 0);
  EXPECT_EQ(g_title, "Cor do Time A");
  EXPECT_EQ(appState.teamAColor, 0);
  EXPECT_EQ(appState.teamAList, teamAList);
  TukGLMakeCurrent(appState.sceneCanvas);
  EXPECT_EQ(glIsList(teamAList), GL_TRUE);
  EXPECT_EQ(scene_frame().differing(before), 0);
}

TEST_F(TeamColourTest, team_a_colour_while_the_scene_is_hidden_shows_at_the_next_redraw) {
  demo_model();
  const Frame before = scene_frame();
  const int red = before.count(is_red_shirt);
  ASSERT_GT(red, 0);
  TukHide(appState.sceneDialog);
  choose(cortimea_cb, 2);  // "Green"
  EXPECT_EQ(appState.teamAColor, 1);
  Frame same;
  ASSERT_TRUE(same.grab(appState.sceneCanvas));
  EXPECT_EQ(same.rgb, before.rgb);  // the very frame: not redrawn while hidden
  const Frame after = scene_frame();
  EXPECT_EQ(after.count(is_red_shirt), 0);
  EXPECT_GT(after.count(is_green_shirt), 0);
  EXPECT_GT(after.count(is_blue), 0);
}

}  // namespace
