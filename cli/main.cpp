// varnesk-cli: batch and headless access to Varnesk's image library, geometry and drawing.
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>

#include "json_text.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
};

constexpr Command kCommands[] = {
    {"info", cli_info},           {"decode", cli_decode},   {"calibrate", cli_calibrate},
    {"measure", cli_measure},     {"render", cli_render},   {"render3d", cli_render3d},
};

const char kUsage[] =
    "usage: varnesk-cli COMMAND [ARGS]\n"
    "\n"
    "Every command prints one JSON object on stdout and exits 0 on success, 1 on failure\n"
    "(with \"error\" and, for image errors, \"error_code\": the image library's code).\n"
    "Pixel rows are counted from the bottom, as in .ref files.\n"
    "\n"
    "  info IMAGE\n"
    "      {\"format\", \"width\", \"height\", \"color_mode\": \"RGB\"|\"MAP\", \"palette_size\"}\n"
    "  decode IMAGE OUT\n"
    "      writes a binary PPM (P6, maxval 255, top row first); OUT may be - for stdout\n"
    "  calibrate REF (--size WxH | --image IMAGE) [--camera dlt|broadcast|auto]\n"
    "      {\"ok\", \"camera_model\", \"reference_points\", \"camera_matrix\", \"eye\", \"target\", \"up\",\n"
    "       \"view_dir\", \"focal_px\", \"vertical_fov_deg\", \"reprojection_rms_px\", \"search_passes\",\n"
    "       \"search_capped\", \"residuals_px\": one per point in file order, \"suspect_point\": the\n"
    "       point (from 1) probably tied to the wrong landmark, only when one stands out}\n"
    "      auto (the default): the DLT camera when it calibrates (six landmarks, two off the\n"
    "      ground), else the broadcast camera (four ground landmarks, not all on one line)\n"
    "  measure REF (--size WxH | --image IMAGE) --points U1 V1 U2 V2 [--camera ...]\n"
    "          [--click-noise PX]\n"
    "      {\"ok\", \"camera_model\", \"ground_a\", \"ground_b\", \"distance_m\", \"distance_band_m\",\n"
    "       \"parallel_distance_m\", \"parallel_distance_band_m\", \"click_noise_px\"}\n"
    "      the bands are 95% from PX (default 1) of click noise; a bound null is unbounded\n"
    "  render SCENE.cen --out OUT.png [--overlays refs,objects,lines]\n"
    "         [--parallels U1,V1,U2,V2] [--segment U1,V1,U2,V2]\n"
    "      the image view as a PNG of the image's size\n"
    "  render3d SCENE.cen --out OUT.png [--view camera|top] [--size WxH]\n"
    "      the 3D scene as a PNG\n"
    "  Both fail when the scene's reference or object file does not read whole; render\n"
    "  refuses a picture wider or taller than OpenGL's largest canvas.\n"
    "\n"
    "Image error codes: 1 cannot open, 2 read error, 4 format not recognised,\n"
    "5 unsupported variant, 6 unsupported compression.\n"
    "\n"
    "Paths and messages are UTF-8; a byte of a file name that is not shows as \\xNN.\n";

// Every result goes through here: the commands put paths and messages in as they are, and
// the bytes that are not UTF-8 are escaped once, so no command can make the writer throw.
void print_json(nlohmann::json value) {
  json_make_safe(value);
  std::cout << value.dump(2) << std::endl;
}

// The last resort: an exception or a terminate that no command handled still ends with one JSON
// error on stdout and exit status 1, never with a signal and an empty or half-written result.
[[noreturn]] void fail_hard(const char* what) {
  std::fflush(stdout);
  std::printf("{\n  \"error\": \"internal error: %s\",\n  \"ok\": false\n}\n", what);
  std::fflush(stdout);
  std::_Exit(1);
}

int run_command(int argc, char** argv) {
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
  }
  return cli_print_error(std::string("unknown command '") + argv[1] + "'; see varnesk-cli --help");
}

}  // namespace

int cli_print_ok(const nlohmann::json& result) {
  print_json(result);
  return 0;
}

int cli_print_error(const std::string& message, int errorCode) {
  nlohmann::json out;
  out["ok"] = false;
  out["error"] = message;
  if (errorCode >= 0) out["error_code"] = errorCode;
  print_json(std::move(out));
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 1 : 0;
  }
  std::set_terminate([] { fail_hard("unhandled exception"); });
  try {
    return run_command(argc, argv);
  } catch (const std::bad_alloc&) {
    return cli_print_error("not enough memory");
  } catch (const std::exception& e) {
    return cli_print_error(std::string("internal error: ") + e.what());
  } catch (...) {
    fail_hard("unknown exception");
  }
}
