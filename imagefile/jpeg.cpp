// PLACEHOLDER: the JPEG driver is not written yet. Until it is, no file is recognised as JPEG
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* jpeg_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void jpeg_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverJPEG = {
    0,       ImageDriverQuery, jpeg_open, nullptr, jpeg_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "JPEG",
};
