#include "tools/driver/unix_process.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace tindrel::e2e {
namespace {

// The WINEPREFIX entry of a process's environment ("" when it has none).
std::string WinePrefix(const std::wstring& processFolder) {
    std::ifstream environment((processFolder + L"\\environ").c_str(), std::ios::binary);
    std::string entry;
    while (std::getline(environment, entry, '\0')) {
        if (entry.rfind("WINEPREFIX=", 0) == 0) return entry;
    }
    return {};
}

// How long ago the process started: its start (the 22nd field of stat, in clock ticks
// since boot) against the machine's uptime.
double SecondsSinceStart(const std::wstring& processFolder) {
    std::ifstream stat((processFolder + L"\\stat").c_str());
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) return 0;
    std::istringstream fields(text.substr(nameEnd + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) {
            double uptime = 0;
            std::ifstream(L"Z:\\proc\\uptime") >> uptime;
            return uptime - std::stod(field) / 100.0;
        }
    }
    return 0;
}

}  // namespace

std::vector<UnixProcess> UnixProcessesOfPrefix() {
    std::vector<UnixProcess> processes;
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return processes;
    const std::string ownPrefix = WinePrefix(L"Z:\\proc\\self");
    int ownPid = 0;
    std::ifstream(L"Z:\\proc\\self\\stat") >> ownPid;
    do {
        const int pid = _wtoi(entry.cFileName);
        if (pid <= 0 || pid == ownPid) continue;
        const std::wstring folder = L"Z:\\proc\\" + std::wstring(entry.cFileName);
        if (WinePrefix(folder) != ownPrefix) continue;
        UnixProcess process{pid, {}, {}};
        std::getline(std::ifstream((folder + L"\\comm").c_str()), process.Comm);
        std::ifstream arguments((folder + L"\\cmdline").c_str(), std::ios::binary);
        std::getline(arguments, process.Program, '\0');  // wine64 itself
        process.Program.clear();
        std::getline(arguments, process.Program, '\0');
        process.AgeSeconds = SecondsSinceStart(folder);
        processes.push_back(std::move(process));
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return processes;
}

int FindUnixProcess(const std::string& name) {
    int newest = 0;
    for (const UnixProcess& process : UnixProcessesOfPrefix()) {
        if (process.Comm == name && process.Pid > newest) newest = process.Pid;
    }
    return newest;
}

bool KillUnixProcess(int pid) {
    std::wstring command = L"start.exe /wait /unix /bin/kill -KILL " + std::to_wstring(pid);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                          &process)) {
        return false;
    }
    ::WaitForSingleObject(process.hProcess, 30000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // start.exe hands the Unix program over without a process to wait for. Nothing here
    // reaps an ended process: it stays a zombie.
    const std::wstring stat = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat";
    for (int step = 0; step < 200; ++step) {
        std::ifstream file(stat.c_str());
        std::string text((std::istreambuf_iterator<char>(file)), {});
        const auto nameEnd = text.rfind(')');
        if (nameEnd == std::string::npos || text.compare(nameEnd, 3, ") Z") == 0) return true;
        ::Sleep(50);
    }
    return false;
}

UnixProcessFigures ReadUnixProcess(int pid) {
    UnixProcessFigures figures;
    const std::wstring base = L"Z:\\proc\\" + std::to_wstring(pid);
    std::ifstream stat((base + L"\\stat").c_str());
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) return figures;  // the process has gone
    // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
    std::istringstream fields(text.substr(nameEnd + 2));
    std::string field;
    long long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) ticks += std::stoll(field);
    }
    figures.CpuSeconds = static_cast<double>(ticks) / 100.0;
    std::ifstream status((base + L"\\status").c_str());
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) figures.PeakKiB = std::stol(line.substr(6));
    }
    return figures;
}

}  // namespace tindrel::e2e
