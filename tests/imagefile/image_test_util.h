#pragma once
// Shared by the image file library's tests: decode a file through the library, decode it
// through an independent tool (netpbm, libtiff's or libjpeg's utilities) for comparison,
// compare planes, and make truncated prefixes of a valid file.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imagefile.h"

namespace imgtest {

// Three planes as the library delivers them: row 0 is the picture's bottom row.
struct Planes {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> red, green, blue;

  void resize(int w, int h) {
    width = w;
    height = h;
    size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    red.assign(n, 0);
    green.assign(n, 0);
    blue.assign(n, 0);
  }
  // index of column x, row y counted from the bottom
  size_t index(int x, int y) const { return static_cast<size_t>(y) * width + x; }
  // the sample triple packed as 0xRRGGBB, for readable failure messages
  unsigned rgb(int x, int y) const {
    size_t i = index(x, y);
    return (unsigned(red[i]) << 16) | (unsigned(green[i]) << 8) | blue[i];
  }
};

inline std::string DataPath(const std::string& relative) {
  return std::string(VARNESK_SOURCE_DIR) + "/tests/imagefile/data/" + relative;
}

// A directory of this process's own under the build tree, for files the tests write.
inline const std::string& TempDir() {
  static std::string dir = [] {
    std::string base = std::string(VARNESK_BINARY_DIR) + "/tmp";
    std::error_code ec;
    std::filesystem::create_directories(base, ec);
    std::string templ = base + "/imagefile-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    const char* made = ::mkdtemp(buf.data());
    return made != nullptr ? std::string(made) : std::string("/tmp");
  }();
  return dir;
}

inline std::string TempPath(const std::string& name) { return TempDir() + "/" + name; }

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  unsigned char block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + n);
  std::fclose(f);
  return bytes;
}

inline bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

inline bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  return WriteFileBytes(path, bytes.data(), bytes.size());
}

// ImageFileInfo, then ImageLoadRGB into planes of the reported size; the library's code.
inline int LoadImage(const std::string& path, Planes* out) {
  int w = 0, h = 0, mode = 0, palette = 0;
  int e = ImageFileInfo(path.c_str(), &w, &h, &mode, &palette);
  if (e != IMAGE_OK) return e;
  out->resize(w, h);
  return ImageLoadRGB(path.c_str(), out->red.data(), out->green.data(), out->blue.data());
}

// Parses a binary PBM (P4: a set bit is black, read as 0, a clear one as 255), PGM (P5) or
// PPM (P6) with maxval 255 or less into planes, bottom row first. PGM and PPM samples keep the
// file's scale; *maxval (if given) reports it (255 for PBM).
inline bool ParsePnm(const std::vector<unsigned char>& bytes, Planes* out, int* maxval = nullptr) {
  size_t pos = 0;
  auto skip_space = [&] {
    while (pos < bytes.size()) {
      if (bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      } else if (std::isspace(bytes[pos])) {
        ++pos;
      } else {
        break;
      }
    }
  };
  auto number = [&](long* v) {
    skip_space();
    if (pos >= bytes.size() || !std::isdigit(bytes[pos])) return false;
    *v = 0;
    while (pos < bytes.size() && std::isdigit(bytes[pos]) && *v < 1000000) *v = *v * 10 + (bytes[pos++] - '0');
    return true;
  };
  if (bytes.size() < 2 || bytes[0] != 'P') return false;
  const char kind = static_cast<char>(bytes[1]);
  if (kind != '4' && kind != '5' && kind != '6') return false;
  pos = 2;
  long w, h, mv = 255;
  if (!number(&w) || !number(&h) || w <= 0 || h <= 0) return false;
  if (kind != '4' && (!number(&mv) || mv <= 0 || mv > 255)) return false;
  ++pos;  // the single whitespace byte before the raster
  out->resize(static_cast<int>(w), static_cast<int>(h));
  size_t rowBytes = kind == '4' ? (w + 7) / 8 : kind == '5' ? w : 3 * w;
  if (pos + rowBytes * h > bytes.size()) return false;
  for (long fileRow = 0; fileRow < h; ++fileRow) {
    const unsigned char* src = &bytes[pos + fileRow * rowBytes];
    int y = static_cast<int>(h - 1 - fileRow);
    for (long x = 0; x < w; ++x) {
      size_t i = out->index(static_cast<int>(x), y);
      if (kind == '4') {
        unsigned char v = (src[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;  // a set bit is black
        out->red[i] = out->green[i] = out->blue[i] = v;
      } else if (kind == '5') {
        out->red[i] = out->green[i] = out->blue[i] = src[x];
      } else {
        out->red[i] = src[3 * x];
        out->green[i] = src[3 * x + 1];
        out->blue[i] = src[3 * x + 2];
      }
    }
  }
  if (maxval != nullptr) *maxval = static_cast<int>(mv);
  return true;
}

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

inline bool ToolAvailable(const std::string& tool) {
  std::string cmd = "command -v " + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a shell command that writes a PNM on its standard output and parses that.
inline bool RunToPnm(const std::string& command, Planes* out, int* maxval = nullptr) {
  FILE* p = ::popen(("( " + command + " ) 2>/dev/null").c_str(), "r");
  if (p == nullptr) return false;
  std::vector<unsigned char> bytes;
  unsigned char block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, p)) > 0) bytes.insert(bytes.end(), block, block + n);
  int status = ::pclose(p);
  return status == 0 && ParsePnm(bytes, out, maxval);
}

// Expects equal size and equal samples; reports the first few differing pixels.
inline void ExpectSamePlanes(const Planes& expected, const Planes& actual, const std::string& what) {
  ASSERT_EQ(expected.width, actual.width) << what;
  ASSERT_EQ(expected.height, actual.height) << what;
  int reported = 0;
  for (int y = 0; y < expected.height && reported < 5; ++y) {
    for (int x = 0; x < expected.width && reported < 5; ++x) {
      if (expected.rgb(x, y) != actual.rgb(x, y)) {
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << " from the bottom) expected 0x"
                      << std::hex << expected.rgb(x, y) << " got 0x" << actual.rgb(x, y) << std::dec;
        ++reported;
      }
    }
  }
}

// The truth picture kept next to a hand-made file: <name>.ppm for <name>.<ext>.
inline std::string TruthPath(const std::string& path) { return path.substr(0, path.rfind('.')) + ".ppm"; }

// Maps a reference decoder's sample (on its maxval scale) to the value the library's rule gives.
using SampleRule = int (*)(int sample, int maxval);

// Loads `path` through the library and compares it with `pipeline` (a shell command in which
// {} stands for the quoted path, writing a PNM on stdout), or with the file's truth picture
// when `pipeline` is empty. A reference whose maxval is not 255 needs a `rule`.
inline void ExpectDecodesLike(const std::string& path, const std::string& pipeline, SampleRule rule = nullptr) {
  SCOPED_TRACE(path);
  Planes expected;
  int maxval = 255;
  if (pipeline.empty()) {
    ASSERT_TRUE(ParsePnm(ReadFileBytes(TruthPath(path)), &expected, &maxval)) << "no truth picture";
  } else {
    std::string command = pipeline;
    size_t at = command.find("{}");
    if (at != std::string::npos) command.replace(at, 2, ShellQuote(path));
    ASSERT_TRUE(RunToPnm(command, &expected, &maxval)) << command;
  }
  if (maxval != 255) {
    ASSERT_NE(rule, nullptr) << "reference maxval " << maxval;
    for (auto* plane : {&expected.red, &expected.green, &expected.blue}) {
      for (unsigned char& v : *plane) v = static_cast<unsigned char>(rule(v, maxval));
    }
  }
  Planes actual;
  ASSERT_EQ(LoadImage(path, &actual), IMAGE_OK);
  ExpectSamePlanes(expected, actual, path);
}

// What ImageFileDescribe should report for a file.
inline void ExpectDescription(const std::string& path, const char* format, int colourMode, int paletteSize,
                              int readable = IMAGE_OK) {
  ImageFileDescription d{};
  ASSERT_EQ(ImageFileDescribe(path.c_str(), &d), IMAGE_OK) << path;
  EXPECT_STREQ(d.format, format) << path;
  EXPECT_EQ(d.colourMode, colourMode) << path;
  EXPECT_EQ(d.paletteSize, paletteSize) << path;
  EXPECT_EQ(d.readable, readable) << path;
}

// A file the library refuses: ImageFileInfo's and ImageLoadRGB's codes.
inline void ExpectRefused(const std::string& path, int infoCode, int loadCode) {
  int w = 0, h = 0;
  EXPECT_EQ(ImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr), infoCode) << path;
  if (infoCode == IMAGE_OK) {
    Planes p;
    p.resize(w, h);
    EXPECT_EQ(ImageLoadRGB(path.c_str(), p.red.data(), p.green.data(), p.blue.data()), loadCode) << path;
  } else {
    // sized for one pixel, so a file that loads after all cannot write past the planes
    unsigned char none[1] = {0};
    EXPECT_EQ(ImageLoadRGBSized(path.c_str(), 1, 1, none, none, none), loadCode) << path;
  }
}

// Lengths at which to cut a file of `size` bytes: every length for small files, otherwise
// every length of the first `dense` bytes (the headers) and an even spread after that.
inline std::vector<size_t> PrefixLengths(size_t size, size_t dense = 1024, size_t spread = 200) {
  std::vector<size_t> lengths;
  for (size_t n = 0; n < size && n <= dense; ++n) lengths.push_back(n);
  if (size > dense + 1) {
    size_t step = (size - dense) / spread + 1;
    for (size_t n = dense + 1; n < size; n += step) lengths.push_back(n);
    lengths.push_back(size - 1);
  }
  return lengths;
}

// Every prefix of `bytes` shorter than `fullLength` must be refused with an error code (never
// 0, never a crash); `fullLength` defaults to the whole file, and is less for formats whose
// trailing bytes are not needed to read the pixels.
inline void ExpectTruncationsFail(const std::vector<unsigned char>& bytes, const std::string& name,
                                  size_t fullLength = 0) {
  if (fullLength == 0) fullLength = bytes.size();
  const std::string path = TempPath("prefix-" + name);
  for (size_t n : PrefixLengths(bytes.size())) {
    ASSERT_TRUE(WriteFileBytes(path, bytes.data(), n));
    Planes planes;
    int e = LoadImage(path, &planes);
    if (n < fullLength) {
      EXPECT_NE(e, IMAGE_OK) << name << " cut to " << n << " of " << bytes.size() << " bytes";
    }
    EXPECT_GE(e, 0);
    EXPECT_LE(e, 6);
  }
  std::remove(path.c_str());
}

}  // namespace imgtest
