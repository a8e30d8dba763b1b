// The system dialogs as the lower layers call them. The dialogs themselves
// are engine windows built later on the window manager; until the dialogs
// install their handlers, a request is logged (the system message and its
// extra text) and answered as if the user pressed OK.
#pragma once

#include "core/types.h"

namespace vadu {

// The error report of a task: message `number` of SYSTEM.msg and an extra
// text, in the error dialog.
void ErrorDialog(Handle task, int number, const char* extra);
// Message `number` and an extra text in the message dialog. 1 when the
// dialog cannot be opened, else 0 once the user answered.
int MessageDialog(int number, const char* extra);
// A text of the caller's own (not a numbered message) in the message
// dialog. 1 when the dialog cannot be opened, else 0 once the user answered.
// Until the dialog exists the text is logged.
int MessageDialogText(const char* text);
// A text (with the two-character line-break escape) in the information
// dialog. 1 when the dialog cannot be opened, else the number of the button
// pressed (0 when a key ended it). Until the dialog exists the text is logged
// and the answer is the OK button (1).
int InfoDialog(const char* text);

struct DialogHandlers {
  void (*error)(Handle task, int number, const char* extra) = nullptr;
  int (*message)(int number, const char* extra) = nullptr;
  int (*info)(const char* text) = nullptr;
  int (*message_text)(const char* text) = nullptr;
};
// Installs the real dialogs; a default-constructed value restores the
// logging stand-ins.
void SetDialogHandlers(const DialogHandlers& handlers);

}  // namespace vadu
