// Targa: colour-mapped and grey images (types 1, 3, 9, 11) with indices up to 8 bits, grey with
// alpha (16 bits, the alpha dropped), true colour (types 2, 10) with 15, 16, 24 or 32 bits; raw
// or Targa run-length; rows stored from the left or (descriptor bit 0x10) from the right.
#include <cstring>
#include <utility>
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr int kHeaderBytes = 18;
constexpr int kTopFirst = 0x20;
constexpr int kRightFirst = 0x10;
// 5-bit components on the 0-255 scale, v x 255 / 31, so that full intensity is 255 (shifting
// left by 3 would stop at 248, which is not the colour the file means)
constexpr unsigned char kFiveBits[32] = {0,   8,   16,  24,  32,  41,  49,  57,  65,  74,  82,
                                         90,  98,  106, 115, 123, 131, 139, 148, 156, 164, 172,
                                         180, 189, 197, 205, 213, 222, 230, 238, 246, 255};
// A repeat packet gives at most 128 pixels from a header byte and one pixel.
constexpr unsigned long long kMostPixelsPerPacket = 128;

struct TgaData {
  BinaryFile* file;
  bool rle;
  bool hasMap;
  int mapEntryBits;       // 15, 16, 24 or 32
  int mapLength;          // entries
  int pixelBytes;         // bytes of one pixel in the file
  long long mapOffset;    // the colour map follows the identification field
  long long dataOffset;   // the pixels follow the colour map
  int rowStep;            // +1 rows stored bottom first, -1 top first
  bool rightFirst;        // each row stored from its right end
  bool started;
  // a packet may continue into the next row; what is left of it is kept here
  int pendingCount;       // pixels of the packet still to deliver
  bool pendingRepeat;     // a repeat packet (else literal pixels follow in the file)
  unsigned char pendingPixel[4];
  std::unique_ptr<unsigned char[]> row;  // one row of file pixels
};

TgaData* data_of(ImageFileHandle* h) { return static_cast<TgaData*>(h->driverData); }

void tga_close(ImageFileHandle* h) { ImageDriverClose<TgaData>(h); }

ImageFileHandle* tga_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  auto refuse = [&](int code) { return ImageDriverRefuse(f, code, error); };
  unsigned char hd[kHeaderBytes];
  BinaryFileRead(f, hd, kHeaderBytes);
  // Targa has no signature: the header's own consistency is all there is to recognise
  const int idLength = hd[0], mapType = hd[1], type = hd[2];
  const bool mapMode = type == 1 || type == 3 || type == 9 || type == 11;
  const bool rgbMode = type == 2 || type == 10;
  const bool mapped = type == 1 || type == 9;
  if (BinaryFileError(f) || (!mapMode && !rgbMode) || mapType > 1 || (mapped && mapType == 0)) {
    return refuse(IMAGE_ERR_FORMAT);
  }
  const int mapLength = hd[5] | (hd[6] << 8);
  const int mapEntryBits = hd[7];
  const long long width = hd[12] | (hd[13] << 8);
  const long long height = hd[14] | (hd[15] << 8);
  const int depth = hd[16];
  const int descriptor = hd[17];
  const bool greyAlpha = (type == 3 || type == 11) && depth == 16;
  if (mapMode && (depth < 1 || depth > 8) && !greyAlpha) return refuse(IMAGE_ERR_VARIANT);
  if (rgbMode && depth != 15 && depth != 16 && depth != 24 && depth != 32) return refuse(IMAGE_ERR_VARIANT);
  const bool mapKnown = mapEntryBits == 15 || mapEntryBits == 16 || mapEntryBits == 24 || mapEntryBits == 32;
  if (mapType == 1 && mapLength > 0 && !mapKnown) return refuse(IMAGE_ERR_VARIANT);
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return refuse(dims);

  auto* d = new TgaData{};
  d->file = f;
  d->rle = type >= 9;
  d->hasMap = mapType == 1;
  d->mapEntryBits = mapEntryBits;
  d->mapLength = d->hasMap ? mapLength : 0;
  d->pixelBytes = (depth + 7) / 8;
  d->mapOffset = kHeaderBytes + idLength;
  d->dataOffset = d->mapOffset + static_cast<long long>(d->mapLength) * ((mapEntryBits + 7) / 8);
  const bool topFirst = (descriptor & kTopFirst) != 0;
  d->rowStep = topFirst ? -1 : 1;
  d->rightFirst = (descriptor & kRightFirst) != 0;
  // the file must be able to hold the picture before anyone allocates it: every raw row, or
  // for run-length data the packets of its longest possible runs
  const unsigned long long pixels = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
  const unsigned long long pb = static_cast<unsigned long long>(d->pixelBytes);
  const bool holds = d->rle ? ImageDataCanHold(f, d->dataOffset, pixels, pb, kMostPixelsPerPacket, 1 + pb)
                            : ImageDataCanHold(f, d->dataOffset, pixels, pb);
  if (!holds) {
    delete d;
    return refuse(IMAGE_ERR_READ);
  }
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->compression = d->rle ? IMAGE_COMPRESSION_DECODED : IMAGE_COMPRESSION_NONE;
  h->currentRow = topFirst ? h->height - 1 : 0;
  if (mapMode) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = d->hasMap ? d->mapLength : greyAlpha ? 256 : 1 << depth;
  } else {
    h->colourMode = IMAGE_RGB;
  }
  *error = IMAGE_OK;
  return h;
}

int tga_read_palette(ImageFileHandle* h, uint32_t* palette) {
  TgaData* d = data_of(h);
  const int n = h->paletteSize;
  if (!d->hasMap) {
    for (int i = 0; i < n; ++i) {
      unsigned v = n > 1 ? static_cast<unsigned>(i * 255 / (n - 1)) : 0;
      palette[i] = ImagePaletteEntry(v, v, v);
    }
    return IMAGE_OK;
  }
  const int entryBytes = (d->mapEntryBits + 7) / 8;
  BinaryFileSeek(d->file, d->mapOffset);
  for (int i = 0; i < n; ++i) {
    unsigned char e[4];
    BinaryFileRead(d->file, e, static_cast<size_t>(entryBytes));
    if (entryBytes == 2) {
      unsigned v = e[0] | (e[1] << 8);
      palette[i] = ImagePaletteEntry(kFiveBits[(v >> 10) & 31], kFiveBits[(v >> 5) & 31], kFiveBits[v & 31]);
    } else {
      palette[i] = ImagePaletteEntry(e[2], e[1], e[0]);
    }
  }
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

// count copies of one pixel of pb bytes; a fixed-size copy per depth keeps long runs of a flat
// picture from calling memcpy once per pixel
template <size_t PB>
void fill_fixed(unsigned char* out, const unsigned char* pixel, size_t count) {
  for (size_t i = 0; i < count; ++i, out += PB) std::memcpy(out, pixel, PB);
}

void fill_pixels(unsigned char* out, const unsigned char* pixel, size_t count, size_t pb) {
  switch (pb) {
    case 1: std::memset(out, pixel[0], count); break;
    case 2: fill_fixed<2>(out, pixel, count); break;
    case 3: fill_fixed<3>(out, pixel, count); break;
    default: fill_fixed<4>(out, pixel, count); break;
  }
}

// Decodes one row of run-length packets into d->row.
int decode_rle_row(TgaData* d, size_t width) {
  BinaryFile* f = d->file;
  const size_t pb = static_cast<size_t>(d->pixelBytes);
  unsigned char* out = d->row.get();
  size_t x = 0;
  while (x < width) {
    if (d->pendingCount == 0) {
      int header = BinaryFileGetByte(f);
      d->pendingCount = (header & 127) + 1;
      d->pendingRepeat = (header & 128) != 0;
      if (d->pendingRepeat) BinaryFileRead(f, d->pendingPixel, pb);
    }
    size_t room = width - x;
    size_t now = static_cast<size_t>(d->pendingCount) < room ? static_cast<size_t>(d->pendingCount) : room;
    if (d->pendingRepeat) {
      fill_pixels(out + x * pb, d->pendingPixel, now, pb);
    } else {
      BinaryFileRead(f, out + x * pb, now * pb);
    }
    x += now;
    d->pendingCount -= static_cast<int>(now);
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
  }
  return IMAGE_OK;
}

int read_file_row(ImageFileHandle* h) {
  TgaData* d = data_of(h);
  const size_t w = static_cast<size_t>(h->width);
  const size_t bytes = w * static_cast<size_t>(d->pixelBytes);
  if (!d->started) {
    d->started = true;
    d->row.reset(new (std::nothrow) unsigned char[bytes]);
    if (!d->row) return IMAGE_ERR_READ;
    BinaryFileSeek(d->file, d->dataOffset);
  }
  if (d->rle) return decode_rle_row(d, w);
  BinaryFileRead(d->file, d->row.get(), bytes);
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

// A row stored from the right is turned round in the file's pixels, before they are split.
void mirror_row(TgaData* d, size_t width) {
  if (!d->rightFirst) return;
  const size_t pb = static_cast<size_t>(d->pixelBytes);
  unsigned char* row = d->row.get();
  for (size_t a = 0, b = width - 1; a < b; ++a, --b) {
    for (size_t i = 0; i < pb; ++i) std::swap(row[a * pb + i], row[b * pb + i]);
  }
}

int tga_read_row(ImageFileHandle* h, unsigned char* out) {
  TgaData* d = data_of(h);
  if (h->colourMode != IMAGE_MAP) return IMAGE_ERR_VARIANT;
  const size_t w = static_cast<size_t>(h->width);
  if (!d->rle && d->pixelBytes == 1 && !d->rightFirst) {
    // indices straight into the caller's row
    if (!d->started) {
      d->started = true;
      BinaryFileSeek(d->file, d->dataOffset);
    }
    BinaryFileRead(d->file, out, w);
    if (BinaryFileError(d->file)) return IMAGE_ERR_READ;
    h->currentRow += d->rowStep;
    return IMAGE_OK;
  }
  int e = read_file_row(h);
  if (e != IMAGE_OK) return e;
  mirror_row(d, w);
  if (d->pixelBytes == 1) {
    std::memcpy(out, d->row.get(), w);
  } else {
    // grey and alpha: the grey byte comes first
    const unsigned char* src = d->row.get();
    for (size_t x = 0; x < w; ++x) out[x] = src[2 * x];
  }
  h->currentRow += d->rowStep;
  return IMAGE_OK;
}

int tga_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green, unsigned char* blue) {
  TgaData* d = data_of(h);
  if (h->colourMode != IMAGE_RGB) return IMAGE_ERR_VARIANT;
  int e = read_file_row(h);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  mirror_row(d, w);
  const unsigned char* src = d->row.get();
  if (d->pixelBytes == 2) {
    for (size_t x = 0; x < w; ++x) {
      unsigned v = src[2 * x] | (src[2 * x + 1] << 8);
      blue[x] = kFiveBits[v & 31];
      green[x] = kFiveBits[(v >> 5) & 31];
      red[x] = kFiveBits[(v >> 10) & 31];
    }
  } else if (d->pixelBytes == 3) {
    ImageSplitSamples(src, 3, w, blue, green, red);
  } else {
    ImageSplitSamples(src, 4, w, blue, green, red);  // alpha dropped
  }
  h->currentRow += d->rowStep;
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver TgaDriver() {
  ImageFormatDriver d = ImageDriverRecord("TGA");
  d.open = tga_open;
  d.close = tga_close;
  d.readPalette = tga_read_palette;
  d.readRow = tga_read_row;
  d.readRgbRow = tga_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverTGA = TgaDriver();
