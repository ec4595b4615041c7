// NKL text images: the writing side defines the format, so a written file must be the documented
// text and read back with the same indices and palette; hand-written texts test the numbers.
#include <cstring>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

TEST(Nkl, WrittenFileIsNotTheDocumentedTextOrReadsBackWrong) {
  struct Case {
    int width, height;
    std::vector<uint32_t> palette;
    std::vector<unsigned char> indices;  // rows top first
    const char* text;                    // the file, when it is short enough to spell out
  };
  const Case cases[] = {
      {2, 2, {ImagePaletteEntry(255, 0, 0), ImagePaletteEntry(0, 0, 255)}, {0, 1, 1, 0},
       "NKLImage = IMAGE[\n0 = \"255 0 0\",\n1 = \"0 0 255\"]\n(2,2\n,0,1\n,1,0\n)"},
      {5, 3, {0x102030, 0xFFFFFF, 0, 0x00FF80}, {0, 1, 2, 3, 0, 3, 2, 1, 0, 3, 1, 1, 2, 2, 0}, nullptr},
  };
  ImageFormatDriver* nkl = ImageFindFormat("NKL");
  ASSERT_NE(nkl, nullptr);
  const std::string path = TempPath("written.nkl");
  for (const Case& c : cases) {
    int error = -1;
    ImageFileHandle* h = nkl->create(path.c_str(), c.width, c.height, IMAGE_MAP, IMAGE_COMPRESSION_NONE,
                                     static_cast<int>(c.palette.size()), &error);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(nkl->writePalette(h, c.palette.data()), IMAGE_OK);
    // rows in the order the writer's current row asks for
    for (int i = 0; i < c.height; ++i) {
      EXPECT_EQ(nkl->writeRow(h, &c.indices[static_cast<size_t>(c.height - 1 - h->currentRow) * c.width]), IMAGE_OK);
    }
    EXPECT_EQ(nkl->writeRow(h, c.indices.data()), IMAGE_ERR_WRITE) << "a row past the height";
    nkl->close(h);
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    if (c.text != nullptr) {
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.text);
    }
    ImageFileDescription d{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK);
    EXPECT_EQ(d.paletteSize, static_cast<int>(c.palette.size()));
    Planes planes;
    ASSERT_EQ(LoadImage(path, &planes), IMAGE_OK);
    for (int i = 0; i < c.width * c.height; ++i) {
      ASSERT_EQ(planes.rgb(i % c.width, c.height - 1 - i / c.width), c.palette[c.indices[i]]) << i;
    }
  }
  int error = -1;
  EXPECT_EQ(nkl->create(path.c_str(), 2, 2, IMAGE_RGB, 0, 0, &error), nullptr);
  EXPECT_EQ(error, IMAGE_ERR_VARIANT);
  EXPECT_EQ(nkl->create(path.c_str(), 2, 2, IMAGE_MAP, IMAGE_COMPRESSION_UNSUPPORTED, 2, &error), nullptr);
  EXPECT_EQ(error, IMAGE_ERR_COMPRESSION);
}

TEST(Nkl, MinusSignReadAsPartOfANumber) {
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
    ASSERT_TRUE(WriteFileBytes(TempPath("minus.nkl"), c.text, std::strlen(c.text)));
    SCOPED_TRACE(c.text);
    ExpectCodes(TempPath("minus.nkl"), c.info, c.load);
  }
}
