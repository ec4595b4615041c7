// PCX reader: netpbm's files against pcxtoppm, hand-made ones against their truth pictures.
#include "image_test_util.h"

using namespace imgtest;

namespace {
std::string Pcx(const std::string& name) { return DataPath("pcx/" + name); }
}  // namespace

TEST(PcxReader, netpbm_files_match_pcxtoppm) {
  struct Case {
    const char* name;
    int mode;
    int palette;
  };
  const Case cases[] = {
      {"map1.pcx", IMAGE_MAP, 2},          {"map4_planes.pcx", IMAGE_MAP, 16}, {"map4_packed.pcx", IMAGE_MAP, 16},
      {"map8.pcx", IMAGE_MAP, 256},        {"rgb24.pcx", IMAGE_RGB, 0},        {"rgb24_blocks.pcx", IMAGE_RGB, 0},
  };
  for (const Case& c : cases) {
    ExpectDescription(Pcx(c.name), "PCX", c.mode, c.palette);
    ExpectDecodesLike(Pcx(c.name), "pcxtoppm {}");
  }
}

TEST(PcxReader, version_3_uses_the_fixed_palette) { ExpectDecodesLike(Pcx("version3_map4_packed.pcx"), ""); }

TEST(PcxReader, raw_rows_and_the_version_5_palette_marker) {
  ExpectDecodesLike(Pcx("map8_raw.pcx"), "");
  ExpectRefused(Pcx("damaged_palette_marker.pcx"), IMAGE_OK, IMAGE_ERR_READ);
}

TEST(PcxReader, run_crossing_a_row_continues_in_the_next) { ExpectDecodesLike(Pcx("run_across_rows.pcx"), ""); }

TEST(PcxReader, refused_files) {
  ExpectRefused(Pcx("refused_2_planes.pcx"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Pcx("refused_short_plane_line.pcx"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  ExpectRefused(Pcx("refused_inverted_window.pcx"), IMAGE_ERR_READ, IMAGE_ERR_READ);
}

TEST(PcxReader, every_truncation_fails_cleanly) {
  for (const char* name : {"map1.pcx", "map4_planes.pcx", "rgb24_blocks.pcx"}) {
    ExpectTruncationsFail(ReadFileBytes(Pcx(name)), name);
  }
  // 8-bit version 5: the palette is found from the end of the file, so a cut that keeps every
  // row may by chance see a 12 where the marker would be; any shorter cut must fail
  for (const char* name : {"map8.pcx", "map8_raw.pcx"}) {
    const std::vector<unsigned char> bytes = ReadFileBytes(Pcx(name));
    ExpectTruncationsFail(bytes, name, bytes.size() - 769);
  }
}
