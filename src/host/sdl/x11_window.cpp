#include "host/sdl/x11_window.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <atomic>

namespace vadu {
namespace {

// The watched display and window. The handler is process-wide and may run
// on any thread that talks to any display (a message box opens its own
// connection, SDL's wake-up of its loop uses another), so what it compares
// against is atomic; the held error below is touched only for errors of our
// display, which only the host thread reads.
std::atomic<Display*> g_display{nullptr};
std::atomic<::Window> g_window{0};
std::atomic<bool> g_gone{false};
XErrorHandler g_previous = nullptr;

// An error of our display that may follow from the window's destruction
// but does not name the window (a BadMatch, or a BadWindow or BadDrawable
// about another resource), or may be a fault of its own. The handler cannot
// ask the server which (no requests inside a handler): it keeps the first
// one, and X11WindowGone settles it outside, where requests are allowed.
bool g_held = false;
XErrorEvent g_held_error{};

// Errors a request on a destroyed window brings.
bool IsWindowError(unsigned char code) {
  return code == BadWindow || code == BadDrawable || code == BadMatch;
}

int OnXError(Display* display, XErrorEvent* error) {
  // A request that names the window and finds no such window: the window is
  // gone, whichever connection sent it (SDL wakes its event loop from other
  // threads through a second connection, by an event sent to the window).
  const ::Window window = g_window.load();
  if (window != 0 && error->resourceid == window &&
      (error->error_code == BadWindow || error->error_code == BadDrawable)) {
    g_gone.store(true);
    return 0;
  }
  if (display != nullptr && display == g_display.load() && IsWindowError(error->error_code)) {
    if (!g_gone.load() && !g_held) {
      g_held = true;
      g_held_error = *error;
    }
    return 0;
  }
  return g_previous != nullptr ? g_previous(display, error) : 0;
}

}  // namespace

void WatchX11Window(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
  g_gone.store(false);
  g_held = false;
  g_window.store(info.info.x11.window);
  g_display.store(info.info.x11.display);
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  XErrorHandler previous = XSetErrorHandler(&OnXError);
  if (previous != &OnXError) g_previous = previous;
}

void NoteX11Event(const SDL_Event& ev) {
  if (ev.type != SDL_SYSWMEVENT || ev.syswm.msg == nullptr || ev.syswm.msg->subsystem != SDL_SYSWM_X11) return;
  const XEvent& xev = ev.syswm.msg->msg.x11.event;
  if (xev.type == DestroyNotify && xev.xdestroywindow.window == g_window.load() && g_window.load() != 0) {
    g_gone.store(true);
  }
}

bool X11WindowGone() {
  Display* display = g_display.load();
  if (g_held && !g_gone.load() && display != nullptr) {
    // A request on a destroyed window fails (BadWindow, which the handler
    // takes): then the held error was the window's.
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, g_window.load(), &attributes) == 0) {
      g_gone.store(true);
    } else {
      g_held = false;
      XErrorEvent error = g_held_error;
      if (g_previous != nullptr) g_previous(display, &error);
    }
  }
  if (g_gone.load()) g_held = false;
  return g_gone.load();
}

void StopWatchingX11() {
  if (g_display.load() == nullptr) return;
  g_display.store(nullptr);
  g_window.store(0);
  g_held = false;
  XErrorHandler current = XSetErrorHandler(g_previous);
  // Someone installed a handler after ours: it stays.
  if (current != &OnXError) XSetErrorHandler(current);
}

}  // namespace vadu
