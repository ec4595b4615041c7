#pragma once
// What a format driver sees: the handle it fills, the record of its operations, and the
// checked size arithmetic every driver uses before it sizes a buffer from header fields.

#include <cstddef>
#include <cstdint>

#include "binary_file.h"
#include "imagefile.h"

// Made by a driver's open (or create), freed by its close.
struct ImageFileHandle {
  void* driverData;   // the driver's private state, among it its BinaryFile
  int width;          // pixels per row (> 0)
  int height;         // rows (> 0)
  int colourMode;     // IMAGE_RGB or IMAGE_MAP
  int compression;    // IMAGE_COMPRESSION_NONE, _DECODED or _UNSUPPORTED
  int paletteSize;    // palette entries in MAP mode, 0 in RGB mode
  int planar;         // 1: whole planes one after another (all red rows, then green, then blue)
  int layout;         // set by each reader (0 PCX, 1 the others); no reading path uses it
  int planeOrder[3];  // component (0 red, 1 green, 2 blue) of the file's first, second, third plane
  int currentRow;     // output plane row the next row read fills (0 = bottom row)
};

// A palette entry: red in bits 16-23, green in bits 8-15, blue in bits 0-7, top byte 0.
inline uint32_t ImagePaletteEntry(unsigned red, unsigned green, unsigned blue) {
  return ((red & 0xFFu) << 16) | ((green & 0xFFu) << 8) | (blue & 0xFFu);
}

// One static record per format.
struct ImageFormatDriver {
  int id;            // place in the registry, set when registered
  int (*query)();    // returns 0 for every format; kept for the record's shape
  // (path, &error) -> handle or null; error 0, or 4 when the file is not of this format,
  // 5/6 (with the handle, so its size can be reported) or 1/2 (no handle)
  ImageFileHandle* (*open)(const char* path, int* error);
  // opens a new file for writing; null (with *error set) when refused or when it has no writer
  ImageFileHandle* (*create)(const char* path, int width, int height, int colourMode,
                             int compression, int paletteSize, int* error);
  void (*close)(ImageFileHandle* handle);  // frees the handle and closes its file
  int (*readPalette)(ImageFileHandle* handle, uint32_t* palette);  // paletteSize entries
  int (*writePalette)(ImageFileHandle* handle, const uint32_t* palette);
  // MAP: width palette indices; planar RGB: width samples of the current plane. Moves currentRow.
  int (*readRow)(ImageFileHandle* handle, unsigned char* row);
  int (*writeRow)(ImageFileHandle* handle, const unsigned char* row);
  // width samples of each component; moves currentRow; null for formats with no RGB mode
  int (*readRgbRow)(ImageFileHandle* handle, unsigned char* red, unsigned char* green,
                    unsigned char* blue);
  int (*writeRgbRow)(ImageFileHandle* handle, const unsigned char* red,
                     const unsigned char* green, const unsigned char* blue);
  const char* name;  // format name reported to users ("BMP"...); no reading path uses it
};

// The built-in drivers, registered in this order on first use.
extern ImageFormatDriver ImageDriverBMP;
extern ImageFormatDriver ImageDriverPCX;
extern ImageFormatDriver ImageDriverGIF;
extern ImageFormatDriver ImageDriverJPEG;
extern ImageFormatDriver ImageDriverSUN;
extern ImageFormatDriver ImageDriverSGI;
extern ImageFormatDriver ImageDriverTIFF;
extern ImageFormatDriver ImageDriverNKL;
extern ImageFormatDriver ImageDriverTGA;
extern ImageFormatDriver ImageDriverPNG;

// A PNG file stored inside another file from `offset` on (a BMP's pixels may be one), read with
// ImageDriverPNG's operations. The handle owns `file` from then on; on failure it is closed.
ImageFileHandle* ImagePngOpenAt(BinaryFile* file, long long offset, int* error);

// The query every built-in driver carries: answers 0.
int ImageDriverQuery();

// The start of every driver's record: the shared query and the name, every operation null.
// Each driver then assigns its operations one by one by name, so that its table stays right
// whatever order the fields above are declared in.
constexpr ImageFormatDriver ImageDriverRecord(const char* name) {
  ImageFormatDriver d{};
  d.query = ImageDriverQuery;
  d.name = name;
  return d;
}

// A zeroed handle with plane order 0, 1, 2 and layout flag 1; never null (throws on no memory).
ImageFileHandle* ImageHandleNew(void* driverData);
// Frees a handle made by ImageHandleNew (not its driver data). Accepts null.
void ImageHandleDelete(ImageFileHandle* handle);

// Opens a driver's file for reading; null (with *error = 1) when it cannot be opened.
BinaryFile* ImageDriverOpenFile(const char* path, int byteOrder, int* error);
// Whether the file holds `rows` rows of `rowBytes` bytes each from byte `offset` on (the
// arithmetic is overflow-checked: a product that does not fit is a file too short). Drivers of
// uncompressed formats call it in open, before anything is sized from the header, and refuse
// the file with IMAGE_ERR_READ when it is false: a cut file then fails at once, and a tiny file
// claiming a huge picture never makes anyone allocate that picture.
bool ImageDriverFileHolds(BinaryFile* file, unsigned long long offset, unsigned long long rowBytes,
                          unsigned long long rows);
// For an open that gives up on a file: closes it, reports `code`, and returns no handle.
ImageFileHandle* ImageDriverRefuse(BinaryFile* file, int code, int* error);
// The close of a driver whose private data is a `Data` (made with new) holding its BinaryFile
// in `file`: closes the file and frees the data and the handle. Accepts null.
template <typename Data>
void ImageDriverClose(ImageFileHandle* handle) {
  if (handle == nullptr) return;
  Data* d = static_cast<Data*>(handle->driverData);
  if (d != nullptr) {
    BinaryFileClose(d->file);
    delete d;
  }
  ImageHandleDelete(handle);
}

// Checked size arithmetic (size_mul_ok is in imagefile.h): false (and *out untouched) when the
// result does not fit size_t.
// a * b + c
inline bool size_mad_ok(size_t a, size_t b, size_t c, size_t* out) {
  size_t product;
  if (!size_mul_ok(a, b, &product) || product > SIZE_MAX - c) return false;
  *out = product + c;
  return true;
}
// a * b * c
inline bool size_mul3_ok(size_t a, size_t b, size_t c, size_t* out) {
  size_t product;
  return size_mul_ok(a, b, &product) && size_mul_ok(product, c, out);
}

// Every driver calls this on the header's width and height before anything is sized from them:
// 0 when both are positive and width x height is at most IMAGE_MAX_PIXELS, 2 when either is
// zero or negative, 5 when the picture is too large (the driver then returns no handle).
int ImageCheckDimensions(long long width, long long height);

// Bytes in a row of `width` pixels of `bits` each, padded to a multiple of `alignBytes`;
// 0 when it would not fit (callers have checked the dimensions, so only a hostile bit count can).
size_t ImageRowBytes(long long width, int bits, int alignBytes);
