// Input state shared by the host thread (which writes it) and the engine
// thread (which reads and clears it). Everything here is atomic: the two
// threads share nothing else but the framebuffer.
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

// --- Host side (host thread) ----------------------------------------------
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
// Wheel notches turned (towards the user negative), added up until the
// engine takes them: the wheel's log line must be written on the engine
// thread.
void HostAddWheel(int32_t notches);

// --- Engine side (engine thread) --------------------------------------------
// The pending key (or the next byte of a pending two-byte character), 0 when
// none; the slot is emptied.
uint16_t TakeKey();
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
// The wheel notches turned since the last call (0 when none).
int32_t TakeWheel();

// Back to the state before start-up (tests).
void ResetInput();

}  // namespace vadu
