#pragma once
// The commands of the 3D scene: "Make 3D Model", the two team colours, and the "3D Scene"
// dialog's redraw and keys.

#include "toolkit/tuk.h"

// View > "Make 3D Model": without an image, nothing. Otherwise shows (or brings forward) the
// "3D Scene" dialog and, when the reference points calibrate a camera, sets the view to that
// camera, marks the model ready and draws it. Returns TUK_DEFAULT.
int gerarmod_cb(TukHandle self, int checked);
// Edit > "Select Color of Team A" / "... Team B": the colour list; a chosen colour replaces the
// team's, drops its figure's display list and redraws the image marks (when shown) and the 3D
// scene (when its dialog is visible). Returns TUK_DEFAULT.
int cortimea_cb(TukHandle self, int checked);
int cortimeb_cb(TukHandle self, int checked);
// ACTION of the 3D canvas: redraw_scene_view. Returns TUK_DEFAULT.
int redraw_3D_cb(TukHandle self, double posx, double posy);
// K_ANY of the "3D Scene" dialog: the navigation keys, each followed by a redraw; other keys do
// nothing. Returns TUK_DEFAULT.
int kany_cb(TukHandle focused, int key);
