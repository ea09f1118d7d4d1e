#pragma once
#include "run/platform.h"

namespace tindrel::win {

// Starts the batch file through cmd.exe, hidden, inside a job object. The run never
// waits for it; the job only lets an abandoned tool be ended so it lets go of the
// output file, and ends whatever is left of it when the program ends.
class JobToolLauncher final : public ToolLauncher {
public:
    std::unique_ptr<LaunchedTool> Launch(const std::wstring& batchFile) override;
};

}  // namespace tindrel::win
