// varnesk-cli calibrate and measure, run as a process on .ref files marked by a known camera.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "scene/writers.h"
#include "synthetic_camera.h"

namespace {

using nlohmann::json;
const std::string kOut = std::string(VARNESK_BINARY_DIR) + "/cli-geometry-";

// The exit code and the JSON on stdout of varnesk-cli ARGS.
std::pair<int, json> cli(const std::string& args) {
  FILE* p = popen((std::string(VARNESK_CLI) + " " + args + " 2>/dev/null").c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t got; p && (got = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, got);
  const int status = p ? pclose(p) : -1;
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, json::parse(text, nullptr, false)};
}

// A .ref file of the landmarks as the synthetic camera marks them (or of the text), and the size.
std::string ref(const std::string& name, const std::vector<int>& set, const std::string& text = "") {
  CalibrationState s;
  mark_landmarks(broadcast_camera(), set.data(), static_cast<int>(set.size()), 0, 1, s);
  if (name == "mislabelled.ref") s.refWorldX[6] = 5.5, s.refWorldY[6] = 43.16;  // point 7 tied to the goal-area corner
  std::ofstream(kOut + name) << (text.empty() ? reference_file_text(s) : text);
  return "'" + kOut + name + "' --size 640x480";
}

// --points: where the synthetic camera sees two ground points
std::string points(double xa, double ya, double xb, double yb) {
  std::string out = " --points";
  const double ground[2][2] = {{xa, ya}, {xb, yb}};
  for (const auto& g : ground) {
    double u, v;
    synthetic_project(broadcast_camera(), g[0], g[1], 0, &u, &v);
    out += " " + std::to_string(std::lround(u)) + " " + std::to_string(std::lround(v));
  }
  return out;
}

const std::vector<int> kSet = {0, 3, 6, 9, 12, 13, 14, 15, 25, 26, 45, 46, 29}, kGround = {0, 3, 6, 9, 13, 14, 33, 34};

TEST(CmdGeometry, WrongCameraOrMeasureInItsAnswer) {
  const std::string good = ref("good.ref", kSet);
  auto [code, out] = cli("calibrate " + good);
  ASSERT_EQ(code, 0) << out.dump();
  EXPECT_TRUE(out["reference_points"] == 13 && out["camera_model"] == "dlt" && !out.contains("suspect_point"));
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(out["eye"][k].get<double>(), broadcast_camera().eye[k], 0.3);
  EXPECT_NEAR(out["focal_px"].get<double>(), 800.0, 8.0);
  EXPECT_LT(out["reprojection_rms_px"].get<double>(), 0.6);
  ASSERT_EQ(out["residuals_px"].size(), 13u);
  for (const auto& r : out["residuals_px"]) EXPECT_LT(r.get<double>(), 1.5);
  std::tie(code, out) = cli("calibrate " + ref("mislabelled.ref", kSet));
  EXPECT_TRUE(code == 0 && out["suspect_point"] == 7 && out["residuals_px"][6] > 5.0) << out.dump();

  // a 640 x 480 picture written by netpbm gives the same camera as --size 640x480
  ASSERT_EQ(std::system(("ppmmake rgb:20/80/20 640 480 | ppmtobmp > '" + kOut + "size.bmp' 2>/dev/null").c_str()), 0);
  const auto byImage = cli("calibrate '" + kOut + "good.ref' --image '" + kOut + "size.bmp'");
  EXPECT_EQ(byImage.second["camera_matrix"], cli("calibrate " + good).second["camera_matrix"]);

  // ground landmarks only: the broadcast camera, with bands that widen with the click noise
  const std::string pair = points(16.5, 13.84, 20, 30);
  std::tie(code, out) = cli("measure " + ref("ground.ref", kGround) + pair);
  ASSERT_EQ(code, 0) << out.dump();
  EXPECT_TRUE(out["camera_model"] == "broadcast" && out["click_noise_px"] == 1.0);
  const double d = out["distance_m"], gap = out["parallel_distance_m"];
  EXPECT_NEAR(gap, 3.5, 0.2);
  EXPECT_NEAR(std::hypot(out["ground_b"][0].get<double>() - 20, out["ground_b"][1].get<double>() - 30), 0, 0.3);
  EXPECT_TRUE(out["distance_band_m"][0] < d && d < out["distance_band_m"][1]) << out.dump();
  EXPECT_TRUE(out["parallel_distance_band_m"][0] < gap && gap < out["parallel_distance_band_m"][1]) << out.dump();
  const auto wide = cli("measure " + ref("ground.ref", kGround) + pair + " --click-noise 2");
  EXPECT_GT(wide.second["parallel_distance_band_m"][1], out["parallel_distance_band_m"][1]);
}

TEST(CmdGeometry, BadInputAnsweredOrRefusedWithoutSayingWhy) {
  const std::string ground = ref("ground.ref", kGround), pair = points(16.5, 13.84, 20, 30);
  const std::pair<std::string, const char*> cases[] = {
      {"calibrate " + ref("five.ref", {0, 3, 6, 25, 26}), "has 3 on the ground and 2 off it"},
      {"measure " + ref("line.ref", {27, 28, 29, 30, 31}) + " --points 1 2 3 4", "lie on one line"},
      {"measure " + ground + " --camera dlt" + pair, "two landmarks off the ground"},
      {"calibrate " + ref("three.ref", {27, 29, 31, 13, 25, 26}) + " --camera broadcast", "no three of them"},
      {"measure " + ground + " --points 100 100 320 470", "lies on or above the horizon"},
      {"calibrate " + ref("count48.ref", {}, "48\n0 0 0 1 1\n"), "count48.ref': the reference count 48 is outside"},
      {"calibrate " + ref("word.ref", {}, "6\n0 0 zero 1 1\n"), "not a number"},
      {"calibrate '" + kOut + "good.ref' --image /nonexistent.bmp", "/nonexistent.bmp"},
      {"calibrate x.ref", "exactly one of --size WxH or --image"},
      {"calibrate x.ref --size 6x4 --image y", "exactly one"},
      {"calibrate x.ref --size 0x480", "--size wants WIDTHxHEIGHT"}, {"calibrate x.ref --size 640", "--size wants"},
      {"calibrate --size 640x480", ""}, {"calibrate x.ref --bogus", ""}, {"measure " + ground + " --points 1 2 3", ""},
      {"measure " + ground + pair + " --camera pinhole", ""}, {"measure " + ground + pair + " --click-noise -1", ""},
      {"measure " + ground + pair + " --click-noise 1px", ""}, {"measure " + ground + pair + " --click-noise nan", ""},
  };
  for (const auto& [args, says] : cases) {
    SCOPED_TRACE(args);
    const auto [code, out] = cli(args);
    EXPECT_TRUE(code == 1 && out.value("ok", true) == false && !out.contains("distance_m"));
    EXPECT_NE(out.value("error", "").find(says), std::string::npos) << out.dump();
  }
}

}  // namespace
