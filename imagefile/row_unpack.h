#pragma once
// Row unpacking shared by the drivers: packed indices to one byte per pixel, and
// interleaved samples to the three output planes. Kept inline and branch-free in the
// inner loops, since they run once per row of a possibly very large picture.

#include <cstddef>
#include <cstdint>

// 1-bit indices, most significant bit first; `invert` 1 turns a set bit into index 0.
inline void ImageUnpackBits1(const unsigned char* src, unsigned char* dst, size_t width, unsigned invert) {
  for (size_t x = 0; x < width; ++x) {
    dst[x] = static_cast<unsigned char>(((src[x >> 3] >> (7 - (x & 7))) & 1u) ^ invert);
  }
}

// 4-bit indices, high nibble first.
inline void ImageUnpackNibbles(const unsigned char* src, unsigned char* dst, size_t width) {
  for (size_t x = 0; x < width; ++x) {
    dst[x] = static_cast<unsigned char>((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
  }
}

// Pixels of `step` bytes whose first three bytes go to first, second and third
// (pass blue, green, red for files that store B, G, R).
inline void ImageSplitSamples(const unsigned char* src, size_t step, size_t width, unsigned char* first,
                              unsigned char* second, unsigned char* third) {
  for (size_t x = 0; x < width; ++x, src += step) {
    first[x] = src[0];
    second[x] = src[1];
    third[x] = src[2];
  }
}
