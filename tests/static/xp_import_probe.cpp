// Everything the import check must catch in a 32-bit program: functions Windows XP SP3
// lacks (one that ReactOS lists for NT 5.2 among them), a DLL Windows does not protect,
// and (see CMakeLists.txt) a Vista header and a link time stamp; no manifest, no version
// record. GetTickCount and GetCurrentThread are fine on XP and must pass.

#include <windows.h>

#include <dwmapi.h>

int main() {
    CONDITION_VARIABLE condition;
    ::InitializeConditionVariable(&condition);
    BOOL composed = FALSE;
    ::DwmIsCompositionEnabled(&composed);
    const ULONGLONG sum = ::GetTickCount64() + ::GetTickCount() + ::GetDpiForWindow(nullptr) +
                          ::GetThreadId(::GetCurrentThread()) + static_cast<ULONGLONG>(composed);
    return static_cast<int>(sum & 1);
}
