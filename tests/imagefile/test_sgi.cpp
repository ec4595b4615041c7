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
}

TEST(SgiReader, two_byte_samples_scale_from_the_full_range_whatever_the_header_says) {
  // the header's minimum and maximum are for display programs: a small maximum must not turn
  // the picture white, nor an empty or reversed range divide by zero
  const uint16_t samples[] = {0, 257, 1000, 32768, 65279, 65535};
  const uint32_t ranges[][2] = {{0, 65535}, {0, 255}, {0, 0}, {40000, 10}};
  for (const auto& range : ranges) {
    std::vector<unsigned char> b(512, 0);
    const unsigned header[] = {0x01, 0xDA, 0, 2, 0, 2, 0, 6, 0, 1, 0, 1};  // magic, raw, 2 bytes, 2-D, 6 x 1 x 1
    std::copy(std::begin(header), std::end(header), b.begin());
    for (int i = 0; i < 4; ++i) {
      b[12 + i] = static_cast<unsigned char>(range[0] >> (24 - 8 * i));
      b[16 + i] = static_cast<unsigned char>(range[1] >> (24 - 8 * i));
    }
    for (uint16_t v : samples) {
      b.push_back(static_cast<unsigned char>(v >> 8));
      b.push_back(static_cast<unsigned char>(v));
    }
    const std::string path = TempPath("range.sgi");
    ASSERT_TRUE(WriteFileBytes(path, b));
    Planes p;
    ASSERT_EQ(LoadImage(path, &p), IMAGE_OK);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(p.red[p.index(x, 0)], (samples[x] * 255 + 32767) / 65535) << x;
  }
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
