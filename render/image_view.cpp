// The image view, its two kinds of point marks and the magnifier; the camera overlays are in
// pitch.cpp.
#include "render/image_view.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/app_state.h"
#include "geometry/view_transform.h"
#include "render/canvas_dialog.h"
#include "render/pitch.h"
#include "toolkit/tuk_gl.h"

namespace {

constexpr int kMarkHalf = 5;  // pixels from a mark's centre to the end of its arms

// the magnifier: its distance from the canvas's edges, and the strip under it with the readout
constexpr int kMagnifierMargin = 6;
constexpr int kGlyphColumns = 3, kGlyphRows = 5;

int view_zoom() {
  const int z = appState.zoom;
  return z >= 8 ? 8 : z >= 4 ? 4 : z >= 2 ? 2 : 1;
}

int view_height() { return appState.viewHeight > 0 ? appState.viewHeight : appState.imageHeight; }

// rounds towards minus infinity, so that positions left of or below the canvas stay outside
int floor_div(int a, int b) {
  const long long q = a >= 0 ? a / b : -((-static_cast<long long>(a) + b - 1) / b);
  return static_cast<int>(q);
}

// the magnifier's readout: digits and the comma, 3 x 5, the top row first, bit 4 the left column
constexpr unsigned char kDigitGlyphs[10][kGlyphRows] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};
constexpr unsigned char kCommaGlyph[kGlyphRows] = {0, 0, 0, 2, 4};

int digit_scale(int magnifierScale) { return magnifierScale >= 8 ? 2 : 1; }
int strip_height(int magnifierScale) { return (kGlyphRows + 2) * digit_scale(magnifierScale); }

void fill_rect(int x0, int y0, int x1, int y1) {
  glVertex2i(x0, y0);
  glVertex2i(x1, y0);
  glVertex2i(x1, y1);
  glVertex2i(x0, y1);
}

// the ring between the rectangle and the same grown by t on every side
void ring(int x0, int y0, int x1, int y1, int t) {
  fill_rect(x0 - t, y0 - t, x1 + t, y0);
  fill_rect(x0 - t, y1, x1 + t, y1 + t);
  fill_rect(x0 - t, y0, x0, y1);
  fill_rect(x1, y0, x1 + t, y1);
}

// Text of digits, commas and blanks with its lower-left corner at (x, y), in quads of ds pixels.
void draw_readout(int x, int y, const char* text, int ds) {
  for (const char* c = text; *c; ++c, x += (kGlyphColumns + 1) * ds) {
    const unsigned char* glyph = nullptr;
    if (*c >= '0' && *c <= '9') glyph = kDigitGlyphs[*c - '0'];
    else if (*c == ',') glyph = kCommaGlyph;
    if (!glyph) continue;
    for (int r = 0; r < kGlyphRows; ++r)
      for (int k = 0; k < kGlyphColumns; ++k)
        if (glyph[r] & (4 >> k)) {
          const int gx = x + k * ds, gy = y + (kGlyphRows - 1 - r) * ds;
          fill_rect(gx, gy, gx + ds, gy + ds);
        }
  }
}

// The dialogs' colour, on which a picture narrower than its canvas sits.
void clear_to_background() {
  int r = 192, g = 192, b = 192;
  const char* colour = TukGetGlobal("DLGBGCOLOR");
  if (!colour || std::sscanf(colour, "%d %d %d", &r, &g, &b) != 3) r = g = b = 192;
  glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

// Set-up shared by the two mark overlays: canvas pixels, origin at the lower left. The line
// state stays on afterwards (the parallels and distance overlays draw with whatever is left).
void begin_marks() {
  GLint vp[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, vp);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  // image pixels, as the camera overlays place them (load_image_projection), at the pan and zoom
  double window[4];
  image_view_window(vp, appState.panX, appState.panY, view_zoom(), window);
  glOrtho(window[0], window[1], window[2], window[3], -1.0, 1.0);
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

int image_resize_cb(TukHandle self, int width, int height) {
  if (TukCallback own = TukGetFunction("defresize"))
    reinterpret_cast<TukSizeCallback>(own)(self, width, height);
  appState.viewWidth = width;
  appState.viewHeight = height;
  clamp_pan();
  return TUK_DEFAULT;
}

void redraw_image_view() {
  if (!appState.imageLoaded) return;
  TukGLMakeCurrent(appState.imageCanvas);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  clear_to_background();
  draw_image();
  if (appState.showFieldLines) draw_field_lines_overlay();
  if (appState.showRefPoints) draw_reference_marks();
  if (appState.showObjPoints) draw_object_marks();
  if (appState.showParallels) draw_parallels_overlay();
  if (appState.showPointDistance) draw_point_distance_overlay();
  draw_magnifier();
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
    // the part under the canvas is picked out of the buffer by the pixel store, not copied,
    // and magnified by the pixel zoom: each image pixel a block of zoom x zoom
    const int z = view_zoom();
    const int w = appState.imageWidth - appState.panX;
    const int h = appState.imageHeight - appState.panY;
    const int shownW = (vp[2] + z - 1) / z, shownH = (vp[3] + z - 1) / z;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, appState.imageWidth);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, appState.panX);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, appState.panY);
    glPixelZoom(static_cast<float>(z), static_cast<float>(z));
    glDrawPixels(shownW > 0 && shownW < w ? shownW : w, shownH > 0 && shownH < h ? shownH : h,
                 GL_RGB, GL_UNSIGNED_BYTE, appState.imageRgb.data());
    glPixelZoom(1.0f, 1.0f);
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

void draw_magnifier() {
  if (!magnifier_mode() || appState.pointerX < 0 || appState.pointerY < 0) return;
  const long long pixels = static_cast<long long>(appState.imageWidth) * appState.imageHeight;
  if (appState.imageWidth <= 0 || appState.imageHeight <= 0 ||
      static_cast<long long>(appState.imageRgb.size()) < pixels * 3)
    return;
  int col = 0, row = 0;
  if (!image_pixel_at(appState.pointerX, appState.pointerY, &col, &row)) return;
  GLint vp[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, vp);
  MagnifierPlace at;
  if (!magnifier_place(appState.pointerX, appState.pointerY, vp[2], vp[3], &at)) return;

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, vp[2], 0.0, vp[3], -1.0, 1.0);  // canvas pixels from the lower-left corner
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_BLEND);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);

  const int strip = strip_height(at.scale);
  const int x1 = at.x + at.side, y1 = at.y + at.side;
  glBegin(GL_QUADS);
  glColor3ub(32, 32, 32);  // beyond the picture's edge, and the readout's ground
  fill_rect(at.x, at.y - strip, x1, y1);
  glColor3ub(0, 0, 0);
  ring(at.x, at.y - strip, x1, y1, 1);
  glEnd();

  // the pixels around the pointer's, clipped to the picture, magnified in place
  const int half = MAGNIFIER_SPAN / 2;
  const int c0 = std::max(0, col - half), r0 = std::max(0, row - half);
  const int c1 = std::min(appState.imageWidth, col + half + 1);
  const int r1 = std::min(appState.imageHeight, row + half + 1);
  glRasterPos2i(at.x + (c0 - (col - half)) * at.scale, at.y + (r0 - (row - half)) * at.scale);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, appState.imageWidth);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, c0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, r0);
  glPixelZoom(static_cast<float>(at.scale), static_cast<float>(at.scale));
  glDrawPixels(c1 - c0, r1 - r0, GL_RGB, GL_UNSIGNED_BYTE, appState.imageRgb.data());
  glPixelZoom(1.0f, 1.0f);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);

  // the pointer's pixel: a white and a black ring outside it, so that its own colour shows whole
  const int px = at.x + half * at.scale, py = at.y + half * at.scale;
  char text[32];
  std::snprintf(text, sizeof text, "%d, %d", col, row);
  glBegin(GL_QUADS);
  glColor3ub(255, 255, 255);
  ring(px, py, px + at.scale, py + at.scale, 1);
  glColor3ub(0, 0, 0);
  ring(px - 1, py - 1, px + at.scale + 1, py + at.scale + 1, 1);
  glColor3ub(255, 255, 255);
  const int ds = digit_scale(at.scale);
  draw_readout(at.x + 2 * ds, at.y - strip + ds, text, ds);
  glEnd();

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

bool magnifier_mode() {
  const int m = appState.interactionMode;
  return m == MODE_ADD_REFERENCE || m == MODE_POINT_DISTANCE || m == MODE_PARALLEL_DISTANCE;
}

int magnifier_place(int x, int y, int width, int height, MagnifierPlace* out) {
  *out = MagnifierPlace{};
  // the larger magnification where the canvas has room for two squares each way
  const auto needs = [](int scale) { return MAGNIFIER_SPAN * scale + strip_height(scale) + 2 * kMagnifierMargin; };
  const int scale = std::min(width, height) >= 2 * needs(8) ? 8 : 4;
  const int side = MAGNIFIER_SPAN * scale;
  if (width < side + 2 * kMagnifierMargin || height < needs(scale)) return 0;
  const int fromBottom = height - 1 - y;
  out->scale = scale;
  out->side = side;
  out->x = x < width / 2 ? width - kMagnifierMargin - side : kMagnifierMargin;
  out->y = fromBottom < height / 2 ? height - kMagnifierMargin - side
                                   : kMagnifierMargin + strip_height(scale);
  return 1;
}

int image_pixel_at(int x, int y, int* col, int* row) {
  const int z = view_zoom();
  const int fromBottom = view_height() - 1 - y;
  *col = appState.panX + floor_div(x, z);
  *row = appState.panY + floor_div(fromBottom, z);
  const bool onCanvas = x >= 0 && y >= 0 && fromBottom >= 0 &&
                        (appState.viewWidth <= 0 || x < appState.viewWidth);
  return onCanvas && *col >= 0 && *row >= 0 && *col < appState.imageWidth &&
                 *row < appState.imageHeight
             ? 1
             : 0;
}

int visible_columns() {
  const int z = view_zoom();
  if (appState.viewWidth <= 0) return appState.imageWidth;
  return std::min(appState.imageWidth, (appState.viewWidth + z - 1) / z);
}

int visible_rows() {
  const int z = view_zoom();
  if (appState.viewHeight <= 0) return appState.imageHeight;
  return std::min(appState.imageHeight, (appState.viewHeight + z - 1) / z);
}

void clamp_pan() {
  const int maxX = appState.imageWidth - visible_columns();
  const int maxY = appState.imageHeight - visible_rows();
  appState.panX = std::max(0, std::min(appState.panX, maxX));
  appState.panY = std::max(0, std::min(appState.panY, maxY));
}

void set_image_pan(int x, int y) {
  appState.panX = x;
  appState.panY = y;
  clamp_pan();
  TukHandle c = appState.imageCanvas;
  if (c && TukGetBool(c, "SCROLLBAR") == 1) {
    // the bars count image pixels from the top-left corner, the offsets from the bottom-left;
    // the part shown shrinks as the zoom grows
    char pos[24];
    std::snprintf(pos, sizeof pos, "%d", visible_columns());
    TukStoreAttribute(c, "DX", pos);
    std::snprintf(pos, sizeof pos, "%d", visible_rows());
    TukStoreAttribute(c, "DY", pos);
    std::snprintf(pos, sizeof pos, "%d", appState.panX);
    TukStoreAttribute(c, "POSX", pos);
    std::snprintf(pos, sizeof pos, "%d", appState.imageHeight - visible_rows() - appState.panY);
    TukStoreAttribute(c, "POSY", pos);
  }
  redraw_image_view();
}

void set_image_zoom(int zoom, int x, int y) {
  const int before = view_zoom();
  // the image point under (x, y), pixel centres at halves, is kept under it
  const double ax = appState.panX + (x + 0.5) / before;
  const double ay = appState.panY + (view_height() - y - 0.5) / before;
  appState.zoom = zoom;
  const int after = view_zoom();
  appState.zoom = after;
  // the canvas's top-left corner stays put when the bars come or go: (x, y) is the same place
  zoom_scroll_bars();
  set_image_pan(static_cast<int>(std::floor(ax - (x + 0.5) / after + 0.5)),
                static_cast<int>(std::floor(ay - (view_height() - y - 0.5) / after + 0.5)));
}

namespace {

// The drawing area as the layout left it, into viewWidth and viewHeight.
void read_view_size(TukHandle c) {
  int w = 0, h = 0;
  const char* drawn = TukGetAttribute(c, "DRAWSIZE");
  if (drawn && std::sscanf(drawn, "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
    appState.viewWidth = w;
    appState.viewHeight = h;
  }
}

}  // namespace

void zoom_scroll_bars() {
  AppState& s = appState;
  TukHandle c = s.imageCanvas;
  if (!c || s.imageWidth <= 0 || s.imageHeight <= 0) return;
  const bool want = view_zoom() > 1;
  if (want == (s.zoomBars != 0) || (want && TukGetBool(c, "SCROLLBAR") == 1)) return;
  char text[48];
  if (want) {
    // the bars take their room out of the drawing area, so the window keeps its size
    int plainW = 0, plainH = 0, barredW = 0, barredH = 0;
    TukNaturalSize(c, &plainW, &plainH);
    TukStoreAttribute(c, "SCROLLBAR", "YES");
    TukNaturalSize(c, &barredW, &barredH);
    std::snprintf(text, sizeof text, "%dx%d", std::max(1, plainW - (barredW - plainW)),
                  std::max(1, plainH - (barredH - plainH)));
    TukStoreAttribute(c, "RASTERSIZE", text);
    std::snprintf(text, sizeof text, "%d", s.imageWidth);
    TukStoreAttribute(c, "XMAX", text);
    std::snprintf(text, sizeof text, "%d", s.imageHeight);
    TukStoreAttribute(c, "YMAX", text);
    s.zoomBars = 1;
  } else {
    TukStoreAttribute(c, "SCROLLBAR", "NO");
    std::snprintf(text, sizeof text, "%dx%d", s.imageWidth, s.imageHeight);
    TukStoreAttribute(c, "RASTERSIZE", text);
    s.zoomBars = 0;
  }
  if (TukRefresh(c) == TUK_NOERROR) read_view_size(c);
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
  // a new picture is first shown unmagnified from its top-left corner
  s.zoom = 1;
  s.zoomBars = 0;
  TukStoreAttribute(c, "POSX", "0");
  TukStoreAttribute(c, "POSY", "0");
  // the canvas takes the width of a menu bar wider than the picture
  if (TukRefresh(c) == TUK_NOERROR) read_view_size(c);
  s.panX = 0;
  s.panY = h - s.viewHeight;
  clamp_pan();
}

TukHandle open_image_canvas(int width, int height) {
  TukHandle canvas = nullptr;
  TukShow(make_canvas_dialog(width, height, "redraw_cb", "Varnesk", &canvas));
  appState.imageCanvas = canvas;
  appState.viewWidth = width;
  appState.viewHeight = height;
  appState.panX = appState.panY = 0;
  appState.zoom = 1;
  appState.zoomBars = 0;
  return canvas;
}
