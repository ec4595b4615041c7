#pragma once
// The OpenGL canvas: a canvas element whose window carries its own rendering context.
//
// Attributes read when the canvas is mapped: BUFFER "DOUBLE" (else single-buffered), STEREO "YES",
// COLOR "INDEX", BUFFER_SIZE, RED_SIZE, GREEN_SIZE, BLUE_SIZE, ALPHA_SIZE, DEPTH_SIZE (default 16),
// STENCIL_SIZE and the ACCUM_*_SIZE; numbers count only when greater than 0.
// A canvas that cannot get a context prints "No appropriate pixel format\n" or
// "Could not create a rendering context.\n" on standard error and draws nothing.

#include "tuk.h"

// Registers the "GLCANVAS" class (under "glcanvas"). Once, after TukOpen.
void TukGLCanvasOpen(void);
// A new OpenGL canvas whose ACTION (redraw callback) is the given name. RESIZE_CB defaults to
// "defresize", which sets the viewport to the new client size.
TukHandle TukGLCanvas(const char* action);
// Makes the canvas's context current; before mapping no context is left current.
void TukGLMakeCurrent(TukHandle canvas);
// Shows the frame drawn since the last swap (double-buffered canvases only).
void TukGLSwapBuffers(TukHandle canvas);
