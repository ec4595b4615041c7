// The residual grades and the leave-one-out rule that names a mislabelled reference point.
#include <gtest/gtest.h>

#include "geometry/geometry.h"
#include "synthetic_broadcast.h"

namespace {

const int kTwelve[] = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46};

TEST(Outlier, CleanSetHasSmallResidualsAndNoSuspect) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kTwelve, 12, 1.0, 7, s);
  ResidualReport r;
  ASSERT_EQ(analyse_residuals(s, &r), 1);
  EXPECT_EQ(r.count, 12);
  EXPECT_LT(r.rmsPx, 1.5);
  EXPECT_EQ(r.suspect, -1);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(residual_grade(r, i), RESIDUAL_GOOD) << i;
}

// The residuals are those of the calibrated camera: their RMS is the calibration's own.
TEST(Outlier, ResidualsAgreeWithTheCalibratedCamera) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kTwelve, 12, 2.0, 11, s);
  s.refWorldX[5] = 11.0;  // penalty-area corner (16.5, 13.84) tied to a point 5.5 m off
  ASSERT_EQ(update_calibration(s), 1);
  ResidualReport r;
  ASSERT_EQ(analyse_residuals(s, &r), 1);
  EXPECT_NEAR(r.rmsPx, reprojection_rms(s), 1e-6);
}

TEST(Outlier, MislabelledGroundPointIsNamedAndGradedRed) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kTwelve, 12, 1.0, 7, s);
  // the click stays on the penalty-area corner (88.5, 54.16); the plan said the goal-area corner
  s.refWorldX[6] = 99.5;
  s.refWorldY[6] = 43.16;
  ResidualReport r;
  ASSERT_EQ(analyse_residuals(s, &r), 1);
  EXPECT_EQ(r.suspect, 6);
  EXPECT_EQ(residual_grade(r, 6), RESIDUAL_POOR);
  EXPECT_GT(r.suspectMissPx, 10.0);
  EXPECT_LT(r.refitRmsPx, 1.5);
}

TEST(Outlier, SetsThatDetermineNoCameraAreNotAnalysed) {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), kTwelve, 5, 0.0, 1, s);  // too few
  ResidualReport r;
  EXPECT_EQ(analyse_residuals(s, &r), 0);
  EXPECT_EQ(r.suspect, -1);
  EXPECT_EQ(residual_grade(r, 0), RESIDUAL_GOOD);
  const int ground[] = {0, 6, 9, 3, 12, 13, 14, 15};  // no crossbar end
  mark_landmarks(broadcast_camera(), ground, 8, 0.0, 1, s);
  EXPECT_EQ(analyse_residuals(s, &r), 0);
}

TEST(Outlier, GradeThresholds) {
  ResidualReport r;
  r.valid = 1;
  r.count = 5;
  const double px[] = {0.0, 2.0, 2.01, 5.0, 5.01};
  const int grade[] = {RESIDUAL_GOOD, RESIDUAL_GOOD, RESIDUAL_FAIR, RESIDUAL_FAIR, RESIDUAL_POOR};
  for (int i = 0; i < 5; ++i) {
    r.residualPx[i] = px[i];
    EXPECT_EQ(residual_grade(r, i), grade[i]) << px[i];
  }
  EXPECT_EQ(residual_grade(r, 5), RESIDUAL_GOOD);
  EXPECT_EQ(residual_grade(r, -1), RESIDUAL_GOOD);
}

// The broadcast-like trials of the rule (the benchmark runs many more).
TEST(Outlier, NamesMislabelledPointsAndStaysQuietOnCleanSets) {
  const OutlierRates r = outlier_rates(20261207u, 200);
  EXPECT_GE(r.named, 190) << "named " << r.named << " of " << r.trials;
  EXPECT_GE(r.quiet, 198) << "quiet " << r.quiet << " of " << r.trials;
}

}  // namespace
