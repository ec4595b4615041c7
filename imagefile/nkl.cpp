// PLACEHOLDER: the NKL driver is not written yet. Until it is, no file is recognised as NKL
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* nkl_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void nkl_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverNKL = {
    0,       ImageDriverQuery, nkl_open, nullptr, nkl_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "NKL",
};
