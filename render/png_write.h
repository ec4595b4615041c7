#pragma once
// Writing a drawn frame as a PNG file (8-bit RGB).

// rgb: width x height pixels of R, G, B bytes, bottom row first (as OpenGL reads them back); the
// file stores the top row first. Returns 0 on success, -1 when the file cannot be written.
int write_png_bottom_up(const char* path, const unsigned char* rgb, int width, int height);
