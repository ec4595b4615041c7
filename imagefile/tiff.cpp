// TIFF reader through libtiff, opened with TIFFClientOpen over the library's BinaryFile.
// Only the first directory is read. The common layouts (1-, 4- and 8-bit grey or palette and
// 8-bit RGB, in strips) are read row by row with TIFFReadScanline; every other layout libtiff
// can convert (tiles, 16 bits, separate planes, YCbCr, JPEG, CMYK, Lab, 2 bits...) is read whole
// through its RGBA interface, which also honours the file's orientation.
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <new>

#include <Eigen/Dense>
#include <tiffio.h>

#include "format_driver.h"
#include "row_unpack.h"

namespace {

// libtiff's largest single allocation: a strip buffer never needs more than the file holds,
// and the decoders' working buffers are a few rows; a hostile header asking for more is refused.
constexpr tmsize_t kBaseAllocation = 64L * 1024 * 1024;

// Strips or tiles are read again for every strip that points at them, so a file whose strips
// share their bytes costs far more than its size. Real files read each byte once; beyond this
// many bytes (and four times the file) the decode work is refused.
constexpr unsigned long long kMaxStripWork = 64ULL * 1024 * 1024;

struct TiffData {
  BinaryFile* file;  // closed by libtiff's close procedure, which clears this
  TIFF* tiff;
  unsigned char* row;  // one file scan line (scanline path)
  size_t rowBytes;
  uint32_t* raster;    // the whole picture as RGBA, bottom row first (RGBA path)
  int photometric;
  int bits;
  double labToRgb[9];  // CIELAB files: XYZ relative to the file's white to linear sRGB (row-major)
  double labWhite[3];  // the file's white point, XYZ with Y = 1
  bool rgba;       // read through libtiff's RGBA interface
  bool associatedAlpha;  // the RGBA raster's colours are multiplied by its alpha
  uint16_t orientation;  // the Orientation tag, 1 to 8 (RGBA path)
  uint32_t fileWidth;    // the stored picture's size; swapped in the handle for orientations 5-8
  uint32_t fileHeight;
  bool truncated;  // libtiff met the end of the file while reading the directory
  bool tooLarge;   // libtiff refused an allocation beyond the limit we gave it
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

// libtiff reads strips and tiles straight from a mapped file, with no copy; its RGBA reader of
// uncompressed tiles even needs the mapping (without it, it asks for more than a tile holds).
int client_map(thandle_t h, void** base, toff_t* size) {
  BinaryFile* f = static_cast<TiffData*>(h)->file;
  size_t bytes = 0;
  const void* p = f == nullptr ? nullptr : BinaryFileMap(f, &bytes);
  if (p == nullptr) return 0;
  *base = const_cast<void*>(p);
  *size = static_cast<toff_t>(bytes);
  return 1;
}
void client_unmap(thandle_t h, void* base, toff_t size) {
  BinaryFile* f = static_cast<TiffData*>(h)->file;
  if (f != nullptr) BinaryFileUnmap(f, base, static_cast<size_t>(size));
}

// libtiff's warnings and errors would go to stderr; the caller gets our error codes instead,
// and a refusal for size (a 5) is told from damage (a 2) by libtiff's message.
int error_handler(TIFF*, void* user, const char*, const char* format, va_list) {
  if (format != nullptr && std::strstr(format, "limit") != nullptr) static_cast<TiffData*>(user)->tooLarge = true;
  return 1;
}

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
  delete[] d->raster;
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
  TIFFOpenOptionsSetErrorHandlerExtR(options, error_handler, d);
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
    // scanners and medical cameras store 12-bit grey; shown on the 8-bit scale
    if (bits == 12) return photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    return false;
  }
  // libtiff's RGBA interface turns CIELAB's white yellow (its white is not adapted to the screen's)
  if (samples == 3 && bits == 8 && photometric == PHOTOMETRIC_CIELAB) return true;
  // printers' 16-bit CMYK, which libtiff's RGBA interface does not convert
  if (samples == 4 && bits == 16) return photometric == PHOTOMETRIC_SEPARATED;
  return samples == 3 && bits == 8 && photometric == PHOTOMETRIC_RGB;
}

// Whether the file starts with a TIFF or BigTIFF header.
bool has_signature(BinaryFile* f) {
  unsigned char head[4] = {0, 0, 0, 0};
  if (!BinaryFileReadExact(f, head, 4) || BinaryFileSeek(f, 0) != 0) return false;
  const bool intel = head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43);
  const bool motorola = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
  return intel || motorola;
}

// Checks the strips (or tiles) against the file before anything is sized from the header:
// uncompressed data must lie inside the file, each strip's bytes its own, so a tiny file cannot
// claim a picture it does not hold (2); compressed strips may not be read over and over (5).
int check_striles(TIFF* t, uint32_t height, uint16_t compression, uint16_t planar, uint16_t samples,
                  unsigned long long fileSize) {
  const bool tiled = TIFFIsTiled(t) != 0;
  const uint32_t count = tiled ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
  if (count == 0) return IMAGE_ERR_READ;
  uint32_t rowsPerStrip = height;
  TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  const uint32_t stripsPerPlane = (height + rowsPerStrip - 1) / rowsPerStrip;
  const unsigned long long scanline = TIFFScanlineSize64(t);
  const unsigned long long tileBytes = tiled ? TIFFTileSize64(t) : 0;
  unsigned long long expectedTotal = 0, readTotal = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const unsigned long long offset = TIFFGetStrileOffset(t, i);
    const unsigned long long bytes = TIFFGetStrileByteCount(t, i);
    readTotal += bytes < fileSize ? bytes : fileSize;
    if (compression != COMPRESSION_NONE) continue;
    unsigned long long expected = tileBytes;
    if (!tiled) {
      const uint32_t first = (i % stripsPerPlane) * rowsPerStrip;
      const uint32_t rows = height - first < rowsPerStrip ? height - first : rowsPerStrip;
      expected = scanline * rows;  // both below 2^32: no overflow
    }
    expectedTotal += expected;
    if (offset > fileSize || expected > fileSize - offset || expectedTotal > fileSize) return IMAGE_ERR_READ;
  }
  (void)planar;
  (void)samples;
  if (readTotal > kMaxStripWork + 4 * fileSize) return IMAGE_ERR_VARIANT;
  return IMAGE_OK;
}

// CIELAB is relative to the file's white point (D50 when it names none, the white of print and
// colour profiles); the screen's sRGB to D65. The Bradford transform moves the colours from the one
// white to the other, so that the file's white shows white.
void set_lab_conversion(TIFF* t, TiffData* d) {
  float* chromaticity = nullptr;
  double x = 0.3457, y = 0.3585;  // D50
  if (TIFFGetFieldDefaulted(t, TIFFTAG_WHITEPOINT, &chromaticity) && chromaticity != nullptr &&
      chromaticity[1] > 0.01f && chromaticity[0] > 0.0f && chromaticity[0] + chromaticity[1] < 1.0f) {
    x = chromaticity[0], y = chromaticity[1];
  }
  const Eigen::Vector3d white(x / y, 1.0, (1.0 - x - y) / y);
  const Eigen::Vector3d d65(0.95047, 1.0, 1.08883);
  Eigen::Matrix3d bradford, xyzToSrgb;
  bradford << 0.8951, 0.2664, -0.1614, -0.7502, 1.7135, 0.0367, 0.0389, -0.0685, 1.0296;
  xyzToSrgb << 3.2404542, -1.5371385, -0.4985314, -0.9692660, 1.8760108, 0.0415560, 0.0556434, -0.2040259, 1.0572252;
  // each cone response scaled from the file's white to D65's
  const Eigen::Vector3d gain = (bradford * d65).cwiseQuotient(bradford * white);
  const Eigen::Matrix3d toRgb = xyzToSrgb * bradford.inverse() * gain.asDiagonal() * bradford;
  Eigen::Map<Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(d->labToRgb) = toRgb;
  Eigen::Map<Eigen::Vector3d>(d->labWhite) = white;
}

// A linear sRGB component, out-of-gamut values clipped, on the 0-255 screen scale (truncated).
unsigned char srgb_byte(double linear) {
  if (linear <= 0.0) return 0;
  if (linear >= 1.0) return 255;
  const double v = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
  return static_cast<unsigned char>(v * 255.0);
}

// 8-bit CIELAB pixels (L* on 0-255 for 0-100, a* and b* signed) to sRGB.
void lab_to_rgb(const TiffData* d, const unsigned char* lab, size_t width, unsigned char* red,
                unsigned char* green, unsigned char* blue) {
  auto inverse = [](double t) { return t > 6.0 / 29.0 ? t * t * t : 3.0 * (6.0 / 29.0) * (6.0 / 29.0) * (t - 4.0 / 29.0); };
  for (size_t x = 0; x < width; ++x, lab += 3) {
    const double fy = (lab[0] * 100.0 / 255.0 + 16.0) / 116.0;
    const double fx = fy + static_cast<signed char>(lab[1]) / 500.0;
    const double fz = fy - static_cast<signed char>(lab[2]) / 200.0;
    const double xyz[3] = {d->labWhite[0] * inverse(fx), d->labWhite[1] * inverse(fy), d->labWhite[2] * inverse(fz)};
    const double* m = d->labToRgb;
    red[x] = srgb_byte(m[0] * xyz[0] + m[1] * xyz[1] + m[2] * xyz[2]);
    green[x] = srgb_byte(m[3] * xyz[0] + m[4] * xyz[1] + m[5] * xyz[2]);
    blue[x] = srgb_byte(m[6] * xyz[0] + m[7] * xyz[1] + m[8] * xyz[2]);
  }
}

ImageFileHandle* tiff_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  if (!has_signature(f)) return ImageDriverRefuse(f, IMAGE_ERR_FORMAT, error);
  TiffData* d = new (std::nothrow) TiffData{};
  if (d == nullptr) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  d->file = f;
  d->tiff = open_tiff(path, d);
  if (d->tiff == nullptr) {
    // it has a TIFF header, so libtiff's refusal is damage or a size beyond its limit
    *error = d->tooLarge ? IMAGE_ERR_VARIANT : IMAGE_ERR_READ;
    free_data(d);
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
  const bool decodable = TIFFIsCODECConfigured(compression) != 0;
  h->compression = compression == COMPRESSION_NONE ? IMAGE_COMPRESSION_NONE
                   : decodable                     ? IMAGE_COMPRESSION_DECODED
                                                   : IMAGE_COMPRESSION_UNSUPPORTED;
  d->photometric = photometric;
  d->bits = bits;
  // TIFFReadScanline reads strips only, so tiles go the RGBA way like every other layout
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orientation);
  if (orientation < ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT) orientation = ORIENTATION_TOPLEFT;
  d->orientation = orientation;
  d->fileWidth = width;
  d->fileHeight = height;
  // rows stored other than top row first, left to right, are turned upright on the RGBA path
  uint16_t inks = INKSET_CMYK;
  TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inks);
  const bool scanlines = planar == PLANARCONFIG_CONTIG && sampleFormat == SAMPLEFORMAT_UINT &&
                         (photometric != PHOTOMETRIC_SEPARATED || inks == INKSET_CMYK) &&
                         !TIFFIsTiled(t) && supported_layout(bits, samples, photometric) &&
                         orientation == ORIENTATION_TOPLEFT;
  char message[1024];
  d->rgba = !scanlines && TIFFRGBAImageOK(t, message) != 0;
  if (samples == 1 && !d->rgba) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = bits <= 8 ? 1 << bits : bits == 12 ? 256 : 0;
  } else {
    h->colourMode = IMAGE_RGB;
  }
  if (!scanlines && !d->rgba) {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  if (!decodable) {
    *error = IMAGE_ERR_COMPRESSION;
    return h;
  }
  const long long fileSize = BinaryFileSize(f);
  const int striles = fileSize < 0 ? IMAGE_ERR_READ
                                   : check_striles(t, height, compression, planar, samples,
                                                   static_cast<unsigned long long>(fileSize));
  if (striles == IMAGE_ERR_VARIANT) {
    *error = striles;
    return h;
  }
  if (striles != IMAGE_OK) {
    ImageHandleDelete(h);
    free_data(d);
    *error = striles;
    return nullptr;
  }
  if (d->rgba) {
    // the picture is read whole on the first row, so that the file's orientation applies
    h->currentRow = 0;
    if (orientation >= ORIENTATION_LEFTTOP) {
      h->width = static_cast<int>(height);
      h->height = static_cast<int>(width);
    }
    *error = IMAGE_OK;
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
  if (photometric == PHOTOMETRIC_CIELAB) set_lab_conversion(t, d);
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
    case 12:
      // two samples in three bytes, high bits first; scaled like 16-bit samples, rounding down
      for (size_t x = 0; x < width; ++x) {
        const unsigned char* p = in + x / 2 * 3;
        const unsigned v = x % 2 == 0 ? (static_cast<unsigned>(p[0]) << 4) | (p[1] >> 4)
                                      : (static_cast<unsigned>(p[1] & 0x0F) << 8) | p[2];
        row[x] = static_cast<unsigned char>(v * 255u / 4095u);
      }
      break;
    default: std::memcpy(row, in, width); break;
  }
  --h->currentRow;
  return IMAGE_OK;
}

// Reads the whole picture through libtiff's RGBA interface, bottom row first like the planes.
int read_rgba(ImageFileHandle* h, TiffData* d) {
  size_t pixels;
  if (!size_mul_ok(static_cast<size_t>(h->width), static_cast<size_t>(h->height), &pixels)) return IMAGE_ERR_VARIANT;
  d->raster = new (std::nothrow) uint32_t[pixels];
  if (d->raster == nullptr) return IMAGE_ERR_READ;
  // Alpha is dropped and the colour kept, as readers of these files into RGB do. libtiff would
  // multiply unassociated alpha into the colours (turning transparent pixels black): marking those
  // extra samples unspecified, in libtiff's copy of the directory only, makes it skip them.
  // Associated alpha is already multiplied in; it is divided out per row.
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  if (TIFFGetField(d->tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0 &&
      extraTypes != nullptr) {
    uint16_t kept[16] = {};
    const uint16_t n = extraCount < 16 ? extraCount : 16;
    for (uint16_t i = 0; i < n; ++i) {
      kept[i] = extraTypes[i] == EXTRASAMPLE_ASSOCALPHA ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNSPECIFIED;
    }
    d->associatedAlpha = kept[0] == EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(d->tiff, TIFFTAG_EXTRASAMPLES, n, kept);
  }
  // Asking for the file's own orientation (libtiff knows no transposition, so 5-8 count as 1-4)
  // gives the rows as stored, row 0 first; rgba_source turns them upright.
  const uint16_t asStored = d->orientation >= ORIENTATION_LEFTTOP ? d->orientation - 4 : d->orientation;
  TIFFRGBAImage image;
  char message[1024];
  if (!TIFFRGBAImageBegin(&image, d->tiff, 1, message)) return IMAGE_ERR_READ;
  image.req_orientation = asStored;
  // 16-bit samples keep their high byte, as 16-bit rows are read elsewhere; libtiff would round
  // them, and dividing by a tiny associated alpha multiplies that rounding up to 255 times
  if (image.Bitdepth16To8 != nullptr) {
    for (uint32_t v = 0; v <= 0xFFFF; ++v) image.Bitdepth16To8[v] = static_cast<uint8_t>(v >> 8);
  }
  const int read = TIFFRGBAImageGet(&image, d->raster, d->fileWidth, d->fileHeight);
  TIFFRGBAImageEnd(&image);
  return read ? IMAGE_OK : IMAGE_ERR_READ;
}

// Where the upright picture's pixel (x, y from the top) is in the raster of stored rows, for each
// value of the Orientation tag (which edge the stored row 0 and column 0 show).
size_t rgba_source(const TiffData* d, size_t x, size_t y) {
  const size_t w = d->fileWidth, h = d->fileHeight;
  size_t row = y, col = x;
  switch (d->orientation) {
    case ORIENTATION_TOPRIGHT: col = w - 1 - x; break;
    case ORIENTATION_BOTRIGHT: row = h - 1 - y, col = w - 1 - x; break;
    case ORIENTATION_BOTLEFT: row = h - 1 - y; break;
    case ORIENTATION_LEFTTOP: row = x, col = y; break;
    case ORIENTATION_RIGHTTOP: row = h - 1 - x, col = y; break;
    case ORIENTATION_RIGHTBOT: row = h - 1 - x, col = w - 1 - y; break;
    case ORIENTATION_LEFTBOT: row = x, col = w - 1 - y; break;
    default: break;
  }
  return row * w + col;
}

int tiff_read_rgba_row(ImageFileHandle* h, unsigned char* red, unsigned char* green, unsigned char* blue) {
  TiffData* d = static_cast<TiffData*>(h->driverData);
  if (d->raster == nullptr) {
    if (h->currentRow != 0) return IMAGE_ERR_READ;
    const int e = read_rgba(h, d);
    if (e != IMAGE_OK) return e;
  }
  const size_t width = static_cast<size_t>(h->width);
  const size_t y = static_cast<size_t>(h->height - 1 - h->currentRow);  // from the top
  for (size_t x = 0; x < width; ++x) {
    const uint32_t px = d->raster[rgba_source(d, x, y)];
    unsigned r = TIFFGetR(px), g = TIFFGetG(px), b = TIFFGetB(px);
    const unsigned a = TIFFGetA(px);
    if (d->associatedAlpha && a != 0 && a != 255) {
      r = r * 255 / a, g = g * 255 / a, b = b * 255 / a;
      r = r > 255 ? 255 : r, g = g > 255 ? 255 : g, b = b > 255 ? 255 : b;
    }
    red[x] = static_cast<unsigned char>(r);
    green[x] = static_cast<unsigned char>(g);
    blue[x] = static_cast<unsigned char>(b);
  }
  ++h->currentRow;
  return IMAGE_OK;
}

int tiff_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green,
                      unsigned char* blue) {
  TiffData* d = static_cast<TiffData*>(h->driverData);
  if (d->rgba) return tiff_read_rgba_row(h, red, green, blue);
  if (!read_scanline(h, d)) return IMAGE_ERR_READ;
  const size_t width = static_cast<size_t>(h->width);
  if (d->photometric == PHOTOMETRIC_CIELAB) {
    lab_to_rgb(d, d->row, width, red, green, blue);
  } else if (d->bits == 16) {
    // libtiff gives the samples in the machine's byte order; their high bytes are the inks
    for (size_t x = 0; x < width; ++x) {
      uint16_t ink[4];
      std::memcpy(ink, d->row + 8 * x, sizeof ink);
      ImageInkToRgb(ink[0] >> 8, ink[1] >> 8, ink[2] >> 8, ink[3] >> 8, red + x, green + x, blue + x);
    }
  } else {
    ImageSplitSamples(d->row, 3, width, red, green, blue);
  }
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver TiffDriver() {
  ImageFormatDriver d = ImageDriverRecord("TIFF");
  d.open = tiff_open;
  d.close = tiff_close;
  d.readPalette = tiff_read_palette;
  d.readRow = tiff_read_row;
  d.readRgbRow = tiff_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverTIFF = TiffDriver();
