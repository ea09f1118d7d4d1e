#pragma once
#include "run/platform.h"

namespace tindrel::win {

// The message box that says Nero Burning Rom is not installed, then the end of the
// program: no close events, nothing else runs.
class MessageBoxInstallationNotice final : public InstallationNotice {
public:
    [[noreturn]] void ReportMissingInstallation() override;
};

// The report for a failure nothing handles: what failed, on what, the error number and
// the system's text for it. The program ends when it is dismissed.
[[noreturn]] void ReportFatalError(const SystemError& error);
[[noreturn]] void ReportFatalError(const char* what);

}  // namespace tindrel::win
