// NKL text images: the writing side defines the format, so a written file must read back with
// the same indices and palette; hand-written files test the number reading.
#include <vector>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

namespace {

std::string Nkl(const std::string& name) { return DataPath("nkl/" + name); }

struct IndexedPicture {
  int width, height;
  std::vector<uint32_t> palette;
  std::vector<unsigned char> indices;  // rows top first
};

IndexedPicture Sample() {
  IndexedPicture p{13, 5, {}, {}};
  for (unsigned i = 0; i < 7; ++i) p.palette.push_back(ImagePaletteEntry(i * 40, 255 - i * 30, (i * 97) % 256));
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) p.indices.push_back(static_cast<unsigned char>((x * 3 + y) % 7));
  }
  return p;
}

// Writes through the driver's writing side, rows in the order its current row asks for.
void WriteNkl(const std::string& path, const IndexedPicture& p) {
  ImageFormatDriver* nkl = ImageFindFormat("NKL");
  ASSERT_NE(nkl, nullptr);
  int error = -1;
  ImageFileHandle* h = nkl->create(path.c_str(), p.width, p.height, IMAGE_MAP, IMAGE_COMPRESSION_NONE,
                                   static_cast<int>(p.palette.size()), &error);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(error, IMAGE_OK);
  EXPECT_EQ(nkl->writePalette(h, p.palette.data()), IMAGE_OK);
  for (int i = 0; i < p.height; ++i) {
    const int topRow = p.height - 1 - h->currentRow;
    EXPECT_EQ(nkl->writeRow(h, &p.indices[static_cast<size_t>(topRow) * p.width]), IMAGE_OK);
  }
  EXPECT_EQ(nkl->writeRow(h, p.indices.data()), IMAGE_ERR_WRITE) << "a row past the height";
  nkl->close(h);
}

}  // namespace

TEST(NklFormat, written_file_reads_back_with_same_indices_and_palette) {
  const IndexedPicture p = Sample();
  const std::string path = TempPath("round_trip.nkl");
  WriteNkl(path, p);
  ExpectDescription(path, "NKL", IMAGE_MAP, 7);

  ImageFormatDriver* nkl = ImageFindFormat("NKL");
  int error = -1;
  ImageFileHandle* h = nkl->open(path.c_str(), &error);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(error, IMAGE_OK);
  std::vector<uint32_t> palette(7);
  ASSERT_EQ(nkl->readPalette(h, palette.data()), IMAGE_OK);
  EXPECT_EQ(palette, p.palette);
  std::vector<unsigned char> row(p.width);
  for (int topRow = 0; topRow < p.height; ++topRow) {
    EXPECT_EQ(h->currentRow, p.height - 1 - topRow);
    ASSERT_EQ(nkl->readRow(h, row.data()), IMAGE_OK);
    EXPECT_EQ(0, std::memcmp(row.data(), &p.indices[static_cast<size_t>(topRow) * p.width], p.width));
  }
  nkl->close(h);

  Planes planes;
  ASSERT_EQ(LoadImage(path, &planes), IMAGE_OK);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      ASSERT_EQ(planes.rgb(x, p.height - 1 - y), p.palette[p.indices[static_cast<size_t>(y) * p.width + x]]);
    }
  }
}

TEST(NklFormat, writer_output_is_the_documented_text) {
  IndexedPicture p{2, 2, {ImagePaletteEntry(255, 0, 0), ImagePaletteEntry(0, 0, 255)}, {0, 1, 1, 0}};
  const std::string path = TempPath("tiny.nkl");
  WriteNkl(path, p);
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text, "NKLImage = IMAGE[\n0 = \"255 0 0\",\n1 = \"0 0 255\"]\n(2,2\n,0,1\n,1,0\n)");
}

TEST(NklFormat, writer_refuses_rgb_and_undecodable_compression) {
  ImageFormatDriver* nkl = ImageFindFormat("NKL");
  int error = -1;
  EXPECT_EQ(nkl->create(TempPath("rgb.nkl").c_str(), 2, 2, IMAGE_RGB, 0, 0, &error), nullptr);
  EXPECT_EQ(error, IMAGE_ERR_VARIANT);
  EXPECT_EQ(nkl->create(TempPath("lzw.nkl").c_str(), 2, 2, IMAGE_MAP, IMAGE_COMPRESSION_UNSUPPORTED, 2, &error),
            nullptr);
  EXPECT_EQ(error, IMAGE_ERR_COMPRESSION);
}

TEST(NklFormat, blanks_tabs_commas_and_quotes_between_numbers_are_skipped) {
  ExpectDescription(Nkl("spaced.nkl"), "NKL", IMAGE_MAP, 3);
  ExpectDecodesLike(Nkl("spaced.nkl"), "");
}

TEST(NklFormat, damaged_and_foreign_files) {
  ExpectRefused(Nkl("damaged_11_digits.nkl"), IMAGE_OK, IMAGE_ERR_READ);
  ExpectRefused(Nkl("damaged_no_size.nkl"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  // too short for its pixels: refused before any size is reported
  ExpectRefused(Nkl("damaged_short_row.nkl"), IMAGE_ERR_READ, IMAGE_ERR_READ);
  // not "NKL": detection goes on, and no later driver takes it either
  ExpectRefused(Nkl("refused_nkx.nkl"), IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
}

TEST(NklFormat, minus_signs_are_read_and_refused) {
  struct Case {
    const char* text;
    int info, load;
  };
  const Case cases[] = {
      {"NKLImage = IMAGE[\n0 = \"1 2 3\"]\n(-2,-1\n,0,0\n,0,0\n)", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"NKLImage = IMAGE[\n0 = \"1 2 3\"]\n(2,-1\n,0,0\n,0,0\n)", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"NKLImage = IMAGE[\n0 = \"1 -2 3\"]\n(2,1\n,0,0\n)", IMAGE_OK, IMAGE_ERR_READ},
      {"NKLImage = IMAGE[\n0 = \"1 2 3\"]\n(2,1\n,0,-0\n)", IMAGE_OK, IMAGE_ERR_READ},
      // a minus sign with a blank before the digits is only a separator
      {"NKLImage = IMAGE[\n0 = \"1 2 3\"]\n(2,- 1\n,0,0\n)", IMAGE_OK, IMAGE_OK},
  };
  for (const Case& c : cases) {
    const std::string path = TempPath("minus.nkl");
    ASSERT_TRUE(WriteFileBytes(path, c.text, std::strlen(c.text)));
    ExpectRefused(path, c.info, c.load);
  }
}

TEST(NklFormat, every_truncation_fails_cleanly) {
  const std::string path = TempPath("truncate.nkl");
  WriteNkl(path, Sample());
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  // the closing ")" is not needed to read the pixels, the "\n" before it ends the last number
  ExpectTruncationsFail(bytes, "round_trip.nkl", bytes.size() - 1);
}
