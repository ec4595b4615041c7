// TIFF reader through libtiff, opened with TIFFClientOpen over the library's BinaryFile.
// Only the first directory is read, strip by strip with TIFFReadScanline.
#include <cstdarg>
#include <cstring>
#include <new>

#include <tiffio.h>

#include "format_driver.h"
#include "row_unpack.h"

namespace {

// libtiff's largest single allocation: a strip buffer never needs more than the file holds,
// and the decoders' working buffers are a few rows; a hostile header asking for more is refused.
constexpr tmsize_t kBaseAllocation = 64L * 1024 * 1024;

struct TiffData {
  BinaryFile* file;  // closed by libtiff's close procedure, which clears this
  TIFF* tiff;
  unsigned char* row;  // one file scan line
  size_t rowBytes;
  int photometric;
  int bits;
  bool truncated;  // libtiff met the end of the file while reading the directory
};

tmsize_t client_read(thandle_t h, void* data, tmsize_t count) {
  BinaryFile* f = static_cast<TiffData*>(h)->file;
  if (f == nullptr || f->mode != BINARY_FILE_READ || count < 0) return -1;
  size_t n = BinaryFileRead(f, data, static_cast<size_t>(count));
  // a short read at the end of the file is for libtiff to judge; anything else is an error
  if (n < static_cast<size_t>(count) && !BinaryFileEndOfFile(f)) return -1;
  return static_cast<tmsize_t>(n);
}

tmsize_t client_write(thandle_t h, void* data, tmsize_t count) {
  BinaryFile* f = static_cast<TiffData*>(h)->file;
  if (f == nullptr || f->mode != BINARY_FILE_WRITE || count < 0) return -1;
  size_t n = BinaryFileWrite(f, data, static_cast<size_t>(count));
  return n == static_cast<size_t>(count) ? count : -1;
}

toff_t client_seek(thandle_t h, toff_t offset, int whence) {
  BinaryFile* f = static_cast<TiffData*>(h)->file;
  const toff_t failed = static_cast<toff_t>(-1);
  if (f == nullptr || offset > static_cast<toff_t>(INT64_MAX)) return failed;
  const long long off = static_cast<long long>(offset);
  int r;
  switch (whence) {
    case SEEK_SET: r = BinaryFileSeek(f, off); break;
    case SEEK_CUR: r = BinaryFileSkip(f, off); break;
    case SEEK_END: {
      long long size = BinaryFileSize(f);
      r = size < 0 || off > INT64_MAX - size ? -1 : BinaryFileSeek(f, size + off);
      break;
    }
    default: return failed;
  }
  if (r != 0) return failed;
  long long here = BinaryFileTell(f);
  return here < 0 ? failed : static_cast<toff_t>(here);
}

int client_close(thandle_t h) {
  TiffData* d = static_cast<TiffData*>(h);
  int r = BinaryFileClose(d->file);
  d->file = nullptr;
  return r;
}

toff_t client_size(thandle_t h) {
  BinaryFile* f = static_cast<TiffData*>(h)->file;
  long long size = f == nullptr ? -1 : BinaryFileSize(f);
  return size < 0 ? 0 : static_cast<toff_t>(size);
}

int client_map(thandle_t, void**, toff_t*) { return 0; }
void client_unmap(thandle_t, void*, toff_t) {}

// libtiff's warnings and errors would go to stderr; the caller gets our error codes instead.
int quiet_handler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff ignores a tag whose values lie past the end of the file and carries on; a palette
// file whose colour map is cut off would then load as grey. A cut file is damaged data to us.
int warning_handler(TIFF*, void* user, const char*, const char* format, va_list) {
  if (format != nullptr && std::strstr(format, "IO error") != nullptr) {
    static_cast<TiffData*>(user)->truncated = true;
  }
  return 1;
}

void free_data(TiffData* d) {
  if (d == nullptr) return;
  if (d->tiff != nullptr) TIFFClose(d->tiff);  // closes the file through client_close
  BinaryFileClose(d->file);
  delete[] d->row;
  delete d;
}

TIFF* open_tiff(const char* path, TiffData* d) {
  long long fileSize = BinaryFileSize(d->file);
  if (fileSize < 0) return nullptr;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  tmsize_t limit = kBaseAllocation;
  if (fileSize < (INT64_MAX - limit) / 4) limit += static_cast<tmsize_t>(4 * fileSize);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, limit);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet_handler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, warning_handler, d);
  TIFF* t = TIFFClientOpenExt(path, "r", d, client_read, client_write, client_seek,
                              client_close, client_size, client_map, client_unmap, options);
  TIFFOpenOptionsFree(options);
  return t;
}

// Whether this combination of the header's fields is one the reader delivers.
bool supported_layout(int bits, int samples, int photometric) {
  if (samples == 1) {
    if (bits == 1) return photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    if (bits == 4 || bits == 8) {
      return photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK ||
             photometric == PHOTOMETRIC_PALETTE;
    }
    return false;
  }
  return samples == 3 && bits == 8 && photometric == PHOTOMETRIC_RGB;
}

ImageFileHandle* tiff_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  TiffData* d = new (std::nothrow) TiffData{};
  if (d == nullptr) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  d->file = f;
  d->tiff = open_tiff(path, d);
  if (d->tiff == nullptr) {
    free_data(d);
    *error = IMAGE_ERR_FORMAT;
    return nullptr;
  }
  if (d->truncated) {
    free_data(d);
    *error = IMAGE_ERR_READ;
    return nullptr;
  }
  TIFF* t = d->tiff;
  uint16_t compression = COMPRESSION_NONE, photometric = 0xFFFF, planar = PLANARCONFIG_CONTIG;
  uint16_t bits = 1, samples = 1, sampleFormat = SAMPLEFORMAT_UINT;
  uint32_t width = 0, height = 0;
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(t, TIFFTAG_SAMPLEFORMAT, &sampleFormat);

  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) {
    free_data(d);
    *error = dims;
    return nullptr;
  }
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->currentRow = h->height - 1;
  h->compression = compression == COMPRESSION_NONE  ? IMAGE_COMPRESSION_NONE
                   : compression == COMPRESSION_LZW ? IMAGE_COMPRESSION_DECODED
                                                    : IMAGE_COMPRESSION_UNSUPPORTED;
  d->photometric = photometric;
  d->bits = bits;
  if (samples == 1) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = bits <= 8 ? 1 << bits : 0;
  } else {
    h->colourMode = IMAGE_RGB;
  }
  // TIFFReadScanline reads strips only: a tiled file is a layout this reader does not handle
  if (planar != PLANARCONFIG_CONTIG || sampleFormat != SAMPLEFORMAT_UINT || TIFFIsTiled(t) ||
      !supported_layout(bits, samples, photometric)) {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  if (!TIFFIsCODECConfigured(compression)) {
    *error = IMAGE_ERR_COMPRESSION;
    return h;
  }
  size_t rowBytes = ImageRowBytes(width, bits * samples, 1);
  const tmsize_t scanline = TIFFScanlineSize(t);
  if (scanline > 0 && static_cast<size_t>(scanline) > rowBytes) rowBytes = static_cast<size_t>(scanline);
  d->row = rowBytes == 0 ? nullptr : new (std::nothrow) unsigned char[rowBytes];
  if (d->row == nullptr) {
    ImageHandleDelete(h);
    free_data(d);
    *error = IMAGE_ERR_READ;
    return nullptr;
  }
  d->rowBytes = rowBytes;
  *error = IMAGE_OK;
  return h;
}

void tiff_close(ImageFileHandle* h) {
  if (h == nullptr) return;
  free_data(static_cast<TiffData*>(h->driverData));
  ImageHandleDelete(h);
}

int tiff_read_palette(ImageFileHandle* h, uint32_t* palette) {
  TiffData* d = static_cast<TiffData*>(h->driverData);
  const int n = h->paletteSize;
  if (d->photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(d->tiff, TIFFTAG_COLORMAP, &r, &g, &b) || r == nullptr || g == nullptr ||
        b == nullptr) {
      return IMAGE_ERR_READ;
    }
    // libtiff holds 2^bits entries per colour map table
    for (int i = 0; i < n; ++i) palette[i] = ImagePaletteEntry(r[i] >> 8, g[i] >> 8, b[i] >> 8);
    return IMAGE_OK;
  }
  const bool whiteIsZero = d->photometric == PHOTOMETRIC_MINISWHITE;
  for (int i = 0; i < n; ++i) {
    unsigned grey = static_cast<unsigned>((whiteIsZero ? n - 1 - i : i) * 255 / (n - 1));
    palette[i] = ImagePaletteEntry(grey, grey, grey);
  }
  return IMAGE_OK;
}

// Reads the file row the current row stands for into the row buffer.
bool read_scanline(ImageFileHandle* h, TiffData* d) {
  const uint32_t fileRow = static_cast<uint32_t>(h->height - 1 - h->currentRow);
  return TIFFReadScanline(d->tiff, d->row, fileRow, 0) >= 1;
}

int tiff_read_row(ImageFileHandle* h, unsigned char* row) {
  TiffData* d = static_cast<TiffData*>(h->driverData);
  if (!read_scanline(h, d)) return IMAGE_ERR_READ;
  const unsigned char* in = d->row;
  const size_t width = static_cast<size_t>(h->width);
  switch (d->bits) {
    case 1: ImageUnpackBits1(in, row, width, 0); break;
    case 4: ImageUnpackNibbles(in, row, width); break;
    default: std::memcpy(row, in, width); break;
  }
  --h->currentRow;
  return IMAGE_OK;
}

int tiff_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green,
                      unsigned char* blue) {
  TiffData* d = static_cast<TiffData*>(h->driverData);
  if (!read_scanline(h, d)) return IMAGE_ERR_READ;
  ImageSplitSamples(d->row, 3, static_cast<size_t>(h->width), red, green, blue);
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

ImageFormatDriver ImageDriverTIFF = {
    0,       ImageDriverQuery, tiff_open,       nullptr, tiff_close, tiff_read_palette,
    nullptr, tiff_read_row,    nullptr,         tiff_read_rgb_row, nullptr, "TIFF",
};
