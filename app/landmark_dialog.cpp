// The landmark choice of the "Field Reference Points" dialog.
#include "app/landmark_dialog.h"

#include <cstdint>
#include <cstdio>

#include "state/app_state.h"
#include "app/reference_edit.h"
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
  appState.pickedLandmark = i;
  return i;
}

void show_landmark_choice() {
  if (!appState.landmarkLabel) return;
  char text[256];
  const int i = appState.pickedLandmark;
  if (i < 0 || i >= FIELD_LANDMARK_COUNT) {
    std::snprintf(text, sizeof text,
                  "Clique no desenho perto do marco.\nA linha lateral próxima\n(Y = 0, em azul) fica embaixo.");
  } else {
    const FieldLandmark& L = FieldLandmarkTable[i];
    const int used = reference_point_of_landmark(appState, i);
    char usedText[64] = "";
    if (used >= 0) std::snprintf(usedText, sizeof usedText, "\nJá marcado: ponto %d", used + 1);
    std::snprintf(text, sizeof text, "Marco %d: %s\nX %g  Y %g  Z %g%s", i + 1, landmark_description(i), L.x,
                  L.y, L.z, usedText);
  }
  TukStoreAttribute(appState.landmarkLabel, "TITLE", text);
}

int button_refpto_cb(TukHandle, int, int pressed, int x, int y, char*) {
  if (pressed) return TUK_DEFAULT;
  pick_nearest_landmark(x, y);
  appState.landmarkMarked = 1;
  show_landmark_choice();
  redraw_field_view();
  return TUK_DEFAULT;
}

int okrefpto_cb(TukHandle) {
  // a pick left from an earlier opening, or a cancelled one, would be a plainly wrong label
  if (appState.refCount < 0 || appState.refCount >= MAX_REFERENCE_POINTS) return TUK_CLOSE;
  if (appState.pickedLandmark < 0) {
    show_landmark_choice();
    return TUK_DEFAULT;
  }
  const int used = reference_point_of_landmark(appState, appState.pickedLandmark);
  if (used >= 0) {
    char question[96];
    std::snprintf(question, sizeof question, "Marco já usado pelo ponto %d. Substituir o pixel?", used + 1);
    if (!confirm(question, "Sim, usar o novo pixel")) return TUK_DEFAULT;
    appState.refImageX[used] = appState.refImageX[appState.refCount];
    appState.refImageY[used] = appState.refImageY[appState.refCount];
    appState.referenceEdits += 1;
    return TUK_CLOSE;
  }
  // with every slot complete there is no pending point to complete; the list refuses it
  if (append_reference_world_point(appState, appState.pickedWorldX, appState.pickedWorldY,
                                   appState.pickedWorldZ))
    appState.referenceEdits += 1;
  return TUK_CLOSE;
}

int cancelarrefpto_cb(TukHandle) { return TUK_CLOSE; }

int close_refpto_cb(TukHandle) { return TUK_CLOSE; }

int redraw_refpto_cb(TukHandle, double, double) {
  redraw_field_view();
  return TUK_DEFAULT;
}
