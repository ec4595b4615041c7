#pragma once
// Row unpacking shared by the drivers: packed indices to one byte per pixel, and
// interleaved samples to the three output planes. Kept inline and branch-free in the
// inner loops, since they run once per row of a possibly very large picture.

#include <cstddef>
#include <cstdint>
#include <cstring>

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

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// Splits 16 three-byte pixels at a time with byte shuffles; returns the pixels done. The
// scalar loop stores one byte per plane per pixel, and with planes a page multiple apart those
// stores alias each other: splitting a 12-megapixel row stream cost more than decoding a JPEG.
__attribute__((target("ssse3"))) inline size_t ImageSplitTriplesSsse3(const unsigned char* src, size_t width,
                                                                     unsigned char* first, unsigned char* second,
                                                                     unsigned char* third) {
  const __m128i a0 = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i a1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
  const __m128i a2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
  const __m128i b0 = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i b1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
  const __m128i b2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
  const __m128i c0 = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i c1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
  const __m128i c2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
  size_t x = 0;
  for (; x + 16 <= width; x += 16, src += 48) {
    const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
    const __m128i p2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
    const __m128i a = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(p0, a0), _mm_shuffle_epi8(p1, a1)),
                                   _mm_shuffle_epi8(p2, a2));
    const __m128i b = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(p0, b0), _mm_shuffle_epi8(p1, b1)),
                                   _mm_shuffle_epi8(p2, b2));
    const __m128i c = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(p0, c0), _mm_shuffle_epi8(p1, c1)),
                                   _mm_shuffle_epi8(p2, c2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(first + x), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(second + x), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(third + x), c);
  }
  return x;
}

// The inverse: 16 pixels at a time from three planes into three-byte pixels; returns the pixels
// done. Writers of interleaved output (PPM) spend more in a scalar version of this than in
// decoding.
__attribute__((target("ssse3"))) inline size_t ImageJoinTriplesSsse3(const unsigned char* first,
                                                                    const unsigned char* second,
                                                                    const unsigned char* third, size_t width,
                                                                    unsigned char* dst) {
  // masks.m[k][c]: for output block k, where each byte comes from in plane c (-1: not from it)
  struct Masks {
    alignas(16) signed char m[3][3][16];
  };
  static const Masks masks = [] {
    Masks t{};
    for (int k = 0; k < 3; ++k) {
      for (int i = 0; i < 16; ++i) {
        const int j = 16 * k + i;
        for (int c = 0; c < 3; ++c) t.m[k][c][i] = static_cast<signed char>(j % 3 == c ? j / 3 : -1);
      }
    }
    return t;
  }();
  size_t x = 0;
  for (; x + 16 <= width; x += 16, dst += 48) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + x));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(third + x));
    for (int k = 0; k < 3; ++k) {
      const __m128i out = _mm_or_si128(
          _mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(reinterpret_cast<const __m128i*>(masks.m[k][0]))),
                       _mm_shuffle_epi8(b, _mm_load_si128(reinterpret_cast<const __m128i*>(masks.m[k][1])))),
          _mm_shuffle_epi8(c, _mm_load_si128(reinterpret_cast<const __m128i*>(masks.m[k][2]))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * k), out);
    }
  }
  return x;
}

inline bool ImageCpuHasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// width three-byte pixels into dst from the three planes, first byte from first.
inline void ImageJoinSamples(const unsigned char* first, const unsigned char* second, const unsigned char* third,
                             size_t width, unsigned char* dst) {
  size_t done = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (ImageCpuHasSsse3()) done = ImageJoinTriplesSsse3(first, second, third, width, dst);
#endif
  for (size_t x = done; x < width; ++x) {
    dst[3 * x] = first[x];
    dst[3 * x + 1] = second[x];
    dst[3 * x + 2] = third[x];
  }
}

// Pixels of `step` bytes whose first three bytes go to first, second and third
// (pass blue, green, red for files that store B, G, R).
inline void ImageSplitSamples(const unsigned char* src, size_t step, size_t width, unsigned char* first,
                              unsigned char* second, unsigned char* third) {
  size_t done = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (step == 3 && ImageCpuHasSsse3()) done = ImageSplitTriplesSsse3(src, width, first, second, third);
#endif
  src += done * step;
  for (size_t x = done; x < width; ++x, src += step) {
    first[x] = src[0];
    second[x] = src[1];
    third[x] = src[2];
  }
}

// One CMYK pixel (0 no ink, 255 full ink) as the colour printed on white paper, each component
// truncated: red = (255 - C) x (255 - K) / 255, and likewise green from M and blue from Y.
inline void ImageInkToRgb(unsigned c, unsigned m, unsigned y, unsigned k, unsigned char* red, unsigned char* green,
                          unsigned char* blue) {
  *red = static_cast<unsigned char>((255 - c) * (255 - k) / 255);
  *green = static_cast<unsigned char>((255 - m) * (255 - k) / 255);
  *blue = static_cast<unsigned char>((255 - y) * (255 - k) / 255);
}

// A run of one byte value that may go on past the end of the row it started in (some PCX and
// Sun writers encode the picture as one stream): what does not fit is kept for the next row.
struct ImageByteRun {
  size_t left;          // bytes of the run still to deliver
  unsigned char value;  // the repeated byte
};

// Writes as much of the run as fits in `room` bytes at `out`; returns the bytes written.
inline size_t ImageByteRunEmit(ImageByteRun* run, unsigned char* out, size_t room) {
  const size_t n = run->left < room ? run->left : room;
  std::memset(out, run->value, n);
  run->left -= n;
  return n;
}
