#pragma once
// The run's two work files, run.bat and b.txt: where they go, and their removal.

#include <optional>
#include <string>

#include "run/diagnostic_run.h"

namespace tindrel {

inline constexpr wchar_t kOutputFile[] = L"b.txt";
inline constexpr wchar_t kBatchFile[] = L"run.bat";

// How long deleting a work file is retried while another process briefly holds it.
inline constexpr Milliseconds kDeleteRetryTime{3000};
inline constexpr Milliseconds kDeleteRetryStep{100};

// Deletes b.txt and then run.bat from the work folder, each only if it exists, and the
// private work folder itself once it is empty. Throws when a file stays held.
void RemoveWorkFiles(const ToolPaths& Paths, RunContext& Context);

// Deletes the work files a run left behind where it can, and the private work folder
// once it is empty; a file another program still holds is left for PlaceBatchFile to
// avoid.
void ClearEarlierWorkFiles(const ToolPaths& Paths, RunContext& Context);

// Writes run.bat where the user may write and sets Paths.WorkFolder, Paths.Command and
// Paths.BatchLine to match. The tool folder is used whenever it takes the file and holds
// no output that cannot really be removed; otherwise the user's private work folder is.
// Either way no b.txt is there when this returns, so any b.txt that appears later was
// written by this run's tool.
void PlaceBatchFile(ToolPaths& Paths, RunContext& Context);

}  // namespace tindrel
