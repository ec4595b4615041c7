// The menus' commands picked through the headless driver on the demo scene, and the camera kept
// in step with the picture and the points.
#include "app/help_viewer.h"
#include "app/reference_edit.h"
#include "app/scene_commands.h"
#include "app_fixture.h"
#include "toolkit/tuk_dialogs.h"

namespace {

TukHandle menu_entry(int submenu, int index) {
  TukHandle sub = tuk_element_first_child(TukGetHandle("mainMenu"));
  for (int i = 0; i < submenu; ++i) sub = tuk_element_next(sub);
  TukHandle item = tuk_element_first_child(tuk_element_first_child(sub));
  for (int i = 0; i < index; ++i) item = tuk_element_next(item);
  return item;
}

// An entry whose action names no registered callback does nothing: each must change something.
TEST_F(AppTest, MenuEntryWithAMisspeltCallbackDoesNothing) {
  ASSERT_EQ(chdir(tmp.c_str()), 0);  // where Help finds no file of its own
  const int teamAColour = appState.teamAColor, teamBColour = appState.teamBColor;
  // the file a command asks for, with a count its reading must set again
  auto answer = [](std::string path, int* cleared) -> std::function<void()> {
    return [=] {
      if (cleared) *cleared = 0;
      TukHeadlessAnswerFile(path.c_str());
    };
  };
  struct Row {
    int sub, index;
    std::function<void()> before;
    std::function<bool()> done;
  } rows[] = {
      {0, 0, answer(kDemo + "demo.cen", &appState.refCount), [] { return appState.refCount == 15; }},
      {0, 2, answer(kDemo + "demo.jpg", nullptr), [] { return appState.refCount == 0; }},
      {0, 3, answer(kDemo + "demo.ref", &appState.cameraCurrent), [] { return appState.cameraCurrent == 1; }},
      {0, 4, answer(kDemo + "demo.obj", &appState.teamACount), [] { return appState.teamACount == 3; }},
      {0, 6, answer(tmp + "/m.ref", nullptr), [this] { return access((tmp + "/m.ref").c_str(), F_OK) == 0; }},
      {0, 7, answer(tmp + "/s", nullptr), [this] { return access((tmp + "/s.cen").c_str(), F_OK) == 0; }},
      {1, 0, nullptr, [] { return appState.interactionMode == MODE_ADD_REFERENCE; }},
      {1, 1, nullptr, [] { return appState.interactionMode == MODE_ADD_OBJECT; }},
      // "Não" is offered first: without an answer nothing goes
      {1, 3, [] { g_listAnswers = {}; }, [] { return appState.refCount == 15; }},
      {1, 3, [] { g_listAnswers = {1}; }, [] { return appState.refCount == 0 && appState.teamACount == 3; }},
      {1, 4, nullptr, [] { return appState.teamACount + appState.teamBCount + appState.ballPresent == 0; }},
      {1, 6, [=] { g_listAnswers = {teamAColour == 3 ? 2 : 3}; }, [=] { return appState.teamAColor != teamAColour; }},
      {1, 7, [=] { g_listAnswers = {teamBColour == 3 ? 2 : 3}; }, [=] { return appState.teamBColor != teamBColour; }},
      {1, 9, nullptr, [] { return appState.refCount == 14; }},
      {2, 0, nullptr, [] { return appState.showRefPoints == 1 && attr(appState.visRefPointsItem, "VALUE") == "ON"; }},
      {2, 1, nullptr, [] { return appState.showObjPoints == 1 && attr(appState.visObjPointsItem, "VALUE") == "ON"; }},
      {2, 2, nullptr, [] { return appState.showFieldLines == 1 && attr(appState.visFieldLinesItem, "VALUE") == "ON"; }},
      {2, 4, nullptr, [] { return attr(appState.sceneDialog, "VISIBLE") == "YES"; }},
      {2, 6, nullptr, [] { return appState.cameraPreference == CAMERA_FORCE_BROADCAST; }},
      {3, 0, [] { appState.measureClicks = 1; },
       [] { return appState.interactionMode == MODE_POINT_DISTANCE && appState.measureClicks == 0; }},
      {3, 1, [] { appState.measureClicks = 1; },
       [] { return appState.interactionMode == MODE_PARALLEL_DISTANCE && appState.measureClicks == 0; }},
      {4, 0, [] { TukHeadlessAnswerMessage(); },
       [] { return last_message().find("\"Varnesk.hlp\" não foi encontrado") != std::string::npos; }},
      // then the close box of the innermost popup: the main window's own when About did not open
      {4, 1, nullptr, [] { return TukHeadlessPendingInput() == 0 && attr(appState.mainDialog, "VISIBLE") == "YES"; }},
  };
  char found[4096];
  for (const Row& r : rows) {
    SCOPED_TRACE(attr(menu_entry(r.sub, r.index), "TITLE"));
    if (r.sub == 4 && r.index == 0 && *help_find_file(HELP_FILE_NAME, found, sizeof found)) continue;  // installed
    ASSERT_NO_FATAL_FAILURE(load_demo());
    appState.interactionMode = MODE_NONE;
    if (r.before) r.before();
    TukHeadlessPickItem(menu_entry(r.sub, r.index));
    if (r.sub == 4 && r.index == 1) TukHeadlessCloseDialog(nullptr);
    TukFlush();
    EXPECT_TRUE(r.done());
    TukHide(appState.sceneDialog);
  }
  // Exit ends the loop: a dead entry would leave it waiting, which aborts the headless run
  TukHeadlessPickItem(menu_entry(0, 9));
  EXPECT_EQ(TukMainLoop(), 0);
  EXPECT_EQ(attr(appState.mainDialog, "VISIBLE"), "NO");
}

// A new picture clears the points and the field lines, and leaves no camera to measure or model with.
TEST_F(AppTest, NewPictureKeepsTheOldPointsOrCamera) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  appState.measureX1 = 300, appState.measureY1 = 100, appState.measureX2 = 400, appState.measureY2 = 150;
  ASSERT_EQ(measure_clicked_points(MODE_PARALLEL_DISTANCE).ok, 1);
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = appState.modelReady = 1;
  run(load_imag_cb, kDemo + "demo.jpg");
  EXPECT_EQ(appState.refCount + appState.teamACount + appState.teamBCount + appState.refereePresent +
                appState.ballPresent + appState.landmarkMarked + appState.modelReady + appState.showFieldLines +
                appState.residuals.valid,
            0);
  EXPECT_EQ(attr(appState.visFieldLinesItem, "VALUE"), "OFF");
  EXPECT_EQ(appState.showRefPoints + appState.showObjPoints, 2) << "the marks' switches keep their values";
  const MeasureOutcome m = measure_clicked_points(MODE_PARALLEL_DISTANCE);
  EXPECT_EQ(m.ok, 0);
  EXPECT_EQ(std::string(m.text),
            "Câmera não calibrada: marque ao menos 4 pontos do gramado, não todos numa mesma linha, ou 6 pontos "
            "com 2 fora do chão (as pontas do travessão). Marcados: 0 no gramado e 0 fora do chão.");
  TukHeadlessAnswerMessage();
  gerarmod_cb(nullptr, 0);
  EXPECT_EQ(last_message(), std::string("Erro|") + m.text);
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  EXPECT_NE(attr(appState.sceneDialog, "VISIBLE"), "YES") << "no black 3D window";
}

// One landmark tied to the wrong entry: named in a message, gone with Remove Last Reference Point.
TEST_F(AppTest, MislabelledLastPointIsNotNamedOrNotRemoved) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  const int n = appState.refCount;
  // the demo's first point (0, 13.84) clicked again, but tied to the right goal-area corner (5.5, 24.84)
  appState.refWorldX[n] = 5.5, appState.refWorldY[n] = 24.84, appState.refWorldZ[n] = 0;
  appState.refImageX[n] = appState.refImageX[0], appState.refImageY[n] = appState.refImageY[0];
  appState.refCount = n + 1;
  TukHeadlessAnswerMessage();
  points_changed(1);
  EXPECT_EQ(appState.residuals.suspect, n);
  EXPECT_EQ(residual_grade(appState.residuals, n), RESIDUAL_POOR);
  const std::string message = last_message();
  EXPECT_EQ(
      message.rfind(
          "Ponto de referência suspeito|Ponto " + std::to_string(n + 1) + " (canto da pequena área, 5.5, 24.84): ", 0),
      0u)
      << message;
  EXPECT_NE(message.find(" px fora; marcado no lugar errado?"), std::string::npos) << message;
  remultpto_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, n);
  EXPECT_EQ(appState.residuals.suspect, -1);
  EXPECT_EQ(appState.cameraCurrent, 1);
}

// A click on a cross in Add Reference Points mode offers to move the point or remove it.
TEST_F(AppTest, ClickOnACrossAddsAPointInsteadOfMovingOrRemovingIt) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  appState.interactionMode = MODE_ADD_REFERENCE;
  const int n = appState.refCount;
  const int x = appState.refImageX[2], y = appState.refImageY[2];
  const double worldX = appState.refWorldX[2];
  auto click_image = [](int col, int row) { click(col, appState.imageHeight - 1 - row); };
  g_listAnswers = {0};  // move: the next click gives the new pixel
  click_image(x + 3, y - 2);
  click_image(x + 1, y + 1);
  EXPECT_EQ(g_listsSeen, 1);
  EXPECT_EQ(g_landmarkPopups, 0);
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
