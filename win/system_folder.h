#pragma once
#include <windows.h>

#include <string>

namespace tindrel::win {

// Windows' system folder (C:\Windows\system32), without a trailing backslash; a 32-bit
// program on 64-bit Windows gets System32 too, and file-system redirection takes it to
// SysWOW64. Throws on failure.
std::wstring SystemFolder();

// Loads the system DLL `name` from the system folder by its full path, and what it loads
// in turn from there too, so that no DLL someone placed beside the program or in the
// current folder is taken for it. Null on failure, with the error in GetLastError;
// throws when the system folder itself cannot be found.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace tindrel::win
