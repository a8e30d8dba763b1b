#include "platform/png.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace vadu {

// The simplified libpng interface reports errors by result, with no
// longjmp through our frames.
bool WritePng(const char* path, const uint32_t* pixels, int width, int height) {
  if (path == nullptr || pixels == nullptr || width <= 0 || height <= 0) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint8_t> rgb(count * 3);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t c = pixels[i];
    rgb[i * 3] = static_cast<uint8_t>(c);
    rgb[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
    rgb[i * 3 + 2] = static_cast<uint8_t>(c >> 16);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const int ok = png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr);
  png_image_free(&image);
  if (ok == 0) {
    std::remove(path);
    return false;
  }
  return true;
}

bool ReadPng(const char* path, std::vector<uint32_t>* pixels, int* width, int* height) {
  if (path == nullptr || pixels == nullptr || width == nullptr || height == nullptr) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path) == 0) return false;
  // Refuse sizes whose buffer could not sensibly be held.
  if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  png_color black{0, 0, 0};
  if (png_image_finish_read(&image, &black, rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    return false;
  }
  const size_t count = static_cast<size_t>(image.width) * image.height;
  pixels->resize(count);
  for (size_t i = 0; i < count; ++i) {
    (*pixels)[i] = static_cast<uint32_t>(rgb[i * 3]) | (static_cast<uint32_t>(rgb[i * 3 + 1]) << 8) |
                   (static_cast<uint32_t>(rgb[i * 3 + 2]) << 16);
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return true;
}

}  // namespace vadu
