#include "present/present_tasks.h"

#include "kernel/event.h"

namespace vadu {

// FIXME: the anime and start-screen steps replace these; until then each
// task only receives its events.
void AnimeTask(Handle task) {
  ReciveEvent(task);
}

void StartScreen(Handle task) {
  ReciveEvent(task);
}

}  // namespace vadu
