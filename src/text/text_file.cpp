// Text files: a text is read from, and written to, the file named like it.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/log.h"
#include "data/resource.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace vadu {

using namespace text_detail;

namespace {

// The text's name (its resource's ResName), terminated whatever the field
// holds.
std::string TextName(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  return std::string(a->res_name, FixedTextLength(a->res_name, sizeof a->res_name));
}

// Fills the blocks of a text from the top on with the characters of a file.
class BlockFiller {
 public:
  BlockFiller(Handle resource, Handle top) : resource_(resource), block_(top) {}

  // Stores one character; false when the next block cannot be made.
  bool Put(char c) {
    if (used_ == kTextBlockChars) {
      BlockChars(block_)[used_] = '\0';
      stored_ += used_;
      Handle next = NextBlockOf(resource_, block_);
      if (next == kNoHandle) {
        next = NewBlock(resource_);
        if (next == kNoHandle) return false;
        PlaceAfter(resource_, block_, next);
        ++created_;
      }
      block_ = next;
      used_ = 0;
    }
    BlockChars(block_)[used_++] = c;
    if (c == '\n') ++newlines_;
    return true;
  }

  // Ends the last block, and deletes the blocks behind it that held the
  // text before: they are reused by the next blocks the text needs.
  void Finish() {
    BlockChars(block_)[used_] = '\0';
    stored_ += used_;
    used_ = 0;
    uint32_t limit = WalkLimit(resource_);
    for (Handle b = NextBlockOf(resource_, block_); b != kNoHandle && limit-- > 0;) {
      const Handle next = NextBlockOf(resource_, b);
      RetireBlock(resource_, b);
      b = next;
    }
  }

  int64_t stored() const { return stored_; }
  int32_t newlines() const { return newlines_; }
  int32_t created() const { return created_; }

 private:
  Handle resource_;
  Handle block_;
  int32_t used_ = 0;
  int64_t stored_ = 0;
  int32_t newlines_ = 0;
  int32_t created_ = 0;
};

}  // namespace

int ReadTextFile(Handle text) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return 1;
  const std::string name = TextName(resource);
  FILE* f = OpenGameFile(name.c_str(), "rt");
  if (f == nullptr) {
    WriteLogf("File open error! %s for read", name.c_str());
    return 6;
  }
  WriteLogf("File Open %s", name.c_str());
  TextObject* v = TextView(text);
  v->text_size = 0;
  v->max_line = 0;
  if (!IsBlock(resource, v->top_block) && CreateTextBlock(text) == kNoHandle) {
    std::fclose(f);
    return 1;
  }
  const Handle top = TextView(text)->top_block;
  BlockFiller filler(resource, top);
  bool ok = true;
  bool carriage_return = false;
  char buf[65536];
  size_t n;
  while (ok && (n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    for (size_t i = 0; i < n && ok; ++i) {
      const char c = buf[i];
      // A carriage return is held back until the next byte shows whether it
      // belongs to a CR-LF line end.
      if (carriage_return && c != '\n') ok = filler.Put('\r');
      carriage_return = c == '\r';
      if (c == '\r' || c == '\0' || !ok) continue;
      ok = filler.Put(c);
    }
  }
  if (ok && carriage_return) ok = filler.Put('\r');
  std::fclose(f);
  filler.Finish();
  v = TextView(text);
  // The count takes in the end-of-file mark as the reader met it: the
  // characters read plus one.
  v->text_size = static_cast<int32_t>(std::min<int64_t>(filler.stored() + 1, INT32_MAX));
  v->max_line = filler.newlines();
  v->cached_block = top;
  v->cached_line = 0;
  if (!ok) return 1;
  WriteLogf("File read  %s ﾃｷｽﾄ･ｻｲｽﾞ %ld byte max line %d  block count %d", name.c_str(),
            static_cast<long>(v->text_size), v->max_line, filler.created());
  return 0;
}

int WriteTextFile(Handle text) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return 6;
  const std::string name = TextName(resource);
  // The whole file is built first and then replaces the old one at once.
  std::string bytes;
  long blocks = 0;
  uint32_t limit = WalkLimit(resource);
  for (Handle b = FirstTextBlock(text); b != kNoHandle && limit-- > 0; b = NextBlockOf(resource, b)) {
    const int32_t length = BlockLen(b);
    if (length == 0) {
      bytes += '\n';
    } else {
      bytes.append(BlockChars(b), static_cast<size_t>(length));
    }
    ++blocks;
  }
  if (!WriteFileAtomically(name.c_str(), bytes.data(), bytes.size())) {
    WriteLogf("file open error! %s for write", name.c_str());
    return 6;
  }
  WriteLogf("File write   %s block_count %ld text_size %ld", name.c_str(), blocks > 0 ? blocks - 1 : 0L,
            static_cast<long>(bytes.size()));
  return 0;
}

}  // namespace vadu
