// The application record's initial values and the point operations.
#include <gtest/gtest.h>

#include "state/app_state.h"

namespace {

TEST(AppStateInitial, TeamsStartRedAndBlueAndEverythingElseZero) {
  AppState s;
  EXPECT_EQ(s.teamAColor, 0);
  EXPECT_EQ(s.teamBColor, 2);
  EXPECT_STREQ(teamColorNames[s.teamAColor], "Red");
  EXPECT_STREQ(teamColorNames[s.teamBColor], "Blue");
  EXPECT_EQ(s.teamAList, -1);
  EXPECT_EQ(s.teamBList, -1);
  EXPECT_EQ(s.refCount + s.teamACount + s.teamBCount + s.refereePresent + s.ballPresent, 0);
  EXPECT_EQ(s.interactionMode, MODE_NONE);
  EXPECT_EQ(s.imageLoaded + s.modelReady + s.landmarkMarked + s.measureClicks, 0);
  EXPECT_TRUE(s.imageRgb.empty());
  for (double x : s.cameraMatrix) EXPECT_EQ(x, 0.0);
  EXPECT_EQ(s.pickedWorldX + s.pickedWorldY + s.pickedWorldZ, 0.0);
  EXPECT_EQ(s.mainDialog, nullptr);
  // the global instance starts the same way
  EXPECT_EQ(appState.teamBColor, 2);
  EXPECT_EQ(appState.teamBList, -1);
  EXPECT_EQ(appState.refCount, 0);
}

TEST(AppStateInitial, ColourTableWithBlackForTheReferee) {
  const unsigned char expected[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {192, 192, 192}, {0, 0, 0}};
  for (int i = 0; i < 6; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(teamColorRgb[i][k], expected[i][k]);
  EXPECT_STREQ(teamColorNames[3], "Yellow");
  EXPECT_STREQ(teamColorNames[4], "Gray");
}

TEST(PointOperations, RowsAreCountedFromTheBottom) {
  AppState s;
  s.imageHeight = 480;
  ASSERT_EQ(set_reference_image_point(s, 10, 0), 1);
  EXPECT_EQ(s.refImageY[0], 479);
  ASSERT_EQ(set_reference_image_point(s, 11, 479), 1);
  EXPECT_EQ(s.refImageX[0], 11);
  EXPECT_EQ(s.refImageY[0], 0);
  EXPECT_EQ(s.refCount, 0);  // the pending slot is not counted until its landmark is chosen
  ASSERT_EQ(append_reference_world_point(s, 52.5, 34, 0), 1);
  EXPECT_EQ(s.refCount, 1);
  EXPECT_EQ(s.refWorldX[0], 52.5);
  EXPECT_EQ(s.refImageX[0], 11);
}

TEST(PointOperations, FullListsRefuseWithoutWritingPastThem) {
  AppState s;
  s.imageHeight = 100;
  for (int i = 0; i < MAX_REFERENCE_POINTS; ++i) {
    ASSERT_EQ(set_reference_image_point(s, i, i), 1);
    ASSERT_EQ(append_reference_world_point(s, i, 0, 0), 1);
  }
  EXPECT_EQ(set_reference_image_point(s, 1, 1), 0);
  EXPECT_EQ(append_reference_world_point(s, 1, 1, 1), 0);
  EXPECT_EQ(s.refCount, MAX_REFERENCE_POINTS);
  EXPECT_EQ(s.teamAImageX[0], 0);  // the next member is untouched

  for (int i = 0; i < MAX_TEAM_PLAYERS; ++i) {
    ASSERT_EQ(add_team_a_point(s, i, 5), 1);
    ASSERT_EQ(add_team_b_point(s, i, 6), 1);
  }
  EXPECT_EQ(add_team_a_point(s, 1, 1), 0);
  EXPECT_EQ(add_team_b_point(s, 1, 1), 0);
  EXPECT_EQ(s.teamACount, MAX_TEAM_PLAYERS);
  EXPECT_EQ(s.teamBImageY[MAX_TEAM_PLAYERS - 1], 93);
}

TEST(PointOperations, RefereeAndBallAreSinglePointsAndClearsKeepArrays) {
  AppState s;
  s.imageHeight = 10;
  set_referee_point(s, 1, 1);
  set_referee_point(s, 4, 2);
  set_ball_point(s, 5, 9);
  EXPECT_EQ(s.refereeImageX, 4);
  EXPECT_EQ(s.refereeImageY, 7);
  EXPECT_EQ(s.refereePresent, 1);
  EXPECT_EQ(s.ballImageY, 0);
  add_team_a_point(s, 3, 3);
  clear_object_points(s);
  EXPECT_EQ(s.teamACount + s.teamBCount + s.refereePresent + s.ballPresent, 0);
  EXPECT_EQ(s.teamAImageX[0], 3);
  set_reference_image_point(s, 2, 2);
  append_reference_world_point(s, 1, 2, 3);
  clear_reference_points(s);
  EXPECT_EQ(s.refCount, 0);
  EXPECT_EQ(s.refWorldZ[0], 3);
}

}  // namespace
