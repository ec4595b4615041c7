// Hostile and damaged JPEG and TIFF files from the shared corpus (../shared/corpora/hostile),
// and paths that are not regular files: each ends with the code that says what is wrong with
// it, the valid ones decode like an independent reader, and nothing blocks on a pipe.
#include <sys/stat.h>

#include <filesystem>

#include "format_driver.h"
#include "image_test_util.h"

using imgtest::LoadImage;
using imgtest::Planes;

namespace {

std::string Hostile(const std::string& name) {
  return std::string(VARNESK_SOURCE_DIR) + "/../shared/corpora/hostile/" + name;
}

bool HaveHostileCorpus() { return std::filesystem::exists(Hostile("README.md")); }

}  // namespace

TEST(HostileFiles, damaged_files_succeed_or_hide_behind_the_wrong_code) {
  if (!HaveHostileCorpus()) GTEST_SKIP() << "no shared corpus beside the source tree";
  // info: ImageFileInfo; load: ImageLoadRGB after it. Cut files are 2 (never a grey success),
  // sizes and variants beyond the library are 5, and a TIFF or JPEG header is never a 4.
  struct Case {
    const char* name;
    int info;
    int load;
  };
  const Case cases[] = {
      {"jpeg_12bit.jpg", IMAGE_OK, IMAGE_ERR_VARIANT},
      {"jpeg_sof3_lossless.jpg", IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
      {"jpeg_65500sq.jpg", IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
      {"jpeg_header_only.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"jpeg_base_truncated_632of833.jpg", IMAGE_OK, IMAGE_ERR_READ},
      {"jpeg_trunc_16384sq_gray.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"jpeg_trunc_16384sq_rgb.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"jpeg_trunc_65500x4098_rgb.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"jpeg_prog_12800sq_trunc.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"jpeg_prog_gray_16000x16000_trunc.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"jpeg_999scans_16000sq.jpg", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_16384sq_nodata.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_2p28x1_nodata.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_rgb_2p28x1_nodata.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_shared_strips_bomb.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_offset_past_eof.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_many_strips_32x2p23.tif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"tiff_lzw_garbage.tif", IMAGE_OK, IMAGE_ERR_READ},
      {"tiff_comp34712.tif", IMAGE_OK, IMAGE_ERR_COMPRESSION},
  };
  for (const Case& c : cases) imgtest::ExpectRefused(Hostile(c.name), c.info, c.load);
}

TEST(HostileFiles, adobe_cmyk_jpeg_decodes_black) {
  if (!HaveHostileCorpus()) GTEST_SKIP() << "no shared corpus beside the source tree";
  if (!imgtest::ToolAvailable("convert")) GTEST_SKIP() << "no ImageMagick";
  // ImageMagick inverts Adobe CMYK as every reader does; its CMYK-to-RGB rounding differs a little
  const std::string path = Hostile("jpeg_adobe_cmyk.jpg");
  Planes ours, theirs;
  ASSERT_EQ(LoadImage(path, &ours), IMAGE_OK);
  ASSERT_TRUE(imgtest::RunToPnm("convert " + imgtest::ShellQuote(path) + " -depth 8 ppm:-", &theirs));
  ASSERT_EQ(ours.red.size(), theirs.red.size());
  for (size_t i = 0; i < ours.red.size(); ++i) {
    ASSERT_NEAR(ours.red[i], theirs.red[i], 3) << i;
    ASSERT_NEAR(ours.green[i], theirs.green[i], 3) << i;
    ASSERT_NEAR(ours.blue[i], theirs.blue[i], 3) << i;
  }
}

TEST(HostileFiles, deflate_and_packbits_tiffs_reported_as_unsupported) {
  if (!HaveHostileCorpus()) GTEST_SKIP() << "no shared corpus beside the source tree";
  const std::string path = Hostile("tiff_deflate_valid.tif");
  ImageFileDescription d{};
  ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK);
  EXPECT_EQ(d.compression, IMAGE_COMPRESSION_DECODED);
  EXPECT_EQ(d.readable, IMAGE_OK);
  imgtest::ExpectDecodesLike(path, "tifftopnm {} 2>/dev/null");
}

TEST(HostileFiles, paths_that_are_not_regular_files_block_or_read_nothing) {
  const std::string fifo = imgtest::TempPath("pipe.jpg");
  const std::string dir = imgtest::TempPath("folder.tif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_TRUE(std::filesystem::create_directory(dir));
  struct Case {
    std::string path;
    int check;
  };
  // a FIFO with no writer would block in open for ever; /dev/zero would never end
  const Case cases[] = {
      {fifo, BINARY_FILE_PATH_NOT_REGULAR},
      {dir, BINARY_FILE_PATH_DIRECTORY},
      {"/dev/zero", BINARY_FILE_PATH_NOT_REGULAR},
      {imgtest::TempPath("missing.bmp"), BINARY_FILE_PATH_MISSING},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BinaryFileCheckPath(c.path.c_str()), c.check) << c.path;
    EXPECT_EQ(BinaryFileOpen(c.path.c_str(), "rb", BINARY_FILE_BIG_ENDIAN), nullptr) << c.path;
    imgtest::ExpectRefused(c.path, IMAGE_ERR_OPEN, IMAGE_ERR_OPEN);
  }
  std::remove(fifo.c_str());
}
