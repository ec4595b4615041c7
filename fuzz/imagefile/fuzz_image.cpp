// libFuzzer target for the image file library, built once per driver (VARNESK_FUZZ_FORMAT names
// the driver the seed corpus aims at). It does what the application does: ImageFileInfo, then
// planes of the reported size, then ImageLoadRGB. The input lives in a memory-backed file, so
// no disk is touched between runs.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "imagefile.h"

namespace {

// Above this the planes are not allocated: Info has run, which is where a hostile size shows,
// and loading a few hundred thousand pixels reaches every row path while keeping thousands of
// runs a second (the library's own limit, 2^28 pixels, is far beyond the fuzzer's memory).
constexpr long long kMaxFuzzPixels = 1LL << 18;

struct MemoryFile {
  int fd = -1;
  char path[64] = {};
};

const MemoryFile& memory_file() {
  static MemoryFile file = [] {
    MemoryFile f;
    f.fd = memfd_create("varnesk-fuzz-" VARNESK_FUZZ_FORMAT, 0);
    if (f.fd < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    std::snprintf(f.path, sizeof f.path, "/proc/self/fd/%d", f.fd);
    return f;
  }();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const MemoryFile& file = memory_file();
  if (ftruncate(file.fd, 0) != 0 || (size > 0 && pwrite(file.fd, data, size, 0) != static_cast<ssize_t>(size))) {
    std::abort();
  }
  int width = 0, height = 0, mode = 0, palette = 0;
  int code = ImageFileInfo(file.path, &width, &height, &mode, &palette);
  if (code < 0 || code > 6) std::abort();
  if (code != IMAGE_OK) return 0;
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > IMAGE_MAX_PIXELS) std::abort();
  if (static_cast<long long>(width) * height > kMaxFuzzPixels) return 0;
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::unique_ptr<unsigned char[]> planes(new unsigned char[3 * n]);
  code = ImageLoadRGBSized(file.path, width, height, planes.get(), planes.get() + n, planes.get() + 2 * n);
  if (code < 0 || code > 6) std::abort();
  return 0;
}
