// Per-point residuals of the linear camera and the leave-one-out search for a mislabelled point.
#include "geometry/outlier.h"

#include <cmath>

#include "geometry/geometry.h"

namespace {

struct PointSet {
  int n = 0;
  double X[MAX_REFERENCE_POINTS], Y[MAX_REFERENCE_POINTS], Z[MAX_REFERENCE_POINTS];
  int u[MAX_REFERENCE_POINTS], v[MAX_REFERENCE_POINTS];
};

// The projection fitted to the set, when the set can determine one (the same checks as the
// calibration, so a refit never leans on a set the calibration itself would refuse).
bool fit_projection(const PointSet& s, double p[12] /* out */) {
  if (check_reference_geometry(s.n, s.X, s.Y, s.Z, s.u, s.v) != CALIB_OK) return false;
  estimate_projection(s.n, s.X, s.Y, s.Z, s.u, s.v, p);
  for (int k = 0; k < 12; ++k) {
    if (!std::isfinite(p[k])) return false;
  }
  return true;
}

double miss_px(const double p[12], double X, double Y, double Z, int u, int v) {
  double pu = 0.0, pv = 0.0;
  project_world_point(p, X, Y, Z, &pu, &pv);
  return std::hypot(pu - u, pv - v);
}

double rms_of(const double p[12], const PointSet& s) {
  double sum = 0.0;
  for (int i = 0; i < s.n; ++i) {
    const double d = miss_px(p, s.X[i], s.Y[i], s.Z[i], s.u[i], s.v[i]);
    sum += d * d;
  }
  return std::sqrt(sum / s.n);
}

PointSet without(const PointSet& all, int skip) {
  PointSet s;
  for (int i = 0; i < all.n; ++i) {
    if (i == skip) continue;
    s.X[s.n] = all.X[i];
    s.Y[s.n] = all.Y[i];
    s.Z[s.n] = all.Z[i];
    s.u[s.n] = all.u[i];
    s.v[s.n] = all.v[i];
    ++s.n;
  }
  return s;
}

}  // namespace

int analyse_residuals(int n, const double X[], const double Y[], const double Z[], const int u[],
                      const int v[], ResidualReport* report) {
  *report = ResidualReport();
  if (n < MIN_REFERENCE_POINTS || n > MAX_REFERENCE_POINTS) return 0;
  PointSet all;
  all.n = n;
  for (int i = 0; i < n; ++i) {
    all.X[i] = X[i];
    all.Y[i] = Y[i];
    all.Z[i] = Z[i];
    all.u[i] = u[i];
    all.v[i] = v[i];
  }
  double p[12];
  if (!fit_projection(all, p)) return 0;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    report->residualPx[i] = miss_px(p, X[i], Y[i], Z[i], u[i], v[i]);
    sum += report->residualPx[i] * report->residualPx[i];
  }
  report->valid = 1;
  report->count = n;
  report->rmsPx = std::sqrt(sum / n);
  // a camera that fits every point within the click accuracy has nothing to blame
  if (!(report->rmsPx > OUTLIER_MIN_RMS_PX)) return 1;

  double bestRms = report->rmsPx / OUTLIER_RMS_RATIO;
  for (int k = 0; k < n; ++k) {
    const PointSet rest = without(all, k);
    double q[12];
    // the rest may no longer determine a camera (one crossbar end fewer, too few points)
    if (!fit_projection(rest, q)) continue;
    const double r = rms_of(q, rest);
    if (r < bestRms) {
      bestRms = r;
      report->suspect = k;
      report->refitRmsPx = r;
      report->suspectMissPx = miss_px(q, X[k], Y[k], Z[k], u[k], v[k]);
    }
  }
  return 1;
}

int analyse_residuals(const CalibrationState& s, ResidualReport* report) {
  return analyse_residuals(s.refCount, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX,
                           s.refImageY, report);
}

int residual_grade(const ResidualReport& report, int i) {
  if (!report.valid || i < 0 || i >= report.count) return RESIDUAL_GOOD;
  const double r = report.residualPx[i];
  if (r <= RESIDUAL_GOOD_PX) return RESIDUAL_GOOD;
  if (r <= RESIDUAL_FAIR_PX) return RESIDUAL_FAIR;
  return RESIDUAL_POOR;
}
