// Clicks on the photograph in each mode, the "Field Reference Points" dialog they open, picks on
// its pitch plan, and the two measurements, on the real main window.
#include <cstdio>

#include "app/landmark_dialog.h"
#include "app/reference_edit.h"
#include "app_fixture.h"
#include "data/demo/demo_truth.h"
#include "geometry/geometry.h"
#include "scene/readers.h"
#include "synthetic_camera.h"
#include "toolkit/tuk_dialogs.h"

namespace {

int count_in(TukHandle canvas, bool (*test)(const unsigned char*)) {
  int w = 0, h = 0, n = 0;
  const unsigned char* f = TukHeadlessFrame(canvas, &w, &h);
  for (int i = 0; f && i < w * h; ++i) n += test(f + 3 * i);
  return n;
}
bool cyan(const unsigned char* p) { return p[0] > 90 && p[0] < 170 && p[1] > 200 && p[2] > 200; }
bool light_yellow(const unsigned char* p) { return p[0] > 200 && p[1] > 200 && p[2] > 90 && p[2] < 170; }
bool yellow(const unsigned char* p) { return p[0] > 200 && p[1] > 200 && p[2] < 110; }
bool red(const unsigned char* p) { return p[0] > 170 && p[1] < 100 && p[2] < 100; }

TEST(Pick, NearestLandmarkTieBreakOrOverflowPicksTheWrongOne) {
  // equally far from two: the earlier one; the centre mark; the crossbar's top, not its foot; just
  // inside the bound (670^2 < 450000); beyond it, also where the squares pass 32 bits
  const int rows[][3] = {{18, 247, 12},
                         {462, 1, 11},
                         {279, 174, 29},
                         {8, 156, 25},
                         {18 - 670, 343, 0},
                         {-1000, 175, -1},
                         {560 + 700, 174, -1},
                         {279, -700, -1},
                         {2147483647, -2147483647 - 1, -1},
                         {-2147483647 - 1, 2147483647, -1}};
  for (const auto& r : rows) EXPECT_EQ(nearest_landmark(r[0], r[1]), r[2]) << r[0] << "," << r[1];
  EXPECT_GE(pick_nearest_landmark(485, 174), 0);  // the right penalty mark
  EXPECT_EQ(pick_nearest_landmark(-1000, 175), -1);
  EXPECT_EQ(appState.pickedWorldX, 94.0) << "a miss keeps the previous pick";
  EXPECT_EQ(appState.pickedWorldY, 34.0);
}

class LandmarkDialogTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    run(load_imag_cb, kDemo + "demo.jpg");
    ok = find_titled(appState.refPointDialog, TUK_KIND_BUTTON, "Ok");
    cancel = find_titled(appState.refPointDialog, TUK_KIND_BUTTON, "Cancel");
    appState.interactionMode = MODE_ADD_REFERENCE;
  }
  // A click on the photograph at column u, row v from the bottom; the actions answer the dialog.
  void click_photo(int u, int v, std::function<void()> inDialog, std::function<void()> then = nullptr) {
    g_inDialog = {std::move(inDialog)};
    if (then) g_inDialog.push_back(std::move(then));
    click(u, appState.imageHeight - 1 - v);
    EXPECT_TRUE(g_inDialog.empty()) << "the landmark dialog did not wait";
    EXPECT_EQ(g_pendingX * 10000 + g_pendingY, u * 10000 + v) << "the pending pixel";
  }
  std::function<void()> plan_then(int px, int py, TukHandle button) {
    return [px, py, button] {
      TukHeadlessMousePress(appState.fieldCanvas, 1, px, py, 0);
      TukHeadlessMouseRelease(appState.fieldCanvas, 1, px, py, 0);
      if (button) TukHeadlessClickButton(button);
    };
  }
  std::function<void()> press(TukHandle button) {
    return [button] { TukHeadlessClickButton(button); };
  }
  TukHandle ok = nullptr, cancel = nullptr;
};

// Ok with no pick in this opening would tie the point to whatever was picked before, even in a
// cancelled opening: it adds nothing and the dialog waits for a pick.
TEST_F(LandmarkDialogTest, OkWithoutAPickAddsThePreviousPick) {
  click_photo(100, 200, press(ok), press(cancel));
  EXPECT_NE(attr(appState.landmarkLabel, "TITLE").find("Clique no desenho"), std::string::npos);
  click_photo(100, 200, plan_then(279, 174, cancel));  // the centre mark, then Cancel
  click_photo(0, 479, press(ok), [] { TukHeadlessCloseDialog(appState.refPointDialog); });  // the top row
  EXPECT_EQ(appState.refCount, 0);
  click_photo(320, 260, plan_then(73, 174, ok));  // left penalty mark
  ASSERT_EQ(appState.refCount, 1);
  EXPECT_EQ(appState.refWorldX[0], 11.0);
  EXPECT_EQ(appState.refImageX[0] * 1000 + appState.refImageY[0], 320260);
  EXPECT_EQ(appState.showRefPoints, 1);
  EXPECT_EQ(appState.interactionMode, MODE_ADD_REFERENCE);
}

// Entering a landmark again replaces its point's pixel after asking (the label says which point
// has it); "Não" keeps the dialog open.
TEST_F(LandmarkDialogTest, LandmarkEnteredAgainAddsASecondPointOrReplacesUnasked) {
  click_photo(10, 20, plan_then(100, 74, nullptr), [this] {
    const std::string label = attr(appState.landmarkLabel, "TITLE");
    EXPECT_NE(label.find("canto da grande área"), std::string::npos) << label;
    EXPECT_NE(label.find("X 16.5  Y 54.16  Z 0"), std::string::npos) << label;
    EXPECT_EQ(label.find("Já marcado"), std::string::npos) << label;
    TukHeadlessClickButton(ok);
  });
  g_listAnswers = {0};  // "Não"
  click_photo(30, 40, plan_then(100, 74, ok), [this] {
    EXPECT_NE(attr(appState.landmarkLabel, "TITLE").find("Já marcado: ponto 1"), std::string::npos);
    TukHeadlessClickButton(cancel);
  });
  EXPECT_EQ(g_listsSeen, 1);
  ASSERT_EQ(appState.refCount, 1);
  EXPECT_EQ(appState.refImageX[0], 10);
  g_listAnswers = {1};  // "Sim"
  click_photo(30, 40, plan_then(100, 74, ok));
  EXPECT_EQ(g_listsSeen, 2);
  ASSERT_EQ(appState.refCount, 1);
  EXPECT_EQ(appState.refImageX[0] * 100 + appState.refImageY[0], 3040);
}

TEST_F(LandmarkDialogTest, LandmarksByHandCalibrateUnlikeTheirReferenceFile) {
  // six points of the demo's reference file, four on the ground, two crossbar ends, clicked on
  // their pixels and picked on the plan at their landmarks
  CalibrationState file, expected;
  ASSERT_EQ(read_reference_file((kDemo + "demo.ref").c_str(), file), 1);
  for (int i : {0, 1, 2, 3, 11, 12}) {
    const int k = expected.refCount++;
    expected.refWorldX[k] = file.refWorldX[i], expected.refWorldY[k] = file.refWorldY[i];
    expected.refWorldZ[k] = file.refWorldZ[i];
    expected.refImageX[k] = file.refImageX[i], expected.refImageY[k] = file.refImageY[i];
    for (const FieldLandmark& l : FieldLandmarkTable)
      if (l.x == file.refWorldX[i] && l.y == file.refWorldY[i] && l.z == file.refWorldZ[i])
        click_photo(file.refImageX[i], file.refImageY[i], plan_then(l.px, l.py, ok));
  }
  expected.imageWidth = appState.imageWidth, expected.imageHeight = appState.imageHeight;
  ASSERT_EQ(update_calibration(expected), 1);
  ASSERT_EQ(appState.refCount, 6);
  ASSERT_EQ(update_calibration(appState), 1);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(appState.cameraMatrix[k], expected.cameraMatrix[k]) << k;
  for (int k = 0; k < 3; ++k) EXPECT_EQ(appState.cameraEye[k], expected.cameraEye[k]) << k;
}

TEST_F(LandmarkDialogTest, PlanKeepsTheMarksOfRemovedReferencePoints) {
  click_photo(10, 20, plan_then(100, 274, ok));
  click_photo(30, 40, plan_then(279, 174, ok));
  redraw_refpto_cb(appState.fieldCanvas, 0, 0);
  EXPECT_GT(count_in(appState.fieldCanvas, yellow), 0);
  g_listAnswers = {1};
  remrefpto_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount + appState.landmarkMarked, 0);
  redraw_refpto_cb(appState.fieldCanvas, 0, 0);
  EXPECT_EQ(count_in(appState.fieldCanvas, yellow) + count_in(appState.fieldCanvas, red), 0);
}

TEST_F(AppTest, ObjectClickActsOnThePressOrOnlyForTheLeftButton) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  appState.interactionMode = MODE_ADD_OBJECT;
  TukHeadlessMousePress(appState.imageCanvas, 1, 100, 100, 0);
  TukFlush();
  EXPECT_EQ(g_listsSeen, 0) << "the press opened the list";
  g_listAnswers = {2, 2};  // the referee, a single point: replaced
  TukHeadlessMouseRelease(appState.imageCanvas, 1, 100, 100, 0);
  TukFlush();
  click(200, 50, 3);
  EXPECT_EQ(g_listsSeen, 2);
  EXPECT_EQ(appState.refereeImageX * 1000 + appState.refereeImageY, 200000 + 480 - 50 - 1);
  EXPECT_EQ(attr(appState.visObjPointsItem, "VALUE"), "ON");
  const int a = appState.teamACount;
  click(300, 300, 2);  // the list cancelled
  EXPECT_EQ(appState.teamACount, a);
  EXPECT_EQ(appState.interactionMode, MODE_ADD_OBJECT) << "the mode stays for the next point";
}

TEST_F(AppTest, FullReferenceListOverflowsInsteadOfSayingSo) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  appState.interactionMode = MODE_ADD_REFERENCE;
  appState.refCount = MAX_REFERENCE_POINTS;
  TukHeadlessAnswerMessage();
  click(10, 10);
  EXPECT_EQ(g_landmarkPopups, 0);
  EXPECT_EQ(appState.refCount, MAX_REFERENCE_POINTS);
  EXPECT_EQ(last_message(), "Erro|A lista de pontos de referência está cheia (47 pontos).");
}

// The demo's attacker is offside by a known gap; the two lines and the message follow the clicks.
TEST_F(AppTest, OffsideGapMissesTheTrueGapOrItsLinesStay) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  std::fill(appState.imageRgb.begin(), appState.imageRgb.end(), 40);  // so that the lines' colours count
  linhaimp_cb(nullptr, 0);
  click(appState.teamAImageX[0], 479 - appState.teamAImageY[0]);
  EXPECT_EQ(appState.showParallels * appState.measureClicks, 1);
  EXPECT_GT(count_in(appState.imageCanvas, cyan), 100) << "the first offside line is drawn";
  EXPECT_EQ(count_in(appState.imageCanvas, light_yellow), 0);
  TukHeadlessAnswerMessage();
  click(appState.teamBImageX[0], 479 - appState.teamBImageY[0]);
  const double d = distance_between_parallels(appState, appState.measureX1, appState.measureY1, appState.measureX2,
                                              appState.measureY2);
  EXPECT_NEAR(d, DEMO_OFFSIDE_GAP, 0.15) << "against the true gap, within the calibration's error";
  const std::string message = last_message();
  const char* format = "Distância Entre Duas Paralelas|  1.3 metros\nIntervalo de 95%%: %lf a %lf metros";
  double lo = -1, hi = -1;
  ASSERT_EQ(std::sscanf(message.c_str(), format, &lo, &hi), 2) << message;
  EXPECT_TRUE(lo <= d + 0.05 && hi >= d - 0.05 && hi - lo < 2.0) << message;
  EXPECT_EQ(appState.showParallels + appState.interactionMode, 0);
  EXPECT_EQ(count_in(appState.imageCanvas, cyan) + count_in(appState.imageCanvas, light_yellow), 0);
  click(10, 10);  // nothing until the command is chosen again
  EXPECT_EQ(appState.measureClicks, 2);
}

TEST_F(AppTest, DistanceToAPointAboveTheHorizonIsANumber) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  // a camera looking almost level: its upper rows see the sky, whose lines of sight meet the
  // ground only behind it
  const SyntheticCamera level{{52.5, -30, 5}, {52.5, 60, 0}, 800, 640, 480};
  int all[FIELD_LANDMARK_COUNT];
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) all[i] = i;
  mark_landmarks(level, all, FIELD_LANDMARK_COUNT, 0.0, 1, appState);
  ASSERT_EQ(update_calibration(appState), 1);
  disptos_cb(nullptr, 0);
  TukHeadlessAnswerMessage();
  click(320, 400);
  click(320, 5);
  EXPECT_EQ(last_message(), "Erro|Ponto acima do horizonte: clique sobre o gramado.");
}

}  // namespace
