// varnesk-cli render run as a process on the demo scene: the PNG it writes holds the image view
// at the image's size, top row first, and the refusals come back as JSON errors.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "data/demo/demo_truth.h"

namespace {

const std::string kDemo = std::string(VARNESK_SOURCE_DIR) + "/data/demo";

struct CliRun {
  int exitCode;
  nlohmann::json out;
};

// Runs the CLI from the demo's folder, where the scene's relative paths lead.
CliRun render(const std::string& args) {
  const std::string cmd = "cd '" + kDemo + "' && '" VARNESK_CLI "' render " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t got; p && (got = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, got);
  const int status = p ? pclose(p) : -1;
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, nlohmann::json::parse(text, nullptr, false)};
}

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top row first, as the file stores it
};

Picture read_png(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  Picture p;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGB;
  p.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
  }
  png_image_free(&image);
  return p;
}

// Decodes the photograph with the CLI's own decode command (binary PPM, top row first).
Picture decode_photo() {
  const std::string out = std::string(VARNESK_BINARY_DIR) + "/cli-render-photo.ppm";
  const std::string cmd = "'" VARNESK_CLI "' decode '" + kDemo + "/demo.jpg' '" + out + "' >/dev/null";
  Picture p;
  if (std::system(cmd.c_str()) != 0) return p;
  std::ifstream f(out, std::ios::binary);
  std::string magic;
  int maxval = 0;
  f >> magic >> p.width >> p.height >> maxval;
  f.get();
  p.rgb.resize(static_cast<size_t>(p.width) * p.height * 3);
  f.read(reinterpret_cast<char*>(p.rgb.data()), static_cast<std::streamsize>(p.rgb.size()));
  return p;
}

int count_red(const Picture& p) {
  int n = 0;
  for (size_t i = 0; i + 2 < p.rgb.size(); i += 3) n += p.rgb[i] > 170 && p.rgb[i + 1] < 100 && p.rgb[i + 2] < 100;
  return n;
}

}  // namespace

TEST(CliRender, PngIsTheImageViewAtTheImagesSizeTopRowFirst) {
  const std::string plainPath = std::string(VARNESK_BINARY_DIR) + "/cli-render-plain.png";
  const std::string linesPath = std::string(VARNESK_BINARY_DIR) + "/cli-render-lines.png";
  const CliRun plain = render("demo.cen --out '" + plainPath + "'");
  ASSERT_EQ(plain.exitCode, 0) << plain.out.dump();
  EXPECT_EQ(plain.out["width"], 640);
  EXPECT_EQ(plain.out["height"], 480);
  EXPECT_EQ(plain.out["reference_points"], 15);
  EXPECT_EQ(plain.out["calibrated"], true);
  const Picture photo = decode_photo();
  const Picture view = read_png(plainPath);
  ASSERT_EQ(view.width, 640);
  ASSERT_EQ(view.height, 480);
  // without overlays every pixel is the photograph's, in the same row order
  EXPECT_EQ(view.rgb, photo.rgb);

  const CliRun lines = render("demo.cen --out '" + linesPath + "' --overlays refs,objects,lines");
  ASSERT_EQ(lines.exitCode, 0) << lines.out.dump();
  const Picture drawn = read_png(linesPath);
  EXPECT_GT(count_red(drawn), count_red(photo) + 2000) << "the field lines are drawn";
}

TEST(CliRender, ParallelsReportTheOffsideGap) {
  const CliRun r = render("demo.cen --out '" + std::string(VARNESK_BINARY_DIR) + "/cli-render-offside.png'" +
                       " --parallels 335,259,289,207");
  ASSERT_EQ(r.exitCode, 0) << r.out.dump();
  EXPECT_NEAR(r.out["parallel_distance_m"].get<double>(), DEMO_OFFSIDE_GAP, 0.15);
  EXPECT_FALSE(r.out.contains("distance_m"));
}

TEST(CliRender, RefusalsAreJsonErrors) {
  const std::string out = " --out '" + std::string(VARNESK_BINARY_DIR) + "/cli-render-refused.png'";
  CliRun r = render("demo.cen");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out["ok"], false);
  r = render("demo.cen" + out + " --overlays refs,grid");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out["error"].get<std::string>().find("grid"), std::string::npos);
  r = render("demo.cen" + out + " --parallels 1,2,3");
  EXPECT_EQ(r.exitCode, 1);
  r = render("demo.cen" + out + " --parallels 1,2,3,4 --segment 1,2,3,4");
  EXPECT_EQ(r.exitCode, 1);
  r = render("no-such.cen" + out);
  EXPECT_EQ(r.exitCode, 1);
  // a scene whose image is not a picture: the image library's code comes back
  const std::string bad = std::string(VARNESK_BINARY_DIR) + "/cli-render-bad.cen";
  std::ofstream(bad) << "demo.ref demo.ref\n";
  r = render("'" + bad + "'" + out);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out["error_code"], 4);
}
