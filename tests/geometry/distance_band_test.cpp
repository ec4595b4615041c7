// The 95% band of a measured distance, and the broadcast camera against the DLT camera, over
// synthetic cameras with known truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/distance_band.h"
#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

// Over 40 broadcast-like views at three noise levels: the bands cover the true gap 90-98% of the
// time, and the ground-only broadcast camera errs no more than the DLT camera. The cameras are
// compared on player pixels that are only rounded: with click noise on the players too, that
// noise swamps the camera's own error and the comparison would be a coin toss.
TEST(DistanceBand, BandMissesTheTruthOrBroadcastCameraWorseThanDlt) {
  constexpr int kCameras = 40;
  for (double noise : {0.0, 1.0, 2.0}) {
    SCOPED_TRACE(noise);
    std::mt19937 rng(2026), clicks(static_cast<unsigned>(noise * 100) + 1);
    const double sigma = std::sqrt(noise * noise + 1.0 / 12.0);
    std::vector<double> error[2];  // |measured - true| gap of each camera, cm
    int covered[2] = {}, pairs = 0;
    for (int k = 0; k < kCameras; ++k) {
      const SyntheticView view = synthetic_view(rng);
      static CalibrationState cam[2];  // DLT, broadcast
      std::mt19937 same = clicks;      // the ground clicks are the same for both cameras
      synthetic_mark_view(view, noise, false, clicks, cam[0]);
      synthetic_mark_view(view, noise, true, same, cam[1]);
      MeasurePair noisy[20], rounded[20];
      for (int i = 0; i < 20; ++i) {
        const double* p = view.pairs[i];
        synthetic_click(view.camera, p[0], p[1], 0, noise, clicks, &noisy[i].ua, &noisy[i].va);
        synthetic_click(view.camera, p[2], p[3], 0, noise, clicks, &noisy[i].ub, &noisy[i].vb);
        synthetic_click(view.camera, p[0], p[1], 0, 0, clicks, &rounded[i].ua, &rounded[i].va);
        synthetic_click(view.camera, p[2], p[3], 0, 0, clicks, &rounded[i].ub, &rounded[i].vb);
      }
      DistanceBand band[2][20];
      for (int m = 0; m < 2; ++m) {
        ASSERT_EQ(update_calibration(cam[m]), 1);
        ASSERT_EQ(cam[m].cameraModel, m ? CAMERA_BROADCAST : CAMERA_DLT);
        ASSERT_EQ(distance_bands(cam[m], sigma, 20, noisy, band[m]), 1);
      }
      for (int i = 0; i < 20; ++i, ++pairs) {
        const double truth = std::fabs(view.pairs[i][2] - view.pairs[i][0]);
        const MeasurePair& r = rounded[i];
        for (int m = 0; m < 2; ++m) {
          error[m].push_back(100 * std::fabs(distance_between_parallels(cam[m], r.ua, r.va, r.ub, r.vb) - truth));
          covered[m] += band[m][i].parallelLo <= truth && truth <= band[m][i].parallelHi;
        }
      }
    }
    for (int m = 0; m < 2; ++m) EXPECT_TRUE(covered[m] >= 0.90 * pairs && covered[m] <= 0.98 * pairs) << covered[m];
    for (double q : {0.5, 0.95}) EXPECT_TRUE(noise == 0 || quantile(error[1], q) <= quantile(error[0], q)) << q;
  }
}

// With the fewest landmarks each camera takes, the camera's own uncertainty outweighs that of
// the two measured pixels: a band that left out the landmark clicks would cover far too little.
TEST(DistanceBand, BandLeavesOutTheCamerasOwnUncertainty) {
  const SyntheticCamera cam = broadcast_camera();
  const int landmarks[] = {0, 6, 13, 33, 25, 26};
  const double a[2] = {52.5, 34}, b[2] = {30, 10};  // far from most of the landmarks
  const double truth = std::hypot(a[0] - b[0], a[1] - b[1]);
  // six landmarks for the DLT camera, the four on the ground for the broadcast camera
  for (const int model : {CAMERA_DLT, CAMERA_BROADCAST}) {
    SCOPED_TRACE(model);
    std::mt19937 rng(77);
    int covered = 0, trials = 0;
    for (int t = 0; t < 150; ++t) {
      static CalibrationState s;
      mark_landmarks(cam, landmarks, model == CAMERA_DLT ? 6 : 4, 0, 1, s);
      for (int i = 0; i < s.refCount; ++i)
        synthetic_click(cam, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], 1.5, rng, &s.refImageX[i],
                        &s.refImageY[i]);
      MeasurePair m;
      synthetic_click(cam, a[0], a[1], 0, 1.5, rng, &m.ua, &m.va);
      synthetic_click(cam, b[0], b[1], 0, 1.5, rng, &m.ub, &m.vb);
      if (!update_calibration(s)) continue;
      ASSERT_EQ(s.cameraModel, model);
      DistanceBand band;
      ASSERT_EQ(distance_band(s, std::sqrt(1.5 * 1.5 + 1.0 / 12), m, &band), 1);
      covered += band.distanceLo <= truth && truth <= band.distanceHi;
      ++trials;
    }
    ASSERT_GE(trials, 140);
    EXPECT_TRUE(covered >= 0.88 * trials && covered <= 0.99 * trials) << covered << " of " << trials;
  }
}

TEST(DistanceBand, BandGivenWithoutACameraOrWithAnUnusableSigma) {
  CalibrationState s;
  const MeasurePair m{100, 100, 200, 100};
  DistanceBand b;
  b.distanceHi = 42;
  EXPECT_EQ(distance_band(s, 1.0, m, &b), 0);  // no camera yet
  const int ground[] = {0, 3, 12, 13, 14, 15, 16, 17, 18, 19, 20, 29};
  mark_landmarks(broadcast_camera(), ground, 12, 0, 1, s);
  ASSERT_EQ(update_calibration(s), 1);
  for (double sigma : {-1.0, double(NAN), double(INFINITY), 1e6}) EXPECT_EQ(distance_band(s, sigma, m, &b), 0);
  EXPECT_EQ(b.distanceHi, 42);
  // no noise: a band of one number, the measured one
  ASSERT_EQ(distance_band(s, 0.0, m, &b), 1);
  EXPECT_NEAR(b.distanceLo, distance_between_points(s, 100, 100, 200, 100), 1e-9);
  EXPECT_NEAR(b.distanceHi - b.distanceLo, 0, 1e-9);
  // a point above the horizon has no upper bound
  ASSERT_EQ(distance_band(s, 1.0, MeasurePair{100, 100, 320, 470}, &b), 1);
  EXPECT_TRUE(std::isinf(b.distanceHi));
}

}  // namespace
