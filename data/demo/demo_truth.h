#pragma once
// The truth behind the demo scene: the camera that took the synthetic photograph, the people on
// the pitch and the landmarks marked in demo.ref. make_demo writes the files from it; the tests
// and benchmarks compare what Varnesk measures with it.
//
// Camera: square pixels, principal point at the image centre (320, 240), no roll. Pixel
// coordinates are continuous window coordinates (column from the left, row from the bottom):
// pixel i covers [i, i + 1), so a point projected to 100.3 lies in pixel 100, which is what a
// user clicks and what the point files store.

#include <cmath>

struct DemoCamera {
  double eye[3];
  double target[3];
  double focal;  // pixels
  int width;
  int height;
};

// A broadcast camera high in the main stand near the halfway line, panned towards the left
// penalty area.
inline constexpr DemoCamera kDemoCamera{{38.0, -36.0, 22.0}, {14.0, 34.0, 0.0}, 950.0, 640, 480};

enum DemoRole { DEMO_TEAM_A = 0, DEMO_TEAM_B = 1, DEMO_REFEREE = 2, DEMO_BALL = 3 };

struct DemoFigure {
  int role;     // DemoRole
  double x, y;  // ground position, metres
};

// Team A attacks the left goal, team B defends it with its keeper. The attacker at index 0 stands
// nearer the goal line than team B's second-last player (index 1, the keeper being the last), so
// he is offside by DEMO_OFFSIDE_GAP metres.
inline constexpr DemoFigure kDemoFigures[] = {
    {DEMO_TEAM_A, 13.4, 40.0},  // the offside attacker
    {DEMO_TEAM_B, 14.6, 25.5},  // second-last defender
    {DEMO_TEAM_B, 2.2, 34.5},   // goalkeeper
    {DEMO_TEAM_B, 19.5, 37.0},
    {DEMO_TEAM_B, 23.0, 47.0},
    {DEMO_TEAM_A, 21.5, 29.0},
    {DEMO_TEAM_A, 27.0, 44.0},
    {DEMO_REFEREE, 31.0, 22.0},
    {DEMO_BALL, 24.5, 33.0},
};
constexpr int DEMO_FIGURE_COUNT = sizeof(kDemoFigures) / sizeof(kDemoFigures[0]);
constexpr double DEMO_OFFSIDE_GAP = 14.6 - 13.4;  // metres between the two offside lines

// Landmarks of the table (geometry/landmarks.h) marked in demo.ref: all in the picture, two of
// them crossbar ends.
inline constexpr int kDemoLandmarks[] = {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 25, 26, 23, 24};
constexpr int DEMO_LANDMARK_COUNT = sizeof(kDemoLandmarks) / sizeof(kDemoLandmarks[0]);

struct DemoBasis {
  double f[3], r[3], up[3];  // viewing direction, image right, image up (unit vectors)
};

inline DemoBasis demo_basis(const DemoCamera& c) {
  DemoBasis b{};
  double fl = 0;
  for (int k = 0; k < 3; ++k) {
    b.f[k] = c.target[k] - c.eye[k];
    fl += b.f[k] * b.f[k];
  }
  fl = std::sqrt(fl);
  for (double& k : b.f) k /= fl;
  // right = f x (0, 0, 1), up = right x f
  const double rl = std::sqrt(b.f[1] * b.f[1] + b.f[0] * b.f[0]);
  b.r[0] = b.f[1] / rl;
  b.r[1] = -b.f[0] / rl;
  b.r[2] = 0;
  b.up[0] = b.r[1] * b.f[2] - b.r[2] * b.f[1];
  b.up[1] = b.r[2] * b.f[0] - b.r[0] * b.f[2];
  b.up[2] = b.r[0] * b.f[1] - b.r[1] * b.f[0];
  return b;
}

// Continuous window coordinates of a world point; returns its depth (positive in front).
inline double demo_project(const DemoCamera& c, double X, double Y, double Z, double* u, double* v) {
  const DemoBasis b = demo_basis(c);
  const double d[3] = {X - c.eye[0], Y - c.eye[1], Z - c.eye[2]};
  const double depth = d[0] * b.f[0] + d[1] * b.f[1] + d[2] * b.f[2];
  *u = c.width / 2 + c.focal * (d[0] * b.r[0] + d[1] * b.r[1] + d[2] * b.r[2]) / depth;
  *v = c.height / 2 + c.focal * (d[0] * b.up[0] + d[1] * b.up[1] + d[2] * b.up[2]) / depth;
  return depth;
}

// The pixel holding a projected point: the whole pixel a user clicks.
inline int demo_pixel(double coordinate) { return static_cast<int>(std::floor(coordinate)); }
