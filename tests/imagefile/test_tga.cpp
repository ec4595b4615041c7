// Targa reader: netpbm's files against tgatoppm, hand-made ones against truth pictures.
#include "image_test_util.h"

using namespace imgtest;

namespace {
std::string Tga(const std::string& name) { return DataPath("tga/" + name); }

// tgatoppm gives 5-bit components on the scale 0-31; the reader shifts them left by 3.
int FiveBitsShifted(int sample, int maxval) { return maxval == 31 ? sample << 3 : -1; }
}  // namespace

TEST(TgaReader, netpbm_files_match_tgatoppm) {
  struct Case {
    const char* name;
    int mode;
    int palette;
  };
  const Case cases[] = {
      {"rgb24_rle.tga", IMAGE_RGB, 0},  {"rgb24_rle_blocks.tga", IMAGE_RGB, 0}, {"rgb24_raw.tga", IMAGE_RGB, 0},
      {"map8_rle.tga", IMAGE_MAP, 200}, {"map8_raw.tga", IMAGE_MAP, 200},       {"grey8_rle.tga", IMAGE_MAP, 256},
      {"grey8_raw.tga", IMAGE_MAP, 256},
  };
  for (const Case& c : cases) {
    ExpectDescription(Tga(c.name), "TGA", c.mode, c.palette);
    ExpectDecodesLike(Tga(c.name), "tgatoppm {}");
  }
}

TEST(TgaReader, sixteen_bit_colour_map_gives_multiples_of_8) {
  ExpectDecodesLike(Tga("map8_cmap16.tga"), "tgatoppm {}", FiveBitsShifted);
  ExpectDecodesLike(Tga("map8_cmap16_hand.tga"), "");
  Planes p;
  ASSERT_EQ(LoadImage(Tga("map8_cmap16_hand.tga"), &p), IMAGE_OK);
  for (auto* plane : {&p.red, &p.green, &p.blue}) {
    for (unsigned char v : *plane) ASSERT_EQ(v % 8, 0);
  }
}

TEST(TgaReader, top_first_fills_the_planes_from_the_top) {
  ExpectDecodesLike(Tga("rgb24_top_first.tga"), "");
  ExpectDecodesLike(Tga("rgb24_top_first.tga"), "tgatoppm " + ShellQuote(Tga("rgb24_raw.tga")));
}

TEST(TgaReader, hand_made_variants) {
  ExpectDecodesLike(Tga("rgb24_rle_across_rows.tga"), "");
  ExpectDecodesLike(Tga("rgb32_rle.tga"), "");
  ExpectDecodesLike(Tga("rgb16_raw.tga"), "");
  ExpectDecodesLike(Tga("rgb16_raw.tga"), "tgatoppm {}", FiveBitsShifted);
  ExpectDecodesLike(Tga("rgb24_with_map.tga"), "");
}

TEST(TgaReader, refused_files) {
  // Targa refuses an unsupported depth without a handle, so no size is reported either
  ExpectRefused(Tga("refused_map_16_bits.tga"), IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT);
  ExpectRefused(Tga("refused_rgb_8_bits.tga"), IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT);
  ExpectRefused(Tga("refused_mapped_without_map.tga"), IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
  ExpectRefused(Tga("refused_type_32.tga"), IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
  ExpectRefused(Tga("refused_zero_height.tga"), IMAGE_ERR_READ, IMAGE_ERR_READ);
}

TEST(TgaReader, every_truncation_fails_cleanly) {
  for (const char* name : {"rgb24_rle.tga", "rgb24_raw.tga", "map8_rle.tga", "rgb16_raw.tga", "rgb32_rle.tga"}) {
    ExpectTruncationsFail(ReadFileBytes(Tga(name)), name);
  }
}
