#include "dialog/dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/dialog_seam.h"
#include "core/install.h"
#include "core/line_file.h"
#include "core/log.h"
#include "core/state.h"
#include "core/strings.h"
#include "core/transcript.h"
#include "data/resource.h"
#include "data/task_record.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/task.h"
#include "kernel/wait.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "window/backing_store.h"
#include "window/escaped_text.h"
#include "window/manager.h"
#include "window/mouse.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {
namespace {

// The system message shown when the information or Yes/No dialog is
// missing.
constexpr int kDialogMissingMessage = 71;
// The one-second pause of the modal button wait, in ticks.
constexpr int kModalPauseTicks = 100;
constexpr size_t kTextMax = 1024;

struct Dialogs {
  Handle windows[4] = {};
  // The last text of the information and Yes/No dialogs, for a repaint.
  char info_text[kTextMax] = {};
  char yesno_text[kTextMax] = {};
};
Dialogs g;

Handle& WindowOf(SystemDialog which) {
  return g.windows[static_cast<int>(which)];
}

struct Metrics {
  int w = 16;  // the system font's cell width
  int h = 16;  // its character height
};
Metrics SystemMetrics() {
  Metrics m;
  if (const FontRecord* f = FontView(SystemFont())) {
    m.w = f->width > 0 ? f->width : 16;
    m.h = f->height > 0 ? f->height : 16;
  }
  return m;
}

// A dialog window centred on the screen, with its buttons and a backing
// store of its own; none when any of it cannot be made.
Handle MakeDialog(Handle owner, const char* name, int rows, const char* first, const char* second) {
  const Metrics m = SystemMetrics();
  const int width = 60 * (m.w / 2);
  const int height = rows * m.h;
  const Handle window =
      CreateWindow(owner, RootWindow(), static_cast<int16_t>(width), static_cast<int16_t>(height), WINDOWframe);
  if (window == kNoHandle) return kNoHandle;
  SetWindowName(window, name);
  SetWindowPosition(window, static_cast<int16_t>((Screen().width() - width) / 2),
                    static_cast<int16_t>((Screen().height() - height) / 2));
  const int top = height - m.h - 20;
  const bool made = second == nullptr ? CreateMessageButton(window, 1, static_cast<int16_t>(width - 120),
                                                            static_cast<int16_t>(top), first) != kNoHandle
                                      : CreateMessageButton(window, 1, static_cast<int16_t>(width / 6),
                                                            static_cast<int16_t>(top), first) != kNoHandle &&
                                            CreateMessageButton(window, 2, static_cast<int16_t>(width / 2 + width / 6),
                                                                static_cast<int16_t>(top), second) != kNoHandle;
  if (!made || BackingStore(window) != 0) {
    DestroyWindow(window);
    return kNoHandle;
  }
  return window;
}

// Opens a dialog: what lies below is saved, the window drawn with its
// buttons. False when it has no backing store.
bool Open(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || w->save_graphic == kNoHandle) return false;
  SaveWindowGraphic(window);
  WindowRecord* v = WindowView(window);
  v->mode |= WINDOWdrawable | WINDOWopen;
  v->depth = 1;
  draw_window(window);
  return true;
}

void Close(Handle window) {
  RestorWindowGraphic(window);
  if (WindowRecord* v = WindowView(window)) {
    v->mode &= ~(WINDOWdrawable | WINDOWopen);
    v->depth = 0;
  }
}

// The number of the dialog's button under the pointer, or 0.
int ButtonUnderPointer(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return 0;
  int budget = RecordCount(SystemResource("Object")) + 2;
  for (Handle o = w->first_object; o != kNoHandle && budget-- > 0;) {
    const ObjectRecord* r = ObjectView(o);
    if (r == nullptr) break;
    if (MouseInWindow(r->window)) return r->number;
    o = r->next;
  }
  return 0;
}

// The button chosen is let go before the dialog closes, so the press does
// not go on to whatever lies below.
void AwaitRelease() {
  while (MouseButton() != 0 && !CloseRequestPending()) {
  }
}

// The modal button wait: a second nothing cuts short, then a left click on a
// button (its number) or a key (0). A close request from the host ends it
// as a key would, so the engine can always shut down.
int ModalButtonWait(Handle window) {
  WaitTicks(kModalPauseTicks, 0);
  for (;;) {
    if (MouseButton() == 1) {
      if (const int button = ButtonUnderPointer(window); button != 0) {
        AwaitRelease();
        return button;
      }
    }
    if (TakeKey() != 0) return 0;
    if (CloseRequestPending()) return 0;
  }
}

// Draws one line of text centred in the dialog at y (the width estimated
// from its bytes up to the first line break).
void DrawCentred(Handle window, int y, const char* text) {
  if (text == nullptr) return;
  const Metrics m = SystemMetrics();
  const char* end = std::strstr(text, "\\n");
  const int n = end != nullptr ? static_cast<int>(end - text) : static_cast<int>(std::strlen(text));
  int x = WindowWidth(window) / 2 - (n * (m.w / 2)) / 2;
  if (x < 1) x = 1;
  DrawEscapedText(window, static_cast<int16_t>(x), static_cast<int16_t>(y), text, GetWindowGC(window));
}

// Line `number` of the system messages, or false.
bool SystemMessage(int number, char* out, size_t size) {
  return number > 0 && read_line_file(kSystemMessageFile, number, out, size) != nullptr;
}

// Where the information and Yes/No dialogs draw their text.
void DrawDialogText(Handle window, const char* text) {
  const Metrics m = SystemMetrics();
  DrawEscapedText(window, static_cast<int16_t>(m.w & ~1), static_cast<int16_t>(m.h), text, GetWindowGC(window));
}

void Remember(char* slot, const char* text) {
  line_copy(text != nullptr ? text : "", slot, kTextMax);
}

}  // namespace

namespace {

// The transcript's record of an opened dialog: its texts in the order they
// are drawn, joined by a blank (the error dialog's date and task line is
// left out so transcripts of runs compare equal).
void RecordShown(const char* first, const char* second) {
  std::string shown = first != nullptr ? first : "";
  if (second != nullptr && *second != '\0') {
    if (!shown.empty()) shown += ' ';
    shown += second;
  }
  TranscriptLine("dialog", shown.c_str());
}

}  // namespace

void CreateSystemDialogs() {
  const Handle manager = FindTaskByNumber(kTaskVaduManager);
  WindowOf(SystemDialog::kError) = MakeDialog(manager, "ErrorDialog", 14, "再起動", " 終  了 ");
  WindowOf(SystemDialog::kMessage) = MakeDialog(manager, "MessageDialog", 14, "O K", nullptr);
  WindowOf(SystemDialog::kInfo) = MakeDialog(manager, "InfoDialog", 10, "O K", nullptr);
  WindowOf(SystemDialog::kYesNo) = MakeDialog(manager, "YesNoDialog", 10, "Yes", "N o");
  DialogHandlers handlers;
  handlers.error = ShowErrorDialog;
  handlers.message = ShowMessageDialog;
  handlers.info = ShowInfoDialog;
  handlers.message_text = ShowMessageDialogText;
  SetDialogHandlers(handlers);
  if (WindowOf(SystemDialog::kError) == kNoHandle || WindowOf(SystemDialog::kMessage) == kNoHandle) {
    ShowMessageBox("SYSTEM DLGの作成に失敗しました");
  }
  if (WindowOf(SystemDialog::kInfo) == kNoHandle || WindowOf(SystemDialog::kYesNo) == kNoHandle) {
    ShowMessageDialog(kDialogMissingMessage, nullptr);
  }
}

void ShowErrorDialog(Handle task, int number, const char* extra) {
  const Handle window = WindowOf(SystemDialog::kError);
  const bool open = Open(window);
  if (!open) ShowMessageBox("VADUで障害が発生しましたが、エラー表示ができません！");
  const Handle named = task != kNoHandle ? task : Kernel.current_task;
  const TaskNameText name(named);
  const LocalDateTime now = PlatformClock().LocalTime();
  char head[128];
  std::snprintf(head, sizeof head, "%d/%d %2d:%2d\\n %sでエラーが発生！", now.month, now.day, now.hour, now.minute,
                name.text);
  WriteLog(head);
  // Without its window nobody could answer the dialog: the report is logged
  // and the caller goes on.
  if (!open) return;
  const Metrics m = SystemMetrics();
  const Handle gc = GetWindowGC(window);
  DrawEscapedText(window, 10, 15, head, gc);
  char message[kTextMax];
  if (SystemMessage(number, message, sizeof message)) {
    DrawEscapedText(window, 20, static_cast<int16_t>(2 * m.h + 10), message, gc);
  } else {
    message[0] = '\0';
  }
  DrawCentred(window, 5 * m.h, extra);
  RecordShown(message, extra);
  const int answer = ModalButtonWait(window);
  TranscriptLinef("answer", "%d", answer);
  if (answer == 1) {
    SetFlag(RESTART_REQUEST);
    PostEvent(kTaskVaduManager, kTaskVaduManager, ShutDownEvent);
  } else if (answer == 2) {
    // " 終  了 ": the program ends at once, leaving its state dump.
    WriteStateDump();
    SetFlag(SYSTEM_END);
    CloseDevice();
  }
  Close(window);
}

int ShowMessageDialog(int number, const char* extra) {
  const Handle window = WindowOf(SystemDialog::kMessage);
  if (!Open(window)) return 1;
  char message[kTextMax];
  if (SystemMessage(number, message, sizeof message)) {
    DrawEscapedText(window, 20, 10, message, GetWindowGC(window));
  } else {
    message[0] = '\0';
  }
  DrawCentred(window, 5 * SystemMetrics().h, extra);
  RecordShown(message, extra);
  TranscriptLinef("answer", "%d", ModalButtonWait(window));
  Close(window);
  return 0;
}

int ShowMessageDialogText(const char* text) {
  const Handle window = WindowOf(SystemDialog::kMessage);
  if (!Open(window)) return 1;
  DrawEscapedText(window, 20, 10, text != nullptr ? text : "", GetWindowGC(window));
  RecordShown(text, nullptr);
  TranscriptLinef("answer", "%d", ModalButtonWait(window));
  Close(window);
  return 0;
}

int ShowInfoDialog(const char* text) {
  const Handle window = WindowOf(SystemDialog::kInfo);
  if (!Open(window)) {
    WriteLog("DLG OPEN ERROR!");
    return 1;
  }
  Remember(g.info_text, text);
  DrawDialogText(window, g.info_text);
  RecordShown(g.info_text, nullptr);
  const int answer = ModalButtonWait(window);
  TranscriptLinef("answer", "%d", answer);
  Close(window);
  return answer;
}

int YesNoDialog(const char* text) {
  const Handle window = WindowOf(SystemDialog::kYesNo);
  if (!Open(window)) return 1;
  Remember(g.yesno_text, text);
  DrawDialogText(window, g.yesno_text);
  RecordShown(g.yesno_text, nullptr);
  int answer = 0;
  while (answer == 0) {
    const uint16_t key = TakeKey();
    if (key == KEY_RETURN) {
      answer = 1;
    } else if (key == KEY_ESCAPE || CloseRequestPending()) {
      // A close request from the host answers No, so the engine can shut
      // down.
      answer = 2;
    } else if (MouseButton() == 1) {
      answer = ButtonUnderPointer(window);
      if (answer != 0) AwaitRelease();
    }
  }
  TranscriptLinef("answer", "%d", answer);
  Close(window);
  return answer;
}

void RepaintOpenDialogs() {
  const struct {
    SystemDialog which;
    const char* text;
  } open[] = {{SystemDialog::kYesNo, g.yesno_text}, {SystemDialog::kInfo, g.info_text}};
  for (const auto& d : open) {
    const Handle window = WindowOf(d.which);
    if (TestWindowMode(window, WINDOWopen) == 0) continue;
    SetWindowMode(window, WINDOWdrawable);
    draw_window(window);
    DrawDialogText(window, d.text);
  }
}

Handle DialogWindow(SystemDialog which) {
  return WindowOf(which);
}

void ResetSystemDialogs() {
  g = Dialogs{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetSystemDialogs);
}  // namespace

}  // namespace vadu
