#pragma once
// The reference decoders the library is measured against. Each decodes a whole file into a
// freshly allocated RGB buffer (interleaved, top row first), as a program using it would.

#include <string>
#include <vector>

namespace bench {

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // filled only when asked for (for the correctness check)
};

// Each returns false when the decoder refused the file. With `keep` null the pixels are
// decoded and dropped (the timed path); otherwise they are copied out.
bool DecodeStb(const std::string& path, Decoded* keep);
bool DecodeGiflib(const std::string& path, Decoded* keep);
bool DecodeLibjpeg(const std::string& path, Decoded* keep);
bool DecodeLibtiff(const std::string& path, Decoded* keep);

}  // namespace bench
