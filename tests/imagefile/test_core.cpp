// The library's core: detection and the registry, the three loading paths with their
// current-row bookkeeping, the dimension limit, and the BinaryFile layer.
#include <cstring>
#include <vector>

#include "binary_file.h"
#include "format_driver.h"
#include "image_test_util.h"
#include "row_unpack.h"

using namespace imgtest;

namespace {

// A driver of the tests' own for files starting "FAKE": what it reports is set per test, and
// its rows are a function of (column, file row, plane), so every misplaced row shows.
struct FakeSetup {
  int colourMode = IMAGE_RGB;
  int planar = 0;
  int planeOrder[3] = {0, 1, 2};
  int paletteSize = 0;
  int width = 5;
  int height = 4;
  bool topFirst = true;
  int breakRowAt = -1;  // file row after which the current row is moved outside the picture
};
FakeSetup g_fake;
int g_fakeFileRow;  // rows delivered so far by the open handle

unsigned char Sample(int x, int fileRow, int plane) { return static_cast<unsigned char>(x * 10 + fileRow * 3 + plane * 100); }

ImageFileHandle* FakeOpen(const char* path, int* error) {
  BinaryFile* f = BinaryFileOpen(path, "rb", BINARY_FILE_LITTLE_ENDIAN);
  if (f == nullptr) {
    *error = IMAGE_ERR_OPEN;
    return nullptr;
  }
  char sig[4];
  BinaryFileRead(f, sig, 4);
  const bool mine = !BinaryFileError(f) && std::memcmp(sig, "FAKE", 4) == 0;
  BinaryFileClose(f);
  if (!mine) {
    *error = IMAGE_ERR_FORMAT;
    return nullptr;
  }
  ImageFileHandle* h = ImageHandleNew(nullptr);
  h->width = g_fake.width;
  h->height = g_fake.height;
  h->colourMode = g_fake.colourMode;
  h->planar = g_fake.planar;
  h->paletteSize = g_fake.paletteSize;
  std::memcpy(h->planeOrder, g_fake.planeOrder, sizeof h->planeOrder);
  h->currentRow = g_fake.topFirst ? h->height - 1 : 0;
  g_fakeFileRow = 0;
  *error = IMAGE_OK;
  return h;
}

void FakeClose(ImageFileHandle* h) { ImageHandleDelete(h); }

void NextRow(ImageFileHandle* h) {
  ++g_fakeFileRow;
  if (g_fake.planar && g_fakeFileRow % h->height == 0) {
    h->currentRow = g_fake.topFirst ? h->height - 1 : 0;
  } else {
    h->currentRow += g_fake.topFirst ? -1 : 1;
  }
  if (g_fakeFileRow == g_fake.breakRowAt) h->currentRow = h->height + 7;
}

int FakePalette(ImageFileHandle* h, uint32_t* palette) {
  for (int i = 0; i < h->paletteSize; ++i) palette[i] = ImagePaletteEntry(i, 2 * i, 255 - i);
  return IMAGE_OK;
}

int FakeRow(ImageFileHandle* h, unsigned char* row) {
  for (int x = 0; x < h->width; ++x) row[x] = Sample(x, g_fakeFileRow % h->height, g_fakeFileRow / h->height);
  NextRow(h);
  return IMAGE_OK;
}

int FakeRgbRow(ImageFileHandle* h, unsigned char* r, unsigned char* g, unsigned char* b) {
  for (int x = 0; x < h->width; ++x) {
    r[x] = Sample(x, g_fakeFileRow, 0);
    g[x] = Sample(x, g_fakeFileRow, 1);
    b[x] = Sample(x, g_fakeFileRow, 2);
  }
  NextRow(h);
  return IMAGE_OK;
}

ImageFormatDriver FakeDriver() {
  ImageFormatDriver d = ImageDriverRecord("FAKE");
  d.open = FakeOpen;
  d.close = FakeClose;
  d.readPalette = FakePalette;
  d.readRow = FakeRow;
  d.readRgbRow = FakeRgbRow;
  return d;
}

ImageFormatDriver g_fakeDriver = FakeDriver();

std::string FakeFile() {
  static const std::string path = [] {
    std::string p = TempPath("picture.fake");
    WriteFileBytes(p, "FAKE", 4);
    if (ImageFindFormat("FAKE") == nullptr) ImageRegisterFormat(&g_fakeDriver);
    return p;
  }();
  return path;
}

// Row (from the bottom) of the planes that file row `fileRow` lands on.
int PlaneRow(int fileRow) { return g_fake.topFirst ? g_fake.height - 1 - fileRow : fileRow; }

}  // namespace

TEST(ImageCore, missing_empty_and_text_files) {
  EXPECT_EQ(ImageFileInfo(TempPath("does-not-exist.bmp").c_str(), nullptr, nullptr, nullptr, nullptr),
            IMAGE_ERR_OPEN);
  EXPECT_EQ(ImageFileInfo(TempDir().c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_ERR_OPEN) << "a directory";
  const std::string empty = TempPath("empty.jpg");
  ASSERT_TRUE(WriteFileBytes(empty, "", 0));
  EXPECT_EQ(ImageFileInfo(empty.c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_ERR_FORMAT);
  const std::string text = TempPath("plain.txt");
  const char words[] = "just some words, no image signature here\n";
  ASSERT_TRUE(WriteFileBytes(text, words, sizeof words - 1));
  int w = -1;
  EXPECT_EQ(ImageFileInfo(text.c_str(), &w, nullptr, nullptr, nullptr), IMAGE_ERR_FORMAT);
  EXPECT_EQ(w, -1) << "outputs are untouched on failure";
  unsigned char plane[1];
  EXPECT_EQ(ImageLoadRGB(text.c_str(), plane, plane, plane), IMAGE_ERR_FORMAT);
}

TEST(ImageCore, builtin_drivers_in_detection_order) {
  const char* order[] = {"BMP", "PCX", "GIF", "JPEG", "SUN", "SGI", "TIFF", "NKL", "TGA"};
  for (int i = 0; i < 9; ++i) {
    ImageFormatDriver* d = ImageFindFormat(order[i]);
    ASSERT_NE(d, nullptr) << order[i];
    EXPECT_EQ(d->id, i) << order[i];
    EXPECT_EQ(d->query(), 0);
  }
}

TEST(ImageCore, registered_driver_comes_after_the_builtins) {
  const std::string path = FakeFile();
  EXPECT_GE(ImageFindFormat("FAKE")->id, 9);
  ImageFileDescription d{};
  g_fake = FakeSetup{};
  ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK);
  EXPECT_STREQ(d.format, "FAKE");
  EXPECT_EQ(d.width, 5);
  EXPECT_EQ(d.height, 4);
}

ImageFileHandle* NeverMine(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

TEST(ImageCore, a_full_registry_refuses_more_drivers_and_keeps_working) {
  const std::string path = FakeFile();
  static ImageFormatDriver extra[50];
  int accepted = 0;
  int last = 0;
  for (ImageFormatDriver& d : extra) {
    d = g_fakeDriver;
    d.open = NeverMine;
    d.name = "NEVER";
    last = ImageRegisterFormat(&d);
    if (last >= 0) ++accepted;
  }
  EXPECT_EQ(last, -1);
  EXPECT_LT(accepted, 50);
  EXPECT_EQ(extra[accepted - 1].id, 49) << "ids run up to the capacity of 50";
  g_fake = FakeSetup{};
  EXPECT_EQ(ImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_OK);
}

TEST(ImageCore, interleaved_rgb_rows_land_on_their_current_row) {
  for (bool topFirst : {true, false}) {
    g_fake = FakeSetup{};
    g_fake.topFirst = topFirst;
    Planes p;
    ASSERT_EQ(LoadImage(FakeFile(), &p), IMAGE_OK);
    for (int fileRow = 0; fileRow < g_fake.height; ++fileRow) {
      for (int x = 0; x < g_fake.width; ++x) {
        size_t i = p.index(x, PlaneRow(fileRow));
        ASSERT_EQ(p.red[i], Sample(x, fileRow, 0));
        ASSERT_EQ(p.green[i], Sample(x, fileRow, 1));
        ASSERT_EQ(p.blue[i], Sample(x, fileRow, 2));
      }
    }
  }
}

TEST(ImageCore, planar_rows_fill_the_planes_in_plane_order) {
  g_fake = FakeSetup{};
  g_fake.planar = 1;
  g_fake.topFirst = false;
  g_fake.planeOrder[0] = 2, g_fake.planeOrder[1] = 0, g_fake.planeOrder[2] = 1;
  Planes p;
  ASSERT_EQ(LoadImage(FakeFile(), &p), IMAGE_OK);
  const std::vector<unsigned char>* byComponent[3] = {&p.red, &p.green, &p.blue};
  for (int filePlane = 0; filePlane < 3; ++filePlane) {
    const auto& plane = *byComponent[g_fake.planeOrder[filePlane]];
    for (int fileRow = 0; fileRow < g_fake.height; ++fileRow) {
      for (int x = 0; x < g_fake.width; ++x) ASSERT_EQ(plane[p.index(x, fileRow)], Sample(x, fileRow, filePlane));
    }
  }
}

TEST(ImageCore, map_indices_beyond_the_palette_read_black) {
  g_fake = FakeSetup{};
  g_fake.colourMode = IMAGE_MAP;
  g_fake.paletteSize = 40;  // the samples go up to 82, so most indices are outside
  Planes p;
  ASSERT_EQ(LoadImage(FakeFile(), &p), IMAGE_OK);
  for (int fileRow = 0; fileRow < g_fake.height; ++fileRow) {
    for (int x = 0; x < g_fake.width; ++x) {
      unsigned index = Sample(x, fileRow, 0);
      uint32_t expected = index < 40 ? ImagePaletteEntry(index, 2 * index, 255 - index) : 0;
      ASSERT_EQ(p.rgb(x, PlaneRow(fileRow)), expected) << "index " << index;
    }
  }
}

TEST(ImageCore, current_row_outside_the_picture_is_an_error_not_a_write) {
  g_fake = FakeSetup{};
  g_fake.breakRowAt = 2;
  Planes p;
  EXPECT_EQ(LoadImage(FakeFile(), &p), IMAGE_ERR_READ);
}

TEST(ImageCore, sized_load_refuses_planes_of_another_size) {
  g_fake = FakeSetup{};
  std::vector<unsigned char> r(4, 0xAB), g(4, 0xAB), b(4, 0xAB);
  EXPECT_EQ(ImageLoadRGBSized(FakeFile().c_str(), 2, 2, r.data(), g.data(), b.data()), IMAGE_ERR_READ);
  EXPECT_EQ(r, std::vector<unsigned char>(4, 0xAB));
  Planes p;
  p.resize(5, 4);
  EXPECT_EQ(ImageLoadRGBSized(FakeFile().c_str(), 5, 4, p.red.data(), p.green.data(), p.blue.data()), IMAGE_OK);
}

TEST(ImageCore, header_dimensions_are_checked_before_anything_is_sized) {
  g_fake = FakeSetup{};
  g_fake.width = 0;
  EXPECT_EQ(ImageFileInfo(FakeFile().c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_ERR_READ);
  g_fake.width = 1 << 15;
  g_fake.height = 1 << 14;
  EXPECT_EQ(ImageFileInfo(FakeFile().c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_ERR_VARIANT);

  EXPECT_EQ(ImageCheckDimensions(1 << 14, 1 << 14), IMAGE_OK);  // exactly the limit
  EXPECT_EQ(ImageCheckDimensions((1 << 14) + 1, 1 << 14), IMAGE_ERR_VARIANT);
  EXPECT_EQ(ImageCheckDimensions(0x7FFFFFFF, 0x7FFFFFFF), IMAGE_ERR_VARIANT);
  EXPECT_EQ(ImageCheckDimensions(1, IMAGE_MAX_PIXELS + 1), IMAGE_ERR_VARIANT);
  EXPECT_EQ(ImageCheckDimensions(0, 10), IMAGE_ERR_READ);
  EXPECT_EQ(ImageCheckDimensions(10, -1), IMAGE_ERR_READ);
  size_t out = 7;
  EXPECT_FALSE(size_mul_ok(SIZE_MAX / 2 + 1, 2, &out));
  EXPECT_EQ(out, 7u);
  EXPECT_TRUE(size_mad_ok(3, 4, 5, &out));
  EXPECT_EQ(out, 17u);
  EXPECT_FALSE(size_mad_ok(SIZE_MAX / 4, 4, 5, &out));
  EXPECT_EQ(ImageRowBytes(37, 24, 4), 112u);
  EXPECT_EQ(ImageRowBytes(37, 1, 2), 6u);
  EXPECT_EQ(ImageRowBytes(0, 8, 4), 0u);
}

TEST(ImageCore, every_code_has_its_own_sentence) {
  for (int a = 0; a <= 6; ++a) {
    ASSERT_NE(ImageErrorText(a), nullptr);
    for (int b = a + 1; b <= 6; ++b) EXPECT_STRNE(ImageErrorText(a), ImageErrorText(b));
  }
  EXPECT_NE(ImageErrorText(99), nullptr);
}

TEST(BinaryFileLayer, words_in_both_byte_orders) {
  const std::string path = TempPath("words.bin");
  const unsigned char bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  ASSERT_TRUE(WriteFileBytes(path, bytes, sizeof bytes));
  for (int order : {BINARY_FILE_LITTLE_ENDIAN, BINARY_FILE_BIG_ENDIAN}) {
    BinaryFile* f = BinaryFileOpen(path.c_str(), "rb", order);
    ASSERT_NE(f, nullptr);
    const bool big = order == BINARY_FILE_BIG_ENDIAN;
    EXPECT_EQ(BinaryFileReadWord(f), big ? 0x1234 : 0x3412);
    EXPECT_EQ(BinaryFileReadDWord(f), big ? 0x56789ABCu : 0xBC9A7856u);
    EXPECT_FALSE(BinaryFileError(f));
    BinaryFileClose(f);
  }
}

TEST(BinaryFileLayer, reads_past_the_end_give_zeros_and_a_sticky_error) {
  const std::string path = TempPath("short.bin");
  ASSERT_TRUE(WriteFileBytes(path, "abc", 3));
  BinaryFile* f = BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_LITTLE_ENDIAN);
  ASSERT_NE(f, nullptr);
  unsigned char buf[6];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(BinaryFileRead(f, buf, 6), 3u);
  EXPECT_EQ(0, std::memcmp(buf, "abc\0\0\0", 6));
  EXPECT_TRUE(BinaryFileError(f));
  EXPECT_TRUE(BinaryFileEndOfFile(f));
  // a seek back does not clear the error: a decoder checks it once, at the end of its block
  EXPECT_EQ(BinaryFileSeek(f, 0), 0);
  EXPECT_EQ(BinaryFileGetByte(f), 'a');
  EXPECT_TRUE(BinaryFileError(f));
  BinaryFileClose(f);

  f = BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_BIG_ENDIAN);
  EXPECT_EQ(BinaryFileReadDWord(f), 0x61626300u);
  EXPECT_TRUE(BinaryFileError(f));
  EXPECT_EQ(BinaryFileGetByte(f), 0);
  BinaryFileClose(f);
}

TEST(BinaryFileLayer, short_reads_and_missing_rows_pass_for_data) {
  const std::string path = TempPath("rows.bin");
  ASSERT_TRUE(WriteFileBytes(path, std::vector<unsigned char>(1000, 7)));
  BinaryFile* f = BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_LITTLE_ENDIAN);
  ASSERT_NE(f, nullptr);
  // whether the file holds `rows` rows of `rowBytes` from `offset`: exact fits pass, one byte
  // more and products that overflow do not
  struct Case {
    unsigned long long offset, rowBytes, rows;
    bool holds;
  };
  const Case cases[] = {
      {0, 100, 10, true},          {1, 100, 10, false},         {999, 1, 1, true},
      {1000, 0, 5, true},          {0, 1ULL << 32, 1ULL << 32, false},
      {~0ULL, 1, 1, false},        {54, 1ULL << 30, 1ULL << 28, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageDriverFileHolds(f, c.offset, c.rowBytes, c.rows), c.holds)
        << c.offset << " + " << c.rowBytes << " x " << c.rows;
  }
  EXPECT_TRUE(BinaryFileHolds(f, 1000));
  EXPECT_FALSE(BinaryFileHolds(f, 1001));
  unsigned char buf[600];
  EXPECT_TRUE(BinaryFileReadExact(f, buf, 600));
  EXPECT_FALSE(BinaryFileReadExact(f, buf, 401));
  EXPECT_FALSE(BinaryFileReadExact(f, buf, 0));  // the error stays
  BinaryFileClose(f);
}

TEST(BinaryFileLayer, seeks_and_reads_across_buffer_blocks) {
  const std::string path = TempPath("big.bin");
  std::vector<unsigned char> data(300000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>((i * 7) ^ (i >> 8));
  ASSERT_TRUE(WriteFileBytes(path, data));
  BinaryFile* f = BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_LITTLE_ENDIAN);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(BinaryFileSize(f), 300000);
  std::vector<unsigned char> got(200000);
  EXPECT_EQ(BinaryFileGetByte(f), data[0]);
  EXPECT_EQ(BinaryFileRead(f, got.data(), 100), 100u);  // from the buffer
  EXPECT_EQ(0, std::memcmp(got.data(), &data[1], 100));
  EXPECT_EQ(BinaryFileRead(f, got.data(), got.size()), got.size());  // across blocks and past the buffer
  EXPECT_EQ(0, std::memcmp(got.data(), &data[101], got.size()));
  EXPECT_EQ(BinaryFileTell(f), 200101);
  for (long long at : {5LL, 70000LL, 299999LL, 65535LL, 65536LL}) {
    EXPECT_EQ(BinaryFileSeek(f, at), 0);
    EXPECT_EQ(BinaryFileTell(f), at);
    EXPECT_EQ(BinaryFileGetByte(f), data[at]) << at;
  }
  EXPECT_EQ(BinaryFileSkip(f, 1000), 0);
  EXPECT_EQ(BinaryFileTell(f), 66537);
  EXPECT_EQ(BinaryFileGetByte(f), data[66537]);
  EXPECT_EQ(BinaryFileSeekFromEnd(f, 10), 0);
  EXPECT_EQ(BinaryFileGetByte(f), data[299990]);
  EXPECT_FALSE(BinaryFileError(f));
  EXPECT_EQ(BinaryFileSeekFromEnd(f, 300001), -1);
  EXPECT_TRUE(BinaryFileError(f));
  BinaryFileClose(f);
}

TEST(BinaryFileLayer, writing_swaps_words_and_wrong_direction_does_nothing) {
  const std::string path = TempPath("written.bin");
  BinaryFile* w = BinaryFileOpen(path.c_str(), "wb", BINARY_FILE_BIG_ENDIAN);
  ASSERT_NE(w, nullptr);
  const uint16_t word = 0x1234;
  const uint32_t dword = 0x89ABCDEF;
  EXPECT_EQ(BinaryFileWriteWords(w, &word, 1), 1u);
  EXPECT_EQ(BinaryFileWriteDWords(w, &dword, 1), 1u);
  EXPECT_EQ(BinaryFilePrintf(w, "<%d>", 42), 4);
  unsigned char sink[2];
  EXPECT_EQ(BinaryFileRead(w, sink, 2), 0u);
  EXPECT_EQ(BinaryFileClose(w), 0);
  const std::vector<unsigned char> expected = {0x12, 0x34, 0x89, 0xAB, 0xCD, 0xEF, '<', '4', '2', '>'};
  EXPECT_EQ(ReadFileBytes(path), expected);

  BinaryFile* r = BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_BIG_ENDIAN);
  EXPECT_EQ(BinaryFileWrite(r, "x", 1), 0u);
  EXPECT_EQ(BinaryFileReadWord(r), 0x1234);
  BinaryFileClose(r);
  EXPECT_EQ(BinaryFileOpen(TempPath("no/such/dir.bin").c_str(), "rb", 0), nullptr);
}

TEST(RowUnpack, joined_planes_lose_or_swap_samples_at_block_edges) {
  // the vector path does 16 pixels at a time and the rest one by one: widths around the block
  for (size_t width : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 1000u}) {
    std::vector<unsigned char> r(width), g(width), b(width), rgb(3 * width + 1, 0xEE);
    for (size_t x = 0; x < width; ++x) {
      r[x] = static_cast<unsigned char>(x), g[x] = static_cast<unsigned char>(x + 85);
      b[x] = static_cast<unsigned char>(x * 7 + 170);
    }
    ImageJoinSamples(r.data(), g.data(), b.data(), width, rgb.data());
    for (size_t x = 0; x < width; ++x) {
      ASSERT_EQ(rgb[3 * x], r[x]) << width << " " << x;
      ASSERT_EQ(rgb[3 * x + 1], g[x]) << width << " " << x;
      ASSERT_EQ(rgb[3 * x + 2], b[x]) << width << " " << x;
    }
    EXPECT_EQ(rgb[3 * width], 0xEE) << "written past the row of " << width;
    std::vector<unsigned char> r2(width), g2(width), b2(width);
    ImageSplitSamples(rgb.data(), 3, width, r2.data(), g2.data(), b2.data());
    EXPECT_EQ(r2, r);
    EXPECT_EQ(g2, g);
    EXPECT_EQ(b2, b);
  }
}
