// BMP reader: netpbm's files against bmptopnm, hand-made ones (data/bmp/RECIPES.txt) against
// their truth pictures, the refused and damaged ones, and every truncation.
#include <nlohmann/json.hpp>

#include <fstream>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

namespace {
std::string Bmp(const std::string& name) { return DataPath("bmp/" + name); }
}  // namespace

TEST(BmpReader, netpbm_files_match_bmptopnm) {
  struct Case {
    const char* name;
    int mode;
    int palette;
  };
  const Case cases[] = {
      {"rgb24.bmp", IMAGE_RGB, 0},    {"map8.bmp", IMAGE_MAP, 256},     {"map4.bmp", IMAGE_MAP, 16},
      {"map1.bmp", IMAGE_MAP, 2},     {"os2_map8.bmp", IMAGE_MAP, 256}, {"os2_rgb24.bmp", IMAGE_RGB, 0},
      {"rle4.bmp", IMAGE_MAP, 16},    {"map2.bmp", IMAGE_MAP, 4},
  };
  for (const Case& c : cases) {
    ExpectDescription(Bmp(c.name), "BMP", c.mode, c.palette);
    ExpectDecodesLike(Bmp(c.name), "bmptopnm {}");
  }
}

TEST(BmpReader, version_5_headers_from_imagemagick_match_bmptopnm) {
  ExpectDescription(Bmp("header_v5_rgb24.bmp"), "BMP", IMAGE_RGB, 0);
  ExpectDecodesLike(Bmp("header_v5_rgb24.bmp"), "bmptopnm {}");
  // the palette sits after the 124-byte header, not after 40 bytes
  ExpectDescription(Bmp("header_v5_map4.bmp"), "BMP", IMAGE_MAP, 16);
  ExpectDecodesLike(Bmp("header_v5_map4.bmp"), "bmptopnm {}");
}

TEST(BmpReader, top_first_file_loads_like_bottom_first) {
  ExpectDecodesLike(Bmp("rgb24_top_first.bmp"), "");
  ExpectDecodesLike(Bmp("rgb24_top_first.bmp"), "bmptopnm " + ShellQuote(Bmp("rgb24.bmp")));
}

TEST(BmpReader, sixteen_and_thirty_two_bit_pixels_scale_by_their_masks) {
  ExpectDecodesLike(Bmp("rgb16_555.bmp"), "");            // 5-5-5, x 255 / 31
  ExpectDecodesLike(Bmp("rgb16_555.bmp"), "bmptopnm {}");  // which bmptopnm scales alike
  // (bmptopnm does not apply bit-field masks, so the files with masks have truth pictures only)
  ExpectDecodesLike(Bmp("rgb16_565_bitfields.bmp"), "");  // green x 255 / 63
  ExpectDecodesLike(Bmp("rgb32.bmp"), "");
  ExpectDecodesLike(Bmp("rgb32_bitfields_rgbx.bmp"), "");
}

TEST(BmpReader, used_colour_count_of_16_limits_the_palette) {
  ExpectDescription(Bmp("map8_used_colours_16.bmp"), "BMP", IMAGE_MAP, 16);
  ExpectDecodesLike(Bmp("map8_used_colours_16.bmp"), "");
}

TEST(BmpReader, rle8_runs_literals_and_cuts) {
  ExpectDescription(Bmp("rle8_runs_literals_cut.bmp"), "BMP", IMAGE_MAP, 256);
  ExpectDecodesLike(Bmp("rle8_runs_literals_cut.bmp"), "");
  ExpectDecodesLike(Bmp("rle8_early_end_of_bitmap.bmp"), "");
  ExpectDecodesLike(Bmp("rle8_imagemagick_padding_pixels.bmp"), "");
  ExpectRefused(Bmp("damaged_rle8_truncated.bmp"), IMAGE_OK, IMAGE_ERR_READ);
}

TEST(BmpReader, refused_files) {
  ExpectRefused(Bmp("refused_jpeg_compression.bmp"), IMAGE_OK, IMAGE_ERR_COMPRESSION);
  ExpectRefused(Bmp("refused_rle8_with_24_bits.bmp"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Bmp("refused_zero_width.bmp"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  ExpectRefused(Bmp("refused_negative_width.bmp"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  // too large: refused before any size is reported, so no caller allocates from it
  ExpectRefused(Bmp("refused_huge_dimensions.bmp"), IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT);
}

namespace {

void Put16(std::vector<unsigned char>* b, size_t at, uint32_t v) {
  (*b)[at] = static_cast<unsigned char>(v);
  (*b)[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(std::vector<unsigned char>* b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A bitmap file around `data`: a header of `headerSize` bytes (12 OS/2, 16-64 OS/2 version 2,
// 40-124 Windows), `masks` after the 40-byte fields, then the palette.
std::vector<unsigned char> MakeBmp(uint32_t headerSize, int width, int height, int bits, uint32_t compression,
                                   const std::vector<uint32_t>& palette, const std::vector<unsigned char>& data,
                                   const std::vector<uint32_t>& masks = {}) {
  const size_t maskBytes = headerSize == 40 ? 4 * masks.size() : 0;
  const size_t entryBytes = headerSize == 12 ? 3 : 4;
  const size_t offset = 14 + headerSize + maskBytes + entryBytes * palette.size();
  std::vector<unsigned char> b(offset, 0);
  b[0] = 'B', b[1] = 'M';
  Put32(&b, 2, static_cast<uint32_t>(offset + data.size()));
  Put32(&b, 10, static_cast<uint32_t>(offset));
  Put32(&b, 14, headerSize);
  if (headerSize == 12) {
    Put16(&b, 18, static_cast<uint32_t>(width));
    Put16(&b, 20, static_cast<uint32_t>(height));
    Put16(&b, 22, 1);
    Put16(&b, 24, static_cast<uint32_t>(bits));
  } else {
    Put32(&b, 18, static_cast<uint32_t>(width));
    Put32(&b, 22, static_cast<uint32_t>(height));
    Put16(&b, 26, 1);
    Put16(&b, 28, static_cast<uint32_t>(bits));
    if (headerSize >= 20) Put32(&b, 30, compression);
    if (headerSize >= 36) Put32(&b, 46, static_cast<uint32_t>(palette.size()));
  }
  for (size_t i = 0; i < masks.size(); ++i) Put32(&b, 54 + 4 * i, masks[i]);
  for (size_t i = 0; i < palette.size(); ++i) {
    const size_t at = 14 + headerSize + maskBytes + entryBytes * i;
    b[at] = static_cast<unsigned char>(palette[i]);
    b[at + 1] = static_cast<unsigned char>(palette[i] >> 8);
    b[at + 2] = static_cast<unsigned char>(palette[i] >> 16);
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// Palette entry i is the grey 10 x i + 5, so an index reads back from any plane.
std::vector<uint32_t> GreyPalette(int n) {
  std::vector<uint32_t> p;
  for (int i = 0; i < n; ++i) p.push_back(ImagePaletteEntry(10 * i + 5, 10 * i + 5, 10 * i + 5));
  return p;
}

// The indices of a decoded grey-palette picture, rows top first; 255 for a colour not in it.
std::string IndicesTopFirst(const Planes& p) {
  std::string s;
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const int v = p.red[p.index(x, y)];
      s += static_cast<char>(v % 10 == 5 ? '0' + v / 10 : '?');
    }
    if (y > 0) s += '/';
  }
  return s;
}

}  // namespace

TEST(BmpReader, run_length_escapes_move_like_other_readers) {
  struct Case {
    const char* what;
    int bits;  // 8: RLE8, 4: RLE4
    int width, height;
    std::vector<unsigned char> data;
    const char* expected;  // indices, top row first; a delta's skipped pixels are index 0
  };
  const Case cases[] = {
      {"runs and literals, odd literal padded", 8, 5, 2, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 5, 6, 0, 1}, "66666/11234"},
      {"delta right within a row", 8, 5, 1, {1, 3, 0, 2, 2, 0, 2, 4, 0, 1}, "30044"},
      // from (1, bottom row) up 2 rows and right 1: the middle row is all 0, the top row resumes at x 2
      {"delta up leaves the jumped rows black", 8, 4, 3, {1, 7, 0, 2, 1, 2, 2, 5, 0, 1}, "0055/0000/7000"},
      {"end of bitmap leaves the rest black", 8, 3, 3, {3, 2, 0, 0, 0, 1}, "000/000/222"},
      {"run cut at the row's end", 8, 3, 2, {9, 1, 0, 0, 3, 2, 0, 1}, "222/111"},
      {"RLE4 runs alternate the two nibbles", 4, 5, 1, {5, 0x12, 0, 1}, "12121"},
      {"RLE4 odd literal padded to a word", 4, 6, 1, {0, 3, 0x34, 0x50, 3, 0x67, 0, 1}, "345676"},
      {"RLE4 delta", 4, 4, 2, {1, 0x90, 0, 2, 1, 1, 1, 0x80, 0, 1}, "0080/9000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = TempPath("rle.bmp");
    ASSERT_TRUE(WriteFileBytes(path, MakeBmp(40, c.width, c.height, c.bits, c.bits == 8 ? 1 : 2,
                                             GreyPalette(c.bits == 8 ? 12 : 16), c.data)));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
    EXPECT_EQ(IndicesTopFirst(p), c.expected);
  }
}

TEST(BmpReader, header_kinds_and_depths_read_alike) {
  // 4x2 indices 0..7 at 2 and 4 bits; the same through every header kind
  const std::vector<unsigned char> bits2 = {0x1B, 0, 0, 0, 0xE4, 0, 0, 0};  // 0,1,2,3 / 3,2,1,0 bottom row first
  struct Case {
    uint32_t headerSize;
    int bits;
    std::vector<unsigned char> data;
    const char* expected;
  };
  const Case cases[] = {
      {12, 2, bits2, "3210/0123"},  {16, 2, bits2, "3210/0123"}, {40, 2, bits2, "3210/0123"},
      {64, 2, bits2, "3210/0123"},  {124, 2, bits2, "3210/0123"},
      {16, 4, {0x01, 0x23, 0, 0, 0x45, 0x67, 0, 0}, "4567/0123"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("header " + std::to_string(c.headerSize) + ", " + std::to_string(c.bits) + " bits");
    const std::string path = TempPath("kinds.bmp");
    ASSERT_TRUE(WriteFileBytes(path, MakeBmp(c.headerSize, 4, 2, c.bits, 0, GreyPalette(1 << c.bits), c.data)));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
    EXPECT_EQ(IndicesTopFirst(p), c.expected);
  }
}

TEST(BmpReader, files_that_cannot_hold_their_picture_are_refused_before_allocation) {
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    int info;      // ImageFileInfo
    int readable;  // what describe says of the pixels, when info succeeds
  };
  const std::vector<unsigned char> eob = {0, 1};
  const Case cases[] = {
      // 2^28 x 1 at 32 bits in a 54-byte file: a short read, not 1 GB of zeros
      {"raw rows missing", MakeBmp(40, 1 << 28, 1, 32, 0, {}, {}), IMAGE_ERR_READ, 0},
      {"raw 8-bit rows missing", MakeBmp(40, 4000, 4000, 8, 0, GreyPalette(2), std::vector<unsigned char>(4000)),
       IMAGE_ERR_READ, 0},
      // run-length within the pixel cap stays allowed, its work bounded by the file's size
      {"end-of-bitmap bomb", MakeBmp(40, 16384, 16384, 8, 1, GreyPalette(2), eob), IMAGE_OK, IMAGE_ERR_VARIANT},
      {"small run-length picture", MakeBmp(40, 1000, 1000, 8, 1, GreyPalette(2), eob), IMAGE_OK, IMAGE_OK},
      // bits a 16-bit pixel does not have are dropped from its masks: describe and load agree
      {"16-bit masks wider than the pixel", MakeBmp(40, 2, 1, 16, 3, {}, {0xFF, 0xFF, 0, 0}, {0xFFFFFFFF, 0xFF00, 0xFF}),
       IMAGE_OK, IMAGE_OK},
      {"header of 66 bytes", MakeBmp(66, 2, 1, 24, 0, {}, std::vector<unsigned char>(8)), IMAGE_ERR_FORMAT, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = TempPath("bounds.bmp");
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    ImageFileDescription d{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), c.info);
    if (c.info != IMAGE_OK) continue;
    EXPECT_EQ(d.readable, c.readable);
    if (d.readable == IMAGE_OK) {
      Planes p;
      EXPECT_EQ(LoadImage(path, &p), IMAGE_OK);
    }
  }
}

TEST(BmpReader, every_truncation_fails_cleanly) {
  for (const char* name : {"rgb24.bmp", "map4.bmp", "map1.bmp", "os2_map8.bmp", "rgb16_565_bitfields.bmp",
                           "rle8_runs_literals_cut.bmp", "rle4.bmp", "map2.bmp"}) {
    const std::vector<unsigned char> bytes = ReadFileBytes(Bmp(name));
    // the padding of the last row (up to 3 bytes) is often left out, and not needed
    ExpectTruncationsFail(bytes, name, bytes.size() - 3);
  }
}

namespace {

std::string Bmpsuite(const std::string& relative) {
  return std::string(VARNESK_SOURCE_DIR) + "/../shared/corpora/images/bmpsuite/" + relative;
}

// The largest sample difference between a picture and a reference rendering over the pixels the
// reference shows opaque (the alpha, when it may have one, read separately); -1 when sizes differ.
int OpaqueDifference(const Planes& ours, const std::string& referencePng, bool mayBeTransparent) {
  Planes ref, alpha;
  if (!RunToPnm("pngtopnm " + ShellQuote(referencePng) + " | pamdepth 255", &ref)) return -1;
  // Pillow's alpha, which also applies a tRNS colour key (pngtopnm -alpha does not)
  const std::string alphaScript = "from PIL import Image; import sys; "
                                  "Image.open(sys.argv[1]).convert('RGBA').getchannel('A').save(sys.stdout.buffer, 'PPM')";
  const bool hasAlpha = mayBeTransparent && RunToPnm("/usr/bin/python3 -c \"" + alphaScript + "\" " + ShellQuote(referencePng), &alpha);
  if (ref.width != ours.width || ref.height != ours.height) return -1;
  int worst = 0;
  for (size_t i = 0; i < ref.red.size(); ++i) {
    if (hasAlpha && alpha.red[i] != 255) continue;
    for (auto plane : {&Planes::red, &Planes::green, &Planes::blue}) {
      worst = std::max(worst, std::abs(int((ref.*plane)[i]) - int((ours.*plane)[i])));
    }
  }
  return worst;
}

}  // namespace

// bmpsuite's own verdicts: g/ files are good and must decode like the author's renderings
// (within 1 for the rounding of 5- and 6-bit components); q/ files may be refused, but what
// decodes must look like one of the renderings given for it; b/ files must fail cleanly or
// decode without fault (the sanitizers watch for the fault).
TEST(BmpReader, bmpsuite_files_decode_like_the_reference_renderings) {
  std::ifstream in(Bmpsuite("reference/map.json"));
  ASSERT_TRUE(in.good()) << "bmpsuite is missing from the shared corpora";
  const nlohmann::json map = nlohmann::json::parse(in);
  int good = 0;
  for (const auto& [name, renderings] : map.items()) {
    SCOPED_TRACE(name);
    const char set = name[0];
    Planes ours;
    const int e = LoadImage(Bmpsuite(name), &ours);
    EXPECT_TRUE(e >= 0 && e <= 6);
    // b/ is bad input, x/ not a bitmap file; q/rgb24prof2's rendering applies its colour profile,
    // which no reader here does
    if (set == 'b' || set == 'x' || name == "q/rgb24prof2.bmp") continue;
    if (set == 'q' && e != IMAGE_OK) {
      EXPECT_TRUE(e == IMAGE_ERR_READ || e == IMAGE_ERR_VARIANT || e == IMAGE_ERR_COMPRESSION) << e;
      continue;
    }
    ASSERT_EQ(e, IMAGE_OK);
    int best = 256;
    for (const auto& png : renderings) {
      const int d = OpaqueDifference(ours, Bmpsuite("reference/" + png.get<std::string>()), set == 'q');
      if (d >= 0) best = std::min(best, d);
    }
    EXPECT_LE(best, 1) << "differs from every rendering by up to " << best;
    good += set == 'g';
  }
  EXPECT_EQ(good, 27);
}
