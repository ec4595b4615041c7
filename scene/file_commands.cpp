// The File commands: the file dialog, the readers, the resets of the application record and the
// redraws of the image view.
#include "scene/file_commands.h"

#include <cstring>

#include "app/app_state.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "scene/scene_load.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_gl.h"

namespace {

constexpr int kPathBuffer = 256;  // the size the file dialog requires

// Asks for a file with the filter; true only when an existing file was chosen.
bool choose_file(const char* filter, char (&path)[kPathBuffer]) {
  std::strncpy(path, filter, kPathBuffer - 1);
  path[kPathBuffer - 1] = '\0';
  return TukGetFile(path) == 0;
}

bool dialog_visible(TukHandle dialog) {
  const char* visible = dialog ? TukGetAttribute(dialog, "VISIBLE") : nullptr;
  return visible && std::strcmp(visible, "YES") == 0;
}

void clear_points_and_redraw() {
  appState.landmarkMarked = 0;
  clear_reference_points(appState);
  redraw_image_view();
  clear_object_points(appState);
  redraw_image_view();
}

void calibrate_after_reading() {
  TukGLMakeCurrent(appState.imageCanvas);
  if (update_calibration(appState)) appState.landmarkMarked = 1;
}

}  // namespace

int load_image_file(const char* path) {
  int stage = 0;
  if (load_image_rgb(path, appState, &stage) == 0) {
    // canvas pixels and image pixels coincide for every size, panned when the screen is small
    fit_image_canvas();
    return 1;
  }
  TukMessage("Erro", stage == IMAGE_STAGE_DEFINITION ? "Erro na definição do arquivo gráfico"
                                                     : "Erro na leitura do arquivo");
  return 0;
}

int open_image_command(const char* path) {
  if (!load_image_file(path)) return 0;
  clear_points_and_redraw();
  appState.imageLoaded = 1;
  appState.modelReady = 0;
  TukSetAttribute(appState.visFieldLinesItem, "VALUE", "OFF");
  appState.showFieldLines = 0;
  redraw_image_view();
  return 1;
}

int load_imag_cb(TukHandle, int) {
  char path[kPathBuffer];
  if (choose_file("*.*", path)) open_image_command(path);
  return TUK_DEFAULT;
}

int load_refpto_cb(TukHandle, int) {
  char path[kPathBuffer];
  // before the dialog: even a cancelled command drops the 3D model
  appState.modelReady = 0;
  if (!choose_file("*.ref", path)) return TUK_DEFAULT;
  if (!read_reference_file(path, appState)) return TUK_DEFAULT;
  // the new points appear at the next redraw of the image view
  calibrate_after_reading();
  return TUK_DEFAULT;
}

int load_objpto_cb(TukHandle, int) {
  char path[kPathBuffer];
  if (!choose_file("*.obj", path)) return TUK_DEFAULT;
  // ground positions follow at the next calibration
  read_object_file(path, appState);
  return TUK_DEFAULT;
}

int open_scene_command(const char* path) {
  ScenePaths paths;
  ReadReport report;
  const int pathsRead = read_scene_file(path, &paths, &report);
  if (report.status == READ_CANNOT_OPEN) return -1;
  // the points go before anything is read, so a scene cut short leaves none behind
  clear_points_and_redraw();
  // fewer than two paths, or a path too long for its buffer: nothing more is read
  if (!pathsRead) return 0;
  if (dialog_visible(appState.sceneDialog)) TukHide(appState.sceneDialog);
  // a failed image has said so and left the previous picture shown
  if (!load_image_file(paths.image)) return 0;
  TukGLMakeCurrent(appState.imageCanvas);
  SceneLoadReport loaded;
  finish_scene_load(paths, appState, loaded);
  TukSetAttribute(appState.visRefPointsItem, "VALUE", "OFF");
  TukSetAttribute(appState.visObjPointsItem, "VALUE", "OFF");
  TukSetAttribute(appState.visFieldLinesItem, "VALUE", "OFF");
  redraw_image_view();
  return 1;
}

int load_cena_cb(TukHandle, int) {
  char path[kPathBuffer];
  if (choose_file("*.cen", path)) open_scene_command(path);
  return TUK_DEFAULT;
}
