#include "ui/layout.h"

#include <richedit.h>

#include "run/win/win32_error.h"
#include "ui/dpi.h"

namespace tindrel::ui {
namespace {

struct ControlClass {
    const wchar_t* ClassName;
    DWORD Style;
    DWORD ExStyle;
};

ControlClass ClassFor(ControlKind kind) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (kind) {
        case ControlKind::Button:
            return {L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::DefaultButton:
            return {L"BUTTON", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0};
        case ControlKind::Label:
            return {L"STATIC", kChild | SS_LEFT | SS_NOPREFIX, 0};
        case ControlKind::RichText:
            // Read-only but selectable and copyable; wraps at its width, scrolls down.
            return {MSFTEDIT_CLASS, kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                    WS_EX_CLIENTEDGE};
        case ControlKind::Icon:
            return {L"STATIC", kChild | SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL, 0};
    }
    return {L"STATIC", kChild, 0};
}

}  // namespace

RECT TwipsRect(const ControlLayout& layout, UINT dpi) {
    const int left = TwipsToPixels(layout.Left, dpi);
    const int top = TwipsToPixels(layout.Top, dpi);
    return RECT{left, top, left + TwipsToPixels(layout.Width, dpi), top + TwipsToPixels(layout.Height, dpi)};
}

std::vector<PlacedControl> CreateControls(HWND parent, std::span<const ControlLayout> layouts, UINT dpi) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    std::vector<PlacedControl> controls;
    for (const ControlLayout& layout : layouts) {
        const ControlClass kind = ClassFor(layout.Kind);
        const RECT r = TwipsRect(layout, dpi);
        const HWND control = ::CreateWindowExW(kind.ExStyle, kind.ClassName, layout.Text, kind.Style, r.left, r.top,
                                               r.right - r.left, r.bottom - r.top, parent,
                                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)), instance, nullptr);
        if (!control) win::ThrowLastError(L"创建控件", layout.Name);
        controls.push_back({&layout, control});
    }
    return controls;
}

void PlaceControls(const std::vector<PlacedControl>& controls, UINT dpi, const ControlFonts& fonts) {
    if (controls.empty()) return;
    const HWND parent = ::GetParent(controls.front().Handle);
    const BOOL redraw = ::IsWindowVisible(parent);
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(controls.size()));
    for (const PlacedControl& control : controls) {
        ::SendMessageW(control.Handle, WM_SETFONT,
                       reinterpret_cast<WPARAM>(fonts[static_cast<size_t>(control.Layout->Font)]), redraw);
        const RECT r = TwipsRect(*control.Layout, dpi);
        RECT now{};
        ::GetWindowRect(control.Handle, &now);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&now), 2);
        if (::EqualRect(&now, &r)) continue;
        if (batch) {
            batch = ::DeferWindowPos(batch, control.Handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (batch) ::EndDeferWindowPos(batch);
}

}  // namespace tindrel::ui

namespace tindrel::ui {

void MoveToSuggestedRect(HWND window, const RECT& suggested) {
    ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tindrel::ui
