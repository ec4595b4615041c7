// The library's entry points: the loading paths and their current-row bookkeeping, through a
// driver of the tests' own; the registry and the size limits; and every picture of the kept
// corpus (data/, each folder's RECIPES.txt says how each file was made) and of the crashers,
// against an independent reader or the codes it must give (the shared hostile corpus is read
// through the command-line tool, in tests/cli).
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>

#include "format_driver.h"
#include "image_test_util.h"
#include "row_unpack.h"

using namespace imgtest;
namespace fs = std::filesystem;

namespace {

// What the driver for files named *.fake reports (map or planar rows: the interleaved ones are
// every real driver's); its samples are a function of (column, file row, file plane), so every
// misplaced row shows.
struct FakeSetup {
  bool topFirst = true;
  int colourMode = IMAGE_MAP, planar = 0, paletteSize = 40;
  int planeOrder[3] = {0, 1, 2};
  int breakRowAt = -1;  // file row after which the current row is moved outside the picture
};
FakeSetup g_fake;
int g_fakeFileRow;  // rows delivered so far by the open handle
constexpr int kWidth = 5, kHeight = 4;

unsigned char Sample(int x, int fileRow, int plane) { return static_cast<unsigned char>(x * 10 + fileRow * 3 + plane * 100); }
uint32_t FakePaletteEntry(unsigned i) { return ImagePaletteEntry(i, 2 * i, 255 - i); }

ImageFileHandle* FakeOpen(const char* path, int* error) {
  *error = std::strstr(path, ".fake") != nullptr ? IMAGE_OK : IMAGE_ERR_FORMAT;
  if (*error != IMAGE_OK) return nullptr;
  ImageFileHandle* h = ImageHandleNew(nullptr);
  h->width = kWidth, h->height = kHeight;
  h->colourMode = g_fake.colourMode, h->planar = g_fake.planar, h->paletteSize = g_fake.paletteSize;
  std::memcpy(h->planeOrder, g_fake.planeOrder, sizeof h->planeOrder);
  h->currentRow = g_fake.topFirst ? kHeight - 1 : 0;
  g_fakeFileRow = 0;
  return h;
}
int FakePalette(ImageFileHandle* h, uint32_t* palette) {
  for (int i = 0; i < h->paletteSize; ++i) palette[i] = FakePaletteEntry(i);
  return IMAGE_OK;
}
int FakeRow(ImageFileHandle* h, unsigned char* row) {
  for (int x = 0; x < kWidth; ++x) row[x] = Sample(x, g_fakeFileRow % kHeight, g_fakeFileRow / kHeight);
  ++g_fakeFileRow;
  if (g_fakeFileRow % kHeight == 0) h->currentRow = g_fake.topFirst ? kHeight - 1 : 0;  // the next plane
  else h->currentRow += g_fake.topFirst ? -1 : 1;
  if (g_fakeFileRow == g_fake.breakRowAt) h->currentRow = kHeight + 7;
  return IMAGE_OK;
}
ImageFormatDriver FakeDriver() {
  ImageFormatDriver d = ImageDriverRecord("FAKE");
  d.open = FakeOpen, d.close = ImageHandleDelete, d.readPalette = FakePalette, d.readRow = FakeRow;
  return d;
}
ImageFormatDriver g_fakeDriver = FakeDriver();

// A file of the fake format, its driver registered (once) with the given setup.
std::string FakeFile(const FakeSetup& setup) {
  static const std::string path = [] {
    WriteFileBytes(TempPath("picture.fake"), "FAKE", 4);
    ImageRegisterFormat(&g_fakeDriver);
    return TempPath("picture.fake");
  }();
  g_fake = setup;
  return path;
}

}  // namespace

TEST(ImageCore, RowsLandOnTheWrongPlaneRowOrComponent) {
  // planes in a file order of their own, top or bottom row first; map indices of which most are
  // beyond the 40-entry palette (they read as the grey of their level)
  const FakeSetup cases[] = {{false, IMAGE_RGB, 1, 0, {2, 0, 1}}, {true, IMAGE_RGB, 1, 0, {1, 2, 0}}, {true}, {false}};
  for (const FakeSetup& c : cases) {
    SCOPED_TRACE(std::to_string(c.topFirst) + " mode " + std::to_string(c.colourMode));
    Planes p;
    ASSERT_EQ(LoadImage(FakeFile(c), &p), IMAGE_OK);
    for (int y = 0; y < kHeight; ++y) {
      const int fileRow = c.topFirst ? kHeight - 1 - y : y;
      for (int x = 0; x < kWidth; ++x) {
        unsigned want = 0;
        for (int filePlane = 0; filePlane < 3 && c.planar; ++filePlane) {
          want |= unsigned(Sample(x, fileRow, filePlane)) << (16 - 8 * c.planeOrder[filePlane]);
        }
        const unsigned index = Sample(x, fileRow, 0);
        if (!c.planar) want = index < unsigned(c.paletteSize) ? FakePaletteEntry(index) : index * 0x010101u;
        ASSERT_EQ(p.rgb(x, y), want) << x << ", " << y;
      }
    }
  }
  // a driver that moves its current row outside the picture gets an error, not a write there
  FakeSetup broken;
  broken.breakRowAt = 2;
  ExpectCodes(FakeFile(broken), IMAGE_OK, IMAGE_ERR_READ);
  // planes sized for another picture are not written
  std::vector<unsigned char> r(4, 0xAB);
  EXPECT_EQ(ImageLoadRGBSized(FakeFile({}).c_str(), 2, 2, r.data(), r.data(), r.data()), IMAGE_ERR_READ);
  EXPECT_EQ(r, std::vector<unsigned char>(4, 0xAB));
}

TEST(ImageCore, RegistryOverflowsOrLosesTheDriversBeforeIt) {
  ImageFileDescription d{};
  ASSERT_EQ(ImageFileDescribe(FakeFile({}).c_str(), &d), IMAGE_OK);
  EXPECT_STREQ(d.format, "FAKE");
  EXPECT_EQ(ImageFindFormat("FAKE")->id, 10) << "after the nine built-in drivers and PNG";
  static ImageFormatDriver extra[50];
  int accepted = 0, last = 0;
  for (ImageFormatDriver& e : extra) {
    e = ImageDriverRecord("NEVER");
    e.open = [](const char*, int* error) -> ImageFileHandle* { return *error = IMAGE_ERR_FORMAT, nullptr; };
    last = ImageRegisterFormat(&e);
    accepted += last >= 0;
  }
  EXPECT_EQ(last, -1);
  EXPECT_EQ(extra[accepted - 1].id, 49) << "ids run up to the capacity of 50";
  EXPECT_EQ(ImageFileInfo(FakeFile({}).c_str(), nullptr, nullptr, nullptr, nullptr), IMAGE_OK);
}

TEST(ImageCore, SizesOverflowOrPassTheLimitUnchecked) {
  EXPECT_EQ(ImageCheckDimensions(1 << 14, 1 << 14), IMAGE_OK);  // exactly the limit
  EXPECT_EQ(ImageCheckDimensions((1 << 14) + 1, 1 << 14), IMAGE_ERR_VARIANT);
  EXPECT_EQ(ImageCheckDimensions(0x7FFFFFFF, 0x7FFFFFFF), IMAGE_ERR_VARIANT);
  EXPECT_EQ(ImageCheckDimensions(10, -1), IMAGE_ERR_READ);
  size_t out = 7;
  EXPECT_FALSE(size_mul_ok(SIZE_MAX / 2 + 1, 2, &out));
  EXPECT_EQ(out, 7u);
  EXPECT_TRUE(size_mad_ok(3, 4, 5, &out) && out == 17u);
  EXPECT_FALSE(size_mad_ok(SIZE_MAX / 4, 4, 5, &out));
  EXPECT_EQ(ImageRowBytes(37, 24, 4), 112u);
  EXPECT_EQ(ImageRowBytes(37, 1, 2), 6u);
}

TEST(ImageCore, TextFilePassesForAPicture) {
  const char words[] = "just some words, no image signature here\n";
  ASSERT_TRUE(WriteFileBytes(TempPath("plain.jpg"), words, sizeof words - 1));
  int w = -1;
  EXPECT_EQ(ImageFileInfo(TempPath("plain.jpg").c_str(), &w, nullptr, nullptr, nullptr), IMAGE_ERR_FORMAT);
  EXPECT_EQ(w, -1) << "outputs are untouched on failure";
  ExpectCodes(TempPath("plain.jpg"), IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
}

TEST(RowUnpack, JoinedPlanesLoseOrSwapSamplesAtBlockEdges) {
  // the vector path does 16 pixels at a time and the rest one by one: widths around the block
  for (size_t width : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 1000u}) {
    std::vector<unsigned char> planes[3], back[3], rgb(3 * width + 1, 0xEE);
    for (int c = 0; c < 3; ++c) {
      for (size_t x = 0; x < width; ++x) planes[c].push_back(static_cast<unsigned char>(x * (2 * c + 1) + 85 * c));
      back[c].resize(width);
    }
    ImageJoinSamples(planes[0].data(), planes[1].data(), planes[2].data(), width, rgb.data());
    for (size_t i = 0; i < 3 * width; ++i) ASSERT_EQ(rgb[i], planes[i % 3][i / 3]) << width << " " << i;
    EXPECT_EQ(rgb[3 * width], 0xEE) << "written past the row of " << width;
    ImageSplitSamples(rgb.data(), 3, width, back[0].data(), back[1].data(), back[2].data());
    for (int c = 0; c < 3; ++c) EXPECT_EQ(back[c], planes[c]) << width;
  }
}

namespace {

// Files of data/ the library must refuse, with ImageFileInfo's code and the load's:
// 2 damaged or cut, 4 not of any format, 5 a variant or size beyond the library, 6 compression.
const std::map<std::string, std::pair<int, int>> kRefused = {
    {"bmp/damaged_rle8_truncated.bmp", {0, 2}},   {"bmp/refused_jpeg_compression.bmp", {0, 6}},
    {"bmp/refused_rle8_with_24_bits.bmp", {0, 5}}, {"bmp/refused_zero_width.bmp", {2, 2}},
    {"bmp/refused_negative_width.bmp", {2, 2}},   {"bmp/refused_huge_dimensions.bmp", {5, 5}},
    {"gif/damaged_premature_end_code.gif", {0, 2}}, {"gif/damaged_undefined_code.gif", {0, 2}},
    {"gif/damaged_early_block_terminator.gif", {0, 2}},
    {"gif/damaged_zero_width.gif", {2, 2}},       {"gif/refused_huge_dimensions.gif", {5, 5}},
    {"gif/refused_unknown_block.gif", {4, 4}},    {"gif/refused_eof_in_extension.gif", {4, 4}},
    {"jpeg/truncated_55_percent.jpg", {0, 2}},    {"jpeg/tables_only.jpg", {4, 4}},
    {"nkl/damaged_11_digits.nkl", {0, 2}},        {"nkl/damaged_no_size.nkl", {2, 2}},
    {"nkl/damaged_short_row.nkl", {2, 2}},        {"nkl/refused_nkx.nkl", {4, 4}},
    {"pcx/damaged_palette_marker.pcx", {0, 2}},   {"pcx/refused_2_planes.pcx", {0, 5}},
    {"pcx/refused_short_plane_line.pcx", {2, 2}}, {"pcx/refused_inverted_window.pcx", {2, 2}},
    {"sgi/refused_colormap_3.sgi", {0, 5}},       {"sgi/refused_3_bytes.sgi", {0, 5}},
    {"sgi/refused_2_channels.sgi", {0, 5}},       {"sgi/refused_storage_2.sgi", {0, 6}},
    {"sgi/damaged_row_start_past_end.sgi", {2, 2}}, {"sgi/damaged_row_length_past_end.sgi", {2, 2}},
    {"sgi/damaged_tables_past_end.sgi", {2, 2}},  {"sgi/damaged_zero_control_early.sgi", {0, 2}},
    {"sgi/damaged_row_overflow.sgi", {0, 2}},     {"sun/refused_depth_4.ras", {0, 5}},
    {"sun/refused_huge_dimensions.ras", {5, 5}},  {"sun/damaged_map_past_end.ras", {2, 2}},
    {"tga/refused_map_16_bits.tga", {5, 5}},      {"tga/refused_rgb_8_bits.tga", {5, 5}},
    {"tga/refused_mapped_without_map.tga", {4, 4}}, {"tga/refused_type_32.tga", {4, 4}},
    {"tga/refused_zero_height.tga", {2, 2}},      {"tiff/refused_float.tif", {0, 5}},
    // a strip past the end of the file; one LZW strip claiming 3.6 GB (libtiff's allocations are
    // capped, and ASan would report one that big); 10^10 pixels
    {"tiff/damaged_strip_past_end.tif", {2, 2}},  {"tiff/damaged_huge_strip.tif", {0, 2}},
    {"tiff/refused_huge_dimensions.tif", {5, 5}},
};

// Each folder's independent decoder; a file with a truth picture <name>.ppm beside it (made by
// hand, for what no encoder writes or no other reader reads) is compared with that instead.
// pamdepth's rounding of 2-byte samples equals the readers' for the v = k x 257 in these files.
const std::map<std::string, std::string> kDecoder = {
    {"bmp", "bmptopnm {}"}, {"pcx", "pcxtoppm {}"}, {"gif", "giftopnm {}"},
    {"jpeg", "djpeg -pnm {}"}, {"sun", "rasttopnm {}"}, {"sgi", "sgitopnm {} | pamdepth 255"},
    {"tiff", "tifftopnm {} | pamdepth 255"}, {"nkl", ""}, {"tga", "tgatoppm {}"},
    // tifftopnm reads no YCbCr; ImageMagick does, and the format is lossy
    {"tiff/jpeg_ycbcr.tif", "convert {} -depth 8 ppm:-"},
};

// What ImageFileDescribe reports of some files: palette entries (0: an RGB file) and compression.
struct Described {
  const char* name;
  int palette;
  int compression;
};
const Described kDescribed[] = {
    {"bmp/map8_used_colours_16.bmp", 16, 0}, {"bmp/rle4.bmp", 16, 256},        {"pcx/map4_planes.pcx", 16, 256},
    {"gif/photo_2_code_size_2.gif", 2, 256}, {"jpeg/grey.jpg", 256, 256},      {"sun/rgb32.ras", 0, 0},
    {"sgi/grey_rle.sgi", 256, 256},          {"tga/map8_rle.tga", 200, 256},   {"tiff/rgb_none.tif", 0, 0},
    {"tiff/rgb_deflate.tif", 0, 256},        {"tiff/bilevel_g4.tif", 2, 256},  {"nkl/spaced.nkl", 3, 0},
};

}  // namespace

TEST(ImageCorpus, FileDecodesUnlikeAnIndependentReaderOrGivesTheWrongCode) {
  // libjpeg and libtiff would print their warnings on standard error: the library keeps them quiet
  testing::internal::CaptureStderr();
  size_t files = 0, refused = 0;
  for (const auto& folder : fs::directory_iterator(DataPath(""))) {
    const std::string format = folder.path().filename().string();
    for (const auto& entry : fs::directory_iterator(folder.path())) {
      const std::string ext = entry.path().extension().string(), path = entry.path().string();
      if (ext == ".ppm" || ext == ".txt") continue;
      const std::string name = format + "/" + entry.path().filename().string();
      ++files;
      const auto codes = kRefused.find(name);
      if (codes != kRefused.end()) {
        ExpectCodes(path, codes->second.first, codes->second.second);
        ++refused;
        continue;
      }
      ImageFileDescription d{};
      EXPECT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK) << name;
      std::string upper = format;
      for (char& c : upper) c = static_cast<char>(std::toupper(c));
      EXPECT_EQ(d.format != nullptr ? d.format : "", upper) << name;
      EXPECT_EQ(d.readable, IMAGE_OK) << name;
      const bool truth = fs::exists(path.substr(0, path.rfind('.')) + ".ppm");
      const auto own = kDecoder.find(name);
      ExpectDecodesLike(path, truth ? "" : own != kDecoder.end() ? own->second : kDecoder.at(format),
                        own != kDecoder.end() ? 6 : 0);
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_GT(files, 150u);
  EXPECT_EQ(refused, kRefused.size()) << "a refused file is missing from data/";
  for (const Described& c : kDescribed) {
    ImageFileDescription d{};
    ASSERT_EQ(ImageFileDescribe(DataPath(c.name).c_str(), &d), IMAGE_OK) << c.name;
    EXPECT_EQ(d.colourMode, c.palette > 0 ? IMAGE_MAP : IMAGE_RGB) << c.name;
    EXPECT_EQ(d.paletteSize, c.palette) << c.name;
    EXPECT_EQ(d.compression, c.compression) << c.name;
  }
}

TEST(ImageCorpus, CutFilePassesForAPicture) {
  // slack: trailing bytes a reader need not see: the last BMP row's padding. An 8-bit PCX's palette is found from the end of
  // the file, so a cut that keeps every row may by chance see a 12 where its marker would be;
  // a GIF's end code, block terminator and trailer, and NKL's closing ")" are not needed either.
  const std::pair<const char*, size_t> cases[] = {
      {"bmp/rgb24.bmp", 1},       {"bmp/rle4.bmp", 0},           {"pcx/map1.pcx", 0},
      {"pcx/map4_planes.pcx", 0}, {"pcx/rgb24_blocks.pcx", 0},   {"pcx/map8.pcx", 769},
      {"pcx/map8_raw.pcx", 769},  {"sun/map1_rle.ras", 0},       {"sun/map8_rle.ras", 0},
      {"sun/rgb24.ras", 0},       {"sun/rgb24_rle.ras", 0},      {"sgi/grey_rle.sgi", 0},
      {"sgi/rgb_verbatim.sgi", 0}, {"sgi/rgb16_rle.sgi", 0},     {"sgi/rgba_rle.sgi", 0},
      {"tga/rgb24_rle.tga", 0},   {"tga/rgb24_raw.tga", 0},      {"tga/map8_rle.tga", 0},
      {"tga/rgb16_raw.tga", 0},   {"tga/rgb32_rle.tga", 0},      {"gif/photo_256.gif", 3},
      {"gif/photo_256_interlaced.gif", 3}, {"gif/full_table_no_clear.gif", 3}, {"jpeg/rgb_q90.jpg", 0},
      {"jpeg/progressive.jpg", 0}, {"jpeg/arithmetic.jpg", 0},   {"tiff/rgb_lzw.tif", 0},
      {"tiff/grey4_miniswhite.tif", 0}, {"tiff/palette8.tif", 0}, {"nkl/spaced.nkl", 1},
  };
  for (const auto& c : cases) ExpectCutsRefused(ReadFileBytes(DataPath(c.first)), c.first, c.second);
}

TEST(ImageCorpus, KeptCrasherPassesForAPicture) {
  // every input that ever crashed a reader is a damaged file: it must fail, not pass for a picture
  size_t replayed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(std::string(VARNESK_SOURCE_DIR) + "/tests/data/crashers")) {
    if (!entry.is_regular_file()) continue;
    int w = 0, h = 0, e = ImageFileInfo(entry.path().c_str(), &w, &h, nullptr, nullptr);
    Planes p;
    if (e == IMAGE_OK) {
      ASSERT_LE(static_cast<long long>(w) * h, 1 << 18) << entry.path() << ": planes too large for a test";
      e = LoadImage(entry.path(), &p);
    }
    EXPECT_TRUE(e > 0 && e <= 6) << entry.path() << ": " << e;
    ++replayed;
  }
  EXPECT_GT(replayed, 4u);
}
