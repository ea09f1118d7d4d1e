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

}  // namespace

int FindUnixProcess(const std::string& name) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    const std::string ownPrefix = WinePrefix(L"Z:\\proc\\self");
    int newest = 0;
    do {
        const int pid = _wtoi(entry.cFileName);
        if (pid <= newest) continue;
        const std::wstring folder = L"Z:\\proc\\" + std::wstring(entry.cFileName);
        std::ifstream comm((folder + L"\\comm").c_str());
        std::string line;
        if (std::getline(comm, line) && line == name && WinePrefix(folder) == ownPrefix) newest = pid;
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return newest;
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
