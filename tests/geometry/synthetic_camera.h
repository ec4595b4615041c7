#pragma once
// A pinhole camera with known truth (square pixels, principal point at the image centre, no
// roll) that marks landmarks the way a user would: rounded to whole pixels, optionally with
// click noise. Shared by the geometry tests and benchmarks.

#include <cmath>
#include <cstdint>
#include <random>

#include "geometry/geometry_state.h"

struct SyntheticCamera {
  double eye[3];
  double target[3];
  double focal;  // pixels
  int width;
  int height;
};

// The camera of the calibration notes: behind the touch line, looking at the centre mark.
inline SyntheticCamera broadcast_camera() { return SyntheticCamera{{52.5, -30, 15}, {52.5, 34, 0}, 800, 640, 480}; }

// Exact (unrounded) pixel of a world point: column from the left, row from the bottom.
inline void synthetic_project(const SyntheticCamera& c, double X, double Y, double Z, double* u, double* v) {
  double f[3] = {c.target[0] - c.eye[0], c.target[1] - c.eye[1], c.target[2] - c.eye[2]};
  const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  for (double& k : f) k /= fl;
  // right = f x (0, 0, 1), up = right x f
  double r[3] = {f[1], -f[0], 0};
  const double rl = std::sqrt(r[0] * r[0] + r[1] * r[1]);
  for (double& k : r) k /= rl;
  const double up[3] = {r[1] * f[2] - r[2] * f[1], r[2] * f[0] - r[0] * f[2], r[0] * f[1] - r[1] * f[0]};
  const double d[3] = {X - c.eye[0], Y - c.eye[1], Z - c.eye[2]};
  const double depth = d[0] * f[0] + d[1] * f[1] + d[2] * f[2];
  *u = c.width / 2 + c.focal * (d[0] * r[0] + d[1] * r[1] + d[2] * r[2]) / depth;
  *v = c.height / 2 + c.focal * (d[0] * up[0] + d[1] * up[1] + d[2] * up[2]) / depth;
}

// Fills the reference points of s with the given landmarks as marked through the camera:
// each pixel moved by up to `noise` pixels per axis (uniform, fixed seed), then rounded.
inline void mark_landmarks(const SyntheticCamera& c, const int* landmarks, int count, double noise,
                           uint32_t seed, CalibrationState& s) {
  std::mt19937 rng(seed);
  const auto jitter = [&] { return noise * (2.0 * (rng() / 4294967296.0) - 1.0); };
  s.imageWidth = c.width;
  s.imageHeight = c.height;
  s.refCount = count;
  for (int i = 0; i < count; ++i) {
    const FieldLandmark& L = FieldLandmarkTable[landmarks[i]];
    double u, v;
    synthetic_project(c, L.x, L.y, L.z, &u, &v);
    const double du = jitter();
    const double dv = jitter();
    s.refWorldX[i] = L.x;
    s.refWorldY[i] = L.y;
    s.refWorldZ[i] = L.z;
    s.refImageX[i] = static_cast<int>(std::lround(u + du));
    s.refImageY[i] = static_cast<int>(std::lround(v + dv));
  }
}
