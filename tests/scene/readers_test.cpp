// The reference, object and scene file readers: what they take, and malformed input refused with
// the reason and without writing past the arrays or keeping half-read values.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "scene/readers.h"
#include "scene/writers.h"

namespace {

// Reads the text with the reader of kind 'r' (reference), 'o' (object) or 'c' (scene) from
// a FILE over it, as the readers see a file on disk.
int read_text(char kind, std::string text, CalibrationState& s, ScenePaths& p, ReadReport* r) {
  FILE* f = text.empty() ? std::tmpfile() : fmemopen(&text[0], text.size(), "r");
  const int ok = kind == 'r' ? read_reference_stream(f, s, r) : kind == 'o' ? read_object_stream(f, s, r)
                                                                            : read_scene_stream(f, &p, r);
  std::fclose(f);
  return ok;
}

// A state with points read before, and whether a refused read left them as they were.
CalibrationState earlier_points() {
  CalibrationState s;
  ScenePaths p;
  read_text('r', "2\n5 6 0 50 60\n7 8 2.44 70 80\n", s, p, nullptr);
  read_text('o', "1 3 4 0 1 9 9 0", s, p, nullptr);
  return s;
}
bool unchanged(const CalibrationState& s) {
  const CalibrationState b = earlier_points();
  return reference_file_text(s) == reference_file_text(b) && object_file_text(s) == object_file_text(b);
}

TEST(Readers, MalformedFileTakenHalfReadOrRefusedWithoutItsReason) {
  struct Case { char kind; std::string text; int status; const char* reason = nullptr; };
  // (the hostile corpus and the crashers hold many more; these are the ones they do not)
  const std::string one = "3\n1 2 0 10 20\n";  // one good record of three
  const Case cases[] = {
      {'r', "\n\n48 1 2 3 4 5", READ_BAD_COUNT, "the reference count 48 is outside 0..47, at line 3"},
      {'r', "6.5\n", READ_BAD_NUMBER}, {'r', "0" + std::string(64, '0'), READ_NUMBER_TOO_LONG},
      {'r', "2\n1 2 0 10 20\n1 2", READ_ENDED_EARLY, "the file ends before reference point 2 is complete, at line 3"},
      {'r', one + "1 2 3 10.5 20", READ_BAD_NUMBER}, {'r', one + "1 2 3 10 20x", READ_BAD_NUMBER},
      {'r', one + "1 2 3 10 3000000000", READ_BAD_NUMBER}, {'r', one + "1e9 2 3 10 20", READ_OUT_OF_RANGE},
      {'r', one + "1 2 3 1000001 20", READ_OUT_OF_RANGE}, {'r', one + "1e999 2 3 1 2", READ_BAD_NUMBER},
      {'o', "0 12", READ_BAD_COUNT, "the team B count 12 is outside 0..11, at line 1"},
      {'o', "0 0 x", READ_BAD_NUMBER, "the referee flag is not a whole number, at line 1"},
      {'o', "2 1 2 3 4 0 1 5 6.5 0", READ_BAD_NUMBER}, {'o', "1 5 6 2 7 8 9 10 1 20", READ_ENDED_EARLY},
      {'o', "1 5\n 2000000 0 0 0", READ_OUT_OF_RANGE,
       "team A player 1 holds a coordinate outside -1000000..1000000, at line 2"},
      {'c', "a.jpg\n", READ_ENDED_EARLY, "the file ends before the reference path, at line 2"},
      {'c', "a.tif b.ref " + std::string(100, 'b'), READ_PATH_TOO_LONG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CalibrationState s = earlier_points();
    ScenePaths p;
    ReadReport r;
    EXPECT_EQ(read_text(c.kind, c.text, s, p, &r), 0);
    EXPECT_EQ(r.status, c.status);
    if (c.reason) {
      EXPECT_EQ(read_report_text(r), c.reason);
    }
    EXPECT_TRUE(unchanged(s));
    EXPECT_TRUE(!p.image[0] && !p.reference[0] && !p.hasObject);
  }
}

TEST(Readers, GoodFileRefusedOrMisread) {
  CalibrationState s;
  ScenePaths p;
  // records may share lines or be split over them; doubles may carry exponents
  ASSERT_EQ(read_text('r', "6\n0 0 0 10 20\n105 0 0 600 21\n16.5 13.84 0\n 300 100 88.5 13.84 0 400 101\n"
                           "0 37.66 2.44 5 200 \t 0 30.34 2.44e0 6 190", s, p, nullptr), 1);
  EXPECT_TRUE(s.refCount == 6 && s.refWorldX[2] == 16.5 && s.refImageY[3] == 101 && s.refWorldZ[5] == 2.44);
  // every slot, the coordinate bounds themselves and a number of exactly 64 characters
  std::string full = "47\n";
  for (int i = 0; i < 47; ++i) full += std::to_string(i) + " 1 0 1000000 -1000000\n";
  ASSERT_EQ(read_text('r', full, s, p, nullptr), 1);
  EXPECT_TRUE(s.refCount == 47 && s.refWorldX[46] == 46 && s.refImageY[46] == -1000000 && s.teamAImageX[0] == 0);
  ASSERT_EQ(read_text('r', std::string(64, '0'), s, p, nullptr), 1);
  EXPECT_EQ(s.refCount, 0);
  // the referee's flag as the file gives it; no ball leaves the ball's pixel alone
  s.ballImageX = 55;
  ASSERT_EQ(read_text('o', "2 10 11 12 13\n1 20 21\n7 30 31\n0\n", s, p, nullptr), 1);
  EXPECT_TRUE(s.teamACount == 2 && s.teamAImageY[1] == 13 && s.teamBCount == 1 && s.teamBImageX[0] == 20);
  EXPECT_TRUE(s.refereePresent == 7 && s.refereeImageY == 31 && s.ballPresent == 0 && s.ballImageX == 55);
  ASSERT_EQ(read_text('c', "img/match.tif\nrefs/match.ref\n", s, p, nullptr), 1);
  EXPECT_TRUE(!std::strcmp(p.image, "img/match.tif") && !std::strcmp(p.reference, "refs/match.ref") && !p.hasObject);
  const std::string p99(99, 'a');
  ASSERT_EQ(read_text('c', "a.jpg " + p99 + "\t" + p99 + " extra", s, p, nullptr), 1);
  EXPECT_TRUE(p.hasObject && p.object == p99 && p.reference == p99);
}

TEST(Readers, FifoDeviceOrDirectoryOpened) {
  // a FIFO without a writer would block in open, /dev/zero would never end, a directory reads as
  // an empty file: each is refused before it is opened, and nothing is changed
  const std::string fifo = std::string(VARNESK_BINARY_DIR) + "/scene-reader-test.fifo";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<const char*, int> cases[] = {
      {VARNESK_BINARY_DIR, READ_IS_DIRECTORY}, {fifo.c_str(), READ_NOT_REGULAR}, {"/dev/zero", READ_NOT_REGULAR},
      {"/dev/null", READ_NOT_REGULAR}, {"/nonexistent/x.ref", READ_CANNOT_OPEN}};
  for (const auto& [path, status] : cases) {
    SCOPED_TRACE(path);
    CalibrationState s = earlier_points();
    ScenePaths p;
    ReadReport r[3];
    EXPECT_EQ(read_reference_file(path, s, &r[0]) + read_object_file(path, s, &r[1]), 0);
    EXPECT_EQ(read_scene_file(path, &p, &r[2]), 0);
    for (const ReadReport& each : r) EXPECT_EQ(each.status, status);
    EXPECT_TRUE(unchanged(s));
  }
  ::unlink(fifo.c_str());
}

// Every input that ever broke a reader (tests/data/crashers/scene/<kind>/) is refused, from the
// disk as the program reads it, with a reason, and changes nothing that was read before.
TEST(Readers, CrasherAcceptedOrCrashes) {
  namespace fs = std::filesystem;
  int replayed = 0;
  for (const char* kind : {"ref", "obj", "cen"}) {
    const fs::path folder = fs::path(VARNESK_SOURCE_DIR) / "tests/data/crashers/scene" / kind;
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string path = entry.path().string();
      SCOPED_TRACE(path);
      CalibrationState s = earlier_points();
      ReadReport r;
      ScenePaths p;
      EXPECT_EQ(kind[0] == 'r' ? read_reference_file(path.c_str(), s, &r)
                : kind[0] == 'o' ? read_object_file(path.c_str(), s, &r)
                                 : read_scene_file(path.c_str(), &p, &r), 0);
      EXPECT_NE(r.status, READ_OK);
      EXPECT_FALSE(read_report_text(r).empty());
      EXPECT_TRUE(unchanged(s));
      ++replayed;
    }
  }
  EXPECT_GE(replayed, 11);
}

}  // namespace
