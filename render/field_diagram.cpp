// The pitch plan on which the user picks the landmark of a reference point.
#include "render/field_diagram.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "state/app_state.h"
#include "geometry/view_transform.h"
#include "render/pitch.h"
#include "toolkit/tuk_gl.h"

namespace {

// the plan's spots are larger than the scene's, so that they show at 5 pixels a metre
constexpr double kPenaltySpotRadius = 0.3;
constexpr double kCentreSpotRadius = 0.5;
constexpr double kGoalDepth = 2.0;  // the flat goal rectangles reach this far behind the line

// the goal drawn flat on the ground, behind the goal line at x towards the outside
void goal_rectangle(double x, double outward) {
  pitch_rectangle(x, kPitch.postY[0], x + outward * kGoalDepth, kPitch.postY[1]);
}

void diagonal_cross(double x, double y) {
  const double h = DIAGRAM_MARK_HALF;
  pitch_vertex_ground(x - h, y - h);
  pitch_vertex_ground(x + h, y + h);
  pitch_vertex_ground(x - h, y + h);
  pitch_vertex_ground(x + h, y - h);
}

// The near touch line (Y = 0), the side the camera usually stands on, underlined in light blue
// just inside the pitch (the plan keeps its margin clear) so that its orientation is no guess.
void draw_near_touch_line() {
  glLineWidth(3.0f);
  glColor3ub(120, 200, 255);
  glBegin(GL_LINES);
  pitch_vertex_ground(0.0, 0.7);
  pitch_vertex_ground(kPitch.length, 0.7);
  glEnd();
  glLineWidth(1.0f);
}

}  // namespace

double diagram_mark_x(double x, double z) {
  if (z != kPitch.crossbarZ) return x;
  return x == 0.0 ? DIAGRAM_BACK_OF_LEFT_GOAL : DIAGRAM_BACK_OF_RIGHT_GOAL;
}

void redraw_field_view() {
  TukGLMakeCurrent(appState.fieldCanvas);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  set_diagram_view();
  draw_field_diagram();
  draw_near_touch_line();
  if (appState.landmarkMarked) {
    draw_landmark_marks(appState.pickedWorldX, appState.pickedWorldY, appState.pickedWorldZ);
  }
  TukGLSwapBuffers(appState.fieldCanvas);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void set_diagram_view() {
  GLint vp[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, vp);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // a canvas not laid out yet has no height; its picture is redrawn once it has one
  const double aspect = vp[3] > 0 ? static_cast<double>(vp[2]) / vp[3] : 1.0;
  gluPerspective(DIAGRAM_FOV_DEG, aspect, 1.0, 2000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const double cx = kPitch.centreSpot[0], cy = kPitch.centreSpot[1];
  gluLookAt(cx, cy, DIAGRAM_EYE_HEIGHT, cx, cy, 0.0, 0.0, 1.0, 0.0);
}

void draw_field_diagram() {
  shared_quadric();
  glClearColor(0.0f, 0.7f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);

  glColor3d(0.0, 0.6, 0.0);
  glDisable(GL_DEPTH_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glBegin(GL_QUADS);
  pitch_rectangle(0.0, 0.0, kPitch.length, kPitch.width);
  glEnd();

  glLineWidth(1.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glColor3ub(255, 255, 255);
  glBegin(GL_QUADS);
  pitch_rectangle(0.0, 0.0, kPitch.length, kPitch.width);
  pitch_rectangle(kPitch.penaltyLeft);
  pitch_rectangle(kPitch.goalAreaLeft);
  goal_rectangle(0.0, -1.0);
  pitch_rectangle(kPitch.penaltyRight);
  pitch_rectangle(kPitch.goalAreaRight);
  goal_rectangle(kPitch.length, 1.0);
  glEnd();

  pitch_halfway_line();

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  pitch_disc(kPitch.penaltySpotLeft, kPenaltySpotRadius);
  pitch_disc(kPitch.penaltySpotRight, kPenaltySpotRadius);
  pitch_arcs();
  pitch_disc(kPitch.centreSpot, kCentreSpotRadius);
}

void draw_landmark_marks(double px, double py, double pz) {
  glLineWidth(2.0f);
  glColor3d(1.0, 1.0, 0.0);
  // a damaged count has no entries beyond the arrays
  const int n = appState.refCount < 0 ? 0
                : appState.refCount > MAX_REFERENCE_POINTS ? MAX_REFERENCE_POINTS
                                                           : appState.refCount;
  glBegin(GL_LINES);
  for (int i = 0; i < n; ++i) {
    diagonal_cross(diagram_mark_x(appState.refWorldX[i], appState.refWorldZ[i]), appState.refWorldY[i]);
  }
  glEnd();
  // the picked landmark last, over a yellow cross on the same place
  glColor3d(1.0, 0.0, 0.0);
  glBegin(GL_LINES);
  diagonal_cross(diagram_mark_x(px, pz), py);
  glEnd();
}
