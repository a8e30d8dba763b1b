// Compute expressions: statements and conditions over the items of a record.
#include "data/compute.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/pool.h"
#include "core/strings.h"
#include "data/resource.h"
#include "platform/bytes.h"

namespace vadu {
namespace {

// True for a character that ends an operand or a target name.
bool IsOperator(char c) {
  return c != '\0' && std::strchr("=+-/*;><!|&%", c) != nullptr;
}

// True for a character at which an expression chain ends.
bool EndsChain(char c) {
  return c == '\0' || std::strchr("><=!|&;^", c) != nullptr;
}

bool IsComparison(char c) {
  return c == '>' || c == '<' || c == '!' || c == '=';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// True when the text is terminated inside its buffer.
bool Terminated(const char* text, size_t size) {
  return text != nullptr && size > 0 && std::memchr(text, '\0', size) != nullptr;
}

// A negative value that bracket rewriting wrote into the text. Written as
// "-5" it would read back as the empty operand (-1) minus 5; within the call
// that wrote it, the chain reads it as the value itself.
struct Written {
  size_t offset;  // of the "-" from the start of the text
  size_t length;
  int32_t value;
};

// The state of one evaluation over a text.
struct Eval {
  Handle record;
  const char* base;               // start of the whole text
  const char* end;                // where this evaluation's text ends
  std::vector<Written>* written;  // values brackets wrote (may be null)
  bool failed = false;            // a division could not be done
};

// The character at p, or '\0' at or past the evaluation's end.
char At(const Eval& e, const char* p) {
  return p < e.end ? *p : '\0';
}

// Steps over one character (two bytes for a whole two-byte character).
const char* NextChar(const Eval& e, const char* p) {
  if (IsLeadByte(static_cast<unsigned char>(*p)) && p + 1 < e.end && p[1] != '\0') return p + 2;
  return p + 1;
}

// The first operator character at or after p, or the end.
const char* OperandEnd(const Eval& e, const char* p) {
  while (p < e.end && *p != '\0' && !IsOperator(*p)) p = NextChar(e, p);
  return p;
}

const Written* WrittenAt(const Eval& e, const char* p) {
  if (e.written == nullptr || p >= e.end) return nullptr;
  const size_t offset = static_cast<size_t>(p - e.base);
  for (const Written& w : *e.written) {
    if (w.offset == offset && p + w.length <= e.end) return &w;
  }
  return nullptr;
}

// Reads the operand at p into `value`; returns the position after it.
const char* ReadOperand(const Eval& e, const char* p, int32_t* value) {
  if (const Written* w = WrittenAt(e, p)) {
    *value = w->value;
    return OperandEnd(e, p + 1);
  }
  const char* end = OperandEnd(e, p);
  if (end == p) {
    *value = -1;
    return end;
  }
  if (IsDigit(*p)) {
    // A literal beyond the 32-bit range saturates.
    int64_t v = 0;
    for (const char* d = p; d < end && IsDigit(*d); ++d) {
      v = v * 10 + (*d - '0');
      if (v > INT32_MAX) {
        v = INT32_MAX;
        break;
      }
    }
    *value = static_cast<int32_t>(v);
    return end;
  }
  const std::string name(p, end);
  *value = GetNum(e.record, name.c_str());
  return end;
}

// a op b in 32 bits; false when it cannot be done (division by zero,
// INT32_MIN / -1). Sums, differences and products wrap.
bool Apply(char op, int32_t a, int32_t b, int32_t* out) {
  const auto ua = static_cast<uint32_t>(a);
  const auto ub = static_cast<uint32_t>(b);
  switch (op) {
    case '+':
      *out = static_cast<int32_t>(ua + ub);
      return true;
    case '-':
      *out = static_cast<int32_t>(ua - ub);
      return true;
    case '*':
      *out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(a) * b));
      return true;
    case '/':
    case '%':
      if (b == 0 || (a == INT32_MIN && b == -1)) return false;
      *out = op == '/' ? a / b : a % b;
      return true;
    case '|':
      *out = a | b;
      return true;
    default:
      *out = a;
      return true;
  }
}

// Applies the operator at p and the operand after it to the accumulator;
// returns the position after the operand.
const char* compute(Eval& e, const char* p, int32_t* accumulator) {
  const char op = *p;
  int32_t operand = 0;
  const char* next = ReadOperand(e, p + 1, &operand);
  if (!Apply(op, *accumulator, operand, accumulator)) e.failed = true;
  return next;
}

// Evaluates the chain at p into `value`; returns where it stopped (at a
// character that ends a chain, or where a division failed).
const char* Chain(Eval& e, const char* p, int32_t* value) {
  p = ReadOperand(e, p, value);
  while (!e.failed && !EndsChain(At(e, p))) p = compute(e, p, value);
  return p;
}

// Replaces the first closed bracket pair; see `brackets`. Records a negative
// value it writes in `written` and moves the entries behind the pair.
int Brackets(Handle record, char* text, size_t size, std::vector<Written>* written) {
  if (!Terminated(text, size)) return -1;
  if (std::strchr(text, '(') == nullptr) return 1;
  // "(" and ")" are below 0x40, so they are never the second byte of a
  // two-byte character: a plain byte scan finds them.
  char* open = nullptr;
  char* close = nullptr;
  for (char* q = text; *q != '\0'; ++q) {
    if (*q == '(') {
      open = q;
    } else if (*q == ')') {
      close = q;
      break;
    }
  }
  if (open == nullptr || close == nullptr) return -1;
  const size_t length = std::strlen(text);
  const size_t before = static_cast<size_t>(open - text);
  const size_t after = length - static_cast<size_t>(close + 1 - text);
  if (before > kComputeSideLimit || after > kComputeSideLimit) return -1;

  Eval e{record, text, close, written};
  int32_t value = 0;
  Chain(e, open + 1, &value);
  if (e.failed) {
    WriteLogf("brackets() divide error -%.*s-", static_cast<int>(close - open - 1), open + 1);
    return -1;
  }
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%d", value);
  if (n <= 0 || before + static_cast<size_t>(n) + after + 1 > size) return -1;
  std::memmove(open + n, close + 1, after + 1);
  std::memcpy(open, digits, static_cast<size_t>(n));

  if (written != nullptr) {
    const size_t first = before;
    const size_t last = static_cast<size_t>(close - text);
    std::vector<Written> kept;
    for (Written w : *written) {
      if (w.offset >= first && w.offset <= last) continue;  // consumed by this pair
      if (w.offset > last) w.offset = w.offset - (last + 1 - first) + static_cast<size_t>(n);
      kept.push_back(w);
    }
    if (value < 0) kept.push_back({first, static_cast<size_t>(n), value});
    *written = std::move(kept);
  }
  return 0;
}

// Rewrites every bracket of the text; false on a bracket error.
bool AllBrackets(Handle record, char* text, size_t size, std::vector<Written>* written) {
  for (;;) {
    const int r = Brackets(record, text, size, written);
    if (r == 1) return true;
    if (r != 0) return false;
  }
}

// The text from p to the next ";" or the end.
std::string UpToSemicolon(const Eval& e, const char* p) {
  const char* q = p;
  while (q < e.end && *q != ';') ++q;
  return std::string(p, q);
}

// Runs the statement at p; returns where it stopped, or null when it failed.
const char* Statement(Eval& e, const char* p) {
  const char* op = OperandEnd(e, p);
  const std::string name(p, op);
  const char c = At(e, op);

  if (ItemType(Entry(e.record).owner, name.c_str()) == ITEMstring) {
    const char* v = c != '\0' ? op + 1 : op;
    const std::string value = UpToSemicolon(e, v);
    SetStr(e.record, name.c_str(), value.c_str());
    WriteLogf("FORM文字列演算 %sに-%s-をCOPY", name.c_str(), value.c_str());
    return v + value.size();
  }

  int32_t target = 0;
  ReadOperand(e, p, &target);
  int32_t result = target;
  const char* next = op;
  switch (c) {
    case '=':
      next = Chain(e, op + 1, &result);
      break;
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '|': {
      if ((c == '+' || c == '-') && At(e, op + 1) == c) {
        Apply(c, target, 1, &result);
        next = op + 2;
        break;
      }
      // The character after the operator (written "=") is skipped whatever it is.
      const char* s = op + 1;
      if (At(e, s) != '\0') s = NextChar(e, s);
      int32_t operand = 0;
      next = Chain(e, s, &operand);
      if (!e.failed && !Apply(c, target, operand, &result)) e.failed = true;
      break;
    }
    default:
      std::printf("Compute error! -%.*s-\n", static_cast<int>(e.end - op), op);
      std::fflush(stdout);
      return nullptr;
  }
  if (e.failed) {
    WriteLogf("ComputeRecord() divide error -%s-", UpToSemicolon(e, p).c_str());
    return nullptr;
  }
  SetNum(e.record, name.c_str(), result);
  return next;
}

bool Compare(char comparison, bool with_equal, int32_t left, int32_t right) {
  switch (comparison) {
    case '=':
      return with_equal && left == right;
    case '!':
      return with_equal && left != right;
    case '>':
      return left > right || (with_equal && left == right);
    case '<':
      return left < right || (with_equal && left == right);
    default:
      return false;
  }
}

// An item of a resource, copied out of its descriptor.
struct ItemInfo {
  std::string name;
  int type;
  int32_t size;
};

std::vector<ItemInfo> Items(Handle resource) {
  std::vector<ItemInfo> items;
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr) return items;
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < a->item_count; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    items.push_back({std::string(d->name, FixedTextLength(d->name, sizeof d->name)), d->type, d->size});
    item = d->next;
  }
  return items;
}

// The string of a string item, read no further than the item's size; false
// when the record has no such item.
bool ReadString(Handle record, const ItemInfo& item, std::string* out) {
  const char* s = reinterpret_cast<const char*>(get_adr(record, item.name.c_str(), ITEMstring));
  if (s == nullptr || item.size <= 0) return false;
  const void* nul = std::memchr(s, '\0', static_cast<size_t>(item.size));
  const size_t len =
      nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - s) : static_cast<size_t>(item.size);
  out->assign(s, len);
  return true;
}

}  // namespace

int brackets(Handle record, char* text, size_t size) {
  return Brackets(record, text, size, nullptr);
}

int ComputeRecord(Handle record, char* text, size_t size) {
  if (!Terminated(text, size) || !ValidHandle(record)) return 0;
  RemoveBlanks(text);
  std::vector<Written> written;
  if (!AllBrackets(record, text, size, &written)) {
    WriteLog("ComputeRecord() brackets() error");
    return 0;
  }
  Eval e{record, text, text + std::strlen(text), &written};
  const char* p = text;
  for (;;) {
    if (*p == ';') ++p;
    if (*p == '\0' || *p == '\n') return 1;
    p = Statement(e, p);
    if (p == nullptr) return 0;
  }
}

int CompareRecord(Handle record, char* text, size_t size) {
  if (!Terminated(text, size) || !ValidHandle(record)) return 0;
  RemoveBlanks(text);
  std::vector<Written> written;
  if (!AllBrackets(record, text, size, &written)) {
    WriteLog("CompareRecord() brackets() error");
    return 0;
  }
  Eval e{record, text, text + std::strlen(text), &written};
  const char* p = text;
  int result = -1;  // undecided
  char connector = '\0';
  for (;;) {
    int32_t left = 0;
    bool truth = false;
    p = Chain(e, p, &left);
    const char c = At(e, p);
    if (!e.failed && IsComparison(c)) {
      ++p;
      const bool with_equal = At(e, p) == '=';
      if (with_equal) ++p;
      int32_t right = 0;
      p = Chain(e, p, &right);
      truth = Compare(c, with_equal, left, right);
      if (IsComparison(At(e, p))) {
        // A second comparison in one relation: the relation is false and
        // the condition goes on at the next connector.
        truth = false;
        while (p < e.end && *p != '|' && *p != '&' && *p != ';') p = NextChar(e, p);
      }
    }
    if (e.failed) {
      WriteLogf("CompareRecord() divide error -%s-", text);
      return 0;
    }
    if (result < 0) {
      result = truth ? 1 : 0;
    } else if (connector == '&') {
      result = result != 0 && truth ? 1 : 0;
    } else if (truth || result != 0) {
      return 1;
    }
    const char next = At(e, p);
    if (next == '\0' || next == ';') return result;
    connector = next;
    ++p;
    if (At(e, p) == '|' || At(e, p) == '&') connector = *p++;
  }
}

int DumpRecordItems(Handle resource) {
  if (!ValidHandle(resource)) return 1;
  const std::vector<ItemInfo> items = Items(resource);
  if (items.empty()) return 1;
  for (Handle r = FirstRecord(resource); r != kNoHandle; r = NextRecord(r)) {
    for (const ItemInfo& item : items) {
      if (item.type == ITEMstring) {
        std::string s;
        if (ReadString(r, item, &s)) WriteLogf("%s   %s", item.name.c_str(), s.c_str());
      } else if (item.type == ITEMlong && get_adr(r, item.name.c_str(), ITEMlong) != nullptr) {
        WriteLogf("%s   %d", item.name.c_str(), GetNum(r, item.name.c_str()));
      }
    }
  }
  return 0;
}

int CopyRecordItems(Handle source, Handle target) {
  if (!ValidHandle(source) || !ValidHandle(target)) return 0;
  const Handle from = Entry(source).owner;
  const Handle to = Entry(target).owner;
  const std::vector<ItemInfo> items = Items(from);
  if (items.empty()) return 1;
  for (const ItemInfo& item : items) {
    const char* name = item.name.c_str();
    const int type = ItemType(to, name);
    if (type == ITEMstring) {
      std::string s;
      if (item.type == ITEMstring && ReadString(source, item, &s)) SetStr(target, name, s.c_str());
    } else if (type == ITEMlong) {
      const int32_t v = GetNum(source, name);
      if (v != -1) SetNum(target, name, v);
    }
  }
  return 0;
}

Handle FindRecordByCompare(Handle resource, Handle subject, const char* name) {
  if (!ValidHandle(resource) || name == nullptr) return kNoHandle;
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr || a->first_item == kNoHandle) return kNoHandle;
  const Handle item = FindItem(resource, name);
  const ItemDescriptor* d = Descriptor(item);
  if (d == nullptr || d->type != ITEMstring) return kNoHandle;
  const ItemInfo info{name, ITEMstring, d->size};
  std::vector<char> copy;
  for (Handle r = FirstRecord(resource); r != kNoHandle; r = NextRecord(r)) {
    std::string condition;
    if (!ReadString(r, info, &condition)) return kNoHandle;
    // The stored condition is evaluated on a copy: CompareRecord rewrites
    // its text, and a condition frozen at its first values would answer
    // every later search wrongly (and be saved so). Bracket values may be
    // longer than the brackets they replace, hence the room.
    copy.assign(condition.begin(), condition.end());
    copy.resize(condition.size() * 4 + 32, '\0');
    if (CompareRecord(subject, copy.data(), copy.size()) == 1) return r;
  }
  return kNoHandle;
}

}  // namespace vadu
