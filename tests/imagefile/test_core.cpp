// The library's core: detection, the registry, the dimension limit and the BinaryFile layer.
#include "binary_file.h"
#include "format_driver.h"
#include "image_test_util.h"

using imgtest::TempPath;

TEST(ImageCore, text_file_is_not_recognised) {
  const std::string path = TempPath("plain.txt");
  const char text[] = "just some words, no image signature here\n";
  ASSERT_TRUE(imgtest::WriteFileBytes(path, text, sizeof text - 1));
  int w = -1;
  EXPECT_EQ(ImageFileInfo(path.c_str(), &w, nullptr, nullptr, nullptr), IMAGE_ERR_FORMAT);
  EXPECT_EQ(w, -1);
}
