// The 3D scene read back from its canvas: figures where the camera saw them, the keys'
// viewpoints, the display lists, "Make 3D Model" and the team colour commands.
#include <array>

#include "../common/list_answers.h"
#include "data/demo/demo_truth.h"
#include "geometry/geometry.h"
#include "render/pitch.h"
#include "render_fixture.h"

namespace {

using Scene3d = GLSceneTest;

bool is_pure(Pixel p, int r, int g, int b) { return close_to(p, r, g, b, 2); }
bool is_red_shirt(Pixel p) { return is_pure(p, 255, 0, 0); }
bool is_blue_shirt(Pixel p) { return is_pure(p, 0, 0, 255); }
bool is_green_shirt(Pixel p) { return is_pure(p, 0, 255, 0); }
bool is_black(Pixel p) { return is_pure(p, 0, 0, 0); }

double distance(const double a[3], const double b[3]) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

void expect_same(const double a[3], const double b[3], double tolerance) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], tolerance) << "component " << k;
}

void only_objects(int teamA, int teamB, int referee, int ball) {
  appState.teamACount = teamA, appState.teamBCount = teamB;
  appState.refereePresent = referee, appState.ballPresent = ball;
}

TEST_F(Scene3d, PitchOrGoalFramesOffTheMarkedLandmarks) {
  demo_model();
  only_objects(0, 0, 0, 0);
  const Frame f = scene_frame();
  // the white lines and the crossbars pass through the reference points' marked pixels
  for (int i = 0; i < appState.refCount; ++i)
    EXPECT_TRUE(f.near(appState.refImageX[i], appState.refImageY[i], 3, is_white)) << "reference point " << i;
  double u, v;
  demo_project(kDemoCamera, 9.0, 40.0, 0.0, &u, &v);
  EXPECT_TRUE(is_exactly(f.at(demo_pixel(u), demo_pixel(v)), 0, 153, 0)) << "grass";
}

TEST_F(Scene3d, KeyMovesTheEyeTheWrongWayOrTooFar) {
  demo_model();
  AppState& s = appState;
  double eye[3], centre[3], target[3];
  std::copy(s.viewEye, s.viewEye + 3, eye);
  std::copy(s.viewCenter, s.viewCenter + 3, centre);
  std::copy(s.viewTarget, s.viewTarget + 3, target);
  // up: forwards along the viewing direction by 1 / 0.3 m; down: back
  kany_cb(nullptr, K_UP);
  EXPECT_NEAR(distance(s.viewEye, eye), 1.0 / 0.3, 1e-9);
  EXPECT_NEAR(distance(s.viewEye, s.viewCenter), distance(eye, centre), 1e-9);
  double moved = 0;
  for (int k = 0; k < 3; ++k) moved += (s.viewEye[k] - eye[k]) * (centre[k] - eye[k]);
  EXPECT_GT(moved, 0);
  expect_same(s.viewTarget, target, 0);
  kany_cb(nullptr, K_DOWN);
  expect_same(s.viewEye, eye, 1e-9);
  expect_same(s.viewCenter, centre, 1e-9);

  // 360 presses of "x" fall short of a turn by the degree factor's 3.1415; "X" turns back
  const auto offset = [&] { return std::array<double, 3>{s.viewEye[0] - target[0], s.viewEye[1] - target[1], s.viewEye[2] - target[2]}; };
  const auto start = offset();
  for (int i = 0; i < 360; ++i) kany_cb(nullptr, K_x);
  const auto end = offset();
  EXPECT_NEAR(end[0], start[0], 1e-9) << "an orbit about X keeps X";
  EXPECT_NEAR(std::atan2(end[2], end[1]) - std::atan2(start[2], start[1]), -2.0 * (M_PI - 3.1415), 1e-9);
  kany_cb(nullptr, K_X);
  kany_cb(nullptr, K_x);
  const auto again = offset();
  expect_same(again.data(), end.data(), 1e-9);
  // an orbit keeps the distance to the orbit point; a turn keeps the eye
  for (int key : {K_y, K_Z, K_z, K_Y}) kany_cb(nullptr, key);
  EXPECT_NEAR(distance(s.viewEye, s.viewTarget), std::hypot(start[0], start[1], start[2]), 1e-9);
  std::copy(s.viewEye, s.viewEye + 3, eye);
  kany_cb(nullptr, K_LEFT);
  expect_same(s.viewEye, eye, 0);
}

TEST_F(Scene3d, StepWithoutADirectionMovesTheView) {
  // before any camera the view records are all zeros: there is no direction to step in
  open_scene_canvas(64, 48);
  view_step(0);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(appState.viewEye[k] + appState.viewCenter[k], 0.0);
}

TEST_F(Scene3d, TopViewMissesThePitchOrRestoreMissesTheCamera) {
  demo_model();
  only_objects(0, 0, 0, 0);
  const Frame camera = scene_frame();
  kany_cb(nullptr, K_C);
  const Frame top = scene_frame();
  // straight above the centre spot with the camera's field of view: X to the right, Y upwards
  const double fov = camera_vertical_fov(appState) * M_PI / 180.0;
  const double scale = (top.h / 2.0) / (TOP_VIEW_HEIGHT * std::tan(fov / 2.0));  // pixels a metre
  for (const auto& c : {std::array<double, 2>{0, 0}, {105, 0}, {105, 68}, {0, 68}, {52.5, 34}}) {
    const int x = static_cast<int>(std::lround(top.w / 2.0 + (c[0] - 52.5) * scale));
    const int y = static_cast<int>(std::lround(top.h / 2.0 + (c[1] - 34.0) * scale));
    EXPECT_TRUE(top.near(x, y, 2, is_white)) << c[0] << "," << c[1];
  }
  int box[4];
  ASSERT_TRUE(top.bounds(is_grass, box));
  EXPECT_TRUE(box[0] > 0 && box[1] > 0 && box[2] < top.w - 1 && box[3] < top.h - 1) << "the whole pitch";
  kany_cb(nullptr, K_r);
  expect_same(appState.viewEye, appState.savedEye, 0);
  expect_same(appState.viewCenter, appState.savedCenter, 0);
  expect_same(appState.viewTarget, appState.cameraTarget, 0);
  EXPECT_EQ(scene_frame().rgb, camera.rgb);
}

TEST_F(Scene3d, RedrawsLeaveTheModelviewChanged) {
  demo_model();
  TukGLMakeCurrent(appState.sceneCanvas);
  float before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  for (int i = 0; i < 20; ++i) redraw_scene_view();
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(after[k], before[k]) << k;
}

TEST_F(Scene3d, KeysLostOnTheWayThroughTheDialogOrOthersActing) {
  demo_model();
  // a click on the canvas gives it the keyboard focus
  TukHeadlessMousePress(appState.sceneCanvas, 1, 10, 10, 0);
  TukHeadlessMouseRelease(appState.sceneCanvas, 1, 10, 10, 0);
  double eye[3];
  std::copy(appState.viewEye, appState.viewEye + 3, eye);
  TukHeadlessKey('q', 0);
  TukHeadlessKey(TUK_KS_ENTER, 0);
  TukFlush();
  expect_same(appState.viewEye, eye, 0);
  TukHeadlessKey('c', 0);
  TukFlush();
  EXPECT_EQ(appState.viewEye[2], TOP_VIEW_HEIGHT);
  TukHeadlessKey('r', TUK_MOD_SHIFT);
  TukFlush();
  expect_same(appState.viewEye, eye, 0);
}

TEST_F(Scene3d, DisplayListOfAnEmptyTeamOrLostFromTheContext) {
  demo_scene();
  only_objects(2, 0, 1, 0);
  open_scene_canvas(320, 240);
  gerarmod_cb(nullptr, 0);
  EXPECT_EQ(appState.teamBList, -1) << "a team without players compiles no list";
  TukGLMakeCurrent(appState.sceneCanvas);
  drop_team_list(TEAM_B);
  EXPECT_EQ(glIsList(appState.teamAList), GL_TRUE) << "dropping the empty team lost another's list";
  EXPECT_EQ(glIsList(appState.refereeList), GL_TRUE);
  only_objects(0, 0, 1, 0);
  const int shown = scene_frame().count(is_black);
  ASSERT_GT(shown, 0);
  TukGLMakeCurrent(appState.sceneCanvas);
  glDeleteLists(static_cast<GLuint>(appState.refereeList), 1);
  EXPECT_EQ(scene_frame().count(is_black), shown) << "the referee comes back when the context lost his list";
}

TEST_F(Scene3d, DroppedListNameHandedOutAgainTakenForTheOtherTeam) {
  demo_model();
  const int teamA = appState.teamACount;
  only_objects(0, appState.teamBCount, 1, 0);
  scene_frame();  // team B and the referee compiled; team A has none
  TukGLMakeCurrent(appState.sceneCanvas);
  drop_team_list(TEAM_B);
  appState.teamACount = teamA;  // team A gets its first figure, possibly under B's freed name
  const Frame f = scene_frame();
  EXPECT_NE(appState.teamAList, appState.teamBList);
  EXPECT_GT(f.count(is_red_shirt), 0);
  EXPECT_GT(f.count(is_blue_shirt), 0);
}

TEST_F(Scene3d, MakeModelWithoutAPictureOpensAWindow) {
  open_scene_canvas(64, 48);
  TukHide(appState.sceneDialog);
  appState.interactionMode = MODE_ADD_OBJECT;
  TukHeadlessAnswerMessage();
  gerarmod_cb(nullptr, 0);
  EXPECT_NE(last_message().find("Carregue uma imagem"), std::string::npos) << last_message();
  EXPECT_EQ(attr(appState.sceneDialog, "VISIBLE"), "NO");
  EXPECT_EQ(appState.interactionMode, MODE_ADD_OBJECT);
  EXPECT_EQ(appState.modelReady, 0);
}

TEST_F(Scene3d, MakeModelFromSixPointsRefused) {
  demo_scene();
  // six landmarks, two of them at crossbar height
  const int keep[6] = {0, 1, 2, 3, 11, 12};
  AppState& s = appState;
  for (int i = 0; i < 6; ++i) {
    s.refWorldX[i] = s.refWorldX[keep[i]], s.refWorldY[i] = s.refWorldY[keep[i]], s.refWorldZ[i] = s.refWorldZ[keep[i]];
    s.refImageX[i] = s.refImageX[keep[i]], s.refImageY[i] = s.refImageY[keep[i]];
  }
  s.refCount = 6;
  open_scene_canvas(320, 240);
  gerarmod_cb(nullptr, 0);
  EXPECT_STREQ(TukGetAttribute(s.sceneDialog, "VISIBLE"), "YES");
  EXPECT_EQ(s.modelReady, 1);
  expect_same(s.viewEye, s.cameraEye, 0);
  const Frame f = scene_frame();
  EXPECT_GT(f.count(is_grass), f.w * f.h / 10);
  EXPECT_GT(f.count(is_white), 0);
  EXPECT_GT(f.count(is_skin), 0);
}

// The team colour commands with the real list dialog, answered from the idle hook.
std::string g_listTitle;
int answer_noting_title() {
  if (TukHandle ok = TukGetHandle("TukListOkButton")) g_listTitle = attr(tuk_element_dialog(ok), "TITLE");
  return answer_lists();
}
void choose(int (*command)(TukHandle, int), int entry /* from 0; -1 cancels */) {
  g_listAnswers.clear();
  if (entry >= 0) g_listAnswers.push_back(entry);
  g_listTitle.clear();
  TukSetFunction("tuk-idle", TukCallbackOf(answer_noting_title));
  command(nullptr, 0);
  TukSetFunction("tuk-idle", nullptr);
}

TEST_F(Scene3d, TeamColourCancelledOrRedrawingTheWrongTeamOrStaleOnceShown) {
  demo_model();
  const Frame before = scene_frame();
  const int blue = before.count(is_blue_shirt), teamAList = appState.teamAList, refereeList = appState.refereeList;
  ASSERT_GT(blue, 0);
  choose(cortimea_cb, -1);
  EXPECT_EQ(g_listTitle, "Cor do Time A");
  EXPECT_EQ(appState.teamAColor, 0);
  EXPECT_EQ(scene_frame().rgb, before.rgb) << "a cancelled list changed the scene";
  choose(cortimeb_cb, 1);  // "Green"
  EXPECT_EQ(g_listTitle, "Cor do Time B");
  EXPECT_EQ(appState.teamBColor, 1);
  // the command itself redrew the open scene: only team B's shirts changed, from blue to green
  Frame after;
  ASSERT_TRUE(after.grab(appState.sceneCanvas));
  int changed = 0;
  for (int y = 0; y < after.h; ++y)
    for (int x = 0; x < after.w; ++x) {
      const Pixel a = before.at(x, y), b = after.at(x, y);
      if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
      ++changed;
      EXPECT_TRUE(is_blue_shirt(a) && is_green_shirt(b)) << x << "," << y;
    }
  EXPECT_EQ(changed, blue);
  EXPECT_EQ(appState.teamAList, teamAList);
  EXPECT_EQ(appState.refereeList, refereeList);
  // hidden: not redrawn by the command, the new colour at the next redraw
  TukHide(appState.sceneDialog);
  choose(cortimea_cb, 3);  // "Yellow"
  Frame same;
  ASSERT_TRUE(same.grab(appState.sceneCanvas));
  EXPECT_EQ(same.rgb, after.rgb);
  const Frame shown = scene_frame();
  EXPECT_EQ(shown.count(is_red_shirt), 0);
  EXPECT_GT(shown.count([](Pixel p) { return is_pure(p, 255, 255, 0); }), 0);
}

}  // namespace
