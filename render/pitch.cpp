// The lines of the pitch in metres, and the overlays that the calibrated camera registers onto
// the photograph.
#include "render/pitch.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "state/app_state.h"
#include "geometry/geometry.h"
#include "geometry/view_transform.h"

namespace {

// posts, goal line between them and crossbar, drawn as the edges of one quadrilateral
void goal_frame(double x) {
  glVertex3d(x, kPitch.postY[0], kPitch.crossbarZ);
  glVertex3d(x, kPitch.postY[0], 0.0);
  glVertex3d(x, kPitch.postY[1], 0.0);
  glVertex3d(x, kPitch.postY[1], kPitch.crossbarZ);
}

constexpr double kCorners[4][2] = {{0.0, 0.0}, {105.0, 0.0}, {105.0, 68.0}, {0.0, 68.0}};

// Steps 1 to 3 shared by the three camera overlays: false when there is no camera to draw with.
bool begin_camera_overlay() {
  if (update_calibration(appState) == 0) return false;
  // for the depth test, shading and quadric it sets; its two matrices are replaced at once
  setup_camera_view(appState);
  load_image_projection(appState, appState.panX, appState.panY, appState.zoom);
  return true;
}

double ground_x(int u, int v) {
  double X = 0, Y = 0, Z = 0;
  image_point_to_ground(appState, u, v, &X, &Y, &Z);
  return X;
}

// The line parallel to the goal line through the ground point of a pixel: from touch line to
// touch line, whatever the Y of the clicked player.
void offside_line(int u, int v, double r, double g, double b) {
  const double X = ground_x(u, v);
  glColor3d(r, g, b);
  glBegin(GL_LINES);
  pitch_vertex_ground(X, 0.0);
  pitch_vertex_ground(X, kPitch.width);
  glEnd();
}

void ground_cross(double X, double Y) {
  glBegin(GL_LINES);
  pitch_vertex_ground(X - 0.3, Y);
  pitch_vertex_ground(X + 0.3, Y);
  pitch_vertex_ground(X, Y - 0.3);
  pitch_vertex_ground(X, Y + 0.3);
  glEnd();
}

}  // namespace

int pitch_arc_angles(int which, double out[]) {
  int n = 0;
  if (which == 0) {
    for (int a = 0; a < 360; a += 10) out[n++] = a;
  } else if (which == 1 || which == 2) {
    // a double stepped by adding, as the arc has always been drawn; the right arc's looser bound
    // keeps its last vertex at 233.05 despite the rounding of the sum
    const double start = which == 1 ? -kPitch.penaltyArcHalfAngle : 180.0 - kPitch.penaltyArcHalfAngle;
    const double stop = which == 1 ? kPitch.penaltyArcHalfAngle : 233.2;
    for (double a = start; a <= stop && n < PENALTY_ARC_VERTICES; a += kPitch.penaltyArcStep) out[n++] = a;
  } else if (which >= 3 && which <= 6) {
    const int start = (which - 3) * 90;
    for (int a = start; a <= start + 90; a += 10) out[n++] = a;
  }
  return n;
}

void pitch_vertex_ground(double x, double y) { glVertex3d(x, y, 0.0); }

void pitch_rectangle(double x0, double y0, double x1, double y1) {
  pitch_vertex_ground(x0, y0);
  pitch_vertex_ground(x1, y0);
  pitch_vertex_ground(x1, y1);
  pitch_vertex_ground(x0, y1);
}

void pitch_rectangle(const PitchRect& r) { pitch_rectangle(r.x0, r.y0, r.x1, r.y1); }

void pitch_halfway_line() {
  glBegin(GL_LINES);
  pitch_vertex_ground(kPitch.halfwayX, 0.0);
  pitch_vertex_ground(kPitch.halfwayX, kPitch.width);
  glEnd();
}

void pitch_disc(const double at[2], double radius) {
  glPushMatrix();
  glTranslated(at[0], at[1], 0.0);
  gluDisk(shared_quadric(), 0.0, radius, 10, 1);
  glPopMatrix();
}

void pitch_arcs() {
  struct Arc {
    GLenum mode;
    double cx, cy, r;
  };
  const double c = kPitch.circleRadius;
  const double k = kPitch.cornerArcRadius;
  const Arc table[7] = {{GL_LINE_LOOP, kPitch.centreSpot[0], kPitch.centreSpot[1], c},
                        {GL_LINE_STRIP, kPitch.penaltySpotLeft[0], kPitch.penaltySpotLeft[1], c},
                        {GL_LINE_STRIP, kPitch.penaltySpotRight[0], kPitch.penaltySpotRight[1], c},
                        {GL_LINE_STRIP, kCorners[0][0], kCorners[0][1], k},
                        {GL_LINE_STRIP, kCorners[1][0], kCorners[1][1], k},
                        {GL_LINE_STRIP, kCorners[2][0], kCorners[2][1], k},
                        {GL_LINE_STRIP, kCorners[3][0], kCorners[3][1], k}};
  double angles[CENTRE_CIRCLE_VERTICES];
  for (int which = 0; which < 7; ++which) {
    const Arc& a = table[which];
    const int n = pitch_arc_angles(which, angles);
    glBegin(a.mode);
    for (int i = 0; i < n; ++i) {
      const double t = angles[i] * DEG_TO_RAD;
      pitch_vertex_ground(a.cx + a.r * std::cos(t), a.cy + a.r * std::sin(t));
    }
    glEnd();
  }
}

void draw_field(int scene) {
  shared_quadric();
  glLineWidth(2.0f);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);

  if (scene) {
    // the grass leaves the depth buffer untouched, so everything later lies over it
    glColor3d(0.0, 0.6, 0.0);
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    pitch_rectangle(PitchRect{0.0, 0.0, kPitch.length, kPitch.width});
    glEnd();
    glEnable(GL_DEPTH_TEST);
  }

  glLineWidth(2.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  if (scene) {
    glColor3ub(255, 255, 255);
  } else {
    glColor3ub(255, 0, 0);
  }

  glBegin(GL_QUADS);
  pitch_rectangle(PitchRect{0.0, 0.0, kPitch.length, kPitch.width});
  pitch_rectangle(kPitch.penaltyLeft);
  pitch_rectangle(kPitch.goalAreaLeft);
  if (scene) goal_frame(0.0);
  pitch_rectangle(kPitch.penaltyRight);
  pitch_rectangle(kPitch.goalAreaRight);
  if (scene) goal_frame(kPitch.length);
  glEnd();

  pitch_halfway_line();

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  pitch_disc(kPitch.penaltySpotLeft, kPitch.spotRadius);
  pitch_disc(kPitch.penaltySpotRight, kPitch.spotRadius);
  pitch_arcs();
  pitch_disc(kPitch.centreSpot, kPitch.spotRadius);

  if (scene) {
    glBegin(GL_LINES);
    for (const auto& c : kCorners) {
      glVertex3d(c[0], c[1], 0.0);
      glVertex3d(c[0], c[1], kPitch.flagPoleZ);
    }
    glEnd();
    // every flag points towards +X and +Y, whichever corner it stands on
    glColor3ub(255, 255, 0);
    glBegin(GL_QUADS);
    for (const auto& c : kCorners) {
      glVertex3d(c[0], c[1], kPitch.flagPoleZ);
      glVertex3d(c[0], c[1], kPitch.flagTopZ);
      glVertex3d(c[0] + kPitch.flagReach, c[1] + kPitch.flagReach, kPitch.flagTopZ);
      glVertex3d(c[0] + kPitch.flagReach, c[1] + kPitch.flagReach, kPitch.flagPoleZ);
    }
    glEnd();
  }

  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);
}

void draw_field_lines_overlay() {
  if (!begin_camera_overlay()) return;
  draw_field(0);
}

void draw_parallels_overlay() {
  if (!begin_camera_overlay()) return;
  if (appState.measureClicks >= 1) offside_line(appState.measureX1, appState.measureY1, 0.5, 1.0, 1.0);
  if (appState.measureClicks == 2) offside_line(appState.measureX2, appState.measureY2, 1.0, 1.0, 0.5);
}

void draw_point_distance_overlay() {
  if (!begin_camera_overlay()) return;
  if (appState.measureClicks < 1) return;
  double X1 = 0, Y1 = 0, Z1 = 0;
  image_point_to_ground(appState, appState.measureX1, appState.measureY1, &X1, &Y1, &Z1);
  glColor3d(0.5, 1.0, 1.0);
  ground_cross(X1, Y1);
  if (appState.measureClicks == 2) {
    double X2 = 0, Y2 = 0, Z2 = 0;
    image_point_to_ground(appState, appState.measureX2, appState.measureY2, &X2, &Y2, &Z2);
    glColor3d(1.0, 0.5, 1.0);
    glBegin(GL_LINES);
    pitch_vertex_ground(X1, Y1);
    pitch_vertex_ground(X2, Y2);
    glEnd();
    glColor3d(1.0, 1.0, 0.5);
    ground_cross(X2, Y2);
  }
}
