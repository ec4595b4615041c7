// The camera overlays on the demo scene, checked against the camera that took the photograph.
#include <GL/gl.h>
#include <GL/glu.h>

#include "data/demo/demo_truth.h"
#include "geometry/geometry.h"
#include "geometry/view_transform.h"
#include "render/pitch.h"
#include "scene/readers.h"
#include "render_fixture.h"

namespace {

// The pixel (row from the bottom) where the true camera sees a ground point.
void true_pixel(double X, double Y, int* x, int* y) {
  double u, v;
  demo_project(kDemoCamera, X, Y, 0.0, &u, &v);
  *x = demo_pixel(u);
  *y = demo_pixel(v);
}

}  // namespace

TEST_F(ImageViewTest, FieldLinesPassThroughTheReferenceMarks) {
  demo_scene();
  appState.showFieldLines = 1;
  redraw();
  // the marks cover the lines at their centres: the lines are looked for first, the marks after
  const Frame lines = frame;
  appState.showRefPoints = 1;
  redraw();
  const Frame marks = frame;
  int ground = 0;
  for (int i = 0; i < appState.refCount; ++i) {
    if (appState.refWorldZ[i] != 0.0) continue;
    ++ground;
    const int x = appState.refImageX[i], y = appState.refImageY[i];
    frame = lines;
    EXPECT_TRUE(near(x, y, 2, is_red)) << "no red line near the mark of landmark " << i << " at " << x << "," << y;
    frame = marks;
    EXPECT_TRUE(near(x, y, 1, is_yellow)) << "no mark at " << x << "," << y;
  }
  EXPECT_GE(ground, 8);
}

TEST_F(ImageViewTest, FieldLinesLieOnThePhotographsLines) {
  demo_scene();
  appState.showFieldLines = 1;
  redraw();
  // points along lines of the pitch, projected by the true camera, not through the calibration
  const double onLines[][2] = {{8.0, 13.84},  {16.5, 20.0}, {16.5, 48.0}, {10.0, 54.16}, {3.0, 24.84},
                               {5.5, 34.0},   {0.0, 20.0},  {0.0, 50.0},  {25.0, 0.0},   {30.0, 68.0},
                               {11.0, 34.0}, {11.0 + 9.15, 34.0}};
  for (const auto& p : onLines) {
    int x, y;
    true_pixel(p[0], p[1], &x, &y);
    EXPECT_TRUE(near(x, y, 2, is_red)) << "no red line at (" << p[0] << ", " << p[1] << ") pixel " << x << "," << y;
  }
  // in the middle of a penalty area there is no line
  int x, y;
  true_pixel(9.0, 34.0 + 6.0, &x, &y);
  EXPECT_FALSE(near(x, y, 3, is_red));
  // the overlay draws no goal frame: nothing red at the middle of the crossbar
  double u, v;
  demo_project(kDemoCamera, 0.0, 34.0, 2.44, &u, &v);
  EXPECT_FALSE(near(demo_pixel(u), demo_pixel(v), 1, is_red));
}

TEST_F(ImageViewTest, ThreeReferencePointsDrawNoCameraOverlay) {
  demo_scene();
  blank_photo();
  appState.refCount = 3;  // four ground landmarks would already fix the broadcast camera
  appState.showFieldLines = appState.showParallels = appState.showPointDistance = 1;
  appState.showRefPoints = 1;
  appState.measureClicks = 2;
  redraw();
  EXPECT_EQ(count(is_red), 0);
  EXPECT_EQ(count(is_cyan), 0);
  EXPECT_GT(count(is_yellow), 0) << "the marks are still drawn";
}

TEST_F(ImageViewTest, OffsideLinesCrossThePitchThroughTheClickedPlayers) {
  demo_scene();
  // the attacker and the second-last defender of the demo, marked at their feet
  const int ax = appState.teamAImageX[0], ay = appState.teamAImageY[0];
  const int bx = appState.teamBImageX[0], by = appState.teamBImageY[0];
  blank_photo();
  appState.showParallels = 1;
  appState.measureX1 = ax;
  appState.measureY1 = ay;
  appState.measureClicks = 1;
  redraw();
  EXPECT_TRUE(near(ax, ay, 2, is_cyan));
  EXPECT_EQ(count(is_light_yellow), 0) << "one line after the first click";
  // the line runs across the pitch at the attacker's X: the true camera's image of X at Y = 5
  int x, y;
  true_pixel(kDemoFigures[0].x, 5.0, &x, &y);
  EXPECT_TRUE(near(x, y, 3, is_cyan));

  appState.measureX2 = bx;
  appState.measureY2 = by;
  appState.measureClicks = 2;
  redraw();
  EXPECT_TRUE(near(ax, ay, 2, is_cyan));
  EXPECT_TRUE(near(bx, by, 2, is_light_yellow));
  true_pixel(kDemoFigures[1].x, 60.0, &x, &y);
  EXPECT_TRUE(near(x, y, 3, is_light_yellow));

  appState.showParallels = 0;
  redraw();
  EXPECT_EQ(count(is_cyan), 0) << "the lines go with the switch";
}

TEST_F(ImageViewTest, PointDistanceShowsTwoCrossesAndTheSegment) {
  demo_scene();
  blank_photo();
  appState.showPointDistance = 1;
  appState.measureX1 = 300;
  appState.measureY1 = 150;
  appState.measureX2 = 420;
  appState.measureY2 = 120;
  appState.measureClicks = 2;
  redraw();
  const auto magenta = [](Pixel p) { return p.r > 200 && p.g > 90 && p.g < 170 && p.b > 200; };
  EXPECT_TRUE(near(360, 135, 2, magenta)) << "segment between the two points";
  EXPECT_TRUE(near(300, 150, 2, is_cyan));
  EXPECT_TRUE(near(420, 120, 2, is_light_yellow));
}

TEST(PitchModel, ArcVertexCountsAndPenaltyArcEnds) {
  double a[CENTRE_CIRCLE_VERTICES];
  EXPECT_EQ(pitch_arc_angles(0, a), 36);
  EXPECT_EQ(a[35], 350.0);
  for (int which = 1; which <= 2; ++which) {
    ASSERT_EQ(pitch_arc_angles(which, a), PENALTY_ARC_VERTICES) << which;
    const double cx = which == 1 ? 11.0 : 94.0, lineX = which == 1 ? 16.5 : 88.5;
    for (const int end : {0, PENALTY_ARC_VERTICES - 1}) {
      const double x = cx + 9.15 * std::cos(a[end] * DEG_TO_RAD);
      const double y = 34.0 + 9.15 * std::sin(a[end] * DEG_TO_RAD);
      // the 3.1415 factor moves the far end of the right arc (233.05 degrees) by 1.1 mm
      EXPECT_NEAR(x, lineX, 0.0012) << "arc " << which << " end " << end;
      EXPECT_NEAR(std::fabs(y - 34.0), 7.312, 0.001);
    }
  }
  for (int corner = 3; corner <= 6; ++corner) {
    ASSERT_EQ(pitch_arc_angles(corner, a), CORNER_ARC_VERTICES);
    EXPECT_EQ(a[9] - a[0], 90.0);
  }
  EXPECT_EQ(pitch_arc_angles(7, a), 0);
  EXPECT_DOUBLE_EQ(DEG_TO_RAD, 0.01745277777777778);
}

TEST_F(ImageViewTest, ImageProjectionPutsLandmarksOnTheirMarkedPixels) {
  demo_scene();
  TukGLMakeCurrent(canvas);
  ASSERT_EQ(update_calibration(appState), 1);
  load_image_projection(appState);
  double model[16], proj[16];
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, vp);
  ASSERT_EQ(vp[2], 640);
  for (int i = 0; i < appState.refCount; ++i) {
    double wx, wy, wz;
    ASSERT_EQ(gluProject(appState.refWorldX[i], appState.refWorldY[i], appState.refWorldZ[i], model, proj, vp, &wx,
                         &wy, &wz), GL_TRUE);
    EXPECT_NEAR(wx, appState.refImageX[i], 1.5) << i;
    EXPECT_NEAR(wy, appState.refImageY[i], 1.5) << i;
    EXPECT_GT(wz, 0.0);
    EXPECT_LT(wz, 1.0) << "inside the 1..300 m depth range";
  }
}

TEST_F(ImageViewTest, CameraViewRecordsAndAspectOfTheCanvas) {
  demo_scene();
  TukHandle wide = TukGLCanvas(nullptr);
  TukSetAttribute(wide, "RASTERSIZE", "800x400");
  TukShow(TukDialog(wide));
  TukGLMakeCurrent(wide);
  ASSERT_EQ(update_calibration(appState), 1);
  setup_camera_view(appState);
  GLUquadric* first = sharedQuadric;
  ASSERT_NE(first, nullptr);
  double proj[16];
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  EXPECT_NEAR(proj[5] / proj[0], 2.0, 1e-9) << "aspect of the 3D canvas, not of the image";
  const double fov = 2.0 * std::atan(1.0 / proj[5]) * 180.0 / 3.14159265358979323846;
  EXPECT_NEAR(fov, camera_vertical_fov(appState), 1e-6);
  EXPECT_NEAR(fov, 2.0 * std::atan(240.0 / kDemoCamera.focal) * 180.0 / 3.14159265358979323846, 0.6);
  double len = 0;
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(appState.savedEye[k], appState.viewEye[k]);
    EXPECT_EQ(appState.savedCenter[k], appState.viewCenter[k]);
    EXPECT_EQ(appState.savedUp[k], appState.viewUp[k]);
    len += (appState.viewCenter[k] - appState.viewEye[k]) * (appState.viewCenter[k] - appState.viewEye[k]);
  }
  EXPECT_NEAR(std::sqrt(len), 1.0, 1e-12);
  setup_camera_view(appState);
  EXPECT_EQ(sharedQuadric, first) << "a second call makes no second quadric";
}

TEST_F(ImageViewTest, SceneVariantDrawsGrassWhiteLinesAndGoalFrames) {
  demo_scene();
  TukHandle scene = TukGLCanvas(nullptr);
  TukSetAttribute(scene, "RASTERSIZE", "640x480");
  TukSetAttribute(scene, "BUFFER", "DOUBLE");
  TukShow(TukDialog(scene));
  TukGLMakeCurrent(scene);
  ASSERT_EQ(update_calibration(appState), 1);
  setup_camera_view(appState);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  draw_field(1);
  TukGLSwapBuffers(scene);
  canvas = scene;
  ASSERT_TRUE(frame.grab(scene));
  const auto white = [](Pixel p) { return p.r > 200 && p.g > 200 && p.b > 200; };
  // the 3D view has the photograph's viewpoint: the crossbar's middle is where the photo shows it
  double u, v;
  demo_project(kDemoCamera, 0.0, 34.0, 2.44, &u, &v);
  EXPECT_TRUE(near(demo_pixel(u), demo_pixel(v), 3, white)) << "goal frame";
  demo_project(kDemoCamera, 9.0, 40.0, 0.0, &u, &v);
  EXPECT_TRUE(is_exactly(at(demo_pixel(u), demo_pixel(v)), 0, 153, 0)) << "grass";
}

TEST(DemoScene, PointFilesHoldThePixelsOfTheTrueCamera) {
  const std::string dir = std::string(VARNESK_SOURCE_DIR) + "/data/demo/";
  CalibrationState s;
  ASSERT_EQ(read_reference_file((dir + "demo.ref").c_str(), s), 1);
  ASSERT_EQ(s.refCount, DEMO_LANDMARK_COUNT);
  int crossbar = 0;
  for (int i = 0; i < s.refCount; ++i) {
    double u, v;
    demo_project(kDemoCamera, s.refWorldX[i], s.refWorldY[i], s.refWorldZ[i], &u, &v);
    EXPECT_EQ(s.refImageX[i], demo_pixel(u)) << i;
    EXPECT_EQ(s.refImageY[i], demo_pixel(v)) << i;
    crossbar += s.refWorldZ[i] == 2.44;
  }
  EXPECT_EQ(crossbar, 2);
  ASSERT_EQ(read_object_file((dir + "demo.obj").c_str(), s), 1);
  double u, v;
  demo_project(kDemoCamera, kDemoFigures[0].x, kDemoFigures[0].y, 0.0, &u, &v);
  EXPECT_EQ(s.teamAImageX[0], demo_pixel(u));
  EXPECT_EQ(s.teamAImageY[0], demo_pixel(v));
  EXPECT_EQ(s.teamACount + s.teamBCount + 2, DEMO_FIGURE_COUNT);
}
