#pragma once
#include <string>
#include <string_view>

namespace tindrel {

struct BatchText {
    std::wstring Command;
    std::wstring BatchLine;
};

// The command and batch line that run the tool in `toolFolder` with its output
// redirected into the output file in `workFolder`.
//
// With the work files in the tool folder, a plain folder such as C:\Nero\ gets the
// classic unquoted line; any other folder gets quoted paths with % doubled, so that
// blanks and & ^ ( ) , ; = in it reach the command interpreter as part of the name.
//
// With the work files elsewhere (a tool folder that refuses them), the line first makes
// the tool folder current with pushd, which also takes network paths, and runs the tool
// only if that worked; both folders are quoted. A work folder of kBatchFileFolder is
// named as the batch file's own folder.
BatchText ComposeBatchText(std::wstring_view toolFolder, std::wstring_view workFolder);

// The batch file's own folder as the command interpreter knows it, for a work folder the
// batch file's code page cannot spell (a user name in another script).
inline constexpr wchar_t kBatchFileFolder[] = L"%~dp0";

}  // namespace tindrel
