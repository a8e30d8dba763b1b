// vadu-res: the resource tool for scenario authors.
//
//   vadu-res dump FILE.res       the file as the engine loads it, as text
//   vadu-res check FILE.res      every problem of the file, with its offset
//   vadu-res build [--utf8 | --cp932] [-v] SCRIPT [MORE_SCRIPTS...] -o FILE.res
//                                data form scripts compiled into a file
//   vadu-res --version | --help  (each command takes --help too)
//
// The tool runs the engine's own code: `dump` loads the file with
// OpenResource, `build` runs CreateItemData and AppendDataForm and saves with
// SaveResource. Only `check` reads the bytes itself, over the layout of
// data/resfile.h, because it must report what the engine's reader would
// stumble over. The text forms are described in docs/FORMATS.md.
//
// Exit codes: 0 success; 1 a damaged file (check), a file the engine cannot
// load (dump), a failed build; 2 bad arguments or a file that cannot be read.
//
// This file holds no non-ASCII literal: the test program includes it as it is.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/line_file.h"
#include "core/pool.h"
#include "core/state.h"
#include "core/types.h"
#include "data/dataform.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/host_seam.h"
#include "platform/reset.h"
#include "platform/text_raster.h"

namespace vadu_res {

using namespace vadu;

// Version of the text form of `dump`; it changes only when the form does.
constexpr int kDumpFormat = 1;

constexpr char kUsage[] =
    "usage: vadu-res dump FILE.res\n"
    "       vadu-res check FILE.res\n"
    "       vadu-res build [--utf8 | --cp932] [-v] SCRIPT [MORE_SCRIPTS...] -o FILE.res\n"
    "       vadu-res --version | --help (or COMMAND --help)\n"
    "\n"
    "dump   prints the header, the attributes, the items and every record of a\n"
    "       resource file as the engine loads it (texts in UTF-8)\n"
    "check  validates a resource file; every problem with its byte offset;\n"
    "       exit code 1 when the file is damaged\n"
    "build  runs the data form scripts as the engine does (the first declares the\n"
    "       resource, the others are appended) and saves the resource to FILE.res;\n"
    "       a script is read as UTF-8 (converted to CP932) or as CP932, whichever it\n"
    "       is; one that could be either, or neither, is refused: --utf8 or --cp932\n"
    "       says which it is; -v tells how each script was read and shows the\n"
    "       engine log\n";

// Where the command's output goes (main prints it; tests read it).
struct Output {
  std::string out;
  std::string err;
  // The clock the engine runs on (nullptr: the host's); tests stamp new
  // resources with a fixed moment.
  Clock* clock = nullptr;
};

// ---------------------------------------------------------------------------
// Text helpers.

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

// A UTF-8 text in double quotes: backslash, quote, line ends and tabs as
// \\ \" \n \r \t, other control bytes as \xHH.
std::string Escaped(const std::string& utf8) {
  std::string q = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '\\':
        q += "\\\\";
        break;
      case '"':
        q += "\\\"";
        break;
      case '\n':
        q += "\\n";
        break;
      case '\r':
        q += "\\r";
        break;
      case '\t':
        q += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          q += Format("\\x%02X", static_cast<unsigned char>(c));
        } else {
          q += c;
        }
    }
  }
  return q + "\"";
}

// A CP932 text (at most `length` bytes, up to its NUL) as Escaped UTF-8;
// bytes that are not CP932 become U+FFFD.
std::string Quoted(const char* cp932, size_t length) {
  return Escaped(Cp932ToUtf8(std::string(cp932, strnlen(cp932, length)).c_str()));
}
std::string Quoted(const void* field, size_t size) {
  return Quoted(static_cast<const char*>(field), size);
}

std::string TypeName(int type) {
  switch (type) {
    case ITEMvalue:
      return "ITEMvalue";
    case ITEMstring:
      return "ITEMstring";
    case ITEMlong:
      return "ITEMlong";
    case ITEMblock:
      return "ITEMblock";
    case ITEMarray:
      return "ITEMarray";
    case ITEMlimited:
      return "ITEMlimited";
    default:
      return Format("type%d", type);
  }
}

std::string Stamp(const uint8_t* stamp) {
  const LocalDateTime t = UnpackDateTime(stamp);
  return Format("%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                t.millisecond);
}

std::string Hex(const uint8_t* bytes, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += Format(i == 0 ? "%02x" : " %02x", bytes[i]);
  return s;
}

bool ReadBytes(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

// ---------------------------------------------------------------------------
// The engine the commands run on: a pool with the system resources, the
// given flags, nothing installed but what a command installs itself.

bool StartEngine(uint32_t flags, const Output& o) {
  ResetEngineState();
  if (o.clock != nullptr) SetPlatformClock(o.clock);
  if (!CreatePool() || !CreateSystemResources()) return false;
  SystemFlags.store(flags);
  return true;
}

// Goes back to the directory that was current when it was made.
class CurrentDirGuard {
 public:
  CurrentDirGuard() : fd_(::open(".", O_RDONLY | O_DIRECTORY)) {}
  ~CurrentDirGuard() {
    if (fd_ >= 0) {
      if (::fchdir(fd_) != 0) std::perror("vadu-res: fchdir");
      ::close(fd_);
    }
  }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// A private temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/vadu-res-XXXXXX";
    if (::mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// ---------------------------------------------------------------------------
// dump

// The item values of one record of an itemised resource, each read at its
// place in the body (body byte 1 + the sizes of the items before it).
void DumpItemValues(Handle resource, Handle record, std::string& out) {
  const uint8_t* body = Body(record);
  const int64_t storage = BodyStorage(record);
  int64_t offset = 1;
  const ResourceAttr* a = Attr(resource);
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < a->item_count; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    const int64_t size = d->size;
    out += "    " + Quoted(d->name, sizeof d->name) + " ";
    const int64_t width = (d->type == ITEMvalue || d->type == ITEMlong || d->type == ITEMlimited) ? 4 : size;
    if (offset + width > storage) {
      out += "(beyond the record body)\n";
    } else if (width == 4 && d->type != ITEMstring && d->type != ITEMblock && d->type != ITEMarray) {
      out += Format("%d\n", GetI32(body + offset));
    } else if (d->type == ITEMstring) {
      out += Quoted(body + offset, static_cast<size_t>(size)) + "\n";
    } else if (d->type == ITEMarray) {
      out += "[";
      for (int64_t i = 0; i + 4 <= size; i += 4) out += Format(i == 0 ? "%d" : ", %d", GetI32(body + offset + i));
      out += "]\n";
    } else if (d->type == ITEMblock) {
      out += "<" + Hex(body + offset, static_cast<size_t>(size)) + ">\n";
    } else {
      out += Format("(%s, no value)\n", TypeName(d->type).c_str());
    }
    offset += size;
    item = d->next;
  }
}

int Dump(const std::string& file, Output& o) {
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(file.c_str(), bytes)) {
    o.err += "vadu-res: cannot read " + file + "\n";
    return 2;
  }
  // The header check is on: a file without the magic and version is not
  // shown as if it were a resource.
  if (!StartEngine(TEST_RUN, o)) {
    o.err += "vadu-res: the memory pool cannot be made\n";
    return 1;
  }
  const Handle r = bytes.size() >= kResFileHeaderSize ? OpenResource(kNoHandle, file.c_str(), "vadu-res") : kNoHandle;
  if (r == kNoHandle) {
    o.err += "vadu-res: the engine cannot load " + file + "; vadu-res check " + file + " tells why\n";
    return 1;
  }
  std::string& out = o.out;
  out += Format("vadu-res dump %d\n", kDumpFormat);
  out += Format("file %s %zu bytes\n", Escaped(file).c_str(), bytes.size());
  ResFileHeader h;
  ByteReader header_bytes(bytes.data(), bytes.size());
  ReadResFileHeader(header_bytes, h);  // the engine loaded the file: its header is whole
  out += "header\n";
  out += "  magic " + Quoted(h.magic, sizeof h.magic) + "\n";
  out += "  version " + Quoted(h.version, sizeof h.version) + "\n";
  out += "  revision " + Quoted(h.revision, sizeof h.revision) + "\n";
  out += "  byte-order " + Quoted(&h.mark, 1) + "\n";
  out += Format("  status %d\n", h.status);
  out += Format("  size %u\n", h.size);

  const ResourceAttr* a = Attr(r);
  out += "attributes\n";
  out += "  ResName " + Quoted(a->res_name, sizeof a->res_name) + "\n";
  out += "  DataName " + Quoted(a->data_name, sizeof a->data_name) + "\n";
  out += "  Owner " + Quoted(a->owner, sizeof a->owner) + "\n";
  out += "  Created " + Stamp(a->created) + "\n";
  out += "  Stamp2 " + Stamp(a->stamp2) + "\n";
  out += "  Stamp3 " + Stamp(a->stamp3) + "\n";
  out += Format("  CreatorTask %d\n", a->creator_task);
  out += Format("  CreatorGroup %u\n", a->creator_group);
  out += Format("  RecordSize %d\n", a->record_size);
  out += Format("  RecordBytes %d\n", a->record_bytes);
  out += Format("  RecordCount %u\n", a->all_count);
  out += Format("  ActiveCount %u\n", a->active_count);
  out += Format("  ItemCount %u\n", a->item_count);
  out += "  Note " + Quoted(a->note, sizeof a->note) + Format(" %d\n", a->note_value);
  out += "  Mark " + Quoted(a->mark, sizeof a->mark) + "\n";

  // The loader does not carry the limits over; they are read from the
  // file's descriptors, which it read one by one in this order.
  out += Format("items %u\n", a->item_count);
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < a->item_count; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    const size_t at = kResFileHeaderSize + kResFileAttrSize + n * kResFileItemSize;
    int32_t limit1 = 0;
    int32_t limit2 = 0;
    if (at + kResFileItemSize <= bytes.size()) {
      limit1 = GetI32(&bytes[at + offsetof(ItemDescriptor, limit1)]);
      limit2 = GetI32(&bytes[at + offsetof(ItemDescriptor, limit2)]);
    }
    out += Format("  item %u ", n + 1) + Quoted(d->name, sizeof d->name) +
           Format(" %s size %d limits %d %d\n", TypeName(d->type).c_str(), d->size, limit1, limit2);
    item = d->next;
  }

  out += Format("records %u\n", a->all_count);
  const bool itemised = a->first_item != kNoHandle;
  uint32_t index = 0;
  for (Handle rec = FirstRecord(r); rec != kNoHandle; rec = NextRecord(rec)) {
    const HandleEntry& e = Entry(rec);
    out += Format("  record %u number %d size %u\n", ++index, e.number, e.size);
    if (itemised) {
      DumpItemValues(r, rec, out);
    } else {
      const uint8_t* body = Body(rec);
      for (uint32_t at = 0; at < e.size; at += 16) {
        out += Format("    %04x ", at) + Hex(body + at, std::min<uint32_t>(16, e.size - at)) + "\n";
      }
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// check

// The one rule for an item descriptor, shared by `check` (on a file's
// bytes) and `build` (on the file it is about to write), so that build never
// writes what check rejects. It says what size the engine gives the item
// when it reads the descriptor (CreateItem) and what is wrong with it. An
// error is a descriptor that the engine loads as something other than is
// stored; a warning, one it loads as stored but that cannot serve.
struct ItemFinding {
  int64_t size = 0;  // the bytes the engine gives the item
  bool error = false;
  std::string problem;  // empty: nothing to report
};

ItemFinding JudgeItem(int type, int32_t size, int64_t record_size_before) {
  ItemFinding f;
  auto error = [&f](const std::string& text) {
    f.error = true;
    f.problem = text;
  };
  switch (type) {
    case ITEMvalue:
    case ITEMlong:
    case ITEMlimited:
      f.size = 4;
      if (size != 4) error(Format("size %d, but a %s takes 4 bytes", size, TypeName(type).c_str()));
      break;
    case ITEMstring:
    case ITEMblock:
      f.size = std::max(size, 0);
      if (size < 0) {
        error(Format("a %s of size %d (the engine gives it size 0)", TypeName(type).c_str(), size));
      } else if (type == ITEMstring && size == 0) {
        // The engine declares such an item (with a log line) when a script's
        // Item line gives no size, or one below 1 or too large for a record,
        // and loads it as stored; but it holds no text.
        f.problem =
            "an ITEMstring of size 0 holds no text, and every value set to it is dropped (its Item line needs the "
            "size in bytes: Item NAME ITEMstring SIZE)";
      }
      break;
    case ITEMarray:
      f.size = size >= 0 ? size / 4 * 4 : 0;
      if (size < 0 || size % 4 != 0) error(Format("an ITEMarray of %d bytes", size));
      break;
    default:
      error(Format("unknown type %d (the engine gives it size 0)", type));
      break;
  }
  if (record_size_before + f.size > 0xFFFF) {
    const std::string text = "the records would grow beyond 65535 bytes (the engine gives the item size 0)";
    error(f.problem.empty() ? text : f.problem + "; " + text);
    f.size = 0;
  }
  return f;
}

// Finds the problems of a resource file's bytes; each is one line of the
// report.
class Checker {
 public:
  Checker(const std::string& file, const std::vector<unsigned char>& bytes) : file_(file), bytes_(bytes) {}

  // Walks the whole file.
  void Run() { Walk(); }
  const std::string& report() const { return report_; }
  uint32_t errors() const { return errors_; }
  uint32_t warnings() const { return warnings_; }
  uint32_t items() const { return items_; }
  uint32_t records() const { return records_; }

 private:
  void Error(size_t at, const std::string& text) {
    report_ += Format("%s: offset %zu: error: ", file_.c_str(), at) + text + "\n";
    ++errors_;
  }
  void Warning(size_t at, const std::string& text) {
    report_ += Format("%s: offset %zu: warning: ", file_.c_str(), at) + text + "\n";
    ++warnings_;
  }
  // A fixed text field that should hold its NUL.
  void CheckText(size_t at, size_t size, const char* what) {
    if (FixedTextLength(&bytes_[at], size) == size) {
      Warning(at, Format("%s has no NUL in its %zu bytes; the engine cuts it to %zu characters", what, size, size - 1));
    }
  }

  void Walk() {
    ByteReader in(bytes_.data(), bytes_.size());
    ResFileHeader header;
    if (!ReadResFileHeader(in, header)) {
      Error(0, Format("the file ends inside the header (%zu of %zu bytes)", bytes_.size(), kResFileHeaderSize));
      return;
    }
    // The engine's own checks, with its own texts.
    if (!ResFileMagicOk(header)) {
      Error(kResHeaderMagic, Format("the magic is not \"%s\" (", kEngineName) + Quoted(header.magic, 4) + ")");
    }
    if (!ResFileVersionOk(header)) {
      Error(kResHeaderVersion, Format("the version is not \"%s\" (", kEngineVersion) + Quoted(header.version, 3) + ")");
    }
    if (!ResFileRevisionOk(header)) {
      Warning(kResHeaderRevision,
              Format("the revision field is not \"%s\" (the engine does not check it)", kEngineRevision));
    }
    const uint8_t mark = header.mark;
    if (mark == 'M') {
      Warning(kResHeaderMark, "byte-order mark \"M\": the engine reads the numbers as little-endian all the same");
    } else if (mark != 'I') {
      Warning(kResHeaderMark, Format("unknown byte-order mark 0x%02X", mark));
    }

    const size_t attr_at = in.offset();
    uint8_t attr[kResFileAttrSize];
    if (!in.Read(attr, sizeof attr)) {
      Error(attr_at, Format("the file ends inside the attribute block (%zu of %zu bytes)", bytes_.size() - attr_at,
                            kResFileAttrSize));
      return;
    }
    CheckText(attr_at + offsetof(ResourceAttr, res_name), sizeof(ResourceAttr::res_name), "ResName");
    CheckText(attr_at + offsetof(ResourceAttr, data_name), sizeof(ResourceAttr::data_name), "DataName");
    CheckText(attr_at + offsetof(ResourceAttr, owner), sizeof(ResourceAttr::owner), "Owner");
    if (attr[offsetof(ResourceAttr, res_name)] == '\0') Warning(attr_at, "the ResName is empty");
    const uint16_t item_count = GetU16(attr + offsetof(ResourceAttr, item_count));
    const uint16_t record_count = GetU16(attr + offsetof(ResourceAttr, all_count));
    const uint16_t active_count = GetU16(attr + offsetof(ResourceAttr, active_count));
    if (active_count != record_count) {
      Warning(attr_at + offsetof(ResourceAttr, active_count),
              Format("active count %u differs from the record count %u (the engine counts the records it reads)",
                     active_count, record_count));
    }

    // Items, as CreateItem declares them.
    int64_t record_size = 0;
    std::map<std::string, uint32_t> names;
    for (uint32_t i = 0; i < item_count; ++i) {
      const size_t at = in.offset();
      uint8_t d[kResFileItemSize];
      if (!in.Read(d, sizeof d)) {
        Error(at, Format("the file ends inside item descriptor %u of %u", i + 1, item_count));
        return;
      }
      ++items_;
      const std::string label = Format("item %u ", i + 1) + Quoted(d, sizeof(ItemDescriptor::name) - 1);
      CheckText(at, sizeof(ItemDescriptor::name), label.c_str());
      const std::string name(reinterpret_cast<const char*>(d), FixedTextLength(d, sizeof(ItemDescriptor::name) - 1));
      if (name.empty()) Warning(at, label + ": the name is empty");
      if (const auto [it, fresh] = names.emplace(name, i + 1); !fresh) {
        Warning(at, label + Format(": item %u has the same name; the engine finds only that one", it->second));
      }
      const int type = d[offsetof(ItemDescriptor, type)];
      const int32_t size = GetI32(d + offsetof(ItemDescriptor, size));
      const ItemFinding f = JudgeItem(type, size, record_size);
      if (!f.problem.empty()) {
        // An unknown type is the type byte's fault; every other problem is
        // the size's.
        const bool known = type == ITEMvalue || type == ITEMstring || type == ITEMlong || type == ITEMblock ||
                           type == ITEMarray || type == ITEMlimited;
        const size_t field = at + (known ? offsetof(ItemDescriptor, size) : offsetof(ItemDescriptor, type));
        if (f.error) {
          Error(field, label + ": " + f.problem);
        } else {
          Warning(field, label + ": " + f.problem);
        }
      }
      record_size += f.size;
    }
    const int32_t stored_size = GetI32(attr + offsetof(ResourceAttr, record_size));
    if (item_count > 0 && stored_size != record_size) {
      Warning(attr_at + offsetof(ResourceAttr, record_size),
              Format("record size %d, but the items add up to %lld (the engine uses the items)", stored_size,
                     static_cast<long long>(record_size)));
    }

    // Records.
    int64_t record_bytes = 0;
    std::map<int32_t, uint32_t> numbers;
    for (uint32_t i = 0; i < record_count; ++i) {
      const size_t at = in.offset();
      ResFileRecordHeader rh;
      if (!ReadResFileRecordHeader(in, rh)) {
        Error(at,
              Format("the file ends inside the header of record %u of %u (\"READING ERROR\")", i + 1, record_count));
        return;
      }
      const int32_t number = rh.number;
      const uint16_t size = rh.size;
      if (number < -1 || number > 0x10000) {
        Warning(at + kResRecordNumber,
                Format("record %u: number %d is out of range (refused when RESOUCE_TEST is on)", i + 1, number));
      }
      if (number != -1) {
        if (const auto [it, fresh] = numbers.emplace(number, i + 1); !fresh) {
          Warning(at + kResRecordNumber, Format("record %u: number %d is also record %u's; the engine loads them as "
                                                "one record holding the later body",
                                                i + 1, number, it->second));
        }
      }
      if (item_count > 0 && size != record_size) {
        Error(at + kResRecordSize, Format("record %u: body of %u bytes, but the records of this resource have %lld",
                                          i + 1, size, static_cast<long long>(record_size)));
      }
      const size_t body_at = in.offset();
      if (!in.Skip(size)) {
        Error(body_at, Format("the file ends inside the body of record %u of %u (%zu of %u bytes; \"READING ERROR\")",
                              i + 1, record_count, bytes_.size() - body_at, size));
        return;
      }
      ++records_;
      record_bytes += size;
    }
    const int32_t stored_bytes = GetI32(attr + offsetof(ResourceAttr, record_bytes));
    if (stored_bytes != record_bytes) {
      Warning(attr_at + offsetof(ResourceAttr, record_bytes),
              Format("record bytes %d, but the records hold %lld", stored_bytes, static_cast<long long>(record_bytes)));
    }
    if (in.remaining() > 0) {
      Warning(in.offset(), Format("%zu bytes after the last record are ignored", in.remaining()));
    }
  }

  const std::string& file_;
  const std::vector<unsigned char>& bytes_;
  std::string report_;
  uint32_t errors_ = 0;
  uint32_t warnings_ = 0;
  uint32_t items_ = 0;
  uint32_t records_ = 0;
};

int Check(const std::string& file, Output& o) {
  std::vector<unsigned char> bytes;
  if (!ReadBytes(file, bytes)) {
    o.err += "vadu-res: cannot read " + file + "\n";
    return 2;
  }
  Checker c(file, bytes);
  c.Run();
  o.out += c.report();
  if (c.errors() == 0) {
    o.out += Format("%s: ok: %u items, %u records", file.c_str(), c.items(), c.records());
    o.out += c.warnings() == 0 ? "\n" : Format(", %u warnings\n", c.warnings());
    return 0;
  }
  o.out += Format("%s: damaged: %u errors, %u warnings\n", file.c_str(), c.errors(), c.warnings());
  return 1;
}

// ---------------------------------------------------------------------------
// Script text. The engine reads scripts as CP932 bytes; most editors save
// UTF-8. `build` takes each script as UTF-8 (converted to CP932) or as CP932
// (as it is), by what its bytes can be:
//
// - only ASCII bytes: as it is (both readings are the same);
// - a UTF-8 byte-order mark: UTF-8;
// - valid in one of the two only: that one;
// - valid in neither: refused;
// - valid in both: UTF-8 when its UTF-8 reading is convincing, else refused.
//
// Which CP932 texts are also valid UTF-8? A UTF-8 character starts with a
// byte below 0x80 or with 0xC2-0xF4, and 0x80-0xBF only continue one. So each
// run of non-ASCII characters of such a text starts, in CP932, with a
// half-width katakana 0xC2-0xDF or with a two-byte character of lead
// 0xE0-0xF4 (second-level kanji, extensions, user-defined characters); a run
// that starts with hiragana, katakana, first-level kanji or punctuation (leads
// 0x81-0x9F), as Japanese text mostly does, is never valid UTF-8. And:
// - a half-width katakana followed by one of 0xA1-0xBF or by a two-byte
//   character of lead 0x81-0x9F reads as a UTF-8 character U+0080-U+07FF.
//   Texts of half-width katakana are the likeliest CP932 texts to pass as
//   UTF-8;
// - a second-level kanji followed by the right bytes reads as U+0800 or
//   above, and as CJK punctuation, hiragana or katakana (U+3000-U+30FF) only
//   when the kanji is one of 0xE380-0xE383 or when the characters after it
//   chain up exactly: a shape no real text keeps up.
// A UTF-8 reading is therefore convincing when it has no character in
// U+0080-U+07FF, has at least one in U+3000-U+30FF, and every character has
// a CP932 form. Real UTF-8 Japanese almost always has kana or CJK
// punctuation; one that has none and happens to be valid CP932 as well is
// refused, and --utf8 builds it.

enum class Charset { kDetect, kUtf8, kCp932 };

constexpr size_t kNowhere = std::string::npos;

// Length of the UTF-8 character at `p` (`n` bytes left) and its code point,
// or 0 when the bytes are not one: overlong forms, surrogates and code points
// beyond U+10FFFF are not.
size_t Utf8Char(const unsigned char* p, size_t n, uint32_t& cp) {
  const unsigned char c = p[0];
  cp = c;
  if (c < 0x80) return 1;
  // The length the lead byte announces, and the least code point that
  // length may carry (shorter forms are overlong).
  const size_t len = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (len == 0 || n < len) return 0;
  const uint32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
  cp &= 0x7Fu >> len;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (p[i] & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// Length of the CP932 character at `p` (`n` bytes left), or 0 when the bytes
// are not one: a byte that is no ASCII, half-width katakana or lead byte, a
// lead byte without its trail byte, or a pair that CP932 gives no character.
size_t Cp932Char(const unsigned char* p, size_t n) {
  if (p[0] < 0x80 || IsHalfWidthKana(p[0])) return 1;
  if (!IsLeadByte(p[0]) || n < 2 || !IsTrailByte(p[1])) return 0;
  return Cp932CodePoint(p[0], p[1]) != 0 ? 2 : 0;
}

// Offset of the first byte from `from` on that does not read as UTF-8, or
// kNowhere.
size_t FirstNonUtf8(const std::vector<unsigned char>& b, size_t from) {
  for (size_t at = from; at < b.size();) {
    uint32_t cp = 0;
    const size_t len = Utf8Char(&b[at], b.size() - at, cp);
    if (len == 0) return at;
    at += len;
  }
  return kNowhere;
}

// Offset of the first byte that does not read as CP932, or kNowhere.
size_t FirstNonCp932(const std::vector<unsigned char>& b) {
  for (size_t at = 0; at < b.size();) {
    const size_t len = Cp932Char(&b[at], b.size() - at);
    if (len == 0) return at;
    at += len;
  }
  return kNowhere;
}

size_t LineAt(const std::vector<unsigned char>& b, size_t at) {
  return 1 + static_cast<size_t>(std::count(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

// The bytes at `at` that do not read as CP932: a lead byte with the byte
// after it, else the one byte.
std::string BadCp932Bytes(const std::vector<unsigned char>& b, size_t at) {
  if (IsLeadByte(b[at]) && at + 1 < b.size() && b[at + 1] != '\n') {
    return Format("bytes 0x%02X 0x%02X", b[at], b[at + 1]);
  }
  return Format("byte 0x%02X", b[at]);
}

// The run of non-ASCII CP932 characters of a line that holds the byte at
// `at`, in a text valid in both readings. It starts and ends next to ASCII
// characters, so it is whole characters in the UTF-8 reading too.
std::string NonAsciiRun(const std::vector<unsigned char>& b, size_t at) {
  size_t p = at;
  while (p > 0 && b[p - 1] != '\n') --p;
  size_t start = p;
  while (p < b.size() && b[p] != '\n') {
    const size_t len = std::max<size_t>(Cp932Char(&b[p], b.size() - p), 1);
    if (len == 1 && b[p] < 0x80) {
      if (p > at) break;
      start = p + 1;
    }
    p += len;
  }
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(start), b.begin() + static_cast<std::ptrdiff_t>(p));
}

// Converts UTF-8 characters to CP932 one at a time, so that a character
// without a CP932 form is found, not replaced.
class Cp932Encoder {
 public:
  Cp932Encoder() : cd_(::iconv_open("CP932", "UTF-8")) {}
  ~Cp932Encoder() {
    if (ok()) ::iconv_close(cd_);
  }
  Cp932Encoder(const Cp932Encoder&) = delete;
  Cp932Encoder& operator=(const Cp932Encoder&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Appends the CP932 form of the UTF-8 character at `p`; false when it has
  // none.
  bool Append(const unsigned char* p, size_t len, std::vector<unsigned char>& out) {
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(p));
    size_t in_left = len;
    char buf[8];
    char* o = buf;
    size_t o_left = sizeof buf;
    if (::iconv(cd_, &in, &in_left, &o, &o_left) == static_cast<size_t>(-1) || in_left != 0 || o == buf) {
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      return false;
    }
    out.insert(out.end(), buf, o);
    return true;
  }

 private:
  iconv_t cd_;
};

// A character of a UTF-8 script without a CP932 form.
struct Unmapped {
  size_t at;
  uint32_t cp;
  size_t len;
};

// The CP932 form of a valid UTF-8 text from `from` on; the characters that
// have none are listed in `unmapped`.
std::vector<unsigned char> Utf8ToCp932Text(const std::vector<unsigned char>& b, size_t from,
                                           std::vector<Unmapped>& unmapped) {
  std::vector<unsigned char> out;
  out.reserve(b.size());
  Cp932Encoder encoder;
  for (size_t at = from; at < b.size();) {
    uint32_t cp = 0;
    const size_t len = std::max<size_t>(Utf8Char(&b[at], b.size() - at, cp), 1);
    if (len == 1 && b[at] < 0x80) {
      out.push_back(b[at]);
    } else if (!encoder.ok() || !encoder.Append(&b[at], len, out)) {
      unmapped.push_back({at, cp, len});
    }
    at += len;
  }
  return out;
}

// A script's text as the engine reads it, and how it was read (for -v).
struct ScriptText {
  std::vector<unsigned char> cp932;
  std::string how;
};

// Reads a script's bytes as CP932 text, taking them as the charset says or,
// with kDetect, as the rules above decide. False with the reasons, one line
// each, in `why`.
bool ReadScriptText(const std::string& name, const std::vector<unsigned char>& bytes, Charset charset, ScriptText& text,
                    std::string& why) {
  if (charset == Charset::kCp932) {
    text = {bytes, "CP932, taken as it is: --cp932"};
    return true;
  }
  const bool bom = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  const size_t from = bom ? 3 : 0;
  const size_t bad_utf8 = FirstNonUtf8(bytes, from);
  const std::string prefix = "vadu-res: " + name;
  auto not_utf8 = [&] {
    return Format(" line %zu is not UTF-8 (byte 0x%02X)", LineAt(bytes, bad_utf8), bytes[bad_utf8]);
  };

  // Converts the UTF-8 reading; `both` when the bytes read as CP932 too.
  auto convert = [&](const std::string& reason, bool both) {
    std::vector<Unmapped> unmapped;
    text.cp932 = Utf8ToCp932Text(bytes, from, unmapped);
    text.how = "UTF-8, converted to CP932: " + reason;
    if (unmapped.empty()) return true;
    if (both) {
      const std::string run = NonAsciiRun(bytes, unmapped[0].at);
      why += prefix + Format(" reads as UTF-8 and as CP932: line %zu reads ", LineAt(bytes, unmapped[0].at)) +
             Escaped(run) + " as UTF-8 (without a CP932 form) and " + Escaped(Cp932ToUtf8(run.c_str())) +
             " as CP932; give --cp932 if it is CP932 (Shift-JIS)\n";
      return false;
    }
    constexpr size_t kShown = 8;
    for (size_t i = 0; i < unmapped.size() && i < kShown; ++i) {
      const Unmapped& u = unmapped[i];
      why += prefix + Format(" line %zu: U+%04X ", LineAt(bytes, u.at), u.cp) +
             Escaped(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(u.at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(u.at + u.len))) +
             " has no CP932 form\n";
    }
    if (unmapped.size() > kShown) {
      why += prefix + Format(": %zu more characters without a CP932 form\n", unmapped.size() - kShown);
    }
    return false;
  };

  if (charset == Charset::kUtf8 || bom) {
    if (bad_utf8 != kNowhere) {
      why += prefix + (bom ? " starts with a UTF-8 byte-order mark, but" : ":") + not_utf8() + "\n";
      return false;
    }
    return convert(bom ? "it starts with a UTF-8 byte-order mark" : "--utf8", false);
  }
  if (std::all_of(bytes.begin(), bytes.end(), [](unsigned char c) { return c < 0x80; })) {
    text = {bytes, ""};
    return true;
  }
  const size_t bad_cp932 = FirstNonCp932(bytes);
  if (bad_utf8 != kNowhere && bad_cp932 != kNowhere) {
    why += prefix + " is neither UTF-8 nor CP932 text:" + not_utf8() +
           Format(" and line %zu is not CP932 (", LineAt(bytes, bad_cp932)) + BadCp932Bytes(bytes, bad_cp932) +
           "); save it as UTF-8, or give --cp932 to take its bytes as they are\n";
    return false;
  }
  if (bad_utf8 != kNowhere) {
    text = {bytes, "CP932, taken as it is:" + not_utf8()};
    return true;
  }
  if (bad_cp932 != kNowhere) {
    return convert(Format("line %zu is not CP932", LineAt(bytes, bad_cp932)), false);
  }

  // Valid in both readings: is the UTF-8 one convincing?
  size_t katakana_like = kNowhere;
  size_t first = kNowhere;
  bool kana = false;
  for (size_t at = 0; at < bytes.size();) {
    uint32_t cp = 0;
    const size_t len = Utf8Char(&bytes[at], bytes.size() - at, cp);
    if (cp >= 0x80 && first == kNowhere) first = at;
    if (cp >= 0x80 && cp <= 0x7FF && katakana_like == kNowhere) katakana_like = at;
    if (cp >= 0x3000 && cp <= 0x30FF) kana = true;
    at += len;
  }
  if (katakana_like != kNowhere || !kana) {
    const size_t at = katakana_like != kNowhere ? katakana_like : first;
    const std::string run = NonAsciiRun(bytes, at);
    why += prefix + Format(" reads as UTF-8 and as CP932 alike: line %zu reads ", LineAt(bytes, at)) + Escaped(run) +
           " as UTF-8 and " + Escaped(Cp932ToUtf8(run.c_str())) +
           " as CP932; give --utf8 if it is UTF-8, or --cp932 if it is CP932 (Shift-JIS)\n";
    return false;
  }
  return convert("it reads as CP932 too, but not as likely text", true);
}

// ---------------------------------------------------------------------------
// build

// Texts the scripts showed in the message dialog.
std::vector<std::string>* g_dialog_texts = nullptr;
int CollectDialogText(const char* text) {
  if (g_dialog_texts != nullptr) g_dialog_texts->push_back(text != nullptr ? text : "");
  return 0;
}

// True when a ResName names a file inside the build directory: relative,
// without "..".
bool SafeResName(const std::string& name) {
  if (name.empty()) return false;
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path[0] == '/') return false;
  for (const auto& part : std::filesystem::path(path)) {
    if (part == "..") return false;
  }
  return path.back() != '/';
}

struct BuildArgs {
  std::vector<std::string> scripts;
  std::string output;
  Charset charset = Charset::kDetect;
  bool verbose = false;
};

// The engine log, in UTF-8, on the error output.
void ShowLog(Output& o) {
  std::ifstream log("SenELOG.dat", std::ios::binary);
  std::string line;
  while (std::getline(log, line)) o.err += "log: " + Cp932ToUtf8(line.c_str()) + "\n";
}

int Build(const BuildArgs& args, Output& o) {
  // Every path is taken before the build directory becomes current.
  std::vector<std::vector<unsigned char>> texts;
  for (const std::string& script : args.scripts) {
    std::vector<unsigned char> bytes;
    if (!ReadBytes(script, bytes)) {
      o.err += "vadu-res: cannot read " + script + "\n";
      return 2;
    }
    ScriptText text;
    std::string why;
    if (!ReadScriptText(script, bytes, args.charset, text, why)) {
      o.err += why;
      return 1;
    }
    if (args.verbose && !text.how.empty()) o.err += "vadu-res: " + script + ": " + text.how + "\n";
    texts.push_back(std::move(text.cp932));
  }
  std::error_code ec;
  const std::filesystem::path output = std::filesystem::absolute(args.output, ec);
  if (ec) {
    o.err += "vadu-res: bad output path " + args.output + "\n";
    return 2;
  }

  // The scripts run in a private directory: a resource file left from an
  // earlier build is never loaded in their place, the engine reads the
  // scripts in the encoding the tool settled on (a CP932 copy), and the log
  // stays out of the author's directory.
  CurrentDirGuard back;
  TempDir dir;
  if (!back.ok() || dir.path().empty() || ::chdir(dir.path().c_str()) != 0) {
    o.err += "vadu-res: cannot make a temporary directory\n";
    return 1;
  }
  std::vector<std::string> names;
  std::filesystem::create_directory("scripts", ec);
  for (size_t i = 0; i < args.scripts.size(); ++i) {
    std::string name = "scripts/" + std::filesystem::path(args.scripts[i]).filename().string();
    if (std::find(names.begin(), names.end(), name) != names.end() || name == "scripts/") {
      name = Format("scripts/%zu-", i + 1) + std::filesystem::path(args.scripts[i]).filename().string();
    }
    if (!WriteFileAtomically(name.c_str(), texts[i].data(), texts[i].size())) {
      o.err += "vadu-res: cannot copy " + args.scripts[i] + "\n";
      return 1;
    }
    names.push_back(name);
  }

  if (!StartEngine(TRACE, o)) {
    o.err += "vadu-res: the memory pool cannot be made\n";
    return 1;
  }
  std::vector<std::string> dialog;
  g_dialog_texts = &dialog;
  DialogHandlers handlers;
  handlers.message_text = CollectDialogText;
  SetDialogHandlers(handlers);
  struct Restore {
    ~Restore() {
      g_dialog_texts = nullptr;
      SetDialogHandlers(DialogHandlers{});
    }
  } restore;

  auto fail = [&](const std::string& why) {
    for (const std::string& t : dialog) o.err += "vadu-res: dialog: " + Cp932ToUtf8(t.c_str()) + "\n";
    ShowLog(o);
    o.err += "vadu-res: " + why + "\n";
    return 1;
  };

  // The resource file is written under the ResName; it must stay inside the
  // build directory and must not be one of the scripts.
  char res_name[kKeywordLineMax + 1] = {};
  if (LookupKey("ResourceName", res_name, sizeof res_name, names[0].c_str()) != nullptr) {
    if (!SafeResName(res_name) || GameFileExists(res_name)) {
      return fail("the ResourceName \"" + Cp932ToUtf8(res_name) + "\" of " + args.scripts[0] +
                  " is not a plain relative file name");
    }
    std::filesystem::path parent = std::filesystem::path(res_name).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  }

  const Handle resource = CreateItemData(kNoHandle, names[0].c_str());
  if (resource == kNoHandle) return fail(args.scripts[0] + " did not make a resource");
  for (size_t i = 1; i < names.size(); ++i) {
    if (AppendDataForm(resource, names[i].c_str()) == kNoHandle) return fail(args.scripts[i] + " failed");
  }
  char saved_name[sizeof(ResourceAttr::res_name)];
  PutFixedText(saved_name, sizeof saved_name, Attr(resource)->res_name);
  if (SaveResource(kNoHandle, resource) != 0) return fail("the resource could not be saved");
  std::vector<unsigned char> image;
  if (!ReadFileBytes(saved_name, image)) return fail("the saved resource file cannot be read back");
  // The file is judged as check judges it: what check would reject is not
  // written, and its warnings reach the author now.
  Checker checker(args.output, image);
  checker.Run();
  if (checker.errors() > 0) {
    o.err += checker.report();
    return fail("the file built is damaged (see above); nothing is written");
  }

  for (const std::string& t : dialog) o.err += "vadu-res: dialog: " + Cp932ToUtf8(t.c_str()) + "\n";
  if (args.verbose) ShowLog(o);
  o.err += checker.report();
  const ResourceAttr* a = Attr(resource);
  std::string summary = Format(": %u items, %u records of %d bytes", a->item_count, a->active_count, a->record_size);
  if (checker.warnings() > 0) summary += Format(", %u warnings", checker.warnings());
  const std::string names_text = Cp932ToUtf8(a->res_name) + "/" + Cp932ToUtf8(a->data_name);
  // The output path was made absolute before the build directory became
  // current.
  if (!WriteFileAtomically(output.c_str(), image.data(), image.size())) {
    o.err += "vadu-res: cannot write " + args.output + "\n";
    return 1;
  }
  o.out += "wrote " + args.output + " (" + names_text + ")" + summary + "\n";
  return 0;
}

// ---------------------------------------------------------------------------

// True for the words that ask for the usage.
bool IsHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

int Run(const std::vector<std::string>& args, Output& o) {
  if (args.empty()) {
    o.err += kUsage;
    return 2;
  }
  const std::string& command = args[0];
  if (IsHelp(command) || command == "help") {
    o.out += kUsage;
    return 0;
  }
  if (command == "--version") {
    o.out += Format("vadu-res %s (%s V%s R%s, TARN %s)\n", kEngineVersion, kEngineName, kEngineVersion, kEngineRevision,
                    kPlatformVersion);
    return 0;
  }
  if (command != "dump" && command != "check" && command != "build") {
    o.err += "vadu-res: unknown command " + command + "\n" + kUsage;
    return 2;
  }
  // A command's own --help is asked for anywhere among its arguments (a file
  // named like an option is given as ./-h).
  for (size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i]) && !(command == "build" && args[i - 1] == "-o")) {
      o.out += kUsage;
      return 0;
    }
  }
  if (command == "dump" || command == "check") {
    if (args.size() == 2 && (args[1].empty() || args[1][0] != '-')) {
      return command == "dump" ? Dump(args[1], o) : Check(args[1], o);
    }
    if (args.size() == 2) {
      o.err += "vadu-res: unknown option " + args[1] + "\n" + kUsage;
      return 2;
    }
    o.err += kUsage;
    return 2;
  }
  BuildArgs b;
  bool utf8 = false;
  bool cp932 = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      b.output = args[++i];
    } else if (args[i] == "--utf8") {
      utf8 = true;
    } else if (args[i] == "--cp932") {
      cp932 = true;
    } else if (args[i] == "-v") {
      b.verbose = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      o.err += "vadu-res: unknown option " + args[i] + "\n" + kUsage;
      return 2;
    } else {
      b.scripts.push_back(args[i]);
    }
  }
  if (utf8 && cp932) {
    o.err += "vadu-res: --utf8 and --cp932 exclude each other\n";
    return 2;
  }
  b.charset = utf8 ? Charset::kUtf8 : cp932 ? Charset::kCp932 : Charset::kDetect;
  if (b.scripts.empty() || b.output.empty()) {
    o.err += kUsage;
    return 2;
  }
  return Build(b, o);
}

}  // namespace vadu_res

#ifndef VADU_RES_NO_MAIN
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  vadu_res::Output o;
  const int code = vadu_res::Run(args, o);
  std::fwrite(o.out.data(), 1, o.out.size(), stdout);
  std::fwrite(o.err.data(), 1, o.err.size(), stderr);
  return code;
}
#endif
