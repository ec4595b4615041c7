#pragma once
// Every toolkit test runs on a freshly opened toolkit with the headless driver.
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_internal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Log = std::vector<std::string>;

// A log of callback calls, cleared before every test.
inline Log& calls() {
  static Log log;
  return log;
}

class TukTest : public ::testing::Test {
 protected:
  void SetUp() override {
    calls().clear();
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
  }
  void TearDown() override { TukClose(); }
};

// Registers a function (a plain one or a captureless lambda) under a name.
template <typename F>
void register_cb(const char* name, F f) {
  TukSetFunction(name, TukCallbackOf(+f));
}

inline int visible_count() { return tuk_loop_state()->visible_count; }
inline std::string attr(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  return v ? v : "(null)";
}
inline std::vector<int> box_of(TukHandle e) { return {e->x, e->y, e->current_w, e->current_h}; }
