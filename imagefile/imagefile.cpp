// The library's core: the driver registry, detection by content, and the two entry points
// that report a file's size and load it into three planes.
#include "imagefile.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "format_driver.h"

namespace {

constexpr int kMaxDrivers = 50;

// Palettes larger than this are refused as damaged: indices are at most 8 bits wide,
// so only the first 256 entries can ever be used.
constexpr int kMaxPaletteSize = 65536;

ImageFormatDriver* g_registry[kMaxDrivers];  // registered drivers, id = position
int g_registryCount;                         // entries in use
bool g_builtinsRegistered;                   // the nine built-in drivers are in

int append_driver(ImageFormatDriver* driver) {
  if (driver == nullptr || g_registryCount >= kMaxDrivers) return -1;
  driver->id = g_registryCount;
  g_registry[g_registryCount++] = driver;
  return driver->id;
}

// Built-ins always take ids 0-9 (the nine first, then PNG), even when a caller registers its
// own driver first.
void register_builtins() {
  if (g_builtinsRegistered) return;
  g_builtinsRegistered = true;
  ImageFormatDriver* const builtins[] = {
      &ImageDriverBMP, &ImageDriverPCX,  &ImageDriverGIF, &ImageDriverJPEG, &ImageDriverSUN,
      &ImageDriverSGI, &ImageDriverTIFF, &ImageDriverNKL, &ImageDriverTGA,  &ImageDriverPNG,
  };
  for (ImageFormatDriver* d : builtins) append_driver(d);
}

// What detection found: the driver's result, and its handle when it gave one back.
struct Detection {
  int error;
  ImageFileHandle* handle;
  const ImageFormatDriver* driver;
};

void close_detection(Detection* d) {
  if (d->handle != nullptr) d->driver->close(d->handle);
  d->handle = nullptr;
}

// Asks every driver in registry order; the first answer other than 4 ends the search.
Detection detect(const char* path) {
  register_builtins();
  Detection d{IMAGE_ERR_FORMAT, nullptr, nullptr};
  if (path == nullptr) {
    d.error = IMAGE_ERR_OPEN;
    return d;
  }
  for (int i = 0; i < g_registryCount; ++i) {
    const ImageFormatDriver* driver = g_registry[i];
    int error = IMAGE_ERR_FORMAT;
    ImageFileHandle* handle = driver->open(path, &error);
    d.driver = driver;
    d.handle = handle;
    d.error = error;
    if (error != IMAGE_ERR_FORMAT) return d;
    close_detection(&d);
  }
  d.driver = nullptr;
  d.error = IMAGE_ERR_FORMAT;
  return d;
}

// The handle's header must be sane before anyone sizes a buffer from it, whatever the driver
// checked itself.
int check_handle(const ImageFileHandle* h) {
  int dims = ImageCheckDimensions(h->width, h->height);
  if (dims != IMAGE_OK) return dims;
  if (h->colourMode != IMAGE_RGB && h->colourMode != IMAGE_MAP) return IMAGE_ERR_READ;
  if (h->paletteSize < 0 || h->paletteSize > kMaxPaletteSize) return IMAGE_ERR_READ;
  return IMAGE_OK;
}

bool row_in_range(const ImageFileHandle* h) { return h->currentRow >= 0 && h->currentRow < h->height; }

int load_rgb_interleaved(const ImageFormatDriver* drv, ImageFileHandle* h, unsigned char* planes[3]) {
  if (drv->readRgbRow == nullptr) return IMAGE_ERR_VARIANT;
  const size_t w = static_cast<size_t>(h->width);
  for (int i = 0; i < h->height; ++i) {
    if (!row_in_range(h)) return IMAGE_ERR_READ;
    // the offset is taken before the call, which then moves the current row
    size_t offset = static_cast<size_t>(h->currentRow) * w;
    int e = drv->readRgbRow(h, planes[0] + offset, planes[1] + offset, planes[2] + offset);
    if (e != IMAGE_OK) return e;
  }
  return IMAGE_OK;
}

int load_rgb_planar(const ImageFormatDriver* drv, ImageFileHandle* h, unsigned char* planes[3]) {
  if (drv->readRow == nullptr) return IMAGE_ERR_VARIANT;
  const size_t w = static_cast<size_t>(h->width);
  for (int p = 0; p < 3; ++p) {
    int component = h->planeOrder[p];
    if (component < 0 || component > 2) return IMAGE_ERR_READ;
    for (int i = 0; i < h->height; ++i) {
      if (!row_in_range(h)) return IMAGE_ERR_READ;
      int e = drv->readRow(h, planes[component] + static_cast<size_t>(h->currentRow) * w);
      if (e != IMAGE_OK) return e;
    }
  }
  return IMAGE_OK;
}

int load_map(const ImageFormatDriver* drv, ImageFileHandle* h, unsigned char* planes[3]) {
  // an index the palette does not cover reads as the grey of its own level, as other readers
  // show it, never memory past the tables
  unsigned char table[3][256];
  for (int i = 0; i < 256; ++i) table[0][i] = table[1][i] = table[2][i] = static_cast<unsigned char>(i);
  if (drv->readRow == nullptr || (h->paletteSize > 0 && drv->readPalette == nullptr)) return IMAGE_ERR_VARIANT;
  if (h->paletteSize > 0) {
    std::unique_ptr<uint32_t[]> palette(new (std::nothrow) uint32_t[h->paletteSize < 256 ? 256 : h->paletteSize]());
    if (!palette) return IMAGE_ERR_READ;
    int e = drv->readPalette(h, palette.get());
    if (e != IMAGE_OK) return e;
    int used = h->paletteSize < 256 ? h->paletteSize : 256;
    for (int i = 0; i < used; ++i) {
      table[0][i] = static_cast<unsigned char>(palette[i] >> 16);
      table[1][i] = static_cast<unsigned char>(palette[i] >> 8);
      table[2][i] = static_cast<unsigned char>(palette[i]);
    }
  }
  // grey files of 256 levels (JPEG, 8-bit TIFF...) need no table: the row is each plane's row
  bool identity = true;
  for (int i = 0; i < 256 && identity; ++i) {
    identity = table[0][i] == i && table[1][i] == i && table[2][i] == i;
  }
  const size_t w = static_cast<size_t>(h->width);
  std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[w]());
  if (!row) return IMAGE_ERR_READ;
  for (int i = 0; i < h->height; ++i) {
    if (!row_in_range(h)) return IMAGE_ERR_READ;
    size_t offset = static_cast<size_t>(h->currentRow) * w;
    int e = drv->readRow(h, row.get());
    if (e != IMAGE_OK) return e;
    unsigned char* r = planes[0] + offset;
    unsigned char* g = planes[1] + offset;
    unsigned char* b = planes[2] + offset;
    if (identity) {
      std::memcpy(r, row.get(), w);
      std::memcpy(g, row.get(), w);
      std::memcpy(b, row.get(), w);
      continue;
    }
    for (size_t x = 0; x < w; ++x) {
      unsigned index = row[x];
      r[x] = table[0][index];
      g[x] = table[1][index];
      b[x] = table[2][index];
    }
  }
  return IMAGE_OK;
}

// Loads from a handle detection gave back; closes it in every case.
int load_detected(Detection* d, int expectWidth, int expectHeight, unsigned char* red,
                  unsigned char* green, unsigned char* blue) {
  if (d->error != IMAGE_OK) {
    close_detection(d);
    return d->error;
  }
  ImageFileHandle* h = d->handle;
  int e = check_handle(h);
  if (e == IMAGE_OK && expectWidth >= 0 && (h->width != expectWidth || h->height != expectHeight)) {
    e = IMAGE_ERR_READ;
  }
  if (e == IMAGE_OK && (red == nullptr || green == nullptr || blue == nullptr)) e = IMAGE_ERR_READ;
  if (e == IMAGE_OK) {
    unsigned char* planes[3] = {red, green, blue};
    if (h->colourMode == IMAGE_MAP) {
      e = load_map(d->driver, h, planes);
    } else if (h->planar) {
      e = load_rgb_planar(d->driver, h, planes);
    } else {
      e = load_rgb_interleaved(d->driver, h, planes);
    }
  }
  close_detection(d);
  return e;
}

}  // namespace

int ImageRegisterFormat(ImageFormatDriver* driver) {
  register_builtins();
  return append_driver(driver);
}

ImageFormatDriver* ImageFindFormat(const char* name) {
  register_builtins();
  if (name == nullptr) return nullptr;
  for (int i = 0; i < g_registryCount; ++i) {
    if (g_registry[i]->name != nullptr && std::strcmp(g_registry[i]->name, name) == 0) return g_registry[i];
  }
  return nullptr;
}

int ImageFileDescribe(const char* path, ImageFileDescription* out) {
  Detection d = detect(path);
  const bool recognised = d.error == IMAGE_OK || d.error == IMAGE_ERR_VARIANT ||
                          d.error == IMAGE_ERR_COMPRESSION;
  if (!recognised || d.handle == nullptr) {
    int e = d.error;
    close_detection(&d);
    return e;
  }
  const ImageFileHandle* h = d.handle;
  int e = check_handle(h);
  if (e == IMAGE_OK && out != nullptr) {
    out->format = d.driver->name != nullptr ? d.driver->name : "";
    out->width = h->width;
    out->height = h->height;
    out->colourMode = h->colourMode;
    out->compression = h->compression;
    out->paletteSize = h->colourMode == IMAGE_MAP ? h->paletteSize : 0;
    out->readable = d.error;
  }
  close_detection(&d);
  return e;
}

int ImageFileInfo(const char* path, int* width, int* height, int* colourMode, int* paletteSize) {
  ImageFileDescription desc{};
  int e = ImageFileDescribe(path, &desc);
  if (e != IMAGE_OK) return e;
  if (width != nullptr) *width = desc.width;
  if (height != nullptr) *height = desc.height;
  if (colourMode != nullptr) *colourMode = desc.colourMode;
  if (paletteSize != nullptr) *paletteSize = desc.paletteSize;
  return IMAGE_OK;
}

int ImageLoadRGB(const char* path, unsigned char* red, unsigned char* green, unsigned char* blue) {
  Detection d = detect(path);
  return load_detected(&d, -1, -1, red, green, blue);
}

int ImageLoadRGBSized(const char* path, int width, int height, unsigned char* red,
                      unsigned char* green, unsigned char* blue) {
  if (width < 0 || height < 0) return IMAGE_ERR_READ;
  Detection d = detect(path);
  return load_detected(&d, width, height, red, green, blue);
}

const char* ImageErrorText(int code) {
  switch (code) {
    case IMAGE_OK: return "no error";
    case IMAGE_ERR_OPEN: return "the file cannot be opened";
    case IMAGE_ERR_READ: return "read error, or data that do not fit the format";
    case IMAGE_ERR_WRITE: return "write error";
    case IMAGE_ERR_FORMAT: return "the file is not in a known image format";
    case IMAGE_ERR_VARIANT: return "the format is recognised but this variant is not supported";
    case IMAGE_ERR_COMPRESSION: return "the format is recognised but its compression is not supported";
    default: return "unknown image library error";
  }
}

int ImageDriverQuery() { return 0; }

ImageFileHandle* ImageHandleNew(void* driverData) {
  ImageFileHandle* h = new ImageFileHandle{};
  h->driverData = driverData;
  h->layout = 1;
  h->planeOrder[0] = 0;
  h->planeOrder[1] = 1;
  h->planeOrder[2] = 2;
  return h;
}

void ImageHandleDelete(ImageFileHandle* h) { delete h; }

BinaryFile* ImageDriverOpenFile(const char* path, int byteOrder, int* error) {
  BinaryFile* f = BinaryFileOpen(path, "rb", byteOrder);
  if (f == nullptr) *error = IMAGE_ERR_OPEN;
  return f;
}

bool ImageDriverFileHolds(BinaryFile* file, unsigned long long offset, unsigned long long rowBytes,
                          unsigned long long rows) {
  if (rowBytes != 0 && rows > ULLONG_MAX / rowBytes) return false;
  const unsigned long long body = rowBytes * rows;
  if (offset > ULLONG_MAX - body) return false;
  return BinaryFileHolds(file, offset + body);
}

ImageFileHandle* ImageDriverRefuse(BinaryFile* file, int code, int* error) {
  BinaryFileClose(file);
  *error = code;
  return nullptr;
}

int ImageCheckDimensions(long long width, long long height) {
  if (width <= 0 || height <= 0) return IMAGE_ERR_READ;
  if (width > IMAGE_MAX_PIXELS || height > IMAGE_MAX_PIXELS) return IMAGE_ERR_VARIANT;
  if (width * height > IMAGE_MAX_PIXELS) return IMAGE_ERR_VARIANT;
  return IMAGE_OK;
}

size_t ImageRowBytes(long long width, int bits, int alignBytes) {
  if (width <= 0 || width > IMAGE_MAX_PIXELS || bits <= 0 || bits > 64 || alignBytes <= 0) return 0;
  unsigned long long totalBits = static_cast<unsigned long long>(width) * static_cast<unsigned>(bits);
  unsigned long long alignBits = static_cast<unsigned long long>(alignBytes) * 8;
  unsigned long long units = (totalBits + alignBits - 1) / alignBits;
  return static_cast<size_t>(units * static_cast<unsigned long long>(alignBytes));
}
