#pragma once
#include <windows.h>

#include <vector>

#include "ui/layout.h"
#include "ui/window_base.h"
#include "win/unique_handle.h"

namespace tindrel::ui {

// The About window: modeless, loaded afresh on every show after a close; its texts come
// from the program's own version record each time it loads.
class FrmAbout final : public WindowBase<FrmAbout> {
public:
    // Loads and shows the window, or brings the open one forward.
    void Show(HWND owner);

private:
    friend class WindowBase<FrmAbout>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnLoad();
    void OnPaint();
    void OnCmdOkClick();
    SIZE ApplyDpi(UINT dpi, const RECT& workArea);
    void OnDestroyed() override;

    std::vector<PlacedControl> controls_;
    HWND lblTitle = nullptr;
    HWND lblVersion = nullptr;
    HWND picIcon = nullptr;
    win::UniqueFont defaultFont_;
    win::UniqueFont titleFont_;
    UINT layoutDpi_ = 96;
};

}  // namespace tindrel::ui
