// Targa reader: every origin a descriptor can name, on files made here (netpbm writes only the
// bottom-left one; the rest of the Targa files are in the corpus test).
#include "image_test_util.h"

using namespace imgtest;

namespace {

unsigned Gradient(int x, int y) { return static_cast<unsigned>((x * 40) | ((y * 60) << 8) | ((x * 10 + y * 30) << 16)); }
unsigned FlatLeft(int x, int y) { return x < 3 ? 0x102030u : static_cast<unsigned>(x * 20 + y); }

// A Targa file of colour(x, y) (x from the left, y from the top) stored in the order
// `descriptor` names: rows from the top with 0x20, pixels from the right with 0x10. Types 3 and
// 11 hold grey and alpha (16 bits), 2 and 10 B, G, R (24 bits); the run-length types (9 up) put
// runs of equal pixels in repeat packets and every other pixel in a literal packet of its own.
std::vector<unsigned char> MakeTga(int type, int width, int height, int descriptor, unsigned (*colour)(int, int)) {
  const bool grey = type == 3 || type == 11;
  std::vector<unsigned char> b = {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  static_cast<unsigned char>(width), 0, static_cast<unsigned char>(height), 0,
                                  static_cast<unsigned char>(grey ? 16 : 24), static_cast<unsigned char>(descriptor)};
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int y = (descriptor & 0x20) ? fileRow : height - 1 - fileRow;
    std::vector<std::vector<unsigned char>> pixels;
    for (int i = 0; i < width; ++i) {
      const unsigned c = colour((descriptor & 0x10) ? width - 1 - i : i, y);
      if (grey) pixels.push_back({static_cast<unsigned char>(c), 0x80});  // grey, alpha
      else pixels.push_back({static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c >> 16)});
    }
    for (size_t i = 0, run = 1; i < pixels.size(); i += run, run = 1) {
      while (type >= 9 && i + run < pixels.size() && pixels[i + run] == pixels[i]) ++run;
      if (type >= 9) b.push_back(static_cast<unsigned char>(run > 1 ? 0x80 | (run - 1) : 0));
      for (size_t k = 0; k < (type >= 9 ? 1 : run); ++k) b.insert(b.end(), pixels[i + k].begin(), pixels[i + k].end());
    }
  }
  return b;
}

}  // namespace

TEST(Tga, OriginOrGreyAlphaFillsThePlanesMirrored) {
  struct Case {
    int type, descriptor;
    unsigned (*colour)(int, int);
  };
  const Case cases[] = {
      {3, 0x00, Gradient}, {3, 0x10, Gradient}, {11, 0x30, FlatLeft}, {11, 0x10, FlatLeft},
      {2, 0x10, Gradient}, {2, 0x30, Gradient}, {10, 0x10, FlatLeft}, {10, 0x20, FlatLeft},
  };
  const int width = 6, height = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + ", descriptor " + std::to_string(c.descriptor));
    ASSERT_TRUE(WriteFileBytes(TempPath("origin.tga"), MakeTga(c.type, width, height, c.descriptor, c.colour)));
    Planes p;
    ASSERT_EQ(LoadImage(TempPath("origin.tga"), &p), IMAGE_OK);
    ASSERT_EQ(p.width, width);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        // grey files store the colour's low byte
        const unsigned stored = c.colour(x, y) & 0xFFFFFFu;
        EXPECT_EQ(p.rgb(x, height - 1 - y), c.type % 8 == 3 ? (stored & 0xFF) * 0x010101u : stored) << x << ", " << y;
      }
    }
  }
}
