#include "app/safe_dll_loading.h"

#include <string>

namespace tindrel::app {
namespace {

template <typename Function>
Function Kernel32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

void RestrictDllSearchToSystem() {
    // Either may fail or be missing; LoadSystemLibrary does not rely on them.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    if (const auto setDllDirectory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryW")) setDllDirectory(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0) return nullptr;
    if (length >= MAX_PATH) {
        ::SetLastError(ERROR_BUFFER_OVERFLOW);
        return nullptr;
    }
    const std::wstring path = std::wstring(folder, length) + L'\\' + name;
    // A full path with the altered search order: the DLL's own folder (the system folder)
    // comes first for its dependencies, and the program's folder is not searched at all.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace tindrel::app
