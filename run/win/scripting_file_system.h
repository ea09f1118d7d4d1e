#pragma once
// The scripting runtime's FileSystemObject, called through COM automation. COM, its DLLs
// and the object are set up on first use, not at program start, and kept for the life of
// the owner.

#include <oaidl.h>

#include <optional>
#include <string>

#include "win/com_ptr.h"

namespace tindrel::win {

struct AutomationFunctions;

class ScriptingFileSystem {
public:
    ScriptingFileSystem() = default;
    ~ScriptingFileSystem();
    ScriptingFileSystem(const ScriptingFileSystem&) = delete;
    ScriptingFileSystem& operator=(const ScriptingFileSystem&) = delete;

    // Empty when the object cannot be created (the scripting runtime unregistered); that
    // is remembered for the life of the owner. Throws SystemError when the call fails.
    std::optional<bool> FileExists(const std::wstring& path);

private:
    bool Create();

    const AutomationFunctions* automation_ = nullptr;
    bool comStarted_ = false;  // COM is ended after the object is released
    ComPtr<IDispatch> object_;
    DISPID fileExists_ = DISPID_UNKNOWN;
    bool unavailable_ = false;
};

}  // namespace tindrel::win
