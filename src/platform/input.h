// Input state, the engine's half: what the engine thread reads and clears.
// The host thread writes it through platform/input_host.h. Everything is
// atomic: the two threads share nothing else but the framebuffer.
#pragma once

#include <cstdint>

namespace vadu {

// Engine key codes for keys that have no character of their own.
enum EngineKey : uint16_t {
  KEY_CLEAR = 1,
  KEY_HOME = 2,
  KEY_UP = 5,
  KEY_DOWN = 6,
  KEY_LEFT = 7,
  KEY_RIGHT = 8,
  KEY_TAB = 9,
  KEY_BACKSPACE = 11,
  KEY_DELETE = 12,
  KEY_RETURN = 13,
  KEY_ASTERISK = 14,  // the asterisk character and the Print key
  KEY_ESCAPE = 15,
  KEY_HELP = 16,  // also what Shift alone stores
};

// The engine code a typed one-byte character is stored as: the control
// characters of Backspace, Clear and Escape and the asterisk have codes of
// their own; every other character is its own code.
inline uint8_t EngineCodeForCharacter(uint8_t c) {
  switch (c) {
    case 8:
      return KEY_BACKSPACE;
    case 12:
      return KEY_CLEAR;
    case 27:
      return KEY_ESCAPE;
    case '*':
      return KEY_ASTERISK;
    default:
      return c;
  }
}

// Modifier bits of ModifierKeys.
inline constexpr uint32_t kModShift = 0x1;
inline constexpr uint32_t kModControl = 0x2;
inline constexpr uint32_t kModAlt = 0x4;
inline constexpr uint32_t kModInsert = 0x1000;

// The pending key (or the next byte of a pending two-byte character), 0 when
// none; the slot is emptied.
uint16_t TakeKey();
// Waits until the host hands over anything (a key, a button, the pointer,
// modifiers, a repaint, a close request) or `ms` milliseconds have passed;
// true when woken by the host. Input handed over while nobody waited ends
// the next wait at once, so nothing is slept through.
bool WaitForHostInput(uint32_t ms);
// Sleeps 10 ms through the platform clock, then returns the button state.
uint16_t MouseButton();
// The button state without the wait (for pollers that pace themselves).
uint16_t PeekMouseButton();
void ClearMouseButton();
int32_t PointerX();
int32_t PointerY();
// 0 unless the host window is in front; else the modifier bits down now or
// pressed since the last query.
uint32_t ModifierKeys();
// Takes the host's close request (true once per request).
bool TakeCloseRequest();
// True while a close request waits to be taken (modal loops end on it).
bool CloseRequestPending();
// Takes the host's repaint request and its power event (true once each).
bool TakeRepaintRequest();
bool TakePowerEvent();
// The wheel notches turned since the last call (0 when none).
int32_t TakeWheel();

// Back to the state before start-up (tests).
void ResetInput();

}  // namespace vadu
