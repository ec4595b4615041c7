#pragma once
// Steps shared by the drawing commands (render, render3d): loading the scene without the
// interface and taking the drawn picture off an offscreen canvas.

#include <nlohmann/json.hpp>

#include <vector>

#include "scene/scene_load.h"
#include "toolkit/tuk.h"

// Loads the scene into appState as "Load Scene" does, refusing an image beyond the bound (when
// given) before its pixels are allocated. Returns 0, or prints the error (with the image
// library's code for an image that cannot be read) and returns 1.
int cli_load_scene(const char* scenePath, SceneLoadReport* report /* out */, const ImageSizeCheck* bound = nullptr);

// A drawing made from files that did not read would be a false result: returns 0 when the
// scene's reference file and its object file (when one is named) were read whole, else prints
// which file failed and why, and returns 1.
int cli_require_point_files(const SceneLoadReport& report);

// Opens the toolkit on the headless driver, whatever DISPLAY says, with GL canvases. Returns 0,
// or prints the error and returns 1.
int cli_open_offscreen();

// The largest canvas whose every pixel OpenGL on the headless driver draws: the smaller of the
// viewport and renderbuffer limits of a context like a canvas's, as maxWidth, maxHeight and
// maxPixels. (Mesa's EGL advertises 4096-pixel pbuffers yet makes and draws 16384-pixel ones
// whole, so its advisory pbuffer limits are not used; a pbuffer that cannot be made shows as a
// frame of the wrong size, which the drawing commands refuse.) The toolkit must be open. Returns
// 0, or prints the error and returns 1.
int cli_canvas_limit(ImageSizeCheck* bound /* out */);

// Copies the canvas's visible frame (RGB, bottom row first) into pixels. Returns 0, or 1 when
// the canvas has no frame (no OpenGL context).
int cli_grab_frame(TukHandle canvas, std::vector<unsigned char>* pixels /* out */, int* width /* out */,
                   int* height /* out */);

// Writes the frame as a PNG at out and starts the result with what every drawing command reports:
// the file and its size, the scene's image, its reference points and its objects. Returns 0, or
// prints the error and returns 1.
int cli_write_picture(const char* out, const std::vector<unsigned char>& pixels, int width, int height,
                      const SceneLoadReport& report, nlohmann::json* result /* out */);
