// varnesk-cli commands over the image file library: info and decode.
#include <sys/mman.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "binary_file.h"
#include "commands.h"
#include "imagefile.h"
#include "row_unpack.h"

namespace {

int image_error(const std::string& path, int code) {
  std::string message = path + ": " + ImageErrorText(code);
  // a file that cannot be opened says why: missing, a directory, a pipe or device...
  const int check = code == IMAGE_ERR_OPEN ? BinaryFileCheckPath(path.c_str()) : BINARY_FILE_PATH_OK;
  if (check != BINARY_FILE_PATH_OK) message += std::string(" (") + BinaryFilePathText(check) + ")";
  return cli_print_error(message, code);
}

// Writes the planes (bottom row first) as a binary PPM, top row first.
bool write_ppm(FILE* out, int width, int height, const unsigned char* red, const unsigned char* green,
               const unsigned char* blue) {
  if (std::fprintf(out, "P6\n%d %d\n255\n", width, height) < 0) return false;
  const size_t w = static_cast<size_t>(width);
  std::unique_ptr<unsigned char[]> line(new (std::nothrow) unsigned char[3 * w]);
  if (!line) return false;
  for (int y = height - 1; y >= 0; --y) {
    const size_t offset = static_cast<size_t>(y) * w;
    ImageJoinSamples(red + offset, green + offset, blue + offset, w, line.get());
    if (std::fwrite(line.get(), 1, 3 * w, out) != 3 * w) return false;
  }
  return std::fflush(out) == 0;
}

// The three planes of a picture in one anonymous mapping. Asking for huge pages turns the
// thousands of page faults of a photograph's planes into a few dozen, which is most of what
// building the picture costs beyond decoding it.
class PlaneMemory {
 public:
  explicit PlaneMemory(size_t planeBytes) : planeBytes_(planeBytes) {
    if (!size_mul_ok(planeBytes, 3, &bytes_) || bytes_ == 0) return;
    void* p = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    ::madvise(p, bytes_, MADV_HUGEPAGE);  // advice only: without huge pages it still works
    base_ = static_cast<unsigned char*>(p);
  }
  ~PlaneMemory() {
    if (base_ != nullptr) ::munmap(base_, bytes_);
  }
  PlaneMemory(const PlaneMemory&) = delete;
  PlaneMemory& operator=(const PlaneMemory&) = delete;
  bool ok() const { return base_ != nullptr; }
  unsigned char* plane(int i) const { return base_ + static_cast<size_t>(i) * planeBytes_; }

 private:
  size_t planeBytes_;
  size_t bytes_ = 0;
  unsigned char* base_ = nullptr;
};

}  // namespace

int cli_info(int argc, char** argv) {
  if (argc != 1) return cli_print_error("usage: varnesk-cli info IMAGE");
  ImageFileDescription d{};
  int code = ImageFileDescribe(argv[0], &d);
  if (code != IMAGE_OK) return image_error(argv[0], code);
  nlohmann::json out;
  out["ok"] = true;
  out["format"] = d.format;
  out["width"] = d.width;
  out["height"] = d.height;
  out["color_mode"] = d.colourMode == IMAGE_MAP ? "MAP" : "RGB";
  out["palette_size"] = d.paletteSize;
  out["compression"] = d.compression;
  // the size is known even when the pixels cannot be read; say so, with the code a load gives
  out["pixels_readable"] = d.readable == IMAGE_OK;
  if (d.readable != IMAGE_OK) out["load_error_code"] = d.readable;
  return cli_print_ok(out);
}

int cli_decode(int argc, char** argv) {
  if (argc != 2) return cli_print_error("usage: varnesk-cli decode IMAGE OUT (OUT may be - for stdout)");
  const char* path = argv[0];
  const std::string outPath = argv[1];
  ImageFileDescription d{};
  int code = ImageFileDescribe(path, &d);
  if (code != IMAGE_OK) return image_error(path, code);
  if (d.readable != IMAGE_OK) return image_error(path, d.readable);
  size_t planeBytes;
  if (!size_mul_ok(static_cast<size_t>(d.width), static_cast<size_t>(d.height), &planeBytes)) {
    return image_error(path, IMAGE_ERR_VARIANT);
  }
  PlaneMemory planes(planeBytes);
  if (!planes.ok()) return cli_print_error("not enough memory for the picture");
  unsigned char* red = planes.plane(0);
  unsigned char* green = planes.plane(1);
  unsigned char* blue = planes.plane(2);
  code = ImageLoadRGBSized(path, d.width, d.height, red, green, blue);
  if (code != IMAGE_OK) return image_error(path, code);

  if (outPath == "-") {
    if (!write_ppm(stdout, d.width, d.height, red, green, blue)) {
      std::fprintf(stderr, "varnesk-cli decode: cannot write the picture to standard output\n");
      return 1;
    }
    return 0;
  }
  FILE* out = std::fopen(outPath.c_str(), "wb");
  if (out == nullptr) return cli_print_error("cannot create " + outPath);
  bool written = write_ppm(out, d.width, d.height, red, green, blue);
  if (std::fclose(out) != 0) written = false;
  if (!written) return cli_print_error("cannot write " + outPath);
  nlohmann::json result;
  result["ok"] = true;
  result["format"] = d.format;
  result["width"] = d.width;
  result["height"] = d.height;
  result["output"] = outPath;
  return cli_print_ok(result);
}
