// TIFF reader: pnmtotiff's and tiffcp's files compared with tifftopnm's decoding (grey and
// palette files too: tifftopnm shows white-is-zero files as they look, as our palette does),
// the variants the reader refuses, and hostile headers (see data/tiff/RECIPES.txt).
#include <tiffio.h>

#include "format_driver.h"
#include "image_test_util.h"

using imgtest::DataPath;
using imgtest::LoadImage;
using imgtest::Planes;

namespace {

std::string Tiff(const std::string& name) { return DataPath("tiff/" + name); }

}  // namespace

TEST(TiffReader, encoder_files_match_tifftopnm) {
  struct Case {
    const char* name;
    int colourMode;
    int paletteSize;
    int compression;
  };
  const Case cases[] = {
      {"rgb_none.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_NONE},
      {"rgb_lzw.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_DECODED},
      {"rgb_lzw_predictor.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_DECODED},
      // every compression libtiff decodes is reported as decoded, not as unsupported
      {"rgb_packbits.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_DECODED},
      {"rgb_deflate.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_DECODED},
      {"rgb_strips_of_3_rows.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_NONE},
      {"rgb_big_endian.tif", IMAGE_RGB, 0, IMAGE_COMPRESSION_NONE},
      {"grey8_minisblack.tif", IMAGE_MAP, 256, IMAGE_COMPRESSION_NONE},
      {"grey8_miniswhite.tif", IMAGE_MAP, 256, IMAGE_COMPRESSION_NONE},
      {"grey4_minisblack.tif", IMAGE_MAP, 16, IMAGE_COMPRESSION_NONE},
      {"grey4_miniswhite.tif", IMAGE_MAP, 16, IMAGE_COMPRESSION_NONE},
      {"bilevel_minisblack.tif", IMAGE_MAP, 2, IMAGE_COMPRESSION_NONE},
      {"bilevel_miniswhite.tif", IMAGE_MAP, 2, IMAGE_COMPRESSION_NONE},
      {"bilevel_lsb2msb.tif", IMAGE_MAP, 2, IMAGE_COMPRESSION_NONE},
      {"bilevel_g4.tif", IMAGE_MAP, 2, IMAGE_COMPRESSION_DECODED},
      {"palette8.tif", IMAGE_MAP, 256, IMAGE_COMPRESSION_NONE},
      {"palette4.tif", IMAGE_MAP, 16, IMAGE_COMPRESSION_NONE},
  };
  for (const Case& c : cases) {
    const std::string path = Tiff(c.name);
    ImageFileDescription info{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &info), IMAGE_OK) << c.name;
    EXPECT_STREQ(info.format, "TIFF");
    EXPECT_EQ(info.width, 61);
    EXPECT_EQ(info.height, 43);
    EXPECT_EQ(info.colourMode, c.colourMode) << c.name;
    EXPECT_EQ(info.paletteSize, c.paletteSize) << c.name;
    EXPECT_EQ(info.compression, c.compression) << c.name;
    EXPECT_EQ(info.readable, IMAGE_OK) << c.name;
    Planes ours, theirs;
    ASSERT_EQ(LoadImage(path, &ours), IMAGE_OK) << c.name;
    ASSERT_TRUE(imgtest::RunToPnm("tifftopnm " + imgtest::ShellQuote(path) + " | pamdepth 255", &theirs))
        << c.name;
    imgtest::ExpectSamePlanes(theirs, ours, c.name);
  }
}

TEST(TiffReader, grey_palettes_follow_the_photometric_interpretation) {
  ImageFormatDriver* tiff = ImageFindFormat("TIFF");
  ASSERT_NE(tiff, nullptr);
  struct Case {
    const char* name;
    int size;
    unsigned first, second, last;  // grey levels of entries 0, 1 and size - 1
  };
  const Case cases[] = {
      {"grey4_miniswhite.tif", 16, 255, 238, 0},  // steps of 17 down from white
      {"grey4_minisblack.tif", 16, 0, 17, 255},
      {"grey8_miniswhite.tif", 256, 255, 254, 0},
      {"bilevel_miniswhite.tif", 2, 255, 0, 0},
      {"bilevel_minisblack.tif", 2, 0, 255, 255},
  };
  for (const Case& c : cases) {
    int error = -1;
    ImageFileHandle* h = tiff->open(Tiff(c.name).c_str(), &error);
    ASSERT_EQ(error, IMAGE_OK) << c.name;
    ASSERT_EQ(h->paletteSize, c.size);
    std::vector<uint32_t> palette(static_cast<size_t>(c.size));
    ASSERT_EQ(tiff->readPalette(h, palette.data()), IMAGE_OK);
    auto grey = [](unsigned v) { return (v << 16) | (v << 8) | v; };
    EXPECT_EQ(palette[0], grey(c.first)) << c.name;
    EXPECT_EQ(palette[1], grey(c.second)) << c.name;
    EXPECT_EQ(palette[c.size - 1], grey(c.last)) << c.name;
    tiff->close(h);
  }
}

TEST(TiffReader, palette_takes_the_high_byte_of_each_colour_map_value) {
  Planes p;
  ASSERT_EQ(LoadImage(Tiff("palette4_colour_map_high_bytes.tif"), &p), IMAGE_OK);
  ASSERT_EQ(p.width, 4);
  ASSERT_EQ(p.height, 2);
  // the top row holds indices 0, 1, 2, 3 and the bottom row 4, 5, 6, 15
  const int indices[2][4] = {{4, 5, 6, 15}, {0, 1, 2, 3}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      const unsigned i = static_cast<unsigned>(indices[y][x]);
      EXPECT_EQ(p.rgb(x, y), (i * 16) << 16 | (255 - i * 16) << 8 | i * 8) << "index " << i;
    }
  }
}

TEST(TiffReader, grey_file_loads_with_equal_planes) {
  Planes p;
  ASSERT_EQ(LoadImage(Tiff("grey8_minisblack.tif"), &p), IMAGE_OK);
  EXPECT_EQ(p.red, p.green);
  EXPECT_EQ(p.red, p.blue);
}

TEST(TiffReader, layouts_beyond_scanlines_decode_through_rgba_like_tifftopnm) {
  // the scanline reader's layouts aside, libtiff converts these; only float samples stay refused
  struct Case {
    const char* name;
    int compression;
  };
  const Case cases[] = {
      {"refused_rgb16.tif", IMAGE_COMPRESSION_NONE},
      {"refused_planar_separate.tif", IMAGE_COMPRESSION_NONE},
      {"refused_tiled.tif", IMAGE_COMPRESSION_NONE},
      {"refused_palette2.tif", IMAGE_COMPRESSION_NONE},
      {"refused_rgba.tif", IMAGE_COMPRESSION_NONE},
  };
  for (const Case& c : cases) {
    const std::string path = Tiff(c.name);
    imgtest::ExpectDescription(path, "TIFF", IMAGE_RGB, 0);
    imgtest::ExpectDecodesLike(path, "tifftopnm {} 2>/dev/null | pamdepth 255");
  }
  // YCbCr JPEG: lossy, so only near the reference
  Planes ours, theirs;
  ASSERT_EQ(LoadImage(Tiff("refused_jpeg_ycbcr.tif"), &ours), IMAGE_OK);
  // tifftopnm cannot read YCbCr; ImageMagick can
  ASSERT_TRUE(imgtest::RunToPnm("convert " + imgtest::ShellQuote(Tiff("refused_jpeg_ycbcr.tif")) + " -depth 8 ppm:-", &theirs));
  ASSERT_EQ(ours.red.size(), theirs.red.size());
  for (size_t i = 0; i < ours.red.size(); ++i) ASSERT_NEAR(ours.red[i], theirs.red[i], 6) << i;
  imgtest::ExpectRefused(Tiff("refused_float.tif"), IMAGE_OK, IMAGE_ERR_VARIANT);
}

TEST(TiffReader, hostile_headers_fail_without_large_allocations) {
  // a strip that runs past the end of the file; one LZW strip claiming 3.6 GB (libtiff's
  // allocations are capped, and ASan would report one that big); 10^10 pixels
  struct Case {
    const char* name;
    int info;
    int load;
  };
  const Case cases[] = {
      {"damaged_strip_past_end.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"damaged_huge_strip.tif", IMAGE_OK, IMAGE_ERR_READ},
      {"refused_huge_dimensions.tif", IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageFileInfo(Tiff(c.name).c_str(), nullptr, nullptr, nullptr, nullptr), c.info) << c.name;
    Planes p;
    EXPECT_EQ(LoadImage(Tiff(c.name), &p), c.load) << c.name;
  }
}

TEST(TiffReader, libtiff_says_nothing_on_stderr) {
  testing::internal::CaptureStderr();
  Planes p;
  EXPECT_EQ(LoadImage(Tiff("damaged_strip_past_end.tif"), &p), IMAGE_ERR_READ);
  EXPECT_EQ(LoadImage(Tiff("refused_float.tif"), &p), IMAGE_ERR_VARIANT);
  // a TIFF signature with a directory offset far past the end
  const unsigned char header[] = {'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0x0F};
  const std::string path = imgtest::TempPath("bad-directory.tif");
  ASSERT_TRUE(imgtest::WriteFileBytes(path, header, sizeof header));
  EXPECT_NE(LoadImage(path, &p), IMAGE_OK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(TiffReader, every_truncated_prefix_fails_cleanly) {
  for (const char* name : {"rgb_lzw.tif", "grey4_miniswhite.tif", "palette8.tif"}) {
    std::vector<unsigned char> bytes = imgtest::ReadFileBytes(Tiff(name));
    ASSERT_GT(bytes.size(), 100u);
    // pnmtotiff writes the pixels first and the directory last, so every cut loses one of them
    imgtest::ExpectTruncationsFail(bytes, name);
  }
}

namespace {

// A little-endian grey TIFF whose `strips` strips all point at the same `stripBytes` bytes.
std::vector<unsigned char> SharedStripTiff(uint32_t width, uint32_t strips, uint16_t compression,
                                           uint32_t stripBytes) {
  std::vector<unsigned char> out;
  auto u16 = [&](uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  const uint32_t entries = 8, ifd = 8, arrays = ifd + 2 + entries * 12 + 4;
  const uint32_t offsets = arrays, counts = arrays + 4 * strips, data = counts + 4 * strips;
  out.insert(out.end(), {'I', 'I', 42, 0});
  u32(ifd);
  u16(entries);
  auto tag = [&](uint16_t id, uint16_t type, uint32_t count, uint32_t value) { u16(id), u16(type), u32(count), u32(value); };
  tag(256, 4, 1, width);
  tag(257, 4, 1, strips);  // one row per strip
  tag(258, 3, 1, 8);
  tag(259, 3, 1, compression);
  tag(262, 3, 1, 1);
  tag(273, 4, strips, offsets);
  tag(278, 4, 1, 1);
  tag(279, 4, strips, counts);
  u32(0);
  for (uint32_t i = 0; i < strips; ++i) u32(data);
  for (uint32_t i = 0; i < strips; ++i) u32(stripBytes);
  out.resize(out.size() + stripBytes, 0x80);
  return out;
}

}  // namespace

TEST(TiffReader, strips_sharing_their_bytes_cost_work_or_memory_out_of_proportion) {
  // 70000 rows of 1000 pixels from one strip of 1000 bytes: uncompressed, the file does not
  // hold the rows it claims (2, before anything is allocated); compressed, each strip would be
  // read and decoded again, 70 MB of work from 560 KB (5, the size still reported)
  const std::string path = imgtest::TempPath("shared-strips.tif");
  ASSERT_TRUE(imgtest::WriteFileBytes(path, SharedStripTiff(1000, 70000, 1, 1000)));
  imgtest::ExpectRefused(path, IMAGE_ERR_READ, IMAGE_ERR_READ);
  ASSERT_TRUE(imgtest::WriteFileBytes(path, SharedStripTiff(1000, 70000, 5, 1000)));
  imgtest::ExpectRefused(path, IMAGE_OK, IMAGE_ERR_VARIANT);
  // the same layout with strips of their own is fine
  ASSERT_TRUE(imgtest::WriteFileBytes(path, SharedStripTiff(1000, 1, 1, 1000)));
  imgtest::ExpectRefused(path, IMAGE_OK, IMAGE_OK);
}

namespace {

// A one-row picture written by libtiff itself; alphaKind 0 writes no extra sample.
bool WriteOneRowTiff(const std::string& path, uint32_t width, uint16_t bits, uint16_t samples,
                     uint16_t photometric, unsigned char* row, uint16_t alphaKind) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (alphaKind != 0) TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &alphaKind);
  const bool written = TIFFWriteScanline(t, row, 0, 0) == 1;
  TIFFClose(t);
  return written;
}

}  // namespace

TEST(TiffReader, alpha_turns_transparent_colours_black) {
  // RGB + alpha, written with libtiff: the colour is kept whatever the alpha; associated
  // (premultiplied) alpha is divided out
  struct Case {
    uint16_t alphaKind;
    unsigned char pixel[4];
    unsigned want;
  };
  const Case cases[] = {
      {EXTRASAMPLE_UNASSALPHA, {200, 100, 50, 0}, 0xC86432},
      {EXTRASAMPLE_UNASSALPHA, {200, 100, 50, 128}, 0xC86432},
      {EXTRASAMPLE_ASSOCALPHA, {100, 50, 25, 128}, 0xC76331},
      {EXTRASAMPLE_ASSOCALPHA, {10, 20, 30, 255}, 0x0A141E},
  };
  const std::string path = imgtest::TempPath("alpha.tif");
  for (const Case& c : cases) {
    unsigned char row[4] = {c.pixel[0], c.pixel[1], c.pixel[2], c.pixel[3]};
    ASSERT_TRUE(WriteOneRowTiff(path, 1, 8, 4, PHOTOMETRIC_RGB, row, c.alphaKind));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
    EXPECT_EQ(p.rgb(0, 0), c.want) << std::hex << c.want << " alpha kind " << c.alphaKind;
  }
}

TEST(TiffReader, orientation_tag_ignored) {
  // a 5 x 3 RGB picture written with each Orientation value; ImageMagick's -auto-orient turns it
  // upright independently (5-8 are transposed: 3 x 5)
  if (!imgtest::ToolAvailable("convert")) GTEST_SKIP() << "no ImageMagick";
  const uint32_t w = 5, h = 3;
  const std::string path = imgtest::TempPath("oriented.tif");
  for (uint16_t orientation = 1; orientation <= 8; ++orientation) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    for (uint32_t y = 0; y < h; ++y) {
      unsigned char row[3 * w];
      for (uint32_t x = 0; x < w; ++x) {
        row[3 * x] = static_cast<unsigned char>(40 * x), row[3 * x + 1] = static_cast<unsigned char>(80 * y);
        row[3 * x + 2] = static_cast<unsigned char>(10 * (x + y));
      }
      ASSERT_EQ(TIFFWriteScanline(t, row, y, 0), 1);
    }
    TIFFClose(t);
    SCOPED_TRACE(orientation);
    imgtest::ExpectDecodesLike(path, "convert {} -auto-orient -depth 8 ppm:-");
  }
}

TEST(TiffReader, twelve_bit_grey_refused_or_misread) {
  // 12-bit samples written with libtiff, packed two in three bytes: an odd width ends on a
  // half-filled byte triple, and white-is-zero files invert
  unsigned char packed[5] = {0x00, 0x0F, 0xFF, 0x80, 0x00};  // samples 0, 4095, 2048
  struct Case {
    uint16_t photometric;
    unsigned want[3];
  };
  const Case cases[] = {
      {PHOTOMETRIC_MINISBLACK, {0, 255, 127}},
      {PHOTOMETRIC_MINISWHITE, {255, 0, 128}},
  };
  const std::string path = imgtest::TempPath("grey12.tif");
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteOneRowTiff(path, 3, 12, 1, c.photometric, packed, 0));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK) << c.photometric;
    for (int x = 0; x < 3; ++x) EXPECT_EQ(p.rgb(x, 0), c.want[x] * 0x010101u) << x << " photometric " << c.photometric;
  }
}
