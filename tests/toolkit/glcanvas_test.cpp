// OpenGL canvases on the headless driver: real contexts, read back as a user would see them.
#include "toolkit/tuk_class.h"
#include "toolkit/tuk_gl.h"
#include "tuk_fixture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cstring>

namespace {

using Rgb = std::array<int, 3>;

Rgb pixel(const unsigned char* frame, int width, int x, int y) {
  const unsigned char* p = frame + (static_cast<std::size_t>(y) * width + x) * 3;
  return {p[0], p[1], p[2]};
}

// Every pixel of the canvas's visible frame has the colour.
void expect_filled(TukHandle canvas, int w, int h, Rgb colour, const char* what) {
  int fw = 0, fh = 0;
  const unsigned char* frame = TukHeadlessFrame(canvas, &fw, &fh);
  ASSERT_NE(frame, nullptr) << what;
  ASSERT_EQ(fw, w) << what;
  ASSERT_EQ(fh, h) << what;
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) wrong += pixel(frame, fw, x, y) != colour;
  EXPECT_EQ(wrong, 0) << what;
}

class GLCanvasTest : public TukTest {
 protected:
  void SetUp() override {
    TukTest::SetUp();
    TukGLCanvasOpen();
  }
  TukHandle canvas(const char* size, bool double_buffer) {
    TukHandle c = TukGLCanvas(nullptr);
    TukSetAttribute(c, "RASTERSIZE", size);
    if (double_buffer) TukSetAttribute(c, "BUFFER", "DOUBLE");
    return c;
  }
};

TEST_F(GLCanvasTest, ClassRecordAndRegistry) {
  TukClass* cls = TukGetClass("GlCanvas");
  ASSERT_NE(cls, nullptr);
  EXPECT_STREQ(cls->name, "GLCANVAS");
  EXPECT_STREQ(cls->format, "n");
  EXPECT_EQ(TukGetClass("glcanvas"), cls);
  EXPECT_EQ(TukGetClass("nosuchclass"), nullptr);
  TukHandle c = TukGLCanvas("redraw_cb");
  EXPECT_EQ(attr(c, "TYPENAME"), "GLCANVAS");
  EXPECT_EQ(attr(c, "ACTION"), "redraw_cb");
  EXPECT_EQ(attr(c, "RESIZE_CB"), "defresize");
  ASSERT_NE(tuk_gl_data(c), nullptr);
  EXPECT_EQ(tuk_get_pointer(c, "_TUK_GL_INT_DATA"), tuk_gl_data(c));
  EXPECT_EQ(tuk_gl_data(c)->context, nullptr) << "zeroed until mapped";
  EXPECT_EQ(tuk_gl_data(TukCanvas(nullptr)), nullptr);
  // methods are set by slot name; an unknown name fails with 1
  TukClass* mine = TukNewClass("MINE", "");
  EXPECT_EQ(TukClassSetMethod(mine, "POPUP", nullptr), TUK_NOERROR);
  EXPECT_EQ(TukClassSetMethod(mine, "GETDEFAULTATTR", mine->methods[TUK_METHOD_GETATTR]), TUK_NOERROR);
  EXPECT_EQ(TukClassSetMethod(mine, "REDRAW", nullptr), 1);
  EXPECT_EQ(TukClassSetMethod(mine, "map", nullptr), 1) << "slot names are exact";
  ASSERT_EQ(TukRegisterClass("mine", mine), TUK_NOERROR);
  TukHandle m = TukCreateControl("MINE", nullptr);
  EXPECT_EQ(attr(m, "TYPENAME"), "MINE");
  EXPECT_EQ(TukPopup(m, 0, 0), TUK_ERROR) << "no POPUP method: it cannot be popped up";
}

// Two canvases, each compiling display list 1 in its own context.
int draw_calls;
GLuint lists[2];
TukHandle canvases[2];

int draw_canvas(TukHandle self, double, double) {
  const int i = self == canvases[0] ? 0 : 1;
  TukGLMakeCurrent(self);
  if (lists[i] == 0) {
    lists[i] = glGenLists(1);
    glNewList(lists[i], GL_COMPILE);
    glClearColor(i == 0 ? 1.0f : 0.0f, i == 0 ? 0.0f : 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEndList();
  }
  glCallList(1);
  TukGLSwapBuffers(self);
  ++draw_calls;
  return TUK_DEFAULT;
}

TEST_F(GLCanvasTest, TwoCanvasesKeepSeparateContextsAndDisplayLists) {
  draw_calls = 0;
  lists[0] = lists[1] = 0;
  register_cb("draw_canvas", draw_canvas);
  canvases[0] = canvas("32x24", true);
  canvases[1] = canvas("40x20", true);
  for (TukHandle c : canvases) TukSetAttribute(c, "ACTION", "draw_canvas");
  TukShow(TukDialog(TukHbox(canvases[0], canvases[1], nullptr)));
  EXPECT_EQ(draw_calls, 2);
  // shared or missing contexts would number the second list 2, or draw both in one colour
  EXPECT_EQ(lists[0], 1u);
  EXPECT_EQ(lists[1], 1u);
  expect_filled(canvases[0], 32, 24, {255, 0, 0}, "first canvas");
  // the second canvas grows to the row's height (canvases expand by default)
  expect_filled(canvases[1], 40, 24, {0, 255, 0}, "second canvas");
  EXPECT_NE(tuk_gl_data(canvases[0])->context, tuk_gl_data(canvases[1])->context);

  // drawing goes to the canvas made current last
  TukGLMakeCurrent(canvases[0]);
  TukGLMakeCurrent(canvases[1]);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  TukGLSwapBuffers(canvases[1]);
  expect_filled(canvases[1], 40, 24, {0, 0, 255}, "second canvas redrawn");
  expect_filled(canvases[0], 32, 24, {255, 0, 0}, "first canvas untouched");
}

TEST_F(GLCanvasTest, OnlyASwapShowsADoubleBufferedFrame) {
  TukHandle c = canvas("16x8", true);
  TukShow(TukDialog(c));
  int w = 0, h = 0;
  EXPECT_EQ(TukHeadlessFrame(c, &w, &h), nullptr) << "never swapped";
  TukGLMakeCurrent(c);
  glClearColor(1, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  TukGLSwapBuffers(c);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);  // drawn, not swapped: the user still sees yellow
  expect_filled(c, 16, 8, {255, 255, 0}, "double buffer");
}

TEST_F(GLCanvasTest, SingleBufferShowsTheDrawingAndSwapChangesNothing) {
  TukHandle c = canvas("16x8", false);
  TukShow(TukDialog(c));
  TukGLMakeCurrent(c);
  glClearColor(0, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  expect_filled(c, 16, 8, {0, 255, 255}, "single buffer, before any swap");
  TukGLSwapBuffers(c);
  expect_filled(c, 16, 8, {0, 255, 255}, "single buffer, after a swap");
  EXPECT_EQ(tuk_gl_data(c)->format.double_buffer, 0);
}

TEST_F(GLCanvasTest, DrawPixelsGluAndRowOrder) {
  TukHandle c = canvas("20x10", true);
  TukShow(TukDialog(c));
  TukGLMakeCurrent(c);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, 20, 0, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // a 2 x 1 image at the bottom-left corner, then a GLU quadric disc in the top right
  const unsigned char two[6] = {255, 0, 0, 0, 0, 255};
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glRasterPos2i(0, 0);
  glDrawPixels(2, 1, GL_RGB, GL_UNSIGNED_BYTE, two);
  GLUquadric* q = gluNewQuadric();
  glColor3ub(0, 255, 0);
  glTranslatef(16, 7, 0);
  gluDisk(q, 0, 2, 16, 1);
  gluDeleteQuadric(q);
  TukGLSwapBuffers(c);
  int w = 0, h = 0;
  const unsigned char* frame = TukHeadlessFrame(c, &w, &h);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(pixel(frame, w, 0, 0), (Rgb{255, 0, 0})) << "row 0 is the bottom row";
  EXPECT_EQ(pixel(frame, w, 1, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(pixel(frame, w, 0, 9), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(frame, w, 16, 7), (Rgb{0, 255, 0}));
}

TEST_F(GLCanvasTest, DefaultResizeSetsTheViewportAndResizingKeepsTheContext) {
  TukHandle c = canvas("30x20", true);
  TukHandle dialog = TukDialog(c);
  TukShow(dialog);
  TukGLMakeCurrent(c);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 30);
  EXPECT_EQ(viewport[3], 20);
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glEndList();
  TukSetAttribute(c, "RASTERSIZE", "50x40");
  TukShow(dialog);
  TukGLMakeCurrent(c);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 50);
  EXPECT_EQ(viewport[3], 40);
  EXPECT_EQ(glIsList(list), GL_TRUE) << "a resize keeps the context and its lists";
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  TukGLSwapBuffers(c);
  expect_filled(c, 50, 40, {255, 0, 255}, "resized frame");
}

TEST_F(GLCanvasTest, NoContextIsCurrentBeforeMapping) {
  TukHandle mapped = canvas("8x8", true);
  TukShow(TukDialog(mapped));
  TukGLMakeCurrent(mapped);
  ASSERT_NE(glGetString(GL_VERSION), nullptr);
  TukHandle fresh = TukGLCanvas(nullptr);
  TukGLMakeCurrent(fresh);
  EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "the unmapped canvas leaves no context current";
  // a plain canvas has no record: both calls do nothing
  TukGLMakeCurrent(TukCanvas(nullptr));
  TukGLSwapBuffers(TukCanvas(nullptr));
  TukGLSwapBuffers(fresh);
}

TEST_F(GLCanvasTest, AttributesBecomeThePixelFormat) {
  TukHandle c = canvas("8x8", true);
  TukSetAttribute(c, "DEPTH_SIZE", "0");
  TukSetAttribute(c, "RED_SIZE", "8");
  TukSetAttribute(c, "GREEN_SIZE", "8");
  TukSetAttribute(c, "BLUE_SIZE", "8");
  TukSetAttribute(c, "ALPHA_SIZE", "8");
  TukSetAttribute(c, "ACCUM_RED_SIZE", "200");
  TukSetAttribute(c, "ACCUM_GREEN_SIZE", "100");
  TukSetAttribute(c, "STEREO", "yes");  // compared byte by byte: not "YES"
  TukHandle index = canvas("8x8", false);
  TukSetAttribute(index, "COLOR", "INDEX");
  TukShow(TukDialog(TukHbox(c, index, nullptr)));
  const TukGLFormat& f = tuk_gl_data(c)->format;
  EXPECT_EQ(f.depth_bits, 16) << "DEPTH_SIZE 0 keeps the default";
  EXPECT_EQ(f.red_shift, 0);
  EXPECT_EQ(f.green_shift, 8);
  EXPECT_EQ(f.blue_shift, 16);
  EXPECT_EQ(f.alpha_shift, 24);
  EXPECT_EQ(f.accum_bits, 255) << "the 8-bit total saturates";
  EXPECT_EQ(f.stereo, 0);
  EXPECT_EQ(f.color_bits, 24);
  EXPECT_EQ(tuk_gl_data(c)->palette_size, 0);
  TukGLMakeCurrent(c);
  GLint depth = 0, alpha = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  glGetIntegerv(GL_ALPHA_BITS, &alpha);
  EXPECT_GE(depth, 16);
  EXPECT_GE(alpha, 8);
  // colour-index mode with no BUFFER_SIZE: 8 bits and a 256-entry palette
  EXPECT_EQ(tuk_gl_data(index)->format.color_index, 1);
  EXPECT_EQ(tuk_gl_data(index)->format.color_bits, 8);
  EXPECT_EQ(tuk_gl_data(index)->palette_size, 256);
}

TEST_F(GLCanvasTest, ImpossibleFormatReportsAndTheInterfaceGoesOn) {
  TukHandle c = canvas("8x8", true);
  TukSetAttribute(c, "DEPTH_SIZE", "1000");
  TukHandle button = TukButton("Ok", nullptr);
  TukHandle dialog = TukDialog(TukVbox(c, button, nullptr));
  testing::internal::CaptureStderr();
  EXPECT_EQ(TukShow(dialog), TUK_NOERROR);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "No appropriate pixel format\n");
  EXPECT_EQ(tuk_gl_data(c)->context, nullptr);
  int w = 0, h = 0;
  EXPECT_EQ(TukHeadlessFrame(c, &w, &h), nullptr);
  TukGLMakeCurrent(c);
  TukGLSwapBuffers(c);
  EXPECT_EQ(attr(button, "VISIBLE"), "YES");
  TukDestroy(dialog);
}

}  // namespace
