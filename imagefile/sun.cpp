// PLACEHOLDER: the SUN driver is not written yet. Until it is, no file is recognised as SUN
// (open answers 4, so detection goes on to the next driver).
#include "format_driver.h"

namespace {

ImageFileHandle* sun_open(const char*, int* error) {
  *error = IMAGE_ERR_FORMAT;
  return nullptr;
}

void sun_close(ImageFileHandle* handle) { ImageHandleDelete(handle); }

}  // namespace

ImageFormatDriver ImageDriverSUN = {
    0,       ImageDriverQuery, sun_open, nullptr, sun_close, nullptr,
    nullptr, nullptr,          nullptr,   nullptr, nullptr,    "SUN",
};
