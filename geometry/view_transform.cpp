// The calibrated camera as OpenGL transforms: the image-registered transform for the overlays
// drawn over the photograph, and the camera view of the 3D scene.
#include "geometry/view_transform.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "geometry/geometry.h"

GLUquadric* sharedQuadric = nullptr;

GLUquadric* shared_quadric() {
  if (sharedQuadric == nullptr) sharedQuadric = gluNewQuadric();
  return sharedQuadric;
}

void setup_camera_view(CalibrationState& s) {
  shared_quadric();
  glClearDepth(1.0);
  glDepthFunc(GL_LESS);
  glEnable(GL_DEPTH_TEST);
  glClearColor(0.0f, 0.7f, 0.0f, 1.0f);
  glShadeModel(GL_FLAT);

  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // the aspect ratio is the canvas's, not the image's; a canvas not laid out yet keeps 1
  const double aspect = viewport[3] > 0 ? static_cast<double>(viewport[2]) / viewport[3] : 1.0;
  gluPerspective(camera_vertical_fov(s), aspect, 1.0, 2000.0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (int k = 0; k < 3; ++k) {
    s.viewEye[k] = s.cameraEye[k];
    s.viewCenter[k] = s.cameraEye[k] + s.cameraViewDir[k];
    s.viewUp[k] = s.cameraUp[k];
  }
  gluLookAt(s.viewEye[0], s.viewEye[1], s.viewEye[2], s.viewCenter[0], s.viewCenter[1],
            s.viewCenter[2], s.viewUp[0], s.viewUp[1], s.viewUp[2]);
  for (int k = 0; k < 3; ++k) {
    s.savedEye[k] = s.viewEye[k];
    s.savedCenter[k] = s.viewCenter[k];
    s.savedUp[k] = s.viewUp[k];
  }
}

void image_modelview_matrix(const double p[12], double out[16]) {
  // eye x and y are the negated first two rows and eye z the third: ze is then minus the metric
  // depth, and the frustum's division by -ze yields exactly u and v
  const double m[16] = {-p[0], -p[4], p[8],  0, -p[1], -p[5], p[9],  0,
                        -p[2], -p[6], p[10], 0, -p[3], -p[7], p[11], 1};
  for (int k = 0; k < 16; ++k) out[k] = m[k];
}

void image_view_window(const int vp[4], int panX, int panY, int zoom, double out[4]) {
  const double z = zoom > 1 ? zoom : 1;
  const double shift = (z - 1) / (2 * z);
  // the canvases keep their viewport at the origin, so window pixels divided by the zoom are
  // image pixels once shifted by the image pixel that the window's lower-left corner shows
  out[0] = panX - shift + vp[0] / z;
  out[1] = panX - shift + vp[2] / z;
  out[2] = panY - shift + vp[1] / z;
  out[3] = panY - shift + vp[3] / z;
}

void load_image_projection(const CalibrationState& s, int panX, int panY, int zoom) {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // at the near plane 1 the frustum's bounds are image coordinates themselves
  double window[4];
  image_view_window(viewport, panX, panY, zoom, window);
  glFrustum(window[0], window[1], window[2], window[3], 1.0, 300.0);
  glMatrixMode(GL_MODELVIEW);
  double m[16];
  image_modelview_matrix(s.cameraMatrix, m);
  glLoadMatrixd(m);
}
