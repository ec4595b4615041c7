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
               J_COLOR_SPACE stored, const std::vector<unsigned char>& samples, bool adobe = true,
               bool progressive = false) {
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
  c.write_Adobe_marker = adobe ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(&c);
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

// Offset of the first marker `code` (0xFF code) after the start-of-image marker, or 0.
size_t FindMarker(const std::vector<unsigned char>& bytes, unsigned char code, size_t from = 2) {
  for (size_t i = from; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
  }
  return 0;
}

TEST(JpegReader, cut_and_unsupported_files_fail_with_their_own_code) {
  // info: ImageFileInfo's code; load: the load's code after it (when info gave 0)
  const std::vector<unsigned char> baseline = imgtest::ReadFileBytes(Jpeg("rgb_q90.jpg"));
  const std::vector<unsigned char> progressive = imgtest::ReadFileBytes(Jpeg("progressive.jpg"));
  const size_t sos = FindMarker(baseline, 0xDA);
  const size_t sof = FindMarker(baseline, 0xC0);
  const size_t lastScan = [&] {
    size_t at = 0;
    for (size_t i = FindMarker(progressive, 0xDA); i != 0; i = FindMarker(progressive, 0xDA, i + 2)) at = i;
    return at;
  }();
  ASSERT_NE(sos, 0u);
  ASSERT_NE(sof, 0u);
  ASSERT_NE(lastScan, 0u);
  const size_t sosEnd = sos + 2 + (baseline[sos + 2] << 8 | baseline[sos + 3]);
  auto cut = [](std::vector<unsigned char> b, size_t n) { b.resize(n); return b; };
  auto patched = [](std::vector<unsigned char> b, size_t at, unsigned char v) { b[at] = v; return b; };
  std::vector<unsigned char> noScanData = cut(baseline, sosEnd);
  noScanData.push_back(0xFF), noScanData.push_back(0xD9);
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    int info;
    int load;
  };
  const Case cases[] = {
      {"cut inside the headers", cut(baseline, sof + 4), IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"cut at the first scan header", cut(baseline, sosEnd), IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"an end marker where the scan data belong", noScanData, IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"cut in the middle of the scan", cut(baseline, (sosEnd + baseline.size()) / 2), IMAGE_OK, IMAGE_ERR_READ},
      {"only the end marker missing", cut(baseline, baseline.size() - 2), IMAGE_OK, IMAGE_ERR_READ},
      {"progressive cut before its last scan", cut(progressive, lastScan), IMAGE_OK, IMAGE_ERR_READ},
      {"12-bit samples", patched(baseline, sof + 4, 12), IMAGE_OK, IMAGE_ERR_VARIANT},
      {"lossless process", patched(baseline, sof + 1, 0xC3), IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
  };
  for (const Case& c : cases) {
    const std::string path = imgtest::TempPath("cut.jpg");
    ASSERT_TRUE(imgtest::WriteFileBytes(path, c.bytes));
    imgtest::ExpectRefused(path, c.info, c.load);
    EXPECT_TRUE(!HasFailure()) << c.name;
  }
}

TEST(JpegReader, scans_beyond_the_work_bound_are_refused) {
  // A flat progressive picture whose last scan (an empty refinement, a few bytes) is repeated:
  // each copy costs a pass over all 4.7 million pixels. 950 scans are under the scan cap but
  // beyond the work bound; the file as written loads.
  const int width = 2048, height = 2304;
  const std::string path = imgtest::TempPath("many-scans.jpg");
  ASSERT_TRUE(WriteJpeg(path, width, height, 1, JCS_GRAYSCALE, JCS_GRAYSCALE,
                        std::vector<unsigned char>(static_cast<size_t>(width) * height, 90), false, true));
  Planes p;
  ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
  std::vector<unsigned char> bytes = imgtest::ReadFileBytes(path);
  size_t last = 0;
  for (size_t i = FindMarker(bytes, 0xDA); i != 0; i = FindMarker(bytes, 0xDA, i + 2)) last = i;
  ASSERT_NE(last, 0u);
  const size_t end = bytes.size() - 2;  // the end-of-image marker
  const std::vector<unsigned char> scan(bytes.begin() + static_cast<long>(last), bytes.begin() + static_cast<long>(end));
  std::vector<unsigned char> many(bytes.begin(), bytes.begin() + static_cast<long>(end));
  while (many.size() < end + 940 * scan.size()) many.insert(many.end(), scan.begin(), scan.end());
  many.push_back(0xFF), many.push_back(0xD9);
  ASSERT_TRUE(imgtest::WriteFileBytes(path, many));
  imgtest::ExpectRefused(path, IMAGE_OK, IMAGE_ERR_VARIANT);
}

TEST(JpegReader, libjpeg_says_nothing_on_stderr) {
  testing::internal::CaptureStderr();
  Planes p;
  EXPECT_EQ(LoadImage(Jpeg("truncated_55_percent.jpg"), &p), IMAGE_ERR_READ);
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
  EXPECT_EQ(jpeg->readRgbRow(h, r.data(), g.data(), b.data()), IMAGE_ERR_VARIANT);
  jpeg->close(h);
}

TEST(JpegReader, adobe_cmyk_and_ycck_are_inverted_plain_cmyk_is_not) {
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
  // Adobe's applications store CMYK inverted and say so in their APP14 marker
  const std::string cmykPath = imgtest::TempPath("plain.cmyk.jpg");
  const std::string adobePath = imgtest::TempPath("adobe.cmyk.jpg");
  const std::string ycckPath = imgtest::TempPath("adobe.ycck.jpg");
  ASSERT_TRUE(WriteJpeg(cmykPath, width, height, 4, JCS_CMYK, JCS_CMYK, plain, false));
  ASSERT_TRUE(WriteJpeg(adobePath, width, height, 4, JCS_CMYK, JCS_CMYK, inverted, true));
  ASSERT_TRUE(WriteJpeg(ycckPath, width, height, 4, JCS_CMYK, JCS_YCCK, inverted, true));
  for (const std::string& path : {cmykPath, adobePath, ycckPath}) {
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

TEST(JpegReader, every_prefix_fails) {
  // a cut JPEG is damaged whatever libjpeg could still show of it
  for (const char* name : {"rgb_q90.jpg", "progressive.jpg", "arithmetic.jpg"}) {
    imgtest::ExpectTruncationsFail(imgtest::ReadFileBytes(Jpeg(name)), name);
  }
}
