#pragma once
// The texts the program shows about the camera: a measurement with its 95% band, and why there
// is no camera. Each fills a caller's buffer (always terminated, cut to its size).

#include <cstddef>

#include "geometry/geometry_state.h"

// "%5.1lf metros" (the number shown since the first version, on a line of its own), then
// "Intervalo de 95%: %.1lf a %.1lf metros" for the distance between the pixels (ua, va) and
// (ub, vb): between the parallels through them when parallel, else straight. metres is the
// number measured. The band is left out when it cannot be computed.
void measurement_text(const CalibrationState& s, double metres, bool parallel, int ua, int va, int ub, int vb,
                      char* out, size_t size);

// Why there is no current camera: the rule (four pitch-floor landmarks not all on one line, or
// six with two off the ground), how many of each are marked, whether the ground ones lie on one
// line, and the broadcast fit's own refusal when the counts were enough.
void not_calibrated_text(const CalibrationState& s, char* out, size_t size);
