// The landmark choice of the "Field Reference Points" dialog.
#include "app/landmark_dialog.h"

#include <cstdint>

#include "app/app_state.h"
#include "geometry/landmarks.h"
#include "render/field_diagram.h"

int nearest_landmark(int x, int y) {
  double best = PICK_LIMIT_SQ;
  int chosen = -1;
  for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
    // 64-bit unsigned: a release far outside the canvas still squares without overflow
    const std::int64_t dx = static_cast<std::int64_t>(x) - FieldLandmarkTable[i].px;
    const std::int64_t dy = static_cast<std::int64_t>(y) - FieldLandmarkTable[i].py;
    const std::uint64_t d = static_cast<std::uint64_t>(dx * dx) + static_cast<std::uint64_t>(dy * dy);
    if (static_cast<double>(d) < best) {
      best = static_cast<double>(d);
      chosen = i;
    }
  }
  return chosen;
}

int pick_nearest_landmark(int x, int y) {
  const int i = nearest_landmark(x, y);
  if (i < 0) return -1;
  appState.pickedWorldX = FieldLandmarkTable[i].x;
  appState.pickedWorldY = FieldLandmarkTable[i].y;
  appState.pickedWorldZ = FieldLandmarkTable[i].z;
  return i;
}

int button_refpto_cb(TukHandle, int, int pressed, int x, int y, char*) {
  if (pressed) return TUK_DEFAULT;
  pick_nearest_landmark(x, y);
  appState.landmarkMarked = 1;
  redraw_field_view();
  return TUK_DEFAULT;
}

int okrefpto_cb(TukHandle) {
  // with every slot complete there is no pending point to complete; the list refuses it
  append_reference_world_point(appState, appState.pickedWorldX, appState.pickedWorldY,
                               appState.pickedWorldZ);
  return TUK_CLOSE;
}

int cancelarrefpto_cb(TukHandle) { return TUK_CLOSE; }

int close_refpto_cb(TukHandle) { return TUK_CLOSE; }

int redraw_refpto_cb(TukHandle, double, double) {
  redraw_field_view();
  return TUK_DEFAULT;
}
