// GIF reader: files from pamtogif compared with giftopnm's decoding, hand-made files (see
// data/gif/RECIPES.txt) compared with their truth pictures, and the refused and damaged ones.
#include "format_driver.h"
#include "image_test_util.h"

using imgtest::DataPath;
using imgtest::LoadImage;
using imgtest::Planes;

namespace {

std::string Gif(const std::string& name) { return DataPath("gif/" + name); }

Planes Reference(const std::string& command) {
  Planes p;
  EXPECT_TRUE(imgtest::RunToPnm(command, &p)) << command;
  return p;
}

// Opens a file with the GIF driver alone; the caller closes the handle.
ImageFileHandle* OpenGif(const std::string& path, int* error) {
  ImageFormatDriver* gif = ImageFindFormat("GIF");
  EXPECT_NE(gif, nullptr);
  return gif == nullptr ? nullptr : gif->open(path.c_str(), error);
}

}  // namespace

TEST(GifReader, encoder_files_match_giftopnm) {
  struct Case {
    const char* name;
    int paletteSize;
  };
  const Case cases[] = {
      {"photo_256.gif", 256},
      {"photo_256_interlaced.gif", 256},
      {"photo_256_nolzw.gif", 256},  // a clear code every few codes, width never grows
      {"photo_16.gif", 16},          // minimum code size 4
      {"noise_full_table_no_clear.gif", 256},
  };
  for (const Case& c : cases) {
    const std::string path = Gif(c.name);
    ImageFileDescription info{};
    ASSERT_EQ(ImageFileDescribe(path.c_str(), &info), IMAGE_OK) << c.name;
    EXPECT_STREQ(info.format, "GIF");
    EXPECT_EQ(info.colourMode, IMAGE_MAP) << c.name;
    EXPECT_EQ(info.paletteSize, c.paletteSize) << c.name;
    EXPECT_EQ(info.compression, IMAGE_COMPRESSION_DECODED) << c.name;
    Planes ours;
    ASSERT_EQ(LoadImage(path, &ours), IMAGE_OK) << c.name;
    imgtest::ExpectSamePlanes(Reference("giftopnm " + imgtest::ShellQuote(path)), ours, c.name);
  }
}

TEST(GifReader, hand_made_files_match_their_truth) {
  // interlacing with empty passes, a local table overriding the global one, extensions before
  // the image and a second image after it, code size 1, a table that fills with no clear code,
  // and an end code standing in for the very last pixel
  const char* names[] = {
      "interlaced_8_rows", "interlaced_2_rows", "local_colour_table", "extensions_and_second_image",
      "code_size_1",       "full_table_no_clear", "end_code_for_last_pixel",
  };
  for (const char* name : names) {
    Planes truth, ours;
    ASSERT_TRUE(imgtest::ParsePnm(imgtest::ReadFileBytes(Gif(std::string(name) + ".ppm")), &truth)) << name;
    ASSERT_EQ(LoadImage(Gif(std::string(name) + ".gif"), &ours), IMAGE_OK) << name;
    imgtest::ExpectSamePlanes(truth, ours, name);
  }
}

TEST(GifReader, interlaced_rows_are_filled_in_pass_order) {
  struct Case {
    const char* name;
    std::vector<int> fromTop;  // picture rows, counted from the top, in the order they arrive
  };
  const Case cases[] = {
      {"interlaced_8_rows.gif", {0, 4, 2, 6, 1, 3, 5, 7}},
      {"interlaced_2_rows.gif", {0, 1}},
  };
  for (const Case& c : cases) {
    int error = -1;
    ImageFileHandle* h = OpenGif(Gif(c.name), &error);
    ASSERT_EQ(error, IMAGE_OK) << c.name;
    ASSERT_NE(h, nullptr);
    ImageFormatDriver* gif = ImageFindFormat("GIF");
    std::vector<unsigned char> row(static_cast<size_t>(h->width));
    for (size_t i = 0; i < c.fromTop.size(); ++i) {
      EXPECT_EQ(h->currentRow, h->height - 1 - c.fromTop[i]) << c.name << " row read " << i;
      ASSERT_EQ(gif->readRow(h, row.data()), IMAGE_OK) << c.name;
      // each hand-made row holds one index; it tells which file row was decoded
      if (std::string(c.name) == "interlaced_8_rows.gif") EXPECT_EQ(row[0], c.fromTop[i]);
    }
    gif->close(h);
  }
}

TEST(GifReader, unsupported_code_sizes_report_size_but_do_not_load) {
  for (const char* name : {"photo_2_code_size_2.gif", "photo_8_code_size_3.gif"}) {
    int w = 0, h = 0, mode = -1;
    EXPECT_EQ(ImageFileInfo(Gif(name).c_str(), &w, &h, &mode, nullptr), IMAGE_OK) << name;
    EXPECT_EQ(w, 61);
    EXPECT_EQ(h, 43);
    EXPECT_EQ(mode, IMAGE_MAP);
    Planes p;
    p.resize(61, 43);
    EXPECT_EQ(ImageLoadRGB(Gif(name).c_str(), p.red.data(), p.green.data(), p.blue.data()),
              IMAGE_ERR_VARIANT)
        << name;
  }
}

TEST(GifReader, damaged_and_foreign_files_give_their_codes) {
  struct Case {
    const char* name;
    int driverOpen;  // the GIF driver's own answer
    int load;        // what a caller of the library gets
  };
  const Case cases[] = {
      {"damaged_premature_end_code.gif", IMAGE_OK, IMAGE_ERR_READ},
      {"damaged_undefined_code.gif", IMAGE_OK, IMAGE_ERR_READ},
      {"damaged_early_block_terminator.gif", IMAGE_OK, IMAGE_ERR_READ},
      {"damaged_no_colour_table.gif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"damaged_zero_width.gif", IMAGE_ERR_READ, IMAGE_ERR_READ},
      {"refused_huge_dimensions.gif", IMAGE_ERR_VARIANT, IMAGE_ERR_VARIANT},
      {"refused_unknown_block.gif", IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT},
      {"refused_eof_in_extension.gif", IMAGE_ERR_FORMAT, IMAGE_ERR_FORMAT},
  };
  for (const Case& c : cases) {
    int error = -1;
    ImageFileHandle* h = OpenGif(Gif(c.name), &error);
    EXPECT_EQ(error, c.driverOpen) << c.name;
    // only a usable (or size-reporting) handle comes back
    EXPECT_EQ(h != nullptr, error == IMAGE_OK) << c.name;
    if (h != nullptr) ImageFindFormat("GIF")->close(h);
    Planes p;
    EXPECT_EQ(LoadImage(Gif(c.name), &p), c.load) << c.name;
  }
}

TEST(GifReader, every_truncated_prefix_fails_cleanly) {
  for (const char* name : {"photo_256.gif", "photo_256_interlaced.gif", "full_table_no_clear.gif"}) {
    std::vector<unsigned char> bytes = imgtest::ReadFileBytes(Gif(name));
    ASSERT_GT(bytes.size(), 100u);
    // the trailer, the block terminator and the end code are not needed for the pixels
    imgtest::ExpectTruncationsFail(bytes, name, bytes.size() - 3);
  }
}
