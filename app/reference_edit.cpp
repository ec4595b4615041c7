// Removals, moves and the camera and residuals that follow every change of the points.
#include "app/reference_edit.h"

#include <cstdio>

#include "state/app_state.h"
#include "render/field_diagram.h"
#include "render/image_view.h"
#include "toolkit/tuk_dialogs.h"

namespace {

// one text per row of the landmark table, in its order
const char* const kLandmarkText[FIELD_LANDMARK_COUNT] = {
    "canto do campo", "arco de canto na linha lateral", "arco de canto na linha de fundo",
    "canto do campo", "arco de canto na linha de fundo", "arco de canto na linha lateral",
    "canto do campo", "arco de canto na linha lateral", "arco de canto na linha de fundo",
    "canto do campo", "arco de canto na linha de fundo", "arco de canto na linha lateral",
    "grande área na linha de fundo", "canto da grande área", "canto da grande área",
    "grande área na linha de fundo", "pequena área na linha de fundo", "canto da pequena área",
    "canto da pequena área", "pequena área na linha de fundo", "marca do pênalti",
    "meia-lua na grande área", "meia-lua na grande área", "pé da trave", "pé da trave",
    "topo da trave (travessão)", "topo da trave (travessão)", "meio-campo na linha lateral",
    "círculo central no meio-campo", "marca central", "círculo central no meio-campo",
    "meio-campo na linha lateral", "grande área na linha de fundo", "canto da grande área",
    "canto da grande área", "grande área na linha de fundo", "pequena área na linha de fundo",
    "canto da pequena área", "canto da pequena área", "pequena área na linha de fundo",
    "marca do pênalti", "meia-lua na grande área", "meia-lua na grande área", "pé da trave",
    "pé da trave", "topo da trave (travessão)", "topo da trave (travessão)"};

void redraw_after_edit() {
  redraw_image_view();
  const char* visible = appState.refPointDialog ? TukGetAttribute(appState.refPointDialog, "VISIBLE") : nullptr;
  if (visible && visible[0] == 'Y') redraw_field_view();
}

}  // namespace

const char* landmark_description(int i) {
  return i >= 0 && i < FIELD_LANDMARK_COUNT ? kLandmarkText[i] : "ponto fora da tabela";
}

void suspect_message(int i, char* text, int capacity) {
  const int landmark = landmark_index(appState.refWorldX[i], appState.refWorldY[i], appState.refWorldZ[i]);
  std::snprintf(text, static_cast<size_t>(capacity), "Ponto %d (%s, %g, %g): %.0f px fora; marcado no lugar errado?",
                i + 1, landmark_description(landmark), appState.refWorldX[i], appState.refWorldY[i],
                appState.residuals.suspectMissPx);
}

int points_changed(int tell) {
  appState.movingPoint = -1;
  const int current = recalibrate(appState);
  const int suspect = appState.residuals.suspect;
  if (tell && suspect >= 0) {
    redraw_image_view();  // the red cross is on screen while the message is read
    TukFlush();
    char text[256];
    suspect_message(suspect, text, sizeof text);
    TukMessage("Ponto de referência suspeito", text, TUK_MESSAGE_ERROR);
  }
  return current;
}

int confirm(const char* question, const char* yes) {
  const char* answers[2] = {"Não", yes};
  return TukListDialog(1, question, 2, answers, 1, 30, 2, nullptr) == 1;
}

int remultpto_cb(TukHandle, int) {
  if (appState.refCount <= 0) return TUK_DEFAULT;
  remove_reference_point(appState, appState.refCount - 1);
  points_changed(1);
  redraw_after_edit();
  return TUK_DEFAULT;
}

int remrefpto_cb(TukHandle, int) {
  if (appState.refCount > 0 && !confirm("Remover todos os pontos de referência?", "Sim, remover todos"))
    return TUK_DEFAULT;
  appState.landmarkMarked = 0;
  clear_reference_points(appState);
  points_changed(0);
  redraw_image_view();
  return TUK_DEFAULT;
}

int edit_reference_point_at(int x, int row) {
  const int i = reference_point_at(appState, x, row, REFERENCE_CROSS_REACH);
  if (i < 0) return 0;
  char title[64];
  std::snprintf(title, sizeof title, "Ponto de referência %d", i + 1);
  const char* choices[3] = {"Mover (clique no novo lugar)", "Remover este ponto", "Novo ponto aqui"};
  const int choice = TukListDialog(1, title, 3, choices, 1, 30, 3, nullptr);
  if (choice == 2) return 0;
  if (choice == 0) {
    appState.movingPoint = i;
  } else if (choice == 1) {
    remove_reference_point(appState, i);
    points_changed(1);
  }
  redraw_after_edit();
  return 1;
}
