// The pitch plan on which the user picks the landmark of a reference point.
#include "render/field_diagram.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "app/app_state.h"
#include "geometry/view_transform.h"
#include "render/pitch.h"
#include "toolkit/tuk_gl.h"

namespace {

// the plan's spots are larger than the scene's, so that they show at 5 pixels a metre
constexpr double kPenaltySpotRadius = 0.3;
constexpr double kCentreSpotRadius = 0.5;
constexpr double kGoalDepth = 2.0;  // the flat goal rectangles reach this far behind the line

void vertex_ground(double x, double y) { glVertex3d(x, y, 0.0); }

void rectangle(double x0, double y0, double x1, double y1) {
  vertex_ground(x0, y0);
  vertex_ground(x1, y0);
  vertex_ground(x1, y1);
  vertex_ground(x0, y1);
}

void rectangle(const PitchRect& r) { rectangle(r.x0, r.y0, r.x1, r.y1); }

// the goal drawn flat on the ground, behind the goal line at x towards the outside
void goal_rectangle(double x, double outward) {
  rectangle(x, kPitch.postY[0], x + outward * kGoalDepth, kPitch.postY[1]);
}

void disc(const double at[2], double radius) {
  glPushMatrix();
  glTranslated(at[0], at[1], 0.0);
  gluDisk(shared_quadric(), 0.0, radius, 10, 1);
  glPopMatrix();
}

// The arcs of the pitch, in the order and with the vertices the scene draws them.
void arcs() {
  struct Arc {
    GLenum mode;
    double cx, cy, r;
  };
  const double c = kPitch.circleRadius;
  const double k = kPitch.cornerArcRadius;
  const Arc table[7] = {{GL_LINE_LOOP, kPitch.centreSpot[0], kPitch.centreSpot[1], c},
                        {GL_LINE_STRIP, kPitch.penaltySpotLeft[0], kPitch.penaltySpotLeft[1], c},
                        {GL_LINE_STRIP, kPitch.penaltySpotRight[0], kPitch.penaltySpotRight[1], c},
                        {GL_LINE_STRIP, 0.0, 0.0, k},
                        {GL_LINE_STRIP, kPitch.length, 0.0, k},
                        {GL_LINE_STRIP, kPitch.length, kPitch.width, k},
                        {GL_LINE_STRIP, 0.0, kPitch.width, k}};
  double angles[CENTRE_CIRCLE_VERTICES];
  for (int which = 0; which < 7; ++which) {
    const Arc& a = table[which];
    const int n = pitch_arc_angles(which, angles);
    glBegin(a.mode);
    for (int i = 0; i < n; ++i) {
      const double t = angles[i] * DEG_TO_RAD;
      vertex_ground(a.cx + a.r * std::cos(t), a.cy + a.r * std::sin(t));
    }
    glEnd();
  }
}

void diagonal_cross(double x, double y) {
  const double h = DIAGRAM_MARK_HALF;
  vertex_ground(x - h, y - h);
  vertex_ground(x + h, y + h);
  vertex_ground(x - h, y + h);
  vertex_ground(x + h, y - h);
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
  rectangle(0.0, 0.0, kPitch.length, kPitch.width);
  glEnd();

  glLineWidth(1.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glColor3ub(255, 255, 255);
  glBegin(GL_QUADS);
  rectangle(0.0, 0.0, kPitch.length, kPitch.width);
  rectangle(kPitch.penaltyLeft);
  rectangle(kPitch.goalAreaLeft);
  goal_rectangle(0.0, -1.0);
  rectangle(kPitch.penaltyRight);
  rectangle(kPitch.goalAreaRight);
  goal_rectangle(kPitch.length, 1.0);
  glEnd();

  glBegin(GL_LINES);
  vertex_ground(kPitch.halfwayX, 0.0);
  vertex_ground(kPitch.halfwayX, kPitch.width);
  glEnd();

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  disc(kPitch.penaltySpotLeft, kPenaltySpotRadius);
  disc(kPitch.penaltySpotRight, kPenaltySpotRadius);
  arcs();
  disc(kPitch.centreSpot, kCentreSpotRadius);
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
