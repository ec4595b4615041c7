#include "render/canvas_dialog.h"

#include <cstdio>

#include "toolkit/tuk_gl.h"

TukHandle make_canvas_dialog(int width, int height, const char* redrawAction, const char* title,
                             TukHandle* canvas) {
  *canvas = TukGLCanvas(redrawAction);
  char size[32];
  std::snprintf(size, sizeof size, "%dx%d", width, height);
  TukStoreAttribute(*canvas, "RASTERSIZE", size);
  TukSetAttribute(*canvas, "BUFFER", "DOUBLE");
  TukHandle dialog = TukDialog(*canvas);
  TukSetAttribute(dialog, "TITLE", title);
  return dialog;
}
