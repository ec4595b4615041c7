// The global application record and the operations that add and remove points.
#include "state/app_state.h"

#include <algorithm>
#include <cstdlib>

#include "geometry/geometry.h"

AppState appState;

namespace {

// a list that is full refuses the point instead of writing past its arrays
int add_team_point(CalibrationState& s, int* count, int* xs, int* ys, int x, int y) {
  if (*count < 0 || *count >= MAX_TEAM_PLAYERS) return 0;
  xs[*count] = x;
  ys[*count] = s.imageHeight - y - 1;
  *count += 1;
  return 1;
}

}  // namespace

int set_reference_image_point(CalibrationState& s, int x, int y) {
  // with every slot complete there is no pending slot left
  if (s.refCount < 0 || s.refCount >= MAX_REFERENCE_POINTS) return 0;
  s.refImageX[s.refCount] = x;
  s.refImageY[s.refCount] = s.imageHeight - y - 1;
  return 1;
}

int append_reference_world_point(CalibrationState& s, double X, double Y, double Z) {
  if (s.refCount < 0 || s.refCount >= MAX_REFERENCE_POINTS) return 0;
  s.refWorldX[s.refCount] = X;
  s.refWorldY[s.refCount] = Y;
  s.refWorldZ[s.refCount] = Z;
  s.refCount += 1;
  return 1;
}

int add_team_a_point(CalibrationState& s, int x, int y) {
  return add_team_point(s, &s.teamACount, s.teamAImageX, s.teamAImageY, x, y);
}

int add_team_b_point(CalibrationState& s, int x, int y) {
  return add_team_point(s, &s.teamBCount, s.teamBImageX, s.teamBImageY, x, y);
}

void set_referee_point(CalibrationState& s, int x, int y) {
  s.refereeImageX = x;
  s.refereeImageY = s.imageHeight - y - 1;
  s.refereePresent = 1;
}

void set_ball_point(CalibrationState& s, int x, int y) {
  s.ballImageX = x;
  s.ballImageY = s.imageHeight - y - 1;
  s.ballPresent = 1;
}

void clear_reference_points(CalibrationState& s) { s.refCount = 0; }

int remove_reference_point(CalibrationState& s, int i) {
  if (i < 0 || i >= s.refCount || s.refCount > MAX_REFERENCE_POINTS) return 0;
  for (int k = i; k + 1 < s.refCount; ++k) {
    s.refWorldX[k] = s.refWorldX[k + 1];
    s.refWorldY[k] = s.refWorldY[k + 1];
    s.refWorldZ[k] = s.refWorldZ[k + 1];
    s.refImageX[k] = s.refImageX[k + 1];
    s.refImageY[k] = s.refImageY[k + 1];
  }
  s.refCount -= 1;
  return 1;
}

int reference_point_at(const CalibrationState& s, int x, int row, int radius) {
  const int n = std::clamp(s.refCount, 0, MAX_REFERENCE_POINTS);
  int best = -1;
  long long bestD = 0;
  for (int i = 0; i < n; ++i) {
    const long long dx = static_cast<long long>(s.refImageX[i]) - x;
    const long long dy = static_cast<long long>(s.refImageY[i]) - row;
    if (std::llabs(dx) > radius || std::llabs(dy) > radius) continue;
    if (best < 0 || dx * dx + dy * dy < bestD) {
      best = i;
      bestD = dx * dx + dy * dy;
    }
  }
  return best;
}

int landmark_index(double X, double Y, double Z) {
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
    const FieldLandmark& L = FieldLandmarkTable[i];
    if (L.x == X && L.y == Y && L.z == Z) return i;
  }
  return -1;
}

int reference_point_of_landmark(const CalibrationState& s, int landmark) {
  if (landmark < 0 || landmark >= FIELD_LANDMARK_COUNT) return -1;
  const FieldLandmark& L = FieldLandmarkTable[landmark];
  const int n = std::clamp(s.refCount, 0, MAX_REFERENCE_POINTS);
  for (int i = 0; i < n; ++i) {
    if (s.refWorldX[i] == L.x && s.refWorldY[i] == L.y && s.refWorldZ[i] == L.z) return i;
  }
  return -1;
}

int recalibrate(AppState& s) {
  s.cameraCurrent = 0;
  const int ok = update_calibration(s);
  // the analysis refits once per change of the points; redraws only read its result
  if (!ok || !analyse_residuals(s, &s.residuals)) s.residuals = ResidualReport();
  return ok;
}

void clear_object_points(CalibrationState& s) {
  s.teamACount = 0;
  s.teamBCount = 0;
  s.refereePresent = 0;
  s.ballPresent = 0;
}
