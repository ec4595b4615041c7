// JPEG reader: cjpeg's files compared with djpeg's decoding of the same file (the format is
// lossy, so libjpeg's own output is the reference), truncated and foreign files, and CMYK and
// YCCK files written here with libjpeg's compressor.
#include <cstdio>

#include <jpeglib.h>

#include "format_driver.h"
#include "image_test_util.h"

using imgtest::DataPath;
using imgtest::LoadImage;
using imgtest::Planes;

namespace {

std::string Jpeg(const std::string& name) { return DataPath("jpeg/" + name); }

// Writes a JPEG of `components` samples per pixel, stored in `stored` colour space, from rows
// given top first; quality 100 and no chroma subsampling, so flat blocks come back near exact.
bool WriteJpeg(const std::string& path, int width, int height, int components, J_COLOR_SPACE input,
               J_COLOR_SPACE stored, const std::vector<unsigned char>& samples) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = input;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, stored);
  for (int i = 0; i < c.num_components; ++i) {
    c.comp_info[i].h_samp_factor = 1;
    c.comp_info[i].v_samp_factor = 1;
  }
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

}  // namespace

TEST(JpegReader, encoder_files_match_djpeg) {
  struct Case {
    const char* name;
    int colourMode;
  };
  const Case cases[] = {
      {"rgb_q90.jpg", IMAGE_RGB},        {"rgb_q95_444.jpg", IMAGE_RGB},
      {"progressive.jpg", IMAGE_RGB},    {"restart_every_row.jpg", IMAGE_RGB},
      {"arithmetic.jpg", IMAGE_RGB},     {"rgb_colour_space.jpg", IMAGE_RGB},
      {"grey.jpg", IMAGE_MAP},
  };
  for (const Case& c : cases) {
    const std::string path = Jpeg(c.name);
    ImageFileDescription info{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &info), IMAGE_OK) << c.name;
    EXPECT_STREQ(info.format, "JPEG");
    EXPECT_EQ(info.width, 61);
    EXPECT_EQ(info.height, 43);
    EXPECT_EQ(info.colourMode, c.colourMode) << c.name;
    EXPECT_EQ(info.paletteSize, c.colourMode == IMAGE_MAP ? 256 : 0) << c.name;
    Planes ours, theirs;
    ASSERT_EQ(LoadImage(path, &ours), IMAGE_OK) << c.name;
    ASSERT_TRUE(imgtest::RunToPnm("djpeg -pnm " + imgtest::ShellQuote(path), &theirs)) << c.name;
    imgtest::ExpectSamePlanes(theirs, ours, c.name);
  }
}

TEST(JpegReader, truncated_file_loads_with_the_inserted_end_marker) {
  Planes truth, ours;
  ASSERT_TRUE(imgtest::ParsePnm(imgtest::ReadFileBytes(Jpeg("truncated_55_percent.ppm")), &truth));
  ASSERT_EQ(LoadImage(Jpeg("truncated_55_percent.jpg"), &ours), IMAGE_OK);
  imgtest::ExpectSamePlanes(truth, ours, "truncated_55_percent.jpg");
}

TEST(JpegReader, libjpeg_says_nothing_on_stderr) {
  testing::internal::CaptureStderr();
  Planes p;
  EXPECT_EQ(LoadImage(Jpeg("truncated_55_percent.jpg"), &p), IMAGE_OK);
  EXPECT_EQ(LoadImage(Jpeg("tables_only.jpg"), &p), IMAGE_ERR_FORMAT);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(JpegReader, files_that_are_not_images_are_not_jpeg) {
  ImageFormatDriver* jpeg = ImageFindFormat("JPEG");
  ASSERT_NE(jpeg, nullptr);
  const std::string empty = imgtest::TempPath("empty.jpg");
  ASSERT_TRUE(imgtest::WriteFileBytes(empty, "", 0));
  // an empty file, a stream of tables with no image, and another format's file
  for (const std::string& path : {empty, Jpeg("tables_only.jpg"), DataPath("gif/photo_16.gif")}) {
    int error = -1;
    ImageFileHandle* h = jpeg->open(path.c_str(), &error);
    EXPECT_EQ(error, IMAGE_ERR_FORMAT) << path;
    EXPECT_EQ(h, nullptr) << path;
  }
  int error = -1;
  EXPECT_EQ(jpeg->open(imgtest::TempPath("no-such-file.jpg").c_str(), &error), nullptr);
  EXPECT_EQ(error, IMAGE_ERR_OPEN);
}

TEST(JpegReader, huge_declared_size_is_refused_before_decoding) {
  std::vector<unsigned char> bytes = imgtest::ReadFileBytes(Jpeg("rgb_q90.jpg"));
  // the baseline frame header: FF C0, length, precision, then height and width
  size_t sof = 0;
  for (size_t i = 2; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  }
  ASSERT_NE(sof, 0u);
  bytes[sof + 5] = 0xFF, bytes[sof + 6] = 0xDC;  // 65500 rows
  bytes[sof + 7] = 0xFF, bytes[sof + 8] = 0xDC;  // 65500 columns
  const std::string path = imgtest::TempPath("huge.jpg");
  ASSERT_TRUE(imgtest::WriteFileBytes(path, bytes));
  EXPECT_EQ(ImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_ERR_VARIANT);
}

TEST(JpegReader, progressive_file_declaring_a_huge_picture_fails_without_the_memory) {
  // 16000 x 16000 is within the pixel limit, but a progressive decoder would need 768 MB of
  // coefficients for it: the first row read refuses, the size is still reported
  std::vector<unsigned char> bytes = imgtest::ReadFileBytes(Jpeg("progressive.jpg"));
  size_t sof = 0;
  for (size_t i = 2; i + 9 < bytes.size() && sof == 0; ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) sof = i;
  }
  ASSERT_NE(sof, 0u);
  bytes[sof + 5] = 16000 >> 8, bytes[sof + 6] = 16000 & 0xFF;
  bytes[sof + 7] = 16000 >> 8, bytes[sof + 8] = 16000 & 0xFF;
  const std::string path = imgtest::TempPath("huge-progressive.jpg");
  ASSERT_TRUE(imgtest::WriteFileBytes(path, bytes));
  ImageFormatDriver* jpeg = ImageFindFormat("JPEG");
  int error = -1;
  ImageFileHandle* h = jpeg->open(path.c_str(), &error);
  ASSERT_EQ(error, IMAGE_OK);
  EXPECT_EQ(h->width, 16000);
  std::vector<unsigned char> r(16000), g(16000), b(16000);
  EXPECT_EQ(jpeg->readRgbRow(h, r.data(), g.data(), b.data()), IMAGE_ERR_READ);
  jpeg->close(h);
}

TEST(JpegReader, cmyk_and_inverted_ycck_give_the_same_colours) {
  // 16x16 blocks of C, M, Y, K values and the colour each must come out as
  struct Block {
    unsigned char cmyk[4];
    unsigned rgb;
  };
  const Block blocks[] = {
      {{0, 255, 255, 0}, 0xFF0000},   {{255, 0, 255, 0}, 0x00FF00}, {{255, 255, 0, 0}, 0x0000FF},
      {{0, 0, 0, 0}, 0xFFFFFF},       {{0, 0, 0, 255}, 0x000000},   {{0, 0, 0, 128}, 0x7F7F7F},
      {{128, 0, 0, 0}, 0x7FFFFF},     {{0, 128, 128, 128}, 0x7F3F3F},
  };
  const int n = sizeof blocks / sizeof blocks[0];
  const int width = 16 * n, height = 16;
  std::vector<unsigned char> plain(static_cast<size_t>(width) * height * 4), inverted(plain.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int k = 0; k < 4; ++k) {
        size_t i = (static_cast<size_t>(y) * width + x) * 4 + k;
        plain[i] = blocks[x / 16].cmyk[k];
        inverted[i] = static_cast<unsigned char>(255 - plain[i]);
      }
    }
  }
  const std::string cmykPath = imgtest::TempPath("plain.cmyk.jpg");
  const std::string ycckPath = imgtest::TempPath("adobe.ycck.jpg");
  ASSERT_TRUE(WriteJpeg(cmykPath, width, height, 4, JCS_CMYK, JCS_CMYK, plain));
  ASSERT_TRUE(WriteJpeg(ycckPath, width, height, 4, JCS_CMYK, JCS_YCCK, inverted));
  for (const std::string& path : {cmykPath, ycckPath}) {
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK) << path;
    for (int b = 0; b < n; ++b) {
      unsigned got = p.rgb(16 * b + 8, 8);
      for (int shift = 0; shift <= 16; shift += 8) {
        int want = (blocks[b].rgb >> shift) & 0xFF, have = (got >> shift) & 0xFF;
        EXPECT_NEAR(have, want, 3) << path << " block " << b << std::hex << " got 0x" << got;
      }
    }
  }
}

TEST(JpegReader, unknown_colour_space_reports_size_but_does_not_load) {
  const std::string path = imgtest::TempPath("two-components.jpg");
  std::vector<unsigned char> samples(24 * 8 * 2, 100);
  ASSERT_TRUE(WriteJpeg(path, 24, 8, 2, JCS_UNKNOWN, JCS_UNKNOWN, samples));
  int w = 0, h = 0;
  EXPECT_EQ(ImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr), IMAGE_OK);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(h, 8);
  Planes p;
  EXPECT_EQ(LoadImage(path, &p), IMAGE_ERR_VARIANT);
}

TEST(JpegReader, every_prefix_gives_a_clean_result) {
  // a truncated JPEG loads by design, so only the empty prefix must fail; the point is that no
  // prefix crashes or leaks under the sanitizers
  for (const char* name : {"rgb_q90.jpg", "progressive.jpg", "arithmetic.jpg"}) {
    imgtest::ExpectTruncationsFail(imgtest::ReadFileBytes(Jpeg(name)), name, 1);
  }
}
