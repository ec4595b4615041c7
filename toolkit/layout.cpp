// Layout: natural sizes bottom up, expansion, current sizes top down, positions.
#include "tuk_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

// A frame's line around its child, and a list's around its items, on each side (pixels).
constexpr int kFrameBorder = 2;
constexpr int kListBorder = 2;

struct ScreenPart {
  const char* name;
  int divisor;
};
constexpr ScreenPart kScreenParts[] = {
    {"FULL", 1}, {"HALF", 2}, {"THIRD", 3}, {"QUARTER", 4}, {"EIGHTH", 8}};

// One part of a size: digits (value >= 0), a screen part for dialogs (-divisor), or empty (0).
bool parse_part(const char* begin, const char* end, bool dialog_parts, int* out) {
  *out = 0;
  if (begin == end) return true;
  if (dialog_parts) {
    for (const ScreenPart& p : kScreenParts) {
      const std::size_t n = std::strlen(p.name);
      if (static_cast<std::size_t>(end - begin) == n && strncasecmp(begin, p.name, n) == 0) {
        *out = -p.divisor;
        return true;
      }
    }
  }
  long v = 0;
  for (const char* c = begin; c < end; ++c) {
    if (*c < '0' || *c > '9') return false;
    v = v * 10 + (*c - '0');
    if (v > 100000) return false;  // no screen is that large; refuse rather than overflow
  }
  *out = static_cast<int>(v);
  return true;
}

void char_size(TukElement* e, int* avg_w, int* char_h) {
  *avg_w = 0;
  *char_h = 0;
  const TukDriver* d = tuk_driver();
  if (d && d->char_size) d->char_size(e, avg_w, char_h);
}

void screen_size(int* w, int* h) {
  *w = 0;
  *h = 0;
  const TukDriver* d = tuk_driver();
  if (d && d->screen_size) d->screen_size(w, h);
}

void decoration(TukElement* e, int* w, int* h) {
  *w = 0;
  *h = 0;
  const TukDriver* d = tuk_driver();
  if (!d || !d->decoration) return;
  int has_menu = 0;
  if (e->kind == TUK_KIND_DIALOG) {
    const char* menu = tuk_own_attribute(e, "MENU");
    has_menu = menu && TukGetHandle(menu) ? 1 : 0;
  }
  d->decoration(e, has_menu, w, h);
}

void text_extent(TukElement* e, const char* text, int* w, int* h) {
  *w = 0;
  *h = 0;
  const TukDriver* d = tuk_driver();
  if (d && d->text_extent && text) d->text_extent(e, text, w, h);
}

// The width a dialog's menu bar needs to show every title: a window narrower than this would
// put its last menus out of reach.
int menu_bar_width(TukElement* dialog) {
  const char* name = tuk_own_attribute(dialog, "MENU");
  TukElement* bar = name ? TukGetHandle(name) : nullptr;
  if (!bar || bar->kind != TUK_KIND_MENU) return 0;
  int w = 0, h = 0;
  decoration(bar, &w, &h);
  int total = w;
  for (TukElement* c = bar->first_child; c; c = c->next) {
    if (c->kind != TUK_KIND_SUBMENU && c->kind != TUK_KIND_ITEM) continue;
    text_extent(c, tuk_own_attribute(c, "TITLE"), &w, &h);
    total += w;
    decoration(c, &w, &h);
    total += w;
  }
  return total;
}

// Size from RASTERSIZE (pixels) or else SIZE (character units); 0 where natural.
// A dialog's screen parts come back in pixels, less the window's decoration.
void own_size(TukElement* e, int* w, int* h) {
  *w = 0;
  *h = 0;
  const bool dialog = e->kind == TUK_KIND_DIALOG;
  int pw = 0, ph = 0;
  int sw = 0, sh = 0;
  const char* raster = tuk_own_attribute(e, "RASTERSIZE");
  if (raster && tuk_parse_size(raster, dialog, &pw, &ph)) {
    *w = pw;
    *h = ph;
  } else {
    const char* size = tuk_own_attribute(e, "SIZE");
    if (!size || !tuk_parse_size(size, dialog, &pw, &ph)) return;
    int avg_w = 0, char_h = 0;
    char_size(e, &avg_w, &char_h);
    // character units: a quarter of the average width, an eighth of the height, truncated
    *w = pw > 0 ? pw * avg_w / 4 : pw;
    *h = ph > 0 ? ph * char_h / 8 : ph;
  }
  if (*w < 0 || *h < 0) {
    int dw = 0, dh = 0;
    decoration(e, &dw, &dh);
    screen_size(&sw, &sh);
    if (*w < 0) *w = std::max(0, sw / -*w - dw);
    if (*h < 0) *h = std::max(0, sh / -*h - dh);
  }
}

bool horizontal_box(int kind) { return kind == TUK_KIND_HBOX; }
bool vertical_box(int kind) { return kind == TUK_KIND_VBOX; }

// A fill's size along its box: the single number, or the matching part of "WxH".
int fill_length(TukElement* e, int box_kind) {
  if (!horizontal_box(box_kind) && !vertical_box(box_kind)) return 0;
  const bool raster = tuk_own_attribute(e, "RASTERSIZE") != nullptr;
  const char* text = raster ? tuk_own_attribute(e, "RASTERSIZE") : tuk_own_attribute(e, "SIZE");
  int w = 0, h = 0;
  if (!text || !tuk_parse_size(text, false, &w, &h)) return 0;
  const int n = std::strchr(text, 'x') ? (horizontal_box(box_kind) ? w : h) : w;
  if (raster) return n;
  int avg_w = 0, char_h = 0;
  char_size(e, &avg_w, &char_h);
  return horizontal_box(box_kind) ? n * avg_w / 4 : n * char_h / 8;
}

bool lazy_fill(TukElement* e) {
  return e->kind == TUK_KIND_FILL && e->parent && fill_length(e, e->parent->kind) == 0;
}

int parse_expand(TukElement* e) {
  const char* v = tuk_own_attribute(e, "EXPAND");
  if (!v) return tuk_default_expand(e) ? TUK_EXPAND_HORIZONTAL | TUK_EXPAND_VERTICAL : 0;
  if (strcasecmp(v, "YES") == 0) return TUK_EXPAND_HORIZONTAL | TUK_EXPAND_VERTICAL;
  if (strcasecmp(v, "NO") == 0) return 0;
  if (strcasecmp(v, "HORIZONTAL") == 0) return TUK_EXPAND_HORIZONTAL;
  return TUK_EXPAND_VERTICAL;
}

void margin_gap(TukElement* e, int* mx, int* my, int* gap) {
  *mx = 0;
  *my = 0;
  *gap = 0;
  const char* margin = tuk_own_attribute(e, "MARGIN");
  if (margin) tuk_parse_size(margin, false, mx, my);
  const char* g = tuk_own_attribute(e, "GAP");
  if (g) {
    int gw = 0, gh = 0;
    if (tuk_parse_size(g, false, &gw, &gh)) *gap = gw;
  }
}

int child_count(TukElement* e) {
  int n = 0;
  for (TukElement* c = e->first_child; c; c = c->next) ++n;
  return n;
}

void natural_of_text(TukElement* e, int* w, int* h) {
  const char* image_name = tuk_own_attribute(e, "IMAGE");
  TukHandle image = image_name ? TukGetHandle(image_name) : nullptr;
  int tw = 0, th = 0;
  if (image && image->kind == TUK_KIND_IMAGE) {
    tw = TukGetInt(image, "WIDTH");
    th = TukGetInt(image, "HEIGHT");
  } else {
    text_extent(e, tuk_own_attribute(e, "TITLE"), &tw, &th);
  }
  if (e->kind == TUK_KIND_BUTTON) {
    int dw = 0, dh = 0;
    decoration(e, &dw, &dh);
    tw += dw;
    th += dh;
  }
  if (*w == 0) *w = tw;
  if (*h == 0) *h = th;
}

void natural_of_list(TukElement* e, int* w, int* h) {
  if (*w && *h) return;
  int widest = 0, lines = 0, line_h = 0;
  char name[16];
  for (int i = 1; i <= TUK_LIST_MAX_ITEMS; ++i) {
    std::snprintf(name, sizeof name, "%d", i);
    const char* item = tuk_own_attribute(e, name);
    if (!item) break;
    int tw = 0, th = 0;
    text_extent(e, item, &tw, &th);
    widest = std::max(widest, tw);
    line_h = std::max(line_h, th);
    ++lines;
  }
  if (line_h == 0) {
    int avg_w = 0;
    char_size(e, &avg_w, &line_h);
  }
  // a list shows its longest item and one line per item, inside its border
  if (*w == 0) *w = widest + 2 * kListBorder;
  if (*h == 0) *h = std::max(1, lines) * line_h + 2 * kListBorder;
}

void call_class_size(TukElement* e, int slot, int* w, int* h) {
  typedef void (*SizeOut)(TukHandle, int*, int*);
  TukClassMethod m = e->cls->methods[slot];
  if (m) reinterpret_cast<SizeOut>(m)(e, w, h);
}

void assign(TukElement* e, int x, int y, int w, int h);

void assign_single_child(TukElement* e, int x, int y, int w, int h) {
  TukElement* c = e->first_child;
  if (!c) return;
  const int cw = (c->expand & TUK_EXPAND_HORIZONTAL) ? w : c->natural_w;
  const int ch = (c->expand & TUK_EXPAND_VERTICAL) ? h : c->natural_h;
  assign(c, x, y, cw, ch);
}

void assign_box(TukElement* e, int x, int y, int w, int h) {
  const bool across_x = horizontal_box(e->kind);
  const int along_flag = across_x ? TUK_EXPAND_HORIZONTAL : TUK_EXPAND_VERTICAL;
  const int cross_flag = across_x ? TUK_EXPAND_VERTICAL : TUK_EXPAND_HORIZONTAL;
  int mx, my, gap;
  margin_gap(e, &mx, &my, &gap);
  const int n = child_count(e);
  if (n == 0) return;
  int used = 2 * (across_x ? mx : my) + gap * (n - 1);
  int growers = 0, fills = 0;
  for (TukElement* c = e->first_child; c; c = c->next) {
    used += across_x ? c->natural_w : c->natural_h;
    if (lazy_fill(c)) ++fills;
    else if (c->expand & along_flag) ++growers;
  }
  const int extra = std::max(0, (across_x ? w : h) - used);
  // equal integer shares; fills without a size take the room only when nothing else grows
  const int share_growers = growers ? extra / growers : 0;
  const int share_fills = (!growers && fills) ? extra / fills : 0;
  int pos = across_x ? x + mx : y + my;
  const int cross_size = across_x ? h - 2 * my : w - 2 * mx;
  for (TukElement* c = e->first_child; c; c = c->next) {
    int along = across_x ? c->natural_w : c->natural_h;
    if (lazy_fill(c)) along += share_fills;
    else if (c->expand & along_flag) along += share_growers;
    const int cross =
        (c->expand & cross_flag) ? std::max(0, cross_size) : (across_x ? c->natural_h : c->natural_w);
    if (across_x) assign(c, pos, y + my, along, cross);
    else assign(c, x + mx, pos, cross, along);
    pos += along + gap;
  }
}

void assign(TukElement* e, int x, int y, int w, int h) {
  if (e->kind != TUK_KIND_DIALOG) {
    e->x = x;
    e->y = y;
  }
  e->current_w = w;
  e->current_h = h;
  if (e->cls) {
    typedef void (*SizeIn)(TukHandle, int, int);
    if (TukClassMethod m = e->cls->methods[TUK_METHOD_SETCURRENTSIZE])
      reinterpret_cast<SizeIn>(m)(e, w, h);
    if (TukClassMethod m = e->cls->methods[TUK_METHOD_SETPOSITION])
      reinterpret_cast<SizeIn>(m)(e, x, y);
  }
  switch (e->kind) {
    case TUK_KIND_DIALOG: {
      int dw = 0, dh = 0;
      decoration(e, &dw, &dh);
      assign_single_child(e, 0, 0, std::max(0, w - dw), std::max(0, h - dh));
      break;
    }
    case TUK_KIND_FRAME: {
      int avg_w = 0, char_h = 0;
      char_size(e, &avg_w, &char_h);
      const int title = tuk_own_attribute(e, "TITLE") ? char_h : 0;
      assign_single_child(e, x + kFrameBorder, y + kFrameBorder + title, std::max(0, w - 2 * kFrameBorder),
                          std::max(0, h - 2 * kFrameBorder - title));
      break;
    }
    case TUK_KIND_HBOX:
    case TUK_KIND_VBOX:
      assign_box(e, x, y, w, h);
      break;
    default:
      break;
  }
}

}  // namespace

void tuk_canvas_natural_size(TukElement* e, int* w, int* h) {
  own_size(e, w, h);
  int avg_w = 0, char_h = 0;
  char_size(e, &avg_w, &char_h);
  // a canvas with no size still gets room for two characters each way
  if (*w == 0) *w = 2 * avg_w;
  if (*h == 0) *h = 2 * char_h;
  // the size asked for is the drawing area's: the scroll bars come on top of it
  if (tuk_canvas_scrolls(e)) {
    int bw = 0, bh = 0;
    decoration(e, &bw, &bh);
    *w += bw;
    *h += bh;
  }
}

int tuk_canvas_scrolls(TukHandle e) {
  if (!e || e->kind != TUK_KIND_CANVAS) return 0;
  const char* v = tuk_own_attribute(e, "SCROLLBAR");
  return v && strcasecmp(v, "YES") == 0 ? 1 : 0;
}

void tuk_canvas_client_size(TukHandle e, int* w, int* h) {
  *w = e ? e->current_w : 0;
  *h = e ? e->current_h : 0;
  if (!tuk_canvas_scrolls(e)) return;
  int bw = 0, bh = 0;
  decoration(e, &bw, &bh);
  *w = std::max(0, *w - bw);
  *h = std::max(0, *h - bh);
}

bool tuk_parse_size(const char* text, bool dialog_parts, int* width, int* height) {
  *width = 0;
  *height = 0;
  if (!text || !*text) return false;
  const char* x = std::strchr(text, 'x');
  const char* end = text + std::strlen(text);
  int w = 0, h = 0;
  if (!x) {
    if (!parse_part(text, end, dialog_parts, &w)) return false;
  } else {
    // both parts must be there around the x: "12x" and "x7" are typing mistakes
    if (x == text || x + 1 == end) return false;
    if (!parse_part(text, x, dialog_parts, &w) || !parse_part(x + 1, end, dialog_parts, &h))
      return false;
  }
  *width = w;
  *height = h;
  return true;
}

void tuk_natural_size(TukElement* e, int box_kind) {
  int w = 0, h = 0;
  for (TukElement* c = e->first_child; c; c = c->next) tuk_natural_size(c, e->kind);
  e->expand = parse_expand(e);
  if (e->cls) {
    call_class_size(e, TUK_METHOD_SETNATURALSIZE, &w, &h);
    e->natural_w = w;
    e->natural_h = h;
    return;
  }
  switch (e->kind) {
    case TUK_KIND_CANVAS:
      tuk_canvas_natural_size(e, &w, &h);
      break;
    case TUK_KIND_LABEL:
    case TUK_KIND_BUTTON:
      own_size(e, &w, &h);
      natural_of_text(e, &w, &h);
      break;
    case TUK_KIND_LIST:
      own_size(e, &w, &h);
      natural_of_list(e, &w, &h);
      break;
    case TUK_KIND_FILL: {
      const int n = fill_length(e, box_kind);
      if (horizontal_box(box_kind)) w = n;
      else if (vertical_box(box_kind)) h = n;
      // a fill with a size is a fixed spacer; one without takes leftover room along its box
      if (n > 0) e->expand = 0;
      else if (horizontal_box(box_kind)) e->expand = TUK_EXPAND_HORIZONTAL;
      else if (vertical_box(box_kind)) e->expand = TUK_EXPAND_VERTICAL;
      else e->expand = 0;
      break;
    }
    case TUK_KIND_HBOX:
    case TUK_KIND_VBOX: {
      const bool hbox = e->kind == TUK_KIND_HBOX;
      int mx, my, gap;
      margin_gap(e, &mx, &my, &gap);
      int along = 0, cross = 0, n = 0, child_expand = 0;
      for (TukElement* c = e->first_child; c; c = c->next) {
        along += hbox ? c->natural_w : c->natural_h;
        cross = std::max(cross, hbox ? c->natural_h : c->natural_w);
        child_expand |= c->expand;
        ++n;
      }
      if (n > 1) along += gap * (n - 1);
      w = hbox ? along + 2 * mx : cross + 2 * mx;
      h = hbox ? cross + 2 * my : along + 2 * my;
      int ow = 0, oh = 0;
      own_size(e, &ow, &oh);
      w = std::max(w, ow);
      h = std::max(h, oh);
      e->expand &= child_expand;
      break;
    }
    case TUK_KIND_FRAME: {
      TukElement* c = e->first_child;
      int avg_w = 0, char_h = 0;
      char_size(e, &avg_w, &char_h);
      w = (c ? c->natural_w : 0) + 2 * kFrameBorder;
      h = (c ? c->natural_h : 0) + 2 * kFrameBorder + (tuk_own_attribute(e, "TITLE") ? char_h : 0);
      int ow = 0, oh = 0;
      own_size(e, &ow, &oh);
      w = std::max(w, ow);
      h = std::max(h, oh);
      e->expand &= c ? c->expand : 0;
      break;
    }
    case TUK_KIND_DIALOG: {
      TukElement* c = e->first_child;
      int ow = 0, oh = 0;
      own_size(e, &ow, &oh);
      int dw = 0, dh = 0;
      decoration(e, &dw, &dh);
      w = std::max({c ? c->natural_w : 0, ow, menu_bar_width(e)}) + dw;
      h = std::max(c ? c->natural_h : 0, oh) + dh;
      break;
    }
    default:
      // images, menus and the like take no room in a box
      e->expand = 0;
      break;
  }
  e->natural_w = w;
  e->natural_h = h;
}

void TukNaturalSize(TukHandle e, int* width, int* height) {
  *width = 0;
  *height = 0;
  if (!e) return;
  TukElement* top = tuk_element_dialog(e);
  if (!top) {
    top = e;
    while (top->parent) top = top->parent;
  }
  tuk_natural_size(top, TUK_KIND_UNKNOWN);
  *width = e->natural_w;
  *height = e->natural_h;
}

void tuk_layout_dialog(TukElement* dialog) {
  if (!dialog) return;
  tuk_natural_size(dialog, TUK_KIND_UNKNOWN);
  assign(dialog, dialog->x, dialog->y, dialog->natural_w, dialog->natural_h);
}

void tuk_layout_dialog_size(TukElement* dialog, int width, int height) {
  if (!dialog) return;
  tuk_natural_size(dialog, TUK_KIND_UNKNOWN);
  assign(dialog, dialog->x, dialog->y, std::max(width, dialog->natural_w),
         std::max(height, dialog->natural_h));
}

void tuk_place_dialog(TukElement* dialog, int x, int y, int* sx, int* sy) {
  int sw = 0, sh = 0;
  screen_size(&sw, &sh);
  auto place = [](int code, int screen, int size) {
    switch (code) {
      case TUK_CENTER: return (screen - size) / 2;
      case TUK_LEFT: return 0;
      case TUK_RIGHT: return screen - size;
      default: return code;
    }
  };
  *sx = place(x, sw, dialog->current_w);
  *sy = place(y, sh, dialog->current_h);
}
