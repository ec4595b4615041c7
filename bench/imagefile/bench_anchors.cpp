// Reference decoders: stb_image, giflib, libjpeg and libtiff used directly, the way their own
// documentation shows.
#include "bench_anchors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO_WARNINGS
#include "stb_image.h"

namespace bench {

namespace {

struct FreeDeleter {
  void operator()(unsigned char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<unsigned char, FreeDeleter>;

// A fresh output buffer of the whole picture, as every decoder here has to fill.
Buffer NewPicture(int width, int height) {
  return Buffer(static_cast<unsigned char*>(std::malloc(static_cast<size_t>(width) * height * 3)));
}

void Keep(Decoded* keep, int width, int height, const unsigned char* rgb) {
  if (keep == nullptr) return;
  keep->width = width;
  keep->height = height;
  keep->rgb.assign(rgb, rgb + static_cast<size_t>(width) * height * 3);
}

}  // namespace

bool DecodeStb(const std::string& path, Decoded* keep) {
  int w = 0, h = 0, n = 0;
  Buffer pixels(stbi_load(path.c_str(), &w, &h, &n, 3));
  if (!pixels) return false;
  Keep(keep, w, h, pixels.get());
  return true;
}

bool DecodeGiflib(const std::string& path, Decoded* keep) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (gif == nullptr) return false;
  bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0;
  if (ok) {
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    const int w = image.ImageDesc.Width, h = image.ImageDesc.Height;
    Buffer rgb = NewPicture(w, h);
    ok = map != nullptr && rgb != nullptr;
    if (ok) {
      const size_t count = static_cast<size_t>(w) * h;
      unsigned char* out = rgb.get();
      for (size_t i = 0; i < count; ++i, out += 3) {
        int index = image.RasterBits[i];
        const GifColorType& c = map->Colors[index < map->ColorCount ? index : 0];
        out[0] = c.Red;
        out[1] = c.Green;
        out[2] = c.Blue;
      }
      Keep(keep, w, h, rgb.get());
    }
  }
  DGifCloseFile(gif, &error);
  return ok;
}

bool DecodeLibjpeg(const std::string& path, Decoded* keep) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  const int w = static_cast<int>(c.output_width), h = static_cast<int>(c.output_height);
  Buffer rgb = NewPicture(w, h);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = rgb.get() + static_cast<size_t>(c.output_scanline) * w * 3;
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  std::fclose(f);
  Keep(keep, w, h, rgb.get());
  return true;
}

bool DecodeLibtiff(const std::string& path, Decoded* keep) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (t == nullptr) return false;
  uint32_t w = 0, h = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  Buffer rgb = NewPicture(static_cast<int>(w), static_cast<int>(h));
  // whole strips straight into the picture: the fastest way libtiff offers
  const tstrip_t strips = TIFFNumberOfStrips(t);
  const tmsize_t stripSize = TIFFStripSize(t);
  const size_t total = static_cast<size_t>(w) * h * 3;
  bool ok = true;
  for (tstrip_t s = 0; ok && s < strips; ++s) {
    const size_t offset = static_cast<size_t>(s) * static_cast<size_t>(stripSize);
    const tmsize_t room = static_cast<tmsize_t>(total - offset < static_cast<size_t>(stripSize) ? total - offset : stripSize);
    ok = TIFFReadEncodedStrip(t, s, rgb.get() + offset, room) >= 0;
  }
  TIFFClose(t);
  if (ok) Keep(keep, static_cast<int>(w), static_cast<int>(h), rgb.get());
  return ok;
}

}  // namespace bench
