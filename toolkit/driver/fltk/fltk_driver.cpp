// The FLTK driver: the toolkit's elements as FLTK 1.3 windows and widgets on X11.
//
// Dialogs are top-level windows; everything inside is placed at the absolute position the
// toolkit's layout computed (boxes and fills have no native object). A dialog's MENU becomes a
// menu bar across its top, which is what the driver's decoration adds to the dialog's height.
#include "fltk_internal.h"

#include <FL/Fl_Menu_Item.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

namespace fltkdrv {
namespace {

constexpr int kButtonPadW = 20;  // a button's frame and margins around its text
constexpr int kButtonPadH = 12;
constexpr int kLiveBuffers = 8;

// Live values are returned from a small ring, so that two reads compared in one expression
// do not overwrite each other.
char g_live[kLiveBuffers][64];
int g_live_next;

char* live_buffer(void) {
  char* b = g_live[g_live_next];
  g_live_next = (g_live_next + 1) % kLiveBuffers;
  return b;
}

bool g_open;

void use_font(TukHandle) { fl_font(FL_HELVETICA, kFontSize); }

Fl_Widget* widget_of(TukHandle e) { return static_cast<Fl_Widget*>(tuk_element_native(e)); }

bool has_widget(int kind) {
  switch (kind) {
    case TUK_KIND_DIALOG: case TUK_KIND_BUTTON: case TUK_KIND_LABEL: case TUK_KIND_LIST:
    case TUK_KIND_FRAME: case TUK_KIND_CANVAS: case TUK_KIND_CONTROL:
      return true;
    default:
      return false;
  }
}

bool is_canvas(TukHandle e) {
  return tuk_element_kind(e) == TUK_KIND_CANVAS || tuk_element_kind(e) == TUK_KIND_CONTROL;
}

void apply_colours(TukHandle e, Fl_Widget* w) {
  unsigned char r, g, b;
  if (tuk_own_attribute(e, "FGCOLOR") && TukGetRGB(e, "FGCOLOR", &r, &g, &b))
    w->labelcolor(fl_rgb_color(r, g, b));
  if (tuk_own_attribute(e, "BGCOLOR") && TukGetRGB(e, "BGCOLOR", &r, &g, &b))
    w->color(fl_rgb_color(r, g, b));
}

void apply_title(TukHandle e, Fl_Widget* w, const char* title) {
  if (tuk_element_kind(e) == TUK_KIND_DIALOG) {
    static_cast<Fl_Window*>(w)->copy_label(title ? title : "");
  } else {
    w->copy_label(plain_label(title).c_str());
  }
}

void apply_image(TukHandle e, Label* label) {
  const char* name = tuk_own_attribute(e, "IMAGE");
  TukHandle image = name ? TukGetHandle(name) : nullptr;
  label->set_image(image && tuk_element_kind(image) == TUK_KIND_IMAGE ? image : nullptr);
  // a label that shows an image shows it alone; even an empty text would take a line under it
  if (label->image()) label->copy_label(nullptr);
  else apply_title(e, label, tuk_own_attribute(e, "TITLE"));
  label->redraw();
}

void apply_visible(Fl_Widget* w, const char* value) {
  if (value && std::strcmp(value, "NO") == 0) w->hide();
  else w->show();
}

void apply_active(Fl_Widget* w, const char* value) {
  if (value && std::strcmp(value, "NO") == 0) w->deactivate();
  else w->activate();
}

bool is_number(const char* name) {
  if (!*name) return false;
  for (const char* p = name; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

void set_item_mark(TukHandle item, const char* value) {
  // the entry lives in the menu bar of the dialog whose MENU holds its menu tree
  TukHandle owner = tuk_menu_owner(item);
  DialogWindow* win = owner ? static_cast<DialogWindow*>(tuk_element_native(owner)) : nullptr;
  Fl_Menu_Item* it = win ? win->find_item(tuk_element_id(item)) : nullptr;
  if (!it) return;
  if (!value) {
    it->flags &= ~(FL_MENU_TOGGLE | FL_MENU_VALUE);
    return;
  }
  it->flags |= FL_MENU_TOGGLE;
  if (value && std::strcmp(value, "ON") == 0) it->set();
  else it->clear();
}

// ---- driver functions -----------------------------------------------------------------------------

int fl_open_driver(void) {
  if (g_open) return TUK_NOERROR;
  // FLTK would exit on a display it cannot open: look first
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return TUK_ERROR;
  // the connection made to look is the one FLTK keeps: a client that connects and leaves
  // again can make a bare X server reset under the program's feet
  Display* display = XOpenDisplay(nullptr);
  if (!display) return TUK_ERROR;
  fl_open_display(display);
  Fl::visual(FL_RGB);
  fl_close = "OK";
  g_open = true;
  return TUK_NOERROR;
}

void fl_close_driver(void) {
  if (!g_open) return;
  TukEvent ev{};
  while (take_event(&ev)) {
  }
  // windows are gone with their elements; let X hear about it before the program leaves
  Fl::check();
  g_open = false;
}

const char* fl_system_name(void) {
  static char name[96];
  utsname u{};
  if (uname(&u) == 0) std::snprintf(name, sizeof name, "%.40s %.40s (X11)", u.sysname, u.release);
  else std::snprintf(name, sizeof name, "X11");
  return name;
}

const char* fl_default_font(void) {
  static char font[32];
  std::snprintf(font, sizeof font, "Helvetica::%d", kFontSize);
  return font;
}

const char* fl_dialog_color(void) {
  static char text[16];
  unsigned char r, g, b;
  Fl::get_color(FL_BACKGROUND_COLOR, r, g, b);
  std::snprintf(text, sizeof text, "%d %d %d", r, g, b);
  return text;
}

void fl_screen_size(int* w, int* h) {
  *w = Fl::w();
  *h = Fl::h();
}

void fl_char_size(TukHandle e, int* avg_w, int* h) {
  use_font(e);
  static const char kSample[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  *avg_w = static_cast<int>(fl_width(kSample) / (sizeof kSample - 1) + 0.5);
  *h = fl_height();
}

void fl_text_extent(TukHandle e, const char* text, int* w, int* h) {
  use_font(e);
  *w = 0;
  *h = 0;
  if (!text) return;
  fl_measure(plain_label(text).c_str(), *w, *h, 0);
}

void fl_decoration(TukHandle e, int has_menu, int* w, int* h) {
  *w = 0;
  *h = 0;
  // the window manager's frame lies outside an FLTK window; only the menu bar is inside
  if (tuk_element_kind(e) == TUK_KIND_DIALOG) {
    *h = has_menu ? kMenuBarHeight : 0;
  } else if (tuk_element_kind(e) == TUK_KIND_BUTTON) {
    *w = kButtonPadW;
    *h = kButtonPadH;
  } else if (tuk_element_kind(e) == TUK_KIND_MENU) {
    *w = 2 * kMenuBarEnd;
  } else if (tuk_element_kind(e) == TUK_KIND_SUBMENU || tuk_element_kind(e) == TUK_KIND_ITEM) {
    *w = kMenuTitlePad;
  } else if (tuk_canvas_scrolls(e)) {
    *w = Fl::scrollbar_size();
    *h = Fl::scrollbar_size();
  }
}

int fl_map(TukHandle e) {
  const int kind = tuk_element_kind(e);
  const int id = tuk_element_id(e);
  if (!has_widget(kind)) return TUK_NOERROR;  // boxes, fills, menus, images: no native object
  if (widget_of(e)) return TUK_NOERROR;
  if (kind == TUK_KIND_DIALOG) {
    Fl_Group::current(nullptr);
    DialogWindow* w = new DialogWindow(id, 100, 100);
    apply_title(e, w, tuk_own_attribute(e, "TITLE"));
    tuk_element_set_native(e, w);
    w->rebuild_menu();
    return TUK_NOERROR;
  }
  DialogWindow* win = window_of(e);
  if (!win) return TUK_ERROR;  // a control outside any dialog has nowhere to live
  Fl_Group::current(nullptr);
  Fl_Widget* w = nullptr;
  switch (kind) {
    case TUK_KIND_BUTTON:
      w = new Button(id, 0, 0, 10, 10);
      break;
    case TUK_KIND_LABEL: {
      Label* l = new Label(id, 0, 0, 10, 10);
      l->align(FL_ALIGN_CENTER | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
      w = l;
      break;
    }
    case TUK_KIND_LIST: {
      Browser* b = new Browser(id, 0, 0, 10, 10);
      b->multiple = TukGetBool(e, "MULTIPLE") == 1;
      b->type(b->multiple ? FL_MULTI_BROWSER : FL_HOLD_BROWSER);
      b->reload(e);
      b->apply_value(tuk_own_attribute(e, "VALUE"));
      w = b;
      break;
    }
    case TUK_KIND_FRAME: {
      Fl_Box* f = new Fl_Box(FL_ENGRAVED_FRAME, 0, 0, 10, 10, nullptr);
      f->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
      w = f;
      break;
    }
    default:  // canvases, and controls of registered classes, are GL windows
      w = new Canvas(id, 0, 0, 10, 10);
      break;
  }
  w->labelsize(kFontSize);
  if (kind != TUK_KIND_DIALOG && !is_canvas(e)) apply_title(e, w, tuk_own_attribute(e, "TITLE"));
  if (kind == TUK_KIND_LABEL) apply_image(e, static_cast<Label*>(w));
  apply_colours(e, w);
  if (tuk_own_attribute(e, "ACTIVE")) apply_active(w, tuk_own_attribute(e, "ACTIVE"));
  win->add(w);
  if (const char* v = tuk_own_attribute(e, "VISIBLE")) apply_visible(w, v);
  tuk_element_set_native(e, w);
  if (Canvas* c = dynamic_cast<Canvas*>(w)) sync_scrollbars(e, c);
  return TUK_NOERROR;
}

void fl_unmap(TukHandle e) {
  Fl_Widget* w = widget_of(e);
  if (!w) return;
  tuk_element_set_native(e, nullptr);
  if (Canvas* c = dynamic_cast<Canvas*>(w)) drop_scrollbars(c);
  if (Fl_Group* parent = w->parent()) parent->remove(w);
  if (Fl::focus() == w) Fl::focus(nullptr);
  // FLTK may still be delivering an event to it: let FLTK delete it when that is over
  Fl::delete_widget(w);
}

void fl_set_attribute(TukHandle e, const char* name, const char* value) {
  const int kind = tuk_element_kind(e);
  if (kind == TUK_KIND_ITEM || kind == TUK_KIND_SUBMENU) {
    if (std::strcmp(name, "VALUE") == 0 && kind == TUK_KIND_ITEM) set_item_mark(e, value);
    return;
  }
  Fl_Widget* w = widget_of(e);
  if (!w) return;
  if (Canvas* c = dynamic_cast<Canvas*>(w)) {
    static constexpr const char* kScrollAttributes[] = {"SCROLLBAR", "XMAX", "DX", "POSX",
                                                        "YMAX",      "DY",   "POSY"};
    for (const char* a : kScrollAttributes)
      if (std::strcmp(name, a) == 0) sync_scrollbars(e, c);
  }
  if (std::strcmp(name, "TITLE") == 0) {
    if (kind == TUK_KIND_LABEL) apply_image(e, static_cast<Label*>(w));
    else if (!is_canvas(e)) apply_title(e, w, value);
    w->redraw();
  } else if (std::strcmp(name, "IMAGE") == 0 && kind == TUK_KIND_LABEL) {
    apply_image(e, static_cast<Label*>(w));
  } else if (std::strcmp(name, "FGCOLOR") == 0 || std::strcmp(name, "BGCOLOR") == 0) {
    apply_colours(e, w);
    w->redraw();
  } else if (std::strcmp(name, "VISIBLE") == 0 && kind != TUK_KIND_DIALOG) {
    apply_visible(w, value);
  } else if (std::strcmp(name, "ACTIVE") == 0) {
    apply_active(w, value);
  } else if (std::strcmp(name, "MENU") == 0 && kind == TUK_KIND_DIALOG) {
    static_cast<DialogWindow*>(w)->rebuild_menu();
  } else if (kind == TUK_KIND_LIST) {
    Browser* b = static_cast<Browser*>(w);
    if (std::strcmp(name, "VALUE") == 0) {
      b->apply_value(value);
    } else if (is_number(name)) {
      // an item changed: reload and keep what was selected
      std::string marks;
      for (int i = 1; i <= b->size(); ++i) marks += b->Fl_Browser::selected(i) ? '+' : '-';
      b->reload(e);
      if (b->multiple) b->apply_value(marks.c_str());
      else {
        const std::size_t pos = marks.find('+');
        char v[16];
        std::snprintf(v, sizeof v, "%d", pos == std::string::npos ? 0 : static_cast<int>(pos) + 1);
        b->apply_value(v);
      }
    }
  }
}

const char* fl_get_attribute(TukHandle e, const char* name) {
  const int kind = tuk_element_kind(e);
  if (kind == TUK_KIND_ITEM && std::strcmp(name, "VALUE") == 0) {
    const char* v = tuk_own_attribute(e, "VALUE");
    return v && std::strcmp(v, "ON") == 0 ? "ON" : "OFF";
  }
  Fl_Widget* w = widget_of(e);
  if (!w) return nullptr;
  char* out = live_buffer();
  if (std::strcmp(name, "VISIBLE") == 0) {
    if (kind == TUK_KIND_DIALOG) return static_cast<Fl_Window*>(w)->shown() && w->visible() ? "YES" : "NO";
    return w->visible_r() ? "YES" : "NO";
  }
  if (std::strcmp(name, "ACTIVE") == 0) {
    if (kind == TUK_KIND_DIALOG) return static_cast<DialogWindow*>(w)->enabled ? "YES" : "NO";
    return w->active_r() ? "YES" : "NO";
  }
  if (std::strcmp(name, "WID") == 0) {
    Fl_Window* win = kind == TUK_KIND_DIALOG || is_canvas(e) ? static_cast<Fl_Window*>(w) : w->window();
    if (!win || !win->shown()) return nullptr;
    std::snprintf(out, sizeof g_live[0], "%lu", static_cast<unsigned long>(fl_xid(win)));
    return out;
  }
  if (std::strcmp(name, "SIZE") == 0) {
    int avg_w = 0, char_h = 0;
    fl_char_size(e, &avg_w, &char_h);
    if (avg_w <= 0 || char_h <= 0) return nullptr;
    // in character units, as SIZE is set
    std::snprintf(out, sizeof g_live[0], "%dx%d", w->w() * 4 / avg_w, w->h() * 8 / char_h);
    return out;
  }
  if (std::strcmp(name, "X") == 0 || std::strcmp(name, "Y") == 0) {
    int x = 0, y = 0;
    if (kind == TUK_KIND_DIALOG) {
      x = w->x();
      y = w->y();
    } else {
      Fl_Window* win = w->window();
      x = w->x() + (win ? win->x() : 0);
      y = w->y() + (win ? win->y() : 0);
    }
    std::snprintf(out, sizeof g_live[0], "%d", name[0] == 'X' ? x : y);
    return out;
  }
  if (std::strcmp(name, "FGCOLOR") == 0) {
    unsigned char r, g, b;
    Fl::get_color(w->labelcolor(), r, g, b);
    std::snprintf(out, sizeof g_live[0], "%d %d %d", r, g, b);
    return out;
  }
  if (std::strcmp(name, "VALUE") == 0 && kind == TUK_KIND_LIST) {
    Browser* b = static_cast<Browser*>(w);
    if (!b->multiple) {
      std::snprintf(out, sizeof g_live[0], "%d", b->value());
      return out;
    }
    // the marks may be longer than a ring buffer: keep them with the element
    std::string marks;
    for (int i = 1; i <= b->size(); ++i) marks += b->Fl_Browser::selected(i) ? '+' : '-';
    TukStoreAttribute(e, "_TUK_FLTK_MARKS", marks.c_str());
    return tuk_own_attribute(e, "_TUK_FLTK_MARKS");
  }
  return nullptr;
}

const char* fl_default_attribute(TukHandle, const char*) { return nullptr; }

void fl_place(TukHandle e) {
  Fl_Widget* w = widget_of(e);
  if (!w) return;
  int x = 0, y = 0, width = 0, height = 0;
  tuk_element_geometry(e, &x, &y, &width, &height);
  if (tuk_element_kind(e) == TUK_KIND_DIALOG) {
    DialogWindow* win = static_cast<DialogWindow*>(w);
    win->placing = true;
    win->size(width > 0 ? width : 1, height > 0 ? height : 1);
    win->placing = false;
    // RESIZE "NO": the window keeps the size the layout gave it
    if (TukGetBool(e, "RESIZE") == 0) win->size_range(win->w(), win->h(), win->w(), win->h());
    return;
  }
  DialogWindow* win = window_of(e);
  const int top = win && win->menubar ? kMenuBarHeight : 0;
  if (Canvas* c = dynamic_cast<Canvas*>(w)) {
    // the GL window takes the drawing area; the bars the strips right of and under it
    int cw = 0, ch = 0;
    tuk_canvas_client_size(e, &cw, &ch);
    w->resize(x, y + top, cw > 0 ? cw : 1, ch > 0 ? ch : 1);
    if (c->hbar) c->hbar->resize(x, y + top + ch, cw > 0 ? cw : 1, height - ch > 0 ? height - ch : 1);
    if (c->vbar) c->vbar->resize(x + cw, y + top, width - cw > 0 ? width - cw : 1, ch > 0 ? ch : 1);
    return;
  }
  w->resize(x, y + top, width, height);
  if (tuk_element_kind(e) == TUK_KIND_LIST) {
    // a selection made while the list was still tiny scrolled it: show it from the top
    Browser* b = static_cast<Browser*>(w);
    b->topline(1);
    if (!b->multiple && b->value() > 0) b->display(b->value());
  }
}

void fl_show(TukHandle e, int x, int y) {
  Fl_Widget* w = widget_of(e);
  if (!w) return;
  if (tuk_element_kind(e) == TUK_KIND_DIALOG) {
    DialogWindow* win = static_cast<DialogWindow*>(w);
    win->position(x, y);
    win->show();
    return;
  }
  w->show();
}

void fl_hide(TukHandle e) {
  Fl_Widget* w = widget_of(e);
  if (w) w->hide();
}

void fl_raise(TukHandle d) {
  Fl_Widget* w = widget_of(d);
  if (w && static_cast<Fl_Window*>(w)->shown()) static_cast<Fl_Window*>(w)->show();
}

void fl_update(TukHandle d) {
  Fl::check();
  dispatch_paints(d);
}

void fl_enable_dialog(TukHandle d, int enabled) {
  if (DialogWindow* w = static_cast<DialogWindow*>(widget_of(d))) w->enabled = enabled != 0;
}

TukHandle fl_get_focus(void) {
  const int id = element_id_of(Fl::focus());
  return id ? tuk_element_from_id(id) : nullptr;
}

TukHandle fl_set_focus(TukHandle e) {
  TukHandle before = fl_get_focus();
  Fl_Widget* w = e ? widget_of(e) : nullptr;
  if (!e) {
    Fl::focus(nullptr);
  } else if (w) {
    if (tuk_element_kind(e) == TUK_KIND_DIALOG) static_cast<Fl_Window*>(w)->show();
    else if (!w->take_focus()) Fl::focus(w);
  }
  return before;
}

int fl_pump(int wait, TukEvent* ev) {
  if (take_event(ev)) return 1;
  if (!wait) {
    Fl::check();
    return take_event(ev) ? 1 : 0;
  }
  for (;;) {
    // with no window on screen nothing can ever arrive
    if (!Fl::first_window()) {
      Fl::check();
      return take_event(ev) ? 1 : 0;
    }
    Fl::wait(1.0);
    if (take_event(ev)) return 1;
  }
}

int fl_popup_menu(TukHandle menu, int x, int y, TukHandle* picked) {
  *picked = nullptr;
  if (!menu || tuk_element_kind(menu) != TUK_KIND_MENU) return TUK_ERROR;
  MenuStore store;
  build_menu(menu, &store, nullptr);
  if (store.items.size() < 2) return TUK_ERROR;
  int px = x, py = y;
  if (x == TUK_MOUSEPOS || y == TUK_MOUSEPOS) Fl::get_mouse(px, py);
  // FLTK places a popup relative to the window of the event being handled: from screen
  // coordinates, take that window's origin away
  px -= Fl::event_x_root() - Fl::event_x();
  py -= Fl::event_y_root() - Fl::event_y();
  const Fl_Menu_Item* chosen = store.items.data()->popup(px, py);
  if (chosen && chosen->user_data_) {
    *picked = tuk_element_from_id(static_cast<int>(reinterpret_cast<std::intptr_t>(chosen->user_data_)));
  }
  return TUK_NOERROR;
}

// Filled by name: the record's field order can change without this table going wrong.
constexpr TukDriver fltk_driver() {
  TukDriver d{};
  d.name = "fltk";
  d.open = fl_open_driver;
  d.close = fl_close_driver;
  d.system_name = fl_system_name;
  d.default_font = fl_default_font;
  d.dialog_color = fl_dialog_color;
  d.screen_size = fl_screen_size;
  d.char_size = fl_char_size;
  d.text_extent = fl_text_extent;
  d.decoration = fl_decoration;
  d.map = fl_map;
  d.unmap = fl_unmap;
  d.set_attribute = fl_set_attribute;
  d.get_attribute = fl_get_attribute;
  d.default_attribute = fl_default_attribute;
  d.place = fl_place;
  d.show = fl_show;
  d.hide = fl_hide;
  d.raise = fl_raise;
  d.update = fl_update;
  d.enable_dialog = fl_enable_dialog;
  d.set_focus = fl_set_focus;
  d.get_focus = fl_get_focus;
  d.pump = fl_pump;
  d.popup_menu = fl_popup_menu;
  d.message = message;
  d.get_file = get_file;
  d.help_show = help_show;
  d.help_close = help_close;
  d.gl_create = gl_create;
  d.gl_make_current = gl_make_current;
  d.gl_swap = gl_swap;
  d.gl_destroy = gl_destroy;
  return d;
}

constexpr TukDriver kFltk = fltk_driver();

// Linking the library registers the driver (the build forces this object in).
const int g_registered = tuk_driver_register(&kFltk);

}  // namespace
}  // namespace fltkdrv

extern "C" const TukDriver* tuk_fltk_driver(void) {
  (void)fltkdrv::g_registered;
  return &fltkdrv::kFltk;
}
