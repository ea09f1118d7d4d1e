#pragma once
// What the results box says when a run shows no result: why, in plain Chinese, with what
// the user can do about it.

#include <cstdint>
#include <optional>
#include <string>

#include "run/platform.h"
#include "run/tool_paths.h"

namespace tindrel {

// No output after `seconds`.
std::wstring NoResultText(long long seconds);
std::wstring FolderTooLongText(const std::wstring& folder);
// The command interpreter would not start: blocked by a policy, denied or missing, or
// failing this once.
std::wstring InterpreterRefusedText(const SystemError& why, bool blocked);
// The user's policy stops the command interpreter running batch files.
std::wstring BatchFilesBlockedText();
// The interpreter ended without creating the output file, which it does before it even
// looks the tool up: the batch line never reached the tool (a policy that blocks batch
// files, a pushd that failed). What the interpreter said on either output, and its exit
// status (empty when unknown); a policy is suggested only where the batch did not run.
std::wstring BatchNeverRanText(const ToolPaths& paths, std::optional<unsigned long> status, FileSystem& files);
// Neither the tool folder nor the temporary folder takes the work files.
std::wstring NoWritablePlaceText(const std::wstring& toolFolder, const SystemError& why);
// The tool's output is there but cannot be read; `held` when another program holds it.
std::wstring OutputUnreadableText(const SystemError& why, bool held);
// A tool that failed or printed nothing: what it did write on its output and its error
// output, and its exit status (empty when unknown). The command interpreter creates the
// output file even when it cannot start the tool, so an empty file is no scan result.
std::wstring ToolFailedText(const ToolPaths& paths, std::optional<unsigned long> status, std::uint64_t outputSize,
                            FileSystem& files);

}  // namespace tindrel
