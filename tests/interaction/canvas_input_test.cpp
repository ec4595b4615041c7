// Clicks on the image canvas of the real main window, delivered by the headless driver's event
// loop: the four modes, their messages, and the refusals of full lists and of measurements that
// have no ground point to measure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../app/app_fixture.h"
#include "state/app_state.h"
#include "app/canvas_input.h"
#include "app/interface.h"
#include "data/demo/demo_truth.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "scene/scene_load.h"
#include "synthetic_camera.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_gl.h"
#include "toolkit/tuk_internal.h"

namespace {

// What the scripted user does when a list dialog or the landmark dialog is up: the loop's idle
// step runs while a modal dialog waits, so the answer is queued only once the dialog is shown.
int g_listChoice = -1;     // entry to choose (0-based), -1: press Cancel
int g_listsAnswered = 0;
int g_landmarkPopups = 0;  // times the landmark dialog was seen open

TukHandle find_child(TukHandle e, int kind, const char* title) {
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c)) {
    const char* t = TukGetAttribute(c, "TITLE");
    if (tuk_element_kind(c) == kind && (!title || (t && std::string(t) == title))) return c;
    if (TukHandle found = find_child(c, kind, title)) return found;
  }
  return nullptr;
}

int scripted_user() {
  if (TukHeadlessPendingInput() > 0) return TUK_DEFAULT;
  TukHandle ok = TukGetHandle("TukListOkButton");
  if (ok) {
    TukHandle dialog = tuk_element_dialog(ok);
    ++g_listsAnswered;
    if (g_listChoice < 0) {
      TukHeadlessClickButton(TukGetHandle("TukListCancelButton"));
    } else {
      TukHeadlessChooseListEntry(find_child(dialog, TUK_KIND_LIST, nullptr), g_listChoice + 1);
      TukHeadlessClickButton(ok);
    }
    return TUK_DEFAULT;
  }
  const char* visible = TukGetAttribute(appState.refPointDialog, "VISIBLE");
  if (visible && std::string(visible) == "YES") {
    ++g_landmarkPopups;
    TukHeadlessClickButton(find_child(appState.refPointDialog, TUK_KIND_BUTTON, "Cancel"));
  }
  return TUK_DEFAULT;
}

class CanvasInputTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    register_callbacks();
    TukSetFunction("tuk-idle", TukCallbackOf(scripted_user));
    g_listChoice = -1;
    g_listsAnswered = g_landmarkPopups = 0;
    ASSERT_EQ(TukShow(appState.mainDialog), 0);
    SceneLoadReport report;
    int loaded = 0;
    ASSERT_NO_FATAL_FAILURE(load_demo_scene(&report, &loaded));
    ASSERT_EQ(loaded, 1);
  }

  // A click: press and release at canvas pixel (x, y from the top), delivered by the loop.
  void click(int x, int y, int button = 1) {
    TukHeadlessMousePress(appState.imageCanvas, button, x, y, 0);
    TukHeadlessMouseRelease(appState.imageCanvas, button, x, y, 0);
    TukFlush();
  }
  int frame_count(bool (*test)(const unsigned char*)) {
    int w = 0, h = 0;
    const unsigned char* f = TukHeadlessFrame(appState.imageCanvas, &w, &h);
    int n = 0;
    for (int i = 0; f && i < w * h; ++i) n += test(f + 3 * i);
    return n;
  }
};

bool cyan(const unsigned char* p) { return p[0] > 90 && p[0] < 170 && p[1] > 200 && p[2] > 200; }
bool light_yellow(const unsigned char* p) { return p[0] > 200 && p[1] > 200 && p[2] > 90 && p[2] < 170; }

}  // namespace

TEST_F(CanvasInputTest, StartUpRegistersAllTwentyNineNames) {
  const char* const names[] = {
      "load_cena_cb", "load_imag_cb", "load_refpto_cb", "load_objpto_cb", "exit_cb", "adrefpto_cb",
      "adobjpto_cb", "remrefpto_cb", "remobjpto_cb", "cortimea_cb", "cortimeb_cb", "visrefpto_cb",
      "visobjpto_cb", "vislinhacampo_cb", "gerarmod_cb", "disptos_cb", "linhaimp_cb", "ajuda_cb",
      "sobre_cb", "redraw_cb", "button_cb", "close_cb", "redraw_refpto_cb", "okrefpto_cb",
      "cancelarrefpto_cb", "button_refpto_cb", "close_refpto_cb", "redraw_3D_cb", "kany_cb"};
  for (const char* name : names) EXPECT_NE(TukGetFunction(name), nullptr) << name;
  EXPECT_EQ(TukGetFunction("button_cb"), TukCallbackOf(button_cb));
  EXPECT_EQ(TukGetFunction("redraw_cb"), TukCallbackOf(redraw_cb));
}

TEST_F(CanvasInputTest, PressOnlyRedrawsAndTheReleaseActsForAnyButton) {
  appState.interactionMode = MODE_ADD_OBJECT;
  TukHeadlessMousePress(appState.imageCanvas, 1, 100, 100, 0);
  TukFlush();
  EXPECT_EQ(g_listsAnswered, 0) << "the press opened the list";
  int w = 0, h = 0;
  EXPECT_NE(TukHeadlessFrame(appState.imageCanvas, &w, &h), nullptr) << "the press redraws";

  // the right button adds like the left one; the referee is a single point, replaced
  g_listChoice = 2;
  TukHeadlessMouseRelease(appState.imageCanvas, 1, 100, 100, 0);
  TukFlush();
  click(200, 50, 3);
  EXPECT_EQ(g_listsAnswered, 2);
  EXPECT_EQ(appState.refereeImageX, 200);
  EXPECT_EQ(appState.refereeImageY, 480 - 50 - 1);
  EXPECT_EQ(appState.showObjPoints, 1);
  EXPECT_EQ(attr(appState.visObjPointsItem, "VALUE"), "ON");

  // a cancelled list adds nothing and leaves the marks on
  const int a = appState.teamACount;
  g_listChoice = -1;
  click(300, 300, 2);
  EXPECT_EQ(appState.teamACount, a);
  EXPECT_EQ(appState.interactionMode, MODE_ADD_OBJECT) << "the mode stays for the next point";
}

TEST_F(CanvasInputTest, ReferenceClickStoresThePendingPixelAndCancelCountsNothing) {
  appState.interactionMode = MODE_ADD_REFERENCE;
  const int n = appState.refCount;
  click(123, 0);
  EXPECT_EQ(g_landmarkPopups, 1) << "the landmark dialog opened";
  EXPECT_EQ(appState.refCount, n) << "Cancel counts nothing";
  EXPECT_EQ(appState.refImageX[n], 123);
  EXPECT_EQ(appState.refImageY[n], 479) << "the top row is row h - 1";
  EXPECT_EQ(appState.showRefPoints, 1);
  EXPECT_NE(attr(appState.refPointDialog, "VISIBLE"), "YES");
}

TEST_F(CanvasInputTest, FullListsAreRefusedWithAMessage) {
  appState.interactionMode = MODE_ADD_REFERENCE;
  appState.refCount = MAX_REFERENCE_POINTS;
  TukHeadlessAnswerMessage();
  click(10, 10);
  EXPECT_EQ(g_landmarkPopups, 0);
  EXPECT_EQ(appState.refCount, MAX_REFERENCE_POINTS);
  EXPECT_EQ(last_message(), "Erro|A lista de pontos de referência está cheia (47 pontos).");

  appState.interactionMode = MODE_ADD_OBJECT;
  appState.teamACount = MAX_TEAM_PLAYERS;
  g_listChoice = 0;
  TukHeadlessAnswerMessage();
  click(20, 20);
  EXPECT_EQ(appState.teamACount, MAX_TEAM_PLAYERS);
  EXPECT_EQ(last_message(), "Erro|O Time A já tem 11 jogadores.");
}

TEST_F(CanvasInputTest, OfflineVerificationOfTheDemoOffside) {
  // blank photograph, so that the offside lines' colours can be counted
  std::fill(appState.imageRgb.begin(), appState.imageRgb.end(), 40);
  linhaimp_cb(nullptr, 0);
  ASSERT_EQ(appState.interactionMode, MODE_PARALLEL_DISTANCE);
  const int ax = appState.teamAImageX[0], ay = 479 - appState.teamAImageY[0];
  const int bx = appState.teamBImageX[0], by = 479 - appState.teamBImageY[0];
  click(ax, ay);
  EXPECT_EQ(appState.measureClicks, 1);
  EXPECT_EQ(appState.showParallels, 1);
  EXPECT_GT(frame_count(cyan), 100) << "the first offside line is drawn";
  EXPECT_EQ(frame_count(light_yellow), 0);

  TukHeadlessAnswerMessage();
  click(bx, by);
  const double d = distance_between_parallels(appState, appState.measureX1, appState.measureY1, appState.measureX2,
                                              appState.measureY2);
  EXPECT_NEAR(d, DEMO_OFFSIDE_GAP, 0.15) << "against the true gap, within the calibration's error";
  char expected[64];
  std::snprintf(expected, sizeof expected, "%5.1lf metros\n", d);
  const std::string message = last_message();
  EXPECT_EQ(message.substr(0, message.find('\n') + 1), std::string("Distância Entre Duas Paralelas|") + expected);
  EXPECT_EQ(std::string(expected), "  1.3 metros\n");
  // the second line is the 95% band, around the number
  double lo = -1, hi = -1;
  ASSERT_EQ(std::sscanf(message.c_str() + message.find('\n') + 1, "Intervalo de 95%%: %lf a %lf metros", &lo, &hi), 2)
      << message;
  EXPECT_LE(lo, d + 0.05);
  EXPECT_GE(hi, d - 0.05);
  EXPECT_LT(hi - lo, 2.0);
  // after the message the lines are gone and the measurement is over
  EXPECT_EQ(appState.showParallels, 0);
  EXPECT_EQ(appState.interactionMode, MODE_NONE);
  EXPECT_EQ(frame_count(cyan), 0);
  EXPECT_EQ(frame_count(light_yellow), 0);
  // a further click does nothing until the command is chosen again
  click(10, 10);
  EXPECT_EQ(appState.measureClicks, 2);
  EXPECT_EQ(appState.measureX1, appState.teamAImageX[0]);
}

TEST_F(CanvasInputTest, SamePixelTwiceIsZeroMetres) {
  disptos_cb(nullptr, 0);
  TukHeadlessAnswerMessage();
  click(320, 300);
  click(320, 300);
  const std::string message = last_message();
  EXPECT_EQ(message.substr(0, message.find('\n')), "Distância Entre Dois Pontos|  0.0 metros");
  EXPECT_EQ(message.find("\nIntervalo de 95%: 0.0 a "), message.find('\n')) << message;
  EXPECT_EQ(appState.showPointDistance, 0);
}

TEST_F(CanvasInputTest, MeasuringWithoutACameraIsRefusedNotNan) {
  appState.refCount = 0;
  static_cast<CameraCalibration&>(appState) = CameraCalibration{};
  linhaimp_cb(nullptr, 0);
  TukHeadlessAnswerMessage();
  click(100, 100);
  click(200, 200);
  EXPECT_EQ(last_message(),
            "Erro|Câmera não calibrada: marque ao menos 4 pontos do gramado, não todos numa mesma linha, ou 6 pontos "
            "com 2 fora do chão (as pontas do travessão). Marcados: 0 no gramado e 0 fora do chão.");
  EXPECT_EQ(appState.interactionMode, MODE_NONE);
}

TEST_F(CanvasInputTest, PointAboveTheHorizonIsRefused) {
  // a camera looking almost level: its upper rows see the sky, whose lines of sight meet the
  // ground only behind it
  const SyntheticCamera level{{52.5, -30, 5}, {52.5, 60, 0}, 800, 640, 480};
  int all[FIELD_LANDMARK_COUNT];
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) all[i] = i;
  mark_landmarks(level, all, FIELD_LANDMARK_COUNT, 0.0, 1, appState);
  ASSERT_EQ(update_calibration(appState), 1);
  disptos_cb(nullptr, 0);
  TukHeadlessAnswerMessage();
  click(320, 400);  // on the pitch
  click(320, 5);    // far above the horizon
  EXPECT_EQ(last_message(), "Erro|Ponto acima do horizonte: clique sobre o gramado.");

  // both on the ground: a number
  disptos_cb(nullptr, 0);
  TukHeadlessAnswerMessage();
  click(320, 400);
  click(300, 380);
  EXPECT_EQ(last_message().rfind("Distância Entre Dois Pontos|", 0), 0u) << last_message();
}

TEST_F(CanvasInputTest, NoModeOnlyRedraws) {
  appState.interactionMode = 7;
  click(50, 50);
  EXPECT_EQ(appState.measureClicks, 0);
  EXPECT_EQ(g_listsAnswered + g_landmarkPopups, 0);
  EXPECT_EQ(last_message(), "(none)");
}
