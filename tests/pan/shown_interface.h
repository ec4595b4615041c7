#pragma once
// The program's interface on the headless driver, shown with its callbacks, the main window
// holding the focus: what the picture-area tests click, scroll and zoom in.
#include "app/interface.h"
#include "app_fixture.h"

class ShownInterfaceTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    if (HasFatalFailure()) return;
    register_callbacks();
    TukShow(appState.mainDialog);
    TukSetFocus(appState.mainDialog);
  }
};
