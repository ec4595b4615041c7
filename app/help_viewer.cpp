// The help viewer: FLTK's HTML viewer in a window of its own, kept above the main window.
#include "app/help_viewer.h"

#include "toolkit/tuk.h"
#include "toolkit/tuk_dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Help_View.H>
#include <FL/x.H>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef VARNESK_DATA_DIR
#define VARNESK_DATA_DIR "/usr/local/share/varnesk"
#endif
#ifndef VARNESK_DATA_DIR_FROM_BIN
#define VARNESK_DATA_DIR_FROM_BIN "../share/varnesk"
#endif

namespace {

Fl_Double_Window* g_window;  // the viewer, while one exists
Fl_Help_View* g_view;
std::string g_file;          // name of the help file it shows

bool is_file(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string executable_folder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  buf[n] = '\0';
  char* slash = std::strrchr(buf, '/');
  if (!slash) return std::string();
  *slash = '\0';
  return buf;
}

bool on_screen_driver() {
  const char* driver = TukGetGlobal("DRIVER");
  return driver && std::strcmp(driver, "fltk") == 0;
}

void make_window() {
  Fl_Group::current(nullptr);
  g_window = new Fl_Double_Window(720, 560, "Varnesk Help");
  g_view = new Fl_Help_View(0, 0, 720, 560);
  g_view->textsize(14);
  g_window->resizable(g_view);
  g_window->end();
}

}  // namespace

const char* help_find_file(const char* file_name, char* buffer, unsigned long capacity) {
  if (!buffer || capacity == 0) return "";
  buffer[0] = '\0';
  if (!file_name || !*file_name) return buffer;
  const std::string exe = executable_folder();
  const std::string places[] = {exe, exe.empty() ? exe : exe + "/" VARNESK_DATA_DIR_FROM_BIN,
                                VARNESK_DATA_DIR, "."};
  for (const std::string& folder : places) {
    if (folder.empty()) continue;
    const std::string path = folder + "/" + file_name;
    if (is_file(path) && path.size() < capacity) {
      std::memcpy(buffer, path.c_str(), path.size() + 1);
      return buffer;
    }
  }
  return buffer;
}

int help_open(const char* file_name, const char* owner_wid) {
  char path[4096];
  help_find_file(file_name, path, sizeof path);
  if (!path[0]) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "O arquivo de ajuda \"%s\" não foi encontrado junto ao programa, na pasta de "
                  "dados instalada nem na pasta atual.",
                  file_name ? file_name : "");
    TukMessage("Erro", text, TUK_MESSAGE_ERROR);
    return 1;
  }
  if (!on_screen_driver()) return 0;
  if (!g_window) make_window();
  g_file = file_name;
  // a relative path would break the viewer's links once the current folder changes
  char full[4096];
  const char* shown = realpath(path, full) ? full : path;
  g_view->load(shown);
  g_view->topline(0);
  g_window->show();
  if (owner_wid && *owner_wid && fl_display) {
    const unsigned long owner = std::strtoul(owner_wid, nullptr, 10);
    if (owner) XSetTransientForHint(fl_display, fl_xid(g_window), owner);
  }
  return 0;
}

void help_quit(const char* file_name) {
  if (!g_window || !file_name || g_file != file_name) return;
  g_window->hide();
  delete g_window;  // the view goes with it
  g_window = nullptr;
  g_view = nullptr;
  g_file.clear();
}
