#pragma once
// The image view: the photograph in the main window's canvas, pixel for pixel from its lower-left
// corner, with the overlays switched on in appState. Everything is drawn again from appState at
// every redraw; nothing is cached.

#include "toolkit/tuk.h"

// The canvas's redraw callback ("redraw_cb"): redraw_image_view; returns TUK_DEFAULT.
int redraw_cb(TukHandle self, double posx, double posy);

// The whole redraw of appState.imageCanvas: image, field lines, reference marks, object marks,
// parallels, point distance, then the buffer swap. Does nothing while no image is loaded.
void redraw_image_view();

// The steps, for the current context.
void draw_image();
void draw_reference_marks();
void draw_object_marks();

// A double-buffered image canvas of the given size in a dialog of its own, shown, and made
// appState.imageCanvas: the view of varnesk-cli, the tests and the benchmarks, where every pixel
// of an image of that size is in register. Needs TukOpen and TukGLCanvasOpen. Returns the canvas.
TukHandle open_image_canvas(int width, int height);
