#pragma once
// Editing the reference points after they were marked: the camera kept in step with them, the
// point that disagrees with the rest named, removals and moves, and the questions asked first.

#include "toolkit/tuk.h"

// Portuguese description of table landmark i ("canto da grande área"); "ponto fora da tabela"
// for an index outside it.
const char* landmark_description(int i);

// After any change of the image or the reference points: drops the camera, calibrates again
// from the points there are and, with tell set, names the point the residuals single out in an
// error message. Returns 1 when there is a current camera.
int points_changed(int tell);
// The message naming point i as probably marked on the wrong landmark, into text.
void suspect_message(int i, char* text, int capacity);

// A yes/no question in the toolkit's list dialog; the answer that destroys nothing is offered
// first, so Enter on an untouched dialog keeps the work. Returns 1 for yes.
int confirm(const char* question, const char* yes);

// Edit > "Remove Last Reference Point" and "Remove Reference Points" (after confirmation).
int remultpto_cb(TukHandle self, int checked);
int remrefpto_cb(TukHandle self, int checked);

// A click at image column x, row from the bottom row, in "Add Reference Points" mode that falls
// on point i's cross: asks whether to move the point (the next click gives its new pixel), remove
// it, or add a new point at the click. Returns 1 when the click was used up here.
int edit_reference_point_at(int x, int row);

// Half the size of the reference crosses, pixels: a click this close to one is on it.
constexpr int REFERENCE_CROSS_REACH = 6;
