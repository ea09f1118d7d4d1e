#include "run/locate_tool.h"

#include <algorithm>

#include "run/get_key_value.h"
#include "run/install_entry.h"

namespace tindrel {
namespace {

constexpr std::wstring_view kProgramFile = L"nero.exe";

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace

void LocateTool(ToolPaths& Paths, RegistryApi& Registry, InstallationNotice& Notice) {
    std::wstring programPath;
    // Only the text decides: a missing key, a missing value and a value of another
    // type all leave it without "nero.exe" at its end.
    GetKeyValue(Registry, kHkeyCurrentUser, kInstallKey, kInstallValue, programPath);

    const std::size_t tail = std::min(programPath.size(), kProgramFile.size());
    const std::wstring_view ending = std::wstring_view(programPath).substr(programPath.size() - tail);
    if (!EqualsIgnoringAsciiCase(ending, kProgramFile)) Notice.ReportMissingInstallation();

    Paths.Folder = programPath.substr(0, programPath.size() - kProgramFile.size());
}

}  // namespace tindrel
