// Sun raster reader: netpbm's files against rasttopnm, hand-made ones against truth pictures.
#include "image_test_util.h"

using namespace imgtest;

namespace {
std::string Sun(const std::string& name) { return DataPath("sun/" + name); }
}  // namespace

TEST(SunReader, netpbm_files_match_rasttopnm) {
  struct Case {
    const char* name;
    int mode;
    int palette;
  };
  // 1-bit files: a set bit is black (index 0 of the grey ramp), as rasttopnm reads them
  const Case cases[] = {
      {"map1.ras", IMAGE_MAP, 2},  {"map1_rle.ras", IMAGE_MAP, 2}, {"map8.ras", IMAGE_MAP, 256},
      {"map8_rle.ras", IMAGE_MAP, 256}, {"grey8_rle.ras", IMAGE_MAP, 256}, {"rgb24.ras", IMAGE_RGB, 0},
      {"map8_rle_blocks.ras", IMAGE_MAP, 256},
      {"rgb32.ras", IMAGE_RGB, 0},  {"rgb32_type3_imagemagick.ras", IMAGE_RGB, 0},
  };
  for (const Case& c : cases) {
    ExpectDescription(Sun(c.name), "SUN", c.mode, c.palette);
    ExpectDecodesLike(Sun(c.name), "rasttopnm {}");
  }
}

TEST(SunReader, hand_made_variants) {
  ExpectDecodesLike(Sun("rgb24_type3.ras"), "");
  ExpectDecodesLike(Sun("grey8_no_map.ras"), "");
  ExpectDecodesLike(Sun("rle_escapes_across_rows.ras"), "");
  ExpectDecodesLike(Sun("rgb24_rle.ras"), "");
}

TEST(SunReader, refused_files) {
  ExpectRefused(Sun("refused_depth_4.ras"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Sun("refused_huge_dimensions.ras"), IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT);
  // a colour map that runs past the end leaves no room for the rows: refused before any size
  ExpectRefused(Sun("damaged_map_past_end.ras"), IMAGE_ERR_READ, IMAGE_ERR_READ);
}

TEST(SunReader, every_truncation_fails_cleanly) {
  for (const char* name : {"map1_rle.ras", "map8_rle.ras", "rgb24.ras", "rgb24_rle.ras"}) {
    ExpectTruncationsFail(ReadFileBytes(Sun(name)), name);
  }
}
