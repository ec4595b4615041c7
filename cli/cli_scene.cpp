// Scene loading and offscreen pictures for the drawing commands.
#include "cli_scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "state/app_state.h"
#include "commands.h"
#include "imagefile/imagefile.h"
#include "render/image_view.h"
#include "render/png_write.h"
#include "toolkit/driver/headless/headless.h"
#include "toolkit/tuk_gl.h"

int cli_load_scene(const char* scenePath, SceneLoadReport* report, const ImageSizeCheck* bound) {
  if (load_scene_quiet(scenePath, appState, report, bound)) return 0;
  const std::string image = std::string("image '") + report->paths.image + "'";
  if (report->imageStage == IMAGE_STAGE_TOO_LARGE) {
    const ImageSizeCheck& size = report->imageSize;
    return cli_print_error(image + " is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                               " pixels; the OpenGL canvas draws at most " + std::to_string(size.maxWidth) + " x " +
                               std::to_string(size.maxHeight) + " pixels (" + std::to_string(size.maxPixels) +
                               " in all)",
                           report->imageCode);
  }
  if (report->imageCode != 0) return cli_print_error(image + ": " + ImageErrorText(report->imageCode), report->imageCode);
  return cli_print_error(std::string("scene file '") + scenePath + "': " + read_report_text(report->scene));
}

int cli_require_point_files(const SceneLoadReport& report) {
  if (!report.referencesRead) {
    return cli_print_error(std::string("reference point file '") + report.paths.reference +
                           "': " + read_report_text(report.references));
  }
  if (report.paths.hasObject && !report.objectsRead) {
    return cli_print_error(std::string("object point file '") + report.paths.object + "': " +
                           read_report_text(report.objects));
  }
  return 0;
}

int cli_open_offscreen() {
  if (TukSetDriver("headless") != TUK_NOERROR || TukOpen() != TUK_NOERROR) {
    return cli_print_error("the headless toolkit driver cannot be opened");
  }
  TukGLCanvasOpen();
  return 0;
}

int cli_canvas_limit(ImageSizeCheck* bound) {
  *bound = ImageSizeCheck();
  // a one-pixel canvas of the image view's kind, only to ask its context
  TukHandle probe = open_image_canvas(1, 1);
  TukGLMakeCurrent(probe);
  GLint viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  int w = viewport[0], h = viewport[1];
  while (glGetError() != GL_NO_ERROR) {
  }
  // GL_MAX_RENDERBUFFER_SIZE (GL 3.0, or the framebuffer-object extension): an error when absent
  GLint renderbuffer = 0;
  glGetIntegerv(0x84E8, &renderbuffer);
  if (glGetError() == GL_NO_ERROR && renderbuffer > 0) {
    w = std::min(w, static_cast<int>(renderbuffer));
    h = std::min(h, static_cast<int>(renderbuffer));
  }
  TukDestroy(TukGetDialog(probe));
  appState.imageCanvas = nullptr;
  if (w <= 0 || h <= 0) return cli_print_error("no OpenGL context for a canvas");
  bound->maxWidth = w;
  bound->maxHeight = h;
  bound->maxPixels = static_cast<long long>(w) * h;
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
