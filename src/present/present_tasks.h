// The presentation tasks: AnimeTask (task 11) runs animation scripts and
// StartScreen (task 19) shows the start screen. EffectTask (task 12) is in
// present/effect.h.
#pragma once

#include "core/types.h"

namespace vadu {

void AnimeTask(Handle task);
void StartScreen(Handle task);

}  // namespace vadu
