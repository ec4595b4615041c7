// JPEG reader: CMYK, YCCK, two-component and many-scan files written here with libjpeg's
// compressor, and a progressive file patched to a huge size (cjpeg's files, cut at every length,
// are in the corpus test; 12-bit, lossless and cut files from elsewhere in the hostile corpus).
#include <cstdio>

#include <jpeglib.h>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

namespace {

// Writes a JPEG of `components` samples per pixel (rows top first) stored in colour space
// `stored`; quality 100 and no chroma subsampling, so flat blocks come back near exact.
bool WriteJpeg(const std::string& path, int width, int height, int components, J_COLOR_SPACE input,
               J_COLOR_SPACE stored, const std::vector<unsigned char>& samples, bool adobe, bool progressive = false) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width), c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components, c.in_color_space = input;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, stored);
  c.write_Adobe_marker = adobe ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(&c);
  for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&samples[static_cast<size_t>(c.next_scanline) * width * components]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

// Offsets of every marker 0xFF `code` after the start of image.
std::vector<size_t> Markers(const std::vector<unsigned char>& b, unsigned char code) {
  std::vector<size_t> at;
  for (size_t i = 2; i + 1 < b.size(); ++i) {
    if (b[i] == 0xFF && b[i + 1] == code) at.push_back(i);
  }
  return at;
}

}  // namespace

TEST(Jpeg, ScansOrCoefficientsBeyondTheBoundAreDecoded) {
  // A flat progressive picture whose last scan (an empty refinement, a few bytes) is repeated:
  // each copy costs a pass over all 4.7 million pixels. 950 scans are under the scan cap but
  // beyond the work bound; the file as written loads.
  const int width = 2048, height = 2304;
  const std::string path = TempPath("many-scans.jpg");
  ASSERT_TRUE(WriteJpeg(path, width, height, 1, JCS_GRAYSCALE, JCS_GRAYSCALE,
                        std::vector<unsigned char>(static_cast<size_t>(width) * height, 90), false, true));
  ExpectCodes(path, IMAGE_OK, IMAGE_OK);
  std::vector<unsigned char> bytes = ReadFileBytes(path);
  ASSERT_FALSE(Markers(bytes, 0xDA).empty());
  const size_t last = Markers(bytes, 0xDA).back(), end = bytes.size() - 2;  // before the end-of-image marker
  std::vector<unsigned char> many(bytes.begin(), bytes.begin() + static_cast<long>(end));
  while (many.size() < end + 940 * (end - last)) many.insert(many.end(), bytes.begin() + static_cast<long>(last), bytes.begin() + static_cast<long>(end));
  many.push_back(0xFF), many.push_back(0xD9);
  ASSERT_TRUE(WriteFileBytes(path, many));
  ExpectCodes(path, IMAGE_OK, IMAGE_ERR_VARIANT);

  // 16000 x 16000 is within the pixel limit, but a progressive decoder would need 768 MB of
  // coefficients for it: the first row read refuses, the size is still reported
  bytes = ReadFileBytes(DataPath("jpeg/progressive.jpg"));
  ASSERT_EQ(Markers(bytes, 0xC2).size(), 1u);
  const size_t sof = Markers(bytes, 0xC2)[0];
  bytes[sof + 5] = bytes[sof + 7] = 16000 >> 8, bytes[sof + 6] = bytes[sof + 8] = 16000 & 0xFF;
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  ImageFormatDriver* jpeg = ImageFindFormat("JPEG");
  int error = -1;
  ImageFileHandle* h = jpeg->open(path.c_str(), &error);
  ASSERT_EQ(error, IMAGE_OK);
  EXPECT_EQ(h->width, 16000);
  std::vector<unsigned char> row(16000);
  EXPECT_EQ(jpeg->readRgbRow(h, row.data(), row.data(), row.data()), IMAGE_ERR_VARIANT);
  jpeg->close(h);
}

TEST(Jpeg, AdobeInversionOfCmykAndYcckMissingOrPlainCmykInverted) {
  // 16x16 blocks of C, M, Y, K values and the colour each must come out as
  struct Block {
    unsigned char cmyk[4];
    unsigned rgb;
  };
  const Block blocks[] = {
      {{0, 255, 255, 0}, 0xFF0000}, {{255, 0, 255, 0}, 0x00FF00}, {{255, 255, 0, 0}, 0x0000FF},
      {{0, 0, 0, 0}, 0xFFFFFF},     {{0, 0, 0, 255}, 0x000000},   {{0, 0, 0, 128}, 0x7F7F7F},
      {{128, 0, 0, 0}, 0x7FFFFF},   {{0, 128, 128, 128}, 0x7F3F3F},
  };
  const int n = sizeof blocks / sizeof blocks[0], width = 16 * n, height = 16;
  std::vector<unsigned char> plain, inverted;
  for (int i = 0; i < width * height * 4; ++i) {
    plain.push_back(blocks[i / 4 % width / 16].cmyk[i % 4]);
    inverted.push_back(static_cast<unsigned char>(255 - plain.back()));
  }
  // Adobe's applications store CMYK inverted and say so in their APP14 marker
  struct Case {
    const char* name;
    J_COLOR_SPACE stored;
    const std::vector<unsigned char>& samples;
    bool adobe;
  };
  const Case cases[] = {{"plain CMYK", JCS_CMYK, plain, false}, {"Adobe CMYK", JCS_CMYK, inverted, true},
                        {"Adobe YCCK", JCS_YCCK, inverted, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteJpeg(TempPath("cmyk.jpg"), width, height, 4, JCS_CMYK, c.stored, c.samples, c.adobe));
    Planes p;
    ASSERT_EQ(LoadImage(TempPath("cmyk.jpg"), &p), IMAGE_OK);
    for (int b = 0; b < n; ++b) {
      for (int shift = 0; shift <= 16; shift += 8) {
        EXPECT_NEAR(int(p.rgb(16 * b + 8, 8) >> shift & 0xFF), int(blocks[b].rgb >> shift & 0xFF), 3) << "block " << b;
      }
    }
  }
  // two components of no known colour space: the size is reported, the pixels are not read
  ASSERT_TRUE(WriteJpeg(TempPath("two.jpg"), 24, 8, 2, JCS_UNKNOWN, JCS_UNKNOWN, std::vector<unsigned char>(384, 100), true));
  int w = 0, h = 0;
  EXPECT_EQ(ImageFileInfo(TempPath("two.jpg").c_str(), &w, &h, nullptr, nullptr), IMAGE_OK);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(h, 8);
  ExpectCodes(TempPath("two.jpg"), IMAGE_OK, IMAGE_ERR_VARIANT);
}
