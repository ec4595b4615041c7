// The linear solver: its three comparisons with the tolerance, pivot choice and storage layout.
#include <gtest/gtest.h>

#include <vector>

#include "geometry/geometry.h"

namespace {

constexpr int S = SOLVER_ROW_STRIDE;

TEST(SolverOrderOne, ToleranceIsExclusiveForTheLastPivot) {
  double a[S] = {2e-10};
  double b[1] = {4e-10};
  EXPECT_EQ(solve_linear_system(1, a, b), 0);
  EXPECT_DOUBLE_EQ(b[0], 2.0);

  double a2[S] = {1e-10};
  double b2[1] = {3.0};
  EXPECT_EQ(solve_linear_system(1, a2, b2), -1);
  EXPECT_EQ(b2[0], 3.0);

  double a3[S] = {-2e-10};
  double b3[1] = {4e-10};
  EXPECT_EQ(solve_linear_system(1, a3, b3), 0);
  EXPECT_DOUBLE_EQ(b3[0], -2.0);
}

TEST(SolverPivoting, ZeroInFirstColumnExchangesRows) {
  double a[2 * S] = {};
  a[0] = 0; a[1] = 1;
  a[S] = 3; a[S + 1] = 2;
  double b[2] = {1, 8};
  ASSERT_EQ(solve_linear_system(2, a, b), 0);
  EXPECT_DOUBLE_EQ(b[0], 2.0);
  EXPECT_DOUBLE_EQ(b[1], 1.0);
  EXPECT_EQ(a[0], 3.0);  // the exchanged row now leads the factor
}

TEST(SolverPivoting, DependentRowsLeaveZeroLastPivot) {
  double a[2 * S] = {};
  a[0] = 1; a[1] = 2;
  a[S] = 2; a[S + 1] = 4;
  double b[2] = {1, 2};
  EXPECT_EQ(solve_linear_system(2, a, b), -1);
}

TEST(SolverPivoting, EqualScaledRatiosKeepTheUpperRow) {
  // rows 1 and 2 both have ratio 1 in column 0 after row 0 (ratio 1/4) is passed over
  double a[3 * S] = {};
  const double m[3][3] = {{1, 4, 0}, {2, 1, 0}, {2, 1, 1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[S * i + j] = m[i][j];
  double b[3] = {5, 3, 4};  // x = (1, 1, 1)
  ASSERT_EQ(solve_linear_system(3, a, b), 0);
  EXPECT_EQ(a[0], 2.0);
  EXPECT_EQ(a[2], 0.0);  // row (2, 1, 0), not the lower (2, 1, 1)
  for (double x : b) EXPECT_NEAR(x, 1.0, 1e-12);
}

TEST(SolverPivoting, RowScaleCoversOnlyUnreducedColumns) {
  // All three rows tie in column 0, so row 0 stays. Elimination leaves the stale 1000 in
  // column 0 of rows 1 and 2; a scale that still looked at them would tie rows 1 and 2 and keep
  // row 1, while the scale over columns 1..2 prefers row 2 (ratio 1 against 0.1).
  double a[3 * S] = {};
  const double m[3][3] = {{10, 0, 0}, {1000, 1, 10}, {1000, 1, 1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[S * i + j] = m[i][j];
  double b[3] = {10, 1011, 1002};  // x = (1, 1, 1)
  ASSERT_EQ(solve_linear_system(3, a, b), 0);
  EXPECT_EQ(a[S + 2], 1.0);  // row 2's (1, 1) became the second pivot row
  for (double x : b) EXPECT_NEAR(x, 1.0, 1e-12);
}

TEST(SolverTolerance, ScaleAndPivotEqualToToleranceAreAccepted) {
  // column 1 has only 1e-10 to pivot on, in a row whose scale is 1e-10: both are accepted,
  // and the last pivot (1) is well above the tolerance
  double a[3 * S] = {};
  a[0] = 1;
  a[S + 1] = 1e-10;
  a[2 * S + 2] = 1;
  double b[3] = {1, 2e-10, 3};
  ASSERT_EQ(solve_linear_system(3, a, b), 0);
  EXPECT_DOUBLE_EQ(b[1], 2.0);
  EXPECT_DOUBLE_EQ(b[2], 3.0);
}

TEST(SolverTolerance, NoPivotInAColumnReturnsOne) {
  double a[2 * S] = {};
  a[1] = 1;
  a[S + 1] = 2;
  double b[2] = {1, 2};
  EXPECT_EQ(solve_linear_system(2, a, b), 1);
}

TEST(SolverTolerance, AllZeroRowFailsBeforeTouchingTheRightHandSide) {
  // the bordered system of ground-only landmarks has all-zero rows
  std::vector<double> a(13 * S, 0.0);
  for (int i = 0; i < 13; ++i) a[S * i + i] = i + 1.0;
  for (int j = 0; j < 13; ++j) a[S * 5 + j] = 0.0;
  std::vector<double> b(13);
  for (int i = 0; i < 13; ++i) b[i] = i * 0.5;
  const std::vector<double> before = b;
  EXPECT_EQ(solve_linear_system(13, a.data(), b.data()), -1);
  EXPECT_EQ(b, before);
}

TEST(SolverStorage, ExactSizedThirteenAndThreeRowArrays) {
  // exactly 13x13 and 3x13 heap arrays: any access past them is caught by the address sanitizer
  std::vector<double> a(13 * 13);
  std::vector<double> x(13), b(13, 0.0);
  for (int i = 0; i < 13; ++i) x[i] = i - 6.0;
  for (int i = 0; i < 13; ++i)
    for (int j = 0; j < 13; ++j) a[S * i + j] = 1.0 / (1 + ((i * 7 + j * 3) % 13)) + (i == j ? 4.0 : 0.0);
  for (int i = 0; i < 13; ++i)
    for (int j = 0; j < 13; ++j) b[i] += a[S * i + j] * x[j];
  ASSERT_EQ(solve_linear_system(13, a.data(), b.data()), 0);
  for (int i = 0; i < 13; ++i) EXPECT_NEAR(b[i], x[i], 1e-9);

  std::vector<double> a3(3 * 13, 0.0);
  const double m[3][3] = {{2, 1, 1}, {1, 3, 2}, {1, 0, 0}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a3[S * i + j] = m[i][j];
  double b3[3] = {4, 5, 6};  // x = (6, 15, -23)
  ASSERT_EQ(solve_linear_system(3, a3.data(), b3), 0);
  EXPECT_NEAR(b3[0], 6, 1e-12);
  EXPECT_NEAR(b3[1], 15, 1e-12);
  EXPECT_NEAR(b3[2], -23, 1e-12);
}

TEST(SolverStorage, OrderOutsideRangeTouchesNothing) {
  double a[S] = {1};
  double b[1] = {1};
  EXPECT_EQ(solve_linear_system(0, a, b), -2);
  EXPECT_EQ(solve_linear_system(14, a, b), -2);
  EXPECT_EQ(b[0], 1.0);
}

}  // namespace
