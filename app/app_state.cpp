// The global application record and the operations that add and remove points.
#include "app/app_state.h"

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

void clear_object_points(CalibrationState& s) {
  s.teamACount = 0;
  s.teamBCount = 0;
  s.refereePresent = 0;
  s.ballPresent = 0;
}
