// The headless driver: elements without windows, fixed metrics, scripted input.
#include "headless.h"

#include "../../driver.h"
#include "headless_internal.h"
#include "../../tuk_dialogs.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr int kCharWidth = 7;    // average character width, pixels
constexpr int kCharHeight = 13;  // character height, pixels
constexpr int kFrame = 4;        // dialog frame on each side
constexpr int kTitleBar = 20;
constexpr int kMenuBar = 20;
constexpr int kButtonBorder = 4;  // around a button's text, each side
constexpr int kScrollBar = 16;    // a canvas's scroll bars, across
constexpr int kMenuBarEnd = 6;    // a menu bar's margin before its first title and after its last
constexpr int kMenuTitlePad = 16; // a menu bar's room around each title's text

// What a mapped element is to this driver.
struct Native {
  bool visible;         // own visibility; on screen only when its dialog is visible too
  bool enabled;         // dialogs: accepts input
  bool damaged;         // canvases: needs a paint
  int value;            // list: selected item (single choice); item: 1 when checked
  std::string marks;    // list with MULTIPLE: '+' or '-' per item
  int last_focus_id;    // dialogs: the element focused last inside it
  int placed_w, placed_h;  // size last placed, pixels
  char live[64];        // storage for the live value last read
};

enum ScriptKind { SCRIPT_EVENT, SCRIPT_KEY, SCRIPT_CHOOSE, SCRIPT_CLOSE_CURRENT };

struct Scripted {
  int kind;        // ScriptKind
  int element_id;  // ids, not pointers: the element may be destroyed before delivery
  TukEvent event;  // element filled in at delivery
};

struct FileAnswer {
  bool cancel;
  std::string path;
};

struct State {
  bool open;
  int focus_id;               // element with the keyboard focus, 0 for none
  int active_id;              // dialog shown or raised last
  int dropped;                // scripted events dropped since TukOpen
  std::vector<int> mapped;    // ids of mapped elements, in mapping order
  bool has_message;
  std::string message_title, message_text;
  int message_kind;
  int file_mode;
};

State g_state;
std::deque<Scripted> g_script;
int g_message_answers;
std::deque<FileAnswer> g_file_answers;
std::deque<int> g_menu_answers;  // item ids, 0 dismisses

Native* native_of(TukHandle e) { return static_cast<Native*>(tuk_element_native(e)); }

bool focusable(TukHandle e) {
  switch (tuk_element_kind(e)) {
    case TUK_KIND_CANVAS: case TUK_KIND_BUTTON: case TUK_KIND_LIST: case TUK_KIND_TEXT:
    case TUK_KIND_TOGGLE: case TUK_KIND_MULTILINE:
      return native_of(e) != nullptr;
    default:
      return false;
  }
}

TukHandle first_focusable(TukHandle e) {
  if (focusable(e)) return e;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c))
    if (TukHandle f = first_focusable(c)) return f;
  return nullptr;
}

bool inside(TukHandle e, TukHandle ancestor) {
  for (; e; e = tuk_element_parent(e))
    if (e == ancestor) return true;
  return false;
}

// On screen: the element and every ancestor are visible (menus: their owner dialog).
bool on_screen(TukHandle e) {
  if (tuk_element_kind(e) == TUK_KIND_ITEM || tuk_element_kind(e) == TUK_KIND_MENU) {
    TukHandle owner = tuk_menu_owner(e);
    return owner && on_screen(owner);
  }
  for (; e; e = tuk_element_parent(e)) {
    Native* n = native_of(e);
    if (!n || !n->visible) return false;
  }
  return true;
}

TukHandle input_dialog(TukHandle e) {
  TukHandle d = tuk_element_dialog(e);
  return d ? d : tuk_menu_owner(e);
}

void focus_dialog(TukHandle dialog) {
  Native* n = native_of(dialog);
  TukHandle last = n ? tuk_element_from_id(n->last_focus_id) : nullptr;
  TukHandle target = last && inside(last, dialog) ? last : first_focusable(dialog);
  g_state.focus_id = tuk_element_id(target ? target : dialog);
}

void damage_canvases(TukHandle e) {
  if (tuk_element_kind(e) == TUK_KIND_CANVAS)
    if (Native* n = native_of(e)) n->damaged = true;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c)) damage_canvases(c);
}

TukHandle next_damaged(TukHandle within) {
  for (int id : g_state.mapped) {
    TukHandle e = tuk_element_from_id(id);
    Native* n = e ? native_of(e) : nullptr;
    if (!n || !n->damaged || tuk_element_kind(e) != TUK_KIND_CANVAS) continue;
    if (within && !inside(e, within)) continue;
    if (on_screen(e)) return e;
  }
  return nullptr;
}

void drop(const char* why, TukHandle e) {
  char label[160];
  ++g_state.dropped;
  std::fprintf(stderr, "headless: scripted input dropped (%s): %s\n", why,
               tuk_element_label(e, label, sizeof label));
}

void queue(int kind, TukHandle e, const TukEvent& ev) {
  g_script.push_back(Scripted{kind, tuk_element_id(e), ev});
}

TukEvent event_of(int type) {
  TukEvent ev{};
  ev.type = type;
  return ev;
}

// Turns a list choice into its selection events; the first is returned, a second queued first.
void expand_choice(TukHandle list, Native* n, TukEvent* ev) {
  const int item = ev->item;
  ev->type = TUK_EVENT_SELECT;
  ev->element = list;
  if (TukGetBool(list, "MULTIPLE") == 1) {
    if (n->marks.size() < static_cast<std::size_t>(item)) n->marks.resize(item, '-');
    char& mark = n->marks[static_cast<std::size_t>(item - 1)];
    mark = mark == '+' ? '-' : '+';
    ev->state = mark == '+' ? 1 : 0;
    return;
  }
  const int old = n->value;
  n->value = item;
  ev->state = 1;
  if (old > 0 && old != item) {
    TukEvent select = *ev;
    g_script.push_front(Scripted{SCRIPT_EVENT, tuk_element_id(list), select});
    ev->item = old;
    ev->state = 0;
  }
}

void collect_focusable(TukHandle e, std::vector<TukHandle>* out) {
  if (focusable(e)) out->push_back(e);
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c)) collect_focusable(c, out);
}

// A window system's dialog navigation, ahead of the toolkit: Tab and Shift+Tab move the focus
// among the dialog's controls, Enter or Space presses a focused button. A canvas keeps every
// key for itself. Returns true when the key was used up here (*ev may become a click).
bool navigate(TukHandle focused, TukEvent* ev, bool* deliver_click) {
  *deliver_click = false;
  const int kind = tuk_element_kind(focused);
  if (kind == TUK_KIND_CANVAS || (ev->modifiers & (TUK_MOD_CONTROL | TUK_MOD_ALT))) return false;
  if (ev->key == TUK_KS_TAB) {
    TukHandle dialog = tuk_element_dialog(focused);
    std::vector<TukHandle> order;
    if (dialog) collect_focusable(dialog, &order);
    if (order.empty()) return true;
    auto at = std::find(order.begin(), order.end(), focused);
    std::size_t i = at == order.end() ? 0 : static_cast<std::size_t>(at - order.begin());
    const bool back = (ev->modifiers & TUK_MOD_SHIFT) != 0;
    i = back ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
    g_state.focus_id = tuk_element_id(order[i]);
    if (Native* dn = native_of(dialog)) dn->last_focus_id = g_state.focus_id;
    return true;
  }
  if (kind == TUK_KIND_BUTTON && ev->modifiers == 0 && (ev->key == TUK_KS_ENTER || ev->key == ' ')) {
    *ev = event_of(TUK_EVENT_ACTIVATE);
    ev->element = focused;
    *deliver_click = true;
    return true;
  }
  return false;
}

// Resolves a scripted entry into the event to deliver; false when it must be dropped.
bool deliver(Scripted s, TukEvent* ev) {
  *ev = s.event;
  TukHandle e = nullptr;
  if (s.kind == SCRIPT_KEY) {
    e = tuk_element_from_id(g_state.focus_id);
    if (!e) {
      drop("no element has the focus", nullptr);
      return false;
    }
  } else if (s.kind == SCRIPT_CLOSE_CURRENT) {
    e = tuk_innermost_popup();
    if (!e) e = tuk_element_from_id(g_state.active_id);
  } else {
    e = tuk_element_from_id(s.element_id);
  }
  if (!e) {
    drop("the element is gone", nullptr);
    return false;
  }
  Native* n = native_of(e);
  if (!n) {
    drop("not mapped", e);
    return false;
  }
  if (!on_screen(e)) {
    drop("not visible", e);
    return false;
  }
  TukHandle dialog = input_dialog(e);
  Native* dn = dialog ? native_of(dialog) : nullptr;
  if (dn && !dn->enabled) {
    drop("its dialog is disabled", e);
    return false;
  }
  ev->element = e;
  bool click = false;
  if (s.kind == SCRIPT_KEY && navigate(e, ev, &click)) return click;
  if (s.kind == SCRIPT_CHOOSE) expand_choice(e, n, ev);
  // a click on a canvas gives it the keyboard focus, as on a real screen
  if (ev->type == TUK_EVENT_BUTTON && ev->pressed) {
    g_state.focus_id = tuk_element_id(e);
    if (dn) dn->last_focus_id = g_state.focus_id;
  }
  return true;
}

// ---- driver operations ---------------------------------------------------------------------

int hl_open(void) {
  g_state.open = true;
  g_state.focus_id = 0;
  g_state.active_id = 0;
  g_state.dropped = 0;
  g_state.mapped.clear();
  g_state.has_message = false;
  return TUK_NOERROR;
}

void hl_close(void) {
  headless::gl_shutdown();
  g_state = State{};
  g_state.mapped.shrink_to_fit();
  TukHeadlessClearInput();
}

const char* hl_system_name(void) {
  static char text[160];
  utsname u{};
  if (uname(&u) != 0) return "Unknown";
  std::snprintf(text, sizeof text, "%s %s", u.sysname, u.release);
  return text;
}

const char* hl_default_font(void) { return "Fixed::7x13"; }
const char* hl_dialog_color(void) { return "192 192 192"; }

void hl_screen_size(int* w, int* h) {
  *w = kScreenWidth;
  *h = kScreenHeight;
}

void hl_char_size(TukHandle, int* w, int* h) {
  *w = kCharWidth;
  *h = kCharHeight;
}

void hl_text_extent(TukHandle, const char* text, int* w, int* h) {
  int longest = 0, line = 0, lines = 1;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') {
      ++lines;
      line = 0;
      continue;
    }
    longest = std::max(longest, ++line);
  }
  *w = longest * kCharWidth;
  *h = lines * kCharHeight;
}

void hl_decoration(TukHandle e, int has_menu, int* w, int* h) {
  if (tuk_element_kind(e) == TUK_KIND_DIALOG) {
    *w = 2 * kFrame;
    *h = 2 * kFrame + kTitleBar + (has_menu ? kMenuBar : 0);
  } else if (tuk_element_kind(e) == TUK_KIND_BUTTON) {
    *w = 2 * kButtonBorder;
    *h = 2 * kButtonBorder;
  } else if (tuk_element_kind(e) == TUK_KIND_MENU) {
    *w = 2 * kMenuBarEnd;
    *h = 0;
  } else if (tuk_element_kind(e) == TUK_KIND_SUBMENU || tuk_element_kind(e) == TUK_KIND_ITEM) {
    *w = kMenuTitlePad;
    *h = 0;
  } else if (tuk_canvas_scrolls(e)) {
    *w = kScrollBar;
    *h = kScrollBar;
  } else {
    *w = 0;
    *h = 0;
  }
}

int hl_map(TukHandle e) {
  if (native_of(e)) return TUK_NOERROR;
  Native* n = new Native{};
  n->visible = tuk_element_kind(e) != TUK_KIND_DIALOG;  // controls show with their dialog
  n->enabled = true;
  n->damaged = tuk_element_kind(e) == TUK_KIND_CANVAS;
  const char* value = tuk_own_attribute(e, "VALUE");
  if (tuk_element_kind(e) == TUK_KIND_ITEM) n->value = value && std::strcmp(value, "ON") == 0;
  if (tuk_element_kind(e) == TUK_KIND_LIST && value) {
    if (TukGetBool(e, "MULTIPLE") == 1) n->marks = value;
    else n->value = std::atoi(value);
  }
  tuk_element_set_native(e, n);
  g_state.mapped.push_back(tuk_element_id(e));
  return TUK_NOERROR;
}

void hl_unmap(TukHandle e) {
  Native* n = native_of(e);
  if (!n) return;
  const int id = tuk_element_id(e);
  g_state.mapped.erase(std::remove(g_state.mapped.begin(), g_state.mapped.end(), id),
                       g_state.mapped.end());
  if (g_state.focus_id == id) g_state.focus_id = 0;
  if (g_state.active_id == id) g_state.active_id = 0;
  tuk_element_set_native(e, nullptr);
  delete n;
}

void hl_set_attribute(TukHandle e, const char* name, const char* value) {
  Native* n = native_of(e);
  if (!n) return;
  const int kind = tuk_element_kind(e);
  if (std::strcmp(name, "VALUE") == 0) {
    if (kind == TUK_KIND_ITEM) n->value = value && std::strcmp(value, "ON") == 0;
    if (kind == TUK_KIND_LIST) {
      if (TukGetBool(e, "MULTIPLE") == 1) n->marks = value ? value : "";
      else n->value = value ? std::atoi(value) : 0;
    }
  } else if (std::strcmp(name, "VISIBLE") == 0 && kind != TUK_KIND_DIALOG) {
    n->visible = value && std::strcmp(value, "NO") != 0;
  } else if (std::strcmp(name, "ACTIVE") == 0 && kind == TUK_KIND_DIALOG) {
    n->enabled = !value || std::strcmp(value, "NO") != 0;
  }
}

const char* hl_get_attribute(TukHandle e, const char* name) {
  Native* n = native_of(e);
  if (!n) return nullptr;
  const int kind = tuk_element_kind(e);
  if (std::strcmp(name, "VISIBLE") == 0) {
    switch (kind) {
      case TUK_KIND_BUTTON: case TUK_KIND_CANVAS: case TUK_KIND_TOGGLE: case TUK_KIND_FRAME:
      case TUK_KIND_LABEL: case TUK_KIND_LIST: case TUK_KIND_TEXT: case TUK_KIND_MULTILINE:
      case TUK_KIND_DIALOG:
        return on_screen(e) ? "YES" : "NO";
      default:
        return nullptr;
    }
  }
  if (std::strcmp(name, "ACTIVE") == 0 && kind == TUK_KIND_DIALOG) return n->enabled ? "YES" : "NO";
  if (std::strcmp(name, "VALUE") == 0) {
    if (kind == TUK_KIND_ITEM) return n->value ? "ON" : "OFF";
    if (kind == TUK_KIND_LIST) {
      if (TukGetBool(e, "MULTIPLE") == 1) {
        std::snprintf(n->live, sizeof n->live, "%s", n->marks.c_str());
        return n->marks.size() < sizeof n->live ? n->live : n->marks.c_str();
      }
      std::snprintf(n->live, sizeof n->live, "%d", n->value);
      return n->live;
    }
    return nullptr;
  }
  int x = 0, y = 0;
  tuk_element_geometry(e, &x, &y, nullptr, nullptr);
  if (std::strcmp(name, "X") == 0 || std::strcmp(name, "Y") == 0) {
    std::snprintf(n->live, sizeof n->live, "%d", name[0] == 'X' ? x : y);
    return n->live;
  }
  if (std::strcmp(name, "WID") == 0) {
    std::snprintf(n->live, sizeof n->live, "%d", tuk_element_id(e));
    return n->live;
  }
  return nullptr;
}

const char* hl_default_attribute(TukHandle, const char*) { return nullptr; }

void hl_place(TukHandle e) {
  Native* n = native_of(e);
  if (!n) return;
  int w = 0, h = 0;
  tuk_element_geometry(e, nullptr, nullptr, &w, &h);
  if (w != n->placed_w || h != n->placed_h) {
    n->placed_w = w;
    n->placed_h = h;
    if (tuk_element_kind(e) == TUK_KIND_CANVAS) n->damaged = true;
  }
}

void hl_show(TukHandle e, int, int) {
  Native* n = native_of(e);
  if (!n) return;
  n->visible = true;
  damage_canvases(e);
  if (tuk_element_kind(e) == TUK_KIND_DIALOG) {
    g_state.active_id = tuk_element_id(e);
    focus_dialog(e);
  }
}

void hl_hide(TukHandle e) {
  Native* n = native_of(e);
  if (!n) return;
  n->visible = false;
  TukHandle focus = tuk_element_from_id(g_state.focus_id);
  if (focus && inside(focus, e)) g_state.focus_id = 0;
  if (g_state.active_id == tuk_element_id(e)) g_state.active_id = 0;
}

void hl_raise(TukHandle dialog) {
  if (!native_of(dialog) || !on_screen(dialog)) return;
  g_state.active_id = tuk_element_id(dialog);
  focus_dialog(dialog);
}

void hl_update(TukHandle dialog) {
  // painting may create or destroy canvases: look the next one up afresh each time
  while (TukHandle canvas = next_damaged(dialog)) {
    native_of(canvas)->damaged = false;
    TukEvent ev = event_of(TUK_EVENT_PAINT);
    ev.element = canvas;
    tuk_dispatch(&ev);
  }
}

void hl_enable_dialog(TukHandle dialog, int enabled) {
  if (Native* n = native_of(dialog)) n->enabled = enabled != 0;
}

TukHandle hl_set_focus(TukHandle e) {
  TukHandle before = tuk_element_from_id(g_state.focus_id);
  g_state.focus_id = tuk_element_id(e);
  // focusing a dialog brings it forward
  if (tuk_element_kind(e) == TUK_KIND_DIALOG && native_of(e)) g_state.active_id = g_state.focus_id;
  if (Native* dn = e ? native_of(tuk_element_dialog(e)) : nullptr) dn->last_focus_id = g_state.focus_id;
  return before;
}

TukHandle hl_get_focus(void) { return tuk_element_from_id(g_state.focus_id); }

int hl_pump(int wait, TukEvent* ev) {
  for (;;) {
    if (TukHandle canvas = next_damaged(nullptr)) {
      native_of(canvas)->damaged = false;
      *ev = event_of(TUK_EVENT_PAINT);
      ev->element = canvas;
      return 1;
    }
    if (g_script.empty()) {
      if (!wait) return 0;
      TukHandle popup = tuk_innermost_popup();
      headless::fail(popup ? "a modal dialog waits for input, but no scripted input is left"
                           : "the main loop waits for input, but no scripted input is left",
                     popup);
    }
    Scripted s = g_script.front();
    g_script.pop_front();
    if (deliver(s, ev)) return 1;
  }
}

int hl_popup_menu(TukHandle menu, int, int, TukHandle* picked) {
  if (g_menu_answers.empty()) headless::fail("a popup menu has no answer queued", menu);
  const int id = g_menu_answers.front();
  g_menu_answers.pop_front();
  TukHandle item = id ? tuk_element_from_id(id) : nullptr;
  *picked = item && inside(item, menu) ? item : nullptr;
  return TUK_NOERROR;
}

void hl_message(TukHandle, const char* title, const char* text, int kind) {
  g_state.has_message = true;
  g_state.message_kind = kind;
  g_state.message_title = title ? title : "";
  g_state.message_text = text ? text : "";
  if (g_message_answers == 0) {
    std::fprintf(stderr, "headless: message \"%s\": \"%s\"\n", g_state.message_title.c_str(),
                 g_state.message_text.c_str());
    headless::fail("a message box has no answer queued", nullptr);
  }
  --g_message_answers;
}

int hl_get_file(TukHandle, const char* title, char* path, std::size_t capacity, int mode) {
  g_state.file_mode = mode;
  if (g_file_answers.empty()) {
    std::fprintf(stderr, "headless: file dialog \"%s\"\n", title ? title : "");
    headless::fail("a file dialog has no answer queued", nullptr);
  }
  FileAnswer a = g_file_answers.front();
  g_file_answers.pop_front();
  if (a.cancel || !path || capacity == 0 || a.path.size() >= capacity) return -1;
  std::memcpy(path, a.path.c_str(), a.path.size() + 1);
  struct stat st{};
  return stat(path, &st) == 0 && S_ISREG(st.st_mode) ? 0 : 1;
}

// Filled by name: the record's field order can change without this table going wrong.
constexpr TukDriver headless_driver() {
  TukDriver d{};
  d.name = "headless";
  d.open = hl_open;
  d.close = hl_close;
  d.system_name = hl_system_name;
  d.default_font = hl_default_font;
  d.dialog_color = hl_dialog_color;
  d.screen_size = hl_screen_size;
  d.char_size = hl_char_size;
  d.text_extent = hl_text_extent;
  d.decoration = hl_decoration;
  d.map = hl_map;
  d.unmap = hl_unmap;
  d.set_attribute = hl_set_attribute;
  d.get_attribute = hl_get_attribute;
  d.default_attribute = hl_default_attribute;
  d.place = hl_place;
  d.show = hl_show;
  d.hide = hl_hide;
  d.raise = hl_raise;
  d.update = hl_update;
  d.enable_dialog = hl_enable_dialog;
  d.set_focus = hl_set_focus;
  d.get_focus = hl_get_focus;
  d.pump = hl_pump;
  d.popup_menu = hl_popup_menu;
  d.message = hl_message;
  d.get_file = hl_get_file;
  // no help viewer: help_show and help_close stay null
  d.gl_create = headless::gl_create;
  d.gl_make_current = headless::gl_make_current;
  d.gl_swap = headless::gl_swap;
  d.gl_destroy = headless::gl_destroy;
  return d;
}

constexpr TukDriver kHeadless = headless_driver();

// Linking the library registers the driver (the build forces this object in).
const int g_registered = tuk_driver_register(&kHeadless);

}  // namespace

extern "C" const TukDriver* tuk_headless_driver(void) {
  (void)g_registered;
  return &kHeadless;
}

namespace headless {

void fail(const char* what, TukHandle element) {
  char label[160];
  std::fprintf(stderr, "headless: %s%s%s\n", what, element ? ": " : "",
               element ? tuk_element_label(element, label, sizeof label) : "");
  std::fflush(stderr);
  std::abort();
}

}  // namespace headless

// ---- scripted input -------------------------------------------------------------------------

namespace {

// an event of the pointer at (x, y) of a canvas with the modifiers held
TukEvent pointer_event(int type, int x, int y, int modifiers) {
  TukEvent ev = event_of(type);
  ev.x = x;
  ev.y = y;
  ev.modifiers = modifiers;
  return ev;
}

void queue_button(TukHandle canvas, int button, int pressed, int double_click, int x, int y,
                  int modifiers) {
  TukEvent ev = pointer_event(TUK_EVENT_BUTTON, x, y, modifiers);
  ev.button = button;
  ev.pressed = pressed;
  ev.double_click = double_click;
  queue(SCRIPT_EVENT, canvas, ev);
}

}  // namespace

void TukHeadlessMousePress(TukHandle canvas, int button, int x, int y, int modifiers) {
  queue_button(canvas, button, 1, 0, x, y, modifiers);
}

void TukHeadlessMouseDoubleClick(TukHandle canvas, int button, int x, int y, int modifiers) {
  queue_button(canvas, button, 1, 1, x, y, modifiers);
}

void TukHeadlessMouseRelease(TukHandle canvas, int button, int x, int y, int modifiers) {
  queue_button(canvas, button, 0, 0, x, y, modifiers);
}

void TukHeadlessMouseMove(TukHandle canvas, int x, int y, int modifiers) {
  queue(SCRIPT_EVENT, canvas, pointer_event(TUK_EVENT_MOTION, x, y, modifiers));
}

void TukHeadlessWheel(TukHandle canvas, int notches_x, int notches_y, int x, int y, int modifiers) {
  TukEvent ev = pointer_event(TUK_EVENT_WHEEL, x, y, modifiers);
  ev.wheel_x = notches_x;
  ev.wheel_y = notches_y;
  queue(SCRIPT_EVENT, canvas, ev);
}

void TukHeadlessScroll(TukHandle canvas, int posx, int posy) {
  TukEvent ev = event_of(TUK_EVENT_SCROLL);
  ev.x = posx;
  ev.y = posy;
  queue(SCRIPT_EVENT, canvas, ev);
}

void TukHeadlessKey(int keysym, int modifiers) {
  TukEvent ev = event_of(TUK_EVENT_KEY);
  ev.key = keysym;
  ev.modifiers = modifiers;
  queue(SCRIPT_KEY, nullptr, ev);
}

void TukHeadlessClickButton(TukHandle button) {
  queue(SCRIPT_EVENT, button, event_of(TUK_EVENT_ACTIVATE));
}

void TukHeadlessPickItem(TukHandle item) { queue(SCRIPT_EVENT, item, event_of(TUK_EVENT_ACTIVATE)); }

void TukHeadlessChooseListEntry(TukHandle list, int item) {
  TukEvent ev = event_of(TUK_EVENT_SELECT);
  ev.item = item;
  queue(SCRIPT_CHOOSE, list, ev);
}

void TukHeadlessCloseDialog(TukHandle dialog) {
  queue(dialog ? SCRIPT_EVENT : SCRIPT_CLOSE_CURRENT, dialog, event_of(TUK_EVENT_CLOSE));
}

void TukHeadlessAnswerMessage(void) { ++g_message_answers; }

void TukHeadlessAnswerFile(const char* path) {
  g_file_answers.push_back(FileAnswer{path == nullptr, path ? path : ""});
}

void TukHeadlessAnswerMenu(TukHandle item) { g_menu_answers.push_back(tuk_element_id(item)); }

int TukHeadlessPendingInput(void) { return static_cast<int>(g_script.size()); }
int TukHeadlessDroppedInput(void) { return g_state.dropped; }

void TukHeadlessClearInput(void) {
  g_script.clear();
  g_message_answers = 0;
  g_file_answers.clear();
  g_menu_answers.clear();
}

void TukHeadlessLastMessage(const char** title, const char** text) {
  if (title) *title = g_state.has_message ? g_state.message_title.c_str() : nullptr;
  if (text) *text = g_state.has_message ? g_state.message_text.c_str() : nullptr;
}

int TukHeadlessLastMessageKind(void) { return g_state.has_message ? g_state.message_kind : -1; }

int TukHeadlessLastFileMode(void) { return g_state.file_mode; }

const unsigned char* TukHeadlessFrame(TukHandle canvas, int* width, int* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  void* device = nullptr;
  void* context = nullptr;
  tuk_canvas_gl(canvas, &device, &context);
  if (!device || !context) return nullptr;
  return headless::gl_frame(device, width, height);
}
