#pragma once
// Turns Windows error numbers into the program's SystemError. Functions that set
// GetLastError and functions that return a status are kept apart.

#include <windows.h>

#include <string>

#include "run/system_error.h"

namespace tindrel::win {

std::wstring SystemMessage(DWORD code);

SystemError MakeSystemError(std::wstring operation, std::wstring subject, DWORD code);

// Call right after the failing call, before anything else can overwrite the code.
[[noreturn]] void ThrowLastError(std::wstring operation, std::wstring subject = {});
[[noreturn]] void ThrowStatus(DWORD status, std::wstring operation, std::wstring subject = {});

}  // namespace tindrel::win
