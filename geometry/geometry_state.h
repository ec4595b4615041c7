#pragma once
// The records the geometry works on. The application's global state derives from
// CalibrationState, so the geometry stays testable on a local instance without any window.
//
// World positions are metres in the pitch frame (X along the touch line 0..105, Y along the goal
// line 0..68, Z up). Image positions are whole pixels: column from the left, row from the bottom.

#include "geometry/landmarks.h"

constexpr int MAX_REFERENCE_POINTS = FIELD_LANDMARK_COUNT;  // one slot per landmark of the table
constexpr int MIN_REFERENCE_POINTS = 6;                     // fewer leave the camera undetermined
constexpr int MAX_TEAM_PLAYERS = 11;

// The calibrated camera. All zeros until the first calibration; a successful calibration
// replaces every field together, a failed one none.
struct CameraCalibration {
  // 3x4 projection, row-major: maps world (X, Y, Z, 1) to (u*w, v*w, w). The third row
  // (entries 8..10) is a unit vector and w is minus the metric depth (negative in front).
  double cameraMatrix[12] = {};
  double cameraEye[3] = {};      // camera position found by the compass search, metres
  double cameraTarget[3] = {};   // ground point seen at the image centre (Z = 0), metres
  double cameraUp[3] = {};       // image-up row of the fitted rotation; its length is the focal length, pixels
  double cameraViewDir[3] = {};  // unit viewing direction, from cameraEye toward cameraTarget
};

// Why the last call of update_calibration succeeded or failed.
enum CalibrationStatus {
  CALIB_OK = 0,
  CALIB_TOO_FEW_POINTS = 1,    // fewer than MIN_REFERENCE_POINTS reference points
  CALIB_TOO_MANY_POINTS = 2,   // a count above MAX_REFERENCE_POINTS (no such slots)
  CALIB_FEW_OFF_GROUND = 3,    // fewer than two points off the ground at distinct pixels
  CALIB_DEGENERATE = 4,        // the landmarks do not determine a camera (one plane, one line...)
  CALIB_NOT_FINITE = 5,        // the computed camera holds a value that is not a finite number
  CALIB_NO_IMAGE_SIZE = 6,     // the image width or height is not positive
  // the broadcast camera's own refusals
  CALIB_FEW_GROUND = 7,        // fewer than 4 ground landmarks with no three of them on one line
  CALIB_NO_CONVERGENCE = 8,    // the least-squares fit did not settle on a camera
  CALIB_EYE_BELOW_GROUND = 9,  // the fitted eye is not above the pitch
  CALIB_HIGH_RMS = 10,         // the fit misses the marked pixels by more than BROADCAST_MAX_RMS_PX
  CALIB_NOT_TRIED = 11,        // the camera rule did not run this model
};

// Which camera model produced the current camera.
enum CameraModel {
  CAMERA_DLT = 0,        // the 11-number linear camera with the compass-searched eye
  CAMERA_BROADCAST = 1,  // 7 numbers: square pixels, principal point at the image centre
};

// Which camera update_calibration may use.
enum CameraPreference {
  CAMERA_AUTO = 0,             // the DLT camera when it calibrates, else the broadcast camera
  CAMERA_FORCE_BROADCAST = 1,  // the broadcast camera only
  CAMERA_FORCE_DLT = 2,        // the DLT camera only
};

// The broadcast camera's parameters and what the band needs from its fit. World to camera:
// x_c = R (P - eye), image column cx + focal x_c/z_c, row (from the bottom) cy - focal y_c/z_c.
struct BroadcastSolution {
  double rotation[9] = {};  // R row-major: rows are image right, image down, viewing direction
  double eye[3] = {};       // metres
  double focal = 0;         // pixels
  // (J^T J)^-1 of the fit over its 7 parameters (a small rotation of R about the camera axes,
  // in the unnormalised-quaternion form (1, q); eye; focal), pixels^-2: times sigma^2 it is
  // the parameters' covariance under sigma px of click noise.
  double normalInverse[49] = {};
  double rms = 0;  // reprojection RMS over all landmarks, pixels
};

struct CalibrationReport {
  int status = CALIB_TOO_FEW_POINTS;  // CalibrationStatus of the last update_calibration
  int dltStatus = CALIB_NOT_TRIED;        // the DLT camera's own outcome in that call
  int broadcastStatus = CALIB_NOT_TRIED;  // the broadcast camera's own outcome in that call
  int searchPasses = 0;               // passes of the compass search in the last calibration that ran
  int searchCapped = 0;               // 1 when that search stopped at SEARCH_MAX_PASSES
};

// What the last calibration was computed from, and its outcome: the calibration is a pure
// function of these inputs, so a bit-for-bit identical input reuses the result (or the refusal).
struct CalibrationCache {
  int valid = 0;
  int preference = CAMERA_AUTO;
  int count = 0;
  int imageWidth = 0;
  int imageHeight = 0;
  double worldX[MAX_REFERENCE_POINTS] = {};
  double worldY[MAX_REFERENCE_POINTS] = {};
  double worldZ[MAX_REFERENCE_POINTS] = {};
  int imageX[MAX_REFERENCE_POINTS] = {};
  int imageY[MAX_REFERENCE_POINTS] = {};
  CameraCalibration result;
  int searchPasses = 0;
  int searchCapped = 0;
  int status = CALIB_TOO_FEW_POINTS;
  int dltStatus = CALIB_NOT_TRIED;
  int broadcastStatus = CALIB_NOT_TRIED;
  int model = CAMERA_DLT;
  BroadcastSolution broadcast;
};

struct CalibrationState : CameraCalibration {
  // Image size, pixels (written by the image loader; the principal point is its centre).
  int imageWidth = 0;
  int imageHeight = 0;

  // Reference points: landmark world position (metres) and marked pixel, entries 0..refCount-1.
  // The slot at refCount is the pending one a click fills before its landmark is chosen.
  double refWorldX[MAX_REFERENCE_POINTS] = {};
  double refWorldY[MAX_REFERENCE_POINTS] = {};
  double refWorldZ[MAX_REFERENCE_POINTS] = {};
  int refImageX[MAX_REFERENCE_POINTS] = {};  // column, pixels from the left
  int refImageY[MAX_REFERENCE_POINTS] = {};  // row, pixels from the bottom
  int refCount = 0;                           // complete reference points, 0..MAX_REFERENCE_POINTS

  // Object points: marked pixels (column, row from the bottom) of the players, referee and ball.
  int teamAImageX[MAX_TEAM_PLAYERS] = {};
  int teamAImageY[MAX_TEAM_PLAYERS] = {};
  int teamACount = 0;  // team A players, 0..MAX_TEAM_PLAYERS
  int teamBImageX[MAX_TEAM_PLAYERS] = {};
  int teamBImageY[MAX_TEAM_PLAYERS] = {};
  int teamBCount = 0;  // team B players, 0..MAX_TEAM_PLAYERS
  int refereeImageX = 0;
  int refereeImageY = 0;
  int refereePresent = 0;  // non-zero when the referee is marked (an object file's value is kept)
  int ballImageX = 0;
  int ballImageY = 0;
  int ballPresent = 0;  // non-zero when the ball is marked (an object file's value is kept)

  // Ground positions of the object points, metres; Z is always 0. Written only by a successful
  // calibration; entry i belongs to image entry i.
  double teamAGroundX[MAX_TEAM_PLAYERS] = {};
  double teamAGroundY[MAX_TEAM_PLAYERS] = {};
  double teamAGroundZ[MAX_TEAM_PLAYERS] = {};
  double teamBGroundX[MAX_TEAM_PLAYERS] = {};
  double teamBGroundY[MAX_TEAM_PLAYERS] = {};
  double teamBGroundZ[MAX_TEAM_PLAYERS] = {};
  double refereeGroundX = 0, refereeGroundY = 0, refereeGroundZ = 0;
  double ballGroundX = 0, ballGroundY = 0, ballGroundZ = 0;

  // 3D view, metres: the current viewpoint steered by the keys and the orbit point it moves
  // about (viewTarget, set by each successful calibration to cameraTarget), and the calibrated
  // camera's viewpoint kept for the key that restores it.
  double viewEye[3] = {};
  double viewCenter[3] = {};
  double viewUp[3] = {};  // up vector of the 3D view (the calibrated one is in pixels of focal length)
  double viewTarget[3] = {};
  double savedEye[3] = {};
  double savedCenter[3] = {};
  double savedUp[3] = {};

  // 1 while the camera fields belong to the present picture and reference points: a failed
  // calibration leaves the last camera's numbers behind, and nothing may measure or draw with them.
  int cameraCurrent = 0;
  int cameraModel = CAMERA_DLT;          // CameraModel of the current camera
  int cameraPreference = CAMERA_AUTO;    // CameraPreference: the user's choice of model
  BroadcastSolution broadcastSolution;   // the fit behind a broadcast camera (set with it)

  CalibrationReport calibrationReport;  // outcome of the last update_calibration
  CalibrationCache calibrationCache;    // inputs and result of the last successful calibration
};
