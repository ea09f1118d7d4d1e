#include "win/system_folder.h"

#include <windows.h>

#include "win/win32_error.h"

namespace tindrel::win {

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0) ThrowLastError(L"查找系统文件夹");
    if (length >= MAX_PATH) ThrowStatus(ERROR_INSUFFICIENT_BUFFER, L"查找系统文件夹");
    return std::wstring(folder, length);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    const std::wstring path = SystemFolder() + L'\\' + name;
    // A full path with the altered search order: the DLL's own folder (the system folder)
    // comes first for its dependencies, and the program's folder is not searched at all.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace tindrel::win
