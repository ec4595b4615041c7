// Attribute tables and interned attribute names.
#include "tuk_internal.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// One copy of every attribute name ever used. Buckets are growable arrays of copies.
struct InternBucket {
  char** names;  // capacity entries, count in use
  int count;
  int capacity;  // 5 at first, doubled when full
};

InternBucket g_intern[TUK_BUCKETS_GLOBAL];  // 211 buckets, zero until first use
int g_intern_total;                        // names held, over all buckets

void free_entry(TukAttrEntry* entry) {
  if (entry->owned) std::free(const_cast<void*>(entry->value));
  delete entry;
}

}  // namespace

char* tuk_strdup(const char* text) {
  const std::size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

std::uint32_t tuk_hash(const char* name) {
  std::uint32_t h = 0;
  for (const char* p = name; *p; ++p) {
    // bytes count as signed: names with bytes above 127 hash as they did on the original build
    const std::int32_t c = static_cast<signed char>(*p);
    h = (h << 4) + static_cast<std::uint32_t>(c);
    const std::uint32_t g = h & 0xF0000000u;
    if (g != 0) {
      h ^= g >> 24;
      h ^= g;
    }
  }
  return h;
}

const char* tuk_intern(const char* name) {
  if (!name) return nullptr;
  InternBucket& b = g_intern[tuk_hash(name) % TUK_BUCKETS_GLOBAL];
  for (int i = 0; i < b.count; ++i)
    if (std::strcmp(b.names[i], name) == 0) return b.names[i];
  if (b.count == b.capacity) {
    const int capacity = b.capacity ? b.capacity * 2 : 5;
    char** grown = static_cast<char**>(std::realloc(b.names, sizeof(char*) * capacity));
    if (!grown) return nullptr;
    b.names = grown;
    b.capacity = capacity;
  }
  char* copy = tuk_strdup(name);
  if (!copy) return nullptr;
  b.names[b.count++] = copy;
  ++g_intern_total;
  return copy;
}

void tuk_intern_clear(void) {
  for (InternBucket& b : g_intern) {
    for (int i = 0; i < b.count; ++i) std::free(b.names[i]);
    std::free(b.names);
    b = InternBucket{};
  }
  g_intern_total = 0;
}

int tuk_intern_count(void) { return g_intern_total; }

TukAttrTable* tuk_table_new(int bucket_count) {
  if (bucket_count < 1) bucket_count = 1;
  TukAttrTable* table = new (std::nothrow) TukAttrTable;
  if (!table) return nullptr;
  table->bucket_count = bucket_count;
  table->buckets = new (std::nothrow) TukAttrEntry*[bucket_count]();
  if (!table->buckets) {
    delete table;
    return nullptr;
  }
  return table;
}

void tuk_table_free(TukAttrTable* table) {
  if (!table) return;
  for (int i = 0; i < table->bucket_count; ++i) {
    TukAttrEntry* e = table->buckets[i];
    while (e) {
      TukAttrEntry* next = e->next;
      free_entry(e);
      e = next;
    }
  }
  delete[] table->buckets;
  delete table;
}

int tuk_table_bucket_of(const TukAttrTable* table, const char* name) {
  return static_cast<int>(tuk_hash(name) % static_cast<std::uint32_t>(table->bucket_count));
}

TukAttrEntry* tuk_table_find(const TukAttrTable* table, const char* name) {
  if (!table || !name) return nullptr;
  for (TukAttrEntry* e = table->buckets[tuk_table_bucket_of(table, name)]; e; e = e->next) {
    // interned names usually match by pointer; a caller's own buffer still matches by bytes
    if (e->name == name || std::strcmp(e->name, name) == 0) return e;
  }
  return nullptr;
}

const void* tuk_table_get(const TukAttrTable* table, const char* name) {
  const TukAttrEntry* e = tuk_table_find(table, name);
  return e ? e->value : nullptr;
}

void tuk_table_set(TukAttrTable* table, const char* name, const void* value, bool copy) {
  if (!table || !name) return;
  const int bucket = tuk_table_bucket_of(table, name);
  if (!value) {
    for (TukAttrEntry** link = &table->buckets[bucket]; *link; link = &(*link)->next) {
      if (std::strcmp((*link)->name, name) == 0) {
        TukAttrEntry* gone = *link;
        *link = gone->next;
        free_entry(gone);
        return;
      }
    }
    return;
  }
  TukAttrEntry* found = tuk_table_find(table, name);
  if (found && !copy && found->value == value) {
    // the entry's own value handed back by reference: keep it and its ownership
    return;
  }
  const void* stored = value;
  if (copy) {
    stored = tuk_strdup(static_cast<const char*>(value));
    if (!stored) return;
  }
  TukAttrEntry* e = found;
  if (e) {
    // the new value may be the old owned one handed back: copy first, free after
    if (e->owned) std::free(const_cast<void*>(e->value));
    e->value = stored;
    e->owned = copy;
    return;
  }
  const char* interned = tuk_intern(name);
  e = interned ? new (std::nothrow) TukAttrEntry : nullptr;
  if (!e) {
    if (copy) std::free(const_cast<void*>(stored));
    return;
  }
  e->name = interned;
  e->value = stored;
  e->owned = copy;
  e->next = table->buckets[bucket];
  table->buckets[bucket] = e;
}

void tuk_table_each(const TukAttrTable* table, bool (*visit)(TukAttrEntry*, void*), void* data) {
  if (!table) return;
  for (int i = 0; i < table->bucket_count; ++i) {
    for (TukAttrEntry* e = table->buckets[i]; e;) {
      TukAttrEntry* next = e->next;  // visit may remove e
      if (!visit(e, data)) return;
      e = next;
    }
  }
}
