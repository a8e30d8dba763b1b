// One scenario input run through the application's interpreter, shared by
// the fuzz harness (fuzz_scenario.cpp) and the test that replays the inputs
// it found (tests/app/scenario_fuzz_inputs_test.cpp).
//
// An input is two control bytes and then texts separated by the byte 0x1E
// (kTextSeparator). The control bytes are stored XOR '@' (kControlMask), so
// that no seed needs a NUL byte and every seed stays a text file ("@@" is
// no flags and no values):
//   byte 0  flags (kScenario* below)
//   byte 1  low nibble: the value a follow-up choice picks; high nibble:
//           the GSP request of the direct call; with kScenarioSmallOutput the
//           whole byte also sizes the output buffer
//   text 0  the scenario text (run from the scenario buffer, and the TEXT of
//           the play record that matches at the start)
//   text 1  the message the game state holds as saved (item base_text, also
//           in the start data unless kScenarioEmptyStart, so that a restore
//           types it again)
//   text 2+ up to four library records: "word\x1F" "condition\x1F" "text";
//           with two fields the word and the text (the condition holds
//           always), with one the text of the word "L<n>" (n = 1..4)
#pragma once

#include <cstddef>
#include <cstdint>

namespace vadu::fuzz {

inline constexpr uint8_t kScenarioSmallOutput = 0x01;  // output of 1..32 bytes
inline constexpr uint8_t kScenarioActiveSelect = 0x02;
inline constexpr uint8_t kScenarioPopupMenu = 0x04;
inline constexpr uint8_t kScenarioSavedMenu = 0x08;   // the state's select_menu is 1
inline constexpr uint8_t kScenarioChangeDay = 0x10;   // change_day starts at 1
inline constexpr uint8_t kScenarioSteps = 0x20;       // three more steps or choices
inline constexpr uint8_t kScenarioGsp = 0x40;         // a direct HandleGSPRequest
inline constexpr uint8_t kScenarioEmptyStart = 0x80;  // the start data holds no saved text

// Separates the texts of an input, and the fields of a library record.
inline constexpr char kTextSeparator = '\x1E';
inline constexpr char kFieldSeparator = '\x1F';
// What the control bytes are stored XOR with.
inline constexpr uint8_t kControlMask = '@';

// Makes the pool, the system resources, the game state "Charcter", the play
// list, the text library and the menus, and writes the game's files
// (pixie.res, two pictures, a MIDI and a WAVE file) into the current
// directory, which must be empty and stay current for every run. Resets the
// engine first. False when something cannot be made.
bool PrepareScenario();

// Runs one input from the state PrepareScenario made: the state's items and
// the application's flags are set back first. Null when every check held,
// else the check that failed.
const char* RunScenarioInput(const uint8_t* data, size_t size);

}  // namespace vadu::fuzz
