#pragma once
// The program's main window on the headless driver, built, its callbacks registered and shown,
// with a scripted user: list dialogs take the queued g_listAnswers (list_answers.h) and the
// landmark dialog runs the queued g_inDialog actions, or is cancelled when none is queued.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../common/headless_fixture.h"
#include "../common/list_answers.h"
#include "app/canvas_input.h"
#include "app/file_commands.h"
#include "app/interface.h"
#include "render/image_view.h"
#include "toolkit/tuk_internal.h"

inline const std::string kDemo = std::string(VARNESK_SOURCE_DIR) + "/data/demo/";

inline std::deque<std::function<void()>> g_inDialog;
inline int g_landmarkPopups = 0;
// The pixel the click left pending when the landmark dialog came up.
inline int g_pendingX = -1, g_pendingY = -1;

inline TukHandle find_titled(TukHandle e, int kind, const char* title) {
  const char* t = TukGetAttribute(e, "TITLE");
  if (tuk_element_kind(e) == kind && (!title || (t && std::string(t) == title))) return e;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c))
    if (TukHandle found = find_titled(c, kind, title)) return found;
  return nullptr;
}

inline int scripted_user() {
  if (answer_open_list() || TukHeadlessPendingInput() > 0) return TUK_DEFAULT;
  if (tuk_innermost_popup() != appState.refPointDialog) return TUK_DEFAULT;
  ++g_landmarkPopups;
  g_pendingX = appState.refImageX[appState.refCount];
  g_pendingY = appState.refImageY[appState.refCount];
  if (g_inDialog.empty()) {
    TukHeadlessClickButton(find_titled(appState.refPointDialog, TUK_KIND_BUTTON, "Cancel"));
    return TUK_DEFAULT;
  }
  const std::function<void()> act = g_inDialog.front();
  g_inDialog.pop_front();
  act();
  return TUK_DEFAULT;
}

// Pictures whose every pixel names itself: the low bytes of its column and row (from the
// bottom) in red and green, their high bits in blue; or a plain grey. 24-bit BMPs, bottom row first.
inline void decode(const unsigned char* p, int* col, int* row) {
  *col = p[0] | ((p[2] & 15) << 8);
  *row = p[1] | ((p[2] >> 4) << 8);
}
inline void write_bmp(const std::string& path, int w, int h, bool coded) {
  const unsigned stride = (w * 3 + 3) & ~3, size = 54 + stride * h;
  std::vector<unsigned char> b(size, 60);
  const unsigned header[] = {size, 0, 54, 40, unsigned(w), unsigned(h), 1 | 24 << 16, 0, stride * h, 0, 0, 0, 0};
  std::memcpy(&b[0], "BM", 2), std::memcpy(&b[2], header, sizeof header);  // little-endian
  for (int row = 0; coded && row < h; ++row)
    for (int col = 0; col < w; ++col) {
      unsigned char* p = &b[54 + row * stride + col * 3];  // blue, green, red
      p[0] = (col >> 8) | ((row >> 8) << 4), p[1] = row & 255, p[2] = col & 255;
    }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), size);
}

// A click at canvas pixel (x, y from the top) of the photograph, delivered by the loop.
inline void click(int x, int y, int button = 1) {
  TukHeadlessMousePress(appState.imageCanvas, button, x, y, 0);
  TukHeadlessMouseRelease(appState.imageCanvas, button, x, y, 0);
  TukFlush();
}
// The image view redrawn: its frame, bottom row first.
inline const unsigned char* frame(int* w, int* h) {
  redraw_image_view();
  return TukHeadlessFrame(appState.imageCanvas, w, h);
}

class AppTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    if (HasFatalFailure()) return;
    g_inDialog.clear();
    g_listAnswers.clear();
    g_listsSeen = g_landmarkPopups = 0;
    build_interface();
    register_callbacks();
    TukSetFunction("tuk-idle", TukCallbackOf(scripted_user));
    ASSERT_EQ(TukShow(appState.mainDialog), 0);
    TukSetFocus(appState.mainDialog);
    char dir[] = "/tmp/varnesk-app-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    tmp = dir;
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(cwd), 0);
    HeadlessTest::TearDown();
    std::system(("rm -rf '" + tmp + "'").c_str());
  }

  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(tmp + "/" + name, std::ios::binary) << text;
    return tmp + "/" + name;
  }
  // A command that asks for a file, given the file.
  static void run(int (*command)(TukHandle, int), const std::string& path) {
    TukHeadlessAnswerFile(path.c_str());
    command(nullptr, 0);
  }
  void load_demo() {
    run(load_cena_cb, kDemo + "demo.cen");
    ASSERT_EQ(appState.refCount, 15);
  }
  void load_picture(int w, int h, bool coded) {
    const std::string path = tmp + "/p" + std::to_string(w) + "x" + std::to_string(h) + ".bmp";
    write_bmp(path, w, h, coded);
    run(load_imag_cb, path);
    ASSERT_EQ(appState.imageWidth, w);
  }

  std::string tmp;
  char cwd[4096];
};
