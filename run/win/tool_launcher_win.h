#pragma once
#include "run/platform.h"

namespace tindrel::win {

// Starts the batch file through cmd.exe, hidden, inside a job object where Windows
// allows one. The run keeps the interpreter's process to learn when it has ended and
// with what status; the job lets an abandoned tool be ended so it lets go of the output
// file, and ends whatever is left of it when the program ends.
class JobToolLauncher final : public ToolLauncher {
public:
    LaunchResult Launch(const std::wstring& batchFile, const std::wstring& errorFile,
                        const std::wstring& outputFile, const std::wstring& toolFolder) override;
};

}  // namespace tindrel::win
