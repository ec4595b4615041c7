// PLACEHOLDER: the TGA driver is not written yet. Until it is, no file is recognised as TGA
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* tga_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void tga_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverTGA = {
    0,       ImageDriverQuery, tga_open, nullptr, tga_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "TGA",
};
