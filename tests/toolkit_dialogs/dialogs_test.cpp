// The predefined dialogs on the headless driver: the list dialog's tree, attributes and
// answers; the file dialog's results; the message box.
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_internal.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

const char* kColours[] = {"Red", "Green", "Blue", "Yellow", "Gray"};

// What the user does, scripted the first time (and later times) the open dialog waits.
std::function<void(int)> g_user;
int g_idle_calls;

int on_idle(void) {
  if (g_user) g_user(g_idle_calls++);
  return TUK_DEFAULT;
}

TukHandle ok_button() { return TukGetHandle("TukListOkButton"); }
TukHandle cancel_button() { return TukGetHandle("TukListCancelButton"); }

// The list of the open list dialog: dialog > frame > vbox > third child hbox > third child.
TukHandle open_list() {
  TukHandle vbox = tuk_element_parent(tuk_element_parent(ok_button()));
  TukHandle row = tuk_element_next(tuk_element_next(tuk_element_first_child(vbox)));
  TukHandle e = tuk_element_first_child(row);
  while (e && tuk_element_kind(e) != TUK_KIND_LIST) e = tuk_element_next(e);
  return e;
}

std::string attr(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  return v ? v : "(null)";
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("TUK_INGLES");
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
    g_user = nullptr;
    g_idle_calls = 0;
    TukSetFunction("tuk-idle", TukCallbackOf(on_idle));
  }
  void TearDown() override {
    TukClose();
    unsetenv("TUK_INGLES");
  }
  int colours(int op) { return TukListDialog(1, "Cor do Time A", 5, kColours, op, 15, 5, nullptr); }
};

}  // namespace

TEST_F(DialogsTest, ok_at_once_returns_the_preselected_entry_out_of_range_the_first) {
  g_user = [](int) { TukHeadlessClickButton(ok_button()); };
  EXPECT_EQ(colours(3), 2);
  g_idle_calls = 0;
  EXPECT_EQ(colours(0), 0);
  g_idle_calls = 0;
  EXPECT_EQ(colours(6), 0);
}

TEST_F(DialogsTest, the_entry_chosen_last_is_returned_and_cancel_gives_minus_one) {
  g_user = [](int) {
    TukHeadlessChooseListEntry(open_list(), 2);
    TukHeadlessChooseListEntry(open_list(), 4);
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(colours(1), 3);
  g_user = [](int) {
    TukHeadlessChooseListEntry(open_list(), 4);
    TukHeadlessClickButton(cancel_button());
  };
  EXPECT_EQ(colours(1), -1);
}

TEST_F(DialogsTest, the_same_entry_twice_in_quick_succession_accepts_it) {
  g_user = [](int) {
    TukHeadlessChooseListEntry(open_list(), 2);
    TukHeadlessChooseListEntry(open_list(), 2);
    TukHeadlessClickButton(cancel_button());  // never reached: the double selection accepted
  };
  EXPECT_EQ(colours(5), 1);
  EXPECT_EQ(TukHeadlessPendingInput(), 1);
  TukHeadlessClearInput();
}

TEST_F(DialogsTest, the_same_entry_again_after_the_threshold_is_no_double_click) {
  g_user = [](int call) {
    if (call == 0) {
      TukHeadlessChooseListEntry(open_list(), 2);
      return;
    }
    std::this_thread::sleep_for(
        std::chrono::duration<double>(TUK_LIST_DOUBLE_CLICK_SECONDS + 0.1));
    TukHeadlessChooseListEntry(open_list(), 2);
    TukHeadlessClickButton(cancel_button());
  };
  EXPECT_EQ(colours(5), -1);
}

TEST_F(DialogsTest, enter_accepts_and_escape_and_the_close_box_cancel) {
  g_user = [](int) {
    TukHeadlessChooseListEntry(open_list(), 3);
    TukHeadlessKey(TUK_KS_ENTER, 0);
  };
  EXPECT_EQ(colours(1), 2);
  g_user = [](int) {
    TukHeadlessChooseListEntry(open_list(), 3);
    TukHeadlessKey(TUK_KS_ESCAPE, 0);
  };
  EXPECT_EQ(colours(1), -1);
  g_user = [](int) {
    TukHeadlessChooseListEntry(open_list(), 3);
    TukHeadlessCloseDialog(nullptr);
  };
  EXPECT_EQ(colours(1), -1);
}

TEST_F(DialogsTest, tree_and_attributes_in_portuguese) {
  std::string seen;
  g_user = [&seen](int) {
    TukHandle list = open_list();
    TukHandle dialog = tuk_element_dialog(list);
    TukHandle frame = tuk_element_first_child(dialog);
    seen = attr(frame, "TYPENAME") + " " + attr(tuk_element_first_child(frame), "TYPENAME");
    EXPECT_EQ(attr(list, "ACTION"), "tuk_cb_lista");
    EXPECT_EQ(attr(list, "1"), "Red");
    EXPECT_EQ(attr(list, "5"), "Gray");
    EXPECT_EQ(TukGetAttribute(list, "6"), nullptr);
    EXPECT_EQ(attr(list, "VALUE"), "4");
    EXPECT_EQ(attr(list, "SIZE"), "75x49");  // 15 x 5 by 5 x 9 + 4
    EXPECT_EQ(attr(dialog, "TITLE"), "Cor do Time A");
    EXPECT_EQ(attr(dialog, "SIZE"), "72");  // ("Cor do Time A" + 1) x 4 + 16
    EXPECT_EQ(attr(dialog, "RESIZE"), "NO");
    EXPECT_EQ(attr(dialog, "MENUBOX"), "NO");
    EXPECT_EQ(attr(dialog, "DEFAULTENTER"), "TukListOkButton");
    EXPECT_EQ(attr(dialog, "DEFAULTESC"), "TukListCancelButton");
    EXPECT_EQ(attr(ok_button(), "TITLE"), "Confirma");
    EXPECT_EQ(attr(ok_button(), "ACTION"), "tuk_cb_ok");
    EXPECT_EQ(attr(ok_button(), "SIZE"), "40x0");
    EXPECT_EQ(attr(cancel_button(), "TITLE"), "Cancela");
    EXPECT_EQ(attr(cancel_button(), "ACTION"), "tuk_cb_cancela");
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(colours(4), 3);
  EXPECT_EQ(seen, "FRAME VBOX");
  // the dialog is destroyed with its names
  EXPECT_EQ(ok_button(), nullptr);
  EXPECT_EQ(cancel_button(), nullptr);
}

TEST_F(DialogsTest, english_buttons_and_a_one_line_list) {
  setenv("TUK_INGLES", "1", 1);
  g_user = [](int) {
    EXPECT_EQ(attr(ok_button(), "TITLE"), "Ok");
    EXPECT_EQ(attr(cancel_button(), "TITLE"), "Cancel");
    EXPECT_EQ(attr(open_list(), "SIZE"), "50x16");
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(1, "Objeto", 4, kColours, 2, 10, 1, nullptr), 1);
}

TEST_F(DialogsTest, multiple_choice_gives_and_takes_the_marks) {
  int marks[5] = {1, 0, 1, 0, 0};
  g_user = [](int) {
    EXPECT_EQ(attr(open_list(), "MULTIPLE"), "YES");
    EXPECT_EQ(attr(open_list(), "VALUE"), "+-+--");
    TukSetAttribute(open_list(), "VALUE", "-+--+");
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(2, "Marcas", 5, kColours, 0, 15, 5, marks), 0);
  const int expected[5] = {0, 1, 0, 0, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(marks[i], expected[i]) << i;
  // cancelled: the marks keep what they were
  g_user = [](int) {
    TukSetAttribute(open_list(), "VALUE", "+++++");
    TukHeadlessClickButton(cancel_button());
  };
  EXPECT_EQ(TukListDialog(2, "Marcas", 5, kColours, 0, 15, 5, marks), -1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(marks[i], expected[i]) << i;
}

TEST_F(DialogsTest, refuses_what_it_cannot_show) {
  EXPECT_EQ(TukListDialog(1, "x", 0, kColours, 1, 10, 5, nullptr), -1);
  EXPECT_EQ(TukListDialog(1, "x", 5, nullptr, 1, 10, 5, nullptr), -1);
  EXPECT_EQ(TukListDialog(2, "x", 5, kColours, 1, 10, 5, nullptr), -1);  // no marks
  EXPECT_EQ(TukListDialog(3, "x", 5, kColours, 1, 10, 5, nullptr), -1);
}

TEST_F(DialogsTest, long_lists_stop_at_999_entries) {
  static const char* many[1200];
  for (const char*& s : many) s = "entry";
  g_user = [](int) {
    EXPECT_NE(TukGetAttribute(open_list(), "999"), nullptr);
    EXPECT_EQ(TukGetAttribute(open_list(), "1000"), nullptr);
    TukHeadlessChooseListEntry(open_list(), 999);
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(1, "Muitos", 1200, many, 1, 10, 5, nullptr), 998);
}

TEST_F(DialogsTest, get_file_results_and_the_buffer) {
  char dir[] = "/tmp/tuk_get_file_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string existing = std::string(dir) + "/a.ref";
  const std::string missing = std::string(dir) + "/b.ref";
  { FILE* f = std::fopen(existing.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }

  char path[256] = "*.ref";
  TukHeadlessAnswerFile(existing.c_str());
  EXPECT_EQ(TukGetFile(path), 0);
  EXPECT_EQ(std::string(path), existing);

  std::snprintf(path, sizeof path, "*.ref");
  TukHeadlessAnswerFile(missing.c_str());
  EXPECT_EQ(TukGetFile(path), 1);
  EXPECT_EQ(std::string(path), missing);

  std::snprintf(path, sizeof path, "*.obj");
  TukHeadlessAnswerFile(nullptr);
  EXPECT_EQ(TukGetFile(path), -1);
  EXPECT_STREQ(path, "*.obj");  // left as it was given

  // a folder is no file to read
  std::snprintf(path, sizeof path, "*.cen");
  TukHeadlessAnswerFile(dir);
  EXPECT_EQ(TukGetFile(path), 1);
  EXPECT_EQ(TukGetFile(nullptr), -1);

  std::remove(existing.c_str());
  rmdir(dir);
}

TEST_F(DialogsTest, message_passes_title_and_text) {
  TukHeadlessAnswerMessage();
  TukMessage("Erro", "Formato de arquivo desconhecido.");
  const char* title = nullptr;
  const char* text = nullptr;
  TukHeadlessLastMessage(&title, &text);
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title, "Erro");
  EXPECT_STREQ(text, "Formato de arquivo desconhecido.");
}

TEST_F(DialogsTest, message_log_receives_every_message_before_its_box) {
  char logPath[] = "/tmp/tuk_message_log_XXXXXX";
  const int fd = mkstemp(logPath);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("TUK_MESSAGE_LOG", logPath, 1);
  TukHeadlessAnswerMessage();
  TukMessage("Dist\xc3\xa2ncia Entre Duas Paralelas", "  1.3 metros");
  TukHeadlessAnswerMessage();
  TukMessage("Erro", "Erro na leitura do arquivo");
  unsetenv("TUK_MESSAGE_LOG");
  TukHeadlessAnswerMessage();
  TukMessage("Erro", "not logged once the variable is gone");

  std::FILE* f = std::fopen(logPath, "r");
  ASSERT_NE(f, nullptr);
  char buffer[256] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  std::remove(logPath);
  EXPECT_EQ(std::string(buffer, n),
            "Dist\xc3\xa2ncia Entre Duas Paralelas\t  1.3 metros\nErro\tErro na leitura do arquivo\n");
}
