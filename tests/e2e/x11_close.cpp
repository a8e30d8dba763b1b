// Closes a window for the real-window test, which runs without a window
// manager. Usage: x11_close [--destroy] WINDOW_ID
//
// By default it sends the close request of a frame's close button
// (WM_PROTOCOLS / WM_DELETE_WINDOW). With --destroy it destroys the window
// from this other client (XDestroyWindow), as `xdotool windowclose` does: the
// window's owner learns of it only by its DestroyNotify and by the errors its
// next requests on the window bring.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const bool destroy = argc == 3 && std::strcmp(argv[1], "--destroy") == 0;
  if (argc != 2 && !destroy) {
    std::fprintf(stderr, "usage: x11_close [--destroy] WINDOW_ID\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x11_close: cannot open the display\n");
    return 1;
  }
  Window window = static_cast<Window>(std::strtoul(argv[argc - 1], nullptr, 0));
  Status ok = 1;
  if (destroy) {
    XDestroyWindow(display, window);
  } else {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    ok = XSendEvent(display, window, False, NoEventMask, &ev);
  }
  // An error (no such window) ends this helper with exit code 1 here.
  XSync(display, False);
  XCloseDisplay(display);
  return ok != 0 ? 0 : 1;
}
