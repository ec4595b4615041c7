// dialog_probe: opens one of the toolkit's predefined dialogs on the real window system and
// prints its result, for the end-to-end scripts that answer it with xdotool.
//   dialog_probe list OP       single-choice list of the five team colours, item OP shown
//                              selected; prints "LIST x y w h" (the list's place in its
//                              window) once it is up, then "RESULT n"
//   dialog_probe file FILTER [N]  N file dialogs one after the other (1 by default); prints
//                              "RESULT r PATH" for each, then "CWD folder"
//   dialog_probe message       message box; prints "RESULT 0" once it is dismissed
//   dialog_probe canvas        a 200 x 150 GL canvas in a dialog "Canvas Probe", drawn from
//                              outside any paint event: red, then hidden and drawn into while
//                              hidden (a display list made then), then shown again and drawn
//                              blue by that list; prints "PHASE red" / "PHASE blue" and waits
//                              for a line on standard input after each
#include "toolkit/tuk.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_gl.h"
#include "toolkit/tuk_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <GL/gl.h>

#include <unistd.h>

namespace {

const char* const kColours[] = {"Red", "Green", "Blue", "Yellow", "Gray"};

TukHandle find_list(TukHandle e) {
  if (tuk_element_kind(e) == TUK_KIND_LIST) return e;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c))
    if (TukHandle found = find_list(c)) return found;
  return nullptr;
}

// Tells the script where the list is, once: its dialog is mapped and laid out by then.
int report_list_place(void) {
  static bool done = false;
  TukHandle ok = TukGetHandle("TukListOkButton");
  TukHandle list = ok ? find_list(tuk_element_dialog(ok)) : nullptr;
  if (done || !list || !TukGetAttribute(tuk_element_dialog(list), "WID")) return TUK_DEFAULT;
  int x = 0, y = 0, w = 0, h = 0;
  tuk_element_geometry(list, &x, &y, &w, &h);
  std::printf("LIST %d %d %d %d\n", x, y, w, h);
  std::fflush(stdout);
  done = true;
  return TUK_DEFAULT;
}

// What the canvas shows: its clear colour, then the display list when there is one.
float g_clear[3];
GLuint g_list;

void draw_canvas(TukHandle canvas) {
  TukGLMakeCurrent(canvas);
  glClearColor(g_clear[0], g_clear[1], g_clear[2], 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  if (g_list) glCallList(g_list);
  TukGLSwapBuffers(canvas);
}

int canvas_redraw(TukHandle canvas, double, double) {
  draw_canvas(canvas);
  return TUK_DEFAULT;
}

void wait_for_line(const char* phase) {
  std::printf("PHASE %s\n", phase);
  std::fflush(stdout);
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) std::exit(3);
}

int run_canvas(void) {
  TukGLCanvasOpen();
  TukHandle canvas = TukGLCanvas("probe_redraw");
  TukSetAttribute(canvas, "BUFFER", "DOUBLE");
  TukSetAttribute(canvas, "RASTERSIZE", "200x150");
  TukHandle dialog = TukDialog(canvas);
  TukSetAttribute(dialog, "TITLE", "Canvas Probe");
  TukSetFunction("probe_redraw", TukCallbackOf(canvas_redraw));
  TukShow(dialog);
  TukFlush();
  g_clear[0] = 1.0f;
  draw_canvas(canvas);  // from here, not from a paint event
  TukFlush();
  wait_for_line("red");

  TukHide(dialog);
  TukFlush();
  // hidden: the context is still there to be made current, and lists made now are kept
  TukGLMakeCurrent(canvas);
  if (!glGetString(GL_VERSION)) return 4;
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(0.0f, 0.0f, 1.0f);
  glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
  glEndList();
  g_clear[0] = 0.0f;
  TukShow(dialog);
  TukFlush();
  g_list = list;
  draw_canvas(canvas);
  TukFlush();
  if (!glIsList(list)) return 5;
  wait_for_line("blue");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TukSetDriver("fltk");
  if (argc < 2 || TukOpen() != TUK_NOERROR || std::strcmp(TukGetGlobal("DRIVER"), "fltk") != 0) {
    std::fprintf(stderr, "dialog_probe: no display\n");
    return 2;
  }
  if (std::strcmp(argv[1], "list") == 0 && argc == 3) {
    TukSetFunction("tuk-idle", TukCallbackOf(report_list_place));
    const int r = TukListDialog(1, "Cor do Time A", 5, const_cast<const char**>(kColours),
                                std::atoi(argv[2]), 15, 5, nullptr);
    std::printf("RESULT %d\n", r);
    std::fflush(stdout);
  } else if (std::strcmp(argv[1], "file") == 0 && (argc == 3 || argc == 4)) {
    const int count = argc == 4 ? std::atoi(argv[3]) : 1;
    for (int i = 0; i < count; ++i) {
      char path[256];
      std::snprintf(path, sizeof path, "%s", argv[2]);
      const int r = TukGetFile(path);
      std::printf("RESULT %d %s\n", r, path);
      std::fflush(stdout);
    }
    char cwd[4096];
    std::printf("CWD %s\n", getcwd(cwd, sizeof cwd) ? cwd : "?");
  } else if (std::strcmp(argv[1], "canvas") == 0) {
    const int r = run_canvas();
    std::printf("RESULT %d\n", r);
    std::fflush(stdout);
  } else if (std::strcmp(argv[1], "message") == 0) {
    TukMessage("Distância Entre Duas Paralelas", " 12.5 metros");
    std::printf("RESULT 0\n");
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "dialog_probe: unknown request\n");
    TukClose();
    return 2;
  }
  TukClose();
  return 0;
}
