// Keyword files: VADU.ini, the application's key file and data form scripts
// are read with the same lookup. A line matches a key when the key occurs
// anywhere in it (first matching line wins); the value is the rest of the line
// after as many characters as the key has, with every blank removed. Lines
// starting with '/' are comments. The file is reread for every lookup.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vadu {

inline constexpr char kIniFile[] = "VADU.ini";

// Fills `value` (room for `size` bytes, the value is cut to fit) with the
// key's value and returns it, or returns nullptr (leaving `value` untouched)
// when the file cannot be opened for update or holds no such key; both cases
// are logged.
char* LookupKey(const char* key, char* value, size_t size, const char* file);
// The first run of decimal digits of the key's value; -1 when the key is
// missing or its value has no digits.
int32_t LookupNumber(const char* key, const char* file);
// "on"/"yes" give 1, "off"/"no" give 0 (any case); anything else, or a
// missing key, -1.
int LookupSwitch(const char* key, const char* file);

// LookupKey and LookupNumber on VADU.ini; IniNumber is 16-bit signed.
char* IniString(const char* key, char* value, size_t size);
int16_t IniNumber(const char* key);

// Start-up: the seven on/off flag keys of VADU.ini into the system flag word.
// 0, or 6 when VADU.ini cannot be opened.
int ReadFlagKeys();

// Start-up steps that read VADU.ini into the kernel state: the three names,
// MEMORY_TYPE, CYCLE_WAIT and FASTSYNC_WAIT, MAX_EVENT. ReadWaitKeys returns
// false when CYCLE_WAIT or FASTSYNC_WAIT is missing (after the message box).
void ReadNameKeys();
void ReadMemoryType();
bool ReadWaitKeys();
void ReadMaxEvent();

}  // namespace vadu
