// Fuzzes data form scripts: the input is a script of arbitrary bytes,
// written to a file in a private temporary directory. CreateItemData
// declares a resource from it and reads its blocks; then create_dataform
// and AppendDataForm read the same blocks into a prepared resource (items
// hp ITEMlong, name ITEMstring 8, lv ITEMlimited, blk ITEMblock 4, with
// records already there, one of them deleted so a block may reuse it).
//
// Checks: every resource's counts agree with its chain, and every string
// item of every record is terminated inside its item. For small inputs the
// line cache must answer every line exactly as reading the file from its
// start does.
//
// The pool is kept between inputs while it is mostly empty (re-creating it
// costs more than a run); the resources are forgotten and made anew for
// every input, and the line cache is cleared, so nothing carries over.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/line_file.h"
#include "core/pool.h"
#include "core/state.h"
#include "data/dataform.h"
#include "data/resource.h"
#include "fuzz_workdir.h"
#include "kernel/task.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

constexpr char kScript[] = "in.txt";
// Inputs up to this size also compare the cache with reading from the start
// (which costs the square of the line count).
constexpr size_t kCompareBytes = 512;

void QuietBox(const char*) {}

void Prepare() {
  vadu::fuzz::QuietStdout();
  vadu::fuzz::WorkDir::Make("dataform");
}

// A fresh engine (every flag off: no log file). The pool's memory is reused
// from one input to the next (see CreatePool).
void FreshEngine() {
  ResetEngineState();
  if (!CreatePool()) std::abort();
  if (!CreateSystemResources()) std::abort();
  SetMessageBoxHandler(QuietBox);
  SetLineFileCache(true);
}

Handle Prepared() {
  const Handle r = CreateResource(kNoHandle, "prep.res", "Prep");
  CreateItem(r, "hp", ITEMlong, 0);
  CreateItem(r, "name", ITEMstring, 8);
  CreateItem(r, "lv", ITEMlimited, 0);
  CreateItem(r, "blk", ITEMblock, 4);
  for (int n = 0; n < 3; ++n) {
    const Handle rec = CreateRecord(r, -1, 0);
    if (rec == kNoHandle) std::abort();
    SetNum(rec, "hp", n);
    SetStr(rec, "name", "seven77");
  }
  DeleteRecord(r, FirstRecord(r));
  return r;
}

// Counts agree with the chain, and string items are terminated.
void CheckConsistent(Handle r) {
  if (r == kNoHandle) return;
  const ResourceAttr* a = Attr(r);
  uint32_t all = 0;
  uint32_t active = 0;
  for (Handle rec = a->top; rec != kNoHandle; rec = Entry(rec).next) {
    if (++all > 100000) std::abort();  // a loop in the chain
    if ((Entry(rec).flags & kRecordInactive) == 0) ++active;
    if (Entry(rec).owner != r) std::abort();
  }
  if (all != a->all_count || active != a->active_count) std::abort();
  for (Handle rec = FirstRecord(r); rec != kNoHandle; rec = NextRecord(rec)) {
    int32_t offset = 1;
    Handle item = Attr(r)->first_item;
    for (uint32_t n = 0; item != kNoHandle && n < Attr(r)->item_count; ++n) {
      const ItemDescriptor* d = Descriptor(item);
      if (d->type == ITEMstring && d->size > 0 && offset + d->size <= static_cast<int64_t>(BodyStorage(rec))) {
        if (::strnlen(reinterpret_cast<const char*>(Body(rec) + offset), d->size) >= static_cast<size_t>(d->size)) {
          std::abort();
        }
      }
      offset += d->size;
      item = d->next;
    }
  }
}

// Every line as the cache gives it equals the line read from the start.
void CompareWithRereading(size_t size) {
  const int lines = static_cast<int>(size) + 2;
  for (int n = 1; n <= lines; ++n) {
    char cached[kLineBufferSize];
    char plain[kLineBufferSize];
    SetLineFileCache(true);
    const char* a = read_line_file(kScript, n, cached, sizeof cached);
    SetLineFileCache(false);
    const char* b = read_line_file(kScript, n, plain, sizeof plain);
    if ((a == nullptr) != (b == nullptr)) std::abort();
    if (a != nullptr && std::strcmp(a, b) != 0) std::abort();
    if (a == nullptr) break;
  }
  SetLineFileCache(true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!vadu::fuzz::WorkDir::Made()) Prepare();
  vadu::fuzz::WorkDir::Enter();
  FreshEngine();
  FILE* f = std::fopen(kScript, "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  // A ResourceName that is a path would have the run read files outside
  // its directory (a device, say); such scripts go through create_dataform
  // only.
  char res_name[kKeywordLineMax + 1] = {};
  const bool named = LookupKey("ResourceName", res_name, sizeof res_name, kScript) != nullptr;
  if (!named || (std::strchr(res_name, '/') == nullptr && std::strchr(res_name, '\\') == nullptr)) {
    CheckConsistent(CreateItemData(kNoHandle, kScript));
  }
  const Handle prepared = Prepared();
  create_dataform(prepared, kNoHandle, kScript);
  CheckConsistent(prepared);
  AppendDataForm(prepared, kScript);
  CheckConsistent(prepared);
  for (Handle r = FirstResource(); r != kNoHandle; r = Attr(r)->next_resource) CheckConsistent(r);

  if (size <= kCompareBytes) CompareWithRereading(size);
  std::remove(kScript);
  vadu::fuzz::WorkDir::Leave();
  return 0;
}
