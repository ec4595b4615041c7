#pragma once
// The "Field Reference Points" dialog: a click on the pitch plan picks the nearest landmark of
// FieldLandmarkTable, and "Ok" completes the pending reference point with it.

#include "toolkit/tuk.h"

// Squared pixels: a landmark must be nearer than this to be picked. Every point of the
// 560 x 350 plan lies within 106 pixels of a landmark, so only a release far outside it picks
// nothing.
constexpr double PICK_LIMIT_SQ = 450000.0;

// Index of the landmark whose plan position is nearest to (x, y) (plan pixels, y from the top),
// or -1 when none is nearer than PICK_LIMIT_SQ. Distances are whole squared pixels; a later
// entry must be strictly nearer to win, so a tie goes to the earlier one.
int nearest_landmark(int x, int y);

// Writes the world position of the nearest landmark into appState.pickedWorldX/Y/Z and its
// index into pickedLandmark, and returns the index; a position that picks nothing keeps the
// previous pick and returns -1.
int pick_nearest_landmark(int x, int y);

// The label beside the plan: the landmark picked in this opening of the dialog (description,
// X, Y, Z, and whether a reference point already uses it), or how to pick one.
void show_landmark_choice();

// BUTTON_CB of the dialog, inherited by the plan's canvas: on the release of any button, picks
// the landmark, switches the plan's marks on and redraws the plan. Returns TUK_DEFAULT.
int button_refpto_cb(TukHandle self, int button, int pressed, int x, int y, char* status);
// "Ok": the landmark picked in this opening completes the pending reference point (the one whose
// pixel the click on the photograph stored) and the dialog closes. Without a pick nothing is
// added and the dialog stays open. A landmark that a point already uses replaces that point's
// pixel, after the user agrees. Each change raises appState.referenceEdits.
int okrefpto_cb(TukHandle self);
// "Cancel" and the close box: nothing changes; the pending pixel stays uncounted. TUK_CLOSE.
int cancelarrefpto_cb(TukHandle self);
int close_refpto_cb(TukHandle self);
// ACTION of the plan's canvas: redraws the plan. Returns TUK_DEFAULT.
int redraw_refpto_cb(TukHandle self, double posx, double posy);
