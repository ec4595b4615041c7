#pragma once
// The three-dimensional scene of the "3D Scene" dialog: the pitch with figures for the players of
// both teams, the referee and the ball at their ground positions, and the viewpoint operations
// behind the keys. The projection is set once, from the calibrated camera, by setup_camera_view;
// the viewpoint operations replace only the modelview.

#include "state/app_state.h"
#include "toolkit/tuk.h"

// Player figure (metres): 1.95 m tall, standing on its origin, shoulders along Y.
constexpr double FIGURE_HEIGHT = 1.95;
constexpr double BALL_RADIUS = 0.2;
constexpr unsigned char BALL_GREY = 196;
constexpr unsigned char SKIN_RGB[3] = {227, 190, 131};

// Team sides for drop_team_list.
enum { TEAM_A = 1, TEAM_B = 2 };

// Steps of the keys.
constexpr double VIEW_KEY_DEGREES = 1.0;  // one press of an orbit or turn key
constexpr double VIEW_STEP_FACTOR = 0.3;  // a step moves 1 / 0.3 metres along the view

// Where "C" puts the viewpoint: straight above the centre spot, X to the right, Y upwards.
constexpr double TOP_VIEW_HEIGHT = 550.0;

// The whole redraw of appState.sceneCanvas: clear, then, while modelReady, the pitch
// (draw_field's scene variant) and the figures; swap. Does nothing while no image is loaded.
void redraw_scene_view();

// The model behind "Make 3D Model", for the command and varnesk-cli alike: calibrates, then sets
// the 3D view to the calibrated camera in the scene canvas's context and marks the model ready.
// Returns 0, changing nothing else, when the reference points give no camera.
int prepare_scene_model();

// Every player figure, the referee and the ball with the current transforms; compiles the
// display list of a side that has none.
void draw_players();

// Compiles (without running) one player figure with the given shirt colour into a new display
// list of the current context; returns its name. The list leaves the modelview as it found it.
int make_player_list(unsigned char r, unsigned char g, unsigned char b);

// Deletes the display list of a side (TEAM_A, anything else team B), so that the next
// draw_players compiles the figure in the side's current colour. The current context must be
// the scene canvas's. The referee's list is kept.
void drop_team_list(int team);

// Viewpoint operations on appState's viewEye, viewCenter, viewUp and viewTarget. Each makes the
// scene canvas current first and ends by loading the look-at transform of the new viewpoint as
// the modelview. Angles are degrees, turned into radians with DEG_TO_RAD; axis 'x', 'y' or 'z'.
void view_translate(double dx, double dy, double dz);
void view_step(int backward);         // eye and centre 1 / 0.3 m along the view, or back
void view_turn(double degrees, char axis);   // about the eye; the orbit point turns with it
void view_orbit(double degrees, char axis);  // about viewTarget
void view_top();                      // the whole pitch from straight above its centre
void view_restore_camera();           // the calibrated camera's viewpoint

// The same operations on a state record without any GL call, for callers that load the
// transform themselves (and for tests).
void viewpoint_translate(CalibrationState& s, const double d[3]);
void viewpoint_step(CalibrationState& s, int backward);
void viewpoint_turn(CalibrationState& s, double degrees, char axis);
void viewpoint_orbit(CalibrationState& s, double degrees, char axis);
void viewpoint_top(CalibrationState& s);
void viewpoint_restore_camera(CalibrationState& s);

// Rotates v by `degrees` about the axis ('x', 'y' or 'z'; any other leaves v as it is).
void rotate_about_axis(double v[3] /* in/out */, double degrees, char axis);

// Loads the look-at transform of s's viewpoint as the modelview of the current context.
void load_view_lookat(const CalibrationState& s);

// A double-buffered 3D canvas of the given size (redraw "redraw_3D_cb") in a dialog of its own
// that sends its keys to "kany_cb", shown, and made appState.sceneCanvas and appState.sceneDialog:
// the 3D view of varnesk-cli and of the tests. Needs TukOpen and TukGLCanvasOpen.
TukHandle open_scene_canvas(int width, int height);
