// The X11 side of the SDL host's window: noticing that another program has
// destroyed it (XDestroyWindow from another client, as `xdotool windowclose`
// does). Xlib's own answer to the errors our next requests on the dead window
// bring is to end the process with exit code 1 while the engine thread still
// runs; the host instead turns the loss into a close request and never
// touches the window again.
//
// Only the host thread calls these.
#pragma once

#include <SDL.h>

namespace vadu {

// Starts watching `window` when it is an X11 window (else does nothing): asks
// SDL for the system events that carry its DestroyNotify, and installs an
// Xlib error handler that takes the errors its destruction causes on our
// display and passes every other error on to the handler before it.
void WatchX11Window(SDL_Window* window);

// Looks at an event of the host loop: the watched window's DestroyNotify
// means it is gone.
void NoteX11Event(const SDL_Event& ev);

// True once the watched window is known to be destroyed. When the handler
// held back an error that may concern the window, this first asks the X
// server whether the window still exists; if it does, the held error goes to
// the handler before ours, as if ours had never seen it.
bool X11WindowGone();

// Stops watching: the handler passes every error on from now, and is taken
// out again if no one has installed another since.
void StopWatchingX11();

}  // namespace vadu
