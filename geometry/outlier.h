#pragma once
// How well each reference point agrees with the camera fitted to all of them, and the one point
// that was most likely tied to the wrong landmark. A user who picks the wrong landmark on the plan
// bends the whole camera a little instead of leaving one obviously bad point, so the suspect is
// found by refitting without each point in turn: dropping the culprit makes the rest agree.
// No heap allocation; the refits use the linear estimate only (the residuals of the projection
// matrix do not depend on the compass search), so a whole analysis costs well under a millisecond.

#include "geometry/geometry_state.h"

// Residual grades of the reference crosses: up to 2 px yellow, up to 5 px orange, beyond red.
constexpr double RESIDUAL_GOOD_PX = 2.0;
constexpr double RESIDUAL_FAIR_PX = 5.0;
enum ResidualGrade { RESIDUAL_GOOD = 0, RESIDUAL_FAIR = 1, RESIDUAL_POOR = 2 };

// A point is named when the whole set's RMS is above OUTLIER_MIN_RMS_PX (clean sets with a pixel
// of click noise stay below 1 px) and leaving that point out lowers the RMS by more than
// OUTLIER_RMS_RATIO; of several such points the one whose removal helps most.
constexpr double OUTLIER_MIN_RMS_PX = 2.0;
constexpr double OUTLIER_RMS_RATIO = 3.0;

struct ResidualReport {
  int valid = 0;  // 1 when the points determine a camera; every other field is 0 / -1 otherwise
  int count = 0;  // points analysed
  double residualPx[MAX_REFERENCE_POINTS] = {};  // marked pixel to its landmark's image, all points fitted
  double rmsPx = 0.0;                            // root mean square of residualPx
  int suspect = -1;             // index of the point named as mislabelled, -1 when none
  double suspectMissPx = 0.0;   // the suspect's pixel to its landmark's image through the camera fitted without it
  double refitRmsPx = 0.0;      // RMS of the other points with the suspect left out
};

// Analyses n reference points (world X, Y, Z and marked pixel u, v). Returns report->valid.
int analyse_residuals(int n, const double X[], const double Y[], const double Z[], const int u[],
                      const int v[], ResidualReport* report /* out */);
// The same for the first refCount reference points of s.
int analyse_residuals(const CalibrationState& s, ResidualReport* report /* out */);

// The grade of point i of a report; a report that is not valid, or an index outside it, is
// RESIDUAL_GOOD (the crosses keep their plain colour while there is no camera).
int residual_grade(const ResidualReport& report, int i);
