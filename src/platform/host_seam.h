// The host message box: the one way start-up and configuration errors reach
// the user before the engine's own dialogs exist. The host installs its
// implementation (a real message box in a window, standard error when
// headless); until one is installed the text goes to standard error.
#pragma once

#include <string>

namespace vadu {

// Shows a host message box (caption "TARN", exclamation icon, one OK button)
// with a CP932 text and returns when it is closed.
void ShowMessageBox(const char* text);

using MessageBoxHandler = void (*)(const char* cp932_text);
// Installs the host's message box; nullptr restores the standard-error one.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Converts CP932 bytes to UTF-8 for the edges of the system (host message
// boxes, author tools). Bytes that do not convert become U+FFFD.
std::string Cp932ToUtf8(const char* text);
// Converts UTF-8 to CP932; characters without a CP932 form become '?'.
std::string Utf8ToCp932(const char* text);

}  // namespace vadu
