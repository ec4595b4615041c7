#pragma once
// Writers of the three text files in exactly the layout their readers take, so that a file
// written and read back gives the same points bit for bit. Every write is atomic: the text goes
// to a temporary file in the target's folder, which is renamed over the target only once it
// is complete, so a failed write leaves neither a damaged file nor a stray temporary one.

#include <string>

#include "geometry/geometry_state.h"

enum WriteStatus {
  WRITE_OK = 0,
  WRITE_CANNOT_CREATE = 1,  // the folder does not exist or cannot be written
  WRITE_FAILED = 2,         // writing, flushing or renaming failed (disk full...)
  WRITE_BAD_PATH = 3,       // a path a scene file cannot hold (empty, blank inside, too long)
  WRITE_BAD_VALUE = 4,      // a value the reader would not take back (not finite, count out of range)
};

// One Portuguese phrase for a WriteStatus (never null).
const char* write_status_text(int status);

// Writes text to path atomically. Returns a WriteStatus.
int write_text_file_atomic(const char* path, const std::string& text);

// The reference file text: N, then N lines "X Y Z column row" (doubles with 17 significant
// digits, which read back to the same bits). The object file text: team A, team B, referee and
// ball in the reader's order. Empty when a value cannot be written (see WRITE_BAD_VALUE).
std::string reference_file_text(const CalibrationState& s);
std::string object_file_text(const CalibrationState& s);

// 1 when a scene file can hold path: not empty, no white space, at most SCENE_PATH_MAX
// characters (the reader reads each path as one token of a bounded length).
int scene_path_fits(const std::string& path);

// The way a scene file at scenePath should name target: relative to the scene's folder when
// target lies inside it, else target as given. Both are taken as they are (absolute paths give
// the cleanest result).
std::string scene_relative_path(const std::string& scenePath, const std::string& target);

// The three files of a scene: SCENE.cen naming the image, SCENE.ref and SCENE.obj beside it.
struct ScenePlan {
  std::string scene, reference, object;            // the files to write
  std::string imageEntry, referenceEntry, objectEntry;  // the paths the scene file holds
  std::string refused;                             // the first entry that cannot be held, if any
};
// scenePath with its ".cen" (added when missing); imagePath absolute. refused is set when one
// of the entries does not fit, and nothing should then be written.
ScenePlan plan_scene(const std::string& scenePath, const std::string& imagePath);
std::string scene_file_text(const ScenePlan& plan);
