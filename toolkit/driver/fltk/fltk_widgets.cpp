// The FLTK widgets behind the toolkit's elements and the queue of neutral events they feed.
#include "fltk_internal.h"

#include <FL/fl_draw.H>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace fltkdrv {

namespace {

struct Queued {
  TukEvent ev;
  int id;        // element the event is for
  int other_id;  // focus events: the element losing the focus
};

std::deque<Queued> g_queue;

int g_focus_id;  // element that last took the focus

void* id_data(int id) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(id)); }
int data_id(void* data) { return static_cast<int>(reinterpret_cast<std::intptr_t>(data)); }

bool resolve(const Queued& q, TukEvent* ev) {
  *ev = q.ev;
  ev->element = q.id ? tuk_element_from_id(q.id) : nullptr;
  ev->other = q.other_id ? tuk_element_from_id(q.other_id) : nullptr;
  // key events may go to "whatever has the focus"; every other event needs its element
  return ev->element || q.ev.type == TUK_EVENT_KEY || q.ev.type == TUK_EVENT_FOCUS;
}

void button_cb(Fl_Widget* w, void*) {
  if (!dialog_enabled(w)) return;
  TukEvent ev{};
  ev.type = TUK_EVENT_ACTIVATE;
  queue_event(ev, element_id_of(w));
}

void window_cb(Fl_Widget* w, void*) {
  // FLTK also calls a window's callback for an unused Escape; that key was already reported
  if (Fl::event() == FL_SHORTCUT || Fl::event() == FL_KEYBOARD) return;
  if (!dialog_enabled(w)) return;
  TukEvent ev{};
  ev.type = TUK_EVENT_CLOSE;
  queue_event(ev, static_cast<DialogWindow*>(w)->id);
}

void item_cb(Fl_Widget* w, void* data) {
  const int item_id = data_id(data);
  DialogWindow* win = static_cast<DialogWindow*>(w->window());
  if (!win || !win->enabled) return;
  // FLTK flips a toggle entry itself; the element's VALUE is the truth until its callback
  // says otherwise, so the mark goes back to what the element holds
  if (Fl_Menu_Item* it = win->find_item(item_id)) {
    TukHandle item = tuk_element_from_id(item_id);
    const char* value = item ? TukGetAttribute(item, "VALUE") : nullptr;
    if (value && std::strcmp(value, "ON") == 0) it->set();
    else it->clear();
  }
  TukEvent ev{};
  ev.type = TUK_EVENT_ACTIVATE;
  queue_event(ev, item_id);
}

void browser_cb(Fl_Widget* w, void*) {
  if (dialog_enabled(w)) static_cast<Browser*>(w)->report_changes();
}

bool item_checked(TukHandle item) {
  const char* v = tuk_own_attribute(item, "VALUE");
  return v && std::strcmp(v, "ON") == 0;
}

void add_entries(TukHandle menu, MenuStore* store, Fl_Callback* cb) {
  for (TukHandle c = tuk_element_first_child(menu); c; c = tuk_element_next(c)) {
    const int kind = tuk_element_kind(c);
    if (kind == TUK_KIND_SEPARATOR) {
      if (!store->items.empty() && store->items.back().text)
        store->items.back().flags |= FL_MENU_DIVIDER;
      continue;
    }
    if (kind != TUK_KIND_ITEM && kind != TUK_KIND_SUBMENU) continue;
    store->labels.push_back(plain_label(tuk_own_attribute(c, "TITLE")));
    Fl_Menu_Item it{};
    it.text = store->labels.back().c_str();
    it.user_data_ = id_data(tuk_element_id(c));
    if (kind == TUK_KIND_ITEM) {
      it.callback_ = cb;
      // an entry becomes checkable once it has a VALUE; "ON" shows the mark
      if (tuk_own_attribute(c, "VALUE")) it.flags = FL_MENU_TOGGLE | (item_checked(c) ? FL_MENU_VALUE : 0);
      store->items.push_back(it);
    } else {
      it.flags = FL_SUBMENU;
      store->items.push_back(it);
      TukHandle sub = tuk_element_first_child(c);
      if (sub && tuk_element_kind(sub) == TUK_KIND_MENU) add_entries(sub, store, cb);
      store->items.push_back(Fl_Menu_Item{});
    }
  }
}

}  // namespace

// ---- queue ------------------------------------------------------------------------------------

void queue_event(const TukEvent& ev, int element_id, int other_id) {
  g_queue.push_back(Queued{ev, element_id, other_id});
}

void queue_paint(int canvas_id) {
  for (const Queued& q : g_queue)
    if (q.ev.type == TUK_EVENT_PAINT && q.id == canvas_id) return;
  TukEvent ev{};
  ev.type = TUK_EVENT_PAINT;
  queue_event(ev, canvas_id);
}

bool take_event(TukEvent* ev) {
  while (!g_queue.empty()) {
    Queued q = g_queue.front();
    g_queue.pop_front();
    if (resolve(q, ev)) return true;
  }
  return false;
}

void dispatch_paints(TukHandle dialog) {
  // painting may queue or destroy things: take one matching event at a time
  for (;;) {
    auto it = g_queue.begin();
    for (; it != g_queue.end(); ++it) {
      if (it->ev.type != TUK_EVENT_PAINT) continue;
      TukHandle canvas = tuk_element_from_id(it->id);
      if (!dialog || (canvas && tuk_element_dialog(canvas) == dialog)) break;
    }
    if (it == g_queue.end()) return;
    Queued q = *it;
    g_queue.erase(it);
    TukEvent ev{};
    if (resolve(q, &ev)) tuk_dispatch(&ev);
  }
}

int modifiers_now(void) {
  const int s = Fl::event_state();
  int m = 0;
  if (s & FL_SHIFT) m |= TUK_MOD_SHIFT;
  if (s & FL_CTRL) m |= TUK_MOD_CONTROL;
  if (s & FL_ALT) m |= TUK_MOD_ALT;
  if (s & FL_BUTTON1) m |= TUK_MOD_BUTTON1;
  if (s & FL_BUTTON2) m |= TUK_MOD_BUTTON2;
  if (s & FL_BUTTON3) m |= TUK_MOD_BUTTON3;
  return m;
}

int keysym_now(void) {
  struct Pair {
    int fl, tuk;
  };
  static constexpr Pair kKeys[] = {
      {FL_Enter, TUK_KS_ENTER},       {FL_Escape, TUK_KS_ESCAPE},   {FL_Tab, TUK_KS_TAB},
      {FL_BackSpace, TUK_KS_BACKSPACE}, {FL_Home, TUK_KS_HOME},     {FL_End, TUK_KS_END},
      {FL_Page_Up, TUK_KS_PAGEUP},    {FL_Page_Down, TUK_KS_PAGEDOWN}, {FL_Up, TUK_KS_UP},
      {FL_Down, TUK_KS_DOWN},         {FL_Left, TUK_KS_LEFT},       {FL_Right, TUK_KS_RIGHT},
      {FL_Insert, TUK_KS_INSERT},     {FL_Delete, TUK_KS_DELETE},   {FL_KP_Enter, TUK_KS_KP_ENTER},
      {FL_KP + '.', TUK_KS_KP_DECIMAL}, {FL_KP + '+', TUK_KS_KP_ADD},
      {FL_KP + '-', TUK_KS_KP_SUBTRACT}, {FL_KP + '*', TUK_KS_KP_MULTIPLY},
      {FL_KP + '/', TUK_KS_KP_DIVIDE}};
  const int k = Fl::event_key();
  for (const Pair& p : kKeys)
    if (p.fl == k) return p.tuk;
  if (k > FL_F && k <= FL_F + 12) return TUK_KS_F1 + (k - FL_F - 1);
  if (k >= FL_KP + '0' && k <= FL_KP + '9') return TUK_KS_KP0 + (k - FL_KP - '0');
  // FLTK reports a printable key by its unshifted character, as the neutral symbols are
  if (k >= ' ' && k < 127) return k;
  return 0;
}

int element_id_of(const Fl_Widget* w) {
  for (; w; w = w->parent()) {
    if (const DialogWindow* win = dynamic_cast<const DialogWindow*>(w)) return win->id;
    if (const Canvas* c = dynamic_cast<const Canvas*>(w)) return c->id;
    if (const Button* b = dynamic_cast<const Button*>(w)) return b->id;
    if (const Browser* b = dynamic_cast<const Browser*>(w)) return b->id;
    if (const Label* l = dynamic_cast<const Label*>(w)) return l->id;
  }
  return 0;
}

void note_focus(int id) {
  if (id == g_focus_id) return;
  TukEvent ev{};
  ev.type = TUK_EVENT_FOCUS;
  queue_event(ev, id, g_focus_id);
  g_focus_id = id;
}

std::string plain_label(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '&' || *p == '@') out += *p;
    out += *p;
  }
  return out;
}

bool dialog_enabled(const Fl_Widget* w) {
  const Fl_Window* top = w ? w->top_window() : nullptr;
  const DialogWindow* win = dynamic_cast<const DialogWindow*>(top);
  return !win || win->enabled;
}

DialogWindow* window_of(TukHandle element) {
  TukHandle d = tuk_element_dialog(element);
  return d ? static_cast<DialogWindow*>(tuk_element_native(d)) : nullptr;
}

void build_menu(TukHandle menu, MenuStore* store, Fl_Callback* cb) {
  store->items.clear();
  store->labels.clear();
  if (menu) add_entries(menu, store, cb);
  store->items.push_back(Fl_Menu_Item{});
}

// ---- window ---------------------------------------------------------------------------------------

DialogWindow::DialogWindow(int id_, int w, int h) : Fl_Double_Window(w, h), id(id_) {
  end();
  callback(window_cb);
}

DialogWindow::~DialogWindow() {
  // the menu bar points into the store: detach it before the store goes
  if (menubar) menubar->menu(nullptr);
}

void DialogWindow::resize(int x, int y, int w, int h) {
  const bool sized = w != this->w() || h != this->h();
  Fl_Double_Window::resize(x, y, w, h);
  if (menubar) menubar->resize(0, 0, w, kMenuBarHeight);
  // a size the user gave the window: the toolkit lays the dialog out again
  if (sized && shown() && !placing) {
    TukEvent ev{};
    ev.type = TUK_EVENT_RESIZE;
    ev.x = w;
    ev.y = h;
    queue_event(ev, id);
  }
}

void DialogWindow::rebuild_menu() {
  TukHandle dialog = tuk_element_from_id(id);
  const char* name = dialog ? tuk_own_attribute(dialog, "MENU") : nullptr;
  TukHandle m = name ? TukGetHandle(name) : nullptr;
  if (!m || tuk_element_kind(m) != TUK_KIND_MENU) {
    if (menubar) {
      remove(menubar);
      delete menubar;
      menubar = nullptr;
    }
    return;
  }
  if (!menubar) {
    Fl_Group::current(nullptr);
    menubar = new Fl_Menu_Bar(0, 0, w(), kMenuBarHeight);
    insert(*menubar, 0);
  }
  menubar->menu(nullptr);
  build_menu(m, &menu, item_cb);
  menubar->menu(menu.items.data());
}

Fl_Menu_Item* DialogWindow::find_item(int item_id) {
  for (Fl_Menu_Item& it : menu.items)
    if (it.text && !(it.flags & FL_SUBMENU) && data_id(it.user_data_) == item_id) return &it;
  return nullptr;
}

int DialogWindow::handle(int event) {
  switch (event) {
    case FL_PUSH: case FL_RELEASE: case FL_DRAG: case FL_MOUSEWHEEL:
      if (!enabled) return 1;  // a modal popup runs above: the window takes no input
      break;
    // A key reaches the window as a shortcut when nothing in it has the focus (the window
    // got no focus event, as under a bare X server); it is the same key all the same.
    case FL_SHORTCUT:
    case FL_KEYBOARD: {
      // FLTK may offer a shortcut to another window first: a disabled one lets it pass on
      if (!enabled) return event == FL_KEYBOARD ? 1 : 0;
      const int sym = keysym_now();
      Fl_Widget* focus = Fl::focus();
      const bool own_focus = focus && focus != this && contains(focus);
      // the dialog's keyboard navigation first: Tab moves the focus, Enter clicks a button
      if (sym == TUK_KS_TAB && !(Fl::event_state() & (FL_CTRL | FL_ALT)) &&
          Fl_Double_Window::handle(event))
        return 1;
      if (sym == TUK_KS_ENTER && own_focus && dynamic_cast<Button*>(focus)) {
        focus->do_callback();
        return 1;
      }
      if (sym) {
        TukEvent ev{};
        ev.type = TUK_EVENT_KEY;
        ev.key = sym;
        ev.modifiers = modifiers_now();
        queue_event(ev, own_focus ? element_id_of(focus) : id);
      }
      // every key is the toolkit's: none falls through to FLTK's Escape-closes-the-window
      return 1;
    }
    default:
      break;
  }
  return Fl_Double_Window::handle(event);
}

// ---- canvas ---------------------------------------------------------------------------------------

namespace {

int whole_attr(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  const double d = v ? std::atof(v) : 0.0;
  return d > 0.0 && d < 1e9 ? static_cast<int>(d) : 0;
}

void scrollbar_cb(Fl_Widget* w, void* data) {
  if (!dialog_enabled(w)) return;
  const int id = data_id(data);
  TukHandle e = tuk_element_from_id(id);
  Canvas* c = e ? dynamic_cast<Canvas*>(static_cast<Fl_Widget*>(tuk_element_native(e))) : nullptr;
  if (!c || !c->hbar || !c->vbar) return;
  TukEvent ev{};
  ev.type = TUK_EVENT_SCROLL;
  ev.x = c->hbar->value();
  ev.y = c->vbar->value();
  queue_event(ev, id);
}

Fl_Scrollbar* make_bar(int id, bool horizontal, Fl_Group* window) {
  Fl_Group::current(nullptr);
  Fl_Scrollbar* bar = new Fl_Scrollbar(0, 0, 10, 10);
  bar->type(horizontal ? FL_HORIZONTAL : FL_VERTICAL);
  bar->callback(scrollbar_cb, id_data(id));
  // the keys stay with the toolkit's bindings instead of moving a focused bar
  bar->clear_visible_focus();
  window->add(bar);
  return bar;
}

// position, part shown, whole length: FLTK's (value, window size, first, total)
void set_bar(Fl_Scrollbar* bar, int total, int page, int pos) {
  if (page <= 0 || page > total) page = total;
  const int last = total - page;
  if (pos > last) pos = last;
  if (pos < 0) pos = 0;
  bar->value(pos, page, 0, total);
  bar->linesize(page / 10 > 1 ? page / 10 : 1);
  if (total > page) bar->activate();
  else bar->deactivate();
}

}  // namespace

void drop_scrollbars(Canvas* c) {
  for (Fl_Scrollbar** bar : {&c->hbar, &c->vbar}) {
    if (!*bar) continue;
    if (Fl_Group* parent = (*bar)->parent()) parent->remove(*bar);
    Fl::delete_widget(*bar);
    *bar = nullptr;
  }
}

void sync_scrollbars(TukHandle e, Canvas* c) {
  if (!tuk_canvas_scrolls(e)) {
    drop_scrollbars(c);
    return;
  }
  DialogWindow* win = window_of(e);
  if (!win) return;
  if (!c->hbar) c->hbar = make_bar(c->id, true, win);
  if (!c->vbar) c->vbar = make_bar(c->id, false, win);
  set_bar(c->hbar, whole_attr(e, "XMAX"), whole_attr(e, "DX"), whole_attr(e, "POSX"));
  set_bar(c->vbar, whole_attr(e, "YMAX"), whole_attr(e, "DY"), whole_attr(e, "POSY"));
}

Canvas::Canvas(int id_, int x, int y, int w, int h) : Fl_Gl_Window(x, y, w, h), id(id_) {
  end();
}

void Canvas::flush() {
  // the toolkit's paint event draws and swaps through the canvas's own context
  queue_paint(id);
}

void Canvas::hide() {
  gl_release_drawable(this);
  Fl_Gl_Window::hide();
}

int Canvas::handle(int event) {
  switch (event) {
    case FL_PUSH:
    case FL_RELEASE: {
      if (!dialog_enabled(this)) return 1;
      if (event == FL_PUSH) {
        take_focus();
        note_focus(id);
      }
      TukEvent ev{};
      ev.type = TUK_EVENT_BUTTON;
      ev.button = Fl::event_button();
      ev.pressed = event == FL_PUSH;
      ev.double_click = event == FL_PUSH && Fl::event_clicks() > 0;
      // while pushed FLTK keeps sending to this canvas, in its own coordinates: the capture
      ev.x = Fl::event_x();
      ev.y = Fl::event_y();
      ev.modifiers = modifiers_now();
      if (ev.button >= 1 && ev.button <= 3) queue_event(ev, id);
      return 1;
    }
    case FL_DRAG:
    case FL_MOVE: {
      if (!dialog_enabled(this)) return 1;
      TukEvent ev{};
      ev.type = TUK_EVENT_MOTION;
      ev.x = Fl::event_x();
      ev.y = Fl::event_y();
      ev.modifiers = modifiers_now();
      queue_event(ev, id);
      return 1;
    }
    case FL_MOUSEWHEEL: {
      // the core decides what a turn does: the canvas's WHEEL_CB, else its scroll bars
      if (!dialog_enabled(this)) return 0;
      TukEvent ev{};
      ev.type = TUK_EVENT_WHEEL;
      ev.wheel_x = Fl::event_dx();
      ev.wheel_y = -Fl::event_dy();  // FLTK counts a turn towards the user as positive
      ev.x = Fl::event_x();
      ev.y = Fl::event_y();
      ev.modifiers = modifiers_now();
      queue_event(ev, id);
      return 1;
    }
    case FL_ENTER:
    case FL_LEAVE: {
      TukEvent ev{};
      ev.type = event == FL_ENTER ? TUK_EVENT_ENTER : TUK_EVENT_LEAVE;
      queue_event(ev, id);
      return 1;
    }
    case FL_FOCUS:
      note_focus(id);
      return 1;
    case FL_UNFOCUS:
      return 1;
    case FL_KEYBOARD: {
      if (!dialog_enabled(this)) return 1;
      const int sym = keysym_now();
      if (!sym) return 0;
      TukEvent ev{};
      ev.type = TUK_EVENT_KEY;
      ev.key = sym;
      ev.modifiers = modifiers_now();
      queue_event(ev, id);
      return 1;
    }
    default:
      return Fl_Gl_Window::handle(event);
  }
}

// ---- button, list, label ------------------------------------------------------------------------

Button::Button(int id_, int x, int y, int w, int h) : Fl_Button(x, y, w, h), id(id_) {
  callback(button_cb);
}

int Button::handle(int event) {
  if (event == FL_FOCUS && Fl_Button::handle(event)) {
    note_focus(id);
    return 1;
  }
  return Fl_Button::handle(event);
}

Browser::Browser(int id_, int x, int y, int w, int h) : Fl_Browser(x, y, w, h), id(id_) {
  format_char(0);  // item texts are plain text, never formatting codes
  column_char(0);
  callback(browser_cb);
  when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED);
}

int Browser::handle(int event) {
  if (event == FL_KEYBOARD) {
    // Enter and Esc belong to the dialog (its default buttons), not to the list
    const int k = Fl::event_key();
    if (k == FL_Enter || k == FL_KP_Enter || k == FL_Escape) return 0;
  }
  if (event == FL_FOCUS && Fl_Browser::handle(event)) {
    note_focus(id);
    return 1;
  }
  if (event == FL_PUSH && !dialog_enabled(this)) return 1;
  return Fl_Browser::handle(event);
}

void Browser::reload(TukHandle list) {
  clear();
  char name[16];
  for (int i = 1; i <= TUK_LIST_MAX_ITEMS; ++i) {
    std::snprintf(name, sizeof name, "%d", i);
    const char* text = tuk_own_attribute(list, name);
    if (!text) break;
    add(text);
  }
  selected.assign(static_cast<std::size_t>(size()), 0);
}

void Browser::apply_value(const char* value) {
  const int n = size();
  if (multiple) {
    const std::size_t len = value ? std::strlen(value) : 0;
    for (int i = 1; i <= n; ++i) {
      const bool on = static_cast<std::size_t>(i) <= len && value[i - 1] == '+';
      select(i, on ? 1 : 0);
      selected[static_cast<std::size_t>(i - 1)] = on;
    }
    return;
  }
  const int v = value ? std::atoi(value) : 0;
  deselect();
  for (char& s : selected) s = 0;
  if (v >= 1 && v <= n) {
    select(v, 1);
    selected[static_cast<std::size_t>(v - 1)] = 1;
  }
}

void Browser::report_changes() {
  const int n = size();
  selected.resize(static_cast<std::size_t>(n), 0);
  TukEvent ev{};
  ev.type = TUK_EVENT_SELECT;
  if (multiple) {
    for (int i = 1; i <= n; ++i) {
      const char now = Fl_Browser::selected(i) ? 1 : 0;
      char& was = selected[static_cast<std::size_t>(i - 1)];
      if (now == was) continue;
      was = now;
      ev.item = i;
      ev.state = now;
      queue_event(ev, id);
    }
    return;
  }
  const int picked = value();
  int old = 0;
  for (int i = 1; i <= n && !old; ++i)
    if (selected[static_cast<std::size_t>(i - 1)]) old = i;
  if (picked == old) {
    // the selected entry clicked again: a second selection only for the second click of a
    // double click, so that the push and release of one click never count as two
    const bool mouse = Fl::event() == FL_PUSH || Fl::event() == FL_RELEASE;
    if (!picked || !mouse || Fl::event_clicks() == 0) return;
  } else if (old) {
    selected[static_cast<std::size_t>(old - 1)] = 0;
    ev.item = old;
    ev.state = 0;
    queue_event(ev, id);
  }
  if (!picked) return;
  selected[static_cast<std::size_t>(picked - 1)] = 1;
  ev.item = picked;
  ev.state = 1;
  queue_event(ev, id);
}

Label::Label(int id_, int x, int y, int w, int h) : Fl_Box(x, y, w, h), id(id_) {}

void Label::set_image(TukHandle source) {
  image(nullptr);
  picture.reset();
  const int w = source ? TukGetInt(source, "WIDTH") : 0;
  const int h = source ? TukGetInt(source, "HEIGHT") : 0;
  const unsigned char* pixels = tuk_image_pixels(source);
  if (!pixels || w <= 0 || h <= 0) return;
  unsigned char colours[16][3];
  for (int i = 0; i < 16; ++i) tuk_image_color(source, i, colours[i]);
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  rgb.resize(n * 3);
  for (std::size_t p = 0; p < n; ++p) std::memcpy(&rgb[p * 3], colours[pixels[p] & 15], 3);
  picture.reset(new Fl_RGB_Image(rgb.data(), w, h, 3));
  image(picture.get());
}

}  // namespace fltkdrv
