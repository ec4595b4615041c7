// Reference points entered by hand: a click on the photograph, a click on the pitch plan of the
// real "Field Reference Points" dialog and its buttons, all through the headless driver's
// scripted input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "../app/app_fixture.h"
#include "../common/list_answers.h"
#include "../render/render_fixture.h"
#include "app/interface.h"
#include "app/reference_edit.h"
#include "geometry/geometry.h"
#include "scene/readers.h"
#include "toolkit/driver.h"

namespace {

// What to do each time the landmark dialog is up and idle, in order; and the answers (0-based
// entries) of the list dialogs that ask questions meanwhile.
std::deque<std::function<void()>> g_inDialog;
// The pending image position the click left in the slot when the dialog came up.
int g_pendingX = -1, g_pendingY = -1;

int answer_dialog() {
  if (answer_open_list()) return TUK_DEFAULT;
  if (g_inDialog.empty() || tuk_innermost_popup() != appState.refPointDialog) return TUK_DEFAULT;
  g_pendingX = appState.refImageX[appState.refCount];
  g_pendingY = appState.refImageY[appState.refCount];
  std::function<void()> act = g_inDialog.front();
  g_inDialog.pop_front();
  act();
  return TUK_DEFAULT;
}

TukHandle find_button(TukHandle e, const char* title) {
  if (tuk_element_kind(e) == TUK_KIND_BUTTON) {
    const char* t = TukGetAttribute(e, "TITLE");
    if (t && std::string(t) == title) return e;
  }
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c))
    if (TukHandle b = find_button(c, title)) return b;
  return nullptr;
}

void click(TukHandle canvas, int x, int y) {
  TukHeadlessMousePress(canvas, 1, x, y, 0);
  TukHeadlessMouseRelease(canvas, 1, x, y, 0);
}

// The program's interface on the headless driver, its callbacks registered, the demo's photograph
// loaded and the main window shown, in "Add Reference Points" mode.
class LandmarkDialogTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    register_callbacks();
    TukSetFunction("tuk-idle", TukCallbackOf(answer_dialog));
    const std::string image = std::string(VARNESK_SOURCE_DIR) + "/data/demo/demo.jpg";
    ASSERT_EQ(load_image_rgb(image.c_str(), appState), 0);
    appState.imageLoaded = 1;
    TukShow(appState.mainDialog);
    TukFlush();
    ok = find_button(appState.refPointDialog, "Ok");
    cancel = find_button(appState.refPointDialog, "Cancel");
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    appState.interactionMode = MODE_ADD_REFERENCE;
  }
  void TearDown() override {
    g_inDialog.clear();
    g_listAnswers.clear();
    InterfaceTest::TearDown();
  }

  // A click on the photograph at image column u and row v (from the bottom); `inDialog` answers
  // the landmark dialog it opens.
  void click_photo(int u, int v, std::function<void()> inDialog, std::function<void()> then = nullptr) {
    g_inDialog.push_back(std::move(inDialog));
    if (then) g_inDialog.push_back(std::move(then));
    g_pendingX = g_pendingY = -1;
    click(appState.imageCanvas, u, appState.imageHeight - 1 - v);
    TukFlush();
    ASSERT_TRUE(g_inDialog.empty()) << "the landmark dialog did not open";
    EXPECT_EQ(g_pendingX, u);
    EXPECT_EQ(g_pendingY, v);
    EXPECT_STREQ(TukGetAttribute(appState.refPointDialog, "VISIBLE"), "NO");
  }
  // The dialog's answer: a click on the plan at (px, py), then Ok.
  std::function<void()> pick_and_ok(int px, int py) {
    return [this, px, py] {
      click(appState.fieldCanvas, px, py);
      TukHeadlessClickButton(ok);
    };
  }

  TukHandle ok = nullptr, cancel = nullptr;
};

// Ok with no pick in this opening would tie the point to whatever was picked before, even in a
// cancelled opening: it adds nothing and the dialog waits for a pick.
TEST_F(LandmarkDialogTest, ok_without_a_pick_in_this_opening_adds_nothing) {
  click_photo(100, 200, [this] { TukHeadlessClickButton(ok); }, [this] { TukHeadlessClickButton(cancel); });
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_NE(attr(appState.landmarkLabel, "TITLE").find("Clique no desenho"), std::string::npos);

  click_photo(100, 200, [this] {
    click(appState.fieldCanvas, 279, 174);  // centre mark
    TukHeadlessClickButton(cancel);
  });
  EXPECT_EQ(appState.refCount, 0);
  click_photo(320, 260, [this] { TukHeadlessClickButton(ok); }, [] { TukHeadlessCloseDialog(appState.refPointDialog); });
  EXPECT_EQ(appState.refCount, 0);

  click_photo(320, 260, pick_and_ok(73, 174));  // left penalty mark
  ASSERT_EQ(appState.refCount, 1);
  EXPECT_EQ(appState.refWorldX[0], 11.0);
  EXPECT_EQ(appState.refImageX[0], 320);
  EXPECT_EQ(appState.refImageY[0], 260);
  EXPECT_EQ(appState.showRefPoints, 1);
  EXPECT_EQ(appState.interactionMode, MODE_ADD_REFERENCE);  // the next click adds the next point
}

TEST_F(LandmarkDialogTest, the_pick_is_named_beside_the_plan_and_a_used_landmark_says_so) {
  click_photo(10, 20, [] { click(appState.fieldCanvas, 100, 74); }, [this] {
    const std::string label = attr(appState.landmarkLabel, "TITLE");
    EXPECT_NE(label.find("canto da grande área"), std::string::npos) << label;
    EXPECT_NE(label.find("X 16.5  Y 54.16  Z 0"), std::string::npos) << label;
    EXPECT_EQ(label.find("Já marcado"), std::string::npos) << label;
    TukHeadlessClickButton(ok);
  });
  click_photo(30, 40, [] { click(appState.fieldCanvas, 100, 74); }, [this] {
    EXPECT_NE(attr(appState.landmarkLabel, "TITLE").find("Já marcado: ponto 1"), std::string::npos);
    TukHeadlessClickButton(cancel);
  });
  // the near touch line is underlined on the plan, just inside the pitch
  Frame plan;
  ASSERT_TRUE(plan.grab(appState.fieldCanvas));
  int blue = 0;
  for (int x = 40; x < 520; x += 20) blue += plan.near_top(x, 341, 2, [](Pixel p) {
    return p.b > 200 && p.r < 160 && p.g > 160;
  });
  EXPECT_EQ(blue, 24);
}

// Entering a landmark again replaces its point's pixel, after asking; "No" keeps the dialog open.
TEST_F(LandmarkDialogTest, a_landmark_entered_again_replaces_its_pixel_only_when_confirmed) {
  click_photo(10, 20, pick_and_ok(8, 192));
  g_listAnswers = {0};  // "Não"
  click_photo(30, 40, pick_and_ok(8, 192), [this] { TukHeadlessClickButton(cancel); });
  EXPECT_EQ(g_listsSeen, 1);
  ASSERT_EQ(appState.refCount, 1);
  EXPECT_EQ(appState.refImageX[0], 10);
  g_listAnswers = {1};  // "Sim"
  click_photo(30, 40, pick_and_ok(8, 192));
  EXPECT_EQ(g_listsSeen, 2);
  ASSERT_EQ(appState.refCount, 1);
  EXPECT_EQ(appState.refImageX[0], 30);
  EXPECT_EQ(appState.refImageY[0], 40);
  EXPECT_EQ(appState.refWorldZ[0], 2.44);
}

TEST_F(LandmarkDialogTest, six_landmarks_by_hand_calibrate_exactly_like_their_reference_file) {
  // six points of the demo's reference file: four on the ground, two crossbar ends
  CalibrationState file;
  const std::string demo = std::string(VARNESK_SOURCE_DIR) + "/data/demo/demo.ref";
  ASSERT_EQ(read_reference_file(demo.c_str(), file), 1);
  const int chosen[6] = {0, 1, 2, 3, 11, 12};
  char path[] = "/tmp/varnesk-six-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  FILE* f = fdopen(fd, "w");
  std::fprintf(f, "6\n");
  for (int i : chosen) {
    std::fprintf(f, "%.17g %.17g %.17g %d %d\n", file.refWorldX[i], file.refWorldY[i], file.refWorldZ[i],
                 file.refImageX[i], file.refImageY[i]);
  }
  std::fclose(f);
  CalibrationState expected;
  expected.imageWidth = appState.imageWidth;
  expected.imageHeight = appState.imageHeight;
  const int read = read_reference_file(path, expected);
  unlink(path);
  ASSERT_EQ(read, 1);
  ASSERT_EQ(update_calibration(expected), 1);

  for (int i : chosen) {
    // the landmark's own plan pixel
    int px = -1, py = -1;
    for (const FieldLandmark& l : FieldLandmarkTable)
      if (l.x == file.refWorldX[i] && l.y == file.refWorldY[i] && l.z == file.refWorldZ[i]) px = l.px, py = l.py;
    ASSERT_GE(px, 0) << "reference point " << i << " is not a landmark of the table";
    click_photo(file.refImageX[i], file.refImageY[i], pick_and_ok(px, py));
  }
  ASSERT_EQ(appState.refCount, 6);
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(appState.refWorldX[k], expected.refWorldX[k]);
    EXPECT_EQ(appState.refWorldY[k], expected.refWorldY[k]);
    EXPECT_EQ(appState.refWorldZ[k], expected.refWorldZ[k]);
    EXPECT_EQ(appState.refImageX[k], expected.refImageX[k]);
    EXPECT_EQ(appState.refImageY[k], expected.refImageY[k]);
  }
  ASSERT_EQ(update_calibration(appState), 1);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(appState.cameraMatrix[k], expected.cameraMatrix[k]) << k;
  for (int k = 0; k < 3; ++k) EXPECT_EQ(appState.cameraEye[k], expected.cameraEye[k]) << k;
}

TEST_F(LandmarkDialogTest, after_remove_reference_points_the_plan_shows_the_pitch_alone) {
  click_photo(10, 20, pick_and_ok(100, 274));
  click_photo(30, 40, pick_and_ok(279, 174));
  Frame plan;
  ASSERT_TRUE(plan.grab(appState.fieldCanvas));
  EXPECT_GT(plan.count(is_yellow), 0);
  remrefpto_cb(nullptr, 0);  // the question unanswered: nothing goes
  EXPECT_EQ(appState.refCount, 2);
  g_listAnswers = {1};
  remrefpto_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_EQ(appState.landmarkMarked, 0);
  redraw_refpto_cb(appState.fieldCanvas, 0, 0);
  ASSERT_TRUE(plan.grab(appState.fieldCanvas));
  EXPECT_EQ(plan.count(is_yellow), 0);
  EXPECT_EQ(plan.count(is_red), 0);
  EXPECT_GT(plan.count(is_white), 0);
}

}  // namespace
