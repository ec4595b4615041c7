// Sun raster: 1 and 8 bits through a colour map (or a grey ramp), 24 and 32 bits true colour;
// raw or byte-encoded run-length.
#include <cstring>
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr uint32_t kSunMagic = 0x59A66A95;
constexpr int kHeaderBytes = 32;
constexpr uint32_t kTypeByteEncoded = 2;
constexpr uint32_t kTypeRgb = 3;       // true-colour pixels stored red first instead of blue first
constexpr uint32_t kMapRaw = 2;        // n red, green, blue triples; other kinds: n reds, n greens, n blues
constexpr int kEscape = 0x80;
// An escape gives at most 256 bytes from three.
constexpr unsigned long long kMostBytesPerRun = 256;

struct SunData {
  BinaryFile* file;
  int depth;
  uint32_t type;
  uint32_t mapType;
  uint32_t mapLength;      // bytes of the colour map
  long long dataOffset;    // header + colour map
  size_t rowBytes;         // rows are padded to 16 bits
  bool started;
  ImageByteRun pending;    // a run may cross from one row into the next
  std::unique_ptr<unsigned char[]> row;
};

SunData* data_of(ImageFileHandle* h) { return static_cast<SunData*>(h->driverData); }

void sun_close(ImageFileHandle* h) { ImageDriverClose<SunData>(h); }

ImageFileHandle* sun_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_BIG_ENDIAN, error);
  if (f == nullptr) return nullptr;
  uint32_t header[8];
  BinaryFileReadDWords(f, header, 8);
  if (header[0] != kSunMagic) return ImageDriverRefuse(f, IMAGE_ERR_FORMAT, error);
  const long long width = static_cast<int32_t>(header[1]);
  const long long height = static_cast<int32_t>(header[2]);
  int dims = BinaryFileError(f) ? IMAGE_ERR_READ : ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return ImageDriverRefuse(f, dims, error);
  auto* d = new SunData{};
  d->file = f;
  d->depth = static_cast<int>(header[3] > 64 ? 0 : header[3]);
  d->type = header[5];
  d->mapType = header[6];
  d->mapLength = header[7];
  // a map too short for one entry is no map: the indices read as grey, as other readers show them
  if (d->mapLength < 3) d->mapType = 0;
  d->dataOffset = kHeaderBytes + static_cast<long long>(d->mapLength);
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->compression = d->type == kTypeByteEncoded ? IMAGE_COMPRESSION_DECODED : IMAGE_COMPRESSION_NONE;
  h->currentRow = h->height - 1;
  *error = IMAGE_OK;
  if (d->depth == 1 || d->depth == 8) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = d->mapType != 0 ? static_cast<int>(d->mapLength / 3 > 65536 ? 65537 : d->mapLength / 3)
                                     : 1 << d->depth;
  } else if (d->depth == 24 || d->depth == 32) {
    h->colourMode = IMAGE_RGB;
  } else {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  d->rowBytes = ImageRowBytes(width, d->depth, 2);
  // the file must be able to hold the rows before anyone allocates the picture: every byte of
  // them raw, or their longest runs encoded
  const unsigned long long pictureBytes = static_cast<unsigned long long>(d->rowBytes) * static_cast<unsigned long long>(height);
  const bool holds = d->type == kTypeByteEncoded ? ImageDataCanHold(f, d->dataOffset, pictureBytes, 1, kMostBytesPerRun, 3)
                                                 : ImageDataCanHold(f, d->dataOffset, pictureBytes, 1);
  if (!holds) {
    sun_close(h);
    *error = IMAGE_ERR_READ;
    return nullptr;
  }
  return h;
}

int sun_read_palette(ImageFileHandle* h, uint32_t* palette) {
  SunData* d = data_of(h);
  const int n = h->paletteSize;
  if (d->mapType == 0) {
    for (int i = 0; i < n; ++i) {
      unsigned v = n > 1 ? static_cast<unsigned>(i * 255 / (n - 1)) : 0;
      palette[i] = ImagePaletteEntry(v, v, v);
    }
    return IMAGE_OK;
  }
  std::unique_ptr<unsigned char[]> map(new (std::nothrow) unsigned char[3 * static_cast<size_t>(n) + 1]);
  if (!map) return IMAGE_ERR_READ;
  BinaryFileSeek(d->file, kHeaderBytes);
  BinaryFileRead(d->file, map.get(), 3 * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (d->mapType == kMapRaw) {
      palette[i] = ImagePaletteEntry(map[3 * i], map[3 * i + 1], map[3 * i + 2]);
    } else {
      palette[i] = ImagePaletteEntry(map[i], map[n + i], map[2 * n + i]);
    }
  }
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

int read_file_row(SunData* d) {
  BinaryFile* f = d->file;
  if (!d->started) {
    d->started = true;
    d->row.reset(new (std::nothrow) unsigned char[d->rowBytes]);
    if (!d->row) return IMAGE_ERR_READ;
    BinaryFileSeek(f, d->dataOffset);
  }
  unsigned char* out = d->row.get();
  const size_t n = d->rowBytes;
  if (d->type != kTypeByteEncoded) {
    BinaryFileRead(f, out, n);
    return BinaryFileError(f) ? IMAGE_ERR_READ : IMAGE_OK;
  }
  size_t x = ImageByteRunEmit(&d->pending, out, n);
  while (x < n) {
    int c = BinaryFileGetByte(f);
    if (c != kEscape) {
      out[x++] = static_cast<unsigned char>(c);
    } else {
      int count = BinaryFileGetByte(f);
      if (count == 0) {
        out[x++] = kEscape;
      } else {
        d->pending = ImageByteRun{static_cast<size_t>(count) + 1, static_cast<unsigned char>(BinaryFileGetByte(f))};
        x += ImageByteRunEmit(&d->pending, out + x, n - x);
      }
    }
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
  }
  return IMAGE_OK;
}

int sun_read_row(ImageFileHandle* h, unsigned char* out) {
  SunData* d = data_of(h);
  if (h->colourMode != IMAGE_MAP) return IMAGE_ERR_VARIANT;
  int e = read_file_row(d);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  if (d->depth == 1) {
    // a set bit is black, index 0
    ImageUnpackBits1(d->row.get(), out, w, 1);
  } else {
    std::memcpy(out, d->row.get(), w);
  }
  --h->currentRow;
  return IMAGE_OK;
}

int sun_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green, unsigned char* blue) {
  SunData* d = data_of(h);
  if (h->colourMode != IMAGE_RGB) return IMAGE_ERR_VARIANT;
  int e = read_file_row(d);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  unsigned char* first = d->type == kTypeRgb ? red : blue;
  unsigned char* third = d->type == kTypeRgb ? blue : red;
  if (d->depth == 24) {
    ImageSplitSamples(d->row.get(), 3, w, first, green, third);
  } else {
    // 32-bit pixels carry their pad (or alpha) byte first: X, B, G, R (X, R, G, B in type 3)
    ImageSplitSamples(d->row.get() + 1, 4, w, first, green, third);
  }
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver SunDriver() {
  ImageFormatDriver d = ImageDriverRecord("SUN");
  d.open = sun_open;
  d.close = sun_close;
  d.readPalette = sun_read_palette;
  d.readRow = sun_read_row;
  d.readRgbRow = sun_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverSUN = SunDriver();
