// Linked into the 32-bit program only (mingw-w64, i686).
//
// The C++ runtime's locks (exceptions, static initialisation, clocks) come from Debian's
// static winpthreads, which was built for Vista and calls GetTickCount64 through its
// import pointer when it times a wait. Windows XP has no GetTickCount64, and one missing
// import stops the program before it starts. Defining that import pointer here satisfies
// the reference before kernel32's import library is searched, so the function is never
// imported. winpthreads only measures elapsed time with it; the performance counter is
// monotonic on every Windows and needs no state.

#include <windows.h>

namespace {

ULONGLONG WINAPI MillisecondsSinceStart() {
    LARGE_INTEGER frequency{}, counter{};
    if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !::QueryPerformanceCounter(&counter)) {
        return ::GetTickCount();
    }
    const auto ticks = static_cast<ULONGLONG>(counter.QuadPart), perSecond = static_cast<ULONGLONG>(frequency.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

}  // namespace

extern "C" ULONGLONG(WINAPI* const tindrelTickCount64Import)() __asm__("__imp__GetTickCount64@0");
extern "C" ULONGLONG(WINAPI* const tindrelTickCount64Import)() = MillisecondsSinceStart;
