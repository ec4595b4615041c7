// GIF reader: the first image of a GIF file (87a or 89a) as a MAP image with its colour table,
// decoded row by row by the variable-length LZW scheme of the GIF standard, interlaced or not.
#include <cstring>
#include <new>

#include "decode_bounds.h"
#include "format_driver.h"

namespace {

constexpr int kTableSize = 4096;     // codes are at most 12 bits wide
constexpr uint16_t kNoCode = 4098;   // "no code": an undefined prefix, or no last code yet
constexpr int kMaxCodeWidth = 12;
// A string is at most 4096 bytes long and costs a code of at most 12 bits, so no LZW stream
// yields more than 4096 x 8 / 12 pixels per byte: a file with fewer bytes than that cannot
// hold its picture, and is refused before anyone allocates the planes.
constexpr unsigned long long kMostPixelsPerByte = 2731;
// Work bound: above the floor every driver allows, a picture may have at most this many pixels
// per byte of LZW data. Only pictures of one flat colour get near the format's own limit (a
// photograph gives a few pixels per byte, a diagram tens); one of 2^28 pixels stays readable
// from 256 KB of data.
constexpr unsigned long long kWorkPixelsPerByte = 1024;

// What may follow the screen descriptor: an extension (skipped) or the image descriptor.
constexpr int kExtensionIntroducer = 0x21;  // '!'
constexpr int kImageSeparator = 0x2C;       // ','
// Bits of the screen's and the image's packed fields.
constexpr int kColourTableFlag = 0x80;
constexpr int kInterlaceFlag = 0x40;

// Interlace passes, rows counted from the top of the picture.
constexpr int kPassStart[4] = {0, 4, 2, 1};
constexpr int kPassStep[4] = {8, 8, 4, 2};

struct GifData {
  BinaryFile* file;
  long long palettePosition;  // offset of the colour table in use (local, else global)
  long long dataPosition;     // offset of the LZW data; consumed by the first row read
  bool started;               // the first row has been read
  bool ended;                 // the end code has been met
  bool interlaced;
  int pass;

  // LZW state
  int codeSize;    // the minimum code size byte
  int clearCode;
  int endCode;
  int nextCode;    // counts every code read; the entry being defined is nextCode - 2
  int codeWidth;   // bits of the next code
  int codeLimit;   // the width grows when nextCode passes this
  int lastCode;
  uint64_t bits;   // bit accumulator, least significant bit first
  int bitCount;
  int blockLeft;   // bytes left in the current data sub-block

  // bytes of a code's string that did not fit in the previous row, in output order
  int pendingPos;
  int pendingLength;

  uint16_t prefix[kTableSize];  // the code an entry extends; kNoCode when undefined
  uint8_t suffix[kTableSize];   // the byte it adds
  uint8_t first[kTableSize];    // the first byte of its string
  uint16_t length[kTableSize];  // the length of its string
  uint8_t pending[kTableSize];
};

void reset_table(GifData* g) {
  for (int i = 0; i < kTableSize; ++i) g->prefix[i] = kNoCode;
  g->nextCode = g->endCode + 1;
  g->codeWidth = g->codeSize + 1;
  g->codeLimit = 1 << g->codeWidth;
  g->lastCode = kNoCode;
}

void init_decoder(GifData* g) {
  g->clearCode = 1 << g->codeSize;
  g->endCode = g->clearCode + 1;
  for (int i = 0; i < g->clearCode; ++i) {
    g->suffix[i] = static_cast<uint8_t>(i);
    g->first[i] = static_cast<uint8_t>(i);
    g->length[i] = 1;
  }
  reset_table(g);
  g->bits = 0;
  g->bitCount = 0;
  g->blockLeft = 0;
  g->pendingPos = g->pendingLength = 0;
}

// The next code of the stream, or -1 when the data end (a zero-length sub-block before the
// end code counts as damaged data, as does the end of the file).
int next_code(GifData* g) {
  while (g->bitCount < g->codeWidth) {
    if (g->blockLeft == 0) {
      int length = BinaryFileGetByte(g->file);
      if (length == 0 || BinaryFileError(g->file)) return -1;
      g->blockLeft = length;
    }
    --g->blockLeft;
    g->bits |= static_cast<uint64_t>(BinaryFileGetByte(g->file)) << g->bitCount;
    g->bitCount += 8;
  }
  int code = static_cast<int>(g->bits & ((1u << g->codeWidth) - 1));
  g->bits >>= g->codeWidth;
  g->bitCount -= g->codeWidth;
  // counted up to one past a full table only, so a long stream cannot overflow it
  if (g->nextCode <= kTableSize + 1) {
    ++g->nextCode;
    if (g->nextCode > g->codeLimit && g->codeWidth < kMaxCodeWidth) {
      g->codeLimit <<= 1;
      ++g->codeWidth;
    }
  }
  return code;
}

// Writes the string of a defined code into out[0, room) and keeps what does not fit pending.
// Returns the bytes written to out.
int emit_string(GifData* g, int code, uint8_t* out, int room) {
  const int n = g->length[code];
  if (n <= room) {
    for (int i = n - 1; i > 0; --i) {
      out[i] = g->suffix[code];
      code = g->prefix[code];
    }
    out[0] = static_cast<uint8_t>(code);
    return n;
  }
  for (int i = n - 1; i > 0; --i) {
    g->pending[i] = g->suffix[code];
    code = g->prefix[code];
  }
  g->pending[0] = static_cast<uint8_t>(code);
  std::memcpy(out, g->pending, static_cast<size_t>(room));
  g->pendingPos = room;
  g->pendingLength = n;
  return room;
}

// Decodes n pixels into row; IMAGE_OK or IMAGE_ERR_READ.
int decode_row(GifData* g, uint8_t* row, int n) {
  int x = 0;
  if (g->pendingPos < g->pendingLength) {
    int take = g->pendingLength - g->pendingPos;
    if (take > n) take = n;
    std::memcpy(row, g->pending + g->pendingPos, static_cast<size_t>(take));
    g->pendingPos += take;
    x = take;
  }
  while (x < n) {
    if (g->ended) return IMAGE_ERR_READ;
    int code = next_code(g);
    if (code < 0) return IMAGE_ERR_READ;
    if (code == g->endCode) {
      // tolerated only in place of the row's last pixel, which then reads index 0
      if (x != n - 1) return IMAGE_ERR_READ;
      row[x++] = 0;
      g->ended = true;
      break;
    }
    if (code == g->clearCode) {
      reset_table(g);
      continue;
    }
    int firstByte;
    if (code < g->clearCode) {
      // a size above 8 leaves room for pixel codes no byte of the row can hold
      if (code > 255) return IMAGE_ERR_READ;
      firstByte = code;
    } else if (g->prefix[code] != kNoCode) {
      firstByte = g->first[code];
    } else {
      // an undefined code is only valid as the entry being defined right now
      if (code != g->nextCode - 2 || g->lastCode == kNoCode) return IMAGE_ERR_READ;
      firstByte = g->first[g->lastCode];
    }
    // a full table takes no new entries until the next clear code; every entry extends an
    // older code, so prefix chains always end on a pixel and their length is bounded
    const int entry = g->nextCode - 2;
    if (g->lastCode != kNoCode && entry < kTableSize) {
      g->prefix[entry] = static_cast<uint16_t>(g->lastCode);
      g->suffix[entry] = static_cast<uint8_t>(firstByte);
      g->first[entry] = g->first[g->lastCode];
      g->length[entry] = static_cast<uint16_t>(g->length[g->lastCode] + 1);
    }
    if (code < g->clearCode) {
      row[x++] = static_cast<uint8_t>(code);
    } else {
      x += emit_string(g, code, row + x, n - x);
    }
    g->lastCode = code;
  }
  return BinaryFileError(g->file) ? IMAGE_ERR_READ : IMAGE_OK;
}

void advance_row(ImageFileHandle* h, GifData* g) {
  if (!g->interlaced) {
    --h->currentRow;
    return;
  }
  int fromTop = h->height - 1 - h->currentRow + kPassStep[g->pass];
  while (fromTop >= h->height && g->pass < 3) {
    ++g->pass;
    fromTop = kPassStart[g->pass];
  }
  // past the last pass the row leaves the picture, which the caller's count never reaches
  h->currentRow = h->height - 1 - fromTop;
}

void free_data(GifData* g) {
  if (g == nullptr) return;
  BinaryFileClose(g->file);
  delete g;
}

// Skips the data sub-blocks of an extension up to its zero-length terminator.
bool skip_sub_blocks(BinaryFile* f) {
  for (;;) {
    int length = BinaryFileGetByte(f);
    if (BinaryFileError(f)) return false;
    if (length == 0) return true;
    BinaryFileSkip(f, length);
  }
}

long long colour_table_entries(int packed) { return 1LL << ((packed & 7) + 1); }

// For an open that gives up on the file: frees everything, reports `code`, returns no handle.
ImageFileHandle* refuse(GifData* g, int code, int* error) {
  free_data(g);
  *error = code;
  return nullptr;
}

ImageFileHandle* gif_open(const char* path, int* error) {
  BinaryFile* f = ImageDriverOpenFile(path, BINARY_FILE_LITTLE_ENDIAN, error);
  if (f == nullptr) return nullptr;
  GifData* g = new (std::nothrow) GifData;
  if (g == nullptr) return ImageDriverRefuse(f, IMAGE_ERR_READ, error);
  g->file = f;
  g->palettePosition = 0;
  g->started = g->ended = false;
  g->pass = 0;

  char signature[3];
  BinaryFileRead(f, signature, 3);
  if (BinaryFileError(f) || std::memcmp(signature, "GIF", 3) != 0) return refuse(g, IMAGE_ERR_FORMAT, error);
  // version and logical screen size
  BinaryFileSkip(f, 7);
  int packed = BinaryFileGetByte(f);
  BinaryFileSkip(f, 2);  // background colour, aspect
  long long entries = 0;
  if (packed & kColourTableFlag) {
    entries = colour_table_entries(packed);
    g->palettePosition = BinaryFileTell(f);
    BinaryFileSkip(f, 3 * entries);
  }

  int width = 0, height = 0;
  for (;;) {
    int block = BinaryFileGetByte(f);
    if (BinaryFileError(f)) return refuse(g, IMAGE_ERR_READ, error);
    if (block == kExtensionIntroducer) {
      BinaryFileGetByte(f);  // label
      if (!skip_sub_blocks(f)) return refuse(g, IMAGE_ERR_FORMAT, error);
      continue;
    }
    if (block != kImageSeparator) return refuse(g, IMAGE_ERR_FORMAT, error);
    BinaryFileSkip(f, 4);  // left, top
    width = BinaryFileReadWord(f);
    height = BinaryFileReadWord(f);
    int imagePacked = BinaryFileGetByte(f);
    g->interlaced = (imagePacked & kInterlaceFlag) != 0;
    if (imagePacked & kColourTableFlag) {
      entries = colour_table_entries(imagePacked);
      g->palettePosition = BinaryFileTell(f);
      BinaryFileSkip(f, 3 * entries);
    }
    break;
  }
  g->codeSize = BinaryFileGetByte(f);
  g->dataPosition = BinaryFileTell(f);
  // (with no colour table at all the standard leaves the colours to the reader: the palette
  // size stays 0 and the indices show as the grey of their level, as other readers show them)
  if (BinaryFileError(f)) return refuse(g, IMAGE_ERR_READ, error);
  int dims = ImageCheckDimensions(width, height);
  if (dims != IMAGE_OK) return refuse(g, dims, error);

  ImageFileHandle* h = ImageHandleNew(g);
  h->width = width;
  h->height = height;
  h->colourMode = IMAGE_MAP;
  h->compression = IMAGE_COMPRESSION_DECODED;
  h->paletteSize = static_cast<int>(entries);
  h->currentRow = height - 1;  // pass 0 of an interlaced image starts at the top row too
  // encoders write the smallest size that covers the colour table, 2 to 8; 1 is not in the
  // standard but some writers use it for two colours, and a few write sizes up to 11 (the
  // largest that leaves the 12-bit codes room for the clear and end codes) over pixels that
  // still fit a byte; all of them decode alike
  if (g->codeSize < 1 || g->codeSize > kMaxCodeWidth - 1) {
    *error = IMAGE_ERR_VARIANT;
    return h;
  }
  const unsigned long long pixels = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
  if (!ImageDataCanHold(f, g->dataPosition, pixels, 1, kMostPixelsPerByte, 1)) {
    ImageDriverClose<GifData>(h);
    *error = IMAGE_ERR_READ;
    return nullptr;
  }
  init_decoder(g);
  *error = ImageWorkWithin(pixels, ImageBytesFrom(f, g->dataPosition), kWorkPixelsPerByte) ? IMAGE_OK : IMAGE_ERR_VARIANT;
  return h;
}


int gif_read_palette(ImageFileHandle* h, uint32_t* palette) {
  GifData* g = static_cast<GifData*>(h->driverData);
  BinaryFile* f = g->file;
  if (BinaryFileSeek(f, g->palettePosition) != 0) return IMAGE_ERR_READ;
  uint8_t rgb[3 * 256];
  BinaryFileRead(f, rgb, static_cast<size_t>(3 * h->paletteSize));
  if (BinaryFileError(f)) return IMAGE_ERR_READ;
  for (int i = 0; i < h->paletteSize; ++i) {
    palette[i] = ImagePaletteEntry(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  }
  return IMAGE_OK;
}

int gif_read_row(ImageFileHandle* h, unsigned char* row) {
  GifData* g = static_cast<GifData*>(h->driverData);
  if (!g->started) {
    g->started = true;
    if (BinaryFileSeek(g->file, g->dataPosition) != 0) return IMAGE_ERR_READ;
  }
  int e = decode_row(g, row, h->width);
  if (e != IMAGE_OK) return e;
  advance_row(h, g);
  return IMAGE_OK;
}

}  // namespace

constexpr ImageFormatDriver GifDriver() {
  ImageFormatDriver d = ImageDriverRecord("GIF");
  d.open = gif_open;
  d.close = ImageDriverClose<GifData>;
  d.readPalette = gif_read_palette;
  d.readRow = gif_read_row;
  return d;
}

ImageFormatDriver ImageDriverGIF = GifDriver();
