// The help viewer: the toolkit driver's HTML viewer in a window of its own, kept above the main
// window. Finding the file and telling the user it is missing are the application's part.
#include "app/help_viewer.h"

#include "toolkit/tuk.h"
#include "toolkit/tuk_dialogs.h"

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

std::string g_file;  // name of the help file the viewer shows; empty while no viewer exists

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
  // a relative path would break the viewer's links once the current folder changes
  char full[4096];
  const char* shown = realpath(path, full) ? full : path;
  if (TukHelpShow(shown, "Varnesk Help", owner_wid)) g_file = file_name;
  return 0;
}

void help_quit(const char* file_name) {
  if (g_file.empty() || !file_name || g_file != file_name) return;
  TukHelpClose();
  g_file.clear();
}
