// OpenGL canvases: a GLX context of the driver's own for each canvas.
//
// FLTK's Fl_Gl_Window would drop its context whenever the window is hidden, taking the
// canvas's display lists with it, and would swap buffers after every paint by itself. The
// canvas window is therefore only used for its X window of the right visual; the context is
// created here once at map time and lives until unmap. While the canvas has no X window (its
// dialog is hidden) the context is made current on a small unmapped window of the same visual,
// so TukGLMakeCurrent works at any time after mapping.
#include "fltk_internal.h"

#include <FL/x.H>
#include <GL/glx.h>

namespace fltkdrv {
namespace {

struct GlContext {
  GLXContext context;
  ::Window parking;    // unmapped 1x1 window of the context's visual
  Colormap colormap;  // of the parking window
  VisualID visual;
};

// GLX attribute list for the format; minimum sizes, as GLX reads them.
void format_attribs(const TukGLFormat* f, int* a, int capacity) {
  int n = 0;
  auto put = [&](int name, int value) {
    if (n + 2 < capacity) {
      a[n++] = name;
      a[n++] = value;
    }
  };
  auto flag = [&](int name) {
    if (n + 1 < capacity) a[n++] = name;
  };
  if (f->color_index) {
    put(GLX_BUFFER_SIZE, f->color_bits);
  } else {
    flag(GLX_RGBA);
    // the colour bits are shared out evenly unless a component asks for its own
    const int third = f->color_bits / 3;
    put(GLX_RED_SIZE, f->red_bits > 0 ? f->red_bits : third);
    put(GLX_GREEN_SIZE, f->green_bits > 0 ? f->green_bits : third);
    put(GLX_BLUE_SIZE, f->blue_bits > 0 ? f->blue_bits : third);
    if (f->alpha_bits > 0) put(GLX_ALPHA_SIZE, f->alpha_bits);
  }
  if (f->double_buffer) flag(GLX_DOUBLEBUFFER);
  if (f->stereo) flag(GLX_STEREO);
  put(GLX_DEPTH_SIZE, f->depth_bits);
  if (f->stencil_bits > 0) put(GLX_STENCIL_SIZE, f->stencil_bits);
  if (f->accum_red_bits > 0) put(GLX_ACCUM_RED_SIZE, f->accum_red_bits);
  if (f->accum_green_bits > 0) put(GLX_ACCUM_GREEN_SIZE, f->accum_green_bits);
  if (f->accum_blue_bits > 0) put(GLX_ACCUM_BLUE_SIZE, f->accum_blue_bits);
  if (f->accum_alpha_bits > 0) put(GLX_ACCUM_ALPHA_SIZE, f->accum_alpha_bits);
  a[n] = None;
}

// The canvas's own X window when it is on screen with the context's visual, else the parking one.
::Window drawable_for(Canvas* canvas, const GlContext* gl) {
  if (!canvas || !canvas->shown()) return gl->parking;
  ::Window xid = fl_xid(canvas);
  if (!xid) return gl->parking;
  XWindowAttributes wa{};
  if (!XGetWindowAttributes(fl_display, xid, &wa) || !wa.visual || XVisualIDFromVisual(wa.visual) != gl->visual)
    return gl->parking;
  return xid;
}

}  // namespace

int gl_create(TukHandle e, const TukGLFormat* format, void** device, void** context) {
  *device = nullptr;
  *context = nullptr;
  Canvas* canvas = dynamic_cast<Canvas*>(static_cast<Fl_Widget*>(tuk_element_native(e)));
  if (!canvas || !fl_display) return TUK_GL_NO_FORMAT;
  format_attribs(format, canvas->attribs, static_cast<int>(sizeof canvas->attribs / sizeof canvas->attribs[0]));
  XVisualInfo* vi = glXChooseVisual(fl_display, fl_screen, canvas->attribs);
  if (!vi) return TUK_GL_NO_FORMAT;
  // the canvas window is made with the same list, so FLTK picks the same visual
  canvas->mode(canvas->attribs);
  *device = canvas;
  GlContext* gl = new GlContext{};
  gl->visual = vi->visualid;
  gl->context = glXCreateContext(fl_display, vi, nullptr, True);
  if (!gl->context) gl->context = glXCreateContext(fl_display, vi, nullptr, False);
  if (!gl->context) {
    XFree(vi);
    delete gl;
    return TUK_GL_NO_CONTEXT;
  }
  XSetWindowAttributes swa{};
  gl->colormap = XCreateColormap(fl_display, RootWindow(fl_display, vi->screen), vi->visual, AllocNone);
  swa.colormap = gl->colormap;
  swa.border_pixel = 0;
  gl->parking = XCreateWindow(fl_display, RootWindow(fl_display, vi->screen), 0, 0, 1, 1, 0, vi->depth,
                              InputOutput, vi->visual, CWColormap | CWBorderPixel, &swa);
  XFree(vi);
  *context = gl;
  return TUK_GL_OK;
}

void gl_make_current(void* device, void* context) {
  if (!fl_display) return;
  GlContext* gl = static_cast<GlContext*>(context);
  if (!gl) {
    glXMakeCurrent(fl_display, None, nullptr);
    return;
  }
  glXMakeCurrent(fl_display, drawable_for(static_cast<Canvas*>(device), gl), gl->context);
}

void gl_swap(void* device) {
  Canvas* canvas = static_cast<Canvas*>(device);
  if (!fl_display || !canvas || !canvas->shown() || !fl_xid(canvas)) return;
  glXSwapBuffers(fl_display, fl_xid(canvas));
}

void gl_release_drawable(Canvas* canvas) {
  if (!fl_display || !canvas || !canvas->shown()) return;
  // the X window is about to go: a context still drawing to it moves to its parking window
  if (glXGetCurrentDrawable() == fl_xid(canvas)) {
    GLXContext current = glXGetCurrentContext();
    TukHandle e = tuk_element_from_id(canvas->id);
    void* context = nullptr;
    tuk_canvas_gl(e, nullptr, &context);
    GlContext* gl = static_cast<GlContext*>(context);
    if (gl && gl->context == current) glXMakeCurrent(fl_display, gl->parking, gl->context);
    else glXMakeCurrent(fl_display, None, nullptr);
  }
}

void gl_destroy(void*, void* context) {
  GlContext* gl = static_cast<GlContext*>(context);
  if (!gl || !fl_display) {
    delete gl;
    return;
  }
  if (glXGetCurrentContext() == gl->context) glXMakeCurrent(fl_display, None, nullptr);
  glXDestroyContext(fl_display, gl->context);
  XDestroyWindow(fl_display, gl->parking);
  XFreeColormap(fl_display, gl->colormap);
  delete gl;
}

}  // namespace fltkdrv
