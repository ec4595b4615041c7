// The reader every driver uses: byte order, the sticky error past the end, seeks across its
// buffer, the checks that a file holds what a header claims, and paths that are not files.
#include <sys/stat.h>

#include <cstring>

#include "format_driver.h"
#include "image_test_util.h"

using namespace imgtest;

TEST(BinaryFile, WordsSwappedOrReadsPastTheEndForgotten) {
  const std::string path = TempPath("words.bin");
  BinaryFile* w = BinaryFileOpen(path.c_str(), "wb", BINARY_FILE_BIG_ENDIAN);
  const uint16_t word = 0x1234;
  const uint32_t dword = 0x56789ABC;
  unsigned char buf[9];
  EXPECT_TRUE(BinaryFileWriteWords(w, &word, 1) == 1 && BinaryFileWriteDWords(w, &dword, 1) == 1);
  EXPECT_EQ(BinaryFileRead(w, buf, 2), 0u) << "a file opened for writing is read";
  EXPECT_EQ(BinaryFileClose(w), 0);
  EXPECT_EQ(ReadFileBytes(path), (std::vector<unsigned char>{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
  for (int order : {BINARY_FILE_LITTLE_ENDIAN, BINARY_FILE_BIG_ENDIAN}) {
    const bool big = order == BINARY_FILE_BIG_ENDIAN;
    BinaryFile* f = BinaryFileOpen(path.c_str(), "rb", order);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(BinaryFileWrite(f, "x", 1), 0u) << "a file opened for reading is written";
    EXPECT_EQ(BinaryFileReadWord(f), big ? 0x1234 : 0x3412);
    EXPECT_EQ(BinaryFileReadDWord(f), big ? 0x56789ABCu : 0xBC9A7856u);
    EXPECT_FALSE(BinaryFileError(f));
    // past the end: zeros and an error that stays, a seek back included (a decoder checks it
    // once, at the end of its block)
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(BinaryFileSeek(f, 3), 0);
    EXPECT_EQ(BinaryFileRead(f, buf, 9), 3u);
    EXPECT_EQ(0, std::memcmp(buf, "\x78\x9A\xBC\0\0\0\0\0\0", 9));
    EXPECT_TRUE(BinaryFileError(f) && BinaryFileEndOfFile(f));
    EXPECT_EQ(BinaryFileSeek(f, 0), 0);
    EXPECT_EQ(BinaryFileGetByte(f), 0x12);
    EXPECT_TRUE(BinaryFileError(f));
    BinaryFileClose(f);
  }
}

TEST(BinaryFile, FileHoldsMoreThanItHasOrSeekLandsElsewhere) {
  const std::string path = TempPath("big.bin");
  std::vector<unsigned char> data(300000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>((i * 7) ^ (i >> 8));
  ASSERT_TRUE(WriteFileBytes(path, data));
  BinaryFile* f = BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_LITTLE_ENDIAN);
  ASSERT_NE(f, nullptr);
  // whether the file holds `rows` rows of `rowBytes` from `offset`: exact fits pass, one byte
  // more and products that overflow do not
  const unsigned long long cases[][4] = {
      {0, 1000, 300, 1},     {1, 1000, 300, 0},          {299999, 1, 1, 1},          {300000, 0, 5, 1},
      {0, 1ULL << 32, 1ULL << 32, 0}, {~0ULL, 1, 1, 0},   {54, 1ULL << 30, 1ULL << 28, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageDriverFileHolds(f, c[0], c[1], c[2]), c[3] != 0) << c[0] << " + " << c[1] << " x " << c[2];
  EXPECT_TRUE(BinaryFileHolds(f, 300000));
  EXPECT_FALSE(BinaryFileHolds(f, 300001));
  EXPECT_EQ(BinaryFileSize(f), 300000);
  std::vector<unsigned char> got(200000);
  EXPECT_EQ(BinaryFileGetByte(f), data[0]);
  EXPECT_TRUE(BinaryFileReadExact(f, got.data(), 100));  // from the buffer
  EXPECT_EQ(0, std::memcmp(got.data(), &data[1], 100));
  EXPECT_EQ(BinaryFileRead(f, got.data(), got.size()), got.size());  // across blocks and past the buffer
  EXPECT_EQ(0, std::memcmp(got.data(), &data[101], got.size()));
  EXPECT_EQ(BinaryFileTell(f), 200101);
  for (long long at : {5LL, 70000LL, 299999LL, 65535LL, 65536LL}) {
    EXPECT_EQ(BinaryFileSeek(f, at), 0);
    EXPECT_EQ(BinaryFileTell(f), at);
    EXPECT_EQ(BinaryFileGetByte(f), data[at]) << at;
  }
  EXPECT_EQ(BinaryFileSkip(f, 1000), 0);
  EXPECT_EQ(BinaryFileGetByte(f), data[66537]);
  EXPECT_EQ(BinaryFileSeekFromEnd(f, 10), 0);
  EXPECT_EQ(BinaryFileGetByte(f), data[299990]);
  EXPECT_FALSE(BinaryFileError(f));
  EXPECT_FALSE(BinaryFileReadExact(f, got.data(), 10));
  EXPECT_FALSE(BinaryFileReadExact(f, got.data(), 0)) << "the error stays";
  EXPECT_EQ(BinaryFileSeekFromEnd(f, 300001), -1);
  BinaryFileClose(f);
}

TEST(BinaryFile, PathThatIsNotAFileBlocksOrReadsForEver) {
  const std::string fifo = TempPath("pipe.jpg"), dir = TempPath("folder.tif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  // a FIFO with no writer would block in open for ever; /dev/zero would never end
  const std::pair<std::string, int> cases[] = {
      {fifo, BINARY_FILE_PATH_NOT_REGULAR}, {dir, BINARY_FILE_PATH_DIRECTORY},
      {"/dev/zero", BINARY_FILE_PATH_NOT_REGULAR}, {TempPath("missing.bmp"), BINARY_FILE_PATH_MISSING},
      {TempPath("no/such/dir.bin"), BINARY_FILE_PATH_MISSING},
  };
  for (const auto& [path, check] : cases) {
    EXPECT_EQ(BinaryFileCheckPath(path.c_str()), check) << path;
    EXPECT_EQ(BinaryFileOpen(path.c_str(), "rb", BINARY_FILE_BIG_ENDIAN), nullptr) << path;
    ExpectCodes(path, IMAGE_ERR_OPEN, IMAGE_ERR_OPEN);
  }
  std::remove(fifo.c_str());
}
