// PNG reader: files written at test time by ImageMagick, netpbm and Pillow in every colour type
// and depth, compared with pngtopnm; damaged, cut and oversized files.
#include <zlib.h>

#include "image_test_util.h"

using namespace imgtest;

namespace {

// A 45x31 picture with smooth gradients and hard edges, written once for all the encoders.
std::string Source() {
  static const std::string path = [] {
    const std::string p = TempPath("png-source.ppm");
    return std::system(("convert -size 45x31 plasma:fractal -seed 3 -depth 8 -fill black -draw 'rectangle 5,5 12,20' " +
                        ShellQuote(p)).c_str()) == 0 ? p : "";
  }();
  return path;
}

}  // namespace

TEST(Png, EncoderFileDecodesUnlikePngtopnm) {
  const std::string src = ShellQuote(Source());
  const std::string pil = "/usr/bin/python3 -c \"from PIL import Image; import sys; im = Image.open(sys.argv[1]); ";
  // each command writes the PNG named by a quoted path appended to it; then the colour mode
  const std::pair<std::string, int> cases[] = {
      {"convert " + src + " PNG24:", IMAGE_RGB},
      {"convert " + src + " PNG48:", IMAGE_RGB},
      {"convert " + src + " -alpha set -channel A -fx 'i/w' PNG32:", IMAGE_RGB},
      {"convert " + src + " -alpha set -channel A -fx 'j/h' PNG64:", IMAGE_RGB},
      {"convert " + src + " -colors 200 PNG8:", IMAGE_MAP},
      {"convert " + src + " -colorspace Gray -depth 16 -interlace PNG PNG:", IMAGE_MAP},
      {"convert " + src + " -colorspace Gray -alpha set -channel A -fx 'i/w' PNG:", IMAGE_MAP},
      {"pamthreshold " + src + " | pamtopnm | pnmtopng >", IMAGE_MAP},
      {"ppmtopgm " + src + " | pamdepth 3 | pnmtopng >", IMAGE_MAP},
      {"ppmtopgm " + src + " | pamdepth 15 | pnmtopng >", IMAGE_MAP},
      {"ppmtopgm " + src + " | pnmtopng >", IMAGE_MAP},
      {"pnmquant 4 " + src + " | pnmtopng >", IMAGE_MAP},
      {"pnmquant 16 " + src + " | pnmtopng -interlace >", IMAGE_MAP},
      {"pamdepth 65535 " + src + " | pnmtopng -interlace >", IMAGE_RGB},
      {pil + "im.convert('L').point(lambda v: v * 257, 'I').convert('I;16').save(sys.argv[2])\" " + src, IMAGE_MAP},
      {pil + "im.convert('LA').save(sys.argv[2])\" " + src, IMAGE_MAP},
      {pil + "im.quantize(64).save(sys.argv[2])\" " + src, IMAGE_MAP},
      {pil + "im.convert('RGBA').save(sys.argv[2])\" " + src, IMAGE_RGB},
  };
  for (const auto& [command, mode] : cases) {
    SCOPED_TRACE(command);
    const std::string path = TempPath("encoded.png");
    std::remove(path.c_str());
    ASSERT_EQ(std::system(("(" + command + (command.back() == ':' ? "" : " ") + ShellQuote(path) + ") 2>/dev/null").c_str()), 0);
    ImageFileDescription d{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK);
    EXPECT_STREQ(d.format, "PNG");
    EXPECT_EQ(d.colourMode, mode);
    EXPECT_EQ(d.readable, IMAGE_OK);
    // pngtopnm drops the alpha channel, as the reader does; pamdepth rounds 16-bit samples as it does
    ExpectDecodesLike(path, "pngtopnm {} | pamdepth 255");
  }
}

TEST(Png, CutCorruptOrOversizedFileIsRead) {
  const std::string path = TempPath("whole.png");
  ASSERT_EQ(std::system(("convert " + ShellQuote(Source()) + " PNG24:" + ShellQuote(path)).c_str()), 0);
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  // every prefix, IEND included: a file cut after its pixel data is still cut
  ExpectCutsRefused(bytes, "whole.png");
  const size_t idat = std::string(bytes.begin(), bytes.end()).find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  // a byte changed, or IHDR's width and height set (its CRC made right again)
  struct Case {
    const char* what;
    size_t at;
    uint32_t width, height;
    int info, load;
  };
  const Case cases[] = {
      {"signature", 1, 0, 0, IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT},
      {"IHDR type", 13, 0, 0, IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"IHDR bit depth (CRC no longer matches)", 24, 0, 0, IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"compressed data", idat + 40, 0, 0, IMAGE_OK, IMAGE_ERR_READ},
      {"empty", 0, 0, 4, IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"2^32 pixels: above the library's cap", 0, 1u << 16, 1u << 16, IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
      {"2^31 - 1 columns", 0, 0x7FFFFFFF, 1, IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
      {"within the cap, but no deflate stream this short holds it", 0, 16384, 16384, IMAGE_ERR_READ, IMAGE_ERR_READ},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<unsigned char> broken = bytes;
    if (c.at != 0) broken[c.at] ^= 0x5A;
    if (c.height != 0) {
      for (int i = 0; i < 4; ++i) {
        broken[16 + i] = static_cast<unsigned char>(c.width >> (24 - 8 * i));
        broken[20 + i] = static_cast<unsigned char>(c.height >> (24 - 8 * i));
      }
      const uint32_t crc = static_cast<uint32_t>(crc32(0, &broken[12], 17));
      for (int i = 0; i < 4; ++i) broken[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    }
    ASSERT_TRUE(WriteFileBytes(TempPath("broken.png"), broken));
    ExpectCodes(TempPath("broken.png"), c.info, c.load);
  }
}
