// libFuzzer target for the text readers; VARNESK_FUZZ_READER picks which one
// (0 reference points, 1 object points, 2 scene).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "scene/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  std::vector<char> copy(data, data + size);
  FILE* f = fmemopen(copy.data(), copy.size(), "r");
  if (!f) return 0;
  ReadReport report;
#if VARNESK_FUZZ_READER == 0
  static CalibrationState s;
  const int ok = read_reference_stream(f, s, &report);
  if (s.refCount < 0 || s.refCount > MAX_REFERENCE_POINTS) std::abort();
  (void)ok;
#elif VARNESK_FUZZ_READER == 1
  static CalibrationState s;
  read_object_stream(f, s, &report);
  if (s.teamACount < 0 || s.teamACount > MAX_TEAM_PLAYERS || s.teamBCount < 0 || s.teamBCount > MAX_TEAM_PLAYERS) {
    std::abort();
  }
#else
  ScenePaths paths;
  // a scene that reads always names an image and a reference file
  if (read_scene_stream(f, &paths, &report) && (!paths.image[0] || !paths.reference[0])) std::abort();
#endif
  std::fclose(f);
  return 0;
}
