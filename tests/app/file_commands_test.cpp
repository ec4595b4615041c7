// The File commands on the headless driver: what each reads, resets and redraws, and what a
// failure leaves unchanged.
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../common/headless_fixture.h"
#include "render/image_view.h"
#include "../common/list_answers.h"
#include "app/file_commands.h"
#include "toolkit/tuk_dialogs.h"

namespace {

const std::string kDemo = std::string(VARNESK_SOURCE_DIR) + "/data/demo/";

class FileCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    if (HasFatalFailure()) return;
    // the elements the commands touch, as the main window holds them
    open_image_canvas(640, 480);
    appState.visRefPointsItem = TukItem("Reference Points", nullptr);
    appState.visObjPointsItem = TukItem("Object Points", nullptr);
    appState.visFieldLinesItem = TukItem("Field Lines", nullptr);
    appState.sceneDialog = TukDialog(TukFill());
    char dir[] = "/tmp/varnesk-scene-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    tmp = dir;
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(cwd), 0);
    HeadlessTest::TearDown();
    std::system(("rm -rf '" + tmp + "'").c_str());
  }

  std::string write(const std::string& name, const std::string& text) {
    const std::string path = tmp + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Loads the demo scene through the command, from the demo's folder as run.sh starts there.
  void load_demo() {
    ASSERT_EQ(chdir(kDemo.c_str()), 0);
    TukHeadlessAnswerFile((kDemo + "demo.cen").c_str());
    EXPECT_EQ(load_cena_cb(nullptr, 0), TUK_DEFAULT);
    ASSERT_EQ(appState.imageLoaded, 1);
  }

  std::string tmp;
  char cwd[4096];
};

TEST_F(FileCommandsTest, SceneLoadsEverythingAndSwitchesEveryOverlayOff) {
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = 1;
  appState.showParallels = appState.showPointDistance = 1;
  appState.modelReady = 1;
  TukSetAttribute(appState.visFieldLinesItem, "VALUE", "ON");
  TukShow(appState.sceneDialog);
  load_demo();
  EXPECT_EQ(appState.imageWidth, 640);
  EXPECT_EQ(appState.imageHeight, 480);
  EXPECT_EQ(appState.refCount, 15);
  EXPECT_EQ(appState.teamACount, 3);
  EXPECT_EQ(appState.teamBCount, 4);
  EXPECT_NE(appState.refereePresent, 0);
  EXPECT_NE(appState.ballPresent, 0);
  EXPECT_EQ(appState.landmarkMarked, 1) << "the scene calibrated";
  EXPECT_EQ(appState.calibrationReport.status, CALIB_OK);
  EXPECT_EQ(appState.modelReady, 0);
  EXPECT_EQ(appState.showRefPoints + appState.showObjPoints + appState.showFieldLines +
                appState.showParallels + appState.showPointDistance, 0);
  for (TukHandle item : {appState.visRefPointsItem, appState.visObjPointsItem, appState.visFieldLinesItem})
    EXPECT_EQ(attr(item, "VALUE"), "OFF");
  EXPECT_NE(attr(appState.sceneDialog, "VISIBLE"), "YES") << "the 3D window is hidden";
  // the view shows the photograph alone
  int w = 0, h = 0;
  const unsigned char* f = TukHeadlessFrame(appState.imageCanvas, &w, &h);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(f, f + w * h * 3), appState.imageRgb);
}

TEST_F(FileCommandsTest, SceneOfTwoPathsLoadsWithoutObjects) {
  appState.teamACount = 2;
  appState.ballPresent = 1;
  const std::string cen = write("two.cen", kDemo + "demo.jpg\n" + kDemo + "demo.ref\n");
  TukHeadlessAnswerFile(cen.c_str());
  load_cena_cb(nullptr, 0);
  EXPECT_EQ(appState.imageLoaded, 1);
  EXPECT_EQ(appState.refCount, 15);
  EXPECT_EQ(appState.teamACount, 0) << "the points are cleared before reading";
  EXPECT_EQ(appState.ballPresent, 0);
}

TEST_F(FileCommandsTest, SceneWhoseImageFailsKeepsThePreviousPictureAndSaysSo) {
  load_demo();
  const std::vector<unsigned char> before = appState.imageRgb;
  const std::string cen = write("bad.cen", write("notes.txt", "not a picture at all") + "\n" + kDemo + "demo.ref\n");
  TukHeadlessAnswerFile(cen.c_str());
  TukHeadlessAnswerMessage();
  load_cena_cb(nullptr, 0);
  EXPECT_EQ(last_message(), "Erro|Erro na definição do arquivo gráfico\n" + tmp + "/notes.txt: formato desconhecido.");
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  EXPECT_EQ(appState.imageRgb, before);
  EXPECT_EQ(appState.imageWidth, 640);
  EXPECT_EQ(appState.imageLoaded, 1);
  EXPECT_EQ(appState.refCount, 0) << "the scene's points were cleared before its image was read";
}

TEST_F(FileCommandsTest, SceneCutShortOrUnreadableChangesOnlyWhatItMust) {
  load_demo();
  const std::vector<unsigned char> before = appState.imageRgb;
  // one path only: the points go, the image stays, no message
  TukHeadlessAnswerFile(write("one.cen", kDemo + "demo.jpg\n").c_str());
  load_cena_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_EQ(appState.teamACount, 0);
  EXPECT_EQ(appState.imageRgb, before);
  EXPECT_EQ(last_message(), "(none)");
  // a path longer than its buffer is refused as a failed read, never copied past it
  appState.refCount = 3;
  TukHeadlessAnswerFile(write("long.cen", std::string(150, 'a') + " b.ref\n").c_str());
  load_cena_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_EQ(appState.imageRgb, before);
  // cancelled, or a name typed for a file that does not exist: nothing at all changes
  appState.refCount = 3;
  TukHeadlessAnswerFile(nullptr);
  load_cena_cb(nullptr, 0);
  TukHeadlessAnswerFile((tmp + "/missing.cen").c_str());
  load_cena_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 3);
}

TEST_F(FileCommandsTest, ImageLoadClearsThePointsAndTheFieldLinesOnly) {
  load_demo();
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = 1;
  appState.modelReady = 1;
  TukHeadlessAnswerFile((kDemo + "demo.jpg").c_str());
  load_imag_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_EQ(appState.teamACount + appState.teamBCount + appState.refereePresent + appState.ballPresent, 0);
  EXPECT_EQ(appState.landmarkMarked, 0);
  EXPECT_EQ(appState.modelReady, 0);
  EXPECT_EQ(appState.showFieldLines, 0);
  EXPECT_EQ(attr(appState.visFieldLinesItem, "VALUE"), "OFF");
  EXPECT_EQ(appState.showRefPoints, 1) << "the marks' switches keep their values";
  EXPECT_EQ(appState.showObjPoints, 1);
}

TEST_F(FileCommandsTest, FailedImageLoadChangesNothing) {
  load_demo();
  const AppState before = appState;
  // a Windows bitmap header promising pixels the file does not hold: refused when it is opened,
  // before a picture of that size is made
  std::string bmp("BM", 2);
  const unsigned char header[52] = {0x36, 0x30, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0, 64, 0, 0, 0, 64, 0, 0,
                                    0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0x30, 0, 0, 0x13, 0x0b, 0, 0, 0x13, 0x0b, 0, 0, 0,
                                    0, 0, 0, 0, 0, 0, 0};
  bmp.append(reinterpret_cast<const char*>(header), sizeof header);
  bmp.append(100, '\x7f');
  TukHeadlessAnswerFile(write("cut.bmp", bmp).c_str());
  TukHeadlessAnswerMessage();
  load_imag_cb(nullptr, 0);
  EXPECT_EQ(last_message(), "Erro|Erro na definição do arquivo gráfico\n" + tmp + "/cut.bmp: arquivo danificado.");
  EXPECT_EQ(appState.imageRgb, before.imageRgb);
  EXPECT_EQ(appState.refCount, before.refCount);
  EXPECT_EQ(appState.teamACount, before.teamACount);
  EXPECT_EQ(appState.landmarkMarked, 1);

  // a header declaring a picture far beyond any buffer is refused before anything is allocated
  std::string huge = bmp.substr(0, 54);
  huge[18] = huge[19] = huge[20] = '\x7f';
  huge[22] = huge[23] = huge[24] = '\x7f';
  TukHeadlessAnswerFile(write("huge.bmp", huge).c_str());
  TukHeadlessAnswerMessage();
  load_imag_cb(nullptr, 0);
  EXPECT_EQ(last_message(),
            "Erro|Erro na definição do arquivo gráfico\n" + tmp + "/huge.bmp: variante do formato não suportada.");
  EXPECT_EQ(appState.imageWidth, 640);
  EXPECT_EQ(appState.imageRgb, before.imageRgb);
}

TEST_F(FileCommandsTest, ReferencePointsRecalibrateAndObjectPointsOnlyRead) {
  load_demo();
  appState.modelReady = 1;
  TukHeadlessAnswerFile(nullptr);
  load_refpto_cb(nullptr, 0);
  EXPECT_EQ(appState.modelReady, 0) << "dropped even by a cancelled command";

  // six of the demo's points recalibrate and mark the landmarks
  std::string six = "6\n";
  {
    std::ifstream in(kDemo + "demo.ref");
    std::string line;
    std::getline(in, line);
    for (int i = 0; i < 6 && std::getline(in, line); ++i) six += line + "\n";
  }
  six.insert(2, "0 37.66 2.44 183 292\n0 30.34 2.44 143 272\n");
  six.replace(0, 1, "8");
  appState.landmarkMarked = 0;
  TukHeadlessAnswerFile(write("eight.ref", six).c_str());
  load_refpto_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 8);
  EXPECT_EQ(appState.landmarkMarked, 1);

  // a file cut short changes nothing: the eight points stay, and no calibration runs
  appState.landmarkMarked = 0;
  const int firstColumn = appState.refImageX[0];
  TukHeadlessAnswerFile(write("short.ref", "7\n0 0 0 1 1\n").c_str());
  TukHeadlessAnswerMessage();
  load_refpto_cb(nullptr, 0);
  EXPECT_EQ(last_message(), "Erro|" + tmp + "/short.ref não é um arquivo de pontos de referência (termina antes do "
                            "fim do último ponto, linha 3).");
  EXPECT_EQ(appState.refCount, 8);
  EXPECT_EQ(appState.refImageX[0], firstColumn);
  EXPECT_EQ(appState.cameraCurrent, 1) << "the camera of the eight points stays";
  EXPECT_EQ(appState.landmarkMarked, 0);

  const double groundBefore = appState.teamAGroundX[0];
  TukHeadlessAnswerFile(write("o.obj", "1 10 20 0 1 5 6 0").c_str());
  load_objpto_cb(nullptr, 0);
  EXPECT_EQ(appState.teamACount, 1);
  EXPECT_EQ(appState.teamAImageY[0], 20);
  EXPECT_EQ(appState.teamBCount, 0);
  EXPECT_EQ(appState.refereeImageX, 5);
  EXPECT_EQ(appState.ballPresent, 0);
  EXPECT_EQ(appState.teamAGroundX[0], groundBefore) << "ground positions wait for the next calibration";
}

}  // namespace

namespace {

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Save Scene, then Load Scene from another folder: the same points, the same camera to the bit.
TEST_F(FileCommandsTest, SavedSceneLoadsBackToABitIdenticalCamera) {
  load_demo();
  ASSERT_EQ(appState.cameraCurrent, 1);
  const AppState before = appState;
  TukHeadlessAnswerFile((tmp + "/saved").c_str());
  save_cena_cb(nullptr, 0);
  EXPECT_EQ(TukHeadlessLastFileMode(), TUK_FILE_SAVE);
  EXPECT_EQ(file_text(tmp + "/saved.cen"), kDemo + "demo.jpg\nsaved.ref\nsaved.obj\n");

  ASSERT_EQ(chdir(tmp.c_str()), 0);
  clear_reference_points(appState);
  clear_object_points(appState);
  std::memset(appState.cameraMatrix, 0, sizeof appState.cameraMatrix);
  TukHeadlessAnswerFile((tmp + "/saved.cen").c_str());
  load_cena_cb(nullptr, 0);
  ASSERT_EQ(appState.refCount, before.refCount);
  EXPECT_EQ(appState.teamACount, before.teamACount);
  EXPECT_EQ(appState.cameraCurrent, 1);
  EXPECT_EQ(std::memcmp(appState.cameraMatrix, before.cameraMatrix, sizeof before.cameraMatrix), 0);
  EXPECT_EQ(std::memcmp(appState.cameraEye, before.cameraEye, sizeof before.cameraEye), 0);
}

// An existing file is replaced only when the user agrees; a scene the format cannot name writes nothing.
TEST_F(FileCommandsTest, SavesAskBeforeReplacingAndRefuseWhatTheyCannotWrite) {
  load_demo();
  TukSetFunction("tuk-idle", TukCallbackOf(answer_lists));
  const std::string ref = write("kept.ref", "old");
  g_listAnswers.clear();  // Cancel
  TukHeadlessAnswerFile(ref.c_str());
  save_refpto_cb(nullptr, 0);
  EXPECT_EQ(file_text(ref), "old");
  g_listAnswers = {1};
  TukHeadlessAnswerFile(ref.c_str());
  save_refpto_cb(nullptr, 0);
  CalibrationState back;
  ASSERT_EQ(read_reference_file(ref.c_str(), back), 1);
  EXPECT_EQ(back.refCount, appState.refCount);

  // an image outside the scene's folder whose path has a blank: refused, naming the path, and
  // nothing written
  const std::string spaced = tmp + "/my scene";
  appState.imagePath = spaced + "/frame.jpg";
  TukHeadlessAnswerFile((tmp + "/a.cen").c_str());
  TukHeadlessAnswerMessage();
  save_cena_cb(nullptr, 0);
  EXPECT_NE(last_message().find("frame.jpg"), std::string::npos) << last_message();
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  EXPECT_NE(access((tmp + "/a.cen").c_str(), F_OK), 0);
  EXPECT_NE(access((tmp + "/a.ref").c_str(), F_OK), 0);

  // a folder that cannot be written: a message, and no file
  const std::string denied = geteuid() == 0 ? "/proc/varnesk-denied.ref" : "/varnesk-denied.ref";
  TukHeadlessAnswerFile(denied.c_str());
  TukHeadlessAnswerMessage();
  save_refpto_cb(nullptr, 0);
  EXPECT_NE(last_message().find("Não foi possível gravar " + denied), std::string::npos) << last_message();
  EXPECT_NE(access(denied.c_str(), F_OK), 0);
}

// A picture or a text offered as points says what it is not, and where reading stopped.
TEST_F(FileCommandsTest, FilesThatAreNotPointFilesSaySo) {
  load_demo();
  const std::string jpeg = kDemo + "demo.jpg";
  TukHeadlessAnswerFile(jpeg.c_str());
  TukHeadlessAnswerMessage();
  load_refpto_cb(nullptr, 0);
  EXPECT_EQ(last_message().rfind("Erro|" + jpeg + " não é um arquivo de pontos de referência (", 0), 0u)
      << last_message();
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  TukHeadlessAnswerFile(write("words.obj", "two players\n").c_str());
  TukHeadlessAnswerMessage();
  load_objpto_cb(nullptr, 0);
  EXPECT_EQ(last_message(), "Erro|" + tmp + "/words.obj não é um arquivo de pontos de objetos (texto onde deveria "
                            "haver um número, linha 1).");
}

// The camera belongs to the picture and the points: a new picture or fewer points leave none.
TEST_F(FileCommandsTest, NewPictureOrRemovedPointsLeaveNoCamera) {
  load_demo();
  ASSERT_EQ(appState.cameraCurrent, 1);
  TukHeadlessAnswerFile((kDemo + "demo.jpg").c_str());
  load_imag_cb(nullptr, 0);
  EXPECT_EQ(appState.refCount, 0);
  EXPECT_EQ(appState.cameraCurrent, 0);
  EXPECT_EQ(appState.residuals.valid, 0);
}

}  // namespace
