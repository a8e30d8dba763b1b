// The presentation tasks: EffectTask (task 12) types message text and runs
// window effects, and StartScreen (task 19) shows the start screen.
// AnimeTask is present/anime.h.
#pragma once

#include "core/types.h"

namespace vadu {

void EffectTask(Handle task);
void StartScreen(Handle task);

}  // namespace vadu
