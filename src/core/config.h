// Keyword files: VADU.ini, the application's key file and data form scripts
// are read with the same lookup. A line matches a key when the key occurs
// anywhere in it (first matching line wins); the value is the rest of the line
// after as many characters as the key has, with every blank removed. Lines
// starting with '/' are comments. The file is reread for every lookup.
//
// A line is at most kKeywordLineMax characters: of a longer line only its
// first kKeywordLineMax characters are read and the rest of it is skipped (it
// never counts as a line of its own). A last line without a line end is never
// read. A carriage return before the line feed is part of the line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vadu {

inline constexpr char kIniFile[] = "VADU.ini";
inline constexpr size_t kKeywordLineMax = 255;

// Fills `value` (room for `size` bytes, the value is cut to fit) with the
// key's value and returns it, or returns nullptr (leaving `value` untouched)
// when the file cannot be opened for reading or holds no such key; both cases
// are logged. The file is only read, so a read-only one serves as well.
char* LookupKey(const char* key, char* value, size_t size, const char* file);
// The first run of decimal digits of the key's value (signs are ignored); -1
// when the key is missing or its value has no digits.
int32_t LookupNumber(const char* key, const char* file);
// The value, in small letters, searched for "on" (1), "off" (0), "yes" (1),
// "no" (0) in this order; -1 when none occurs or the key is missing.
int LookupSwitch(const char* key, const char* file);

// LookupKey and LookupNumber on VADU.ini; IniNumber is 16-bit signed (the low
// 16 bits of the number).
char* IniString(const char* key, char* value, size_t size);
int16_t IniNumber(const char* key);
// IniNumber, but `missing` when the key is missing or has no digits.
int16_t IniNumberOr(const char* key, int16_t missing);

// Start-up: the seven on/off flag keys of VADU.ini into the system flag word
// (EVENT_TEST, RESOUCE_TEST, LOOP_EXIT, TEST_RUN, TRACE, DEBAG, TASK: the
// first of them a line contains is that line's flag; "ON" sets it, else "OFF"
// clears it, else system message 100 is logged). Every line is read, so the
// last setting wins. 0, or 6 when VADU.ini cannot be opened.
int ReadFlagKeys();

// Start-up steps that read VADU.ini into the kernel state.
// USER_NAME, LONG_MACHINE_NAME, SHORT_MACHINE_NAME (at most 21 characters
// each, empty when missing), then the "VADU on" log line.
void ReadNameKeys();
// MEMORY_TYPE: "MOTOROLA" sets the MOTOROLA flag; "INTEL", a missing key or
// anything else clears it (the last two after a message box).
void ReadMemoryType();
// CYCLE_WAIT (0 counts as 1) and FASTSYNC_WAIT. False when either is missing
// (after the message box); the caller then ends the program after start-up.
bool ReadWaitKeys();
// MAX_EVENT as its low 8 bits; 255 when missing.
void ReadMaxEvent();

// The largest engine screen, either way: a larger one would only cost memory
// (the framebuffer) and no desktop shows it.
inline constexpr int16_t kMaxScreenSize = 4096;
// SCREEN_SIZEX or SCREEN_SIZEY as the engine uses it. The host sizes its
// screen with it before start-up and start-up reads it again, so both must
// give the same size: a value of 1 to kMaxScreenSize is taken as it is, a
// larger one is capped at kMaxScreenSize (never cut to 16 bits); a missing
// key, a value without digits or 0 gives `missing` (the keys' own default is
// IniKeyMissing: 800 and 600). As for every number, a sign is ignored.
int16_t ScreenSizeSetting(const char* key, int16_t missing);

// The keys of VADU.ini with what a missing key means. Flag keys are read by
// ReadFlagKeys, the names, MEMORY_TYPE, the waits and MAX_EVENT by the
// readers above; the rest by the start-up code that uses them, through
// IniNumberOr(key, IniKeyMissing(key)) or IniString.
enum class IniKeyKind : uint8_t { kFlag, kText, kNumber };
struct IniKeyInfo {
  const char* key;
  IniKeyKind kind;
  // kFlag: 1 on, 0 off. kNumber: the value a missing key (or one without
  // digits) stands for; for a required key, the value to go on with after
  // the start-up report.
  int16_t missing;
  const char* missing_text;  // kText: the value a missing key stands for
  uint8_t max_length;        // kText: longest value kept (0: no limit of its own)
  bool required;             // start-up reports a missing key (message box)
};
std::span<const IniKeyInfo> IniKeys();
// The table entry of `key` (exact spelling), or nullptr.
const IniKeyInfo* FindIniKey(const char* key);
// The `missing` value of a known key, or -1.
int16_t IniKeyMissing(const char* key);

}  // namespace vadu
