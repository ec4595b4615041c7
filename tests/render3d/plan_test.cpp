// The pitch plan of the landmark dialog, read back from its 560 x 350 canvas.
#include "geometry/landmarks.h"
#include "render/png_write.h"
#include "render3d_fixture.h"

namespace {

using PlanTest = GLSceneTest;

TEST_F(PlanTest, whole_pitch_and_both_goals_inside_with_a_green_margin) {
  open_plan();
  const Frame f = plan_frame();
  ASSERT_EQ(f.w, 560);
  ASSERT_EQ(f.h, 350);
  // a margin of background on every side
  for (int x = 0; x < f.w; ++x)
    for (int y : {0, 1, 2, f.h - 3, f.h - 2, f.h - 1}) ASSERT_TRUE(is_background(f.at(x, y))) << x << "," << y;
  for (int y = 0; y < f.h; ++y)
    for (int x : {0, 1, 2, f.w - 3, f.w - 2, f.w - 1}) ASSERT_TRUE(is_background(f.at(x, y))) << x << "," << y;
  // the lines reach from the back of one goal to the back of the other, touch line to touch line
  int box[4];
  ASSERT_TRUE(f.bounds(is_white, box));
  EXPECT_NEAR(box[0], 8, 2);    // X = -2
  EXPECT_NEAR(box[2], 551, 2);  // X = 107
  EXPECT_NEAR(box[1], 4, 2);    // Y = 0, row 345 from the top
  EXPECT_NEAR(box[3], 345, 2);  // Y = 68, row 5 from the top
  // the pitch itself in its lighter green, the margin around it in the clear colour
  EXPECT_TRUE(is_grass(f.at_top(200, 100)));
  EXPECT_TRUE(is_background(f.at_top(10, 100)));
  // nothing marked before the first pick
  EXPECT_EQ(f.count(is_red), 0);
  EXPECT_EQ(f.count(is_yellow), 0);
}

TEST_F(PlanTest, every_landmark_lies_on_a_drawn_line_or_spot_at_its_table_position) {
  open_plan();
  const Frame f = plan_frame();
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
    const FieldLandmark& l = FieldLandmarkTable[i];
    EXPECT_TRUE(f.near_top(l.px, l.py, 3, is_white)) << "landmark " << i;
  }
}

TEST_F(PlanTest, crossbar_ends_are_marked_at_the_back_of_their_goal) {
  open_plan();
  appState.landmarkMarked = 1;
  // top of a left post: the red cross at (-2, 30.34), not on the goal line
  appState.pickedWorldX = 0.0;
  appState.pickedWorldY = 30.34;
  appState.pickedWorldZ = 2.44;
  Frame f = plan_frame();
  int box[4];
  ASSERT_TRUE(f.bounds(is_red, box));
  EXPECT_NEAR((box[0] + box[2]) / 2.0, 8, 1.5);
  EXPECT_NEAR(f.h - 1 - (box[1] + box[3]) / 2.0, 192, 1.5);
  EXPECT_FALSE(f.near_top(18, 192, 2, is_red));  // the post's foot stays unmarked
  // about 1.4 m, 7 pixels, across
  EXPECT_NEAR(box[2] - box[0], 7, 2);

  // the right goal's crossbar end goes to X = 107
  appState.pickedWorldX = 105.0;
  appState.pickedWorldY = 37.66;
  f = plan_frame();
  ASSERT_TRUE(f.bounds(is_red, box));
  EXPECT_NEAR((box[0] + box[2]) / 2.0, 550, 1.5);
  EXPECT_NEAR(f.h - 1 - (box[1] + box[3]) / 2.0, 156, 1.5);
}

TEST_F(PlanTest, entered_landmarks_in_yellow_and_the_pick_in_red_over_them) {
  open_plan();
  appState.landmarkMarked = 1;
  const int entered[] = {13, 29, 26, 29};  // the centre mark twice gives one visible cross
  for (int i : entered) {
    appState.refWorldX[appState.refCount] = FieldLandmarkTable[i].x;
    appState.refWorldY[appState.refCount] = FieldLandmarkTable[i].y;
    appState.refWorldZ[appState.refCount] = FieldLandmarkTable[i].z;
    ++appState.refCount;
  }
  appState.pickedWorldX = 94.0;  // the right penalty mark
  appState.pickedWorldY = 34.0;
  Frame f = plan_frame();
  EXPECT_TRUE(f.near_top(100, 274, 1, is_yellow));
  EXPECT_TRUE(f.near_top(279, 174, 1, is_yellow));
  EXPECT_TRUE(f.near_top(8, 192, 1, is_yellow));  // crossbar end at the back of the goal
  EXPECT_FALSE(f.near_top(18, 192, 1, is_yellow));
  EXPECT_TRUE(f.near_top(485, 174, 1, is_red));
  EXPECT_FALSE(f.near_top(485, 174, 4, is_yellow));
  const int yellow = f.count(is_yellow);

  // picking an entered landmark draws red over its yellow cross
  appState.pickedWorldX = 52.5;
  f = plan_frame();
  EXPECT_TRUE(f.near_top(279, 174, 0, is_red));
  EXPECT_LT(f.count(is_yellow), yellow);

  // once the marks are switched off the plan shows the pitch alone
  appState.landmarkMarked = 0;
  f = plan_frame();
  EXPECT_EQ(f.count(is_red), 0);
  EXPECT_EQ(f.count(is_yellow), 0);
}

}  // namespace

namespace {

// The plan as the dialog shows it after the demo's reference points were entered and a landmark
// picked; the picture is kept in the build folder (the user guide shows it).
TEST_F(PlanTest, demo_reference_points_marked_on_the_plan) {
  demo_scene();
  open_plan();
  appState.landmarkMarked = 1;
  appState.pickedWorldX = 52.5;  // centre mark
  appState.pickedWorldY = 34.0;
  appState.pickedWorldZ = 0.0;
  const Frame f = plan_frame();
  for (int i = 0; i < appState.refCount; ++i) {
    for (const FieldLandmark& l : FieldLandmarkTable) {
      if (l.x != appState.refWorldX[i] || l.y != appState.refWorldY[i] || l.z != appState.refWorldZ[i]) continue;
      EXPECT_TRUE(f.near_top(l.px, l.py, 1, is_yellow)) << "reference point " << i;
    }
  }
  EXPECT_TRUE(f.near_top(279, 174, 0, is_red));
  const std::string path = std::string(VARNESK_BINARY_DIR) + "/plan-demo.png";
  EXPECT_EQ(write_png_bottom_up(path.c_str(), f.rgb.data(), f.w, f.h), 0);
}

}  // namespace
