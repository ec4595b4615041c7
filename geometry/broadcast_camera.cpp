// The broadcast camera: a homography start decomposed with the known principal point, refined
// by Eigen's Levenberg-Marquardt with exact (forward-mode) derivatives.
#include "geometry/broadcast_camera.h"

#include <Eigen/Dense>
#include <cmath>
#include <unsupported/Eigen/AutoDiff>
#include <unsupported/Eigen/LevenbergMarquardt>

#include "geometry/geometry.h"

namespace {

constexpr int NPARAM = 7;  // rotation increment (3), eye (3), focal
using Jet7 = Eigen::AutoDiffScalar<Eigen::Matrix<double, NPARAM, 1>>;
using Jet11 = Eigen::AutoDiffScalar<Eigen::Matrix<double, NPARAM + 4, 1>>;

// Twice the area of the triangle, against the square of its longest side: 0 on one line.
bool on_one_line(const double a[2], const double b[2], const double c[2]) {
  const double cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
  double side = 0;
  const double* p[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    const double dx = p[i][0] - p[(i + 1) % 3][0], dy = p[i][1] - p[(i + 1) % 3][1];
    side = std::fmax(side, dx * dx + dy * dy);
  }
  // table landmarks on one painted line are exactly collinear; 1e-9 only absorbs rounding
  return !(std::fabs(cross) > 1e-9 * side);
}

// The rotation of the unnormalised quaternion (1, q): smooth at q = 0, where the fit starts,
// unlike an angle-axis vector whose length has no derivative there.
template <typename T>
void increment_rotation(const T q[3], T r[9]) {
  const T b = q[0], c = q[1], d = q[2];
  const T s = T(1.0) + b * b + c * c + d * d;
  r[0] = (T(1.0) + b * b - c * c - d * d) / s;
  r[1] = T(2.0) * (b * c - d) / s;
  r[2] = T(2.0) * (b * d + c) / s;
  r[3] = T(2.0) * (b * c + d) / s;
  r[4] = (T(1.0) - b * b + c * c - d * d) / s;
  r[5] = T(2.0) * (c * d - b) / s;
  r[6] = T(2.0) * (b * d - c) / s;
  r[7] = T(2.0) * (c * d + b) / s;
  r[8] = (T(1.0) - b * b - c * c + d * d) / s;
}

// Camera coordinates of world point P for parameters x around the base rotation R0.
template <typename T>
void to_camera(const T x[NPARAM], const double R0[9], double X, double Y, double Z, T xc[3]) {
  const T d[3] = {T(X) - x[3], T(Y) - x[4], T(Z) - x[5]};
  T y[3];
  for (int r = 0; r < 3; ++r) y[r] = R0[3 * r] * d[0] + R0[3 * r + 1] * d[1] + R0[3 * r + 2] * d[2];
  T inc[9];
  increment_rotation(x, inc);
  for (int r = 0; r < 3; ++r) xc[r] = inc[3 * r] * y[0] + inc[3 * r + 1] * y[1] + inc[3 * r + 2] * y[2];
}

// Ground point (X, Y) of pixel (u, v); returns the ray's vertical component, which is negative
// when the line of sight goes down toward the ground in front of the camera.
template <typename T>
T pixel_to_ground(const T x[NPARAM], const double R0[9], int cx, int cy, const T& u, const T& v, T* X, T* Y) {
  T inc[9];
  increment_rotation(x, inc);
  const T c[3] = {(u - double(cx)) / x[6], -(v - double(cy)) / x[6], T(1.0)};
  T y[3];  // inc^T c
  for (int k = 0; k < 3; ++k) y[k] = inc[k] * c[0] + inc[3 + k] * c[1] + inc[6 + k] * c[2];
  T dir[3];  // R0^T y
  for (int k = 0; k < 3; ++k) dir[k] = R0[k] * y[0] + R0[3 + k] * y[1] + R0[6 + k] * y[2];
  const T t = -x[5] / dir[2];
  *X = x[3] + t * dir[0];
  *Y = x[4] + t * dir[1];
  return dir[2];
}

struct FitData {
  int n;
  const double *X, *Y, *Z;
  const double *u, *v;
  int cx, cy;
  double R0[9];
};

template <typename T>
void residuals(const FitData& f, const T x[NPARAM], T* out) {
  for (int i = 0; i < f.n; ++i) {
    T xc[3];
    to_camera(x, f.R0, f.X[i], f.Y[i], f.Z[i], xc);
    out[2 * i] = double(f.cx) + x[6] * xc[0] / xc[2] - f.u[i];
    out[2 * i + 1] = double(f.cy) - x[6] * xc[1] / xc[2] - f.v[i];
  }
}

struct FitFunctor : Eigen::DenseFunctor<double> {
  const FitData& data;
  explicit FitFunctor(const FitData& d) : Eigen::DenseFunctor<double>(NPARAM, 2 * d.n), data(d) {}
  int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& fvec) const {
    residuals<double>(data, x.data(), fvec.data());
    return 0;
  }
  int df(const Eigen::VectorXd& x, Eigen::MatrixXd& jac) const {
    Jet7 jx[NPARAM];
    for (int k = 0; k < NPARAM; ++k) jx[k] = Jet7(x[k], NPARAM, k);
    for (int i = 0; i < data.n; ++i) {
      Jet7 r[2];
      FitData one = data;
      one.n = 1;
      one.X += i, one.Y += i, one.Z += i, one.u += i, one.v += i;
      residuals(one, jx, r);
      jac.row(2 * i) = r[0].derivatives().transpose();
      jac.row(2 * i + 1) = r[1].derivatives().transpose();
    }
    return 0;
  }
};

// A starting camera: rotation rows (right, down, forward), eye, focal.
struct Start {
  Eigen::Matrix3d R;
  Eigen::Vector3d eye;
  double focal;
};

// Plane homography world (X, Y) -> centred pixel (u - cx, cy - v) of the ground landmarks,
// by the normalised direct linear transformation.
bool ground_homography(const FitData& f, Eigen::Matrix3d* H) {
  int m = 0;
  Eigen::Vector2d wm(0, 0), pm(0, 0);
  for (int i = 0; i < f.n; ++i) {
    if (f.Z[i] != 0.0) continue;
    wm += Eigen::Vector2d(f.X[i], f.Y[i]);
    pm += Eigen::Vector2d(f.u[i] - f.cx, f.cy - f.v[i]);
    ++m;
  }
  if (m < BROADCAST_MIN_GROUND) return false;
  wm /= m;
  pm /= m;
  double ws = 0, ps = 0;
  for (int i = 0; i < f.n; ++i) {
    if (f.Z[i] != 0.0) continue;
    ws += (Eigen::Vector2d(f.X[i], f.Y[i]) - wm).norm();
    ps += (Eigen::Vector2d(f.u[i] - f.cx, f.cy - f.v[i]) - pm).norm();
  }
  if (!(ws > 0) || !(ps > 0)) return false;
  ws = std::sqrt(2.0) * m / ws;
  ps = std::sqrt(2.0) * m / ps;
  Eigen::MatrixXd A = Eigen::MatrixXd::Zero(2 * m, 9);
  int r = 0;
  for (int i = 0; i < f.n; ++i) {
    if (f.Z[i] != 0.0) continue;
    const double X = (f.X[i] - wm[0]) * ws, Y = (f.Y[i] - wm[1]) * ws;
    const double x = (f.u[i] - f.cx - pm[0]) * ps, y = (f.cy - f.v[i] - pm[1]) * ps;
    A.row(r++) << -X, -Y, -1, 0, 0, 0, x * X, x * Y, x;
    A.row(r++) << 0, 0, 0, -X, -Y, -1, y * X, y * Y, y;
  }
  Eigen::JacobiSVD<Eigen::MatrixXd> svd(A, Eigen::ComputeFullV);
  const Eigen::VectorXd h = svd.matrixV().col(8);
  Eigen::Matrix3d Hn;
  Hn << h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7], h[8];
  Eigen::Matrix3d Tw, Tp;
  Tw << ws, 0, -ws * wm[0], 0, ws, -ws * wm[1], 0, 0, 1;
  Tp << ps, 0, -ps * pm[0], 0, ps, -ps * pm[1], 0, 0, 1;
  *H = Tp.inverse() * Hn * Tw;
  return H->allFinite();
}

// Camera from a ground homography and a focal length: K^-1 H = lambda (r1 r2 t).
bool decompose(const FitData& f, const Eigen::Matrix3d& H, double focal, Start* s) {
  Eigen::Matrix3d M = H;
  M.row(0) /= focal;
  M.row(1) /= focal;
  double lambda = 2.0 / (M.col(0).norm() + M.col(1).norm());
  // the ground points lie in front: positive depth at their centroid
  double cxw = 0, cyw = 0;
  int m = 0;
  for (int i = 0; i < f.n; ++i) {
    if (f.Z[i] != 0.0) continue;
    cxw += f.X[i], cyw += f.Y[i], ++m;
  }
  if (lambda * (M(2, 0) * cxw / m + M(2, 1) * cyw / m + M(2, 2)) < 0) lambda = -lambda;
  Eigen::Matrix3d Rc;
  Rc.col(0) = lambda * M.col(0);
  Rc.col(1) = lambda * M.col(1);
  Rc.col(2) = Rc.col(0).cross(Rc.col(1));
  Eigen::JacobiSVD<Eigen::Matrix3d> svd(Rc, Eigen::ComputeFullU | Eigen::ComputeFullV);
  s->R = svd.matrixU() * svd.matrixV().transpose();  // the nearest rotation
  s->eye = -s->R.transpose() * (lambda * M.col(2));
  s->focal = focal;
  return s->R.allFinite() && s->eye.allFinite();
}

// Focal length from the homography's first two columns, which must be orthogonal and of equal
// length once the focal length is divided out. Both conditions, in 1/f^2, by least squares:
// either alone vanishes for common views (a camera square to the touch line has h31 = 0).
double homography_focal(const Eigen::Matrix3d& H) {
  const double a1 = H(0, 0) * H(0, 1) + H(1, 0) * H(1, 1), b1 = H(2, 0) * H(2, 1);
  const double a2 = H(0, 0) * H(0, 0) + H(1, 0) * H(1, 0) - H(0, 1) * H(0, 1) - H(1, 1) * H(1, 1);
  const double b2 = H(2, 0) * H(2, 0) - H(2, 1) * H(2, 1);
  const double w = -(a1 * b1 + a2 * b2) / (a1 * a1 + a2 * a2);
  return w > 0 && std::isfinite(w) ? 1.0 / std::sqrt(w) : NAN;
}

struct Attempt {
  int status = CALIB_NO_CONVERGENCE;
  BroadcastSolution solution;
  double cost = INFINITY;
};

// Refines one start; the status says whether it gave a physical camera.
Attempt refine(FitData data, const Start& start) {
  Attempt a;
  for (int k = 0; k < 9; ++k) data.R0[k] = start.R(k / 3, k % 3);
  FitFunctor functor(data);
  Eigen::LevenbergMarquardt<FitFunctor> lm(functor);
  lm.setMaxfev(400);
  Eigen::VectorXd x(NPARAM);
  x << 0, 0, 0, start.eye[0], start.eye[1], start.eye[2], start.focal;
  const Eigen::LevenbergMarquardtSpace::Status st = lm.minimize(x);
  if (st == Eigen::LevenbergMarquardtSpace::ImproperInputParameters ||
      st == Eigen::LevenbergMarquardtSpace::TooManyFunctionEvaluation || !x.allFinite() || !(x[6] > 0)) {
    return a;
  }
  double inc[9];
  increment_rotation(x.data(), inc);
  Eigen::Matrix3d R = Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(inc) * start.R;
  BroadcastSolution& b = a.solution;
  for (int k = 0; k < 9; ++k) b.rotation[k] = R(k / 3, k % 3);
  for (int k = 0; k < 3; ++k) b.eye[k] = x[3 + k];
  b.focal = x[6];

  // every landmark in front of the camera, else the fit settled on a mirror of the scene
  for (int i = 0; i < data.n; ++i) {
    const double d[3] = {data.X[i] - b.eye[0], data.Y[i] - b.eye[1], data.Z[i] - b.eye[2]};
    if (!(R(2, 0) * d[0] + R(2, 1) * d[1] + R(2, 2) * d[2] > 0)) return a;
  }
  // the covariance is taken about the solution itself (a zero rotation increment)
  for (int k = 0; k < 9; ++k) data.R0[k] = b.rotation[k];
  Eigen::VectorXd at(NPARAM);
  at << 0, 0, 0, b.eye[0], b.eye[1], b.eye[2], b.focal;
  Eigen::VectorXd r(2 * data.n);
  Eigen::MatrixXd J(2 * data.n, NPARAM);
  FitFunctor final(data);
  final(at, r);
  final.df(at, J);
  const Eigen::Matrix<double, NPARAM, NPARAM> N = J.transpose() * J;
  Eigen::FullPivLU<Eigen::Matrix<double, NPARAM, NPARAM>> lu(N);
  if (!lu.isInvertible()) return a;
  const Eigen::Matrix<double, NPARAM, NPARAM> Ninv = lu.inverse();
  for (int k = 0; k < NPARAM * NPARAM; ++k) b.normalInverse[k] = Ninv(k / NPARAM, k % NPARAM);
  a.cost = r.squaredNorm();
  b.rms = std::sqrt(a.cost / data.n);
  if (!Ninv.allFinite() || !std::isfinite(b.rms)) return a;
  a.status = b.eye[2] > 0 ? CALIB_OK : CALIB_EYE_BELOW_GROUND;
  return a;
}

}  // namespace

LandmarkCounts count_landmarks(int n, const double X[], const double Y[], const double Z[]) {
  LandmarkCounts c;
  if (n < 0) n = 0;
  if (n > MAX_REFERENCE_POINTS) n = MAX_REFERENCE_POINTS;
  double g[MAX_REFERENCE_POINTS][2];
  for (int i = 0; i < n; ++i) {
    if (Z[i] == 0.0 && std::isfinite(X[i]) && std::isfinite(Y[i])) {
      g[c.ground][0] = X[i];
      g[c.ground][1] = Y[i];
      ++c.ground;
    } else {
      ++c.offGround;
    }
  }
  // a triangle, then a fourth point off its three sides: at most 47^4 / 24 cheap tests, and
  // the search ends at the first set found
  bool anyTriangle = false;
  for (int i = 0; i < c.ground && !c.groundGeneral; ++i) {
    for (int j = i + 1; j < c.ground && !c.groundGeneral; ++j) {
      for (int k = j + 1; k < c.ground && !c.groundGeneral; ++k) {
        if (on_one_line(g[i], g[j], g[k])) continue;
        anyTriangle = true;
        for (int l = k + 1; l < c.ground && !c.groundGeneral; ++l) {
          if (!on_one_line(g[i], g[j], g[l]) && !on_one_line(g[i], g[k], g[l]) && !on_one_line(g[j], g[k], g[l])) {
            c.groundGeneral = 1;
          }
        }
      }
    }
  }
  c.groundOnOneLine = c.ground >= 3 && !anyTriangle;
  return c;
}

void broadcast_calibration(const BroadcastSolution& b, int cx, int cy, CameraCalibration* out) {
  const double* a = b.rotation;      // image right
  const double* dn = b.rotation + 3;  // image down
  const double* c = b.rotation + 6;  // viewing direction
  double* p = out->cameraMatrix;
  for (int k = 0; k < 3; ++k) {
    p[k] = -b.focal * a[k] - cx * c[k];
    p[4 + k] = b.focal * dn[k] - cy * c[k];
    p[8 + k] = -c[k];
  }
  for (int r = 0; r < 3; ++r) p[4 * r + 3] = -(p[4 * r] * b.eye[0] + p[4 * r + 1] * b.eye[1] + p[4 * r + 2] * b.eye[2]);
  for (int k = 0; k < 3; ++k) {
    out->cameraEye[k] = b.eye[k];
    out->cameraUp[k] = -b.focal * dn[k];
    out->cameraViewDir[k] = c[k];
  }
  double g[3];
  back_project_to_ground(out->cameraMatrix, cx, cy, g);
  out->cameraTarget[0] = g[0];
  out->cameraTarget[1] = g[1];
  out->cameraTarget[2] = 0.0;
}

int fit_broadcast_camera(int n, const double X[], const double Y[], const double Z[], const int u[], const int v[],
                         int imageWidth, int imageHeight, const CameraCalibration* dlt, CameraCalibration* out,
                         BroadcastSolution* solution) {
  if (n > MAX_REFERENCE_POINTS) return CALIB_TOO_MANY_POINTS;
  double ud[MAX_REFERENCE_POINTS], vd[MAX_REFERENCE_POINTS];
  for (int i = 0; i < n; ++i) {
    ud[i] = u[i];
    vd[i] = v[i];
  }
  return fit_broadcast_camera(n, X, Y, Z, ud, vd, imageWidth, imageHeight, dlt, out, solution);
}

int fit_broadcast_camera(int n, const double X[], const double Y[], const double Z[], const double u[],
                         const double v[], int imageWidth, int imageHeight, const CameraCalibration* dlt,
                         CameraCalibration* out, BroadcastSolution* solution) {
  if (n > MAX_REFERENCE_POINTS) return CALIB_TOO_MANY_POINTS;
  if (imageWidth <= 0 || imageHeight <= 0) return CALIB_NO_IMAGE_SIZE;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(X[i]) || !std::isfinite(Y[i]) || !std::isfinite(Z[i]) || !std::isfinite(u[i]) ||
        !std::isfinite(v[i])) {
      return CALIB_NOT_FINITE;
    }
  }
  if (!count_landmarks(n, X, Y, Z).groundGeneral) return CALIB_FEW_GROUND;

  FitData data{n, X, Y, Z, u, v, imageWidth / 2, imageHeight / 2, {}};
  Start starts[3];
  int count = 0;
  Eigen::Matrix3d H;
  if (ground_homography(data, &H)) {
    const double f = homography_focal(H);
    if (std::isfinite(f) && decompose(data, H, f, &starts[count])) ++count;
    // no focal length from the homography (a view square to the pitch): start from a normal lens
    else if (decompose(data, H, imageWidth, &starts[count])) ++count;
  }
  if (dlt != nullptr) {
    const double f = std::sqrt(dlt->cameraUp[0] * dlt->cameraUp[0] + dlt->cameraUp[1] * dlt->cameraUp[1] +
                               dlt->cameraUp[2] * dlt->cameraUp[2]);
    Start& s = starts[count];
    const Eigen::Vector3d down = -Eigen::Vector3d(dlt->cameraUp[0], dlt->cameraUp[1], dlt->cameraUp[2]) / f;
    const Eigen::Vector3d fwd(dlt->cameraViewDir[0], dlt->cameraViewDir[1], dlt->cameraViewDir[2]);
    s.R.row(0) = down.cross(fwd);
    s.R.row(1) = down;
    s.R.row(2) = fwd;
    s.eye = Eigen::Vector3d(dlt->cameraEye[0], dlt->cameraEye[1], dlt->cameraEye[2]);
    s.focal = f;
    if (f > 0 && s.R.allFinite() && s.eye.allFinite()) ++count;
  }
  // a camera beats an eye below the ground, which beats no camera; then the smaller residual
  const auto rank = [](const Attempt& a) { return a.status == CALIB_OK ? 0 : a.status == CALIB_EYE_BELOW_GROUND ? 1 : 2; };
  Attempt best;
  for (int k = 0; k < count; ++k) {
    const Attempt a = refine(data, starts[k]);
    if (rank(a) < rank(best) || (rank(a) == rank(best) && a.cost < best.cost)) best = a;
  }
  if (best.status != CALIB_OK) return best.status;
  if (best.solution.rms > BROADCAST_MAX_RMS_PX) return CALIB_HIGH_RMS;
  *solution = best.solution;
  broadcast_calibration(best.solution, data.cx, data.cy, out);
  const double* all[5] = {out->cameraMatrix, out->cameraEye, out->cameraTarget, out->cameraUp, out->cameraViewDir};
  const int sizes[5] = {12, 3, 3, 3, 3};
  for (int k = 0; k < 5; ++k) {
    for (int i = 0; i < sizes[k]; ++i) {
      if (!std::isfinite(all[k][i])) return CALIB_NOT_FINITE;
    }
  }
  return CALIB_OK;
}

int broadcast_ground_jacobian(const BroadcastSolution& b, int cx, int cy, double ua, double va, double ub, double vb,
                              double ground[4], double jac[44]) {
  Jet11 x[NPARAM];
  const double base[NPARAM] = {0, 0, 0, b.eye[0], b.eye[1], b.eye[2], b.focal};
  for (int k = 0; k < NPARAM; ++k) x[k] = Jet11(base[k], NPARAM + 4, k);
  const Jet11 px[4] = {Jet11(ua, NPARAM + 4, NPARAM), Jet11(va, NPARAM + 4, NPARAM + 1),
                       Jet11(ub, NPARAM + 4, NPARAM + 2), Jet11(vb, NPARAM + 4, NPARAM + 3)};
  Jet11 g[4];
  const Jet11 za = pixel_to_ground(x, b.rotation, cx, cy, px[0], px[1], &g[0], &g[1]);
  const Jet11 zb = pixel_to_ground(x, b.rotation, cx, cy, px[2], px[3], &g[2], &g[3]);
  for (int r = 0; r < 4; ++r) {
    ground[r] = g[r].value();
    for (int k = 0; k < NPARAM + 4; ++k) jac[r * (NPARAM + 4) + k] = g[r].derivatives()[k];
  }
  return za.value() < 0 && zb.value() < 0;
}
