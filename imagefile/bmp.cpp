// Windows and OS/2 bitmaps: 1, 2, 4, 8 bits through a palette, 16, 24, 32 bits true colour,
// uncompressed, 4- and 8-bit run-length, or 16/32 bits with bit-field masks, or a whole PNG file;
// with or without the file header. OS/2 also codes 24 bits with run-length and 1 bit as fax.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "fax_rows.h"
#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr int kWindowsHeader = 40;
constexpr int kOs2Header = 12;

// The file header: "BM", file size, two reserved words, then the offset of the pixel data.
constexpr uint16_t kBitmapSignature = 0x4D42;  // "BM" read as a little-endian word
constexpr long long kDataOffsetField = 10;
constexpr long long kFileHeader = 14;           // the information header follows it
// Fields of the information header, counted from its start, and the size a header must have
// to hold them (shorter OS/2 version 2 headers leave them out).
constexpr uint32_t kCompressionEnd = 20;
constexpr long long kUsedColoursField = 32;
constexpr uint32_t kUsedColoursEnd = 36;

// Later Windows headers (52, 56, 108 and 124 bytes, the last what most programs write today)
// begin with the 40-byte layout and put the palette after themselves; their colour-space
// fields do not change the pixels.
bool is_windows_header(uint32_t size) {
  return size == kWindowsHeader || size == 52 || size == 56 || size == 108 || size == 124;
}
// OS/2 version 2 headers: 64 bytes, or any shorter prefix of them from 16 bytes on that still
// holds the 32-bit width and height, planes and bit count; the fields they leave out are 0.
bool is_os2_v2_header(uint32_t size) { return size >= 16 && size <= 64 && !is_windows_header(size); }

enum BmpCompression { BMP_RGB = 0, BMP_RLE8 = 1, BMP_RLE4 = 2, BMP_BITFIELDS = 3, BMP_PNG = 5, BMP_ALPHA_BITFIELDS = 6 };
// OS/2 version 2 numbers its codings differently: 3 is Huffman, 4 run-length of 24-bit pixels
// (the value Windows gives JPEG). Kept apart from the file's numbers once recognised.
constexpr uint32_t kOs2Huffman = 3;
constexpr uint32_t kOs2Rle24 = 4;
constexpr int kRle24 = 1024;
constexpr int kHuffman = 1025;
// The densest fax coding: a make-up code of 2560 pixels takes 12 bits, so 3 bytes make at most
// 5120 pixels; a file with fewer bytes than that for its picture is cut short.
constexpr unsigned long long kHuffmanMostPixels = 5120;
constexpr unsigned long long kHuffmanRunBytes = 3;
// and the sparsest: no code is longer than 13 bits, a row adds an end-of-line code, a leading
// white run and fill bits, so bytes past 2 a pixel and 8 a row are never decoded
constexpr unsigned long long kHuffmanMostBytesPerPixel = 2;
constexpr unsigned long long kHuffmanMostBytesPerRow = 8;
// An OS/2 bitmap array ("BA") holds a list of bitmap files, each with its own 14-byte array
// header first; its offsets count from the start of the whole file. The first bitmap is read.
constexpr uint16_t kArraySignature = 0x4142;
constexpr long long kArrayHeader = 14;

// Run-length escapes can make pixels out of no data (end of bitmap, delta): above the floor
// a picture may have at most this many pixels per byte of its file. Runs alone give 255 pixels
// per 2 bytes, and a row ended early by end of line is 2 bytes, so real files stay far below.
constexpr unsigned long long kRlePixelsPerByte = 1024;
constexpr uint32_t kMaskOffset = kFileHeader + kWindowsHeader;  // bit-field masks follow the 40-byte fields
                                                       // (from the start of the bitmap file)

// One colour component of a 16- or 32-bit pixel: (value AND mask) >> shift, scaled to 0-255.
struct BmpChannel {
  uint32_t mask;
  int shift;
  uint32_t maximum;                     // mask >> shift; 0 for an empty mask (component 0)
  std::unique_ptr<unsigned char[]> lut;  // maximum + 1 scaled values, for 16-bit pixels
};

struct BmpData {
  BinaryFile* file;
  int headerSize;      // 12 (OS/2), 16-64 (OS/2 version 2) or one of the Windows sizes
  int bits;            // bits per pixel
  int compression;     // BMP_RGB, BMP_RLE8, BMP_RLE4, BMP_BITFIELDS, kRle24 or kHuffman
  long long base;      // file offset of the bitmap file header (past a bitmap array's header;
                       // -14 for a bitmap without one)
  uint32_t dataOffset; // file offset of the first row
  size_t rowBytes;     // bytes of one uncompressed file row
  int rowStep;         // +1 rows stored bottom first, -1 top first
  bool started;        // the first row has been read (file positioned, masks set up)
  bool endOfBitmap;    // run-length data said end of bitmap: the remaining rows are index 0
  // a run-length delta that moved down: rows still to leave at index 0, and the column at
  // which decoding resumes in the row after them
  long long skipRows;
  size_t resumeColumn;
  uint32_t masks[3];   // red, green, blue bit fields of 16- and 32-bit pixels
  std::unique_ptr<unsigned char[]> row;  // one file row (or one row of decoded indices)
  BmpChannel channel[3];                 // red, green, blue
  ImageFileHandle* png;  // pixels stored as a PNG file: its handle, which owns the file
  std::unique_ptr<FaxRows, void (*)(FaxRows*)> fax{nullptr, FaxRowsClose};  // kHuffman rows
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

bool is_rle(const BmpData* d) {
  return d->compression == BMP_RLE8 || d->compression == BMP_RLE4 || d->compression == kRle24;
}

void bmp_close(ImageFileHandle* h) {
  BmpData* d = h == nullptr ? nullptr : data_of(h);
  if (d != nullptr && d->png != nullptr) ImageDriverPNG.close(d->png);
  ImageDriverClose<BmpData>(h);
}

// The PNG file that holds a bitmap's pixels (top row first, like any PNG) gives the colours;
// the bitmap's header only its size, which the PNG must have too.
int open_embedded_png(ImageFileHandle* h, BmpData* d) {
  int e = IMAGE_OK;
  d->png = ImagePngOpenAt(d->file, d->dataOffset, &e);
  d->file = nullptr;  // the PNG's handle closes it
  if (d->png == nullptr) return e == IMAGE_ERR_VARIANT ? e : IMAGE_ERR_READ;
  if (d->png->width != h->width || d->png->height != h->height) return IMAGE_ERR_READ;
  h->colourMode = d->png->colourMode;
  h->paletteSize = d->png->paletteSize;
  h->compression = IMAGE_COMPRESSION_DECODED;
  h->currentRow = d->png->currentRow;
  return IMAGE_OK;
}

// Bytes of a row's pixels without the padding that makes it a whole number of 32-bit words;
// the padding of the last row is often left out of the file, and nothing needs it.
size_t pixel_bytes(const BmpData* d, int width) { return ImageRowBytes(width, d->bits, 1); }

// Masks of 16- and 32-bit pixels: read from the file for bit fields, else the defaults. Bits a
// pixel does not have are dropped, so a mask cannot select more than the pixel holds.
void set_masks(BmpData* d, uint32_t compression) {
  if (compression == BMP_BITFIELDS || compression == BMP_ALPHA_BITFIELDS) {
    BinaryFileSeek(d->file, d->base + kMaskOffset);
    BinaryFileReadDWords(d->file, d->masks, 3);
  } else if (d->bits == 16) {
    d->masks[0] = 0x7C00, d->masks[1] = 0x03E0, d->masks[2] = 0x001F;
  } else {
    d->masks[0] = 0xFF0000, d->masks[1] = 0xFF00, d->masks[2] = 0xFF;
  }
  if (d->bits == 16) {
    for (uint32_t& m : d->masks) m &= 0xFFFFu;
  }
}

// A bitmap without its file header, as the clipboard and resources hold it: the information
// header comes first and the pixels follow the masks and palette. Nothing marks the format, so
// every field must make sense, and the file must hold the rows, before it is taken for one;
// the answer is the offset of the pixels, 0 for anything else.
uint32_t headerless_pixels_offset(BinaryFile* f) {
  BinaryFileSeek(f, 0);
  const uint32_t headerSize = BinaryFileReadDWord(f);
  const long long width = static_cast<int32_t>(BinaryFileReadDWord(f));
  long long height = static_cast<int32_t>(BinaryFileReadDWord(f));
  const int planes = BinaryFileReadWord(f);
  const int bits = BinaryFileReadWord(f);
  const uint32_t compression = BinaryFileReadDWord(f);
  BinaryFileSkip(f, 12);  // image size, resolution
  const uint32_t usedColours = BinaryFileReadDWord(f);
  if (BinaryFileError(f) || !is_windows_header(headerSize) || planes != 1) return 0;
  if (height < 0) height = -height;
  if (ImageCheckDimensions(width, height) != IMAGE_OK) return 0;
  const bool paletted = bits == 1 || bits == 4 || bits == 8;
  if (!paletted && bits != 16 && bits != 24 && bits != 32) return 0;
  const bool fields = compression == BMP_BITFIELDS || compression == BMP_ALPHA_BITFIELDS;
  const bool valid = compression == BMP_RGB || (compression == BMP_RLE8 && bits == 8) ||
                     (compression == BMP_RLE4 && bits == 4) || (fields && (bits == 16 || bits == 32));
  if (!valid || usedColours > (paletted ? 1u << bits : 256u)) return 0;
  // a 40-byte header is followed by the masks it has no room for (a fourth for alpha)
  uint32_t offset = headerSize;
  if (headerSize == kWindowsHeader && fields) offset += compression == BMP_ALPHA_BITFIELDS ? 16 : 12;
  offset += 4 * (usedColours != 0 ? usedColours : paletted ? 1u << bits : 0u);
  const bool rle = compression == BMP_RLE8 || compression == BMP_RLE4;
  const unsigned long long rows = static_cast<unsigned long long>(height);
  const bool holds = rle ? ImageBytesFrom(f, offset) >= 2
                         : ImageDataCanHold(f, offset, rows, ImageRowBytes(width, bits, 4));
  return holds ? offset : 0;
}

ImageFileHandle* bmp_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  auto refuse = [&](int code) { return ImageDriverRefuse(f, code, error); };
  uint16_t signature = BinaryFileReadWord(f);
  long long base = 0;
  if (signature == kArraySignature) {
    base = kArrayHeader;
    BinaryFileSeek(f, base);
    signature = BinaryFileReadWord(f);
  }
  uint32_t dataOffset = 0;
  if (!BinaryFileError(f) && signature == kBitmapSignature) {
    BinaryFileSeek(f, base + kDataOffsetField);
    dataOffset = BinaryFileReadDWord(f);
  } else if (base == 0 && (dataOffset = headerless_pixels_offset(f)) != 0) {
    base = -kFileHeader;  // header offsets below count from where the file header would start
  } else {
    return refuse(IMAGE_ERR_FORMAT);
  }
  BinaryFileSeek(f, base + kFileHeader);
  uint32_t headerSize = BinaryFileReadDWord(f);
  const bool windows = is_windows_header(headerSize);
  const bool os2v2 = is_os2_v2_header(headerSize);
  if (BinaryFileError(f) || (!windows && !os2v2 && headerSize != kOs2Header)) {
    return refuse(IMAGE_ERR_FORMAT);
  }
  long long width, height;
  if (headerSize != kOs2Header) {
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
  if (headerSize >= kCompressionEnd) compression = BinaryFileReadDWord(f);
  if (headerSize >= kUsedColoursEnd) {
    BinaryFileSeek(f, base + kFileHeader + kUsedColoursField);
    usedColours = BinaryFileReadDWord(f);
  }
  if (BinaryFileError(f)) return refuse(IMAGE_ERR_READ);
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return refuse(dims);

  auto* d = new BmpData{};
  d->file = f;
  d->headerSize = static_cast<int>(headerSize);
  d->base = base;
  d->bits = bits;
  d->dataOffset = dataOffset;
  d->rowStep = topFirst ? -1 : 1;
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->currentRow = topFirst ? h->height - 1 : 0;
  *error = IMAGE_OK;
  auto fail = [&](int code) {
    bmp_close(h);
    *error = code;
    return nullptr;
  };

  if (windows && compression == BMP_PNG) {
    const int e = open_embedded_png(h, d);
    if (e == IMAGE_OK) return h;
    return fail(e);
  }
  if (bits == 1 || bits == 2 || bits == 4 || bits == 8) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = 1 << bits;
  } else if (bits == 16 || bits == 24 || bits == 32) {
    h->colourMode = IMAGE_RGB;
  } else {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  // OS/2 version 2 numbers its codings differently: 3 is Huffman, 4 run-length 24 bits
  const bool rle24 = os2v2 && compression == kOs2Rle24 && bits == 24;
  const bool huffman = os2v2 && compression == kOs2Huffman;
  const bool rle = compression == BMP_RLE8 || compression == BMP_RLE4 || rle24;
  const bool bitFields = windows && (compression == BMP_BITFIELDS || compression == BMP_ALPHA_BITFIELDS);
  if (rle) {
    h->compression = IMAGE_COMPRESSION_DECODED;
    // run-length data hold one index per byte (RLE8) or nibble (RLE4) of that depth only
    if (!rle24 && bits != (compression == BMP_RLE8 ? 8 : 4)) *error = IMAGE_ERR_VARIANT;
  } else if (bitFields) {
    if (bits != 16 && bits != 32) *error = IMAGE_ERR_VARIANT;
  } else if (huffman) {
    h->compression = IMAGE_COMPRESSION_DECODED;
    // fax coding knows two colours only
    if (bits != 1) *error = IMAGE_ERR_VARIANT;
  } else if (compression != BMP_RGB) {
    h->compression = IMAGE_COMPRESSION_UNSUPPORTED;
    *error = IMAGE_ERR_COMPRESSION;
  }
  d->compression = rle24 ? kRle24 : huffman ? kHuffman : static_cast<int>(compression);
  if (usedColours != 0 && usedColours < static_cast<uint32_t>(h->paletteSize)) {
    h->paletteSize = static_cast<int>(usedColours);
  }
  d->rowBytes = ImageRowBytes(width, bits, 4);
  if (*error != IMAGE_OK) return h;
  // The pixels follow the palette. Writers of short palettes say so only through the offset
  // (the palette then has the entries that fit before it); an offset that leaves no room for
  // any entry is wrong, and the pixels are found after the whole palette.
  if (h->colourMode == IMAGE_MAP) {
    const uint32_t start = static_cast<uint32_t>(base + kFileHeader) + headerSize;
    const uint32_t entryBytes = headerSize == kOs2Header ? 3u : 4u;
    const uint32_t fit = dataOffset > start ? (dataOffset - start) / entryBytes : 0;
    if (fit == 0) {
      d->dataOffset = dataOffset = start + static_cast<uint32_t>(h->paletteSize) * entryBytes;
    } else if (fit < static_cast<uint32_t>(h->paletteSize)) {
      h->paletteSize = static_cast<int>(fit);
    }
  }
  if (h->colourMode == IMAGE_RGB) {
    set_masks(d, bitFields ? compression : static_cast<uint32_t>(BMP_RGB));
    for (int c = 0; c < 3; ++c) {
      if (!set_channel(&d->channel[c], d->masks[c], bits == 16)) *error = IMAGE_ERR_VARIANT;
    }
    if (BinaryFileError(f)) return fail(IMAGE_ERR_READ);
    if (*error != IMAGE_OK) return h;
  }
  // the file must hold the rows it claims (raw) or enough data for its picture (run-length)
  // before anyone allocates planes for them
  const unsigned long long pixels = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
  if (rle) {
    if (!ImageWorkWithin(pixels, ImageBytesFrom(f, dataOffset), kRlePixelsPerByte)) *error = IMAGE_ERR_VARIANT;
  } else if (huffman) {
    if (!ImageDataCanHold(f, dataOffset, pixels, 1, kHuffmanMostPixels, kHuffmanRunBytes)) return fail(IMAGE_ERR_READ);
  } else if (!ImageDataCanHold(f, dataOffset, static_cast<unsigned long long>(d->rowBytes) * static_cast<unsigned long long>(height - 1) + pixel_bytes(d, h->width), 1)) {
    return fail(IMAGE_ERR_READ);
  }
  return h;
}

int bmp_read_palette(ImageFileHandle* h, uint32_t* palette) {
  BmpData* d = data_of(h);
  if (d->png != nullptr) return ImageDriverPNG.readPalette(d->png, palette);
  const int entryBytes = d->headerSize == kOs2Header ? 3 : 4;
  // (the masks of a 40-byte header with bit fields sit before the palette, but only true-colour
  // pixels have masks, and their palette is never read)
  BinaryFileSeek(d->file, d->base + kFileHeader + d->headerSize);
  for (int i = 0; i < h->paletteSize; ++i) {
    unsigned char e[4];
    BinaryFileRead(d->file, e, static_cast<size_t>(entryBytes));
    palette[i] = ImagePaletteEntry(e[2], e[1], e[0]);
  }
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

// Fax rows are decoded from the coded bytes held in memory, as many as the file has from the
// pixel offset on, up to the most the picture could use (trailing bytes are never decoded).
int start_fax_rows(ImageFileHandle* h, BmpData* d) {
  const long long available = ImageBytesFrom(d->file, d->dataOffset);
  if (available <= 0) return IMAGE_ERR_READ;
  const unsigned long long width = static_cast<unsigned long long>(h->width);
  const unsigned long long rows = static_cast<unsigned long long>(h->height);
  const unsigned long long most = rows * (width * kHuffmanMostBytesPerPixel + kHuffmanMostBytesPerRow);
  const unsigned long long bytes = std::min(static_cast<unsigned long long>(available), most);
  FaxRows* fax = nullptr;
  const int e = FaxRowsOpen(d->file, d->dataOffset, static_cast<size_t>(bytes), h->width, h->height, &fax);
  d->fax.reset(fax);
  return e;
}

// Positions the file on the pixel data and sets up the row buffer.
int start_rows(ImageFileHandle* h) {
  BmpData* d = data_of(h);
  if (d->started) return IMAGE_OK;
  d->started = true;
  // run-length rows are decoded to one byte per index, or B, G, R per pixel (RLE24)
  size_t bytes = is_rle(d) ? static_cast<size_t>(h->width) * (d->compression == kRle24 ? 3 : 1) : d->rowBytes;
  if (bytes == 0) return IMAGE_ERR_READ;
  d->row.reset(new (std::nothrow) unsigned char[bytes]);
  if (!d->row) return IMAGE_ERR_READ;
  if (d->compression == kHuffman) return start_fax_rows(h, d);
  BinaryFileSeek(d->file, d->dataOffset);
  return BinaryFileError(d->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

// Decodes one row of 4- or 8-bit run-length data into width indices. Pixels past the row's end
// are dropped (the cut rule for runs, which also reads files whose writer encoded the row
// padding as pixels); a row ends at an end-of-line or end-of-bitmap escape. A delta moves the
// position right and up as other readers do: the pixels it passes over stay index 0, and a
// move up ends this row, leaves the rows it jumps at 0 and resumes in the row it lands on.
int decode_rle_row(BmpData* d, unsigned char* out, size_t width) {
  const size_t unit = d->compression == kRle24 ? 3 : 1;  // bytes of one decoded pixel
  std::memset(out, 0, width * unit);
  if (d->endOfBitmap) return IMAGE_OK;
  if (d->skipRows > 0) {
    --d->skipRows;
    return IMAGE_OK;
  }
  BinaryFile* f = d->file;
  const bool nibbles = d->compression == BMP_RLE4;
  size_t x = d->resumeColumn;
  d->resumeColumn = 0;
  for (;;) {
    int count = BinaryFileGetByte(f);
    int value = BinaryFileGetByte(f);
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
    if (count > 0 && unit == 3) {
      const unsigned char pixel[3] = {static_cast<unsigned char>(value), static_cast<unsigned char>(BinaryFileGetByte(f)),
                                      static_cast<unsigned char>(BinaryFileGetByte(f))};
      for (int i = 0; i < count && x < width; ++i, ++x) std::memcpy(out + 3 * x, pixel, 3);
    } else if (count > 0) {
      // RLE4 runs alternate the value's high and low nibble
      const unsigned char first = static_cast<unsigned char>(nibbles ? value >> 4 : value);
      const unsigned char second = static_cast<unsigned char>(nibbles ? value & 15 : value);
      for (int i = 0; i < count && x < width; ++i) out[x++] = (i & 1) ? second : first;
    } else if (value == 0) {
      return IMAGE_OK;
    } else if (value == 1) {
      d->endOfBitmap = true;
      return IMAGE_OK;
    } else if (value == 2) {
      const size_t dx = static_cast<size_t>(BinaryFileGetByte(f));
      const int dy = BinaryFileGetByte(f);
      if (BinaryFileError(f)) return IMAGE_ERR_READ;
      x = x + dx < width ? x + dx : width;
      if (dy > 0) {
        d->skipRows = dy - 1;
        d->resumeColumn = x;
        return IMAGE_OK;
      }
    } else {
      // literal pixels, padded to a whole number of 16-bit words
      const int bytes = nibbles ? (value + 1) / 2 : value * static_cast<int>(unit);
      for (int i = 0; i < bytes; ++i) {
        int literal = BinaryFileGetByte(f);
        if (unit == 3) {
          if (x < width) out[3 * x + static_cast<size_t>(i % 3)] = static_cast<unsigned char>(literal);
          if (i % 3 == 2) ++x;
        } else if (nibbles) {
          if (x < width) out[x++] = static_cast<unsigned char>(literal >> 4);
          if (x < width && 2 * i + 1 < value) out[x++] = static_cast<unsigned char>(literal & 15);
        } else if (x < width) {
          out[x++] = static_cast<unsigned char>(literal);
        }
      }
      if (bytes & 1) BinaryFileGetByte(f);
    }
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
  }
}

// Reads the next file row into d->row (indices for run-length data, raw bytes otherwise).
int read_file_row(ImageFileHandle* h) {
  int e = start_rows(h);
  if (e != IMAGE_OK) return e;
  BmpData* d = data_of(h);
  if (is_rle(d)) {
    return decode_rle_row(d, d->row.get(), static_cast<size_t>(h->width));
  }
  if (d->compression == kHuffman) return FaxRowsRead(d->fax.get(), d->row.get());
  const size_t used = pixel_bytes(d, h->width);
  BinaryFileRead(d->file, d->row.get(), used);
  if (BinaryFileError(d->file)) return IMAGE_ERR_READ;
  BinaryFileSkip(d->file, static_cast<long long>(d->rowBytes - used));
  return IMAGE_OK;
}

int bmp_read_row(ImageFileHandle* h, unsigned char* out) {
  BmpData* d = data_of(h);
  if (d->png != nullptr) {
    const int e = ImageDriverPNG.readRow(d->png, out);
    h->currentRow = d->png->currentRow;
    return e;
  }
  if (h->colourMode != IMAGE_MAP) return IMAGE_ERR_VARIANT;
  if (d->bits == 8 && d->compression == BMP_RGB) {
    // indices straight into the caller's row, the padding (at most 3 bytes) read after them
    int e = start_rows(h);
    if (e != IMAGE_OK) return e;
    const size_t w = static_cast<size_t>(h->width);
    BinaryFileRead(d->file, out, w);
    if (BinaryFileError(d->file)) return IMAGE_ERR_READ;
    BinaryFileSkip(d->file, static_cast<long long>(d->rowBytes - w));
    h->currentRow += d->rowStep;
    return IMAGE_OK;
  }
  int e = read_file_row(h);
  if (e != IMAGE_OK) return e;
  const size_t w = static_cast<size_t>(h->width);
  if (is_rle(d)) {
    std::memcpy(out, d->row.get(), w);
  } else if (d->bits == 1) {
    ImageUnpackBits1(d->row.get(), out, w, 0);
  } else if (d->bits == 2) {
    const unsigned char* src = d->row.get();
    for (size_t x = 0; x < w; ++x) out[x] = static_cast<unsigned char>((src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
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
  if (d->png != nullptr) {
    const int e = ImageDriverPNG.readRgbRow(d->png, red, green, blue);
    h->currentRow = d->png->currentRow;
    return e;
  }
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

constexpr ImageFormatDriver BmpDriver() {
  ImageFormatDriver d = ImageDriverRecord("BMP");
  d.open = bmp_open;
  d.close = bmp_close;
  d.readPalette = bmp_read_palette;
  d.readRow = bmp_read_row;
  d.readRgbRow = bmp_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverBMP = BmpDriver();
