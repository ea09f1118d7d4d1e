#pragma once
// Turns Windows error numbers into the program's SystemError. Functions that set
// GetLastError and functions that return a status are kept apart.

#include <windows.h>

#include <source_location>
#include <string>

#include "run/system_error.h"

namespace tindrel::win {

std::wstring SystemMessage(DWORD code);

// Each records where it was called, which the error's report names.
SystemError MakeSystemError(std::wstring operation, std::wstring subject, DWORD code,
                            std::source_location where = std::source_location::current());

// Call right after the failing call, before anything else can overwrite the code.
[[noreturn]] void ThrowLastError(std::wstring operation, std::wstring subject = {},
                                 std::source_location where = std::source_location::current());
[[noreturn]] void ThrowStatus(DWORD status, std::wstring operation, std::wstring subject = {},
                              std::source_location where = std::source_location::current());

}  // namespace tindrel::win
