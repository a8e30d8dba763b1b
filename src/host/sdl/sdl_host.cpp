#include "host/sdl/sdl_host.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/state.h"
#include "host/run_engine.h"
#include "host/sdl/sdl_sound.h"
#include "host/sdl/x11_window.h"
#include "kernel/startup.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "platform/input_host.h"
#include "platform/milestone.h"

namespace vadu {
namespace {

// How long the host loop waits for events before it looks at the screen
// again: while the picture changes (or input arrives) often enough for
// smooth motion; after kCalmPasses passes without either, longer, so an idle
// window costs almost nothing. A calm host is woken by the engine thread
// when it goes to sleep after drawing (see FrameClock), so kCalmWaitMs
// only bounds how late a frame drawn in the middle of a long engine step
// can be (and how late a resume from suspend is noticed). Each pass costs a
// wake-up of the process: at 250 ms the calm host alone was 0.04 % of a
// core.
constexpr int kBusyWaitMs = 10;
constexpr int kCalmWaitMs = 1000;
constexpr int kCalmPasses = 30;
// A press this soon after the window came to the front is the click that
// brought it there.
constexpr Uint32 kActivationClickMs = 100;
// More time than this spent suspended since the last look is a suspend and
// resume.
constexpr int64_t kSuspendMs = 2000;

// Milliseconds the machine has spent suspended since boot: the boot-time
// clock runs on through a suspend, the monotonic one stands still.
int64_t SuspendedMs() {
  timespec boot{}, mono{};
  if (clock_gettime(CLOCK_BOOTTIME, &boot) != 0 || clock_gettime(CLOCK_MONOTONIC, &mono) != 0) return -1;
  return (boot.tv_sec - mono.tv_sec) * 1000 + (boot.tv_nsec - mono.tv_nsec) / 1000000;
}

// The engine code a host key-down stores; 0 = nothing is stored.
uint16_t KeyDownCode(SDL_Keycode sym) {
  if (sym >= SDLK_a && sym <= SDLK_z) return static_cast<uint16_t>('A' + (sym - SDLK_a));
  if (sym >= SDLK_0 && sym <= SDLK_9) return static_cast<uint16_t>(sym);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return static_cast<uint16_t>(0x70 + (sym - SDLK_F1));
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return static_cast<uint16_t>(0x61 + (sym - SDLK_KP_1));
  switch (sym) {
    case SDLK_HOME:
      return KEY_HOME;
    case SDLK_UP:
      return KEY_UP;
    case SDLK_DOWN:
      return KEY_DOWN;
    case SDLK_LEFT:
      return KEY_LEFT;
    case SDLK_RIGHT:
      return KEY_RIGHT;
    case SDLK_TAB:
      return KEY_TAB;
    case SDLK_BACKSPACE:
      return KEY_BACKSPACE;
    case SDLK_DELETE:
      return KEY_DELETE;
    case SDLK_CLEAR:
      return KEY_CLEAR;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return KEY_RETURN;
    case SDLK_PRINTSCREEN:
    case SDLK_KP_MULTIPLY:
      return KEY_ASTERISK;
    case SDLK_ESCAPE:
      return KEY_ESCAPE;
    case SDLK_HELP:
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return KEY_HELP;
    case SDLK_SPACE:
      return ' ';
    // Keys without an engine code keep their host key codes.
    case SDLK_PAGEUP:
      return 33;
    case SDLK_PAGEDOWN:
      return 34;
    case SDLK_END:
      return 35;
    case SDLK_INSERT:
      return 45;
    case SDLK_KP_0:
      return 0x60;
    default:
      return 0;  // Control alone, and keys that only type a character
  }
}

// True when the environment variable is set to something.
bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Video drivers that show nothing anyone can see. SDL falls back to them when
// no display answers, and the engine would then run on without a window and
// without a word; they are used only when SDL_VIDEODRIVER names them (an
// author's experiment).
bool ShowsNoWindow(const char* driver) {
  return SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0 ||
         SDL_strcasecmp(driver, "evdev") == 0;
}

// Wayland finds its display in the runtime directory unless a path or a
// socket is given. Without any of them it cannot connect, and trying only
// prints a complaint about XDG_RUNTIME_DIR on standard error.
bool WaylandCanConnect() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return EnvSet("XDG_RUNTIME_DIR") || EnvSet("WAYLAND_SOCKET") || (display != nullptr && display[0] == '/');
}

void PrintNoWindow(const std::string& reason) {
  if (!EnvSet("DISPLAY") && !EnvSet("WAYLAND_DISPLAY")) {
    std::fprintf(stderr, "vadu: cannot open a window: no display (DISPLAY is not set); use --headless\n");
  } else {
    std::fprintf(stderr, "vadu: cannot open a window: %s; use --headless\n",
                 reason.empty() ? "no video driver" : reason.c_str());
  }
}

// Starts SDL's video: with the driver SDL_VIDEODRIVER names, or else with the
// first of SDL's drivers, in SDL's order, that opens a real window. Says why
// on standard error when there is none.
bool InitVideo() {
  if (EnvSet("SDL_VIDEODRIVER")) {
    if (SDL_Init(SDL_INIT_VIDEO) == 0) return true;
    PrintNoWindow(SDL_GetError());
    return false;
  }
  std::string first_error;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* driver = SDL_GetVideoDriver(i);
    if (driver == nullptr || ShowsNoWindow(driver)) continue;
    if (SDL_strcasecmp(driver, "wayland") == 0 && !WaylandCanConnect()) continue;
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    if (SDL_Init(SDL_INIT_VIDEO) == 0) return true;
    if (first_error.empty()) first_error = SDL_GetError();
  }
  PrintNoWindow(first_error);
  return false;
}

// The real clock, which also wakes a calm host when the engine goes to sleep
// with a picture the host has not been told about: every idle engine cycle
// and every wait sleeps through the platform clock, so a new frame is
// presented at once without the host polling the screen.
class FrameClock : public Clock {
 public:
  explicit FrameClock(void (*wake)()) : wake_(wake) {}
  uint64_t NowMs() override { return real_.NowMs(); }
  LocalDateTime LocalTime() override { return real_.LocalTime(); }
  void SleepMs(uint32_t ms) override {
    WakeCalmHost();
    real_.SleepMs(ms);
  }
  void IdleWait(uint32_t ms) override {
    WakeCalmHost();
    real_.IdleWait(ms);
  }
  // The host thread: it is about to wait long, having presented `generation`
  // (calm), or it waits only briefly (not calm).
  void SetCalm(bool calm, uint64_t generation) {
    calm_generation_.store(generation);
    calm_.store(calm, std::memory_order_release);
  }

 private:
  // A calm host waits long; the engine going to sleep with a picture the
  // host has not presented wakes it.
  void WakeCalmHost() {
    if (calm_.load(std::memory_order_acquire) && Screen().generation() != calm_generation_.load() &&
        calm_.exchange(false)) {
      wake_();
    }
  }

  SystemClock real_;
  void (*wake_)();
  std::atomic<bool> calm_{false};
  std::atomic<uint64_t> calm_generation_{0};
};

class SdlHost : public EngineHost {
 public:
  explicit SdlHost(const SdlOptions& options) : options_(options) {}
  ~SdlHost() override { Close(); }

  bool Open();
  // Handles the events that are waiting (before start-up: the first paint).
  void DrainEvents() {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) Handle(ev);
  }

  // --- EngineHost -----------------------------------------------------------
  Clock& EngineClock() override { return clock_; }
  MessageBoxHandler MessageBoxes() override { return &SdlHost::MessageBox; }
  void Started() override;
  bool Pump(uint64_t deadline_ms) override;
  void Ending() override { Present(false); }

  // --- Host (any thread) ----------------------------------------------------
  void SetTitle(const char* cp932_title) override {
    {
      std::lock_guard lock(mutex_);
      title_ = Cp932ToUtf8(cp932_title);
      title_changed_ = true;
    }
    Wake();
  }
  DisplayInfo Display() override { return display_; }

  static void MessageBox(const char* cp932_text);
  static void WakeHost();

 protected:
  void Wake() override {
    // SDL wakes its loop by an event sent to the window: not to a dead one
    // (the host loop then waits only briefly for its events).
    if (window_gone_.load()) return;
    SDL_Event ev{};
    ev.type = wake_event_;
    if (wake_event_ != static_cast<Uint32>(-1)) SDL_PushEvent(&ev);
  }

 private:
  void Close();
  void Handle(const SDL_Event& ev);
  void UpdateModifiers();
  // Presents the screen if it changed (or always); true when it did.
  bool Present(bool force);
  void ComputeDestination();
  void ToEngine(int wx, int wy, int32_t& ex, int32_t& ey) const;
  void CloseRequest();
  // True once another program has destroyed the window: nothing is drawn
  // into it or asked of it from then on. Host thread.
  bool WindowGone();

  SdlOptions options_;
  DisplayInfo display_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int texture_w_ = 0, texture_h_ = 0;
  SDL_Rect dst_{0, 0, 1, 1};
  uint64_t presented_generation_ = UINT64_MAX;
  bool needs_present_ = true;
  bool first_frame_noted_ = false;
  bool insert_down_ = false;
  // When the window last came to the front (SDL ticks; 0 = not lately), and
  // the button whose press that discarded.
  Uint32 focus_gained_at_ = 0;
  Uint8 discarded_button_ = 0;
  // The time the machine has spent suspended, as last seen.
  int64_t suspended_ms_ = -1;
  Uint32 wake_event_ = static_cast<Uint32>(-1);
  bool sdl_up_ = false;
  std::unique_ptr<MixerSound> sound_;
  // Set by the host thread (WindowGone); Wake reads it on any thread.
  std::atomic<bool> window_gone_{false};
  bool gone_closed_ = false;  // the loss of the window was made a close request

  std::mutex mutex_;
  std::string title_;
  bool title_changed_ = false;

  FrameClock clock_{&SdlHost::WakeHost};
};

SdlHost* g_host = nullptr;
std::thread::id g_host_thread;

void SdlHost::WakeHost() {
  if (g_host != nullptr) g_host->Wake();
}

void SdlHost::MessageBox(const char* cp932_text) {
  std::string text = Cp932ToUtf8(cp932_text);
  // Also on standard error, so the text is kept where the box is not seen.
  std::fprintf(stderr, "TARN: %s\n", text.c_str());
  std::fflush(stderr);
  // A parent window only from the thread that owns it.
  SDL_Window* parent = g_host != nullptr && std::this_thread::get_id() == g_host_thread && !g_host->window_gone_
                           ? g_host->window_
                           : nullptr;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "TARN", text.c_str(), parent);
}

bool SdlHost::Open() {
  // Software rendering unless the user asks otherwise (SDL_RENDER_DRIVER):
  // a GL context costs much time and memory where only software GL exists.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  // The software renderer draws into the window's own surface; without
  // this SDL backs that surface with a GL renderer all the same.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // The close button is one close request, not also a quit event.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Without a session bus (Xvfb, a remote X display) D-Bus would fork and
  // look for dbus-launch to start one, which costs more than the rest of
  // opening the window; a bus started so would hold no input method anyway.
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vadu-no-session-bus", 0);
  }
  if (!InitVideo()) return false;
  sdl_up_ = true;
  wake_event_ = SDL_RegisterEvents(1);
  // Sound when an audio device opens; without one the game plays silently.
  // The device opens on a thread of its own while the window is made and
  // the engine starts; the first sound call waits for it.
  sound_ = std::make_unique<MixerSound>();
  SetSoundOutput(sound_.get());

  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    display_.desktop_width = mode.w;
    display_.desktop_height = mode.h;
  }
  display_.bits_per_pixel = 32;  // of the framebuffer the engine draws into
  display_.planes = 1;

  // On a desktop of exactly 800 x 600 the window is the desktop, without a
  // caption; otherwise the configured screen size.
  bool desktop_sized = display_.desktop_width == 800 && display_.desktop_height == 600;
  int width = desktop_sized ? 800 : options_.screen_width > 0 ? options_.screen_width : 800;
  int height = desktop_sized ? 600 : options_.screen_height > 0 ? options_.screen_height : 600;
  Screen().Resize(width, height);

  int scale = options_.scale < 1 ? 1 : options_.scale;
  Uint32 flags = SDL_WINDOW_RESIZABLE;
  if (options_.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  if (desktop_sized) {
    flags |= SDL_WINDOW_BORDERLESS;
    scale = 1;
  }
  int x = desktop_sized ? 0 : SDL_WINDOWPOS_CENTERED;
  window_ = SDL_CreateWindow("TARN", x, x, width * scale, height * scale, flags);
  if (window_ == nullptr) {
    std::fprintf(stderr, "vadu: cannot create the window: %s\n", SDL_GetError());
    return false;
  }
  WatchX11Window(window_);
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_ == nullptr) {
    std::fprintf(stderr, "vadu: cannot draw into the window: %s\n", SDL_GetError());
    return false;
  }
  HostSetForeground((SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0);
  // The window shows black (the screen's colour before the engine draws)
  // at once, rather than whatever the window system leaves in a new window
  // while the engine starts up.
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderPresent(renderer_);
  first_frame_noted_ = true;
  NoteMilestone("first-frame");
  return true;
}

void SdlHost::Close() {
  SetSoundOutput(nullptr);
  sound_.reset();
  if (window_gone_.load()) {
    // Another program destroyed the window. Taking down its remains, and
    // SDL with them, would send requests for it and read their errors after
    // SDL has put Xlib's own handler back, which ends the process with exit
    // code 1. The process is ending: the connection closes with it.
    return;
  }
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  StopWatchingX11();
  if (sdl_up_) SDL_Quit();
  sdl_up_ = false;
}

bool SdlHost::WindowGone() {
  if (!window_gone_.load() && X11WindowGone()) window_gone_.store(true);
  return window_gone_.load();
}

void SdlHost::ComputeDestination() {
  int ww = 1, wh = 1;
  SDL_GetRendererOutputSize(renderer_, &ww, &wh);
  int sw = texture_w_ > 0 ? texture_w_ : Screen().width();
  int sh = texture_h_ > 0 ? texture_h_ : Screen().height();
  // Whole multiples of the screen where they fit, else the largest size of
  // the same aspect; centred, the rest black.
  int k = std::min(ww / sw, wh / sh);
  int dw, dh;
  if (k >= 1) {
    dw = sw * k;
    dh = sh * k;
  } else if (static_cast<int64_t>(ww) * sh <= static_cast<int64_t>(wh) * sw) {
    dw = ww;
    dh = static_cast<int>(static_cast<int64_t>(sh) * ww / sw);
  } else {
    dh = wh;
    dw = static_cast<int>(static_cast<int64_t>(sw) * wh / sh);
  }
  dst_ = SDL_Rect{(ww - dw) / 2, (wh - dh) / 2, std::max(dw, 1), std::max(dh, 1)};
}

void SdlHost::ToEngine(int wx, int wy, int32_t& ex, int32_t& ey) const {
  // Window points to renderer pixels (they differ on high-density screens).
  int ww = 1, wh = 1, ow = 1, oh = 1;
  SDL_GetWindowSize(window_, &ww, &wh);
  SDL_GetRendererOutputSize(renderer_, &ow, &oh);
  int64_t px = ww > 0 ? static_cast<int64_t>(wx) * ow / ww : wx;
  int64_t py = wh > 0 ? static_cast<int64_t>(wy) * oh / wh : wy;
  auto scale_back = [](int64_t p, int origin, int span, int size) {
    int64_t v = (p - origin) * size;
    // Floor division, so points left of or above the picture are negative.
    return static_cast<int32_t>(v >= 0 ? v / span : -((-v + span - 1) / span));
  };
  ex = scale_back(px, dst_.x, dst_.w, texture_w_ > 0 ? texture_w_ : Screen().width());
  ey = scale_back(py, dst_.y, dst_.h, texture_h_ > 0 ? texture_h_ : Screen().height());
}

bool SdlHost::Present(bool force) {
  if (WindowGone()) return false;
  Framebuffer& fb = Screen();
  uint64_t generation = fb.generation();
  if (!force && !needs_present_ && generation == presented_generation_) return false;
  {
    std::lock_guard lock(fb.mutex());
    if (texture_ == nullptr || texture_w_ != fb.width() || texture_h_ != fb.height()) {
      if (texture_ != nullptr) SDL_DestroyTexture(texture_);
      // The framebuffer's bytes are red, green, blue, unused: XBGR8888.
      texture_ =
          SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING, fb.width(), fb.height());
      texture_w_ = texture_ != nullptr ? fb.width() : 0;
      texture_h_ = texture_ != nullptr ? fb.height() : 0;
      ComputeDestination();
    }
    if (texture_ != nullptr) SDL_UpdateTexture(texture_, nullptr, fb.pixels(), fb.width() * 4);
  }
  presented_generation_ = generation;
  needs_present_ = false;
  // The borders around the picture are black; a picture that fills the
  // window is drawn over the whole of it, without clearing first.
  int ow = 0, oh = 0;
  SDL_GetRendererOutputSize(renderer_, &ow, &oh);
  if (texture_ == nullptr || dst_.x != 0 || dst_.y != 0 || dst_.w != ow || dst_.h != oh) {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
  }
  if (texture_ != nullptr) SDL_RenderCopy(renderer_, texture_, nullptr, &dst_);
  SDL_RenderPresent(renderer_);
  if (!first_frame_noted_) {
    first_frame_noted_ = true;
    NoteMilestone("first-frame");
  }
  NoteFrameMilestones();
  return true;
}

void SdlHost::UpdateModifiers() {
  SDL_Keymod mod = SDL_GetModState();
  uint32_t bits = 0;
  if (mod & KMOD_SHIFT) bits |= kModShift;
  if (mod & KMOD_CTRL) bits |= kModControl;
  if (mod & KMOD_ALT) bits |= kModAlt;
  if (insert_down_) bits |= kModInsert;
  HostSetModifiers(bits);
}

void SdlHost::CloseRequest() {
  if (EngineEnded()) {
    // The engine has ended already: close at once.
    HostCloseAfterEnd();
    RequestQuit(0);
  } else if (!HasFlag(SYSTEM_END)) {
    HostRequestClose();
  }
  // With SYSTEM_END set the engine thread is ending and asks to quit itself.
}

void SdlHost::Handle(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_QUIT:
      CloseRequest();
      break;
    case SDL_SYSWMEVENT:
      NoteX11Event(ev);
      break;
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          CloseRequest();
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
          ComputeDestination();
          needs_present_ = true;
          break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
          // A later paint: the engine's window manager redraws its windows
          // (the framebuffer is presented meanwhile as it is).
          needs_present_ = true;
          HostRequestRepaint();
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          HostSetForeground(true);
          focus_gained_at_ = ev.window.timestamp;
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          HostSetForeground(false);
          break;
        default:
          break;
      }
      break;
    case SDL_KEYDOWN: {
      SDL_Keycode sym = ev.key.keysym.sym;
      Uint16 mod = ev.key.keysym.mod;
      if (sym == SDLK_INSERT) insert_down_ = true;
      UpdateModifiers();
      if ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (mod & KMOD_ALT)) {
        bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        needs_present_ = true;
        break;
      }
      // Keys with Alt are the system's (menu keys): the engine sees none.
      if (mod & KMOD_ALT) break;
      if (uint16_t code = KeyDownCode(sym)) HostPutKey(code);
      // Control with a letter types a control character (no text event).
      if ((mod & KMOD_CTRL) && sym >= SDLK_a && sym <= SDLK_z) {
        HostPutChar(EngineCodeForCharacter(static_cast<uint8_t>(sym - SDLK_a + 1)), 0);
      }
      break;
    }
    case SDL_KEYUP:
      if (ev.key.keysym.sym == SDLK_INSERT) insert_down_ = false;
      UpdateModifiers();
      break;
    case SDL_TEXTINPUT: {
      std::string text = Utf8ToCp932(ev.text.text);
      for (char& c : text) c = static_cast<char>(EngineCodeForCharacter(static_cast<uint8_t>(c)));
      if (text.empty()) break;
      auto b0 = static_cast<uint8_t>(text[0]);
      if (text.size() == 1) {
        HostPutChar(b0, 0);
      } else if (text.size() == 2 && IsLeadByte(b0)) {
        HostPutChar(b0, static_cast<uint8_t>(text[1]));
      } else {
        HostPutText(text.c_str());
      }
      break;
    }
    case SDL_MOUSEMOTION: {
      int32_t x, y;
      ToEngine(ev.motion.x, ev.motion.y, x, y);
      HostSetPointer(x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int32_t x, y;
      ToEngine(ev.button.x, ev.button.y, x, y);
      HostSetPointer(x, y);
      if (ev.button.button != SDL_BUTTON_LEFT && ev.button.button != SDL_BUTTON_RIGHT) break;
      if (ev.type == SDL_MOUSEBUTTONUP) {
        // The release of a discarded press is discarded with it.
        if (discarded_button_ == ev.button.button) {
          discarded_button_ = 0;
          break;
        }
        HostSetButton(0);
      } else if (focus_gained_at_ != 0 && ev.button.timestamp - focus_gained_at_ < kActivationClickMs) {
        // The click that brought the window to the front only activates it:
        // the engine does not see it.
        discarded_button_ = ev.button.button;
        focus_gained_at_ = 0;
      } else {
        HostSetButton(ev.button.button == SDL_BUTTON_LEFT ? 1 : 2);
      }
      break;
    }
    case SDL_MOUSEWHEEL: {
      // Away from the user is positive, as the engine counts it.
      int notches = ev.wheel.y;
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches != 0) HostAddWheel(notches);
      break;
    }
    default:
      break;
  }
}

void SdlHost::Started() {
  Present(true);
}

bool SdlHost::Pump(uint64_t deadline_ms) {
  SDL_Event ev;
  int calm = 0;  // passes without input or a new picture
  while (!QuitRequested()) {
    int wait = HostTextPending() ? 1 : calm >= kCalmPasses && !window_gone_.load() ? kCalmWaitMs : kBusyWaitMs;
    const bool calm_wait = wait == kCalmWaitMs;
    // Not past the timeout.
    if (deadline_ms != kNoDeadline) {
      const uint64_t now = PlatformClock().NowMs();
      wait = now >= deadline_ms
                 ? 1
                 : static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(wait), deadline_ms - now + 1));
    }
    clock_.SetCalm(calm_wait, presented_generation_);
    bool active = false;
    bool waited = SDL_WaitEventTimeout(&ev, wait) != 0;
    clock_.SetCalm(false, presented_generation_);
    if (waited) {
      active = true;
      do {
        if (ev.type != wake_event_) Handle(ev);
      } while (SDL_PollEvent(&ev));
    }
    HostPumpText();
    // A suspend and resume of the machine is logged by the engine.
    if (const int64_t suspended = SuspendedMs(); suspended >= 0) {
      if (suspended_ms_ >= 0 && suspended - suspended_ms_ > kSuspendMs) HostNotePowerEvent();
      suspended_ms_ = suspended;
    }
    if (!gone_closed_ && WindowGone()) {
      // Another program destroyed the window: as its close button would.
      gone_closed_ = true;
      CloseRequest();
    }
    {
      std::lock_guard lock(mutex_);
      if (title_changed_ && !window_gone_) {
        SDL_SetWindowTitle(window_, title_.c_str());
        title_changed_ = false;
      }
    }
    if (Present(false)) active = true;
    calm = active ? 0 : calm + 1;
    if (PlatformClock().NowMs() > deadline_ms) return false;
  }
  return true;
}

}  // namespace

int RunSdl(const SdlOptions& options) {
  SdlHost host(options);
  if (!host.Open()) return kExitStartup;
  g_host = &host;
  g_host_thread = std::this_thread::get_id();
  // The window is shown; its first paint starts the engine.
  host.DrainEvents();
  RunOptions run;
  run.timeout_ms = options.timeout_ms;
  const int code = RunEngine(host, run);
  g_host = nullptr;
  return code;
}

}  // namespace vadu
