// Pixels onto the ground plane Z = 0 through the calibrated projection, and what is measured there.
#include "geometry/geometry.h"
#include "geometry/vector3.h"

#include <cmath>

int back_project_to_ground(const double p[12], int u, int v, double out[3]) {
  return back_project_to_ground(p, static_cast<double>(u), static_cast<double>(v), out);
}

int back_project_to_ground(const double p[12], double u, double v, double out[3]) {
  constexpr int S = SOLVER_ROW_STRIDE;
  double a[3 * S] = {};
  a[0] = p[0];
  a[1] = p[1];
  a[2] = -u;
  a[S] = p[4];
  a[S + 1] = p[5];
  a[S + 2] = -v;
  a[2 * S] = p[8];
  a[2 * S + 1] = p[9];
  a[2 * S + 2] = -1.0;
  double b[3] = {-p[3], -p[7], -p[11]};
  const int status = solve_linear_system(3, a, b);
  // on a singular system (a pixel on the horizon) the caller gets what the solver left
  out[0] = b[0];
  out[1] = b[1];
  out[2] = b[2];
  return status;
}

bool pixel_on_ground_in_front(const CameraCalibration& c, int u, int v) {
  double g[3] = {0, 0, 0};
  // w < 0 is a ground point in front of the camera; on the horizon the solve fails
  return back_project_to_ground(c.cameraMatrix, u, v, g) == 0 && g[2] < 0 && std::isfinite(g[0]) &&
         std::isfinite(g[1]);
}

void project_object_list(const double p[12], int count, const int u[], const int v[], double X[],
                         double Y[], double Z[]) {
  for (int i = 0; i < count; ++i) {
    double g[3];
    back_project_to_ground(p, u[i], v[i], g);
    X[i] = g[0];
    Y[i] = g[1];
    Z[i] = 0.0;
  }
}

void update_object_positions(CalibrationState& s) {
  // the readers and point operations never store a count above the capacity; should a caller
  // do so, only the slots that exist are computed
  const int countA = s.teamACount < MAX_TEAM_PLAYERS ? s.teamACount : MAX_TEAM_PLAYERS;
  const int countB = s.teamBCount < MAX_TEAM_PLAYERS ? s.teamBCount : MAX_TEAM_PLAYERS;
  project_object_list(s.cameraMatrix, countA, s.teamAImageX, s.teamAImageY, s.teamAGroundX,
                      s.teamAGroundY, s.teamAGroundZ);
  project_object_list(s.cameraMatrix, countB, s.teamBImageX, s.teamBImageY, s.teamBGroundX,
                      s.teamBGroundY, s.teamBGroundZ);
  if (s.refereePresent) {
    project_object_list(s.cameraMatrix, 1, &s.refereeImageX, &s.refereeImageY, &s.refereeGroundX,
                        &s.refereeGroundY, &s.refereeGroundZ);
  }
  if (s.ballPresent) {
    project_object_list(s.cameraMatrix, 1, &s.ballImageX, &s.ballImageY, &s.ballGroundX,
                        &s.ballGroundY, &s.ballGroundZ);
  }
}

void image_point_to_ground(const CameraCalibration& c, int u, int v, double* X, double* Y, double* Z) {
  project_object_list(c.cameraMatrix, 1, &u, &v, X, Y, Z);
}

double distance_between_points(const CameraCalibration& c, int ua, int va, int ub, int vb) {
  double xa, ya, za, xb, yb, zb;
  image_point_to_ground(c, ua, va, &xa, &ya, &za);
  image_point_to_ground(c, ub, vb, &xb, &yb, &zb);
  return std::sqrt((xa - xb) * (xa - xb) + (ya - yb) * (ya - yb) + (za - zb) * (za - zb));
}

double distance_between_parallels(const CameraCalibration& c, int ua, int va, int ub, int vb) {
  double xa, ya, za, xb, yb, zb;
  image_point_to_ground(c, ua, va, &xa, &ya, &za);
  image_point_to_ground(c, ub, vb, &xb, &yb, &zb);
  // lines parallel to the goal line are the lines of constant X
  return xa <= xb ? xb - xa : xa - xb;
}

double camera_vertical_fov(const CalibrationState& s) {
  const int cu = s.imageWidth / 2;
  const double* E = s.cameraEye;
  double g1[3], g2[3];
  // rows 1 and imageHeight, as the view has always measured them
  back_project_to_ground(s.cameraMatrix, cu, 1, g1);
  back_project_to_ground(s.cameraMatrix, cu, s.imageHeight, g2);
  double a1[3] = {g1[0] - E[0], g1[1] - E[1], -E[2]};
  double a2[3] = {g2[0] - E[0], g2[1] - E[1], -E[2]};
  const double* f = s.cameraViewDir;
  // a row above the horizon meets the ground behind the camera: turn it back to the front
  if (dot3(a1, f) < 0) {
    for (double& k : a1) k = -k;
  }
  if (dot3(a2, f) < 0) {
    for (double& k : a2) k = -k;
  }
  return std::acos(dot3(a1, a2) / (std::sqrt(dot3(a1, a1)) * std::sqrt(dot3(a2, a2)))) * 57.29577950560105;
}

double project_world_point(const double p[12], double X, double Y, double Z, double* u, double* v) {
  const double x = p[0] * X + p[1] * Y + p[2] * Z + p[3];
  const double y = p[4] * X + p[5] * Y + p[6] * Z + p[7];
  const double w = p[8] * X + p[9] * Y + p[10] * Z + p[11];
  *u = x / w;
  *v = y / w;
  return w;
}

double reprojection_rms(const CalibrationState& s) {
  const int n = s.refCount < MAX_REFERENCE_POINTS ? s.refCount : MAX_REFERENCE_POINTS;
  if (n <= 0) return 0.0;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    double u, v;
    project_world_point(s.cameraMatrix, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], &u, &v);
    sum += (u - s.refImageX[i]) * (u - s.refImageX[i]) + (v - s.refImageY[i]) * (v - s.refImageY[i]);
  }
  return std::sqrt(sum / n);
}
