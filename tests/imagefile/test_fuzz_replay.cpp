// Replays the fuzz seeds of every driver and every input that ever crashed a reader
// (tests/data/crashers/) the way the fuzz targets run them: each must end with a library code.
#include <filesystem>

#include "image_test_util.h"

using namespace imgtest;

namespace {

// Returns the load's code (or info's, when info fails).
int Replay(const std::string& path) {
  SCOPED_TRACE(path);
  int w = 0, h = 0;
  const int info = ImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr);
  EXPECT_GE(info, 0);
  EXPECT_LE(info, 6);
  if (info != IMAGE_OK) return info;
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  EXPECT_LE(static_cast<long long>(w) * h, IMAGE_MAX_PIXELS);
  if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > (1LL << 18)) return -1;
  Planes p;
  p.resize(w, h);
  const int load = ImageLoadRGBSized(path.c_str(), w, h, p.red.data(), p.green.data(), p.blue.data());
  EXPECT_GE(load, 0);
  EXPECT_LE(load, 6);
  return load;
}

}  // namespace

TEST(FuzzReplay, seeds_and_crashers_end_with_a_library_code) {
  namespace fs = std::filesystem;
  const std::string root = VARNESK_SOURCE_DIR;
  size_t replayed = 0;
  for (const std::string& dir : {root + "/fuzz/imagefile/seeds", root + "/tests/data/crashers"}) {
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      const int code = Replay(entry.path().string());
      // every kept crasher is a damaged file: it must fail, not pass for a picture
      if (dir.find("crashers") != std::string::npos) EXPECT_NE(code, IMAGE_OK) << entry.path();
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 50u);
}
