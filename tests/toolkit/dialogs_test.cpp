// The predefined dialogs on the headless driver: the list dialog's tree, layout and answers;
// the file dialog's results; the message box.
#include "toolkit/tuk_dialogs.h"
#include "tuk_fixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
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

// A user's script: entries to choose and ok, cancel, enter, escape, close (the frame's box);
// "|" leaves the rest for the next wait; "pause" outlasts a double click.
void run_script(const std::string& script, int wait) {
  std::istringstream waits(script);
  std::string part;
  for (int i = 0; i <= wait; ++i)
    if (!std::getline(waits, part, '|')) return;
  std::istringstream words(part);
  for (std::string w; words >> w;) {
    if (w == "ok") TukHeadlessClickButton(ok_button());
    else if (w == "cancel") TukHeadlessClickButton(cancel_button());
    else if (w == "enter") TukHeadlessKey(TUK_KS_ENTER, 0);
    else if (w == "escape") TukHeadlessKey(TUK_KS_ESCAPE, 0);
    else if (w == "close") TukHeadlessCloseDialog(nullptr);
    else if (w == "pause") std::this_thread::sleep_for(std::chrono::duration<double>(TUK_LIST_DOUBLE_CLICK_SECONDS + 0.1));
    else TukHeadlessChooseListEntry(open_list(), std::stoi(w));
  }
}

class DialogsTest : public TukTest {
 protected:
  void SetUp() override {
    TukTest::SetUp();
    g_user = nullptr;
    g_waits = 0;
    register_cb("tuk-idle", []() -> int {
      if (g_user) g_user(g_waits++);
      return TUK_DEFAULT;
    });
  }
};

TEST_F(DialogsTest, ListDialogAnswersTheWrongEntryOrIgnoresCancel) {
  // op: the entry shown selected, outside 1 to 5 the first
  const struct { int op; const char* script; int result, left_pending; } cases[] = {
      {3, "ok", 2, 0},         {0, "ok", 0, 0},        {6, "ok", 0, 0},      {1, "2 4 ok", 3, 0},
      {1, "4 cancel", -1, 0},  {1, "3 enter", 2, 0},   {1, "3 escape", -1, 0}, {1, "3 close", -1, 0},
      {5, "2 2 cancel", 1, 1},  // the same entry twice at once accepts it
      {5, "2|pause 2 cancel", -1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    g_user = [&c](int wait) { run_script(c.script, wait); };
    g_waits = 0;
    EXPECT_EQ(TukListDialog(1, "Cor do Time A", 5, kColours, c.op, 15, 5, nullptr), c.result);
    EXPECT_EQ(TukHeadlessPendingInput(), c.left_pending);
    TukHeadlessClearInput();
  }
}

TEST_F(DialogsTest, ListDialogTreeAttributesOrLayoutWrong) {
  g_user = [](int) {
    TukHandle list = open_list();
    TukHandle dialog = tuk_element_dialog(list);
    EXPECT_EQ(attr(list, "5") + attr(list, "6") + attr(list, "VALUE") + attr(dialog, "RESIZE"), "Gray(null)4NO");
    EXPECT_EQ(attr(ok_button(), "TITLE") + "/" + attr(cancel_button(), "TITLE"), "Confirma/Cancela");
    // the dialog's own width, 112 x 7 / 4 = 196, beats the frame's 144; the list, 87 x 79, sits
    // after a 35-pixel fill (the 71 pixels left over shared by two) and a 17-pixel "10" fill;
    // the buttons, 70 x 21, after a third of the 52 left over each, below 16-pixel fills
    EXPECT_EQ(box_of(dialog), (std::vector<int>{(1280 - 204) / 2, (1024 - 180) / 2, 204, 180}));
    EXPECT_EQ(box_of(list), (std::vector<int>{54, 18, 87, 79}));
    EXPECT_EQ(box_of(ok_button()), (std::vector<int>{19, 113, 70, 21}));
    EXPECT_EQ(box_of(cancel_button()), (std::vector<int>{106, 113, 70, 21}));
    TukHeadlessClickButton(ok_button());
  };
  EXPECT_EQ(TukListDialog(1, "Escolha a cor do time A", 5, kColours, 4, 10, 5, nullptr), 3);
  EXPECT_EQ(ok_button(), nullptr) << "the dialog is destroyed with its names";
}

TEST_F(DialogsTest, ListDialogShownWithoutMarksOrEntriesOverrun) {
  EXPECT_EQ(TukListDialog(2, "x", 5, kColours, 1, 10, 5, nullptr) + TukListDialog(3, "x", 5, kColours, 1, 10, 5, nullptr), -2);
  static const char* many[1200];
  for (const char*& s : many) s = "entry";
  g_user = [](int) {
    EXPECT_EQ(attr(open_list(), "999") + attr(open_list(), "1000"), "entry(null)");
    run_script("999 ok", 0);
  };
  EXPECT_EQ(TukListDialog(1, "Muitos", 1200, many, 1, 10, 5, nullptr), 998);
}

TEST_F(DialogsTest, MessageLostOrLoggedAfterItsBox) {
  char log_path[] = "/tmp/tuk_message_log_XXXXXX";
  close(mkstemp(log_path));
  setenv("TUK_MESSAGE_LOG", log_path, 1);
  TukHeadlessAnswerMessage();
  TukMessage("Dist\xc3\xa2ncia Entre Duas Paralelas", "  1.3 metros");
  TukHeadlessAnswerMessage();
  TukMessage("Erro", "Formato de arquivo desconhecido.", TUK_MESSAGE_ERROR);
  unsetenv("TUK_MESSAGE_LOG");
  EXPECT_EQ(TukHeadlessLastMessageKind(), TUK_MESSAGE_ERROR);
  std::ifstream log(log_path);
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  std::remove(log_path);
  EXPECT_EQ(text,
            "Dist\xc3\xa2ncia Entre Duas Paralelas\t  1.3 metros\nErro\tFormato de arquivo desconhecido.\n");
}

}  // namespace
