// The presentation tasks: EffectTask (task 12) types message text and runs
// window effects. AnimeTask is present/anime.h, StartScreen
// present/start_screen.h.
#pragma once

#include "core/types.h"

namespace vadu {

void EffectTask(Handle task);

}  // namespace vadu
