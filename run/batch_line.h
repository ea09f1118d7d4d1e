#pragma once
#include <string>
#include <string_view>

namespace tindrel {

struct BatchText {
    std::wstring Command;
    std::wstring BatchLine;
};

// The command and batch line that run the tool in `folder` with its output redirected
// into b.txt there. A plain folder such as C:\Nero\ gets the classic unquoted line;
// any other folder gets quoted paths with % doubled, so that blanks and & ^ ( ) , ; =
// in it reach the command interpreter as part of the name.
BatchText ComposeBatchText(std::wstring_view folder);

}  // namespace tindrel
