#pragma once
// The main window, its menus and commands, and the other dialogs the user sees.

#include "toolkit/tuk.h"

// Creates, once, every element the user ever sees (the main dialog with its menu bar and image
// canvas, "3D Scene", "Field Reference Points" and About) and keeps their handles in appState.
// Maps and shows nothing. Needs TukOpen and TukGLCanvasOpen first.
void build_interface();

// Enters the application's callbacks in the toolkit's registry under their names.
void register_callbacks();

// Menu and dialog commands (toolkit item and close callbacks). Each returns TUK_DEFAULT, except
// exit_cb and close_cb, which return TUK_CLOSE.
int exit_cb(TukHandle self, int checked);
int close_cb(TukHandle self);
int adrefpto_cb(TukHandle self, int checked);
int adobjpto_cb(TukHandle self, int checked);
int remobjpto_cb(TukHandle self, int checked);
int visrefpto_cb(TukHandle self, int checked);
int visobjpto_cb(TukHandle self, int checked);
int vislinhacampo_cb(TukHandle self, int checked);
// View > "Broadcast Camera": the broadcast camera even where the DLT camera calibrates.
int cameratv_cb(TukHandle self, int checked);
int disptos_cb(TukHandle self, int checked);
int linhaimp_cb(TukHandle self, int checked);
int ajuda_cb(TukHandle self, int checked);
int sobre_cb(TukHandle self, int checked);

// The lists the commands offer, in order.
constexpr int OBJECT_KIND_COUNT = 4;
extern const char* const objectKindNames[OBJECT_KIND_COUNT];  // "Team A", "Team B", "Referee", "Ball"

// Repaints the image canvas now, through its ACTION.
void request_image_redraw();
