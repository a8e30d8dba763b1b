// The engine's screen: a software framebuffer of 32-bit pixels holding
// engine colour values (red in the low byte, then green, then blue; the top
// byte zero). The engine thread draws into it through the device operations;
// the host thread presents it (SDL window) or writes it as PNG (headless).
// Both go through its mutex; the generation counter tells the host whether
// anything was drawn since it last looked.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vadu {

class Framebuffer {
 public:
  // Makes a black screen of the given size (at least 1 x 1).
  void Resize(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  // Row-major pixels, width() per row. Hold mutex() while touching them
  // from more than one thread.
  uint32_t* pixels() { return pixels_.data(); }
  const uint32_t* pixels() const { return pixels_.data(); }
  std::mutex& mutex() { return mutex_; }

  // Bumped after every drawing operation; the host presents when it changed.
  uint64_t generation() const { return generation_.load(std::memory_order_acquire); }
  void Touch() { generation_.fetch_add(1, std::memory_order_release); }

  // Copies the pixels out under the mutex (for screenshots and tests).
  std::vector<uint32_t> Snapshot();

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
  std::mutex mutex_;
  std::atomic<uint64_t> generation_{0};
};

// The one screen of the process.
Framebuffer& Screen();

// Engine colour value from 8-bit red, green and blue.
inline uint32_t MakeColour(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(blue) << 16);
}

}  // namespace vadu
