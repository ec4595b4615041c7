#pragma once
// The 47 pitch landmarks a reference point can be tied to: metric position in the pitch frame
// and the place where the pitch plan (560 x 350 pixels, origin top-left, y downwards) shows it.

constexpr int FIELD_LANDMARK_COUNT = 47;

struct FieldLandmark {
  double x;  // metres along the touch line, 0 to 105 (goal lines at 0 and 105)
  double y;  // metres along the goal line, 0 to 68
  double z;  // metres above the ground (2.44 at the crossbar)
  int px;    // plan column, pixels from the left
  int py;    // plan row, pixels from the top
};

// the penalty-arc ordinates are 34 -/+ sqrt(9.15^2 - 5.5^2), kept to the digits the plan uses
inline constexpr FieldLandmark FieldLandmarkTable[FIELD_LANDMARK_COUNT] = {
    {0, 0, 0, 18, 343},        // corner
    {1, 0, 0, 23, 343},        // end of the corner arc on the touch line
    {0, 1, 0, 18, 338},        // end of the corner arc on the goal line
    {0, 68, 0, 18, 5},         // corner
    {0, 67, 0, 18, 10},        // corner arc, goal line
    {1, 68, 0, 23, 5},         // corner arc, touch line
    {105, 0, 0, 540, 343},     // corner
    {104, 0, 0, 535, 343},     // corner arc, touch line
    {105, 1, 0, 540, 338},     // corner arc, goal line
    {105, 68, 0, 540, 5},      // corner
    {105, 67, 0, 540, 10},     // corner arc, goal line
    {104, 68, 0, 535, 5},      // corner arc, touch line
    {0, 13.84, 0, 18, 274},    // penalty area line meets goal line
    {16.5, 13.84, 0, 100, 274},  // penalty area corner
    {16.5, 54.16, 0, 100, 74},   // penalty area corner
    {0, 54.16, 0, 18, 74},       // penalty area line meets goal line
    {0, 24.84, 0, 18, 220},      // goal area line meets goal line
    {5.5, 24.84, 0, 45, 220},    // goal area corner
    {5.5, 43.16, 0, 45, 128},    // goal area corner
    {0, 43.16, 0, 18, 128},      // goal area line meets goal line
    {11, 34, 0, 73, 174},        // penalty mark
    {16.5, 26.68751068377, 0, 100, 209},  // penalty arc meets penalty area line
    {16.5, 41.31248931623, 0, 100, 139},  // penalty arc meets penalty area line
    {0, 30.34, 0, 18, 192},               // foot of a goal post
    {0, 37.66, 0, 18, 156},               // foot of a goal post
    {0, 37.66, 2.44, 8, 156},             // top of a goal post (crossbar end)
    {0, 30.34, 2.44, 8, 192},             // top of a goal post (crossbar end)
    {52.5, 0, 0, 279, 343},               // halfway line meets touch line
    {52.5, 24.85, 0, 279, 219},           // centre circle meets halfway line
    {52.5, 34, 0, 279, 174},              // centre mark
    {52.5, 43.15, 0, 279, 129},           // centre circle meets halfway line
    {52.5, 68, 0, 279, 5},                // halfway line meets touch line
    {105, 13.84, 0, 540, 274},            // penalty area line meets goal line
    {88.5, 13.84, 0, 458, 274},           // penalty area corner
    {88.5, 54.16, 0, 458, 74},            // penalty area corner
    {105, 54.16, 0, 540, 74},             // penalty area line meets goal line
    {105, 24.84, 0, 540, 220},            // goal area line meets goal line
    {99.5, 24.84, 0, 513, 220},           // goal area corner
    {99.5, 43.16, 0, 513, 128},           // goal area corner
    {105, 43.16, 0, 540, 128},            // goal area line meets goal line
    {94, 34, 0, 485, 174},                // penalty mark
    {88.5, 26.68751068377, 0, 458, 209},  // penalty arc meets penalty area line
    {88.5, 41.31248931623, 0, 458, 139},  // penalty arc meets penalty area line
    {105, 30.34, 0, 540, 192},            // foot of a goal post
    {105, 37.66, 0, 540, 156},            // foot of a goal post
    {105, 37.66, 2.44, 550, 156},         // top of a goal post (crossbar end)
    {105, 30.34, 2.44, 550, 192},         // top of a goal post (crossbar end)
};
