// varnesk-cli render: the image view of a scene, drawn offscreen by the headless driver into a
// canvas of the image's own size and written as a PNG.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "state/app_state.h"
#include "cli_scene.h"
#include "commands.h"
#include "geometry/geometry.h"
#include "imagefile/imagefile.h"
#include "render/image_view.h"
#include "scene/scene_load.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

namespace {

constexpr long long kBandPixels = 1LL << 22;  // pixels of canvas drawn at a time

struct RenderArgs {
  const char* scene = nullptr;
  const char* out = nullptr;
  int refs = 0, objects = 0, lines = 0;
  int hasParallels = 0, hasSegment = 0;
  int points[4] = {0, 0, 0, 0};  // U1, V1, U2, V2 of --parallels or --segment
};

// "U1,V1,U2,V2": four integers, nothing else
bool parse_points(const char* text, int out[4]) {
  const char* p = text;
  for (int k = 0; k < 4; ++k) {
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p || v < -1000000 || v > 1000000) return false;
    out[k] = static_cast<int>(v);
    if (k < 3 && *end != ',') return false;
    p = end + (k < 3 ? 1 : 0);
  }
  return *p == '\0';
}

bool parse_overlays(const std::string& list, RenderArgs& a, std::string& bad) {
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name == "refs") a.refs = 1;
    else if (name == "objects") a.objects = 1;
    else if (name == "lines") a.lines = 1;
    else if (!name.empty()) {
      bad = name;
      return false;
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

// Parses the arguments; an empty string on success, else what is wrong.
std::string parse_render_args(int argc, char** argv, RenderArgs& a) {
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(arg, "--out") == 0 && hasValue) {
      a.out = argv[++i];
    } else if (std::strcmp(arg, "--overlays") == 0 && hasValue) {
      std::string bad;
      if (!parse_overlays(argv[++i], a, bad)) return "unknown overlay '" + bad + "' (refs, objects, lines)";
    } else if ((std::strcmp(arg, "--parallels") == 0 || std::strcmp(arg, "--segment") == 0) && hasValue) {
      const bool parallels = arg[2] == 'p';
      if (!parse_points(argv[++i], a.points)) return std::string(arg) + " wants U1,V1,U2,V2 (whole pixels)";
      (parallels ? a.hasParallels : a.hasSegment) = 1;
    } else if (arg[0] != '-' && !a.scene) {
      a.scene = arg;
    } else {
      return std::string("unexpected argument '") + arg + "'";
    }
  }
  if (!a.scene || !a.out) return "usage: render SCENE.cen --out OUT.png [--overlays refs,objects,lines] [--parallels U1,V1,U2,V2] [--segment U1,V1,U2,V2]";
  // both measurements share the two measurement points of the view
  if (a.hasParallels && a.hasSegment) return "--parallels and --segment share the measurement points; give one of them";
  return "";
}

// Draws the image view of the whole picture into pixels (RGB, bottom row first). The canvas is
// as wide as the picture but only a band of rows tall, and is panned over the picture as a user
// pans a large one: OpenGL's buffers for a canvas (colour, depth, the drawing's copy, a
// conversion of the picture for glDrawPixels: about 15 bytes a pixel) then cost a band, not the
// whole picture. Pans are whole pixels, so a band holds the same rows as one tall canvas would
// (only a line clipped at a band's edge may differ in the smoothing of a few pixels). A picture of
// up to kBandPixels is one band, drawn exactly as before. Empty on success, else what went wrong.
std::string draw_in_bands(std::vector<unsigned char>* pixels) {
  const int width = appState.imageWidth, height = appState.imageHeight;
  const int band = static_cast<int>(std::max(1LL, std::min<long long>(height, kBandPixels / width)));
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  pixels->assign(rowBytes * static_cast<size_t>(height), 0);
  TukHandle canvas = open_image_canvas(width, band);
  for (int row = 0; row < height; row += band) {
    // the last band is drawn flush with the top and overlaps the one before it
    set_image_pan(0, std::min(row, height - band));
    const int bottom = appState.panY;
    redraw_image_view();
    int w = 0, h = 0;
    const unsigned char* frame = TukHeadlessFrame(canvas, &w, &h);
    if (!frame) return "no OpenGL context for a canvas of the image's width";
    if (w != width || h != band) return "the OpenGL canvas is not of the size asked for (" + std::to_string(w) +
                                        " x " + std::to_string(h) + ")";
    std::memcpy(pixels->data() + rowBytes * static_cast<size_t>(bottom), frame, rowBytes * static_cast<size_t>(band));
  }
  return "";
}

}  // namespace

int cli_render(int argc, char** argv) {
  RenderArgs a;
  const std::string usage = parse_render_args(argc, argv, a);
  if (!usage.empty()) return cli_print_error(usage);

  // the canvas's limits first: a picture OpenGL cannot draw whole is refused before it is loaded
  if (cli_open_offscreen() != 0) return 1;
  ImageSizeCheck bound;
  SceneLoadReport report;
  if (cli_canvas_limit(&bound) != 0 || cli_load_scene(a.scene, &report, &bound) != 0 ||
      cli_require_point_files(report) != 0) {
    TukClose();
    return 1;
  }
  appState.showRefPoints = a.refs;
  appState.showObjPoints = a.objects;
  appState.showFieldLines = a.lines;
  if (a.hasParallels || a.hasSegment) {
    appState.measureX1 = a.points[0];
    appState.measureY1 = a.points[1];
    appState.measureX2 = a.points[2];
    appState.measureY2 = a.points[3];
    appState.measureClicks = 2;
    appState.showParallels = a.hasParallels;
    appState.showPointDistance = a.hasSegment;
  }

  std::vector<unsigned char> pixels;
  const std::string drawn = draw_in_bands(&pixels);
  TukClose();
  if (!drawn.empty()) return cli_print_error(drawn);
  nlohmann::json out;
  if (cli_write_picture(a.out, pixels, appState.imageWidth, appState.imageHeight, report, &out) != 0) return 1;
  out["calibrated"] = report.calibrated == 1;
  if (report.calibrated) out["reprojection_rms_px"] = reprojection_rms(appState);
  if (report.calibrated && a.hasParallels) {
    out["parallel_distance_m"] = distance_between_parallels(appState, a.points[0], a.points[1], a.points[2], a.points[3]);
  }
  if (report.calibrated && a.hasSegment) {
    out["distance_m"] = distance_between_points(appState, a.points[0], a.points[1], a.points[2], a.points[3]);
  }
  return cli_print_ok(out);
}
