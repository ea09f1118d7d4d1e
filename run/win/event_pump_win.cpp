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
    // Once the program is quitting, waits end at once; the quit message is put back for
    // the main loop.
    if (quitting_) return;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitting_ = true;
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            DispatchWindowMessage(message);
            if (stop()) return;
        }
        const Milliseconds now = clock_.Now();
        if (now >= deadline) return;
        const auto remaining = static_cast<DWORD>((deadline - now).count());
        ::MsgWaitForMultipleObjectsEx(0, nullptr, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

}  // namespace tindrel::win
