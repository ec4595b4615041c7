// Calibration against synthetic cameras with known truth, and the refusals that keep a bad
// landmark set from producing a silent garbage camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "geometry/geometry.h"
#include "geometry/vector3.h"
#include "synthetic_camera.h"

namespace {

// corners, penalty areas of both ends and the four crossbar ends, plus the centre mark
constexpr int kBroadSet[] = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46, 29};
constexpr int kBroadCount = sizeof kBroadSet / sizeof kBroadSet[0];
// six landmarks, no three ground points on a line, two crossbar ends
constexpr int kSixSet[] = {0, 6, 13, 33, 25, 26};

double norm3(const double a[3]) { return std::sqrt(dot3(a, a)); }

// Camera centre of a 3x4 matrix by Cramer's rule: an independent check of the solver's E0.
void matrix_centre(const double p[12], double c[3]) {
  const double m[3][3] = {{p[0], p[1], p[2]}, {p[4], p[5], p[6]}, {p[8], p[9], p[10]}};
  const double r[3] = {-p[3], -p[7], -p[11]};
  const auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d = det(m);
  for (int k = 0; k < 3; ++k) {
    double mk[3][3];
    std::memcpy(mk, m, sizeof m);
    for (int i = 0; i < 3; ++i) mk[i][k] = r[i];
    c[k] = det(mk) / d;
  }
}

void fill_previous_camera(CalibrationState& s) {
  for (int k = 0; k < 12; ++k) s.cameraMatrix[k] = k + 0.5;
  for (int k = 0; k < 3; ++k) {
    s.cameraEye[k] = 10 + k;
    s.viewTarget[k] = 20 + k;
  }
  s.teamACount = 1;
  s.teamAGroundX[0] = 77;
}

void expect_previous_camera_kept(const CalibrationState& s) {
  for (int k = 0; k < 12; ++k) EXPECT_EQ(s.cameraMatrix[k], k + 0.5);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(s.cameraEye[k], 10 + k);
    EXPECT_EQ(s.viewTarget[k], 20 + k);
  }
  EXPECT_EQ(s.teamAGroundX[0], 77);
}

TEST(CalibrationSynthetic, BroadcastCameraIsRecovered) {
  const SyntheticCamera cam = broadcast_camera();
  for (int round = 0; round < 2; ++round) {
    CalibrationState s;
    int all[FIELD_LANDMARK_COUNT];
    for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) all[i] = i;
    if (round == 0) mark_landmarks(cam, kBroadSet, kBroadCount, 0, 1, s);
    else mark_landmarks(cam, all, FIELD_LANDMARK_COUNT, 0, 1, s);
    SCOPED_TRACE(s.refCount);
    ASSERT_EQ(update_calibration(s), 1);
    EXPECT_EQ(s.calibrationReport.status, CALIB_OK);

    const double* p = s.cameraMatrix;
    EXPECT_NEAR(p[8] * p[8] + p[9] * p[9] + p[10] * p[10], 1.0, 1e-12);
    for (int i = 0; i < s.refCount; ++i) {
      double u, v;
      const double w = project_world_point(p, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], &u, &v);
      EXPECT_LT(w, 0.0) << "landmark " << i << " must lie in front of the camera";
      EXPECT_NEAR(u, s.refImageX[i], 1.0);
      EXPECT_NEAR(v, s.refImageY[i], 1.0);
    }
    EXPECT_LT(reprojection_rms(s), 0.6);

    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.cameraEye[k], cam.eye[k], 0.3);
    EXPECT_NEAR(s.cameraTarget[0], cam.target[0], 0.2);
    EXPECT_NEAR(s.cameraTarget[1], cam.target[1], 0.2);
    EXPECT_EQ(s.cameraTarget[2], 0.0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s.viewTarget[k], s.cameraTarget[k]);

    double toTarget[3];
    for (int k = 0; k < 3; ++k) toTarget[k] = s.cameraTarget[k] - s.cameraEye[k];
    const double len = norm3(toTarget);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.cameraViewDir[k], toTarget[k] / len, 1e-12);
    EXPECT_NEAR(dot3(s.cameraUp, s.cameraViewDir), 0.0, 1e-9 * norm3(s.cameraUp));
    EXPECT_NEAR(norm3(s.cameraUp), cam.focal, 0.01 * cam.focal);
    EXPECT_GT(s.cameraUp[2], 0.0);  // image up is world up for a camera without roll

    // 2 atan(240 / 800); the upper rows of this camera look above the horizon
    EXPECT_NEAR(camera_vertical_fov(s), 33.398, 0.3);

    // the search moves on the 0.1 m lattice around the linear camera centre
    double e0[3];
    matrix_centre(s.cameraMatrix, e0);
    for (int k = 0; k < 3; ++k) {
      const double steps = (s.cameraEye[k] - e0[k]) / SEARCH_STEP;
      EXPECT_NEAR(steps, std::round(steps), 1e-6);
    }
  }
}

TEST(CalibrationSynthetic, NoisyClicksStillGiveTheCamera) {
  const SyntheticCamera cam = broadcast_camera();
  CalibrationState s;
  mark_landmarks(cam, kBroadSet, kBroadCount, 2.0, 11, s);
  ASSERT_EQ(update_calibration(s), 1);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.cameraEye[k], cam.eye[k], 1.5);
  EXPECT_LT(reprojection_rms(s), 2.5);
  EXPECT_GT(s.calibrationReport.searchPasses, 0);
  EXPECT_EQ(s.calibrationReport.searchCapped, 0);
}

TEST(CalibrationSynthetic, PrincipalPointRoundsDown) {
  const SyntheticCamera cam = broadcast_camera();
  CameraCalibration c640, c641, c642;
  SearchOutcome so;
  CalibrationState s;
  mark_landmarks(cam, kBroadSet, kBroadCount, 0, 1, s);
  const auto run = [&](int w, CameraCalibration* out) {
    return calibrate_camera(s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX, s.refImageY, w, 480,
                            out, &so);
  };
  ASSERT_EQ(run(640, &c640), CALIB_OK);
  ASSERT_EQ(run(641, &c641), CALIB_OK);
  ASSERT_EQ(run(642, &c642), CALIB_OK);
  // 641 / 2 = 320: bit-for-bit the camera of a 640-wide image
  EXPECT_EQ(std::memcmp(&c640, &c641, sizeof c640), 0);
  EXPECT_NE(std::memcmp(&c640, &c642, sizeof c640), 0);
}

TEST(CalibrationRefusals, FiveReferencePointsChangeNothing) {
  // three on the ground and two crossbar ends: too few for either camera
  const int five[] = {0, 13, 14, 25, 26};
  CalibrationState s;
  mark_landmarks(broadcast_camera(), five, 5, 0, 1, s);
  fill_previous_camera(s);
  EXPECT_EQ(update_calibration(s), 0);
  EXPECT_EQ(s.calibrationReport.status, CALIB_TOO_FEW_POINTS);
  expect_previous_camera_kept(s);
}

TEST(CalibrationRefusals, LandmarkSetsThatCannotFixACamera) {
  const SyntheticCamera cam = broadcast_camera();
  struct Case {
    const char* what;
    int landmarks[10];
    int count;
    int status;
  };
  const Case cases[] = {
      {"all on the ground", {0, 3, 6, 9, 13, 14, 33, 34}, 8, CALIB_FEW_OFF_GROUND},
      {"one crossbar end", {0, 3, 6, 9, 13, 14, 33, 25}, 8, CALIB_FEW_OFF_GROUND},
      {"the same crossbar end twice", {0, 3, 6, 9, 13, 14, 25, 25}, 8, CALIB_FEW_OFF_GROUND},
      {"everything in the goal-line plane", {0, 3, 12, 15, 16, 19, 23, 24, 25, 26}, 10, CALIB_DEGENERATE},
      {"halfway line and two crossbar ends", {27, 28, 29, 30, 31, 25, 26}, 7, CALIB_DEGENERATE},
      {"three ground points on a line", {27, 29, 31, 13, 25, 26}, 6, CALIB_DEGENERATE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CalibrationState s;
    s.cameraPreference = CAMERA_FORCE_DLT;  // the DLT camera's own refusals (ground sets fit the other)
    mark_landmarks(cam, c.landmarks, c.count, 0, 1, s);
    fill_previous_camera(s);
    EXPECT_EQ(update_calibration(s), 0);
    EXPECT_EQ(s.calibrationReport.status, c.status);
    expect_previous_camera_kept(s);
  }
  // the smallest good set, and a thin one crowded at one corner, pass the same checks
  const int thin[] = {0, 1, 2, 13, 25, 26};
  for (const int* set : {kSixSet, thin}) {
    CalibrationState s;
    mark_landmarks(cam, set, 6, 0, 1, s);
    EXPECT_EQ(update_calibration(s), 1);
  }
}

TEST(CalibrationRefusals, ValuesThatAreNotFiniteNumbers) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, kBroadCount, 0, 1, s);
  fill_previous_camera(s);
  s.refWorldY[2] = NAN;
  EXPECT_EQ(update_calibration(s), 0);
  EXPECT_EQ(s.calibrationReport.status, CALIB_NOT_FINITE);
  expect_previous_camera_kept(s);

  // coordinates whose squares overflow
  mark_landmarks(broadcast_camera(), kBroadSet, kBroadCount, 0, 1, s);
  for (int i = 0; i < s.refCount; ++i) s.refWorldX[i] *= 1e160;
  EXPECT_EQ(update_calibration(s), 0);
  expect_previous_camera_kept(s);
}

TEST(CalibrationRefusals, CountAboveCapacityIsRefused) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, kBroadCount, 0, 1, s);
  fill_previous_camera(s);
  s.refCount = MAX_REFERENCE_POINTS + 1;
  EXPECT_EQ(update_calibration(s), 0);
  EXPECT_EQ(s.calibrationReport.status, CALIB_TOO_MANY_POINTS);
  expect_previous_camera_kept(s);
}

TEST(CompassSearch, EndsAtThePassLimitWithTheCameraOfTheEyeReached) {
  // six noisy clicks make the residual fall for hundreds of passes
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kSixSet, 6, 2.0, 3, s);
  ASSERT_EQ(update_calibration(s), 1);
  const int fullPasses = s.calibrationReport.searchPasses;
  ASSERT_GT(fullPasses, 40);

  double eye[3];
  matrix_centre(s.cameraMatrix, eye);
  const double start[3] = {eye[0], eye[1], eye[2]};
  double up[3], dir[3];
  const SearchOutcome out = compass_search(eye, s.cameraTarget, 320, 240, 6, s.refWorldX, s.refWorldY,
                                           s.refWorldZ, s.refImageX, s.refImageY, 20, up, dir);
  EXPECT_EQ(out.passes, 20);
  EXPECT_EQ(out.capped, 1);
  double travelled = 0;
  for (int k = 0; k < 3; ++k) travelled += std::fabs(eye[k] - start[k]);
  EXPECT_NEAR(travelled, 20 * SEARCH_STEP, 1e-6);  // every pass moved one step
  double up2[3], dir2[3];
  evaluate_camera(eye, s.cameraTarget, 320, 240, 6, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX,
                  s.refImageY, up2, dir2);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(up[k], up2[k]);
    EXPECT_EQ(dir[k], dir2[k]);
  }
}

TEST(CompassSearch, EqualResidualAtTheEyeStops) {
  // every click at the principal point: the best fit is focal length 0 and every camera's
  // residual is exactly 0, so no neighbour is strictly better than the eye
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, kBroadCount, 0, 1, s);
  for (int i = 0; i < s.refCount; ++i) {
    s.refImageX[i] = 320;
    s.refImageY[i] = 240;
  }
  double eye[3] = {50, -20, 12};
  const double target[3] = {52.5, 34, 0};
  double up[3], dir[3];
  const SearchOutcome out = compass_search(eye, target, 320, 240, s.refCount, s.refWorldX, s.refWorldY,
                                           s.refWorldZ, s.refImageX, s.refImageY, 1000, up, dir);
  EXPECT_EQ(out.passes, 1);
  EXPECT_EQ(out.capped, 0);
  EXPECT_EQ(eye[0], 50);
  EXPECT_EQ(eye[1], -20);
  EXPECT_EQ(eye[2], 12);
}

TEST(CompassSearch, ResidualThatIsNotANumberRanksWorst) {
  // level with the target the viewing direction has no vertical component and the camera
  // model divides by it: the eye's residual is not a number, the vertical neighbours' are
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, kBroadCount, 0, 1, s);
  double eye[3] = {52.5, -30, 0};
  const double target[3] = {52.5, 34, 0};
  double up[3], dir[3];
  EXPECT_TRUE(std::isnan(evaluate_camera(eye, target, 320, 240, s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ,
                                         s.refImageX, s.refImageY, up, dir)));
  const SearchOutcome out = compass_search(eye, target, 320, 240, s.refCount, s.refWorldX, s.refWorldY,
                                           s.refWorldZ, s.refImageX, s.refImageY, 1000, up, dir);
  EXPECT_EQ(out.capped, 0);
  EXPECT_GT(out.passes, 1);
  EXPECT_NE(eye[2], 0.0);
  EXPECT_TRUE(std::isfinite(up[0]) && std::isfinite(up[1]) && std::isfinite(up[2]));
}

TEST(CalibrationReuse, SameInputsReuseTheCameraButRedoEverythingElse) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kBroadSet, kBroadCount, 1.0, 5, s);
  s.teamACount = 1;
  s.teamAImageX[0] = 320;
  s.teamAImageY[0] = 100;
  ASSERT_EQ(update_calibration(s), 1);
  const CameraCalibration first = s;
  const double groundBefore = s.teamAGroundY[0];

  s.teamAImageY[0] = 200;
  s.viewTarget[0] = -1;
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_EQ(std::memcmp(&first, static_cast<CameraCalibration*>(&s), sizeof first), 0);
  EXPECT_EQ(s.viewTarget[0], s.cameraTarget[0]);
  EXPECT_GT(s.teamAGroundY[0], groundBefore + 1.0);  // a higher row lies farther up the pitch

  // one moved click is a new calibration, and it equals a fresh one
  s.refImageX[3] += 1;
  ASSERT_EQ(update_calibration(s), 1);
  CalibrationState fresh;
  std::memcpy(fresh.refWorldX, s.refWorldX, sizeof fresh.refWorldX);
  std::memcpy(fresh.refWorldY, s.refWorldY, sizeof fresh.refWorldY);
  std::memcpy(fresh.refWorldZ, s.refWorldZ, sizeof fresh.refWorldZ);
  std::memcpy(fresh.refImageX, s.refImageX, sizeof fresh.refImageX);
  std::memcpy(fresh.refImageY, s.refImageY, sizeof fresh.refImageY);
  fresh.refCount = s.refCount;
  fresh.imageWidth = s.imageWidth;
  fresh.imageHeight = s.imageHeight;
  ASSERT_EQ(update_calibration(fresh), 1);
  EXPECT_NE(std::memcmp(&first, static_cast<CameraCalibration*>(&s), sizeof first), 0);
  EXPECT_EQ(std::memcmp(static_cast<CameraCalibration*>(&fresh), static_cast<CameraCalibration*>(&s),
                        sizeof first), 0);
}

}  // namespace
