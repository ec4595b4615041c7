// Targa reader: every origin a descriptor can name, and grey with alpha (netpbm writes neither;
// the rest of the Targa files are in the corpus test).
#include "image_test_util.h"

using namespace imgtest;

TEST(Tga, OriginOrGreyAlphaFillsThePlanesMirrored) {
  // netpbm's bottom-left files with the descriptor's origin bits set must read as netpbm's
  // picture mirrored: 0x10 stores pixels from the right, 0x20 rows from the top
  const std::pair<int, const char*> origins[] = {{0x00, "cat"}, {0x10, "pamflip -lr"}, {0x20, "pamflip -tb"}, {0x30, "pamflip -r180"}};
  const std::pair<const char*, bool> files[] = {
      {"tga/rgb24_raw.tga", false}, {"tga/rgb24_rle.tga", false}, {"tga/grey8_raw.tga", false},
      {"tga/grey8_rle.tga", false}, {"tga/grey8_raw.tga", true}};
  for (const auto& [name, alpha] : files) {
    for (const auto& [bits, flip] : origins) {
      SCOPED_TRACE(std::string(name) + (alpha ? " with alpha" : "") + ", origin bits " + std::to_string(bits));
      std::vector<unsigned char> b = ReadFileBytes(DataPath(name));
      ASSERT_GT(b.size(), 18u);
      if (alpha) {  // every grey sample followed by an alpha byte: 16-bit grey and alpha pixels
        const std::vector<unsigned char> grey(b.begin() + 18 + b[0], b.end());
        b.resize(18 + b[0]);
        for (unsigned char v : grey) b.push_back(v), b.push_back(0x80);
        b[16] = 16, b[17] |= 8;
      }
      b[17] = static_cast<unsigned char>((b[17] & 0xCF) | bits);
      ASSERT_TRUE(WriteFileBytes(TempPath("origin.tga"), b));
      ExpectDecodesLike(TempPath("origin.tga"), "tgatoppm " + ShellQuote(DataPath(name)) + " | " + flip);
    }
  }
}
