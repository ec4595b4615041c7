#pragma once
// Pieces of the headless driver shared between its window part and its OpenGL part.
#include "../../driver.h"

namespace headless {

int gl_create(TukHandle canvas, const TukGLFormat* format, void** device, void** context);
void gl_make_current(void* device, void* context);
void gl_swap(void* device);
void gl_destroy(void* device, void* context);
void gl_shutdown(void);  // leaves no context current (the EGL display stays for the process)
// The canvas's visible frame (see TukHeadlessFrame).
const unsigned char* gl_frame(void* device, int* width, int* height);

[[noreturn]] void fail(const char* what, TukHandle element);

}  // namespace headless
