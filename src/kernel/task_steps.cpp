#include "kernel/task_steps.h"

#include <array>
#include <vector>

#include "kernel/event.h"
#include "kernel/key_task.h"
#include "kernel/manager.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// A step nobody registered: the task receives its events and does nothing
// more.
void ReceiveOnly(Handle task) {
  ReciveEvent(task);
}

// The fixed table: names, numbers and the kernel's own steps, which cannot
// be replaced.
constexpr std::array<SystemTaskEntry, kSystemTaskCount> kKernelTable = {{
    {"VaduManager", kTaskVaduManager, {VaduManager}},
    {"EventTask", kTaskEvent, {EventTask}},
    {"KeyTask", kTaskKey, {KeyTask}},
    {"WindowTask", kTaskWindow, {}},
    {"MenuTask", kTaskMenu, {}},
    {"TextTask", kTaskText, {}},
    {"ExecManager", kTaskExecManager, {ExecManager}},
    {"AnimeTask", kTaskAnime, {}},
    {"EffectTask", kTaskEffect, {}},
    {"StartScreen", kTaskStartScreen, {}},
}};
// The table with what the layers registered.
std::array<SystemTaskEntry, kSystemTaskCount> g_table = kKernelTable;

ApplicationHooks g_application;
std::vector<LayerHooks> g_layers;

bool KernelOwnsStep(int32_t number) {
  return number == kTaskVaduManager || number == kTaskEvent || number == kTaskKey || number == kTaskExecManager;
}

}  // namespace

const SystemTaskEntry& SystemTaskAt(int index) {
  if (index < 0 || index >= kSystemTaskCount) index = 0;
  return g_table[index];
}

bool RegisterTaskStep(int32_t number, const TaskStepHooks& hooks) {
  if (KernelOwnsStep(number)) return false;
  for (SystemTaskEntry& entry : g_table) {
    if (entry.number != number) continue;
    entry.hooks = hooks;
    RegisterReset(hooks.reset);
    return true;
  }
  return false;
}

void RegisterApplication(const ApplicationHooks& hooks) {
  g_application = hooks;
  RegisterReset(hooks.reset);
}

void RegisterLayer(const LayerHooks& hooks) {
  for (const LayerHooks& l : g_layers) {
    if (l.ready == hooks.ready && l.repaint == hooks.repaint && l.reset == hooks.reset) return;
  }
  g_layers.push_back(hooks);
  RegisterReset(hooks.reset);
}

void ClearTaskStepRegistrations() {
  g_layers.clear();
  g_table = kKernelTable;
  g_application = ApplicationHooks{};
}

void RunStartHooks() {
  for (const SystemTaskEntry& entry : g_table) {
    if (entry.hooks.start != nullptr) entry.hooks.start();
  }
}

void RunReadyHooks() {
  for (const SystemTaskEntry& entry : g_table) {
    if (entry.hooks.ready != nullptr) entry.hooks.ready();
  }
  for (const LayerHooks& layer : g_layers) {
    if (layer.ready != nullptr) layer.ready();
  }
}

void RunRepaintHooks() {
  for (const SystemTaskEntry& entry : g_table) {
    if (entry.hooks.repaint != nullptr) entry.hooks.repaint();
  }
  for (const LayerHooks& layer : g_layers) {
    if (layer.repaint != nullptr) layer.repaint();
  }
}

void RunSystemTaskStep(int index, Handle task) {
  const TaskStepFn step = SystemTaskAt(index).hooks.step;
  (step != nullptr ? step : ReceiveOnly)(task);
}

Handle CreateApplicationTask() {
  return g_application.create != nullptr ? g_application.create() : kNoHandle;
}

void RunApplicationStep(Handle task) {
  (g_application.step != nullptr ? g_application.step : ReceiveOnly)(task);
}

}  // namespace vadu
