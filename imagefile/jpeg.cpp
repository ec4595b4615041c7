// JPEG reader through libjpeg (jpeg62 API), with a data source over the library's BinaryFile.
// libjpeg reports fatal errors by calling error_exit, which must not return: ours jumps back to
// the reader that called into libjpeg. No C++ object with a destructor may live in a frame that
// such a jump crosses, so the functions holding a jump target keep only plain data.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "format_driver.h"
#include "row_unpack.h"

namespace {

constexpr size_t kSourceBlock = 4096;

// libjpeg keeps whole-image coefficient buffers for progressive and multi-scan files; a small
// hostile file can declare a picture that needs gigabytes of them. This bound covers a
// 170-megapixel progressive photograph with 4:2:0 chroma.
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

// A progressive file may carry any number of scans, each of which costs a pass over the
// coefficients; real encoders write about ten.
constexpr int kMaxScans = 1000;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct JpegSource {
  jpeg_source_mgr pub;
  BinaryFile* file;
  bool readAnything;  // a block of the file has been delivered
  JOCTET block[kSourceBlock];
};

struct JpegData {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  JpegSource source;
  jpeg_progress_mgr progress;
  BinaryFile* file;
  unsigned char* row;          // one output scan line
  J_COLOR_SPACE fileSpace;     // the file's colour space
  bool created;                // cinfo holds a decompressor to destroy
  bool started;                // decompression has been started (successfully or not)
};

[[noreturn]] void fatal_error(j_common_ptr cinfo) {
  JpegErrorManager* e = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(e->jump, 1);
}

void silent_message(j_common_ptr, int) {}
void silent_output(j_common_ptr) {}

void check_scans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
}

void source_init(j_decompress_ptr) {}

boolean source_fill(j_decompress_ptr cinfo) {
  JpegSource* s = reinterpret_cast<JpegSource*>(cinfo->src);
  size_t n = BinaryFileRead(s->file, s->block, kSourceBlock);
  if (n == 0) {
    if (!s->readAnything) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // a truncated file ends with an inserted end-of-image marker, as libjpeg's own sources do
    WARNMS(cinfo, JWRN_JPEG_EOF);
    s->block[0] = 0xFF;
    s->block[1] = JPEG_EOI;
    n = 2;
  }
  s->readAnything = true;
  s->pub.next_input_byte = s->block;
  s->pub.bytes_in_buffer = n;
  return TRUE;
}

void source_skip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  while (static_cast<size_t>(count) > src->bytes_in_buffer) {
    count -= static_cast<long>(src->bytes_in_buffer);
    source_fill(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void source_term(j_decompress_ptr) {}

void free_data(JpegData* d) {
  if (d == nullptr) return;
  if (d->created) jpeg_destroy_decompress(&d->cinfo);
  BinaryFileClose(d->file);
  delete[] d->row;
  delete d;
}

// Reads the header; returns the error code for the caller, with the handle's fields filled in
// and *sizeKnown set once they are. Holds a jump target, so it keeps no objects with destructors.
int read_header(JpegData* d, ImageFileHandle* h, bool* sizeKnown) {
  // a fatal error before the image is found means the file is simply not a JPEG
  jpeg_decompress_struct* cinfo = &d->cinfo;
  if (setjmp(d->error.jump)) return IMAGE_ERR_FORMAT;

  jpeg_create_decompress(cinfo);
  d->created = true;
  cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
  d->progress.progress_monitor = check_scans;
  cinfo->progress = &d->progress;

  JpegSource* s = &d->source;
  s->file = d->file;
  s->readAnything = false;
  s->pub.init_source = source_init;
  s->pub.fill_input_buffer = source_fill;
  s->pub.skip_input_data = source_skip;
  s->pub.resync_to_restart = jpeg_resync_to_restart;
  s->pub.term_source = source_term;
  s->pub.next_input_byte = nullptr;
  s->pub.bytes_in_buffer = 0;
  cinfo->src = &s->pub;

  jpeg_read_header(cinfo, TRUE);
  int dims = ImageCheckDimensions(cinfo->image_width, cinfo->image_height);
  if (dims != IMAGE_OK) return dims;
  h->width = static_cast<int>(cinfo->image_width);
  h->height = static_cast<int>(cinfo->image_height);
  h->compression = IMAGE_COMPRESSION_DECODED;
  h->paletteSize = 0;
  h->colourMode = IMAGE_RGB;
  h->currentRow = h->height - 1;
  *sizeKnown = true;
  d->fileSpace = cinfo->jpeg_color_space;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      h->colourMode = IMAGE_MAP;
      h->paletteSize = 256;
      cinfo->out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_YCbCr:
      cinfo->out_color_space = JCS_RGB;
      break;
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      break;
    case JCS_RGB:
    case JCS_CMYK:
      break;
    default:
      return IMAGE_ERR_VARIANT;
  }
  return IMAGE_OK;
}

// Starts decompression before the first row. Not done at open: for a progressive or multi-scan
// file it decodes the whole entropy-coded data, which ImageFileInfo has no use for.
int start_output(JpegData* d) {
  jpeg_decompress_struct* cinfo = &d->cinfo;
  d->started = true;
  if (setjmp(d->error.jump)) return IMAGE_ERR_READ;
  if (!jpeg_start_decompress(cinfo)) return IMAGE_ERR_READ;
  size_t rowBytes;
  if (!size_mul_ok(cinfo->output_width, static_cast<size_t>(cinfo->output_components), &rowBytes)) {
    return IMAGE_ERR_VARIANT;
  }
  d->row = new (std::nothrow) unsigned char[rowBytes];
  if (d->row == nullptr) return IMAGE_ERR_READ;
  return IMAGE_OK;
}

ImageFileHandle* jpeg_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_BIG_ENDIAN, error);
  if (f == nullptr) return nullptr;
  JpegData* d = new (std::nothrow) JpegData{};
  if (d == nullptr) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  d->file = f;
  d->cinfo.err = jpeg_std_error(&d->error.pub);
  d->error.pub.error_exit = fatal_error;
  d->error.pub.emit_message = silent_message;
  d->error.pub.output_message = silent_output;

  ImageFileHandle* h = ImageHandleNew(d);
  bool sizeKnown = false;
  int e = read_header(d, h, &sizeKnown);
  *error = e;
  // an unsupported colour space keeps the handle, so that the size is still reported
  if (e == IMAGE_OK || (e == IMAGE_ERR_VARIANT && sizeKnown)) return h;
  free_data(d);
  ImageHandleDelete(h);
  return nullptr;
}

void jpeg_close(ImageFileHandle* h) {
  if (h == nullptr) return;
  free_data(static_cast<JpegData*>(h->driverData));
  ImageHandleDelete(h);
}

int jpeg_read_palette(ImageFileHandle* h, uint32_t* palette) {
  for (int i = 0; i < h->paletteSize; ++i) palette[i] = ImagePaletteEntry(i, i, i);
  return IMAGE_OK;
}

// Reads one scan line into line; false on a fatal error or when no line came. Holds a jump
// target, so it changes none of its locals.
bool scan_line(JpegData* d, unsigned char* line) {
  if (setjmp(d->error.jump)) return false;
  if (d->cinfo.output_scanline >= d->cinfo.output_height) return false;
  JSAMPROW rows[1] = {line};
  return jpeg_read_scanlines(&d->cinfo, rows, 1) == 1;
}

// Starts decompression on the first call, then reads one scan line into line (null: the
// driver's row buffer).
bool read_line(JpegData* d, unsigned char* line) {
  if (!d->started && start_output(d) != IMAGE_OK) return false;
  if (d->row == nullptr) return false;
  return scan_line(d, line != nullptr ? line : d->row);
}

int jpeg_read_row(ImageFileHandle* h, unsigned char* row) {
  JpegData* d = static_cast<JpegData*>(h->driverData);
  if (d->cinfo.out_color_space != JCS_GRAYSCALE) return IMAGE_ERR_VARIANT;
  // a grey scan line is exactly the row of indices
  if (!read_line(d, row)) return IMAGE_ERR_READ;
  --h->currentRow;
  return IMAGE_OK;
}

int jpeg_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green,
                      unsigned char* blue) {
  JpegData* d = static_cast<JpegData*>(h->driverData);
  const J_COLOR_SPACE out = d->cinfo.out_color_space;
  if (out != JCS_RGB && out != JCS_CMYK) return IMAGE_ERR_VARIANT;
  if (!read_line(d, nullptr)) return IMAGE_ERR_READ;
  const unsigned char* p = d->row;
  const int width = h->width;
  if (out == JCS_RGB) {
    ImageSplitSamples(p, 3, static_cast<size_t>(width), red, green, blue);
  } else {
    // Adobe's YCCK files hold inverted CMYK
    const unsigned flip = d->fileSpace == JCS_YCCK ? 255u : 0u;
    for (int x = 0; x < width; ++x, p += 4) {
      unsigned c = p[0] ^ flip, m = p[1] ^ flip, y = p[2] ^ flip, k = p[3] ^ flip;
      red[x] = static_cast<unsigned char>((255 - c) * (255 - k) / 255);
      green[x] = static_cast<unsigned char>((255 - m) * (255 - k) / 255);
      blue[x] = static_cast<unsigned char>((255 - y) * (255 - k) / 255);
    }
  }
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

ImageFormatDriver ImageDriverJPEG = {
    0,       ImageDriverQuery, jpeg_open,         nullptr, jpeg_close, jpeg_read_palette,
    nullptr, jpeg_read_row,    nullptr,           jpeg_read_rgb_row, nullptr, "JPEG",
};
