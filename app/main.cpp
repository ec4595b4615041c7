// varnesk: the desktop program. It takes no command-line arguments.
#include "app/app_state.h"
#include "app/interface.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_gl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// For the end-to-end tests only: VARNESK_STATE_FILE names a file that receives, when the
// program ends, the image and view sizes, the pan, the team colours and the reference points as
// stored (world X Y Z, image column and row from the bottom), so that a script can check what a
// click or a dialog stored. No menu leads here.
void write_state_for_tests() {
  const char* path = std::getenv("VARNESK_STATE_FILE");
  if (!path || !*path) return;
  std::FILE* f = std::fopen(path, "w");
  if (!f) return;
  const AppState& s = appState;
  std::fprintf(f, "image %d %d\nview %d %d\npan %d %d\ncolours %d %d\nreferences %d\n",
               s.imageWidth, s.imageHeight, s.viewWidth, s.viewHeight, s.panX, s.panY,
               s.teamAColor, s.teamBColor, s.refCount);
  for (int i = 0; i < s.refCount && i < MAX_REFERENCE_POINTS; ++i)
    std::fprintf(f, "%g %g %g %d %d\n", s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i],
                 s.refImageX[i], s.refImageY[i]);
  std::fclose(f);
}

}  // namespace

int main() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    std::fputs("varnesk: no graphical display (DISPLAY is not set). Varnesk is a window program:\n"
               "start it inside an X session, or under a virtual one such as xvfb-run.\n",
               stderr);
    return 2;
  }
  TukSetDriver("fltk");
  if (TukOpen() != TUK_NOERROR) {
    std::fprintf(stderr, "varnesk: cannot open the display \"%s\".\n", display);
    return 2;
  }
  // the toolkit falls back to its headless driver when the window system fails
  const char* driver = TukGetGlobal("DRIVER");
  if (!driver || std::strcmp(driver, "fltk") != 0) {
    std::fprintf(stderr, "varnesk: cannot open the display \"%s\".\n", display);
    TukClose();
    return 2;
  }
  TukGLCanvasOpen();
  build_interface();
  register_callbacks();
  TukShow(appState.mainDialog);
  TukMainLoop();
  write_state_for_tests();
  TukClose();
  return 0;
}
