#pragma once
#include "run/run_context.h"
#include "run/run_view.h"
#include "run/tool_paths.h"

namespace tindrel {

// Runs the tool and shows its output; returns when the run has finished. Called while a
// run waits (Start pressed again), it only asks that run to begin again from its first
// step, which it does as soon as control is back in its wait: the newest press wins, and
// runs never nest.
void StartTestRun(ToolPaths& Paths, RunView& View, RunContext& Context);

}  // namespace tindrel
