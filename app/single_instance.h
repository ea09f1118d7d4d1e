#pragma once
// One copy of the program per session: a second copy shows the first one's window and
// ends, so that two runs never share the tool folder's work files.

#include "win/unique_handle.h"

namespace tindrel::app {

class SingleInstance {
public:
    // Marks this copy as the session's running one, unless another copy already is.
    SingleInstance();

    bool AnotherCopyRuns() const { return anotherCopy_; }
    // Brings the other copy's window (or the dialog it shows) to the front, restoring it
    // when minimized. Waits briefly for that window: the other copy may just be starting.
    static void ShowRunningCopy();

private:
    win::UniqueHandleKernel mark_;  // held open while this copy runs
    bool anotherCopy_ = false;
};

}  // namespace tindrel::app
