#pragma once
// The run's work files, the batch file and the tool's output and error output: where
// they go, and their removal.

#include <functional>
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/tool_names.h"
#include "run/tool_paths.h"

namespace tindrel {

// The user's private work folder in the temporary folder, and how many other names
// ("Tindrel.2" and on) are tried when a file or a held work file is in the way.
inline constexpr wchar_t kPrivateFolderName[] = L"Tindrel";
inline constexpr int kPrivateFolderNames = 5;

// How long deleting or reading a work file is retried while another process briefly
// holds it.
inline constexpr Milliseconds kDeleteRetryTime{3000};
inline constexpr Milliseconds kDeleteRetryStep{100};

// Calls `attempt` until it no longer finds the file held by another process (it returns
// true while it does) or the retry time has passed, handling events between attempts: a
// virus scanner, an indexer or a tool's last moments hold a file for a while.
void RetryWhileHeld(RunContext& Context, const std::function<bool()>& attempt);

// Whether a file could not be opened or read because another process holds it.
bool HeldByAnother(const SystemError& Why);

// Deletes b.txt and then run.bat from the work folder, each only if it exists, then the
// error output and the interpreter's output, and the private work folder itself once it
// is empty. A file that cannot be deleted (another program holds it, its network folder
// dropped off, whatever the reason) is left for the next run, which steps around it.
void RemoveWorkFiles(const ToolPaths& Paths, RunContext& Context);

// Deletes the work files a run left behind where it can, and the private work folder
// once it is empty; a file that cannot be deleted is left for PlaceBatchFile to avoid.
void ClearEarlierWorkFiles(const ToolPaths& Paths, RunContext& Context);

// Writes run.bat where the user may write and sets Paths.WorkFolder, Paths.ErrorFile,
// Paths.InterpreterOutput, Paths.Command and Paths.BatchLine to match. The tool folder
// is used whenever it takes the file and holds no output that cannot really be removed;
// otherwise the user's private work folder is. Either way no b.txt is there when this
// returns, so any b.txt that appears later was written by this run's tool. Returns,
// instead, the explanation for the user when there is nowhere the user may write.
std::optional<std::wstring> PlaceBatchFile(ToolPaths& Paths, RunContext& Context);

}  // namespace tindrel
