#pragma once
#include <windows.h>

#include "run/platform.h"

namespace tindrel::win {

// Hands one message to its window, with dialog keyboard handling (Tab, Enter, Esc) for
// the program's top-level windows. The main loop and every wait use it.
void DispatchWindowMessage(MSG& message);

// The program ends in one way only, at once, whatever it is doing (Exit, log-off, a
// missing installation, a failure report). The program never posts WM_QUIT itself; one
// that another program posts ends it the same way, wherever it is picked up, so no wait
// is cut short and left to carry on.
[[noreturn]] void EndProgramOnQuit(const MSG& quit);

// Waits on the message queue, never spins: it sleeps until a message arrives or the
// deadline passes, then handles everything pending. A wait Windows refuses is reported.
class Win32EventPump final : public EventPump {
public:
    // MsgWaitForMultipleObjectsEx read from the import table at every call, not once when
    // the pump is made: a hook placed on the import later still sees every wait.
    static DWORD WINAPI SystemMessageWait(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                          DWORD flags);

    using MessageWait = DWORD(WINAPI*)(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                       DWORD flags);
    // `wait` is the system's message wait; tests hand in one that answers as another
    // Windows would.
    explicit Win32EventPump(Clock& clock, MessageWait wait = &SystemMessageWait);
    void ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) override;

private:
    Clock& clock_;
    MessageWait wait_;
    DWORD wakeMask_;
};

}  // namespace tindrel::win
