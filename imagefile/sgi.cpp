// SGI image: one channel as MAP (grey or a colour map), three or four channels as planar RGB;
// 1 or 2 bytes a sample; raw or SGI run-length with row-start and row-length tables.
#include <cstring>
#include <memory>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"

namespace {

constexpr int kSgiMagic = 474;
constexpr int kHeaderBytes = 512;

// Run-length rows may share their bytes (the row tables can name one row many times), so a
// tiny file could ask for any picture: above the floor it may have at most this many samples
// per byte. A run gives 127 samples from 2 bytes, and every row costs 8 bytes of table.
constexpr unsigned long long kRleSamplesPerByte = 256;

enum SgiColourMap { SGI_NORMAL = 0, SGI_DITHERED = 1, SGI_SCREEN = 2, SGI_COLORMAP = 3 };

struct SgiData {
  BinaryFile* file;
  bool rle;
  int bytesPerSample;        // 1 or 2
  int colourMap;             // SGI_*
  int planes;                // planes of the file (z size) as the tables count them
  int plane;                 // plane the next row belongs to
  int rowsLeftInPlane;       // rows of that plane still to read
  long long fileSize;
  std::unique_ptr<uint32_t[]> rowStart;   // run-length: planes x height offsets
  std::unique_ptr<uint32_t[]> rowLength;  // run-length: planes x height byte counts
  std::unique_ptr<unsigned char[]> raw;   // one raw row of 2-byte samples
};

SgiData* data_of(ImageFileHandle* h) { return static_cast<SgiData*>(h->driverData); }

void sgi_close(ImageFileHandle* h) { ImageDriverClose<SgiData>(h); }

// Reads the run-length tables; every row they name must lie inside the file.
int read_tables(SgiData* d, int height) {
  size_t entries;
  size_t tableBytes;
  if (!size_mul_ok(static_cast<size_t>(d->planes), static_cast<size_t>(height), &entries) ||
      !size_mul_ok(entries, 8, &tableBytes) ||
      static_cast<long long>(tableBytes) > d->fileSize - kHeaderBytes) {
    return IMAGE_ERR_READ;
  }
  d->rowStart.reset(new (std::nothrow) uint32_t[entries]);
  d->rowLength.reset(new (std::nothrow) uint32_t[entries]);
  if (!d->rowStart || !d->rowLength) return IMAGE_ERR_READ;
  BinaryFileSeek(d->file, kHeaderBytes);
  BinaryFileReadDWords(d->file, d->rowStart.get(), entries);
  BinaryFileReadDWords(d->file, d->rowLength.get(), entries);
  if (BinaryFileError(d->file)) return IMAGE_ERR_READ;
  for (size_t i = 0; i < entries; ++i) {
    if (static_cast<long long>(d->rowStart[i]) + d->rowLength[i] > d->fileSize) return IMAGE_ERR_READ;
  }
  return IMAGE_OK;
}

ImageFileHandle* sgi_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_BIG_ENDIAN, error);
  if (f == nullptr) return nullptr;
  auto refuse = [&](int code) { return ImageDriverRefuse(f, code, error); };
  uint16_t magic = BinaryFileReadWord(f);
  if (BinaryFileError(f) || magic != kSgiMagic) return refuse(IMAGE_ERR_FORMAT);
  int storage = BinaryFileGetByte(f);
  int bytesPerSample = BinaryFileGetByte(f);
  uint16_t dims[4];  // dimension, x size, y size, z size
  BinaryFileReadWords(f, dims, 4);
  BinaryFileSeek(f, 104);  // past the minimum and maximum, which display programs use
  uint32_t colourMap = BinaryFileReadDWord(f);
  long long fileSize = BinaryFileSize(f);
  if (BinaryFileError(f)) return refuse(IMAGE_ERR_READ);

  const int dimension = dims[0];
  const long long width = dims[1];
  const long long height = dimension == 1 ? 1 : dims[2];
  const int planes = dimension < 3 ? 1 : dims[3];
  int check = ImageCheckDimensions(width, height);
  if (check != IMAGE_OK) return refuse(check);

  auto* d = new SgiData{};
  d->file = f;
  d->rle = storage == 1;
  d->bytesPerSample = bytesPerSample;
  d->colourMap = colourMap > SGI_COLORMAP ? -1 : static_cast<int>(colourMap);
  d->planes = planes;
  d->fileSize = fileSize;
  ImageFileHandle* h = ImageHandleNew(d);
  h->width = static_cast<int>(width);
  h->height = static_cast<int>(height);
  h->planar = 1;
  h->currentRow = 0;
  h->compression = storage == 0 ? IMAGE_COMPRESSION_NONE
                   : d->rle     ? IMAGE_COMPRESSION_DECODED
                                : IMAGE_COMPRESSION_UNSUPPORTED;
  d->rowsLeftInPlane = h->height;
  *error = IMAGE_OK;

  const bool grey = colourMap == SGI_NORMAL && (dimension == 1 || dimension == 2 || (dimension == 3 && planes == 1));
  const bool rgb = colourMap == SGI_NORMAL && dimension == 3 && (planes == 3 || planes == 4);
  const bool mapped = (colourMap == SGI_DITHERED || colourMap == SGI_SCREEN) && dimension >= 1 && dimension <= 3 &&
                      planes >= 1;
  if (grey || mapped) {
    h->colourMode = IMAGE_MAP;
    h->paletteSize = 256;
  } else if (rgb) {
    h->colourMode = IMAGE_RGB;
  } else {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  if (bytesPerSample != 1 && bytesPerSample != 2) {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  if (storage > 1) {
    *error = IMAGE_ERR_COMPRESSION;
    return h;
  }
  // the planes the picture takes from the file: three for RGB, the first for the others
  const unsigned long long samples = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) *
                                     (h->colourMode == IMAGE_RGB ? 3u : 1u);
  if (d->rle) {
    int e = read_tables(d, h->height);
    if (e == IMAGE_OK && !ImageWorkWithin(samples, fileSize, kRleSamplesPerByte)) e = IMAGE_ERR_VARIANT;
    if (e == IMAGE_ERR_VARIANT) {
      *error = e;
      return h;
    }
    if (e != IMAGE_OK) {
      sgi_close(h);
      *error = e;
      return nullptr;
    }
  } else if (!ImageDataCanHold(f, kHeaderBytes, samples, static_cast<unsigned long long>(bytesPerSample))) {
    sgi_close(h);
    *error = IMAGE_ERR_READ;
    return nullptr;
  } else if (bytesPerSample == 2) {
    d->raw.reset(new (std::nothrow) unsigned char[2 * static_cast<size_t>(h->width)]);
    if (!d->raw) {
      sgi_close(h);
      *error = IMAGE_ERR_READ;
      return nullptr;
    }
  }
  return h;
}

// Entries of the dithered colour map: 3 bits of red and green, 2 of blue.
constexpr unsigned char kLevels8[8] = {0, 36, 73, 109, 146, 182, 218, 255};
constexpr unsigned char kLevels4[4] = {0, 85, 170, 255};

int sgi_read_palette(ImageFileHandle* h, uint32_t* palette) {
  SgiData* d = data_of(h);
  for (int i = 0; i < h->paletteSize && i < 256; ++i) {
    if (d->colourMap == SGI_DITHERED) {
      palette[i] = ImagePaletteEntry(kLevels8[i & 7], kLevels8[(i >> 3) & 7], kLevels4[(i >> 6) & 3]);
    } else {
      palette[i] = ImagePaletteEntry(static_cast<unsigned>(i), static_cast<unsigned>(i), static_cast<unsigned>(i));
    }
  }
  return IMAGE_OK;
}

// Two-byte samples are scaled from the full 16-bit range, rounded. The header's minimum and
// maximum describe the picture's values for display programs; other readers ignore them, and
// scaling by them turns a picture whose maximum field is small or 0 white.
unsigned char scale_sample(uint32_t sample) {
  return static_cast<unsigned char>((sample * 255u + 32767u) / 65535u);
}

// Decodes one run-length row of `length` bytes into width samples. The row is done as soon as
// it holds width samples: real files end every row with a 0 control byte, which is then never
// read. A 0 control byte before that, a packet that overfills the row or a row that runs out of
// bytes is damaged data.
int decode_rle_row(SgiData* d, unsigned char* out, size_t width, uint32_t length) {
  BinaryFile* f = d->file;
  const int unit = d->bytesPerSample;
  uint64_t consumed = 0;
  size_t x = 0;
  auto next = [&]() -> uint32_t {
    consumed += static_cast<uint64_t>(unit);
    if (unit == 1) return static_cast<uint32_t>(BinaryFileGetByte(f));
    uint32_t hi = static_cast<uint32_t>(BinaryFileGetByte(f));
    return (hi << 8) | static_cast<uint32_t>(BinaryFileGetByte(f));
  };
  auto store = [&](uint32_t v) { out[x++] = unit == 1 ? static_cast<unsigned char>(v) : scale_sample(v); };
  while (x < width) {
    uint32_t control = next();
    size_t count = control & 0x7F;
    if (count == 0 || count > width - x) return IMAGE_ERR_READ;
    if (control & 0x80) {
      for (size_t i = 0; i < count; ++i) store(next());
    } else {
      uint32_t v = next();
      for (size_t i = 0; i < count; ++i) store(v);
    }
    if (consumed > length || BinaryFileError(f)) return IMAGE_ERR_READ;
  }
  return IMAGE_OK;
}

int sgi_read_row(ImageFileHandle* h, unsigned char* out) {
  SgiData* d = data_of(h);
  const size_t w = static_cast<size_t>(h->width);
  if (d->plane >= d->planes) return IMAGE_ERR_READ;
  const size_t index = static_cast<size_t>(d->plane) * static_cast<size_t>(h->height) + static_cast<size_t>(h->currentRow);
  int e = IMAGE_OK;
  if (d->rle) {
    BinaryFileSeek(d->file, d->rowStart[index]);
    e = decode_rle_row(d, out, w, d->rowLength[index]);
  } else {
    const size_t rowBytes = w * static_cast<size_t>(d->bytesPerSample);
    BinaryFileSeek(d->file, kHeaderBytes + static_cast<long long>(index) * static_cast<long long>(rowBytes));
    if (d->bytesPerSample == 1) {
      BinaryFileRead(d->file, out, w);
    } else {
      BinaryFileRead(d->file, d->raw.get(), rowBytes);
      for (size_t x = 0; x < w; ++x) out[x] = scale_sample((uint32_t{d->raw[2 * x]} << 8) | d->raw[2 * x + 1]);
    }
    if (BinaryFileError(d->file)) e = IMAGE_ERR_READ;
  }
  if (e != IMAGE_OK) return e;
  // rows go up through one plane, then start again at the bottom of the next
  if (--d->rowsLeftInPlane == 0) {
    d->rowsLeftInPlane = h->height;
    ++d->plane;
    h->currentRow = 0;
  } else {
    ++h->currentRow;
  }
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver SgiDriver() {
  ImageFormatDriver d = ImageDriverRecord("SGI");
  d.open = sgi_open;
  d.close = sgi_close;
  d.readPalette = sgi_read_palette;
  d.readRow = sgi_read_row;
  return d;
}

ImageFormatDriver ImageDriverSGI = SgiDriver();
