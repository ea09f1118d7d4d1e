#pragma once
#include "run/interpreter_start.h"

namespace tindrel::win {

// The network drive letters of the logon session, through mpr.dll, which is loaded from
// the system folder when a network tool folder first needs it; none where it cannot be.
class Win32NetworkDrives final : public NetworkDrives {
public:
    std::vector<Mapping> SessionMappings() override;
    void Unmap(const std::wstring& drive) override;
};

}  // namespace tindrel::win
