#pragma once
// The interface built on a freshly opened toolkit with the headless driver.
#include "../common/headless_fixture.h"
#include "app/interface.h"
#include "toolkit/tuk_internal.h"

#include <string>
#include <vector>

class InterfaceTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    if (HasFatalFailure()) return;
    build_interface();
  }
};

inline std::vector<TukHandle> children(TukHandle e) {
  std::vector<TukHandle> out;
  for (TukHandle c = tuk_element_first_child(e); c; c = tuk_element_next(c)) out.push_back(c);
  return out;
}

inline std::string kind(TukHandle e) { return attr(e, "TYPENAME"); }
