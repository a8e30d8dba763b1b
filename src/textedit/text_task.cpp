#include "textedit/text_task.h"

#include "kernel/event.h"

namespace vadu {

// FIXME: the text task's step (focus, cursor, editing keys) replaces this;
// until then the task only receives its events.
void TextTask(Handle task) {
  ReciveEvent(task);
}

}  // namespace vadu
