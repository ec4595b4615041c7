#pragma once
// Varnesk geometry: the linear solver, the camera calibration from reference points, and the
// mapping of image pixels onto the ground with the two distance measures. No heap allocation:
// all working storage is fixed-size and on the stack.

#include "geometry/geometry_state.h"

// ---- linear solver -------------------------------------------------------------------------

// Rows of every matrix handed to the solver lie this many doubles apart, whatever its order.
constexpr int SOLVER_ROW_STRIDE = 13;
constexpr int SOLVER_MAX_ORDER = 13;
constexpr double SOLVER_TOLERANCE = 1e-10;  // absolute: the matrices are not scaled beforehand

// Solves a·x = b of order n (1..13) in place by Gaussian elimination with scaled partial
// pivoting. Element (i, j) of a is a[13*i + j]; b holds x on success.
// Returns 0 solved, -1 a row of the unreduced part is below the tolerance or the last pivot is
// not above it, 1 no usable pivot in a column, -2 an order outside 1..13 (nothing touched).
int solve_linear_system(int n, double* a /* in/out */, double* b /* in/out */);

// ---- calibration ---------------------------------------------------------------------------

constexpr double SEARCH_STEP = 0.1;  // metres: the compass search moves the eye on this lattice
// Passes after which the compass search gives up (10 km of eye travel). With a few pixels of
// click noise the residual can keep falling as the eye backs away along the viewing direction
// (distance and focal length trade off), so an uncapped search need not end.
constexpr int SEARCH_MAX_PASSES = 100000;
// Smallest ratio of the second-smallest to the largest eigenvalue of the normal matrix of the
// normalised design that still counts as a landmark set determining a camera. Sets that cannot
// (one plane, a line of ground points with two more points) give rounding noise, below 1e-16;
// the thinnest useful set tried, three landmarks at one corner with a penalty-area corner and
// two crossbar ends, gives 3e-11.
constexpr double DESIGN_RANK_TOLERANCE = 1e-13;

struct SearchOutcome {
  int passes = 0;  // passes run; each evaluates the six neighbours and the eye itself
  int capped = 0;  // 1 when the pass limit stopped the search while it was still moving
};

// Linear estimate of the 3x4 projection (not normalised), minimising |A p|^2 with the projective
// depth of the points' centroid fixed at 1. Returns the 13x13 solve's status, which the
// calibration does not examine, or -2 (p all zeros) for n outside 1..MAX_REFERENCE_POINTS.
int estimate_projection(int n, const double X[], const double Y[], const double Z[], const int u[],
                        const int v[], double p[12] /* out */);
// The same for pixels that are not whole (the perturbed clicks of the distance band).
int estimate_projection(int n, const double X[], const double Y[], const double Z[], const double u[],
                        const double v[], double p[12] /* out */);
// The linear estimate scaled so that (out[8], out[9], out[10]) is a unit vector and w is minus
// the metric depth: the cameraMatrix of the DLT camera.
void normalise_projection(const double p[12], double out[12] /* out */);

// Fits focal length and roll for a camera at eye looking at target, principal point (cx, cy);
// returns the sum of squared reprojection errors (pixels^2) and the fitted camera's up row and
// unit viewing direction. n outside 1..MAX_REFERENCE_POINTS gives a residual that is not a number.
double evaluate_camera(const double eye[3], const double target[3], int cx, int cy, int n,
                       const double X[], const double Y[], const double Z[], const int u[],
                       const int v[], double up[3] /* out */, double viewDir[3] /* out */);

// Compass search over the eye from eye[], target fixed, at most maxPasses passes. eye[] ends at
// the eye reached; up and viewDir belong to the camera at that eye.
SearchOutcome compass_search(double eye[3] /* in/out */, const double target[3], int cx, int cy,
                             int n, const double X[], const double Y[], const double Z[],
                             const int u[], const int v[], int maxPasses, double up[3] /* out */,
                             double viewDir[3] /* out */);

// Ground point (X, Y) on Z = 0 whose image through p is the pixel (u, v), and its w.
// out = (X, Y, w). Returns the solver's status.
int back_project_to_ground(const double p[12], int u, int v, double out[3] /* out */);
int back_project_to_ground(const double p[12], double u, double v, double out[3] /* out */);
// Whether the pixel's line of sight meets the ground in front of the camera (below the horizon).
bool pixel_on_ground_in_front(const CameraCalibration& c, int u, int v);

// Checks that n landmarks can determine a camera: at least two off the ground at distinct
// pixels, and a design matrix of full rank. Returns CALIB_OK or the failing CalibrationStatus.
int check_reference_geometry(int n, const double X[], const double Y[], const double Z[],
                             const int u[], const int v[]);

// The whole calibration over n points for an image of the given size, into *out.
// Returns a CalibrationStatus; on failure *out is unspecified.
int calibrate_camera(int n, const double X[], const double Y[], const double Z[], const int u[],
                     const int v[], int imageWidth, int imageHeight,
                     CameraCalibration* out /* out */, SearchOutcome* search /* out */);

// Recalibrates from the first refCount reference points. On success it replaces the camera,
// sets viewTarget, refreshes the object ground positions, sets cameraCurrent and returns 1.
// Otherwise it returns 0, clears cameraCurrent and changes nothing else but calibrationReport,
// which always says why.
int update_calibration(CalibrationState& s);

// ---- ground plane --------------------------------------------------------------------------

// Ground positions of every object point through the current cameraMatrix.
void update_object_positions(CalibrationState& s);
// For i < count: (X[i], Y[i]) = ground point of pixel (u[i], v[i]) through p, Z[i] = 0.
void project_object_list(const double p[12], int count, const int u[], const int v[],
                         double X[] /* out */, double Y[] /* out */, double Z[] /* out */);
void image_point_to_ground(const CameraCalibration& c, int u, int v, double* X /* out */,
                           double* Y /* out */, double* Z /* out */);
// Straight ground distance between the ground points of two pixels, metres.
double distance_between_points(const CameraCalibration& c, int ua, int va, int ub, int vb);
// Distance between the lines parallel to the goal line through the ground points of two pixels.
double distance_between_parallels(const CameraCalibration& c, int ua, int va, int ub, int vb);

// Image of a world point through the 3x4 matrix p: (u, v) and the returned w (minus the metric
// depth for a normalised cameraMatrix).
double project_world_point(const double p[12], double X, double Y, double Z, double* u /* out */,
                           double* v /* out */);
// Root mean square, over the reference points, of the distance in pixels between each marked
// pixel and the cameraMatrix image of its landmark.
double reprojection_rms(const CalibrationState& s);

// Vertical field of view of the calibrated camera, degrees.
double camera_vertical_fov(const CalibrationState& s);
