#pragma once
#include <string>
#include <string_view>

namespace tindrel {

struct BatchText {
    std::wstring Command;
    std::wstring BatchLine;
};

// The command and batch line that run the tool in `toolFolder` with its output
// redirected into b.txt in `workFolder`.
//
// With the work files in the tool folder, a plain folder such as C:\Nero\ gets the
// classic unquoted line; any other folder gets quoted paths with % doubled, so that
// blanks and & ^ ( ) , ; = in it reach the command interpreter as part of the name.
//
// With the work files elsewhere (a tool folder that refuses them), the line first makes
// the tool folder current with pushd, which also takes network paths, and runs the tool
// only if that worked; both folders are quoted.
BatchText ComposeBatchText(std::wstring_view toolFolder, std::wstring_view workFolder);

}  // namespace tindrel
