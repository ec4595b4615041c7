// The File commands: what each reads, resets and redraws, what a failure leaves unchanged, and
// what the saves write.
#include <cstring>
#include <filesystem>
#include <iterator>

#include "app_fixture.h"
#include "scene/readers.h"
#include "toolkit/tuk_dialogs.h"

namespace {

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(AppTest, SceneLoadLeavesOverlaysOrTheModelOfThePreviousScene) {
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = appState.showParallels =
      appState.showPointDistance = appState.modelReady = 1;
  TukSetAttribute(appState.visFieldLinesItem, "VALUE", "ON");
  TukShow(appState.sceneDialog);
  ASSERT_NO_FATAL_FAILURE(load_demo());
  EXPECT_EQ(appState.teamACount * 10 + appState.teamBCount, 34);
  EXPECT_NE(appState.refereePresent * appState.ballPresent * appState.landmarkMarked, 0) << "the scene calibrated";
  EXPECT_EQ(appState.modelReady + appState.showRefPoints + appState.showObjPoints + appState.showFieldLines +
                appState.showParallels + appState.showPointDistance,
            0);
  for (TukHandle item : {appState.visRefPointsItem, appState.visObjPointsItem, appState.visFieldLinesItem})
    EXPECT_EQ(attr(item, "VALUE"), "OFF");
  EXPECT_NE(attr(appState.sceneDialog, "VISIBLE"), "YES") << "the 3D window is hidden";
  int w = 0, h = 0;  // the view shows the photograph alone
  const unsigned char* f = frame(&w, &h);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(f, f + w * h * 3), appState.imageRgb);
}

// Each load that fails, or a scene cut short, changes only what it must, and says why.
TEST_F(AppTest, FailedLoadLosesWhatWasLoaded) {
  const std::string bmp = tmp + "/cut.bmp";
  write_bmp(bmp, 64, 64, false);
  std::string header = file_text(bmp).substr(0, 54);
  std::filesystem::resize_file(bmp, 154);                     // promises pixels the file does not hold
  for (int k : {18, 19, 20, 22, 23, 24}) header[k] = '\x7f';  // far beyond any buffer
  const std::string huge = write("huge.bmp", header), notPicture = write("notes.txt", "not a picture at all");
  const std::string picture = "Erro|Erro na definição do arquivo gráfico\n";
  struct Row {
    int (*command)(TukHandle, int);
    std::string path, message;  // the message's start, "(none)" for none
    int refs, teamA;            // the points afterwards
  } rows[] = {
      {load_imag_cb, bmp, picture + bmp + ": arquivo danificado.", 15, 3},
      {load_imag_cb, huge, picture + huge + ": variante do formato não suportada.", 15, 3},
      // the scene's points are cleared before its image is read
      {load_cena_cb, write("bad.cen", notPicture + "\n" + kDemo + "demo.ref\n"),
       picture + notPicture + ": formato desconhecido.", 0, 0},
      {load_cena_cb, write("two.cen", kDemo + "demo.jpg\n" + kDemo + "demo.ref\n"), "(none)", 15, 0},
      {load_cena_cb, write("one.cen", kDemo + "demo.jpg\n"), "(none)", 0, 0},
      // a path longer than its buffer is a failed read, never copied past it
      {load_cena_cb, write("long.cen", std::string(150, 'a') + " b.ref\n"), "(none)", 0, 0},
      {load_cena_cb, tmp + "/missing.cen", "(none)", 15, 3},
      {load_refpto_cb, write("short.ref", "7\n0 0 0 1 1\n"),
       "Erro|" + tmp +
           "/short.ref não é um arquivo de pontos de referência (termina antes do fim do último "
           "ponto, linha 3).",
       15, 3},
      {load_refpto_cb, kDemo + "demo.jpg", "Erro|" + kDemo + "demo.jpg não é um arquivo de pontos de referência (", 15,
       3},
      {load_objpto_cb, write("words.obj", "two players\n"),
       "Erro|" + tmp +
           "/words.obj não é um arquivo de pontos de objetos (texto onde deveria haver um número, "
           "linha 1).",
       15, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    ASSERT_NO_FATAL_FAILURE(load_demo());
    const AppState before = appState;
    const std::string prior = last_message();
    if (r.message != "(none)") TukHeadlessAnswerMessage();
    run(r.command, r.path);
    const std::string message = last_message();
    if (r.message == "(none)") {
      EXPECT_EQ(message, prior);
    } else {
      EXPECT_EQ(message.substr(0, r.message.size()), r.message);
      EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
    }
    EXPECT_EQ(appState.imageRgb, before.imageRgb);
    EXPECT_EQ(appState.imageWidth, 640);
    EXPECT_EQ(appState.refCount, r.refs);
    EXPECT_EQ(appState.teamACount, r.teamA);
  }
}

// Save Scene, then Load Scene from another folder: the same points, the same camera to the bit.
TEST_F(AppTest, SavedSceneLoadsBackToAnotherCamera) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  const AppState before = appState;
  run(save_cena_cb, tmp + "/saved");
  EXPECT_EQ(TukHeadlessLastFileMode(), TUK_FILE_SAVE);
  EXPECT_EQ(file_text(tmp + "/saved.cen"), kDemo + "demo.jpg\nsaved.ref\nsaved.obj\n");
  clear_reference_points(appState);
  clear_object_points(appState);
  std::memset(appState.cameraMatrix, 0, sizeof appState.cameraMatrix);
  ASSERT_EQ(chdir(tmp.c_str()), 0);
  run(load_cena_cb, tmp + "/saved.cen");
  ASSERT_EQ(appState.refCount, before.refCount);
  EXPECT_EQ(appState.teamACount, before.teamACount);
  EXPECT_EQ(appState.cameraCurrent, 1);
  EXPECT_EQ(std::memcmp(appState.cameraMatrix, before.cameraMatrix, sizeof before.cameraMatrix), 0);
  EXPECT_EQ(std::memcmp(appState.cameraEye, before.cameraEye, sizeof before.cameraEye), 0);
}

// An existing file is replaced only when the user agrees; what cannot be written leaves no file.
TEST_F(AppTest, SaveReplacesWithoutAskingOrLeavesAPartialFile) {
  ASSERT_NO_FATAL_FAILURE(load_demo());
  const std::string ref = write("kept.ref", "old");
  run(save_refpto_cb, ref);  // Cancel
  EXPECT_EQ(file_text(ref), "old");
  g_listAnswers = {1};
  run(save_refpto_cb, ref);
  CalibrationState back;
  ASSERT_EQ(read_reference_file(ref.c_str(), back), 1);
  EXPECT_EQ(back.refCount, appState.refCount);
  EXPECT_EQ(g_listsSeen, 2);

  // an image outside the scene's folder whose path has a blank: refused, naming the path
  appState.imagePath = tmp + "/my scene/frame.jpg";
  TukHeadlessAnswerMessage();
  run(save_cena_cb, tmp + "/a.cen");
  EXPECT_NE(last_message().find("frame.jpg"), std::string::npos) << last_message();
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  EXPECT_NE(access((tmp + "/a.cen").c_str(), F_OK), 0);
  EXPECT_NE(access((tmp + "/a.ref").c_str(), F_OK), 0);
  // a folder that cannot be written
  const std::string denied = geteuid() == 0 ? "/proc/varnesk-denied.ref" : "/varnesk-denied.ref";
  TukHeadlessAnswerMessage();
  run(save_refpto_cb, denied);
  EXPECT_NE(last_message().find("Não foi possível gravar " + denied), std::string::npos) << last_message();
  EXPECT_NE(access(denied.c_str(), F_OK), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp), {}), 1) << "no temporary file left";
}

}  // namespace
