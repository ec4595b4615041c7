// The image view read back from its canvas: the picture pixel for pixel, the marks, and the
// camera overlays on the demo scene checked against the camera that took the photograph.
#include <GL/glu.h>

#include "data/demo/demo_truth.h"
#include "geometry/geometry.h"
#include "geometry/view_transform.h"
#include "render/pitch.h"
#include "render_fixture.h"

namespace {

using ImageView = GLSceneTest;

// The pixel (row from the bottom) where the true camera sees a point.
void true_pixel(double X, double Y, double Z, int* x, int* y) {
  double u, v;
  demo_project(kDemoCamera, X, Y, Z, &u, &v);
  *x = demo_pixel(u);
  *y = demo_pixel(v);
}

TEST_F(ImageView, FrameSwappedWithoutAnImageOrBufferReadPastItsEnd) {
  plain_image(64, 48, {10, 20, 30});
  appState.imageLoaded = 0;
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = 1;
  redraw_image_view();
  int w = 0, h = 0;
  EXPECT_EQ(TukHeadlessFrame(canvas, &w, &h), nullptr) << "a frame was swapped without an image";
  appState.imageLoaded = 1;
  appState.imageRgb.resize(10);  // a record whose size and buffer disagree
  redraw();
  EXPECT_FALSE(is_exactly(frame.at(5, 5), 10, 20, 30));
}

TEST_F(ImageView, PictureRowsFlippedOrShifted) {
  plain_image(640, 480, {0, 0, 0});
  // every pixel tells where it is: r = column, g = row, b = row / 2
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      unsigned char* p = &appState.imageRgb[(static_cast<size_t>(y) * 640 + x) * 3];
      p[0] = static_cast<unsigned char>(x & 255), p[1] = static_cast<unsigned char>(y & 255);
      p[2] = static_cast<unsigned char>(y >> 1);
    }
  // no points and no camera: with every switch on the view shows the image alone
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = 1;
  appState.showParallels = appState.showPointDistance = 1;
  redraw();
  ASSERT_EQ(frame.w, 640);
  ASSERT_EQ(frame.h, 480);
  EXPECT_EQ(frame.rgb, appState.imageRgb);
}

TEST_F(ImageView, SmallerPictureNotAtTheLowerLeftCorner) {
  plain_image(100, 50, {200, 40, 40}, 160, 120);
  redraw();
  EXPECT_TRUE(is_exactly(frame.at(0, 0), 200, 40, 40));
  EXPECT_TRUE(is_exactly(frame.at(99, 49), 200, 40, 40));
  EXPECT_FALSE(is_exactly(frame.at(100, 0), 200, 40, 40));
  EXPECT_FALSE(is_exactly(frame.at(0, 50), 200, 40, 40));
}

TEST_F(ImageView, MarkOfWrongShapeColourOrRow) {
  plain_image(300, 480, {255, 255, 255});
  AppState& s = appState;
  s.refCount = 2;
  s.refImageX[0] = 260, s.refImageY[0] = 40;
  s.refImageX[1] = 0, s.refImageY[1] = 0;        // at the corner only the part inside shows
  s.refImageX[2] = 150, s.refImageY[2] = 300;    // the pending slot at refCount is no point
  s.teamACount = 1000;                           // a damaged count: only the slots that exist
  for (int i = 1; i < MAX_TEAM_PLAYERS; ++i) s.teamAImageX[i] = s.teamAImageY[i] = -50;
  s.teamAImageX[0] = 30, s.teamAImageY[0] = 50;
  s.teamBCount = 1, s.teamBImageX[0] = 90, s.teamBImageY[0] = 50;
  s.ballPresent = 1, s.ballImageX = 150, s.ballImageY = 50;
  s.refereePresent = 1, s.refereeImageX = 210, s.refereeImageY = 479;  // a click on canvas row 0
  s.showRefPoints = s.showObjPoints = 1;
  redraw();
  const Frame& f = frame;
  EXPECT_TRUE(f.near(260 + 3, 40 + 3, 1, is_yellow)) << "reference cross: arm to the upper right";
  EXPECT_TRUE(f.near(260 - 3, 40 + 3, 1, is_yellow)) << "arm to the upper left";
  EXPECT_FALSE(f.near(260 + 4, 40, 0, is_yellow)) << "a diagonal cross has no horizontal arm";
  EXPECT_FALSE(f.near(260, 40 + 12, 2, is_yellow)) << "arms end 5 pixels from the centre";
  EXPECT_TRUE(f.near(3, 3, 1, is_yellow));
  EXPECT_FALSE(f.near(150, 300, 4, is_yellow));
  // the centre of an upright cross is covered by both arms: the colour is exact there
  EXPECT_TRUE(is_exactly(f.at(30, 50), 255, 0, 0)) << "team A starts red";
  EXPECT_TRUE(is_exactly(f.at(30, 53), 255, 0, 0)) << "vertical arm";
  EXPECT_TRUE(is_exactly(f.at(33, 50), 255, 0, 0)) << "horizontal arm";
  EXPECT_TRUE(is_exactly(f.at(33, 53), 255, 255, 255)) << "no diagonal";
  EXPECT_TRUE(is_exactly(f.at(90, 50), 0, 0, 255)) << "team B starts blue";
  EXPECT_TRUE(is_exactly(f.at(150, 50), 196, 196, 196)) << "the ball's grey is not the list's 192";
  EXPECT_TRUE(is_exactly(f.at(210, 479), 0, 0, 0)) << "the referee on the top row";
  EXPECT_TRUE(is_exactly(f.at(210, 476), 0, 0, 0));
  s.teamAColor = 3;  // "Yellow"
  redraw();
  EXPECT_TRUE(is_exactly(frame.at(30, 50), 255, 255, 0));
}

TEST_F(ImageView, FieldLinesOffThePhotographsLinesOrMarks) {
  demo_scene();
  appState.showFieldLines = 1;
  redraw();
  const Frame lines = frame;
  // points along lines of the pitch, projected by the true camera, not through the calibration
  const double onLines[][2] = {{8.0, 13.84}, {16.5, 20.0}, {16.5, 48.0}, {10.0, 54.16}, {3.0, 24.84}, {5.5, 34.0},
                               {0.0, 20.0},  {0.0, 50.0},  {25.0, 0.0},  {30.0, 68.0},  {11.0, 34.0}, {20.15, 34.0}};
  int x, y;
  for (const auto& p : onLines) {
    true_pixel(p[0], p[1], 0.0, &x, &y);
    EXPECT_TRUE(lines.near(x, y, 2, is_red)) << "no red line at (" << p[0] << ", " << p[1] << ")";
  }
  true_pixel(9.0, 40.0, 0.0, &x, &y);
  EXPECT_FALSE(lines.near(x, y, 3, is_red)) << "inside the penalty area";
  true_pixel(0.0, 34.0, 2.44, &x, &y);
  EXPECT_FALSE(lines.near(x, y, 1, is_red)) << "the overlay draws no goal frame";
  // the marks cover the lines at their centres: lines and marks are looked for in two frames
  appState.showRefPoints = 1;
  redraw();
  int ground = 0;
  for (int i = 0; i < appState.refCount; ++i) {
    if (appState.refWorldZ[i] != 0.0) continue;
    ++ground;
    const int mx = appState.refImageX[i], my = appState.refImageY[i];
    EXPECT_TRUE(lines.near(mx, my, 2, is_red)) << "no line through landmark " << i;
    EXPECT_TRUE(frame.near(mx, my, 1, is_yellow)) << "no mark at landmark " << i;
  }
  EXPECT_GE(ground, 8);
}

TEST_F(ImageView, CameraOverlayFromThreeReferencePoints) {
  demo_scene();
  blank_photo();
  appState.refCount = 3;  // four ground landmarks would already fix the broadcast camera
  appState.showFieldLines = appState.showParallels = appState.showPointDistance = appState.showRefPoints = 1;
  appState.measureClicks = 2;
  redraw();
  EXPECT_EQ(frame.count(is_red), 0);
  EXPECT_EQ(frame.count(is_cyan), 0);
  EXPECT_GT(frame.count(is_yellow), 0) << "the marks are still drawn";
}

TEST_F(ImageView, MeasureLinesMissTheirClicks) {
  demo_scene();
  AppState& s = appState;
  const int ax = s.teamAImageX[0], ay = s.teamAImageY[0];  // the offside attacker's feet
  const int bx = s.teamBImageX[0], by = s.teamBImageY[0];  // the second-last defender's
  blank_photo();
  s.showParallels = 1;
  s.measureX1 = ax, s.measureY1 = ay, s.measureClicks = 1;
  redraw();
  int x, y;
  true_pixel(kDemoFigures[0].x, 5.0, 0.0, &x, &y);  // across the pitch at the attacker's X
  EXPECT_TRUE(frame.near(ax, ay, 2, is_cyan));
  EXPECT_TRUE(frame.near(x, y, 3, is_cyan));
  EXPECT_EQ(frame.count(is_light_yellow), 0) << "one line after the first click";
  s.measureX2 = bx, s.measureY2 = by, s.measureClicks = 2;
  redraw();
  true_pixel(kDemoFigures[1].x, 60.0, 0.0, &x, &y);
  EXPECT_TRUE(frame.near(ax, ay, 2, is_cyan));
  EXPECT_TRUE(frame.near(bx, by, 2, is_light_yellow));
  EXPECT_TRUE(frame.near(x, y, 3, is_light_yellow));
  s.showParallels = 0;
  redraw();
  EXPECT_EQ(frame.count(is_cyan), 0) << "the lines go with the switch";
  // the distance between two points: two crosses and the segment between them
  s.showPointDistance = 1;
  s.measureX1 = 300, s.measureY1 = 150, s.measureX2 = 420, s.measureY2 = 120;
  redraw();
  EXPECT_TRUE(frame.near(360, 135, 2, [](Pixel p) { return p.r > 200 && p.g > 90 && p.g < 170 && p.b > 200; }));
  EXPECT_TRUE(frame.near(300, 150, 2, is_cyan));
  EXPECT_TRUE(frame.near(420, 120, 2, is_light_yellow));
}

TEST(Pitch, PenaltyArcEndsOffThePenaltyAreaLine) {
  double a[CENTRE_CIRCLE_VERTICES];
  for (int which = 1; which <= 2; ++which) {
    const int n = pitch_arc_angles(which, a);
    ASSERT_GT(n, 1);
    for (const int end : {0, n - 1}) {
      // the 3.1415 factor moves the far end of the right arc (233.05 degrees) by 1.1 mm
      EXPECT_NEAR((which == 1 ? 11.0 : 94.0) + 9.15 * std::cos(a[end] * DEG_TO_RAD), which == 1 ? 16.5 : 88.5, 0.0012)
          << "arc " << which << " end " << end;
      EXPECT_NEAR(std::fabs(9.15 * std::sin(a[end] * DEG_TO_RAD)), 7.312, 0.001);
    }
  }
}

TEST_F(ImageView, SceneProjectionTakesTheImagesAspectOrAnotherFieldOfView) {
  demo_scene();
  TukHandle wide = TukGLCanvas(nullptr);
  TukSetAttribute(wide, "RASTERSIZE", "800x400");
  TukShow(TukDialog(wide));
  TukGLMakeCurrent(wide);
  ASSERT_EQ(update_calibration(appState), 1);
  setup_camera_view(appState);
  GLUquadric* first = sharedQuadric;
  double proj[16];
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  EXPECT_NEAR(proj[5] / proj[0], 2.0, 1e-9) << "aspect of the 3D canvas, not of the image";
  const double fov = 2.0 * std::atan(1.0 / proj[5]) * 180.0 / M_PI;
  EXPECT_NEAR(fov, camera_vertical_fov(appState), 1e-6);
  EXPECT_NEAR(fov, 2.0 * std::atan(240.0 / kDemoCamera.focal) * 180.0 / M_PI, 0.6);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(appState.savedEye[k], appState.viewEye[k]);
  setup_camera_view(appState);
  EXPECT_EQ(sharedQuadric, first) << "a second call makes a second quadric";
}

}  // namespace
