#pragma once
#include <optional>
#include <string>

#include "run/system_error.h"

namespace tindrel {

// What a test run changes in the main window.
class RunView {
public:
    virtual ~RunView() = default;
    virtual void SetCaption(const std::wstring& Text) = 0;
    virtual void SetResultText(const std::wstring& Text) = 0;
    // Empty once the file is shown; otherwise why it could not be read, nothing changed.
    virtual std::optional<SystemError> LoadResultFile(const std::wstring& Path) = 0;
    virtual void SetResultPointer(bool Busy) = 0;
    virtual void SetExitEnabled(bool Enabled) = 0;
};

}  // namespace tindrel
