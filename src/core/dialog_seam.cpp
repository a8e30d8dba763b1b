#include "core/dialog_seam.h"

#include "core/log.h"
#include "platform/reset.h"

namespace vadu {
namespace {
DialogHandlers g_handlers;
}  // namespace

void ErrorDialog(Handle task, int number, const char* extra) {
  if (g_handlers.error != nullptr) {
    g_handlers.error(task, number, extra);
    return;
  }
  LogSystemMessage(number, extra);
}

int MessageDialog(int number, const char* extra) {
  if (g_handlers.message != nullptr) return g_handlers.message(number, extra);
  LogSystemMessage(number, extra);
  return 0;
}

int MessageDialogText(const char* text) {
  if (g_handlers.message_text != nullptr) return g_handlers.message_text(text);
  WriteLog(text);
  return 0;
}

int InfoDialog(const char* text) {
  if (g_handlers.info != nullptr) return g_handlers.info(text);
  WriteLog(text);
  return 1;
}

void SetDialogHandlers(const DialogHandlers& handlers) {
  g_handlers = handlers;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { SetDialogHandlers(DialogHandlers{}); });
}  // namespace

}  // namespace vadu
