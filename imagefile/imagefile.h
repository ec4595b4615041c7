#pragma once
// Varnesk image file library: recognises a raster file by its content and reads it into
// three 8-bit planes (red, green, blue), each width x height bytes, row 0 the bottom row.
//
// Usage: ImageFileInfo for the size, allocate the planes, then ImageLoadRGB (or
// ImageLoadRGBSized, which also refuses a file whose size changed in between).

#include <cstddef>
#include <cstdint>

struct ImageFormatDriver;

// Error codes returned by every operation of the library.
enum ImageError {
  IMAGE_OK = 0,
  IMAGE_ERR_OPEN = 1,         // the file cannot be opened
  IMAGE_ERR_READ = 2,         // read error, or data that do not fit the format
  IMAGE_ERR_WRITE = 3,        // write error
  IMAGE_ERR_FORMAT = 4,       // not of this format / no driver recognised the file
  IMAGE_ERR_VARIANT = 5,      // recognised, but this variant (depth, colour model, layout, size) is not supported
  IMAGE_ERR_COMPRESSION = 6,  // recognised, but its compression is not supported
};

// Colour modes.
enum ImageColourMode {
  IMAGE_RGB = 0,  // three components per pixel
  IMAGE_MAP = 1,  // one palette index per pixel (grey files are MAP with a grey palette)
};

// Compression values of a handle.
enum ImageCompression {
  IMAGE_COMPRESSION_NONE = 0,
  IMAGE_COMPRESSION_DECODED = 256,      // run-length, LZW...: the driver decodes it
  IMAGE_COMPRESSION_UNSUPPORTED = 512,  // the driver does not decode it
};

// Largest picture the library accepts, in pixels (2^28: 268 million pixels, 805 MB of planes).
// Header dimensions are untrusted: a width or height of 0 or less is malformed data (2), and a
// picture above this limit is refused as an unsupported variant (5) by the driver's open, without
// a handle, so ImageFileInfo returns 5 as well and no caller ever sizes a buffer from it.
constexpr long long IMAGE_MAX_PIXELS = 1LL << 28;

// Reports a file's size and kind. Any result pointer may be null; on 0 all are filled in.
// A file that is recognised but whose variant or compression cannot be read still gives 0.
int ImageFileInfo(const char* path, int* width, int* height, int* colourMode, int* paletteSize);

// What ImageFileDescribe reports; the fields of ImageFileInfo plus the format and compression.
struct ImageFileDescription {
  const char* format;  // "BMP", "PCX", "GIF", "JPEG", "SUN", "SGI", "TIFF", "NKL", "TGA"
  int width;           // pixels per row
  int height;          // rows
  int colourMode;      // IMAGE_RGB or IMAGE_MAP
  int compression;     // IMAGE_COMPRESSION_*
  int paletteSize;     // palette entries in MAP mode, 0 in RGB mode
  int readable;        // IMAGE_OK when the pixels can be loaded, else the 5 or 6 the driver gave
};

// ImageFileInfo with the name of the format that recognised the file. /* out */ description
int ImageFileDescribe(const char* path, ImageFileDescription* description);

// Loads the picture into three caller-allocated planes of width x height bytes each
// (the size ImageFileInfo reported), bottom row first.
int ImageLoadRGB(const char* path, unsigned char* red, unsigned char* green, unsigned char* blue);

// ImageLoadRGB for planes of the given size: gives 2 without touching the planes when the file
// no longer has that size (it may have been replaced since ImageFileInfo looked at it).
int ImageLoadRGBSized(const char* path, int width, int height, unsigned char* red,
                      unsigned char* green, unsigned char* blue);

// Appends a driver to the registry (after the nine built-in ones) and gives it the next id.
// Returns that id, or -1 when the registry is full.
int ImageRegisterFormat(ImageFormatDriver* driver);

// The registered driver whose format name is `name` ("BMP", "NKL"...), or null.
ImageFormatDriver* ImageFindFormat(const char* name);

// One English sentence for an error code (never null).
const char* ImageErrorText(int code);

// Checked size arithmetic: false (and *out untouched) when the result does not fit size_t.
inline bool size_mul_ok(size_t a, size_t b, size_t* out) {
  if (a != 0 && b > SIZE_MAX / a) return false;
  *out = a * b;
  return true;
}
