// SGI reader: the header's sample range (the rest of the SGI files are in the corpus test).
#include "image_test_util.h"

using namespace imgtest;

TEST(Sgi, HeaderRangeScalesTwoByteSamples) {
  // the header's minimum and maximum are for display programs: a small maximum must not turn
  // the picture white, nor an empty or reversed range divide by zero
  const uint16_t samples[] = {0, 257, 1000, 32768, 65279, 65535};
  const uint32_t ranges[][2] = {{0, 65535}, {0, 255}, {0, 0}, {40000, 10}};
  for (const auto& range : ranges) {
    std::vector<unsigned char> b = {0x01, 0xDA, 0, 2, 0, 2, 0, 6, 0, 1, 0, 1};  // magic, raw, 2 bytes, 2-D, 6 x 1 x 1
    b.resize(512, 0);
    for (int i = 0; i < 4; ++i) {
      b[12 + i] = static_cast<unsigned char>(range[0] >> (24 - 8 * i));
      b[16 + i] = static_cast<unsigned char>(range[1] >> (24 - 8 * i));
    }
    for (uint16_t v : samples) b.push_back(static_cast<unsigned char>(v >> 8)), b.push_back(static_cast<unsigned char>(v));
    ASSERT_TRUE(WriteFileBytes(TempPath("range.sgi"), b));
    Planes p;
    ASSERT_EQ(LoadImage(TempPath("range.sgi"), &p), IMAGE_OK);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(p.red[p.index(x, 0)], (samples[x] * 255 + 32767) / 65535) << x;
  }
}
