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

BatchText ComposeBatchText(std::wstring_view toolFolder, std::wstring_view workFolder) {
    const std::wstring tool(toolFolder);
    const std::wstring work(workFolder);
    if (tool != work) {
        BatchText text{QuotedPath(tool + L"nerocmd") + L" --listdrives", {}};
        // popd frees the drive letter pushd maps for a network folder; it leaves the
        // tool's exit status as the batch file's.
        text.BatchLine =
            L"pushd " + QuotedPath(tool) + L" && " + text.Command + L" > " + QuotedPath(work + L"b.txt") + L" & popd";
        return text;
    }
    if (std::all_of(tool.begin(), tool.end(), IsPlainCharacter)) {
        BatchText text{tool + L"nerocmd --listdrives", {}};
        text.BatchLine = text.Command + L" > " + tool + L"b.txt";
        return text;
    }
    BatchText text{QuotedPath(tool + L"nerocmd") + L" --listdrives", {}};
    text.BatchLine = text.Command + L" > " + QuotedPath(tool + L"b.txt");
    return text;
}

}  // namespace tindrel
