#include "run/win/network_drives_win.h"

#include <windows.h>

#include <winnetwk.h>

#include "win/system_folder.h"
#include "win/unique_handle.h"

namespace tindrel::win {
namespace {

struct NetworkFunctions {
    decltype(&::WNetGetConnectionW) GetConnection;
    decltype(&::WNetCancelConnection2W) CancelConnection;
};

// Null where mpr.dll or either function is missing.
const NetworkFunctions* LoadNetwork() {
    static const NetworkFunctions loaded = [] {
        const HMODULE mpr = LoadSystemLibrary(L"mpr.dll");
        const auto find = [mpr](const char* name) {
            return mpr ? reinterpret_cast<void*>(::GetProcAddress(mpr, name)) : nullptr;
        };
        return NetworkFunctions{reinterpret_cast<decltype(&::WNetGetConnectionW)>(find("WNetGetConnectionW")),
                                reinterpret_cast<decltype(&::WNetCancelConnection2W)>(find("WNetCancelConnection2W"))};
    }();
    return loaded.GetConnection && loaded.CancelConnection ? &loaded : nullptr;
}

// A mapping Windows restores at sign-in is kept under HKCU\Network by its letter.
bool Remembered(wchar_t letter) {
    UniqueHkey key;
    const std::wstring name = std::wstring(L"Network\\") + letter;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

}  // namespace

std::vector<NetworkDrives::Mapping> Win32NetworkDrives::SessionMappings() {
    std::vector<Mapping> mappings;
    const NetworkFunctions* network = LoadNetwork();
    if (!network) return mappings;
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if (!(drives & (1u << (letter - L'A')))) continue;
        const wchar_t root[] = {letter, L':', L'\\', L'\0'};
        if (::GetDriveTypeW(root) != DRIVE_REMOTE || Remembered(letter)) continue;
        const std::wstring drive{letter, L':'};
        wchar_t share[MAX_PATH + 1];
        DWORD size = MAX_PATH + 1;
        if (network->GetConnection(drive.c_str(), share, &size) == NO_ERROR) mappings.push_back({drive, share});
    }
    return mappings;
}

void Win32NetworkDrives::Unmap(const std::wstring& drive) {
    // Forced: what is still open on it belongs to the tool that was just ended.
    if (const NetworkFunctions* network = LoadNetwork()) network->CancelConnection(drive.c_str(), 0, TRUE);
}

}  // namespace tindrel::win
