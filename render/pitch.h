#pragma once
// The pitch in metres and the drawing of its lines, shared by the overlay on the photograph, the
// pitch plan and the 3D scene; and the three overlays that the calibrated camera carries onto the
// photograph. Axes: X along the touch lines 0..105 (goal lines X = 0 and X = 105), Y across
// 0..68, Z up; the ground is Z = 0.

// Degrees to radians, as every arc and viewpoint rotation of the drawing code turns them.
constexpr double DEG_TO_RAD = 3.1415 / 180.0;

struct PitchRect {
  double x0, y0, x1, y1;  // opposite corners, metres
};

struct PitchModel {
  double length = 105.0;  // along X
  double width = 68.0;    // along Y
  double halfwayX = 52.5;
  PitchRect penaltyLeft{0.0, 13.84, 16.5, 54.16};
  PitchRect penaltyRight{105.0, 13.84, 88.5, 54.16};
  PitchRect goalAreaLeft{0.0, 24.84, 5.5, 43.16};
  PitchRect goalAreaRight{105.0, 24.84, 99.5, 43.16};
  double penaltySpotLeft[2] = {11.0, 34.0};
  double penaltySpotRight[2] = {94.0, 34.0};
  double centreSpot[2] = {52.5, 34.0};
  double circleRadius = 9.15;      // centre circle and both penalty arcs
  double spotRadius = 0.2;         // penalty and centre spots
  double penaltyArcHalfAngle = 53.05;  // degrees either side of the arc's axis
  double penaltyArcStep = 5.305;       // degrees
  double cornerArcRadius = 1.0;
  double postY[2] = {30.34, 37.66};
  double crossbarZ = 2.44;
  double flagPoleZ = 1.5;  // top of the corner flag's pole; the flag runs to flagTopZ
  double flagTopZ = 1.7;
  double flagReach = 0.4;  // the flag sticks out this far towards +X and +Y
};

inline constexpr PitchModel kPitch{};

// Vertices of the arcs as draw_field emits them (without the centre): the counts are fixed
// by the stepping rules, and the tests and the pitch plan rely on them.
constexpr int CENTRE_CIRCLE_VERTICES = 36;
constexpr int PENALTY_ARC_VERTICES = 21;
constexpr int CORNER_ARC_VERTICES = 10;

// Angles of one arc, degrees, into out (capacity at least 36); returns the count.
// which: 0 centre circle, 1 left penalty arc, 2 right penalty arc, 3..6 the corner arcs about
// (0, 0), (105, 0), (105, 68), (0, 68).
int pitch_arc_angles(int which, double out[] /* out */);

// Drawing pieces shared by the pitch in the scene and on the photograph and by the pitch plan;
// each emits ground vertices (Z = 0) with the current colour and matrices.
void pitch_vertex_ground(double x, double y);
// The four corners in order; call between glBegin(GL_QUADS) and glEnd.
void pitch_rectangle(double x0, double y0, double x1, double y1);
void pitch_rectangle(const PitchRect& r);
// The halfway line, in its own glBegin(GL_LINES)/glEnd.
void pitch_halfway_line();
// A filled disc about at (a GLU quadric: call it outside glBegin/glEnd).
void pitch_disc(const double at[2], double radius);
// The centre circle, both penalty arcs and the four corner arcs, in that order, each a line
// strip (the circle a loop) with the vertices of pitch_arc_angles.
void pitch_arcs();

// Draws the pitch with the current projection and modelview. scene 1: grass, white lines, goal
// frames and corner flags (3D scene); scene 0: red lines only (overlay on the photograph).
void draw_field(int scene);

// The overlays through the calibrated camera; each recalibrates from appState's reference points
// and draws nothing with fewer than six. Called by redraw_image_view with the image canvas's
// context current.
void draw_field_lines_overlay();
void draw_parallels_overlay();
void draw_point_distance_overlay();
