#pragma once
// Makes a running program's imports answer as older or real Windows does
// (tools/older_windows): loads the older_windows DLL into it through a remote thread
// calling LoadLibraryW, and shares with it which answers are on, so they can change
// while the program runs.

#include <windows.h>

#include "tools/older_windows/older_windows.h"
#include "win/unique_handle.h"

namespace tindrel::e2e {

class OlderWindowsAnswers {
public:
    OlderWindowsAnswers() = default;
    ~OlderWindowsAnswers();
    OlderWindowsAnswers(OlderWindowsAnswers&& other) noexcept;
    OlderWindowsAnswers& operator=(OlderWindowsAnswers&&) = delete;
    OlderWindowsAnswers(const OlderWindowsAnswers&) = delete;
    OlderWindowsAnswers& operator=(const OlderWindowsAnswers&) = delete;

    // `answers` is a set of older::Answer. The first call loads the DLL into the process;
    // false if it did not load, or if the program imports none of the functions one of
    // the answers needs.
    bool Set(HANDLE process, DWORD processId, LONG answers);

    struct LoopCounts {
        LONG Waits = 0;
        LONG RefusedWaits = 0;
        LONG Peeks = 0;
    };
    // What the program's message loop has done since the first Set (older_windows.h).
    LoopCounts Counts() const;

private:
    win::UniqueHandleKernel mapping_;
    older::SharedBlock* block_ = nullptr;
};

}  // namespace tindrel::e2e
