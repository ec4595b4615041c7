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

// A bitmap file with a 40-byte header and a palette around run-length `data`.
std::vector<unsigned char> MakeRleBmp(int width, int height, int bits, const std::vector<uint32_t>& palette,
                                      const std::vector<unsigned char>& data) {
  const size_t offset = 54 + 4 * palette.size();
  std::vector<unsigned char> b(offset, 0);
  b[0] = 'B', b[1] = 'M';
  Put32(&b, 2, static_cast<uint32_t>(offset + data.size()));
  Put32(&b, 10, static_cast<uint32_t>(offset));
  Put32(&b, 14, 40);
  Put32(&b, 18, static_cast<uint32_t>(width));
  Put32(&b, 22, static_cast<uint32_t>(height));
  Put16(&b, 26, 1);
  Put16(&b, 28, static_cast<uint32_t>(bits));
  Put32(&b, 30, bits == 8 ? 1 : 2);  // RLE8 or RLE4
  Put32(&b, 46, static_cast<uint32_t>(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) Put32(&b, 54 + 4 * i, palette[i]);
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
    ASSERT_TRUE(WriteFileBytes(path, MakeRleBmp(c.width, c.height, c.bits, GreyPalette(16), c.data)));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
    EXPECT_EQ(IndicesTopFirst(p), c.expected);
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
    // b/ is bad input; q/rgb24prof2's rendering applies its colour profile, which no reader
    // here does; x/ holds other containers, judged like q/
    if (set == 'b' || name == "q/rgb24prof2.bmp") continue;
    if (set != 'g' && e != IMAGE_OK) {
      EXPECT_TRUE(e == IMAGE_ERR_READ || e == IMAGE_ERR_VARIANT || e == IMAGE_ERR_COMPRESSION) << e;
      continue;
    }
    ASSERT_EQ(e, IMAGE_OK);
    int best = 256;
    for (const auto& png : renderings) {
      const int d = OpaqueDifference(ours, Bmpsuite("reference/" + png.get<std::string>()), set != 'g');
      if (d >= 0) best = std::min(best, d);
    }
    EXPECT_LE(best, 1) << "differs from every rendering by up to " << best;
    good += set == 'g';
  }
  EXPECT_EQ(good, 27);
}
