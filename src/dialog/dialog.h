// The four system dialogs: error, message, information and Yes/No. Each is
// an engine window owned by VaduManager, centred on the screen, with
// MessageButton objects and a backing store of its own; it is opened and
// closed directly (not through the window manager's requests) and is modal:
// the engine thread waits inside it, reading the mouse and the key slot,
// while no task step runs. They fill the kernel's dialog seam
// (core/dialog_seam.h) once made.
#pragma once

#include "core/types.h"

namespace vadu {

// Makes the four dialog windows with their buttons and backing stores (the
// composition root runs it once the system tasks exist) and installs the
// dialog handlers. Shows "SYSTEM DLGの作成に失敗しました" in the host message
// box when the error or the message dialog could not be made, and system
// message 71 in the message dialog when the information or the Yes/No
// dialog could not.
void CreateSystemDialogs();

// The error report of a task (see the dialog seam).
void ShowErrorDialog(Handle task, int number, const char* extra);
// Message `number` and an extra text: 1 when the dialog cannot be opened,
// else 0 once answered.
int ShowMessageDialog(int number, const char* extra);
// A text of the caller's own in the message dialog.
int ShowMessageDialogText(const char* text);
// A text in the information dialog: 1 when it cannot be opened, else the
// button pressed (0 when a key ended it).
int ShowInfoDialog(const char* text);
// A question: 1 (Yes, or Return), 2 (No, or Escape), the number of a button
// clicked, or 1 when the dialog cannot be opened.
int YesNoDialog(const char* text);

// A host repaint: an open information or Yes/No dialog is drawn again with
// its last text.
void RepaintOpenDialogs();

// The dialog windows (none before CreateSystemDialogs), for tests.
enum class SystemDialog { kError, kMessage, kInfo, kYesNo };
Handle DialogWindow(SystemDialog which);

// Back to the state before start-up.
void ResetSystemDialogs();

}  // namespace vadu
