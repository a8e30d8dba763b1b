// Input state, the host's half: what a host (the SDL window, the headless
// runner) writes from its thread. The engine reads it through
// platform/input.h; only hosts include this header.
#pragma once

#include <cstdint>

#include "platform/input.h"

namespace vadu {

// A key-down or a one-byte character: overwrites an unread key, as a
// keyboard's key-down is replaced by the character it produces.
void HostPutKey(uint16_t code);
// A character in CP932: one byte, or a two-byte character stored whole (the
// engine takes it with two TakeKey calls, lead byte first).
void HostPutChar(uint8_t lead, uint8_t trail);
// Text committed at once (an input method's conversion): CP932 bytes handed
// to the engine one character at a time, each once the one before has been
// taken. HostPumpText must be called from the host loop to feed it.
void HostPutText(const char* cp932);
void HostPumpText();
// True while committed text is still waiting to be handed over.
bool HostTextPending();
void HostSetButton(uint16_t state);         // 0 none, 1 left, 2 right
void HostSetPointer(int32_t x, int32_t y);  // engine screen coordinates
// Current modifier bits; a bit that goes down is also remembered until the
// engine's next ModifierKeys query.
void HostSetModifiers(uint32_t bits);
void HostSetForeground(bool foreground);
// The window's close button or the desktop's log-out: the engine thread turns
// it into the orderly shutdown.
void HostRequestClose();
// Ends the engine's idle wait (WaitForHostInput). Every host call of this
// header does so itself; a host calls it for anything else the engine should
// look at now.
void WakeEngine();
// The host window must be painted again (exposed after being covered,
// restored): the engine's window manager redraws its windows.
void HostRequestRepaint();
// The machine suspended or resumed: the engine logs it.
void HostNotePowerEvent();
// Wheel notches turned (towards the user negative), added up until the
// engine takes them: the wheel's log line must be written on the engine
// thread.
void HostAddWheel(int32_t notches);

}  // namespace vadu
