// Camera calibration: the linear estimate of the projection, its normalisation, and the compass
// search for a physical camera (eye, look-at point, focal length and roll).
#include "geometry/geometry.h"
#include "geometry/broadcast_camera.h"
#include "geometry/vector3.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int S = SOLVER_ROW_STRIDE;
constexpr int MAX_EQUATIONS = 2 * MAX_REFERENCE_POINTS;

bool all_finite(const double* x, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(x[i])) return false;
  }
  return true;
}

// Ranks residuals for the search: a residual that is not a number is worse than any number,
// so the search never moves onto one.
bool residual_better(double candidate, double incumbent) {
  if (std::isnan(candidate)) return false;
  if (std::isnan(incumbent)) return true;
  return candidate < incumbent;
}

// Eigenvalues of the symmetric 12x12 matrix m (destroyed) by cyclic Jacobi rotations.
void symmetric_eigenvalues12(double m[12][12], double eig[12] /* out */) {
  for (int sweep = 0; sweep < 60; ++sweep) {
    double off = 0.0;
    double diag = 0.0;
    for (int i = 0; i < 12; ++i) {
      diag += m[i][i] * m[i][i];
      for (int j = i + 1; j < 12; ++j) off += m[i][j] * m[i][j];
    }
    if (off <= 1e-30 * diag) break;
    for (int p = 0; p < 11; ++p) {
      for (int q = p + 1; q < 12; ++q) {
        if (m[p][q] == 0.0) continue;
        const double theta = (m[q][q] - m[p][p]) / (2.0 * m[p][q]);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0);
        const double s = t * c;
        for (int k = 0; k < 12; ++k) {
          const double mkp = m[k][p];
          const double mkq = m[k][q];
          m[k][p] = c * mkp - s * mkq;
          m[k][q] = s * mkp + c * mkq;
        }
        for (int k = 0; k < 12; ++k) {
          const double mpk = m[p][k];
          const double mqk = m[q][k];
          m[p][k] = c * mpk - s * mqk;
          m[q][k] = s * mpk + c * mqk;
        }
      }
    }
  }
  for (int i = 0; i < 12; ++i) eig[i] = m[i][i];
}

// Whether the landmarks alone (whatever was clicked) leave the linear estimate more than one
// null direction. The normalised landmarks are projected through a fixed camera in general
// position and the design matrix of those exact pixels is examined: one plane, one line with
// two more points, a single point off the ground... all give a second (near-)zero eigenvalue.
bool design_has_full_rank(int n, const double X[], const double Y[], const double Z[]) {
  double c[3] = {0, 0, 0};
  for (int i = 0; i < n; ++i) {
    c[0] += X[i];
    c[1] += Y[i];
    c[2] += Z[i];
  }
  for (double& k : c) k /= n;
  double meanDist = 0.0;
  for (int i = 0; i < n; ++i) {
    meanDist += std::sqrt((X[i] - c[0]) * (X[i] - c[0]) + (Y[i] - c[1]) * (Y[i] - c[1]) +
                          (Z[i] - c[2]) * (Z[i] - c[2]));
  }
  meanDist /= n;
  if (!(meanDist > 0.0)) return false;
  const double scale = std::sqrt(3.0) / meanDist;

  // an arbitrary camera well outside the normalised cloud, with no special direction
  static const double kGeneric[12] = {0.8137, -0.3371, 0.4733, 1.2907,   //
                                      0.2113, 0.9042, 0.3712, -0.8311,   //
                                      -0.5411, -0.2625, 0.7989, 17.3193};
  double m[12][12] = {};
  for (int i = 0; i < n; ++i) {
    const double P[4] = {(X[i] - c[0]) * scale, (Y[i] - c[1]) * scale, (Z[i] - c[2]) * scale, 1.0};
    double img[3];
    for (int r = 0; r < 3; ++r) {
      img[r] = kGeneric[4 * r] * P[0] + kGeneric[4 * r + 1] * P[1] + kGeneric[4 * r + 2] * P[2] +
               kGeneric[4 * r + 3];
    }
    // homogeneous rows (each equation multiplied by w) need no division
    double rows[2][12] = {};
    for (int k = 0; k < 4; ++k) {
      rows[0][k] = img[2] * P[k];
      rows[0][8 + k] = -img[0] * P[k];
      rows[1][4 + k] = img[2] * P[k];
      rows[1][8 + k] = -img[1] * P[k];
    }
    for (const auto& row : rows) {
      for (int j = 0; j < 12; ++j) {
        for (int k = 0; k < 12; ++k) m[j][k] += row[j] * row[k];
      }
    }
  }
  double eig[12];
  symmetric_eigenvalues12(m, eig);
  double largest = 0.0;
  double smallest = INFINITY;
  double second = INFINITY;
  for (double e : eig) {
    if (e > largest) largest = e;
    if (e < smallest) {
      second = smallest;
      smallest = e;
    } else if (e < second) {
      second = e;
    }
  }
  return largest > 0.0 && second > DESIGN_RANK_TOLERANCE * largest;
}

bool same_inputs(const CalibrationCache& c, const CalibrationState& s) {
  const size_t nd = sizeof(double) * static_cast<size_t>(s.refCount);
  const size_t ni = sizeof(int) * static_cast<size_t>(s.refCount);
  return c.valid && c.preference == s.cameraPreference && c.count == s.refCount && c.imageWidth == s.imageWidth &&
         c.imageHeight == s.imageHeight && std::memcmp(c.worldX, s.refWorldX, nd) == 0 &&
         std::memcmp(c.worldY, s.refWorldY, nd) == 0 && std::memcmp(c.worldZ, s.refWorldZ, nd) == 0 &&
         std::memcmp(c.imageX, s.refImageX, ni) == 0 && std::memcmp(c.imageY, s.refImageY, ni) == 0;
}

void remember_inputs(CalibrationCache& c, const CalibrationState& s) {
  const size_t nd = sizeof(double) * static_cast<size_t>(s.refCount);
  const size_t ni = sizeof(int) * static_cast<size_t>(s.refCount);
  c.valid = 1;
  c.preference = s.cameraPreference;
  c.count = s.refCount;
  c.imageWidth = s.imageWidth;
  c.imageHeight = s.imageHeight;
  std::memcpy(c.worldX, s.refWorldX, nd);
  std::memcpy(c.worldY, s.refWorldY, nd);
  std::memcpy(c.worldZ, s.refWorldZ, nd);
  std::memcpy(c.imageX, s.refImageX, ni);
  std::memcpy(c.imageY, s.refImageY, ni);
}

// Runs the camera rule over the reference points into the cache: the DLT camera when it
// calibrates (it is the established method and its numbers stay reproducible), else the
// broadcast camera when it fits; only one of them when the preference says so.
void run_camera_rule(const CalibrationState& s, CalibrationCache& c) {
  const int n = s.refCount;
  SearchOutcome search;
  CameraCalibration dlt;
  c.dltStatus = CALIB_NOT_TRIED;
  c.broadcastStatus = CALIB_NOT_TRIED;
  if (s.cameraPreference != CAMERA_FORCE_BROADCAST || n >= MIN_REFERENCE_POINTS) {
    c.dltStatus = calibrate_camera(n, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX, s.refImageY, s.imageWidth,
                                   s.imageHeight, &dlt, &search);
  }
  c.searchPasses = search.passes;
  c.searchCapped = search.capped;
  if (s.cameraPreference != CAMERA_FORCE_BROADCAST && (c.dltStatus == CALIB_OK || s.cameraPreference == CAMERA_FORCE_DLT)) {
    c.status = c.dltStatus;
    c.model = CAMERA_DLT;
    c.result = dlt;
    return;
  }
  c.broadcastStatus = fit_broadcast_camera(n, s.refWorldX, s.refWorldY, s.refWorldZ, s.refImageX, s.refImageY,
                                           s.imageWidth, s.imageHeight, c.dltStatus == CALIB_OK ? &dlt : nullptr,
                                           &c.result, &c.broadcast);
  c.model = CAMERA_BROADCAST;
  // a broadcast camera never tried (too few ground landmarks) leaves the DLT camera's reason
  const bool dltReason = s.cameraPreference == CAMERA_AUTO && c.broadcastStatus == CALIB_FEW_GROUND;
  c.status = dltReason ? c.dltStatus : c.broadcastStatus;
}

}  // namespace

// One body for whole-pixel clicks and the perturbed clicks of the band: an int converts to
// double exactly, so the clicked calibration is unchanged to the bit.
namespace {
template <typename Pixel>
int estimate_projection_of(int n, const double X[], const double Y[], const double Z[], const Pixel u[],
                           const Pixel v[], double p[12]) {
  if (n < 1 || n > MAX_REFERENCE_POINTS) {
    for (int k = 0; k < 12; ++k) p[k] = 0.0;
    return -2;  // no working storage for these equations
  }
  // u-equations in rows 0..n-1, v-equations in rows n..2n-1
  double A[MAX_EQUATIONS][12] = {};
  double centroid[3] = {0, 0, 0};
  for (int i = 0; i < n; ++i) {
    const double P[4] = {X[i], Y[i], Z[i], 1.0};
    const double ui = u[i];
    const double vi = v[i];
    for (int k = 0; k < 4; ++k) {
      A[i][k] = P[k];
      A[i][8 + k] = -ui * P[k];
      A[n + i][4 + k] = P[k];
      A[n + i][8 + k] = -vi * P[k];
    }
    centroid[0] += X[i];
    centroid[1] += Y[i];
    centroid[2] += Z[i];
  }
  for (double& c : centroid) c /= n;

  double M[13 * S] = {};
  double b[13] = {};
  for (int j = 0; j < 12; ++j) {
    for (int k = 0; k < 12; ++k) {
      double sum = 0.0;
      for (int r = 0; r < 2 * n; ++r) sum += A[r][j] * A[r][k];
      M[S * j + k] = sum;
    }
  }
  // the constraint fixes the projective depth of the centroid at 1
  const double m[12] = {0, 0, 0, 0, 0, 0, 0, 0, centroid[0], centroid[1], centroid[2], 1.0};
  for (int k = 0; k < 12; ++k) {
    M[S * 12 + k] = m[k];
    M[S * k + 12] = m[k];
  }
  M[S * 12 + 12] = 0.0;
  b[12] = 1.0;
  const int status = solve_linear_system(13, M, b);
  for (int k = 0; k < 12; ++k) p[k] = b[k];
  return status;
}

}  // namespace

int estimate_projection(int n, const double X[], const double Y[], const double Z[], const int u[],
                        const int v[], double p[12]) {
  return estimate_projection_of(n, X, Y, Z, u, v, p);
}

int estimate_projection(int n, const double X[], const double Y[], const double Z[], const double u[],
                        const double v[], double p[12]) {
  return estimate_projection_of(n, X, Y, Z, u, v, p);
}

void normalise_projection(const double p[12], double out[12]) {
  const double s = std::sqrt(p[8] * p[8] + p[9] * p[9] + p[10] * p[10]);
  // the sign makes w minus the metric depth, so points in front of the camera get w < 0
  for (int k = 0; k < 12; ++k) out[k] = -p[k] / s;
}

double evaluate_camera(const double eye[3], const double target[3], int cx, int cy, int n,
                       const double X[], const double Y[], const double Z[], const int u[],
                       const int v[], double up[3], double viewDir[3]) {
  if (n < 1 || n > MAX_REFERENCE_POINTS) {
    // no working storage for these equations: a residual that is not a number ranks worst
    for (int k = 0; k < 3; ++k) up[k] = viewDir[k] = NAN;
    return NAN;
  }
  double f[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
  const double len = std::sqrt(dot3(f, f));
  for (double& k : f) k /= len;
  const double fx = f[0], fy = f[1], fz = f[2];

  // coefficients of (a, b) and observed value of each equation: u-equations, then v-equations
  double ca[MAX_EQUATIONS], cb[MAX_EQUATIONS], obs[MAX_EQUATIONS];
  for (int i = 0; i < n; ++i) {
    const double dx = X[i] - eye[0], dy = Y[i] - eye[1], dz = Z[i] - eye[2];
    const double D = fx * dx + fy * dy + fz * dz;
    ca[i] = (dx - fx * dz / fz) / D;
    cb[i] = (dy - fy * dz / fz) / D;
    obs[i] = static_cast<double>(u[i]) - cx;  // exact, and no int overflow at the extremes
    ca[n + i] = (fx * fy * dx / fz - (fx * fx + fz * fz) * dy / fz + fy * dz) / D;
    cb[n + i] = ((fy * fy + fz * fz) * dx / fz - fx * fy * dy / fz - fx * dz) / D;
    obs[n + i] = static_cast<double>(v[i]) - cy;
  }
  double N[2 * S] = {};
  double rhs[2] = {0, 0};
  for (int e = 0; e < 2 * n; ++e) {
    N[0] += ca[e] * ca[e];
    N[1] += ca[e] * cb[e];
    N[S] += cb[e] * ca[e];
    N[S + 1] += cb[e] * cb[e];
    rhs[0] += ca[e] * obs[e];
    rhs[1] += cb[e] * obs[e];
  }
  solve_linear_system(2, N, rhs);
  const double a = rhs[0], b = rhs[1];

  double residual = 0.0;
  for (int e = 0; e < 2 * n; ++e) {
    const double r = ca[e] * a + cb[e] * b - obs[e];
    residual += r * r;
  }
  const double r0[3] = {a, b, -(a * fx + b * fy) / fz};
  up[0] = r0[1] * fz - r0[2] * fy;
  up[1] = r0[2] * fx - r0[0] * fz;
  up[2] = r0[0] * fy - r0[1] * fx;
  viewDir[0] = fx;
  viewDir[1] = fy;
  viewDir[2] = fz;
  return residual;
}

SearchOutcome compass_search(double eye[3], const double target[3], int cx, int cy, int n,
                             const double X[], const double Y[], const double Z[], const int u[],
                             const int v[], int maxPasses, double up[3], double viewDir[3]) {
  SearchOutcome out;
  double scratchUp[3], scratchDir[3];
  for (;;) {
    if (out.passes >= maxPasses) {
      // the last pass moved the eye: fit the camera at the eye reached so up and direction match it
      evaluate_camera(eye, target, cx, cy, n, X, Y, Z, u, v, up, viewDir);
      out.capped = 1;
      break;
    }
    ++out.passes;
    double best = 0.0;
    int bestDir = -1;
    // +X, +Y, +Z, -X, -Y, -Z; on equal residuals the earlier direction wins
    for (int d = 0; d < 6; ++d) {
      double nb[3] = {eye[0], eye[1], eye[2]};
      nb[d % 3] += d < 3 ? SEARCH_STEP : -SEARCH_STEP;
      const double r = evaluate_camera(nb, target, cx, cy, n, X, Y, Z, u, v, scratchUp, scratchDir);
      if (bestDir < 0 || residual_better(r, best)) {
        best = r;
        bestDir = d;
      }
    }
    const double here = evaluate_camera(eye, target, cx, cy, n, X, Y, Z, u, v, up, viewDir);
    if (!residual_better(best, here)) break;
    eye[bestDir % 3] += bestDir < 3 ? SEARCH_STEP : -SEARCH_STEP;
  }
  return out;
}

int check_reference_geometry(int n, const double X[], const double Y[], const double Z[],
                             const int u[], const int v[]) {
  if (n < MIN_REFERENCE_POINTS) return CALIB_TOO_FEW_POINTS;
  if (n > MAX_REFERENCE_POINTS) return CALIB_TOO_MANY_POINTS;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(X[i]) || !std::isfinite(Y[i]) || !std::isfinite(Z[i])) return CALIB_NOT_FINITE;
  }
  // With a single point off the ground (or several clicked on one pixel) the Z columns of the
  // design matrix are dependent: the bordered system still solves, to a meaningless camera.
  int first = -1;
  bool second = false;
  for (int i = 0; i < n && !second; ++i) {
    if (Z[i] == 0.0) continue;
    if (first < 0) {
      first = i;
    } else if (u[i] != u[first] || v[i] != v[first]) {
      second = true;
    }
  }
  if (!second) return CALIB_FEW_OFF_GROUND;
  if (!design_has_full_rank(n, X, Y, Z)) return CALIB_DEGENERATE;
  return CALIB_OK;
}

int calibrate_camera(int n, const double X[], const double Y[], const double Z[], const int u[],
                     const int v[], int imageWidth, int imageHeight, CameraCalibration* out,
                     SearchOutcome* search) {
  *search = SearchOutcome();
  const int check = check_reference_geometry(n, X, Y, Z, u, v);
  if (check != CALIB_OK) return check;

  // integer division: an odd size rounds the principal point down
  const int cx = imageWidth / 2;
  const int cy = imageHeight / 2;

  double p[12];
  estimate_projection(n, X, Y, Z, u, v, p);
  normalise_projection(p, out->cameraMatrix);
  const double* cm = out->cameraMatrix;

  double C[3 * S] = {};
  const int rows[3] = {0, 4, 8};
  double e[3];
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) C[S * r + k] = cm[rows[r] + k];
    e[r] = -cm[rows[r] + 3];
  }
  solve_linear_system(3, C, e);

  double g[3];
  back_project_to_ground(cm, cx, cy, g);
  const double target[3] = {g[0], g[1], 0.0};

  *search = compass_search(e, target, cx, cy, n, X, Y, Z, u, v, SEARCH_MAX_PASSES, out->cameraUp,
                           out->cameraViewDir);
  for (int k = 0; k < 3; ++k) {
    out->cameraEye[k] = e[k];
    out->cameraTarget[k] = target[k];
  }
  if (!all_finite(out->cameraMatrix, 12) || !all_finite(out->cameraEye, 3) ||
      !all_finite(out->cameraTarget, 3) || !all_finite(out->cameraUp, 3) ||
      !all_finite(out->cameraViewDir, 3) || !std::isfinite(std::sqrt(dot3(out->cameraUp, out->cameraUp)))) {
    return CALIB_NOT_FINITE;
  }
  return CALIB_OK;
}

int update_calibration(CalibrationState& s) {
  CalibrationReport& report = s.calibrationReport;
  s.cameraCurrent = 0;
  if (s.refCount > MAX_REFERENCE_POINTS) {
    report.status = CALIB_TOO_MANY_POINTS;
    return 0;
  }
  if (s.refCount < 0) {
    report.status = CALIB_TOO_FEW_POINTS;
    return 0;
  }
  CalibrationCache& cache = s.calibrationCache;
  if (!same_inputs(cache, s)) {
    remember_inputs(cache, s);
    run_camera_rule(s, cache);
  }
  report.status = cache.status;
  report.dltStatus = cache.dltStatus;
  report.broadcastStatus = cache.broadcastStatus;
  report.searchPasses = cache.searchPasses;
  report.searchCapped = cache.searchCapped;
  if (cache.status != CALIB_OK) return 0;
  static_cast<CameraCalibration&>(s) = cache.result;
  s.cameraModel = cache.model;
  if (cache.model == CAMERA_BROADCAST) s.broadcastSolution = cache.broadcast;
  for (int k = 0; k < 3; ++k) s.viewTarget[k] = s.cameraTarget[k];
  update_object_positions(s);
  s.cameraCurrent = 1;
  return 1;
}
