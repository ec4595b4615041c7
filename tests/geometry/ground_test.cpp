// Pixels onto the ground, the two distances and the players' ground positions, through a camera
// calibrated from a synthetic camera's clicks.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

TEST(Ground, PixelMeasuredAcrossThePitchOrPlacedOffItsGroundPoint) {
  const SyntheticCamera cam = broadcast_camera();
  CalibrationState s;
  int all[FIELD_LANDMARK_COUNT];
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) all[i] = i;
  mark_landmarks(cam, all, FIELD_LANDMARK_COUNT, 0, 1, s);
  // the pixel where the synthetic camera sees a ground point, rounded as a click is
  const auto pixel = [&](double X, double Y, int* u, int* v) {
    double fu, fv;
    synthetic_project(cam, X, Y, 0, &fu, &fv);
    *u = static_cast<int>(std::lround(fu)), *v = static_cast<int>(std::lround(fv));
  };
  // before any calibration every pixel is the origin, and there is nothing to measure
  double X = 1, Y = 1, Z = 1;
  image_point_to_ground(s, 123, 45, &X, &Y, &Z);
  EXPECT_TRUE(X == 0 && Y == 0 && Z == 0 && distance_between_points(s, 0, 0, 600, 400) == 0);

  // players and a referee are placed on the ground when the camera is made; no ball, no team A
  pixel(40, 20, &s.teamBImageX[1], &s.teamBImageY[1]);
  pixel(45, 30, &s.refereeImageX, &s.refereeImageY);
  s.teamBCount = 2, s.refereePresent = 1, s.refereeGroundZ = 7, s.ballGroundX = -5, s.teamAGroundX[0] = 99;
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_NEAR(std::hypot(s.teamBGroundX[1] - 40, s.teamBGroundY[1] - 20), 0, 0.2);
  EXPECT_NEAR(std::hypot(s.refereeGroundX - 45, s.refereeGroundY - 30), 0, 0.2);
  EXPECT_TRUE(s.teamBGroundZ[1] == 0 && s.refereeGroundZ == 0 && s.teamAGroundX[0] == 99 && s.ballGroundX == -5);

  // ground points inside this 640 x 480 frame, where half a pixel of rounding spans up to about 0.2 m
  for (const auto& P : {std::pair(52.5, 0.0), {52.5, 34.0}, {52.5, 68.0}, {45.0, 30.0}, {62.0, 48.0}, {50.0, 10.0}}) {
    int u, v;
    pixel(P.first, P.second, &u, &v);
    ASSERT_TRUE(u >= 0 && u < 640 && v >= 0 && v < 480) << P.first << " " << P.second;
    image_point_to_ground(s, u, v, &X, &Y, &Z);
    EXPECT_LT(std::hypot(X - P.first, Y - P.second), 0.3) << P.first << " " << P.second;
    EXPECT_TRUE(Z == 0 && pixel_on_ground_in_front(s, u, v));
  }
  // above the horizon the line of sight meets the ground behind the camera
  double g[3];
  back_project_to_ground(s.cameraMatrix, 320, 479, g);
  EXPECT_TRUE(g[2] > 0 && g[1] < s.cameraEye[1] && !pixel_on_ground_in_front(s, 320, 479));

  // the offside gap runs along the pitch: nothing between the corners of one goal line, the
  // halfway line's 52.5 m from it, the same either way round
  int ua, va, ub, vb, uc, vc;
  pixel(0, 0, &ua, &va);
  pixel(0, 68, &ub, &vb);
  pixel(52.5, 24.85, &uc, &vc);
  EXPECT_NEAR(distance_between_parallels(s, ua, va, ub, vb), 0.0, 0.3);
  EXPECT_NEAR(distance_between_points(s, ua, va, ub, vb), 68.0, 0.5);
  EXPECT_NEAR(distance_between_parallels(s, ua, va, uc, vc), 52.5, 0.3);
  EXPECT_EQ(distance_between_parallels(s, ua, va, uc, vc), distance_between_parallels(s, uc, vc, ua, va));
}

}  // namespace
