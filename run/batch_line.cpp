#include "run/batch_line.h"

#include <algorithm>

#include "run/tool_names.h"

namespace tindrel {
namespace {

bool IsPlainCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'\\' || c == L':' || c == L'.' || c == L'_' || c == L'-';
}

// Inside double quotes the command interpreter takes & | < > ^ ( ) literally, but a
// batch file still expands %name%, so % in a spelled-out path is written as %%; a name
// the interpreter is to expand stays as it is.
std::wstring QuotedPath(std::wstring_view path) {
    std::wstring quoted = L"\"";
    for (wchar_t c : path) {
        quoted += c;
        if (c == L'%' && path.front() != L'%') quoted += L'%';
    }
    return quoted + L"\"";
}

}  // namespace

BatchText ComposeBatchText(std::wstring_view toolFolder, std::wstring_view workFolder) {
    const std::wstring tool(toolFolder);
    const std::wstring argument = std::wstring(L" ") + kToolArgument;
    if (tool != workFolder) {
        BatchText text{QuotedPath(tool + kToolName) + argument, {}};
        // The whole line is expanded before pushd runs, so %~dp0 is still the batch
        // file's folder.
        text.BatchLine = L"pushd " + QuotedPath(tool) + L" && " + text.Command + L" > " +
                         QuotedPath(std::wstring(workFolder) + kOutputFile);
        // cmd.exe /c file.bat exits with its last command's return code, not ERRORLEVEL,
        // so the tool comes last, on a network folder too: no popd and no second
        // interpreter to hand its status on, which the command-prompt policy that still
        // allows batch files would refuse. The launcher frees the drive letter pushd maps
        // for a network folder once the interpreter has ended.
        return text;
    }
    if (std::all_of(tool.begin(), tool.end(), IsPlainCharacter)) {
        BatchText text{tool + kToolName + argument, {}};
        text.BatchLine = text.Command + L" > " + tool + kOutputFile;
        return text;
    }
    BatchText text{QuotedPath(tool + kToolName) + argument, {}};
    text.BatchLine = text.Command + L" > " + QuotedPath(tool + kOutputFile);
    return text;
}

}  // namespace tindrel
