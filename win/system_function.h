#pragma once
// Functions newer than the oldest Windows the program runs on (XP SP3) are looked up at
// run time from a system DLL the program already has loaded; null where the system
// lacks them, and the caller falls back.

#include <windows.h>

namespace tindrel::win {

template <typename Function>
Function SystemFunction(const wchar_t* loadedDll, const char* name) {
    const HMODULE module = ::GetModuleHandleW(loadedDll);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace tindrel::win
