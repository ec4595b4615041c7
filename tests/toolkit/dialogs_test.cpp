// The predefined dialogs on the headless driver: the list dialog's tree, layout and answers;
// the file dialog's results; the message box.
#include "toolkit/tuk_dialogs.h"
#include "tuk_fixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

const char* kColours[] = {"Red", "Green", "Blue", "Yellow", "Gray"};

// What the user does each time the open dialog waits (the count of earlier waits given).
std::function<void(int)> g_user;
int g_waits;

TukHandle ok_button() { return TukGetHandle("TukListOkButton"); }
TukHandle cancel_button() { return TukGetHandle("TukListCancelButton"); }

// The list of the open list dialog: the only list in the row after the top two fills.
TukHandle open_list() {
  TukHandle vbox = tuk_element_parent(tuk_element_parent(ok_button()));
  TukHandle e = tuk_element_first_child(tuk_element_next(tuk_element_next(tuk_element_first_child(vbox))));
  while (e && tuk_element_kind(e) != TUK_KIND_LIST) e = tuk_element_next(e);
  return e;
}

class DialogsTest : public TukTest {
 protected:
  void SetUp() override {
    unsetenv("TUK_INGLES");
    TukTest::SetUp();
    g_user = nullptr;
    g_waits = 0;
    register_cb("tuk-idle", []() -> int {
      if (g_user) g_user(g_waits++);
      return TUK_DEFAULT;
    });
  }
  void TearDown() override {
    TukTest::TearDown();
    unsetenv("TUK_INGLES");
  }
};

TEST_F(DialogsTest, ListDialogAnswersTheWrongEntryOrIgnoresCancel) {
  const auto choose = [](std::vector<int> items, void (*then)()) {
    return [items, then](int) {
      for (int item : items) TukHeadlessChooseListEntry(open_list(), item);
      then();
    };
  };
  const auto ok = [] { TukHeadlessClickButton(ok_button()); };
  const auto cancel = [] { TukHeadlessClickButton(cancel_button()); };
  const auto enter = [] { TukHeadlessKey(TUK_KS_ENTER, 0); };
  const auto escape = [] { TukHeadlessKey(TUK_KS_ESCAPE, 0); };
  const auto close_box = [] { TukHeadlessCloseDialog(nullptr); };
  const struct {
    const char* what;
    int op;
    std::function<void(int)> user;
    int result, left_pending;
  } cases[] = {
      {"ok keeps the preselection", 3, choose({}, ok), 2, 0},
      {"preselection below range", 0, choose({}, ok), 0, 0},
      {"preselection above range", 6, choose({}, ok), 0, 0},
      {"the entry chosen last", 1, choose({2, 4}, ok), 3, 0},
      {"cancel", 1, choose({4}, cancel), -1, 0},
      {"the same entry twice accepts it", 5, choose({2, 2}, cancel), 1, 1},
      {"enter accepts", 1, choose({3}, enter), 2, 0},
      {"escape cancels", 1, choose({3}, escape), -1, 0},
      {"the close box cancels", 1, choose({3}, close_box), -1, 0},
      {"the same entry after the threshold is no double click", 5,
       [](int wait) {
         if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(TUK_LIST_DOUBLE_CLICK_SECONDS + 0.1));
         TukHeadlessChooseListEntry(open_list(), 2);
         if (wait > 0) TukHeadlessClickButton(cancel_button());
       },
       -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    g_user = c.user;
    g_waits = 0;
    EXPECT_EQ(TukListDialog(1, "Cor do Time A", 5, kColours, c.op, 15, 5, nullptr), c.result);
    EXPECT_EQ(TukHeadlessPendingInput(), c.left_pending);
    TukHeadlessClearInput();
  }
}

TEST_F(DialogsTest, ListDialogTreeAttributesOrLayoutWrong) {
  std::string seen;
  g_user = [&seen](int) {
    TukHandle list = open_list();
    TukHandle dialog = tuk_element_dialog(list);
    TukHandle frame = tuk_element_first_child(dialog);
    seen = attr(frame, "TYPENAME") + " " + attr(tuk_element_first_child(frame), "TYPENAME");
    const struct {
      TukHandle e;
      const char* name;
      const char* value;
    } attrs[] = {
        {list, "ACTION", "tuk_cb_lista"}, {list, "1", "Red"}, {list, "5", "Gray"}, {list, "6", "(null)"},
        {list, "VALUE", "4"}, {list, "SIZE", "50x49"},  // 10 x 5 by 5 x 9 + 4
        {dialog, "TITLE", "Escolha a cor do time A"}, {dialog, "SIZE", "112"},  // (23 + 1) x 4 + 16
        {dialog, "RESIZE", "NO"}, {dialog, "MENUBOX", "NO"},
        {dialog, "DEFAULTENTER", "TukListOkButton"}, {dialog, "DEFAULTESC", "TukListCancelButton"},
        {ok_button(), "TITLE", "Confirma"}, {ok_button(), "ACTION", "tuk_cb_ok"}, {ok_button(), "SIZE", "40x0"},
        {cancel_button(), "TITLE", "Cancela"}, {cancel_button(), "ACTION", "tuk_cb_cancela"},
    };
    for (const auto& a : attrs) EXPECT_EQ(attr(a.e, a.name), a.value) << a.name;
    // the dialog's own width, 112 x 7 / 4 = 196, beats the frame's 144; the list, 87 x 79, sits
    // after a 35-pixel fill (the 71 pixels left over shared by two) and a 17-pixel "10" fill;
    // the buttons, 70 x 21, after a third of the 52 left over each, below 16-pixel fills
    EXPECT_EQ(box_of(dialog), (std::vector<int>{(1280 - 204) / 2, (1024 - 180) / 2, 204, 180}));
    EXPECT_EQ(box_of(frame), (std::vector<int>{0, 0, 196, 152}));
    EXPECT_EQ(box_of(list), (std::vector<int>{54, 18, 87, 79}));
    EXPECT_EQ(box_of(ok_button()), (std::vector<int>{19, 113, 70, 21}));
    EXPECT_EQ(box_of(cancel_button()), (std::vector<int>{106, 113, 70, 21}));
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(1, "Escolha a cor do time A", 5, kColours, 4, 10, 5, nullptr), 3);
  EXPECT_EQ(seen, "FRAME VBOX");
  EXPECT_EQ(ok_button(), nullptr) << "the dialog is destroyed with its names";
  EXPECT_EQ(cancel_button(), nullptr);
  // in English, with a list of one line
  setenv("TUK_INGLES", "1", 1);
  g_user = [](int) {
    EXPECT_EQ(attr(ok_button(), "TITLE") + "/" + attr(cancel_button(), "TITLE"), "Ok/Cancel");
    EXPECT_EQ(attr(open_list(), "SIZE"), "50x16");
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(1, "Objeto", 4, kColours, 2, 10, 1, nullptr), 1);
}

TEST_F(DialogsTest, MultipleChoiceMarksLostOrTakenOnCancel) {
  int marks[5] = {1, 0, 1, 0, 0};
  g_user = [](int) {
    EXPECT_EQ(attr(open_list(), "MULTIPLE"), "YES");
    EXPECT_EQ(attr(open_list(), "VALUE"), "+-+--");
    TukSetAttribute(open_list(), "VALUE", "-+--+");
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(2, "Marcas", 5, kColours, 0, 15, 5, marks), 0);
  EXPECT_EQ(std::vector<int>(marks, marks + 5), (std::vector<int>{0, 1, 0, 0, 1}));
  g_user = [](int) {
    TukSetAttribute(open_list(), "VALUE", "+++++");
    TukHeadlessClickButton(cancel_button());
  };
  EXPECT_EQ(TukListDialog(2, "Marcas", 5, kColours, 0, 15, 5, marks), -1);
  EXPECT_EQ(std::vector<int>(marks, marks + 5), (std::vector<int>{0, 1, 0, 0, 1}));
}

TEST_F(DialogsTest, ListDialogShowsWhatItCannotOrOverrunsItsEntries) {
  EXPECT_EQ(TukListDialog(1, "x", 0, kColours, 1, 10, 5, nullptr), -1);
  EXPECT_EQ(TukListDialog(1, "x", 5, nullptr, 1, 10, 5, nullptr), -1);
  EXPECT_EQ(TukListDialog(2, "x", 5, kColours, 1, 10, 5, nullptr), -1) << "no marks";
  EXPECT_EQ(TukListDialog(3, "x", 5, kColours, 1, 10, 5, nullptr), -1);
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

TEST_F(DialogsTest, GetFileResultWrongOrCancelOverwritesTheBuffer) {
  char dir[] = "/tmp/tuk_get_file_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string existing = std::string(dir) + "/a.ref";
  const std::string missing = std::string(dir) + "/b.ref";
  std::fclose(std::fopen(existing.c_str(), "w"));
  const struct {
    const char* answer;  // null cancels
    int result;
    const char* path_after;  // null: the answer
  } cases[] = {{existing.c_str(), 0, nullptr}, {missing.c_str(), 1, nullptr}, {nullptr, -1, "*.ref"},
               {dir, 1, nullptr}};  // a folder is no file to read
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer ? c.answer : "(cancel)");
    char path[256] = "*.ref";
    TukHeadlessAnswerFile(c.answer);
    EXPECT_EQ(TukGetFile(path), c.result);
    EXPECT_STREQ(path, c.path_after ? c.path_after : c.answer);
  }
  EXPECT_EQ(TukGetFile(nullptr), -1);
  std::remove(existing.c_str());
  rmdir(dir);
}

TEST_F(DialogsTest, MessageLostOrLoggedAfterItsBox) {
  char log_path[] = "/tmp/tuk_message_log_XXXXXX";
  const int fd = mkstemp(log_path);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("TUK_MESSAGE_LOG", log_path, 1);
  TukHeadlessAnswerMessage();
  TukMessage("Dist\xc3\xa2ncia Entre Duas Paralelas", "  1.3 metros");
  TukHeadlessAnswerMessage();
  TukMessage("Erro", "Formato de arquivo desconhecido.", TUK_MESSAGE_ERROR);
  unsetenv("TUK_MESSAGE_LOG");
  const char* title = nullptr;
  const char* text = nullptr;
  TukHeadlessLastMessage(&title, &text);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(std::string(title) + "|" + text, "Erro|Formato de arquivo desconhecido.");
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  TukHeadlessAnswerMessage();
  TukMessage("Erro", "not logged once the variable is gone");
  std::FILE* f = std::fopen(log_path, "r");
  ASSERT_NE(f, nullptr);
  char buffer[256] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  std::remove(log_path);
  EXPECT_EQ(std::string(buffer, n),
            "Dist\xc3\xa2ncia Entre Duas Paralelas\t  1.3 metros\nErro\tFormato de arquivo desconhecido.\n");
}

}  // namespace
