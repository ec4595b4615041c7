#pragma once
// Readers of the three text files: reference points (*.ref), object points (*.obj) and scenes
// (*.cen). Tokens are separated by any white space; line breaks carry no meaning. The readers
// show no messages: a ReadReport says what went wrong, for whoever tells the user.
//
// The files are untrusted, so every reader is bounded:
// - only a regular file is opened: a directory, FIFO, device or socket is refused before it is
//   opened (a FIFO would block in open, /dev/zero would never end);
// - a number token holds at most READ_NUMBER_MAX characters and a path SCENE_PATH_MAX; a longer
//   token is refused as soon as it passes the limit, without reading the rest of it;
// - every coordinate, pixel or world, lies within -READ_COORDINATE_MAX..READ_COORDINATE_MAX, so
//   no later arithmetic on it (calibration, marks drawn around a pixel) can overflow;
// - a read is all or nothing: the file is read into a record of its own, and the caller's state
//   changes only when the whole file was read. A refused or cut-short file changes nothing.

#include <cstdio>
#include <string>

#include "geometry/geometry_state.h"

constexpr int SCENE_PATH_MAX = 99;            // characters of one path in a scene file
constexpr int READ_NUMBER_MAX = 64;           // characters of one number token
constexpr int READ_COORDINATE_MAX = 1000000;  // |pixel| in pixels, |world coordinate| in metres

enum ReadStatus {
  READ_OK = 0,
  READ_CANNOT_OPEN = 1,     // the file cannot be opened (missing, no permission...)
  READ_ENDED_EARLY = 2,     // the file ends before the last expected token
  READ_BAD_NUMBER = 3,      // a token that is not a number of the expected kind
  READ_BAD_COUNT = 4,       // a count outside 0..capacity
  READ_PATH_TOO_LONG = 5,   // a scene path longer than SCENE_PATH_MAX characters
  READ_BAD_PATH = 6,        // a scene path holding a NUL byte, which no file name can
  READ_IS_DIRECTORY = 7,    // the path names a directory
  READ_NOT_REGULAR = 8,     // the path names a FIFO, device or socket
  READ_NUMBER_TOO_LONG = 9, // a number token longer than READ_NUMBER_MAX characters
  READ_OUT_OF_RANGE = 10,   // a coordinate beyond READ_COORDINATE_MAX
};

struct ReadReport {
  int status = READ_OK;   // ReadStatus
  const char* item = "";  // what was being read when it went wrong ("reference count", "team A count"...);
                          // empty for failures of the file as a whole
  int index = 0;          // which record of that item, from 1 (0 when the item has one)
  int line = 0;           // line of the file where it went wrong, from 1 (0 when not known)
  long long count = 0;    // the rejected count, for READ_BAD_COUNT
  int capacity = 0;       // the largest count allowed there, for READ_BAD_COUNT
  int sysError = 0;       // errno of a file that cannot be opened
};

// One English phrase for a ReadStatus (never null).
const char* read_status_text(int status);

// The whole reason in one phrase, for a message that names the file before it: the status with
// the item, record, count and line it concerns ("the file ends before reference point 7 is
// complete, at line 8").
std::string read_report_text(const ReadReport& report);

// READ_OK when path names a regular file, else READ_CANNOT_OPEN, READ_IS_DIRECTORY or
// READ_NOT_REGULAR (with report->sysError). Nothing is opened.
int check_regular_file(const char* path, ReadReport* report = nullptr);

// Reads N and N records "X Y Z column row" into the reference arrays and refCount. Returns 1 when
// every record was read (also when N is 0), 0 otherwise; on 0 nothing in s has changed.
int read_reference_file(const char* path, CalibrationState& s, ReadReport* report = nullptr);
int read_reference_stream(FILE* f, CalibrationState& s, ReadReport* report = nullptr);

// Reads team A, team B, the referee and the ball into the object fields. Returns 1 when the file
// held every expected number; 0 when it ends early or holds anything malformed, and then nothing
// in s has changed.
int read_object_file(const char* path, CalibrationState& s, ReadReport* report = nullptr);
int read_object_stream(FILE* f, CalibrationState& s, ReadReport* report = nullptr);

// The paths a scene file names, exactly as written (relative ones to the current directory).
struct ScenePaths {
  char image[SCENE_PATH_MAX + 1] = {};
  char reference[SCENE_PATH_MAX + 1] = {};
  char object[SCENE_PATH_MAX + 1] = {};
  int hasObject = 0;  // 1 when the file names an object point file
};

// Reads the image path, the reference path and the optional object path. Returns 1 with both
// required paths, 0 when one is missing or any of the three is too long (then *out is cleared).
int read_scene_file(const char* path, ScenePaths* out, ReadReport* report = nullptr);
int read_scene_stream(FILE* f, ScenePaths* out, ReadReport* report = nullptr);
