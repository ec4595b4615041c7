// The image view: the picture pixel for pixel, the two kinds of marks, and what is not drawn.
#include "render_fixture.h"

TEST_F(ImageViewTest, NoImageLoadedDrawsNothingAndSwapsNothing) {
  plain_image(64, 48, {10, 20, 30});
  appState.imageLoaded = 0;
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = 1;
  redraw_image_view();
  int w = 0, h = 0;
  EXPECT_EQ(TukHeadlessFrame(canvas, &w, &h), nullptr) << "a frame was swapped without an image";
}

TEST_F(ImageViewTest, ImageFillsItsCanvasBottomRowFirst) {
  plain_image(640, 480, {0, 0, 0});
  // every pixel distinct enough to catch a flipped or shifted row: r = column, g = row, b = row / 2
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      unsigned char* p = &appState.imageRgb[(static_cast<size_t>(y) * 640 + x) * 3];
      p[0] = static_cast<unsigned char>(x & 255);
      p[1] = static_cast<unsigned char>(y & 255);
      p[2] = static_cast<unsigned char>(y >> 1);
    }
  appState.showRefPoints = appState.showObjPoints = appState.showFieldLines = 1;
  appState.showParallels = appState.showPointDistance = 1;
  redraw();
  ASSERT_EQ(frame.w, 640);
  ASSERT_EQ(frame.h, 480);
  // no points and no camera: with every switch on the view shows the image alone
  EXPECT_EQ(frame.rgb, appState.imageRgb);
}

TEST_F(ImageViewTest, SmallerImageSitsAtTheLowerLeftCorner) {
  plain_image(100, 50, {200, 40, 40}, 160, 120);
  redraw();
  EXPECT_TRUE(is_exactly(at(0, 0), 200, 40, 40));
  EXPECT_TRUE(is_exactly(at(99, 49), 200, 40, 40));
  EXPECT_FALSE(is_exactly(at(100, 0), 200, 40, 40));
  EXPECT_FALSE(is_exactly(at(0, 50), 200, 40, 40));
}

TEST_F(ImageViewTest, BufferShorterThanItsSizeIsNotSent) {
  plain_image(64, 48, {10, 20, 30});
  appState.imageRgb.resize(10);  // a record whose size and buffer disagree must not be read past
  redraw();
  EXPECT_FALSE(is_exactly(at(5, 5), 10, 20, 30));
}

TEST_F(ImageViewTest, ReferenceMarksAreYellowDiagonalCrosses) {
  plain_image(200, 100, {0, 0, 0});
  appState.refCount = 2;
  appState.refImageX[0] = 50;
  appState.refImageY[0] = 40;
  appState.refImageX[1] = 0;  // at the corner only the part inside the canvas shows
  appState.refImageY[1] = 0;
  appState.showRefPoints = 1;
  redraw();
  EXPECT_TRUE(near(50 + 3, 40 + 3, 1, is_yellow)) << "arm towards the upper right";
  EXPECT_TRUE(near(50 - 3, 40 + 3, 1, is_yellow)) << "arm towards the upper left";
  EXPECT_FALSE(near(50 + 4, 40, 0, is_yellow)) << "a diagonal cross has no horizontal arm";
  EXPECT_FALSE(near(50, 40 + 12, 2, is_yellow)) << "arms end 5 pixels from the centre";
  EXPECT_TRUE(near(3, 3, 1, is_yellow));
  // the pending slot at refCount is not a point
  appState.refImageX[2] = 150;
  appState.refImageY[2] = 50;
  redraw();
  EXPECT_FALSE(near(150, 50, 4, is_yellow));
}

TEST_F(ImageViewTest, ObjectMarksUseTeamColoursBallGreyAndBlackReferee) {
  plain_image(300, 100, {255, 255, 255});
  appState.teamACount = 1;
  appState.teamAImageX[0] = 30;
  appState.teamAImageY[0] = 50;
  appState.teamBCount = 1;
  appState.teamBImageX[0] = 90;
  appState.teamBImageY[0] = 50;
  appState.ballPresent = 1;
  appState.ballImageX = 150;
  appState.ballImageY = 50;
  appState.refereePresent = 1;
  appState.refereeImageX = 210;
  appState.refereeImageY = 50;
  appState.showObjPoints = 1;
  redraw();
  // the centre of an upright cross is covered by both arms: the colour is exact there
  EXPECT_TRUE(is_exactly(at(30, 50), 255, 0, 0)) << "team A starts red";
  EXPECT_TRUE(is_exactly(at(90, 50), 0, 0, 255)) << "team B starts blue";
  EXPECT_TRUE(is_exactly(at(150, 50), 196, 196, 196)) << "the ball's grey is not the list's 192";
  EXPECT_TRUE(is_exactly(at(210, 50), 0, 0, 0));
  EXPECT_TRUE(is_exactly(at(30, 53), 255, 0, 0)) << "vertical arm";
  EXPECT_TRUE(is_exactly(at(33, 50), 255, 0, 0)) << "horizontal arm";
  EXPECT_TRUE(is_exactly(at(33, 53), 255, 255, 255)) << "no diagonal";

  appState.teamAColor = 3;  // "Yellow"
  redraw();
  EXPECT_TRUE(is_exactly(at(30, 50), 255, 255, 0));
  // counts beyond the arrays of a damaged record draw only the slots that exist
  appState.teamACount = 1000;
  redraw();
  EXPECT_TRUE(is_exactly(at(30, 50), 255, 255, 0));
}

TEST_F(ImageViewTest, TopRowPointIsDrawnAtTheTopRow) {
  plain_image(100, 480, {0, 0, 0});
  appState.teamACount = 1;
  appState.teamAImageX[0] = 50;
  appState.teamAImageY[0] = 479;  // a click on canvas row 0 stores row h - 1
  appState.showObjPoints = 1;
  redraw();
  EXPECT_TRUE(is_exactly(at(50, 479), 255, 0, 0));
  EXPECT_TRUE(is_exactly(at(50, 476), 255, 0, 0));
}
