#pragma once
// Broadcast-like cameras drawn at random, marked the way a user marks them, with or without one
// ground landmark tied to the wrong entry of the table: the trials behind the outlier rule,
// shared by its test (a small fixed-seed set) and its benchmark (the rates on a large one).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "geometry/outlier.h"
#include "synthetic_camera.h"

struct OutlierTrial {
  CalibrationState points;
  int mislabelled = -1;  // index of the re-labelled point, -1 in a clean set
};

// Eye 10-40 m high and 20-60 m behind the near touch line, aimed at one goal's area, focal
// length 800-3500 px, 1280x720 or 1920x1080; 10-15 visible landmarks including both crossbar
// ends of that goal, 1 px of click noise. With mislabel, one ground landmark of the set is tied
// instead to the nearest ground landmark of the table, 5-25 m away, that the set does not use.
inline OutlierTrial make_outlier_trial(std::mt19937& rng, bool mislabel) {
  const auto visible = [](const SyntheticCamera& c, int i) {
    return synthetic_visible(c, FieldLandmarkTable[i].x, FieldLandmarkTable[i].y, FieldLandmarkTable[i].z);
  };
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  for (;;) {
    SyntheticCamera c{};
    const bool right = uni(rng) < 0.5, fullHd = uni(rng) < 0.5;
    c.width = fullHd ? 1920 : 1280, c.height = fullHd ? 1080 : 720;
    c.eye[0] = 20.0 + 65.0 * uni(rng);
    c.eye[1] = -(20.0 + 40.0 * uni(rng));
    c.eye[2] = 10.0 + 30.0 * uni(rng);
    c.target[0] = right ? 105.0 - 20.0 * uni(rng) : 20.0 * uni(rng);
    c.target[1] = 20.0 + 28.0 * uni(rng);
    c.focal = 800.0 + 2700.0 * uni(rng);

    const int bar0 = right ? 45 : 25, bar1 = right ? 46 : 26;
    if (!visible(c, bar0) || !visible(c, bar1)) continue;
    int chosen[FIELD_LANDMARK_COUNT] = {bar0, bar1}, count = 2, others[FIELD_LANDMARK_COUNT], otherCount = 0;
    for (int i = 0; i < FIELD_LANDMARK_COUNT; ++i)
      if (i != bar0 && i != bar1 && visible(c, i)) others[otherCount++] = i;
    if (otherCount + 2 < 10) continue;
    std::shuffle(others, others + otherCount, rng);
    const int want = 10 + static_cast<int>(rng() % 6);
    for (int i = 0; i < otherCount && count < want; ++i) chosen[count++] = others[i];
    std::shuffle(chosen, chosen + count, rng);

    OutlierTrial t;
    mark_landmarks(c, chosen, count, 1.0, static_cast<uint32_t>(rng()), t.points);
    if (!mislabel) return t;

    int order[FIELD_LANDMARK_COUNT];
    for (int i = 0; i < count; ++i) order[i] = i;
    std::shuffle(order, order + count, rng);
    for (int o = 0; o < count && t.mislabelled < 0; ++o) {
      const FieldLandmark& L = FieldLandmarkTable[chosen[order[o]]];
      if (L.z != 0.0) continue;
      int best = -1;
      double bestD = 1e9;
      for (int j = 0; j < FIELD_LANDMARK_COUNT; ++j) {
        const FieldLandmark& M = FieldLandmarkTable[j];
        const bool used = std::find(chosen, chosen + count, j) != chosen + count;
        const double d = std::hypot(M.x - L.x, M.y - L.y);
        if (!used && M.z == 0.0 && d >= 5.0 && d <= 25.0 && d < bestD) best = j, bestD = d;
      }
      if (best < 0) continue;
      t.mislabelled = order[o];
      t.points.refWorldX[t.mislabelled] = FieldLandmarkTable[best].x;
      t.points.refWorldY[t.mislabelled] = FieldLandmarkTable[best].y;
    }
    if (t.mislabelled >= 0) return t;
  }
}

struct OutlierRates {
  int named = 0;    // mislabelled trials whose culprit was named
  int quiet = 0;    // clean trials that named nobody
  int trials = 0;   // of each kind
};

inline OutlierRates outlier_rates(uint32_t seed, int trials) {
  std::mt19937 rng(seed);
  OutlierRates r;
  r.trials = trials;
  for (int i = 0; i < trials; ++i) {
    ResidualReport rep;
    const OutlierTrial bad = make_outlier_trial(rng, true);
    analyse_residuals(bad.points, &rep);
    if (rep.suspect == bad.mislabelled) ++r.named;
    const OutlierTrial clean = make_outlier_trial(rng, false);
    analyse_residuals(clean.points, &rep);
    if (rep.suspect < 0) ++r.quiet;
  }
  return r;
}
