// TIFF reader: pictures written here with libtiff itself (alpha, orientation, 12-bit grey) and
// hostile layouts (the pnmtotiff and tiffcp files are in the corpus test).
#include <tiffio.h>

#include <cstdlib>

#include "image_test_util.h"

using namespace imgtest;

namespace {

// A picture of `rows` (top first, `samples` 8-bit samples a pixel, or packed rows when `bits`
// is not 8) written with libtiff; alphaKind 0 writes no extra sample, and a white point (CIE x, y)
// is written when given.
bool WriteTiff(const std::string& path, uint32_t width, uint32_t height, uint16_t bits, uint16_t samples,
               uint16_t photometric, const std::vector<unsigned char>& rows, uint16_t alphaKind = 0,
               uint16_t orientation = ORIENTATION_TOPLEFT, const float* whitePoint = nullptr) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
  if (alphaKind != 0) TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &alphaKind);
  if (whitePoint != nullptr) TIFFSetField(t, TIFFTAG_WHITEPOINT, whitePoint);
  bool written = true;
  const size_t rowBytes = rows.size() / height;
  for (uint32_t y = 0; y < height; ++y) {
    written = written && TIFFWriteScanline(t, const_cast<unsigned char*>(&rows[y * rowBytes]), y, 0) == 1;
  }
  TIFFClose(t);
  return written;
}

// A little-endian grey TIFF whose `strips` strips of one row all point at the same `stripBytes` bytes.
std::vector<unsigned char> SharedStripTiff(uint32_t width, uint32_t strips, uint16_t compression, uint32_t stripBytes) {
  std::vector<unsigned char> out = {'I', 'I', 42, 0};
  auto u16 = [&](uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  auto tag = [&](uint16_t id, uint16_t type, uint32_t count, uint32_t value) { u16(id), u16(type), u32(count), u32(value); };
  const uint32_t offsets = 8 + 2 + 8 * 12 + 4, counts = offsets + 4 * strips;
  u32(8), u16(8);
  tag(256, 4, 1, width), tag(257, 4, 1, strips), tag(258, 3, 1, 8), tag(259, 3, 1, compression);
  tag(262, 3, 1, 1), tag(273, 4, strips, offsets), tag(278, 4, 1, 1), tag(279, 4, strips, counts);
  u32(0);
  for (uint32_t i = 0; i < strips; ++i) u32(counts + 4 * strips);
  for (uint32_t i = 0; i < strips; ++i) u32(stripBytes);
  out.resize(out.size() + stripBytes, 0x80);
  return out;
}

}  // namespace

TEST(Tiff, AlphaOr12BitGreyMisread) {
  // RGB + alpha: the colour is kept whatever the alpha; associated (premultiplied) alpha is
  // divided out. 12-bit grey, packed two in three bytes: an odd width ends on a half-filled
  // byte triple, and white-is-zero files invert.
  struct Case {
    uint32_t width;
    uint16_t bits, samples, photometric, alphaKind;
    std::vector<unsigned char> row;
    std::vector<unsigned> want;
  };
  const Case cases[] = {
      {1, 8, 4, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, {200, 100, 50, 0}, {0xC86432}},
      {1, 8, 4, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, {200, 100, 50, 128}, {0xC86432}},
      {1, 8, 4, PHOTOMETRIC_RGB, EXTRASAMPLE_ASSOCALPHA, {100, 50, 25, 128}, {0xC76331}},
      {1, 8, 4, PHOTOMETRIC_RGB, EXTRASAMPLE_ASSOCALPHA, {10, 20, 30, 255}, {0x0A141E}},
      // samples 0, 4095, 2048
      {3, 12, 1, PHOTOMETRIC_MINISBLACK, 0, {0x00, 0x0F, 0xFF, 0x80, 0x00}, {0, 0xFFFFFF, 0x7F7F7F}},
      {3, 12, 1, PHOTOMETRIC_MINISWHITE, 0, {0x00, 0x0F, 0xFF, 0x80, 0x00}, {0xFFFFFF, 0, 0x808080}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    ASSERT_TRUE(WriteTiff(TempPath("one-row.tif"), c.width, 1, c.bits, c.samples, c.photometric, c.row, c.alphaKind));
    Planes p;
    ASSERT_EQ(LoadImage(TempPath("one-row.tif"), &p), IMAGE_OK);
    for (uint32_t x = 0; x < c.width; ++x) EXPECT_EQ(p.rgb(x, 0), c.want[x]) << std::hex << c.want[x];
  }
}

TEST(Tiff, OrientationTagIgnored) {
  // a 5 x 3 RGB picture written with each Orientation value; ImageMagick's -auto-orient turns it
  // upright independently (5-8 are transposed: 3 x 5)
  std::vector<unsigned char> rows;
  for (int i = 0; i < 15; ++i) rows.insert(rows.end(), {static_cast<unsigned char>(40 * (i % 5)),
                                                        static_cast<unsigned char>(80 * (i / 5)),
                                                        static_cast<unsigned char>(10 * (i % 5 + i / 5))});
  for (uint16_t orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    ASSERT_TRUE(WriteTiff(TempPath("oriented.tif"), 5, 3, 8, 3, PHOTOMETRIC_RGB, rows, 0, orientation));
    ExpectDecodesLike(TempPath("oriented.tif"), "convert {} -auto-orient -depth 8 ppm:-");
  }
}

TEST(Tiff, SharedStripsOrBadDirectoryCostWorkMemoryOrNoise) {
  // 70000 rows of 1000 pixels from one strip of 1000 bytes: uncompressed, the file does not hold
  // the rows it claims (2, before anything is allocated); compressed, each strip would be read
  // and decoded again, 70 MB of work from 560 KB (5, the size still reported). The same layout
  // with one strip is fine.
  const std::string path = TempPath("shared-strips.tif");
  ASSERT_TRUE(WriteFileBytes(path, SharedStripTiff(1000, 70000, 1, 1000)));
  ExpectCodes(path, IMAGE_ERR_READ, IMAGE_ERR_READ);
  ASSERT_TRUE(WriteFileBytes(path, SharedStripTiff(1000, 70000, 5, 1000)));
  ExpectCodes(path, IMAGE_OK, IMAGE_ERR_VARIANT);
  ASSERT_TRUE(WriteFileBytes(path, SharedStripTiff(1000, 1, 1, 1000)));
  ExpectCodes(path, IMAGE_OK, IMAGE_OK);
  // a directory offset far past the end: refused, and libtiff says nothing on standard error
  const unsigned char header[] = {'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0x0F};
  ASSERT_TRUE(WriteFileBytes(path, header, sizeof header));
  testing::internal::CaptureStderr();
  Planes p;
  EXPECT_NE(LoadImage(path, &p), IMAGE_OK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Colour spaces the TIFF reader converts itself, checked against published values: CIELAB of
// the sRGB primaries and of neutral greys, with and without a white point in the file.
namespace {

struct Lab {
  double l, a, b;  // L* 0-100, a*, b*
};

// A one-row 8-bit CIELAB TIFF; whitePoint (CIE x, y) is written when not null.
std::string WriteLab(const char* name, const Lab* pixels, int count, const float* whitePoint) {
  const std::string path = imgtest::TempPath(name);
  auto signedByte = [](double v) { return static_cast<unsigned char>(static_cast<signed char>(v < 0 ? v - 0.5 : v + 0.5)); };
  std::vector<unsigned char> row;
  for (int i = 0; i < count; ++i) {
    row.push_back(static_cast<unsigned char>(pixels[i].l * 255.0 / 100.0 + 0.5));
    row.push_back(signedByte(pixels[i].a));
    row.push_back(signedByte(pixels[i].b));
  }
  return WriteTiff(path, count, 1, 8, 3, PHOTOMETRIC_CIELAB, row, 0, ORIENTATION_TOPLEFT, whitePoint) ? path : "";
}

void ExpectNear(const Planes& p, int x, int r, int g, int b, int tolerance, const std::string& what) {
  const size_t i = p.index(x, 0);
  EXPECT_NEAR(p.red[i], r, tolerance) << what << " pixel " << x;
  EXPECT_NEAR(p.green[i], g, tolerance) << what << " pixel " << x;
  EXPECT_NEAR(p.blue[i], b, tolerance) << what << " pixel " << x;
}

TEST(TiffLab, WhiteNotShownWhiteOrPrimariesOff) {
  // Lab of sRGB white, L* 50 grey (sRGB 119), black, red, green and blue: relative to D50
  // (Bradford-adapted, as colour profiles hold them) and to D65 (no adaptation).
  const Lab d50[] = {{100, 0, 0}, {50, 0, 0}, {0, 0, 0}, {54.29, 80.80, 69.89}, {87.82, -79.29, 80.99}, {29.57, 68.30, -112.03}};
  const Lab d65[] = {{100, 0, 0}, {50, 0, 0}, {0, 0, 0}, {53.24, 80.09, 67.20}, {87.73, -86.18, 83.18}, {32.30, 79.19, -107.86}};
  const int expected[6][3] = {{255, 255, 255}, {119, 119, 119}, {0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const float whiteD65[2] = {0.3127f, 0.3290f};
  struct Case {
    const char* name;
    const Lab* pixels;
    const float* whitePoint;
  };
  for (const Case& c : {Case{"lab-default-white.tif", d50, nullptr}, Case{"lab-d65.tif", d65, whiteD65}}) {
    const std::string path = WriteLab(c.name, c.pixels, 6, c.whitePoint);
    ASSERT_FALSE(path.empty()) << c.name;
    Planes p;
    ASSERT_EQ(imgtest::LoadImage(path, &p), IMAGE_OK) << c.name;
    // a* and b* are whole numbers in the file; near 0 the sRGB curve is steep, so a primary's
    // empty components may rise by up to 10 steps (a yellow cast of the white would be 30)
    for (int x = 0; x < 6; ++x) ExpectNear(p, x, expected[x][0], expected[x][1], expected[x][2], x < 3 ? 1 : 12, c.name);
  }
}

}  // namespace
