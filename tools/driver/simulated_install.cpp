#include "tools/driver/simulated_install.h"

#include <tlhelp32.h>

#include <fstream>

#include "run/install_entry.h"
#include "tools/driver/prefix_leftovers.h"
#include "tests/support/test_support.h"
#include "win/code_page.h"
#include "win/unique_handle.h"

namespace tindrel::e2e {
namespace fs = std::filesystem;

SimulatedInstall::SimulatedInstall(const fs::path& folder, const std::string& settings) : folder_(folder) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kInstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    wchar_t saved[1024] = {};
    DWORD size = sizeof saved - sizeof(wchar_t);
    hadValue_ = ::RegQueryValueExW(key_, kInstallValue, nullptr, nullptr, reinterpret_cast<BYTE*>(saved), &size) ==
                ERROR_SUCCESS;
    saved_ = saved;
    // Bounded: a file an earlier run left held cannot hold up this one.
    RemoveTree(folder_, std::chrono::seconds{10});
    fs::create_directories(folder_);
    fs::copy_file(testing::OwnFolder() / L"nerocmd.exe", folder_ / L"nerocmd.exe", fs::copy_options::overwrite_existing);
    Configure(settings);
    SetEntry((folder_ / L"nero.exe").wstring());
}

SimulatedInstall::~SimulatedInstall() {
    if (hadValue_) {
        SetEntry(saved_);
    } else {
        RemoveEntry();
    }
    ::RegCloseKey(key_);
}

void SimulatedInstall::Configure(const std::string& settings) const {
    std::ofstream(folder_ / L"nerocmd.cfg", std::ios::binary | std::ios::trunc) << settings;
}

void SimulatedInstall::SetEntry(const std::wstring& path) const {
    ::RegSetValueExW(key_, kInstallValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

void SimulatedInstall::SetRawEntry(DWORD type, const std::string& bytes) const {
    ::RegSetValueExA(key_, win::ToCodePage(CP_ACP, kInstallValue).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
}

void SimulatedInstall::RemoveEntry() const { ::RegDeleteValueW(key_, kInstallValue); }

bool SimulatedInstall::WorkFilesLeft() const { return testing::WorkFilesLeft(folder_); }

int SimulatedInstall::ToolStarts() const {
    std::ifstream log(folder_ / L"nerocmd.log");
    int lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    return lines;
}

int SimulatedInstall::EndToolsStillRunning() const {
    const win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    const fs::path tool = folder_ / L"nerocmd.exe";
    int ended = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, L"nerocmd.exe") != 0) continue;
        // The first module of a process is its program.
        const win::UniqueFile modules(
            ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID));
        MODULEENTRY32W program{};
        program.dwSize = sizeof program;
        std::error_code ignored;
        if (!modules || !::Module32FirstW(modules.Get(), &program) ||
            !fs::equivalent(fs::path(program.szExePath), tool, ignored)) {
            continue;
        }
        const win::UniqueHandleKernel process(
            ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process) continue;
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), 5000);
        ++ended;
    }
    return ended;
}

}  // namespace tindrel::e2e
