// File access for everything the engine reads and writes.
//
// Scenario data was written on a desktop whose file names ignore case and
// whose path separator is '\'. Every engine file open goes through
// OpenGameFile, which turns '\' into '/' and, where the exact name does not
// exist, matches each path component without regard to ASCII case. Names are
// CP932 bytes: a two-byte character is never split, so its second byte is
// neither a separator nor a letter to fold, even where it has the byte of
// one.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vadu {

// Maps a scenario path to the path of an existing file or directory. Each
// component that does not exist as written is matched case-insensitively in
// its directory (the first match in name order wins, so the result is
// stable). When nothing matches, the path is returned with '\' turned into
// '/' and its missing components as written, so it can be created.
std::string ResolveGamePath(const char* name);

// fopen through ResolveGamePath. Only regular files are opened: anything
// else (a directory, a pipe, a device) fails at once. Text modes ("t") are accepted and mean the
// same as binary here: the engine's files use '\n' line ends.
FILE* OpenGameFile(const char* name, const char* mode);

// Test seam: when set, every OpenGameFile call asks the filter first, with
// the path it resolved and the mode it was given; an open the filter refuses
// fails with errno EROFS. Tests make a game read-only with it even where
// they run as root, whom file permissions do not stop. nullptr (the
// default, and after ResetEngineState) lets every open through.
using GameFileOpenFilter = bool (*)(const char* path, const char* mode);
void SetGameFileOpenFilter(GameFileOpenFilter filter);

// True when `name` names an entry of the game directory itself: it has no
// directory part ('/' or a '\' of its own, so no absolute path either) and
// is neither "." nor "..". Names the engine takes from a game and then
// creates, such as the log file's, must pass it.
bool IsGameDirectoryFileName(const char* name);

// Opens a file the engine writes in place, never through a symbolic link:
// with `truncate` the file is made empty (a link standing in its place is
// removed and a new file made), else it is opened to append (a link fails).
// A game directory could otherwise ship its log file as a link to any file
// of the user's, which the engine would empty at start. nullptr on failure.
FILE* OpenGameFileForWriting(const char* name, bool truncate);

// True when the path names an existing regular file.
bool GameFileExists(const char* name);

// Replaces a file atomically: the bytes are written to a temporary file in
// the same directory, flushed, and renamed over the target, so a crash or a
// failed write leaves either the old file or the new one, never a torn one.
// Returns false (and leaves the old file untouched) when anything fails.
bool WriteFileAtomically(const char* name, const void* data, size_t size);

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadFileBytes(const char* name, std::vector<unsigned char>& out);

}  // namespace vadu
