#pragma once
// Clicks on the image canvas: adding reference and object points, and the two measurements.

#include "toolkit/tuk.h"

// BUTTON_CB of the main dialog, inherited by the image canvas. A press only redraws; the release
// acts, whatever the button, according to appState.interactionMode. Returns TUK_DEFAULT.
// x and y are the mouse position on the canvas; the stored pixel is the image pixel drawn under
// it at the current pan and zoom. A release beside the picture, or off the canvas, stores nothing.
int button_cb(TukHandle self, int button, int pressed, int x, int y, char* status);

// The mouse position on the canvas as a position on the whole image, column from the left and
// row from the top (out), which the point operations turn into the image pixel under the mouse.
// Returns 1 when the picture has that pixel, 0 beside or beyond it.
int whole_image_position(int x, int y, int* ix /* out */, int* iy /* out */);

// Panning an image larger than the canvas, bound to the main dialog's K_LEFT, K_RIGHT, K_UP,
// K_DOWN (a tenth of the view), K_PGUP, K_PGDN (a whole view), K_HOME and K_END (the left and
// right edges). Other keys do nothing. Returns TUK_DEFAULT.
int rolar_cb(TukHandle focused, int key);
// SCROLL_CB of the image canvas: the scroll bars moved to posx, posy (from the top-left).
int rolagem_cb(TukHandle canvas, double posx, double posy);
// WHEEL_CB of the image canvas: with Ctrl, each notch away from the user doubles the zoom (to
// x8) and each towards halves it (to x1), about the pointer at (x, y); without, the view pans
// down or up (right or left with Shift) a tenth of the part shown a notch.
int wheel_cb(TukHandle canvas, double delta, int x, int y, char* status);
// MOTION_CB and LEAVEWINDOW_CB of the image canvas: the pointer for the magnifier.
int motion_cb(TukHandle canvas, int x, int y, char* status);
int leave_cb(TukHandle canvas);

// Result of one measurement: the message button_cb shows after the second click.
struct MeasureOutcome {
  int ok = 0;             // 1: the distance is a number of metres on the ground
  double metres = 0;      // the distance when ok
  const char* title = ""; // the message's title
  char text[320] = {};    // the message's text: "%5.1lf metros" and the band, or why there is no number
};

// Measures between the two stored measurement points for MODE_POINT_DISTANCE or
// MODE_PARALLEL_DISTANCE. Refuses, with a text saying why and the title "Erro", when no camera
// has been calibrated yet or when a point lies on or above the horizon (its line of sight meets
// the ground behind the camera, or never).
MeasureOutcome measure_clicked_points(int mode);
