#include "binary_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// One block of file bytes; large enough that a BMP or Targa row of a big photo is a
// single read, small enough to stay in cache.
constexpr size_t kBufferSize = 64 * 1024;

// Only regular files are opened for reading: a directory opens as a stream that reads nothing, a
// FIFO blocks in open until a writer comes (and again on every later open of the same path), and
// a device such as /dev/zero never ends. The path is looked at first, and the opened descriptor
// again (non-blocking, so a FIFO put there in between cannot hang us), because the path may be
// replaced between the two.
void* stdio_open(const char* path, const char* mode) {
  if (mode[0] != 'r') return std::fopen(path, mode);
  if (BinaryFileCheckPath(path) != BINARY_FILE_PATH_OK) return nullptr;
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}
int stdio_close(void* s) { return std::fclose(static_cast<FILE*>(s)) == 0 ? 0 : -1; }
size_t stdio_read(void* s, void* data, size_t n) { return std::fread(data, 1, n, static_cast<FILE*>(s)); }
size_t stdio_write(void* s, const void* data, size_t n) {
  return std::fwrite(data, 1, n, static_cast<FILE*>(s));
}
int stdio_vprint(void* s, const char* format, va_list args) {
  return std::vfprintf(static_cast<FILE*>(s), format, args);
}
int stdio_error(void* s) { return std::ferror(static_cast<FILE*>(s)); }
int stdio_seek_set(void* s, long long offset) {
  return fseeko(static_cast<FILE*>(s), static_cast<off_t>(offset), SEEK_SET) == 0 ? 0 : -1;
}
int stdio_skip(void* s, long long count) {
  return fseeko(static_cast<FILE*>(s), static_cast<off_t>(count), SEEK_CUR) == 0 ? 0 : -1;
}
int stdio_seek_end(void* s, long long offset) {
  return fseeko(static_cast<FILE*>(s), -static_cast<off_t>(offset), SEEK_END) == 0 ? 0 : -1;
}
long long stdio_tell(void* s) { return static_cast<long long>(ftello(static_cast<FILE*>(s))); }
long long stdio_size(void* s) {
  FILE* f = static_cast<FILE*>(s);
  off_t here = ftello(f);
  if (here < 0 || fseeko(f, 0, SEEK_END) != 0) return -1;
  off_t end = ftello(f);
  if (fseeko(f, here, SEEK_SET) != 0) return -1;
  return static_cast<long long>(end);
}
int stdio_eof(void* s) { return std::feof(static_cast<FILE*>(s)); }
const void* stdio_map(void* s, size_t* size) {
  *size = 0;
  struct stat st;
  const int fd = fileno(static_cast<FILE*>(s));
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return nullptr;
  void* base = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (base == MAP_FAILED) return nullptr;
  *size = static_cast<size_t>(st.st_size);
  return base;
}
void stdio_unmap(const void* base, size_t size) {
  if (base != nullptr) ::munmap(const_cast<void*>(base), size);
}

bool machine_is_big_endian() {
  const uint16_t probe = 1;
  unsigned char first;
  std::memcpy(&first, &probe, 1);
  return first == 0;
}

bool needs_swap(const BinaryFile* f) {
  return (f->byteOrder == BINARY_FILE_BIG_ENDIAN) != machine_is_big_endian();
}

void swap_words(uint16_t* w, size_t n) {
  for (size_t i = 0; i < n; ++i) w[i] = static_cast<uint16_t>((w[i] >> 8) | (w[i] << 8));
}

void swap_dwords(uint32_t* w, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint32_t v = w[i];
    w[i] = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
  }
}

// Reads the next block into the buffer; false at the end of the file or on an error.
bool refill(BinaryFile* f) {
  if (f->mode != BINARY_FILE_READ || f->buffer == nullptr) return false;
  long long start = f->bufferStart + static_cast<long long>(f->bufferLength);
  size_t n = f->ops->read(f->stream, f->buffer, kBufferSize);
  f->bufferStart = start;
  f->bufferPos = 0;
  f->bufferLength = n;
  if (n < kBufferSize && f->ops->error(f->stream)) f->error = 1;
  if (n == 0) {
    f->endOfFile = 1;
    return false;
  }
  return true;
}

}  // namespace

const BinaryStreamOps kBinaryStdioStream = {
    stdio_open, stdio_close, stdio_size, stdio_read, stdio_write, stdio_vprint,
    stdio_error, stdio_seek_set, stdio_skip, stdio_seek_end, stdio_tell, stdio_eof,
    stdio_map,  stdio_unmap,
};

BinaryFile* BinaryFileOpenWith(const BinaryStreamOps* ops, const char* path, const char* mode,
                               int byteOrder) {
  if (ops == nullptr || path == nullptr || mode == nullptr) return nullptr;
  const bool reading = mode[0] == 'r';
  if (!reading && mode[0] != 'w') return nullptr;
  void* stream = ops->open(path, reading ? "rb" : "wb");
  if (stream == nullptr) return nullptr;
  BinaryFile* f = new (std::nothrow) BinaryFile{};
  unsigned char* buffer = nullptr;
  if (f != nullptr && reading) {
    // aligned so that the kernel's copy into it runs at full speed
    buffer = static_cast<unsigned char*>(std::aligned_alloc(64, kBufferSize));
  }
  if (f == nullptr || (reading && buffer == nullptr)) {
    std::free(buffer);
    delete f;
    ops->close(stream);
    return nullptr;
  }
  f->ops = ops;
  f->stream = stream;
  f->mode = reading ? BINARY_FILE_READ : BINARY_FILE_WRITE;
  f->byteOrder = byteOrder == BINARY_FILE_BIG_ENDIAN ? BINARY_FILE_BIG_ENDIAN : BINARY_FILE_LITTLE_ENDIAN;
  f->buffer = buffer;
  return f;
}

BinaryFile* BinaryFileOpen(const char* path, const char* mode, int byteOrder) {
  return BinaryFileOpenWith(&kBinaryStdioStream, path, mode, byteOrder);
}

int BinaryFileClose(BinaryFile* f) {
  if (f == nullptr) return 0;
  int result = f->error ? -1 : 0;
  if (f->ops->close(f->stream) != 0) result = -1;
  std::free(f->buffer);
  delete f;
  return result;
}

size_t BinaryFileRead(BinaryFile* f, void* data, size_t count) {
  if (f->mode != BINARY_FILE_READ) return 0;
  unsigned char* out = static_cast<unsigned char*>(data);
  size_t done = 0;
  while (done < count) {
    size_t avail = f->bufferLength - f->bufferPos;
    if (avail > 0) {
      size_t n = count - done < avail ? count - done : avail;
      std::memcpy(out + done, f->buffer + f->bufferPos, n);
      f->bufferPos += n;
      done += n;
      continue;
    }
    size_t want = count - done;
    if (want >= kBufferSize) {
      // large reads go straight to the caller, past the buffer
      long long start = f->bufferStart + static_cast<long long>(f->bufferLength);
      size_t n = f->ops->read(f->stream, out + done, want);
      if (n < want && f->ops->error(f->stream)) f->error = 1;
      f->bufferStart = start + static_cast<long long>(n);
      f->bufferPos = f->bufferLength = 0;
      done += n;
      if (n < want) {
        f->endOfFile = 1;
        break;
      }
      continue;
    }
    if (!refill(f)) break;
  }
  if (done < count) {
    std::memset(out + done, 0, count - done);
    f->error = 1;
  }
  return done;
}

int BinaryFileGetByteSlow(BinaryFile* f) {
  if (f->bufferPos < f->bufferLength) return f->buffer[f->bufferPos++];
  if (!refill(f)) {
    f->error = 1;
    return 0;
  }
  return f->buffer[f->bufferPos++];
}

uint16_t BinaryFileReadWord(BinaryFile* f) {
  uint16_t w = 0;
  BinaryFileReadWords(f, &w, 1);
  return w;
}

uint32_t BinaryFileReadDWord(BinaryFile* f) {
  uint32_t w = 0;
  BinaryFileReadDWords(f, &w, 1);
  return w;
}

size_t BinaryFileReadWords(BinaryFile* f, uint16_t* words, size_t count) {
  if (f->mode != BINARY_FILE_READ || count > SIZE_MAX / 2) return 0;
  size_t bytes = BinaryFileRead(f, words, count * 2);
  if (needs_swap(f)) swap_words(words, count);
  return bytes / 2;
}

size_t BinaryFileReadDWords(BinaryFile* f, uint32_t* words, size_t count) {
  if (f->mode != BINARY_FILE_READ || count > SIZE_MAX / 4) return 0;
  size_t bytes = BinaryFileRead(f, words, count * 4);
  if (needs_swap(f)) swap_dwords(words, count);
  return bytes / 4;
}

size_t BinaryFileWrite(BinaryFile* f, const void* data, size_t count) {
  if (f->mode != BINARY_FILE_WRITE) return 0;
  size_t n = f->ops->write(f->stream, data, count);
  if (n < count || f->ops->error(f->stream)) f->error = 1;
  return n;
}

size_t BinaryFileWriteWords(BinaryFile* f, const uint16_t* words, size_t count) {
  if (f->mode != BINARY_FILE_WRITE) return 0;
  size_t done = 0;
  for (; done < count; ++done) {
    uint16_t w = words[done];
    if (needs_swap(f)) swap_words(&w, 1);
    if (BinaryFileWrite(f, &w, 2) != 2) break;
  }
  return done;
}

size_t BinaryFileWriteDWords(BinaryFile* f, const uint32_t* words, size_t count) {
  if (f->mode != BINARY_FILE_WRITE) return 0;
  size_t done = 0;
  for (; done < count; ++done) {
    uint32_t w = words[done];
    if (needs_swap(f)) swap_dwords(&w, 1);
    if (BinaryFileWrite(f, &w, 4) != 4) break;
  }
  return done;
}

int BinaryFilePrintf(BinaryFile* f, const char* format, ...) {
  if (f->mode != BINARY_FILE_WRITE) return 0;
  va_list args;
  va_start(args, format);
  int n = f->ops->vprint(f->stream, format, args);
  va_end(args);
  if (n < 0) f->error = 1;
  return n;
}

int BinaryFileSeek(BinaryFile* f, long long offset) {
  if (offset < 0) {
    f->error = 1;
    return -1;
  }
  // a target inside the buffered block only moves the cursor
  if (f->bufferLength > 0 && offset >= f->bufferStart &&
      offset <= f->bufferStart + static_cast<long long>(f->bufferLength)) {
    f->bufferPos = static_cast<size_t>(offset - f->bufferStart);
    f->endOfFile = 0;
    return 0;
  }
  f->bufferPos = f->bufferLength = 0;
  if (f->ops->seekSet(f->stream, offset) != 0) {
    f->error = 1;
    return -1;
  }
  f->bufferStart = offset;
  f->endOfFile = 0;
  return 0;
}

int BinaryFileSkip(BinaryFile* f, long long count) {
  if (count < 0) {
    f->error = 1;
    return -1;
  }
  long long here = BinaryFileTell(f);
  if (here < 0 || count > INT64_MAX - here) {
    f->error = 1;
    return -1;
  }
  return BinaryFileSeek(f, here + count);
}

int BinaryFileSeekFromEnd(BinaryFile* f, long long offset) {
  if (offset < 0) {
    f->error = 1;
    return -1;
  }
  long long size = BinaryFileSize(f);
  if (size < 0 || offset > size) {
    f->error = 1;
    return -1;
  }
  return BinaryFileSeek(f, size - offset);
}

long long BinaryFileTell(BinaryFile* f) {
  if (f->mode == BINARY_FILE_READ) return f->bufferStart + static_cast<long long>(f->bufferPos);
  long long t = f->ops->tell(f->stream);
  if (t < 0) f->error = 1;
  return t;
}

long long BinaryFileSize(BinaryFile* f) {
  // the stream's own position is past the buffer; size() restores it
  long long size = f->ops->size(f->stream);
  if (size < 0) f->error = 1;
  return size;
}

int BinaryFileEndOfFile(const BinaryFile* f) {
  if (f->mode == BINARY_FILE_READ) return f->endOfFile && f->bufferPos >= f->bufferLength;
  return f->ops->endOfFile(f->stream);
}

int BinaryFileCheckPath(const char* path) {
  if (path == nullptr) return BINARY_FILE_PATH_MISSING;
  struct stat st;
  if (::stat(path, &st) != 0) {
    return errno == EACCES ? BINARY_FILE_PATH_DENIED : BINARY_FILE_PATH_MISSING;
  }
  if (S_ISDIR(st.st_mode)) return BINARY_FILE_PATH_DIRECTORY;
  if (!S_ISREG(st.st_mode)) return BINARY_FILE_PATH_NOT_REGULAR;
  return BINARY_FILE_PATH_OK;
}

const char* BinaryFilePathText(int check) {
  switch (check) {
    case BINARY_FILE_PATH_OK: return "a regular file";
    case BINARY_FILE_PATH_MISSING: return "no such file";
    case BINARY_FILE_PATH_DENIED: return "permission denied";
    case BINARY_FILE_PATH_DIRECTORY: return "it is a directory";
    case BINARY_FILE_PATH_NOT_REGULAR: return "it is a pipe, socket or device, not a regular file";
    default: return "it cannot be opened";
  }
}

bool BinaryFileReadExact(BinaryFile* f, void* data, size_t count) {
  return BinaryFileRead(f, data, count) == count && !f->error;
}

const void* BinaryFileMap(BinaryFile* f, size_t* size) {
  *size = 0;
  if (f->mode != BINARY_FILE_READ || f->ops->map == nullptr) return nullptr;
  return f->ops->map(f->stream, size);
}

void BinaryFileUnmap(BinaryFile* f, const void* base, size_t size) {
  if (base != nullptr && f->ops->unmap != nullptr) f->ops->unmap(base, size);
}

bool BinaryFileHolds(BinaryFile* f, unsigned long long bytes) {
  long long size = BinaryFileSize(f);
  return size >= 0 && static_cast<unsigned long long>(size) >= bytes;
}
