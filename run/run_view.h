#pragma once
#include <string>

namespace tindrel {

// What a test run changes in the main window.
class RunView {
public:
    virtual ~RunView() = default;
    virtual void SetCaption(const std::wstring& Text) = 0;
    virtual void SetResultText(const std::wstring& Text) = 0;
    virtual void LoadResultFile(const std::wstring& Path) = 0;
    virtual void SetResultPointer(bool Busy) = 0;
    virtual void SetExitEnabled(bool Enabled) = 0;
};

}  // namespace tindrel
