// varnesk-cli render3d run as a process on the demo scene. The PNG is decoded by netpbm's
// pngtopnm, not by our own writer's library.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

const std::string kDemo = std::string(VARNESK_SOURCE_DIR) + "/data/demo";

struct CliRun {
  int exitCode;
  nlohmann::json out;
};

std::string run_text(const std::string& cmd, int* exitCode) {
  FILE* p = popen(cmd.c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t got; p && (got = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, got);
  const int status = p ? pclose(p) : -1;
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

// From the demo's folder, where the scene's relative paths lead.
CliRun render3d(const std::string& args) {
  int code = -1;
  const std::string text = run_text("cd '" + kDemo + "' && '" VARNESK_CLI "' render3d " + args + " 2>/dev/null", &code);
  return {code, nlohmann::json::parse(text, nullptr, false)};
}

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top row first
  // rows from the bottom, as the CLI's pixel positions count them
  bool colour_near(double u, double v, int radius, int r, int g, int b) const {
    const int cx = static_cast<int>(std::lround(u)), cy = height - 1 - static_cast<int>(std::lround(v));
    for (int y = cy - radius; y <= cy + radius; ++y)
      for (int x = cx - radius; x <= cx + radius; ++x) {
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        if (std::abs(p[0] - r) <= 3 && std::abs(p[1] - g) <= 3 && std::abs(p[2] - b) <= 3) return true;
      }
    return false;
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

std::string out_path(const char* name) { return std::string(VARNESK_BINARY_DIR) + "/" + name; }

TEST(CliRender3d, camera_view_stands_every_object_where_the_photograph_shows_it) {
  const std::string png = out_path("cli-render3d-camera.png");
  const CliRun r = render3d("demo.cen --out '" + png + "'");
  ASSERT_EQ(r.exitCode, 0) << r.out.dump();
  EXPECT_EQ(r.out["view"], "camera");
  EXPECT_EQ(r.out["width"], 640);
  EXPECT_EQ(r.out["height"], 480);
  const Picture pic = read_png(png);
  ASSERT_EQ(pic.width, 640);
  ASSERT_EQ(pic.height, 480);
  // the demo's object file marks each object at its feet: the model puts them back there (the
  // file lists team A, team B, the referee and the ball, each list after its count)
  std::vector<int> marked;
  FILE* f = std::fopen((kDemo + "/demo.obj").c_str(), "r");
  ASSERT_NE(f, nullptr);
  for (int v; std::fscanf(f, "%d", &v) == 1;) marked.push_back(v);
  std::fclose(f);
  std::vector<std::pair<int, int>> feet;
  for (size_t i = 0; i < marked.size();) {
    const int n = marked[i++];
    for (int k = 0; k < n && i + 1 < marked.size(); ++k, i += 2) feet.emplace_back(marked[i], marked[i + 1]);
  }
  ASSERT_EQ(r.out["objects"].size(), feet.size());
  size_t k = 0;
  for (const auto& o : r.out["objects"]) {
    ASSERT_FALSE(o["pixel"].is_null());
    const double u = o["pixel"][0], v = o["pixel"][1];
    EXPECT_NEAR(u, feet[k].first, 2.0) << o.dump();
    EXPECT_NEAR(v, feet[k].second, 2.0) << o.dump();
    ++k;
    if (o["kind"] == "ball") {
      EXPECT_TRUE(pic.colour_near(u, v + 2, 2, 196, 196, 196));
    } else {
      // legs in skin colour just above the ground point
      EXPECT_TRUE(pic.colour_near(u, v + 3, 3, 227, 190, 131)) << o.dump();
    }
  }
}

TEST(CliRender3d, top_view_shows_the_whole_pitch_centred_from_above) {
  const std::string png = out_path("cli-render3d-top.png");
  const CliRun r = render3d("demo.cen --view top --size 320x240 --out '" + png + "'");
  ASSERT_EQ(r.exitCode, 0) << r.out.dump();
  EXPECT_EQ(r.out["view"], "top");
  EXPECT_EQ(r.out["eye"], nlohmann::json::array({52.5, 34.0, 550.0}));
  const Picture pic = read_png(png);
  ASSERT_EQ(pic.width, 320);
  ASSERT_EQ(pic.height, 240);
  // the pitch in the middle, the clear colour in the corners
  EXPECT_TRUE(pic.colour_near(140, 130, 0, 0, 153, 0));
  EXPECT_TRUE(pic.colour_near(2, 2, 0, 0, 178, 0));
  EXPECT_TRUE(pic.colour_near(317, 237, 0, 0, 178, 0));
  // X to the right and Y upwards: team A's first player stands left of the centre and above it
  const auto& first = r.out["objects"][0];
  EXPECT_EQ(first["kind"], "team_a");
  EXPECT_LT(first["pixel"][0].get<double>(), 160.0);
  EXPECT_GT(first["pixel"][1].get<double>(), 120.0);
}

TEST(CliRender3d, refusals_come_back_as_json_errors) {
  for (const std::string& args :
       {std::string("demo.cen"), std::string("--out x.png"), std::string("demo.cen --out x.png --view side"),
        std::string("demo.cen --out x.png --size 0x10"), std::string("demo.cen --out x.png --size 640"),
        std::string("missing.cen --out x.png")}) {
    const CliRun r = render3d(args);
    EXPECT_EQ(r.exitCode, 1) << args;
    EXPECT_EQ(r.out["ok"], false) << args;
    EXPECT_TRUE(r.out["error"].is_string()) << args;
  }
}

TEST(CliRender3d, a_scene_without_a_camera_is_refused) {
  // five reference points of the demo, three on the ground: no calibration, no model
  const std::string ref = out_path("cli-render3d-five.ref");
  const std::string cen = out_path("cli-render3d-five.cen");
  {
    FILE* f = std::fopen(ref.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("5\n0 13.84 0 22 177\n16.5 13.84 0 251 147\n16.5 54.16 0 409 292\n0 30.34 2.44 143 272\n"
               "0 37.66 2.44 183 292\n", f);
    std::fclose(f);
    f = std::fopen(cen.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%s/demo.jpg\n%s\n", kDemo.c_str(), ref.c_str());
    std::fclose(f);
  }
  const CliRun r = render3d("'" + cen + "' --out '" + out_path("cli-render3d-five.png") + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out["error"].get<std::string>().find("at least 6"), std::string::npos) << r.out.dump();
}

}  // namespace
