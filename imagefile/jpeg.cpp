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

// Every scan of a multi-scan file visits every block of the components it covers, however few
// bytes it has, so a small file of many empty scans costs scans x pixels of work. Real files
// stay far below this (a 2^28-pixel picture may have 16 scans, a 12-megapixel photograph 350).
constexpr unsigned long long kMaxScanWork = 1ULL << 32;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  int code;  // the library code a jump back stands for; set by whoever jumps
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

[[noreturn]] void jump_back(j_common_ptr cinfo, int code) {
  JpegErrorManager* e = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  e->code = code;
  std::longjmp(e->jump, 1);
}

// What libjpeg's fatal error means to the caller. The file began with a JPEG start-of-image
// marker (the open checks that first), so it is a JPEG: only a stream with no image in it at
// all is "not of this format".
int error_code(int msgCode) {
  switch (msgCode) {
    case JERR_NO_IMAGE:
    case JERR_NO_SOI:
      return IMAGE_ERR_FORMAT;
    case JERR_BAD_PRECISION:     // 12- and 16-bit samples
    case JERR_SOF_UNSUPPORTED:   // lossless and hierarchical processes
    case JERR_ARITH_NOTIMPL:
    case JERR_NOTIMPL:
    case JERR_IMAGE_TOO_BIG:
    case JERR_NO_BACKING_STORE:  // coefficient buffers beyond the memory bound
    case JERR_OUT_OF_MEMORY:
      return IMAGE_ERR_VARIANT;
    default:
      return IMAGE_ERR_READ;
  }
}

[[noreturn]] void fatal_error(j_common_ptr cinfo) { jump_back(cinfo, error_code(cinfo->err->msg_code)); }

// Warnings are silent, except the one that says the file ended early: libjpeg would go on and
// fill the rest of the picture with grey, and the caller would take a cut file for a whole one.
// A damaged segment in a whole file (libjpeg resyncs at the next restart marker, as every reader
// does) stays a warning.
void emit_message(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) jump_back(cinfo, IMAGE_ERR_READ);
}
void silent_output(j_common_ptr) {}

void check_scans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
  const unsigned long long scans = d->input_scan_number > 0 ? static_cast<unsigned>(d->input_scan_number) : 0;
  const unsigned long long pixels = static_cast<unsigned long long>(d->image_width) * d->image_height;
  if (d->input_scan_number > kMaxScans || scans * pixels > kMaxScanWork) {
    jump_back(cinfo, IMAGE_ERR_VARIANT);
  }
}

void source_init(j_decompress_ptr) {}

boolean source_fill(j_decompress_ptr cinfo) {
  JpegSource* s = reinterpret_cast<JpegSource*>(cinfo->src);
  size_t n = BinaryFileRead(s->file, s->block, kSourceBlock);
  if (n == 0) {
    if (!s->readAnything) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // the premature-end warning fails the decode (emit_message); the end-of-image marker after
    // it is what libjpeg's own sources supply, should the warning ever be let through
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

// Whether entropy-coded data follow the scan header just read: in them 0xFF is always followed
// by a zero byte, so 0xFF and anything else is a marker (or the end of the file), and the scan
// is empty. Keeps the bytes it looks at in the source's buffer.
bool scan_has_data(j_decompress_ptr cinfo) {
  JpegSource* s = reinterpret_cast<JpegSource*>(cinfo->src);
  if (s->pub.bytes_in_buffer < 2) {
    const size_t kept = s->pub.bytes_in_buffer;
    if (kept == 1) s->block[0] = *s->pub.next_input_byte;
    const size_t n = BinaryFileRead(s->file, s->block + kept, kSourceBlock - kept);
    s->pub.next_input_byte = s->block;
    s->pub.bytes_in_buffer = kept + n;
    if (kept + n < 2) return false;
  }
  const JOCTET* p = s->pub.next_input_byte;
  return !(p[0] == 0xFF && p[1] != 0x00);
}

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
  jpeg_decompress_struct* cinfo = &d->cinfo;
  if (setjmp(d->error.jump)) {
    // 12-bit files fail once their frame header is read: the size is known and worth reporting
    if (d->error.code == IMAGE_ERR_VARIANT && cinfo->image_width > 0 && cinfo->image_height > 0 &&
        ImageCheckDimensions(cinfo->image_width, cinfo->image_height) == IMAGE_OK) {
      h->width = static_cast<int>(cinfo->image_width);
      h->height = static_cast<int>(cinfo->image_height);
      h->compression = IMAGE_COMPRESSION_UNSUPPORTED;
      h->colourMode = IMAGE_RGB;
      h->currentRow = h->height - 1;
      *sizeKnown = true;
    }
    return d->error.code;
  }

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
  // the picture must not be allocated for a file that ends at its first scan header
  if (!scan_has_data(cinfo)) return IMAGE_ERR_READ;
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
  if (setjmp(d->error.jump)) return d->error.code;
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
  // Only a file that starts with the start-of-image marker is ours; after it, any fault (a cut
  // header included) is a damaged JPEG, not an unknown format for the next driver to try.
  unsigned char soi[2] = {0, 0};
  if (!BinaryFileReadExact(f, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8 || BinaryFileSeek(f, 0) != 0) {
    return ImageDriverRefuse(f, IMAGE_ERR_FORMAT, error);
  }
  JpegData* d = new (std::nothrow) JpegData{};
  if (d == nullptr) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  d->file = f;
  d->cinfo.err = jpeg_std_error(&d->error.pub);
  d->error.pub.error_exit = fatal_error;
  d->error.pub.emit_message = emit_message;
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

// Reads one scan line into line; the library's code (2 when no line came). Holds a jump
// target, so it changes none of its locals.
int scan_line(JpegData* d, unsigned char* line) {
  if (setjmp(d->error.jump)) return d->error.code;
  if (d->cinfo.output_scanline >= d->cinfo.output_height) return IMAGE_ERR_READ;
  JSAMPROW rows[1] = {line};
  return jpeg_read_scanlines(&d->cinfo, rows, 1) == 1 ? IMAGE_OK : IMAGE_ERR_READ;
}

// Starts decompression on the first call, then reads one scan line into line (null: the
// driver's row buffer).
int read_line(JpegData* d, unsigned char* line) {
  if (!d->started) {
    const int e = start_output(d);
    if (e != IMAGE_OK) return e;
  }
  if (d->row == nullptr) return IMAGE_ERR_READ;
  return scan_line(d, line != nullptr ? line : d->row);
}

int jpeg_read_row(ImageFileHandle* h, unsigned char* row) {
  JpegData* d = static_cast<JpegData*>(h->driverData);
  if (d->cinfo.out_color_space != JCS_GRAYSCALE) return IMAGE_ERR_VARIANT;
  // a grey scan line is exactly the row of indices
  const int e = read_line(d, row);
  if (e != IMAGE_OK) return e;
  --h->currentRow;
  return IMAGE_OK;
}

int jpeg_read_rgb_row(ImageFileHandle* h, unsigned char* red, unsigned char* green,
                      unsigned char* blue) {
  JpegData* d = static_cast<JpegData*>(h->driverData);
  const J_COLOR_SPACE out = d->cinfo.out_color_space;
  if (out != JCS_RGB && out != JCS_CMYK) return IMAGE_ERR_VARIANT;
  const int e = read_line(d, nullptr);
  if (e != IMAGE_OK) return e;
  const unsigned char* p = d->row;
  const int width = h->width;
  if (out == JCS_RGB) {
    ImageSplitSamples(p, 3, static_cast<size_t>(width), red, green, blue);
  } else {
    // Adobe's applications write CMYK inverted (0 is full ink) and mark the file with their
    // APP14 segment; YCCK exists only in such files. Every reader inverts these.
    const bool inverted = d->cinfo.saw_Adobe_marker || d->fileSpace == JCS_YCCK;
    const unsigned flip = inverted ? 255u : 0u;
    for (int x = 0; x < width; ++x, p += 4) {
      ImageInkToRgb(p[0] ^ flip, p[1] ^ flip, p[2] ^ flip, p[3] ^ flip, red + x, green + x, blue + x);
    }
  }
  --h->currentRow;
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver JpegDriver() {
  ImageFormatDriver d = ImageDriverRecord("JPEG");
  d.open = jpeg_open;
  d.close = jpeg_close;
  d.readPalette = jpeg_read_palette;
  d.readRow = jpeg_read_row;
  d.readRgbRow = jpeg_read_rgb_row;
  return d;
}

ImageFormatDriver ImageDriverJPEG = JpegDriver();
