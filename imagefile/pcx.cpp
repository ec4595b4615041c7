// PCX: 1, 4 (four 1-bit planes or packed nibbles), 8 bits through a palette, 24 bits as three
// 8-bit planes per row; raw or PCX run-length.
#include <cstring>
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr int kHeaderBytes = 128;
constexpr int kRunMarker = 0xC0;
// A run gives at most 63 bytes from two.
constexpr unsigned long long kMostBytesPerRun = 63;

// The one-byte signature is common (a Targa with a 10-byte identification field starts with
// it too), so the file is taken only when the version, encoding and bits-per-plane fields hold
// values a PCX writer uses.
bool plausible_header(const unsigned char head[4]) {
  const int version = head[1], encoding = head[2], bits = head[3];
  const bool knownVersion = version == 0 || version == 2 || version == 3 || version == 4 || version == 5;
  return head[0] == 10 && knownVersion && encoding <= 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

struct PcxData {
  BinaryFile* file;
  int version;
  bool encoded;           // PCX run-length
  int bitsPerPlane;
  int planes;
  size_t bytesPerLine;    // bytes of one plane of one row
  size_t rowBytes;        // planes x bytesPerLine
  bool started;
  ImageByteRun pending;   // a run that did not fit the previous row continues in the next one
  std::unique_ptr<unsigned char[]> row;
};

// The palette of version 3 files, which carry none.
constexpr unsigned char kVersion3Palette[16][3] = {
    {0, 0, 0},     {0, 0, 255},    {0, 255, 0},    {0, 255, 255}, {255, 0, 0},    {255, 0, 255},
    {255, 255, 0}, {255, 255, 255}, {85, 85, 255},  {85, 85, 85},  {0, 170, 0},    {170, 0, 0},
    {85, 255, 255}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

PcxData* data_of(ImageFileHandle* h) { return static_cast<PcxData*>(h->driverData); }

void pcx_close(ImageFileHandle* h) { ImageDriverClose<PcxData>(h); }

ImageFileHandle* pcx_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  auto refuse = [&](int code) { return ImageDriverRefuse(f, code, error); };
  unsigned char head[4];
  BinaryFileRead(f, head, 4);
  if (BinaryFileError(f) || !plausible_header(head)) return refuse(IMAGE_ERR_FORMAT);
  uint16_t window[4];
  BinaryFileReadWords(f, window, 4);
  BinaryFileSeek(f, 65);
  int planes = BinaryFileGetByte(f);
  size_t bytesPerLine = BinaryFileReadWord(f);
  if (BinaryFileError(f)) return refuse(IMAGE_ERR_READ);
  long long width = static_cast<long long>(window[2]) - window[0] + 1;
  long long height = static_cast<long long>(window[3]) - window[1] + 1;
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return refuse(dims);

  auto* d = new PcxData{};
  d->file = f;
  d->version = head[1];
  d->encoded = head[2] != 0;
  d->bitsPerPlane = head[3];
  d->planes = planes;
  d->bytesPerLine = bytesPerLine;
  d->rowBytes = static_cast<size_t>(planes) * bytesPerLine;
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->compression = d->encoded ? IMAGE_COMPRESSION_DECODED : IMAGE_COMPRESSION_NONE;
  h->layout = 0;
  h->currentRow = h->height - 1;
  *error = IMAGE_OK;

  const int bits = planes * d->bitsPerPlane;
  // planes x bits that the row unpacking below knows; 2 planes of 2 bits and the like are not
  const bool known = (planes == 1 && (d->bitsPerPlane == 1 || d->bitsPerPlane == 4 || d->bitsPerPlane == 8)) ||
                     (planes == 4 && d->bitsPerPlane == 1) || (planes == 3 && d->bitsPerPlane == 8);
  if (!known) {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  if (bits == 24) {
    h->colourMode = IMAGE_RGB;
  } else {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = 1 << bits;
  }
  // a plane line too short for the width cannot be unpacked, and the file must be able to hold
  // the rows: every byte of them raw, or their longest runs encoded
  const unsigned long long pictureBytes = static_cast<unsigned long long>(d->rowBytes) * static_cast<unsigned long long>(height);
  const bool holds = d->encoded ? ImageDataCanHold(f, kHeaderBytes, pictureBytes, 1, kMostBytesPerRun, 2)
                                : ImageDataCanHold(f, kHeaderBytes, pictureBytes, 1);
  if (bytesPerLine * 8 < static_cast<size_t>(width) * static_cast<size_t>(d->bitsPerPlane) || !holds) {
    pcx_close(h);
    *error = IMAGE_ERR_READ;
    return nullptr;
  }
  return h;
}

int pcx_read_palette(ImageFileHandle* h, uint32_t* palette) {
  PcxData* d = data_of(h);
  BinaryFile* f = d->file;
  const int bits = d->planes * d->bitsPerPlane;
  if (d->version == 5 && bits == 8) {
    BinaryFileSeekFromEnd(f, 769);
    if (BinaryFileGetByte(f) != 12 || BinaryFileError(f)) return IMAGE_ERR_READ;
    unsigned char rgb[768];
    BinaryFileRead(f, rgb, sizeof rgb);
    for (int i = 0; i < 256 && i < h->paletteSize; ++i) {
      palette[i] = ImagePaletteEntry(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
  } else if (d->version == 3) {
    // only 16 colours are defined; the other entries of an 8-bit file stay black
    for (int i = 0; i < 16 && i < h->paletteSize; ++i) {
      palette[i] = ImagePaletteEntry(kVersion3Palette[i][0], kVersion3Palette[i][1], kVersion3Palette[i][2]);
    }
  } else {
    unsigned char rgb[48];
    BinaryFileSeek(f, 16);
    BinaryFileRead(f, rgb, sizeof rgb);
    for (int i = 0; i < 16 && i < h->paletteSize; ++i) {
      palette[i] = ImagePaletteEntry(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    // monochrome writers often leave the header palette empty: two equal entries could not show
    // a two-colour picture, so it is black and white, as other readers take every 1-bit file
    if (bits == 1 && palette[0] == palette[1]) {
      palette[0] = ImagePaletteEntry(0, 0, 0);
      palette[1] = ImagePaletteEntry(255, 255, 255);
    }
  }
  return BinaryFileError(f) ? IMAGE_ERR_READ : IMAGE_OK;
}

// Reads one file row (all its planes) into d->row, decoding run-length data.
int read_file_row(PcxData* d) {
  BinaryFile* f = d->file;
  if (!d->started) {
    d->started = true;
    d->row.reset(new (std::nothrow) unsigned char[d->rowBytes == 0 ? 1 : d->rowBytes]);
    if (!d->row) return IMAGE_ERR_READ;
    BinaryFileSeek(f, kHeaderBytes);
  }
  unsigned char* out = d->row.get();
  const size_t n = d->rowBytes;
  if (!d->encoded) {
    BinaryFileRead(f, out, n);
    return BinaryFileError(f) ? IMAGE_ERR_READ : IMAGE_OK;
  }
  // some writers let a run cross into the next row; its rest is carried over rather than lost
  size_t x = ImageByteRunEmit(&d->pending, out, n);
  while (x < n) {
    int c = BinaryFileGetByte(f);
    if ((c & kRunMarker) == kRunMarker) {
      const size_t count = static_cast<size_t>(c & 0x3F);
      d->pending = ImageByteRun{count, static_cast<unsigned char>(BinaryFileGetByte(f))};
      x += ImageByteRunEmit(&d->pending, out + x, n - x);
    } else {
      out[x++] = static_cast<unsigned char>(c);
    }
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
  }
  return BinaryFileError(f) ? IMAGE_ERR_READ : IMAGE_OK;
}

int pcx_read_row(ImageFileHandle* h, unsigned char* out) {
  PcxData* d = data_of(h);
  if (h->colourMode != IMAGE_MAP) return IMAGE_ERR_VARIANT;
  int e = read_file_row(d);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  const unsigned char* src = d->row.get();
  if (d->planes == 4) {
    // index = bit of plane 0 + 2 x bit of plane 1 + 4 x bit of plane 2 + 8 x bit of plane 3
    const size_t line = d->bytesPerLine;
    for (size_t x = 0; x < w; ++x) {
      const size_t byte = x >> 3;
      const int shift = 7 - static_cast<int>(x & 7);
      out[x] = static_cast<unsigned char>(((src[byte] >> shift) & 1) | (((src[line + byte] >> shift) & 1) << 1) |
                                          (((src[2 * line + byte] >> shift) & 1) << 2) |
                                          (((src[3 * line + byte] >> shift) & 1) << 3));
    }
  } else if (d->bitsPerPlane == 1) {
    ImageUnpackBits1(src, out, w, 0);
  } else if (d->bitsPerPlane == 4) {
    ImageUnpackNibbles(src, out, w);
  } else {
    std::memcpy(out, src, w);
  }
  --h->currentRow;
  return IMAGE_OK;
}

int pcx_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green, unsigned char* blue) {
  PcxData* d = data_of(h);
  if (h->colourMode != IMAGE_RGB) return IMAGE_ERR_VARIANT;
  int e = read_file_row(d);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  const unsigned char* src = d->row.get();
  std::memcpy(red, src, w);
  std::memcpy(green, src + d->bytesPerLine, w);
  std::memcpy(blue, src + 2 * d->bytesPerLine, w);
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver PcxDriver() {
  ImageFormatDriver d = ImageDriverRecord("PCX");
  d.open = pcx_open;
  d.close = pcx_close;
  d.readPalette = pcx_read_palette;
  d.readRow = pcx_read_row;
  d.readRgbRow = pcx_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverPCX = PcxDriver();
