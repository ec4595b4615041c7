#pragma once
// The one global record of the application. Every callback, drawing and geometric routine reads
// and writes it directly; the points, the camera and the 3D view records come from the
// geometry's CalibrationState, which it extends with the image, the switches, the interaction,
// the team colours and the interface handles.
//
// Image positions: column from the left, row from the bottom (0 = bottom row). A mouse row,
// counted from the top, is stored as imageHeight - y - 1.

#include <string>
#include <vector>

#include "geometry/geometry_state.h"
#include "geometry/outlier.h"

struct TukElement;  // the toolkit's element (TukHandle is a pointer to it)

// What a click on the image does.
enum InteractionMode {
  MODE_NONE = 0,
  MODE_ADD_REFERENCE = 1,      // a click stores the pending reference point's pixel
  MODE_ADD_OBJECT = 2,         // a click adds a player, the referee or the ball
  MODE_POINT_DISTANCE = 3,     // two clicks measure the ground distance between them
  MODE_PARALLEL_DISTANCE = 4,  // two clicks measure the distance between parallels to the goal line
};

constexpr int TEAM_COLOR_COUNT = 5;       // entries the colour list offers
constexpr int TEAM_COLOR_REFEREE = 5;     // black, used only for the referee's figure
inline constexpr const char* teamColorNames[TEAM_COLOR_COUNT] = {"Red", "Green", "Blue", "Yellow", "Gray"};
inline constexpr unsigned char teamColorRgb[TEAM_COLOR_COUNT + 1][3] = {
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {192, 192, 192}, {0, 0, 0}};

struct AppState : CalibrationState {
  // Image (imageWidth and imageHeight, pixels, are in the base record).
  std::vector<unsigned char> imageRgb;  // width x height pixels of R, G, B bytes, bottom row first, no padding
  std::string imagePath;                // absolute path of the picture loaded last, for "Save Scene"
  int imageLoaded = 0;                  // 1 once an image has been loaded; redraws and "Make 3D Model" wait for it

  // The part of the image the canvas shows. An image larger than the screen has room for is
  // shown through a canvas of viewWidth x viewHeight pixels that the user pans; otherwise the
  // canvas has the image's size and the offsets stay 0. Clicks and overlays add the offsets, so
  // stored positions are always pixels of the whole image.
  int panX = 0;        // image column under the canvas's left edge, pixels
  int panY = 0;        // image row under the canvas's bottom edge, pixels from the bottom
  int viewWidth = 0;   // the canvas's drawing area, pixels; 0 until a canvas was sized for an image
  int viewHeight = 0;
  // The view's magnification: each image pixel is zoom x zoom canvas pixels (1, 2, 4 or 8), and
  // the canvas shows viewWidth / zoom columns from panX. A picture narrower than the canvas
  // (the menu bar is wider) sits at its left on the background colour.
  int zoom = 1;
  int zoomBars = 0;  // 1 while a picture that fits shows scroll bars because it is zoomed in
  // The mouse on the image canvas (x, y from its top-left), for the magnifier; -1 when the
  // pointer is elsewhere.
  int pointerX = -1;
  int pointerY = -1;

  // Display switches (flags), read by the redraws.
  int showRefPoints = 0;      // draw the reference points over the image
  int showObjPoints = 0;      // draw the object points over the image
  int showFieldLines = 0;     // draw the projected field lines over the image
  int showPointDistance = 0;  // draw the two-point measurement
  int showParallels = 0;      // draw the two lines parallel to the goal line
  int modelReady = 0;         // the 3D canvas draws the scene model
  int landmarkMarked = 0;     // the field diagram marks the entered and the picked landmarks

  // Interaction.
  int interactionMode = MODE_NONE;  // InteractionMode
  int measureClicks = 0;            // clicks taken in the current measurement: 0, 1 or 2
  int measureX1 = 0, measureY1 = 0;  // first measurement point, column and row from the bottom
  int measureX2 = 0, measureY2 = 0;  // second measurement point
  double pickedWorldX = 0, pickedWorldY = 0, pickedWorldZ = 0;  // landmark last picked in the diagram, metres
  int pickedLandmark = -1;  // table index picked in the open landmark dialog, -1 until a pick there
  int movingPoint = -1;     // reference point whose new pixel the next click sets, -1 for none
  int referenceEdits = 0;   // counts the landmark dialog's changes, so its caller sees one happened

  // How each reference point agrees with the camera, from the last recalibrate().
  ResidualReport residuals;

  // Team colours and the 3D figures.
  int teamAColor = 0;        // index into teamColorNames; "Red"
  int teamBColor = 2;        // index into teamColorNames; "Blue"
  int teamAList = -1;        // display list of team A's player figure, -1 when none
  int teamBList = -1;        // display list of team B's player figure, -1 when none
  int refereeList = 0;       // display list of the referee figure
  int refereeListBuilt = 0;  // 1 once refereeList has been compiled

  // Interface elements, created once at start-up and kept until shutdown.
  TukElement* mainDialog = nullptr;
  TukElement* imageCanvas = nullptr;      // canvas showing the photograph: 640 x 480, then the image's size
  TukElement* sceneDialog = nullptr;      // "3D Scene" window
  TukElement* sceneCanvas = nullptr;
  TukElement* refPointDialog = nullptr;   // "Field Reference Points" window
  TukElement* fieldCanvas = nullptr;      // 560 x 350 pitch plan
  TukElement* aboutDialog = nullptr;
  TukElement* landmarkLabel = nullptr;    // beside the plan: the picked landmark and its position
  TukElement* visRefPointsItem = nullptr;     // View > "Reference Points"
  TukElement* visObjPointsItem = nullptr;     // View > "Object Points"
  TukElement* visFieldLinesItem = nullptr;    // View > "Field Lines"
};

extern AppState appState;

// Point operations. x and y are the mouse position (y from the top); each stores column x and
// row imageHeight - y - 1. A list that is full refuses the point: they return 1 when it was
// stored, 0 when there was no slot for it.
int set_reference_image_point(CalibrationState& s, int x, int y);
int append_reference_world_point(CalibrationState& s, double X, double Y, double Z);
int add_team_a_point(CalibrationState& s, int x, int y);
int add_team_b_point(CalibrationState& s, int x, int y);
void set_referee_point(CalibrationState& s, int x, int y);
void set_ball_point(CalibrationState& s, int x, int y);
// refCount = 0; the array contents stay.
void clear_reference_points(CalibrationState& s);
// Removes complete reference point i (0..refCount-1), the later ones moving down one slot.
// Returns 1, or 0 for an index outside the points.
int remove_reference_point(CalibrationState& s, int i);
// The complete reference point whose marked pixel (column, row from the bottom) is nearest to
// (x, row) and at most `radius` pixels away on both axes, or -1.
int reference_point_at(const CalibrationState& s, int x, int row, int radius);
// Index of the complete reference point tied to table landmark `landmark`, or -1.
int reference_point_of_landmark(const CalibrationState& s, int landmark);
// Index of the table landmark at exactly (X, Y, Z), or -1 (a reference file may hold others).
int landmark_index(double X, double Y, double Z);

// The camera belongs to the points and picture it was computed from: after any change of the
// image or the reference points the old camera is dropped and computed again from the points
// there are, with the residuals of each point. Returns 1 when there is a current camera.
int recalibrate(AppState& s);
// Team counts and the referee and ball flags to 0.
void clear_object_points(CalibrationState& s);
