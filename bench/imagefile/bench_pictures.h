#pragma once
// Generated pictures and the files the decode benchmarks read.

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// An RGB picture, interleaved, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// The same picture reduced to a 256-entry palette, for GIF and NKL.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> index;                   // top row first
  std::vector<unsigned char> palette;                 // 256 x (r, g, b)
};

// A 4000x3000 photo-like picture (gradients, texture and sensor noise) or a flat one (a pitch
// drawing: large areas of a few colours with sharp edges).
Picture MakePhoto(int width, int height);
Picture MakeFlat(int width, int height);
// Ordered dithering to a 3-3-2 palette (photo), or an exact palette (flat, few colours).
IndexedPicture ToIndexed(const Picture& p);

// Writers; each returns false when the file could not be written.
bool WriteBmp24(const std::string& path, const Picture& p);
bool WriteTga(const std::string& path, const Picture& p, bool runLength);
bool WritePcx24(const std::string& path, const Picture& p);
bool WriteSgiRle(const std::string& path, const Picture& p);
bool WriteSun24(const std::string& path, const Picture& p, bool runLength);
bool WriteGif(const std::string& path, const IndexedPicture& p);
bool WriteJpeg(const std::string& path, const Picture& p, int quality);
bool WriteTiff(const std::string& path, const Picture& p, bool lzw);
bool WriteNkl(const std::string& path, const IndexedPicture& p);

}  // namespace bench
