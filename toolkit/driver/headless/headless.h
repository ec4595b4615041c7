#pragma once
// The headless driver: no display, fixed metrics, real OpenGL, scripted input.
//
// Metrics (fixed, so that layouts can be computed by hand):
//   screen 1280 x 1024 pixels; every font has an average character width of 7 and a character
//   height of 13 pixels; a text is 7 pixels a character of its longest line by 13 a line;
//   a dialog adds 4 pixels of frame on each side, a 20-pixel title bar and, when its MENU names
//   a menu, a 20-pixel menu bar (8 x 28, or 8 x 48 with a menu); a button adds 4 pixels on each
//   side of its text (8 x 8); a canvas with SCROLLBAR "YES" has 16-pixel bars (16 x 16); a
//   menu bar has 6 pixels at each end and 16 around each title's text.
// OpenGL: every GL canvas has its own EGL context (Mesa's surfaceless platform, desktop OpenGL
//   compatibility profile) drawing into a pbuffer of the canvas's size. The colour, alpha, depth
//   and stencil sizes are minimums; stereo and accumulation buffers are not available and are
//   ignored; colour-index mode gets an RGBA context with the palette recorded. On a
//   double-buffered canvas TukGLSwapBuffers copies the drawing to the canvas's visible frame;
//   on a single-buffered one the drawing is the visible frame.
// Input is scripted in advance and delivered, in order, by the event loop (TukMainLoop,
//   TukFlush, modal popups). Input for an element that is gone, unmapped, hidden, or inside a
//   disabled dialog is dropped, as a window system would. A loop that must wait with no
//   scripted input left, and a message box, file dialog or popup menu with no answer queued,
//   abort the program with a message that names the dialog: a test never hangs.

#include "../../driver.h"  // TUK_KS_ key symbols and TUK_MOD_ modifiers
#include "../../tuk.h"

// Mouse buttons for the scripted mouse: 1 left, 2 middle, 3 right. Modifiers: TUK_MOD_ bits of
// toolkit/driver.h. x and y are client pixels from the canvas's top-left corner.
void TukHeadlessMousePress(TukHandle canvas, int button, int x, int y, int modifiers);
void TukHeadlessMouseDoubleClick(TukHandle canvas, int button, int x, int y, int modifiers);
void TukHeadlessMouseRelease(TukHandle canvas, int button, int x, int y, int modifiers);
void TukHeadlessMouseMove(TukHandle canvas, int x, int y, int modifiers);
// The user turns the mouse wheel over the canvas at (x, y): notches_y away from the user
// (up) positive, notches_x of a horizontal wheel right positive.
void TukHeadlessWheel(TukHandle canvas, int notches_x, int notches_y, int x, int y, int modifiers);
// The user moves the canvas's scroll bars to POSX posx and POSY posy.
void TukHeadlessScroll(TukHandle canvas, int posx, int posy);
// A key (a TukKeySym: 'a', '1', TUK_KS_UP ...) on whatever element has the focus when it is
// delivered.
void TukHeadlessKey(int keysym, int modifiers);
void TukHeadlessClickButton(TukHandle button);
void TukHeadlessPickItem(TukHandle item);                // a menu entry of a menu bar
void TukHeadlessChooseListEntry(TukHandle list, int item);  // item from 1
// The frame's close box of a dialog; null: of the innermost popup, else the active dialog,
// whichever it is when delivered.
void TukHeadlessCloseDialog(TukHandle dialog);

// Answers queued for the next modal standard dialogs, in order.
void TukHeadlessAnswerMessage(void);               // presses OK on the next message box
void TukHeadlessAnswerFile(const char* path);      // null cancels the next file dialog
void TukHeadlessAnswerMenu(TukHandle item);        // null dismisses the next popup menu

int TukHeadlessPendingInput(void);    // scripted events not yet delivered
int TukHeadlessDroppedInput(void);    // scripted events dropped since TukOpen
void TukHeadlessClearInput(void);     // forgets every scripted event and answer
// The last message box shown since TukOpen: its title and text, or nulls.
void TukHeadlessLastMessage(const char** title, const char** text);
// Its TukMessageKind, or -1 when none was shown.
int TukHeadlessLastMessageKind(void);
// The TukFileMode of the last file dialog (TUK_FILE_OPEN before any).
int TukHeadlessLastFileMode(void);

// The canvas's visible frame: RGB bytes, bottom row first, width x height; null when the
// canvas has no context or (double-buffered) was never swapped. Valid until the next call.
const unsigned char* TukHeadlessFrame(TukHandle canvas, int* width, int* height);
