// Neutral events into callbacks: keys, mouse buttons, clicks, list choices, repaints, focus.
#include "tuk_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One key of the keyboard and the code it gives under each modifier (0: no event).
struct KeyRow {
  int sym;
  int plain, shift, control, alt;
};

constexpr int kAltLetter[26] = {K_mA, K_mB, K_mC, K_mD, K_mE, K_mF, K_mG, K_mH, K_mI,
                                K_mJ, K_mK, K_mL, K_mM, K_mN, K_mO, K_mP, K_mQ, K_mR,
                                K_mS, K_mT, K_mU, K_mV, K_mW, K_mX, K_mY, K_mZ};
constexpr char kShiftDigit[11] = ")!@#$%^&*(";
constexpr int kAltDigit[10] = {K_m0, K_m1, K_m2, K_m3, K_m4, K_m5, K_m6, K_m7, K_m8, K_m9};

constexpr KeyRow kSpecialKeys[] = {
    {' ', ' ', ' ', ' ', ' '},
    {'-', '-', '_', 0, 0},  {'=', '=', '+', 0, 0},   {'[', '[', '{', 0, 0},
    {']', ']', '}', 0, 0},  {'\\', '\\', '|', 0, 0}, {';', ';', ':', 0, 0},
    {'\'', '\'', '"', 0, 0}, {',', ',', '<', 0, 0},  {'.', '.', '>', 0, 0},
    {'/', '/', '?', 0, 0},  {'`', '`', '~', 0, 0},
    {TUK_KS_ENTER, K_CR, K_CR, K_cJ, K_mCR},
    {TUK_KS_ESCAPE, K_ESC, K_ESC, K_ESC, K_mESC},
    {TUK_KS_TAB, K_TAB, K_sTAB, K_cTAB, K_mTAB},
    {TUK_KS_BACKSPACE, K_BS, K_BS, K_cBS, K_mBS},
    {TUK_KS_HOME, K_HOME, K_HOME, K_cHOME, K_mHOME},
    {TUK_KS_UP, K_UP, K_UP, K_cUP, K_mUP},
    {TUK_KS_PAGEUP, K_PGUP, K_PGUP, K_cPGUP, K_mPGUP},
    {TUK_KS_LEFT, K_LEFT, K_LEFT, K_cLEFT, K_mLEFT},
    {TUK_KS_RIGHT, K_RIGHT, K_RIGHT, K_cRIGHT, K_mRIGHT},
    {TUK_KS_END, K_END, K_END, K_cEND, K_mEND},
    {TUK_KS_DOWN, K_DOWN, K_DOWN, K_cDOWN, K_mDOWN},
    {TUK_KS_PAGEDOWN, K_PGDN, K_PGDN, K_cPGDN, K_mPGDN},
    {TUK_KS_INSERT, K_INS, K_INS, K_cINS, K_mINS},
    {TUK_KS_DELETE, K_DEL, K_DEL, K_cDEL, K_mDEL},
    {TUK_KS_F11, K_F11, K_sF11, K_cF11, K_mF11},
    {TUK_KS_F12, K_F12, K_sF12, K_cF12, K_mF12},
    {TUK_KS_KP_DECIMAL, '.', '.', 0, 0},
    {TUK_KS_KP_ADD, '+', '+', 0, 0},
    {TUK_KS_KP_SUBTRACT, '-', '-', 0, 0},
    {TUK_KS_KP_MULTIPLY, '*', '*', 0, 0},
    {TUK_KS_KP_DIVIDE, '/', '/', 0, 0},
    {TUK_KS_KP_ENTER, K_CR, K_CR, K_cJ, K_mCR},
};

// The rows of letters, digits, F1-F10 and the keypad digits follow a pattern; they are built
// here so that the table above stays readable.
bool patterned_row(int sym, KeyRow* row) {
  if (sym >= 'a' && sym <= 'z') {
    const int i = sym - 'a';
    *row = {sym, 'a' + i, 'A' + i, 1 + i, kAltLetter[i]};
    return true;
  }
  if (sym >= '0' && sym <= '9') {
    const int i = sym - '0';
    *row = {sym, sym, kShiftDigit[i], 0, kAltDigit[i]};
    return true;
  }
  if (sym >= TUK_KS_F1 && sym <= TUK_KS_F10) {
    const int i = sym - TUK_KS_F1;
    *row = {sym, K_F1 + i, K_sF1 + i, K_cF1 + i, K_mF1 + i};
    return true;
  }
  if (sym >= TUK_KS_KP0 && sym <= TUK_KS_KP9) {
    const int digit = '0' + (sym - TUK_KS_KP0);
    *row = {sym, digit, digit, 0, 0};
    return true;
  }
  return false;
}

struct KeyName {
  int code;
  const char* name;
};
constexpr KeyName kKeyNames[] = {
#define TUK_KEY(name, code) {code, #name},
#include "tuk_keys.h"
#undef TUK_KEY
};

int g_capture_id;  // canvas holding the mouse between a press and its release, 0 for none

bool alive(TukElement* e, int id) { return tuk_element_from_id(id) == e; }

void after_callback(TukElement* e, int id, int result) {
  if (result == TUK_CLOSE && alive(e, id)) tuk_close_action(e);
}

// The user asked a dialog to close (its frame's close box, or a key callback's TUK_CLOSE).
void close_request(TukElement* dialog) {
  if (!dialog) return;
  const int id = dialog->id;
  TukCallback cb = tuk_callback_of(dialog, "CLOSE_CB");
  const int r = cb ? cb(dialog) : TUK_DEFAULT;
  if (!alive(dialog, id) || r == TUK_IGNORE) return;
  if (r == TUK_CLOSE || tuk_loop_state()->popup_depth > 0) tuk_close_action(dialog);
  else TukHide(dialog);
}

void dispatch_key(const TukEvent* ev) {
  TukElement* focused = ev->element;
  const TukDriver* d = tuk_driver();
  if (!focused && d && d->get_focus) focused = d->get_focus();
  if (!focused) return;
  const int code = tuk_key_code(ev->key, ev->modifiers);
  if (code == 0) return;
  // the key's own attribute on the focused element or an ancestor, else K_ANY likewise
  const char* key_name = tuk_key_name(code);
  const char* cb_name = key_name ? TukGetAttribute(focused, key_name) : nullptr;
  if (!cb_name) cb_name = TukGetAttribute(focused, "K_ANY");
  TukCallback cb = cb_name ? TukGetFunction(cb_name) : nullptr;
  if (!cb) return;
  const int id = focused->id;
  const int r = tuk_callback_as<TukKeyCallback>(cb)(focused, code);
  if (r == TUK_CLOSE && alive(focused, id)) close_request(tuk_element_dialog(focused));
}

void dispatch_button(const TukEvent* ev) {
  if (ev->button < 1 || ev->button > 3) return;
  TukElement* target = ev->element;
  int x = ev->x, y = ev->y;
  if (ev->pressed) {
    g_capture_id = target->id;
  } else if (g_capture_id) {
    // the release goes to the canvas that saw the press, wherever the pointer is now
    TukElement* captured = tuk_element_from_id(g_capture_id);
    g_capture_id = 0;
    if (captured && captured != target &&
        tuk_element_dialog(captured) == tuk_element_dialog(target)) {
      x += target->x - captured->x;
      y += target->y - captured->y;
    }
    if (captured) target = captured;
  }
  char status[7];
  tuk_mouse_status(ev->button, ev->modifiers, ev->pressed && ev->double_click, status);
  TukCallback cb = tuk_callback_of(target, "BUTTON_CB");
  if (!cb) return;
  const int id = target->id;
  const int r = tuk_callback_as<TukButtonCallback>(cb)(target, '0' + ev->button,
                                                        ev->pressed ? 1 : 0, x, y, status);
  after_callback(target, id, r);
}

void dispatch_motion(const TukEvent* ev) {
  char status[7];
  tuk_mouse_status(0, ev->modifiers, 0, status);
  TukCallback cb = tuk_callback_of(ev->element, "MOTION_CB");
  if (!cb) return;
  const int id = ev->element->id;
  const int r = tuk_callback_as<TukMotionCallback>(cb)(ev->element, ev->x, ev->y, status);
  after_callback(ev->element, id, r);
}

void dispatch_activate(const TukEvent* ev) {
  TukElement* e = ev->element;
  TukCallback cb = tuk_callback_of(e, "ACTION");
  if (!cb) return;
  const int id = e->id;
  int r = TUK_DEFAULT;
  if (e->kind == TUK_KIND_ITEM) {
    const char* value = TukGetAttribute(e, "VALUE");
    const int checked = value && std::strcmp(value, "ON") == 0 ? 1 : 0;
    r = tuk_callback_as<TukItemCallback>(cb)(e, checked);
  } else {
    r = cb(e);
  }
  after_callback(e, id, r);
}

void dispatch_select(const TukEvent* ev) {
  TukElement* e = ev->element;
  TukCallback cb = tuk_callback_of(e, "ACTION");
  if (!cb || ev->item < 1) return;
  char name[16];
  std::snprintf(name, sizeof name, "%d", ev->item);
  const char* text = tuk_own_attribute(e, name);
  const int id = e->id;
  const int r = tuk_callback_as<TukListCallback>(cb)(e, const_cast<char*>(text ? text : ""),
                                                      ev->item, ev->state ? 1 : 0);
  after_callback(e, id, r);
}

void dispatch_paint(const TukEvent* ev);

void dispatch_scroll(const TukEvent* ev) {
  TukElement* e = ev->element;
  if (e->kind != TUK_KIND_CANVAS) return;
  char pos[24];
  std::snprintf(pos, sizeof pos, "%d", ev->x);
  TukStoreAttribute(e, "POSX", pos);
  std::snprintf(pos, sizeof pos, "%d", ev->y);
  TukStoreAttribute(e, "POSY", pos);
  TukCallback cb = tuk_callback_of(e, "SCROLL_CB");
  if (!cb) {
    dispatch_paint(ev);
    return;
  }
  const int id = e->id;
  const int r = tuk_callback_as<TukCanvasCallback>(cb)(e, ev->x, ev->y);
  after_callback(e, id, r);
}

int whole_attr(TukElement* e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  const double d = v ? std::atof(v) : 0.0;
  return d > 0.0 && d < 1e9 ? static_cast<int>(d) : 0;
}

// One axis of a canvas's scroll bars moved by notches lines of a tenth of the part shown,
// within the whole length; the new position is reported as a move of the bar would be.
void scroll_by_lines(TukElement* e, bool horizontal, int notches) {
  const int whole = whole_attr(e, horizontal ? "XMAX" : "YMAX");
  const int shown = whole_attr(e, horizontal ? "DX" : "DY");
  const int line = shown / 10 > 1 ? shown / 10 : 1;
  const int last = whole > shown ? whole - shown : 0;
  int x = whole_attr(e, "POSX"), y = whole_attr(e, "POSY");
  int& pos = horizontal ? x : y;
  const long long moved = static_cast<long long>(pos) + static_cast<long long>(notches) * line;
  const int next = static_cast<int>(moved < 0 ? 0 : (moved > last ? last : moved));
  if (next == pos) return;
  pos = next;
  TukEvent scroll{};
  scroll.type = TUK_EVENT_SCROLL;
  scroll.element = e;
  scroll.x = x;
  scroll.y = y;
  dispatch_scroll(&scroll);
}

void dispatch_wheel(const TukEvent* ev) {
  TukElement* e = ev->element;
  if (e->kind != TUK_KIND_CANVAS) return;
  TukCallback cb = ev->wheel_y ? tuk_callback_of(e, "WHEEL_CB") : nullptr;
  if (cb) {
    char status[7];
    tuk_mouse_status(0, ev->modifiers, 0, status);
    const int id = e->id;
    const int r = tuk_callback_as<TukWheelCallback>(cb)(e, ev->wheel_y, ev->x, ev->y, status);
    after_callback(e, id, r);
    return;
  }
  if (!tuk_canvas_scrolls(e)) return;
  // the wheel turned towards the user shows what lies below, or with shift what lies right
  if (ev->wheel_x) scroll_by_lines(e, true, ev->wheel_x);
  if (ev->wheel_y) scroll_by_lines(e, (ev->modifiers & TUK_MOD_SHIFT) != 0, -ev->wheel_y);
}

void dispatch_paint(const TukEvent* ev) {
  TukElement* e = ev->element;
  TukCallback cb = tuk_callback_of(e, "ACTION");
  if (!cb) return;
  const char* px = TukGetAttribute(e, "POSX");
  const char* py = TukGetAttribute(e, "POSY");
  const int id = e->id;
  const int r = tuk_callback_as<TukCanvasCallback>(cb)(e, px ? std::atof(px) : 0.0,
                                                        py ? std::atof(py) : 0.0);
  after_callback(e, id, r);
}

void dispatch_plain(TukElement* e, const char* attribute) {
  TukCallback cb = tuk_callback_of(e, attribute);
  if (!cb) return;
  const int id = e->id;
  after_callback(e, id, cb(e));
}

void dispatch_focus(const TukEvent* ev) {
  TukElement* gets = ev->element;
  TukElement* loses = ev->other;
  const int gets_id = gets ? gets->id : 0;
  if (loses) {
    if (TukCallback cb = tuk_callback_of(loses, "KILLFOCUS_CB"))
      tuk_callback_as<TukFocusCallback>(cb)(loses, gets);
  }
  if (gets && alive(gets, gets_id)) {
    if (TukCallback cb = tuk_callback_of(gets, "GETFOCUS_CB"))
      tuk_callback_as<TukFocusCallback>(cb)(gets, loses && alive(loses, loses->id) ? loses : nullptr);
  }
}

}  // namespace

int tuk_key_code(int sym, int modifiers) {
  KeyRow row{};
  bool found = patterned_row(sym, &row);
  for (std::size_t i = 0; !found && i < sizeof kSpecialKeys / sizeof kSpecialKeys[0]; ++i) {
    if (kSpecialKeys[i].sym == sym) {
      row = kSpecialKeys[i];
      found = true;
    }
  }
  if (!found) return 0;
  // one modifier decides: alt before control before shift
  if (modifiers & TUK_MOD_ALT) return row.alt;
  if (modifiers & TUK_MOD_CONTROL) return row.control;
  if (modifiers & TUK_MOD_SHIFT) return row.shift;
  return row.plain;
}

const char* tuk_key_name(int code) {
  for (const KeyName& k : kKeyNames)
    if (k.code == code) return k.name;
  return nullptr;
}

void tuk_mouse_status(int button, int modifiers, int double_click, char status[7]) {
  status[0] = (modifiers & TUK_MOD_SHIFT) ? 'S' : ' ';
  status[1] = (modifiers & TUK_MOD_CONTROL) ? 'C' : ' ';
  status[2] = (button == 1 || (modifiers & TUK_MOD_BUTTON1)) ? '1' : ' ';
  status[3] = (button == 2 || (modifiers & TUK_MOD_BUTTON2)) ? '2' : ' ';
  status[4] = (button == 3 || (modifiers & TUK_MOD_BUTTON3)) ? '3' : ' ';
  status[5] = double_click ? 'D' : '\0';
  status[6] = '\0';
}

void tuk_input_forget(TukElement* e) {
  if (!e || g_capture_id == e->id) g_capture_id = 0;
}

void tuk_dispatch(const TukEvent* ev) {
  if (!ev || !tuk_on_toolkit_thread()) return;
  if (ev->type == TUK_EVENT_KEY) {
    dispatch_key(ev);
    return;
  }
  if (ev->type == TUK_EVENT_FOCUS) {
    dispatch_focus(ev);
    return;
  }
  if (!ev->element) return;
  switch (ev->type) {
    case TUK_EVENT_BUTTON: dispatch_button(ev); break;
    case TUK_EVENT_MOTION: dispatch_motion(ev); break;
    case TUK_EVENT_CLOSE: close_request(tuk_element_dialog(ev->element)); break;
    case TUK_EVENT_ACTIVATE: dispatch_activate(ev); break;
    case TUK_EVENT_SELECT: dispatch_select(ev); break;
    case TUK_EVENT_PAINT: dispatch_paint(ev); break;
    case TUK_EVENT_RESIZE: tuk_dialog_resized(ev->element, ev->x, ev->y); break;
    case TUK_EVENT_ENTER: dispatch_plain(ev->element, "ENTERWINDOW_CB"); break;
    case TUK_EVENT_LEAVE: dispatch_plain(ev->element, "LEAVEWINDOW_CB"); break;
    case TUK_EVENT_SCROLL: dispatch_scroll(ev); break;
    case TUK_EVENT_WHEEL: dispatch_wheel(ev); break;
    case TUK_EVENT_SHOW_STATE:
      if (TukCallback cb = tuk_callback_of(ev->element, "SHOW_CB"))
        after_callback(ev->element, ev->element->id,
                       tuk_callback_as<TukStateCallback>(cb)(ev->element, ev->state));
      break;
    default: break;
  }
}
