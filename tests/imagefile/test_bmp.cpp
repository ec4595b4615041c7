// BMP reader: netpbm's files against bmptopnm, hand-made ones (data/bmp/RECIPES.txt) against
// their truth pictures, the refused and damaged ones, and every truncation.
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
  ExpectRefused(Bmp("refused_rle4.bmp"), IMAGE_OK, IMAGE_ERR_COMPRESSION);
  ExpectDescription(Bmp("refused_rle4.bmp"), "BMP", IMAGE_MAP, 16, IMAGE_ERR_COMPRESSION);
  ExpectRefused(Bmp("refused_jpeg_compression.bmp"), IMAGE_OK, IMAGE_ERR_COMPRESSION);
  ExpectRefused(Bmp("refused_2_bits.bmp"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Bmp("refused_rle8_with_24_bits.bmp"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Bmp("refused_header_20.bmp"), IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
  ExpectRefused(Bmp("refused_zero_width.bmp"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  ExpectRefused(Bmp("refused_negative_width.bmp"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  // too large: refused before any size is reported, so no caller allocates from it
  ExpectRefused(Bmp("refused_huge_dimensions.bmp"), IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT);
}

TEST(BmpReader, every_truncation_fails_cleanly) {
  for (const char* name : {"rgb24.bmp", "map4.bmp", "map1.bmp", "os2_map8.bmp", "rgb16_565_bitfields.bmp",
                           "rle8_runs_literals_cut.bmp"}) {
    ExpectTruncationsFail(ReadFileBytes(Bmp(name)), name);
  }
}
