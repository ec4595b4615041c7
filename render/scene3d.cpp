// The three-dimensional scene: pitch, figures, ball, and the viewpoint the keys steer.
#include "render/scene3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "geometry/geometry.h"
#include "geometry/view_transform.h"
#include "render/canvas_dialog.h"
#include "render/pitch.h"
#include "toolkit/tuk_gl.h"

namespace {

// Figure pieces, metres. Every piece is an open cylinder along +Z or a sphere.
constexpr double kLegRadius = 0.11, kLegHeight = 0.75, kLegOffsetY = 0.195;
constexpr double kBodyRadius = 0.25, kShortsHeight = 0.2, kShirtHeight = 0.7;
constexpr double kHeadRadius = 0.15;
constexpr double kArmRadius = 0.09, kArmHeight = 0.9, kArmOffsetY = 0.295;
constexpr int kFigureSlices = 6;
constexpr int kBallSlices = 5;

int bounded(int count, int capacity) { return count < 0 ? 0 : (count > capacity ? capacity : count); }

const unsigned char* colour_entry(int index) {
  // a colour index from a damaged record has no entry; such a team is drawn in the first colour
  if (index < 0 || index > TEAM_COLOR_REFEREE) index = 0;
  return teamColorRgb[index];
}

// Pushed and popped rather than translated there and back: in the matrices' single precision
// the way back does not land exactly where it started, and the view would creep at every redraw.
void place_figure(GLuint list, double x, double y) {
  glPushMatrix();
  glTranslated(x, y, 0.0);
  glCallList(list);
  glPopMatrix();
}

bool names_list(int name) { return name >= 0 && glIsList(static_cast<GLuint>(name)) == GL_TRUE; }

void draw_team(int* list, int colour, int count, const double gx[], const double gy[]) {
  const int n = bounded(count, MAX_TEAM_PLAYERS);
  if (n == 0) return;
  if (!names_list(*list)) {
    const unsigned char* c = colour_entry(colour);
    *list = make_player_list(c[0], c[1], c[2]);
  }
  // figures stand on the ground; the ground Z of a player is not read
  for (int i = 0; i < n; ++i) place_figure(static_cast<GLuint>(*list), gx[i], gy[i]);
}

void rotate(double v[3], double radians, char axis) {
  const double c = std::cos(radians), s = std::sin(radians);
  const double x = v[0], y = v[1], z = v[2];
  if (axis == 'x') {
    v[1] = y * c - z * s;
    v[2] = y * s + z * c;
  } else if (axis == 'y') {
    v[0] = x * c + z * s;
    v[2] = -x * s + z * c;
  } else if (axis == 'z') {
    v[0] = x * c - y * s;
    v[1] = x * s + y * c;
  }
}

void add(double a[3], const double b[3]) {
  for (int k = 0; k < 3; ++k) a[k] += b[k];
}

void subtract(double a[3], const double b[3]) {
  for (int k = 0; k < 3; ++k) a[k] -= b[k];
}

void copy3(double to[3], const double from[3]) {
  for (int k = 0; k < 3; ++k) to[k] = from[k];
}

void set3(double to[3], double x, double y, double z) {
  to[0] = x;
  to[1] = y;
  to[2] = z;
}

// Turns the points a and b about the pivot, and the direction up, by `degrees` about the axis.
void rotate_about_pivot(const double pivot[3], double a[3], double b[3], double up[3], double degrees, char axis) {
  double p[3];
  copy3(p, pivot);
  subtract(a, p);
  subtract(b, p);
  rotate_about_axis(a, degrees, axis);
  rotate_about_axis(b, degrees, axis);
  rotate_about_axis(up, degrees, axis);
  add(a, p);
  add(b, p);
}

// Each key's operation: the scene canvas's context, the change, the new look-at.
template <typename Change>
void steer(Change change) {
  TukGLMakeCurrent(appState.sceneCanvas);
  change(appState);
  load_view_lookat(appState);
}

}  // namespace

void redraw_scene_view() {
  if (!appState.imageLoaded) return;
  TukGLMakeCurrent(appState.sceneCanvas);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (appState.modelReady) {
    draw_field(1);
    draw_players();
  }
  TukGLSwapBuffers(appState.sceneCanvas);
}

void draw_players() {
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  AppState& s = appState;
  draw_team(&s.teamAList, s.teamAColor, s.teamACount, s.teamAGroundX, s.teamAGroundY);
  draw_team(&s.teamBList, s.teamBColor, s.teamBCount, s.teamBGroundX, s.teamBGroundY);
  if (s.refereePresent) {
    // compiled once; again only if its context lost it (a canvas whose context was remade)
    if (!s.refereeListBuilt || !names_list(s.refereeList)) {
      const unsigned char* c = teamColorRgb[TEAM_COLOR_REFEREE];
      s.refereeList = make_player_list(c[0], c[1], c[2]);
      s.refereeListBuilt = 1;
    }
    place_figure(static_cast<GLuint>(s.refereeList), s.refereeGroundX, s.refereeGroundY);
  }
  if (s.ballPresent) {
    glColor3ub(BALL_GREY, BALL_GREY, BALL_GREY);
    // the ball rests on the grass at its ground point
    glPushMatrix();
    glTranslated(s.ballGroundX, s.ballGroundY, s.ballGroundZ + BALL_RADIUS);
    gluSphere(shared_quadric(), BALL_RADIUS, kBallSlices, kBallSlices);
    glPopMatrix();
  }
}

int make_player_list(unsigned char r, unsigned char g, unsigned char b) {
  GLUquadric* q = gluNewQuadric();
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  // relative translations that add up to zero: calling the list leaves the modelview unchanged
  glColor3ubv(SKIN_RGB);
  glTranslated(0.0, -kLegOffsetY, 0.0);
  gluCylinder(q, kLegRadius, kLegRadius, kLegHeight, kFigureSlices, 1);
  glTranslated(0.0, 2 * kLegOffsetY, 0.0);
  gluCylinder(q, kLegRadius, kLegRadius, kLegHeight, kFigureSlices, 1);
  glColor3ub(255, 255, 255);
  glTranslated(0.0, -kLegOffsetY, kLegHeight);
  gluCylinder(q, kBodyRadius, kBodyRadius, kShortsHeight, kFigureSlices, 1);
  glColor3ub(r, g, b);
  glTranslated(0.0, 0.0, kShortsHeight);
  gluCylinder(q, kBodyRadius, kBodyRadius, kShirtHeight, kFigureSlices, 1);
  glColor3ubv(SKIN_RGB);
  glTranslated(0.0, 0.0, 0.85);  // from the shirt's bottom (0.95) to the head's centre (1.8)
  gluSphere(q, kHeadRadius, kFigureSlices, kFigureSlices);
  glTranslated(0.0, -kArmOffsetY, -1.05);  // down to the shoulders' cylinders at 0.75
  gluCylinder(q, kArmRadius, kArmRadius, kArmHeight, kFigureSlices, 1);
  glTranslated(0.0, 2 * kArmOffsetY, 0.0);
  gluCylinder(q, kArmRadius, kArmRadius, kArmHeight, kFigureSlices, 1);
  glTranslated(0.0, -kArmOffsetY, -kLegHeight);
  glEndList();
  // the list holds the vertices; the quadric is not needed after compiling
  gluDeleteQuadric(q);
  return static_cast<int>(list);
}

void drop_team_list(int team) {
  int& list = team == TEAM_A ? appState.teamAList : appState.teamBList;
  if (names_list(list)) glDeleteLists(static_cast<GLuint>(list), 1);
  // a freed name may be handed out again to the other side's next figure; forgetting it keeps
  // one side from drawing the other's list
  list = -1;
}

// ---- viewpoint -------------------------------------------------------------------------------

void rotate_about_axis(double v[3], double degrees, char axis) { rotate(v, degrees * DEG_TO_RAD, axis); }

void load_view_lookat(const CalibrationState& s) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(s.viewEye[0], s.viewEye[1], s.viewEye[2], s.viewCenter[0], s.viewCenter[1],
            s.viewCenter[2], s.viewUp[0], s.viewUp[1], s.viewUp[2]);
}

void viewpoint_translate(CalibrationState& s, const double d[3]) {
  add(s.viewEye, d);
  add(s.viewCenter, d);
}

void viewpoint_step(CalibrationState& s, int backward) {
  double d[3];
  copy3(d, s.viewCenter);
  subtract(d, s.viewEye);
  const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  // an eye on its centre has no direction to walk in (dividing would make the view NaN for good)
  if (!(length > 0.0) || !std::isfinite(length)) return;
  const double k = (backward ? -VIEW_STEP_FACTOR : VIEW_STEP_FACTOR) * length;
  for (double& c : d) c /= k;
  viewpoint_translate(s, d);
}

void viewpoint_turn(CalibrationState& s, double degrees, char axis) {
  rotate_about_pivot(s.viewEye, s.viewCenter, s.viewTarget, s.viewUp, degrees, axis);
}

void viewpoint_orbit(CalibrationState& s, double degrees, char axis) {
  rotate_about_pivot(s.viewTarget, s.viewEye, s.viewCenter, s.viewUp, degrees, axis);
}

void viewpoint_top(CalibrationState& s) {
  const double cx = kPitch.centreSpot[0], cy = kPitch.centreSpot[1];
  set3(s.viewEye, cx, cy, TOP_VIEW_HEIGHT);
  set3(s.viewCenter, cx, cy, 0.0);
  set3(s.viewUp, 0.0, 1.0, 0.0);
  set3(s.viewTarget, cx, cy, 0.0);
}

void viewpoint_restore_camera(CalibrationState& s) {
  copy3(s.viewEye, s.savedEye);
  copy3(s.viewCenter, s.savedCenter);
  copy3(s.viewUp, s.savedUp);
  copy3(s.viewTarget, s.cameraTarget);
}

void view_translate(double dx, double dy, double dz) {
  const double d[3] = {dx, dy, dz};
  steer([&](CalibrationState& s) { viewpoint_translate(s, d); });
}

void view_step(int backward) {
  steer([&](CalibrationState& s) { viewpoint_step(s, backward); });
}

void view_turn(double degrees, char axis) {
  steer([&](CalibrationState& s) { viewpoint_turn(s, degrees, axis); });
}

void view_orbit(double degrees, char axis) {
  steer([&](CalibrationState& s) { viewpoint_orbit(s, degrees, axis); });
}

void view_top() { steer(viewpoint_top); }

void view_restore_camera() { steer(viewpoint_restore_camera); }

int prepare_scene_model() {
  if (update_calibration(appState) == 0) return 0;
  TukGLMakeCurrent(appState.sceneCanvas);
  setup_camera_view(appState);
  appState.modelReady = 1;
  return 1;
}

TukHandle open_scene_canvas(int width, int height) {
  TukHandle canvas = nullptr;
  TukHandle dialog = make_canvas_dialog(width, height, "redraw_3D_cb", "3D Scene", &canvas);
  TukSetAttribute(dialog, "K_ANY", "kany_cb");
  TukShow(dialog);
  appState.sceneCanvas = canvas;
  appState.sceneDialog = dialog;
  return canvas;
}
