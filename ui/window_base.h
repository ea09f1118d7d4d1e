#pragma once
// A window is a class that owns its HWND. The window procedure is a thin thunk: it
// finds the object stored at WM_NCCREATE, and no exception crosses it; a failure that
// nothing handled is reported and ends the program.

#include <windows.h>

#include "resources/resource_ids.h"
#include "run/system_error.h"
#include "run/win/fatal_error_report.h"
#include "run/win/win32_error.h"
#include "ui/dpi.h"
#include "ui/layout.h"

namespace tindrel::ui {

template <typename Derived>
class WindowBase {
public:
    // Windows live until the program ends, which it does at once (ExitProcess): no
    // window is ever destroyed by its object.
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

protected:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        auto* self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->hwnd_ = window;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            self->OnDestroyed();
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        try {
            if (message == kDpiChangedMessage) {
                // Moved to a screen of another DPI: the same layout at the new scale, in
                // the place Windows suggests.
                self->ApplyDpi(HIWORD(wParam));
                MoveToSuggestedRect(window, *reinterpret_cast<const RECT*>(lParam));
                return 0;
            }
            return self->HandleMessage(message, wParam, lParam);
        } catch (...) {
            win::ReportCurrentException();
        }
    }

    // Registers the window class once per process: dialog background, arrow pointer, and
    // the application icon where the window shows one.
    static void RegisterClassOnce(HINSTANCE instance, const wchar_t* className, bool withIcon) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        if (::GetClassInfoExW(instance, className, &windowClass)) return;
        windowClass.lpfnWndProc = &WindowProcedure;
        windowClass.hInstance = instance;
        if (withIcon) {
            windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_TINDREL));
            windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_TINDREL), IMAGE_ICON,
                                                                  ::GetSystemMetrics(SM_CXSMICON),
                                                                  ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        }
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        if (!::RegisterClassExW(&windowClass)) win::ThrowLastError(L"注册窗口类", className);
    }

    // Gives the window the outer size that holds `client` at its DPI and centres it on
    // `area` (a work area, or the owner window).
    void SizeAndCentre(ClientSize client, DWORD style, DWORD exStyle, const RECT& area) {
        const SIZE size = OuterSizeForClient(client, style, exStyle, WindowDpi(hwnd_));
        ::SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - size.cx) / 2,
                       area.top + (area.bottom - area.top - size.cy) / 2, size.cx, size.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    virtual void OnDestroyed() {}

    HWND hwnd_ = nullptr;
};

}  // namespace tindrel::ui
