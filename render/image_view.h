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

// Sizes appState.imageCanvas for the loaded image and lays its window out again: the image's
// size when the screen has room for it; else the largest size that fits, with scroll bars, and
// the image is panned (viewWidth, viewHeight, panX, panY). A new image starts at its top-left.
void fit_image_canvas();
// Pans the image view so that image pixel (x, y) (row from the bottom) is at the canvas's
// lower-left corner, within the image; the scroll bars follow and the view is redrawn.
void set_image_pan(int x, int y);
// Keeps panX and panY within the image for the current view size.
void clamp_pan();

// A double-buffered image canvas of the given size in a dialog of its own, shown, and made
// appState.imageCanvas: the view of varnesk-cli, the tests and the benchmarks, where every pixel
// of an image of that size is in register. Needs TukOpen and TukGLCanvasOpen. Returns the canvas.
TukHandle open_image_canvas(int width, int height);
