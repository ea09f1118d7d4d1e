#pragma once
#include "run/platform.h"

namespace tindrel::win {

// The message box that says Nero Burning Rom is not installed, then the end of the
// program: no close events, nothing else runs.
class MessageBoxInstallationNotice final : public InstallationNotice {
public:
    [[noreturn]] void ReportMissingInstallation() override;
};

}  // namespace tindrel::win
