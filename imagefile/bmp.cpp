// Windows and OS/2 bitmaps: 1, 4, 8 bits through a palette, 16, 24, 32 bits true colour,
// uncompressed, 8-bit run-length, or 16/32 bits with bit-field masks.
#include <cstring>
#include <memory>
#include <new>

#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr int kWindowsHeader = 40;
constexpr int kOs2Header = 12;

// Later Windows headers (52, 56, 108 and 124 bytes, the last what most programs write today)
// begin with the 40-byte layout and put the palette after themselves; their colour-space
// fields do not change the pixels.
bool is_windows_header(uint32_t size) {
  return size == kWindowsHeader || size == 52 || size == 56 || size == 108 || size == 124;
}

enum BmpCompression { BMP_RGB = 0, BMP_RLE8 = 1, BMP_BITFIELDS = 3 };

// One colour component of a 16- or 32-bit pixel: (value AND mask) >> shift, scaled to 0-255.
struct BmpChannel {
  uint32_t mask;
  int shift;
  uint32_t maximum;                     // mask >> shift; 0 for an empty mask (component 0)
  std::unique_ptr<unsigned char[]> lut;  // maximum + 1 scaled values, for 16-bit pixels
};

struct BmpData {
  BinaryFile* file;
  int headerSize;      // 12 (OS/2) or one of the Windows sizes
  int bits;            // bits per pixel
  int compression;     // BMP_RGB, BMP_RLE8 or BMP_BITFIELDS
  uint32_t dataOffset; // file offset of the first row
  size_t rowBytes;     // bytes of one uncompressed file row
  int rowStep;         // +1 rows stored bottom first, -1 top first
  bool started;        // the first row has been read (file positioned, masks read)
  bool endOfBitmap;    // run-length data said end of bitmap: the remaining rows are index 0
  std::unique_ptr<unsigned char[]> row;  // one file row (or one row of decoded indices)
  BmpChannel channel[3];                 // red, green, blue
};

int trailing_zeros(uint32_t v) {
  int n = 0;
  while (n < 32 && ((v >> n) & 1u) == 0) ++n;
  return n;
}

// Component scaling: value x 255 / maximum. For the usual 8-bit masks of 32-bit pixels that is
// the value itself; for wider or narrower masks it is the value on the 0-255 scale.
bool set_channel(BmpChannel* c, uint32_t mask, bool withTable) {
  c->mask = mask;
  c->shift = mask == 0 ? 0 : trailing_zeros(mask);
  c->maximum = mask == 0 ? 0 : mask >> c->shift;
  c->lut.reset();
  if (withTable && c->maximum > 0) {
    if (c->maximum > 0xFFFF) return false;
    c->lut.reset(new (std::nothrow) unsigned char[c->maximum + 1]);
    if (!c->lut) return false;
    for (uint32_t v = 0; v <= c->maximum; ++v) c->lut[v] = static_cast<unsigned char>(v * 255u / c->maximum);
  }
  return true;
}

inline unsigned char scale_component(const BmpChannel& c, uint32_t pixel) {
  if (c.maximum == 0) return 0;
  uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.lut) return c.lut[v];
  if (c.maximum == 255) return static_cast<unsigned char>(v);
  return static_cast<unsigned char>(static_cast<uint64_t>(v) * 255u / c.maximum);
}

BmpData* data_of(ImageFileHandle* h) { return static_cast<BmpData*>(h->driverData); }

void bmp_close(ImageFileHandle* h) { ImageDriverClose<BmpData>(h); }

ImageFileHandle* bmp_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  auto refuse = [&](int code) { return ImageDriverRefuse(f, code, error); };
  uint16_t signature = BinaryFileReadWord(f);
  if (BinaryFileError(f) || signature != 0x4D42) return refuse(IMAGE_ERR_FORMAT);
  BinaryFileSeek(f, 10);
  uint32_t dataOffset = BinaryFileReadDWord(f);
  uint32_t headerSize = BinaryFileReadDWord(f);
  if (BinaryFileError(f) || (!is_windows_header(headerSize) && headerSize != kOs2Header)) {
    return refuse(IMAGE_ERR_FORMAT);
  }
  long long width, height;
  if (is_windows_header(headerSize)) {
    width = static_cast<int32_t>(BinaryFileReadDWord(f));
    height = static_cast<int32_t>(BinaryFileReadDWord(f));
  } else {
    width = static_cast<int16_t>(BinaryFileReadWord(f));
    height = static_cast<int16_t>(BinaryFileReadWord(f));
  }
  // the row count is the magnitude; a negative height means rows are stored top first
  const bool topFirst = height < 0;
  if (topFirst) height = -height;
  BinaryFileSkip(f, 2);  // planes
  int bits = BinaryFileReadWord(f);
  uint32_t compression = BMP_RGB;
  uint32_t usedColours = 0;
  if (is_windows_header(headerSize)) {
    compression = BinaryFileReadDWord(f);
    BinaryFileSeek(f, 14 + 32);
    usedColours = BinaryFileReadDWord(f);
  }
  if (BinaryFileError(f)) return refuse(IMAGE_ERR_READ);
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return refuse(dims);

  auto* d = new BmpData{};
  d->file = f;
  d->headerSize = static_cast<int>(headerSize);
  d->bits = bits;
  d->dataOffset = dataOffset;
  d->rowStep = topFirst ? -1 : 1;
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->currentRow = topFirst ? h->height - 1 : 0;
  *error = IMAGE_OK;

  if (bits == 1 || bits == 4 || bits == 8) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = 1 << bits;
  } else if (bits == 16 || bits == 24 || bits == 32) {
    h->colourMode = IMAGE_RGB;
  } else {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  if (compression == BMP_RLE8) {
    h->compression = IMAGE_COMPRESSION_DECODED;
    // 8-bit run-length data hold one index per byte; with another depth they cannot be unpacked
    if (bits != 8) *error = IMAGE_ERR_VARIANT;
  } else if (compression == BMP_BITFIELDS) {
    if (bits != 16 && bits != 32) *error = IMAGE_ERR_VARIANT;
  } else if (compression != BMP_RGB) {
    h->compression = IMAGE_COMPRESSION_UNSUPPORTED;
    *error = IMAGE_ERR_COMPRESSION;
  }
  d->compression = static_cast<int>(compression);
  if (usedColours != 0 && usedColours < static_cast<uint32_t>(h->paletteSize)) {
    h->paletteSize = static_cast<int>(usedColours);
  }
  d->rowBytes = ImageRowBytes(width, bits, 4);
  return h;
}

int bmp_read_palette(ImageFileHandle* h, uint32_t* palette) {
  BmpData* d = data_of(h);
  const int entryBytes = d->headerSize == kOs2Header ? 3 : 4;
  BinaryFileSeek(d->file, 14 + d->headerSize);
  for (int i = 0; i < h->paletteSize; ++i) {
    unsigned char e[4];
    BinaryFileRead(d->file, e, static_cast<size_t>(entryBytes));
    palette[i] = ImagePaletteEntry(e[2], e[1], e[0]);
  }
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

// Positions the file on the pixel data and sets up the row buffer and the masks.
int start_rows(ImageFileHandle* h) {
  BmpData* d = data_of(h);
  if (d->started) return IMAGE_OK;
  d->started = true;
  size_t bytes = d->compression == BMP_RLE8 ? static_cast<size_t>(h->width) : d->rowBytes;
  if (bytes == 0) return IMAGE_ERR_READ;
  d->row.reset(new (std::nothrow) unsigned char[bytes]);
  if (!d->row) return IMAGE_ERR_READ;
  if (d->bits == 16 || d->bits == 32) {
    uint32_t masks[3];
    if (d->compression == BMP_BITFIELDS) {
      BinaryFileSeek(d->file, 14 + kWindowsHeader);
      BinaryFileReadDWords(d->file, masks, 3);
    } else if (d->bits == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    for (int c = 0; c < 3; ++c) {
      if (!set_channel(&d->channel[c], masks[c], d->bits == 16)) return IMAGE_ERR_READ;
    }
  }
  BinaryFileSeek(d->file, d->dataOffset);
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

// Decodes one row of 8-bit run-length data into width indices. Pixels past the row's end are
// dropped (the cut rule for runs, which also reads files whose writer encoded the row padding
// as pixels); a row ends at an end-of-line or end-of-bitmap escape.
int decode_rle8_row(BmpData* d, unsigned char* out, size_t width) {
  std::memset(out, 0, width);
  if (d->endOfBitmap) return IMAGE_OK;
  BinaryFile* f = d->file;
  size_t x = 0;
  for (;;) {
    int count = BinaryFileGetByte(f);
    int value = BinaryFileGetByte(f);
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i) out[x++] = static_cast<unsigned char>(value);
    } else if (value == 0) {
      return IMAGE_OK;
    } else if (value == 1) {
      d->endOfBitmap = true;
      return IMAGE_OK;
    } else if (value == 2) {
      // delta: the offsets are read and ignored
      BinaryFileGetByte(f);
      BinaryFileGetByte(f);
    } else {
      for (int i = 0; i < value; ++i) {
        int literal = BinaryFileGetByte(f);
        if (x < width) out[x++] = static_cast<unsigned char>(literal);
      }
      if (value & 1) BinaryFileGetByte(f);
    }
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
  }
}

// Reads the next file row into d->row (indices for run-length data, raw bytes otherwise).
int read_file_row(ImageFileHandle* h) {
  int e = start_rows(h);
  if (e != IMAGE_OK) return e;
  BmpData* d = data_of(h);
  if (d->compression == BMP_RLE8) return decode_rle8_row(d, d->row.get(), static_cast<size_t>(h->width));
  BinaryFileRead(d->file, d->row.get(), d->rowBytes);
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

int bmp_read_row(ImageFileHandle* h, unsigned char* out) {
  BmpData* d = data_of(h);
  if (h->colourMode != IMAGE_MAP) return IMAGE_ERR_VARIANT;
  int e = read_file_row(h);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  if (d->bits == 1) {
    ImageUnpackBits1(d->row.get(), out, w, 0);
  } else if (d->bits == 4) {
    ImageUnpackNibbles(d->row.get(), out, w);
  } else {
    std::memcpy(out, d->row.get(), w);
  }
  h->currentRow += d->rowStep;
  return IMAGE_OK;
}

int bmp_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green, unsigned char* blue) {
  BmpData* d = data_of(h);
  if (h->colourMode != IMAGE_RGB) return IMAGE_ERR_VARIANT;
  int e = read_file_row(h);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  const unsigned char* src = d->row.get();
  if (d->bits == 24) {
    ImageSplitSamples(src, 3, w, blue, green, red);
  } else if (d->bits == 16) {
    for (size_t x = 0; x < w; ++x) {
      uint32_t v = static_cast<uint32_t>(src[2 * x]) | (static_cast<uint32_t>(src[2 * x + 1]) << 8);
      red[x] = scale_component(d->channel[0], v);
      green[x] = scale_component(d->channel[1], v);
      blue[x] = scale_component(d->channel[2], v);
    }
  } else if (d->channel[0].mask == 0xFF0000 && d->channel[1].mask == 0xFF00 && d->channel[2].mask == 0xFF) {
    ImageSplitSamples(src, 4, w, blue, green, red);
  } else {
    for (size_t x = 0; x < w; ++x) {
      uint32_t v = static_cast<uint32_t>(src[4 * x]) | (static_cast<uint32_t>(src[4 * x + 1]) << 8) |
          (static_cast<uint32_t>(src[4 * x + 2]) << 16) | (static_cast<uint32_t>(src[4 * x + 3]) << 24);
      red[x] = scale_component(d->channel[0], v);
      green[x] = scale_component(d->channel[1], v);
      blue[x] = scale_component(d->channel[2], v);
    }
  }
  h->currentRow += d->rowStep;
  return IMAGE_OK;
}

}  // namespace

ImageFormatDriver ImageDriverBMP = {
    0,       ImageDriverQuery, bmp_open, nullptr,          bmp_close, bmp_read_palette,
    nullptr, bmp_read_row,     nullptr,  bmp_read_rgb_row, nullptr,   "BMP",
};
