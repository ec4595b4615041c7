// The 95% band: resampling for the DLT camera, first-order propagation for the broadcast camera.
#include "geometry/distance_band.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/broadcast_camera.h"
#include "geometry/geometry.h"

namespace {

constexpr double Z95 = 1.959963984540054;  // two-sided 95% quantile of the normal distribution

// Linear interpolation between order statistics; +infinity sorts last, as it should.
double percentile(std::vector<double>& v, double q) {
  std::sort(v.begin(), v.end());
  const double at = q * static_cast<double>(v.size() - 1);
  const size_t i = static_cast<size_t>(at);
  if (i + 1 >= v.size()) return v.back();
  if (std::isinf(v[i + 1])) return v[i + 1];
  return v[i] + (at - static_cast<double>(i)) * (v[i + 1] - v[i]);
}

void dlt_bands(const CalibrationState& s, double sigma, int count, const MeasurePair pairs[], DistanceBand out[]) {
  const int n = s.refCount;
  std::mt19937 rng(BAND_SEED);
  std::normal_distribution<double> noise(0.0, sigma);
  std::vector<double> straight(static_cast<size_t>(count) * BAND_DRAWS), parallel(straight.size());
  double u[MAX_REFERENCE_POINTS], v[MAX_REFERENCE_POINTS];
  for (int d = 0; d < BAND_DRAWS; ++d) {
    for (int i = 0; i < n; ++i) {
      u[i] = s.refImageX[i] + noise(rng);
      v[i] = s.refImageY[i] + noise(rng);
    }
    double p[12], cam[12];
    estimate_projection(n, s.refWorldX, s.refWorldY, s.refWorldZ, u, v, p);
    normalise_projection(p, cam);
    for (int k = 0; k < count; ++k) {
      double ga[3], gb[3];
      const int sa = back_project_to_ground(cam, pairs[k].ua + noise(rng), pairs[k].va + noise(rng), ga);
      const int sb = back_project_to_ground(cam, pairs[k].ub + noise(rng), pairs[k].vb + noise(rng), gb);
      const size_t at = static_cast<size_t>(k) * BAND_DRAWS + static_cast<size_t>(d);
      // a line of sight pushed over the horizon meets the ground behind the camera: as far
      // as the measurement is concerned, the point has gone to infinity
      if (sa != 0 || sb != 0 || !(ga[2] < 0) || !(gb[2] < 0)) {
        straight[at] = parallel[at] = INFINITY;
        continue;
      }
      straight[at] = std::hypot(ga[0] - gb[0], ga[1] - gb[1]);
      parallel[at] = std::fabs(ga[0] - gb[0]);
      if (std::isnan(straight[at]) || std::isnan(parallel[at])) straight[at] = parallel[at] = INFINITY;
    }
  }
  for (int k = 0; k < count; ++k) {
    std::vector<double> a(straight.begin() + static_cast<long>(k) * BAND_DRAWS,
                          straight.begin() + static_cast<long>(k + 1) * BAND_DRAWS);
    std::vector<double> b(parallel.begin() + static_cast<long>(k) * BAND_DRAWS,
                          parallel.begin() + static_cast<long>(k + 1) * BAND_DRAWS);
    out[k].distanceLo = percentile(a, 0.025);
    out[k].distanceHi = percentile(a, 0.975);
    out[k].parallelLo = percentile(b, 0.025);
    out[k].parallelHi = percentile(b, 0.975);
  }
}

// The band of |x| for x ~ N(mean, sd^2) read as mean +- Z95 sd: a band across zero starts at 0.
void absolute_band(double mean, double sd, double* lo, double* hi) {
  const double a = mean - Z95 * sd, b = mean + Z95 * sd;
  if (a >= 0) {
    *lo = a, *hi = b;
  } else if (b <= 0) {
    *lo = -b, *hi = -a;
  } else {
    *lo = 0, *hi = std::fmax(-a, b);
  }
}

void broadcast_bands(const CalibrationState& s, double sigma, int count, const MeasurePair pairs[],
                     DistanceBand out[]) {
  const BroadcastSolution& b = s.broadcastSolution;
  constexpr int NP = 7, NJ = NP + 4;
  for (int k = 0; k < count; ++k) {
    const MeasurePair& m = pairs[k];
    double g[4], J[4 * NJ];
    if (!broadcast_ground_jacobian(b, s.imageWidth / 2, s.imageHeight / 2, m.ua, m.va, m.ub, m.vb, g, J)) {
      out[k].distanceLo = out[k].parallelLo = 0;
      out[k].distanceHi = out[k].parallelHi = INFINITY;
      continue;
    }
    // gradients of the signed along-pitch gap xb - xa and of the straight distance
    const double dx = g[2] - g[0], dy = g[3] - g[1];
    const double len = std::hypot(dx, dy);
    double gp[NJ], gd[NJ];
    for (int j = 0; j < NJ; ++j) {
      gp[j] = J[2 * NJ + j] - J[j];
      const double ddy = J[3 * NJ + j] - J[NJ + j];
      gd[j] = len > 0 ? (dx * gp[j] + dy * ddy) / len : 0.0;
    }
    // covariance: sigma^2 (J^T J)^-1 on the parameters, sigma^2 on each pixel coordinate
    const auto variance = [&](const double* grad) {
      double var = 0;
      for (int i = 0; i < NP; ++i) {
        for (int j = 0; j < NP; ++j) var += grad[i] * b.normalInverse[NP * i + j] * grad[j];
      }
      for (int j = NP; j < NJ; ++j) var += grad[j] * grad[j];
      return sigma * sigma * var;
    };
    const double sdP = std::sqrt(std::fmax(variance(gp), 0.0));
    double sdD = std::sqrt(std::fmax(variance(gd), 0.0));
    // at zero length the straight distance has no gradient: it grows like the noise in both axes
    if (!(len > 0)) {
      double gy[NJ];
      for (int j = 0; j < NJ; ++j) gy[j] = J[3 * NJ + j] - J[NJ + j];
      sdD = std::sqrt(std::fmax(variance(gp) + variance(gy), 0.0));
    }
    const double shownD = distance_between_points(s, m.ua, m.va, m.ub, m.vb);
    double ga[3], gb[3];
    back_project_to_ground(s.cameraMatrix, m.ua, m.va, ga);
    back_project_to_ground(s.cameraMatrix, m.ub, m.vb, gb);
    absolute_band(shownD, sdD, &out[k].distanceLo, &out[k].distanceHi);
    absolute_band(gb[0] - ga[0], sdP, &out[k].parallelLo, &out[k].parallelHi);
  }
}

}  // namespace

int distance_bands(const CalibrationState& s, double sigma, int count, const MeasurePair pairs[], DistanceBand out[]) {
  if (!s.cameraCurrent || !(sigma >= 0 && sigma <= MAX_CLICK_NOISE_PX) || count < 0) return 0;
  if (s.refCount < 0 || s.refCount > MAX_REFERENCE_POINTS) return 0;
  if (s.cameraModel == CAMERA_BROADCAST) broadcast_bands(s, sigma, count, pairs, out);
  else dlt_bands(s, sigma, count, pairs, out);
  return 1;
}

int distance_band(const CalibrationState& s, double sigma, const MeasurePair& pair, DistanceBand* out) {
  return distance_bands(s, sigma, 1, &pair, out);
}
