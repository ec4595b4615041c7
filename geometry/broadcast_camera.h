#pragma once
// The broadcast camera: square pixels, principal point at the image centre, no skew, so only
// focal length, rotation and eye are unknown (7 numbers). It calibrates from pitch-floor
// landmarks alone, which the DLT camera cannot, and overfits click noise less.

#include "geometry/geometry_state.h"

constexpr int BROADCAST_MIN_GROUND = 4;  // ground landmarks, no three on one line, that fix a homography
// Largest reprojection RMS a broadcast fit may keep, pixels. Careful clicks on a broadcast frame
// leave 1 to 3 px (the real frame of the tests gives 2 px); a landmark tied to the wrong table
// entry, or a pitch whose markings are not the table's, moves its pixel by tens of pixels.
constexpr double BROADCAST_MAX_RMS_PX = 5.0;

// What the landmarks are, as the "not calibrated" messages report them.
struct LandmarkCounts {
  int ground = 0;           // landmarks with Z = 0
  int offGround = 0;        // the others
  int groundGeneral = 0;    // 1 when 4 ground landmarks exist with no three of them on one line
  int groundOnOneLine = 0;  // 1 when there are 3 or more ground landmarks and all lie on one line
};
LandmarkCounts count_landmarks(int n, const double X[], const double Y[], const double Z[]);

// Fits the broadcast camera to n landmarks for an image of the given size. Starts from the
// homography of the ground landmarks decomposed with the known principal point and, when dlt
// is not null, from that camera too; refines each by Levenberg-Marquardt on the reprojection
// error of all landmarks and keeps the better. Returns CALIB_OK and fills *out and *solution,
// or the CalibrationStatus of the refusal (outputs unspecified). Allocates (the solver's work).
int fit_broadcast_camera(int n, const double X[], const double Y[], const double Z[], const int u[],
                         const int v[], int imageWidth, int imageHeight, const CameraCalibration* dlt,
                         CameraCalibration* out /* out */, BroadcastSolution* solution /* out */);
// The same for pixels that are not whole (a refit under perturbed clicks).
int fit_broadcast_camera(int n, const double X[], const double Y[], const double Z[], const double u[],
                         const double v[], int imageWidth, int imageHeight, const CameraCalibration* dlt,
                         CameraCalibration* out /* out */, BroadcastSolution* solution /* out */);

// The camera record (matrix in the DLT camera's convention, eye, target, up, direction) of a
// broadcast solution with principal point (cx, cy).
void broadcast_calibration(const BroadcastSolution& b, int cx, int cy, CameraCalibration* out /* out */);

// First-order change of the ground points of two pixels under the solution's parameters and
// the pixels themselves: fills ground (Xa, Ya, Xb, Yb) and jac, the 4 x 11 row-major derivative
// by (the 7 parameters, ua, va, ub, vb). Returns 0 when a pixel's line of sight misses the
// ground in front of the camera.
int broadcast_ground_jacobian(const BroadcastSolution& b, int cx, int cy, double ua, double va, double ub,
                              double vb, double ground[4] /* out */, double jac[44] /* out */);
