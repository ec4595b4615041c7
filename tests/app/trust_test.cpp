// The camera kept in step with the picture and the points, the mislabelled point named and taken
// back, and the points corrected by a click on their cross: the real main window on the headless
// driver, with the demo scene.
#include "../common/list_answers.h"
#include "app/canvas_input.h"
#include "app/landmark_dialog.h"
#include "app/calibration_text.h"
#include "app/reference_edit.h"
#include "app/scene_commands.h"
#include "app_fixture.h"
#include "render/image_view.h"
#include "app/file_commands.h"
#include "toolkit/tuk_dialogs.h"

namespace {

class TrustTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    register_callbacks();
    TukSetFunction("tuk-idle", TukCallbackOf(answer_lists));
    g_listAnswers.clear();
    g_listsSeen = 0;
    ASSERT_EQ(TukShow(appState.mainDialog), 0);
    SceneLoadReport report;
    int loaded = 0;
    ASSERT_NO_FATAL_FAILURE(load_demo_scene(&report, &loaded));
    ASSERT_EQ(loaded, 1);
    ASSERT_EQ(recalibrate(appState), 1);
    appState.measureX1 = 300, appState.measureY1 = 100;
    appState.measureX2 = 400, appState.measureY2 = 150;
  }
  bool measures() { return measure_clicked_points(MODE_PARALLEL_DISTANCE).ok == 1; }
  // A click at image column x, row y from the bottom.
  void click_image(int x, int y) {
    TukHeadlessMousePress(appState.imageCanvas, 1, x, appState.imageHeight - 1 - y, 0);
    TukHeadlessMouseRelease(appState.imageCanvas, 1, x, appState.imageHeight - 1 - y, 0);
    TukFlush();
  }
};

// Every way of losing the points or the picture leaves no camera to measure or model with.
TEST_F(TrustTest, a_camera_from_other_points_or_another_picture_never_measures) {
  ASSERT_TRUE(measures());

  TukHeadlessAnswerFile((std::string(VARNESK_SOURCE_DIR) + "/data/demo/demo.jpg").c_str());
  load_imag_cb(nullptr, 0);
  const MeasureOutcome m = measure_clicked_points(MODE_PARALLEL_DISTANCE);
  EXPECT_EQ(m.ok, 0);
  char why[320];
  not_calibrated_text(appState, why, sizeof why);
  EXPECT_STREQ(m.text, why);
  TukHeadlessAnswerMessage();
  gerarmod_cb(nullptr, 0);
  EXPECT_EQ(last_message(), std::string("Erro|") + why);
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  EXPECT_NE(attr(appState.sceneDialog, "VISIBLE"), "YES") << "no black 3D window";

  // eight ground points on one line, which no camera can use
  appState.refCount = 8;
  for (int i = 0; i < 8; ++i) {
    appState.refWorldX[i] = 10.0 * i, appState.refWorldY[i] = 0, appState.refWorldZ[i] = 0;
    appState.refImageX[i] = 50 * i, appState.refImageY[i] = 20;
  }
  EXPECT_FALSE(measures());

  SceneLoadReport report;
  int loaded = 0;
  ASSERT_NO_FATAL_FAILURE(load_demo_scene(&report, &loaded));
  ASSERT_EQ(recalibrate(appState), 1);
  ASSERT_TRUE(measures());
  g_listAnswers = {1};
  remrefpto_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_FALSE(measures());
}

// One landmark tied to the wrong entry: red cross, named in a message, gone with the last point.
TEST_F(TrustTest, the_mislabelled_last_point_is_named_and_removed) {
  const int n = appState.refCount;
  ASSERT_LT(n, MAX_REFERENCE_POINTS);
  // the demo's first point (0, 13.84) clicked again, but tied to the right goal-area corner (5.5, 24.84)
  appState.refWorldX[n] = 5.5, appState.refWorldY[n] = 24.84, appState.refWorldZ[n] = 0;
  appState.refImageX[n] = appState.refImageX[0], appState.refImageY[n] = appState.refImageY[0];
  appState.refCount = n + 1;
  TukHeadlessAnswerMessage();
  points_changed(1);
  EXPECT_EQ(appState.residuals.suspect, n);
  EXPECT_EQ(residual_grade(appState.residuals, n), RESIDUAL_POOR);
  const std::string message = last_message();
  EXPECT_EQ(message.rfind("Ponto de referência suspeito|Ponto " + std::to_string(n + 1) +
                              " (canto da pequena área, 5.5, 24.84): ", 0), 0u) << message;
  EXPECT_NE(message.find(" px fora; marcado no lugar errado?"), std::string::npos) << message;

  remultpto_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, n);
  EXPECT_EQ(appState.residuals.suspect, -1);
  EXPECT_EQ(appState.cameraCurrent, 1);
}

// A click on a cross in Add Reference Points mode offers to move the point or remove it.
TEST_F(TrustTest, a_click_on_a_cross_moves_or_removes_its_point) {
  appState.interactionMode = MODE_ADD_REFERENCE;
  const int n = appState.refCount;
  const int x = appState.refImageX[2], y = appState.refImageY[2];
  const double worldX = appState.refWorldX[2];
  g_listAnswers = {0};  // move: the next click gives the new pixel
  click_image(x + 3, y - 2);
  click_image(x + 1, y + 1);
  EXPECT_EQ(g_listsSeen, 1);
  ASSERT_EQ(appState.refCount, n);
  EXPECT_EQ(appState.refImageX[2], x + 1);
  EXPECT_EQ(appState.refImageY[2], y + 1);
  EXPECT_EQ(appState.refWorldX[2], worldX);

  g_listAnswers = {1};  // remove
  click_image(x + 1, y + 1);
  EXPECT_EQ(appState.refCount, n - 1);
  EXPECT_NE(appState.refWorldX[2], worldX);
  EXPECT_EQ(appState.cameraCurrent, 1);
}

}  // namespace
