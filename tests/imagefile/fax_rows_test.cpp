// OS/2 bitmaps coded as fax rows. libtiff's decoder reports a bad code, a row of the wrong length
// or data ending early, then fills the row with a guess and goes on; the corpus check sees only
// the intact file, so damage must be shown here to come out as a read error, never a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image_test_util.h"

namespace {

TEST(FaxRows, DamagedRowsLoadAsAPicture) {
  const std::string source = std::string(VARNESK_SOURCE_DIR) + "/../shared/corpora/images/bmpsuite/q/pal1huffmsb.bmp";
  const std::vector<unsigned char> intact = imgtest::ReadFileBytes(source);
  if (intact.empty()) GTEST_SKIP() << "no shared corpus beside the source tree";
  constexpr size_t kRows = 86;       // the coded rows start here: 64 rows in about 2 KB
  constexpr size_t kPageEnd = 9;     // six end-of-line codes close the page; the rows need none
  struct Damage {
    std::string what;
    size_t at;  // from the first coded byte
    std::vector<unsigned char> bytes;
  };
  std::vector<Damage> damages = {
      {"one byte changed mid-picture", 214, {0x5A}},
      {"a run of zero bytes (no code is that long)", 114, std::vector<unsigned char>(10, 0)},
      {"a run of one bits (rows too long)", 34, std::vector<unsigned char>(6, 0xFF)},
      {"the first end-of-line code missing", 0, {0x35, 0x13}},
  };
  // and the file cut anywhere in the rows (size marks a cut, not a change)
  for (size_t n = kRows; n + kPageEnd < intact.size(); n += 13) damages.push_back({"cut to " + std::to_string(n), n, {}});
  const std::string path = imgtest::TempPath("damaged-fax.bmp");
  for (const Damage& d : damages) {
    std::vector<unsigned char> bytes = intact;
    if (d.bytes.empty()) {
      bytes.resize(d.at);
    } else {
      std::copy(d.bytes.begin(), d.bytes.end(), bytes.begin() + static_cast<long>(kRows + d.at));
    }
    ASSERT_TRUE(imgtest::WriteFileBytes(path, bytes));
    imgtest::Planes planes;
    EXPECT_EQ(imgtest::LoadImage(path, &planes), IMAGE_ERR_READ) << d.what;
  }
}

}  // namespace
