// PLACEHOLDER: the SGI driver is not written yet. Until it is, no file is recognised as SGI
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* sgi_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void sgi_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverSGI = {
    0,       ImageDriverQuery, sgi_open, nullptr, sgi_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "SGI",
};
