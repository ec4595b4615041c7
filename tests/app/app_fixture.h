#pragma once
// The interface built on a freshly opened toolkit with the headless driver.
#include "app/app_state.h"
#include "app/interface.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_internal.h"
#include "toolkit/tuk_gl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class InterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState = AppState{};
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
    TukGLCanvasOpen();
    build_interface();
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

inline std::vector<TukHandle> children(TukHandle e) {
  std::vector<TukHandle> out;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c)) out.push_back(c);
  return out;
}

inline std::string kind(TukHandle e) { return attr(e, "TYPENAME"); }
