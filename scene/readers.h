#pragma once
// Readers of the three text files: reference points (*.ref), object points (*.obj) and scenes
// (*.cen). Tokens are separated by any white space; line breaks carry no meaning. The readers
// show no messages: a ReadReport says what went wrong, for whoever tells the user.

#include <cstdio>

#include "geometry/geometry_state.h"

constexpr int SCENE_PATH_MAX = 99;  // characters of one path in a scene file

enum ReadStatus {
  READ_OK = 0,
  READ_CANNOT_OPEN = 1,     // the file cannot be opened
  READ_ENDED_EARLY = 2,     // the file ends before the last expected token
  READ_BAD_NUMBER = 3,      // a token that is not a number of the expected kind
  READ_BAD_COUNT = 4,       // a count outside 0..capacity
  READ_PATH_TOO_LONG = 5,   // a scene path longer than SCENE_PATH_MAX characters
  READ_BAD_PATH = 6,        // a scene path holding a NUL byte, which no file name can
};

struct ReadReport {
  int status = READ_OK;   // ReadStatus
  const char* item = "";  // what was being read when it went wrong ("reference count", "team A count"...)
  int line = 0;           // line of the file where it went wrong, from 1 (0 when not known)
  long long count = 0;    // the rejected count, for READ_BAD_COUNT
  int capacity = 0;       // the largest count allowed there, for READ_BAD_COUNT
};

// One English phrase for a ReadStatus (never null).
const char* read_status_text(int status);

// Reads N and N records "X Y Z column row" into the reference arrays and refCount.
// Returns 1 when every record was read (also when N is 0), 0 otherwise. A count outside
// 0..MAX_REFERENCE_POINTS or a count that is not a number leaves refCount as it was; once a valid
// N is read refCount is N, and a record cut short or malformed leaves its unread fields as they were.
int read_reference_file(const char* path, CalibrationState& s, ReadReport* report = nullptr);
int read_reference_stream(FILE* f, CalibrationState& s, ReadReport* report = nullptr);

// Reads team A, team B, the referee and the ball into the object fields. Returns 1 when the file
// held every expected number. When it ends early the numbers read are kept and the missing ones
// keep their previous values (returns 0, READ_ENDED_EARLY); a bad count or a token that is not a
// number changes nothing at all (returns 0).
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
