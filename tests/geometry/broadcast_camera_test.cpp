// The broadcast camera on a real broadcast frame of a match, from its ground landmarks alone.
// The frame's ground truth is a hand-made homography good to a few pixels, read from the shared
// corpus beside the source tree (never copied into the project).
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "geometry/geometry.h"
#include "synthetic_camera.h"

namespace {

const std::string kCorpus = std::string(VARNESK_SOURCE_DIR) + "/../shared/corpora/soccer/";
constexpr double kYard = 0.9144;

// The frame's visible ground landmarks: the program's table entry, and the dataset's own
// position of that landmark (its pitch is yard-based, up to 4.5 cm from the table), metres.
struct Visible { int table; double x, y; };
constexpr double kL = 105.000552, kW = 68.003928;
const Visible kVisible[] = {
    {9, kL, kW},                                             // far-right corner
    {35, kL, kW / 2 + 22 * kYard},                           // penalty area meets goal line
    {33, kL - 18 * kYard, kW / 2 - 22 * kYard},              // penalty area corners
    {34, kL - 18 * kYard, kW / 2 + 22 * kYard},              //
    {39, kL, kW / 2 + 10 * kYard},                           // goal area meets goal line
    {37, kL - 6 * kYard, kW / 2 - 10 * kYard},               // goal area corners
    {38, kL - 6 * kYard, kW / 2 + 10 * kYard},               //
    {40, kL - 12 * kYard, kW / 2},                           // penalty mark
    {43, kL, kW / 2 - 4 * kYard},                            // goal post feet
    {44, kL, kW / 2 + 4 * kYard},                            //
};

TEST(BroadcastCamera, RealFrameMisplacesPitchPixels) {
  std::ifstream in(kCorpus + "ground-truth.json");
  ASSERT_TRUE(in) << "the shared corpus must sit beside the source tree: " << kCorpus;
  const nlohmann::json frame = nlohmann::json::parse(in)["frames"][0];
  const int width = frame["width"], height = frame["height"];
  Eigen::Matrix3d H;  // yard template (y down) -> image (row from the top)
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) H(r, c) = frame["H_template_to_image"][r][c];
  static CalibrationState s;
  s.imageWidth = width, s.imageHeight = height, s.refCount = 0;
  for (const Visible& l : kVisible) {
    const Eigen::Vector2d p = (H * Eigen::Vector3d(l.x / kYard, 74 - l.y / kYard, 1)).hnormalized();
    ASSERT_EQ(FieldLandmarkTable[l.table].z, 0.0);
    set_reference_point(s, s.refCount++, FieldLandmarkTable[l.table], static_cast<int>(std::lround(p[0])),
                        height - 1 - static_cast<int>(std::lround(p[1])));
  }
  ASSERT_EQ(update_calibration(s), 1) << s.calibrationReport.status;
  EXPECT_EQ(s.cameraModel, CAMERA_BROADCAST);
  EXPECT_LE(reprojection_rms(s), 3.0);

  // pitch pixels near the marked landmarks and far from them (toward the halfway line)
  const int pixels[10][2] = {{900, 400}, {1000, 300}, {700, 300}, {1100, 250}, {800, 450},
                             {600, 200}, {300, 300}, {200, 150}, {400, 100}, {100, 250}};
  int far = 0;
  for (const auto& px : pixels) {
    const Eigen::Vector2d t = (H.inverse() * Eigen::Vector3d(px[0], height - 1 - px[1], 1)).hnormalized();
    const double gx = t[0] * kYard, gy = (74 - t[1]) * kYard;
    double X, Y, Z;
    image_point_to_ground(s, px[0], px[1], &X, &Y, &Z);
    double nearest = INFINITY;
    for (const Visible& l : kVisible) nearest = std::fmin(nearest, std::hypot(gx - l.x, gy - l.y));
    SCOPED_TRACE(std::to_string(px[0]) + "," + std::to_string(px[1]) + " nearest landmark " + std::to_string(nearest));
    far += nearest > 10;
    EXPECT_LT(std::hypot(X - gx, Y - gy), nearest <= 10 ? 0.5 : 1.0);
  }
  EXPECT_GE(far, 3);  // the bound far from the landmarks is exercised
}

}  // namespace
