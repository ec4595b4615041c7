#pragma once
// The pitch plan of the "Field Reference Points" dialog: the pitch seen from straight above on
// the 560 x 350 field canvas, yellow crosses on the landmarks of the entered reference points
// and a red cross on the landmark picked last. Everything is drawn again from appState.

// Plan camera: 450 m above the centre spot, looking straight down, X to the right and Y up.
constexpr double DIAGRAM_EYE_HEIGHT = 450.0;
constexpr double DIAGRAM_FOV_DEG = 8.91316;  // vertical; 70.15 m of Y over 350 rows
// Crosses of the plan: half their width in metres.
constexpr double DIAGRAM_MARK_HALF = 0.7;
// Where the plan draws a landmark at crossbar height: at the back of its goal's rectangle.
constexpr double DIAGRAM_BACK_OF_LEFT_GOAL = -2.0;
constexpr double DIAGRAM_BACK_OF_RIGHT_GOAL = 107.0;

// The whole redraw of appState.fieldCanvas: plan view, pitch, crosses when landmarkMarked, swap.
// The caller's projection and modelview matrices are kept.
void redraw_field_view();

// Projection and modelview of the plan for the current context's viewport.
void set_diagram_view();

// The pitch of the plan: green background, lighter pitch, white lines 1 pixel wide, flat goal
// rectangles 2 m deep, no goal frames or flags, depth test off.
void draw_field_diagram();

// Yellow crosses at the landmarks of the reference points 0..refCount-1, then a red cross at the
// picked landmark (px, py, pz), metres. A landmark at crossbar height is drawn at the back of
// its goal rectangle.
void draw_landmark_marks(double px, double py, double pz);

// The X at which the plan draws a landmark at (x, z): x itself on the ground, the back of the
// goal rectangle at crossbar height. The comparisons are exact, since the values come unchanged
// from the landmark table or a reference file.
double diagram_mark_x(double x, double z);
