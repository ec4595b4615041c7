// varnesk: the desktop program. It takes no command-line arguments.
#include "app/app_state.h"
#include "app/interface.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_gl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  TukClose();
  return 0;
}
