#include "core/line_file.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/log.h"
#include "core/strings.h"
#include "platform/files.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// Reads the next character of a file in text mode: a carriage return right
// before a line feed is part of the line end, as on the desktop the files
// were written on. EOF at the end.
int GetTextChar(FILE* f) {
  int c = std::getc(f);
  if (c != '\r') return c;
  const int next = std::getc(f);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, f);
  return c;
}

// Turns a piece as one read gives it (at most 1023 characters, up to and
// with its newline) into the caller's line: a CR-LF line end is a line end,
// and the copy stops at the newline.
void CopyLineOut(char* line, char* out, size_t size) {
  const size_t length = std::strcspn(line, "\n");
  if (line[length] == '\n' && length > 0 && line[length - 1] == '\r') line[length - 1] = '\n';
  line_copy(line, out, size);
}

// read_line_file without the cache: opens the file and reads it from its
// start up to line n.
char* ReadLineFromStart(const char* file, int n, char* out, size_t size) {
  FILE* f = OpenGameFile(file, "rt");
  if (f == nullptr) return nullptr;
  char line[kLineBufferSize];
  int count = 0;
  while (count < n) {
    if (std::feof(f)) break;
    if (std::fgets(line, sizeof line, f) == nullptr) break;
    ++count;
  }
  const bool found = count == n && !std::feof(f);
  std::fclose(f);
  if (!found) {
    WriteLogf("read_line_file() error! %s (line %d req %d)", file, count, n);
    return nullptr;
  }
  CopyLineOut(line, out, size);
  return out;
}

// ---------------------------------------------------------------------------
// The line cache.

// Files larger than this are not kept: they are read from the start as
// before (nobody reads such files line by line).
constexpr off_t kCacheMaxBytes = 64 << 20;
// Files kept per thread, the most recently used first.
constexpr size_t kCacheFiles = 8;
// How recent a file's stamps may be for a rewrite to keep them: the
// coarsest stamps in use (two seconds on FAT) with room for the clock's
// tick. Files whose stamps are younger than this when they are read are
// read again by the next call outside a scope.
constexpr int64_t kSettleNs = 3'000'000'000;

// What identifies one version of a file.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  explicit FileIdentity(const struct stat& st)
      : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim), changed(st.st_ctim) {}
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
           changed.tv_nsec == o.changed.tv_nsec;
  }
};

int64_t Nanoseconds(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// One reading of a file, cut into the pieces that successive reads of at
// most 1023 characters give.
struct CachedFile {
  CachedFile(std::string p, const struct stat& st) : path(std::move(p)), identity(st) {}

  std::string path;  // the path it was found under
  std::string name;  // the name it was last asked for by
  FileIdentity identity;
  bool racy = false;   // its stamps were too recent to trust them later
  uint64_t scope = 0;  // the last scope that used it (0: none)
  std::vector<char> bytes;
  // Start of each piece, then the end of the file.
  std::vector<size_t> starts;
  // The last piece ends the file without a newline and short of 1023
  // characters: reading it meets the end of the file, so it is never
  // returned.
  bool last_open = false;
};

struct LineCache {
  bool enabled = true;
  int64_t settle_ns = kSettleNs;
  int depth = 0;       // scopes open
  uint64_t scope = 0;  // the open scope (0: none)
  uint64_t last_scope = 0;
  std::vector<std::unique_ptr<CachedFile>> files;  // most recently used first
};

// The cache belongs to the thread that reads (the engine thread, in the
// engine), so it needs no lock.
thread_local LineCache g_cache;

// Cuts the bytes into pieces as fgets with a 1024-byte buffer does.
void CutPieces(CachedFile& file) {
  const size_t total = file.bytes.size();
  const char* data = file.bytes.data();
  file.starts.clear();
  size_t pos = 0;
  while (pos < total) {
    file.starts.push_back(pos);
    const size_t limit = std::min(total, pos + (kLineBufferSize - 1));
    const void* newline = std::memchr(data + pos, '\n', limit - pos);
    pos = newline != nullptr ? static_cast<size_t>(static_cast<const char*>(newline) - data) + 1 : limit;
  }
  file.starts.push_back(total);
  file.last_open = false;
  if (file.starts.size() > 1) {
    const size_t last = file.starts[file.starts.size() - 2];
    file.last_open = data[total - 1] != '\n' && total - last < kLineBufferSize - 1;
  }
}

// Reads the file at `path` into a new cache entry; nullptr when it cannot be
// opened for reading (`unreadable` is then set) or is not worth keeping.
std::unique_ptr<CachedFile> ReadIntoCache(const std::string& path, bool& unreadable) {
  FILE* f = OpenGameFile(path.c_str(), "rt");
  if (f == nullptr) {
    unreadable = true;
    return nullptr;
  }
  // The file system's clock, not the engine's: it is compared with the
  // file's stamps. Taken before the stamps and the bytes are read, so a
  // rewrite during the reading counts as recent.
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct stat st;
  if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kCacheMaxBytes) {
    std::fclose(f);
    return nullptr;
  }
  auto file = std::make_unique<CachedFile>(path, st);
  file->bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < file->bytes.size()) {
    const size_t n = std::fread(file->bytes.data() + got, 1, file->bytes.size() - got, f);
    if (n == 0) break;
    got += n;
  }
  // A file that grows while it is read is left to the next call.
  const bool whole = got == file->bytes.size() && std::fgetc(f) == EOF && !std::ferror(f);
  std::fclose(f);
  if (!whole) return nullptr;
  const int64_t stamp = std::max(Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim));
  file->racy = stamp + g_cache.settle_ns >= Nanoseconds(now);
  CutPieces(*file);
  return file;
}

// The cache entry that holds the file as it is now, read afresh when needed;
// nullptr when the file is not kept (read it from its start instead), with
// `unreadable` set when it cannot be opened at all.
const CachedFile* CachedLines(const char* name, bool& unreadable) {
  if (name == nullptr || name[0] == '\0') {
    unreadable = true;
    return nullptr;
  }
  auto& files = g_cache.files;
  // Inside a scope, a file the scope has used is served as it was read.
  if (g_cache.scope != 0) {
    const auto it = std::find_if(files.begin(), files.end(),
                                 [&](const auto& f) { return f->scope == g_cache.scope && f->name == name; });
    if (it != files.end()) {
      std::rotate(files.begin(), it, it + 1);
      return files.front().get();
    }
  }
  // The path OpenGameFile would open: the name as written when it exists,
  // else the case-insensitive match.
  const std::string path = ResolveGamePath(name);
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    unreadable = true;
    return nullptr;
  }
  if (!S_ISREG(st.st_mode) || st.st_size > kCacheMaxBytes) return nullptr;

  auto it = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f->path == path; });
  if (it != files.end()) {
    if (!(*it)->racy && (*it)->identity == FileIdentity(st)) {
      std::rotate(files.begin(), it, it + 1);
    } else {
      files.erase(it);
      it = files.end();
    }
  }
  if (it == files.end()) {
    std::unique_ptr<CachedFile> fresh = ReadIntoCache(path, unreadable);
    if (fresh == nullptr) return nullptr;
    files.insert(files.begin(), std::move(fresh));
    if (files.size() > kCacheFiles) files.pop_back();
  }
  CachedFile& f = *files.front();
  f.name = name;
  f.scope = g_cache.scope;
  return &f;
}

}  // namespace

char* read_line_file(const char* file, int n, char* out, size_t size) {
  if (n <= 0 || out == nullptr || size == 0) return nullptr;
  if (!g_cache.enabled) return ReadLineFromStart(file, n, out, size);
  bool unreadable = false;
  const CachedFile* cached = CachedLines(file, unreadable);
  if (unreadable) return nullptr;
  if (cached == nullptr) return ReadLineFromStart(file, n, out, size);

  // As a reading from the start would go: line n is there when the file has
  // that many pieces and reading the n-th did not meet the end of the file.
  const size_t pieces = cached->starts.size() - 1;
  const bool found = static_cast<size_t>(n) < pieces || (static_cast<size_t>(n) == pieces && !cached->last_open);
  if (!found) {
    WriteLogf("read_line_file() error! %s (line %d req %d)", file, static_cast<int>(std::min<size_t>(n, pieces)), n);
    return nullptr;
  }
  char line[kLineBufferSize];
  const size_t start = cached->starts[static_cast<size_t>(n) - 1];
  const size_t length = cached->starts[static_cast<size_t>(n)] - start;
  std::memcpy(line, cached->bytes.data() + start, length);
  line[length] = '\0';
  CopyLineOut(line, out, size);
  return out;
}

LineFileScope::LineFileScope() {
  if (g_cache.depth++ == 0) g_cache.scope = ++g_cache.last_scope;
}

LineFileScope::~LineFileScope() {
  if (--g_cache.depth == 0) g_cache.scope = 0;
}

void SetLineFileCache(bool on) {
  g_cache.enabled = on;
  if (!on) g_cache.files.clear();
}

void ClearLineFileCache() {
  g_cache.files.clear();
}

void SetLineFileSettleTime(int64_t ns) {
  g_cache.settle_ns = ns < 0 ? 0 : ns;
}

int ReadWholeFile(const char* file, char* buffer, size_t size) {
  if (buffer == nullptr) return 0;
  FILE* f = OpenGameFile(file, "rt");
  if (f == nullptr) return 0;
  size_t used = 0;
  bool fits = true;
  for (int c = GetTextChar(f); c != EOF; c = GetTextChar(f)) {
    // One byte stays free for the end mark.
    if (used + 1 >= size) {
      fits = false;
      break;
    }
    buffer[used++] = static_cast<char>(c);
  }
  std::fclose(f);
  if (!fits || used >= size) return 0;
  buffer[used] = static_cast<char>(0xFF);
  return 1;
}

int32_t FileLength(const char* file) {
  FILE* f = OpenGameFile(file, "rt");
  if (f == nullptr) return 0;
  int64_t count = 1;
  while (GetTextChar(f) != EOF) {
    if (count < INT32_MAX) ++count;
  }
  std::fclose(f);
  return static_cast<int32_t>(count);
}

namespace {
// A fresh process: the cache on, with its usual settle time, and empty.
void ResetLineFileCache() {
  g_cache.enabled = true;
  g_cache.settle_ns = kSettleNs;
  g_cache.files.clear();
}
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetLineFileCache);
}  // namespace

}  // namespace vadu
