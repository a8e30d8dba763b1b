// PNG files of the engine screen: the headless host's screenshots, and
// reading them back in tests.
#pragma once

#include <cstdint>
#include <vector>

namespace vadu {

// Writes width x height engine colour values (row-major, red in the low
// byte) as an 8-bit RGB PNG. False (and no file left behind) when the
// arguments are bad or the file cannot be written.
bool WritePng(const char* path, const uint32_t* pixels, int width, int height);

// Reads a PNG of any kind into engine colour values (alpha dropped, images
// composed on black). False when the file is missing or not a PNG.
bool ReadPng(const char* path, std::vector<uint32_t>* pixels, int* width, int* height);

}  // namespace vadu
