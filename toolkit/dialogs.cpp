// The predefined dialogs: the list dialog is built from the toolkit's own elements; the file
// dialog and the message box are the driver's.
#include "tuk_dialogs.h"
#include "tuk_internal.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPathCapacity = 256;

// The list dialog's sizes, in SIZE units: a quarter of the average character width across, an
// eighth of the character height down.
constexpr const char* kListSpacing = "10";      // the fills between the list, the buttons and the frame
constexpr const char* kListButtonSize = "40x0";  // both buttons ten characters wide
constexpr int kUnitsPerTitleChar = 4;
constexpr int kTitleFrameUnits = 16;   // past the title: the frame's own buttons, so the title shows whole
constexpr int kUnitsPerListColumn = 5;
constexpr int kUnitsPerListLine = 9;
constexpr int kListBorderUnits = 4;
constexpr int kOneLineListHeight = 16;  // two character heights for a list of one line

bool english(void) { return std::getenv("TUK_INGLES") != nullptr; }

// State of the list dialog that is open; a nested one saves and restores it.
struct ListState {
  int result;
  int last_item;  // item last selected (from 1), 0 for none
  bool accepted;  // Enter was pressed: the close request that follows keeps the result
  std::chrono::steady_clock::time_point last_time;
};
ListState g_list;

int list_ok_cb(TukHandle) { return TUK_CLOSE; }

int list_cancel_cb(TukHandle) {
  g_list.result = -1;
  return TUK_CLOSE;
}

// The frame's close box answers like Cancel: closing the window is not a choice.
int list_close_cb(TukHandle) {
  if (!g_list.accepted) g_list.result = -1;
  return TUK_CLOSE;
}

// A key's TUK_CLOSE closes the dialog as its close box does, so Enter marks its acceptance.
int list_enter_cb(TukHandle, int) {
  g_list.accepted = true;
  return TUK_CLOSE;
}

int list_escape_cb(TukHandle, int) {
  g_list.result = -1;
  return TUK_CLOSE;
}

int list_select_cb(TukHandle, char*, int item, int state) {
  if (state != 1) return TUK_DEFAULT;
  const auto now = std::chrono::steady_clock::now();
  const double since = std::chrono::duration<double>(now - g_list.last_time).count();
  const bool again = item == g_list.last_item && since < TUK_LIST_DOUBLE_CLICK_SECONDS;
  g_list.result = item - 1;
  g_list.last_item = item;
  g_list.last_time = now;
  return again ? TUK_CLOSE : TUK_DEFAULT;
}

TukHandle sized_fill(void) {
  TukHandle f = TukFill();
  TukSetAttribute(f, "SIZE", kListSpacing);
  return f;
}

TukHandle owner_dialog(void) {
  if (TukHandle popup = tuk_innermost_popup()) return popup;
  const TukDriver* d = tuk_driver();
  TukHandle focus = d && d->get_focus ? d->get_focus() : nullptr;
  return tuk_element_dialog(focus);
}

}  // namespace

int TukGetFile(char* path, int mode) {
  const TukDriver* d = tuk_driver();
  if (!path || !d || !d->get_file) return -1;
  if (mode != TUK_FILE_SAVE) mode = TUK_FILE_OPEN;
  const char* title = mode == TUK_FILE_SAVE ? (english() ? "Save File" : "Salvar Arquivo")
                                             : (english() ? "File Selection" : "Seleção de Arquivos");
  // the driver writes only a complete answer, so a cancelled dialog leaves path as it was
  char answer[kPathCapacity];
  std::snprintf(answer, sizeof answer, "%s", path);
  const int r = d->get_file(owner_dialog(), title, answer, sizeof answer, mode);
  if (r != 0 && r != 1) return -1;
  std::memcpy(path, answer, std::strlen(answer) + 1);
  return r;
}

void TukMessage(const char* title, const char* text, int kind) {
  const TukDriver* d = tuk_driver();
  if (!d || !d->message) return;
  // End-to-end scripts cannot read text drawn inside a window: with TUK_MESSAGE_LOG set, every
  // message is also appended there (title, a tab, the text) before its box opens.
  if (const char* log = std::getenv("TUK_MESSAGE_LOG")) {
    if (std::FILE* f = *log ? std::fopen(log, "a") : nullptr) {
      std::fprintf(f, "%s\t%s\n", title ? title : "", text ? text : "");
      std::fclose(f);
    }
  }
  d->message(tuk_loop_state()->main_loop ? owner_dialog() : nullptr, title ? title : "",
             text ? text : "", kind == TUK_MESSAGE_ERROR ? TUK_MESSAGE_ERROR : TUK_MESSAGE_INFO);
}

int TukHelpShow(const char* path, const char* title, const char* owner_wid) {
  const TukDriver* d = tuk_driver();
  if (!path || !d || !d->help_show) return 0;
  d->help_show(path, title ? title : "", owner_wid);
  return 1;
}

void TukHelpClose(void) {
  const TukDriver* d = tuk_driver();
  if (d && d->help_close) d->help_close();
}

int TukListDialog(int type, const char* title, int size, const char** list, int op, int max_col,
                  int max_lin, int* marks) {
  if (!tuk_driver() || !list || size <= 0 || (type != 1 && type != 2) || (type == 2 && !marks))
    return -1;
  if (size > TUK_LIST_MAX_ITEMS) size = TUK_LIST_MAX_ITEMS;
  const bool en = english();

  TukHandle lista = TukList("tuk_cb_lista");
  char name[16];
  for (int i = 1; i <= size; ++i) {
    std::snprintf(name, sizeof name, "%d", i);
    TukSetAttribute(lista, name, list[i - 1]);
  }
  std::snprintf(name, sizeof name, "%d", size + 1);
  TukSetAttribute(lista, name, nullptr);

  TukHandle ok = TukButton(en ? "Ok" : "Confirma", "tuk_cb_ok");
  TukHandle cancel = TukButton(en ? "Cancel" : "Cancela", "tuk_cb_cancela");
  TukSetFunction("tuk_cb_ok", list_ok_cb);
  TukSetFunction("tuk_cb_cancela", list_cancel_cb);
  TukSetFunction("tuk_cb_fecha_lista", list_close_cb);
  TukSetFunction("tuk_cb_enter_lista", TukCallbackOf(list_enter_cb));
  TukSetFunction("tuk_cb_esc_lista", TukCallbackOf(list_escape_cb));
  TukSetHandle("TukListOkButton", ok);
  TukSetHandle("TukListCancelButton", cancel);
  TukSetAttribute(ok, "SIZE", kListButtonSize);
  TukSetAttribute(cancel, "SIZE", kListButtonSize);

  TukHandle dialog = TukDialog(TukFrame(TukVbox(
      TukFill(), sized_fill(), TukHbox(TukFill(), sized_fill(), lista, TukFill(), sized_fill(), nullptr),
      TukFill(), sized_fill(), TukHbox(TukFill(), ok, TukFill(), cancel, TukFill(), nullptr), TukFill(),
      sized_fill(), nullptr)));

  const ListState outer = g_list;
  g_list = ListState{};
  char value[TUK_LIST_MAX_ITEMS + 1];
  if (type == 1) {
    if (op < 1 || op > size) op = 1;
    g_list.result = op - 1;
    std::snprintf(value, sizeof value, "%d", op);
    TukStoreAttribute(lista, "VALUE", value);
    TukSetFunction("tuk_cb_lista", TukCallbackOf(list_select_cb));
  } else {
    TukSetAttribute(lista, "MULTIPLE", "YES");
    for (int i = 0; i < size; ++i) value[i] = marks[i] ? '+' : '-';
    value[size] = '\0';
    TukStoreAttribute(lista, "VALUE", value);
    g_list.result = 0;
  }

  char dialog_size[16];
  std::snprintf(dialog_size, sizeof dialog_size, "%d",
                static_cast<int>((std::strlen(title ? title : "") + 1) * kUnitsPerTitleChar + kTitleFrameUnits));
  TukStoreAttribute(dialog, "SIZE", dialog_size);
  TukStoreAttribute(dialog, "TITLE", title ? title : "");
  TukSetAttribute(dialog, "MENUBOX", "NO");
  TukSetAttribute(dialog, "MINBOX", "NO");
  TukSetAttribute(dialog, "MAXBOX", "NO");
  TukSetAttribute(dialog, "RESIZE", "NO");
  TukSetAttribute(dialog, "BORDER", "YES");
  TukSetAttribute(dialog, "DEFAULTENTER", "TukListOkButton");
  TukSetAttribute(dialog, "DEFAULTESC", "TukListCancelButton");
  // Enter and Esc press the two buttons wherever the focus is inside the dialog
  TukSetAttribute(dialog, "K_CR", "tuk_cb_enter_lista");
  TukSetAttribute(dialog, "K_ESC", "tuk_cb_esc_lista");
  TukSetAttribute(dialog, "CLOSE_CB", "tuk_cb_fecha_lista");

  char list_size[32];
  std::snprintf(list_size, sizeof list_size, "%dx%d", max_col * kUnitsPerListColumn,
                max_lin == 1 ? kOneLineListHeight : max_lin * kUnitsPerListLine + kListBorderUnits);
  TukStoreAttribute(lista, "SIZE", list_size);

  TukPopup(dialog, TUK_CENTER, TUK_CENTER);

  if (type == 2 && g_list.result != -1) {
    const char* v = TukGetAttribute(lista, "VALUE");
    const std::size_t n = v ? std::strlen(v) : 0;
    for (int i = 0; i < size; ++i) marks[i] = static_cast<std::size_t>(i) < n && v[i] == '+' ? 1 : 0;
  }
  TukDestroy(dialog);
  const int result = g_list.result;
  g_list = outer;
  return result;
}
