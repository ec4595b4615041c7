// The image canvas's mouse handler: the four interaction modes.
#include "app/canvas_input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_state.h"
#include "app/calibration_text.h"
#include "app/interface.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "toolkit/tuk_dialogs.h"

namespace {

struct MeasureKind {
  int* overlay;       // the switch of the overlay that shows the measurement
  const char* title;  // the title of its message
};

MeasureKind measure_kind(int mode) {
  if (mode == MODE_POINT_DISTANCE) return {&appState.showPointDistance, "Distância Entre Dois Pontos"};
  return {&appState.showParallels, "Distância Entre Duas Paralelas"};
}

// a calibration writes a unit third row into cameraMatrix; before the first one it is all zeros
bool camera_calibrated() {
  const double* p = appState.cameraMatrix;
  const double n = p[8] * p[8] + p[9] * p[9] + p[10] * p[10];
  return std::isfinite(n) && n > 0.5;
}

// w < 0 is a ground point in front of the camera; on the horizon the solve fails
bool on_visible_ground(int u, int v) {
  double g[3] = {0, 0, 0};
  return back_project_to_ground(appState.cameraMatrix, u, v, g) == 0 && g[2] < 0 &&
         std::isfinite(g[0]) && std::isfinite(g[1]);
}

void add_reference_point(int x, int y) {
  TukSetAttribute(appState.visRefPointsItem, "VALUE", "ON");
  appState.showRefPoints = 1;
  redraw_image_view();
  if (appState.refCount >= MAX_REFERENCE_POINTS) {
    // every landmark slot is taken: there is no pending slot for this click
    TukMessage("Erro", "A lista de pontos de referência está cheia (47 pontos).");
    return;
  }
  TukFlush();
  set_reference_image_point(appState, x, y);
  TukPopup(appState.refPointDialog, TUK_CENTER, TUK_CENTER);
  redraw_image_view();
}

void add_object_point(int x, int y) {
  TukSetAttribute(appState.visObjPointsItem, "VALUE", "ON");
  appState.showObjPoints = 1;
  redraw_image_view();
  TukFlush();
  const int kind = TukListDialog(1, "Objeto", OBJECT_KIND_COUNT, const_cast<const char**>(objectKindNames), 0,
                                 15, 4, nullptr);
  if (kind < 0) return;
  // the position is the release being handled, not one from inside the list dialog
  int stored = 1;
  if (kind == 0) stored = add_team_a_point(appState, x, y);
  if (kind == 1) stored = add_team_b_point(appState, x, y);
  if (kind == 2) set_referee_point(appState, x, y);
  if (kind == 3) set_ball_point(appState, x, y);
  if (!stored) {
    TukMessage("Erro", kind == 0 ? "O Time A já tem 11 jogadores." : "O Time B já tem 11 jogadores.");
  }
  redraw_image_view();
}

void take_measure_point(int mode, int x, int y) {
  const MeasureKind kind = measure_kind(mode);
  const int row = appState.imageHeight - y - 1;  // y is already a position on the whole image
  if (appState.measureClicks == 0) {
    appState.measureX1 = x;
    appState.measureY1 = row;
    appState.measureClicks = 1;
    *kind.overlay = 1;
    redraw_image_view();
    return;
  }
  if (appState.measureClicks != 1) return;
  appState.measureX2 = x;
  appState.measureY2 = row;
  appState.measureClicks = 2;
  const MeasureOutcome result = measure_clicked_points(mode);
  *kind.overlay = 1;
  redraw_image_view();
  TukFlush();
  TukMessage(result.title, result.text);
  *kind.overlay = 0;
  appState.interactionMode = MODE_NONE;
  redraw_image_view();
}

}  // namespace

MeasureOutcome measure_clicked_points(int mode) {
  MeasureOutcome out;
  out.title = "Erro";
  if (!camera_calibrated()) {
    not_calibrated_text(appState, out.text, sizeof out.text);
    return out;
  }
  if (!on_visible_ground(appState.measureX1, appState.measureY1) ||
      !on_visible_ground(appState.measureX2, appState.measureY2)) {
    std::snprintf(out.text, sizeof out.text, "Ponto acima do horizonte: clique sobre o gramado.");
    return out;
  }
  const int x1 = appState.measureX1, y1 = appState.measureY1;
  const int x2 = appState.measureX2, y2 = appState.measureY2;
  const double d = mode == MODE_POINT_DISTANCE ? distance_between_points(appState, x1, y1, x2, y2)
                                               : distance_between_parallels(appState, x1, y1, x2, y2);
  if (!std::isfinite(d)) {
    not_calibrated_text(appState, out.text, sizeof out.text);
    return out;
  }
  out.ok = 1;
  out.metres = d;
  out.title = measure_kind(mode).title;
  measurement_text(appState, d, mode != MODE_POINT_DISTANCE, x1, y1, x2, y2, out.text, sizeof out.text);
  return out;
}

void whole_image_position(int x, int y, int* ix, int* iy) {
  // a canvas not sized for an image shows the image from its lower-left corner, unpanned
  const int viewH = appState.viewHeight > 0 ? appState.viewHeight : appState.imageHeight;
  const int row = appState.panY + viewH - y - 1;
  *ix = appState.panX + x;
  *iy = appState.imageHeight - row - 1;
}

int button_cb(TukHandle, int, int pressed, int mouseX, int mouseY, char*) {
  if (pressed) {
    redraw_image_view();
    return TUK_DEFAULT;
  }
  // from here on positions are the whole image's, so the point operations store image pixels
  int x = 0, y = 0;
  whole_image_position(mouseX, mouseY, &x, &y);
  switch (appState.interactionMode) {
    case MODE_ADD_REFERENCE: add_reference_point(x, y); break;
    case MODE_ADD_OBJECT: add_object_point(x, y); break;
    case MODE_POINT_DISTANCE:
    case MODE_PARALLEL_DISTANCE: take_measure_point(appState.interactionMode, x, y); break;
    default: redraw_image_view(); break;
  }
  return TUK_DEFAULT;
}

int rolar_cb(TukHandle, int key) {
  const int stepX = std::max(1, appState.viewWidth / 10);
  const int stepY = std::max(1, appState.viewHeight / 10);
  int x = appState.panX, y = appState.panY;
  switch (key) {
    case K_LEFT: x -= stepX; break;
    case K_RIGHT: x += stepX; break;
    case K_UP: y += stepY; break;
    case K_DOWN: y -= stepY; break;
    case K_PGUP: y += appState.viewHeight; break;
    case K_PGDN: y -= appState.viewHeight; break;
    case K_HOME: x = 0; break;
    case K_END: x = appState.imageWidth; break;
    default: return TUK_DEFAULT;
  }
  set_image_pan(x, y);
  return TUK_DEFAULT;
}

int rolagem_cb(TukHandle, double posx, double posy) {
  // the bars count rows from the top of the image, the offset from its bottom
  set_image_pan(static_cast<int>(posx),
                appState.imageHeight - appState.viewHeight - static_cast<int>(posy));
  return TUK_DEFAULT;
}
