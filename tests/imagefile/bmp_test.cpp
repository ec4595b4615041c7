// BMP reader: the run-length escapes on files made here, and bmpsuite against its author's
// reference renderings (the rest of the BMP files are in the corpus test).
#include <nlohmann/json.hpp>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

namespace {

// A bitmap with a 40-byte header and 16 palette entries, entry i the grey 10 i + 5 (so an index
// reads back from any plane), around run-length `data` (bits 8: RLE8, 4: RLE4).
std::vector<unsigned char> MakeRleBmp(int width, int height, int bits, const std::vector<unsigned char>& data) {
  std::vector<unsigned char> b(54 + 64, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = static_cast<unsigned char>(bits);
  put32(2, static_cast<uint32_t>(b.size() + data.size()));
  put32(10, static_cast<uint32_t>(b.size()));
  put32(14, 40), put32(18, width), put32(22, height), put32(30, bits == 8 ? 1 : 2), put32(46, 16);
  for (unsigned i = 0; i < 16; ++i) put32(54 + 4 * i, ImagePaletteEntry(10 * i + 5, 10 * i + 5, 10 * i + 5));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

}  // namespace

TEST(Bmp, RunLengthEscapeMovesUnlikeOtherReaders) {
  struct Case {
    const char* what;
    int bits, width, height;
    std::vector<unsigned char> data;
    const char* expected;  // indices, top row first; a delta's skipped pixels are index 0
  };
  const Case cases[] = {
      {"runs and literals, odd literal padded", 8, 5, 2, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 5, 6, 0, 1}, "66666/11234"},
      {"delta right within a row", 8, 5, 1, {1, 3, 0, 2, 2, 0, 2, 4, 0, 1}, "30044"},
      // from (1, bottom row) up 2 rows and right 1: the middle row is all 0, the top row resumes at x 2
      {"delta up leaves the jumped rows black", 8, 4, 3, {1, 7, 0, 2, 1, 2, 2, 5, 0, 1}, "0055/0000/7000"},
      {"end of bitmap leaves the rest black", 8, 3, 3, {3, 2, 0, 0, 0, 1}, "000/000/222"},
      {"run cut at the row's end", 8, 3, 2, {9, 1, 0, 0, 3, 2, 0, 1}, "222/111"},
      {"RLE4 runs alternate the two nibbles", 4, 5, 1, {5, 0x12, 0, 1}, "12121"},
      {"RLE4 odd literal padded to a word", 4, 6, 1, {0, 3, 0x34, 0x50, 3, 0x67, 0, 1}, "345676"},
      {"RLE4 delta", 4, 4, 2, {1, 0x90, 0, 2, 1, 1, 1, 0x80, 0, 1}, "0080/9000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteFileBytes(TempPath("rle.bmp"), MakeRleBmp(c.width, c.height, c.bits, c.data)));
    Planes p;
    ASSERT_EQ(LoadImage(TempPath("rle.bmp"), &p), IMAGE_OK);
    std::string indices;
    for (int y = p.height - 1; y >= 0; --y) {
      for (int x = 0; x < p.width; ++x) {
        const int v = p.red[p.index(x, y)];
        indices += static_cast<char>(v % 10 == 5 ? '0' + v / 10 : '?');
      }
      if (y > 0) indices += '/';
    }
    EXPECT_EQ(indices, c.expected);
  }
}

// bmpsuite's own verdicts: g/ files are good and must decode like the author's renderings
// (within 1 for the rounding of 5- and 6-bit components) over the pixels they show opaque; q/
// files may be refused, but what decodes must look like one of the renderings given for it; b/
// files must fail cleanly or decode without fault (the sanitizers watch for the fault).
TEST(Bmp, BmpsuiteFileDecodesUnlikeItsReferenceRendering) {
  const std::string suite = std::string(VARNESK_SOURCE_DIR) + "/../shared/corpora/images/bmpsuite/";
  std::ifstream in(suite + "reference/map.json");
  ASSERT_TRUE(in.good()) << "bmpsuite is missing from the shared corpora";
  // Pillow's alpha, which also applies a tRNS colour key (pngtopnm -alpha does not)
  const std::string alpha = "/usr/bin/python3 -c \"from PIL import Image; import sys; Image.open(sys.argv[1])"
                            ".convert('RGBA').getchannel('A').convert('RGB').save(sys.stdout.buffer, 'PPM')\" ";
  const nlohmann::json map = nlohmann::json::parse(in);
  int good = 0;
  for (const auto& [name, renderings] : map.items()) {
    SCOPED_TRACE(name);
    Planes ours;
    const int e = LoadImage(suite + name, &ours);
    EXPECT_TRUE(e >= 0 && e <= 6);
    // b/ is bad input; q/rgb24prof2's rendering applies its colour profile, which no reader
    // here does; x/ holds other containers, judged like q/
    if (name[0] == 'b' || name == "q/rgb24prof2.bmp") continue;
    if (name[0] != 'g' && e != IMAGE_OK) {
      EXPECT_TRUE(e == IMAGE_ERR_READ || e == IMAGE_ERR_VARIANT || e == IMAGE_ERR_COMPRESSION) << e;
      continue;
    }
    ASSERT_EQ(e, IMAGE_OK);
    int best = 256;
    for (const auto& png : renderings) {
      const std::string path = ShellQuote(suite + "reference/" + png.get<std::string>());
      Planes ref, opaque;
      int status = -1;
      if (!ParsePpm(RunCommand("pngtopnm " + path + " | pamdepth 255 | ppmtoppm", &status), &ref)) continue;
      const bool hasAlpha = name[0] != 'g' && ParsePpm(RunCommand(alpha + path, &status), &opaque);
      if (ref.width != ours.width || ref.height != ours.height) continue;
      int worst = 0;
      for (size_t i = 0; i < ref.red.size(); ++i) {
        if (hasAlpha && opaque.red[i] != 255) continue;
        for (auto plane : {&Planes::red, &Planes::green, &Planes::blue}) {
          worst = std::max(worst, std::abs(int((ref.*plane)[i]) - int((ours.*plane)[i])));
        }
      }
      best = std::min(best, worst);
    }
    EXPECT_LE(best, 1) << "differs from every rendering by up to " << best;
    good += name[0] == 'g';
  }
  EXPECT_EQ(good, 27);
}

// Bitmaps without their 14-byte file header (clipboard DIBs) are recognised by content alone, so
// they must read exactly like the bitmap they come from, and nothing else may pass for one.
namespace {

std::vector<unsigned char> WithoutFileHeader(const char* name) {
  std::vector<unsigned char> bytes = imgtest::ReadFileBytes(imgtest::DataPath(std::string("bmp/") + name));
  if (bytes.size() > 14) bytes.erase(bytes.begin(), bytes.begin() + 14);
  return bytes;
}

TEST(HeaderlessBitmap, CopyWithoutFileHeaderReadsUnlikeTheBitmap) {
  for (const char* name : {"rgb24.bmp", "map8.bmp", "map4.bmp", "map1.bmp", "header_v5_rgb24.bmp",
                           "header_v5_map4.bmp", "rgb16_565_bitfields.bmp", "rgb24_top_first.bmp", "rle4.bmp"}) {
    Planes whole, headerless;
    ASSERT_EQ(imgtest::LoadImage(imgtest::DataPath(std::string("bmp/") + name), &whole), IMAGE_OK) << name;
    const std::string path = imgtest::TempPath(std::string("headerless-") + name);
    ASSERT_TRUE(imgtest::WriteFileBytes(path, WithoutFileHeader(name)));
    ASSERT_EQ(imgtest::LoadImage(path, &headerless), IMAGE_OK) << name;
    SCOPED_TRACE(name);
    imgtest::ExpectSamePlanes(whole, headerless);
  }
}

// Information header fields, counted from the start of a headerless file.
void PutWord(std::vector<unsigned char>* b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) (*b)[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

TEST(HeaderlessBitmap, ImplausibleOrShortHeaderTakenForABitmap) {
  struct Case {
    const char* what;
    size_t at;  // field offset (SIZE_MAX: cut the file instead)
    uint32_t value;
    int bytes;
  };
  const Case cases[] = {
      {"header size 41", 0, 41, 4},     {"header size 12", 0, 12, 4}, {"width 0", 4, 0, 4},
      {"2 planes", 12, 2, 2},           {"7 bits", 14, 7, 2},        {"8-bit run-length on 24 bits", 16, 1, 4},
      {"compression 9", 16, 9, 4},      {"300 used colours", 32, 300, 4},
      {"last byte of the pixels missing", SIZE_MAX, 1, 0},
  };
  const std::vector<unsigned char> good = WithoutFileHeader("rgb24.bmp");
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes = good;
    if (c.at == SIZE_MAX) {
      bytes.resize(bytes.size() - c.value);
    } else {
      PutWord(&bytes, c.at, c.value, c.bytes);
    }
    const std::string path = imgtest::TempPath("not-headerless.dib");
    ASSERT_TRUE(imgtest::WriteFileBytes(path, bytes));
    SCOPED_TRACE(c.what);
    imgtest::ExpectCodes(path, IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
  }
}

}  // namespace
