// varnesk [FILE]: the desktop program, optionally opening a scene (*.cen) or an image at start.
#include "state/app_state.h"
#include "app/interface.h"
#include "app/file_commands.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_gl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

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

bool is_scene_path(const char* path) {
  const std::size_t n = std::strlen(path);
  return n >= 4 && strcasecmp(path + n - 4, ".cen") == 0;
}

// The file named on the command line, opened as the File menu would open it once chosen.
void open_start_file(const char* path) {
  if (!is_scene_path(path)) {
    open_image_command(path);  // says why when it fails
    return;
  }
  if (open_scene_command(path) < 0) {
    // the menu command stays silent here (its dialog only offers files that exist); a name typed
    // on the command line deserves a reason
    char text[512];
    std::snprintf(text, sizeof text, "Não foi possível abrir o arquivo de cena \"%s\".", path);
    TukMessage("Erro", text, TUK_MESSAGE_ERROR);
  }
}

const char kUsage[] =
    "usage: varnesk [FILE]\n"
    "  FILE  a scene file (*.cen) or an image to open at start\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
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
  if (argc == 2) open_start_file(argv[1]);
  TukMainLoop();
  write_state_for_tests();
  TukClose();
  return 0;
}
