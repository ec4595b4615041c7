// The 3D scene read back from a 640 x 480 canvas: figures where the camera saw them, the keys'
// viewpoints, team colours and their display lists, and "Make 3D Model".
#include <array>
#include <cmath>

#include "geometry/geometry.h"
#include "render/pitch.h"
#include "render3d_fixture.h"

namespace {

using SceneTest = GLSceneTest;

inline bool is_pure(Pixel p, int r, int g, int b) { return close_to(p, r, g, b, 2); }

double distance(const double a[3], const double b[3]) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

void expect_same(const double a[3], const double b[3], double tolerance) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], tolerance) << "component " << k;
}

void only_objects(int teamA, int teamB, int referee, int ball) {
  appState.teamACount = teamA;
  appState.teamBCount = teamB;
  appState.refereePresent = referee;
  appState.ballPresent = ball;
}

// Lowest row and the column of the middle of that row's pixels, for the pixels passing the test.
template <typename Test>
bool foot_of(const Frame& f, Test test, double* x, int* y) {
  int box[4];
  if (!f.bounds(test, box)) return false;
  int first = -1, last = -1;
  for (int c = box[0]; c <= box[2]; ++c)
    if (test(f.at(c, box[1]))) {
      if (first < 0) first = c;
      last = c;
    }
  *x = (first + last) / 2.0;
  *y = box[1];
  return true;
}

TEST_F(SceneTest, each_figure_stands_on_the_pixel_where_the_camera_saw_its_ground_point) {
  demo_model();
  const int players = appState.teamACount;
  ASSERT_GT(players, 0);
  for (int i = 0; i < players; ++i) {
    // one figure at a time: player i moved into the first slot
    AppState& s = appState;
    std::swap(s.teamAGroundX[0], s.teamAGroundX[i]);
    std::swap(s.teamAGroundY[0], s.teamAGroundY[i]);
    only_objects(1, 0, 0, 0);
    const Frame f = scene_frame();
    double u = 0, v = 0;
    project_world_point(s.cameraMatrix, s.teamAGroundX[0], s.teamAGroundY[0], 0.0, &u, &v);
    double x = 0;
    int y = 0;
    ASSERT_TRUE(foot_of(f, is_skin, &x, &y)) << "player " << i;
    EXPECT_NEAR(x, u, 3.0) << "player " << i;
    EXPECT_NEAR(y, v, 3.0) << "player " << i;
    // red shirt above the feet, white shorts between
    EXPECT_GT(f.count([](Pixel p) { return is_pure(p, 255, 0, 0); }), 0);
    std::swap(s.teamAGroundX[0], s.teamAGroundX[i]);
    std::swap(s.teamAGroundY[0], s.teamAGroundY[i]);
  }
}

TEST_F(SceneTest, camera_view_shows_the_photographs_pitch_registered) {
  demo_model();
  only_objects(0, 0, 0, 0);
  const Frame f = scene_frame();
  // the white lines through reference landmarks on the ground land on their marked pixels
  int checked = 0;
  for (int i = 0; i < appState.refCount; ++i) {
    if (appState.refWorldZ[i] != 0.0) continue;
    bool white = false;
    for (int dy = -3; dy <= 3 && !white; ++dy)
      for (int dx = -3; dx <= 3 && !white; ++dx)
        white = is_white(f.at(appState.refImageX[i] + dx, appState.refImageY[i] + dy));
    EXPECT_TRUE(white) << "reference point " << i;
    ++checked;
  }
  EXPECT_GE(checked, 6);
}

TEST_F(SceneTest, up_then_down_restores_the_eye_and_keeps_the_distance_to_the_centre) {
  demo_model();
  double eye[3], centre[3], target[3];
  std::copy(appState.viewEye, appState.viewEye + 3, eye);
  std::copy(appState.viewCenter, appState.viewCenter + 3, centre);
  std::copy(appState.viewTarget, appState.viewTarget + 3, target);
  const double reach = distance(eye, centre);

  kany_cb(nullptr, K_UP);
  EXPECT_NEAR(distance(appState.viewEye, eye), 1.0 / 0.3, 1e-9);
  EXPECT_NEAR(distance(appState.viewEye, appState.viewCenter), reach, 1e-9);
  // forwards: the eye moved along the viewing direction
  double moved = 0;
  for (int k = 0; k < 3; ++k) moved += (appState.viewEye[k] - eye[k]) * (centre[k] - eye[k]);
  EXPECT_GT(moved, 0);
  expect_same(appState.viewTarget, target, 0);

  kany_cb(nullptr, K_DOWN);
  expect_same(appState.viewEye, eye, 1e-9);
  expect_same(appState.viewCenter, centre, 1e-9);
}

TEST_F(SceneTest, a_step_from_an_eye_on_its_centre_leaves_the_view_as_it_was) {
  // before any camera the view records are all zeros: there is no direction to step in
  open_scene_canvas(64, 48);
  view_step(0);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(appState.viewEye[k], 0.0);
    EXPECT_EQ(appState.viewCenter[k], 0.0);
  }
}

TEST_F(SceneTest, three_hundred_and_sixty_x_presses_fall_short_of_a_turn_by_the_degree_factor) {
  demo_model();
  const double* t = appState.viewTarget;
  const double start[3] = {appState.viewEye[0] - t[0], appState.viewEye[1] - t[1], appState.viewEye[2] - t[2]};
  for (int i = 0; i < 360; ++i) kany_cb(nullptr, K_x);
  const double end[3] = {appState.viewEye[0] - t[0], appState.viewEye[1] - t[1], appState.viewEye[2] - t[2]};
  EXPECT_NEAR(end[0], start[0], 1e-9);  // an orbit about X keeps X
  const double turned = std::atan2(end[2], end[1]) - std::atan2(start[2], start[1]);
  const double shortfall = 2.0 * (M_PI - 3.1415);
  EXPECT_NEAR(turned, -shortfall, 1e-9);
  // and "X" turns back
  kany_cb(nullptr, K_X);
  kany_cb(nullptr, K_x);
  const double again[3] = {appState.viewEye[0] - t[0], appState.viewEye[1] - t[1], appState.viewEye[2] - t[2]};
  expect_same(again, end, 1e-9);
  // an orbit keeps the distance to the orbit point; a turn keeps the eye
  for (int key : {K_y, K_Z, K_z, K_Y}) kany_cb(nullptr, key);
  EXPECT_NEAR(distance(appState.viewEye, appState.viewTarget), std::hypot(start[0], std::hypot(start[1], start[2])), 1e-9);
  double eye[3];
  std::copy(appState.viewEye, appState.viewEye + 3, eye);
  kany_cb(nullptr, K_LEFT);
  expect_same(appState.viewEye, eye, 0);
}

TEST_F(SceneTest, c_shows_the_whole_pitch_from_above_and_r_returns_to_the_camera) {
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
    EXPECT_TRUE(top.near_top(x, top.h - 1 - y, 2, is_white)) << c[0] << "," << c[1];
  }
  int box[4];
  ASSERT_TRUE(top.bounds(is_grass, box));
  EXPECT_GT(box[0], 0);
  EXPECT_GT(box[1], 0);
  EXPECT_LT(box[2], top.w - 1);
  EXPECT_LT(box[3], top.h - 1);

  kany_cb(nullptr, K_r);
  expect_same(appState.viewEye, appState.savedEye, 0);
  expect_same(appState.viewCenter, appState.savedCenter, 0);
  expect_same(appState.viewTarget, appState.cameraTarget, 0);
  const Frame back = scene_frame();
  EXPECT_EQ(back.differing(camera), 0);
}

TEST_F(SceneTest, redraws_leave_the_view_transform_as_they_found_it) {
  demo_model();
  TukGLMakeCurrent(appState.sceneCanvas);
  float before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  for (int i = 0; i < 20; ++i) redraw_scene_view();
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(after[k], before[k]) << k;
}

TEST_F(SceneTest, keys_reach_the_scene_through_the_dialog_and_other_keys_do_nothing) {
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

TEST_F(SceneTest, a_team_without_players_compiles_no_list_and_loses_none) {
  demo_scene();
  only_objects(2, 0, 1, 0);
  open_scene_canvas(320, 240);
  gerarmod_cb(nullptr, 0);
  EXPECT_EQ(appState.teamBList, -1);
  ASSERT_GE(appState.teamAList, 0);
  TukGLMakeCurrent(appState.sceneCanvas);
  EXPECT_EQ(glIsList(appState.teamAList), GL_TRUE);
  drop_team_list(TEAM_B);
  EXPECT_EQ(glIsList(appState.teamAList), GL_TRUE);
  EXPECT_EQ(glIsList(appState.refereeList), GL_TRUE);
}

TEST_F(SceneTest, a_dropped_list_name_handed_out_again_is_not_taken_for_the_other_team) {
  demo_model();
  const int teamA = appState.teamACount;
  only_objects(0, appState.teamBCount, 1, 0);
  scene_frame();  // team B and the referee compiled; team A has none
  TukGLMakeCurrent(appState.sceneCanvas);
  drop_team_list(TEAM_B);
  appState.teamACount = teamA;  // team A gets its first figure, possibly under B's freed name
  const Frame f = scene_frame();
  EXPECT_NE(appState.teamAList, appState.teamBList);
  EXPECT_GT(f.count([](Pixel p) { return is_pure(p, 255, 0, 0); }), 0);
  EXPECT_GT(f.count([](Pixel p) { return is_pure(p, 0, 0, 255); }), 0);
}

TEST_F(SceneTest, the_referee_comes_back_when_the_context_lost_the_list) {
  demo_model();
  only_objects(0, 0, 1, 0);
  auto black = [](Pixel p) { return is_pure(p, 0, 0, 0); };
  const int shown = scene_frame().count(black);
  ASSERT_GT(shown, 0);
  TukGLMakeCurrent(appState.sceneCanvas);
  glDeleteLists(static_cast<GLuint>(appState.refereeList), 1);
  EXPECT_EQ(scene_frame().count(black), shown);
}

TEST_F(SceneTest, make_model_without_an_image_opens_nothing) {
  open_scene_canvas(64, 48);
  TukHide(appState.sceneDialog);
  appState.interactionMode = MODE_ADD_OBJECT;
  TukHeadlessAnswerMessage();
  gerarmod_cb(nullptr, 0);
  EXPECT_NE(last_message().find("Carregue uma imagem"), std::string::npos);
  EXPECT_STREQ(TukGetAttribute(appState.sceneDialog, "VISIBLE"), "NO");
  EXPECT_EQ(appState.interactionMode, MODE_ADD_OBJECT);
  EXPECT_EQ(appState.modelReady, 0);
}

// Three points give no camera: the window would open black, so the command says why instead.
TEST_F(SceneTest, make_model_with_three_points_says_why_and_opens_nothing) {
  demo_scene();
  open_scene_canvas(320, 240);
  TukHide(appState.sceneDialog);
  appState.refCount = 3;  // four ground landmarks would already fix the broadcast camera
  appState.interactionMode = MODE_ADD_REFERENCE;
  TukHeadlessAnswerMessage();
  gerarmod_cb(nullptr, 0);
  EXPECT_NE(last_message().find("Câmera não calibrada"), std::string::npos) << last_message();
  EXPECT_STREQ(TukGetAttribute(appState.sceneDialog, "VISIBLE"), "NO");
  EXPECT_EQ(appState.modelReady, 0);
  EXPECT_EQ(appState.interactionMode, MODE_ADD_REFERENCE);
}

TEST_F(SceneTest, make_model_with_six_points_builds_from_the_camera) {
  demo_scene();
  // six landmarks, two of them at crossbar height
  const int keep[6] = {0, 1, 2, 3, 11, 12};
  AppState& s = appState;
  for (int i = 0; i < 6; ++i) {
    s.refWorldX[i] = s.refWorldX[keep[i]], s.refWorldY[i] = s.refWorldY[keep[i]];
    s.refWorldZ[i] = s.refWorldZ[keep[i]];
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

}  // namespace
