#pragma once
// The start every test of the program's windows shares: a freshly opened toolkit on the headless
// driver with GL canvases and a fresh appState, and the helpers those tests read it back with.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "state/app_state.h"
#include "scene/scene_load.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_gl.h"

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState = AppState{};
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
    TukGLCanvasOpen();
  }
  void TearDown() override {
    TukClose();
    appState = AppState{};
  }
};

inline std::string attr(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  return v ? v : "(null)";
}

// The last message box as "title|text", or "(none)".
inline std::string last_message() {
  const char *title = nullptr, *text = nullptr;
  TukHeadlessLastMessage(&title, &text);
  return title ? std::string(title) + "|" + text : "(none)";
}

// Loads data/demo/demo.cen into appState as "Load Scene" does, from the demo's folder (its file
// names are relative to it), and goes back to the working folder. Call it inside
// ASSERT_NO_FATAL_FAILURE.
inline void load_demo_scene(SceneLoadReport* report /* out */, int* loaded /* out */) {
  const std::string dir = std::string(VARNESK_SOURCE_DIR) + "/data/demo";
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  *loaded = load_scene_quiet("demo.cen", appState, report);
  ASSERT_EQ(chdir(old), 0);
}
