// Fuzzes the text buffer: the input is a program of edits and lookups run
// on one text object of a fresh engine, alongside a plain string that holds
// what the text should read.
//
// The first byte chooses how the text starts: a new block (a single blank,
// text size 0), SetTextContent of some input bytes, or ReadTextFile of a
// file made of them. Then each operation takes an opcode byte and its
// arguments from the input (missing bytes read as 0): text_insert,
// text_erase, DeleteChar and WordInsert at a cursor, TextPoint, text_point,
// GetTextLine, LineWidth and CopyTextLine lookups, TextSearch,
// change_textword, cursor moves with text_whereis, SetTextContent, a write
// and read of the text's file, and damaged fields (cache, max_line, tab
// width) that lookups must survive.
//
// Checked after every operation, as the text's own rules give them:
// - the blocks read exactly as the model string (change_textword, whose
//   block-bound search the model does not follow, resynchronises it);
// - every block holds at most 1023 characters and is terminated within its
//   1024 bytes; a walk over the blocks ends within the resource's records,
//   and the resource's counts agree with its chain;
// - the text size minus the characters held stays what it was when the
//   text got its content (edits count exactly what they store or remove);
// - max_line equals the newlines held right after CreateText, SetTextContent
//   and ReadTextFile, and the buffer's edits never change it (the harness
//   then keeps it in step, as the text task does);
// - the cached line equals the newlines in front of the cached block;
// - every position a lookup gives lies in a block of the text, at most at
//   its end; a line lookup finds line y exactly when y is a line of the text
//   within max_line, at the model's line start; a column within the rest of
//   the line's block is that many bytes further on;
// - GetTextLine never writes past its buffer, and gives the line with its
//   tabs expanded when the buffer is large enough; LineWidth and
//   CopyTextLine agree with the model;
// - a search hit puts the cursor on an occurrence at or after its start.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "fuzz_workdir.h"
#include "kernel/task.h"
#include "platform/cp932.h"
#include "platform/host_seam.h"
#include "platform/reset.h"
#include "text/text.h"

namespace {

using namespace vadu;

constexpr char kName[] = "fz.txt";
constexpr int kMaxOperations = 256;
// Kept small enough that every line and column fits the cursor's 16 bits.
constexpr size_t kMaxModel = 28000;
constexpr size_t kMaxReplaceText = 4096;

void QuietBox(const char*) {}

void Prepare() {
  vadu::fuzz::WorkDir::Make("text");
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// The input as a stream of arguments; past its end every read is 0.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool done() const { return pos_ >= size_; }
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  int32_t I16() { return static_cast<int16_t>(U8() | (U8() << 8)); }
  // Mostly small numbers, sometimes anything.
  int32_t Number() {
    const uint8_t kind = U8();
    if (kind < 200) return kind % 64;
    if (kind < 240) return I16();
    return static_cast<int32_t>(U8() | (U8() << 8) | (U8() << 16) | (static_cast<uint32_t>(U8()) << 24));
  }
  std::string Bytes(size_t n) {
    std::string s;
    while (n-- > 0 && !done()) s += static_cast<char>(U8());
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

int32_t Newlines(const std::string& s, size_t end = std::string::npos) {
  return static_cast<int32_t>(std::count(s.begin(), s.begin() + static_cast<long>(std::min(end, s.size())), '\n'));
}

// Offset of the first character of line y, or npos.
size_t LineStart(const std::string& s, int64_t y) {
  if (y < 0) return std::string::npos;
  size_t p = 0;
  for (int64_t k = 0; k < y; ++k) {
    p = s.find('\n', p);
    if (p == std::string::npos) return p;
    ++p;
  }
  return p;
}

std::string CutAtNul(const std::string& s) {
  return s.substr(0, s.find('\0'));
}

// What ReadTextFile stores of a file's bytes.
std::string AsRead(const std::string& file) {
  std::string out;
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\0') continue;
    if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') continue;
    out += file[i];
  }
  return out;
}

struct Harness {
  Handle text = kNoHandle;
  Handle resource = kNoHandle;
  std::string model;
  int64_t size_offset = 0;  // text size minus characters held

  TextObject& View() {
    TextObject* v = TextView(text);
    Check(v != nullptr);
    return *v;
  }

  std::string Content() {
    std::string all;
    uint32_t blocks = 0;
    for (Handle b = FirstTextBlock(text); b != kNoHandle; b = NextTextBlock(text, b)) {
      Check(++blocks <= Attr(resource)->all_count);
      const int32_t n = TextBlockLength(b);
      Check(n >= 0 && n <= kTextBlockChars);
      Check(std::memchr(Body(b), '\0', kTextBlockSize) != nullptr);
      all.append(reinterpret_cast<const char*>(Body(b)), static_cast<size_t>(n));
    }
    return all;
  }

  void Resync(int64_t offset) {
    model = Content();
    size_offset = offset;
  }

  // The text task's part: max_line follows the newlines.
  void KeepMaxLine() { View().max_line = Newlines(model); }

  void CheckPosition(TextPos p) {
    if (!p.found()) return;
    const int32_t n = TextBlockLength(p.block);
    Check(n >= 0 && p.offset >= 0 && p.offset <= n);
    Check(TextOffsetOf(text, p) >= 0);
  }

  void CheckAll() {
    Check(Content() == model);
    Check(static_cast<int64_t>(View().text_size) - static_cast<int64_t>(model.size()) == size_offset);
    // The resource's counts agree with its chain.
    const ResourceAttr* a = Attr(resource);
    uint32_t all = 0;
    uint32_t active = 0;
    for (Handle r = a->top; r != kNoHandle; r = Entry(r).next) {
      Check(++all <= 100000);
      if ((Entry(r).flags & kRecordInactive) == 0) ++active;
      Check(Entry(r).owner == resource);
    }
    Check(all == a->all_count && active == a->active_count);
    // The cache names a block of the text and the newlines in front of it.
    const TextObject& v = View();
    if (v.cached_block != kNoHandle) {
      const int32_t at = TextOffsetOf(text, TextPos{v.cached_block, 0});
      Check(at >= 0);
      Check(v.cached_line == Newlines(model, static_cast<size_t>(at)));
    }
  }

  // Model offset of a found position.
  int64_t OffsetOf(TextPos p) {
    CheckPosition(p);
    return p.found() ? TextOffsetOf(text, p) : -1;
  }

  void Lookups(Input& in, bool exact) {
    const int32_t y = in.Number();
    const int32_t x = in.Number();
    const TextPos line = TextPoint(text, y);
    CheckPosition(line);
    const int32_t max_line = View().max_line;
    const size_t start = LineStart(model, y);
    if (exact) {
      const bool exists = y >= 0 && y <= max_line && start != std::string::npos;
      Check(line.found() == exists);
      if (exists) Check(OffsetOf(line) == static_cast<int64_t>(start));
    }
    const TextPos column = text_point(text, x, y);
    CheckPosition(column);
    Check(column.found() == line.found());
    if (line.found() && exact) {
      const int64_t left = TextBlockLength(line.block) - line.offset;
      const int64_t at = OffsetOf(line);
      const int64_t cx = std::max<int64_t>(x, 0);
      if (cx <= left) Check(OffsetOf(column) == at + cx);
      Check(OffsetOf(column) >= at);
    }
    // GetTextLine into a buffer of some size; the bytes behind it stay.
    const size_t size = 1 + in.U8() * 4;
    std::string buffer(size + 8, '\x5a');
    const int32_t got = GetTextLine(text, y, buffer.data(), size);
    for (size_t k = size; k < buffer.size(); ++k) Check(buffer[k] == '\x5a');
    Check(got < static_cast<int32_t>(size));
    if (got >= 0) Check(std::strlen(buffer.data()) == static_cast<size_t>(got));
    if (!exact) return;
    if (View().text_size == 0) {
      Check(got == 0);
    } else if (line.found()) {
      std::string expected;
      const int tab = std::max<int>(View().tab_width, 1);
      int32_t width = 0;
      bool wide = false;
      for (size_t k = start; k < model.size() && model[k] != '\n'; ++k) {
        expected += model[k] == '\t' ? std::string(static_cast<size_t>(tab), ' ') : std::string(1, model[k]);
        if (!wide) {
          width += model[k] == '\t' ? View().tab_width : 1;
          wide = width > 1024;
        }
      }
      const size_t end = model.find('\n', start);
      const std::string raw = model.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (end != std::string::npos) expected += ' ';
      if (expected.size() < size) Check(buffer.data() == expected);
      if (!wide) Check(LineWidth(text, line) == width);
      std::string copy(raw.size() + 2, '\0');
      Check(CopyTextLine(text, line, copy.data(), copy.size()) == static_cast<int32_t>(raw.size()));
      Check(copy.c_str() == raw);
      Check(TextByteAt(text, line) == (start < model.size() ? static_cast<unsigned char>(model[start]) : -1));
    }
  }

  void SetCursor(Input& in) {
    View().cursor_x = static_cast<int16_t>(in.Number());
    View().cursor_y = static_cast<int16_t>(in.Number());
  }

  void Run(Input& in) {
    const uint8_t start = in.U8() % 3;
    if (start == 0) {
      Check(CreateTextBlock(text) != kNoHandle);
      Resync(-1);
    } else {
      const std::string bytes = in.Bytes(in.U8() * 16u);
      if (start == 1) {
        Check(SetTextContent(text, bytes.data(), static_cast<int32_t>(bytes.size())) == 0);
        model = CutAtNul(bytes);
        size_offset = 0;
      } else {
        FILE* f = std::fopen(kName, "wb");
        Check(f != nullptr);
        if (!bytes.empty()) Check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
        std::fclose(f);
        Check(ReadTextFile(text) == 0);
        model = AsRead(bytes);
        size_offset = 1;
      }
    }
    Check(View().max_line == Newlines(model));
    CheckAll();

    for (int op = 0; op < kMaxOperations && !in.done(); ++op) {
      const int32_t max_line = View().max_line;
      bool edit = false;  // a buffer edit, which must leave max_line alone
      switch (in.U8() % 12) {
        case 0: {  // insert
          edit = true;
          const int32_t x = in.Number();
          const int32_t y = in.Number();
          int32_t count = in.Number();
          if (count > 4000) count = 4000;
          std::string chars = in.Bytes(static_cast<size_t>(std::clamp(count, 0, 64)));
          // Long insertions repeat the bytes given.
          while (chars.size() < static_cast<size_t>(std::max(count, 0)) && !chars.empty()) {
            chars += chars.substr(0, static_cast<size_t>(count) - chars.size());
          }
          if (model.size() > kMaxModel) break;
          const int64_t at = OffsetOf(text_point(text, x, y));
          const int result = text_insert(text, x, y, chars.data(), std::min<int32_t>(count, chars.size()));
          const std::string stored = CutAtNul(chars.substr(0, static_cast<size_t>(std::max(0, count))));
          Check(result == ((at >= 0 && !stored.empty()) ? 0 : 1));
          if (result == 0) model.insert(static_cast<size_t>(at), stored);
          break;
        }
        case 1: {  // erase
          edit = true;
          const int32_t x = in.Number();
          const int32_t y = in.Number();
          const int32_t count = in.Number();
          const int64_t at = OffsetOf(text_point(text, x, y));
          const int result = text_erase(text, x, y, count);
          if (at >= 0 && count > 0 && static_cast<size_t>(at) < model.size()) {
            Check(result == 0);
            model.erase(static_cast<size_t>(at), static_cast<size_t>(count));
          } else {
            Check(result == 1);
          }
          break;
        }
        case 2: {  // DeleteChar at a cursor
          edit = true;
          SetCursor(in);
          const int64_t at = OffsetOf(text_point(text, View().cursor_x, View().cursor_y));
          const int result = DeleteChar(text);
          if (at >= 0 && static_cast<size_t>(at) < model.size()) {
            Check(result == 0);
            const size_t a = static_cast<size_t>(at);
            const bool pair = a + 1 < model.size() && IsLeadByte(static_cast<unsigned char>(model[a])) &&
                              IsTrailByte(static_cast<unsigned char>(model[a + 1]));
            model.erase(a, pair ? 2 : 1);
          } else {
            Check(result == 1);
          }
          break;
        }
        case 3: {  // WordInsert at a cursor
          edit = true;
          SetCursor(in);
          const std::string ch = in.Bytes(2) + std::string(2, '\0');
          const int64_t at = OffsetOf(text_point(text, View().cursor_x, View().cursor_y));
          const int result = WordInsert(text, ch.data());
          const size_t n = IsLeadByte(static_cast<unsigned char>(ch[0])) ? 2 : 1;
          const std::string stored = CutAtNul(ch.substr(0, n));
          Check(result == ((at >= 0 && !stored.empty()) ? 0 : 1));
          if (result == 0) model.insert(static_cast<size_t>(at), stored);
          break;
        }
        case 4:
        case 5:  // lookups
          Lookups(in, true);
          break;
        case 6: {  // search
          const int32_t x = in.Number();
          const int32_t y = in.Number();
          const std::string pattern = CutAtNul(in.Bytes(1 + in.U8() % 3));
          const int64_t from = OffsetOf(text_point(text, x, y));
          if (TextSearch(text, x, y, pattern.c_str()) == 0) {
            Check(from >= 0 && !pattern.empty());
            const size_t line = LineStart(model, View().cursor_y);
            Check(line != std::string::npos);
            const size_t at = line + static_cast<size_t>(View().cursor_x);
            Check(at >= static_cast<size_t>(from));
            Check(model.compare(at, pattern.size(), pattern) == 0);
          }
          break;
        }
        case 7: {  // change_textword
          edit = true;
          SetCursor(in);
          const std::string from = CutAtNul(in.Bytes(1 + in.U8() % 3));
          const std::string to = CutAtNul(in.Bytes(in.U8() % 4));
          // Every replacement costs a block's work; long texts would only
          // make the run slow.
          if (model.size() > kMaxReplaceText) break;
          Check(change_textword(text, from.c_str(), to.c_str()) == 0);
          // The size offset is not resynchronised: the size must have moved
          // with every character stored or removed.
          model = Content();
          break;
        }
        case 8: {  // cursor move and back
          SetCursor(in);
          const TextPos p = text_point(text, View().cursor_x, View().cursor_y);
          if (p.found()) {
            Check(text_whereis(text, p) == 0);
            const size_t line = LineStart(model, View().cursor_y);
            Check(line != std::string::npos);
            Check(static_cast<int64_t>(line) + View().cursor_x == OffsetOf(p));
          }
          break;
        }
        case 9: {  // whole content
          const std::string bytes = in.Bytes(in.U8() * 8u);
          Check(SetTextContent(text, bytes.data(), static_cast<int32_t>(bytes.size())) == 0);
          model = CutAtNul(bytes);
          size_offset = 0;
          Check(View().max_line == Newlines(model));
          break;
        }
        case 10: {  // the file, out and in
          std::string expected;
          for (Handle b = FirstTextBlock(text); b != kNoHandle; b = NextTextBlock(text, b)) {
            const int32_t n = TextBlockLength(b);
            expected += n == 0 ? std::string("\n") : std::string(reinterpret_cast<const char*>(Body(b)), n);
          }
          Check(WriteTextFile(text) == 0);
          FILE* f = std::fopen(kName, "rb");
          Check(f != nullptr);
          std::string file;
          char buf[4096];
          size_t n;
          while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) file.append(buf, n);
          std::fclose(f);
          Check(file == expected);
          Check(ReadTextFile(text) == 0);
          model = AsRead(file);
          size_offset = 1;
          Check(View().max_line == Newlines(model));
          break;
        }
        default: {  // damaged fields: lookups stay inside the blocks
          const uint8_t what = in.U8() % 4;
          TextObject& v = View();
          if (what == 0) v.cached_block = static_cast<Handle>(in.Number());
          if (what == 1) v.cached_line = in.Number();
          if (what == 2) v.max_line = in.Number();
          if (what == 3) v.tab_width = in.U8();
          Lookups(in, false);
          TextObject& w = View();
          if (what < 2) {
            w.cached_block = kNoHandle;
            w.cached_line = 0;
          }
          if (what == 2) w.max_line = max_line;
          break;
        }
      }
      if (edit) Check(View().max_line == max_line);
      KeepMaxLine();
      CheckAll();
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!vadu::fuzz::WorkDir::Made()) Prepare();
  vadu::fuzz::WorkDir::Enter();
  ResetEngineState();
  if (!CreatePool() || !CreateSystemResources()) std::abort();
  SetMessageBoxHandler(QuietBox);

  Harness h;
  h.text = CreateText(kNoHandle, kName, 0);
  Check(h.text != kNoHandle);
  h.resource = Entry(h.text).owner;
  Input in(data, size);
  h.Run(in);
  ::unlinkat(vadu::fuzz::WorkDir::Fd(), kName, 0);
  vadu::fuzz::WorkDir::Leave();
  return 0;
}
