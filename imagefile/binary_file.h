#pragma once
// Byte-order-aware file access shared by every format driver.
//
// Reading is buffered here (one block at a time), so drivers may read byte by byte through
// BinaryFileGetByte without a stdio call per byte. The error flag is sticky: a read past the
// end of the file, or any failed stream operation, sets it for good and the read delivers
// zeros for the missing bytes. Those zeros are never picture data: a driver reads a whole row
// or header, checks BinaryFileError (or uses BinaryFileReadExact) at the block boundary and
// fails with a read error when the read came up short.
//
// Only regular files are opened for reading; a directory, FIFO, socket or device is refused
// before anything blocks on it, so a path may safely be opened once per driver.

#include <cstdarg>
#include <cstddef>
#include <cstdint>

enum BinaryFileMode { BINARY_FILE_READ = 0, BINARY_FILE_WRITE = 1 };
enum BinaryFileByteOrder { BINARY_FILE_LITTLE_ENDIAN = 0, BINARY_FILE_BIG_ENDIAN = 1 };

// The stream operations, over the standard library's buffered file streams by default.
// Every operation returns -1 (or null for open) on failure unless noted.
struct BinaryStreamOps {
  void* (*open)(const char* path, const char* mode);  // mode "rb" or "wb"
  int (*close)(void* stream);
  long long (*size)(void* stream);
  size_t (*read)(void* stream, void* data, size_t count);         // bytes read
  size_t (*write)(void* stream, const void* data, size_t count);  // bytes written
  int (*vprint)(void* stream, const char* format, va_list args);  // formatted write
  int (*error)(void* stream);                                     // non-zero after an error
  int (*seekSet)(void* stream, long long offset);                 // 0 on success
  int (*skip)(void* stream, long long count);                     // forward, 0 on success
  int (*seekEnd)(void* stream, long long offset);                 // 0 on success
  long long (*tell)(void* stream);
  int (*endOfFile)(void* stream);  // non-zero at the end of the file
  // Maps the whole file read-only (null when the stream cannot be mapped); may be null.
  const void* (*map)(void* stream, size_t* size);
  void (*unmap)(const void* base, size_t size);
};

// The standard-library implementation of the stream table.
extern const BinaryStreamOps kBinaryStdioStream;

struct BinaryFile {
  const BinaryStreamOps* ops;
  void* stream;
  int mode;       // BINARY_FILE_READ or BINARY_FILE_WRITE
  int byteOrder;  // the file's: BINARY_FILE_LITTLE_ENDIAN or BINARY_FILE_BIG_ENDIAN
  int error;      // sticky: set by a short read, a failed seek or write; never cleared
  int endOfFile;  // set when a read met the end of the file
  // read buffer: bytes [bufferPos, bufferLength) are the file's bytes from
  // bufferStart + bufferPos on; empty for files opened for writing
  unsigned char* buffer;
  size_t bufferPos;
  size_t bufferLength;
  long long bufferStart;  // file offset of buffer[0]
};

// What a path is, looked at before a file is opened for reading (BinaryFileCheckPath).
enum BinaryFilePathCheck {
  BINARY_FILE_PATH_OK = 0,           // a regular file
  BINARY_FILE_PATH_MISSING = 1,      // no such file (or no path)
  BINARY_FILE_PATH_DENIED = 2,       // no permission to look at it
  BINARY_FILE_PATH_DIRECTORY = 3,    // a directory
  BINARY_FILE_PATH_NOT_REGULAR = 4,  // a FIFO, socket or device: reading it may block or never end
};
// Says what path is, without opening it; only BINARY_FILE_PATH_OK may be opened for reading.
int BinaryFileCheckPath(const char* path);
// A short phrase for a BinaryFilePathCheck value, for error messages ("it is a directory").
const char* BinaryFilePathText(int check);

// Opens path for reading ("rb") or writing ("wb"); null when it cannot be opened, or, for
// reading, when it is not a regular file.
BinaryFile* BinaryFileOpen(const char* path, const char* mode, int byteOrder);
// As BinaryFileOpen over another stream table.
BinaryFile* BinaryFileOpenWith(const BinaryStreamOps* ops, const char* path, const char* mode,
                               int byteOrder);
// Closes the stream and frees the record; returns 0, or -1 when the stream reported an error.
int BinaryFileClose(BinaryFile* file);

// Reads count bytes; returns how many came from the file. Missing bytes are zeros and set the
// error flag. Does nothing (returns 0) on a file opened for writing.
size_t BinaryFileRead(BinaryFile* file, void* data, size_t count);
// BinaryFileRead that says whether all count bytes came from the file (and no error happened
// before): false for a short read, which drivers report as a read error, never as zeros.
bool BinaryFileReadExact(BinaryFile* file, void* data, size_t count);
// Refills the buffer and returns the next byte, or 0 with the error flag set at the end.
int BinaryFileGetByteSlow(BinaryFile* file);
// The next byte (0..255), or 0 with the error flag set at the end of the file.
inline int BinaryFileGetByte(BinaryFile* file) {
  if (file->bufferPos < file->bufferLength) return file->buffer[file->bufferPos++];
  return BinaryFileGetByteSlow(file);
}

// 16- and 32-bit words in the file's byte order, swapped to the machine's.
uint16_t BinaryFileReadWord(BinaryFile* file);
uint32_t BinaryFileReadDWord(BinaryFile* file);
// count words into words[]; returns the count read in full
size_t BinaryFileReadWords(BinaryFile* file, uint16_t* words, size_t count);
size_t BinaryFileReadDWords(BinaryFile* file, uint32_t* words, size_t count);

// Writing; each returns the count written (0 on a file opened for reading) and sets the
// error flag on a short write. Words are swapped to the file's byte order first.
size_t BinaryFileWrite(BinaryFile* file, const void* data, size_t count);
size_t BinaryFileWriteWords(BinaryFile* file, const uint16_t* words, size_t count);
size_t BinaryFileWriteDWords(BinaryFile* file, const uint32_t* words, size_t count);
// printf-style write; returns the character count, or -1 (error flag set)
int BinaryFilePrintf(BinaryFile* file, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Positioning: each returns 0, or -1 with the error flag set. A position past the end is
// allowed; the next read then fails.
int BinaryFileSeek(BinaryFile* file, long long offset);         // from the start
int BinaryFileSkip(BinaryFile* file, long long count);          // forward from here
int BinaryFileSeekFromEnd(BinaryFile* file, long long offset);  // offset bytes before the end
long long BinaryFileTell(BinaryFile* file);
long long BinaryFileSize(BinaryFile* file);  // -1 when unknown (error flag set)
// The whole file mapped read-only, for libraries that read faster from memory; null (and *size 0)
// when the stream cannot be mapped. Undone with BinaryFileUnmap before the file is closed.
const void* BinaryFileMap(BinaryFile* file, size_t* size);
void BinaryFileUnmap(BinaryFile* file, const void* base, size_t size);
// Whether the file is at least `bytes` long: lets a driver of an uncompressed format check that
// the file holds the rows its header claims before it allocates anything for them.
bool BinaryFileHolds(BinaryFile* file, unsigned long long bytes);
// Non-zero once any read past the end or any failed stream operation happened. Cheap enough
// to call per byte, though decoders need only check it at block boundaries.
inline int BinaryFileError(const BinaryFile* file) { return file->error; }
int BinaryFileEndOfFile(const BinaryFile* file);
