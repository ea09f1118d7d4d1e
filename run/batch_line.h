#pragma once
#include <string>
#include <string_view>

namespace tindrel {

struct BatchText {
    std::wstring Command;
    std::wstring BatchLine;
};

// The command and batch line that run the tool in `toolFolder` with its output
// redirected into the output file in `workFolder`. Either folder is spelled out, or is a
// name the command interpreter expands (kBatchFileFolder, kToolFolderReference), which
// begins with % where a spelled-out folder never does.
//
// With the work files in the tool folder, a plain folder such as C:\Nero\ gets the
// classic unquoted line; any other folder gets quoted paths with % doubled, so that
// blanks and & ^ ( ) , ; = in it reach the command interpreter as part of the name.
//
// With the work files elsewhere (a tool folder that refuses them), the line first makes
// the tool folder current with pushd, which also takes network paths, and runs the tool
// only if that worked; both folders are quoted.
BatchText ComposeBatchText(std::wstring_view toolFolder, std::wstring_view workFolder);

// The batch file's own folder as the command interpreter knows it: the work folder, and
// the tool folder where the batch file sits in it.
inline constexpr wchar_t kBatchFileFolder[] = L"%~dp0";

// The tool folder, with its trailing backslash, as the launcher hands it to the command
// interpreter in its environment, and as the batch line names it.
inline constexpr wchar_t kToolFolderVariable[] = L"TINDREL_TOOL_FOLDER";
inline constexpr wchar_t kToolFolderReference[] = L"%TINDREL_TOOL_FOLDER%";

}  // namespace tindrel
