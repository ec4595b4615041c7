// OpenGL for the headless driver: one EGL context and pbuffer per canvas.
#include "headless_internal.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A canvas's drawable: its pbuffer, sized to the canvas, and the frame shown on "screen".
struct Device {
  int canvas_id;              // the canvas it belongs to (looked up, never kept as a pointer)
  EGLConfig config;
  EGLContext context;         // EGL_NO_CONTEXT when none could be made
  EGLSurface surface;         // EGL_NO_SURFACE until first made current
  int width, height;          // pbuffer size, pixels
  bool double_buffer;         // drawing reaches the frame only through a swap
  std::vector<unsigned char> frame;  // RGB, bottom row first
  int frame_width, frame_height;
  bool has_frame;
};

EGLDisplay g_display = EGL_NO_DISPLAY;  // opened with the first canvas, kept till exit

bool ensure_display(void) {
  if (g_display != EGL_NO_DISPLAY) return true;
  auto get_platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!get_platform_display) return false;
  EGLDisplay display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) return false;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) return false;
  g_display = display;
  return true;
}

EGLint attrib(EGLConfig c, EGLint name) {
  EGLint v = 0;
  eglGetConfigAttrib(g_display, c, name, &v);
  return v;
}

// The closest config: every asked size met, then the least surplus (8-bit colour before 10).
bool choose_config(const TukGLFormat* f, EGLConfig* out) {
  // colour-index requests get the closest there is: 8-bit RGBA
  const int colour = 8;
  const EGLint want[] = {EGL_SURFACE_TYPE,   EGL_PBUFFER_BIT,
                         EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                         EGL_RED_SIZE,       f->red_bits > 0 ? f->red_bits : colour,
                         EGL_GREEN_SIZE,     f->green_bits > 0 ? f->green_bits : colour,
                         EGL_BLUE_SIZE,      f->blue_bits > 0 ? f->blue_bits : colour,
                         EGL_ALPHA_SIZE,     f->alpha_bits,
                         EGL_DEPTH_SIZE,     f->depth_bits,
                         EGL_STENCIL_SIZE,   f->stencil_bits,
                         EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(g_display, want, nullptr, 0, &count) || count <= 0) return false;
  std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
  if (!eglChooseConfig(g_display, want, configs.data(), count, &count) || count <= 0) return false;
  long best_cost = -1;
  for (EGLint i = 0; i < count; ++i) {
    EGLConfig c = configs[static_cast<std::size_t>(i)];
    const long cost = (attrib(c, EGL_RED_SIZE) - want[5]) + (attrib(c, EGL_GREEN_SIZE) - want[7]) +
                      (attrib(c, EGL_BLUE_SIZE) - want[9]) + (attrib(c, EGL_ALPHA_SIZE) - want[11]) +
                      (attrib(c, EGL_DEPTH_SIZE) - want[13]) + (attrib(c, EGL_STENCIL_SIZE) - want[15]);
    if (best_cost < 0 || cost < best_cost) {
      best_cost = cost;
      *out = c;
    }
  }
  return true;
}

void canvas_size(const Device* d, int* w, int* h) {
  int cw = 0, ch = 0;
  tuk_canvas_client_size(tuk_element_from_id(d->canvas_id), &cw, &ch);
  // a canvas laid out to nothing still needs a drawable
  *w = cw > 0 ? cw : 1;
  *h = ch > 0 ? ch : 1;
}

// Keeps the pbuffer at the canvas's size; a new one replaces it when the canvas was resized.
bool fit_surface(Device* d) {
  int w = 0, h = 0;
  canvas_size(d, &w, &h);
  if (d->surface != EGL_NO_SURFACE && w == d->width && h == d->height) return true;
  const EGLint size[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
  EGLSurface s = eglCreatePbufferSurface(g_display, d->config, size);
  if (s == EGL_NO_SURFACE) return false;
  if (d->surface != EGL_NO_SURFACE) {
    if (eglGetCurrentSurface(EGL_DRAW) == d->surface)
      eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(g_display, d->surface);
  }
  d->surface = s;
  d->width = w;
  d->height = h;
  return true;
}

// Reads the drawing of the device into its frame, leaving the caller's context current.
void capture(Device* d) {
  if (d->context == EGL_NO_CONTEXT || d->surface == EGL_NO_SURFACE) return;
  const EGLContext old_context = eglGetCurrentContext();
  const EGLSurface old_draw = eglGetCurrentSurface(EGL_DRAW);
  const EGLSurface old_read = eglGetCurrentSurface(EGL_READ);
  const bool switch_context = old_context != d->context || old_draw != d->surface;
  if (switch_context && !eglMakeCurrent(g_display, d->surface, d->surface, d->context)) return;
  glFinish();
  d->frame.resize(static_cast<std::size_t>(d->width) * static_cast<std::size_t>(d->height) * 3);
  GLint pack = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, d->width, d->height, GL_RGB, GL_UNSIGNED_BYTE, d->frame.data());
  glPixelStorei(GL_PACK_ALIGNMENT, pack);
  d->frame_width = d->width;
  d->frame_height = d->height;
  d->has_frame = true;
  if (switch_context) {
    if (old_context == EGL_NO_CONTEXT)
      eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    else
      eglMakeCurrent(g_display, old_draw, old_read, old_context);
  }
}

}  // namespace

namespace headless {

int gl_create(TukHandle canvas, const TukGLFormat* format, void** device, void** context) {
  *device = nullptr;
  *context = nullptr;
  Device* d = new Device{};
  d->canvas_id = tuk_element_id(canvas);
  d->context = EGL_NO_CONTEXT;
  d->surface = EGL_NO_SURFACE;
  d->double_buffer = format->double_buffer != 0;
  *device = d;  // the drawable stays with the canvas even when no context can be made
  if (!ensure_display() || !choose_config(format, &d->config)) return TUK_GL_NO_FORMAT;
  if (!eglBindAPI(EGL_OPENGL_API)) return TUK_GL_NO_CONTEXT;
  const EGLint profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                            EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  // no sharing: each canvas keeps its own display lists
  d->context = eglCreateContext(g_display, d->config, EGL_NO_CONTEXT, profile);
  if (d->context == EGL_NO_CONTEXT) return TUK_GL_NO_CONTEXT;
  *context = d->context;
  return TUK_GL_OK;
}

void gl_make_current(void* device, void* context) {
  if (g_display == EGL_NO_DISPLAY) return;
  Device* d = static_cast<Device*>(device);
  if (!d || !context || d->context == EGL_NO_CONTEXT || !fit_surface(d)) {
    eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    return;
  }
  eglMakeCurrent(g_display, d->surface, d->surface, d->context);
}

void gl_swap(void* device) {
  Device* d = static_cast<Device*>(device);
  if (d && d->double_buffer) capture(d);
}

const unsigned char* gl_frame(void* device, int* width, int* height) {
  Device* d = static_cast<Device*>(device);
  if (!d) return nullptr;
  // a single-buffered canvas shows its drawing as it happens
  if (!d->double_buffer) capture(d);
  if (!d->has_frame) return nullptr;
  *width = d->frame_width;
  *height = d->frame_height;
  return d->frame.data();
}

void gl_destroy(void* device, void* context) {
  Device* d = static_cast<Device*>(device);
  if (g_display != EGL_NO_DISPLAY) {
    const EGLContext ctx = d ? d->context : static_cast<EGLContext>(context);
    if (ctx != EGL_NO_CONTEXT && eglGetCurrentContext() == ctx)
      eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (ctx != EGL_NO_CONTEXT) eglDestroyContext(g_display, ctx);
    if (d && d->surface != EGL_NO_SURFACE) eglDestroySurface(g_display, d->surface);
  }
  delete d;
}

void gl_shutdown(void) {
  if (g_display == EGL_NO_DISPLAY) return;
  // The display stays initialised for the life of the process: terminating it unloads Mesa's
  // driver, and a later TukOpen would load it again for nothing.
  eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

}  // namespace headless
