// Targa reader: netpbm's files against tgatoppm, hand-made ones against truth pictures.
#include "image_test_util.h"

using namespace imgtest;

namespace {
std::string Tga(const std::string& name) { return DataPath("tga/" + name); }

// tgatoppm gives 5-bit components on the scale 0-31; the reader scales them to 0-255.
int FiveBitsScaled(int sample, int maxval) { return maxval == 31 ? sample * 255 / 31 : -1; }
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

TEST(TgaReader, five_bit_components_reach_full_intensity) {
  // 16-bit colour maps and 16-bit pixels alike: 31 is 255, not 248
  for (const char* name : {"map8_cmap16.tga", "map8_cmap16_hand.tga", "rgb16_raw.tga"}) {
    ExpectDecodesLike(Tga(name), "tgatoppm {}", FiveBitsScaled);
  }
}

TEST(TgaReader, top_first_fills_the_planes_from_the_top) {
  ExpectDecodesLike(Tga("rgb24_top_first.tga"), "");
  ExpectDecodesLike(Tga("rgb24_top_first.tga"), "tgatoppm " + ShellQuote(Tga("rgb24_raw.tga")));
}

TEST(TgaReader, hand_made_variants) {
  ExpectDecodesLike(Tga("rgb24_rle_across_rows.tga"), "");
  ExpectDecodesLike(Tga("rgb32_rle.tga"), "");
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

namespace {

// A Targa file of the picture colour(x, y) (x from the left, y from the top) stored in the
// order `descriptor` names: rows from the top with 0x20, pixels from the right with 0x10.
// Types 3 and 11 hold grey and alpha (16 bits), types 2 and 10 B, G, R (24 bits); the
// run-length types put every pixel in a literal packet of its own, but for runs of equal
// pixels, which become repeat packets.
std::vector<unsigned char> MakeTga(int type, int width, int height, int descriptor,
                                   unsigned (*colour)(int x, int y)) {
  const bool grey = type == 3 || type == 11;
  const bool rle = type >= 9;
  std::vector<unsigned char> b = {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  static_cast<unsigned char>(width), static_cast<unsigned char>(width >> 8),
                                  static_cast<unsigned char>(height), static_cast<unsigned char>(height >> 8),
                                  static_cast<unsigned char>(grey ? 16 : 24), static_cast<unsigned char>(descriptor)};
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int y = (descriptor & 0x20) ? fileRow : height - 1 - fileRow;
    std::vector<std::vector<unsigned char>> pixels;
    for (int i = 0; i < width; ++i) {
      const int x = (descriptor & 0x10) ? width - 1 - i : i;
      const unsigned c = colour(x, y);
      if (grey) {
        pixels.push_back({static_cast<unsigned char>(c), 0x80});  // grey, alpha
      } else {
        pixels.push_back({static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                          static_cast<unsigned char>(c >> 16)});
      }
    }
    for (size_t i = 0; i < pixels.size();) {
      size_t run = 1;
      while (rle && i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
      if (rle) b.push_back(static_cast<unsigned char>(run > 1 ? 0x80 | (run - 1) : 0));
      for (size_t k = 0; k < (rle && run > 1 ? 1 : run); ++k) b.insert(b.end(), pixels[i + k].begin(), pixels[i + k].end());
      i += run;
    }
  }
  return b;
}

unsigned Gradient(int x, int y) { return static_cast<unsigned>((x * 40) | ((y * 60) << 8) | ((x * 10 + y * 30) << 16)); }
unsigned FlatLeft(int x, int y) { return x < 3 ? 0x102030u : static_cast<unsigned>(x * 20 + y); }

}  // namespace

TEST(TgaReader, grey_alpha_and_every_origin_fill_the_planes_the_same_way) {
  struct Case {
    int type;
    int descriptor;
    unsigned (*colour)(int, int);
  };
  const Case cases[] = {
      {3, 0x00, Gradient}, {3, 0x10, Gradient}, {11, 0x30, FlatLeft}, {11, 0x10, FlatLeft},
      {2, 0x10, Gradient}, {2, 0x30, Gradient}, {10, 0x10, FlatLeft}, {10, 0x20, FlatLeft},
  };
  const int width = 6, height = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + ", descriptor " + std::to_string(c.descriptor));
    const std::string path = TempPath("origin.tga");
    ASSERT_TRUE(WriteFileBytes(path, MakeTga(c.type, width, height, c.descriptor, c.colour)));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
    ASSERT_EQ(p.width, width);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        // colour files store B, G, R from the colour's low byte up; grey files its low byte
        const unsigned stored = c.colour(x, y) & 0xFFFFFFu;
        const unsigned rgb = c.type == 3 || c.type == 11 ? (stored & 0xFF) * 0x010101u : stored;
        EXPECT_EQ(p.rgb(x, height - 1 - y), rgb) << x << ", " << y << " from the top";
      }
    }
  }
}
