#include "run/win/process_table_win.h"

#include <tlhelp32.h>

namespace tindrel::win {
namespace {

// Ending a process is quick unless it is stuck in a driver call, which no wait cures.
constexpr DWORD kWaitForEndMs = 1000;

std::uint64_t FromFileTime(const FILETIME& time) {
    return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

}  // namespace

std::optional<std::uint64_t> Win32Process::CreationTime() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process_, &created, &exited, &kernel, &user)) return std::nullopt;
    return FromFileTime(created);
}

void Win32Process::Terminate() { ::TerminateProcess(process_, 1); }

void Win32Process::WaitForEnd() { ::WaitForSingleObject(process_, kWaitForEndMs); }

std::uint64_t Win32ProcessTable::Now() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return FromFileTime(now);
}

// The system time moves only on the clock's interrupt, and nothing signals it: a wait of
// a millisecond ends on the next one.
void Win32ProcessTable::Pause() { ::Sleep(1); }

std::vector<ProcessTable::Listed> Win32ProcessTable::Snapshot() {
    std::vector<Listed> processes;
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    }
    return processes;
}

std::unique_ptr<ProcessTable::Process> Win32ProcessTable::Open(unsigned long id) {
    UniqueHandleKernel process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return nullptr;
    return std::make_unique<Win32Process>(std::move(process));
}

}  // namespace tindrel::win
