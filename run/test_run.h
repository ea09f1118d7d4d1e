#pragma once
#include <cstdint>
#include <memory>

#include "run/platform.h"
#include "run/registry_api.h"
#include "run/run_view.h"
#include "run/tool_paths.h"

namespace tindrel {

// The platform a test run works on, and what runs share: which run is the newest and
// the tool the newest one launched.
struct RunContext {
    RegistryApi& Registry;
    FileSystem& Files;
    BatchEncoding& Encoding;
    ToolLauncher& Launcher;
    Clock& Time;
    EventPump& Events;
    InstallationNotice& Notice;

    Milliseconds CycleLength{6000};

    std::uint64_t NewestRun = 0;
    std::unique_ptr<LaunchedTool> Tool;
};

inline constexpr int kMinimumCycles = 2;
// A drive scan that has not finished after 20 cycles (two minutes, ten times what the
// window promises) is hung; the run then gives up instead of waiting forever.
inline constexpr int kMaximumCycles = 20;
// How long deleting a work file is retried while another process briefly holds it.
inline constexpr Milliseconds kDeleteRetryTime{3000};
inline constexpr Milliseconds kDeleteRetryStep{100};

// Runs the tool and shows its output. Returns when the run has finished, or as soon as
// a newer run started during its wait has taken over.
void StartTestRun(ToolPaths& Paths, RunView& View, RunContext& Context);

// Deletes b.txt and then run.bat from the tool folder, each only if it exists.
void RemoveWorkFiles(const ToolPaths& Paths, RunContext& Context);

}  // namespace tindrel
