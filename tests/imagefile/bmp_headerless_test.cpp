// Bitmaps without their 14-byte file header (clipboard DIBs) are recognised by content alone, so
// they must read exactly like the bitmap they come from, and nothing else may pass for one.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image_test_util.h"

namespace {

using imgtest::Planes;

std::vector<unsigned char> WithoutFileHeader(const char* name) {
  std::vector<unsigned char> bytes = imgtest::ReadFileBytes(imgtest::DataPath(std::string("bmp/") + name));
  if (bytes.size() > 14) bytes.erase(bytes.begin(), bytes.begin() + 14);
  return bytes;
}

TEST(HeaderlessBitmap, copy_without_file_header_reads_unlike_the_bitmap) {
  for (const char* name : {"rgb24.bmp", "map8.bmp", "map4.bmp", "map1.bmp", "header_v5_rgb24.bmp",
                           "header_v5_map4.bmp", "rgb16_565_bitfields.bmp", "rgb24_top_first.bmp", "rle4.bmp"}) {
    Planes whole, headerless;
    ASSERT_EQ(imgtest::LoadImage(imgtest::DataPath(std::string("bmp/") + name), &whole), IMAGE_OK) << name;
    const std::string path = imgtest::TempPath(std::string("headerless-") + name);
    ASSERT_TRUE(imgtest::WriteFileBytes(path, WithoutFileHeader(name)));
    ASSERT_EQ(imgtest::LoadImage(path, &headerless), IMAGE_OK) << name;
    SCOPED_TRACE(name);
    imgtest::ExpectSamePlanes(whole, headerless);
  }
}

// Information header fields, counted from the start of a headerless file.
void PutWord(std::vector<unsigned char>* b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) (*b)[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

TEST(HeaderlessBitmap, implausible_or_short_header_taken_for_a_bitmap) {
  struct Case {
    const char* what;
    size_t at;  // field offset (SIZE_MAX: cut the file instead)
    uint32_t value;
    int bytes;
  };
  const Case cases[] = {
      {"header size 41", 0, 41, 4},     {"header size 12", 0, 12, 4}, {"width 0", 4, 0, 4},
      {"2 planes", 12, 2, 2},           {"7 bits", 14, 7, 2},        {"8-bit run-length on 24 bits", 16, 1, 4},
      {"compression 9", 16, 9, 4},      {"300 used colours", 32, 300, 4},
      {"last byte of the pixels missing", SIZE_MAX, 1, 0},
  };
  const std::vector<unsigned char> good = WithoutFileHeader("rgb24.bmp");
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes = good;
    if (c.at == SIZE_MAX) {
      bytes.resize(bytes.size() - c.value);
    } else {
      PutWord(&bytes, c.at, c.value, c.bytes);
    }
    const std::string path = imgtest::TempPath("not-headerless.dib");
    ASSERT_TRUE(imgtest::WriteFileBytes(path, bytes));
    SCOPED_TRACE(c.what);
    imgtest::ExpectCodes(path, IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT);
  }
}

}  // namespace
