// The DLT and broadcast cameras against a synthetic camera with known truth, the rule that
// chooses between them, and the refusals that keep a bad landmark set from giving a garbage camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "geometry/geometry.h"
#include "geometry/vector3.h"
#include "synthetic_camera.h"

namespace {

// corners, penalty areas of both ends, the four crossbar ends and the centre mark
constexpr int kBroadSet[] = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46, 29};

bool same_camera(const CameraCalibration& a, const CameraCalibration& b) { return !std::memcmp(&a, &b, sizeof a); }

TEST(Calibration, KnownCameraNotRecovered) {
  const SyntheticCamera cam = broadcast_camera();
  const int ground[] = {0, 3, 12, 13, 14, 15, 16, 17, 18, 19, 20, 29};  // one penalty area and its goal line
  // slack scales the tolerances
  struct Case { const char* what; const int* set; int count; double noise, slack; int model; };
  const Case cases[] = {
      {"DLT, 13 landmarks", kBroadSet, 13, 0, 1, CAMERA_DLT},
      {"DLT, 2 px of click noise", kBroadSet, 13, 2, 5, CAMERA_DLT},
      {"broadcast, ground landmarks only", ground, 12, 0, 1, CAMERA_BROADCAST},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CalibrationState s;
    mark_landmarks(cam, c.set, c.count, c.noise, 11, s);
    ASSERT_EQ(update_calibration(s), 1);
    EXPECT_EQ(s.cameraModel, c.model);
    // a unit third row, and w < 0 in front of the camera (all landmarks are)
    EXPECT_NEAR(dot3(s.cameraMatrix + 8, s.cameraMatrix + 8), 1.0, 1e-12);
    double u, v;
    for (int i = 0; i < s.refCount; ++i)
      EXPECT_LT(project_world_point(s.cameraMatrix, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], &u, &v), 0.0) << i;
    EXPECT_LT(reprojection_rms(s), c.noise ? 2.5 : 0.6);
    double toTarget[3];
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(s.cameraEye[k], cam.eye[k], 0.3 * c.slack);
      EXPECT_NEAR(s.cameraTarget[k], cam.target[k], 0.2 * c.slack);
      toTarget[k] = s.cameraTarget[k] - s.cameraEye[k];
    }
    const double distance = std::sqrt(dot3(toTarget, toTarget));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.cameraViewDir[k], toTarget[k] / distance, 1e-9);
    // up is image up (world up for a camera without roll), its length the focal length
    const double focal = std::sqrt(dot3(s.cameraUp, s.cameraUp));
    EXPECT_NEAR(dot3(s.cameraUp, s.cameraViewDir), 0.0, 1e-9 * focal);
    EXPECT_NEAR(focal, cam.focal, 0.01 * c.slack * cam.focal);
    EXPECT_TRUE(s.cameraUp[2] > 0 && s.calibrationReport.searchCapped == 0);
    EXPECT_NEAR(camera_vertical_fov(s), 33.398, 0.3 * c.slack);  // 2 atan(240 / 800)
  }
}

TEST(Calibration, BroadcastCameraReplacesADltCameraThatCalibrates) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, 13, 1.0, 7, s);
  CameraCalibration direct;
  SearchOutcome search;
  ASSERT_EQ(calibrate_camera(s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX, s.refImageY,
                             s.imageWidth, s.imageHeight, &direct, &search), CALIB_OK);
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_TRUE(s.cameraModel == CAMERA_DLT && same_camera(direct, s));
  s.cameraPreference = CAMERA_FORCE_BROADCAST;
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_TRUE(s.cameraModel == CAMERA_BROADCAST && !same_camera(direct, s) && reprojection_rms(s) < 1.5);
}

TEST(Calibration, BadLandmarkSetGivesACameraOrLosesThePreviousOne) {
  using Spoil = void (*)(CalibrationState&);
  const Spoil none = [](CalibrationState&) {};
  struct Case { const char* what; int landmarks[12]; int count, preference, status; Spoil spoil; };
  const int dlt = CAMERA_FORCE_DLT, broadcast = CAMERA_FORCE_BROADCAST;
  const Case cases[] = {
      {"five points", {0, 13, 14, 25, 26}, 5, CAMERA_AUTO, CALIB_TOO_FEW_POINTS, none},
      {"all on the ground", {0, 3, 6, 9, 13, 14, 33, 34}, 8, dlt, CALIB_FEW_OFF_GROUND, none},
      {"a crossbar end twice", {0, 3, 6, 9, 13, 14, 25, 25}, 8, dlt, CALIB_FEW_OFF_GROUND, none},
      {"all in the goal-line plane", {0, 3, 12, 15, 16, 19, 23, 24, 25, 26}, 10, dlt, CALIB_DEGENERATE, none},
      {"three ground points on a line", {27, 29, 31, 13, 25, 26}, 6, dlt, CALIB_DEGENERATE, none},
      {"the fewest for a DLT camera", {0, 6, 13, 33, 25, 26}, 6, dlt, CALIB_OK, none},
      {"not a number", {0, 6, 13, 33, 25, 26}, 6, dlt, CALIB_NOT_FINITE,
       [](CalibrationState& s) { s.refWorldY[2] = NAN; }},
      {"squares that overflow", {0, 6, 13, 33, 25, 26}, 6, dlt, CALIB_DEGENERATE,
       [](CalibrationState& s) { for (double& x : s.refWorldX) x *= 1e160; }},
      {"a count above capacity", {0, 6, 13, 33, 25, 26}, 6, dlt, CALIB_TOO_MANY_POINTS,
       [](CalibrationState& s) { s.refCount = MAX_REFERENCE_POINTS + 1; }},
      {"three of four ground points on a line", {27, 29, 31, 13}, 4, broadcast, CALIB_FEW_GROUND, none},
      {"every point on the halfway line", {27, 28, 29, 30, 31}, 5, broadcast, CALIB_FEW_GROUND, none},
      {"a click 60 px off its landmark", {0, 3, 13, 14, 17, 18, 20}, 7, broadcast, CALIB_HIGH_RMS,
       [](CalibrationState& s) { s.refImageX[6] += 60; }},
      {"the picture upside down", {0, 3, 12, 13, 14, 15, 16, 17, 18, 19, 20, 29}, 12, broadcast, CALIB_EYE_BELOW_GROUND,
       [](CalibrationState& s) { for (int& v : s.refImageY) v = s.imageHeight - v; }},
      {"the fewest for a broadcast camera", {0, 6, 13, 33}, 4, broadcast, CALIB_OK, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CalibrationState s;
    mark_landmarks(broadcast_camera(), c.landmarks, c.count, 0, 1, s);
    c.spoil(s);
    s.cameraPreference = c.preference, s.teamACount = 1, s.teamAGroundX[0] = 77;
    for (int k = 0; k < 12; ++k) s.cameraMatrix[k] = k + 0.5;
    // twice: the second call reuses the outcome, which must stay the same
    for (int pass = 0; pass < 2; ++pass) {
      EXPECT_EQ(update_calibration(s), c.status == CALIB_OK);
      EXPECT_EQ(s.calibrationReport.status, c.status);
      if (c.status == CALIB_OK) continue;
      for (int k = 0; k < 12; ++k) EXPECT_EQ(s.cameraMatrix[k], k + 0.5);
      EXPECT_TRUE(s.cameraCurrent == 0 && s.teamAGroundX[0] == 77);
    }
  }
}

TEST(CompassSearch, PassCapIgnoredOrNotANumberTakenForTheBest) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, 13, 0, 1, s);
  const double target[3] = {52.5, 34, 0};
  double up[3], dir[3], up2[3], dir2[3];
  const auto search = [&](double eye[3], int maxPasses) {
    return compass_search(eye, target, 320, 240, s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX,
                          s.refImageY, maxPasses, up, dir);
  };
  const auto evaluate = [&](const double eye[3]) {
    return evaluate_camera(eye, target, 320, 240, s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX,
                           s.refImageY, up2, dir2);
  };
  // 4 m off on each axis every pass moves one step: the cap ends the search, with the camera of
  // the eye reached
  double eye[3] = {56.5, -34, 19};
  SearchOutcome out = search(eye, 20);
  EXPECT_TRUE(out.passes == 20 && out.capped == 1);
  EXPECT_NEAR(std::fabs(eye[0] - 56.5) + std::fabs(eye[1] + 34) + std::fabs(eye[2] - 19), 20 * SEARCH_STEP, 1e-6);
  evaluate(eye);
  EXPECT_EQ(std::memcmp(up, up2, sizeof up) | std::memcmp(dir, dir2, sizeof dir), 0);
  // level with the target the camera model divides by zero: the eye's residual is not a
  // number and ranks worst, so the search leaves it
  double level[3] = {52.5, -30, 0};
  EXPECT_TRUE(std::isnan(evaluate(level)));
  out = search(level, 1000);
  EXPECT_TRUE(out.capped == 0 && level[2] != 0.0);
  EXPECT_TRUE(std::isfinite(up[0]) && std::isfinite(up[1]) && std::isfinite(up[2]));
}

TEST(Calibration, StaleCameraKeptAfterAClickMoved) {
  CalibrationState s, fresh;
  mark_landmarks(broadcast_camera(), kBroadSet, 13, 1.0, 5, s);
  s.teamACount = 1;
  s.teamAImageX[0] = 320, s.teamAImageY[0] = 100;
  ASSERT_EQ(update_calibration(s), 1);
  const CameraCalibration first = s;
  const double groundBefore = s.teamAGroundY[0];
  // the same points reuse the camera, but the players and the view are redone
  s.teamAImageY[0] = 200, s.viewTarget[0] = -1;
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_TRUE(same_camera(first, s) && s.viewTarget[0] == s.cameraTarget[0]);
  EXPECT_GT(s.teamAGroundY[0], groundBefore + 1.0);  // a higher row lies farther up the pitch
  // one moved click is a new calibration, equal to a fresh one
  s.refImageX[3] += 1;
  mark_landmarks(broadcast_camera(), kBroadSet, 13, 1.0, 5, fresh);
  fresh.refImageX[3] += 1;
  ASSERT_EQ(update_calibration(s) + update_calibration(fresh), 2);
  EXPECT_TRUE(!same_camera(first, s) && same_camera(fresh, s));
}

}  // namespace
