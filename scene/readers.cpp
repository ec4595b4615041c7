// Point and scene file readers. Every token is read whole and converted only when the whole
// token is a number of the expected kind, so nothing half-converted or uninitialised is stored.
#include "scene/readers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

  // A token longer than cap - 1 characters is refused as soon as it passes the limit, the rest
  // unread: an endless token (/dev/zero copied to a file) costs no more than cap characters.
  // One holding a NUL byte, which would silently cut it short as a C string, is refused too.
  int next(char* buf, size_t cap) {
    int c = getc_unlocked(f);
    while (c != EOF && std::isspace(c)) {
      if (c == '\n') ++line;
      c = getc_unlocked(f);
    }
    tokenLine = line;
    buf[0] = '\0';
    if (c == EOF) return TOKEN_END;
    size_t len = 0;
    while (c != EOF && !std::isspace(c)) {
      if (c == '\0') return TOKEN_NUL;
      if (len + 1 >= cap) {
        buf[len] = '\0';
        return TOKEN_TOO_LONG;
      }
      buf[len++] = static_cast<char>(c);
      c = getc_unlocked(f);
    }
    if (c == '\n') ++line;
    buf[len] = '\0';
    return TOKEN_OK;
  }
};

// The token source with the report it fills and the record being read, so that every failure
// names what and where.
struct Reader {
  TokenReader in;
  ReadReport* report;
  const char* item = "";
  int index = 0;

  int fail(int status) {
    if (report) {
      report->status = status;
      report->item = item;
      report->index = index;
      report->line = in.tokenLine;
    }
    return status;
  }

  // Reads the token of a number into buf: READ_OK, or why there is none.
  int number_token(char (&buf)[READ_NUMBER_MAX + 1]) {
    switch (in.next(buf, sizeof buf)) {
      case TOKEN_OK: return READ_OK;
      case TOKEN_END: return fail(READ_ENDED_EARLY);
      case TOKEN_TOO_LONG: return fail(READ_NUMBER_TOO_LONG);
      default: return fail(READ_BAD_NUMBER);
    }
  }

  // One token that must be a whole number representable as int.
  int read_int(int* out) {
    char buf[READ_NUMBER_MAX + 1];
    const int status = number_token(buf);
    if (status != READ_OK) return status;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(buf, &end, 10);
    if (end == buf || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
      return fail(READ_BAD_NUMBER);
    }
    *out = static_cast<int>(value);
    return READ_OK;
  }

  // One pixel coordinate: a whole number within the coordinate bound.
  int read_pixel_value(int* out) {
    int value = 0;
    const int status = read_int(&value);
    if (status != READ_OK) return status;
    if (value < -READ_COORDINATE_MAX || value > READ_COORDINATE_MAX) return fail(READ_OUT_OF_RANGE);
    *out = value;
    return READ_OK;
  }

  // "column row" into *x and *y.
  int read_pixel(int* x, int* y) {
    const int status = read_pixel_value(x);
    return status != READ_OK ? status : read_pixel_value(y);
  }

  // One world coordinate: a whole finite decimal number within the coordinate bound.
  int read_world(double* out) {
    char buf[READ_NUMBER_MAX + 1];
    const int status = number_token(buf);
    if (status != READ_OK) return status;
    char* end = nullptr;
    const double value = std::strtod(buf, &end);
    if (end == buf || *end != '\0' || !std::isfinite(value)) return fail(READ_BAD_NUMBER);
    if (std::fabs(value) > READ_COORDINATE_MAX) return fail(READ_OUT_OF_RANGE);
    *out = value;
    return READ_OK;
  }

  // A count, refused outside 0..capacity.
  int read_count(int* out, int capacity) {
    int value = 0;
    const int status = read_int(&value);
    if (status != READ_OK) return status;
    if (value < 0 || value > capacity) {
      if (report) {
        report->count = value;
        report->capacity = capacity;
      }
      return fail(READ_BAD_COUNT);
    }
    *out = value;
    return READ_OK;
  }

  Reader& at(const char* what, int record = 0) {
    item = what;
    index = record;
    return *this;
  }
};

// The reference fields of CalibrationState, read apart and committed whole.
struct ReferenceRecord {
  double worldX[MAX_REFERENCE_POINTS], worldY[MAX_REFERENCE_POINTS], worldZ[MAX_REFERENCE_POINTS];
  int imageX[MAX_REFERENCE_POINTS], imageY[MAX_REFERENCE_POINTS];
  int count;
};

// The object fields of CalibrationState, read apart and committed whole.
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

int read_team(Reader& r, int* count, int* xs, int* ys, const char* countItem, const char* playerItem) {
  int status = r.at(countItem).read_count(count, MAX_TEAM_PLAYERS);
  for (int i = 0; status == READ_OK && i < *count; ++i) status = r.at(playerItem, i + 1).read_pixel(&xs[i], &ys[i]);
  return status;
}

// A flag, then the pixel when the flag is not zero.
int read_flagged_pixel(Reader& r, int* flag, int* x, int* y, const char* flagItem, const char* pointItem) {
  int status = r.at(flagItem).read_int(flag);
  if (status == READ_OK && *flag != 0) status = r.at(pointItem).read_pixel(x, y);
  return status;
}

int fail_file(ReadReport* report, int status, int sysError) {
  if (report) {
    *report = ReadReport();
    report->status = status;
    report->sysError = sysError;
  }
  return status;
}

int classify(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return READ_IS_DIRECTORY;
  return S_ISREG(st.st_mode) ? READ_OK : READ_NOT_REGULAR;
}

// Opens a regular file for reading. The type is checked before the open and again on the open
// descriptor, which is opened without blocking, so a path swapped for a FIFO in between cannot
// hang the open either.
FILE* open_regular(const char* path, ReadReport* report) {
  if (check_regular_file(path, report) != READ_OK) return nullptr;
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    fail_file(report, READ_CANNOT_OPEN, errno);
    return nullptr;
  }
  struct stat st;
  const int kind = ::fstat(fd, &st) == 0 ? classify(st) : READ_CANNOT_OPEN;
  const int flags = ::fcntl(fd, F_GETFL);
  if (kind != READ_OK || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    ::close(fd);
    fail_file(report, kind != READ_OK ? kind : READ_CANNOT_OPEN, 0);
    return nullptr;
  }
  FILE* f = ::fdopen(fd, "r");
  if (!f) {
    ::close(fd);
    fail_file(report, READ_CANNOT_OPEN, errno);
  }
  return f;
}

template <typename Stream>
int with_file(const char* path, ReadReport* report, Stream stream) {
  if (report) *report = ReadReport();
  FileHandle f(open_regular(path, report));
  if (!f) return 0;
  return stream(f.get());
}

}  // namespace

const char* read_status_text(int status) {
  switch (status) {
    case READ_OK: return "no error";
    case READ_CANNOT_OPEN: return "cannot open the file";
    case READ_ENDED_EARLY: return "the file ends early";
    case READ_BAD_NUMBER: return "a token is not a number of the expected kind";
    case READ_BAD_COUNT: return "a count is outside the capacity";
    case READ_PATH_TOO_LONG: return "a path is longer than 99 characters";
    case READ_BAD_PATH: return "a path holds a NUL byte";
    case READ_IS_DIRECTORY: return "it is a directory, not a file";
    case READ_NOT_REGULAR: return "it is not a regular file (a FIFO, device or socket)";
    case READ_NUMBER_TOO_LONG: return "a number is longer than 64 characters";
    case READ_OUT_OF_RANGE: return "a coordinate is outside -1000000..1000000";
    default: return "unknown read error";
  }
}

std::string read_report_text(const ReadReport& r) {
  // "reference point 7" for a record of a list, "team A count" for a single item
  const std::string what = r.index > 0 ? std::string(r.item) + " " + std::to_string(r.index)
                                       : std::string("the ") + r.item;
  const bool noItem = r.item[0] == '\0';
  std::string text;
  switch (r.status) {
    case READ_CANNOT_OPEN:
      text = "cannot open the file";
      if (r.sysError != 0) text += std::string(" (") + std::strerror(r.sysError) + ")";
      return text;
    case READ_ENDED_EARLY:
      text = noItem ? "the file ends early"
                    : "the file ends before " + what + (r.index > 0 ? " is complete" : "");
      break;
    case READ_BAD_NUMBER:
      text = r.index > 0 ? what + " holds a token that is not a number of the expected kind"
                         : what + " is not a whole number";
      break;
    case READ_BAD_COUNT:
      text = what + " " + std::to_string(r.count) + " is outside 0.." + std::to_string(r.capacity);
      break;
    case READ_PATH_TOO_LONG:
      text = what + " is longer than " + std::to_string(SCENE_PATH_MAX) + " characters";
      break;
    case READ_BAD_PATH:
      text = what + " holds a NUL byte";
      break;
    case READ_NUMBER_TOO_LONG:
      text = what + " holds a number longer than " + std::to_string(READ_NUMBER_MAX) + " characters";
      break;
    case READ_OUT_OF_RANGE:
      text = what + " holds a coordinate outside -" + std::to_string(READ_COORDINATE_MAX) + ".." +
             std::to_string(READ_COORDINATE_MAX);
      break;
    default:
      return read_status_text(r.status);
  }
  if (r.line > 0) text += ", at line " + std::to_string(r.line);
  return text;
}

int check_regular_file(const char* path, ReadReport* report) {
  struct stat st;
  if (::stat(path, &st) != 0) return fail_file(report, READ_CANNOT_OPEN, errno);
  const int kind = classify(st);
  return kind == READ_OK ? READ_OK : fail_file(report, kind, 0);
}

int read_reference_stream(FILE* f, CalibrationState& s, ReadReport* report) {
  if (report) *report = ReadReport();
  Reader r{TokenReader{f}, report};
  ReferenceRecord rec;
  if (r.at("reference count").read_count(&rec.count, MAX_REFERENCE_POINTS) != READ_OK) return 0;
  for (int i = 0; i < rec.count; ++i) {
    r.at("reference point", i + 1);
    if (r.read_world(&rec.worldX[i]) != READ_OK || r.read_world(&rec.worldY[i]) != READ_OK ||
        r.read_world(&rec.worldZ[i]) != READ_OK || r.read_pixel(&rec.imageX[i], &rec.imageY[i]) != READ_OK) {
      return 0;
    }
  }
  const size_t n = static_cast<size_t>(rec.count);
  std::memcpy(s.refWorldX, rec.worldX, n * sizeof(double));
  std::memcpy(s.refWorldY, rec.worldY, n * sizeof(double));
  std::memcpy(s.refWorldZ, rec.worldZ, n * sizeof(double));
  std::memcpy(s.refImageX, rec.imageX, n * sizeof(int));
  std::memcpy(s.refImageY, rec.imageY, n * sizeof(int));
  s.refCount = rec.count;
  return 1;
}

int read_reference_file(const char* path, CalibrationState& s, ReadReport* report) {
  return with_file(path, report, [&](FILE* f) { return read_reference_stream(f, s, report); });
}

int read_object_stream(FILE* f, CalibrationState& s, ReadReport* report) {
  if (report) *report = ReadReport();
  Reader r{TokenReader{f}, report};
  ObjectFields o;
  // fields a file leaves unread (a flag of 0) keep their values, as in the spec's reader
  copy_object_fields(s, o);
  // team A, team B, referee, ball: each step runs only while the previous ones succeeded
  int status = read_team(r, &o.teamACount, o.teamAImageX, o.teamAImageY, "team A count", "team A player");
  if (status == READ_OK) {
    status = read_team(r, &o.teamBCount, o.teamBImageX, o.teamBImageY, "team B count", "team B player");
  }
  if (status == READ_OK) {
    status = read_flagged_pixel(r, &o.refereePresent, &o.refereeImageX, &o.refereeImageY, "referee flag",
                                "referee position");
  }
  if (status == READ_OK) {
    status = read_flagged_pixel(r, &o.ballPresent, &o.ballImageX, &o.ballImageY, "ball flag", "ball position");
  }
  if (status != READ_OK) return 0;
  copy_object_fields(o, s);
  return 1;
}

int read_object_file(const char* path, CalibrationState& s, ReadReport* report) {
  return with_file(path, report, [&](FILE* f) { return read_object_stream(f, s, report); });
}

int read_scene_stream(FILE* f, ScenePaths* out, ReadReport* report) {
  if (report) *report = ReadReport();
  *out = ScenePaths();
  Reader r{TokenReader{f}, report};
  char* const slots[3] = {out->image, out->reference, out->object};
  const char* const items[3] = {"image path", "reference path", "object path"};
  for (int k = 0; k < 3; ++k) {
    r.at(items[k]);
    const int t = r.in.next(slots[k], SCENE_PATH_MAX + 1);
    if (t == TOKEN_END && k == 2) break;
    if (t != TOKEN_OK) {
      r.fail(t == TOKEN_END ? READ_ENDED_EARLY : t == TOKEN_NUL ? READ_BAD_PATH : READ_PATH_TOO_LONG);
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
