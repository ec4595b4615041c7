// The hostile and damaged pictures of the shared corpora (their README tells what each one
// does): every one gives its code without a crash, a hang or an allocation the file cannot
// justify, and those other readers decode are decoded like Pillow decodes them.
#include "image_test_util.h"

using namespace imgtest;

namespace {

std::string Hostile(const std::string& name) {
  return std::string(VARNESK_SOURCE_DIR) + "/../shared/corpora/hostile/" + name;
}

// Pillow's picture as a PPM on stdout, alpha dropped the way the library drops it
const char kPillow[] =
    "/usr/bin/python3 -c \"import sys; from PIL import Image; Image.open(sys.argv[1]).convert('RGB')"
    ".save(sys.stdout.buffer, 'PPM')\" {}";

}  // namespace

TEST(HostilePictures, give_their_codes_and_decode_like_pillow) {
  struct Case {
    const char* name;
    int info;  // ImageFileInfo
    int load;  // ImageLoadRGB into planes of the reported size
    bool likePillow;
  };
  // 2: the file cannot hold what its header claims (refused before the picture is allocated);
  // 5: beyond the pixel cap, a variant not read, or run-length work beyond the bound (the RLE8,
  // GIF and SGI bombs)
  const Case cases[] = {
      {"bmp_16384sq_24.bmp", 2, 2, false},
      {"bmp_24_wide_2p28x1.bmp", 2, 2, false},
      {"bmp_32_wide_2p28x1.bmp", 2, 2, false},
      {"bmp_60000x60000.bmp", 5, 5, false},
      {"bmp_8_wide_2p28x1.bmp", 2, 2, false},
      {"bmp_bf16_mask_ffffffff.bmp", 0, 0, false},
      {"bmp_bf16_mask_hi.bmp", 0, 0, false},
      {"bmp_bf32_mask_full.bmp", 0, 0, false},
      {"bmp_bits0.bmp", 0, 5, false},
      {"bmp_bits64.bmp", 0, 5, false},
      {"bmp_os2_neg.bmp", 2, 2, false},
      {"bmp_rle4.bmp", 0, 2, false},
      {"bmp_rle8_bits24.bmp", 0, 5, false},
      {"bmp_rle8_eob_bomb.bmp", 0, 5, false},
      {"bmp_topdown.bmp", 0, 0, true},
      {"bmp_topdown_min.bmp", 5, 5, false},
      {"bmp_used_huge.bmp", 0, 0, false},
      {"gif_bomb_65535x4096.gif", 0, 5, false},
      {"gif_cs1.gif", 0, 0, false},
      {"gif_cs2.gif", 0, 0, true},
      {"gif_cs4.gif", 0, 0, true},
      {"gif_frame_huge.gif", 5, 5, false},
      {"gif_frame_zero.gif", 2, 2, false},
      {"gif_many_ext.gif", 4, 4, false},
      {"gif_no_ct.gif", 2, 2, false},
      {"gif_no_image.gif", 4, 4, false},
      {"gif_screen_huge.gif", 0, 0, false},
      {"gif_valid.gif", 0, 0, true},
      {"gif_valid_il.gif", 0, 0, true},
      {"nkl_10digits.nkl", 5, 5, false},
      {"nkl_eq_65537.nkl", 0, 2, false},
      {"nkl_huge_numbers.nkl", 2, 2, false},
      {"nkl_many_eq.nkl", 2, 2, false},
      {"nkl_missing.nkl", 2, 2, false},
      {"nkl_neg.nkl", 2, 2, false},
      {"nkl_no_palette.nkl", 0, 0, false},
      {"nkl_no_paren.nkl", 2, 2, false},
      {"nkl_pal_comp_big.nkl", 0, 2, false},
      {"nkl_pal_index_big.nkl", 0, 0, false},
      {"nkl_pixel_big.nkl", 0, 2, false},
      {"nkl_valid.nkl", 0, 0, false},
      {"nkl_wide_2p28.nkl", 2, 2, false},
      {"nkl_zero.nkl", 2, 2, false},
      {"pcx_1bit_pil.pcx", 0, 0, true},
      {"pcx_4planes.pcx", 0, 0, true},
      {"pcx_65535sq.pcx", 5, 5, false},
      {"pcx_65535x4096.pcx", 2, 2, false},
      {"pcx_bpl0.pcx", 2, 2, false},
      {"pcx_bpl_small.pcx", 2, 2, false},
      {"pcx_neg.pcx", 2, 2, false},
      {"pcx_short_pal.pcx", 0, 2, false},
      {"sgi_2byte_rev.sgi", 0, 0, true},
      {"sgi_dim1.sgi", 0, 0, false},
      {"sgi_planes_65535.sgi", 2, 2, false},
      {"sgi_raw_nodata.sgi", 2, 2, false},
      {"sgi_rle2.sgi", 2, 2, false},
      {"sgi_rle_badtable.sgi", 2, 2, false},
      {"sgi_rle_bomb.sgi", 0, 5, false},
      {"sgi_rle_overfill.sgi", 0, 2, false},
      {"sun_1_wide.ras", 2, 2, false},
      {"sun_24_wide_2p28x1.ras", 2, 2, false},
      {"sun_32_wide_2p28x1.ras", 2, 2, false},
      {"sun_depth64.ras", 0, 5, false},
      {"sun_map_2.ras", 0, 0, true},
      {"sun_map_65536.ras", 0, 0, false},
      {"sun_map_huge.ras", 2, 2, false},
      {"sun_neg.ras", 2, 2, false},
      {"sun_rle.ras", 0, 0, true},
      {"sun_rle_trunc.ras", 0, 2, false},
      {"tga_65535sq.tga", 5, 5, false},
      {"tga_65535x4096_nodata.tga", 2, 2, false},
      {"tga_depth1_grey.tga", 0, 0, false},
      {"tga_id0.tga", 0, 0, true},
      {"tga_id10.tga", 0, 0, true},
      {"tga_idlen255.tga", 0, 0, true},
      {"tga_map_65535.tga", 2, 2, false},
      {"tga_map_bits7.tga", 5, 5, false},
      {"tga_map_len0.tga", 0, 0, false},
      {"tga_rle_trunc.tga", 0, 2, false},
      {"tga_topfirst.tga", 0, 0, true},
      {"img1x1.bmp", 0, 0, true},
      {"tall2x20000.gif", 0, 0, true},
      {"wide20000x2.gif", 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Planes p;
    int w = 0, h = 0;
    ASSERT_EQ(ImageFileInfo(Hostile(c.name).c_str(), &w, &h, nullptr, nullptr), c.info);
    EXPECT_EQ(LoadImage(Hostile(c.name), &p), c.info != IMAGE_OK ? c.info : c.load);
    if (c.likePillow) ExpectDecodesLike(Hostile(c.name), kPillow);
  }
}
