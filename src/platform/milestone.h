// Start-up milestones, for measuring how long a player waits: with
// VADU_TIMING=1 in the environment, the first NoteMilestone of each name
// writes one line to standard error,
//
//   vadu-timing: <name> <ms>
//
// where ms is the time since the process started (process_start.h), with
// one decimal. The SDL host notes "first-frame" once its first frame is on
// the screen; the application notes "first-page" once its first message
// page is shown whole. scripts/measure_host.sh reads these lines.
//
// Without VADU_TIMING=1 a call costs one atomic load. Any thread may call.
// A name is noted once per process: the figures count from the process
// start, so a second engine run in the same process (tests) has nothing to
// add, and the engine's reset leaves them alone.
#pragma once

namespace vadu {

void NoteMilestone(const char* name);

// Notes `name` (a string that lives for the process) when the host next puts
// a frame on the screen: what the engine has drawn counts once the player
// can see it. A host without a screen never notes it.
void NoteMilestoneOnNextFrame(const char* name);
// Called by a host right after it presented a frame.
void NoteFrameMilestones();

// Forgets the names noted and reads VADU_TIMING again at the next call
// (tests).
void ForgetMilestones();

}  // namespace vadu
