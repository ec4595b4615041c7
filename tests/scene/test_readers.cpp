// Reference, object and scene file readers: the formats, and every malformed input refused
// without writing past the arrays or leaving half-read values behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "scene/readers.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A FILE over the text, as the readers see a file on disk.
struct TextFile {
  explicit TextFile(const std::string& text) : data(text) {
    f = data.empty() ? std::tmpfile() : fmemopen(&data[0], data.size(), "r");
  }
  ~TextFile() {
    if (f) std::fclose(f);
  }
  std::string data;
  FILE* f;
};

int read_ref(const std::string& text, CalibrationState& s, ReadReport* r) {
  TextFile t(text);
  return read_reference_stream(t.f, s, r);
}
int read_obj(const std::string& text, CalibrationState& s, ReadReport* r) {
  TextFile t(text);
  return read_object_stream(t.f, s, r);
}
int read_cen(const std::string& text, ScenePaths* p, ReadReport* r) {
  TextFile t(text);
  return read_scene_stream(t.f, p, r);
}

// Every field a reader may write (the structure's padding is not compared).
bool same_points(const CalibrationState& a, const CalibrationState& b) {
  const auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
  return same(a.refWorldX, b.refWorldX) && same(a.refWorldY, b.refWorldY) && same(a.refWorldZ, b.refWorldZ) &&
         same(a.refImageX, b.refImageX) && same(a.refImageY, b.refImageY) && a.refCount == b.refCount &&
         same(a.teamAImageX, b.teamAImageX) && same(a.teamAImageY, b.teamAImageY) && a.teamACount == b.teamACount &&
         same(a.teamBImageX, b.teamBImageX) && same(a.teamBImageY, b.teamBImageY) && a.teamBCount == b.teamBCount &&
         a.refereeImageX == b.refereeImageX && a.refereeImageY == b.refereeImageY &&
         a.refereePresent == b.refereePresent && a.ballImageX == b.ballImageX && a.ballImageY == b.ballImageY &&
         a.ballPresent == b.ballPresent;
}

TEST(ReferenceFile, EmptyListAndSixPointsInAnyLayout) {
  CalibrationState s;
  s.refCount = 9;
  ReadReport r;
  EXPECT_EQ(read_ref("0\n", s, &r), 1);
  EXPECT_EQ(s.refCount, 0);
  EXPECT_EQ(r.status, READ_OK);

  // records may share lines or be split over them; doubles may carry exponents
  const char* six =
      "6\n0 0 0 10 20\n105 0 0 600 21\n16.5 13.84 0\n 300 100 88.5 13.84 0 400 101\n"
      "0 37.66 2.44 5 200 \t 0 30.34 2.44e0 6 190";
  EXPECT_EQ(read_ref(six, s, &r), 1);
  EXPECT_EQ(s.refCount, 6);
  EXPECT_EQ(s.refWorldX[2], 16.5);
  EXPECT_EQ(s.refImageY[3], 101);
  EXPECT_EQ(s.refWorldZ[5], 2.44);
  EXPECT_EQ(s.refImageX[5], 6);
}

TEST(ReferenceFile, FullCapacityIsRead) {
  std::string text = "47\n";
  for (int i = 0; i < 47; ++i) text += std::to_string(i) + " 1 0 " + std::to_string(i) + " 2\n";
  CalibrationState s;
  EXPECT_EQ(read_ref(text, s, nullptr), 1);
  EXPECT_EQ(s.refCount, 47);
  EXPECT_EQ(s.refWorldX[46], 46);
  EXPECT_EQ(s.teamAImageX[0], 0);  // nothing spilled into the next member
}

TEST(ReferenceFile, CountsWithoutSlotsAreRefused) {
  for (const char* text : {"48\n", "-1\n", "99999999999\n", "abc\n", "6.5\n", ""}) {
    SCOPED_TRACE(text);
    CalibrationState s;
    s.refCount = 7;
    ReadReport r;
    EXPECT_EQ(read_ref(text, s, &r), 0);
    EXPECT_EQ(s.refCount, 7);
    EXPECT_NE(r.status, READ_OK);
  }
  CalibrationState s;
  ReadReport r;
  read_ref("\n\n48 1 2 3 4 5", s, &r);
  EXPECT_EQ(r.status, READ_BAD_COUNT);
  EXPECT_EQ(r.count, 48);
  EXPECT_EQ(r.capacity, MAX_REFERENCE_POINTS);
  EXPECT_EQ(r.line, 3);
}

TEST(ReferenceFile, AReadThatFailsHalfWayChangesNothing) {
  // a previous good read, then files that fail at every kind of fault after some records
  CalibrationState s;
  ASSERT_EQ(read_ref("2\n5 6 0 50 60\n7 8 2.44 70 80\n", s, nullptr), 1);
  const CalibrationState before = s;
  struct Case {
    const char* text;
    int status;
  };
  const Case cases[] = {
      {"3\n1 2 0 10 20\n1 2 0 11", READ_ENDED_EARLY},
      {"3\n1 2 0 10 20\n1 2 x 10 20\n", READ_BAD_NUMBER},
      {"3\n1 2 0 10 20\n1 2 3 10.5 20", READ_BAD_NUMBER},
      {"3\n1 2 0 10 20\n1 2 nan 10 20", READ_BAD_NUMBER},
      {"3\n1 2 0 10 20\n1 2 3 10 20x", READ_BAD_NUMBER},
      {"3\n1 2 0 10 20\n1e999 2 3 10 20", READ_BAD_NUMBER},
      {"3\n1 2 0 10 20\n1 2 3 10 3000000000", READ_BAD_NUMBER},
      {"3\n1 2 0 10 20\n1 2 3 -2147483648 20", READ_OUT_OF_RANGE},
      {"3\n1 2 0 10 20\n1 2 3 1000001 20", READ_OUT_OF_RANGE},
      {"3\n1 2 0 10 20\n1 -1e7 3 10 20", READ_OUT_OF_RANGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ReadReport r;
    EXPECT_EQ(read_ref(c.text, s, &r), 0);
    EXPECT_EQ(r.status, c.status);
    EXPECT_STREQ(r.item, "reference point");
    EXPECT_EQ(r.index, 2);
    EXPECT_TRUE(same_points(s, before));
  }
  // the bound itself is a coordinate like any other
  EXPECT_EQ(read_ref("1\n1000000 -1000000 0 1000000 -1000000", s, nullptr), 1);
  EXPECT_EQ(s.refImageY[0], -1000000);
}

TEST(ReferenceFile, EndlessTokensStopAtTheirLimit) {
  // a number of 64 characters is read; one more is refused, whatever follows it
  const std::string digits64 = "6" + std::string(63, '0');
  CalibrationState s;
  ReadReport r;
  EXPECT_EQ(read_ref("0" + std::string(63, '0'), s, &r), 1);
  EXPECT_EQ(read_ref("0" + digits64, s, &r), 0);
  EXPECT_EQ(r.status, READ_NUMBER_TOO_LONG);
  EXPECT_EQ(read_ref("1 " + std::string(1 << 20, '7'), s, &r), 0);
  EXPECT_EQ(r.status, READ_NUMBER_TOO_LONG);
  EXPECT_EQ(s.refCount, 0);
}

TEST(ReferenceFile, MissingFile) {
  CalibrationState s;
  s.refCount = 3;
  ReadReport r;
  EXPECT_EQ(read_reference_file("/nonexistent/dir/x.ref", s, &r), 0);
  EXPECT_EQ(r.status, READ_CANNOT_OPEN);
  EXPECT_EQ(s.refCount, 3);
}

TEST(ObjectFile, FourZerosMeanNothingMarked) {
  CalibrationState s;
  s.teamACount = 3;
  s.refereePresent = 1;
  s.ballPresent = 1;
  ReadReport r;
  EXPECT_EQ(read_obj("0 0 0 0", s, &r), 1);
  EXPECT_EQ(s.teamACount + s.teamBCount + s.refereePresent + s.ballPresent, 0);
}

TEST(ObjectFile, TeamsRefereeWithoutBall) {
  CalibrationState s;
  s.ballImageX = 55;
  ReadReport r;
  EXPECT_EQ(read_obj("2 10 11 12 13\n1 20 21\n7 30 31\n0\n", s, &r), 1);
  EXPECT_EQ(s.teamACount, 2);
  EXPECT_EQ(s.teamAImageY[1], 13);
  EXPECT_EQ(s.teamBCount, 1);
  EXPECT_EQ(s.teamBImageX[0], 20);
  EXPECT_EQ(s.refereePresent, 7);  // the flag is kept as the file gives it
  EXPECT_EQ(s.refereeImageX, 30);
  EXPECT_EQ(s.refereeImageY, 31);
  EXPECT_EQ(s.ballPresent, 0);
  EXPECT_EQ(s.ballImageX, 55);
}

TEST(ObjectFile, FullTeamsAreRead) {
  std::string text = "11";
  for (int i = 0; i < 11; ++i) text += " " + std::to_string(i) + " 1";
  text += " 11";
  for (int i = 0; i < 11; ++i) text += " 2 " + std::to_string(i);
  text += " 0 1 8 9";
  CalibrationState s;
  EXPECT_EQ(read_obj(text, s, nullptr), 1);
  EXPECT_EQ(s.teamACount, 11);
  EXPECT_EQ(s.teamBCount, 11);
  EXPECT_EQ(s.teamBImageY[10], 10);
  EXPECT_EQ(s.refereePresent, 0);
  EXPECT_EQ(s.ballImageY, 9);
}

TEST(ObjectFile, BadCountsAndWordsChangeNothing) {
  for (const char* text : {"12 1 1", "-1", "0 12", "1 5 6 0 x 0", "1 5 y 0 0 0", "2 1 2 3 4 0 1 5 6.5 0"}) {
    SCOPED_TRACE(text);
    CalibrationState s;
    s.teamACount = 1;
    s.teamAImageX[0] = 99;
    s.teamBCount = 2;
    s.refereePresent = 3;
    ReadReport r;
    EXPECT_EQ(read_obj(text, s, &r), 0);
    EXPECT_TRUE(r.status == READ_BAD_COUNT || r.status == READ_BAD_NUMBER);
    EXPECT_EQ(s.teamACount, 1);
    EXPECT_EQ(s.teamAImageX[0], 99);
    EXPECT_EQ(s.teamBCount, 2);
    EXPECT_EQ(s.refereePresent, 3);
  }
  CalibrationState s;
  ReadReport r;
  read_obj("0 12", s, &r);
  EXPECT_STREQ(r.item, "team B count");
  EXPECT_EQ(r.count, 12);
  EXPECT_EQ(r.capacity, MAX_TEAM_PLAYERS);
}

TEST(ObjectFile, EndingEarlyOrOutOfRangeChangesNothing) {
  for (const char* text : {"1 5 6 2 7", "1 5 6 2 7 8 9 10 1 20", "1 5 6 0 1 -1000001 0 0", "1 5 6 0 0 1 0 2147483647"}) {
    SCOPED_TRACE(text);
    CalibrationState s;
    s.teamBImageY[0] = 44;
    s.refereePresent = 1;
    const CalibrationState before = s;
    ReadReport r;
    EXPECT_EQ(read_obj(text, s, &r), 0);
    EXPECT_TRUE(r.status == READ_ENDED_EARLY || r.status == READ_OUT_OF_RANGE);
    EXPECT_TRUE(same_points(s, before));
  }
}

TEST(SceneFile, TwoOrThreePaths) {
  ScenePaths p;
  ReadReport r;
  EXPECT_EQ(read_cen("img/match.tif\nrefs/match.ref\n", &p, &r), 1);
  EXPECT_STREQ(p.image, "img/match.tif");
  EXPECT_STREQ(p.reference, "refs/match.ref");
  EXPECT_EQ(p.hasObject, 0);
  EXPECT_STREQ(p.object, "");

  EXPECT_EQ(read_cen("a.jpg b.ref\tc.obj extra", &p, &r), 1);
  EXPECT_EQ(p.hasObject, 1);
  EXPECT_STREQ(p.object, "c.obj");
}

TEST(SceneFile, MissingOrOverlongPathsRefuseTheScene) {
  const std::string p99(99, 'a');
  const std::string p100(100, 'b');
  ScenePaths p;
  ReadReport r;
  EXPECT_EQ(read_cen(p99 + " " + p99 + " " + p99, &p, &r), 1);
  EXPECT_EQ(std::strlen(p.object), 99u);

  const std::string bad[] = {"", "only.tif\n", p100 + " b.ref", "a.tif " + p100, "a.tif b.ref " + p100 + "\n"};
  for (const std::string& text : bad) {
    SCOPED_TRACE(text);
    EXPECT_EQ(read_cen(text, &p, &r), 0);
    EXPECT_TRUE(r.status == READ_ENDED_EARLY || r.status == READ_PATH_TOO_LONG);
    EXPECT_STREQ(p.image, "");
    EXPECT_STREQ(p.reference, "");
    EXPECT_EQ(p.hasObject, 0);
  }
  read_cen("a.tif b.ref " + p100, &p, &r);
  EXPECT_EQ(r.status, READ_PATH_TOO_LONG);
  EXPECT_STREQ(r.item, "object path");
}

TEST(ReadersNulBytes, NulInsideATokenIsRefused) {
  // found by the scene fuzzer: "%s" would keep the bytes after the NUL, a C string drops them
  ScenePaths p;
  ReadReport r;
  EXPECT_EQ(read_cen(std::string("a.tif b\0x.ref", 13), &p, &r), 0);
  EXPECT_EQ(r.status, READ_BAD_PATH);
  CalibrationState s;
  EXPECT_EQ(read_ref(std::string("6\0 1", 5), s, &r), 0);
  EXPECT_EQ(r.status, READ_BAD_NUMBER);
  EXPECT_EQ(s.refCount, 0);
  EXPECT_EQ(read_obj(std::string("0 0 1\0 1 1 0", 13), s, &r), 0);
  EXPECT_EQ(r.status, READ_BAD_NUMBER);
}

TEST(SceneFile, ReadFromDisk) {
  const std::string path = std::string(VARNESK_BINARY_DIR) + "/scene-reader-test.cen";
  FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("pic.bmp\npts.ref\n", f);
  std::fclose(f);
  ScenePaths p;
  EXPECT_EQ(read_scene_file(path.c_str(), &p), 1);
  EXPECT_STREQ(p.reference, "pts.ref");
  EXPECT_EQ(read_scene_file("/nonexistent.cen", &p), 0);
}

TEST(ReadersFileKinds, OnlyRegularFilesAreOpened) {
  // a FIFO without a writer would block in open, /dev/zero would never end, a directory reads as
  // an empty file: each is refused before it is opened, and nothing is changed
  const std::string fifo = std::string(VARNESK_BINARY_DIR) + "/scene-reader-test.fifo";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    const char* path;
    int status;
  };
  const Case cases[] = {{VARNESK_BINARY_DIR, READ_IS_DIRECTORY}, {fifo.c_str(), READ_NOT_REGULAR},
                        {"/dev/zero", READ_NOT_REGULAR}, {"/dev/null", READ_NOT_REGULAR}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CalibrationState s;
    s.refCount = 3;
    s.teamACount = 2;
    ReadReport r;
    EXPECT_EQ(read_reference_file(c.path, s, &r), 0);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(read_object_file(c.path, s, &r), 0);
    EXPECT_EQ(r.status, c.status);
    ScenePaths p;
    EXPECT_EQ(read_scene_file(c.path, &p, &r), 0);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(s.refCount, 3);
    EXPECT_EQ(s.teamACount, 2);
  }
  ::unlink(fifo.c_str());
}

TEST(ReadersMessages, ReasonsNameTheItemAndScenesSpeakOfPaths) {
  struct Case {
    int reader;  // 0 reference, 1 object, 2 scene
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {0, "2\n1 2 0 10 20\n1 2", "the file ends before reference point 2 is complete, at line 3"},
      {0, "48", "the reference count 48 is outside 0..47, at line 1"},
      {1, "0 0 x", "the referee flag is not a whole number, at line 1"},
      {1, "1 5\n 2000000 0 0 0", "team A player 1 holds a coordinate outside -1000000..1000000, at line 2"},
      {2, "", "the file ends before the image path, at line 1"},
      {2, "a.jpg\n", "the file ends before the reference path, at line 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CalibrationState s;
    ScenePaths p;
    ReadReport r;
    if (c.reader == 0) read_ref(c.text, s, &r);
    if (c.reader == 1) read_obj(c.text, s, &r);
    if (c.reader == 2) read_cen(c.text, &p, &r);
    EXPECT_EQ(read_report_text(r), c.expected);
  }
  ReadReport r;
  CalibrationState s;
  read_reference_file(VARNESK_BINARY_DIR, s, &r);
  EXPECT_EQ(read_report_text(r), "it is a directory, not a file");
}

}  // namespace

namespace {

// Every input that ever broke a reader (tests/data/crashers/scene/<kind>/) is refused, from the
// disk as the program reads it, and changes nothing that was read before.
TEST(ReaderCrashers, EveryCrasherIsRefusedAndChangesNothing) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(VARNESK_SOURCE_DIR) / "tests/data/crashers/scene";
  int replayed = 0;
  for (const char* kind : {"ref", "obj", "cen"}) {
    for (const auto& entry : fs::directory_iterator(root / kind)) {
      const std::string path = entry.path().string();
      SCOPED_TRACE(path);
      CalibrationState s;
      ASSERT_EQ(read_ref("2\n5 6 0 50 60\n7 8 2.44 70 80\n", s, nullptr), 1);
      ASSERT_EQ(read_obj("1 3 4 0 1 9 9 0", s, nullptr), 1);
      const CalibrationState before = s;
      ReadReport r;
      ScenePaths p;
      const int read = kind[0] == 'r' ? read_reference_file(path.c_str(), s, &r)
                       : kind[0] == 'o' ? read_object_file(path.c_str(), s, &r)
                                        : read_scene_file(path.c_str(), &p, &r);
      EXPECT_EQ(read, 0);
      EXPECT_NE(r.status, READ_OK);
      EXPECT_FALSE(read_report_text(r).empty());
      EXPECT_TRUE(same_points(s, before));
      ++replayed;
    }
  }
  EXPECT_GE(replayed, 9);
}

}  // namespace
