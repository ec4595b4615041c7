// The writers against the readers: what is written reads back bit for bit, paths a scene file
// cannot hold are refused, and a write that cannot finish leaves no file behind.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <fstream>
#include <string>

#include "geometry/geometry.h"
#include "scene/readers.h"
#include "scene/writers.h"
#include "synthetic_camera.h"

namespace {

class WritersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/varnesk-writers-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    tmp = dir;
  }
  void TearDown() override { std::system(("chmod -R u+w '" + tmp + "'; rm -rf '" + tmp + "'").c_str()); }
  int files_in(const std::string& dir) {
    int n = 0;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
      closedir(d);
    }
    return n;
  }
  std::string tmp;
};

TEST_F(WritersTest, ReferencePointsReadBackBitForBitAndCalibrateTheSame) {
  CalibrationState s;
  const int set[] = {0, 3, 6, 9, 12, 13, 14, 15, 21, 25, 26, 45, 46};
  mark_landmarks(broadcast_camera(), set, 13, 1.0, 9, s);
  s.refWorldX[3] = 0.1 + 0.2;  // a value with no short decimal form
  s.refWorldY[4] = -0.0;
  const std::string path = tmp + "/points.ref";
  ASSERT_EQ(write_text_file_atomic(path.c_str(), reference_file_text(s)), WRITE_OK);
  CalibrationState back;
  back.imageWidth = s.imageWidth;
  back.imageHeight = s.imageHeight;
  ASSERT_EQ(read_reference_file(path.c_str(), back), 1);
  ASSERT_EQ(back.refCount, 13);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(std::memcmp(&back.refWorldX[i], &s.refWorldX[i], sizeof(double)), 0) << i;
    EXPECT_EQ(std::memcmp(&back.refWorldY[i], &s.refWorldY[i], sizeof(double)), 0) << i;
    EXPECT_EQ(std::memcmp(&back.refWorldZ[i], &s.refWorldZ[i], sizeof(double)), 0) << i;
    EXPECT_EQ(back.refImageX[i], s.refImageX[i]);
    EXPECT_EQ(back.refImageY[i], s.refImageY[i]);
  }
  ASSERT_EQ(update_calibration(s), 1);
  ASSERT_EQ(update_calibration(back), 1);
  EXPECT_EQ(std::memcmp(s.cameraMatrix, back.cameraMatrix, sizeof s.cameraMatrix), 0);
  EXPECT_EQ(std::memcmp(s.cameraEye, back.cameraEye, sizeof s.cameraEye), 0);
}

TEST_F(WritersTest, ObjectPointsReadBackInTheReadersOrder) {
  CalibrationState s;
  s.teamACount = 2;
  s.teamAImageX[0] = 5, s.teamAImageY[0] = 6, s.teamAImageX[1] = -7, s.teamAImageY[1] = 8;
  s.teamBCount = 1;
  s.teamBImageX[0] = 9, s.teamBImageY[0] = 10;
  s.refereePresent = 3;  // any non-zero flag is kept as it was read
  s.refereeImageX = 11, s.refereeImageY = 12;
  const std::string path = tmp + "/objects.obj";
  ASSERT_EQ(write_text_file_atomic(path.c_str(), object_file_text(s)), WRITE_OK);
  CalibrationState back;
  back.ballPresent = 1;
  ASSERT_EQ(read_object_file(path.c_str(), back), 1);
  EXPECT_EQ(back.teamACount, 2);
  EXPECT_EQ(back.teamAImageX[1], -7);
  EXPECT_EQ(back.teamBImageY[0], 10);
  EXPECT_EQ(back.refereePresent, 3);
  EXPECT_EQ(back.refereeImageY, 12);
  EXPECT_EQ(back.ballPresent, 0);
}

TEST_F(WritersTest, ValuesTheReaderWouldNotTakeBackAreNotWritten) {
  CalibrationState s;
  s.refCount = 1;
  s.refWorldX[0] = NAN;
  EXPECT_EQ(reference_file_text(s), "");
  s.refCount = MAX_REFERENCE_POINTS + 1;
  EXPECT_EQ(reference_file_text(s), "");
  s.teamACount = 12;
  EXPECT_EQ(object_file_text(s), "");
}

TEST_F(WritersTest, ScenePathsRelativeToTheSceneFolderAndThoseItCannotHold) {
  const ScenePlan inside = plan_scene("/data/match/final.cen", "/data/match/img/frame.jpg");
  EXPECT_EQ(inside.scene, "/data/match/final.cen");
  EXPECT_EQ(inside.imageEntry, "img/frame.jpg");
  EXPECT_EQ(inside.referenceEntry, "final.ref");
  EXPECT_EQ(inside.objectEntry, "final.obj");
  EXPECT_EQ(inside.refused, "");
  EXPECT_EQ(scene_file_text(inside), "img/frame.jpg\nfinal.ref\nfinal.obj\n");

  const ScenePlan noExtension = plan_scene("/data/match/final", "/elsewhere/frame.jpg");
  EXPECT_EQ(noExtension.scene, "/data/match/final.cen");
  EXPECT_EQ(noExtension.imageEntry, "/elsewhere/frame.jpg");

  // a blank in the scene's own folder does not matter: the entries are relative to it
  EXPECT_EQ(plan_scene("/data/my match/a.cen", "/data/my match/x.jpg").refused, "");
  EXPECT_EQ(plan_scene("/data/my match/a.cen", "/data/x.jpg").refused, "");
  EXPECT_EQ(plan_scene("/data/a b.cen", "/data/x.jpg").refused, "a b.ref");
  EXPECT_EQ(plan_scene("/data/a.cen", "/photos/day one.jpg").refused, "/photos/day one.jpg");
  const std::string longName = "/photos/" + std::string(88, 'p') + ".jpg";  // 100 characters
  EXPECT_EQ(plan_scene("/data/a.cen", longName).refused, longName);
  EXPECT_EQ(plan_scene("/data/a.cen", longName.substr(1)).refused, "") << "99 characters fit";
}

// A failed write leaves neither the target nor a temporary file; an existing file is replaced whole.
TEST_F(WritersTest, WritesAreAtomic) {
  const std::string path = tmp + "/a.ref";
  std::ofstream(path) << "old";
  ASSERT_EQ(write_text_file_atomic(path.c_str(), "new\n"), WRITE_OK);
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "new\n");
  EXPECT_EQ(files_in(tmp), 1);

  EXPECT_EQ(write_text_file_atomic((tmp + "/missing/a.ref").c_str(), "x"), WRITE_CANNOT_CREATE);
  // a folder nobody may write into (root writes anywhere, but not into /proc)
  const std::string locked = tmp + "/locked";
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  const std::string target = geteuid() == 0 ? std::string("/proc/varnesk-test.ref") : locked + "/a.ref";
  EXPECT_NE(write_text_file_atomic(target.c_str(), "x"), WRITE_OK);
  struct stat st{};
  EXPECT_NE(stat(target.c_str(), &st), 0);
  EXPECT_EQ(files_in(locked), 0);
}

}  // namespace
