// Showing and hiding, modal popups, the event loop step and the close action.
#include "tuk_internal.h"

#include <cstdio>
#include <cstring>

namespace {

// One running modal popup, linked from the innermost outwards (they live on the C++ stack).
struct PopupFrame {
  TukElement* dialog;       // the popup's dialog; null once destroyed
  TukElement* was_active;   // dialog active before the popup; null once destroyed
  PopupFrame* outer;
};

struct Loop {
  int visible_count;                              // dialogs counted as visible
  bool main_loop;                                 // TukMainLoop is running
  int popup_depth;                                // popup loops running, pushed or not
  TukElement* popup_stack[TUK_POPUP_STACK_MAX];   // pushed popups; null once destroyed
  int popup_stack_size;
  TukElement* shown[TUK_SHOWN_MAX];               // dialogs shown, disabled under popups
  int shown_count;
  bool quit_pending;                              // the innermost loop ends at its next step
  TukElement* active;                             // the active dialog, or null
  PopupFrame* innermost;                          // innermost running popup, or null
};

Loop g_loop;

const TukDriver* drv(void) { return tuk_driver(); }

void shown_add(TukElement* d) {
  for (int i = 0; i < g_loop.shown_count; ++i)
    if (g_loop.shown[i] == d) return;
  // beyond the table's room a dialog is still shown, only not disabled under popups
  if (g_loop.shown_count < TUK_SHOWN_MAX) g_loop.shown[g_loop.shown_count++] = d;
}

void shown_remove(TukElement* d) {
  for (int i = 0; i < g_loop.shown_count; ++i) {
    if (g_loop.shown[i] == d) {
      std::memmove(&g_loop.shown[i], &g_loop.shown[i + 1],
                   sizeof(TukElement*) * static_cast<std::size_t>(g_loop.shown_count - i - 1));
      --g_loop.shown_count;
      return;
    }
  }
}

void enable(TukElement* d, bool on) {
  if (d && d->mapped && drv() && drv()->enable_dialog) drv()->enable_dialog(d, on ? 1 : 0);
}

void enable_all_shown(bool on) {
  for (int i = 0; i < g_loop.shown_count; ++i) enable(g_loop.shown[i], on);
}

void set_visible_attr(TukElement* d, bool visible) {
  // kept in the element's own table so that it reads right before mapping and after
  tuk_set_pointer(d, "VISIBLE", visible ? "YES" : "NO");
}

void count_visible(TukElement* d) {
  if (d->counted) return;
  d->counted = true;
  ++g_loop.visible_count;
}

void uncount_visible(TukElement* d) {
  if (!d->counted) return;
  d->counted = false;
  --g_loop.visible_count;
  shown_remove(d);
}

int call_dialog_cb(TukElement* d, const char* attribute, bool with_state, int state) {
  TukCallback cb = tuk_callback_of(d, attribute);
  if (!cb) return TUK_DEFAULT;
  if (with_state) return tuk_callback_as<TukStateCallback>(cb)(d, state);
  return cb(d);
}

void place_tree(TukElement* e) {
  if (!e->mapped) return;
  if (drv() && drv()->place) drv()->place(e);
  int client_w = 0, client_h = 0;
  if (e->kind == TUK_KIND_CANVAS) tuk_canvas_client_size(e, &client_w, &client_h);
  if (e->kind == TUK_KIND_CANVAS && (e->reported_w != client_w || e->reported_h != client_h)) {
    e->reported_w = client_w;
    e->reported_h = client_h;
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", client_w, client_h);
    TukStoreAttribute(e, "DRAWSIZE", size);
    TukCallback cb = tuk_callback_of(e, "RESIZE_CB");
    const int id = e->id;
    if (cb) tuk_callback_as<TukSizeCallback>(cb)(e, client_w, client_h);
    if (tuk_element_from_id(id) != e) return;  // the callback destroyed it
  }
  for (TukElement* c = e->first_child; c;) {
    TukElement* next = c->next;
    place_tree(c);
    c = next;
  }
}

TukElement* menu_of(TukElement* dialog) {
  const char* name = tuk_own_attribute(dialog, "MENU");
  TukHandle menu = name ? TukGetHandle(name) : nullptr;
  return menu && menu->kind == TUK_KIND_MENU ? menu : nullptr;
}

// Maps, lays out and places a dialog; true when it was mapped only now.
bool prepare_dialog(TukElement* d) {
  const bool first = !d->mapped;
  tuk_map_tree(d);
  if (TukElement* menu = menu_of(d)) tuk_map_tree(menu);
  if (first) call_dialog_cb(d, "MAP_CB", false, 0);
  tuk_layout_dialog(d);
  place_tree(d);
  return first;
}

// Places the dialog on the screen by position codes or pixels and shows it there.
void show_at(TukElement* d, int x, int y) {
  int sx = 0, sy = 0;
  tuk_place_dialog(d, x, y, &sx, &sy);
  d->x = sx;
  d->y = sy;
  if (drv()->show) drv()->show(d, sx, sy);
}

void present_dialog(TukElement* d, int x, int y) {
  show_at(d, x, y);
  if (drv()->raise) drv()->raise(d);
  count_visible(d);
  set_visible_attr(d, true);
  g_loop.active = d;
  if (drv()->update) drv()->update(d);
}

int step(bool wait, bool consume_quit) {
  const TukDriver* d = drv();
  if (!d) return TUK_STEP_END;
  if (g_loop.quit_pending) {
    if (consume_quit) g_loop.quit_pending = false;
    return TUK_STEP_END;
  }
  TukEvent ev{};
  if (d->pump && d->pump(0, &ev)) {
    tuk_dispatch(&ev);
    return TUK_STEP_DISPATCHED;
  }
  if (g_loop.popup_depth == 0 && g_loop.visible_count <= 0) return TUK_STEP_END;
  if (TukCallback idle = TukGetFunction("tuk-idle")) {
    if (tuk_callback_as<TukIdleCallback>(idle)() == TUK_CLOSE) g_loop.quit_pending = true;
  }
  if (!wait) return TUK_STEP_IDLE;
  if (g_loop.quit_pending) {
    if (consume_quit) g_loop.quit_pending = false;
    return TUK_STEP_END;
  }
  if (d->pump && d->pump(1, &ev)) {
    tuk_dispatch(&ev);
    return TUK_STEP_DISPATCHED;
  }
  return TUK_STEP_END;
}

int popup_dialog(TukElement* d, int x, int y) {
  prepare_dialog(d);
  if (tuk_element_from_id(d->id) != d) return TUK_ERROR;  // MAP_CB or RESIZE_CB destroyed it
  bool pushed = false;
  if (g_loop.popup_stack_size < TUK_POPUP_STACK_MAX) {
    // the first popup disables every shown dialog; a nested one the popup below it
    if (g_loop.popup_stack_size == 0) enable_all_shown(false);
    else enable(g_loop.popup_stack[g_loop.popup_stack_size - 1], false);
    g_loop.popup_stack[g_loop.popup_stack_size++] = d;
    pushed = true;
  }
  PopupFrame frame{d, g_loop.active, g_loop.innermost};
  g_loop.innermost = &frame;
  ++g_loop.popup_depth;
  present_dialog(d, x, y);
  enable(d, true);  // a dialog already shown was disabled with the others
  call_dialog_cb(d, "SHOW_CB", true, 0);
  while (frame.dialog && step(true, true) != TUK_STEP_END) {
  }
  // a popup whose dialog was destroyed inside its loop ends at once; its quit is not consumed
  --g_loop.popup_depth;
  g_loop.innermost = frame.outer;
  if (pushed) {
    --g_loop.popup_stack_size;
    g_loop.popup_stack[g_loop.popup_stack_size] = nullptr;
    if (g_loop.popup_stack_size > 0) enable(g_loop.popup_stack[g_loop.popup_stack_size - 1], true);
    else enable_all_shown(true);
  }
  if (frame.dialog && frame.dialog->counted) {
    // the loop may have ended without the dialog being hidden (idle function, quit)
    if (drv()->hide) drv()->hide(d);
    set_visible_attr(d, false);
    uncount_visible(d);
  }
  g_loop.active = frame.was_active;
  if (frame.was_active && drv()->raise) drv()->raise(frame.was_active);
  return TUK_NOERROR;
}

int popup_menu(TukElement* menu, int x, int y) {
  if (!drv()->popup_menu) return TUK_ERROR;
  tuk_map_tree(menu);
  TukHandle picked = nullptr;
  if (drv()->popup_menu(menu, x, y, &picked) != TUK_NOERROR) return TUK_ERROR;
  if (picked) {
    TukEvent ev{};
    ev.type = TUK_EVENT_ACTIVATE;
    ev.element = picked;
    tuk_dispatch(&ev);
  }
  return TUK_NOERROR;
}

}  // namespace

const TukLoopState* tuk_loop_state(void) {
  static TukLoopState s;
  s.visible_count = g_loop.visible_count;
  s.main_loop = g_loop.main_loop;
  s.popup_depth = g_loop.popup_depth;
  s.popup_stack_size = g_loop.popup_stack_size;
  s.shown_count = g_loop.shown_count;
  s.quit_pending = g_loop.quit_pending;
  return &s;
}

TukElement* tuk_popup_stack_at(int i) {
  return i >= 0 && i < g_loop.popup_stack_size ? g_loop.popup_stack[i] : nullptr;
}
TukElement* tuk_shown_at(int i) { return i >= 0 && i < g_loop.shown_count ? g_loop.shown[i] : nullptr; }
TukHandle tuk_innermost_popup(void) { return g_loop.innermost ? g_loop.innermost->dialog : nullptr; }

void tuk_loop_reset(void) {
  g_loop = Loop{};
  tuk_input_forget(nullptr);
}

void tuk_loop_forget(TukElement* e) {
  shown_remove(e);
  for (int i = 0; i < g_loop.popup_stack_size; ++i)
    if (g_loop.popup_stack[i] == e) g_loop.popup_stack[i] = nullptr;
  for (PopupFrame* f = g_loop.innermost; f; f = f->outer) {
    if (f->dialog == e) f->dialog = nullptr;
    if (f->was_active == e) f->was_active = nullptr;
  }
  if (g_loop.active == e) g_loop.active = nullptr;
  if (e->counted) {
    e->counted = false;
    --g_loop.visible_count;
  }
  tuk_input_forget(e);
  const TukDriver* d = drv();
  if (d && d->get_focus && d->set_focus && d->get_focus() == e) d->set_focus(nullptr);
}

void tuk_map_tree(TukElement* e) {
  if (!e) return;
  if (!e->mapped) {
    int r = TUK_ERROR;
    if (e->cls && e->cls->methods[TUK_METHOD_MAP]) {
      typedef int (*Map)(TukHandle);
      r = reinterpret_cast<Map>(e->cls->methods[TUK_METHOD_MAP])(e);
    } else if (!e->cls && drv() && drv()->map) {
      r = drv()->map(e);
    }
    e->mapped = r == TUK_NOERROR;
  }
  for (TukElement* c = e->first_child; c; c = c->next) tuk_map_tree(c);
}

void tuk_unmap_tree(TukElement* e) {
  if (!e) return;
  for (TukElement* c = e->first_child; c; c = c->next) tuk_unmap_tree(c);
  if (!e->mapped) return;
  if (e->cls) {
    // the class releases its own data; the native window underneath is the driver's
    typedef void (*Unmap)(TukHandle);
    if (TukClassMethod m = e->cls->methods[TUK_METHOD_UNMAP]) reinterpret_cast<Unmap>(m)(e);
  }
  if (drv() && drv()->unmap) drv()->unmap(e);
  e->mapped = false;
  e->native = nullptr;
  e->reported_w = -1;
  e->reported_h = -1;
}

void tuk_close_action(TukElement* e) {
  g_loop.quit_pending = true;
  TukElement* d = tuk_element_dialog(e);
  if (!d) d = tuk_menu_owner(e);
  if (d) TukHide(d);
}

int tuk_loop_step(bool wait) { return step(wait, true); }

void tuk_dialog_resized(TukElement* d, int width, int height) {
  if (!d || d->kind != TUK_KIND_DIALOG || !d->mapped) return;
  tuk_layout_dialog_size(d, width, height);
  place_tree(d);
}

int TukShow(TukHandle e) {
  if (!e || !drv()) return TUK_ERROR;
  if (e->kind != TUK_KIND_DIALOG) {
    TukElement* d = tuk_element_dialog(e);
    if (d && d->mapped && !e->mapped) {
      tuk_map_tree(e);
      tuk_layout_dialog(d);
      place_tree(d);
    }
    if (e->mapped && drv()->show) drv()->show(e, e->x, e->y);
    return TUK_NOERROR;
  }
  prepare_dialog(e);
  if (tuk_element_from_id(e->id) != e) return TUK_NOERROR;  // MAP_CB or RESIZE_CB destroyed it
  // every show re-centres the dialog
  present_dialog(e, TUK_CENTER, TUK_CENTER);
  shown_add(e);
  call_dialog_cb(e, "SHOW_CB", true, 0);
  return TUK_NOERROR;
}

int TukRefresh(TukHandle e) {
  if (!e || !drv()) return TUK_ERROR;
  TukElement* d = tuk_element_dialog(e);
  if (!d || !d->mapped) return TUK_ERROR;
  const int was_w = d->current_w, was_h = d->current_h;
  tuk_layout_dialog(d);
  place_tree(d);
  if (tuk_element_from_id(d->id) != d) return TUK_NOERROR;  // RESIZE_CB destroyed it
  if (d->counted) {
    // a window that grew must not hang off the screen: centre it as a show would; one that kept
    // its size stays where the user put it
    if (d->current_w != was_w || d->current_h != was_h) show_at(d, TUK_CENTER, TUK_CENTER);
    if (drv()->update) drv()->update(d);
  }
  return TUK_NOERROR;
}

int TukHide(TukHandle e) {
  if (!e || !e->mapped || !drv()) return TUK_ERROR;
  if (drv()->hide) drv()->hide(e);
  if (e->kind != TUK_KIND_DIALOG) return TUK_NOERROR;
  set_visible_attr(e, false);
  if (!e->counted) return TUK_NOERROR;
  if (g_loop.innermost && g_loop.innermost->dialog == e) {
    // hiding the running popup ends its loop; the popup itself lowers the count afterwards
    g_loop.quit_pending = true;
  } else {
    uncount_visible(e);
  }
  return TUK_NOERROR;
}

int TukPopup(TukHandle e, int x, int y) {
  if (!e || !drv()) return TUK_ERROR;
  if (e->cls) {
    typedef int (*Popup)(TukHandle, int, int);
    TukClassMethod m = e->cls->methods[TUK_METHOD_POPUP];
    return m ? reinterpret_cast<Popup>(m)(e, x, y) : TUK_ERROR;
  }
  if (e->kind == TUK_KIND_MENU) return popup_menu(e, x, y);
  if (e->kind != TUK_KIND_DIALOG) return TUK_ERROR;
  return popup_dialog(e, x, y);
}

TukHandle TukSetFocus(TukHandle e) {
  if (!e || !drv() || !drv()->set_focus) return nullptr;
  TukHandle before = drv()->set_focus(e);
  if (before != e) {
    TukEvent ev{};
    ev.type = TUK_EVENT_FOCUS;
    ev.element = e;
    ev.other = before;
    tuk_dispatch(&ev);
  }
  return before;
}

int TukMainLoop(void) {
  const bool outer = g_loop.main_loop;
  g_loop.main_loop = true;
  while (step(true, true) != TUK_STEP_END) {
  }
  g_loop.main_loop = outer;
  return TUK_NOERROR;
}

void TukFlush(void) {
  // a pending quit belongs to the loop that runs around this call: leave it for that loop
  while (step(false, false) == TUK_STEP_DISPATCHED) {
  }
}
