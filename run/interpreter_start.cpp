#include "run/interpreter_start.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "run/batch_line.h"

namespace tindrel {
namespace {

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// An entry's name: up to its first = after the first character, since the per-drive
// current folders are kept as "=C:=C:\...".
std::wstring_view NameOf(std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); }

// Windows compares variable names, drives and shares without regard to case, and keeps
// the environment block sorted so.
int CompareNames(std::wstring_view a, std::wstring_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return UpperAscii(a[i]) < UpperAscii(b[i]) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The parent's environment without ERRORLEVEL, in any case of its letters: %ERRORLEVEL%
// would expand to such a variable instead of the last command's status. The variables
// the batch line names are set, each where it sorts.
std::wstring InterpreterEnvironment(std::wstring_view parent,
                                    const std::vector<std::pair<std::wstring, std::wstring>>& set) {
    std::vector<std::wstring_view> entries;
    for (std::size_t start = 0; start < parent.size();) {
        const std::size_t end = std::min(parent.find(L'\0', start), parent.size());
        const std::wstring_view entry = parent.substr(start, end - start);
        start = end + 1;
        if (entry.empty()) break;
        const auto named = [&](std::wstring_view name) { return CompareNames(NameOf(entry), name) == 0; };
        const bool replaced = std::any_of(set.begin(), set.end(), [&](const auto& v) { return named(v.first); });
        if (!replaced && !named(L"ERRORLEVEL")) entries.push_back(entry);
    }
    std::vector<std::wstring> added;
    for (const auto& [name, value] : set) added.push_back(name + L"=" + value);
    for (const std::wstring& entry : added) {
        const auto after = std::find_if(entries.begin(), entries.end(), [&](std::wstring_view e) {
            return e.front() != L'=' && CompareNames(NameOf(e), NameOf(entry)) > 0;
        });
        entries.insert(after, entry);
    }
    std::wstring block;
    for (std::wstring_view entry : entries) (block += entry) += L'\0';
    return block + L'\0';
}

}  // namespace

InterpreterStart PlanInterpreterStart(const std::wstring& batchFile, const std::wstring& toolFolder,
                                      std::wstring_view parentEnvironment, const std::wstring& systemFolder) {
    const std::size_t slash = batchFile.find_last_of(L"\\/");
    const std::wstring folder = batchFile.substr(0, slash + 1);
    // No folder's text passes through the command line, where cmd.exe would expand
    // %name% and split at & or blanks. /d skips AutoRun commands; /e:on gives pushd its
    // network paths where the user turned command extensions off; /v:off keeps ! literal.
    const std::wstring options = L"/d /e:on /v:off ";
    if (folder.rfind(L"\\\\", 0) != 0) {
        // From its own folder by an explicit relative name, which keeps the interpreter
        // from searching for it (NoDefaultCurrentDirectoryInExePath would forbid that).
        return {options + L"/c .\\" + batchFile.substr(slash + 1), folder,
                InterpreterEnvironment(parentEnvironment, {{kToolFolderVariable, toolFolder}})};
    }
    // cmd.exe refuses a network working folder and falls back to the Windows folder,
    // where .\run.bat is not found: the batch file is named by a variable instead. /s
    // takes off only the outer quotes, so the expanded path stays quoted.
    return {options + L"/s /c \"\"%" + std::wstring(kBatchFileVariable) + L"%\"\"", systemFolder,
            InterpreterEnvironment(parentEnvironment, {{kToolFolderVariable, toolFolder}, {kBatchFileVariable, batchFile}})};
}

std::wstring NetworkShareOf(std::wstring_view folder) {
    if (folder.rfind(L"\\\\", 0) != 0) return {};
    const std::size_t server = folder.find(L'\\', 2);
    if (server == std::wstring_view::npos) return {};
    return std::wstring(folder.substr(0, folder.find(L'\\', server + 1)));
}

PushdDrives::PushdDrives(NetworkDrives* drives, std::wstring_view toolFolder)
    : drives_(drives), share_(NetworkShareOf(toolFolder)) {
    if (share_.empty()) drives_ = nullptr;
    if (drives_) before_ = drives_->SessionMappings();
}

void PushdDrives::RemoveNew() {
    if (!drives_) return;
    for (const NetworkDrives::Mapping& now : drives_->SessionMappings()) {
        // A letter that was there before, whatever it named then, is someone else's.
        const bool old = std::any_of(before_.begin(), before_.end(), [&](const NetworkDrives::Mapping& m) {
            return CompareNames(m.Drive, now.Drive) == 0;
        });
        if (!old && CompareNames(now.Share, share_) == 0) drives_->Unmap(now.Drive);
    }
    drives_ = nullptr;
}

}  // namespace tindrel
