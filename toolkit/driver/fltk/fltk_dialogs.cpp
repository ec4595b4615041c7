// The message box and the file dialog: FLTK's own, run while the toolkit's canvases still paint.
#include "fltk_internal.h"
#include "../../tuk_dialogs.h"

#include <FL/Fl_Native_File_Chooser.H>
#include <FL/fl_ask.H>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace fltkdrv {
namespace {

// Folder of the file chosen last, for the next file dialog; empty at first.
std::string g_last_folder;

// FLTK's modal dialogs run their own loops; the canvases behind them are repainted from there.
void paint_while_modal(void*) { dispatch_paints(nullptr); }

struct ModalPainting {
  ModalPainting() { Fl::add_check(paint_while_modal); }
  ~ModalPainting() { Fl::remove_check(paint_while_modal); }
  ModalPainting(const ModalPainting&) = delete;
  ModalPainting& operator=(const ModalPainting&) = delete;
};

// Keeps the process's current folder across a chooser that may change it.
struct KeepCurrentFolder {
  KeepCurrentFolder() {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) folder = buf;
  }
  ~KeepCurrentFolder() {
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
      // nothing to do: the folder went away while the dialog was open
    }
  }
  KeepCurrentFolder(const KeepCurrentFolder&) = delete;
  KeepCurrentFolder& operator=(const KeepCurrentFolder&) = delete;
  std::string folder;
};

// FLTK opens its boxes at the mouse, which is where the user just clicked the points the
// message is about. FLTK 1.3 cannot be told where to open one, so the box is moved, from the
// modal loop's first check once its size is known, beside the owner's window: right of it,
// left of it, below or above it, whichever the screen has room for; else to a screen corner.
struct BoxPlacement {
  int x = 0, y = 0, w = 0, h = 0;  // the owner's window; w = 0 for none
  bool pending = false;
};
BoxPlacement g_box;

void move_box(void*) {
  Fl_Widget* icon = fl_message_icon();
  Fl_Window* box = icon ? icon->window() : nullptr;
  if (!g_box.pending || !box || !box->shown()) return;
  g_box.pending = false;
  constexpr int kGap = 12;
  const int sw = Fl::w(), sh = Fl::h(), bw = box->w(), bh = box->h();
  const BoxPlacement& o = g_box;
  int x = sw - bw - kGap, y = kGap;
  if (o.w > 0) {
    if (o.x + o.w + kGap + bw <= sw) {
      x = o.x + o.w + kGap, y = o.y;
    } else if (o.x - kGap - bw >= 0) {
      x = o.x - kGap - bw, y = o.y;
    } else if (o.y + o.h + kGap + bh <= sh) {
      x = o.x, y = o.y + o.h + kGap;
    } else if (o.y - kGap - bh >= 0) {
      x = o.x, y = o.y - kGap - bh;
    }
  }
  x = x + bw > sw ? sw - bw : x;
  y = y + bh > sh ? sh - bh : y;
  box->position(x < 0 ? 0 : x, y < 0 ? 0 : y);
}

void place_beside(TukHandle owner) {
  DialogWindow* w = owner ? window_of(owner) : nullptr;
  g_box = BoxPlacement();
  if (w) g_box = BoxPlacement{w->x(), w->y(), w->w(), w->h(), false};
  g_box.pending = true;
}

}  // namespace

void message(TukHandle owner, const char* title, const char* text, int kind) {
  ModalPainting painting;
  place_beside(owner);
  fl_message_hotspot(0);
  Fl::add_check(move_box);
  fl_message_title(title ? title : "");
  if (kind == TUK_MESSAGE_ERROR) {
    fl_alert("%s", text ? text : "");
  } else {
    fl_message("%s", text ? text : "");
  }
  Fl::remove_check(move_box);
  g_box.pending = false;
  // the box's window is gone: whatever it covered is painted again before anything else runs
  // (a next box would otherwise open over a grey ghost of this one)
  Fl::check();
  dispatch_paints(nullptr);
}

int get_file(TukHandle, const char* title, char* path, std::size_t capacity, int mode) {
  if (!path || capacity == 0) return -1;
  KeepCurrentFolder keep;
  ModalPainting painting;
  Fl_Native_File_Chooser chooser(mode == TUK_FILE_SAVE ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                                      : Fl_Native_File_Chooser::BROWSE_FILE);
  chooser.title(title ? title : "");
  const std::string filter(path, strnlen(path, capacity));
  if (!filter.empty()) chooser.filter(filter.c_str());
  // the folder of the last choice, else the current one
  chooser.directory(!g_last_folder.empty() ? g_last_folder.c_str() : keep.folder.c_str());
  if (chooser.show() != 0) return -1;
  const char* chosen = chooser.filename();
  if (!chosen || !*chosen) return -1;
  const std::size_t len = std::strlen(chosen);
  // a path that does not fit is refused, not cut short into another file's name
  if (len >= capacity) return -1;
  std::memcpy(path, chosen, len + 1);
  const char* slash = std::strrchr(chosen, '/');
  if (slash) g_last_folder.assign(chosen, static_cast<std::size_t>(slash - chosen) + 1);
  struct stat st{};
  return stat(path, &st) == 0 && S_ISREG(st.st_mode) ? 0 : 1;
}

}  // namespace fltkdrv
