// PNG reader: files written by ImageMagick, netpbm and Pillow in every colour type and depth,
// compared with pngtopnm's decoding; damaged, truncated and oversized files.
#include <zlib.h>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

namespace {

// A 45x31 picture with smooth gradients and hard edges, written once for all the encoders.
const std::string& Source() {
  static const std::string path = [] {
    const std::string p = TempPath("png-source.ppm");
    std::system(("convert -size 45x31 plasma:fractal -seed 3 -depth 8 -fill black -draw 'rectangle 5,5 12,20' " +
                 ShellQuote(p)).c_str());
    return p;
  }();
  return path;
}

// pngtopnm gives 16-bit samples on the 0-65535 scale and drops the alpha channel, as the
// reader does; pamdepth rounds to 8 bits as the reader does.
const char kReference[] = "pngtopnm {} | pamdepth 255";

void Put32(std::vector<unsigned char>* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// Recomputes the CRC of the chunk whose type starts at `typeAt` and that holds `length` bytes.
void FixCrc(std::vector<unsigned char>* b, size_t typeAt, uint32_t length) {
  Put32(b, typeAt + 4 + length, static_cast<uint32_t>(crc32(0, &(*b)[typeAt], length + 4)));
}

}  // namespace

TEST(PngReader, files_from_three_encoders_match_pngtopnm) {
  struct Case {
    const char* name;
    std::string command;  // writes the PNG named by its end (a quoted path is appended)
    int mode;
  };
  const std::string src = ShellQuote(Source());
  const std::string pil = "/usr/bin/python3 -c \"from PIL import Image; import sys; im = Image.open(sys.argv[1]); ";
  const Case cases[] = {
      {"magick-rgb8.png", "convert " + src + " PNG24:", IMAGE_RGB},
      {"magick-rgb16.png", "convert " + src + " PNG48:", IMAGE_RGB},
      {"magick-rgba8.png", "convert " + src + " -alpha set -channel A -fx 'i/w' PNG32:", IMAGE_RGB},
      {"magick-rgba16.png", "convert " + src + " -alpha set -channel A -fx 'j/h' PNG64:", IMAGE_RGB},
      {"magick-palette.png", "convert " + src + " -colors 200 PNG8:", IMAGE_MAP},
      {"magick-interlaced.png", "convert " + src + " -interlace PNG PNG24:", IMAGE_RGB},
      {"magick-grey16-interlaced.png", "convert " + src + " -colorspace Gray -depth 16 -interlace PNG", IMAGE_MAP},
      {"magick-grey-alpha.png", "convert " + src + " -colorspace Gray -alpha set -channel A -fx 'i/w'", IMAGE_MAP},
      {"netpbm-grey1.png", "pamthreshold " + src + " | pamtopnm | pnmtopng >", IMAGE_MAP},
      {"netpbm-grey2.png", "ppmtopgm " + src + " | pamdepth 3 | pnmtopng >", IMAGE_MAP},
      {"netpbm-grey4.png", "ppmtopgm " + src + " | pamdepth 15 | pnmtopng >", IMAGE_MAP},
      {"netpbm-grey8.png", "ppmtopgm " + src + " | pnmtopng >", IMAGE_MAP},
      {"netpbm-palette2.png", "pnmquant 4 " + src + " | pnmtopng >", IMAGE_MAP},
      {"netpbm-palette4.png", "pnmquant 16 " + src + " | pnmtopng -interlace >", IMAGE_MAP},
      {"netpbm-rgb16.png", "pamdepth 65535 " + src + " | pnmtopng -interlace >", IMAGE_RGB},
      {"pillow-1.png", pil + "im.convert('1').save(sys.argv[2])\" " + src, IMAGE_MAP},
      {"pillow-L.png", pil + "im.convert('L').save(sys.argv[2])\" " + src, IMAGE_MAP},
      {"pillow-I16.png", pil + "im.convert('L').point(lambda v: v * 257, 'I').convert('I;16').save(sys.argv[2])\" " + src,
       IMAGE_MAP},
      {"pillow-LA.png", pil + "im.convert('LA').save(sys.argv[2])\" " + src, IMAGE_MAP},
      {"pillow-P.png", pil + "im.quantize(64).save(sys.argv[2])\" " + src, IMAGE_MAP},
      {"pillow-RGBA.png", pil + "im.convert('RGBA').save(sys.argv[2])\" " + src, IMAGE_RGB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const std::string path = TempPath(c.name);
    const char last = c.command.back();
    ASSERT_EQ(std::system((c.command + (last == ':' ? "" : " ") + ShellQuote(path) + " 2>/dev/null").c_str()), 0);
    ImageFileDescription d{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK);
    EXPECT_STREQ(d.format, "PNG");
    EXPECT_EQ(d.colourMode, c.mode);
    EXPECT_EQ(d.readable, IMAGE_OK);
    ExpectDecodesLike(path, kReference);
  }
}

TEST(PngReader, registered_after_the_nine_others) {
  const ImageFormatDriver* png = ImageFindFormat("PNG");
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->id, 9);
}

TEST(PngReader, truncated_and_corrupted_files_are_refused) {
  const std::string path = TempPath("whole.png");
  ASSERT_EQ(std::system(("convert " + ShellQuote(Source()) + " PNG24:" + ShellQuote(path)).c_str()), 0);
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  // every prefix, IEND included: a file cut after its pixel data is still cut
  ExpectTruncationsFail(bytes, "whole.png");

  struct Case {
    const char* what;
    size_t at;  // byte to change
    int info, load;
  };
  const size_t idat = std::string(bytes.begin(), bytes.end()).find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const Case cases[] = {
      {"signature", 1, IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT},
      {"IHDR type", 13, IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"IHDR bit depth (CRC no longer matches)", 24, IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"compressed data", idat + 40, IMAGE_OK, IMAGE_ERR_READ},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<unsigned char> broken = bytes;
    broken[c.at] ^= 0x5A;
    const std::string bad = TempPath("broken.png");
    ASSERT_TRUE(WriteFileBytes(bad, broken));
    ExpectRefused(bad, c.info, c.load);
  }
}

TEST(PngReader, sizes_are_bounded_before_anything_is_allocated) {
  const std::string path = TempPath("small.png");
  ASSERT_EQ(std::system(("convert -size 4x4 xc:red PNG24:" + ShellQuote(path)).c_str()), 0);
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  struct Case {
    uint32_t width, height;
    int code;
  };
  const Case cases[] = {
      {0, 4, IMAGE_ERR_READ},           // empty
      {1u << 16, 1u << 16, IMAGE_ERR_VARIANT},  // 2^32 pixels: above the library's cap
      {0x7FFFFFFF, 1, IMAGE_ERR_VARIANT},
      {16384, 16384, IMAGE_ERR_READ},   // within the cap, but no deflate stream this short holds it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    std::vector<unsigned char> big = bytes;
    Put32(&big, 16, c.width);
    Put32(&big, 20, c.height);
    FixCrc(&big, 12, 13);
    const std::string bad = TempPath("big.png");
    ASSERT_TRUE(WriteFileBytes(bad, big));
    ExpectRefused(bad, c.code, c.code);
  }
}
