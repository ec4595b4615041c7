// PNG through libpng: grey and palette pictures of 1 to 16 bits, RGB, grey or RGB with alpha
// (the alpha dropped, as a viewer without a background would show the colours), interlaced or
// not. Palette pictures keep their indices (MAP); grey ones become MAP over a grey ramp; colour
// ones RGB. 16-bit samples are rounded to 8 bits.
//
// libpng reports errors by longjmp: every call into it that can fail sits in a function that
// sets the jump point first and holds no object with a destructor, so nothing leaks when it
// jumps; the png and info structures are freed by close whatever happened.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr int kSignatureBytes = 8;
// signature, IHDR length and type, then width and height: the size, read before libpng runs
constexpr int kHeadBytes = kSignatureBytes + 16;
// Deflate turns at most 258 bytes into a 1-bit code, about 1032 to 1; with zlib's framing a
// PNG cannot hold more filtered row bytes than this per file byte.
constexpr unsigned long long kMostRawBytesPerByte = 1032;
// Ancillary chunks kept at most, and the largest one libpng may allocate: text and profile
// chunks are not used here, so a file full of them costs nothing.
constexpr png_uint_32 kChunkCacheMax = 64;
constexpr png_alloc_size_t kChunkMallocMax = 1 << 20;

struct PngData {
  BinaryFile* file;
  png_structp png;
  png_infop info;
  bool interlaced;
  bool palette;      // indices kept: MAP with the file's palette
  bool finished;     // every row is out and the file's end has been checked
  int storedPixelBits;  // bits of one pixel in the compressed data
  int channels;      // samples per pixel after the transformations: 1 or 3
  size_t rowBytes;   // bytes of one transformed row
  int rowsLeft;      // rows still to deliver
  size_t nextRow;    // interlaced: row of `image` (from the top) the next call delivers
  std::unique_ptr<unsigned char[]> row;    // one transformed row
  std::unique_ptr<unsigned char[]> image;  // interlaced: the whole transformed picture
  std::unique_ptr<png_bytep[]> rowPointers;
};

PngData* data_of(ImageFileHandle* h) { return static_cast<PngData*>(h->driverData); }

[[noreturn]] void on_png_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_png_warning(png_structp, png_const_charp) {}

// libpng reads through the driver's file; bytes that are not there are a truncated file.
void read_bytes(png_structp png, png_bytep data, size_t count) {
  BinaryFile* f = static_cast<BinaryFile*>(png_get_io_ptr(png));
  if (BinaryFileRead(f, data, count) != count || BinaryFileError(f)) png_error(png, "file ends early");
}

void free_data(PngData* d) {
  if (d == nullptr) return;
  if (d->png != nullptr) png_destroy_read_struct(&d->png, d->info != nullptr ? &d->info : nullptr, nullptr);
  BinaryFileClose(d->file);
  delete d;
}

void png_close(ImageFileHandle* h) {
  if (h == nullptr) return;
  free_data(data_of(h));
  ImageHandleDelete(h);
}

uint32_t big_endian32(const unsigned char* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// Whether every chunk up to IEND lies inside the file. libpng allocates a text chunk's whole
// claimed length before reading it, so without this a 109-byte file claiming a 1.8 GB chunk
// costs 1.8 GB; with it, nothing libpng allocates for a chunk exceeds the file's size.
bool chunks_fit(BinaryFile* f, long long base) {
  const long long size = BinaryFileSize(f);
  unsigned char header[8];
  for (long long at = base + kSignatureBytes; size >= 0 && at + 12 <= size;) {
    BinaryFileSeek(f, at);
    BinaryFileRead(f, header, sizeof header);
    if (BinaryFileError(f)) return false;
    const long long length = big_endian32(header);
    if (length > 0x7fffffffLL || at + 12 + length > size) return false;
    if (std::memcmp(header + 4, "IEND", 4) == 0) return true;
    at += 12 + length;
  }
  return false;  // cut before its end marker
}

// Reads the header chunks and sets the transformations; 0 or 2.
int read_header(PngData* d) {
  png_structp png = d->png;
  png_infop info = d->info;
  if (setjmp(png_jmpbuf(png))) return IMAGE_ERR_READ;
  png_set_read_fn(png, d->file, read_bytes);
  png_set_sig_bytes(png, kSignatureBytes);
  png_set_user_limits(png, static_cast<png_uint_32>(IMAGE_MAX_PIXELS), static_cast<png_uint_32>(IMAGE_MAX_PIXELS));
  png_set_chunk_cache_max(png, kChunkCacheMax);
  png_set_chunk_malloc_max(png, kChunkMallocMax);
  png_read_info(png, info);
  const int type = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  d->palette = type == PNG_COLOR_TYPE_PALETTE;
  d->interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  d->storedPixelBits = depth * png_get_channels(png, info);
  if (depth == 16) png_set_scale_16(png);
  if (depth < 8) {
    if (d->palette) {
      png_set_packing(png);
    } else {
      png_set_expand_gray_1_2_4_to_8(png);
    }
  }
  if (type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  if (d->interlaced) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  d->channels = png_get_channels(png, info);
  d->rowBytes = png_get_rowbytes(png, info);
  return IMAGE_OK;
}

// Opens the PNG file that starts at `base` in f (0 for a PNG file of its own); f is the handle's
// from then on, or closed on failure.
ImageFileHandle* open_at(BinaryFile* f, long long base, int* error) {
  unsigned char head[kHeadBytes];
  BinaryFileSeek(f, base);
  BinaryFileRead(f, head, kSignatureBytes);
  if (BinaryFileError(f) || png_sig_cmp(head, 0, kSignatureBytes) != 0) {
    return ImageDriverRefuse(f, IMAGE_ERR_FORMAT, error);
  }
  BinaryFileRead(f, head + kSignatureBytes, kHeadBytes - kSignatureBytes);
  if (BinaryFileError(f) || std::memcmp(head + 12, "IHDR", 4) != 0) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  // the size is checked before libpng allocates anything for it
  const long long width = big_endian32(head + 16);
  const long long height = big_endian32(head + 20);
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return ImageDriverRefuse(f, dims, error);
  if (!chunks_fit(f, base)) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  BinaryFileSeek(f, base + kSignatureBytes);

  auto* d = new PngData{};
  d->file = f;
  d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
  if (d->png != nullptr) d->info = png_create_info_struct(d->png);
  int e = d->png != nullptr && d->info != nullptr ? read_header(d) : IMAGE_ERR_READ;
  if (e == IMAGE_OK) {
    // the compressed data cannot inflate to more than their bytes allow: a file that claims
    // more rows than it can hold is refused before the picture is allocated
    const unsigned long long rowBits = static_cast<unsigned long long>(width) * static_cast<unsigned>(d->storedPixelBits);
    const unsigned long long raw = ((rowBits + 7) / 8 + 1) * static_cast<unsigned long long>(height);
    if (!ImageDataCanHold(f, base, raw, 1, kMostRawBytesPerByte, 1)) e = IMAGE_ERR_READ;
    // what the transformations above leave: one byte per sample, one or three samples
    if (d->channels != 1 && d->channels != 3) e = IMAGE_ERR_VARIANT;
    if (d->rowBytes != static_cast<size_t>(width) * static_cast<size_t>(d->channels)) e = IMAGE_ERR_VARIANT;
  }
  if (e != IMAGE_OK) {
    free_data(d);
    *error = e;
    return nullptr;
  }
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->compression = IMAGE_COMPRESSION_DECODED;
  h->currentRow = h->height - 1;  // rows are stored top first
  d->rowsLeft = h->height;
  if (d->channels == 3) {
    h->colourMode = IMAGE_RGB;
  } else {
    h->colourMode = IMAGE_MAP;
    if (d->palette) {
      png_colorp entries = nullptr;
      int count = 0;
      if (png_get_PLTE(d->png, d->info, &entries, &count) == 0 || count <= 0) {
        png_close(h);
        *error = IMAGE_ERR_READ;
        return nullptr;
      }
      h->paletteSize = count;
    } else {
      h->paletteSize = 256;
    }
  }
  *error = IMAGE_OK;
  return h;
}

int png_read_palette(ImageFileHandle* h, uint32_t* palette) {
  PngData* d = data_of(h);
  if (!d->palette) {
    for (int i = 0; i < h->paletteSize; ++i) {
      palette[i] = ImagePaletteEntry(static_cast<unsigned>(i), static_cast<unsigned>(i), static_cast<unsigned>(i));
    }
    return IMAGE_OK;
  }
  png_colorp entries = nullptr;
  int count = 0;
  if (png_get_PLTE(d->png, d->info, &entries, &count) == 0 || count != h->paletteSize) return IMAGE_ERR_READ;
  for (int i = 0; i < count; ++i) palette[i] = ImagePaletteEntry(entries[i].red, entries[i].green, entries[i].blue);
  return IMAGE_OK;
}

// The calls into libpng that read pixels; each returns 0 or 2 and sets its own jump point.
int read_one_row(PngData* d) {
  if (setjmp(png_jmpbuf(d->png))) return IMAGE_ERR_READ;
  png_read_row(d->png, d->row.get(), nullptr);
  return IMAGE_OK;
}

int read_whole_image(PngData* d) {
  if (setjmp(png_jmpbuf(d->png))) return IMAGE_ERR_READ;
  png_read_image(d->png, d->rowPointers.get());
  return IMAGE_OK;
}

ImageFileHandle* png_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_BIG_ENDIAN, error);
  if (f == nullptr) return nullptr;
  return open_at(f, 0, error);
}

// After the last row: the rest of the file up to IEND must be there and sound, so a file cut
// after its pixel data is refused like any other truncated one.
int read_end(PngData* d) {
  if (setjmp(png_jmpbuf(d->png))) return IMAGE_ERR_READ;
  png_read_end(d->png, nullptr);
  return IMAGE_OK;
}

// The next transformed row, top first; null after a failure.
const unsigned char* next_row(ImageFileHandle* h, int* error) {
  PngData* d = data_of(h);
  *error = IMAGE_ERR_READ;
  if (d->rowsLeft <= 0) return nullptr;
  const unsigned char* row = nullptr;
  if (!d->interlaced) {
    if (!d->row) d->row.reset(new (std::nothrow) unsigned char[d->rowBytes]);
    if (!d->row || read_one_row(d) != IMAGE_OK) return nullptr;
    row = d->row.get();
  } else {
    if (!d->image) {
      // every pass touches every row, so the whole picture is decoded before the first row is out
      const size_t rows = static_cast<size_t>(h->height);
      d->image.reset(new (std::nothrow) unsigned char[d->rowBytes * rows]);
      d->rowPointers.reset(new (std::nothrow) png_bytep[rows]);
      if (!d->image || !d->rowPointers) return nullptr;
      for (size_t y = 0; y < rows; ++y) d->rowPointers[y] = d->image.get() + y * d->rowBytes;
      if (read_whole_image(d) != IMAGE_OK) return nullptr;
    }
    row = d->rowPointers[d->nextRow++];
  }
  if (--d->rowsLeft == 0 && read_end(d) != IMAGE_OK) return nullptr;
  *error = IMAGE_OK;
  return row;
}

int png_read_row_map(ImageFileHandle* h, unsigned char* out) {
  if (h->colourMode != IMAGE_MAP) return IMAGE_ERR_VARIANT;
  int e;
  const unsigned char* row = next_row(h, &e);
  if (row == nullptr) return e;
  std::memcpy(out, row, static_cast<size_t>(h->width));
  --h->currentRow;
  return IMAGE_OK;
}

int png_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green, unsigned char* blue) {
  if (h->colourMode != IMAGE_RGB) return IMAGE_ERR_VARIANT;
  int e;
  const unsigned char* row = next_row(h, &e);
  if (row == nullptr) return e;
  ImageSplitSamples(row, 3, static_cast<size_t>(h->width), red, green, blue);
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

ImageFileHandle* ImagePngOpenAt(BinaryFile* file, long long offset, int* error) {
  return open_at(file, offset, error);
}

constexpr ImageFormatDriver PngDriver() {
  ImageFormatDriver d = ImageDriverRecord("PNG");
  d.open = png_open;
  d.close = png_close;
  d.readPalette = png_read_palette;
  d.readRow = png_read_row_map;
  d.readRgbRow = png_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverPNG = PngDriver();
