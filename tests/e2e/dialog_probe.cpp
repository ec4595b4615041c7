// dialog_probe: opens one of the toolkit's predefined dialogs on the real window system and
// prints its result, for the end-to-end scripts that answer it with xdotool.
//   dialog_probe list OP       single-choice list of the five team colours, item OP shown
//                              selected; prints "LIST x y w h" (the list's place in its
//                              window) once it is up, then "RESULT n"
//   dialog_probe file FILTER [N]  N file dialogs one after the other (1 by default); prints
//                              "RESULT r PATH" for each, then "CWD folder"
//   dialog_probe message       message box; prints "RESULT 0" once it is dismissed
#include "toolkit/tuk.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

const char* const kColours[] = {"Red", "Green", "Blue", "Yellow", "Gray"};

// Tells the script where the list is, once: its dialog is mapped and laid out by then.
int report_list_place(void) {
  static bool done = false;
  TukHandle ok = TukGetHandle("TukListOkButton");
  if (done || !ok) return TUK_DEFAULT;
  // dialog > frame > vbox: the third child of the vbox is hbox(fill, fill, list, fill, fill)
  TukHandle vbox = tuk_element_parent(tuk_element_parent(ok));
  TukHandle row = tuk_element_next(tuk_element_next(tuk_element_first_child(vbox)));
  TukHandle list = tuk_element_first_child(row);
  while (list && tuk_element_kind(list) != TUK_KIND_LIST) list = tuk_element_next(list);
  if (!list || !TukGetAttribute(tuk_element_dialog(list), "WID")) return TUK_DEFAULT;
  int x = 0, y = 0, w = 0, h = 0;
  tuk_element_geometry(list, &x, &y, &w, &h);
  std::printf("LIST %d %d %d %d\n", x, y, w, h);
  std::fflush(stdout);
  done = true;
  return TUK_DEFAULT;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dialog_probe list OP | file FILTER | message\n");
    return 2;
  }
  TukSetDriver("fltk");
  if (TukOpen() != TUK_NOERROR || std::strcmp(TukGetGlobal("DRIVER"), "fltk") != 0) {
    std::fprintf(stderr, "dialog_probe: no display\n");
    return 2;
  }
  if (std::strcmp(argv[1], "list") == 0 && argc == 3) {
    TukSetFunction("tuk-idle", TukCallbackOf(report_list_place));
    const int r = TukListDialog(1, "Cor do Time A", 5, const_cast<const char**>(kColours),
                                std::atoi(argv[2]), 15, 5, nullptr);
    std::printf("RESULT %d\n", r);
    std::fflush(stdout);
  } else if (std::strcmp(argv[1], "file") == 0 && (argc == 3 || argc == 4)) {
    const int count = argc == 4 ? std::atoi(argv[3]) : 1;
    for (int i = 0; i < count; ++i) {
      char path[256];
      std::snprintf(path, sizeof path, "%s", argv[2]);
      const int r = TukGetFile(path);
      std::printf("RESULT %d %s\n", r, path);
      std::fflush(stdout);
    }
    char cwd[4096];
    std::printf("CWD %s\n", getcwd(cwd, sizeof cwd) ? cwd : "?");
  } else if (std::strcmp(argv[1], "message") == 0) {
    TukMessage("Distância Entre Duas Paralelas", " 12.5 metros");
    std::printf("RESULT 0\n");
  } else {
    std::fprintf(stderr, "dialog_probe: unknown request\n");
    TukClose();
    return 2;
  }
  TukClose();
  return 0;
}
