#include "app/safe_dll_loading.h"

#include "win/system_function.h"

namespace tindrel::app {

void RestrictDllSearchToSystem() {
    // Either may fail or be missing; win::LoadSystemLibrary does not rely on them.
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

}  // namespace tindrel::app
