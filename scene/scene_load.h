#pragma once
// Loading the image and a whole scene into the application record without any window: the steps
// the File commands share with varnesk-cli and the tests. No messages are shown here.

#include "state/app_state.h"
#include "scene/readers.h"

// A bound on the picture's size set by whoever must hold it (0: none beyond the library's), and
// the size the file claims, filled as soon as the library has read it.
struct ImageSizeCheck {
  int maxWidth = 0, maxHeight = 0;
  long long maxPixels = 0;
  int width = 0, height = 0;
};

// Reads the image file into s.imageRgb (R, G, B bytes, bottom row first), s.imageWidth and
// s.imageHeight. Only a regular file is opened (a FIFO would block). The size is checked before
// anything is allocated, against the library's limit and size->maxWidth, maxHeight and maxPixels, and the
// new picture is built apart: on failure s is left exactly as it was. Returns IMAGE_OK or the image
// library's code; *stage (optional) tells which step failed: 1 the file's kind or size, 2 its
// pixels, 3 a size beyond the caller's bound (code IMAGE_ERR_VARIANT).
int load_image_rgb(const char* path, AppState& s, int* stage = nullptr, ImageSizeCheck* size = nullptr);

enum { IMAGE_STAGE_DEFINITION = 1, IMAGE_STAGE_PIXELS = 2, IMAGE_STAGE_TOO_LARGE = 3 };

struct SceneLoadReport {
  int status = READ_OK;       // ReadStatus of the scene file itself
  ReadReport scene;           // the scene file's read in detail
  int imageCode = 0;          // IMAGE_OK or the image library's code
  int imageStage = 0;         // IMAGE_STAGE_* of a failed image
  ImageSizeCheck imageSize;   // the bound asked for and the size the image claims
  int referencesRead = 0;     // 1 when the reference file was read completely
  ReadReport references;      // why it was not
  int calibrated = 0;         // 1 when update_calibration succeeded
  int objectsRead = 0;        // 1 when an object file was named and read completely
  ReadReport objects;         // why a named object file was not
  ScenePaths paths;
};

// The rest of a scene once its image has loaded: the reference points with a calibration
// (landmarkMarked on success), then the object points if the reference file was read completely;
// imageLoaded = 1, modelReady = 0 and every overlay switch off. Fills the reading fields of r.
// A reference or object file that fails to read changes none of the points (all-or-nothing).
void finish_scene_load(const ScenePaths& paths, AppState& s, SceneLoadReport& r);

// The whole scene as "Load Scene" restores it, without the interface: scene file, image
// (relative paths to the current directory), reference points with a calibration, object points;
// imageLoaded = 1, modelReady = 0, every overlay switch off. The points are cleared first, as the
// command does. An image beyond the bound's maxWidth, maxHeight or maxPixels (those not 0) is
// refused before its pixels are allocated. Returns 1 when the scene file named both required
// paths and the image loaded.
int load_scene_quiet(const char* scenePath, AppState& s, SceneLoadReport* report,
                     const ImageSizeCheck* bound = nullptr);
