// PNG output through libpng's simplified write interface.
#include "render/png_write.h"

#include <png.h>

#include <cstring>

int write_png_bottom_up(const char* path, const unsigned char* rgb, int width, int height) {
  if (!path || !rgb || width <= 0 || height <= 0) return -1;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  // a negative row stride walks the buffer from its last row: the top of the picture comes first
  const png_int_32 stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(image));
  const int ok = png_image_write_to_file(&image, path, 0, rgb, stride, nullptr);
  png_image_free(&image);
  return ok ? 0 : -1;
}
