#include "run/win/event_pump_win.h"

namespace tindrel::win {

void DispatchWindowMessage(MSG& message) {
    const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && (::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && ::IsDialogMessageW(root, &message)) {
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

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
        ::MsgWaitForMultipleObjectsEx(0, nullptr, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void EndProgramOnQuit(const MSG& quit) { ::ExitProcess(static_cast<UINT>(quit.wParam)); }

}  // namespace tindrel::win
