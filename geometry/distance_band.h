#pragma once
// The 95% band of the two ground distances under click noise: how far a measured number can
// be trusted, from the landmark clicks and the two measured pixels alike.

#include "geometry/geometry_state.h"

constexpr double DEFAULT_CLICK_NOISE_PX = 1.0;  // sigma of a careful click, pixels
constexpr double MAX_CLICK_NOISE_PX = 1000.0;   // larger sigmas are refused, not sampled
constexpr int BAND_DRAWS = 400;                 // DLT camera: refits per band
constexpr unsigned BAND_SEED = 14;              // fixed, so a band is reproducible

struct MeasurePair {
  int ua, va, ub, vb;  // the two pixels, column from the left and row from the bottom
};

// Lowest and highest distance of the band, metres. A bound the noise can push past the
// horizon (the ground point runs off to infinity) is +infinity.
struct DistanceBand {
  double distanceLo = 0, distanceHi = 0;  // distance_between_points
  double parallelLo = 0, parallelHi = 0;  // distance_between_parallels
};

// Bands of `count` measurements through the current camera of s, with sigma px of Gaussian
// noise on every reference click and every measured pixel. The DLT camera: BAND_DRAWS refits of
// its linear estimate (the distances do not depend on the compass search) under perturbed clicks
// with BAND_SEED, the 2.5th to 97.5th percentiles. The broadcast camera: first-order
// propagation of sigma^2 (J^T J)^-1 of its fit and of the pixels' own noise. Returns 1, or 0
// (outputs untouched) when s has no current camera, sigma is outside 0..MAX_CLICK_NOISE_PX or
// count is negative. Allocates the samples; never called while drawing.
int distance_bands(const CalibrationState& s, double sigma, int count, const MeasurePair pairs[],
                   DistanceBand out[] /* out */);

// The band of one measurement: distance_bands with count 1.
int distance_band(const CalibrationState& s, double sigma, const MeasurePair& pair, DistanceBand* out /* out */);
