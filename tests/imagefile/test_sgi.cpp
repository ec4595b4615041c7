// SGI reader: netpbm's files against sgitopnm, hand-made ones against truth pictures, and the
// run-length tables and rows that do not fit.
#include "image_test_util.h"

using namespace imgtest;

namespace {
std::string Sgi(const std::string& name) { return DataPath("sgi/" + name); }
}  // namespace

TEST(SgiReader, netpbm_files_match_sgitopnm) {
  struct Case {
    const char* name;
    int mode;
    int palette;
  };
  const Case cases[] = {
      {"grey_rle.sgi", IMAGE_MAP, 256}, {"grey_verbatim.sgi", IMAGE_MAP, 256}, {"rgb_rle.sgi", IMAGE_RGB, 0},
      {"rgb_verbatim.sgi", IMAGE_RGB, 0}, {"rgb_rle_blocks.sgi", IMAGE_RGB, 0},  {"rgb16_rle.sgi", IMAGE_RGB, 0},
  };
  for (const Case& c : cases) {
    ExpectDescription(Sgi(c.name), "SGI", c.mode, c.palette);
    // 2-byte samples: pamdepth's v x 255 / 65535 rounding equals the reader's truncation for v = k x 257
    ExpectDecodesLike(Sgi(c.name), "sgitopnm {} | pamdepth 255");
  }
}

TEST(SgiReader, rgba_rle_reads_each_plane_from_its_own_rows) { ExpectDecodesLike(Sgi("rgba_rle.sgi"), ""); }

TEST(SgiReader, rows_ending_with_a_zero_control_byte_decode) { ExpectDecodesLike(Sgi("grey_rle_small.sgi"), ""); }

TEST(SgiReader, dithered_map_and_two_byte_ranges) {
  ExpectDecodesLike(Sgi("dithered_map.sgi"), "");
  ExpectDecodesLike(Sgi("grey16_range.sgi"), "");
  ExpectDecodesLike(Sgi("grey16_empty_range.sgi"), "");  // min = max: no division by zero
}

TEST(SgiReader, refused_and_damaged_files) {
  ExpectRefused(Sgi("refused_colormap_3.sgi"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Sgi("refused_3_bytes.sgi"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Sgi("refused_2_channels.sgi"), IMAGE_OK, IMAGE_ERR_VARIANT);
  ExpectRefused(Sgi("refused_storage_2.sgi"), IMAGE_OK, IMAGE_ERR_COMPRESSION);
  // tables are checked against the file size when the file is opened
  ExpectRefused(Sgi("damaged_row_start_past_end.sgi"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  ExpectRefused(Sgi("damaged_row_length_past_end.sgi"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  ExpectRefused(Sgi("damaged_tables_past_end.sgi"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  ExpectRefused(Sgi("damaged_zero_control_early.sgi"), IMAGE_OK, IMAGE_ERR_READ);
  ExpectRefused(Sgi("damaged_row_overflow.sgi"), IMAGE_OK, IMAGE_ERR_READ);
}

TEST(SgiReader, every_truncation_fails_cleanly) {
  for (const char* name : {"grey_rle.sgi", "rgb_verbatim.sgi", "rgb16_rle.sgi", "rgba_rle.sgi"}) {
    ExpectTruncationsFail(ReadFileBytes(Sgi(name)), name);
  }
}
