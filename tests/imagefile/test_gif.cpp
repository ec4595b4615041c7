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
      {"photo_8_code_size_3.gif", 8},
      {"photo_2_code_size_2.gif", 2},
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

// Offset of the LZW minimum code size byte of the first image, or 0 when the blocks before it
// cannot be walked.
size_t CodeSizeOffset(const std::vector<unsigned char>& b) {
  if (b.size() < 13) return 0;
  size_t i = 13 + ((b[10] & 0x80) ? 3u * (2u << (b[10] & 7)) : 0u);
  while (i < b.size()) {
    if (b[i] == 0x21) {
      i += 2;
      while (i < b.size() && b[i] != 0) i += b[i] + 1u;
      ++i;
    } else if (b[i] == 0x2C && i + 10 < b.size()) {
      i += 10 + ((b[i + 9] & 0x80) ? 3u * (2u << (b[i + 9] & 7)) : 0u);
      return i < b.size() ? i : 0;
    } else {
      return 0;
    }
  }
  return 0;
}

TEST(GifReader, every_code_size_other_encoders_write_matches_giftopnm) {
  ASSERT_TRUE(imgtest::ToolAvailable("convert"));
  const std::string source = imgtest::TempPath("gif-source.ppm");
  ASSERT_EQ(std::system(("convert -size 61x43 plasma:fractal -seed 7 " + imgtest::ShellQuote(source)).c_str()), 0);
  struct Case {
    int colours;
    int codeSize;
  };
  // the palette sizes for which encoders write minimum code sizes 2, 3, 5, 6 and 7
  const Case cases[] = {{4, 2}, {8, 3}, {32, 5}, {64, 6}, {128, 7}};
  for (const Case& c : cases) {
    const std::string n = std::to_string(c.colours);
    const std::string q = imgtest::ShellQuote(source);
    struct Encoder {
      std::string path, command;
      bool smallestCodeSize;  // writes the smallest size for the palette (this Pillow writes 8)
    };
    const std::string pillow = "from PIL import Image; import sys; p = Image.open(sys.argv[1]).quantize(" + n +
                               "); p.putpalette(p.getpalette()[:3 * " + n + "]); p.save(sys.argv[2])";
    const Encoder encoders[] = {
        {imgtest::TempPath("magick-" + n + ".gif"), "convert " + q + " -colors " + n, true},
        {imgtest::TempPath("netpbm-" + n + ".gif"), "pnmquant " + n + " " + q + " | pamtogif >", true},
        {imgtest::TempPath("pillow-" + n + ".gif"), "/usr/bin/python3 -c \"" + pillow + "\" " + q, false},
    };
    for (const Encoder& e : encoders) {
      SCOPED_TRACE(e.command);
      ASSERT_EQ(std::system((e.command + " " + imgtest::ShellQuote(e.path) + " 2>/dev/null").c_str()), 0);
      std::vector<unsigned char> bytes = imgtest::ReadFileBytes(e.path);
      const size_t at = CodeSizeOffset(bytes);
      ASSERT_NE(at, 0u);
      if (e.smallestCodeSize) EXPECT_EQ(bytes[at], c.codeSize);
      imgtest::ExpectDecodesLike(e.path, "giftopnm {}");
    }
  }
}

TEST(GifReader, code_sizes_that_leave_no_room_for_the_codes_are_refused) {
  std::vector<unsigned char> bytes = imgtest::ReadFileBytes(Gif("photo_16.gif"));
  const size_t at = CodeSizeOffset(bytes);
  ASSERT_NE(at, 0u);
  for (int size : {0, 12, 255}) {
    bytes[at] = static_cast<unsigned char>(size);
    const std::string path = imgtest::TempPath("code-size-" + std::to_string(size) + ".gif");
    ASSERT_TRUE(imgtest::WriteFileBytes(path, bytes));
    imgtest::ExpectDescription(path, "GIF", IMAGE_MAP, 16, IMAGE_ERR_VARIANT);
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
