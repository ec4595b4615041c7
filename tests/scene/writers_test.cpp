// The writers against the readers: what is written reads back bit for bit, and paths a scene
// file cannot hold are refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>

#include "scene/readers.h"
#include "scene/writers.h"
#include "synthetic_camera.h"

namespace {

TEST(Writers, SavedPointsLoseDigitsOrAreNotWhatIsReadBack) {
  CalibrationState s, back;
  const int set[] = {0, 3, 6, 9, 12, 13, 14, 15, 21, 25, 26, 45, 46};
  mark_landmarks(broadcast_camera(), set, 13, 1.0, 9, s);
  s.refWorldX[3] = 0.1 + 0.2;  // a value with no short decimal form
  s.refWorldY[4] = -0.0;
  s.teamACount = 2, s.teamAImageX[1] = -7, s.teamBCount = 1, s.teamBImageY[0] = 10;
  s.refereePresent = 3, s.refereeImageY = 12;  // any non-zero flag is kept as it was read
  back.ballPresent = 1;
  const std::string path = std::string(VARNESK_BINARY_DIR) + "/writers-test-" + std::to_string(getpid());
  ASSERT_EQ(write_text_file_atomic((path + ".ref").c_str(), reference_file_text(s)), WRITE_OK);
  ASSERT_EQ(write_text_file_atomic((path + ".obj").c_str(), object_file_text(s)), WRITE_OK);
  ASSERT_EQ(read_reference_file((path + ".ref").c_str(), back) + read_object_file((path + ".obj").c_str(), back), 2);
  std::remove((path + ".ref").c_str());
  std::remove((path + ".obj").c_str());
  const auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
  EXPECT_TRUE(back.refCount == 13 && same(back.refWorldX, s.refWorldX) && same(back.refWorldY, s.refWorldY));
  EXPECT_TRUE(same(back.refWorldZ, s.refWorldZ) && same(back.refImageX, s.refImageX));
  EXPECT_TRUE(same(back.refImageY, s.refImageY));
  EXPECT_TRUE(back.teamACount == 2 && back.teamAImageX[1] == -7 && back.teamBCount == 1 && back.teamBImageY[0] == 10);
  EXPECT_TRUE(back.refereePresent == 3 && back.refereeImageY == 12 && back.ballPresent == 0);
  // values the reader would not take back are not written, and a file that cannot be made is not
  s.refWorldX[0] = NAN;
  s.teamACount = 12;
  EXPECT_EQ(reference_file_text(s) + object_file_text(s), "");
  EXPECT_EQ(write_text_file_atomic((path + "/missing/a.ref").c_str(), "x"), WRITE_CANNOT_CREATE);
}

TEST(Writers, ScenePathTheFileCannotHoldAccepted) {
  const ScenePlan inside = plan_scene("/data/match/final.cen", "/data/match/img/frame.jpg");
  EXPECT_EQ(inside.refused, "");
  EXPECT_EQ(scene_file_text(inside), "img/frame.jpg\nfinal.ref\nfinal.obj\n");
  const ScenePlan noExtension = plan_scene("/data/match/final", "/elsewhere/frame.jpg");
  EXPECT_EQ(noExtension.scene + " " + noExtension.imageEntry, "/data/match/final.cen /elsewhere/frame.jpg");
  // a blank in the scene's own folder does not matter: the entries are relative to it
  const std::string longName = "/photos/" + std::string(88, 'p') + ".jpg";  // 100 characters
  const std::pair<ScenePlan, std::string> cases[] = {
      {plan_scene("/data/my match/a.cen", "/data/my match/x.jpg"), ""},
      {plan_scene("/data/my match/a.cen", "/data/x.jpg"), ""},
      {plan_scene("/data/a b.cen", "/data/x.jpg"), "a b.ref"},
      {plan_scene("/data/a.cen", "/photos/day one.jpg"), "/photos/day one.jpg"},
      {plan_scene("/data/a.cen", longName), longName}, {plan_scene("/data/a.cen", longName.substr(1)), ""},  // 99 fit
  };
  for (const auto& [plan, refused] : cases) EXPECT_EQ(plan.refused, refused) << plan.imageEntry;
}

}  // namespace
