// Elements, their attributes, the name and function tables, and the toolkit's life cycle.
#include "tuk_internal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>
#include <thread>
#include <vector>

namespace {

constexpr const char* kVersion = "1.8";

struct Core {
  bool open;                        // between TukOpen and TukClose
  std::thread::id thread;           // the thread that called TukOpen
  const TukDriver* driver;          // driver in use while open
  TukElement* globals;              // USER element with the global attributes
  TukAttrTable* names;              // element name -> element
  TukAttrTable* functions;          // callback name -> function
  std::vector<TukElement*> ids;     // slot id - TUK_FIRST_ID -> element, null once destroyed
  std::vector<TukElement*> dialogs; // every dialog alive, in creation order
};

Core g_core;
int g_next_id = TUK_FIRST_ID;  // ids are never reused, not even across TukClose and TukOpen

constexpr int kMaxDrivers = 4;
const TukDriver* g_drivers[kMaxDrivers];  // registered drivers, constant-initialised
const char* g_forced_driver;              // TukSetDriver's choice, null for the default

constexpr const char* kKindNames[TUK_KIND_COUNT] = {
    "UNKNOWN", "COLOR", "IMAGE",     "BUTTON", "CANVAS",   "DIALOG", "FILL",      "FRAME",
    "HBOX",    "ITEM",  "SEPARATOR", "SUBMENU", "KEYACTION", "LABEL", "LIST",     "MENU",
    "RADIO",   "TEXT",  "TOGGLE",    "VBOX",   "ZBOX",     "MULTILINE", "USER",  "CONTROL"};

// Attributes the driver reports from the native object of a mapped element.
constexpr const char* kLiveAttributes[] = {"SIZE",  "VALUE", "VISIBLE", "ACTIVE", "FGCOLOR",
                                           "CONID", "DROPDOWN", "WID",  "CARET",  "FONT",
                                           "WINFONT", "X",   "Y"};

// Attributes that describe one element only: a dialog's title or size must not become the
// title or size of every element inside it.
constexpr const char* kOwnOnly[] = {"TITLE", "SIZE",  "RASTERSIZE", "VALUE", "ACTION",
                                    "EXPAND", "GAP",  "MARGIN",     "X",     "Y",
                                    "WID",   "VISIBLE", "MENU",     "IMAGE", "WIDTH",
                                    "HEIGHT", "RED",  "GREEN",      "BLUE",  "MULTIPLE",
                                    "CLOSE_CB", "MAP_CB", "SHOW_CB", "RESIZE_CB",
                                    "DEFAULTENTER", "DEFAULTESC"};

struct DefaultAttribute {
  const char* name;
  const char* value;
};
constexpr DefaultAttribute kDefaults[] = {
    {"ACTIVE", "YES"}, {"POSX", "0.0"},   {"POSY", "0.0"},    {"MULTIPLE", "NO"},
    {"CURSOR", "ARROW"}, {"NC", "32767"}, {"DROPDOWN", "NO"}, {"VERTICAL", "NO"},
    {"MIN", "0.0"},    {"MAX", "1.0"},    {"BORDER", "YES"},  {"XMIN", "0.0"},
    {"XMAX", "1.0"},   {"YMIN", "0.0"},   {"YMAX", "1.0"},    {"DX", "0.1"},
    {"DY", "0.1"},     {"SCROLLBAR", "NO"}};

bool in_list(const char* name, const char* const* list, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (std::strcmp(list[i], name) == 0) return true;
  return false;
}

template <std::size_t N>
bool in_list(const char* name, const char* const (&list)[N]) {
  return in_list(name, list, N);
}

bool is_number_name(const char* name) {
  if (!*name) return false;
  for (const char* p = name; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

bool inheritable(const char* name) {
  // internal records and list items / image colours ("1", "2" ...) belong to their element
  return name[0] != '_' && !is_number_name(name) && !in_list(name, kOwnOnly);
}

const void* fn_to_ptr(TukCallback f) { return reinterpret_cast<const void*>(f); }
TukCallback ptr_to_fn(const void* p) { return reinterpret_cast<TukCallback>(const_cast<void*>(p)); }

TukAttrTable* ensure_table(TukAttrTable** table) {
  if (!*table) *table = tuk_table_new(TUK_BUCKETS_GLOBAL);
  return *table;
}

const char* class_string_method(TukElement* e, int slot, const char* name) {
  typedef const char* (*Getter)(TukHandle, const char*);
  TukClassMethod m = e->cls->methods[slot];
  return m ? reinterpret_cast<Getter>(m)(e, name) : nullptr;
}

const char* live_value(TukElement* e, const char* name) {
  if (!e->mapped || !in_list(name, kLiveAttributes)) return nullptr;
  if (e->cls) return class_string_method(e, TUK_METHOD_GETATTR, name);
  const TukDriver* d = tuk_driver();
  return d && d->get_attribute ? d->get_attribute(e, name) : nullptr;
}

const char* default_value(TukElement* e, const char* name) {
  const char* v = nullptr;
  if (e->cls) {
    v = class_string_method(e, TUK_METHOD_GETDEFAULTATTR, name);
  } else {
    const TukDriver* d = tuk_driver();
    if (d && d->default_attribute) v = d->default_attribute(e, name);
  }
  if (v) return v;
  if (std::strcmp(name, "EXPAND") == 0) return tuk_default_expand(e) ? "YES" : "NO";
  if (std::strcmp(name, "BGCOLOR") == 0) {
    const TukDriver* d = tuk_driver();
    return d && d->dialog_color ? d->dialog_color() : nullptr;
  }
  for (const DefaultAttribute& a : kDefaults)
    if (std::strcmp(a.name, name) == 0) return a.value;
  return nullptr;
}

void apply_to_native(TukElement* e, const char* name, const char* value) {
  if (!e->mapped) return;
  if (e->cls) {
    typedef void (*Setter)(TukHandle, const char*, const char*);
    TukClassMethod m = e->cls->methods[TUK_METHOD_SETATTR];
    if (m) reinterpret_cast<Setter>(m)(e, name, value);
    return;
  }
  const TukDriver* d = tuk_driver();
  if (d && d->set_attribute) d->set_attribute(e, name, value);
}

void set_attribute(TukHandle e, const char* name, const char* value, bool copy) {
  if (!e || !name) return;
  tuk_table_set(e->attrs, name, value, copy);
  const char* stored = static_cast<const char*>(tuk_table_get(e->attrs, name));
  apply_to_native(e, name, stored);
}

TukHandle make_titled(int kind, const char* title, const char* action) {
  TukElement* e = tuk_element_new(kind, TUK_BUCKETS_PLAIN);
  if (!e) return nullptr;
  if (title) TukStoreAttribute(e, "TITLE", title);
  if (action) TukStoreAttribute(e, "ACTION", action);
  return e;
}

TukHandle make_list_box(int kind, TukHandle first, va_list ap) {
  TukElement* e = tuk_element_new(kind, TUK_BUCKETS_PLAIN);
  if (!e) return nullptr;
  for (TukHandle child = first; child; child = va_arg(ap, TukHandle)) tuk_element_append(e, child);
  return e;
}

bool remove_names_of(TukAttrEntry* entry, void* element) {
  if (entry->value == element) tuk_table_set(g_core.names, entry->name, nullptr, false);
  return true;
}

void destroy_tree(TukElement* e) {
  for (TukElement* c = e->first_child; c;) {
    TukElement* next = c->next;
    destroy_tree(c);
    c = next;
  }
  e->first_child = nullptr;
  if (e->mapped) tuk_unmap_tree(e);
  if (e->cls && e->cls->methods[TUK_METHOD_DESTROY]) {
    typedef void (*Destroy)(TukHandle);
    reinterpret_cast<Destroy>(e->cls->methods[TUK_METHOD_DESTROY])(e);
  }
  if (e->kind == TUK_KIND_DIALOG) {
    for (auto it = g_core.dialogs.begin(); it != g_core.dialogs.end(); ++it) {
      if (*it == e) {
        g_core.dialogs.erase(it);
        break;
      }
    }
  }
  tuk_loop_forget(e);
  if (g_core.names) tuk_table_each(g_core.names, remove_names_of, e);
  tuk_table_free(e->attrs);
  std::free(e->pixels);
  const std::size_t slot = static_cast<std::size_t>(e->id - TUK_FIRST_ID);
  if (slot < g_core.ids.size()) g_core.ids[slot] = nullptr;
  delete e;
}

int parse_int(const char* text, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || v < -2147483647L || v > 2147483647L) return 0;
  *out = static_cast<int>(v);
  return static_cast<int>(end - text);
}

// Strict "r g b": three decimal integers 0-255 separated by blanks, nothing else.
bool parse_rgb(const char* text, int rgb[3]) {
  const char* p = text;
  for (int i = 0; i < 3; ++i) {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p < '0' || *p > '9') return false;
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (v > 255) return false;
    rgb[i] = static_cast<int>(v);
    p = end;
    if (i < 2 && *p != ' ' && *p != '\t') return false;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '\0';
}

int version_ok_cb(TukHandle) { return TUK_CLOSE; }

void show_version_dialog(void) {
  char driver_line[96];
  char system_line[96];
  std::snprintf(driver_line, sizeof driver_line, "Driver: %s", TukGetGlobal("DRIVER"));
  std::snprintf(system_line, sizeof system_line, "System: %s", TukGetGlobal("SYSTEM"));
  TukSetFunction("tuk_version_ok", TukCallbackOf(version_ok_cb));
  TukHandle ok = TukButton("OK", "tuk_version_ok");
  TukStoreAttribute(ok, "SIZE", "40x0");
  TukHandle box = TukVbox(TukLabel("Tuk 1.8"), TukLabel(driver_line), TukLabel(system_line), ok,
                          nullptr);
  TukStoreAttribute(box, "MARGIN", "10x10");
  TukStoreAttribute(box, "GAP", "5");
  TukHandle dialog = TukDialog(box);
  TukStoreAttribute(dialog, "TITLE", "Tuk");
  TukPopup(dialog, TUK_CENTER, TUK_CENTER);
  TukDestroy(dialog);
}

bool g_atexit_registered;
void close_at_exit(void) {
  if (g_core.open) TukClose();
}

const TukDriver* choose_driver(void) {
  const char* wanted = g_forced_driver;
  if (!wanted) wanted = std::getenv("TUK_DRIVER");
  if (!wanted || !*wanted) wanted = std::getenv("DISPLAY") ? "fltk" : "headless";
  const TukDriver* d = tuk_driver_find(wanted);
  // until a window-system driver is linked in, everything runs on the headless one
  return d ? d : tuk_driver_find("headless");
}

}  // namespace

// ---- driver registry and core services ----------------------------------------------------------

int tuk_driver_register(const TukDriver* driver) {
  if (!driver || !driver->name) return TUK_ERROR;
  for (const TukDriver*& slot : g_drivers) {
    if (slot == driver) return TUK_NOERROR;
    if (!slot) {
      slot = driver;
      return TUK_NOERROR;
    }
  }
  return TUK_ERROR;
}

const TukDriver* tuk_driver_find(const char* name) {
  if (!name) return nullptr;
  for (const TukDriver* d : g_drivers)
    if (d && strcasecmp(d->name, name) == 0) return d;
  return nullptr;
}

const TukDriver* tuk_driver(void) { return g_core.open ? g_core.driver : nullptr; }

int TukSetDriver(const char* name) {
  if (!name) {
    g_forced_driver = nullptr;
    return TUK_NOERROR;
  }
  const TukDriver* d = tuk_driver_find(name);
  if (!d) return TUK_ERROR;
  g_forced_driver = d->name;
  return TUK_NOERROR;
}

bool tuk_is_open(void) { return g_core.open; }
bool tuk_on_toolkit_thread(void) { return g_core.open && std::this_thread::get_id() == g_core.thread; }
TukElement* tuk_globals(void) { return g_core.globals; }

TukHandle tuk_element_from_id(int id) {
  const long slot = static_cast<long>(id) - TUK_FIRST_ID;
  if (slot < 0 || static_cast<std::size_t>(slot) >= g_core.ids.size()) return nullptr;
  return g_core.ids[static_cast<std::size_t>(slot)];
}
int tuk_element_id(TukHandle e) { return e ? e->id : 0; }
int tuk_element_kind(TukHandle e) { return e ? e->kind : TUK_KIND_UNKNOWN; }
TukHandle tuk_element_parent(TukHandle e) { return e ? e->parent : nullptr; }
TukHandle tuk_element_first_child(TukHandle e) { return e ? e->first_child : nullptr; }
TukHandle tuk_element_next(TukHandle e) { return e ? e->next : nullptr; }
TukHandle TukGetDialog(TukHandle e) { return tuk_element_dialog(e); }

TukHandle tuk_element_dialog(TukHandle e) {
  while (e && e->kind != TUK_KIND_DIALOG) e = e->parent;
  return e;
}
void tuk_element_geometry(TukHandle e, int* x, int* y, int* w, int* h) {
  if (!e) return;
  if (x) *x = e->x;
  if (y) *y = e->y;
  if (w) *w = e->current_w;
  if (h) *h = e->current_h;
}
void* tuk_element_native(TukHandle e) { return e ? e->native : nullptr; }
void tuk_element_set_native(TukHandle e, void* native) {
  if (e) e->native = native;
}

const char* tuk_element_label(TukHandle e, char* buffer, std::size_t capacity) {
  if (!buffer || capacity == 0) return "";
  if (!e) {
    std::snprintf(buffer, capacity, "(none)");
    return buffer;
  }
  const char* title = tuk_own_attribute(e, "TITLE");
  const char* name = nullptr;
  if (g_core.names) {
    for (int i = 0; i < g_core.names->bucket_count && !name; ++i)
      for (TukAttrEntry* n = g_core.names->buckets[i]; n && !name; n = n->next)
        if (n->value == e) name = n->name;
  }
  std::snprintf(buffer, capacity, "%s #%d%s%s%s%s%s", tuk_kind_name(e->kind), e->id,
                title ? " \"" : "", title ? title : "", title ? "\"" : "", name ? " named " : "",
                name ? name : "");
  return buffer;
}

// ---- elements ---------------------------------------------------------------------------------

const char* tuk_kind_name(int kind) {
  return kind >= 0 && kind < TUK_KIND_COUNT ? kKindNames[kind] : kKindNames[0];
}

int tuk_default_expand(TukElement* e) {
  switch (e->kind) {
    case TUK_KIND_CANVAS: case TUK_KIND_FILL: case TUK_KIND_FRAME: case TUK_KIND_HBOX:
    case TUK_KIND_VBOX: case TUK_KIND_ZBOX: case TUK_KIND_RADIO: case TUK_KIND_CONTROL:
      return 1;
    default:
      return 0;
  }
}

TukElement* tuk_element_new(int kind, int buckets) {
  TukElement* e = new (std::nothrow) TukElement{};
  if (!e) return nullptr;
  e->attrs = tuk_table_new(buckets);
  if (!e->attrs) {
    delete e;
    return nullptr;
  }
  e->kind = kind;
  e->reported_w = -1;
  e->reported_h = -1;
  e->id = g_next_id++;
  const std::size_t slot = static_cast<std::size_t>(e->id - TUK_FIRST_ID);
  if (g_core.ids.size() <= slot) g_core.ids.resize(slot + 1, nullptr);
  g_core.ids[slot] = e;
  if (kind == TUK_KIND_DIALOG) g_core.dialogs.push_back(e);
  return e;
}

void tuk_element_append(TukElement* parent, TukElement* child) {
  if (!parent || !child || child == parent) return;
  if (child->parent) return;  // already in a tree: moving it would corrupt the other one
  child->parent = parent;
  TukElement** link = &parent->first_child;
  while (*link) link = &(*link)->next;
  *link = child;
}

const char* tuk_own_attribute(TukElement* e, const char* name) {
  return e && name ? static_cast<const char*>(tuk_table_get(e->attrs, name)) : nullptr;
}

const void* tuk_get_pointer(TukElement* e, const char* name) {
  return e && name ? tuk_table_get(e->attrs, name) : nullptr;
}

void tuk_set_pointer(TukElement* e, const char* name, const void* value) {
  if (e && name) tuk_table_set(e->attrs, name, value, false);
}

TukCallback tuk_callback_of(TukElement* e, const char* attribute) {
  const char* name = TukGetAttribute(e, attribute);
  return name ? TukGetFunction(name) : nullptr;
}

TukElement* tuk_menu_owner(TukElement* e) {
  if (!e) return nullptr;
  while (e->parent) e = e->parent;
  for (TukElement* d : g_core.dialogs) {
    const char* menu = tuk_own_attribute(d, "MENU");
    if (menu && TukGetHandle(menu) == e) return d;
  }
  return nullptr;
}

// ---- constructors -------------------------------------------------------------------------------

TukHandle TukImage(int width, int height, const unsigned char* pixels) {
  if (width <= 0 || height <= 0 || !pixels) return nullptr;
  // checked before the multiplication: width x height must fit in the allocation size
  if (static_cast<std::size_t>(width) > static_cast<std::size_t>(1 << 30) / static_cast<std::size_t>(height))
    return nullptr;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  TukElement* e = tuk_element_new(TUK_KIND_IMAGE, TUK_BUCKETS_PLAIN);
  if (!e) return nullptr;
  e->pixels = static_cast<unsigned char*>(std::malloc(n));
  if (!e->pixels) {
    TukDestroy(e);
    return nullptr;
  }
  std::memcpy(e->pixels, pixels, n);
  char text[16];
  std::snprintf(text, sizeof text, "%d", width);
  TukStoreAttribute(e, "WIDTH", text);
  std::snprintf(text, sizeof text, "%d", height);
  TukStoreAttribute(e, "HEIGHT", text);
  return e;
}

TukHandle TukButton(const char* title, const char* action) {
  return make_titled(TUK_KIND_BUTTON, title, action);
}
TukHandle TukCanvas(const char* action) { return make_titled(TUK_KIND_CANVAS, nullptr, action); }
TukHandle TukItem(const char* title, const char* action) {
  return make_titled(TUK_KIND_ITEM, title, action);
}
TukHandle TukLabel(const char* title) { return make_titled(TUK_KIND_LABEL, title, nullptr); }
TukHandle TukFill(void) { return tuk_element_new(TUK_KIND_FILL, TUK_BUCKETS_PLAIN); }
TukHandle TukSeparator(void) { return tuk_element_new(TUK_KIND_SEPARATOR, TUK_BUCKETS_PLAIN); }

TukHandle TukList(const char* action) {
  TukElement* e = tuk_element_new(TUK_KIND_LIST, TUK_BUCKETS_LIST);
  if (e && action) TukStoreAttribute(e, "ACTION", action);
  return e;
}

TukHandle TukDialog(TukHandle child) {
  TukElement* e = tuk_element_new(TUK_KIND_DIALOG, TUK_BUCKETS_PLAIN);
  if (e) tuk_element_append(e, child);
  return e;
}

TukHandle TukFrame(TukHandle child) {
  TukElement* e = tuk_element_new(TUK_KIND_FRAME, TUK_BUCKETS_PLAIN);
  if (e) tuk_element_append(e, child);
  return e;
}

TukHandle TukSubmenu(const char* title, TukHandle menu) {
  TukElement* e = make_titled(TUK_KIND_SUBMENU, title, nullptr);
  if (e) tuk_element_append(e, menu);
  return e;
}

TukHandle TukHbox(TukHandle child, ...) {
  va_list ap;
  va_start(ap, child);
  TukHandle e = make_list_box(TUK_KIND_HBOX, child, ap);
  va_end(ap);
  return e;
}

TukHandle TukVbox(TukHandle child, ...) {
  va_list ap;
  va_start(ap, child);
  TukHandle e = make_list_box(TUK_KIND_VBOX, child, ap);
  va_end(ap);
  return e;
}

TukHandle TukMenu(TukHandle child, ...) {
  va_list ap;
  va_start(ap, child);
  TukHandle e = make_list_box(TUK_KIND_MENU, child, ap);
  va_end(ap);
  return e;
}

void TukDestroy(TukHandle e) {
  if (!e) return;
  if (e->parent) {
    TukElement** link = &e->parent->first_child;
    while (*link && *link != e) link = &(*link)->next;
    if (*link) *link = e->next;
    e->parent = nullptr;
    e->next = nullptr;
  }
  destroy_tree(e);
}

// ---- attributes -------------------------------------------------------------------------------

void TukSetAttribute(TukHandle e, const char* name, const char* value) {
  set_attribute(e, name, value, false);
}

void TukStoreAttribute(TukHandle e, const char* name, const char* value) {
  set_attribute(e, name, value, true);
}

const char* TukGetAttribute(TukHandle e, const char* name) {
  if (!e || !name) return nullptr;
  if (std::strcmp(name, "TYPENAME") == 0) return e->cls ? e->cls->name : tuk_kind_name(e->kind);
  if (const char* v = live_value(e, name)) return v;
  if (const char* v = tuk_own_attribute(e, name)) return v;
  if (inheritable(name) && e->kind != TUK_KIND_DIALOG) {
    for (TukElement* p = e->parent; p; p = p->parent) {
      if (const char* v = tuk_own_attribute(p, name)) return v;
      if (p->kind == TUK_KIND_DIALOG) break;
    }
  }
  return default_value(e, name);
}

int TukGetInt(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  int n = 0;
  return v && parse_int(v, &n) ? n : 0;
}

int TukGetBool(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  if (!v) return -1;
  if (strcasecmp(v, "YES") == 0 || strcasecmp(v, "ON") == 0) return 1;
  if (strcasecmp(v, "NO") == 0 || strcasecmp(v, "OFF") == 0) return 0;
  return -1;
}

int TukGetRGB(TukHandle e, const char* name, unsigned char* r, unsigned char* g,
              unsigned char* b) {
  const char* v = TukGetAttribute(e, name);
  if (!v) return 0;
  int rgb[3];
  bool ok = parse_rgb(v, rgb);
  if (!ok) {
    TukHandle color = TukGetHandle(v);
    if (color && color->kind == TUK_KIND_COLOR) {
      const char* parts[3] = {tuk_own_attribute(color, "RED"), tuk_own_attribute(color, "GREEN"),
                              tuk_own_attribute(color, "BLUE")};
      ok = true;
      for (int i = 0; i < 3 && ok; ++i) {
        int n = 0;
        ok = parts[i] && parse_int(parts[i], &n) == static_cast<int>(std::strlen(parts[i])) &&
             n >= 0 && n <= 255;
        rgb[i] = n;
      }
    }
  }
  if (!ok) return 0;
  if (r) *r = static_cast<unsigned char>(rgb[0]);
  if (g) *g = static_cast<unsigned char>(rgb[1]);
  if (b) *b = static_cast<unsigned char>(rgb[2]);
  return 1;
}

void TukSetGlobal(const char* name, const char* value) {
  if (g_core.globals) TukSetAttribute(g_core.globals, name, value);
}

void TukStoreGlobal(const char* name, const char* value) {
  if (g_core.globals) TukStoreAttribute(g_core.globals, name, value);
}

const char* TukGetGlobal(const char* name) {
  return g_core.globals ? tuk_own_attribute(g_core.globals, name) : nullptr;
}

const unsigned char* tuk_image_pixels(TukHandle image) {
  return image && image->kind == TUK_KIND_IMAGE ? image->pixels : nullptr;
}

int tuk_image_color(TukHandle image, int index, unsigned char rgb[3]) {
  // the sixteen colours of the classic PC palette
  static constexpr unsigned char kDefaults[16][3] = {
      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  if (!image || index < 0 || index > 15 || !rgb) return 0;
  char name[4];
  std::snprintf(name, sizeof name, "%d", index);
  const char* value = tuk_own_attribute(image, name);
  if (value && std::strcmp(value, "BGCOLOR") == 0) {
    const TukDriver* d = tuk_driver();
    value = d && d->dialog_color ? d->dialog_color() : nullptr;
  }
  int parsed[3];
  if (value && parse_rgb(value, parsed)) {
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<unsigned char>(parsed[i]);
    return 1;
  }
  for (int i = 0; i < 3; ++i) rgb[i] = kDefaults[index][i];
  return 1;
}

// ---- names and functions -------------------------------------------------------------------------

TukHandle TukSetHandle(const char* name, TukHandle e) {
  if (!name) return nullptr;
  TukAttrTable* t = ensure_table(&g_core.names);
  TukHandle old = static_cast<TukHandle>(const_cast<void*>(tuk_table_get(t, name)));
  tuk_table_set(t, name, e, false);
  return old;
}

TukHandle TukGetHandle(const char* name) {
  if (!name || !g_core.names) return nullptr;
  return static_cast<TukHandle>(const_cast<void*>(tuk_table_get(g_core.names, name)));
}

TukCallback TukSetFunction(const char* name, TukCallback f) {
  if (!name) return nullptr;
  TukAttrTable* t = ensure_table(&g_core.functions);
  TukCallback old = ptr_to_fn(tuk_table_get(t, name));
  tuk_table_set(t, name, f ? fn_to_ptr(f) : nullptr, false);
  return old;
}

TukCallback TukGetFunction(const char* name) {
  if (!name || !g_core.functions) return nullptr;
  if (const void* f = tuk_table_get(g_core.functions, name)) return ptr_to_fn(f);
  // the idle function must never fall back, or every loop step would call the default
  if (std::strcmp(name, "tuk-idle") == 0) return nullptr;
  return ptr_to_fn(tuk_table_get(g_core.functions, "tuk-default"));
}

// ---- life cycle ---------------------------------------------------------------------------------

int TukOpen(void) {
  if (g_core.open) return TUK_ERROR;
  const TukDriver* d = choose_driver();
  if (d && d->open && d->open() != TUK_NOERROR) {
    const TukDriver* fallback = tuk_driver_find("headless");
    d = (fallback && fallback != d && fallback->open() == TUK_NOERROR) ? fallback : nullptr;
  }
  if (!d) {
    std::fprintf(stderr, "tuk: no usable driver\n");
    return TUK_ERROR;
  }
  g_core.driver = d;
  g_core.open = true;
  g_core.thread = std::this_thread::get_id();
  tuk_loop_reset();
  g_core.globals = tuk_element_new(TUK_KIND_USER, TUK_BUCKETS_GLOBAL);
  TukElement* gl = g_core.globals;
  TukSetAttribute(gl, "VERSION", kVersion);
  TukSetAttribute(gl, "DRIVER", d->name);
  TukStoreAttribute(gl, "SYSTEM", d->system_name ? d->system_name() : "Unknown");
  int sw = 0, sh = 0;
  if (d->screen_size) d->screen_size(&sw, &sh);
  char size[32];
  std::snprintf(size, sizeof size, "%dx%d", sw, sh);
  TukStoreAttribute(gl, "SCREENSIZE", size);
  if (d->default_font) TukStoreAttribute(gl, "DEFAULTFONT", d->default_font());
  if (d->dialog_color) TukStoreAttribute(gl, "DLGBGCOLOR", d->dialog_color());
  if (!g_atexit_registered) {
    g_atexit_registered = true;
    std::atexit(close_at_exit);
  }
  if (std::getenv("TUK_VERSION")) show_version_dialog();
  return TUK_NOERROR;
}

void TukClose(void) {
  if (!g_core.open) return;
  // dialogs first (their trees), then whatever was never put in a dialog
  while (!g_core.dialogs.empty()) TukDestroy(g_core.dialogs.back());
  for (std::size_t i = 0; i < g_core.ids.size(); ++i) {
    TukElement* e = g_core.ids[i];
    if (!e || e == g_core.globals) continue;
    while (e->parent) e = e->parent;
    TukDestroy(e);
  }
  TukElement* globals = g_core.globals;
  g_core.globals = nullptr;
  TukDestroy(globals);
  tuk_table_free(g_core.names);
  g_core.names = nullptr;
  tuk_table_free(g_core.functions);
  g_core.functions = nullptr;
  tuk_classes_clear();
  tuk_loop_reset();
  if (g_core.driver->close) g_core.driver->close();
  g_core.open = false;
  g_core.driver = nullptr;
  g_core.dialogs.clear();
  tuk_intern_clear();
}
