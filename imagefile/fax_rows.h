#pragma once
// Rows of fax coding (ITU-T T.4 one-dimensional, "Modified Huffman"), as OS/2 bitmaps store
// 1-bit pictures. libtiff's CCITT decoder reads them: the coded bytes are wrapped in a one-strip
// TIFF file held in memory, so the run-length code tables live in one well-tested place only.

#include <cstddef>
#include <cstdint>

#include "binary_file.h"

struct FaxRows;

// Reads `bytes` coded bytes from `file` at `offset` (bits filled most significant first) for a
// picture of width x height pixels whose dimensions have been checked. Rows may begin with an
// end-of-line code (T.4) or, without them, start on a byte boundary. 0 with *rows set, 2 when
// the bytes are not in the file or libtiff refuses them, 5 when rows this wide cost too much.
int FaxRowsOpen(BinaryFile* file, long long offset, size_t bytes, int width, int height, FaxRows** rows /* out */);
// The next row, (width + 7) / 8 bytes, most significant bit first, a set bit black. 2 once the
// coding is damaged (a bad code, a row of the wrong length, the data ending early), for this
// row and every later one: libtiff would carry on with a guess. 5 as for FaxRowsOpen.
int FaxRowsRead(FaxRows* rows, unsigned char* bits /* out */);
// Accepts null.
void FaxRowsClose(FaxRows* rows);
