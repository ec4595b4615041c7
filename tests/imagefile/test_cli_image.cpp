// varnesk-cli info and decode over the whole BMP/PCX/Sun/SGI/Targa/NKL corpus: the JSON says
// what the library says, and the PPM (top row first) holds the library's planes (bottom first).
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "image_test_util.h"

using namespace imgtest;

namespace {

const std::string kCli = std::string(VARNESK_BINARY_DIR) + "/cli/varnesk-cli";

// Runs the tool; its standard output and exit status.
std::string RunCli(const std::string& args, int* status) {
  FILE* p = ::popen((ShellQuote(kCli) + " " + args + " 2>/dev/null").c_str(), "r");
  std::string out;
  if (p == nullptr) return out;
  char block[4096];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, p)) > 0) out.append(block, n);
  int raw = ::pclose(p);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  for (const char* fmt : {"bmp", "pcx", "gif", "jpeg", "sun", "sgi", "tiff", "nkl", "tga"}) {
    for (const auto& entry : std::filesystem::directory_iterator(DataPath(fmt))) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".ppm" && ext != ".txt") files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

TEST(CliImage, info_and_decode_agree_with_the_library_on_every_corpus_file) {
  ASSERT_EQ(::access(kCli.c_str(), X_OK), 0) << kCli;
  const std::vector<std::string> files = CorpusFiles();
  ASSERT_GT(files.size(), 60u);
  const std::string ppm = TempPath("cli.ppm");
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ImageFileDescription d{};
    const int code = ImageFileDescribe(file.c_str(), &d);
    int status = -1;
    const nlohmann::json info = nlohmann::json::parse(RunCli("info " + ShellQuote(file), &status));
    if (code != IMAGE_OK) {
      EXPECT_EQ(status, 1);
      EXPECT_EQ(info["ok"], false);
      EXPECT_EQ(info["error_code"], code);
      continue;
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(info["format"], d.format);
    EXPECT_EQ(info["width"], d.width);
    EXPECT_EQ(info["height"], d.height);
    EXPECT_EQ(info["color_mode"], d.colourMode == IMAGE_MAP ? "MAP" : "RGB");
    EXPECT_EQ(info["palette_size"], d.paletteSize);

    std::remove(ppm.c_str());
    const std::string out = RunCli("decode " + ShellQuote(file) + " " + ShellQuote(ppm), &status);
    Planes ours;
    const int load = LoadImage(file, &ours);
    if (load != IMAGE_OK) {
      EXPECT_EQ(status, 1);
      EXPECT_EQ(nlohmann::json::parse(out)["error_code"], load);
      continue;
    }
    EXPECT_EQ(status, 0);
    Planes decoded;
    ASSERT_TRUE(ParsePnm(ReadFileBytes(ppm), &decoded));
    ExpectSamePlanes(ours, decoded, "decode " + file);
  }
}

TEST(CliImage, decode_to_standard_output_and_usage_errors) {
  int status = -1;
  const std::string file = DataPath("tga/rgb24_top_first.tga");
  const std::string out = RunCli("decode " + ShellQuote(file) + " -", &status);
  EXPECT_EQ(status, 0);
  Planes decoded, truth;
  ASSERT_TRUE(ParsePnm(std::vector<unsigned char>(out.begin(), out.end()), &decoded));
  ASSERT_TRUE(ParsePnm(ReadFileBytes(TruthPath(file)), &truth));
  ExpectSamePlanes(truth, decoded, "decode to stdout");

  const nlohmann::json missing = nlohmann::json::parse(RunCli("info " + ShellQuote(TempPath("none.bmp")), &status));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(missing["error_code"], IMAGE_ERR_OPEN);
  RunCli("decode", &status);
  EXPECT_EQ(status, 1);
}

TEST(CliImage, unopenable_paths_say_only_that_they_cannot_be_opened) {
  // the reason a file cannot be opened is part of the error: missing, a folder, a pipe
  const std::string fifo = TempPath("cli-pipe.tif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {TempPath("none.jpg"), "no such file"},
      {TempDir(), "directory"},
      {fifo, "pipe"},
  };
  for (const Case& c : cases) {
    for (const std::string& command : {"info ", "decode "}) {
      int status = -1;
      const std::string out = RunCli(command + ShellQuote(c.path) + (command == "decode " ? " -" : ""), &status);
      EXPECT_EQ(status, 1) << command << c.path;
      const nlohmann::json j = nlohmann::json::parse(out, nullptr, false);
      ASSERT_FALSE(j.is_discarded()) << out;
      EXPECT_EQ(j["error_code"], IMAGE_ERR_OPEN) << c.path;
      EXPECT_NE(j["error"].get<std::string>().find(c.reason), std::string::npos) << j["error"];
    }
  }
  std::remove(fifo.c_str());
}
