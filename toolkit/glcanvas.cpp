// The OpenGL canvas class: a canvas with its own rendering context.
#include "tuk_gl.h"
#include "tuk_internal.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr const char* kDataName = "_TUK_GL_INT_DATA";

int size_attr(TukHandle e, const char* name) {
  const int n = TukGetInt(e, name);
  return n > 0 ? n : 0;
}

bool attr_is(TukHandle e, const char* name, const char* value) {
  const char* v = TukGetAttribute(e, name);
  return v && std::strcmp(v, value) == 0;
}

TukGLFormat read_format(TukHandle e) {
  TukGLFormat f{};
  f.double_buffer = attr_is(e, "BUFFER", "DOUBLE");
  f.stereo = attr_is(e, "STEREO", "YES");
  f.color_index = attr_is(e, "COLOR", "INDEX");
  f.color_bits = 24;
  if (f.color_index) {
    const int bits = size_attr(e, "BUFFER_SIZE");
    f.color_bits = bits > 0 ? bits : 8;
  }
  f.red_bits = size_attr(e, "RED_SIZE");
  f.green_bits = size_attr(e, "GREEN_SIZE");
  f.blue_bits = size_attr(e, "BLUE_SIZE");
  f.alpha_bits = size_attr(e, "ALPHA_SIZE");
  // components pack red first from bit 0
  f.red_shift = 0;
  f.green_shift = f.red_bits;
  f.blue_shift = f.red_bits + f.green_bits;
  f.alpha_shift = f.red_bits + f.green_bits + f.blue_bits;
  const int depth = size_attr(e, "DEPTH_SIZE");
  f.depth_bits = depth > 0 ? depth : 16;
  f.stencil_bits = size_attr(e, "STENCIL_SIZE");
  f.accum_red_bits = size_attr(e, "ACCUM_RED_SIZE");
  f.accum_green_bits = size_attr(e, "ACCUM_GREEN_SIZE");
  f.accum_blue_bits = size_attr(e, "ACCUM_BLUE_SIZE");
  f.accum_alpha_bits = size_attr(e, "ACCUM_ALPHA_SIZE");
  const long accum = static_cast<long>(f.accum_red_bits) + f.accum_green_bits +
                     f.accum_blue_bits + f.accum_alpha_bits;
  // the total lives in an 8-bit field: saturate instead of wrapping to a small number
  f.accum_bits = accum > 255 ? 255 : static_cast<int>(accum);
  return f;
}

int default_resize(TukHandle e, int width, int height) {
  TukGLMakeCurrent(e);
  if (tuk_gl_data(e) && tuk_gl_data(e)->context) glViewport(0, 0, width, height);
  return TUK_DEFAULT;
}

TukHandle gl_create(TukClass* cls, void** args) {
  const char* action = args ? static_cast<const char*>(args[0]) : nullptr;
  TukHandle e = tuk_class_default_create(cls, args);
  if (!e) return nullptr;
  if (action) TukStoreAttribute(e, "ACTION", action);
  GLCanvasData* data = new (std::nothrow) GLCanvasData{};
  if (!data) {
    TukDestroy(e);
    return nullptr;
  }
  tuk_set_pointer(e, kDataName, data);
  TukSetAttribute(e, "RESIZE_CB", "defresize");
  TukSetFunction("defresize", TukCallbackOf(default_resize));
  return e;
}

void gl_destroy(TukHandle e) {
  delete tuk_gl_data(e);
  tuk_set_pointer(e, kDataName, nullptr);
}

int gl_map(TukHandle e) {
  const TukDriver* d = tuk_driver();
  if (!d || !d->map || d->map(e) != TUK_NOERROR) return TUK_ERROR;
  GLCanvasData* data = tuk_gl_data(e);
  if (!data || !d->gl_create) return TUK_NOERROR;
  data->format = read_format(e);
  const int r = d->gl_create(e, &data->format, &data->device, &data->context);
  if (r == TUK_GL_NO_FORMAT) {
    std::fputs("No appropriate pixel format\n", stderr);
    return TUK_NOERROR;  // the canvas stays without a context; the interface goes on
  }
  if (r != TUK_GL_OK || !data->context) {
    std::fputs("Could not create a rendering context.\n", stderr);
    data->context = nullptr;
    return TUK_NOERROR;
  }
  if (data->format.color_index) {
    // 2^bits entries; past 16 bits no palette is that large, so it stops there
    const int bits = data->format.color_bits;
    data->palette_size = bits >= 16 ? 1 << 16 : 1 << bits;
  }
  return TUK_NOERROR;
}

void gl_unmap(TukHandle e) {
  GLCanvasData* data = tuk_gl_data(e);
  const TukDriver* d = tuk_driver();
  if (!data) return;
  if ((data->device || data->context) && d && d->gl_destroy) d->gl_destroy(data->device, data->context);
  data->device = nullptr;
  data->context = nullptr;
  data->palette_size = 0;
}

}  // namespace

GLCanvasData* tuk_gl_data(TukHandle canvas) {
  if (!canvas || !canvas->cls) return nullptr;
  return static_cast<GLCanvasData*>(const_cast<void*>(tuk_get_pointer(canvas, kDataName)));
}

void tuk_canvas_gl(TukHandle canvas, void** device, void** context) {
  const GLCanvasData* data = tuk_gl_data(canvas);
  if (device) *device = data ? data->device : nullptr;
  if (context) *context = data ? data->context : nullptr;
}

void TukGLCanvasOpen(void) {
  if (TukGetClass("glcanvas")) return;
  TukClass* cls = TukNewClass("GLCANVAS", "n");
  if (!cls) return;
  TukClassSetMethod(cls, "CREATE", reinterpret_cast<TukClassMethod>(gl_create));
  TukClassSetMethod(cls, "DESTROY", reinterpret_cast<TukClassMethod>(gl_destroy));
  TukClassSetMethod(cls, "MAP", reinterpret_cast<TukClassMethod>(gl_map));
  TukClassSetMethod(cls, "UNMAP", reinterpret_cast<TukClassMethod>(gl_unmap));
  if (TukRegisterClass("glcanvas", cls) != TUK_NOERROR) TukFreeClass(cls);
}

TukHandle TukGLCanvas(const char* action) {
  void* args[1] = {const_cast<char*>(action)};
  return TukCreateControl("glcanvas", args);
}

void TukGLMakeCurrent(TukHandle canvas) {
  GLCanvasData* data = tuk_gl_data(canvas);
  const TukDriver* d = tuk_driver();
  if (!data || !d || !d->gl_make_current) return;
  d->gl_make_current(data->device, data->context);
}

void TukGLSwapBuffers(TukHandle canvas) {
  GLCanvasData* data = tuk_gl_data(canvas);
  const TukDriver* d = tuk_driver();
  if (!data || !data->device || !d || !d->gl_swap) return;
  d->gl_swap(data->device);
}
