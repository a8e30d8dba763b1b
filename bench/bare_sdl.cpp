// The floor for the SDL host's start-up figures: a bare SDL program that does
// what vadu's SDL host does to show its first frame and nothing else. It
// opens an 800 x 600 resizable window with the software renderer drawing
// into the window's own surface (SDL_FRAMEBUFFER_ACCELERATION=0), fills a
// streaming XBGR8888 texture of the screen's size with one colour, copies it
// to the window and presents it, then writes
//
//   bare-timing: first-frame <ms>
//
// to standard error, measured from the process start as vadu's
// NoteMilestone measures it (platform/process_start.h), and exits.
//
//   bare_sdl [--stay SECONDS]
//
// With --stay it then pumps its events for that many seconds (or until its
// window is closed) before it exits, for peak memory and idle CPU figures.
// scripts/measure_host.sh runs it side by side with vadu.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/process_start.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

int Usage() {
  std::fprintf(stderr, "usage: bare_sdl [--stay SECONDS]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t start_ns = vadu::ProcessStartBootNs();
  long stay_s = 0;
  if (argc == 3 && std::strcmp(argv[1], "--stay") == 0) {
    char* end = nullptr;
    stay_s = std::strtol(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || stay_s < 0 || stay_s > 86400) return Usage();
  } else if (argc != 1) {
    return Usage();
  }

  // The hints vadu's host sets before it starts SDL's video.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  // Without a session bus SDL would start D-Bus's launcher to look for one
  // (vadu's host avoids the same cost the same way).
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vadu-no-session-bus", 0);
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bare_sdl: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window =
      SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth, kHeight, SDL_WINDOW_RESIZABLE);
  SDL_Renderer* renderer = window != nullptr ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  SDL_Texture* texture = renderer != nullptr ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888,
                                                                 SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight)
                                             : nullptr;
  if (texture == nullptr) {
    std::fprintf(stderr, "bare_sdl: %s\n", SDL_GetError());
    SDL_Quit();
    return 1;
  }

  // One frame of one colour (a dark blue), uploaded as vadu uploads its
  // framebuffer.
  std::vector<Uint32> pixels(static_cast<size_t>(kWidth) * kHeight, 0x00603010u);
  SDL_UpdateTexture(texture, nullptr, pixels.data(), kWidth * 4);
  SDL_RenderCopy(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
  const double first_frame_ms = vadu::MsSinceProcessStart(start_ns);
  if (first_frame_ms < 0) {
    std::fprintf(stderr, "bare-timing: first-frame n/a\n");
  } else {
    std::fprintf(stderr, "bare-timing: first-frame %.1f\n", first_frame_ms);
  }

  const Uint32 end = SDL_GetTicks() + static_cast<Uint32>(stay_s) * 1000u;
  bool open = true;
  while (open && stay_s > 0 && !SDL_TICKS_PASSED(SDL_GetTicks(), end)) {
    SDL_Event ev;
    // A long wait: an idle window wakes only for its events.
    if (SDL_WaitEventTimeout(&ev, 250) == 0) continue;
    do {
      if (ev.type == SDL_QUIT || (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_CLOSE)) {
        open = false;
      } else if (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_EXPOSED) {
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
      }
    } while (SDL_PollEvent(&ev));
  }

  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
