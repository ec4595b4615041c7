#pragma once
// The window of a drawing canvas, as the image view and the 3D scene open theirs.

#include "toolkit/tuk.h"

// Makes a double-buffered GL canvas of width x height pixels that calls the callback named
// redrawAction to draw, inside a dialog titled title. The dialog is returned not yet shown, so
// that the caller can give it more attributes first; the canvas goes into *canvas.
TukHandle make_canvas_dialog(int width, int height, const char* redrawAction, const char* title,
                             TukHandle* canvas /* out */);
