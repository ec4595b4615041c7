#pragma once
// Small vector helpers shared by the geometry sources.

inline double dot3(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
