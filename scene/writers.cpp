// Writing the reference, object and scene files, each through a temporary file and a rename.
#include "scene/writers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "scene/readers.h"

namespace {

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string without_extension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

void append_pair(std::string& out, int x, int y) {
  char line[48];
  std::snprintf(line, sizeof line, "%d %d\n", x, y);
  out += line;
}

bool write_all(int fd, const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

const char* write_status_text(int status) {
  switch (status) {
    case WRITE_OK: return "gravado";
    case WRITE_CANNOT_CREATE: return "não é possível criar arquivos nesta pasta";
    case WRITE_FAILED: return "a gravação falhou (disco cheio?)";
    case WRITE_BAD_PATH: return "caminho que o arquivo de cena não comporta";
    case WRITE_BAD_VALUE: return "valor que não pode ser gravado";
    default: return "erro desconhecido";
  }
}

int write_text_file_atomic(const char* path, const std::string& text) {
  if (!path || !*path) return WRITE_CANNOT_CREATE;
  std::string tmp = std::string(path) + ".tmpXXXXXX";
  const int fd = mkstemp(&tmp[0]);
  if (fd < 0) return WRITE_CANNOT_CREATE;
  // mkstemp makes the file private; a saved file gets the usual permissions
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  bool ok = write_all(fd, text) && fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = std::rename(tmp.c_str(), path) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return WRITE_FAILED;
  }
  return WRITE_OK;
}

std::string reference_file_text(const CalibrationState& s) {
  if (s.refCount < 0 || s.refCount > MAX_REFERENCE_POINTS) return std::string();
  std::string out = std::to_string(s.refCount) + "\n";
  for (int i = 0; i < s.refCount; ++i) {
    if (!std::isfinite(s.refWorldX[i]) || !std::isfinite(s.refWorldY[i]) || !std::isfinite(s.refWorldZ[i]))
      return std::string();
    char line[128];
    std::snprintf(line, sizeof line, "%.17g %.17g %.17g %d %d\n", s.refWorldX[i], s.refWorldY[i],
                  s.refWorldZ[i], s.refImageX[i], s.refImageY[i]);
    out += line;
  }
  return out;
}

std::string object_file_text(const CalibrationState& s) {
  if (s.teamACount < 0 || s.teamACount > MAX_TEAM_PLAYERS || s.teamBCount < 0 || s.teamBCount > MAX_TEAM_PLAYERS)
    return std::string();
  std::string out = std::to_string(s.teamACount) + "\n";
  for (int i = 0; i < s.teamACount; ++i) append_pair(out, s.teamAImageX[i], s.teamAImageY[i]);
  out += std::to_string(s.teamBCount) + "\n";
  for (int i = 0; i < s.teamBCount; ++i) append_pair(out, s.teamBImageX[i], s.teamBImageY[i]);
  // the flags as they are: the reader keeps any non-zero value
  out += std::to_string(s.refereePresent) + "\n";
  if (s.refereePresent) append_pair(out, s.refereeImageX, s.refereeImageY);
  out += std::to_string(s.ballPresent) + "\n";
  if (s.ballPresent) append_pair(out, s.ballImageX, s.ballImageY);
  return out;
}

int scene_path_fits(const std::string& path) {
  if (path.empty() || path.size() > static_cast<std::size_t>(SCENE_PATH_MAX)) return 0;
  for (const char c : path) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0') return 0;
  }
  return 1;
}

std::string scene_relative_path(const std::string& scenePath, const std::string& target) {
  const std::string folder = folder_of(scenePath);
  if (!folder.empty() && target.size() > folder.size() && target.compare(0, folder.size(), folder) == 0)
    return target.substr(folder.size());
  return target;
}

ScenePlan plan_scene(const std::string& scenePath, const std::string& imagePath) {
  ScenePlan p;
  const std::string base = without_extension(scenePath);
  p.scene = base + ".cen";
  p.reference = base + ".ref";
  p.object = base + ".obj";
  p.imageEntry = scene_relative_path(p.scene, imagePath);
  p.referenceEntry = scene_relative_path(p.scene, p.reference);
  p.objectEntry = scene_relative_path(p.scene, p.object);
  for (const std::string* e : {&p.imageEntry, &p.referenceEntry, &p.objectEntry}) {
    if (!scene_path_fits(*e)) {
      p.refused = *e;
      break;
    }
  }
  return p;
}

std::string scene_file_text(const ScenePlan& plan) {
  return plan.imageEntry + "\n" + plan.referenceEntry + "\n" + plan.objectEntry + "\n";
}
