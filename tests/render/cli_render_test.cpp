// varnesk-cli render and render3d run as processes; their PNGs are decoded by netpbm's pngtopnm,
// not by the library our writer uses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "data/demo/demo_truth.h"

namespace {

const std::string kDemo = std::string(VARNESK_SOURCE_DIR) + "/data/demo";
const std::string kOut = std::string(VARNESK_BINARY_DIR) + "/cli-render-";

std::string run_text(const std::string& cmd, int* exitCode) {
  FILE* p = popen(cmd.c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t got; p && (got = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, got);
  const int status = p ? pclose(p) : -1;
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

struct CliRun {
  int exitCode = -1;
  nlohmann::json out;
};

// "render ARGS" or "render3d ARGS" from the demo's folder, where the scene's relative paths lead.
CliRun cli(const std::string& args) {
  CliRun r;
  const std::string text = run_text("cd '" + kDemo + "' && '" VARNESK_CLI "' " + args + " 2>/dev/null", &r.exitCode);
  r.out = nlohmann::json::parse(text, nullptr, false);
  return r;
}

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top row first, as the file stores it
  // the pixel at (x, y), y counted from the bottom as the CLI's positions count it
  const unsigned char* at(int x, int y) const { return &rgb[(static_cast<size_t>(height - 1 - y) * width + x) * 3]; }
  bool colour_near(double u, double v, int radius, int r, int g, int b) const {
    const int cx = static_cast<int>(std::lround(u)), cy = static_cast<int>(std::lround(v));
    for (int y = std::max(0, cy - radius); y <= std::min(height - 1, cy + radius); ++y)
      for (int x = std::max(0, cx - radius); x <= std::min(width - 1, cx + radius); ++x) {
        const unsigned char* p = at(x, y);
        if (std::abs(p[0] - r) <= 3 && std::abs(p[1] - g) <= 3 && std::abs(p[2] - b) <= 3) return true;
      }
    return false;
  }
  int count_red() const {
    int n = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) n += rgb[i] > 170 && rgb[i + 1] < 100 && rgb[i + 2] < 100;
    return n;
  }
};

Picture read_png(const std::string& path) {
  int code = -1;
  const std::string ppm = run_text("pngtopnm '" + path + "' 2>/dev/null", &code);
  Picture p;
  int maxval = 0, used = 0;
  if (code != 0 || std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &p.width, &p.height, &maxval, &used) != 3) return p;
  const size_t bytes = static_cast<size_t>(p.width) * p.height * 3;
  if (maxval != 255 || ppm.size() < used + 1 + bytes) return Picture{};
  p.rgb.assign(ppm.begin() + used + 1, ppm.begin() + used + 1 + static_cast<long>(bytes));
  return p;
}

TEST(CliRender, OverlaysMissingOrOffsideGapWrong) {
  const CliRun plain = cli("render demo.cen --out '" + kOut + "plain.png'");
  ASSERT_EQ(plain.exitCode, 0) << plain.out.dump();
  EXPECT_EQ(plain.out["width"], 640);
  EXPECT_EQ(plain.out["height"], 480);
  EXPECT_EQ(plain.out["reference_points"], 15);
  EXPECT_EQ(plain.out["calibrated"], true);
  // the demo's attacker and second-last defender, marked at their feet
  const CliRun drawn = cli("render demo.cen --out '" + kOut + "lines.png' --overlays refs,objects,lines --parallels 335,259,289,207");
  ASSERT_EQ(drawn.exitCode, 0) << drawn.out.dump();
  EXPECT_NEAR(drawn.out["parallel_distance_m"].get<double>(), DEMO_OFFSIDE_GAP, 0.15);
  EXPECT_FALSE(drawn.out.contains("distance_m"));
  EXPECT_GT(read_png(kOut + "lines.png").count_red(), read_png(kOut + "plain.png").count_red() + 2000) << "field lines";
}

TEST(CliRender, BadRequestNotRefusedAsJson) {
  const std::string out = " --out '" + kOut + "refused.png'";
  std::ofstream(kOut + "bad.cen") << "demo.ref demo.ref\n";  // its image is not a picture
  // five reference points of the demo, three on the ground: no camera, no model
  std::ofstream(kOut + "five.ref") << "5\n0 13.84 0 22 177\n16.5 13.84 0 251 147\n16.5 54.16 0 409 292\n"
                                      "0 30.34 2.44 143 272\n0 37.66 2.44 183 292\n";
  std::ofstream(kOut + "five.cen") << kDemo << "/demo.jpg\n" << kOut << "five.ref\n";
  struct Case {
    std::string args;
    const char* error;  // a part of the message, or ""
  } const cases[] = {
      {"render demo.cen", ""},
      {"render demo.cen" + out + " --overlays refs,grid", "grid"},
      {"render demo.cen" + out + " --parallels 1,2,3", ""},
      {"render '" + kOut + "bad.cen'" + out, ""},
      {"render demo.cen" + out + " --parallels 1,2,3,4 --segment 1,2,3,4", ""},
      {"render3d demo.cen", ""},
      {"render3d" + out, ""},
      {"render3d demo.cen" + out + " --view side", ""},
      {"render3d demo.cen" + out + " --size 640", ""},
      {"render3d missing.cen" + out, ""},
      {"render3d '" + kOut + "five.cen'" + out, "at least 6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = cli(c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out["ok"], false);
    ASSERT_TRUE(r.out["error"].is_string());
    EXPECT_NE(r.out["error"].get<std::string>().find(c.error), std::string::npos);
  }
  EXPECT_EQ(cli("render '" + kOut + "bad.cen'" + out).out["error_code"], 4) << "the image library's code";
}

// A picture larger than one canvas band is drawn in bands of rows: the bands must meet without
// a seam, each row in its place, and a mark across a meeting must be whole. The picture is a BMP
// made by ImageMagick, every pixel telling where it is: red = column mod 256, green = row (from
// the bottom) mod 256, blue = row / 256.
TEST(CliRender, BandsOfALargePictureSeamedOrMisplaced) {
  const int width = 2048, height = 3000;  // two bands of 2048 rows: the second flush with the top
  const auto colour = [](int x, int y) { return std::array<int, 3>{x % 256, y % 256, y / 256}; };
  {
    std::ofstream f(kOut + "bands.ppm", std::ios::binary);
    f << "P6\n" << width << " " << height << "\n255\n";
    for (int y = height - 1; y >= 0; --y)
      for (int x = 0; x < width; ++x)
        for (int c : colour(x, y)) f.put(static_cast<char>(c));
  }
  if (std::system(("convert '" + kOut + "bands.ppm' 'BMP3:" + kOut + "bands.bmp' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no ImageMagick convert";
  // marks away from any meeting, and on the rows where the bands meet (952 and 2048)
  const int marks[][2] = {{1000, 500}, {300, 952}, {1500, 2048}, {700, 2047}, {1200, 2700}};
  {
    std::ofstream ref(kOut + "bands.ref");
    ref << 5 << "\n";
    for (const auto& m : marks) ref << "0 0 0 " << m[0] << " " << m[1] << "\n";
  }
  std::ofstream(kOut + "bands.cen") << kOut << "bands.bmp\n" << kOut << "bands.ref\n";
  const CliRun r = cli("render '" + kOut + "bands.cen' --out '" + kOut + "bands.png' --overlays refs");
  ASSERT_EQ(r.exitCode, 0) << r.out.dump();
  const Picture p = read_png(kOut + "bands.png");
  ASSERT_EQ(p.width, width);
  ASSERT_EQ(p.height, height);
  const auto changed = [&](int x, int y) {
    const auto c = colour(x, y);
    return p.at(x, y)[0] != c[0] || p.at(x, y)[1] != c[1] || p.at(x, y)[2] != c[2];
  };
  int misplaced = 0;
  for (int v = 0; v < height; ++v)
    for (int u = 0; u < width; u += 7) {
      bool nearMark = false;
      for (const auto& m : marks) nearMark = nearMark || (std::abs(u - m[0]) <= 8 && std::abs(v - m[1]) <= 8);
      misplaced += !nearMark && changed(u, v);
    }
  EXPECT_EQ(misplaced, 0);
  // a mark cut at a meeting would lose the half drawn in the other band
  int marked[5] = {};
  for (int k = 0; k < 5; ++k)
    for (int v = marks[k][1] - 7; v <= marks[k][1] + 7; ++v)
      for (int u = marks[k][0] - 7; u <= marks[k][0] + 7; ++u) marked[k] += changed(u, v);
  EXPECT_GT(marked[0], 20);
  for (int k = 1; k < 5; ++k) EXPECT_NEAR(marked[k], marked[0], marked[0] / 10) << marks[k][0] << ", " << marks[k][1];
}

TEST(CliRender3d, FigureOffItsMarkedFeetOrTopViewOffCentre) {
  const CliRun r = cli("render3d demo.cen --out '" + kOut + "3d-camera.png'");
  ASSERT_EQ(r.exitCode, 0) << r.out.dump();
  EXPECT_EQ(r.out["view"], "camera");
  const Picture pic = read_png(kOut + "3d-camera.png");
  ASSERT_EQ(pic.width, 640);
  ASSERT_EQ(pic.height, 480);
  // demo.obj marks each object at its feet (team A, team B, the referee and the ball, each list
  // after its count): the model puts them back there
  std::vector<std::array<int, 2>> feet;
  std::ifstream obj(kDemo + "/demo.obj");
  for (int n; obj >> n;)
    for (int k = 0, u, v; k < n && obj >> u >> v; ++k) feet.push_back({u, v});
  ASSERT_EQ(r.out["objects"].size(), feet.size());
  for (size_t k = 0; k < feet.size(); ++k) {
    const auto& o = r.out["objects"][k];
    ASSERT_FALSE(o["pixel"].is_null());
    const double u = o["pixel"][0], v = o["pixel"][1];
    EXPECT_NEAR(u, feet[k][0], 2.0) << o.dump();
    EXPECT_NEAR(v, feet[k][1], 2.0) << o.dump();
    if (o["kind"] == "ball")
      EXPECT_TRUE(pic.colour_near(u, v + 2, 2, 196, 196, 196));
    else
      EXPECT_TRUE(pic.colour_near(u, v + 3, 3, 227, 190, 131)) << "legs just above the ground point: " << o.dump();
  }

  const CliRun top = cli("render3d demo.cen --view top --size 320x240 --out '" + kOut + "3d-top.png'");
  ASSERT_EQ(top.exitCode, 0) << top.out.dump();
  EXPECT_EQ(top.out["eye"], nlohmann::json::array({52.5, 34.0, 550.0}));
  const Picture above = read_png(kOut + "3d-top.png");
  EXPECT_EQ(above.width * 1000 + above.height, 320240);
  // X to the right and Y upwards: team A's first player stands left of the centre and above it
  const auto& first = top.out["objects"][0];
  EXPECT_EQ(first["kind"], "team_a");
  EXPECT_LT(first["pixel"][0].get<double>(), 160.0);
  EXPECT_GT(first["pixel"][1].get<double>(), 120.0);
}

}  // namespace
