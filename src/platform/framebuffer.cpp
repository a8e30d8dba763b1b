#include "platform/framebuffer.h"

#include <algorithm>

namespace vadu {
namespace {

// Larger screens are refused: width * height must stay well inside int.
constexpr int kMaxSide = 16384;

}  // namespace

void Framebuffer::Resize(int width, int height) {
  width = std::clamp(width, 1, kMaxSide);
  height = std::clamp(height, 1, kMaxSide);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  }
  Touch();
}

std::vector<uint32_t> Framebuffer::Snapshot() {
  std::lock_guard<std::mutex> lock(mutex_);
  return pixels_;
}

Framebuffer& Screen() {
  static Framebuffer screen;
  return screen;
}

}  // namespace vadu
