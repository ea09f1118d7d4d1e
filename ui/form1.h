#pragma once
#include <windows.h>

#include <vector>

#include "run/run_context.h"
#include "run/run_view.h"
#include "run/tool_paths.h"
#include "ui/frm_about.h"
#include "ui/layout.h"
#include "ui/rich_text_box.h"
#include "ui/window_base.h"
#include "win/unique_handle.h"

namespace tindrel::ui {

// The main window: instructions, the results box and the Start, About and Exit buttons.
// It holds the program's one ToolPaths and is the view every test run drives.
class Form1 final : public WindowBase<Form1>, public RunView {
public:
    explicit Form1(RunContext& context) : context_(context) {}
    void Create(HINSTANCE instance, int show);

    void SetCaption(const std::wstring& Text) override;
    void SetResultText(const std::wstring& Text) override;
    std::optional<SystemError> LoadResultFile(const std::wstring& Path) override;
    void SetResultPointer(bool Busy) override;
    void SetExitEnabled(bool Enabled) override;

private:
    friend class WindowBase<Form1>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnCreate();
    void OnCommand1Click();
    void OnCommand2Click();
    void OnCommand3Click();
    void OnEndSession();
    void OnActivate(WORD state, bool minimized);
    void OnSetFocus();
    LRESULT OnGetDefId() const;
    SIZE ApplyDpi(UINT dpi, const RECT& workArea);

    RunContext& context_;
    ToolPaths Paths;

    std::vector<PlacedControl> controls_;
    HWND Command1 = nullptr;
    HWND Command3 = nullptr;
    HWND Label1 = nullptr;
    RichTextBox RichTextBox1;
    // The control that had the focus when the window was last deactivated.
    HWND savedFocus_ = nullptr;
    FrmAbout About;

    win::UniqueFont defaultFont_;
    win::UniqueFont bannerFont_;
};

}  // namespace tindrel::ui
