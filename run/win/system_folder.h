#pragma once
#include <string>

namespace tindrel::win {

// Windows' system folder (C:\Windows\system32, or SysWOW64 for a 32-bit program on
// 64-bit Windows), without a trailing backslash. Throws on failure.
std::wstring SystemFolder();

}  // namespace tindrel::win
