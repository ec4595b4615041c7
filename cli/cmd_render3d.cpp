// varnesk-cli render3d: the 3D scene of a scene file as "Make 3D Model" shows it, from the
// calibrated camera or from above the pitch (the "C" key), drawn offscreen by the headless driver
// and written as a PNG.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "state/app_state.h"
#include "cli_scene.h"
#include "commands.h"
#include "geometry/geometry.h"
#include "render/scene3d.h"
#include "toolkit/tuk_gl.h"

namespace {

constexpr int kMaxSide = 8192;  // pixels; larger offscreen canvases are refused

struct Render3dArgs {
  const char* scene = nullptr;
  const char* out = nullptr;
  bool top = false;
  int width = 640, height = 480;  // the "3D Scene" canvas's size
};

bool parse_side(const char* text, const char* stop, int* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (end == text || end != stop || errno == ERANGE || v < 1 || v > kMaxSide) return false;
  *out = static_cast<int>(v);
  return true;
}

// Empty on success, else what is wrong.
std::string parse_render3d_args(int argc, char** argv, Render3dArgs& a) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--out" && hasValue) {
      a.out = argv[++i];
    } else if (arg == "--view" && hasValue) {
      const std::string view = argv[++i];
      if (view != "camera" && view != "top") return "--view is camera or top, got '" + view + "'";
      a.top = view == "top";
    } else if (arg == "--size" && hasValue) {
      const char* text = argv[++i];
      const char* x = std::strchr(text, 'x');
      if (!x || !parse_side(text, x, &a.width) || !parse_side(x + 1, x + 1 + std::strlen(x + 1), &a.height)) {
        return std::string("--size wants WIDTHxHEIGHT, 1 to ") + std::to_string(kMaxSide) + " pixels each, got '" +
               text + "'";
      }
    } else if (arg[0] != '-' && !a.scene) {
      a.scene = argv[i];
    } else {
      return "unexpected argument '" + arg + "'";
    }
  }
  if (!a.scene || !a.out) return "usage: render3d SCENE.cen --out OUT.png [--view camera|top] [--size WxH]";
  return "";
}

nlohmann::json triple(const double v[3]) { return nlohmann::json::array({v[0], v[1], v[2]}); }

// Where a ground point shows in the picture: column and row from the bottom, through the
// matrices the scene was drawn with.
nlohmann::json object_entry(const char* kind, double X, double Y, const GLdouble model[16],
                            const GLdouble projection[16], const GLint viewport[4]) {
  GLdouble u = 0, v = 0, depth = 0;
  const bool inFront = gluProject(X, Y, 0.0, model, projection, viewport, &u, &v, &depth) == GL_TRUE &&
                       depth >= 0.0 && depth <= 1.0;
  nlohmann::json o;
  o["kind"] = kind;
  o["ground"] = {X, Y};
  if (inFront) o["pixel"] = {u, v};
  else o["pixel"] = nullptr;  // behind the eye or beyond the far plane
  return o;
}

nlohmann::json objects_in_view() {
  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  const AppState& s = appState;
  nlohmann::json list = nlohmann::json::array();
  for (int i = 0; i < s.teamACount && i < MAX_TEAM_PLAYERS; ++i)
    list.push_back(object_entry("team_a", s.teamAGroundX[i], s.teamAGroundY[i], model, projection, viewport));
  for (int i = 0; i < s.teamBCount && i < MAX_TEAM_PLAYERS; ++i)
    list.push_back(object_entry("team_b", s.teamBGroundX[i], s.teamBGroundY[i], model, projection, viewport));
  if (s.refereePresent) list.push_back(object_entry("referee", s.refereeGroundX, s.refereeGroundY, model, projection, viewport));
  if (s.ballPresent) list.push_back(object_entry("ball", s.ballGroundX, s.ballGroundY, model, projection, viewport));
  return list;
}

int redraw_scene(TukHandle, double, double) {
  redraw_scene_view();
  return TUK_DEFAULT;
}

}  // namespace

int cli_render3d(int argc, char** argv) {
  Render3dArgs a;
  const std::string usage = parse_render3d_args(argc, argv, a);
  if (!usage.empty()) return cli_print_error(usage);

  SceneLoadReport report;
  if (cli_load_scene(a.scene, &report) != 0 || cli_require_point_files(report) != 0) return 1;
  if (!report.calibrated) {
    return cli_print_error(std::string("the reference points of '") + a.scene +
                           "' give no camera, so there is no 3D model: it needs at least 4 on the pitch floor, not "
                           "all on one line, or at least 6 of them, two or more off the ground, not all in one "
                           "plane (it has " +
                           std::to_string(appState.refCount) + ")");
  }

  if (cli_open_offscreen() != 0) return 1;
  TukSetFunction("redraw_3D_cb", TukCallbackOf(redraw_scene));
  TukHandle canvas = open_scene_canvas(a.width, a.height);
  // what "Make 3D Model" and the C key of the program do
  prepare_scene_model();
  if (a.top) view_top();
  redraw_scene_view();

  std::vector<unsigned char> pixels;
  int w = 0, h = 0;
  const int noFrame = cli_grab_frame(canvas, &pixels, &w, &h);
  TukGLMakeCurrent(canvas);
  const nlohmann::json objects = objects_in_view();
  const double fov = camera_vertical_fov(appState);
  TukClose();
  if (!appState.modelReady || noFrame) return cli_print_error("no OpenGL context for the 3D canvas");
  nlohmann::json out;
  if (cli_write_picture(a.out, pixels, w, h, report, &out) != 0) return 1;
  out["view"] = a.top ? "top" : "camera";
  out["eye"] = triple(appState.viewEye);
  out["center"] = triple(appState.viewCenter);
  out["up"] = triple(appState.viewUp);
  out["vertical_fov_deg"] = fov;
  out["objects"] = objects;
  return cli_print_ok(out);
}
