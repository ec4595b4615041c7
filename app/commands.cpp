// The commands of the main window's menus and the callback registry.
#include "state/app_state.h"
#include "app/canvas_input.h"
#include "app/help_viewer.h"
#include "app/interface.h"
#include "app/landmark_dialog.h"
#include "app/reference_edit.h"
#include "app/scene_commands.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "app/file_commands.h"

namespace {

int toggle_view(int* flag, TukHandle item) {
  *flag = 1 - *flag;
  TukSetAttribute(item, "VALUE", *flag ? "ON" : "OFF");
  request_image_redraw();
  return TUK_DEFAULT;
}

int end_program() {
  help_quit(HELP_FILE_NAME);
  return TUK_CLOSE;
}

struct Registration {
  const char* name;
  TukCallback function;
};

}  // namespace

void request_image_redraw() {
  TukHandle canvas = appState.imageCanvas;
  const char* action = canvas ? TukGetAttribute(canvas, "ACTION") : nullptr;
  TukCallback redraw = action ? TukGetFunction(action) : nullptr;
  // the toolkit stores callbacks as one pointer type; this one has the canvas signature
  if (!redraw) return;
  auto as_canvas = reinterpret_cast<TukCanvasCallback>(reinterpret_cast<void (*)(void)>(redraw));
  as_canvas(canvas, 0.0, 0.0);
}

int exit_cb(TukHandle, int) { return end_program(); }
int close_cb(TukHandle) { return end_program(); }

int adrefpto_cb(TukHandle, int) {
  appState.interactionMode = MODE_ADD_REFERENCE;
  appState.movingPoint = -1;  // a move asked for before the mode was left is forgotten
  return TUK_DEFAULT;
}

int adobjpto_cb(TukHandle, int) {
  appState.interactionMode = MODE_ADD_OBJECT;
  return TUK_DEFAULT;
}

int remobjpto_cb(TukHandle, int) {
  clear_object_points(appState);
  request_image_redraw();
  return TUK_DEFAULT;
}

int visrefpto_cb(TukHandle, int) {
  return toggle_view(&appState.showRefPoints, appState.visRefPointsItem);
}
int visobjpto_cb(TukHandle, int) {
  return toggle_view(&appState.showObjPoints, appState.visObjPointsItem);
}
int vislinhacampo_cb(TukHandle, int) {
  return toggle_view(&appState.showFieldLines, appState.visFieldLinesItem);
}

int cameratv_cb(TukHandle self, int) {
  const int forced = appState.cameraPreference == CAMERA_FORCE_BROADCAST;
  appState.cameraPreference = forced ? CAMERA_AUTO : CAMERA_FORCE_BROADCAST;
  TukSetAttribute(self, "VALUE", forced ? "OFF" : "ON");
  update_calibration(appState);  // the measurements use the camera of the model now chosen
  request_image_redraw();
  return TUK_DEFAULT;
}

int disptos_cb(TukHandle, int) {
  appState.measureClicks = 0;
  appState.interactionMode = MODE_POINT_DISTANCE;
  return TUK_DEFAULT;
}

int linhaimp_cb(TukHandle, int) {
  appState.measureClicks = 0;
  appState.interactionMode = MODE_PARALLEL_DISTANCE;
  return TUK_DEFAULT;
}

int ajuda_cb(TukHandle, int) {
  help_open(HELP_FILE_NAME, TukGetAttribute(appState.mainDialog, "WID"));
  return TUK_DEFAULT;
}

int sobre_cb(TukHandle, int) {
  TukPopup(appState.aboutDialog, TUK_LEFT, TUK_LEFT);
  return TUK_DEFAULT;
}

void register_callbacks() {
  // the 29 of the program's callback table, in its order, then panning, zoom and the magnifier
  static const Registration kCallbacks[] = {
      {"load_cena_cb", TukCallbackOf(load_cena_cb)},
      {"load_imag_cb", TukCallbackOf(load_imag_cb)},
      {"load_refpto_cb", TukCallbackOf(load_refpto_cb)},
      {"load_objpto_cb", TukCallbackOf(load_objpto_cb)},
      {"exit_cb", TukCallbackOf(exit_cb)},
      {"adrefpto_cb", TukCallbackOf(adrefpto_cb)},
      {"adobjpto_cb", TukCallbackOf(adobjpto_cb)},
      {"remrefpto_cb", TukCallbackOf(remrefpto_cb)},
      {"remobjpto_cb", TukCallbackOf(remobjpto_cb)},
      {"cortimea_cb", TukCallbackOf(cortimea_cb)},
      {"cortimeb_cb", TukCallbackOf(cortimeb_cb)},
      {"visrefpto_cb", TukCallbackOf(visrefpto_cb)},
      {"visobjpto_cb", TukCallbackOf(visobjpto_cb)},
      {"vislinhacampo_cb", TukCallbackOf(vislinhacampo_cb)},
      {"gerarmod_cb", TukCallbackOf(gerarmod_cb)},
      {"disptos_cb", TukCallbackOf(disptos_cb)},
      {"linhaimp_cb", TukCallbackOf(linhaimp_cb)},
      {"ajuda_cb", TukCallbackOf(ajuda_cb)},
      {"sobre_cb", TukCallbackOf(sobre_cb)},
      {"redraw_cb", TukCallbackOf(redraw_cb)},
      {"button_cb", TukCallbackOf(button_cb)},
      {"close_cb", TukCallbackOf(close_cb)},
      {"redraw_refpto_cb", TukCallbackOf(redraw_refpto_cb)},
      {"okrefpto_cb", TukCallbackOf(okrefpto_cb)},
      {"cancelarrefpto_cb", TukCallbackOf(cancelarrefpto_cb)},
      {"button_refpto_cb", TukCallbackOf(button_refpto_cb)},
      {"close_refpto_cb", TukCallbackOf(close_refpto_cb)},
      {"redraw_3D_cb", TukCallbackOf(redraw_3D_cb)},
      {"kany_cb", TukCallbackOf(kany_cb)},
      // panning an image larger than the screen: keys of the main window and its scroll bars
      {"rolar_cb", TukCallbackOf(rolar_cb)},
      {"rolagem_cb", TukCallbackOf(rolagem_cb)},
      // saving the work and correcting single points
      {"save_refpto_cb", TukCallbackOf(save_refpto_cb)},
      {"save_cena_cb", TukCallbackOf(save_cena_cb)},
      {"remultpto_cb", TukCallbackOf(remultpto_cb)},
      // zoom and the magnifier
      {"wheel_cb", TukCallbackOf(wheel_cb)},
      {"motion_cb", TukCallbackOf(motion_cb)},
      {"leave_cb", TukCallbackOf(leave_cb)},
      // the camera model
      {"cameratv_cb", TukCallbackOf(cameratv_cb)},
  };
  for (const Registration& r : kCallbacks) TukSetFunction(r.name, r.function);
}
