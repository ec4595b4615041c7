#pragma once
// Every toolkit test runs on a freshly opened toolkit with the headless driver.
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk.h"
#include "toolkit/tuk_internal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class TukTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TukSetDriver("headless"), TUK_NOERROR);
    ASSERT_EQ(TukOpen(), TUK_NOERROR);
  }
  void TearDown() override { TukClose(); }
};

// A log of callback calls, shared by the plain callback functions of a test file.
inline std::vector<std::string>& calls() {
  static std::vector<std::string> log;
  return log;
}

// Registers a plain function under a name for its documented signature.
template <typename F>
void register_cb(const char* name, F f) {
  TukSetFunction(name, TukCallbackOf(f));
}

inline int visible_count() { return tuk_loop_state()->visible_count; }
inline std::string global(const char* name) {
  const char* v = TukGetGlobal(name);
  return v ? v : "(null)";
}
inline std::string attr(TukHandle e, const char* name) {
  const char* v = TukGetAttribute(e, name);
  return v ? v : "(null)";
}
