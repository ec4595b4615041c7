// The broadcast camera and the 95% band, against synthetic cameras with known truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "geometry/broadcast_camera.h"
#include "geometry/distance_band.h"
#include "geometry/geometry.h"
#include "geometry/vector3.h"
#include "synthetic_camera.h"

namespace {

double norm3(const double a[3]) { return std::sqrt(dot3(a, a)); }

double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

constexpr int kCameras = 40;  // of the synthetic set

// ground landmarks of one penalty area and its goal line, no crossbar ends
constexpr int kGroundSet[] = {0, 3, 12, 13, 14, 15, 16, 17, 18, 19, 20, 29};
constexpr int kGroundCount = sizeof kGroundSet / sizeof kGroundSet[0];

TEST(BroadcastCamera, GroundLandmarksAloneGiveTheTrueCamera) {
  const SyntheticCamera cam = broadcast_camera();
  CalibrationState s;
  mark_landmarks(cam, kGroundSet, kGroundCount, 0, 1, s);
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_EQ(s.cameraModel, CAMERA_BROADCAST);
  EXPECT_EQ(s.calibrationReport.dltStatus, CALIB_FEW_OFF_GROUND);
  EXPECT_EQ(s.cameraCurrent, 1);
  // the same conventions as the DLT camera: unit third row, w < 0 in front, up of focal length
  const double* p = s.cameraMatrix;
  EXPECT_NEAR(p[8] * p[8] + p[9] * p[9] + p[10] * p[10], 1.0, 1e-12);
  for (int i = 0; i < s.refCount; ++i) {
    double u, v;
    EXPECT_LT(project_world_point(p, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], &u, &v), 0.0);
  }
  EXPECT_LT(reprojection_rms(s), 0.6);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.cameraEye[k], cam.eye[k], 0.3);
  EXPECT_NEAR(norm3(s.cameraUp), cam.focal, 0.01 * cam.focal);
  EXPECT_NEAR(dot3(s.cameraUp, s.cameraViewDir), 0.0, 1e-9 * norm3(s.cameraUp));
  EXPECT_GT(s.cameraUp[2], 0.0);
  double toTarget[3];
  for (int k = 0; k < 3; ++k) toTarget[k] = s.cameraTarget[k] - s.cameraEye[k];
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.cameraViewDir[k], toTarget[k] / norm3(toTarget), 1e-9);
  EXPECT_NEAR(s.cameraTarget[1], cam.target[1], 0.2);
  EXPECT_NEAR(camera_vertical_fov(s), 33.398, 0.3);
  // a pitch pixel maps back onto its landmark
  double X, Y, Z;
  image_point_to_ground(s, s.refImageX[3], s.refImageY[3], &X, &Y, &Z);
  EXPECT_NEAR(X, s.refWorldX[3], 0.1);
  EXPECT_NEAR(Y, s.refWorldY[3], 0.1);
}

TEST(BroadcastCamera, CameraRuleKeepsTheDltCameraAndHonoursThePreference) {
  constexpr int kWithGoal[] = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46, 29};
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kWithGoal, 13, 1.0, 7, s);
  CameraCalibration direct;
  SearchOutcome search;
  ASSERT_EQ(calibrate_camera(s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX, s.refImageY,
                             s.imageWidth, s.imageHeight, &direct, &search),
            CALIB_OK);
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_EQ(s.cameraModel, CAMERA_DLT);
  EXPECT_EQ(std::memcmp(&direct, static_cast<CameraCalibration*>(&s), sizeof direct), 0);

  s.cameraPreference = CAMERA_FORCE_BROADCAST;
  ASSERT_EQ(update_calibration(s), 1);
  EXPECT_EQ(s.cameraModel, CAMERA_BROADCAST);
  EXPECT_NE(std::memcmp(&direct, static_cast<CameraCalibration*>(&s), sizeof direct), 0);
  EXPECT_LT(reprojection_rms(s), 1.5);

  // ground landmarks only: auto and forced broadcast calibrate, forced DLT cannot
  mark_landmarks(broadcast_camera(), kGroundSet, kGroundCount, 1.0, 7, s);
  s.cameraPreference = CAMERA_FORCE_DLT;
  EXPECT_EQ(update_calibration(s), 0);
  EXPECT_EQ(s.cameraCurrent, 0);
  EXPECT_EQ(s.calibrationReport.status, CALIB_FEW_OFF_GROUND);
  s.cameraPreference = CAMERA_AUTO;
  EXPECT_EQ(update_calibration(s), 1);
  EXPECT_EQ(s.cameraModel, CAMERA_BROADCAST);
}

TEST(BroadcastCamera, RefusalsLeaveNoCurrentCamera) {
  const SyntheticCamera cam = broadcast_camera();
  struct Case {
    const char* what;
    int landmarks[8];
    int count;
    int status;
    int shiftPx;  // moves the last click this far to the right
  };
  const Case cases[] = {
      {"three ground points", {0, 13, 14}, 3, CALIB_FEW_GROUND, 0},
      {"four ground points, three on the halfway line", {27, 29, 31, 13}, 4, CALIB_FEW_GROUND, 0},
      {"every point on the halfway line", {27, 28, 29, 30, 31}, 5, CALIB_FEW_GROUND, 0},
      {"a landmark tied to the wrong table entry", {0, 3, 13, 14, 17, 18, 20}, 7, CALIB_HIGH_RMS, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CalibrationState s;
    mark_landmarks(cam, kGroundSet, kGroundCount, 0, 1, s);
    ASSERT_EQ(update_calibration(s), 1);
    mark_landmarks(cam, c.landmarks, c.count, 0, 1, s);
    s.refImageX[c.count - 1] += c.shiftPx;
    EXPECT_EQ(update_calibration(s), 0);
    EXPECT_EQ(s.cameraCurrent, 0);
    EXPECT_EQ(s.calibrationReport.broadcastStatus, c.status);
    EXPECT_EQ(update_calibration(s), 0);  // the refusal is reused, and stays a refusal
    EXPECT_EQ(s.calibrationReport.broadcastStatus, c.status);
  }
  // the picture upside down shows the pitch from below the ground
  CalibrationState s;
  mark_landmarks(cam, kGroundSet, kGroundCount, 0, 1, s);
  for (int i = 0; i < s.refCount; ++i) s.refImageY[i] = s.imageHeight - s.refImageY[i];
  EXPECT_EQ(update_calibration(s), 0);
  EXPECT_EQ(s.calibrationReport.broadcastStatus, CALIB_EYE_BELOW_GROUND);
}

// The offside-gap errors and band coverage over the synthetic set, one noise level. The cameras
// are compared on player pixels that are only rounded: with the same click noise on the players
// too, that noise swamps the camera's own error (even the true camera then lands within a few
// per cent of either fit, on either side), and the comparison would be a coin toss. The bands
// are checked on the noisy player clicks, which they must cover.
struct SetResult {
  std::vector<double> dltError, broadcastError;  // |measured - true| gap, cm
  int pairs = 0, dltCovered = 0, broadcastCovered = 0;
};

SetResult run_set(double noise) {
  std::mt19937 rng(2026);
  SetResult r;
  const double sigma = std::sqrt(noise * noise + 1.0 / 12.0);
  std::mt19937 clicks(static_cast<unsigned>(noise * 100) + 1);
  for (int k = 0; k < kCameras; ++k) {
    const SyntheticView view = synthetic_view(rng);
    static CalibrationState dlt, broadcast;
    std::mt19937 same = clicks;  // the ground clicks are the same for both cameras
    synthetic_mark_view(view, noise, false, clicks, dlt);
    synthetic_mark_view(view, noise, true, same, broadcast);
    EXPECT_EQ(update_calibration(dlt), 1);
    EXPECT_EQ(update_calibration(broadcast), 1);
    if (!dlt.cameraCurrent || !broadcast.cameraCurrent) continue;
    EXPECT_EQ(dlt.cameraModel, CAMERA_DLT);
    EXPECT_EQ(broadcast.cameraModel, CAMERA_BROADCAST);
    MeasurePair pairs[20], rounded[20];
    for (int i = 0; i < 20; ++i) {
      const double* p = view.pairs[i];
      synthetic_click(view.camera, p[0], p[1], 0, noise, clicks, &pairs[i].ua, &pairs[i].va);
      synthetic_click(view.camera, p[2], p[3], 0, noise, clicks, &pairs[i].ub, &pairs[i].vb);
      synthetic_click(view.camera, p[0], p[1], 0, 0, clicks, &rounded[i].ua, &rounded[i].va);
      synthetic_click(view.camera, p[2], p[3], 0, 0, clicks, &rounded[i].ub, &rounded[i].vb);
    }
    DistanceBand bd[20], bb[20];
    EXPECT_EQ(distance_bands(dlt, sigma, 20, pairs, bd), 1);
    EXPECT_EQ(distance_bands(broadcast, sigma, 20, pairs, bb), 1);
    for (int i = 0; i < 20; ++i) {
      const double truth = std::fabs(view.pairs[i][2] - view.pairs[i][0]);
      const MeasurePair& m = rounded[i];
      r.dltError.push_back(100 * std::fabs(distance_between_parallels(dlt, m.ua, m.va, m.ub, m.vb) - truth));
      r.broadcastError.push_back(100 * std::fabs(distance_between_parallels(broadcast, m.ua, m.va, m.ub, m.vb) - truth));
      r.dltCovered += bd[i].parallelLo <= truth && truth <= bd[i].parallelHi;
      r.broadcastCovered += bb[i].parallelLo <= truth && truth <= bb[i].parallelHi;
      ++r.pairs;
    }
  }
  return r;
}

TEST(SyntheticSet, GroundOnlyBroadcastNoWorseThanDltAndBandsCover95) {
  for (double noise : {0.0, 1.0, 2.0}) {
    SCOPED_TRACE(noise);
    const SetResult r = run_set(noise);
    ASSERT_EQ(r.pairs, kCameras * 20);
    const double dltCover = static_cast<double>(r.dltCovered) / r.pairs;
    const double broadcastCover = static_cast<double>(r.broadcastCovered) / r.pairs;
    EXPECT_GE(dltCover, 0.90);
    EXPECT_LE(dltCover, 0.98);
    EXPECT_GE(broadcastCover, 0.90);
    EXPECT_LE(broadcastCover, 0.98);
    if (noise > 0) {
      EXPECT_LE(quantile(r.broadcastError, 0.5), quantile(r.dltError, 0.5));
      EXPECT_LE(quantile(r.broadcastError, 0.95), quantile(r.dltError, 0.95));
    }
  }
}

// With the fewest landmarks each camera takes, the camera's own uncertainty outweighs that of
// the two measured pixels: a band that left out the landmark clicks would cover far too little.
TEST(DistanceBand, CoversTheTruthWhenTheCameraIsTheWeakPoint) {
  const SyntheticCamera cam = broadcast_camera();
  struct Case {
    const char* what;
    int landmarks[6];
    int count;
    int model;
  };
  const Case cases[] = {
      {"DLT camera, six landmarks", {0, 6, 13, 33, 25, 26}, 6, CAMERA_DLT},
      {"broadcast camera, four ground landmarks", {0, 6, 13, 33}, 4, CAMERA_BROADCAST},
  };
  const double a[2] = {52.5, 34}, b[2] = {30, 10};  // far from most of the landmarks
  const double truth = std::hypot(a[0] - b[0], a[1] - b[1]);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::mt19937 rng(77);
    std::normal_distribution<double> N(0.0, 1.5);
    int covered = 0, trials = 0;
    for (int t = 0; t < 150; ++t) {
      static CalibrationState s;
      mark_landmarks(cam, c.landmarks, c.count, 0, 1, s);
      for (int i = 0; i < s.refCount; ++i) {
        double u, v;
        synthetic_project(cam, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], &u, &v);
        s.refImageX[i] = static_cast<int>(std::lround(u + N(rng)));
        s.refImageY[i] = static_cast<int>(std::lround(v + N(rng)));
      }
      MeasurePair m;
      synthetic_click(cam, a[0], a[1], 0, 1.5, rng, &m.ua, &m.va);
      synthetic_click(cam, b[0], b[1], 0, 1.5, rng, &m.ub, &m.vb);
      if (!update_calibration(s)) continue;
      ASSERT_EQ(s.cameraModel, c.model);
      DistanceBand band;
      ASSERT_EQ(distance_band(s, std::sqrt(1.5 * 1.5 + 1.0 / 12), m, &band), 1);
      covered += band.distanceLo <= truth && truth <= band.distanceHi;
      ++trials;
    }
    ASSERT_GE(trials, 140);
    EXPECT_GE(covered, 0.88 * trials);
    EXPECT_LE(covered, 0.99 * trials);
  }
}

// The first-order band of the broadcast camera against the reference way: refit under
// perturbed clicks and take the percentiles.
TEST(DistanceBand, BroadcastPropagationMatchesSampling) {
  std::mt19937 rng(5);
  const SyntheticView view = synthetic_view(rng);
  CalibrationState s;
  std::mt19937 clicks(9);
  synthetic_mark_view(view, 1.0, true, clicks, s);
  ASSERT_EQ(update_calibration(s), 1);
  ASSERT_EQ(s.cameraModel, CAMERA_BROADCAST);
  constexpr double sigma = 1.0;
  MeasurePair pairs[4];
  for (int i = 0; i < 4; ++i) {
    synthetic_click(view.camera, view.pairs[i][0], view.pairs[i][1], 0, 0, clicks, &pairs[i].ua, &pairs[i].va);
    synthetic_click(view.camera, view.pairs[i][2], view.pairs[i][3], 0, 0, clicks, &pairs[i].ub, &pairs[i].vb);
  }
  DistanceBand fast[4];
  ASSERT_EQ(distance_bands(s, sigma, 4, pairs, fast), 1);

  std::normal_distribution<double> N(0.0, sigma);
  std::vector<double> gaps[4], straight[4];
  for (int d = 0; d < 300; ++d) {
    double u[MAX_REFERENCE_POINTS], v[MAX_REFERENCE_POINTS];
    for (int i = 0; i < s.refCount; ++i) {
      u[i] = s.refImageX[i] + N(rng);
      v[i] = s.refImageY[i] + N(rng);
    }
    CameraCalibration c;
    BroadcastSolution b;
    ASSERT_EQ(fit_broadcast_camera(s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, u, v, s.imageWidth,
                                   s.imageHeight, nullptr, &c, &b),
              CALIB_OK);
    for (int i = 0; i < 4; ++i) {
      double ga[3], gb[3];
      back_project_to_ground(c.cameraMatrix, pairs[i].ua + N(rng), pairs[i].va + N(rng), ga);
      back_project_to_ground(c.cameraMatrix, pairs[i].ub + N(rng), pairs[i].vb + N(rng), gb);
      gaps[i].push_back(std::fabs(gb[0] - ga[0]));
      straight[i].push_back(std::hypot(gb[0] - ga[0], gb[1] - ga[1]));
    }
  }
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const double hi = quantile(straight[i], 0.975), lo = quantile(straight[i], 0.025);
    const double width = hi - lo;
    EXPECT_NEAR(fast[i].distanceHi - fast[i].distanceLo, width, 0.2 * width);
    EXPECT_NEAR(fast[i].distanceHi, hi, 0.2 * width);
    EXPECT_NEAR(fast[i].parallelHi, quantile(gaps[i], 0.975), 0.2 * (quantile(gaps[i], 0.975) - quantile(gaps[i], 0.025)));
  }
}

TEST(DistanceBand, RefusedWithoutACameraOrWithAnUnusableSigma) {
  CalibrationState s;
  const MeasurePair m{100, 100, 200, 100};
  DistanceBand b;
  b.distanceHi = 42;
  EXPECT_EQ(distance_band(s, 1.0, m, &b), 0);
  mark_landmarks(broadcast_camera(), kGroundSet, kGroundCount, 0, 1, s);
  ASSERT_EQ(update_calibration(s), 1);
  for (double sigma : {-1.0, double(NAN), double(INFINITY), 1e6}) EXPECT_EQ(distance_band(s, sigma, m, &b), 0);
  EXPECT_EQ(b.distanceHi, 42);
  // no noise: a band of one number, the measured one
  ASSERT_EQ(distance_band(s, 0.0, m, &b), 1);
  EXPECT_NEAR(b.distanceLo, distance_between_points(s, 100, 100, 200, 100), 1e-9);
  EXPECT_NEAR(b.distanceHi, b.distanceLo, 1e-9);
  // a point above the horizon has no upper bound
  ASSERT_EQ(distance_band(s, 1.0, MeasurePair{100, 100, 320, 470}, &b), 1);
  EXPECT_TRUE(std::isinf(b.distanceHi));
}

}  // namespace
