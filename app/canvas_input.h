#pragma once
// Clicks on the image canvas: adding reference and object points, and the two measurements.

#include "toolkit/tuk.h"

// BUTTON_CB of the main dialog, inherited by the image canvas. A press only redraws; the release
// acts, whatever the button, according to appState.interactionMode. Returns TUK_DEFAULT.
int button_cb(TukHandle self, int button, int pressed, int x, int y, char* status);

// Result of one measurement: the message button_cb shows after the second click.
struct MeasureOutcome {
  int ok = 0;             // 1: the distance is a number of metres on the ground
  double metres = 0;      // the distance when ok
  const char* title = ""; // the message's title
  char text[96] = {};     // the message's text: "%5.1lf metros", or why there is no number
};

// Measures between the two stored measurement points for MODE_POINT_DISTANCE or
// MODE_PARALLEL_DISTANCE. Refuses, with a text saying why and the title "Erro", when no camera
// has been calibrated yet or when a point lies on or above the horizon (its line of sight meets
// the ground behind the camera, or never).
MeasureOutcome measure_clicked_points(int mode);
