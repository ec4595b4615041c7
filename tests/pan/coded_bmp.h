#pragma once
// Pictures whose every pixel names itself, so that a pixel read back from a canvas says which
// image pixel was drawn there: the low bytes of its column and row in red and green, their high
// bits in blue. Rows bottom first, as imageRgb.
#include <fstream>
#include <string>
#include <vector>

struct Rgb {
  unsigned char r, g, b;
};

inline Rgb code_of(int col, int row) {
  return {static_cast<unsigned char>(col & 255), static_cast<unsigned char>(row & 255),
          static_cast<unsigned char>((col >> 8) | ((row >> 8) << 4))};
}
inline void decode(const unsigned char* p, int* col, int* row) {
  *col = p[0] | ((p[2] & 15) << 8);
  *row = p[1] | ((p[2] >> 4) << 8);
}

// A 24-bit BMP, bottom row first, each row padded to four bytes: coded, or a plain grey.
inline void write_bmp(const std::string& path, int w, int h, bool coded) {
  const int stride = (w * 3 + 3) & ~3;
  const unsigned size = 54u + static_cast<unsigned>(stride) * static_cast<unsigned>(h);
  std::vector<unsigned char> b(size, 0);
  auto put32 = [&](int at, unsigned v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<unsigned char>(v >> (8 * k));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<unsigned>(w));
  put32(22, static_cast<unsigned>(h));
  b[26] = 1;
  b[28] = 24;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const Rgb c = coded ? code_of(col, row) : Rgb{60, 60, 60};
      unsigned char* p = &b[54 + row * stride + col * 3];
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), size);
}
