// varnesk-cli commands: calibrate, measure. Both read a reference point file, calibrate the
// camera for the given image size exactly as the program does (the same camera rule, unless
// --camera forces a model), and report in JSON.
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "geometry/broadcast_camera.h"
#include "geometry/distance_band.h"
#include "geometry/outlier.h"
#include "geometry/geometry.h"
#include "geometry/vector3.h"
#include "scene/readers.h"

#if __has_include("imagefile.h")
#include "imagefile.h"
#define VARNESK_CLI_HAS_IMAGEFILE 1
#endif

namespace {

constexpr int MAX_IMAGE_SIDE = 1 << 20;

struct GeometryArgs {
  const char* reference = nullptr;
  const char* size = nullptr;
  const char* image = nullptr;
  const char* points[4] = {};
  bool hasPoints = false;
  const char* camera = nullptr;      // dlt, broadcast or auto
  const char* clickNoise = nullptr;  // sigma of the band, pixels
};

// A whole decimal int, nothing else in the text.
bool parse_int(const char* text, long lo, long hi, int* out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno == ERANGE || value < lo || value > hi) return false;
  *out = static_cast<int>(value);
  return true;
}

bool parse_size(const char* text, int* w, int* h) {
  const char* x = std::strchr(text, 'x');
  if (!x) return false;
  const std::string width(text, x);
  return parse_int(width.c_str(), 1, MAX_IMAGE_SIDE, w) && parse_int(x + 1, 1, MAX_IMAGE_SIDE, h);
}

// Returns an empty string on success, else the message to print.
std::string parse_args(int argc, char** argv, bool wantPoints, GeometryArgs* a) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--size" || arg == "--image" || arg == "--camera" || (arg == "--click-noise" && wantPoints)) {
      if (i + 1 >= argc) return arg + " needs a value";
      const char** slot = arg == "--size" ? &a->size : arg == "--image" ? &a->image : arg == "--camera" ? &a->camera : &a->clickNoise;
      *slot = argv[++i];
    } else if (arg == "--points" && wantPoints) {
      if (i + 4 >= argc) return "--points needs four numbers: U1 V1 U2 V2";
      for (int k = 0; k < 4; ++k) a->points[k] = argv[++i];
      a->hasPoints = true;
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      return "unknown option '" + arg + "'";
    } else if (!a->reference) {
      a->reference = argv[i];
    } else {
      return "unexpected argument '" + arg + "'";
    }
  }
  if (!a->reference) return "missing the reference point file (REF)";
  if ((a->size != nullptr) == (a->image != nullptr)) return "give the image size with exactly one of --size WxH or --image IMAGE";
  if (wantPoints && !a->hasPoints) return "missing --points U1 V1 U2 V2";
  return "";
}

// Fills the image size from --size or --image. Returns 0, or prints the error and returns 1.
int image_size(const GeometryArgs& a, CalibrationState& s) {
  if (a.size) {
    if (!parse_size(a.size, &s.imageWidth, &s.imageHeight)) {
      return cli_print_error(std::string("--size wants WIDTHxHEIGHT in whole pixels (1 to ") +
                             std::to_string(MAX_IMAGE_SIDE) + "), got '" + a.size + "'");
    }
    return 0;
  }
#ifdef VARNESK_CLI_HAS_IMAGEFILE
  const int code = ImageFileInfo(a.image, &s.imageWidth, &s.imageHeight, nullptr, nullptr);
  if (code != IMAGE_OK) {
    return cli_print_error(std::string("cannot read the size of image '") + a.image + "': " + ImageErrorText(code), code);
  }
  return 0;
#else
  return cli_print_error("--image is not supported yet (the image library is not built in); give the size with --size WxH");
#endif
}

// The landmarks of the file as the camera rule counts them.
std::string landmark_summary(const CalibrationState& s, const std::string& file) {
  const int n = s.refCount < MAX_REFERENCE_POINTS ? s.refCount : MAX_REFERENCE_POINTS;
  const LandmarkCounts k = count_landmarks(n, s.refWorldX, s.refWorldY, s.refWorldZ);
  std::string text = file + " has " + std::to_string(k.ground) + " on the ground and " + std::to_string(k.offGround) +
                     " off it";
  if (k.groundOnOneLine) text += "; its ground landmarks lie on one line";
  return text;
}

std::string calibration_error(const CalibrationState& s, const char* path) {
  const std::string file = std::string("'") + path + "'";
  const int status = s.calibrationReport.status;
  const bool rule = s.cameraPreference == CAMERA_AUTO;
  if (rule && (status == CALIB_TOO_FEW_POINTS || status == CALIB_FEW_OFF_GROUND || status == CALIB_FEW_GROUND)) {
    return "calibration needs at least four landmarks on the pitch floor, not all on one line (the broadcast "
           "camera), or six with two off the ground (the DLT camera); " + landmark_summary(s, file);
  }
  switch (status) {
    case CALIB_TOO_FEW_POINTS:
      return "calibration needs at least " + std::to_string(MIN_REFERENCE_POINTS) + " reference points; " + file +
             " has " + std::to_string(s.refCount);
    case CALIB_FEW_OFF_GROUND:
      return "the DLT camera needs at least two landmarks off the ground at distinct pixels (for instance the two "
             "crossbar ends of a goal, at 2.44 m, or another height); " + landmark_summary(s, file);
    case CALIB_FEW_GROUND:
      return "the broadcast camera needs at least four landmarks on the pitch floor, no three of them on one line; " +
             landmark_summary(s, file);
    case CALIB_NO_CONVERGENCE:
      return "the broadcast camera fit to the landmarks in " + file + " did not converge to a camera in front of them";
    case CALIB_EYE_BELOW_GROUND:
      return "the broadcast camera fit to the landmarks in " + file + " puts the eye below the pitch (is the picture "
             "mirrored, or a landmark tied to the wrong table entry?)";
    case CALIB_HIGH_RMS: {
      char bound[32];
      std::snprintf(bound, sizeof bound, "%.0f", BROADCAST_MAX_RMS_PX);
      return "the broadcast camera misses the landmarks in " + file + " by more than " + bound +
             " px (root mean square): a landmark is probably tied to the wrong table entry";
    }
    case CALIB_DEGENERATE:
      return "the landmarks in " + file + " do not determine a camera: they lie in one plane, or too many lie on one "
             "line; add landmarks away from that plane or line";
    case CALIB_NOT_FINITE:
      return "the calibration from " + file + " gave values that are not finite numbers";
    default:
      return "the calibration from " + file + " failed";
  }
}

// Reads REF, takes the image size and calibrates. Returns 0, or prints the error and returns 1.
int calibrate_from_args(const GeometryArgs& a, CalibrationState& s) {
  if (image_size(a, s) != 0) return 1;
  ReadReport report;
  if (!read_reference_file(a.reference, s, &report)) {
    return cli_print_error(std::string("reference point file '") + a.reference + "': " + read_report_text(report));
  }
  if (!update_calibration(s)) return cli_print_error(calibration_error(s, a.reference));
  return 0;
}

const char* model_name(int model) { return model == CAMERA_BROADCAST ? "broadcast" : "dlt"; }

// A band bound as JSON: +infinity (the noise can push a point past the horizon) is null.
nlohmann::json band(double lo, double hi) {
  return nlohmann::json::array({lo, std::isfinite(hi) ? nlohmann::json(hi) : nlohmann::json(nullptr)});
}

nlohmann::json vec(const double* x, int n) { return nlohmann::json(std::vector<double>(x, x + n)); }

int run(int argc, char** argv, bool measure) {
  GeometryArgs a;
  const std::string err = parse_args(argc, argv, measure, &a);
  if (!err.empty()) return cli_print_error(err + "; see varnesk-cli --help");
  int pts[4] = {};
  for (int k = 0; measure && k < 4; ++k) {
    if (!parse_int(a.points[k], INT_MIN, INT_MAX, &pts[k])) {
      return cli_print_error(std::string("--points wants whole pixel numbers, got '") + a.points[k] + "'");
    }
  }
  // the state is large and the geometry is allocation-free: one static record, as in the program
  static CalibrationState s;
  s.cameraPreference = CAMERA_AUTO;
  if (a.camera) {
    const std::string c = a.camera;
    if (c == "dlt") s.cameraPreference = CAMERA_FORCE_DLT;
    else if (c == "broadcast") s.cameraPreference = CAMERA_FORCE_BROADCAST;
    else if (c != "auto") return cli_print_error("--camera wants dlt, broadcast or auto, got '" + c + "'");
  }
  double sigma = DEFAULT_CLICK_NOISE_PX;
  if (a.clickNoise) {
    char* end = nullptr;
    sigma = std::strtod(a.clickNoise, &end);
    if (end == a.clickNoise || *end != '\0' || !(sigma >= 0 && sigma <= MAX_CLICK_NOISE_PX)) {
      return cli_print_error(std::string("--click-noise wants pixels from 0 to ") +
                             std::to_string(static_cast<int>(MAX_CLICK_NOISE_PX)) + ", got '" + a.clickNoise + "'");
    }
  }
  if (calibrate_from_args(a, s) != 0) return 1;

  nlohmann::json out;
  out["ok"] = true;
  out["camera_model"] = model_name(s.cameraModel);
  if (measure) {
    for (int k = 0; k < 4; k += 2) {
      if (!pixel_on_ground_in_front(s, pts[k], pts[k + 1])) {
        return cli_print_error("point " + std::to_string(k / 2 + 1) + " (" + std::to_string(pts[k]) + ", " +
                               std::to_string(pts[k + 1]) + ") lies on or above the horizon: its line of sight "
                               "never meets the pitch in front of the camera");
      }
    }
    DistanceBand b;
    distance_band(s, sigma, MeasurePair{pts[0], pts[1], pts[2], pts[3]}, &b);
    double ga[3], gb[3];
    image_point_to_ground(s, pts[0], pts[1], &ga[0], &ga[1], &ga[2]);
    image_point_to_ground(s, pts[2], pts[3], &gb[0], &gb[1], &gb[2]);
    out["ground_a"] = vec(ga, 2);
    out["ground_b"] = vec(gb, 2);
    out["distance_m"] = distance_between_points(s, pts[0], pts[1], pts[2], pts[3]);
    out["distance_band_m"] = band(b.distanceLo, b.distanceHi);
    out["parallel_distance_m"] = distance_between_parallels(s, pts[0], pts[1], pts[2], pts[3]);
    out["parallel_distance_band_m"] = band(b.parallelLo, b.parallelHi);
    out["click_noise_px"] = sigma;
    return cli_print_ok(out);
  }
  out["reference_points"] = s.refCount;
  out["camera_matrix"] = vec(s.cameraMatrix, 12);
  out["eye"] = vec(s.cameraEye, 3);
  out["target"] = vec(s.cameraTarget, 3);
  out["up"] = vec(s.cameraUp, 3);
  out["view_dir"] = vec(s.cameraViewDir, 3);
  out["focal_px"] = std::sqrt(dot3(s.cameraUp, s.cameraUp));
  out["vertical_fov_deg"] = camera_vertical_fov(s);
  out["reprojection_rms_px"] = reprojection_rms(s);
  out["search_passes"] = s.calibrationReport.searchPasses;
  out["search_capped"] = s.calibrationReport.searchCapped != 0;
  // how far each point lies from its landmark's image, and the one probably tied to the wrong one
  static ResidualReport residuals;
  if (analyse_residuals(s, &residuals)) {
    out["residuals_px"] = vec(residuals.residualPx, residuals.count);
    if (residuals.suspect >= 0) out["suspect_point"] = residuals.suspect + 1;
  }
  return cli_print_ok(out);
}

}  // namespace

int cli_calibrate(int argc, char** argv) { return run(argc, argv, false); }
int cli_measure(int argc, char** argv) { return run(argc, argv, true); }
