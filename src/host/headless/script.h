// The headless host's input script: one command a line, read whole and
// checked before the engine starts.
//
//   wait MS                 let the engine run MS ms of engine-clock time
//   key NAME                one key as a keyboard gives it: the key-down,
//                           then the character (if the key has one). NAME
//                           is a printable ASCII character or one of Return
//                           Escape Tab Backspace Delete Home Up Down Left
//                           Right Space Help Clear PageUp PageDown (in any
//                           case)
//   text UTF8               the rest of the line typed as characters
//                           (converted to CP932; a two-byte character
//                           arrives whole)
//   hold MOD | release MOD  MOD is Ctrl, Shift, Alt or Insert
//   click X Y [right]       button down at (X, Y), 50 ms, button up
//   down X Y [right] | up | move X Y
//   shot NAME.png           PNG of the engine screen
//   close                   a host close request (the window's close button)
//
// A line whose first non-blank character is '#' is a comment, and so is
// everything from a '#' that follows a blank in any command but `text` (whose
// text is the whole rest of the line) and `key` (whose NAME may be '#').
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vadu {

struct ScriptCommand {
  enum Kind { kWait, kKey, kText, kHold, kRelease, kClick, kDown, kUp, kMove, kShot, kClose };
  Kind kind = kWait;
  int line = 0;            // line number in the script, from 1
  uint32_t ms = 0;         // kWait
  uint16_t key_down = 0;   // kKey: engine code of the key-down
  uint16_t character = 0;  // kKey: engine code of the character, 0 = none
  std::string text;        // kText: CP932 bytes; kShot: the file name
  uint32_t modifier = 0;   // kHold, kRelease: modifier bit
  int32_t x = 0, y = 0;    // kClick, kDown, kMove
  bool right = false;      // kClick, kDown: the right button
};

// Parses a script's text. On a bad line returns false with `error` set to
// "line N: what is wrong".
bool ParseScript(const std::string& text, std::vector<ScriptCommand>& out, std::string& error);
// Reads and parses a script file; a file that cannot be read is an error
// too. `error` then reads "FILE: ..." or "FILE:N: ...".
bool LoadScript(const std::string& path, std::vector<ScriptCommand>& out, std::string& error);

// Engine codes of a key (the key-down and the character it types, 0 when
// none) by its script name; false for an unknown name.
bool ScriptKeyCodes(const std::string& name, uint16_t& key_down, uint16_t& character);

}  // namespace vadu
