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
// reading only, so a read-only file is read like any other; one that cannot
// be opened gives nullptr. A carriage return before the newline is part of
// the line end. n <= 0 gives nullptr.
//
// Every call answers as if it read the file from its start, but a whole file
// read line by line costs one reading of it: the lines of recently read
// files are kept (a few files per thread) together with the file's identity
// (device, inode, size, and modification and change times to the
// nanosecond), and served again while a stat of the file shows the same
// identity. A file whose stamps are too recent for that to be sure (a
// rewrite within the file system's stamp granularity might keep them) is
// read again on every call, except inside a LineFileScope.
char* read_line_file(const char* file, int n, char* out, size_t size);

// While an object of this class lives, read_line_file on this thread reads
// each file (by the name it is given) once and answers every later call of
// the scope from that reading, without looking at the file again: the lines
// a scope sees all come from one version of the file, even when someone
// rewrites it meanwhile. A caller that reads a whole file line by line opens
// one around its loop. Scopes nest; once the outermost one ends, the usual
// checks apply again.
class LineFileScope {
 public:
  LineFileScope();
  ~LineFileScope();
  LineFileScope(const LineFileScope&) = delete;
  LineFileScope& operator=(const LineFileScope&) = delete;
};

// Switches the line cache of this thread on (the default) or off; off,
// every read_line_file call reads the file from its start. Benchmarks and
// tests compare the two.
void SetLineFileCache(bool on);
// Forgets every file the cache of this thread holds.
void ClearLineFileCache();
// How long ago (nanoseconds) a file's stamps must lie when it is read for
// its lines to be served again outside a scope; default 3 s (the coarsest
// stamps in use are FAT's two seconds). Tests shorten it.
void SetLineFileSettleTime(int64_t ns);

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
