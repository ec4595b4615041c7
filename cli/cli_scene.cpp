// Scene loading and offscreen pictures for the drawing commands.
#include "cli_scene.h"

#include <string>

#include "app/app_state.h"
#include "commands.h"
#include "imagefile/imagefile.h"
#include "render/png_write.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

int cli_load_scene(const char* scenePath, SceneLoadReport* report) {
  if (load_scene_quiet(scenePath, appState, report)) return 0;
  if (report->imageCode != 0) {
    return cli_print_error(std::string("image '") + report->paths.image + "': " + ImageErrorText(report->imageCode),
                           report->imageCode);
  }
  return cli_print_error(std::string("scene file '") + scenePath + "': " + read_status_text(report->status));
}

int cli_open_offscreen() {
  if (TukSetDriver("headless") != TUK_NOERROR || TukOpen() != TUK_NOERROR) {
    return cli_print_error("the headless toolkit driver cannot be opened");
  }
  TukGLCanvasOpen();
  return 0;
}

int cli_grab_frame(TukHandle canvas, std::vector<unsigned char>* pixels, int* width, int* height) {
  *width = *height = 0;
  const unsigned char* frame = TukHeadlessFrame(canvas, width, height);
  if (!frame) return 1;
  pixels->assign(frame, frame + static_cast<size_t>(*width) * *height * 3);
  return 0;
}

int cli_write_picture(const char* out, const std::vector<unsigned char>& pixels, int width, int height,
                      const SceneLoadReport& report, nlohmann::json* result) {
  if (write_png_bottom_up(out, pixels.data(), width, height) != 0) {
    return cli_print_error(std::string("cannot write '") + out + "'");
  }
  nlohmann::json& r = *result;
  r["ok"] = true;
  r["out"] = out;
  r["width"] = width;
  r["height"] = height;
  r["image"] = report.paths.image;
  r["reference_points"] = appState.refCount;
  r["team_a"] = appState.teamACount;
  r["team_b"] = appState.teamBCount;
  r["referee"] = appState.refereePresent != 0;
  r["ball"] = appState.ballPresent != 0;
  return 0;
}
