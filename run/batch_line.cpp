#include "run/batch_line.h"

#include <algorithm>

namespace tindrel {
namespace {

bool IsPlainCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'\\' || c == L':' || c == L'.' || c == L'_' || c == L'-';
}

// Inside double quotes the command interpreter takes & | < > ^ ( ) literally, but a
// batch file still expands %name%, so % is written as %%.
std::wstring QuotedPath(std::wstring_view path) {
    std::wstring quoted = L"\"";
    for (wchar_t c : path) {
        quoted += c;
        if (c == L'%') quoted += L'%';
    }
    return quoted + L"\"";
}

}  // namespace

BatchText ComposeBatchText(std::wstring_view folder) {
    const std::wstring base(folder);
    if (std::all_of(folder.begin(), folder.end(), IsPlainCharacter)) {
        BatchText text{base + L"nerocmd --listdrives", {}};
        text.BatchLine = text.Command + L" > " + base + L"b.txt";
        return text;
    }
    BatchText text{QuotedPath(base + L"nerocmd") + L" --listdrives", {}};
    text.BatchLine = text.Command + L" > " + QuotedPath(base + L"b.txt");
    return text;
}

}  // namespace tindrel
