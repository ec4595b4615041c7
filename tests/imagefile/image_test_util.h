#pragma once
// Shared by the image library's tests: load a file through the library, decode it through an
// independent program (netpbm, djpeg, ImageMagick, Pillow) or read its truth picture, compare,
// and cut files short.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imagefile.h"

namespace imgtest {

// Three planes as the library delivers them: row 0 is the picture's bottom row.
struct Planes {
  int width = 0, height = 0;
  std::vector<unsigned char> red, green, blue;
  void resize(int w, int h) {
    width = w, height = h;
    for (auto* p : {&red, &green, &blue}) p->assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  }
  size_t index(int x, int y) const { return static_cast<size_t>(y) * width + x; }
  // 0xRRGGBB of column x, row y from the bottom
  unsigned rgb(int x, int y) const {
    const size_t i = index(x, y);
    return unsigned(red[i]) << 16 | unsigned(green[i]) << 8 | blue[i];
  }
};

inline std::string DataPath(const std::string& relative) {
  return std::string(VARNESK_SOURCE_DIR) + "/tests/imagefile/data/" + relative;
}
// A file in a folder of this process's own under the build tree ("" names the folder).
inline std::string TempPath(const std::string& name) {
  static const std::string dir = [] {
    std::string templ = std::string(VARNESK_BINARY_DIR) + "/imagefile-XXXXXX";
    return std::string(::mkdtemp(&templ[0]) != nullptr ? templ.c_str() : "/tmp");
  }();
  return dir + "/" + name;
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out.flush());
}
inline bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  return WriteFileBytes(path, bytes.data(), bytes.size());
}

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
// Runs a shell command; its standard output (standard error is dropped) and exit status.
inline std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = ::popen(("( " + command + " ) 2>/dev/null").c_str(), "r");
  if (p == nullptr) return out;
  char block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, p)) > 0;) out.append(block, n);
  const int raw = ::pclose(p);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

// Library planes from a binary PPM. A maxval below 255 is scaled by v x 255 / maxval, cut down,
// as the readers scale 5-bit components.
inline bool ParsePpm(const std::string& bytes, Planes* out) {
  int w = 0, h = 0, maxval = 0, at = 0;
  if (std::sscanf(bytes.substr(0, 64).c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &at) != 3 || w <= 0 || h <= 0 ||
      maxval <= 0 || maxval > 255 || bytes.size() < at + 1 + 3ull * w * h) {
    return false;
  }
  out->resize(w, h);
  const unsigned char* src = reinterpret_cast<const unsigned char*>(bytes.data()) + at + 1;
  for (int fileRow = 0; fileRow < h; ++fileRow) {
    for (int x = 0; x < w; ++x, src += 3) {
      const size_t i = out->index(x, h - 1 - fileRow);
      out->red[i] = static_cast<unsigned char>(src[0] * 255 / maxval);
      out->green[i] = static_cast<unsigned char>(src[1] * 255 / maxval);
      out->blue[i] = static_cast<unsigned char>(src[2] * 255 / maxval);
    }
  }
  return true;
}

// ImageFileInfo, then ImageLoadRGB into planes of the reported size; the library's code.
inline int LoadImage(const std::string& path, Planes* out) {
  int w = 0, h = 0;
  const int e = ImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr);
  if (e != IMAGE_OK) return e;
  out->resize(w, h);
  return ImageLoadRGB(path.c_str(), out->red.data(), out->green.data(), out->blue.data());
}

// Equal sizes, and no sample further than `tolerance` from the expected one; names the first
// pixel that is.
inline void ExpectSamePlanes(const Planes& want, const Planes& got, int tolerance = 0) {
  ASSERT_EQ(want.width, got.width);
  ASSERT_EQ(want.height, got.height);
  for (size_t i = 0; i < want.red.size(); ++i) {
    const int d = std::max({std::abs(want.red[i] - got.red[i]), std::abs(want.green[i] - got.green[i]),
                            std::abs(want.blue[i] - got.blue[i])});
    const int x = static_cast<int>(i % want.width), y = static_cast<int>(i / want.width);
    ASSERT_LE(d, tolerance) << "pixel " << x << ", " << y << " from the bottom: want 0x" << std::hex << want.rgb(x, y)
                            << ", got 0x" << got.rgb(x, y);
  }
}

// What `pipeline` (a shell command in which {} stands for the path, writing any PNM) decodes
// `path` to, or the truth picture <name>.ppm beside the file when `pipeline` is empty.
inline bool Reference(const std::string& path, std::string pipeline, Planes* out) {
  int status = -1;
  if (pipeline.empty()) {
    const std::vector<unsigned char> truth = ReadFileBytes(path.substr(0, path.rfind('.')) + ".ppm");
    return ParsePpm(std::string(truth.begin(), truth.end()), out);
  }
  const size_t at = pipeline.find("{}");
  if (at != std::string::npos) pipeline.replace(at, 2, ShellQuote(path));
  return ParsePpm(RunCommand(pipeline + " | ppmtoppm", &status), out);
}

// Loads `path` and compares it with its reference.
inline void ExpectDecodesLike(const std::string& path, const std::string& pipeline, int tolerance = 0) {
  SCOPED_TRACE(path);
  Planes want, got;
  ASSERT_TRUE(Reference(path, pipeline, &want)) << "no reference picture: " << pipeline;
  ASSERT_EQ(LoadImage(path, &got), IMAGE_OK);
  ExpectSamePlanes(want, got, tolerance);
}

// A file the library answers with codes: ImageFileInfo's, then the load's into planes of the
// reported size (of one pixel when info failed, so a file that loads after all cannot write
// past them).
inline void ExpectCodes(const std::string& path, int info, int load) {
  int w = 1, h = 1;
  EXPECT_EQ(ImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr), info) << path;
  if (info != IMAGE_OK) w = h = 1;
  Planes p;
  p.resize(w, h);
  EXPECT_EQ(ImageLoadRGBSized(path.c_str(), w, h, p.red.data(), p.green.data(), p.blue.data()), load) << path;
}

// Every prefix shorter than the file less `slack` bytes (trailers a reader need not see) must
// be refused with a code, never pass for a picture. Every length of the first 1 KB (the
// headers) is tried, and 200 spread over the rest.
inline void ExpectCutsRefused(const std::vector<unsigned char>& bytes, const std::string& name, size_t slack = 0) {
  const std::string path = TempPath("cut-" + name.substr(name.rfind('/') + 1));
  std::vector<size_t> lengths;
  for (size_t n = 0; n < bytes.size() && n <= 1024; ++n) lengths.push_back(n);
  for (size_t n = 1025; n + 1 < bytes.size(); n += (bytes.size() - 1024) / 200 + 1) lengths.push_back(n);
  if (bytes.size() > 1025) lengths.push_back(bytes.size() - 1);
  for (size_t n : lengths) {
    ASSERT_TRUE(WriteFileBytes(path, bytes.data(), n));
    Planes planes;
    const int e = LoadImage(path, &planes);
    EXPECT_TRUE(e != IMAGE_OK || n + slack >= bytes.size()) << name << " cut to " << n << " of " << bytes.size();
    EXPECT_TRUE(e >= 0 && e <= 6) << e;
  }
  std::remove(path.c_str());
}

}  // namespace imgtest
