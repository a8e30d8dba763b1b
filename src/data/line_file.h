// Line files and whole-file reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vadu {

// Size of the line buffer every caller of read_line_file uses.
inline constexpr size_t kLineBufferSize = 1024;

// Line n (1-based) of the file without its newline, in `out` (room for `size`
// bytes), or nullptr. Lines are read 1023 characters at a time, so a longer
// line counts as several; a last line without a newline is never returned;
// a missing line logs "read_line_file() error! ...". The file is opened for
// update (a file that cannot be, such as a read-only one, gives nullptr) and
// read from its start on every call. A carriage return before the newline is
// part of the line end. n <= 0 gives nullptr.
char* read_line_file(const char* file, int n, char* out, size_t size);

// Copies the whole file into `buffer` (room for `size` bytes) followed by one
// byte 0xFF, without a terminator. 1, or 0 when the file cannot be opened or
// does not fit (nothing is written past the buffer). Text mode: a CR-LF line
// end is read as one '\n'.
int ReadWholeFile(const char* file, char* buffer, size_t size);
// Number of characters of the file plus one (text mode, as ReadWholeFile
// reads them), or 0 when it cannot be opened: exactly the room ReadWholeFile
// needs.
int32_t FileLength(const char* file);

}  // namespace vadu
