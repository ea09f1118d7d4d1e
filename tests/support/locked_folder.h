#pragma once
// A folder that refuses new files, as Program Files does for a standard user. Wine runs
// as root and ignores permissions, so the folder is made immutable on the Linux side
// (chattr +i) for as long as the object lives.

#include <windows.h>

#include <filesystem>
#include <string>

namespace tindrel::testing {

class LockedFolder {
public:
    explicit LockedFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        if (Chattr(L"+i")) WaitUntilRefusing(true);
    }
    ~LockedFolder() {
        if (Chattr(L"-i")) WaitUntilRefusing(false);
    }
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;

    // False where chattr is not to be had (not root, not ext4, not Wine): such tests skip.
    bool Refuses() const {
        const std::filesystem::path probe = folder_ / L"probe.tmp";
        const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_ACCESS_DENIED;
        ::CloseHandle(file);
        ::DeleteFileW(probe.c_str());
        return false;
    }

private:
    // start.exe hands a Unix program over without a process to wait for, so the change
    // shows only a moment later (seconds, the first time in a Wine session).
    void WaitUntilRefusing(bool refusing) const {
        for (int step = 0; step < 400 && Refuses() != refusing; ++step) ::Sleep(50);
    }

    // True once chattr was started: under Wine, as root.
    bool Chattr(const wchar_t* flag) const {
        using UnixNameFn = char*(CDECL*)(const wchar_t*);
        const auto unixName = reinterpret_cast<UnixNameFn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        if (!unixName) return false;
        char* name = unixName(folder_.c_str());
        if (!name) return false;
        wchar_t unixPath[4 * MAX_PATH] = {};
        ::MultiByteToWideChar(CP_UTF8, 0, name, -1, unixPath, 4 * MAX_PATH);
        ::HeapFree(::GetProcessHeap(), 0, name);
        std::wstring command = L"start.exe /wait /unix /usr/bin/chattr " + std::wstring(flag) + L" \"" + std::wstring(unixPath) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                              &startup, &process)) {
            return false;
        }
        ::WaitForSingleObject(process.hProcess, 30000);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return true;
    }

    std::filesystem::path folder_;
};

}  // namespace tindrel::testing
