#pragma once
#include "run/system_error.h"

namespace tindrel::win {

// The report for a failure nothing handles: what failed, on what, the error number, the
// system's text for it and where it was raised. The program ends when it is dismissed.
[[noreturn]] void ReportFatalError(const SystemError& error);

// Reports the exception being handled; for the catch (...) at the program's two outer
// edges, the entry point and GuardMessage.
[[noreturn]] void ReportCurrentException() noexcept;

// Every message of every window procedure and subclass is handled through this: an
// exception that leaves `handle` is reported and ends the program, as one that leaves the
// entry point is, and never unwinds through Windows' code that called the procedure.
template <typename Handler>
auto GuardMessage(Handler&& handle) noexcept -> decltype(handle()) {
    try {
        return handle();
    } catch (...) {
        ReportCurrentException();
    }
}

}  // namespace tindrel::win
