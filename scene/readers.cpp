// Point and scene file readers. Every token is read whole and converted only when the whole
// token is a number of the expected kind, so nothing half-converted or uninitialised is stored.
#include "scene/readers.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

enum TokenResult { TOKEN_OK, TOKEN_END, TOKEN_TOO_LONG, TOKEN_NUL };

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// Reads white-space separated tokens and keeps the line number for the reports.
struct TokenReader {
  FILE* f;
  int line = 1;
  int tokenLine = 0;  // line where the last token started

  // A token longer than cap - 1 characters, or one holding a NUL byte (which would silently cut
  // it short as a C string), is consumed whole and refused.
  int next(char* buf, size_t cap) {
    int c = std::getc(f);
    while (c != EOF && std::isspace(c)) {
      if (c == '\n') ++line;
      c = std::getc(f);
    }
    tokenLine = line;
    if (c == EOF) return TOKEN_END;
    size_t len = 0;
    bool tooLong = false;
    bool nul = false;
    while (c != EOF && !std::isspace(c)) {
      if (c == '\0') nul = true;
      if (len + 1 < cap) {
        buf[len++] = static_cast<char>(c);
      } else {
        tooLong = true;
      }
      c = std::getc(f);
    }
    if (c == '\n') ++line;
    buf[len] = '\0';
    if (nul) return TOKEN_NUL;
    return tooLong ? TOKEN_TOO_LONG : TOKEN_OK;
  }
};

void fail(ReadReport* report, int status, const char* item, int line) {
  if (!report) return;
  report->status = status;
  report->item = item;
  report->line = line;
}

int bad_number(const TokenReader& in, ReadReport* report, const char* item) {
  fail(report, READ_BAD_NUMBER, item, in.tokenLine);
  return READ_BAD_NUMBER;
}

// Reads the token of a number into buf: READ_OK, or why there is none.
int number_token(TokenReader& in, char (&buf)[128], ReadReport* report, const char* item) {
  const int t = in.next(buf, sizeof buf);
  if (t == TOKEN_END) {
    fail(report, READ_ENDED_EARLY, item, in.tokenLine);
    return READ_ENDED_EARLY;
  }
  return t == TOKEN_OK ? READ_OK : bad_number(in, report, item);
}

// Reads one token that must be a whole number representable as int.
int read_int(TokenReader& in, int* out, ReadReport* report, const char* item) {
  char buf[128];
  const int status = number_token(in, buf, report, item);
  if (status != READ_OK) return status;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(buf, &end, 10);
  if (end == buf || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
    return bad_number(in, report, item);
  }
  *out = static_cast<int>(value);
  return READ_OK;
}

// Reads one token that must be a whole finite decimal number.
int read_double(TokenReader& in, double* out, ReadReport* report, const char* item) {
  char buf[128];
  const int status = number_token(in, buf, report, item);
  if (status != READ_OK) return status;
  char* end = nullptr;
  const double value = std::strtod(buf, &end);
  if (end == buf || *end != '\0' || !std::isfinite(value)) return bad_number(in, report, item);
  *out = value;
  return READ_OK;
}

// Reads a count and refuses one outside 0..capacity.
int read_count(TokenReader& in, int* out, int capacity, ReadReport* report, const char* item) {
  int value = 0;
  const int status = read_int(in, &value, report, item);
  if (status != READ_OK) return status;
  if (value < 0 || value > capacity) {
    fail(report, READ_BAD_COUNT, item, in.tokenLine);
    if (report) {
      report->count = value;
      report->capacity = capacity;
    }
    return READ_BAD_COUNT;
  }
  *out = value;
  return READ_OK;
}

// Reads "column row" into *x and *y; a field the file lacks keeps its value.
int read_pixel(TokenReader& in, int* x, int* y, ReadReport* report, const char* item) {
  const int status = read_int(in, x, report, item);
  if (status != READ_OK) return status;
  return read_int(in, y, report, item);
}

// The object fields of CalibrationState, read into a copy first so that a refused file changes nothing.
struct ObjectFields {
  int teamAImageX[MAX_TEAM_PLAYERS], teamAImageY[MAX_TEAM_PLAYERS], teamACount;
  int teamBImageX[MAX_TEAM_PLAYERS], teamBImageY[MAX_TEAM_PLAYERS], teamBCount;
  int refereeImageX, refereeImageY, refereePresent;
  int ballImageX, ballImageY, ballPresent;
};

template <typename From, typename To>
void copy_object_fields(const From& a, To& b) {
  std::memcpy(b.teamAImageX, a.teamAImageX, sizeof b.teamAImageX);
  std::memcpy(b.teamAImageY, a.teamAImageY, sizeof b.teamAImageY);
  std::memcpy(b.teamBImageX, a.teamBImageX, sizeof b.teamBImageX);
  std::memcpy(b.teamBImageY, a.teamBImageY, sizeof b.teamBImageY);
  b.teamACount = a.teamACount;
  b.teamBCount = a.teamBCount;
  b.refereeImageX = a.refereeImageX;
  b.refereeImageY = a.refereeImageY;
  b.refereePresent = a.refereePresent;
  b.ballImageX = a.ballImageX;
  b.ballImageY = a.ballImageY;
  b.ballPresent = a.ballPresent;
}

int read_team(TokenReader& in, int* count, int* xs, int* ys, ReadReport* report, const char* countItem,
              const char* pointItem) {
  int status = read_count(in, count, MAX_TEAM_PLAYERS, report, countItem);
  for (int i = 0; status == READ_OK && i < *count; ++i) status = read_pixel(in, &xs[i], &ys[i], report, pointItem);
  return status;
}

// A flag, then the pixel when the flag is not zero.
int read_flagged_pixel(TokenReader& in, int* flag, int* x, int* y, ReadReport* report, const char* flagItem,
                       const char* pointItem) {
  int status = read_int(in, flag, report, flagItem);
  if (status == READ_OK && *flag != 0) status = read_pixel(in, x, y, report, pointItem);
  return status;
}

template <typename Stream>
int with_file(const char* path, ReadReport* report, Stream stream) {
  if (report) *report = ReadReport();
  FileHandle f(std::fopen(path, "r"));
  if (!f) {
    fail(report, READ_CANNOT_OPEN, "file", 0);
    return 0;
  }
  return stream(f.get());
}

}  // namespace

const char* read_status_text(int status) {
  switch (status) {
    case READ_OK: return "no error";
    case READ_CANNOT_OPEN: return "cannot open the file";
    case READ_ENDED_EARLY: return "the file ends before the last expected number";
    case READ_BAD_NUMBER: return "a token is not a number of the expected kind";
    case READ_BAD_COUNT: return "a count is outside the capacity";
    case READ_PATH_TOO_LONG: return "a path is longer than 99 characters";
    case READ_BAD_PATH: return "a path holds a NUL byte";
    default: return "unknown read error";
  }
}

int read_reference_stream(FILE* f, CalibrationState& s, ReadReport* report) {
  if (report) *report = ReadReport();
  TokenReader in{f};
  int n = 0;
  if (read_count(in, &n, MAX_REFERENCE_POINTS, report, "reference count") != READ_OK) return 0;
  s.refCount = n;
  for (int i = 0; i < n; ++i) {
    const char* item = "reference point";
    if (read_double(in, &s.refWorldX[i], report, item) != READ_OK ||
        read_double(in, &s.refWorldY[i], report, item) != READ_OK ||
        read_double(in, &s.refWorldZ[i], report, item) != READ_OK ||
        read_pixel(in, &s.refImageX[i], &s.refImageY[i], report, item) != READ_OK) {
      return 0;
    }
  }
  return 1;
}

int read_reference_file(const char* path, CalibrationState& s, ReadReport* report) {
  return with_file(path, report, [&](FILE* f) { return read_reference_stream(f, s, report); });
}

int read_object_stream(FILE* f, CalibrationState& s, ReadReport* report) {
  if (report) *report = ReadReport();
  TokenReader in{f};
  ObjectFields o;
  copy_object_fields(s, o);
  // team A, team B, referee, ball: each step runs only while the previous ones succeeded
  int status = read_team(in, &o.teamACount, o.teamAImageX, o.teamAImageY, report, "team A count", "team A player");
  if (status == READ_OK) {
    status = read_team(in, &o.teamBCount, o.teamBImageX, o.teamBImageY, report, "team B count", "team B player");
  }
  if (status == READ_OK) {
    status = read_flagged_pixel(in, &o.refereePresent, &o.refereeImageX, &o.refereeImageY, report,
                                "referee flag", "referee position");
  }
  if (status == READ_OK) {
    status = read_flagged_pixel(in, &o.ballPresent, &o.ballImageX, &o.ballImageY, report, "ball flag",
                                "ball position");
  }
  // a file that simply ends keeps what it held; a malformed one is refused whole
  if (status == READ_OK || status == READ_ENDED_EARLY) copy_object_fields(o, s);
  return status == READ_OK ? 1 : 0;
}

int read_object_file(const char* path, CalibrationState& s, ReadReport* report) {
  return with_file(path, report, [&](FILE* f) { return read_object_stream(f, s, report); });
}

int read_scene_stream(FILE* f, ScenePaths* out, ReadReport* report) {
  if (report) *report = ReadReport();
  *out = ScenePaths();
  TokenReader in{f};
  char* const slots[3] = {out->image, out->reference, out->object};
  const char* const items[3] = {"image path", "reference path", "object path"};
  for (int k = 0; k < 3; ++k) {
    const int t = in.next(slots[k], SCENE_PATH_MAX + 1);
    if (t == TOKEN_END) {
      if (k == 2) break;
      fail(report, READ_ENDED_EARLY, items[k], in.tokenLine);
      *out = ScenePaths();
      return 0;
    }
    if (t == TOKEN_TOO_LONG || t == TOKEN_NUL) {
      fail(report, t == TOKEN_NUL ? READ_BAD_PATH : READ_PATH_TOO_LONG, items[k], in.tokenLine);
      *out = ScenePaths();
      return 0;
    }
    if (k == 2) out->hasObject = 1;
  }
  return 1;
}

int read_scene_file(const char* path, ScenePaths* out, ReadReport* report) {
  *out = ScenePaths();
  return with_file(path, report, [&](FILE* f) { return read_scene_stream(f, out, report); });
}
