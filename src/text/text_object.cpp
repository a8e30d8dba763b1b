// Text objects and their blocks: creation, the checked views, and reading a
// text's bytes through positions.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "core/pool.h"
#include "data/resource.h"
#include "data/task_record.h"
#include "platform/cp932.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace vadu {

namespace text_detail {

namespace {

bool HasTag(Handle record, char a, char b) {
  const HandleEntry& e = Entry(record);
  return e.tag[0] == a && e.tag[1] == b;
}

bool BlockShaped(Handle block) {
  if (!ValidHandle(block) || !HasTag(block, 'B', ' ')) return false;
  const HandleEntry& e = Entry(block);
  return e.size >= kTextBlockSize && e.storage >= kTextBlockSize;
}

}  // namespace

bool IsBlock(Handle resource, Handle block) {
  if (block == kNoHandle || !BlockShaped(block)) return false;
  const HandleEntry& e = Entry(block);
  return e.owner == resource && (e.flags & kRecordInactive) == 0;
}

char* BlockChars(Handle block) {
  return reinterpret_cast<char*>(Body(block));
}

int32_t BlockLen(Handle block) {
  const size_t n = ::strnlen(BlockChars(block), kTextBlockChars);
  return static_cast<int32_t>(n);
}

int32_t BlockNewlines(Handle block) {
  const char* p = BlockChars(block);
  const char* end = p + BlockLen(block);
  int32_t n = 0;
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
    ++n;
    ++p;
  }
  return n;
}

uint32_t WalkLimit(Handle resource) {
  return ValidHandle(resource) ? static_cast<uint32_t>(Attr(resource)->all_count) + 1 : 0;
}

Handle NextBlockOf(Handle resource, Handle block) {
  if (!ValidHandle(block)) return kNoHandle;
  const uint32_t limit = WalkLimit(resource);
  Handle r = Entry(block).next;
  for (uint32_t n = 0; r != kNoHandle && n < limit; ++n) {
    if (IsBlock(resource, r)) return r;
    r = Entry(r).next;
  }
  return kNoHandle;
}

Handle NewBlock(Handle resource) {
  const Handle block = CreateRecord(resource, -1, kTextBlockSize);
  if (block == kNoHandle) return kNoHandle;
  HandleEntry* e = MutableEntry(block);
  // A resource with a fixed record size gives its own size: such a record
  // cannot hold a block's text.
  if (e == nullptr || e->size < kTextBlockSize || e->storage < kTextBlockSize) {
    DeleteRecord(resource, block);
    return kNoHandle;
  }
  e->tag[0] = 'B';
  e->tag[1] = ' ';
  e->tag[2] = '\0';
  // A reused block keeps its old bytes: clear them all, so nothing stale
  // lies behind the terminator either.
  char* chars = BlockChars(block);
  std::memset(chars, 0, kTextBlockSize);
  chars[0] = ' ';
  return block;
}

void RetireBlock(Handle resource, Handle block) {
  DeleteRecord(resource, block);
  const Handle top = Attr(resource)->top;
  if (top != block) MoveRecordBefore(top, block);
}

void PlaceAfter(Handle resource, Handle after, Handle block) {
  const Handle next = Entry(after).next;
  if (next == block) return;
  if (next == kNoHandle) {
    MoveRecordToEnd(resource, block);
  } else {
    MoveRecordBefore(next, block);
  }
}

Handle ResourceOf(Handle text) {
  const TextObject* v = TextView(text);
  return v == nullptr ? kNoHandle : v->block_resource;
}

void SetCache(Handle text, const Found& found) {
  if (TextObject* v = TextView(text)) {
    v->cached_block = found.pos.block;
    v->cached_line = found.block_line;
  }
}

void AddSize(Handle text, int64_t delta) {
  if (TextObject* v = TextView(text)) {
    int64_t size = static_cast<int64_t>(v->text_size) + delta;
    if (size > INT32_MAX) size = INT32_MAX;
    if (size < INT32_MIN) size = INT32_MIN;
    v->text_size = static_cast<int32_t>(size);
  }
}

bool InText(Handle resource, TextPos pos) {
  return IsBlock(resource, pos.block) && pos.offset >= 0 && pos.offset <= BlockLen(pos.block);
}

void Normalize(Handle resource, Found& found) {
  uint32_t limit = WalkLimit(resource);
  while (limit-- > 0 && found.pos.offset >= BlockLen(found.pos.block)) {
    const Handle next = NextBlockOf(resource, found.pos.block);
    if (next == kNoHandle) break;
    found.block_line += BlockNewlines(found.pos.block);
    found.pos = {next, 0};
  }
}

TextReader::TextReader(Handle resource, TextPos pos)
    : resource_(resource), block_(pos.block), offset_(pos.offset), blocks_left_(WalkLimit(resource)) {
  if (!IsBlock(resource_, block_) || offset_ < 0) {
    block_ = kNoHandle;
    return;
  }
  length_ = BlockLen(block_);
  chars_ = BlockChars(block_);
  if (offset_ > length_) offset_ = length_;
}

bool TextReader::Settle() {
  while (block_ != kNoHandle && offset_ >= length_) {
    if (blocks_left_ == 0) {
      block_ = kNoHandle;
      break;
    }
    --blocks_left_;
    block_ = NextBlockOf(resource_, block_);
    offset_ = 0;
    if (block_ != kNoHandle) {
      length_ = BlockLen(block_);
      chars_ = BlockChars(block_);
    }
  }
  return block_ != kNoHandle;
}

int TextReader::Next() {
  if (!Settle()) return -1;
  return static_cast<unsigned char>(chars_[offset_++]);
}

int TextReader::Peek() {
  if (!Settle()) return -1;
  return static_cast<unsigned char>(chars_[offset_]);
}

int32_t CopyLine(TextReader& reader, char* buffer, size_t size, bool expand_tabs, int tab_width) {
  if (buffer == nullptr || size == 0) return 0;
  const size_t room = size - 1;
  size_t n = 0;
  const int tab_blanks = tab_width < 1 ? 1 : tab_width;
  for (;;) {
    const int c = reader.Peek();
    if (c < 0) break;
    if (c == '\n') {
      if (expand_tabs) {
        if (n >= room) break;
        buffer[n++] = ' ';
      }
      reader.Next();
      break;
    }
    if (c == '\t' && expand_tabs) {
      if (n >= room) break;
      reader.Next();
      for (int k = 0; k < tab_blanks && n < room; ++k) buffer[n++] = ' ';
      continue;
    }
    if (IsLeadByte(static_cast<unsigned char>(c))) {
      // A two-byte character is copied whole or not at all.
      reader.Next();
      const int trail = reader.Peek();
      const bool pair = trail >= 0 && trail != '\n' && IsTrailByte(static_cast<unsigned char>(trail));
      if (n + (pair ? 2 : 1) > room) break;
      buffer[n++] = static_cast<char>(c);
      if (pair) buffer[n++] = static_cast<char>(reader.Next());
      continue;
    }
    if (n >= room) break;
    buffer[n++] = static_cast<char>(reader.Next());
  }
  buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

}  // namespace text_detail

using namespace text_detail;

TextObject* TextView(Handle text) {
  if (text == kNoHandle || !ValidHandle(text)) return nullptr;
  const HandleEntry& e = Entry(text);
  if (e.tag[0] != 'T' || e.tag[1] != 'E' || (e.flags & kRecordInactive) != 0) return nullptr;
  if (e.size < kTextObjectSize || e.owner == kNoHandle || !ValidHandle(e.owner)) return nullptr;
  auto* v = reinterpret_cast<TextObject*>(Body(text));
  return v->block_resource == e.owner ? v : nullptr;
}

namespace {

// Deletes every active block of the resource: a text made again starts
// empty, and the blocks it makes next reuse these records.
void DeleteAllBlocks(Handle resource) {
  const uint32_t limit = WalkLimit(resource);
  Handle r = Attr(resource)->top;
  for (uint32_t n = 0; r != kNoHandle && n < limit; ++n) {
    const Handle next = Entry(r).next;
    if (IsBlock(resource, r)) RetireBlock(resource, r);
    r = next;
  }
}

}  // namespace

Handle CreateText(Handle task, const char* name, uint32_t mode) {
  if (name == nullptr) return kNoHandle;
  const Handle resource = CreateResource(task, name, kTextDataName);
  const Handle text = resource == kNoHandle ? kNoHandle : CreateRecord(resource, 1, kTextObjectSize);
  if (text == kNoHandle || Entry(text).size < kTextObjectSize) {
    WriteLog("Memory Error for CreateText");
    return kNoHandle;
  }
  DeleteAllBlocks(resource);
  // A text object deleted earlier is in use again: it counts as active, so
  // its record can never be handed out as another record's.
  if ((Entry(text).flags & kRecordInactive) != 0) {
    const Handle again = active_resource(resource, Entry(text).size);
    if (again != text) {
      if (again != kNoHandle) DeleteRecord(resource, again);
      WriteLog("Memory Error for CreateText");
      return kNoHandle;
    }
  }
  HandleEntry* e = MutableEntry(text);
  e->tag[0] = 'T';
  e->tag[1] = 'E';
  e->tag[2] = '\0';
  int32_t number = 0;
  if (const TaskRecord* t = TaskView(task)) number = t->number;
  auto* v = reinterpret_cast<TextObject*>(Body(text));
  std::memset(v, 0, sizeof *v);
  v->owner_number = number;
  v->owner_task = task;
  v->tab_width = kDefaultTabWidth;
  v->mode = mode | kTextModeAlways;
  v->block_resource = resource;
  return text;
}

int DeleteTextObject(Handle text) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return 1;
  return DeleteRecord(resource, text);
}

Handle CreateTextBlock(Handle text) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return kNoHandle;
  const Handle block = NewBlock(resource);
  if (block == kNoHandle) return kNoHandle;
  TextObject* v = TextView(text);
  if (!IsBlock(resource, v->top_block)) {
    v->top_block = block;
    v->cached_block = block;
    v->cached_line = 0;
  }
  return block;
}

int SetTextContent(Handle text, const char* chars, int32_t count) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || count < 0 || (chars == nullptr && count > 0)) return 1;
  if (count > 0) {
    if (const void* nul = std::memchr(chars, '\0', static_cast<size_t>(count))) {
      count = static_cast<int32_t>(static_cast<const char*>(nul) - chars);
    }
  }
  Handle top = TextView(text)->top_block;
  if (!IsBlock(resource, top)) top = kNoHandle;
  // Every block is made before anything changes, so a full pool leaves the
  // text as it was.
  const int64_t needed = count == 0 ? 1 : (static_cast<int64_t>(count) + kTextBlockChars - 1) / kTextBlockChars;
  std::vector<Handle> made;
  for (int64_t n = top == kNoHandle ? 0 : 1; n < needed; ++n) {
    const Handle block = NewBlock(resource);
    if (block == kNoHandle) {
      for (Handle m : made) RetireBlock(resource, m);
      return 1;
    }
    made.push_back(block);
  }
  std::vector<Handle> blocks;
  if (top != kNoHandle) {
    // The old blocks after the top one go, to be reused.
    Handle b = NextBlockOf(resource, top);
    for (uint32_t n = WalkLimit(resource); b != kNoHandle && n > 0; --n) {
      const Handle next = NextBlockOf(resource, b);
      if (std::find(made.begin(), made.end(), b) == made.end()) RetireBlock(resource, b);
      b = next;
    }
    blocks.push_back(top);
  }
  blocks.insert(blocks.end(), made.begin(), made.end());
  int32_t newlines = 0;
  int32_t done = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i > 0) PlaceAfter(resource, blocks[i - 1], blocks[i]);
    const int32_t n = count - done < kTextBlockChars ? count - done : kTextBlockChars;
    char* dst = BlockChars(blocks[i]);
    std::memcpy(dst, chars + done, static_cast<size_t>(n));
    std::memset(dst + n, 0, static_cast<size_t>(kTextBlockSize - n));
    for (int32_t k = 0; k < n; ++k) newlines += dst[k] == '\n' ? 1 : 0;
    done += n;
  }
  TextObject* v = TextView(text);
  v->top_block = blocks.front();
  v->cached_block = blocks.front();
  v->cached_line = 0;
  v->text_size = count;
  v->max_line = newlines;
  return 0;
}

// ---------------------------------------------------------------------------
// Reading through positions.

int TextByteAt(Handle text, TextPos pos) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || !InText(resource, pos)) return -1;
  TextReader reader(resource, pos);
  return reader.Peek();
}

int32_t CopyTextLine(Handle text, TextPos pos, char* buffer, size_t size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || !InText(resource, pos)) return -1;
  TextReader reader(resource, pos);
  return CopyLine(reader, buffer, size, false, 0);
}

int32_t CopyText(Handle text, char* buffer, size_t size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return -1;
  if (buffer == nullptr || size == 0) return 0;
  TextReader reader(resource, {TextView(text)->top_block, 0});
  const size_t room = size - 1;
  size_t n = 0;
  for (int c = reader.Next(); c >= 0; c = reader.Next()) {
    if (IsLeadByte(static_cast<unsigned char>(c))) {
      const int trail = reader.Peek();
      const bool pair = trail >= 0 && IsTrailByte(static_cast<unsigned char>(trail));
      if (n + (pair ? 2 : 1) > room) break;
      buffer[n++] = static_cast<char>(c);
      if (pair) buffer[n++] = static_cast<char>(reader.Next());
      continue;
    }
    if (n >= room) break;
    buffer[n++] = static_cast<char>(c);
  }
  buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

int32_t TextLength(Handle text) {
  const Handle resource = ResourceOf(text);
  int64_t total = 0;
  uint32_t limit = WalkLimit(resource);
  for (Handle b = FirstTextBlock(text); b != kNoHandle && limit > 0; b = NextBlockOf(resource, b), --limit) {
    total += BlockLen(b);
  }
  return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}

int32_t TextOffsetOf(Handle text, TextPos pos) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || !InText(resource, pos)) return -1;
  int64_t before = 0;
  uint32_t limit = WalkLimit(resource);
  for (Handle b = FirstTextBlock(text); b != kNoHandle && limit > 0; b = NextBlockOf(resource, b), --limit) {
    if (b == pos.block) {
      before += pos.offset;
      return before > INT32_MAX ? -1 : static_cast<int32_t>(before);
    }
    before += BlockLen(b);
  }
  return -1;
}

Handle FirstTextBlock(Handle text) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return kNoHandle;
  const Handle top = TextView(text)->top_block;
  return IsBlock(resource, top) ? top : kNoHandle;
}

Handle NextTextBlock(Handle text, Handle block) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || !IsBlock(resource, block)) return kNoHandle;
  return NextBlockOf(resource, block);
}

int32_t TextBlockLength(Handle block) {
  if (!BlockShaped(block)) return -1;
  return BlockLen(block);
}

}  // namespace vadu
