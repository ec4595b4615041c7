// Registered control classes and their registry.
#include "tuk_internal.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

TukAttrTable* g_classes;  // upper-case type name -> TukClass*, 211 buckets, made on first use

constexpr const char* kSlotNames[TUK_METHOD_COUNT] = {
    "SETNATURALSIZE", "SETCURRENTSIZE", "GETSIZE", "SETPOSITION", "CREATE",  "DESTROY",
    "MAP",            "UNMAP",          "SETATTR", "GETATTR",     "GETDEFAULTATTR", "POPUP"};

// Class names are kept in upper case; longer names than this are refused.
bool upper_name(const char* name, char out[64]) {
  const std::size_t n = std::strlen(name);
  if (n >= 64) return false;
  for (std::size_t i = 0; i <= n; ++i)
    out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  return true;
}

void default_natural(TukHandle e, int* w, int* h) { tuk_canvas_natural_size(e, w, h); }
void default_current(TukHandle, int, int) {}
void default_get_size(TukHandle e, int* w, int* h) {
  *w = e->natural_w;
  *h = e->natural_h;
}
void default_position(TukHandle, int, int) {}
void default_destroy(TukHandle) {}
int default_map(TukHandle e) {
  const TukDriver* d = tuk_driver();
  return d && d->map ? d->map(e) : TUK_ERROR;
}
void default_unmap(TukHandle) {}
void default_set_attr(TukHandle e, const char* name, const char* value) {
  const TukDriver* d = tuk_driver();
  if (d && d->set_attribute) d->set_attribute(e, name, value);
}
const char* default_get_attr(TukHandle e, const char* name) {
  const TukDriver* d = tuk_driver();
  return d && d->get_attribute ? d->get_attribute(e, name) : nullptr;
}
const char* default_default_attr(TukHandle e, const char* name) {
  const TukDriver* d = tuk_driver();
  return d && d->default_attribute ? d->default_attribute(e, name) : nullptr;
}

bool free_class_entry(TukAttrEntry* entry, void*) {
  TukFreeClass(static_cast<TukClass*>(const_cast<void*>(entry->value)));
  return true;
}

}  // namespace

TukHandle tuk_class_default_create(TukClass*, void**) { return TukCanvas(nullptr); }

TukClass* TukNewClass(const char* name, const char* format) {
  if (!name) return nullptr;
  TukClass* cls = new (std::nothrow) TukClass{};
  if (!cls) return nullptr;
  cls->name = tuk_strdup(name);
  cls->format = tuk_strdup(format ? format : "");
  if (!cls->name || !cls->format) {
    TukFreeClass(cls);
    return nullptr;
  }
  TukClassMethod* m = cls->methods;
  m[TUK_METHOD_SETNATURALSIZE] = reinterpret_cast<TukClassMethod>(default_natural);
  m[TUK_METHOD_SETCURRENTSIZE] = reinterpret_cast<TukClassMethod>(default_current);
  m[TUK_METHOD_GETSIZE] = reinterpret_cast<TukClassMethod>(default_get_size);
  m[TUK_METHOD_SETPOSITION] = reinterpret_cast<TukClassMethod>(default_position);
  m[TUK_METHOD_CREATE] = reinterpret_cast<TukClassMethod>(tuk_class_default_create);
  m[TUK_METHOD_DESTROY] = reinterpret_cast<TukClassMethod>(default_destroy);
  m[TUK_METHOD_MAP] = reinterpret_cast<TukClassMethod>(default_map);
  m[TUK_METHOD_UNMAP] = reinterpret_cast<TukClassMethod>(default_unmap);
  m[TUK_METHOD_SETATTR] = reinterpret_cast<TukClassMethod>(default_set_attr);
  m[TUK_METHOD_GETATTR] = reinterpret_cast<TukClassMethod>(default_get_attr);
  m[TUK_METHOD_GETDEFAULTATTR] = reinterpret_cast<TukClassMethod>(default_default_attr);
  m[TUK_METHOD_POPUP] = nullptr;  // a class without its own popup cannot be popped up
  return cls;
}

void TukFreeClass(TukClass* cls) {
  if (!cls) return;
  std::free(cls->name);
  std::free(cls->format);
  delete cls;
}

int TukClassSetMethod(TukClass* cls, const char* method, TukClassMethod function) {
  if (!cls || !method) return TUK_ERROR;
  for (int i = 0; i < TUK_METHOD_COUNT; ++i) {
    if (std::strcmp(kSlotNames[i], method) == 0) {
      cls->methods[i] = function;
      return TUK_NOERROR;
    }
  }
  return TUK_ERROR;
}

int TukRegisterClass(const char* name, TukClass* cls) {
  char key[64];
  if (!name || !cls || !upper_name(name, key)) return TUK_ERROR;
  if (!g_classes) g_classes = tuk_table_new(TUK_BUCKETS_GLOBAL);
  if (!g_classes) return TUK_ERROR;
  TukClass* old = static_cast<TukClass*>(const_cast<void*>(tuk_table_get(g_classes, key)));
  if (old == cls) return TUK_NOERROR;
  tuk_table_set(g_classes, key, cls, false);
  // elements of a replaced class still point at its record: it stays until TukClose
  if (old) {
    char retired[80];
    std::snprintf(retired, sizeof retired, "%s#%p", key, static_cast<void*>(old));
    tuk_table_set(g_classes, retired, old, false);
  }
  return TUK_NOERROR;
}

TukClass* TukGetClass(const char* name) {
  char key[64];
  if (!name || !g_classes || !upper_name(name, key)) return nullptr;
  return static_cast<TukClass*>(const_cast<void*>(tuk_table_get(g_classes, key)));
}

TukHandle TukCreateControl(const char* class_name, void** args) {
  TukClass* cls = TukGetClass(class_name);
  if (!cls || !cls->methods[TUK_METHOD_CREATE]) return nullptr;
  typedef TukHandle (*Create)(TukClass*, void**);
  TukHandle e = reinterpret_cast<Create>(cls->methods[TUK_METHOD_CREATE])(cls, args);
  if (e) e->cls = cls;
  return e;
}

void tuk_classes_clear(void) {
  if (!g_classes) return;
  tuk_table_each(g_classes, free_class_entry, nullptr);
  tuk_table_free(g_classes);
  g_classes = nullptr;
}
