// The pitch plan of the landmark dialog, read back from its 560 x 350 canvas and checked against
// the landmark table's plan pixels.
#include "geometry/landmarks.h"
#include "render/png_write.h"
#include "render_fixture.h"

namespace {

using Plan = GLSceneTest;

TEST_F(Plan, PitchCutOffOrLinesOffTheLandmarkTable) {
  open_plan();
  const Frame f = plan_frame();
  ASSERT_EQ(f.w, 560);
  ASSERT_EQ(f.h, 350);
  int box[4];
  // from the back of one goal to the back of the other (X = -2 .. 107), touch line to touch line
  ASSERT_TRUE(f.bounds(is_white, box));
  EXPECT_NEAR(box[0], 8, 2);
  EXPECT_NEAR(box[2], 551, 2);
  EXPECT_NEAR(box[1], 4, 2);
  EXPECT_NEAR(box[3], 345, 2);
  // a margin in the clear colour on every side, the pitch in its lighter green
  ASSERT_TRUE(f.bounds([](Pixel p) { return !is_background(p); }, box));
  EXPECT_GE(box[0], 3);
  EXPECT_GE(box[1], 3);
  EXPECT_LE(box[2], f.w - 4);
  EXPECT_LE(box[3], f.h - 4);
  EXPECT_TRUE(f.near_top(200, 100, 0, is_grass));
  for (const FieldLandmark& l : FieldLandmarkTable) EXPECT_TRUE(f.near_top(l.px, l.py, 3, is_white)) << l.x << "," << l.y;
  EXPECT_EQ(f.count(is_red) + f.count(is_yellow), 0) << "nothing marked before the first pick";
}

// The plan as the dialog shows it once the demo's reference points were entered; the picture is
// kept in the build folder (the user guide shows it).
TEST_F(Plan, EnteredOrPickedLandmarkMarkedOffItsPlace) {
  demo_scene();
  open_plan();
  AppState& s = appState;
  s.landmarkMarked = 1;
  s.pickedWorldX = 52.5, s.pickedWorldY = 34.0, s.pickedWorldZ = 0.0;  // centre mark
  Frame f = plan_frame();
  int entered = 0;
  for (int i = 0; i < s.refCount; ++i)
    for (const FieldLandmark& l : FieldLandmarkTable)
      if (l.x == s.refWorldX[i] && l.y == s.refWorldY[i] && l.z == s.refWorldZ[i]) {
        ++entered;
        EXPECT_TRUE(f.near_top(l.px, l.py, 1, is_yellow)) << "reference point " << i;
      }
  EXPECT_EQ(entered, s.refCount);
  EXPECT_TRUE(f.near_top(279, 174, 0, is_red));
  const std::string path = std::string(VARNESK_BINARY_DIR) + "/plan-demo.png";
  EXPECT_EQ(write_png_bottom_up(path.c_str(), f.rgb.data(), f.w, f.h), 0);
  const int yellow = f.count(is_yellow);

  // a crossbar end picked: red at the back of its goal, over the entered point's yellow
  struct Case {
    double x, y;
    int px, py;
  } const crossbarEnds[] = {{0.0, 30.34, 8, 192}, {105.0, 37.66, 550, 156}};
  s.pickedWorldZ = 2.44;
  for (const Case& c : crossbarEnds) {
    SCOPED_TRACE(c.x);
    s.pickedWorldX = c.x, s.pickedWorldY = c.y;
    f = plan_frame();
    int box[4];
    ASSERT_TRUE(f.bounds(is_red, box));
    EXPECT_NEAR((box[0] + box[2]) / 2.0, c.px, 1.5);
    EXPECT_NEAR(f.h - 1 - (box[1] + box[3]) / 2.0, c.py, 1.5);
    EXPECT_NEAR(box[2] - box[0], 7, 2) << "about 1.4 m across";
    EXPECT_FALSE(f.near_top(c.px + (c.x == 0 ? 10 : -10), c.py, 2, is_red)) << "the post's foot stays unmarked";
  }
  s.pickedWorldX = 0.0, s.pickedWorldY = 30.34;
  EXPECT_LT(plan_frame().count(is_yellow), yellow);

  s.landmarkMarked = 0;
  f = plan_frame();
  EXPECT_EQ(f.count(is_red) + f.count(is_yellow), 0) << "marks switched off";
}

}  // namespace
