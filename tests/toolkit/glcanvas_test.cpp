// OpenGL canvases on the headless driver: real contexts, read back as a user would see them.
#include "toolkit/tuk_gl.h"
#include "tuk_fixture.h"

#include <GL/gl.h>

namespace {

using Rgb = std::vector<int>;

Rgb pixel(const unsigned char* frame, int width, int x, int y) {
  const unsigned char* p = frame + (static_cast<std::size_t>(y) * width + x) * 3;
  return {p[0], p[1], p[2]};
}

// Every pixel of the canvas's visible frame, of the size given, has the colour.
void expect_filled(TukHandle canvas, int w, int h, Rgb colour, const char* what) {
  int fw = 0, fh = 0;
  const unsigned char* frame = TukHeadlessFrame(canvas, &fw, &fh);
  ASSERT_NE(frame, nullptr) << what;
  ASSERT_EQ(std::to_string(fw) + "x" + std::to_string(fh), std::to_string(w) + "x" + std::to_string(h)) << what;
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) wrong += pixel(frame, fw, x, y) != colour;
  EXPECT_EQ(wrong, 0) << what;
}

void clear_to(float r, float g, float b) {
  glClearColor(r, g, b, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}

TukHandle canvas(const char* size, bool double_buffer) {
  TukGLCanvasOpen();
  TukHandle c = TukGLCanvas(nullptr);
  TukSetAttribute(c, "RASTERSIZE", size);
  TukSetAttribute(c, "BUFFER", double_buffer ? "DOUBLE" : nullptr);
  return c;
}

// Two canvases, each compiling display list 1 in its own context.
GLuint lists[2];
TukHandle canvases[2];

TEST_F(TukTest, GLCanvasesShareAContextOrShowWhatWasNotSwapped) {
  lists[0] = lists[1] = 0;
  register_cb("draw_canvas", [](TukHandle self, double, double) -> int {
    const int i = self == canvases[0] ? 0 : 1;
    TukGLMakeCurrent(self);
    if (lists[i] == 0) {
      lists[i] = glGenLists(1);
      glNewList(lists[i], GL_COMPILE);
      clear_to(i == 0 ? 1.0f : 0.0f, i == 0 ? 0.0f : 1.0f, 0.0f);
      glEndList();
    }
    glCallList(1);
    TukGLSwapBuffers(self);
    calls().push_back("draw");
    return TUK_DEFAULT;
  });
  canvases[0] = canvas("32x24", true);
  canvases[1] = canvas("40x20", false);
  for (TukHandle c : canvases) TukSetAttribute(c, "ACTION", "draw_canvas");
  TukShow(TukDialog(TukHbox(canvases[0], canvases[1], nullptr)));
  EXPECT_EQ(calls(), (Log{"draw", "draw"}));
  // shared or missing contexts would number the second list 2, or draw both in one colour
  EXPECT_EQ(lists[0] * 10 + lists[1], 11u);
  expect_filled(canvases[0], 32, 24, {255, 0, 0}, "first canvas");
  // the second canvas grows to the row's height (canvases expand by default)
  expect_filled(canvases[1], 40, 24, {0, 255, 0}, "second canvas");
  TukGLMakeCurrent(canvases[1]);
  TukGLMakeCurrent(canvases[0]);
  clear_to(0, 0, 1);  // drawn, not swapped: the user still sees red
  expect_filled(canvases[0], 32, 24, {255, 0, 0}, "double buffer before its swap");
  TukGLSwapBuffers(canvases[0]);
  expect_filled(canvases[0], 32, 24, {0, 0, 255}, "the canvas made current last, swapped");
  expect_filled(canvases[1], 40, 24, {0, 255, 0}, "second canvas untouched");
}

TEST_F(TukTest, GLCanvasResizeLeavesTheViewportOrLosesTheContextOrRowsFlipped) {
  TukHandle c = canvas("30x20", true);
  TukHandle dialog = TukDialog(c);
  TukShow(dialog);
  TukGLMakeCurrent(c);
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glEndList();
  TukSetAttribute(c, "RASTERSIZE", "50x40");
  TukShow(dialog);
  TukGLMakeCurrent(c);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2] * 1000 + viewport[3], 50040);
  EXPECT_EQ(glIsList(list), GL_TRUE) << "a resize keeps the context and its lists";
  clear_to(0, 0, 0);
  glRasterPos2i(-1, -1);  // the bottom-left corner
  const unsigned char two[6] = {255, 0, 0, 0, 0, 255};
  glDrawPixels(2, 1, GL_RGB, GL_UNSIGNED_BYTE, two);
  TukGLSwapBuffers(c);
  int w = 0, h = 0;
  const unsigned char* frame = TukHeadlessFrame(c, &w, &h);
  ASSERT_EQ(w * 1000 + h, 50040) << "the resized frame";
  EXPECT_EQ(pixel(frame, w, 0, 0), (Rgb{255, 0, 0})) << "row 0 is the bottom row";
  EXPECT_EQ(pixel(frame, w, 1, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(pixel(frame, w, 0, 39), (Rgb{0, 0, 0}));
  TukGLMakeCurrent(TukGLCanvas(nullptr));
  EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "a canvas not mapped yet leaves no context current";
}

}  // namespace
