// GIF reader: the minimum code sizes other encoders write, made at test time and compared with
// giftopnm, and the sizes that leave no room for codes (the rest of the GIF files are in the
// corpus test).
#include "image_test_util.h"

using namespace imgtest;

namespace {

// Offset of the LZW minimum code size byte of the first image, or 0 when the blocks before it
// cannot be walked.
size_t CodeSizeOffset(const std::vector<unsigned char>& b) {
  size_t i = b.size() < 13 ? b.size() : 13 + ((b[10] & 0x80) ? 3u * (2u << (b[10] & 7)) : 0u);
  while (i < b.size() && b[i] == 0x21) {  // extensions
    for (i += 2; i < b.size() && b[i] != 0; i += b[i] + 1u) {
    }
    ++i;
  }
  if (i + 10 >= b.size() || b[i] != 0x2C) return 0;
  i += 10 + ((b[i + 9] & 0x80) ? 3u * (2u << (b[i + 9] & 7)) : 0u);
  return i < b.size() ? i : 0;
}

}  // namespace

TEST(Gif, SmallOrLargeCodeSizeDecodesUnlikeGiftopnm) {
  const std::string source = TempPath("gif-source.ppm");
  ASSERT_EQ(std::system(("convert -size 61x43 plasma:fractal -seed 7 " + ShellQuote(source)).c_str()), 0);
  // the palette sizes for which encoders write minimum code sizes 2, 3, 5, 6 and 7
  for (int codeSize : {2, 3, 5, 6, 7}) {
    const std::string n = std::to_string(1 << codeSize), q = ShellQuote(source);
    const std::string pillow = "/usr/bin/python3 -c \"from PIL import Image; import sys; p = Image.open(sys.argv[1]).quantize(" +
                               n + "); p.putpalette(p.getpalette()[:3 * " + n + "]); p.save(sys.argv[2])\" " + q;
    // (this Pillow writes code size 8 whatever the palette)
    const std::pair<std::string, bool> encoders[] = {
        {"convert " + q + " -colors " + n, true}, {"pnmquant " + n + " " + q + " | pamtogif >", true}, {pillow, false}};
    for (const auto& [command, smallest] : encoders) {
      SCOPED_TRACE(command);
      const std::string path = TempPath("code-size.gif");
      ASSERT_EQ(std::system(("(" + command + " " + ShellQuote(path) + ") 2>/dev/null").c_str()), 0);
      const std::vector<unsigned char> bytes = ReadFileBytes(path);
      const size_t at = CodeSizeOffset(bytes);
      ASSERT_NE(at, 0u);
      EXPECT_TRUE(!smallest || bytes[at] == codeSize) << int(bytes[at]);
      ExpectDecodesLike(path, "giftopnm {}");
    }
  }
}

TEST(Gif, CodeSizeWithoutRoomForTheCodesIsRead) {
  std::vector<unsigned char> bytes = ReadFileBytes(DataPath("gif/photo_16.gif"));
  const size_t at = CodeSizeOffset(bytes);
  ASSERT_NE(at, 0u);
  for (int size : {0, 12, 255}) {
    bytes[at] = static_cast<unsigned char>(size);
    ASSERT_TRUE(WriteFileBytes(TempPath("code-size.gif"), bytes));
    ImageFileDescription d{};
    ASSERT_EQ(ImageFileDescribe(TempPath("code-size.gif").c_str(), &d), IMAGE_OK);
    EXPECT_EQ(d.readable, IMAGE_ERR_VARIANT) << size;
    ExpectCodes(TempPath("code-size.gif"), IMAGE_OK, IMAGE_ERR_VARIANT);
  }
}
