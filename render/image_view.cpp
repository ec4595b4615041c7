// The image view and its two kinds of point marks; the camera overlays are in pitch.cpp.
#include "render/image_view.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "app/app_state.h"
#include "render/canvas_dialog.h"
#include "render/pitch.h"
#include "toolkit/tuk_gl.h"

namespace {

constexpr int kMarkHalf = 5;  // pixels from a mark's centre to the end of its arms

// Set-up shared by the two mark overlays: canvas pixels, origin at the lower left. The line
// state stays on afterwards (the parallels and distance overlays draw with whatever is left).
void begin_marks() {
  GLint vp[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, vp);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  // image pixels: the canvas's lower-left corner is the image pixel (panX, panY)
  const double px = appState.panX, py = appState.panY;
  glOrtho(px + vp[0], px + vp[2], py + vp[1], py + vp[3], -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glLineWidth(2.0f);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
  glBegin(GL_LINES);
}

void end_marks() {
  glEnd();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void upright_cross(int x, int y) {
  glVertex2i(x - kMarkHalf, y);
  glVertex2i(x + kMarkHalf, y);
  glVertex2i(x, y - kMarkHalf);
  glVertex2i(x, y + kMarkHalf);
}

// a colour index from a state record may be anything; only the table's entries have a colour
const unsigned char* team_colour(int index) {
  if (index < 0 || index > TEAM_COLOR_REFEREE) index = 0;
  return teamColorRgb[index];
}

// counts are checked against the arrays, since a count of a damaged record has no slots beyond them
int bounded(int count, int capacity) { return count < 0 ? 0 : (count > capacity ? capacity : count); }

}  // namespace

int redraw_cb(TukHandle, double, double) {
  redraw_image_view();
  return TUK_DEFAULT;
}

void redraw_image_view() {
  if (!appState.imageLoaded) return;
  TukGLMakeCurrent(appState.imageCanvas);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  draw_image();
  if (appState.showFieldLines) draw_field_lines_overlay();
  if (appState.showRefPoints) draw_reference_marks();
  if (appState.showObjPoints) draw_object_marks();
  if (appState.showParallels) draw_parallels_overlay();
  if (appState.showPointDistance) draw_point_distance_overlay();
  TukGLSwapBuffers(appState.imageCanvas);
}

void draw_image() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glRasterPos2i(0, 0);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const long long pixels = static_cast<long long>(appState.imageWidth) * appState.imageHeight;
  // only a buffer that holds the whole picture is sent; the sizes and the buffer change together
  if (appState.imageWidth > 0 && appState.imageHeight > 0 &&
      static_cast<long long>(appState.imageRgb.size()) >= pixels * 3) {
    clamp_pan();
    GLint vp[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, vp);
    // the part under the canvas is picked out of the buffer by the pixel store, not copied
    const int w = appState.imageWidth - appState.panX;
    const int h = appState.imageHeight - appState.panY;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, appState.imageWidth);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, appState.panX);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, appState.panY);
    glDrawPixels(vp[2] > 0 && vp[2] < w ? vp[2] : w, vp[3] > 0 && vp[3] < h ? vp[3] : h, GL_RGB,
                 GL_UNSIGNED_BYTE, appState.imageRgb.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void draw_reference_marks() {
  begin_marks();
  // each cross tells how well its point agrees with the camera: yellow, orange, red
  static const unsigned char kGradeRgb[3][3] = {{255, 255, 0}, {255, 140, 0}, {255, 0, 0}};
  const bool graded = appState.cameraCurrent && appState.residuals.count == appState.refCount;
  const int n = bounded(appState.refCount, MAX_REFERENCE_POINTS);
  for (int i = 0; i < n; ++i) {
    glColor3ubv(kGradeRgb[graded ? residual_grade(appState.residuals, i) : RESIDUAL_GOOD]);
    const int x = appState.refImageX[i];
    const int y = appState.refImageY[i];
    glVertex2i(x - kMarkHalf, y - kMarkHalf);
    glVertex2i(x + kMarkHalf, y + kMarkHalf);
    glVertex2i(x - kMarkHalf, y + kMarkHalf);
    glVertex2i(x + kMarkHalf, y - kMarkHalf);
  }
  end_marks();
}

void draw_object_marks() {
  begin_marks();
  glColor3ubv(team_colour(appState.teamAColor));
  for (int i = 0; i < bounded(appState.teamACount, MAX_TEAM_PLAYERS); ++i)
    upright_cross(appState.teamAImageX[i], appState.teamAImageY[i]);
  glColor3ubv(team_colour(appState.teamBColor));
  for (int i = 0; i < bounded(appState.teamBCount, MAX_TEAM_PLAYERS); ++i)
    upright_cross(appState.teamBImageX[i], appState.teamBImageY[i]);
  if (appState.ballPresent) {
    glColor3ub(196, 196, 196);
    upright_cross(appState.ballImageX, appState.ballImageY);
  }
  if (appState.refereePresent) {
    glColor3ub(0, 0, 0);
    upright_cross(appState.refereeImageX, appState.refereeImageY);
  }
  end_marks();
}

void clamp_pan() {
  const int maxX = appState.viewWidth > 0 ? appState.imageWidth - appState.viewWidth : 0;
  const int maxY = appState.viewHeight > 0 ? appState.imageHeight - appState.viewHeight : 0;
  appState.panX = std::max(0, std::min(appState.panX, maxX));
  appState.panY = std::max(0, std::min(appState.panY, maxY));
}

void set_image_pan(int x, int y) {
  appState.panX = x;
  appState.panY = y;
  clamp_pan();
  TukHandle c = appState.imageCanvas;
  if (c && TukGetBool(c, "SCROLLBAR") == 1) {
    // the bars count from the top-left corner, the offsets from the bottom-left
    char pos[24];
    std::snprintf(pos, sizeof pos, "%d", appState.panX);
    TukStoreAttribute(c, "POSX", pos);
    std::snprintf(pos, sizeof pos, "%d", appState.imageHeight - appState.viewHeight - appState.panY);
    TukStoreAttribute(c, "POSY", pos);
  }
  redraw_image_view();
}

void fit_image_canvas() {
  AppState& s = appState;
  TukHandle c = s.imageCanvas;
  const int w = s.imageWidth, h = s.imageHeight;
  if (!c || w <= 0 || h <= 0) return;
  char text[48];
  std::snprintf(text, sizeof text, "%dx%d", w, h);
  TukStoreAttribute(c, "SCROLLBAR", "NO");
  TukStoreAttribute(c, "RASTERSIZE", text);
  int screenW = 0, screenH = 0;
  const char* screen = TukGetGlobal("SCREENSIZE");
  if (!screen || std::sscanf(screen, "%dx%d", &screenW, &screenH) != 2) screenW = screenH = 0;
  // the room the window's frame, title, menu bar and boxes leave the canvas on the screen
  int dialogW = 0, dialogH = 0, canvasW = 0, canvasH = 0;
  TukNaturalSize(TukGetDialog(c), &dialogW, &dialogH);
  TukNaturalSize(c, &canvasW, &canvasH);
  const int roomW = screenW - (dialogW - canvasW);
  const int roomH = screenH - (dialogH - canvasH);
  s.viewWidth = w;
  s.viewHeight = h;
  if (screenW > 0 && screenH > 0 && (w > roomW || h > roomH)) {
    TukStoreAttribute(c, "SCROLLBAR", "YES");
    TukNaturalSize(c, &canvasW, &canvasH);
    s.viewWidth = std::max(1, std::min(w, roomW - (canvasW - w)));
    s.viewHeight = std::max(1, std::min(h, roomH - (canvasH - h)));
    std::snprintf(text, sizeof text, "%dx%d", s.viewWidth, s.viewHeight);
    TukStoreAttribute(c, "RASTERSIZE", text);
    std::snprintf(text, sizeof text, "%d", w);
    TukStoreAttribute(c, "XMAX", text);
    std::snprintf(text, sizeof text, "%d", s.viewWidth);
    TukStoreAttribute(c, "DX", text);
    std::snprintf(text, sizeof text, "%d", h);
    TukStoreAttribute(c, "YMAX", text);
    std::snprintf(text, sizeof text, "%d", s.viewHeight);
    TukStoreAttribute(c, "DY", text);
  }
  // a new picture is first shown from its top-left corner
  s.panX = 0;
  s.panY = h - s.viewHeight;
  clamp_pan();
  TukStoreAttribute(c, "POSX", "0");
  TukStoreAttribute(c, "POSY", "0");
  TukRefresh(c);
}

TukHandle open_image_canvas(int width, int height) {
  TukHandle canvas = nullptr;
  TukShow(make_canvas_dialog(width, height, "redraw_cb", "Varnesk", &canvas));
  appState.imageCanvas = canvas;
  appState.viewWidth = width;
  appState.viewHeight = height;
  appState.panX = appState.panY = 0;
  return canvas;
}
