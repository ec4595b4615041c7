#pragma once
// Toolkit internals shared by the core's source files and its tests; drivers see only driver.h.
#include "driver.h"
#include "tuk.h"
#include "tuk_class.h"

#include <cstddef>
#include <cstdint>

// ---- attribute tables -----------------------------------------------------------------------

struct TukAttrEntry {
  const char* name;     // the interned copy of the name
  const void* value;    // a NUL-terminated string; internal attributes may hold any pointer
  bool owned;           // value is a private copy, freed when replaced or removed
  TukAttrEntry* next;   // next entry of the bucket
};

struct TukAttrTable {
  int bucket_count;          // 1, 17 or 211
  TukAttrEntry** buckets;    // bucket_count heads; a new entry goes to the head
};

enum { TUK_BUCKETS_PLAIN = 1, TUK_BUCKETS_LIST = 17, TUK_BUCKETS_GLOBAL = 211 };

char* tuk_strdup(const char* text);  // malloc'd copy, freed with free(); null when out of memory
// ELF hash over the name's bytes taken as signed; 0 for an empty name.
std::uint32_t tuk_hash(const char* name);
const char* tuk_intern(const char* name);  // the one copy of the name; null for null
void tuk_intern_clear(void);
int tuk_intern_count(void);                // names interned so far (for tests)

TukAttrTable* tuk_table_new(int bucket_count);
void tuk_table_free(TukAttrTable* table);  // frees the owned values too
TukAttrEntry* tuk_table_find(const TukAttrTable* table, const char* name);
// Stores value under name (copy when copy is true); a null value removes the entry.
void tuk_table_set(TukAttrTable* table, const char* name, const void* value, bool copy);
const void* tuk_table_get(const TukAttrTable* table, const char* name);
int tuk_table_bucket_of(const TukAttrTable* table, const char* name);
// Calls visit for every entry (stops early when visit returns false).
void tuk_table_each(const TukAttrTable* table, bool (*visit)(TukAttrEntry*, void*), void* data);

// ---- elements ---------------------------------------------------------------------------------

enum {
  TUK_EXPAND_HORIZONTAL = 1,
  TUK_EXPAND_VERTICAL = 2,
};

// The first element id. A driver may use an id as the command identifier of the element's native
// control or menu entry, so the numbers below it stay free for the window system's own commands.
enum { TUK_FIRST_ID = 50 };

struct TukElement {
  int id;                 // from TUK_FIRST_ID, never reused
  int kind;               // TukKind
  TukAttrTable* attrs;    // own attributes
  TukClass* cls;          // registered control class, null for built-in kinds
  void* native;           // driver's native object once mapped, else null
  int expand;             // TUK_EXPAND_ bits, set by the layout
  int x, y;               // position inside the dialog's client area, pixels (dialog: screen)
  int natural_w, natural_h;  // pixels, computed by the layout
  int current_w, current_h;  // pixels, assigned by the layout
  unsigned char* pixels;  // IMAGE: private copy of the colour indices, rows top first
  TukElement* next;       // next sibling
  TukElement* first_child;
  TukElement* parent;
  // bookkeeping of the loop
  bool counted;           // dialog is counted among the visible dialogs
  bool mapped;            // native objects exist (also for drivers without native handles)
  int reported_w, reported_h;  // canvas client size last passed to RESIZE_CB, -1 before
};

TukElement* tuk_element_new(int kind, int buckets);
void tuk_element_append(TukElement* parent, TukElement* child);
const void* tuk_get_pointer(TukElement* e, const char* name);     // own table, any pointer
void tuk_set_pointer(TukElement* e, const char* name, const void* value);  // no driver call
const char* tuk_kind_name(int kind);
int tuk_default_expand(TukElement* e);

// The function named by the element's attribute (inherited), or null.
TukCallback tuk_callback_of(TukElement* e, const char* attribute);
// A stored callback as the signature it is called with.
template <typename To>
inline To tuk_callback_as(TukCallback f) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)(void)>(f));
}

// ---- layout -------------------------------------------------------------------------------------

// Parses "%dx%d" (either part 0 or missing = natural); dialogs also take FULL, HALF, THIRD,
// QUARTER, EIGHTH as a part (result negative: -divisor). Returns false when malformed.
bool tuk_parse_size(const char* text, bool dialog_parts, int* width, int* height);
void tuk_layout_dialog(TukElement* dialog);  // natural sizes, expansion, current sizes, positions
// The same for a dialog given a window size (never below its natural size).
void tuk_layout_dialog_size(TukElement* dialog, int width, int height);
void tuk_natural_size(TukElement* e, int box_kind);
void tuk_canvas_natural_size(TukElement* e, int* width, int* height);  // out: pixels  // box_kind: parent box, for fills
void tuk_place_dialog(TukElement* dialog, int x, int y, int* sx, int* sy);  // out: screen pos

// ---- loop and input -------------------------------------------------------------------------

enum { TUK_STEP_END = 0, TUK_STEP_DISPATCHED = 1, TUK_STEP_IDLE = 2 };
int tuk_loop_step(bool wait);
int tuk_key_code(int keysym, int modifiers);  // 0 when the key gives no event
const char* tuk_key_name(int code);          // "K_a" ..., null when unnamed
void tuk_mouse_status(int button, int modifiers, int double_click, char status[7]);
void tuk_close_action(TukElement* e);
void tuk_dialog_resized(TukElement* dialog, int width, int height);  // relayout, RESIZE_CB
void tuk_loop_forget(TukElement* e);  // drop references before the element is freed
void tuk_loop_reset(void);
void tuk_input_forget(TukElement* e);        // drop the mouse capture held by e (null: any)

struct TukLoopState {
  int visible_count;      // dialogs counted as visible
  bool main_loop;         // TukMainLoop is running
  int popup_depth;        // modal popup loops running (also those not pushed)
  int popup_stack_size;   // entries of the popup stack in use (at most 16)
  int shown_count;        // entries of the shown-dialog list in use (at most 50)
  bool quit_pending;      // the innermost loop ends at its next step
};
const TukLoopState* tuk_loop_state(void);
enum { TUK_POPUP_STACK_MAX = 16, TUK_SHOWN_MAX = 50 };
TukElement* tuk_popup_stack_at(int i);
TukElement* tuk_shown_at(int i);

// ---- OpenGL canvas ----------------------------------------------------------------------------

// Kept under the canvas's internal attribute "_TUK_GL_INT_DATA"; zeroed at creation.
struct GLCanvasData {
  void* device;        // the driver's drawable for the canvas, from MAP to UNMAP
  void* context;       // its rendering context, null when none could be made
  int palette_size;    // entries of the colour-index palette, 0 in RGBA mode
  TukGLFormat format;  // the pixel format asked for at MAP
};
GLCanvasData* tuk_gl_data(TukHandle canvas);  // null for anything but a GL canvas

// ---- classes --------------------------------------------------------------------------------
void tuk_classes_clear(void);
void tuk_map_tree(TukElement* e);
void tuk_unmap_tree(TukElement* e);

// ---- global state -----------------------------------------------------------------------------
TukElement* tuk_globals(void);  // the USER element holding the global attributes
bool tuk_is_open(void);
bool tuk_on_toolkit_thread(void);  // the calling thread is the one that called TukOpen
