// The application record's point operations.
#include <gtest/gtest.h>

#include "state/app_state.h"

namespace {

TEST(AppState, RowStoredFromTheTopOrAFullListWrittenPast) {
  AppState s;
  s.imageHeight = 480;
  // a click's row counts from the top, a stored one from the bottom; the pending reference slot
  // is not counted until its landmark is chosen
  ASSERT_EQ(set_reference_image_point(s, 11, 479), 1);
  EXPECT_TRUE(s.refImageX[0] == 11 && s.refImageY[0] == 0 && s.refCount == 0);
  ASSERT_EQ(append_reference_world_point(s, 52.5, 34, 0), 1);
  EXPECT_TRUE(s.refCount == 1 && s.refWorldX[0] == 52.5 && s.refImageX[0] == 11);
  set_referee_point(s, 4, 2);
  set_ball_point(s, 5, 0);
  EXPECT_TRUE(s.refereePresent && s.refereeImageX == 4 && s.refereeImageY == 477);
  EXPECT_TRUE(s.ballPresent && s.ballImageY == 479);
  for (int i = 1; i < MAX_REFERENCE_POINTS; ++i) {
    ASSERT_EQ(set_reference_image_point(s, i, i) + append_reference_world_point(s, i, 0, 0), 2);
  }
  EXPECT_EQ(set_reference_image_point(s, 1, 1) + append_reference_world_point(s, 1, 1, 1), 0);
  EXPECT_EQ(s.refCount, MAX_REFERENCE_POINTS);
  for (int i = 0; i < MAX_TEAM_PLAYERS; ++i) ASSERT_EQ(add_team_a_point(s, i, 5) + add_team_b_point(s, i, 6), 2);
  EXPECT_EQ(add_team_a_point(s, 1, 1) + add_team_b_point(s, 1, 1), 0);
  EXPECT_TRUE(s.teamACount == MAX_TEAM_PLAYERS && s.teamBCount == MAX_TEAM_PLAYERS && s.teamBImageY[10] == 473);
  clear_object_points(s);
  EXPECT_EQ(s.teamACount + s.teamBCount + s.refereePresent + s.ballPresent, 0);
}

}  // namespace
