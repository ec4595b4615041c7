// PLACEHOLDER: the BMP driver is not written yet. Until it is, no file is recognised as BMP
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* bmp_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void bmp_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverBMP = {
    0,       ImageDriverQuery, bmp_open, nullptr, bmp_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "BMP",
};
