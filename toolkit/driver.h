#pragma once
// The boundary between the toolkit core and a window-system driver.
//
// A driver fills in one TukDriver record. The core calls it to create and update native
// objects, to measure text and to pump native events; the driver turns every native event into
// a neutral TukEvent, so key codes, mouse status texts and the close rules live in the core only.
// The core includes no window-system header; a driver includes this one and its own, and reaches
// the core's elements only through the services declared at the end of this file.

#include "tuk.h"

// Modifier and button state carried by neutral events.
enum {
  TUK_MOD_SHIFT = 1 << 0,
  TUK_MOD_CONTROL = 1 << 1,
  TUK_MOD_ALT = 1 << 2,
  TUK_MOD_BUTTON1 = 1 << 3,  // left button held
  TUK_MOD_BUTTON2 = 1 << 4,  // middle button held
  TUK_MOD_BUTTON3 = 1 << 5,  // right button held
};

// Neutral key symbols: a key on the keyboard, not the character it produces.
// Printable keys are their unshifted US-layout character ('a', '1', '-', ' ' ...);
// the others are the values below.
enum TukKeySym {
  TUK_KS_ENTER = 0x100, TUK_KS_ESCAPE, TUK_KS_TAB, TUK_KS_BACKSPACE,
  TUK_KS_HOME, TUK_KS_END, TUK_KS_PAGEUP, TUK_KS_PAGEDOWN,
  TUK_KS_UP, TUK_KS_DOWN, TUK_KS_LEFT, TUK_KS_RIGHT, TUK_KS_INSERT, TUK_KS_DELETE,
  TUK_KS_F1, TUK_KS_F2, TUK_KS_F3, TUK_KS_F4, TUK_KS_F5, TUK_KS_F6,
  TUK_KS_F7, TUK_KS_F8, TUK_KS_F9, TUK_KS_F10, TUK_KS_F11, TUK_KS_F12,
  TUK_KS_KP0, TUK_KS_KP1, TUK_KS_KP2, TUK_KS_KP3, TUK_KS_KP4,
  TUK_KS_KP5, TUK_KS_KP6, TUK_KS_KP7, TUK_KS_KP8, TUK_KS_KP9,
  TUK_KS_KP_DECIMAL, TUK_KS_KP_ADD, TUK_KS_KP_SUBTRACT, TUK_KS_KP_MULTIPLY,
  TUK_KS_KP_DIVIDE, TUK_KS_KP_ENTER,
};

enum TukEventType {
  TUK_EVENT_NONE = 0,
  TUK_EVENT_BUTTON,   // element: canvas; button 1-3, pressed, x, y, modifiers, double_click
  TUK_EVENT_MOTION,   // element: canvas; x, y, modifiers
  TUK_EVENT_KEY,      // element: the focused element (null: the core asks the driver); key, mods
  TUK_EVENT_CLOSE,    // element: dialog whose frame's close box was used
  TUK_EVENT_ACTIVATE, // element: button clicked or menu item picked
  TUK_EVENT_SELECT,   // element: list; item (from 1), state (1 selected, 0 deselected)
  TUK_EVENT_PAINT,    // element: canvas to repaint
  TUK_EVENT_FOCUS,    // element: gets the focus; other: loses it (either may be null)
  TUK_EVENT_RESIZE,   // element: dialog the user resized; x, y: new window size in pixels
  TUK_EVENT_ENTER,    // element: canvas the pointer entered
  TUK_EVENT_LEAVE,    // element: canvas the pointer left
  TUK_EVENT_SHOW_STATE,  // element: dialog restored (state 1) or minimised (state 2)
  TUK_EVENT_SCROLL,   // element: canvas whose scroll bars the user moved; x, y: new POSX, POSY
  TUK_EVENT_WHEEL,    // element: canvas under the pointer; x, y, modifiers; wheel_x, wheel_y
};

struct TukEvent {
  int type;           // TukEventType
  TukHandle element;  // the element the event is for
  TukHandle other;    // focus events: the element losing the focus
  int button;         // 1 left, 2 middle, 3 right
  int pressed;        // 1 press, 0 release
  int double_click;   // 1 when a press completes a double click
  int x, y;           // pointer in the element's client area, pixels, origin top-left
  int modifiers;      // TUK_MOD_ bits held when the event happened
  int key;            // TukKeySym
  int item;           // list item, from 1
  int state;          // list state, 1 selected / 0 deselected
  int wheel_x;        // wheel notches: right positive
  int wheel_y;        // wheel notches: away from the user (up) positive
};

// Pixel format wanted by an OpenGL canvas, read from its attributes at map time.
struct TukGLFormat {
  int double_buffer;  // BUFFER "DOUBLE"
  int stereo;         // STEREO "YES"
  int color_index;    // COLOR "INDEX"
  int color_bits;     // 24 in RGBA mode; 8 or BUFFER_SIZE in index mode
  int red_bits, green_bits, blue_bits, alpha_bits;
  int red_shift, green_shift, blue_shift, alpha_shift;  // components packed red first from bit 0
  int depth_bits;     // 16 unless DEPTH_SIZE > 0
  int stencil_bits;
  int accum_red_bits, accum_green_bits, accum_blue_bits, accum_alpha_bits;
  int accum_bits;     // sum of the four (an 8-bit field)
};

// A list's items are its attributes "1", "2" ... up to this one; the first name missing ends them.
enum { TUK_LIST_MAX_ITEMS = 999 };

// Results of TukDriver::gl_create.
enum { TUK_GL_OK = 0, TUK_GL_NO_FORMAT = 1, TUK_GL_NO_CONTEXT = 2 };

struct TukDriver {
  const char* name;  // "headless", "fltk": the global attribute DRIVER

  // life
  int (*open)(void);                 // TUK_NOERROR when the window system is usable
  void (*close)(void);
  const char* (*system_name)(void);  // the global attribute SYSTEM
  const char* (*default_font)(void); // the global attribute DEFAULTFONT
  const char* (*dialog_color)(void); // "r g b": the global attribute DLGBGCOLOR, BGCOLOR default

  // metrics for the layout
  void (*screen_size)(int* width, int* height);                      // out: pixels
  void (*char_size)(TukHandle element, int* avg_width, int* height); // out: element's font
  void (*text_extent)(TukHandle element, const char* text, int* width, int* height);  // out
  // out: pixels a dialog adds around its client area (frame, title bar, menu bar when
  // has_menu), a button around its text, a canvas whose SCROLLBAR is "YES" for its bars
  // (the vertical bar's width, the horizontal bar's height), a menu bar (a menu) at its two
  // ends, or one of its titles (a submenu or item) around the title's text
  void (*decoration)(TukHandle element, int has_menu, int* width, int* height);

  // native objects
  int (*map)(TukHandle element);     // create the native object; TUK_NOERROR or TUK_ERROR
  void (*unmap)(TukHandle element);  // destroy it; the element keeps its attributes
  void (*set_attribute)(TukHandle element, const char* name, const char* value);  // mapped only
  const char* (*get_attribute)(TukHandle element, const char* name);  // live value or null
  const char* (*default_attribute)(TukHandle element, const char* name);  // or null
  void (*place)(TukHandle element);  // apply the layout's position and size to a mapped element
  void (*show)(TukHandle element, int x, int y);  // dialogs: screen position of the window
  void (*hide)(TukHandle element);
  void (*raise)(TukHandle dialog);
  void (*update)(TukHandle dialog);  // repaint now: pending PAINT events go through tuk_dispatch
  void (*enable_dialog)(TukHandle dialog, int enabled);
  TukHandle (*set_focus)(TukHandle element);  // returns the element that had the focus
  TukHandle (*get_focus)(void);

  // events: 1 and *event filled, or 0 when nothing is pending (wait == 0). With wait != 0 it
  // blocks until an event arrives.
  int (*pump)(int wait, TukEvent* event);

  // standard dialogs
  int (*popup_menu)(TukHandle menu, int x, int y, TukHandle* picked);  // out: item or null
  // kind: TukMessageKind (the icon)
  void (*message)(TukHandle owner, const char* title, const char* text, int kind);
  // path: filter on entry, chosen path on return (capacity bytes). 0 existing file, 1 new
  // name, -1 cancelled. mode: TukFileMode.
  int (*get_file)(TukHandle owner, const char* title, char* path, std::size_t capacity, int mode);

  // help viewer, null on a driver without one: shows an HTML file (its full path) at its top in
  // a window of its own with this title, kept above the owner (a native window id as WID reads
  // it; null or empty for none), and closes that window
  void (*help_show)(const char* path, const char* title, const char* owner_wid);
  void (*help_close)(void);

  // OpenGL: device is the canvas's drawable, context its rendering context
  int (*gl_create)(TukHandle canvas, const TukGLFormat* format, void** device, void** context);
  void (*gl_make_current)(void* device, void* context);  // nulls: no context current
  void (*gl_swap)(void* device);
  void (*gl_destroy)(void* device, void* context);
};

// Driver registry. Each driver library registers its record when it is linked in.
int tuk_driver_register(const TukDriver* driver);  // TUK_ERROR when the registry is full
const TukDriver* tuk_driver_find(const char* name);
const TukDriver* tuk_driver(void);  // the driver in use, null while the toolkit is closed

// Core services for drivers.
// Turns a neutral event into callbacks now. Events from any thread but the one that called
// TukOpen are ignored.
void tuk_dispatch(const TukEvent* event);
TukHandle tuk_element_from_id(int id);     // null once the element is destroyed
int tuk_element_id(TukHandle element);
int tuk_element_kind(TukHandle element);
TukHandle tuk_element_parent(TukHandle element);
TukHandle tuk_element_first_child(TukHandle element);
TukHandle tuk_element_next(TukHandle element);
TukHandle tuk_element_dialog(TukHandle element);  // the dialog holding it (itself for a dialog)
void tuk_element_geometry(TukHandle element, int* x, int* y, int* width, int* height);  // out
// A canvas's drawing area: its layout size less its scroll bars (out: pixels). The GL drawable
// and RESIZE_CB get this size; the bars take the rest of the element's room.
void tuk_canvas_client_size(TukHandle canvas, int* width, int* height);
// 1 when the canvas's own SCROLLBAR is "YES" (any case)
int tuk_canvas_scrolls(TukHandle canvas);
void* tuk_element_native(TukHandle element);
void tuk_element_set_native(TukHandle element, void* native);
TukHandle tuk_innermost_popup(void);  // the dialog of the innermost modal popup, or null
// A readable description for messages: kind, id, title and name.
const char* tuk_element_label(TukHandle element, char* buffer, std::size_t capacity);
// The element's own value of an attribute, not inherited and not the driver's live one; null when
// unset.
const char* tuk_own_attribute(TukHandle element, const char* name);
// The dialog whose MENU holds the menu tree of a menu or item, or null when no dialog shows it.
TukHandle tuk_menu_owner(TukHandle element);
// An IMAGE's colour indices, WIDTH x HEIGHT bytes with the rows top first; null for anything else
// or an image without pixels.
const unsigned char* tuk_image_pixels(TukHandle image);
// A GL canvas's drawable and rendering context as its driver's gl_create made them (out: null
// when it has none, or for anything but a GL canvas).
void tuk_canvas_gl(TukHandle canvas, void** device, void** context);
// Colour of an image's index 0-15: its attribute, the dialog colour for "BGCOLOR", else the
// built-in default. 1 on success, 0 for a bad index or null arguments.
int tuk_image_color(TukHandle image, int index, unsigned char rgb[3]);
