// The image load entry and the scene load without the interface.
#include "scene/scene_load.h"

#include <cstddef>
#include <new>
#include <vector>

#include "geometry/geometry.h"
#include "imagefile/imagefile.h"

namespace {

// w x h within the library's limit, as a count of pixels; 0 for sizes no buffer may be made for
std::size_t checked_pixels(int w, int h) {
  if (w <= 0 || h <= 0) return 0;
  const long long n = static_cast<long long>(w) * h;
  return n > IMAGE_MAX_PIXELS ? 0 : static_cast<std::size_t>(n);
}

}  // namespace

int load_image_rgb(const char* path, AppState& s, int* stage, ImageSizeCheck* size) {
  if (check_regular_file(path) != READ_OK) {
    if (stage) *stage = IMAGE_STAGE_DEFINITION;
    return IMAGE_ERR_OPEN;
  }
  int w = 0, h = 0, colourMode = 0, paletteSize = 0;
  int code = ImageFileInfo(path, &w, &h, &colourMode, &paletteSize);
  const std::size_t pixels = code == IMAGE_OK ? checked_pixels(w, h) : 0;
  if (code != IMAGE_OK || pixels == 0) {
    if (stage) *stage = IMAGE_STAGE_DEFINITION;
    return code != IMAGE_OK ? code : IMAGE_ERR_VARIANT;
  }
  if (size) {
    size->width = w;
    size->height = h;
    if ((size->maxWidth > 0 && w > size->maxWidth) || (size->maxHeight > 0 && h > size->maxHeight) ||
        (size->maxPixels > 0 && static_cast<long long>(w) * h > size->maxPixels)) {
      if (stage) *stage = IMAGE_STAGE_TOO_LARGE;
      return IMAGE_ERR_VARIANT;
    }
  }
  std::vector<unsigned char> planes;
  std::vector<unsigned char> rgb;
  try {
    planes.resize(pixels * 3);
    rgb.resize(pixels * 3);
  } catch (const std::bad_alloc&) {
    if (stage) *stage = IMAGE_STAGE_PIXELS;
    return IMAGE_ERR_READ;
  }
  unsigned char* red = planes.data();
  unsigned char* green = red + pixels;
  unsigned char* blue = green + pixels;
  // the sized load refuses a file that was replaced by one of another size since the info call
  code = ImageLoadRGBSized(path, w, h, red, green, blue);
  if (code != IMAGE_OK) {
    if (stage) *stage = IMAGE_STAGE_PIXELS;
    return code;
  }
  for (std::size_t i = 0; i < pixels; ++i) {
    rgb[3 * i] = red[i];
    rgb[3 * i + 1] = green[i];
    rgb[3 * i + 2] = blue[i];
  }
  s.imageRgb.swap(rgb);
  s.imageWidth = w;
  s.imageHeight = h;
  return IMAGE_OK;
}

int load_scene_quiet(const char* scenePath, AppState& s, SceneLoadReport* report, const ImageSizeCheck* bound) {
  SceneLoadReport local;
  SceneLoadReport& r = report ? *report : local;
  r = SceneLoadReport{};
  if (bound) r.imageSize = *bound;
  ReadReport& rr = r.scene;
  const int pathsRead = read_scene_file(scenePath, &r.paths, &rr);
  // a scene that could not be opened at all changes nothing, as the command does
  if (rr.status == READ_CANNOT_OPEN || rr.status == READ_IS_DIRECTORY || rr.status == READ_NOT_REGULAR) {
    r.status = rr.status;
    return 0;
  }
  s.landmarkMarked = 0;
  clear_reference_points(s);
  clear_object_points(s);
  if (!pathsRead) {
    r.status = rr.status;
    return 0;
  }
  r.imageCode = load_image_rgb(r.paths.image, s, &r.imageStage, &r.imageSize);
  if (r.imageCode != IMAGE_OK) return 0;
  finish_scene_load(r.paths, s, r);
  return 1;
}

void finish_scene_load(const ScenePaths& paths, AppState& s, SceneLoadReport& r) {
  r.referencesRead = read_reference_file(paths.reference, s, &r.references);
  // a reference file cut short skips the calibration and the object file
  if (r.referencesRead) {
    r.calibrated = update_calibration(s);
    if (r.calibrated) s.landmarkMarked = 1;
    if (paths.hasObject) r.objectsRead = read_object_file(paths.object, s, &r.objects);
  }
  s.imageLoaded = 1;
  s.modelReady = 0;
  s.showRefPoints = s.showObjPoints = s.showFieldLines = s.showParallels = s.showPointDistance = 0;
}
