#pragma once
#include "run/system_error.h"

namespace tindrel::win {

// The report for a failure nothing handles: what failed, on what, the error number, the
// system's text for it and where it was raised. The program ends when it is dismissed.
[[noreturn]] void ReportFatalError(const SystemError& error);

// Reports the exception being handled; for the catch (...) at the program's two outer
// edges, the entry point and the window procedure.
[[noreturn]] void ReportCurrentException() noexcept;

}  // namespace tindrel::win
