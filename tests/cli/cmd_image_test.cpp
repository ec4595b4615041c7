// varnesk-cli info and decode: the JSON says what the file holds, the PPM (top row first, to a
// file or to standard output) holds the truth picture, and a failure carries the library's code
// and the reason a path cannot be opened.
#include <sys/stat.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "image_test_util.h"

using namespace imgtest;

namespace {

nlohmann::json Cli(const std::string& args, int* status) {
  return nlohmann::json::parse(RunCommand(ShellQuote(VARNESK_CLI) + " " + args, status), nullptr, false);
}

}  // namespace

TEST(CmdImage, InfoOrDecodeMisreportsTheFile) {
  struct Case {
    const char* file;
    const char* format;  // null: the fields are not checked
    const char* mode;
    int width, height, palette;
    int infoCode, decodeCode;  // the library's codes, 0 when it reads the file
  };
  const Case cases[] = {
      {"tga/rgb24_top_first.tga", "TGA", "RGB", 37, 23, 0, 0, 0},
      {"bmp/map8_used_colours_16.bmp", "BMP", "MAP", 37, 23, 16, 0, 0},
      {"pcx/run_across_rows.pcx", "PCX", "MAP", 8, 2, 256, 0, 0},
      {"pcx/refused_2_planes.pcx", nullptr, nullptr, 0, 0, 0, 0, IMAGE_ERR_VARIANT},
      {"bmp/refused_huge_dimensions.bmp", nullptr, nullptr, 0, 0, 0, IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = ShellQuote(DataPath(c.file)), ppm = TempPath("cli.ppm");
    int status = -1;
    const nlohmann::json info = Cli("info " + path, &status);
    EXPECT_EQ(status, c.infoCode == 0 ? 0 : 1);
    if (c.format != nullptr) {
      EXPECT_EQ(info["format"], c.format);
      EXPECT_EQ(info["width"], c.width);
      EXPECT_EQ(info["height"], c.height);
      EXPECT_EQ(info["color_mode"], c.mode);
      EXPECT_EQ(info["palette_size"], c.palette);
    } else if (c.infoCode != 0) {
      EXPECT_EQ(info["error_code"], c.infoCode);
    }
    std::remove(ppm.c_str());
    const nlohmann::json decoded = Cli("decode " + path + " " + ShellQuote(ppm), &status);
    EXPECT_EQ(status, c.decodeCode == 0 ? 0 : 1);
    if (c.decodeCode != 0) {
      EXPECT_EQ(decoded["error_code"], c.decodeCode);
      continue;
    }
    const std::vector<unsigned char> file = ReadFileBytes(ppm);
    const std::string stdoutPpm = RunCommand(ShellQuote(VARNESK_CLI) + " decode " + path + " -", &status);
    EXPECT_EQ(status, 0);
    const std::vector<unsigned char> truth = ReadFileBytes(DataPath(std::string(c.file).substr(0, std::strlen(c.file) - 3) + "ppm"));
    Planes want, got;
    ASSERT_TRUE(ParsePpm(std::string(truth.begin(), truth.end()), &want));
    for (const std::string& out : {std::string(file.begin(), file.end()), stdoutPpm}) {
      ASSERT_TRUE(ParsePpm(out, &got)) << out.substr(0, 20);
      ExpectSamePlanes(want, got);
    }
  }
}

TEST(CmdImage, UnopenablePathGivesNoReasonOrTheWrongCode) {
  const std::string fifo = TempPath("cli-pipe.tif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, const char*> cases[] = {
      {TempPath("none.jpg"), "no such file"}, {TempPath(""), "directory"}, {fifo, "pipe"}};
  for (const auto& [path, reason] : cases) {
    for (const char* command : {"info ", "decode "}) {
      int status = -1;
      const nlohmann::json j = Cli(command + ShellQuote(path) + (command[0] == 'd' ? " -" : ""), &status);
      EXPECT_EQ(status, 1) << command << path;
      ASSERT_TRUE(j.is_object()) << command << path;
      EXPECT_EQ(j["error_code"], IMAGE_ERR_OPEN) << path;
      EXPECT_NE(j["error"].get<std::string>().find(reason), std::string::npos) << j["error"];
    }
  }
  int status = -1;
  EXPECT_TRUE(Cli("decode", &status).is_object());
  EXPECT_EQ(status, 1) << "a command without its arguments";
  std::remove(fifo.c_str());
}
