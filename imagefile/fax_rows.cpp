// Fax rows through libtiff: a little-endian TIFF header and one directory are written in front
// of the coded bytes, and libtiff reads that file from memory one scan line at a time.
#include "fax_rows.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include <tiffio.h>

#include "format_driver.h"

namespace {

// Directory entries, in ascending tag order as TIFF requires; the last only for T.4 rows.
constexpr int kEntries = 11;
constexpr size_t kDirectoryAt = 8;
constexpr size_t kDataAt = kDirectoryAt + 2 + 12 * kEntries + 4;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
// an end-of-line code is eleven zero bits and a one; fill bits may add zeros before it
constexpr int kEndOfLineZeros = 11;
// libtiff's largest single allocation: its run arrays take some 8 bytes a pixel of the width,
// so this reads rows of 8 million pixels; a header claiming wider ones is refused as too large
// rather than costing gigabytes beside the caller's planes.
constexpr tmsize_t kMostAllocation = 64L * 1024 * 1024;

}  // namespace

struct FaxRows {
  std::unique_ptr<unsigned char[]> file;  // the TIFF file: header, directory, coded bytes
  size_t size;
  size_t position;  // where libtiff reads next
  TIFF* tiff;
  size_t rowBytes;  // of one decoded row
  uint32_t row;     // the next row to decode
  uint32_t height;
  bool damaged;     // libtiff reported an error or a warning: its rows are guesses from here on
  bool tooLarge;    // libtiff refused an allocation beyond kMostAllocation
};

namespace {

void put16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, uint32_t v) {
  put16(p, v & 0xFFFFu);
  put16(p + 2, v >> 16);
}

// One directory entry of a single value (a short sits in the low bytes of the value field).
unsigned char* put_entry(unsigned char* p, uint16_t tag, uint16_t type, uint32_t value) {
  put16(p, tag);
  put16(p + 2, type);
  put32(p + 4, 1);
  put32(p + 8, value);
  return p + 12;
}

// Whether the coded rows begin with an end-of-line code (after any fill zeros), as T.4 writes
// them; without it each row starts on a byte boundary, TIFF's "modified Huffman" layout.
bool starts_with_end_of_line(const unsigned char* data, size_t size) {
  int zeros = 0;
  for (size_t i = 0; i < size && zeros < kEndOfLineZeros; ++i) {
    if (data[i] != 0) return zeros + __builtin_clz(static_cast<unsigned>(data[i])) - 24 >= kEndOfLineZeros;
    zeros += 8;
  }
  return zeros >= kEndOfLineZeros;
}

void write_header(FaxRows* r, uint32_t width, uint32_t height, uint32_t bytes) {
  unsigned char* p = r->file.get();
  std::memset(p, 0, kDataAt);
  std::memcpy(p, "II*\0", 4);
  put32(p + 4, kDirectoryAt);
  p += kDirectoryAt;
  const bool endOfLine = starts_with_end_of_line(r->file.get() + kDataAt, bytes);
  put16(p, endOfLine ? kEntries : kEntries - 1);
  p += 2;
  p = put_entry(p, TIFFTAG_IMAGEWIDTH, kLong, width);
  p = put_entry(p, TIFFTAG_IMAGELENGTH, kLong, height);
  p = put_entry(p, TIFFTAG_BITSPERSAMPLE, kShort, 1);
  p = put_entry(p, TIFFTAG_COMPRESSION, kShort, endOfLine ? COMPRESSION_CCITTFAX3 : COMPRESSION_CCITTRLE);
  p = put_entry(p, TIFFTAG_PHOTOMETRIC, kShort, PHOTOMETRIC_MINISWHITE);
  p = put_entry(p, TIFFTAG_FILLORDER, kShort, FILLORDER_MSB2LSB);
  p = put_entry(p, TIFFTAG_STRIPOFFSETS, kLong, static_cast<uint32_t>(kDataAt));
  p = put_entry(p, TIFFTAG_SAMPLESPERPIXEL, kShort, 1);
  p = put_entry(p, TIFFTAG_ROWSPERSTRIP, kLong, height);
  p = put_entry(p, TIFFTAG_STRIPBYTECOUNTS, kLong, bytes);
  // one-dimensional coding; the other coding has no such field, and libtiff warns of it
  if (endOfLine) p = put_entry(p, TIFFTAG_T4OPTIONS, kLong, 0);
  put32(p, 0);  // no further directory (an unused entry after it stays zero)
}

FaxRows* rows_of(thandle_t h) { return static_cast<FaxRows*>(h); }

tmsize_t memory_read(thandle_t h, void* data, tmsize_t count) {
  FaxRows* r = rows_of(h);
  if (count < 0) return -1;
  const size_t n = r->position >= r->size ? 0 : std::min(static_cast<size_t>(count), r->size - r->position);
  if (n > 0) std::memcpy(data, r->file.get() + r->position, n);
  r->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t memory_write(thandle_t, void*, tmsize_t) { return -1; }

toff_t memory_seek(thandle_t h, toff_t offset, int whence) {
  FaxRows* r = rows_of(h);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = r->position;
  else if (whence == SEEK_END) base = r->size;
  else if (whence != SEEK_SET) return static_cast<toff_t>(-1);
  // libtiff only seeks inside the file it was given; anything else is refused, not wrapped
  if (offset > r->size || base + offset > r->size) return static_cast<toff_t>(-1);
  r->position = static_cast<size_t>(base + offset);
  return r->position;
}

int memory_close(thandle_t) { return 0; }
toff_t memory_size(thandle_t h) { return rows_of(h)->size; }

// libtiff then decodes straight from the buffer instead of copying the strip
int memory_map(thandle_t h, void** base, toff_t* size) {
  *base = rows_of(h)->file.get();
  *size = rows_of(h)->size;
  return 1;
}
void memory_unmap(thandle_t, void*, toff_t) {}

// Bad codes and wrong row lengths come as errors, data ending early as a warning; after either
// libtiff fills the row with a guess and goes on, so both mark the stream damaged.
int report_handler(TIFF*, void* user, const char*, const char* format, va_list) {
  FaxRows* r = static_cast<FaxRows*>(user);
  r->damaged = true;
  if (format != nullptr && std::strstr(format, "byte limit") != nullptr) r->tooLarge = true;
  return 1;
}

}  // namespace

int FaxRowsOpen(BinaryFile* file, long long offset, size_t bytes, int width, int height, FaxRows** rows) {
  *rows = nullptr;
  if (width <= 0 || height <= 0 || bytes == 0 || bytes > UINT32_MAX - kDataAt) return IMAGE_ERR_READ;
  auto r = std::unique_ptr<FaxRows>(new (std::nothrow) FaxRows{});
  if (!r) return IMAGE_ERR_READ;
  r->size = kDataAt + bytes;
  r->rowBytes = (static_cast<size_t>(width) + 7) / 8;
  r->height = static_cast<uint32_t>(height);
  r->file.reset(new (std::nothrow) unsigned char[r->size]);
  if (!r->file) return IMAGE_ERR_READ;
  if (BinaryFileSeek(file, offset) != 0 || !BinaryFileReadExact(file, r->file.get() + kDataAt, bytes)) {
    return IMAGE_ERR_READ;
  }
  write_header(r.get(), static_cast<uint32_t>(width), r->height, static_cast<uint32_t>(bytes));
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return IMAGE_ERR_READ;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMostAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, report_handler, r.get());
  TIFFOpenOptionsSetWarningHandlerExtR(options, report_handler, r.get());
  r->tiff = TIFFClientOpenExt("fax rows", "r", r.get(), memory_read, memory_write, memory_seek, memory_close,
                              memory_size, memory_map, memory_unmap, options);
  TIFFOpenOptionsFree(options);
  if (r->tiff == nullptr || r->damaged || static_cast<size_t>(TIFFScanlineSize64(r->tiff)) != r->rowBytes) {
    const int e = r->tooLarge ? IMAGE_ERR_VARIANT : IMAGE_ERR_READ;
    FaxRowsClose(r.release());
    return e;
  }
  *rows = r.release();
  return IMAGE_OK;
}

int FaxRowsRead(FaxRows* r, unsigned char* bits) {
  if (r == nullptr) return IMAGE_ERR_READ;  // asked again after a failed open
  if (!r->damaged && r->row < r->height && TIFFReadScanline(r->tiff, bits, r->row, 0) < 0) r->damaged = true;
  if (r->damaged || r->row >= r->height) return r->tooLarge ? IMAGE_ERR_VARIANT : IMAGE_ERR_READ;
  ++r->row;
  return IMAGE_OK;
}

void FaxRowsClose(FaxRows* r) {
  if (r == nullptr) return;
  if (r->tiff != nullptr) TIFFClose(r->tiff);
  delete r;
}
