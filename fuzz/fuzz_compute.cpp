// Fuzzes compute expressions: ComputeRecord and CompareRecord run arbitrary
// expression bytes over a record with the items a, b (ITEMlong), s
// (ITEMstring) and arr (ITEMarray); a second record of the same resource
// lets reference names (".a:7.b") find something.
//
// The input's first byte chooses: bit 0 CompareRecord (set) or ComputeRecord,
// bits 1-4 the spare room of the text's buffer beyond its terminator (0-15
// bytes, so bracket rewriting meets tight buffers), bit 5 also a search with
// FindRecordByCompare over a stored copy of the text. The rest is the text.
// The buffer is allocated at its exact size, so AddressSanitizer catches any
// access past it; the text must stay terminated inside it, a condition's
// answer must be 0 or 1, and the search must leave the stored text as it was.
//
// The pool and the resources are made once; every input starts from the
// same item values.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/pool.h"
#include "core/state.h"
#include "data/compute.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

Handle g_subject = kNoHandle;
Handle g_other = kNoHandle;
Handle g_rule = kNoHandle;
Handle g_rules = kNoHandle;
constexpr int32_t kRuleSize = 96;

void Prepare() {
  // "Compute error!" lines go to standard output; keep the run's output to
  // the fuzzer's own lines.
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
  ResetEngineState();
  SystemFlags.store(0);  // no log file: it would only slow the run down
  if (!CreatePool() || !CreateSystemResources()) std::abort();
  const Handle play = CreateResource(kNoHandle, "play.res", "Play");
  CreateItem(play, "a", ITEMlong, 0);
  CreateItem(play, "b", ITEMlong, 0);
  CreateItem(play, "s", ITEMstring, 12);
  CreateItem(play, "arr", ITEMarray, 4);
  g_subject = CreateRecord(play, 1, 0);
  g_other = CreateRecord(play, 2, 0);
  g_rules = CreateResource(kNoHandle, "rules.res", "Rules");
  CreateItem(g_rules, "cond", ITEMstring, kRuleSize);
  g_rule = CreateRecord(g_rules, 1, 0);
  if (g_subject == kNoHandle || g_other == kNoHandle || g_rule == kNoHandle) std::abort();
}

void ResetValues() {
  for (const Handle r : {g_subject, g_other}) {
    SetNum(r, "a", r == g_subject ? 5 : 7);
    SetNum(r, "b", 3);
    SetStr(r, "s", "");
    for (int i = 0; i < 4; ++i) SetNum(r, ("arr[" + std::to_string(i) + "]").c_str(), i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_subject == kNoHandle) Prepare();
  if (size == 0) return 0;
  ResetValues();
  const uint8_t mode = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t length = std::strlen(text.c_str());  // up to the first NUL
  const size_t room = length + 1 + ((mode >> 1) & 0x0F);

  const std::unique_ptr<char[]> buffer(new char[room]);
  std::memcpy(buffer.get(), text.c_str(), length + 1);
  std::memset(buffer.get() + length + 1, 'x', room - length - 1);
  if ((mode & 1) != 0) {
    const int r = CompareRecord(g_subject, buffer.get(), room);
    if (r != 0 && r != 1) std::abort();
  } else {
    ComputeRecord(g_subject, buffer.get(), room);
  }
  if (std::memchr(buffer.get(), '\0', room) == nullptr) std::abort();

  if ((mode & 0x20) != 0) {
    SetStr(g_rule, "cond", text.c_str());
    const std::string stored = GetStr(g_rule, "cond");
    const Handle found = FindRecordByCompare(g_rules, g_subject, "cond");
    if (found != kNoHandle && found != g_rule) std::abort();
    if (stored != GetStr(g_rule, "cond")) std::abort();
  }
  return 0;
}
