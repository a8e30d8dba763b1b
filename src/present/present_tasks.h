// The presentation tasks: AnimeTask (task 11) runs animation scripts,
// EffectTask (task 12) types message text and runs window effects, and
// StartScreen (task 19) shows the start screen.
#pragma once

#include "core/types.h"

namespace vadu {

void AnimeTask(Handle task);
void EffectTask(Handle task);
void StartScreen(Handle task);

}  // namespace vadu
