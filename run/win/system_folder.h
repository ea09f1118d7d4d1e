#pragma once
#include <string>

namespace tindrel::win {

// Windows' system folder (C:\Windows\system32), without a trailing backslash; a 32-bit
// program on 64-bit Windows gets System32 too, and file-system redirection takes it to
// SysWOW64. Throws on failure.
std::wstring SystemFolder();

}  // namespace tindrel::win
