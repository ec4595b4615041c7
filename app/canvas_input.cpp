// The image canvas's mouse handler: the four interaction modes.
#include "app/canvas_input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/app_state.h"
#include "app/calibration_text.h"
#include "app/interface.h"
#include "app/landmark_dialog.h"
#include "app/reference_edit.h"
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

// the camera must belong to the points there are now: a camera left from other points or another
// picture measures plausible nonsense (the calibration of unchanged points is cached)
bool camera_calibrated() { return update_calibration(appState) == 1; }

bool on_visible_ground(int u, int v) { return pixel_on_ground_in_front(appState, u, v); }

void add_reference_point(int x, int y) {
  TukSetAttribute(appState.visRefPointsItem, "VALUE", "ON");
  appState.showRefPoints = 1;
  const int row = appState.imageHeight - y - 1;
  const int moving = appState.movingPoint;
  if (moving >= 0 && moving < appState.refCount) {
    appState.refImageX[moving] = x;
    appState.refImageY[moving] = row;
    points_changed(1);
    redraw_image_view();
    return;
  }
  appState.movingPoint = -1;
  redraw_image_view();
  if (edit_reference_point_at(x, row)) return;
  if (appState.refCount >= MAX_REFERENCE_POINTS) {
    // every landmark slot is taken: there is no pending slot for this click
    TukMessage("Erro", "A lista de pontos de referência está cheia (47 pontos).", TUK_MESSAGE_ERROR);
    return;
  }
  TukFlush();
  set_reference_image_point(appState, x, y);
  // a pick belongs to one opening of the dialog: Ok with none adds nothing
  appState.pickedLandmark = -1;
  const int edits = appState.referenceEdits;
  show_landmark_choice();
  TukPopup(appState.refPointDialog, TUK_CENTER, TUK_CENTER);
  if (appState.referenceEdits != edits) points_changed(1);
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
    TukMessage("Erro", kind == 0 ? "O Time A já tem 11 jogadores." : "O Time B já tem 11 jogadores.",
               TUK_MESSAGE_ERROR);
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
  TukMessage(result.title, result.text, result.ok ? TUK_MESSAGE_INFO : TUK_MESSAGE_ERROR);
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

int whole_image_position(int x, int y, int* ix, int* iy) {
  int col = 0, row = 0;
  const int inside = image_pixel_at(x, y, &col, &row);
  *ix = col;
  *iy = appState.imageHeight - row - 1;
  return inside;
}

int button_cb(TukHandle, int, int pressed, int mouseX, int mouseY, char*) {
  if (pressed) {
    redraw_image_view();
    return TUK_DEFAULT;
  }
  // from here on positions are the whole image's, so the point operations store image pixels
  int x = 0, y = 0;
  if (!whole_image_position(mouseX, mouseY, &x, &y)) {
    // beside the picture (a canvas wider than it) or off the canvas: no pixel to store
    redraw_image_view();
    return TUK_DEFAULT;
  }
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
  const int shownW = visible_columns(), shownH = visible_rows();
  const int stepX = std::max(1, shownW / 10);
  const int stepY = std::max(1, shownH / 10);
  int x = appState.panX, y = appState.panY;
  switch (key) {
    case K_LEFT: x -= stepX; break;
    case K_RIGHT: x += stepX; break;
    case K_UP: y += stepY; break;
    case K_DOWN: y -= stepY; break;
    case K_PGUP: y += shownH; break;
    case K_PGDN: y -= shownH; break;
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
                appState.imageHeight - visible_rows() - static_cast<int>(posy));
  return TUK_DEFAULT;
}

int wheel_cb(TukHandle, double delta, int x, int y, char* status) {
  const int notches = static_cast<int>(delta);
  if (notches == 0 || !appState.imageLoaded) return TUK_DEFAULT;
  if (status && status[1] == 'C') {
    // a notch away from the user doubles the zoom, one towards halves it
    int zoom = appState.zoom;
    for (int k = 0; k < notches && zoom < 8; ++k) zoom *= 2;
    for (int k = 0; k > notches && zoom > 1; --k) zoom /= 2;
    set_image_zoom(zoom, x, y);
    return TUK_DEFAULT;
  }
  // as the scroll bars' wheel: a tenth of the part shown a notch, sideways with shift
  const bool sideways = status && status[0] == 'S';
  const int step = std::max(1, (sideways ? visible_columns() : visible_rows()) / 10);
  const long long move = static_cast<long long>(step) * std::max(-1000, std::min(1000, notches));
  if (sideways) set_image_pan(static_cast<int>(appState.panX - move), appState.panY);
  else set_image_pan(appState.panX, static_cast<int>(appState.panY + move));
  return TUK_DEFAULT;
}

int motion_cb(TukHandle, int x, int y, char*) {
  appState.pointerX = x;
  appState.pointerY = y;
  if (magnifier_mode()) redraw_image_view();
  return TUK_DEFAULT;
}

int leave_cb(TukHandle) {
  const bool shown = appState.pointerX >= 0 && magnifier_mode();
  appState.pointerX = appState.pointerY = -1;
  if (shown) redraw_image_view();
  return TUK_DEFAULT;
}
