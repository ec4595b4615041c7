// "Make 3D Model", the team colours, and the keys of the 3D scene.
#include "app/scene_commands.h"

#include <cstring>

#include "state/app_state.h"
#include "app/calibration_text.h"
#include "app/reference_edit.h"
#include "geometry/geometry.h"
#include "geometry/view_transform.h"
#include "render/image_view.h"
#include "render/scene3d.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_gl.h"

namespace {

bool scene_dialog_visible() {
  const char* v = TukGetAttribute(appState.sceneDialog, "VISIBLE");
  return v && std::strcmp(v, "YES") == 0;
}

void choose_team_colour(int team, const char* title, int* colour) {
  const int chosen = TukListDialog(1, title, TEAM_COLOR_COUNT, const_cast<const char**>(teamColorNames), 0,
                                   15, 5, nullptr);
  if (chosen < 0 || chosen >= TEAM_COLOR_COUNT) return;
  *colour = chosen;
  // the display lists live in the 3D canvas's context
  TukGLMakeCurrent(appState.sceneCanvas);
  drop_team_list(team);
  if (appState.showObjPoints == 1) redraw_image_view();
  if (scene_dialog_visible()) redraw_scene_view();
}

}  // namespace

int gerarmod_cb(TukHandle, int) {
  if (!appState.imageLoaded) {
    TukMessage("Erro", "Carregue uma imagem e marque os pontos de referência antes de gerar o modelo 3D.",
               TUK_MESSAGE_ERROR);
    return TUK_DEFAULT;
  }
  // without a camera for these points the window would open black: say why instead
  if (update_calibration(appState) == 0) {
    char text[320];
    not_calibrated_text(appState, text, sizeof text);
    TukMessage("Erro", text, TUK_MESSAGE_ERROR);
    return TUK_DEFAULT;
  }
  appState.interactionMode = MODE_NONE;
  const char* visible = TukGetAttribute(appState.sceneDialog, "VISIBLE");
  if (!visible || std::strcmp(visible, "NO") == 0) {
    TukShow(appState.sceneDialog);
  } else {
    TukSetFocus(appState.sceneDialog);
  }
  prepare_scene_model();
  appState.interactionMode = MODE_NONE;
  redraw_scene_view();
  return TUK_DEFAULT;
}

int cortimea_cb(TukHandle, int) {
  choose_team_colour(TEAM_A, "Cor do Time A", &appState.teamAColor);
  return TUK_DEFAULT;
}

int cortimeb_cb(TukHandle, int) {
  choose_team_colour(TEAM_B, "Cor do Time B", &appState.teamBColor);
  return TUK_DEFAULT;
}

int redraw_3D_cb(TukHandle, double, double) {
  redraw_scene_view();
  return TUK_DEFAULT;
}

int kany_cb(TukHandle, int key) {
  switch (key) {
    case K_C:
    case K_c: view_top(); break;
    case K_R:
    case K_r: view_restore_camera(); break;
    case K_x: view_orbit(VIEW_KEY_DEGREES, 'x'); break;
    case K_X: view_orbit(-VIEW_KEY_DEGREES, 'x'); break;
    case K_y: view_orbit(VIEW_KEY_DEGREES, 'y'); break;
    case K_Y: view_orbit(-VIEW_KEY_DEGREES, 'y'); break;
    case K_z: view_orbit(VIEW_KEY_DEGREES, 'z'); break;
    case K_Z: view_orbit(-VIEW_KEY_DEGREES, 'z'); break;
    case K_UP: view_step(0); break;
    case K_DOWN: view_step(1); break;
    case K_LEFT: view_turn(VIEW_KEY_DEGREES, 'z'); break;
    case K_RIGHT: view_turn(-VIEW_KEY_DEGREES, 'z'); break;
    case K_CR: break;
    default: return TUK_DEFAULT;
  }
  redraw_scene_view();
  return TUK_DEFAULT;
}
