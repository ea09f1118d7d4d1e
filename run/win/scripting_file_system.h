#pragma once
// The scripting runtime's FileSystemObject, called through COM automation. Created on
// first use and kept for the life of the owner.

#include <oaidl.h>

#include <string>

#include "run/win/com_ptr.h"

namespace tindrel::win {

class ScriptingFileSystem {
public:
    // Throws SystemError when the object cannot be created or the call fails.
    bool FileExists(const std::wstring& path);

private:
    void Create();

    ComPtr<IDispatch> object_;
    DISPID fileExists_ = DISPID_UNKNOWN;
};

}  // namespace tindrel::win
