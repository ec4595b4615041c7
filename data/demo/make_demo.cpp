// Writes the demo scene: a synthetic photograph of the left penalty area seen by the camera of
// demo_truth.h (demo.jpg, 640 x 480), its reference points (demo.ref), its players, referee and
// ball (demo.obj) and the scene file tying them together (demo.cen).
//
// The photograph is ray cast: every pixel averages 3 x 3 rays through the pinhole camera against
// the ground (striped grass and white lines 12 cm wide), the goal frame and its net, advertising
// boards, the stands, the figures and the ball.
//
// usage: make_demo [OUTPUT_FOLDER]
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// after <cstdio>: the libjpeg header needs FILE and size_t declared
#include <jpeglib.h>

#include "data/demo/demo_truth.h"
#include "geometry/landmarks.h"

namespace {

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

// a fixed pseudo-random value in [0, 1) for an integer cell, so the picture is the same every run
double hash01(int a, int b) {
  uint32_t h = static_cast<uint32_t>(a) * 73856093u ^ static_cast<uint32_t>(b) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (h & 0xffffff) / 16777216.0;
}

// ---- ground ---------------------------------------------------------------------------------

constexpr double kLineHalfWidth = 0.06;

double segment_distance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// distance to an arc of radius r about (cx, cy) between two angles (degrees, from +X towards +Y)
double arc_distance(double px, double py, double cx, double cy, double r, double a0, double a1) {
  const double pi = 3.14159265358979323846;
  double a = std::atan2(py - cy, px - cx) * 180.0 / pi;
  while (a < a0) a += 360.0;
  if (a <= a1) return std::fabs(std::hypot(px - cx, py - cy) - r);
  const double e0 = std::hypot(px - cx - r * std::cos(a0 * pi / 180), py - cy - r * std::sin(a0 * pi / 180));
  const double e1 = std::hypot(px - cx - r * std::cos(a1 * pi / 180), py - cy - r * std::sin(a1 * pi / 180));
  return e0 < e1 ? e0 : e1;
}

double rect_distance(double px, double py, double x0, double y0, double x1, double y1) {
  double d = segment_distance(px, py, x0, y0, x1, y0);
  d = std::fmin(d, segment_distance(px, py, x1, y0, x1, y1));
  d = std::fmin(d, segment_distance(px, py, x1, y1, x0, y1));
  return std::fmin(d, segment_distance(px, py, x0, y1, x0, y0));
}

bool on_line(double x, double y) {
  const double arcEnd = std::acos(5.5 / 9.15) * 180.0 / 3.14159265358979323846;  // 53.13 degrees
  double d = rect_distance(x, y, 0, 0, 105, 68);
  d = std::fmin(d, segment_distance(x, y, 52.5, 0, 52.5, 68));
  d = std::fmin(d, rect_distance(x, y, 0, 13.84, 16.5, 54.16));
  d = std::fmin(d, rect_distance(x, y, 88.5, 13.84, 105, 54.16));
  d = std::fmin(d, rect_distance(x, y, 0, 24.84, 5.5, 43.16));
  d = std::fmin(d, rect_distance(x, y, 99.5, 24.84, 105, 43.16));
  d = std::fmin(d, arc_distance(x, y, 52.5, 34, 9.15, 0, 360));
  d = std::fmin(d, arc_distance(x, y, 11, 34, 9.15, -arcEnd, arcEnd));
  d = std::fmin(d, arc_distance(x, y, 94, 34, 9.15, 180 - arcEnd, 180 + arcEnd));
  d = std::fmin(d, arc_distance(x, y, 0, 0, 1, 0, 90));
  d = std::fmin(d, arc_distance(x, y, 105, 0, 1, 90, 180));
  d = std::fmin(d, arc_distance(x, y, 105, 68, 1, 180, 270));
  d = std::fmin(d, arc_distance(x, y, 0, 68, 1, 270, 360));
  if (d <= kLineHalfWidth) return true;
  return std::hypot(x - 11, y - 34) < 0.11 || std::hypot(x - 94, y - 34) < 0.11 || std::hypot(x - 52.5, y - 34) < 0.15;
}

Rgb ground_colour(double x, double y) {
  // mowing stripes across the pitch, 5.25 m wide, and a little unevenness of the turf
  const int stripe = static_cast<int>(std::floor(x / 5.25));
  Rgb grass = (stripe & 1) ? Rgb{52, 128, 46} : Rgb{66, 146, 56};
  const double n = hash01(static_cast<int>(std::floor(x * 4)), static_cast<int>(std::floor(y * 4)));
  grass = scale(grass, 0.94 + 0.08 * n);
  if (on_line(x, y)) grass = mix(grass, Rgb{236, 238, 232}, 0.92);
  for (const DemoFigure& fig : kDemoFigures) {
    // a soft shadow under each figure, thrown away from the low sun behind the stand
    const double r = fig.role == DEMO_BALL ? 0.12 : 0.38;
    const double d = std::hypot(x - fig.x - (fig.role == DEMO_BALL ? 0.05 : 0.25), (y - fig.y) * 1.4);
    if (d < r) grass = scale(grass, 0.62 + 0.3 * d / r);
  }
  return grass;
}

// ---- solids ---------------------------------------------------------------------------------

struct Ray {
  double o[3], d[3];
};

struct Hit {
  double t = 1e30;
  Rgb colour{0, 0, 0};
};

const double kLight[3] = {0.45, -0.55, 0.70};  // towards the sun, roughly from behind the camera

double shade(const double n[3]) {
  const double l = std::sqrt(kLight[0] * kLight[0] + kLight[1] * kLight[1] + kLight[2] * kLight[2]);
  const double k = (n[0] * kLight[0] + n[1] * kLight[1] + n[2] * kLight[2]) / l;
  return 0.5 + 0.5 * (k > 0 ? k : 0);
}

// cylinder along axis (0 X, 1 Y, 2 Z) through (a, b) in the other two coordinates, from lo to hi
void cylinder(const Ray& ray, int axis, double a, double b, double radius, double lo, double hi, Rgb c, Hit& hit) {
  const int i = axis == 0 ? 1 : 0;
  const int j = axis == 2 ? 1 : 2;
  const double ox = ray.o[i] - a, oy = ray.o[j] - b;
  const double A = ray.d[i] * ray.d[i] + ray.d[j] * ray.d[j];
  const double B = 2 * (ox * ray.d[i] + oy * ray.d[j]);
  const double C = ox * ox + oy * oy - radius * radius;
  const double disc = B * B - 4 * A * C;
  if (A < 1e-12 || disc < 0) return;
  const double t = (-B - std::sqrt(disc)) / (2 * A);
  if (t <= 0 || t >= hit.t) return;
  const double along = ray.o[axis] + t * ray.d[axis];
  if (along < lo || along > hi) return;
  double n[3] = {0, 0, 0};
  n[i] = (ox + t * ray.d[i]) / radius;
  n[j] = (oy + t * ray.d[j]) / radius;
  hit.t = t;
  hit.colour = scale(c, shade(n));
}

void sphere(const Ray& ray, double cx, double cy, double cz, double radius, Rgb c, Hit& hit) {
  const double o[3] = {ray.o[0] - cx, ray.o[1] - cy, ray.o[2] - cz};
  const double B = 2 * (o[0] * ray.d[0] + o[1] * ray.d[1] + o[2] * ray.d[2]);
  const double A = ray.d[0] * ray.d[0] + ray.d[1] * ray.d[1] + ray.d[2] * ray.d[2];
  const double C = o[0] * o[0] + o[1] * o[1] + o[2] * o[2] - radius * radius;
  const double disc = B * B - 4 * A * C;
  if (disc < 0) return;
  const double t = (-B - std::sqrt(disc)) / (2 * A);
  if (t <= 0 || t >= hit.t) return;
  const double n[3] = {(o[0] + t * ray.d[0]) / radius, (o[1] + t * ray.d[1]) / radius, (o[2] + t * ray.d[2]) / radius};
  hit.t = t;
  hit.colour = scale(c, shade(n));
}

void figure(const Ray& ray, const DemoFigure& fig, Hit& hit) {
  const Rgb skin{224, 178, 140};
  if (fig.role == DEMO_BALL) {
    sphere(ray, fig.x, fig.y, 0.11, 0.11, Rgb{240, 240, 240}, hit);
    return;
  }
  Rgb shirt{200, 28, 36}, shorts{245, 245, 245}, socks{200, 28, 36};
  if (fig.role == DEMO_TEAM_B) {
    const bool keeper = fig.x < 5.5;
    shirt = keeper ? Rgb{225, 215, 40} : Rgb{28, 58, 190};
    shorts = keeper ? Rgb{30, 30, 30} : Rgb{28, 58, 190};
    socks = Rgb{245, 245, 245};
  } else if (fig.role == DEMO_REFEREE) {
    shirt = Rgb{22, 22, 22};
    shorts = shirt;
    socks = shirt;
  }
  cylinder(ray, 2, fig.x, fig.y - 0.13, 0.085, 0.0, 0.45, socks, hit);
  cylinder(ray, 2, fig.x, fig.y + 0.13, 0.085, 0.0, 0.45, socks, hit);
  cylinder(ray, 2, fig.x, fig.y - 0.12, 0.095, 0.45, 0.8, skin, hit);
  cylinder(ray, 2, fig.x, fig.y + 0.12, 0.095, 0.45, 0.8, skin, hit);
  cylinder(ray, 2, fig.x, fig.y, 0.22, 0.8, 1.02, shorts, hit);
  cylinder(ray, 2, fig.x, fig.y, 0.24, 1.02, 1.55, shirt, hit);
  cylinder(ray, 2, fig.x, fig.y - 0.3, 0.06, 1.0, 1.5, skin, hit);
  cylinder(ray, 2, fig.x, fig.y + 0.3, 0.06, 1.0, 1.5, skin, hit);
  sphere(ray, fig.x, fig.y, 1.7, 0.12, skin, hit);
}

// a vertical or horizontal plane, for walls, boards and the net: coordinate `axis` equals `at`
double plane_hit(const Ray& ray, int axis, double at) {
  if (std::fabs(ray.d[axis]) < 1e-12) return -1;
  return (at - ray.o[axis]) / ray.d[axis];
}

Rgb backdrop(const Ray& ray, Hit& hit) {
  // stands: a wall behind the goal (X = -12) and along the far touch line (Y = 80)
  Rgb colour{150, 182, 222};
  const double tw[2] = {plane_hit(ray, 0, -12.0), plane_hit(ray, 1, 80.0)};
  for (int w = 0; w < 2; ++w) {
    const double t = tw[w];
    if (t <= 0 || t >= hit.t) continue;
    const double z = ray.o[2] + t * ray.d[2];
    if (z < 0 || z > 30) continue;
    const double s = w == 0 ? ray.o[1] + t * ray.d[1] : ray.o[0] + t * ray.d[0];
    const double seat = hash01(static_cast<int>(std::floor(s * 4.0)) + 1000 * w, static_cast<int>(std::floor(z * 4.0)));
    Rgb crowd = seat < 0.3 ? Rgb{40, 40, 48} : (seat < 0.55 ? Rgb{180, 40, 40} : (seat < 0.8 ? Rgb{220, 220, 210} : Rgb{50, 70, 160}));
    hit.t = t;
    colour = mix(crowd, Rgb{70, 72, 80}, 0.55);
  }
  // advertising boards 0.9 m high, 4 m behind the goal line and along the far touch line
  const double tb[2] = {plane_hit(ray, 0, -4.0), plane_hit(ray, 1, 73.0)};
  for (int w = 0; w < 2; ++w) {
    const double t = tb[w];
    if (t <= 0 || t >= hit.t) continue;
    const double z = ray.o[2] + t * ray.d[2];
    const double s = w == 0 ? ray.o[1] + t * ray.d[1] : ray.o[0] + t * ray.d[0];
    if (z < 0 || z > 0.9 || s < -6 || s > 111) continue;
    const int panel = static_cast<int>(std::floor(s / 6.0)) & 3;
    const Rgb board[4] = {{20, 60, 170}, {235, 235, 235}, {240, 130, 20}, {200, 20, 40}};
    hit.t = t;
    colour = board[panel];
  }
  return colour;
}

// the goal net's threads, 0.15 m apart: alpha of a thread at a point of one of its planes
double net_thread(double s, double t) {
  const double fs = std::fabs(s / 0.15 - std::round(s / 0.15));
  const double ft = std::fabs(t / 0.15 - std::round(t / 0.15));
  return (fs < 0.08 || ft < 0.08) ? 0.55 : 0.0;
}

Rgb trace(const Ray& ray) {
  Hit hit;
  Rgb colour = backdrop(ray, hit);
  if (ray.d[2] < 0) {
    const double t = -ray.o[2] / ray.d[2];
    if (t < hit.t) {
      hit.t = t;
      colour = ground_colour(ray.o[0] + t * ray.d[0], ray.o[1] + t * ray.d[1]);
    }
  }
  Hit solid;
  solid.t = hit.t;
  const Rgb white{245, 245, 245};
  for (const double gx : {0.0, 105.0}) {
    cylinder(ray, 2, gx, 30.34 - 0.06, 0.06, 0.0, 2.5, white, solid);
    cylinder(ray, 2, gx, 37.66 + 0.06, 0.06, 0.0, 2.5, white, solid);
    cylinder(ray, 1, gx, 2.44 + 0.06, 0.06, 30.34 - 0.12, 37.66 + 0.12, white, solid);
  }
  for (const DemoFigure& fig : kDemoFigures) figure(ray, fig, solid);
  if (solid.t < hit.t) {
    hit.t = solid.t;
    colour = solid.colour;
  }
  // the net of the left goal, drawn over whatever lies behind it
  struct NetPlane {
    int axis;
    double at;
  };
  const NetPlane planes[4] = {{0, -2.0}, {1, 30.34 - 0.12}, {1, 37.66 + 0.12}, {2, 2.44}};
  for (const NetPlane& p : planes) {
    const double t = plane_hit(ray, p.axis, p.at);
    if (t <= 0 || t >= hit.t) continue;
    const double x = ray.o[0] + t * ray.d[0], y = ray.o[1] + t * ray.d[1], z = ray.o[2] + t * ray.d[2];
    const bool inside = x >= -2.0 && x <= 0.0 && y >= 30.22 && y <= 37.78 && z >= 0.0 && z <= 2.44;
    if (!inside) continue;
    const double a = p.axis == 0 ? net_thread(y, z) : (p.axis == 1 ? net_thread(x, z) : net_thread(x, y));
    colour = mix(colour, Rgb{235, 235, 235}, a);
  }
  return colour;
}

bool write_jpeg(const char* path, const std::vector<unsigned char>& topFirst, int w, int h) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 92, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&topFirst[static_cast<size_t>(cinfo.next_scanline) * w * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? std::string(argv[1]) + "/" : std::string("./");
  const DemoCamera& cam = kDemoCamera;
  const DemoBasis b = demo_basis(cam);
  const int w = cam.width, h = cam.height;
  std::vector<unsigned char> picture(static_cast<size_t>(w) * h * 3);
  constexpr int kSub = 3;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      Rgb sum{0, 0, 0};
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double u = col + (sx + 0.5) / kSub, v = row + (sy + 0.5) / kSub;
          const double a = (u - w / 2) / cam.focal, c = (v - h / 2) / cam.focal;
          Ray ray{{cam.eye[0], cam.eye[1], cam.eye[2]}, {}};
          for (int k = 0; k < 3; ++k) ray.d[k] = b.f[k] + a * b.r[k] + c * b.up[k];
          const Rgb s = trace(ray);
          sum = {sum.r + s.r, sum.g + s.g, sum.b + s.b};
        }
      }
      // rows are counted from the bottom; the file stores the top row first
      unsigned char* p = &picture[(static_cast<size_t>(h - 1 - row) * w + col) * 3];
      const double k = 1.0 / (kSub * kSub);
      const double rgb[3] = {sum.r * k, sum.g * k, sum.b * k};
      for (int ch = 0; ch < 3; ++ch) p[ch] = static_cast<unsigned char>(rgb[ch] < 0 ? 0 : (rgb[ch] > 255 ? 255 : std::lround(rgb[ch])));
    }
  }
  if (!write_jpeg((dir + "demo.jpg").c_str(), picture, w, h)) {
    std::fprintf(stderr, "make_demo: cannot write %sdemo.jpg\n", dir.c_str());
    return 1;
  }

  FILE* ref = std::fopen((dir + "demo.ref").c_str(), "w");
  FILE* obj = std::fopen((dir + "demo.obj").c_str(), "w");
  FILE* cen = std::fopen((dir + "demo.cen").c_str(), "w");
  // the same picture marked as a frame without a goal in view: ground landmarks only
  FILE* groundRef = std::fopen((dir + "demo_ground.ref").c_str(), "w");
  FILE* groundCen = std::fopen((dir + "demo_ground.cen").c_str(), "w");
  if (!ref || !obj || !cen || !groundRef || !groundCen) {
    std::fprintf(stderr, "make_demo: cannot write the point files in %s\n", dir.c_str());
    return 1;
  }
  std::fprintf(ref, "%d\n", DEMO_LANDMARK_COUNT);
  int groundCount = 0;
  for (const int index : kDemoLandmarks) groundCount += FieldLandmarkTable[index].z == 0;
  std::fprintf(groundRef, "%d\n", groundCount);
  for (const int index : kDemoLandmarks) {
    const FieldLandmark& L = FieldLandmarkTable[index];
    double u, v;
    demo_project(cam, L.x, L.y, L.z, &u, &v);
    if (u < 0 || u >= w || v < 0 || v >= h) std::fprintf(stderr, "make_demo: landmark %d outside the picture\n", index);
    std::fprintf(ref, "%.14g %.14g %.14g %d %d\n", L.x, L.y, L.z, demo_pixel(u), demo_pixel(v));
    if (L.z == 0) std::fprintf(groundRef, "%.14g %.14g %.14g %d %d\n", L.x, L.y, L.z, demo_pixel(u), demo_pixel(v));
  }
  // object file: team A, team B, referee, ball; each figure marked at its feet
  for (const int role : {DEMO_TEAM_A, DEMO_TEAM_B}) {
    int n = 0;
    for (const DemoFigure& f : kDemoFigures) n += f.role == role;
    std::fprintf(obj, "%d\n", n);
    for (const DemoFigure& f : kDemoFigures) {
      if (f.role != role) continue;
      double u, v;
      demo_project(cam, f.x, f.y, 0, &u, &v);
      std::fprintf(obj, "%d %d\n", demo_pixel(u), demo_pixel(v));
    }
  }
  for (const int role : {DEMO_REFEREE, DEMO_BALL}) {
    for (const DemoFigure& f : kDemoFigures) {
      if (f.role != role) continue;
      double u, v;
      demo_project(cam, f.x, f.y, 0, &u, &v);
      std::fprintf(obj, "1\n%d %d\n", demo_pixel(u), demo_pixel(v));
    }
  }
  std::fprintf(cen, "demo.jpg\ndemo.ref\ndemo.obj\n");
  std::fprintf(groundCen, "demo.jpg\ndemo_ground.ref\ndemo.obj\n");
  const bool ok = std::fclose(ref) == 0 && std::fclose(obj) == 0 && std::fclose(cen) == 0 &&
                  std::fclose(groundRef) == 0 && std::fclose(groundCen) == 0;
  return ok ? 0 : 1;
}
