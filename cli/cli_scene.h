#pragma once
// Steps shared by the drawing commands (render, render3d): loading the scene without the
// interface and taking the drawn picture off an offscreen canvas.

#include <nlohmann/json.hpp>

#include <vector>

#include "scene/scene_load.h"
#include "toolkit/tuk.h"

// Loads the scene into appState as "Load Scene" does. Returns 0, or prints the error (with the
// image library's code for an image that cannot be read) and returns 1.
int cli_load_scene(const char* scenePath, SceneLoadReport* report /* out */);

// Opens the toolkit on the headless driver, whatever DISPLAY says, with GL canvases. Returns 0,
// or prints the error and returns 1.
int cli_open_offscreen();

// Copies the canvas's visible frame (RGB, bottom row first) into pixels. Returns 0, or 1 when
// the canvas has no frame (no OpenGL context).
int cli_grab_frame(TukHandle canvas, std::vector<unsigned char>* pixels /* out */, int* width /* out */,
                   int* height /* out */);

// Writes the frame as a PNG at out and starts the result with what every drawing command reports:
// the file and its size, the scene's image, its reference points and its objects. Returns 0, or
// prints the error and returns 1.
int cli_write_picture(const char* out, const std::vector<unsigned char>& pixels, int width, int height,
                      const SceneLoadReport& report, nlohmann::json* result /* out */);
