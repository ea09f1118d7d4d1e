#include "tools/driver/prefix_leftovers.h"

#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "tools/driver/app_driver.h"
#include "win/code_page.h"
#include "win/unique_handle.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;

// ntdll's calls, looked up at run time so that nothing links against ntdll.
struct CountedText {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
};
struct HandleEntry {
    PVOID Object;
    ULONG_PTR ProcessId;
    ULONG_PTR Handle;
    ULONG GrantedAccess;
    USHORT CreatorBackTraceIndex;
    USHORT TypeIndex;
    ULONG Attributes;
    ULONG Reserved;
};
struct HandleList {
    ULONG_PTR Count;
    ULONG_PTR Reserved;
    HandleEntry Handles[1];
};
constexpr ULONG kExtendedHandleInformation = 64;
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
using QuerySystemFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryObjectFn = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <typename Fn>
Fn Ntdll(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

// The object's type or name, as NtQueryObject gives it; empty if it cannot.
std::wstring ObjectText(QueryObjectFn query, HANDLE object, ULONG what) {
    alignas(8) unsigned char buffer[8192];
    ULONG size = 0;
    if (query(object, what, buffer, sizeof buffer - sizeof(wchar_t), &size) < 0) return {};
    const auto* text = reinterpret_cast<const CountedText*>(buffer);
    return text->Buffer ? std::wstring(text->Buffer, text->Length / sizeof(wchar_t)) : std::wstring{};
}

std::wstring Upper(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

ULONGLONG CreationTime(DWORD id) {
    const win::UniqueHandleKernel process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id));
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!process || !::GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// False only when both times are known and `later` began first: its id was then reused.
bool StartedNoLaterThan(const PrefixProcess& earlier, const PrefixProcess& later) {
    return !earlier.Created || !later.Created || earlier.Created <= later.Created;
}

void RemoveOnce(const fs::path& path, std::vector<fs::path>& left) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    // Read-only files would survive a plain delete under Wine.
    if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const size_t leftBefore = left.size();
        WIN32_FIND_DATAW entry;
        const HANDLE search = ::FindFirstFileW((path / L"*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") RemoveOnce(path / name, left);
            } while (::FindNextFileW(search, &entry));
            ::FindClose(search);
        }
        if (!::RemoveDirectoryW(path.c_str()) && left.size() == leftBefore &&
            ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            left.push_back(path);
        }
        return;
    }
    // A file deleted while another process holds it with delete sharing stays in its
    // folder until that handle closes.
    ::DeleteFileW(path.c_str());
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) left.push_back(path);
}

}  // namespace

std::vector<PrefixProcess> PrefixProcesses() {
    std::vector<PrefixProcess> processes;
    const win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == 0) continue;
        processes.push_back(
            {entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile, CreationTime(entry.th32ProcessID)});
    }
    return processes;
}

std::string Describe(const PrefixProcess& process) {
    return win::ToCodePage(CP_UTF8, process.Name) + " " + std::to_string(process.Id);
}

std::vector<PrefixProcess> ConsoleHostsWithoutClient(const std::vector<PrefixProcess>& running) {
    std::map<DWORD, const PrefixProcess*> byId;
    for (const PrefixProcess& p : running) byId[p.Id] = &p;
    std::vector<PrefixProcess> hosts;
    for (const PrefixProcess& host : running) {
        if (::lstrcmpiW(host.Name.c_str(), L"conhost.exe") != 0) continue;
        const DWORD starter = host.Parent;
        bool client = false;
        for (const PrefixProcess& p : running) {
            if (p.Id == host.Id) continue;
            // Up p's ancestry through the processes still running: the starter itself (not
            // a later process given its id), or a process it started.
            const PrefixProcess* at = &p;
            for (int depth = 0; at && depth < 64 && !client; ++depth) {
                client = (at->Id == starter && StartedNoLaterThan(*at, host)) || at->Parent == starter;
                const auto parent = byId.find(at->Parent);
                at = parent != byId.end() && parent->second != at && StartedNoLaterThan(*parent->second, *at)
                         ? parent->second
                         : nullptr;
            }
            if (client) break;
        }
        if (!client) hosts.push_back(host);
    }
    return hosts;
}

std::vector<UnixProcess> WineProcessesNeverStarted(std::chrono::seconds age) {
    std::vector<UnixProcess> stalled;
    for (UnixProcess& process : UnixProcessesOfPrefix()) {
        const bool loader = process.Comm == "wine64" || process.Comm == "wine" || process.Comm == "wine64-preloader" ||
                            process.Comm == "wine-preloader";
        // A Windows program, named with its drive.
        const bool windowsProgram = process.Program.size() > 2 && process.Program[1] == ':';
        if (loader && windowsProgram && process.AgeSeconds >= static_cast<double>(age.count())) {
            stalled.push_back(std::move(process));
        }
    }
    return stalled;
}

bool HeldOpen(const fs::path& file) {
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(handle);
    return false;
}

std::vector<fs::path> FilesUnder(const fs::path& root) {
    std::vector<fs::path> files;
    std::error_code ignored;
    for (auto entry = fs::recursive_directory_iterator(root, ignored); !ignored && entry != fs::recursive_directory_iterator();
         entry.increment(ignored)) {
        if (!entry->is_directory(ignored)) files.push_back(entry->path());
    }
    return files;
}

std::vector<OpenFile> OpenFilesUnder(const std::vector<fs::path>& roots) {
    std::vector<OpenFile> files;
    const auto querySystem = Ntdll<QuerySystemFn>("NtQuerySystemInformation");
    const auto queryObject = Ntdll<QueryObjectFn>("NtQueryObject");
    if (!querySystem || !queryObject) return files;
    std::vector<ULONG_PTR> buffer(1 << 14);
    LONG status = kInfoLengthMismatch;
    for (int tries = 0; tries < 8 && status == kInfoLengthMismatch; ++tries) {
        ULONG needed = 0;
        status = querySystem(kExtendedHandleInformation, buffer.data(),
                             static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), &needed);
        if (status == kInfoLengthMismatch) buffer.resize(std::max<size_t>(buffer.size() * 2, needed / sizeof(ULONG_PTR) + 1024));
    }
    if (status < 0) return files;
    // Wine names a file \??\C:\...
    std::vector<std::wstring> wanted;
    for (const fs::path& root : roots) wanted.push_back(Upper(L"\\??\\" + root.wstring()));
    const auto isWanted = [&](const std::wstring& name) {
        return std::any_of(wanted.begin(), wanted.end(), [&](const std::wstring& root) {
            return name.compare(0, root.size(), root) == 0 && (name.size() == root.size() || name[root.size()] == L'\\');
        });
    };
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    std::map<DWORD, win::UniqueHandleKernel> owners;
    std::map<USHORT, bool> fileTypes;
    for (ULONG_PTR i = 0; i < list->Count; ++i) {
        const HandleEntry& entry = list->Handles[i];
        const DWORD owner = static_cast<DWORD>(entry.ProcessId);
        if (owner == ::GetCurrentProcessId()) continue;
        auto process = owners.find(owner);
        if (process == owners.end()) {
            process = owners.emplace(owner, win::UniqueHandleKernel(::OpenProcess(PROCESS_DUP_HANDLE, FALSE, owner))).first;
        }
        if (!process->second) continue;
        const auto known = fileTypes.find(entry.TypeIndex);
        if (known != fileTypes.end() && !known->second) continue;
        HANDLE copy = nullptr;
        if (!::DuplicateHandle(process->second.Get(), reinterpret_cast<HANDLE>(entry.Handle), ::GetCurrentProcess(), &copy,
                               0, FALSE, DUPLICATE_SAME_ACCESS)) {
            continue;
        }
        const win::UniqueHandleKernel held(copy);
        if (known == fileTypes.end()) {
            const bool isFile = ObjectText(queryObject, copy, kObjectTypeInformation) == L"File";
            fileTypes[entry.TypeIndex] = isFile;
            if (!isFile) continue;
        }
        const std::wstring name = ObjectText(queryObject, copy, kObjectNameInformation);
        if (!isWanted(Upper(name))) continue;
        files.push_back({fs::path(name.substr(4)), owner});
    }
    return files;
}

bool EndProcess(DWORD id, std::chrono::milliseconds timeout) {
    const win::UniqueHandleKernel process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // gone already
    ::TerminateProcess(process.Get(), 1);
    return ::WaitForSingleObject(process.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::vector<fs::path> RemoveTree(const fs::path& root, std::chrono::milliseconds timeout) {
    std::vector<fs::path> left;
    WaitUntil(
        [&] {
            left.clear();
            RemoveOnce(root, left);
            return left.empty();
        },
        timeout);
    return left;
}

}  // namespace tindrel::e2e
