// Gaussian elimination with scaled partial pivoting on caller storage with rows 13 apart.
#include "geometry/geometry.h"

#include <cmath>

int solve_linear_system(int n, double* a, double* b) {
  if (n < 1 || n > SOLVER_MAX_ORDER) return -2;
  constexpr int S = SOLVER_ROW_STRIDE;
  for (int k = 0; k < n - 1; ++k) {
    double best = 0.0;
    int p = -1;
    for (int i = k; i < n; ++i) {
      // the scale is taken over the unreduced columns only, afresh at every step
      double s = 0.0;
      for (int j = k; j < n; ++j) {
        const double m = std::fabs(a[S * i + j]);
        if (m > s) s = m;
      }
      if (s < SOLVER_TOLERANCE) return -1;
      const double c = std::fabs(a[S * i + k]);
      // strict: among equal scaled ratios the uppermost row stays the pivot
      if (c > best * s && c >= SOLVER_TOLERANCE) {
        p = i;
        best = c / s;
      }
    }
    if (p < 0) return 1;
    if (p != k) {
      for (int j = k; j < n; ++j) {
        const double t = a[S * k + j];
        a[S * k + j] = a[S * p + j];
        a[S * p + j] = t;
      }
      const double t = b[k];
      b[k] = b[p];
      b[p] = t;
    }
    for (int i = k + 1; i < n; ++i) {
      const double f = a[S * i + k] / a[S * k + k];
      for (int j = k + 1; j < n; ++j) a[S * i + j] -= f * a[S * k + j];
      b[i] -= f * b[k];
    }
  }
  if (std::fabs(a[S * (n - 1) + n - 1]) <= SOLVER_TOLERANCE) return -1;
  b[n - 1] /= a[S * (n - 1) + n - 1];
  for (int i = n - 2; i >= 0; --i) {
    double sum = b[i];
    for (int j = i + 1; j < n; ++j) sum -= a[S * i + j] * b[j];
    b[i] = sum / a[S * i + i];
  }
  return 0;
}
