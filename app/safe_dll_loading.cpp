#include "app/safe_dll_loading.h"

#include <string>

#include "run/win/system_folder.h"
#include "run/win/system_function.h"

namespace tindrel::app {

void RestrictDllSearchToSystem() {
    // Either may fail or be missing; LoadSystemLibrary does not rely on them.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto setDefault =
            win::SystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories")) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    if (const auto setDllDirectory = win::SystemFunction<SetDllDirectoryFn>(L"kernel32.dll", "SetDllDirectoryW")) {
        setDllDirectory(L"");
    }
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    const std::wstring path = win::SystemFolder() + L'\\' + name;
    // A full path with the altered search order: the DLL's own folder (the system folder)
    // comes first for its dependencies, and the program's folder is not searched at all.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace tindrel::app
