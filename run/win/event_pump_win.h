#pragma once
#include <windows.h>

#include "run/platform.h"

namespace tindrel::win {

// Hands one message to its window, with dialog keyboard handling (Tab, Enter, Esc) for
// the program's top-level windows. The main loop and every wait use it.
void DispatchWindowMessage(MSG& message);

// Waits on the message queue, never spins: it sleeps until a message arrives or the
// deadline passes, then handles everything pending.
class Win32EventPump final : public EventPump {
public:
    explicit Win32EventPump(Clock& clock) : clock_(clock) {}
    void ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) override;

private:
    Clock& clock_;
    bool quitting_ = false;
};

}  // namespace tindrel::win
