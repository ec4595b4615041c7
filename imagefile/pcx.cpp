// PLACEHOLDER: the PCX driver is not written yet. Until it is, no file is recognised as PCX
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* pcx_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void pcx_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverPCX = {
    0,       ImageDriverQuery, pcx_open, nullptr, pcx_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "PCX",
};
