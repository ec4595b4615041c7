// NKL text image: a palette image written as text. Layout, as the writer below produces it:
//   NKLImage = IMAGE[
//   0 = "255 0 0",
//   1 = "0 0 255"]        <- entries joined by ",\n", then "]\n"
//   (width,height
//   ,0,1,1                <- one line per row, top row first, ",%d" per pixel
//   ,1,0,0
//   )
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"

namespace {

constexpr char kHead[] = "NKLImage = IMAGE";
constexpr int kMaxDigits = 10;

struct NklData {
  BinaryFile* file;
  long long pixelOffset;  // reading: just after the width and the height
  bool started;           // reading: positioned on the pixels / writing: "(w,h" written
  bool paletteWritten;    // writing: the palette and its "]" are out
  int rowsWritten;        // writing
};

NklData* data_of(ImageFileHandle* h) { return static_cast<NklData*>(h->driverData); }

void nkl_close(ImageFileHandle* h) { ImageDriverClose<NklData>(h); }

// Non-digits before the number are skipped; the first non-digit after it ends it (and is
// consumed). A minus sign right before the digits makes it negative, which no field of the
// format may be: that, more than 10 digits, or the end of the file is an error.
int read_number(BinaryFile* f, long long* value) {
  long long v = 0;
  int digits = 0;
  bool minus = false;
  for (;;) {
    int c = BinaryFileGetByte(f);
    if (BinaryFileError(f)) return IMAGE_ERR_READ;
    if (c >= '0' && c <= '9') {
      if (minus) return IMAGE_ERR_READ;
      if (++digits > kMaxDigits) return IMAGE_ERR_READ;
      v = v * 10 + (c - '0');
    } else if (digits > 0) {
      *value = v;
      return IMAGE_OK;
    } else {
      minus = c == '-';
    }
  }
}

ImageFileHandle* nkl_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  auto refuse = [&](int code) { return ImageDriverRefuse(f, code, error); };
  char sig[3];
  BinaryFileRead(f, sig, 3);
  if (BinaryFileError(f) || sig[0] != 'N' || sig[1] != 'K' || sig[2] != 'L') return refuse(IMAGE_ERR_FORMAT);
  // the palette size is the count of '=' before the '(', less the one of "NKLImage = IMAGE"
  long long equals = 0;
  for (;;) {
    int c = BinaryFileGetByte(f);
    if (BinaryFileError(f)) return refuse(IMAGE_ERR_READ);
    if (c == '(') break;
    if (c == '=') ++equals;
  }
  long long width = 0, height = 0;
  if (equals < 1 || read_number(f, &width) != IMAGE_OK || read_number(f, &height) != IMAGE_OK) {
    return refuse(IMAGE_ERR_READ);
  }
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return refuse(dims);
  // every pixel takes a separator and a digit at least: a file too short for that is truncated,
  // refused before anyone allocates the picture
  const long long pixelOffset = BinaryFileTell(f);
  if (!ImageDataCanHold(f, pixelOffset, static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height), 2)) {
    return refuse(IMAGE_ERR_READ);
  }
  auto* d = new NklData{};
  d->file = f;
  d->pixelOffset = pixelOffset;
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->colourMode = IMAGE_MAP;
  // more entries than the library accepts: the core refuses the file as damaged
  h->paletteSize = equals - 1 > 65536 ? 65537 : static_cast<int>(equals - 1);
  h->currentRow = h->height - 1;
  *error = IMAGE_OK;
  return h;
}

int nkl_read_palette(ImageFileHandle* h, uint32_t* palette) {
  NklData* d = data_of(h);
  BinaryFileSeek(d->file, 0);
  for (int i = 0; i < h->paletteSize; ++i) {
    long long v[4];
    for (long long& value : v) {
      if (read_number(d->file, &value) != IMAGE_OK) return IMAGE_ERR_READ;
    }
    if (v[1] > 255 || v[2] > 255 || v[3] > 255) return IMAGE_ERR_READ;
    if (v[0] < h->paletteSize) {
      palette[v[0]] = ImagePaletteEntry(static_cast<unsigned>(v[1]), static_cast<unsigned>(v[2]),
                                        static_cast<unsigned>(v[3]));
    }
  }
  return IMAGE_OK;
}

int nkl_read_row(ImageFileHandle* h, unsigned char* out) {
  NklData* d = data_of(h);
  if (!d->started) {
    d->started = true;
    BinaryFileSeek(d->file, d->pixelOffset);
  }
  for (int x = 0; x < h->width; ++x) {
    long long v;
    if (read_number(d->file, &v) != IMAGE_OK) return IMAGE_ERR_READ;
    // an index must fit the one byte a pixel gets; anything larger is damaged data
    if (v > 255) return IMAGE_ERR_READ;
    out[x] = static_cast<unsigned char>(v);
  }
  --h->currentRow;
  return IMAGE_OK;
}

ImageFileHandle* nkl_create(const char* path, int width, int height, int colourMode, int compression,
                            int paletteSize, int* error) {
  if (colourMode != IMAGE_MAP) {
    *error = IMAGE_ERR_VARIANT;
    return nullptr;
  }
  if (compression == IMAGE_COMPRESSION_UNSUPPORTED) {
    *error = IMAGE_ERR_COMPRESSION;
    return nullptr;
  }
  if (ImageCheckDimensions(width, height) != IMAGE_OK || paletteSize < 0 || paletteSize > 256) {
    *error = IMAGE_ERR_VARIANT;
    return nullptr;
  }
  BinaryFile* f = BinaryFileOpen(path, "wb", BINARY_FILE_LITTLE_ENDIAN);
  if (f == nullptr) {
    *error = IMAGE_ERR_OPEN;
    return nullptr;
  }
  BinaryFilePrintf(f, "%s[\n", kHead);
  if (BinaryFileError(f)) {
    BinaryFileClose(f);
    *error = IMAGE_ERR_WRITE;
    return nullptr;
  }
  auto* d = new NklData{};
  d->file = f;
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = width;
  h->height = height;
  h->colourMode = IMAGE_MAP;
  h->compression = compression;
  h->paletteSize = paletteSize;
  h->currentRow = height - 1;
  *error = IMAGE_OK;
  return h;
}

int nkl_write_palette(ImageFileHandle* h, const uint32_t* palette) {
  NklData* d = data_of(h);
  if (d->paletteWritten) return IMAGE_ERR_WRITE;
  for (int i = 0; i < h->paletteSize; ++i) {
    const uint32_t e = palette[i];
    BinaryFilePrintf(d->file, "%s%d = \"%u %u %u\"", i > 0 ? ",\n" : "", i, (e >> 16) & 0xFFu, (e >> 8) & 0xFFu,
                     e & 0xFFu);
  }
  BinaryFilePrintf(d->file, "]\n");
  d->paletteWritten = true;
  return BinaryFileError(d->file) ? IMAGE_ERR_WRITE : IMAGE_OK;
}

int nkl_write_row(ImageFileHandle* h, const unsigned char* row) {
  NklData* d = data_of(h);
  if (d->rowsWritten >= h->height) return IMAGE_ERR_WRITE;
  // a file must have its palette part, even an empty one, before the size
  if (!d->paletteWritten) {
    BinaryFilePrintf(d->file, "]\n");
    d->paletteWritten = true;
  }
  if (!d->started) {
    BinaryFilePrintf(d->file, "(%d,%d\n", h->width, h->height);
    d->started = true;
  }
  for (int x = 0; x < h->width; ++x) BinaryFilePrintf(d->file, ",%d", row[x]);
  BinaryFilePrintf(d->file, "\n");
  if (++d->rowsWritten == h->height) BinaryFilePrintf(d->file, ")");
  --h->currentRow;
  return BinaryFileError(d->file) ? IMAGE_ERR_WRITE : IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver NklDriver() {
  ImageFormatDriver d = ImageDriverRecord("NKL");
  d.open = nkl_open;
  d.create = nkl_create;
  d.close = nkl_close;
  d.readPalette = nkl_read_palette;
  d.writePalette = nkl_write_palette;
  d.readRow = nkl_read_row;
  d.writeRow = nkl_write_row;
  return d;
}

ImageFormatDriver ImageDriverNKL = NklDriver();
