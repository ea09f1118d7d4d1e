#include "run/win/event_pump_win.h"

#include "win/win32_error.h"

namespace tindrel::win {
namespace {

// What Windows 2000 and every later Windows take: a system that refuses the headers' mask
// (Windows 8 added QS_TOUCH and QS_POINTER, and earlier systems reject the call at once)
// is asked with this one.
constexpr DWORD kOldestWakeMask = QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE;

}  // namespace

void DispatchWindowMessage(MSG& message) {
    const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && (::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && ::IsDialogMessageW(root, &message)) {
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

DWORD WINAPI Win32EventPump::SystemMessageWait(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                               DWORD flags) {
    return ::MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, flags);
}

// Every input the headers of the oldest Windows this build runs on know of, set here in
// the program's own translation unit, whatever its users were compiled for.
Win32EventPump::Win32EventPump(Clock& clock, MessageWait wait) : clock_(clock), wait_(wait), wakeMask_(QS_ALLINPUT) {}

void Win32EventPump::ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) {
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) EndProgramOnQuit(message);
            DispatchWindowMessage(message);
            if (stop()) return;
        }
        const Milliseconds now = clock_.Now();
        if (now >= deadline) return;
        const auto remaining = static_cast<DWORD>((deadline - now).count());
        if (wait_(0, nullptr, remaining, wakeMask_, MWMO_INPUTAVAILABLE) != WAIT_FAILED) continue;
        // A failed wait returns at once; going round again would spin a whole core.
        const DWORD code = ::GetLastError();
        if (code != ERROR_INVALID_PARAMETER || wakeMask_ == kOldestWakeMask) ThrowStatus(code, L"等待消息");
        wakeMask_ = kOldestWakeMask;
    }
}

void EndProgramOnQuit(const MSG& quit) { ::ExitProcess(static_cast<UINT>(quit.wParam)); }

}  // namespace tindrel::win
