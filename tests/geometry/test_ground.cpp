// Pixels onto the ground and the two distances, through a camera calibrated from synthetic clicks.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

class GroundFromBroadcastCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    int all[FIELD_LANDMARK_COUNT];
    for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) all[i] = i;
    mark_landmarks(cam, all, FIELD_LANDMARK_COUNT, 0, 1, s);
    ASSERT_EQ(update_calibration(s), 1);
  }
  // the pixel where the synthetic camera sees a ground point, rounded as a click is
  void pixel_of(double X, double Y, int* u, int* v) const {
    double fu, fv;
    synthetic_project(cam, X, Y, 0, &fu, &fv);
    *u = static_cast<int>(std::lround(fu));
    *v = static_cast<int>(std::lround(fv));
  }
  SyntheticCamera cam = broadcast_camera();
  CalibrationState s;
};

TEST_F(GroundFromBroadcastCamera, LandmarkPixelMapsBackToTheLandmark) {
  // the halfway-line landmarks are the ones inside this narrow 640 x 480 frame; a few more
  // ground points fill the rest of it
  const double points[][2] = {{52.5, 0}, {52.5, 24.85}, {52.5, 34}, {52.5, 43.15}, {52.5, 68},
                              {45, 30},  {62, 48},      {50, 10},   {58, 20}};
  for (const auto& P : points) {
    int u, v;
    pixel_of(P[0], P[1], &u, &v);
    ASSERT_TRUE(u >= 0 && u < 640 && v >= 0 && v < 480) << P[0] << " " << P[1];
    double X, Y, Z = 1;
    image_point_to_ground(s, u, v, &X, &Y, &Z);
    // half a pixel of rounding spans up to about 0.2 m on the ground at this distance
    EXPECT_NEAR(X, P[0], 0.25) << P[1];
    EXPECT_NEAR(Y, P[1], 0.25) << P[0];
    EXPECT_EQ(Z, 0.0);
    double g[3];
    EXPECT_EQ(back_project_to_ground(s.cameraMatrix, u, v, g), 0);
    EXPECT_LT(g[2], 0.0);  // in front of the camera
  }
}

TEST_F(GroundFromBroadcastCamera, CornersOfOneGoalLine) {
  int ua, va, ub, vb;
  pixel_of(0, 0, &ua, &va);
  pixel_of(0, 68, &ub, &vb);
  EXPECT_NEAR(distance_between_parallels(s, ua, va, ub, vb), 0.0, 0.3);
  EXPECT_NEAR(distance_between_points(s, ua, va, ub, vb), 68.0, 0.5);
  // the halfway line is 52.5 m from the goal line, whatever the Y of the clicks
  int uc, vc;
  pixel_of(52.5, 24.85, &uc, &vc);
  EXPECT_NEAR(distance_between_parallels(s, ua, va, uc, vc), 52.5, 0.3);
  EXPECT_EQ(distance_between_parallels(s, ua, va, uc, vc), distance_between_parallels(s, uc, vc, ua, va));
}

TEST_F(GroundFromBroadcastCamera, SamePixelTwiceMeasuresNothing) {
  EXPECT_EQ(distance_between_points(s, 300, 200, 300, 200), 0.0);
  EXPECT_EQ(distance_between_parallels(s, 300, 200, 300, 200), 0.0);
}

TEST_F(GroundFromBroadcastCamera, PixelAboveHorizonMeetsGroundBehindCamera) {
  double g[3];
  back_project_to_ground(s.cameraMatrix, 320, 479, g);
  EXPECT_GT(g[2], 0.0);
  EXPECT_LT(g[1], s.cameraEye[1]);  // behind the camera, which stands at Y = -30 looking to +Y
  EXPECT_GE(distance_between_parallels(s, 320, 479, 320, 100), 0.0);
}

TEST_F(GroundFromBroadcastCamera, OnlyTheRefereeWhenBothTeamsAreEmpty) {
  for (int i = 0; i < MAX_TEAM_PLAYERS; ++i) {
    s.teamAGroundX[i] = s.teamBGroundX[i] = 99;
    s.teamAGroundY[i] = s.teamBGroundY[i] = 99;
  }
  s.refereePresent = 1;
  s.refereeImageX = 320;
  s.refereeImageY = 100;
  s.ballPresent = 0;
  s.ballGroundX = -5;
  s.refereeGroundZ = 7;
  update_object_positions(s);
  for (int i = 0; i < MAX_TEAM_PLAYERS; ++i) {
    EXPECT_EQ(s.teamAGroundX[i], 99);
    EXPECT_EQ(s.teamBGroundY[i], 99);
  }
  double X, Y, Z;
  image_point_to_ground(s, 320, 100, &X, &Y, &Z);
  EXPECT_EQ(s.refereeGroundX, X);
  EXPECT_EQ(s.refereeGroundY, Y);
  EXPECT_EQ(s.refereeGroundZ, 0.0);
  EXPECT_EQ(s.ballGroundX, -5);
}

TEST_F(GroundFromBroadcastCamera, PlayersGetGroundPositionsAtCalibration) {
  int u, v;
  pixel_of(40, 20, &u, &v);
  s.teamBCount = 2;
  s.teamBImageX[1] = u;
  s.teamBImageY[1] = v;
  s.calibrationCache.valid = 0;
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_NEAR(s.teamBGroundX[1], 40, 0.2);
  EXPECT_NEAR(s.teamBGroundY[1], 20, 0.2);
  EXPECT_EQ(s.teamBGroundZ[1], 0.0);
}

TEST(GroundBeforeCalibration, EveryPixelMapsToTheOrigin) {
  CalibrationState s;
  double X = 1, Y = 1, Z = 1;
  image_point_to_ground(s, 123, 45, &X, &Y, &Z);
  EXPECT_EQ(X, 0.0);
  EXPECT_EQ(Y, 0.0);
  EXPECT_EQ(Z, 0.0);
  EXPECT_EQ(distance_between_points(s, 0, 0, 600, 400), 0.0);
  EXPECT_EQ(distance_between_parallels(s, 0, 0, 600, 400), 0.0);
}

TEST(GroundProjection, ZeroOrNegativeCountDoesNothing) {
  const double p[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1};
  int u[1] = {3}, v[1] = {4};
  double X[1] = {9}, Y[1] = {9}, Z[1] = {9};
  project_object_list(p, 0, u, v, X, Y, Z);
  project_object_list(p, -3, u, v, X, Y, Z);
  EXPECT_EQ(X[0], 9);
  project_object_list(p, 1, u, v, X, Y, Z);
  EXPECT_DOUBLE_EQ(X[0], 3);
  EXPECT_DOUBLE_EQ(Y[0], 4);
  EXPECT_EQ(Z[0], 0);
}

}  // namespace
