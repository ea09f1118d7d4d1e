#pragma once
// The scripting runtime's FileSystemObject, called through COM automation. COM and the
// object are set up on first use, not at program start, and kept for the life of the
// owner.

#include <oaidl.h>

#include <optional>
#include <string>

#include "run/win/com_ptr.h"

namespace tindrel::win {

class ScriptingFileSystem {
public:
    // Throws SystemError when the object cannot be created or the call fails.
    bool FileExists(const std::wstring& path);

private:
    void Create();

    std::optional<ComApartment> apartment_;  // released after the object
    ComPtr<IDispatch> object_;
    DISPID fileExists_ = DISPID_UNKNOWN;
};

}  // namespace tindrel::win
