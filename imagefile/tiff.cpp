// PLACEHOLDER: the TIFF driver is not written yet. Until it is, no file is recognised as TIFF
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* tiff_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void tiff_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverTIFF = {
    0,       ImageDriverQuery, tiff_open, nullptr, tiff_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "TIFF",
};
