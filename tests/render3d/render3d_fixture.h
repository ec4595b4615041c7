#pragma once
// Plan and 3D-scene tests on the headless driver: real OpenGL contexts whose frames are read
// back, bottom row first.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../render/render_fixture.h"
#include "state/app_state.h"
#include "app/landmark_dialog.h"
#include "app/scene_commands.h"
#include "render/field_diagram.h"
#include "render/scene3d.h"
#include "scene/scene_load.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

inline bool is_white(Pixel p) { return p.r > 200 && p.g > 200 && p.b > 200; }
inline bool is_skin(Pixel p) { return close_to(p, 227, 190, 131); }
inline bool is_background(Pixel p) { return close_to(p, 0, 178, 0, 1); }  // clear colour 0.7
inline bool is_grass(Pixel p) { return close_to(p, 0, 153, 0, 1); }       // pitch colour 0.6

// The image-view fixture (headless toolkit with GL canvases, fresh appState) with the plan's and
// the scene's callbacks registered.
class GLSceneTest : public ImageViewTest {
 protected:
  void SetUp() override {
    ImageViewTest::SetUp();
    TukSetFunction("redraw_refpto_cb", TukCallbackOf(redraw_refpto_cb));
    TukSetFunction("button_refpto_cb", TukCallbackOf(button_refpto_cb));
    TukSetFunction("redraw_3D_cb", TukCallbackOf(redraw_3D_cb));
    TukSetFunction("kany_cb", TukCallbackOf(kany_cb));
  }

  // The plan's canvas, 560 x 350, shown in a dialog of its own.
  TukHandle open_plan() {
    TukHandle canvas = TukGLCanvas("redraw_refpto_cb");
    TukSetAttribute(canvas, "RASTERSIZE", "560x350");
    TukSetAttribute(canvas, "BUFFER", "DOUBLE");
    TukHandle dialog = TukDialog(canvas);
    TukSetAttribute(dialog, "BUTTON_CB", "button_refpto_cb");
    TukShow(dialog);
    TukFlush();
    appState.fieldCanvas = canvas;
    return canvas;
  }

  // The demo scene on a 640 x 480 3D canvas, as "Make 3D Model" leaves it.
  void demo_model() {
    demo_scene();
    open_scene_canvas(640, 480);
    TukFlush();
    gerarmod_cb(nullptr, 0);
    ASSERT_EQ(appState.modelReady, 1);
  }

  Frame scene_frame() {
    redraw_scene_view();
    Frame f;
    EXPECT_TRUE(f.grab(appState.sceneCanvas));
    return f;
  }
  Frame plan_frame() {
    redraw_field_view();
    Frame f;
    EXPECT_TRUE(f.grab(appState.fieldCanvas));
    return f;
  }
};
