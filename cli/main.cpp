// varnesk-cli: batch and headless access to Varnesk's image library, geometry and drawing.
#include "commands.h"

#include <cstdio>
#include <cstring>
#include <iostream>

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
    "       \"search_capped\"}\n"
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
    "\n"
    "Image error codes: 1 cannot open, 2 read error, 4 format not recognised,\n"
    "5 unsupported variant, 6 unsupported compression.\n";

}  // namespace

int cli_print_ok(const nlohmann::json& result) {
  std::cout << result.dump(2) << std::endl;
  return 0;
}

int cli_print_error(const std::string& message, int errorCode) {
  nlohmann::json out;
  out["ok"] = false;
  out["error"] = message;
  if (errorCode >= 0) out["error_code"] = errorCode;
  std::cout << out.dump(2) << std::endl;
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 1 : 0;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
  }
  return cli_print_error(std::string("unknown command '") + argv[1] + "'; see varnesk-cli --help");
}
