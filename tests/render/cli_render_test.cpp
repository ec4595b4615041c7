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

namespace {

// Every pixel of the test picture tells where it is: red = column mod 256, green = row (from the
// bottom) mod 256, blue = row / 256.
unsigned char position_colour(int x, int y, int channel) {
  return static_cast<unsigned char>(channel == 0 ? x % 256 : channel == 1 ? y % 256 : y / 256);
}

// The picture as a BMP made by ImageMagick from a PPM: written by another program than ours.
bool write_position_bmp(const std::string& path, int width, int height) {
  const std::string ppm = path + ".ppm";
  {
    std::ofstream f(ppm, std::ios::binary);
    f << "P6\n" << width << " " << height << "\n255\n";
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int y = height - 1; y >= 0; --y) {  // top row first
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = position_colour(x, y, c);
      }
      f.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
    }
  }
  return std::system(("convert '" + ppm + "' 'BMP3:" + path + "' 2>/dev/null").c_str()) == 0;
}

// Pixels within 7 of (x, y), y counted from the bottom, that a mark has changed.
int marked_near(const Picture& p, int x, int y) {
  int n = 0;
  for (int v = y - 7; v <= y + 7; ++v) {
    for (int u = x - 7; u <= x + 7; ++u) {
      const size_t i = (static_cast<size_t>(p.height - 1 - v) * p.width + u) * 3;
      n += p.rgb[i] != position_colour(u, v, 0) || p.rgb[i + 1] != position_colour(u, v, 1) ||
           p.rgb[i + 2] != position_colour(u, v, 2);
    }
  }
  return n;
}

}  // namespace

// A picture larger than one canvas band is drawn in bands of rows: the bands must meet without
// a seam, each row in its place, and a mark across a meeting must be whole.
TEST(CliRender, LargePicturesDrawnInBandsHaveNoSeams) {
  const int width = 2048, height = 3000;  // two bands of 2048 rows: the second flush with the top
  const std::string dir = VARNESK_BINARY_DIR;
  if (!write_position_bmp(dir + "/cli-render-bands.bmp", width, height)) GTEST_SKIP() << "no ImageMagick convert";
  // marks away from any meeting, and on the rows where the bands meet (952 and 2048)
  const int marks[][2] = {{1000, 500}, {300, 952}, {1500, 2048}, {700, 2047}, {1200, 2700}};
  std::ofstream ref(dir + "/cli-render-bands.ref");
  ref << 5 << "\n";
  for (const auto& m : marks) ref << "0 0 0 " << m[0] << " " << m[1] << "\n";
  ref.close();
  std::ofstream(dir + "/cli-render-bands.cen") << dir << "/cli-render-bands.bmp\n" << dir << "/cli-render-bands.ref\n";
  const std::string png = dir + "/cli-render-bands.png";
  const CliRun r = render("'" + dir + "/cli-render-bands.cen' --out '" + png + "' --overlays refs");
  ASSERT_EQ(r.exitCode, 0) << r.out.dump();
  const Picture p = read_png(png);
  ASSERT_EQ(p.width, width);
  ASSERT_EQ(p.height, height);
  int misplaced = 0;
  for (int v = 0; v < height; ++v) {
    for (int u = 0; u < width; u += 7) {
      bool nearMark = false;
      for (const auto& m : marks) nearMark = nearMark || (std::abs(u - m[0]) <= 8 && std::abs(v - m[1]) <= 8);
      if (nearMark) continue;
      const size_t i = (static_cast<size_t>(height - 1 - v) * width + u) * 3;
      misplaced += p.rgb[i] != position_colour(u, v, 0) || p.rgb[i + 1] != position_colour(u, v, 1) ||
                   p.rgb[i + 2] != position_colour(u, v, 2);
    }
  }
  EXPECT_EQ(misplaced, 0);
  // a mark cut at a meeting would lose the half drawn in the other band
  const int whole = marked_near(p, marks[0][0], marks[0][1]);
  EXPECT_GT(whole, 20);
  for (const auto& m : marks) EXPECT_NEAR(marked_near(p, m[0], m[1]), whole, whole / 10) << m[0] << ", " << m[1];
}
