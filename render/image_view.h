#pragma once
// The image view: the photograph in the main window's canvas from its lower-left corner, pixel
// for pixel or magnified (appState.zoom), with the overlays switched on in appState. Everything is
// drawn again from appState at every redraw; nothing is cached.

#include "toolkit/tuk.h"

// The canvas's redraw callback ("redraw_cb"): redraw_image_view; returns TUK_DEFAULT.
int redraw_cb(TukHandle self, double posx, double posy);
// The main window canvas's RESIZE_CB ("image_resize_cb"): the GL canvas's own viewport update,
// then viewWidth and viewHeight take the new drawing area (however the layout sized it: wider
// than the picture under a wider menu bar, less the bars of a zoom) and the pan stays within the
// picture. Returns TUK_DEFAULT.
int image_resize_cb(TukHandle self, int width, int height);

// The whole redraw of appState.imageCanvas: image, field lines, reference marks, object marks,
// parallels, point distance, then the buffer swap. Does nothing while no image is loaded.
void redraw_image_view();

// The steps, for the current context.
void draw_image();
void draw_reference_marks();
void draw_object_marks();
// In Add Reference Points and the two measuring modes, while the pointer is over the picture:
// a square in the canvas corner away from the pointer showing the image pixels around it
// magnified, the one under the pointer outlined, and its column and row (from the bottom).
void draw_magnifier();
// True in the modes whose clicks store a pixel that must be exact, where the magnifier shows.
bool magnifier_mode();

// Where the magnifier goes for the pointer at canvas (x, y from the top-left), on a canvas of
// width x height: out the lower-left corner of its square from the canvas's bottom, the square's
// side and the canvas pixels one image pixel takes in it (4 or 8). 0 when it has no place.
struct MagnifierPlace {
  int x = 0, y = 0;  // lower-left corner of the magnified square, from the canvas's bottom-left
  int side = 0;      // canvas pixels
  int scale = 0;     // canvas pixels an image pixel
};
int magnifier_place(int x, int y, int width, int height, MagnifierPlace* out /* out */);
// Image pixels the magnifier shows across, odd so that the pointer's is in the middle.
constexpr int MAGNIFIER_SPAN = 15;

// The image pixel drawn at canvas position (x, y from the top-left) at the current pan and
// zoom: out its column and its row from the bottom. Returns 1 when the picture has that pixel,
// 0 for a position beside or beyond the picture (the outputs are then still set).
int image_pixel_at(int x, int y, int* col /* out */, int* row /* out */);
// Image columns and rows the canvas shows at the current zoom (the last ones perhaps in part),
// at most the picture's.
int visible_columns();
int visible_rows();
// Zoomed in, a picture that fits gets scroll bars as a large one has, their room taken from the
// drawing area so that the window keeps its size; back at x1 they go. A large picture keeps its.
void zoom_scroll_bars();
// Changes the magnification to zoom (1, 2, 4 or 8; others are brought into that range) keeping
// the image point under canvas position (x, y from the top-left) where it is, within the
// picture; the scroll bars follow and the view is redrawn.
void set_image_zoom(int zoom, int x, int y);

// Sizes appState.imageCanvas for the loaded image and lays its window out again: the image's
// size when the screen has room for it; else the largest size that fits, with scroll bars, and
// the image is panned (viewWidth, viewHeight, panX, panY). The canvas is never narrower than
// the menu bar. A new image starts at its top-left, unmagnified.
void fit_image_canvas();
// Pans the image view so that image pixel (x, y) (row from the bottom) is at the canvas's
// lower-left corner, within the image; the scroll bars (their units are image pixels) follow
// and the view is redrawn.
void set_image_pan(int x, int y);
// Keeps panX and panY within the image for the current view size.
void clamp_pan();

// A double-buffered image canvas of the given size in a dialog of its own, shown, and made
// appState.imageCanvas: the view of varnesk-cli, the tests and the benchmarks, where every pixel
// of an image of that size is in register. Needs TukOpen and TukGLCanvasOpen. Returns the canvas.
TukHandle open_image_canvas(int width, int height);
