#pragma once
// Tuk: Varnesk's own interface toolkit.
//
// An application describes its windows as a tree of elements (dialogs, boxes, fills, canvases,
// labels, buttons, lists, menus), configures every element through named string attributes and
// binds behaviour by name: an attribute such as ACTION or BUTTON_CB holds the name of a callback
// registered with TukSetFunction. The toolkit computes the layout, maps the tree onto a window
// system through a driver (toolkit/driver.h) and runs the event loop.
//
// All calls come from one thread, the one that called TukOpen.

#include <cstddef>

typedef struct TukElement* TukHandle;

// A callback returns an action code. The pointer type is only the storage type: the toolkit
// calls each callback through the exact signature documented for the attribute that names it,
// so define callbacks with that signature and register them through TukCallbackOf:
//   TukSetFunction("redraw_cb", TukCallbackOf(redraw_cb));
//
//   attribute        raised by       signature
//   ACTION           button          int cb(TukHandle self)
//   ACTION           menu item       int cb(TukHandle self, int checked)       checked: 1 if the
//                                                                                entry shows a mark
//   ACTION           canvas          int cb(TukHandle self, double posx, double posy)
//                                    (redraw; POSX and POSY, default 0.0)
//   ACTION           list            int cb(TukHandle self, char* text, int item, int state)
//                                    (item from 1; state 1 selected, 0 deselected)
//   BUTTON_CB        canvas          int cb(TukHandle self, int button, int pressed, int x, int y,
//                                           char* status)
//                                    button TUK_BUTTON1/2/3; pressed 1 down, 0 up; x, y client
//                                    pixels from the top-left; status: see below
//   MOTION_CB        canvas          int cb(TukHandle self, int x, int y, char* status)
//   WHEEL_CB         canvas          int cb(TukHandle self, double delta, int x, int y, char* status)
//                                    delta: notches of the vertical wheel, away from the user
//                                    positive. Without it, and for a horizontal wheel, the
//                                    wheel moves the canvas's scroll bars a tenth of the part
//                                    shown a notch (sideways with shift) and calls SCROLL_CB
//   K_ANY, K_xxx     focused element int cb(TukHandle focused, int key)   key: a K_ code
//   CLOSE_CB         dialog          int cb(TukHandle dialog)
//   RESIZE_CB        canvas          int cb(TukHandle self, int width, int height)
//   SCROLL_CB        canvas          int cb(TukHandle self, double posx, double posy)
//                                    (the user moved a scroll bar; without it, ACTION repaints)
//   SHOW_CB          dialog          int cb(TukHandle dialog, int state)  0 shown, 1 restored,
//                                                                        2 minimised
//   ENTERWINDOW_CB   canvas          int cb(TukHandle self)              the pointer came in
//   LEAVEWINDOW_CB   canvas          int cb(TukHandle self)              the pointer went out
//   MAP_CB           dialog          int cb(TukHandle dialog)
//   GETFOCUS_CB      element         int cb(TukHandle self, TukHandle other)
//   KILLFOCUS_CB     element         int cb(TukHandle self, TukHandle other) other gets the focus
//   "tuk-idle"       (function name) int cb(void)
//
// Mouse status text: five characters and a NUL: [0] 'S' shift held, [1] 'C' control held,
// [2] '1' [3] '2' [4] '3' for each button down (on a release the released button is set too);
// a blank where not. A double click is reported as a press with a sixth character 'D'.
typedef int (*TukCallback)(TukHandle);
typedef int (*TukIdleCallback)(void);
typedef int (*TukButtonCallback)(TukHandle, int, int, int, int, char*);
typedef int (*TukMotionCallback)(TukHandle, int, int, char*);
typedef int (*TukWheelCallback)(TukHandle, double, int, int, char*);
typedef int (*TukKeyCallback)(TukHandle, int);
typedef int (*TukItemCallback)(TukHandle, int);
typedef int (*TukCanvasCallback)(TukHandle, double, double);
typedef int (*TukListCallback)(TukHandle, char*, int, int);
typedef int (*TukSizeCallback)(TukHandle, int, int);
typedef int (*TukStateCallback)(TukHandle, int);
typedef int (*TukFocusCallback)(TukHandle, TukHandle);

// Any callback as the storage type (through the generic function pointer type, which the
// compilers accept without a cast warning). The toolkit calls it back with its own signature.
template <typename Function>
inline TukCallback TukCallbackOf(Function* function) {
  return reinterpret_cast<TukCallback>(reinterpret_cast<void (*)(void)>(function));
}

// Action codes returned by callbacks; any other value counts as TUK_DEFAULT.
enum {
  TUK_IGNORE = -1,   // drop the event: a key is swallowed, CLOSE_CB keeps the dialog open
  TUK_DEFAULT = -2,  // normal processing continues
  TUK_CLOSE = -3,    // hide the element's dialog and end the innermost running event loop
};

// Status results of the operations that return one.
enum { TUK_NOERROR = 0, TUK_ERROR = 1 };

// Dialog placement codes for TukPopup, and the mouse position for a popup menu.
enum { TUK_CENTER = -1, TUK_LEFT = -2, TUK_RIGHT = -3, TUK_MOUSEPOS = -5 };

// Mouse button codes of BUTTON_CB: the characters '1', '2', '3'.
enum { TUK_BUTTON1 = '1', TUK_BUTTON2 = '2', TUK_BUTTON3 = '3' };

// Element kinds; TYPENAME reports the matching name ("BUTTON", "DIALOG" ...).
enum TukKind {
  TUK_KIND_UNKNOWN = 0, TUK_KIND_COLOR, TUK_KIND_IMAGE, TUK_KIND_BUTTON, TUK_KIND_CANVAS,
  TUK_KIND_DIALOG, TUK_KIND_FILL, TUK_KIND_FRAME, TUK_KIND_HBOX, TUK_KIND_ITEM,
  TUK_KIND_SEPARATOR, TUK_KIND_SUBMENU, TUK_KIND_KEYACTION, TUK_KIND_LABEL, TUK_KIND_LIST,
  TUK_KIND_MENU, TUK_KIND_RADIO, TUK_KIND_TEXT, TUK_KIND_TOGGLE, TUK_KIND_VBOX, TUK_KIND_ZBOX,
  TUK_KIND_MULTILINE, TUK_KIND_USER, TUK_KIND_CONTROL,
  TUK_KIND_COUNT
};

// Key codes (K_ANY's second argument; a K_ attribute named after the code is looked up first).
enum TukKeyCode {
#define TUK_KEY(name, code) name = code,
#include "tuk_keys.h"
#undef TUK_KEY
};

// ---- life cycle ---------------------------------------------------------------------------
// Opens the toolkit on the chosen driver: TukSetDriver's choice, else the environment variable
// TUK_DRIVER ("headless" or "fltk"), else "fltk" when DISPLAY is set, else "headless"; a driver
// that is not linked in falls back to "headless". Sets the global attributes VERSION ("1.8"),
// DRIVER and SYSTEM (the driver and platform actually in use), SCREENSIZE ("WxH"), DEFAULTFONT
// and DLGBGCOLOR. Shows the version dialog when TUK_VERSION is set.
// Returns TUK_NOERROR, or TUK_ERROR when no driver can be opened or the toolkit is already open.
int TukOpen(void);
// Destroys every element, clears the name and function tables and closes the driver.
void TukClose(void);
// Chooses the driver TukOpen uses, overriding the environment ("headless", "fltk"; null
// restores the default choice). Returns TUK_ERROR when no driver of that name is linked in.
int TukSetDriver(const char* name);

// ---- constructors (each returns a new, unmapped element; text arguments are copied) --------
// Colours are the attributes "0" to "15" ("r g b", or "BGCOLOR" for the dialog's background);
// an index without one has a built-in default (see tuk_image_color in toolkit/driver.h).
TukHandle TukImage(int width, int height, const unsigned char* pixels);
TukHandle TukButton(const char* title, const char* action);
TukHandle TukCanvas(const char* action);
TukHandle TukDialog(TukHandle child);
TukHandle TukFill(void);
TukHandle TukFrame(TukHandle child);
// The child lists end with a null pointer: TukVbox(a, b, nullptr).
TukHandle TukHbox(TukHandle child, ...);
TukHandle TukVbox(TukHandle child, ...);
TukHandle TukMenu(TukHandle child, ...);
TukHandle TukItem(const char* title, const char* action);
TukHandle TukSubmenu(const char* title, TukHandle menu);
TukHandle TukSeparator(void);
TukHandle TukLabel(const char* title);
TukHandle TukList(const char* action);
// Destroys the element and its children; removes every name that refers to them.
void TukDestroy(TukHandle element);

// ---- attributes -----------------------------------------------------------------------------
// Layout attributes, read when a dialog is shown:
//   RASTERSIZE "WxH" pixels, SIZE "WxH" character units (a quarter of the average character
//   width, an eighth of its height); "W" alone sets the width; a 0 or malformed value leaves
//   the size natural; RASTERSIZE wins. Dialogs also take FULL, HALF, THIRD, QUARTER, EIGHTH of
//   the screen. A FILL uses only the size along its box ("10" is a valid fill size).
//   EXPAND "YES", "NO", "HORIZONTAL", anything else up and down only. GAP pixels between a
//   box's children, MARGIN "HxV" pixels around them.
// Canvas scroll bars: SCROLLBAR "YES" adds a horizontal bar under the canvas and a vertical
//   one at its right, outside its drawing area (RASTERSIZE stays the drawing area's size).
//   XMAX, DX, POSX are the whole length, the part shown and its first unit, counted from 0
//   (YMAX, DY, POSY likewise, POSY from the top); the bars follow them when they are set. A
//   move of a bar by the user stores POSX and POSY and calls SCROLL_CB.
// A canvas's DRAWSIZE "WxH" is its drawing area as last laid out (it may be wider than its
//   RASTERSIZE in a box that gives it more room); it is set before RESIZE_CB is called.
// Stores the pointer itself: the caller keeps the string alive. A null value removes it.
void TukSetAttribute(TukHandle element, const char* name, const char* value);
// The same, storing a private copy of the value.
void TukStoreAttribute(TukHandle element, const char* name, const char* value);
// Live value from the driver, own table, ancestors up to the dialog, driver default; or null.
// Attributes that describe one element only (TITLE, SIZE, RASTERSIZE, VALUE, ACTION, EXPAND,
// GAP, MARGIN, list items ...) are not inherited.
const char* TukGetAttribute(TukHandle element, const char* name);
int TukGetInt(TukHandle element, const char* name);   // decimal value, 0 if absent
int TukGetBool(TukHandle element, const char* name);  // 1 YES/ON, 0 NO/OFF (any case), else -1
// "%d %d %d", or the RED/GREEN/BLUE of a COLOR element the value names. 1 on success, else 0.
int TukGetRGB(TukHandle element, const char* name, unsigned char* r, unsigned char* g,
              unsigned char* b);

// The global attributes (VERSION, DRIVER, SYSTEM, SCREENSIZE ...), held by the toolkit.
void TukSetGlobal(const char* name, const char* value);    // by reference, as TukSetAttribute
void TukStoreGlobal(const char* name, const char* value);  // a private copy
const char* TukGetGlobal(const char* name);

// ---- names and callbacks --------------------------------------------------------------------
TukHandle TukSetHandle(const char* name, TukHandle element);  // returns the previous element
TukHandle TukGetHandle(const char* name);
TukHandle TukGetDialog(TukHandle element);  // the dialog holding it (itself for a dialog), or null
TukCallback TukSetFunction(const char* name, TukCallback function);  // returns the previous one
// Falls back to the function registered as "tuk-default", except for "tuk-idle".
TukCallback TukGetFunction(const char* name);

// ---- showing, hiding, loop --------------------------------------------------------------------
int TukShow(TukHandle element);                // 0, or 1 for a null element
int TukHide(TukHandle element);                // 0, or 1 for a null or unmapped element
int TukPopup(TukHandle element, int x, int y); // modal for dialogs; runs a menu's picked entry
TukHandle TukSetFocus(TukHandle element);      // returns the element that had the focus
// Lays out again the mapped dialog holding the element after its sizes changed (RASTERSIZE,
// SIZE, SCROLLBAR ...): the dialog takes its new natural size, and one on screen whose size
// changed is centred again, as every show centres it. TUK_NOERROR, or TUK_ERROR for a null or
// unmapped element.
int TukRefresh(TukHandle element);
// The natural size of the element as the layout would compute it now from the attributes of
// its dialog's tree (out: pixels; a dialog's includes its decoration); 0 x 0 for null.
void TukNaturalSize(TukHandle element, int* width, int* height);
int TukMainLoop(void);                         // runs until the last dialog closes; returns 0
void TukFlush(void);                           // handles what is pending, without waiting
