// Colour spaces the TIFF reader converts itself, checked against published values: CIELAB of
// the sRGB primaries and of neutral greys, with and without a white point in the file.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <string>

#include "image_test_util.h"

namespace {

using imgtest::Planes;

struct Lab {
  double l, a, b;  // L* 0-100, a*, b*
};

// A one-row 8-bit CIELAB TIFF; whitePoint (CIE x, y) is written when not null.
std::string WriteLab(const char* name, const Lab* pixels, int count, const float* whitePoint) {
  const std::string path = imgtest::TempPath(name);
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) return "";
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, count);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CIELAB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
  if (whitePoint != nullptr) TIFFSetField(t, TIFFTAG_WHITEPOINT, whitePoint);
  unsigned char row[3 * 8];
  for (int i = 0; i < count; ++i) {
    row[3 * i] = static_cast<unsigned char>(pixels[i].l * 255.0 / 100.0 + 0.5);
    row[3 * i + 1] = static_cast<unsigned char>(static_cast<signed char>(pixels[i].a < 0 ? pixels[i].a - 0.5 : pixels[i].a + 0.5));
    row[3 * i + 2] = static_cast<unsigned char>(static_cast<signed char>(pixels[i].b < 0 ? pixels[i].b - 0.5 : pixels[i].b + 0.5));
  }
  const bool ok = TIFFWriteScanline(t, row, 0, 0) == 1;
  TIFFClose(t);
  return ok ? path : "";
}

void ExpectNear(const Planes& p, int x, int r, int g, int b, int tolerance, const std::string& what) {
  const size_t i = p.index(x, 0);
  EXPECT_NEAR(p.red[i], r, tolerance) << what << " pixel " << x;
  EXPECT_NEAR(p.green[i], g, tolerance) << what << " pixel " << x;
  EXPECT_NEAR(p.blue[i], b, tolerance) << what << " pixel " << x;
}

TEST(TiffLab, white_not_shown_white_or_primaries_off) {
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
