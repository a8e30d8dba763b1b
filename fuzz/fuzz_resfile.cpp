// Fuzzes the resource file reader and writer: the input becomes a resource
// file in a private temporary directory and is loaded with OpenResource, with
// the header check and resource tracing off and on. A resource that loads is
// loaded over once more (the take-over of an existing name pair), then saved
// under a fixed name and loaded again; those loads must succeed and give the
// same records (unless the pool ran out), or the harness aborts.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/dialog_seam.h"
#include "core/pool.h"
#include "core/state.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "fuzz_workdir.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

constexpr char kInput[] = "in.res";
constexpr char kOutput[] = "out.res";

void QuietBox(const char*) {}

// Set when a record could not be made (the pool is full): the error dialog.
bool g_out_of_memory = false;
void NoteError(Handle, int number, const char*) {
  if (number == 1) g_out_of_memory = true;
}

void Prepare() {
  vadu::fuzz::WorkDir::Make("resfile");
  vadu::fuzz::WorkDir::Enter();
  FILE* msg = std::fopen("SYSTEM.msg", "wb");
  if (msg == nullptr) std::abort();
  for (int i = 1; i <= 100; ++i) std::fprintf(msg, "message %d\n", i);
  std::fclose(msg);
  vadu::fuzz::WorkDir::Leave();
  SetMessageBoxHandler(QuietBox);
}

void WriteInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(kInput, "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// A fresh engine: the system resources in a new pool (its memory is reused
// from one input to the next, see CreatePool).
void FreshEngine() {
  ResetEngineState();
  if (!CreatePool()) std::abort();
  if (!CreateSystemResources()) std::abort();
  SetMessageBoxHandler(QuietBox);
  DialogHandlers handlers;
  handlers.error = NoteError;
  SetDialogHandlers(handlers);
  g_out_of_memory = false;
}

// Both resources hold the same records: count, numbers, sizes and body
// bytes, in order.
void ExpectSameRecords(Handle a, Handle b) {
  if (Attr(a)->active_count != Attr(b)->active_count) std::abort();
  if (Attr(a)->record_size != Attr(b)->record_size) std::abort();
  Handle x = FirstRecord(a);
  Handle y = FirstRecord(b);
  for (; x != kNoHandle && y != kNoHandle; x = NextRecord(x), y = NextRecord(y)) {
    const HandleEntry& ex = Entry(x);
    const HandleEntry& ey = Entry(y);
    if (ex.number != ey.number || ex.size != ey.size) std::abort();
    if (std::memcmp(Body(x), Body(y), ex.size) != 0) std::abort();
  }
  if (x != y) std::abort();
}

// Loads the input over the resource it made, then saves it under our own
// name (the stored names are arbitrary bytes, a path say) and loads that.
void Exercise(Handle loaded) {
  const uint16_t records = Attr(loaded)->active_count;
  SetResourceName(loaded, kInput);
  PutFixedText(Attr(loaded)->data_name, sizeof(ResourceAttr::data_name), "Fuzz");
  if (OpenResource(kNoHandle, kInput, "Fuzz") != loaded) {
    if (!g_out_of_memory) std::abort();
    return;
  }
  if (Attr(loaded)->active_count != records) std::abort();

  SetResourceName(loaded, kOutput);
  if (SaveResource(kNoHandle, loaded) != 0) std::abort();
  const Handle again = OpenResource(kNoHandle, kOutput, "Again");
  if (again == kNoHandle) {
    if (!g_out_of_memory) std::abort();
    return;
  }
  if (again != loaded) ExpectSameRecords(loaded, again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!vadu::fuzz::WorkDir::Made()) Prepare();
  vadu::fuzz::WorkDir::Enter();
  FreshEngine();
  WriteInput(data, size);
  // TRACE stays off: the log file would only slow the run down. The second
  // pass checks the header and takes the resource-tracing paths.
  for (const uint32_t flags : {0u, TEST_RUN | RESOUCE_TEST | MOTOROLA}) {
    SystemFlags.store(flags);
    const Handle loaded = OpenResource(kNoHandle, kInput, "Fuzz");
    if (loaded != kNoHandle) Exercise(loaded);
  }
  std::remove(kInput);
  std::remove(kOutput);
  vadu::fuzz::WorkDir::Leave();
  return 0;
}
