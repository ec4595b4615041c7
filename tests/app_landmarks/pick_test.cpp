// Snapping a click on the pitch plan to a landmark: no window needed.
#include <gtest/gtest.h>

#include "state/app_state.h"
#include "app/landmark_dialog.h"
#include "geometry/landmarks.h"

namespace {

class PickTest : public ::testing::Test {
 protected:
  void SetUp() override { appState = AppState{}; }
  void TearDown() override { appState = AppState{}; }
};

TEST_F(PickTest, a_click_midway_between_two_landmarks_picks_the_earlier_one) {
  // (18, 247) lies 27 pixels from both ends of the goal line's stretch 12 (18, 274) and 16 (18, 220)
  EXPECT_EQ(nearest_landmark(18, 247), 12);
  // (462, 1) is as far from corner arc end 11 (535, 5) as from penalty area corner 34 (458, 74)
  EXPECT_EQ(nearest_landmark(462, 1), 11);
}

TEST_F(PickTest, the_centre_mark_and_a_crossbar_end_are_picked_at_their_own_pixels) {
  EXPECT_EQ(pick_nearest_landmark(279, 174), 29);
  EXPECT_EQ(appState.pickedWorldX, 52.5);
  EXPECT_EQ(appState.pickedWorldY, 34.0);
  EXPECT_EQ(appState.pickedWorldZ, 0.0);
  // the top of the post, not its foot ten pixels to the right
  EXPECT_EQ(pick_nearest_landmark(8, 156), 25);
  EXPECT_EQ(appState.pickedWorldX, 0.0);
  EXPECT_EQ(appState.pickedWorldY, 37.66);
  EXPECT_EQ(appState.pickedWorldZ, 2.44);
}

TEST_F(PickTest, every_landmark_is_picked_at_its_plan_position) {
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
    const FieldLandmark& l = FieldLandmarkTable[i];
    const int picked = nearest_landmark(l.px, l.py);
    // entries sharing a plan pixel do not exist; each pixel belongs to its own entry
    EXPECT_EQ(picked, i) << "landmark " << i;
  }
}

TEST_F(PickTest, every_pixel_of_the_plan_picks_a_landmark_within_106_pixels) {
  for (int y = 0; y < 350; ++y)
    for (int x = 0; x < 560; ++x) {
      const int i = nearest_landmark(x, y);
      ASSERT_GE(i, 0) << x << "," << y;
      const int dx = x - FieldLandmarkTable[i].px, dy = y - FieldLandmarkTable[i].py;
      ASSERT_LE(dx * dx + dy * dy, 11061) << x << "," << y;
    }
}

TEST_F(PickTest, a_release_far_outside_keeps_the_previous_pick) {
  pick_nearest_landmark(485, 174);  // right penalty mark
  // beyond the bound (squared distance 450000) from every landmark, and far enough that the
  // squares would overflow 32-bit integers
  for (const auto& p : {std::pair<int, int>{-1000, 175}, {560 + 700, 174}, {279, -700}, {2147483647, -2147483647 - 1},
                        {-2147483647 - 1, 2147483647}}) {
    EXPECT_EQ(pick_nearest_landmark(p.first, p.second), -1) << p.first << "," << p.second;
    EXPECT_EQ(appState.pickedWorldX, 94.0);
    EXPECT_EQ(appState.pickedWorldY, 34.0);
  }
  // just inside the bound: 670 pixels left of the corner at (18, 343), 670^2 = 448900
  EXPECT_EQ(nearest_landmark(18 - 670, 343), 0);
}

}  // namespace
