#pragma once
// The calibrated camera as OpenGL transforms, in the OpenGL context current at the call. The only
// part of the geometry that touches OpenGL; it lives in its own library (varnesk_geometry_gl) so
// that the solver and the calibration stay free of any GL dependency.

#include "geometry/geometry_state.h"

struct GLUquadric;

// The one GLU quadric the drawing code uses for discs, cylinders and spheres. Null until the
// first call of shared_quadric; it lives until the process ends.
extern GLUquadric* sharedQuadric;
// Creates sharedQuadric on first use; returns it (null only when GLU cannot allocate one).
GLUquadric* shared_quadric();

// Perspective view from the calibrated camera: depth test with GL_LESS, green clear colour, flat
// shading, gluPerspective with the camera's vertical field of view and the viewport's aspect
// ratio (near 1, far 2000), gluLookAt from cameraEye along cameraViewDir with cameraUp. Writes
// viewEye, viewCenter, viewUp and their saved copies. The modelview matrix stays selected.
void setup_camera_view(CalibrationState& s);

// Projection and modelview under which a world point (metres) lands on the pixel where the
// calibrated camera sees it (column from the left, row from the bottom of the viewport), with
// depths from 1 to 300 m in front of the camera kept. When the window shows a panned part of the
// image, (panX, panY) is the image pixel at its lower-left corner; zoom (1, 2, 4, 8) is the
// window pixels an image pixel takes each way.
void load_image_projection(const CalibrationState& s, int panX = 0, int panY = 0, int zoom = 1);

// The image coordinates at the edges of viewport vp (x, y, width, height) showing the image from
// pixel (panX, panY) at zoom: out left, right, bottom, top. At a zoom above 1 a whole-pixel
// coordinate falls in the middle of the pixel's magnified block, as it falls on the pixel at 1.
void image_view_window(const int vp[4], int panX, int panY, int zoom, double out[4] /* out */);

// The 16 doubles, in OpenGL's column order, that load_image_projection loads as the modelview:
// rows (-p0..p3), (-p4..p7), (+p8..p11), (0, 0, 0, 1) of cameraMatrix p.
void image_modelview_matrix(const double p[12], double out[16] /* out */);
