// libFuzzer target for the text readers; VARNESK_FUZZ_READER picks which one
// (0 reference points, 1 object points, 2 scene). Besides memory faults it stops on a broken
// promise of the readers: a refused file that changed the state, a count without slots, a
// coordinate beyond the bound.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scene/readers.h"

namespace {

[[maybe_unused]] bool pixel_ok(int v) { return v >= -READ_COORDINATE_MAX && v <= READ_COORDINATE_MAX; }

// The state of a previous read, so that a refused file can be seen to change nothing.
[[maybe_unused]] CalibrationState previous_state() {
  CalibrationState s;
  s.refCount = 2;
  s.refImageX[0] = s.refImageY[1] = 7;
  s.refWorldZ[1] = 2.44;
  s.teamACount = 1;
  s.teamAImageX[0] = 9;
  s.refereePresent = 1;
  s.ballImageY = 3;
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  std::vector<char> copy(data, data + size);
  FILE* f = fmemopen(copy.data(), copy.size(), "r");
  if (!f) return 0;
  ReadReport report;
#if VARNESK_FUZZ_READER == 0
  static const CalibrationState before = previous_state();
  static CalibrationState s;
  s = before;
  if (read_reference_stream(f, s, &report)) {
    if (s.refCount < 0 || s.refCount > MAX_REFERENCE_POINTS) std::abort();
    for (int i = 0; i < s.refCount; ++i) {
      if (!pixel_ok(s.refImageX[i]) || !pixel_ok(s.refImageY[i]) || !(std::abs(s.refWorldX[i]) <= READ_COORDINATE_MAX))
        std::abort();
    }
  } else if (s.refCount != before.refCount || std::memcmp(s.refImageX, before.refImageX, sizeof s.refImageX) != 0 ||
             std::memcmp(s.refWorldZ, before.refWorldZ, sizeof s.refWorldZ) != 0 || report.status == READ_OK) {
    std::abort();
  }
#elif VARNESK_FUZZ_READER == 1
  static const CalibrationState before = previous_state();
  static CalibrationState s;
  s = before;
  if (read_object_stream(f, s, &report)) {
    if (s.teamACount < 0 || s.teamACount > MAX_TEAM_PLAYERS || s.teamBCount < 0 || s.teamBCount > MAX_TEAM_PLAYERS)
      std::abort();
    for (int i = 0; i < s.teamACount; ++i) {
      if (!pixel_ok(s.teamAImageX[i]) || !pixel_ok(s.teamAImageY[i])) std::abort();
    }
  } else if (s.teamACount != before.teamACount || s.teamAImageX[0] != before.teamAImageX[0] ||
             s.refereePresent != before.refereePresent || s.ballImageY != before.ballImageY ||
             report.status == READ_OK) {
    std::abort();
  }
#else
  ScenePaths paths;
  // a scene that reads always names an image and a reference file
  if (read_scene_stream(f, &paths, &report) && (!paths.image[0] || !paths.reference[0])) std::abort();
#endif
  // every failure has a phrase for the user
  if (report.status != READ_OK && read_report_text(report).empty()) std::abort();
  std::fclose(f);
  return 0;
}
