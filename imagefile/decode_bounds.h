#pragma once
// What a driver checks before the caller sizes the planes: that the file can hold the rows its
// header claims, and that a compressed picture does not ask for more work than its bytes can
// justify. Both answer before anything is allocated, so a 54-byte file that claims 2^28 pixels
// costs nothing. Header dimensions have passed ImageCheckDimensions, so the products below fit.

#include "binary_file.h"
#include "format_driver.h"

// Bytes of the file from `offset` on (0 when the offset lies past the end, -1 when the size is
// unknown, which leaves the error flag set).
inline long long ImageBytesFrom(BinaryFile* file, long long offset) {
  const long long size = BinaryFileSize(file);
  if (size < 0) return -1;
  return size > offset ? size - offset : 0;
}

// True when the data from `offset` on can hold `units` units (bytes or pixels) of `unitBytes`
// bytes each. Raw data (runBytes 0) must have every byte of them: rows that are not there are
// a truncated file (2), not a picture to allocate and fill with zeros. Coded data must have the
// bytes of the fewest runs that could make them, at most `mostPerRun` units for `runBytes` bytes
// each: a coding with a longest run cannot do better than that however it is written.
inline bool ImageDataCanHold(BinaryFile* file, long long offset, unsigned long long units, unsigned long long unitBytes,
                             unsigned long long mostPerRun = 0, unsigned long long runBytes = 0) {
  if (offset < 0) return false;
  if (runBytes == 0) return ImageDriverFileHolds(file, static_cast<unsigned long long>(offset), unitBytes, units);
  const long long have = ImageBytesFrom(file, offset);
  if (have < 0) return false;
  return units / mostPerRun <= static_cast<unsigned long long>(have) / runBytes + 1;
}

// Pixels any compressed picture may decode to whatever its size: 16 M pixels, 48 MB of planes.
constexpr unsigned long long kImageWorkFloor = 1ULL << 24;

// Decode work bound for codings whose escapes make pixels out of no data (a BMP end of bitmap or
// delta, SGI rows that share their bytes): above the floor a picture may have at most `perByte`
// pixels for each byte of coded data. A file beyond it is refused as a variant not read (5);
// codings without such escapes are bounded by their longest run instead (ImageDataCanHold).
inline bool ImageWorkWithin(unsigned long long pixels, long long dataBytes, unsigned long long perByte) {
  if (pixels <= kImageWorkFloor) return true;
  return dataBytes > 0 && pixels / perByte <= static_cast<unsigned long long>(dataBytes);
}
