#pragma once
// What a run works with: the platform, and what outlives one run. The run's steps take
// it, so it sits below all of them.

#include <memory>

#include "run/platform.h"
#include "run/registry_api.h"

namespace tindrel {

inline constexpr int kMinimumCycles = 2;
// A drive scan that has not finished after 20 cycles (two minutes, ten times what the
// window promises) is hung; the run then gives up instead of waiting forever.
inline constexpr int kMaximumCycles = 20;

// The platform a run works on, and what outlives one run: whether a run is under way,
// whether Start was pressed again during it, and the tool it launched last.
struct RunContext {
    RunContext(RegistryApi& registry, FileSystem& files, BatchEncoding& encoding, ToolLauncher& launcher, Clock& time,
               EventPump& events, InstallationNotice& notice)
        : Registry(registry), Files(files), Encoding(encoding), Launcher(launcher), Time(time), Events(events),
          Notice(notice) {}

    RegistryApi& Registry;
    FileSystem& Files;
    BatchEncoding& Encoding;
    ToolLauncher& Launcher;
    Clock& Time;
    EventPump& Events;
    InstallationNotice& Notice;

    Milliseconds CycleLength{6000};
    int MaximumCycles = kMaximumCycles;

    bool Running = false;
    bool RestartRequested = false;
    std::unique_ptr<LaunchedTool> Tool;
};

}  // namespace tindrel
