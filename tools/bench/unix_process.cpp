#include "tools/bench/unix_process.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "tests/support/test_support.h"

namespace tindrel::bench {

int FindUnixProcess(const std::string& name) {
    // Other users of this machine may run programs of the same name: only one started
    // from this folder counts (Wine's command line begins with the program's path).
    std::string folder;
    for (const wchar_t c : testing::OwnFolder().wstring()) folder += static_cast<char>(c);
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int newest = 0;
    do {
        const int pid = _wtoi(entry.cFileName);
        if (pid <= newest) continue;
        std::ifstream comm((L"Z:\\proc\\" + std::wstring(entry.cFileName) + L"\\comm").c_str());
        std::string line;
        if (!std::getline(comm, line) || line != name) continue;
        std::ifstream command((L"Z:\\proc\\" + std::wstring(entry.cFileName) + L"\\cmdline").c_str());
        if (std::getline(command, line, '\0') && ::lstrcmpiA(line.substr(0, folder.size()).c_str(), folder.c_str()) == 0) {
            newest = pid;
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return newest;
}

UnixProcessFigures ReadUnixProcess(int pid) {
    UnixProcessFigures figures;
    const std::wstring base = L"Z:\\proc\\" + std::to_wstring(pid);
    std::ifstream stat((base + L"\\stat").c_str());
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
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

}  // namespace tindrel::bench
