#pragma once
// A pinhole camera with known truth (square pixels, principal point at the image centre, no
// roll) that marks landmarks the way a user would: rounded to whole pixels, optionally with
// click noise. Shared by the geometry tests and benchmarks.

#include <algorithm>
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
// Returns the depth along the viewing direction (positive in front).
inline double synthetic_project(const SyntheticCamera& c, double X, double Y, double Z, double* u, double* v) {
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
  return depth;
}

inline void set_reference_point(CalibrationState& s, int i, const FieldLandmark& L, int u, int v) {
  s.refWorldX[i] = L.x;
  s.refWorldY[i] = L.y;
  s.refWorldZ[i] = L.z;
  s.refImageX[i] = u;
  s.refImageY[i] = v;
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
    set_reference_point(s, i, L, static_cast<int>(std::lround(u + du)), static_cast<int>(std::lround(v + dv)));
  }
}

// In front of the camera and at least two pixels inside the picture.
inline bool synthetic_visible(const SyntheticCamera& c, double X, double Y, double Z) {
  double u, v;
  const double depth = synthetic_project(c, X, Y, Z, &u, &v);
  return depth > 0 && u >= 2 && v >= 2 && u <= c.width - 3 && v <= c.height - 3;
}

// ---- a set of broadcast-like cameras with player pairs, for the camera comparison ----------

// One camera of the set: its visible landmarks as the user marks them, and the pairs of
// players whose offside gap is measured.
struct SyntheticView {
  SyntheticCamera camera;
  int landmarks[FIELD_LANDMARK_COUNT];
  int landmarkCount;
  double pairs[20][4];  // true ground points (Xa, Ya, Xb, Yb) of the 20 player pairs, metres
};

// A camera 10-40 m high, 20-60 m behind the near touch line, focal length 800-3500 px, a
// 1280x720 or 1920x1080 image, aimed at one penalty area so that its goal (both crossbar ends)
// and at least six ground landmarks are in view; and 20 player pairs in view, each a few
// metres apart along the pitch, as offside situations are.
inline SyntheticView synthetic_view(std::mt19937& rng) {
  std::uniform_real_distribution<double> U(0.0, 1.0);
  for (;;) {
    SyntheticView view{};
    SyntheticCamera& c = view.camera;
    const bool right = U(rng) < 0.5;
    const bool full = U(rng) < 0.5;
    c.width = full ? 1920 : 1280;
    c.height = full ? 1080 : 720;
    c.focal = 800 + 2700 * U(rng);
    c.eye[0] = 20 + 65 * U(rng);
    c.eye[1] = -20 - 40 * U(rng);
    c.eye[2] = 10 + 30 * U(rng);
    c.target[0] = right ? 105 - 20 * U(rng) : 20 * U(rng);
    c.target[1] = 22 + 24 * U(rng);
    c.target[2] = 0;
    // the user marks the crossbar ends and the (at most 8) ground landmarks in view nearest
    // the aim point, those of the penalty area being judged, not every line end in the picture
    int ground = 0, near[FIELD_LANDMARK_COUNT];
    view.landmarkCount = 0;
    for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i) {
      const FieldLandmark& L = FieldLandmarkTable[i];
      if (synthetic_visible(c, L.x, L.y, L.z)) (L.z != 0 ? view.landmarks[view.landmarkCount++] : near[ground++]) = i;
    }
    const auto dist = [&](int k) {
      return std::hypot(FieldLandmarkTable[k].x - c.target[0], FieldLandmarkTable[k].y - c.target[1]);
    };
    std::stable_sort(near, near + ground, [&](int a, int b) { return dist(a) < dist(b); });
    if (ground < 6 || view.landmarkCount < 2) continue;
    for (int k = 0; k < ground && k < 8; ++k) view.landmarks[view.landmarkCount++] = near[k];
    for (auto& p : view.pairs) {
      do {
        p[0] = c.target[0] + 40 * (U(rng) - 0.5);
        p[1] = c.target[1] + 40 * (U(rng) - 0.5);
        p[2] = p[0] + 6 * (U(rng) - 0.5);
        p[3] = p[1] + 20 * (U(rng) - 0.5);
      } while (!synthetic_visible(c, p[0], p[1], 0) || !synthetic_visible(c, p[2], p[3], 0));
    }
    return view;
  }
}

// A pixel as marked with Gaussian click noise of sd px, rounded.
inline void synthetic_click(const SyntheticCamera& c, double X, double Y, double Z, double sd, std::mt19937& rng,
                            int* u, int* v) {
  std::normal_distribution<double> N(0.0, 1.0);
  double fu, fv;
  synthetic_project(c, X, Y, Z, &fu, &fv);
  *u = static_cast<int>(std::lround(fu + sd * N(rng)));
  *v = static_cast<int>(std::lround(fv + sd * N(rng)));
}

// Fills the reference points of s with the view's landmarks (only those on the ground when
// groundOnly), marked with Gaussian click noise.
inline void synthetic_mark_view(const SyntheticView& view, double sd, bool groundOnly, std::mt19937& rng,
                                CalibrationState& s) {
  s.imageWidth = view.camera.width;
  s.imageHeight = view.camera.height;
  s.refCount = 0;
  for (int k = 0; k < view.landmarkCount; ++k) {
    const FieldLandmark& L = FieldLandmarkTable[view.landmarks[k]];
    int u, v;
    synthetic_click(view.camera, L.x, L.y, L.z, sd, rng, &u, &v);
    if (!groundOnly || L.z == 0) set_reference_point(s, s.refCount++, L, u, v);
  }
}
